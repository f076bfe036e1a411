// Helpers of the serial tests: pseudo-terminal pairs, waits that keep the GUI thread's events
// flowing, and counts of the process's descriptors and threads.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace testutil {

// A pseudo-terminal pair; the test holds the master, the code under test opens the slave.
class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    int master() const { return master_; }
    const std::string& slave() const { return slave_; }
    // Writes everything, waiting for room (and processing events) as needed.
    void write(const std::string& bytes);
    // Reads until `count` bytes came or the time-out passed, processing events meanwhile.
    std::string read(std::size_t count, int timeoutMs = 10000);
    // Takes what is there without waiting.
    std::string readAvailable();
    // Pulls the device: the slave side sees a hang-up.
    void closeMaster();

private:
    int master_ = -1;
    std::string slave_;
};

// Processes Qt events until the condition holds; false after the time-out.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);
// Processes Qt events for this long (for checks that something does not happen).
void processEventsFor(int ms);

int openDescriptors();
int threadCount();
// The thread count once the threads joined so far have left /proc/self/task: join returns
// when the kernel clears the thread's id, a moment before it drops the dead thread from the
// list. Waits up to `timeoutMs` for the count to fall to `expected`; returns the count then,
// so a thread that is still running shows as one too many.
int threadCountAfterJoins(int expected, int timeoutMs = 5000);

std::string pattern(std::size_t count, std::uint32_t seed = 1);

}  // namespace testutil
