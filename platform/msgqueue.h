// A message queue between threads: the replacement for posted window and thread messages.
// Any thread posts; one thread takes. A block attached to a message belongs to the queue once
// posted and to the taker once taken; a failed post leaves it with the sender, and closing the
// queue frees whatever is still queued.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

namespace platform {

struct Message {
    std::uint32_t id = 0;
    std::uintptr_t wParam = 0;
    std::uintptr_t lParam = 0;
    std::unique_ptr<std::uint8_t[]> block;  // optional data block
};

// A zero-filled block of count + 1 bytes holding a copy of count bytes, so the data is
// always followed by a 0 byte. Throws std::bad_alloc.
std::unique_ptr<std::uint8_t[]> allocateBlock(const void* data, std::size_t count);

class MessageQueue {
public:
    // Null when the system has no descriptor left.
    static std::unique_ptr<MessageQueue> create();
    ~MessageQueue();
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // Queues the message and moves it out of `message`; false (and `message` untouched)
    // once the queue is closed.
    bool post(Message& message);
    // Takes the oldest message without waiting; false when none is queued.
    bool take(Message& message);
    bool empty() const;
    // Readable whenever a message may be queued: poll it, then take().
    int fd() const { return fd_; }
    // Refuses further posts and frees every queued message.
    void close();

private:
    explicit MessageQueue(int fd) : fd_(fd) {}
    void wake();
    void drainWake();

    int fd_;
    mutable std::mutex mutex_;
    std::deque<Message> messages_;
    bool closed_ = false;
};

}  // namespace platform
