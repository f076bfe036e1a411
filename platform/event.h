// Events that several threads wait on, and a wait for any of several descriptors.
// An Event is manual-reset: once set it stays set, for every waiter, until reset.
#pragma once
#include <atomic>
#include <initializer_list>
#include <memory>

namespace platform {

class Event {
public:
    // Null when the system has no descriptor left.
    static std::unique_ptr<Event> create(bool initiallySet = false);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();
    bool isSet() const;
    // Readable while the event is set; for poll() together with other descriptors.
    int fd() const { return fd_; }

private:
    Event(int fd, bool set) : fd_(fd), set_(set) {}
    int fd_;
    std::atomic<bool> set_;  // isSet() without a system call
};

// Waits until one of the descriptors is readable. Returns its index, kWaitTimeout when
// timeoutMs (>= 0) passed first, or kWaitFailed. A negative timeout waits without limit.
constexpr int kWaitTimeout = -1;
constexpr int kWaitFailed = -2;
int waitForAny(std::initializer_list<int> fds, int timeoutMs);

}  // namespace platform
