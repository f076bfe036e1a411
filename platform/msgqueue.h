// A message queue between threads: the replacement for posted window and thread messages.
// Any thread posts; one thread takes. A block attached to a message belongs to the queue once
// posted and to the taker once taken; a failed post leaves it with the sender, and closing the
// queue frees whatever is still queued.
// A queue may have a limit: a poster that finds it full waits for room (or for its stop
// event), so a fast producer is held back by a slow taker instead of growing the queue.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/event.h"

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
    // Null when the system has no descriptor left. A limit of 0 means none.
    static std::unique_ptr<MessageQueue> create(std::size_t limit = 0);
    ~MessageQueue();
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // Queues the message and moves it out of `message`; false (and `message` untouched)
    // once the queue is closed. Never waits: the limit does not apply.
    bool post(Message& message);
    // As post(), but while the queue holds `limit` messages, waits until the taker makes room
    // or `stop` is set. On anything but Posted, `message` is untouched.
    enum class PostResult { Posted, Stopped, Refused };  // Refused: closed, or the wait failed
    PostResult post(Message& message, const Event& stop);
    // As above for messages in order, woken once for all that fit: those posted leave
    // `messages`, the rest stay there on anything but Posted.
    PostResult post(std::vector<Message>& messages, const Event& stop);
    // Takes the oldest message without waiting; false when none is queued.
    bool take(Message& message);
    bool empty() const;
    std::size_t size() const;
    std::size_t limit() const { return limit_; }
    // Readable whenever a message may be queued: poll it, then take().
    int fd() const { return fd_; }
    // Refuses further posts and frees every queued message.
    void close();

private:
    MessageQueue(int fd, int roomFd, std::size_t limit) : fd_(fd), roomFd_(roomFd), limit_(limit) {}
    PostResult post(Message* messages, std::size_t count, const Event& stop, std::size_t& posted);
    void wake();
    void drainWake();
    void signalRoom();
    void drainRoom();

    int fd_;
    int roomFd_;  // readable while a full queue has had room made (bounded queues only)
    const std::size_t limit_;
    mutable std::mutex mutex_;
    std::deque<Message> messages_;
    bool closed_ = false;
};

}  // namespace platform
