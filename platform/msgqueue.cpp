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

std::unique_ptr<MessageQueue> MessageQueue::create(std::size_t limit) {
    int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) return nullptr;
    int roomFd = -1;
    if (limit > 0) {
        roomFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (roomFd < 0) {
            ::close(fd);
            return nullptr;
        }
    }
    return std::unique_ptr<MessageQueue>(new MessageQueue(fd, roomFd, limit));
}

MessageQueue::~MessageQueue() {
    ::close(fd_);
    if (roomFd_ >= 0) ::close(roomFd_);
}

void MessageQueue::wake() {
    const std::uint64_t one = 1;
    while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {}
}

void MessageQueue::drainWake() {
    std::uint64_t value;
    while (::read(fd_, &value, sizeof value) < 0 && errno == EINTR) {}
}

void MessageQueue::signalRoom() {
    if (roomFd_ < 0) return;
    const std::uint64_t one = 1;
    while (::write(roomFd_, &one, sizeof one) < 0 && errno == EINTR) {}
}

void MessageQueue::drainRoom() {
    std::uint64_t value;
    while (::read(roomFd_, &value, sizeof value) < 0 && errno == EINTR) {}
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

MessageQueue::PostResult MessageQueue::post(Message& message, const Event& stop) {
    std::size_t posted = 0;
    return post(&message, 1, stop, posted);
}

MessageQueue::PostResult MessageQueue::post(std::vector<Message>& messages, const Event& stop) {
    std::size_t posted = 0;
    const PostResult result = post(messages.data(), messages.size(), stop, posted);
    messages.erase(messages.begin(), messages.begin() + std::ptrdiff_t(posted));
    return result;
}

MessageQueue::PostResult MessageQueue::post(Message* messages, std::size_t count, const Event& stop,
                                            std::size_t& posted) {
    posted = 0;
    while (posted < count) {
        bool wasEmpty = false;
        std::size_t queued = 0;
        {
            std::lock_guard lock(mutex_);
            if (closed_) return PostResult::Refused;
            wasEmpty = messages_.empty();
            const std::size_t room = limit_ == 0 ? count : limit_ - std::min(limit_, messages_.size());
            for (; queued < room && posted + queued < count; ++queued)
                messages_.push_back(std::move(messages[posted + queued]));
            // Full before all are in: the room signal is reset here and set by take() when it
            // makes room, both under the lock, so the wait below cannot miss room made after this.
            if (posted + queued < count) drainRoom();
        }
        posted += queued;
        if (queued > 0 && wasEmpty) wake();
        if (posted == count) break;
        const int woken = waitForAny({stop.fd(), roomFd_}, -1);
        if (woken == 0) return PostResult::Stopped;
        if (woken != 1) return PostResult::Refused;
    }
    return PostResult::Posted;
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
    if (messages_.size() + 1 == limit_) signalRoom();  // it was full: a poster may wait
    return true;
}

bool MessageQueue::empty() const {
    std::lock_guard lock(mutex_);
    return messages_.empty();
}

std::size_t MessageQueue::size() const {
    std::lock_guard lock(mutex_);
    return messages_.size();
}

void MessageQueue::close() {
    std::deque<Message> dropped;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        dropped.swap(messages_);
        signalRoom();  // a poster waiting for room sees the queue closed
    }
}

}  // namespace platform
