// Serial ports on termios, in the shape the serial component expects of a Windows COM port:
// Windows-style names, exclusive open, DCB-like line settings, COMMTIMEOUTS-like read and
// write time-outs, purge, comm events (line errors, carrier and ring changes) and error flags.
//
// Threads: a CommPort is opened, set up, configured and closed by one owning thread. While it
// is open, one reading thread may call wait() and clearErrors(), and one writing thread
// write(); setState(), setTimeouts() and purge() may run meanwhile on the owning thread.
#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <atomic>
#include <string>

#include "platform/event.h"

struct termios2;

namespace platform {

// ---- COM names -----------------------------------------------------------------------------
// "\\.\COM1" to "\\.\COM32" ("COM" in any case) stand for device files by a fixed table;
// "COM1" to "COM9" without the prefix stand for the same ones as with it:
// COM1-8 /dev/ttyUSB0-7, COM9-12 /dev/ttyACM0-3, COM13-16 /dev/ttyS0-3,
// COM17-24 /dev/ttyUSB8-15, COM25-32 /dev/ttyACM4-11. Any other name stands for nothing.
constexpr int kCommCount = 32;
int commNumber(const std::string& name);                 // 1..32, or 0 for no COM name
std::string commDevicePath(const std::string& name);     // "" for no COM name
// Test seam: point COM `number` at another device file (a pseudo-terminal); and back.
void setCommDevicePath(int number, const std::string& path);
void restoreCommDevicePaths();

// ---- Settings --------------------------------------------------------------------------------
// Flags word of the line settings, bit for bit as the component builds it.
namespace dcb {
constexpr std::uint32_t Binary = 0x0001;
constexpr std::uint32_t Parity = 0x0002;          // check parity of received bytes
constexpr std::uint32_t OutxCtsFlow = 0x0004;
constexpr std::uint32_t OutxDsrFlow = 0x0008;
constexpr std::uint32_t DtrMask = 0x0030;         // DTR control, 2 bits
constexpr std::uint32_t DtrDisable = 0x0000;
constexpr std::uint32_t DtrEnable = 0x0010;
constexpr std::uint32_t DtrHandshake = 0x0020;
constexpr std::uint32_t DsrSensitivity = 0x0040;
constexpr std::uint32_t TxContinueOnXoff = 0x0080;
constexpr std::uint32_t OutX = 0x0100;            // XON/XOFF on output
constexpr std::uint32_t InX = 0x0200;             // XON/XOFF on input
constexpr std::uint32_t ErrorChar = 0x0400;       // replace bytes with parity errors
constexpr std::uint32_t Null = 0x0800;            // drop received zero bytes
constexpr std::uint32_t RtsMask = 0x3000;         // RTS control, 2 bits
constexpr std::uint32_t RtsDisable = 0x0000;
constexpr std::uint32_t RtsEnable = 0x1000;
constexpr std::uint32_t RtsHandshake = 0x2000;
constexpr std::uint32_t RtsToggle = 0x3000;
}  // namespace dcb

struct CommState {
    std::uint32_t BaudRate = 9600;
    std::uint32_t Flags = dcb::Binary | dcb::DtrEnable | dcb::RtsEnable;
    std::uint16_t XonLim = 2048;
    std::uint16_t XoffLim = 512;
    std::uint8_t ByteSize = 8;    // 5..8
    std::uint8_t Parity = 0;      // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t StopBits = 0;    // 0 one, 1 one and a half, 2 two
    char XonChar = 17;
    char XoffChar = 19;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
};

// Milliseconds. kMaxTimeout in ReadIntervalTimeout alone: a read returns at once with what
// has arrived; together with kMaxTimeout as multiplier and a constant: it waits up to the
// constant for a first byte and returns as soon as there is one.
constexpr std::uint32_t kMaxTimeout = 0xFFFFFFFF;
struct CommTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};

// Comm events, error flags and purge flags.
namespace commev {
constexpr std::uint32_t RLSD = 0x0020;   // carrier detect changed
constexpr std::uint32_t ERR = 0x0080;    // line error
constexpr std::uint32_t RING = 0x0100;   // ring indicator
}  // namespace commev
namespace commerr {
constexpr std::uint32_t RXOVER = 0x0001;
constexpr std::uint32_t OVERRUN = 0x0002;
constexpr std::uint32_t RXPARITY = 0x0004;
constexpr std::uint32_t FRAME = 0x0008;
constexpr std::uint32_t BREAK = 0x0010;
}  // namespace commerr
namespace purge {
constexpr std::uint32_t TXABORT = 0x0001;
constexpr std::uint32_t RXABORT = 0x0002;
constexpr std::uint32_t TXCLEAR = 0x0004;
constexpr std::uint32_t RXCLEAR = 0x0008;
}  // namespace purge

// ---- I/O -------------------------------------------------------------------------------------
enum class CommResult {
    Done,           // the read or write completed (possibly with fewer bytes, after a time-out)
    Event,          // a comm event is pending (wait() only); a read in progress goes on
    Pending,        // the read would have to wait (wait() without mayWait); it goes on
    Cancelled,      // the cancel event was set
    Hangup,         // the device went away (EIO, POLLHUP, end of file)
    Failed,         // any other failure
    InvalidHandle,  // the descriptor is no longer open
};

// A read in progress, owned by the reading thread; it survives a wait() that returns Event.
// One CommRead serves one port and one cancel event.
class CommRead {
public:
    bool active() const { return active_; }

private:
    friend class CommPort;
    using Clock = std::chrono::steady_clock;
    bool active_ = false;
    bool hangup_ = false;
    int cancelFd_ = -1;  // the cancel event in the port's wait set
    std::uint32_t have_ = 0;
    Clock::time_point start_, last_;
    CommTimeouts timeouts_;
};

class CommPort {
public:
    // Opens the device of a COM name exclusively (a second open fails, within one process
    // and for root too), without waiting for a carrier. Null on failure, errno in *error.
    static std::unique_ptr<CommPort> open(const std::string& name, int* error = nullptr);
    ~CommPort();
    CommPort(const CommPort&) = delete;
    CommPort& operator=(const CommPort&) = delete;

    const std::string& devicePath() const { return path_; }
    int fd() const { return fd_; }

    bool isCharDevice() const;
    // Buffer set-up: fails when the device is no terminal. Puts the line into raw mode.
    bool setup(std::uint32_t inQueue, std::uint32_t outQueue);
    bool purge(std::uint32_t flags);

    bool getState(CommState& state) const;
    // A setting the device cannot do is refused: false, and the line keeps its settings.
    bool setState(const CommState& state);
    bool getTimeouts(CommTimeouts& timeouts) const;
    bool setTimeouts(const CommTimeouts& timeouts);

    bool setMask(std::uint32_t events);
    std::uint32_t mask() const { return mask_.load(); }
    // Returns and clears the error flags gathered since the last call.
    std::uint32_t clearErrors();

    // Reads into buffer[0..size) honouring the time-outs, or reports a pending comm event.
    // Done gives count (0 after a total time-out); Event gives the events within the mask.
    // Wakes at once for `cancel`; a stop request wins over events, events over data.
    // Without mayWait it returns Pending where it would wait for the line: the caller can do
    // what it held back and call again to go on with the same read.
    CommResult wait(CommRead& read, std::uint8_t* buffer, std::uint32_t size,
                    const Event& cancel, std::uint32_t& count, std::uint32_t& events,
                    bool mayWait = true);
    // Writes honouring the write time-outs; Done gives the count written (less after a time-out).
    CommResult write(const std::uint8_t* data, std::uint32_t count, const Event& cancel,
                     std::uint32_t& written);

    // What a driver would report; used by the test seam below.
    void raiseEvents(std::uint32_t events, std::uint32_t errors);

private:
    CommPort(int fd, int wakeFd, int epollFd, std::string path, bool terminal);
    std::uint32_t takeEvents();
    void pollCounters();

    const int fd_;
    const int wakeFd_;         // readable while raised events wait
    const int epollFd_;        // the reader's wait set: cancel event, wakeFd_, fd_
    const std::string path_;
    const bool terminal_;

    mutable std::mutex timeoutsMutex_;
    CommTimeouts timeouts_;
    CommState state_;          // last accepted line settings (owning thread only)
    std::unique_ptr<termios2> applied_;  // the termios last written (owning thread only)
    friend bool appliedTermios(const std::string& name, termios2& t);
    std::atomic<bool> dropNulls_{false};
    std::atomic<std::uint32_t> mask_{0};

    std::mutex eventsMutex_;
    std::atomic<bool> eventsRaised_{false};  // spares the reader a look while nothing was raised
    std::uint32_t events_ = 0;
    std::uint32_t errors_ = 0;
    bool counters_ = false;    // the driver keeps line counters (TIOCGICOUNT)
    int lastCount_[7] = {};    // dcd, rng, frame, parity, overrun, buffer overrun, break
};

// Test seam: raise comm events and error flags on the open port of a COM name, as a driver
// would (pseudo-terminals have no line errors and no modem lines). False when none is open.
bool injectCommEvent(const std::string& name, std::uint32_t events, std::uint32_t errors);

// The port probe: can the device of this COM name be opened exclusively right now?
bool canOpenComm(const std::string& name);

}  // namespace platform
