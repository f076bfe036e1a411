#include "platform/comm.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cctype>
#include <climits>
#include <map>
#include <linux/serial.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/commtermios.h"

namespace platform {
namespace {

// ---- the COM name table ----------------------------------------------------------------------

std::string defaultDevicePath(int n) {
    if (n <= 8) return "/dev/ttyUSB" + std::to_string(n - 1);
    if (n <= 12) return "/dev/ttyACM" + std::to_string(n - 9);
    if (n <= 16) return "/dev/ttyS" + std::to_string(n - 13);
    if (n <= 24) return "/dev/ttyUSB" + std::to_string(n - 17 + 8);
    return "/dev/ttyACM" + std::to_string(n - 25 + 4);
}

struct DeviceTable {
    std::mutex mutex;
    std::array<std::string, kCommCount + 1> paths;
    DeviceTable() { restore(); }
    void restore() {
        for (int n = 1; n <= kCommCount; ++n) paths[n] = defaultDevicePath(n);
    }
};

DeviceTable& deviceTable() {
    static DeviceTable table;
    return table;
}

// Open ports by device path, for the event seam.
std::mutex registryMutex;
std::map<std::string, CommPort*>& registry() {
    static std::map<std::string, CommPort*> ports;
    return ports;
}

bool isHangupError(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE;
}

using Clock = std::chrono::steady_clock;

// Milliseconds from now to `when`, rounded up, at least 0.
int millisUntil(Clock::time_point when, Clock::time_point now) {
    if (when <= now) return 0;
    auto us = std::chrono::duration_cast<std::chrono::microseconds>(when - now).count();
    auto ms = (us + 999) / 1000;
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

constexpr int kCounterPollMs = 50;  // how often line counters are read where the driver has them

}  // namespace

int commNumber(const std::string& name) {
    // "COM1" to "COM9" name the same ports as with the device prefix; from COM10 on the
    // prefix is needed, as on the platform the names come from.
    static const std::string prefix = "\\\\.\\";
    const bool prefixed = name.compare(0, prefix.size(), prefix) == 0;
    std::size_t i = prefixed ? prefix.size() : 0;
    if (name.size() < i + 4) return 0;
    for (char c : {'C', 'O', 'M'})
        if (std::toupper(static_cast<unsigned char>(name[i++])) != c) return 0;
    const std::string digits = name.substr(i);
    if (digits.empty() || digits.size() > (prefixed ? 2u : 1u) || digits[0] == '0') return 0;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n <= kCommCount ? n : 0;
}

std::string commDevicePath(const std::string& name) {
    const int n = commNumber(name);
    if (n == 0) return {};
    auto& table = deviceTable();
    std::lock_guard lock(table.mutex);
    return table.paths[n];
}

void setCommDevicePath(int number, const std::string& path) {
    if (number < 1 || number > kCommCount) return;
    auto& table = deviceTable();
    std::lock_guard lock(table.mutex);
    table.paths[number] = path;
}

void restoreCommDevicePaths() {
    auto& table = deviceTable();
    std::lock_guard lock(table.mutex);
    table.restore();
}

// ---- CommPort --------------------------------------------------------------------------------

std::unique_ptr<CommPort> CommPort::open(const std::string& name, int* error) {
    auto fail = [error](int e) {
        if (error) *error = e;
        return nullptr;
    };
    const std::string path = commDevicePath(name);
    if (path.empty()) return fail(ENOENT);
    // Non-blocking, so that a missing carrier never holds the open.
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(errno);
    // flock keeps out a second open also within this process and for root, where TIOCEXCL
    // alone does not; TIOCEXCL keeps out programs that do not lock.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int e = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return fail(e);
    }
    const bool terminal = ::isatty(fd);
    if (terminal) ::ioctl(fd, TIOCEXCL);
    // The reader waits with epoll: unlike poll, it does not make a terminal flush its
    // pending input work synchronously on every wait, which halves a busy line's throughput.
    int wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    int epollFd = wakeFd < 0 ? -1 : ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event wake{EPOLLIN, {.u32 = 1}}, data{EPOLLIN, {.u32 = 2}};
    if (epollFd < 0 || ::epoll_ctl(epollFd, EPOLL_CTL_ADD, wakeFd, &wake) != 0 ||
        (::epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &data) != 0 && errno != EPERM)) {
        int e = errno;
        if (epollFd >= 0) ::close(epollFd);
        if (wakeFd >= 0) ::close(wakeFd);
        if (terminal) ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return fail(e);
    }
    std::unique_ptr<CommPort> port(new CommPort(fd, wakeFd, epollFd, path, terminal));
    std::lock_guard lock(registryMutex);
    registry()[path] = port.get();
    return port;
}

CommPort::CommPort(int fd, int wakeFd, int epollFd, std::string path, bool terminal)
    : fd_(fd), wakeFd_(wakeFd), epollFd_(epollFd), path_(std::move(path)), terminal_(terminal) {}

CommPort::~CommPort() {
    {
        std::lock_guard lock(registryMutex);
        auto it = registry().find(path_);
        if (it != registry().end() && it->second == this) registry().erase(it);
    }
    // The exclusive flag outlives the descriptor on a terminal whose other side stays open.
    if (terminal_) ::ioctl(fd_, TIOCNXCL);
    ::close(epollFd_);
    ::close(fd_);
    ::close(wakeFd_);
}

bool CommPort::isCharDevice() const {
    struct stat st;
    return ::fstat(fd_, &st) == 0 && S_ISCHR(st.st_mode);
}

bool CommPort::setup(std::uint32_t, std::uint32_t) {
    // The driver's queues have fixed sizes here; what matters is that this is a terminal.
    termios2 t;
    if (!readTermios(fd_, t)) return false;
    applyRawMode(t);
    if (!writeTermios(fd_, t)) return false;
    applied_ = std::make_unique<termios2>(t);
    state_ = commStateFromTermios(t, state_);
    return true;
}

bool CommPort::purge(std::uint32_t flags) {
    // Pending reads and writes are cancelled by the cancel event that every wait watches.
    bool ok = true;
    if (flags & purge::RXCLEAR) ok = ::ioctl(fd_, TCFLSH, TCIFLUSH) == 0 && ok;
    if (flags & purge::TXCLEAR) ok = ::ioctl(fd_, TCFLSH, TCOFLUSH) == 0 && ok;
    return ok;
}

bool CommPort::getState(CommState& state) const {
    termios2 t;
    if (!readTermios(fd_, t)) return false;
    state = commStateFromTermios(t, state_);
    int lines = 0;
    if (::ioctl(fd_, TIOCMGET, &lines) == 0) {
        if ((state.Flags & dcb::DtrMask) != dcb::DtrHandshake)
            state.Flags = (state.Flags & ~dcb::DtrMask) | ((lines & TIOCM_DTR) ? dcb::DtrEnable : 0);
        if ((state.Flags & dcb::RtsMask) != dcb::RtsHandshake)
            state.Flags = (state.Flags & ~dcb::RtsMask) | ((lines & TIOCM_RTS) ? dcb::RtsEnable : 0);
    }
    return true;
}

bool CommPort::setState(const CommState& state) {
    termios2 before;
    if (!readTermios(fd_, before)) return false;
    termios2 next = before;
    if (!applyCommState(next, state)) return false;
    if (!writeTermios(fd_, next)) return false;
    // A driver that cannot make the rate rounds it; take that as a refusal, like a driver
    // that refuses, and keep the previous settings.
    termios2 after;
    if (readTermios(fd_, after)) {
        const double got = baudRateOf(after), want = state.BaudRate;
        if (got < want * 0.98 || got > want * 1.02) {
            writeTermios(fd_, before);
            return false;
        }
    }
    // Modem lines; a pseudo-terminal has none, which is no error.
    const std::uint32_t dtr = state.Flags & dcb::DtrMask;
    const std::uint32_t rts = state.Flags & dcb::RtsMask;
    int bit = TIOCM_DTR;
    ::ioctl(fd_, dtr == dcb::DtrEnable ? TIOCMBIS : TIOCMBIC, &bit);
    if (rts != dcb::RtsHandshake) {
        bit = TIOCM_RTS;
        ::ioctl(fd_, rts == dcb::RtsEnable ? TIOCMBIS : TIOCMBIC, &bit);
    }
    dropNulls_ = (state.Flags & dcb::Null) != 0;
    state_ = state;
    applied_ = std::make_unique<termios2>(next);
    return true;
}

bool CommPort::getTimeouts(CommTimeouts& timeouts) const {
    std::lock_guard lock(timeoutsMutex_);
    timeouts = timeouts_;
    return true;
}

bool CommPort::setTimeouts(const CommTimeouts& timeouts) {
    std::lock_guard lock(timeoutsMutex_);
    timeouts_ = timeouts;
    return true;
}

bool CommPort::setMask(std::uint32_t events) {
    std::lock_guard lock(eventsMutex_);
    mask_ = events;
    events_ = 0;
    serial_icounter_struct c{};
    counters_ = ::ioctl(fd_, TIOCGICOUNT, &c) == 0;
    if (counters_) {
        const int now[7] = {c.dcd, c.rng, c.frame, c.parity, c.overrun, c.buf_overrun, c.brk};
        std::copy(std::begin(now), std::end(now), lastCount_);
    }
    return true;
}

std::uint32_t CommPort::clearErrors() {
    std::lock_guard lock(eventsMutex_);
    pollCounters();
    const std::uint32_t errors = errors_;
    errors_ = 0;
    events_ &= ~commev::ERR;
    return errors;
}

void CommPort::raiseEvents(std::uint32_t events, std::uint32_t errors) {
    {
        std::lock_guard lock(eventsMutex_);
        errors_ |= errors;
        if (errors) events |= commev::ERR;
        events_ |= events & mask_;
        eventsRaised_ = true;
    }
    const std::uint64_t one = 1;
    while (::write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {}
}

// Under eventsMutex_: turn changed line counters into events and error flags.
void CommPort::pollCounters() {
    if (!counters_) return;
    serial_icounter_struct c{};
    if (::ioctl(fd_, TIOCGICOUNT, &c) != 0) return;
    const int now[7] = {c.dcd, c.rng, c.frame, c.parity, c.overrun, c.buf_overrun, c.brk};
    static constexpr std::uint32_t errorBits[7] = {0, 0, commerr::FRAME, commerr::RXPARITY,
                                                   commerr::OVERRUN, commerr::RXOVER,
                                                   commerr::BREAK};
    std::uint32_t events = 0;
    if (now[0] != lastCount_[0]) events |= commev::RLSD;
    if (now[1] != lastCount_[1]) events |= commev::RING;
    for (int i = 2; i < 7; ++i) {
        if (now[i] != lastCount_[i]) {
            errors_ |= errorBits[i];
            events |= commev::ERR;
        }
    }
    std::copy(std::begin(now), std::end(now), lastCount_);
    events_ |= events & mask_;
}

std::uint32_t CommPort::takeEvents() {
    if (!counters_ && !eventsRaised_.exchange(false)) return 0;
    std::uint64_t value;
    while (::read(wakeFd_, &value, sizeof value) < 0 && errno == EINTR) {}
    std::lock_guard lock(eventsMutex_);
    pollCounters();
    const std::uint32_t events = events_ & mask_;
    events_ = 0;
    return events;
}

CommResult CommPort::wait(CommRead& r, std::uint8_t* buffer, std::uint32_t size,
                          const Event& cancel, std::uint32_t& count, std::uint32_t& events,
                          bool mayWait) {
    count = 0;
    events = 0;
    if (!r.active_) {
        r.active_ = true;
        r.have_ = 0;
        r.start_ = Clock::now();
        getTimeouts(r.timeouts_);
    }
    const CommTimeouts& t = r.timeouts_;
    const bool returnAtOnce = t.ReadIntervalTimeout == kMaxTimeout &&
                              t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0;
    const bool firstByte = t.ReadIntervalTimeout == kMaxTimeout &&
                           t.ReadTotalTimeoutMultiplier == kMaxTimeout &&
                           t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != kMaxTimeout;
    std::uint64_t totalMs = firstByte ? t.ReadTotalTimeoutConstant
                                      : std::uint64_t(t.ReadTotalTimeoutMultiplier) * size +
                                            t.ReadTotalTimeoutConstant;
    const bool hasTotal = !returnAtOnce && totalMs != 0;
    const auto totalDeadline = r.start_ + std::chrono::milliseconds(std::min<std::uint64_t>(totalMs, INT_MAX));
    const bool hasInterval = !returnAtOnce && !firstByte && t.ReadIntervalTimeout != 0;
    const auto interval = std::chrono::milliseconds(std::min<std::uint64_t>(t.ReadIntervalTimeout, INT_MAX));

    auto complete = [&] {
        count = r.have_;
        r.active_ = false;
        return CommResult::Done;
    };

    // The stop request is looked at here and after every wait, before events and data.
    if (cancel.isSet()) return CommResult::Cancelled;
    if (r.cancelFd_ != cancel.fd()) {
        if (r.cancelFd_ >= 0) ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, r.cancelFd_, nullptr);
        epoll_event stop{EPOLLIN, {.u32 = 0}};
        if (::epoll_ctl(epollFd_, EPOLL_CTL_ADD, cancel.fd(), &stop) != 0 && errno != EEXIST)
            return CommResult::Failed;
        r.cancelFd_ = cancel.fd();
    }
    for (;;) {
        events = takeEvents();
        if (events) return CommResult::Event;
        if (r.hangup_) {
            // Bytes read before the device went away are still delivered.
            if (r.have_ > 0) return complete();
            r.active_ = false;
            return CommResult::Hangup;
        }
        if (r.have_ < size) {
            ssize_t n = ::read(fd_, buffer + r.have_, size - r.have_);
            if (n > 0) {
                std::uint8_t* begin = buffer + r.have_;
                std::uint8_t* end = begin + n;
                if (dropNulls_) end = std::remove(begin, end, std::uint8_t{0});
                if (end != begin) {
                    r.have_ += static_cast<std::uint32_t>(end - begin);
                    r.last_ = Clock::now();
                }
                // A short read took all there was: wait for more rather than read again.
                if (std::uint32_t(n) == size - (begin - buffer) && r.have_ < size) continue;
            } else if (n == 0) {
                r.hangup_ = true;  // end of file: the other side is gone
                continue;
            } else {
                if (errno == EINTR) continue;
                if (errno == EBADF) return CommResult::InvalidHandle;
                if (isHangupError(errno)) {
                    r.hangup_ = true;
                    continue;
                }
                if (errno != EAGAIN) return CommResult::Failed;
            }
        }
        if (r.have_ == size || returnAtOnce || (firstByte && r.have_ > 0)) return complete();

        const auto now = Clock::now();
        int timeout = -1;
        if (hasTotal) {
            if (now >= totalDeadline) return complete();
            timeout = millisUntil(totalDeadline, now);
        }
        if (hasInterval && r.have_ > 0) {
            if (now - r.last_ >= interval) return complete();
            const int left = millisUntil(r.last_ + interval, now);
            timeout = timeout < 0 ? left : std::min(timeout, left);
        }
        if (counters_ && (mask_ & (commev::RLSD | commev::RING | commev::ERR)))
            timeout = timeout < 0 ? kCounterPollMs : std::min(timeout, kCounterPollMs);
        if (!mayWait) return CommResult::Pending;

        epoll_event ready[3];
        int n = ::epoll_wait(epollFd_, ready, 3, timeout);
        if (n < 0 && errno != EINTR) return CommResult::Failed;
        for (int i = 0; i < n; ++i)
            if (ready[i].data.u32 == 0) return CommResult::Cancelled;
        for (int i = 0; i < n; ++i) {
            if (ready[i].data.u32 == 2 && (ready[i].events & (EPOLLHUP | EPOLLERR)) &&
                !(ready[i].events & EPOLLIN))
                r.hangup_ = true;
        }
    }
}

CommResult CommPort::write(const std::uint8_t* data, std::uint32_t count, const Event& cancel,
                           std::uint32_t& written) {
    written = 0;
    CommTimeouts t;
    getTimeouts(t);
    const std::uint64_t totalMs = std::uint64_t(t.WriteTotalTimeoutMultiplier) * count +
                                  t.WriteTotalTimeoutConstant;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::min<std::uint64_t>(totalMs, INT_MAX));
    while (written < count) {
        if (cancel.isSet()) return CommResult::Cancelled;
        ssize_t n = ::write(fd_, data + written, count - written);
        if (n > 0) {
            written += static_cast<std::uint32_t>(n);
            continue;
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EBADF) return CommResult::InvalidHandle;
            if (isHangupError(errno)) return CommResult::Hangup;
            if (errno != EAGAIN) return CommResult::Failed;
        }
        int timeout = -1;
        if (totalMs != 0) {
            const auto now = Clock::now();
            if (now >= deadline) return CommResult::Done;
            timeout = millisUntil(deadline, now);
        }
        pollfd set[2] = {{cancel.fd(), POLLIN, 0}, {fd_, POLLOUT, 0}};
        int ready = ::poll(set, 2, timeout);
        if (ready < 0 && errno != EINTR) return CommResult::Failed;
        if (ready > 0 && (set[1].revents & POLLNVAL)) return CommResult::InvalidHandle;
        // POLLHUP or POLLERR: the next write reports what happened.
    }
    return CommResult::Done;
}

bool injectCommEvent(const std::string& name, std::uint32_t events, std::uint32_t errors) {
    const std::string path = commDevicePath(name);
    std::lock_guard lock(registryMutex);
    auto it = registry().find(path);
    if (path.empty() || it == registry().end()) return false;
    it->second->raiseEvents(events, errors);
    return true;
}

bool appliedTermios(const std::string& name, termios2& t) {
    const std::string path = commDevicePath(name);
    std::lock_guard lock(registryMutex);
    auto it = registry().find(path);
    if (path.empty() || it == registry().end() || !it->second->applied_) return false;
    t = *it->second->applied_;
    return true;
}

bool canOpenComm(const std::string& name) { return CommPort::open(name) != nullptr; }

}  // namespace platform
