#include "platform/msgqueue.h"

#include <cerrno>
#include <cstring>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

std::unique_ptr<std::uint8_t[]> allocateBlock(const void* data, std::size_t count) {
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[count + 1]());
    if (count) std::memcpy(block.get(), data, count);
    return block;
}

std::unique_ptr<MessageQueue> MessageQueue::create() {
    int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::unique_ptr<MessageQueue>(new MessageQueue(fd));
}

MessageQueue::~MessageQueue() { ::close(fd_); }

void MessageQueue::wake() {
    const std::uint64_t one = 1;
    while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {}
}

void MessageQueue::drainWake() {
    std::uint64_t value;
    while (::read(fd_, &value, sizeof value) < 0 && errno == EINTR) {}
}

bool MessageQueue::post(Message& message) {
    bool wasEmpty;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return false;
        wasEmpty = messages_.empty();
        messages_.push_back(std::move(message));
    }
    // The wake-up is reset only under the lock with the queue empty, so it is still pending
    // whenever messages wait: only the first message after the queue ran dry needs one.
    if (wasEmpty) wake();
    return true;
}

bool MessageQueue::take(Message& message) {
    std::lock_guard lock(mutex_);
    if (messages_.empty()) {
        // Reset the wake-up under the lock: a post after this point pushes first and wakes
        // after, so a waiter never sleeps on a queued message nor spins on an old wake-up.
        drainWake();
        return false;
    }
    message = std::move(messages_.front());
    messages_.pop_front();
    return true;
}

bool MessageQueue::empty() const {
    std::lock_guard lock(mutex_);
    return messages_.empty();
}

void MessageQueue::close() {
    std::deque<Message> dropped;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        dropped.swap(messages_);
    }
}

}  // namespace platform
