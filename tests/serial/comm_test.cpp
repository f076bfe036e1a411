// The termios comm layer on pseudo-terminals: names, exclusive open, read time-outs,
// writes, hang-up and comm events.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

#include "platform/comm.h"
#include "platform/commtermios.h"
#include "testutil.h"

using namespace platform;
using Clock = std::chrono::steady_clock;

namespace {

long msSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

struct NameRow {
    const char* name;
    const char* path;  // "" for no COM name
};

class ComNames : public ::testing::TestWithParam<NameRow> {};

TEST_P(ComNames, MapThroughTheFixedTable) {
    EXPECT_EQ(commDevicePath(GetParam().name), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(Rows, ComNames, ::testing::Values(
    NameRow{R"(\\.\COM1)", "/dev/ttyUSB0"}, NameRow{R"(\\.\COM8)", "/dev/ttyUSB7"},
    NameRow{R"(\\.\COM9)", "/dev/ttyACM0"}, NameRow{R"(\\.\COM12)", "/dev/ttyACM3"},
    NameRow{R"(\\.\COM13)", "/dev/ttyS0"}, NameRow{R"(\\.\COM16)", "/dev/ttyS3"},
    NameRow{R"(\\.\COM17)", "/dev/ttyUSB8"}, NameRow{R"(\\.\COM24)", "/dev/ttyUSB15"},
    NameRow{R"(\\.\COM25)", "/dev/ttyACM4"}, NameRow{R"(\\.\COM32)", "/dev/ttyACM11"},
    NameRow{R"(\\.\com5)", "/dev/ttyUSB4"},
    // Without the prefix only COM1 to COM9, as on the platform the names come from.
    NameRow{"COM1", "/dev/ttyUSB0"}, NameRow{"com2", "/dev/ttyUSB1"}, NameRow{"COM9", "/dev/ttyACM0"},
    NameRow{"COM10", ""}, NameRow{"COM16", ""}, NameRow{"COM0", ""}, NameRow{"COM", ""},
    NameRow{"COM1 ", ""}, NameRow{"xCOM1", ""}, NameRow{R"(\\.\COM0)", ""},
    NameRow{R"(\\.\COM33)", ""}, NameRow{R"(\\.\COM01)", ""}, NameRow{R"(\\.\COM1x)", ""},
    NameRow{R"(\\.\COM)", ""}, NameRow{R"(\\.\LPT1)", ""}, NameRow{"", ""},
    NameRow{"/dev/ttyUSB0", ""}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST(ComNames, TestsRedirectAndRestoreTheTable) {
    setCommDevicePath(4, "/tmp/elsewhere");
    EXPECT_EQ(commDevicePath(R"(\\.\COM4)"), "/tmp/elsewhere");
    EXPECT_EQ(commDevicePath(R"(\\.\COM5)"), "/dev/ttyUSB4");
    restoreCommDevicePaths();
    EXPECT_EQ(commDevicePath(R"(\\.\COM4)"), "/dev/ttyUSB3");
    EXPECT_EQ(CommPort::open("COM14"), nullptr);  // not a COM name without the prefix: opens nothing
}

class PtyPort : public ::testing::Test {
protected:
    void SetUp() override {
        setCommDevicePath(7, pty.slave());
        port = CommPort::open(kName);
        ASSERT_TRUE(port);
        ASSERT_TRUE(port->setup(4096, 4096));
        ASSERT_TRUE(port->setState(CommState{}));
        cancel = Event::create();
    }
    void TearDown() override { restoreCommDevicePaths(); }

    void setReadTimeouts(std::uint32_t interval, std::uint32_t multiplier, std::uint32_t constant) {
        CommTimeouts t;
        t.ReadIntervalTimeout = interval;
        t.ReadTotalTimeoutMultiplier = multiplier;
        t.ReadTotalTimeoutConstant = constant;
        port->setTimeouts(t);
    }
    // One wait() for a completed read; the cancel event ends a wait that would not end.
    CommResult read(std::uint32_t& count, std::uint32_t size = 2048, int cancelAfterMs = -1) {
        std::uint32_t events = 0;
        std::thread canceller;
        if (cancelAfterMs >= 0)
            canceller = std::thread([this, cancelAfterMs] {
                std::this_thread::sleep_for(std::chrono::milliseconds(cancelAfterMs));
                cancel->set();
            });
        CommResult r = port->wait(current, buffer, size, *cancel, count, events);
        if (canceller.joinable()) canceller.join();
        cancel->reset();
        return r;
    }

    static constexpr const char* kName = R"(\\.\COM7)";
    testutil::Pty pty;
    std::unique_ptr<CommPort> port;
    std::unique_ptr<Event> cancel;
    CommRead current;
    std::uint8_t buffer[4096];
};

// The plain name and the prefixed one open one device: each keeps the other out.
TEST_F(PtyPort, PlainAndPrefixedNameOpenTheSameDevice) {
    int error = 0;
    EXPECT_EQ(CommPort::open("COM7", &error), nullptr);
    EXPECT_EQ(error, EBUSY);
    port.reset();
    auto plain = CommPort::open("COM7");
    ASSERT_TRUE(plain);
    ASSERT_TRUE(plain->setup(4096, 4096));
    EXPECT_EQ(plain->devicePath(), pty.slave());
    EXPECT_FALSE(canOpenComm(kName));
    std::uint32_t written = 0;
    ASSERT_EQ(plain->write(reinterpret_cast<const std::uint8_t*>("hi"), 2, *cancel, written), CommResult::Done);
    EXPECT_EQ(pty.read(2), "hi");
}

TEST_F(PtyPort, OpenIsExclusiveWithinTheProcessAndAgainFreeAfterClose) {
    int error = 0;
    EXPECT_EQ(CommPort::open(kName, &error), nullptr);
    EXPECT_EQ(error, EBUSY);
    EXPECT_FALSE(canOpenComm(kName));
    port.reset();
    EXPECT_TRUE(canOpenComm(kName));
    // The exclusive flag does not stay behind on the terminal.
    int fd = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    int exclusive = 1;
    ASSERT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    ::close(fd);
}

TEST(CommDevices, FilesThatAreNoTerminalFailTheirChecks) {
    char path[] = "/tmp/commfileXXXXXX";
    int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    setCommDevicePath(1, path);
    auto file = CommPort::open(R"(\\.\COM1)");
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->isCharDevice());
    file.reset();
    ::unlink(path);

    setCommDevicePath(1, "/dev/null");
    auto null = CommPort::open(R"(\\.\COM1)");
    ASSERT_TRUE(null);
    EXPECT_TRUE(null->isCharDevice());
    EXPECT_FALSE(null->setup(4096, 4096));

    setCommDevicePath(1, "/dev/no-such-device");
    int error = 0;
    EXPECT_EQ(CommPort::open(R"(\\.\COM1)", &error), nullptr);
    EXPECT_EQ(error, ENOENT);
    restoreCommDevicePaths();
}

TEST_F(PtyPort, IntervalTimeoutWaitsForTheFirstByteThenEndsAfterAGap) {
    setReadTimeouts(100, 0, 0);
    std::uint32_t count = 0;
    EXPECT_EQ(read(count, 2048, 300), CommResult::Cancelled);  // no byte: no completion
    pty.write("ab");
    auto start = Clock::now();
    ASSERT_EQ(read(count), CommResult::Done);
    EXPECT_EQ(count, 2u);
    EXPECT_GE(msSince(start), 90);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 2), "ab");
}

TEST_F(PtyPort, ReadCompletesWhenTheBufferIsFull) {
    setReadTimeouts(100, 0, 0);
    const std::string data = testutil::pattern(3000);
    pty.write(data);
    std::uint32_t count = 0;
    ASSERT_EQ(read(count), CommResult::Done);
    ASSERT_EQ(count, 2048u);
    std::string got(reinterpret_cast<char*>(buffer), count);
    ASSERT_EQ(read(count), CommResult::Done);
    ASSERT_EQ(count, 952u);
    got.append(reinterpret_cast<char*>(buffer), count);
    EXPECT_EQ(got, data);
}

// A caller that has work of its own asks not to wait: the read stops where it would wait and
// goes on from there at the next call.
TEST_F(PtyPort, WithoutMayWaitAReadStopsWhereItWouldWaitAndGoesOnAfter) {
    setReadTimeouts(100, 0, 3000);  // the total time-out only ends a read that waits wrongly
    std::uint32_t count = 99, events = 0;
    auto start = Clock::now();
    EXPECT_EQ(port->wait(current, buffer, 2048, *cancel, count, events, false), CommResult::Pending);
    EXPECT_EQ(count, 0u);
    EXPECT_LT(msSince(start), 50) << "nothing there, and it returned at once";

    const std::string data = testutil::pattern(3000);
    pty.write(data);
    CommResult r;
    start = Clock::now();
    while ((r = port->wait(current, buffer, 2048, *cancel, count, events, false)) == CommResult::Pending &&
           msSince(start) < 5000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(r, CommResult::Done);  // a full buffer does not wait for the interval
    ASSERT_EQ(count, 2048u);
    std::string got(reinterpret_cast<char*>(buffer), count);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the other 952 bytes arrive
    EXPECT_EQ(port->wait(current, buffer, 2048, *cancel, count, events, false), CommResult::Pending);
    EXPECT_TRUE(current.active());
    pty.write("xyz");
    ASSERT_EQ(read(count), CommResult::Done);
    ASSERT_EQ(count, 955u);
    got.append(reinterpret_cast<char*>(buffer), count);
    EXPECT_EQ(got, data + "xyz");
}

TEST_F(PtyPort, TotalTimeoutCanCompleteWithZeroBytes) {
    setReadTimeouts(0, 0, 50);
    std::uint32_t count = 99;
    auto start = Clock::now();
    ASSERT_EQ(read(count), CommResult::Done);
    EXPECT_EQ(count, 0u);
    EXPECT_GE(msSince(start), 45);
}

TEST_F(PtyPort, MaximalIntervalAloneReturnsAtOnceWithWhatIsThere) {
    setReadTimeouts(kMaxTimeout, 0, 0);
    std::uint32_t count = 99;
    auto start = Clock::now();
    ASSERT_EQ(read(count), CommResult::Done);
    EXPECT_EQ(count, 0u);
    EXPECT_LT(msSince(start), 1000);
    pty.write("xyz");
    ASSERT_TRUE(testutil::waitUntil([&] {
        int n = 0;
        return ::ioctl(port->fd(), FIONREAD, &n) == 0 && n == 3;
    }));
    ASSERT_EQ(read(count), CommResult::Done);
    EXPECT_EQ(count, 3u);
}

TEST_F(PtyPort, FirstByteModeWaitsUpToTheConstantAndReturnsOnTheFirstBytes) {
    setReadTimeouts(kMaxTimeout, kMaxTimeout, 200);
    std::uint32_t count = 99;
    auto start = Clock::now();
    ASSERT_EQ(read(count), CommResult::Done);
    EXPECT_EQ(count, 0u);
    EXPECT_GE(msSince(start), 190);
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pty.write("q");
    });
    ASSERT_EQ(read(count), CommResult::Done);
    later.join();
    EXPECT_EQ(count, 1u);
}

TEST_F(PtyPort, DropsZeroBytesWhenAsked) {
    CommState s;
    s.Flags |= dcb::Null;
    ASSERT_TRUE(port->setState(s));
    setReadTimeouts(100, 0, 0);
    pty.write(std::string("a\0b\0\0c", 6));
    std::uint32_t count = 0;
    ASSERT_EQ(read(count), CommResult::Done);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), count), "abc");
}

TEST_F(PtyPort, PulledDeviceEndsTheWaitWithHangup) {
    setReadTimeouts(100, 0, 0);
    std::uint32_t count = 0;
    std::thread pull([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pty.closeMaster();
    });
    auto start = Clock::now();
    CommResult r = read(count);
    pull.join();
    EXPECT_EQ(r, CommResult::Hangup);
    EXPECT_LT(msSince(start), 5000);
    EXPECT_EQ(read(count), CommResult::Hangup);  // and again, without blocking
    std::uint32_t written = 0;
    EXPECT_EQ(port->write(reinterpret_cast<const std::uint8_t*>("x"), 1, *cancel, written), CommResult::Hangup);
}

TEST_F(PtyPort, StuckWriteEndsOnCancelOrAfterItsTimeout) {
    const std::string data = testutil::pattern(1 << 20);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
    std::uint32_t written = 0;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        cancel->set();
    });
    EXPECT_EQ(port->write(bytes, data.size(), *cancel, written), CommResult::Cancelled);
    canceller.join();
    cancel->reset();
    EXPECT_LT(written, data.size());

    CommTimeouts t;
    t.WriteTotalTimeoutConstant = 50;
    port->setTimeouts(t);
    auto start = Clock::now();
    EXPECT_EQ(port->write(bytes, data.size(), *cancel, written), CommResult::Done);
    EXPECT_LT(written, data.size());  // the line is full
    EXPECT_GE(msSince(start), 45);
}

TEST_F(PtyPort, RaisedEventsWithinTheMaskWakeTheWait) {
    port->setMask(commev::RLSD | commev::ERR | commev::RING);
    setReadTimeouts(0, 0, 100);
    std::uint32_t count = 0, events = 0;
    ASSERT_TRUE(injectCommEvent(kName, commev::RLSD | commev::RING, 0));
    ASSERT_EQ(port->wait(current, buffer, 2048, *cancel, count, events), CommResult::Event);
    EXPECT_EQ(events, commev::RLSD | commev::RING);

    ASSERT_TRUE(injectCommEvent(kName, 0, commerr::FRAME | commerr::OVERRUN));
    ASSERT_EQ(port->wait(current, buffer, 2048, *cancel, count, events), CommResult::Event);
    EXPECT_EQ(events, commev::ERR);
    EXPECT_EQ(port->clearErrors(), commerr::FRAME | commerr::OVERRUN);
    EXPECT_EQ(port->clearErrors(), 0u);

    // An event outside the mask is not reported; the read in progress runs to its time-out.
    ASSERT_TRUE(injectCommEvent(kName, 0x0001, 0));
    ASSERT_EQ(port->wait(current, buffer, 2048, *cancel, count, events), CommResult::Done);
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(injectCommEvent(R"(\\.\COM9)", commev::RING, 0));  // nothing open there
}

TEST_F(PtyPort, CancelWinsOverPendingEventsAndData) {
    port->setMask(commev::RING);
    pty.write("abc");
    injectCommEvent(kName, commev::RING, 0);
    cancel->set();
    std::uint32_t count = 0, events = 0;
    EXPECT_EQ(port->wait(current, buffer, 2048, *cancel, count, events), CommResult::Cancelled);
}

TEST_F(PtyPort, RefusedSettingKeepsTheLineAsItWas) {
    CommState s;
    s.BaudRate = 19200;
    s.StopBits = 2;
    ASSERT_TRUE(port->setState(s));
    termios2 before;
    ASSERT_TRUE(readTermios(pty.master(), before));
    s.StopBits = 1;
    s.BaudRate = 57600;
    EXPECT_FALSE(port->setState(s));
    termios2 after;
    ASSERT_TRUE(readTermios(pty.master(), after));
    EXPECT_EQ(baudRateOf(after), 19200u);
    EXPECT_TRUE(after.c_cflag & CSTOPB);
    CommState back;
    ASSERT_TRUE(port->getState(back));
    EXPECT_EQ(back.BaudRate, 19200u);
    EXPECT_EQ(back.StopBits, 2);
}

TEST_F(PtyPort, PurgeDiscardsReceivedBytes) {
    pty.write("stale");
    ASSERT_TRUE(testutil::waitUntil([&] {
        int n = 0;
        return ::ioctl(port->fd(), FIONREAD, &n) == 0 && n == 5;
    }));
    EXPECT_TRUE(port->purge(purge::RXABORT | purge::RXCLEAR));
    int n = -1;
    ASSERT_EQ(::ioctl(port->fd(), FIONREAD, &n), 0);
    EXPECT_EQ(n, 0);
}

}  // namespace
