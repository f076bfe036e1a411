#include "platform/event.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace platform {

std::unique_ptr<Event> Event::create(bool initiallySet) {
    int fd = ::eventfd(initiallySet ? 1 : 0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::unique_ptr<Event>(new Event(fd, initiallySet));
}

Event::~Event() { ::close(fd_); }

void Event::set() {
    set_ = true;
    const std::uint64_t one = 1;
    // The counter cannot overflow in practice; a full counter is still "set".
    while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {}
}

void Event::reset() {
    set_ = false;
    std::uint64_t value;
    while (::read(fd_, &value, sizeof value) < 0 && errno == EINTR) {}
}

bool Event::isSet() const { return set_.load(); }

int waitForAny(std::initializer_list<int> fds, int timeoutMs) {
    std::vector<pollfd> set;
    set.reserve(fds.size());
    for (int fd : fds) set.push_back(pollfd{fd, POLLIN, 0});
    for (;;) {
        int n = ::poll(set.data(), set.size(), timeoutMs < 0 ? -1 : timeoutMs);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return kWaitFailed;
        if (n == 0) return kWaitTimeout;
        for (std::size_t i = 0; i < set.size(); ++i) {
            if (set[i].revents & POLLNVAL) return kWaitFailed;
            if (set[i].revents) return static_cast<int>(i);
        }
    }
}

}  // namespace platform
