#include "testutil.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace testutil {

Pty::Pty() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    char name[128];
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0)
        throw std::runtime_error("no pseudo-terminal");
    slave_ = name;
}

Pty::~Pty() { closeMaster(); }

void Pty::closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

void Pty::write(const std::string& bytes) {
    std::size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (done < bytes.size()) {
        ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) throw std::runtime_error("pty write failed");
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("pty write stuck");
        QCoreApplication::processEvents();
        pollfd p{master_, POLLOUT, 0};
        ::poll(&p, 1, 5);
    }
}

std::string Pty::readAvailable() {
    std::string out;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

std::string Pty::read(std::size_t count, int timeoutMs) {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < count && std::chrono::steady_clock::now() < deadline) {
        out += readAvailable();
        if (out.size() >= count) break;
        QCoreApplication::processEvents();
        pollfd p{master_, POLLIN, 0};
        ::poll(&p, 1, 5);
    }
    return out;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        QCoreApplication::processEvents();
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void processEventsFor(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

static int countEntries(const char* dir) {
    int n = 0;
    if (DIR* d = ::opendir(dir)) {
        while (dirent* e = ::readdir(d))
            if (e->d_name[0] != '.') ++n;
        ::closedir(d);
    }
    return n - (std::string(dir) == "/proc/self/fd" ? 1 : 0);  // the listing's own descriptor
}

int openDescriptors() { return countEntries("/proc/self/fd"); }

int threadCount() { return countEntries("/proc/self/task"); }

int threadCountAfterJoins(int expected, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int count = threadCount();
    while (count > expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        count = threadCount();
    }
    return count;
}

std::string pattern(std::size_t count, std::uint32_t seed) {
    std::string s(count, '\0');
    std::uint32_t x = seed;
    for (auto& c : s) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

}  // namespace testutil
