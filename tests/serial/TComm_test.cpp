// TComm on pseudo-terminals with its real threads; every event observed on the GUI thread.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/comm.h"
#include "platform/commtermios.h"
#include "serial/TComm.h"
#include "serial/TCommTesting.h"
#include "testutil.h"

using testutil::Pty;
using testutil::processEventsFor;
using testutil::waitUntil;

using namespace std::string_literals;

namespace {

const QString kCom3 = QStringLiteral("\\\\.\\COM3");
const std::string kCom3Name = R"(\\.\COM3)";

// What the handlers saw, in the order they saw it.
struct Recorder {
    std::string received;
    std::vector<std::size_t> chunks;
    bool terminated = true;  // every buffer was followed by a 0 byte
    int errorsSeen = 0;
    std::vector<std::uint32_t> errors, modem;
    int hangups = 0, empties = 0;
    QObject* sender = nullptr;

    void attach(TComm& comm) {
        comm.OnReceiveData = [this](QObject* s, const void* buffer, std::uint16_t length) {
            sender = s;
            const char* bytes = static_cast<const char*>(buffer);
            received.append(bytes, length);
            chunks.push_back(length);
            if (bytes[length] != 0) terminated = false;
        };
        comm.OnReceiveError = [this](QObject* s, std::uint32_t mask) { sender = s; errors.push_back(mask); };
        comm.OnModemStateChange = [this](QObject* s, std::uint32_t bits) { sender = s; modem.push_back(bits); };
        comm.OnRequestHangup = [this](QObject* s) { sender = s; ++hangups; };
        comm.OnSendDataEmpty = [this](QObject* s) { sender = s; ++empties; };
    }
};

// The main window's settings of its port.
void mainWindowSettings(TComm& comm) {
    comm.setParityCheck(true);
    comm.setTxContinueOnXoff(false);
    comm.setOutx_XonXoffFlow(false);
    comm.setInx_XonXoffFlow(false);
}

termios2 lineOf(const Pty& pty) {
    termios2 t{};
    EXPECT_TRUE(platform::readTermios(pty.master(), t));
    return t;
}

// What the port last wrote to the line (a pseudo-terminal shows 8 data bits, no parity bit).
termios2 sent() {
    termios2 t{};
    EXPECT_TRUE(platform::appliedTermios(kCom3Name, t));
    return t;
}

class CommTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setCommDevicePath(3, pty.slave());
        comm.setCommName(kCom3);
        mainWindowSettings(comm);
        seen.attach(comm);
    }
    void TearDown() override {
        comm.ClosePort();
        platform::restoreCommDevicePaths();
    }
    void open() {
        ASSERT_NO_THROW(comm.OpenPort());
        ASSERT_TRUE(waitUntil([&] { return seen.empties == 1; })) << "no notice after the open";
    }

public:
    Pty pty;
    TComm comm{nullptr};
    Recorder seen;
};

// The form's plain "COM1".."COM9" open the port of the prefixed name, and each keeps the other out.
TEST_F(CommTest, PlainComNameOpensThePortOfThePrefixedName) {
    comm.setCommName(QStringLiteral("COM3"));
    open();
    ASSERT_TRUE(comm.WriteData("plain", 5));
    EXPECT_EQ(pty.read(5), "plain");
    TComm other(nullptr);
    other.setCommName(kCom3);
    EXPECT_THROW(other.OpenPort(), ECommsError);
}

TEST_F(CommTest, ExchangesBytesBothWaysAndRaisesEveryEventOnTheGuiThread) {
    const auto gui = std::this_thread::get_id();
    bool offThread = false;
    auto check = [&] { if (std::this_thread::get_id() != gui) offThread = true; };
    comm.OnReceiveData = [&, inner = comm.OnReceiveData](QObject* s, const void* b, std::uint16_t n) { check(); inner(s, b, n); };
    comm.OnSendDataEmpty = [&, inner = comm.OnSendDataEmpty](QObject* s) { check(); inner(s); };
    comm.OnRequestHangup = [&, inner = comm.OnRequestHangup](QObject* s) { check(); inner(s); };
    open();

    ASSERT_TRUE(comm.WriteData("hello\r\n", 7));
    EXPECT_EQ(pty.read(7), "hello\r\n");
    ASSERT_TRUE(waitUntil([&] { return seen.empties == 2; }));

    pty.write("\x02\x00\x01\x83\x82\x03"s);
    ASSERT_TRUE(waitUntil([&] { return seen.received.size() == 6; }));
    EXPECT_EQ(seen.received, "\x02\x00\x01\x83\x82\x03"s);
    EXPECT_EQ(seen.chunks.size(), 1u);

    ASSERT_TRUE(platform::injectCommEvent(kCom3Name, 0, platform::commerr::FRAME));
    ASSERT_TRUE(waitUntil([&] { return seen.errors.size() == 1; }));
    EXPECT_EQ(seen.errors[0], 8u);
    ASSERT_TRUE(platform::injectCommEvent(kCom3Name, platform::commev::RLSD, 0));
    ASSERT_TRUE(waitUntil([&] { return seen.modem.size() == 1; }));
    EXPECT_EQ(seen.modem[0], 8u);

    pty.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return seen.hangups == 1; }));
    EXPECT_EQ(seen.sender, &comm);
    EXPECT_FALSE(offThread);
}

struct BurstRow {
    const char* name;
    std::vector<std::size_t> bursts;  // sizes, written with `gapMs` between them
    int gapMs;
    std::vector<std::size_t> events;  // expected OnReceiveData lengths
};

void PrintTo(const BurstRow& row, std::ostream* os) { *os << row.name; }

class Bursts : public CommTest, public ::testing::WithParamInterface<BurstRow> {};

TEST_P(Bursts, ArriveAsOneEventPerCompletedRead) {
    // A wide interval keeps the rows stable on a loaded machine.
    comm.setReadIntervalTimeout(400);
    open();
    const auto& row = GetParam();
    std::string sent;
    std::size_t total = 0;
    for (std::size_t i = 0; i < row.bursts.size(); ++i) {
        if (i > 0) processEventsFor(row.gapMs);
        std::string burst = testutil::pattern(row.bursts[i], static_cast<std::uint32_t>(i + 7));
        pty.write(burst);
        sent += burst;
        total += burst.size();
    }
    ASSERT_TRUE(waitUntil([&] { return seen.received.size() >= total; }));
    processEventsFor(600);  // nothing more may come
    EXPECT_EQ(seen.received, sent);
    EXPECT_EQ(seen.chunks, row.events);
    EXPECT_TRUE(seen.terminated);
}

INSTANTIATE_TEST_SUITE_P(Rows, Bursts, ::testing::Values(
    BurstRow{"GapUnderInterval", {10, 10}, 40, {20}},
    BurstRow{"GapOverInterval", {10, 10}, 1200, {10, 10}},
    BurstRow{"LongRunInPiecesOf2048", {5000}, 0, {2048, 2048, 904}},
    BurstRow{"Exactly2048", {2048}, 0, {2048}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommTest, SendDataEmptyFiresOnceAfterEachOpenEvenIfNothingIsSent) {
    open();
    processEventsFor(200);
    EXPECT_EQ(seen.empties, 1);
    EXPECT_TRUE(comm.isSendQueueEmpty());
    comm.ClosePort();
    comm.OpenPort();
    ASSERT_TRUE(waitUntil([&] { return seen.empties == 2; }));
    processEventsFor(200);
    EXPECT_EQ(seen.empties, 2);
}

TEST_F(CommTest, QueuedWritesGoOutInOrderWithOneNoticeAfterTheLast) {
    open();
    // The first block fills the line, so the other two wait in the queue behind it.
    const std::string a = testutil::pattern(65535, 1), b = testutil::pattern(65535, 2), c = "end";
    ASSERT_TRUE(comm.WriteData(a.data(), a.size()));
    ASSERT_TRUE(comm.WriteData(b.data(), b.size()));
    ASSERT_TRUE(comm.WriteData(c.data(), c.size()));
    EXPECT_FALSE(comm.isSendQueueEmpty());
    EXPECT_EQ(pty.read(a.size() + b.size() + c.size()), a + b + c);
    ASSERT_TRUE(waitUntil([&] { return seen.empties == 2; }));
    processEventsFor(200);
    EXPECT_EQ(seen.empties, 2);
    EXPECT_TRUE(comm.isSendQueueEmpty());
}

TEST_F(CommTest, WriteDataRefusesAClosedPortAndZeroBytes) {
    EXPECT_FALSE(comm.WriteData("x", 1));
    comm.ClosePort();  // closed: nothing happens
    open();
    EXPECT_FALSE(comm.WriteData("x", 0));
    EXPECT_TRUE(comm.isSendQueueEmpty());
    comm.ClosePort();
    EXPECT_FALSE(comm.WriteData("x", 1));
    EXPECT_TRUE(comm.isSendQueueEmpty());
}

// ---- opening failures ---------------------------------------------------------------------

struct OpenRow {
    const char* name;
    std::function<void(CommTest&)> arrange;
    const char* message;
};

void PrintTo(const OpenRow& row, std::ostream* os) { *os << row.name; }

class OpenFailures : public CommTest, public ::testing::WithParamInterface<OpenRow> {
protected:
    void TearDown() override {
        other.reset();
        if (!scratch.empty()) ::unlink(scratch.c_str());
        CommTest::TearDown();
    }

public:
    std::unique_ptr<TComm> other;
    std::string scratch;
};

TEST_P(OpenFailures, RaiseTheirMessageAndLeaveThePortOpenableAgain) {
    const int fdsBefore = testutil::openDescriptors();
    const int threadsBefore = testutil::threadCount();
    GetParam().arrange(*this);
    try {
        comm.OpenPort();
        FAIL() << "opened";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), GetParam().message);
    }
    other.reset();
    EXPECT_EQ(testutil::threadCountAfterJoins(threadsBefore), threadsBefore);
    EXPECT_EQ(testutil::openDescriptors(), fdsBefore);
    // A failed step leaves nothing behind: the right port opens and works.
    platform::setCommDevicePath(3, pty.slave());
    comm.setCommName(kCom3);
    ASSERT_NO_THROW(comm.OpenPort());
    ASSERT_TRUE(comm.WriteData("ok", 2));
    EXPECT_EQ(pty.read(2), "ok");
}

INSTANTIATE_TEST_SUITE_P(Rows, OpenFailures, ::testing::Values(
    OpenRow{"NoComName", [](CommTest& t) { t.comm.setCommName("COM10"); },
            "the com is not exist!..."},
    OpenRow{"ComNumberOutOfTable", [](CommTest& t) { t.comm.setCommName("\\\\.\\COM33"); },
            "the com is not exist!..."},
    OpenRow{"NoSuchDevice", [](CommTest&) { platform::setCommDevicePath(3, "/dev/no-such-tty"); },
            "the com is not exist!..."},
    OpenRow{"HeldByAnotherComponent",
            [](CommTest& t) {
                auto& f = static_cast<OpenFailures&>(t);
                f.other = std::make_unique<TComm>(nullptr);
                f.other->setCommName(kCom3);
                f.other->OpenPort();
            },
            "the com is not exist!..."},
    OpenRow{"RegularFile",
            [](CommTest& t) {
                auto& f = static_cast<OpenFailures&>(t);
                char path[] = "/tmp/notacommXXXXXX";
                int fd = ::mkstemp(path);
                ::close(fd);
                f.scratch = path;
                platform::setCommDevicePath(3, path);
            },
            "File handle is not a comm handle "},
    OpenRow{"CharacterDeviceThatIsNoTerminal", [](CommTest&) { platform::setCommDevicePath(3, "/dev/null"); },
            "Cannot setup comm buffer"},
    OpenRow{"NoEvent", [](CommTest&) { TCommTesting::failNextOpen(TCommTesting::OpenFault::CreateEvent); },
            "Unable to create event"},
    OpenRow{"NoReadThread", [](CommTest&) { TCommTesting::failNextOpen(TCommTesting::OpenFault::CreateReadThread); },
            "Unable to create read thread"},
    OpenRow{"NoWriteThread", [](CommTest&) { TCommTesting::failNextOpen(TCommTesting::OpenFault::CreateWriteThread); },
            "Unable to create write thread"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommTest, OpeningAnOpenPortRaisesAndLeavesItWorking) {
    comm.setBaudRate(19200);
    open();
    try {
        comm.OpenPort();
        FAIL() << "opened twice";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), "This serial port already opened");
    }
    EXPECT_EQ(platform::baudRateOf(lineOf(pty)), 19200u);
    pty.write("still");
    ASSERT_TRUE(waitUntil([&] { return seen.received == "still"; }));
    ASSERT_TRUE(comm.WriteData("here", 4));
    EXPECT_EQ(pty.read(4), "here");
    EXPECT_FALSE(platform::canOpenComm(kCom3Name));
    comm.ClosePort();
    EXPECT_TRUE(platform::canOpenComm(kCom3Name));
}

// ---- settings on an open port ---------------------------------------------------------------

TEST_F(CommTest, SettersOnAnOpenPortReapplyTheWholeLineOnlyOnChange) {
    open();
    termios2 t = lineOf(pty);
    EXPECT_EQ(platform::baudRateOf(t), 9600u);

    // Someone else changes the line: the same value does nothing, so it stays changed.
    platform::applyBaudRate(t, 4800);
    ASSERT_TRUE(platform::writeTermios(pty.master(), t));
    comm.setBaudRate(9600);
    comm.setByteSize(TByteSize::_8);
    comm.setReadIntervalTimeout(100);
    EXPECT_EQ(platform::baudRateOf(lineOf(pty)), 4800u);

    // Parity is only stored; the next change of another line property sends everything.
    comm.setParity(TParity::Even);
    EXPECT_FALSE(sent().c_cflag & PARENB);
    comm.setTxContinueOnXoff(true);
    EXPECT_EQ(platform::baudRateOf(lineOf(pty)), 9600u);
    EXPECT_EQ(sent().c_cflag & (PARENB | PARODD), tcflag_t(PARENB));

    comm.setByteSize(TByteSize::_5);
    EXPECT_EQ(sent().c_cflag & CSIZE, tcflag_t(CS5));
    EXPECT_TRUE(lineOf(pty).c_cflag & HUPCL);
    comm.setDtrControl(TDtrControl::DtrDisable);
    EXPECT_FALSE(lineOf(pty).c_cflag & HUPCL);
    comm.setStopBits(TStopBits::_2);
    EXPECT_TRUE(lineOf(pty).c_cflag & CSTOPB);
    comm.setBaudRate(250000);
    EXPECT_EQ(platform::baudRateOf(lineOf(pty)), 250000u);
    comm.setOutx_XonXoffFlow(true);
    comm.setXonChar('Q');
    t = lineOf(pty);
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_FALSE(t.c_iflag & IXOFF);
    EXPECT_EQ(t.c_cc[VSTART], 'Q');
    comm.setOutx_CtsFlow(true);
    EXPECT_TRUE(lineOf(pty).c_cflag & CRTSCTS);

    // A stored Parity reaches the line at the next open.
    comm.ClosePort();
    comm.setParity(TParity::Odd);
    comm.OpenPort();
    EXPECT_EQ(sent().c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB | PARODD));
    EXPECT_EQ(lineOf(pty).c_cflag & PARODD, tcflag_t(PARODD));
}

TEST_F(CommTest, RefusedSettingKeepsThePreviousLineWithoutAnError) {
    comm.setStopBits(TStopBits::_2);
    open();
    ASSERT_TRUE(lineOf(pty).c_cflag & CSTOPB);
    EXPECT_NO_THROW(comm.setStopBits(TStopBits::_1_5));
    EXPECT_NO_THROW(comm.setBaudRate(38400));  // refused too while 1.5 stop bits are stored
    termios2 t = lineOf(pty);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_EQ(platform::baudRateOf(t), 9600u);
    pty.write("fine");
    ASSERT_TRUE(waitUntil([&] { return seen.received == "fine"; }));
    comm.setStopBits(TStopBits::_1);
    t = lineOf(pty);
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    EXPECT_EQ(platform::baudRateOf(t), 38400u);
}

TEST_F(CommTest, IgnoreNullCharDropsReceivedZeroBytes) {
    open();
    comm.setIgnoreNullChar(true);
    pty.write(std::string("\0a\0\0b", 5));
    ASSERT_TRUE(waitUntil([&] { return seen.received.size() >= 2; }));
    processEventsFor(300);
    EXPECT_EQ(seen.received, "ab");
}

TEST_F(CommTest, ReadTimeoutChangesReachTheNextRead) {
    open();
    comm.setReadIntervalTimeout(1500);
    pty.write("x");  // this read still runs with 100 ms
    ASSERT_TRUE(waitUntil([&] { return seen.chunks.size() == 1; }));
    pty.write("y");
    processEventsFor(600);
    pty.write("z");
    ASSERT_TRUE(waitUntil([&] { return seen.chunks.size() == 2; }));
    EXPECT_EQ(seen.received, "xyz");
}

// ---- threads ending ------------------------------------------------------------------------

TEST_F(CommTest, ClosePortDuringAPendingWriteCancelsItQuietly) {
    open();
    const std::string block = testutil::pattern(65535);
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(comm.WriteData(block.data(), block.size()));
    processEventsFor(100);  // the writer is stuck on the full line
    const auto start = std::chrono::steady_clock::now();
    comm.ClosePort();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(comm.isSendQueueEmpty());
    EXPECT_FALSE(comm.WriteData("x", 1));
    processEventsFor(200);
    EXPECT_EQ(seen.empties, 1);
    EXPECT_EQ(seen.hangups, 0);
    ASSERT_NO_THROW(comm.OpenPort());
}

TEST_F(CommTest, ZeroByteReadEndsTheReaderSilently) {
    comm.setReadTotalTimeoutConstant(50);
    open();
    processEventsFor(300);  // the first read ends with nothing: the reader is gone
    pty.write("late");
    processEventsFor(400);
    EXPECT_TRUE(seen.received.empty());
    EXPECT_EQ(seen.hangups, 0);
    ASSERT_TRUE(comm.WriteData("w", 1));  // the writer still works
    EXPECT_EQ(pty.read(1), "w");
    comm.ClosePort();
    comm.setReadTotalTimeoutConstant(0);
    comm.OpenPort();
    pty.write("again");
    ASSERT_TRUE(waitUntil([&] { return seen.received == "again"; }));
}

struct EventRow {
    const char* name;
    std::uint32_t events, errors;
    std::vector<std::uint32_t> lineErrors, modemChanges;
};

void PrintTo(const EventRow& row, std::ostream* os) { *os << row.name; }

class CommEvents : public CommTest, public ::testing::WithParamInterface<EventRow> {};

TEST_P(CommEvents, ReachTheirHandlerAndReadingGoesOn) {
    open();
    // Bytes that arrive show the reader running, with its event mask set.
    pty.write("ready");
    ASSERT_TRUE(waitUntil([&] { return seen.received == "ready"; }));
    const auto& row = GetParam();
    ASSERT_TRUE(platform::injectCommEvent(kCom3Name, row.events, row.errors));
    ASSERT_TRUE(waitUntil([&] {
        return seen.errors.size() == row.lineErrors.size() && seen.modem.size() == row.modemChanges.size();
    }));
    EXPECT_EQ(seen.errors, row.lineErrors);
    EXPECT_EQ(seen.modem, row.modemChanges);
    pty.write("more");
    ASSERT_TRUE(waitUntil([&] { return seen.received == "readymore"; }));
    EXPECT_EQ(seen.hangups, 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, CommEvents, ::testing::Values(
    EventRow{"Framing", 0, platform::commerr::FRAME, {8}, {}},
    EventRow{"ParityAndOverrun", 0, platform::commerr::RXPARITY | platform::commerr::OVERRUN, {6}, {}},
    EventRow{"CarrierDetect", platform::commev::RLSD, 0, {}, {8}},
    EventRow{"Ring", platform::commev::RING, 0, {}, {4}},
    EventRow{"CarrierAndRing", platform::commev::RLSD | platform::commev::RING, 0, {}, {12}},
    EventRow{"BreakWithCarrier", platform::commev::RLSD, platform::commerr::BREAK, {16}, {8}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommTest, PulledDeviceMidBurstEndsTheReaderWithHangupAndOpensAgainWhenBack) {
    open();
    const int threadsOpen = testutil::threadCount();
    const std::string burst = testutil::pattern(1500);
    pty.write(burst);
    pty.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return seen.hangups == 1; }));
    EXPECT_EQ(burst.compare(0, seen.received.size(), seen.received), 0);  // what came, came in order
    // The reader ended; it does not spin.
    ASSERT_TRUE(waitUntil([&] { return testutil::threadCount() == threadsOpen - 1; }));
    // The writer meets the pulled line on its next write, reports it and ends.
    EXPECT_TRUE(comm.WriteData("x", 1));
    ASSERT_TRUE(waitUntil([&] { return seen.hangups == 2; }));
    ASSERT_TRUE(waitUntil([&] { return !comm.WriteData("y", 1); }));
    comm.ClosePort();
    EXPECT_THROW(comm.OpenPort(), ECommsError);  // the device file is gone

    Pty back;
    platform::setCommDevicePath(3, back.slave());
    ASSERT_NO_THROW(comm.OpenPort());
    back.write("back");
    ASSERT_TRUE(waitUntil([&] { return seen.received.size() >= 4 && seen.received.substr(seen.received.size() - 4) == "back"; }));
    comm.ClosePort();
}

TEST_F(CommTest, WriteThatNeverProgressesEndsTheWriterWithHangup) {
    comm.setWriteTotalTimeoutConstant(20);
    open();
    const std::string block = testutil::pattern(65535);
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(comm.WriteData(block.data(), block.size()));
    ASSERT_TRUE(waitUntil([&] { return seen.hangups == 1; }));
    ASSERT_TRUE(waitUntil([&] { return !comm.WriteData("y", 1); }));
    EXPECT_TRUE(comm.isSendQueueEmpty());
}

TEST_F(CommTest, EventsFireInsideAHandlersOwnEventProcessing) {
    open();
    bool nested = false;
    comm.OnReceiveData = [&](QObject*, const void* buffer, std::uint16_t length) {
        seen.received.append(static_cast<const char*>(buffer), length);
        if (seen.received == "first") {
            // A console command waits for its answer by processing events.
            pty.write("second");
            nested = waitUntil([&] { return seen.received == "firstsecond"; });
        }
    };
    pty.write("first");
    ASSERT_TRUE(waitUntil([&] { return seen.received == "firstsecond"; }));
    EXPECT_TRUE(nested);
}

// ---- a peer sending faster than the window handles its events ------------------------------

// Writes the bytes into the master from its own thread as fast as the line takes them; once,
// or over and over until destroyed.
class Flood {
public:
    Flood(int master, std::string bytes, bool endless = false)
        : bytes_(std::move(bytes)), thread_([this, master, endless] {
              std::size_t offset = 0;
              while (!stop_) {
                  if (offset == bytes_.size()) {
                      if (!endless) return;
                      offset = 0;
                  }
                  ssize_t n = ::write(master, bytes_.data() + offset, bytes_.size() - offset);
                  if (n > 0) {
                      offset += static_cast<std::size_t>(n);
                  } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                      return;
                  } else {
                      pollfd p{master, POLLOUT, 0};
                      ::poll(&p, 1, 10);
                  }
              }
          }) {}
    ~Flood() {
        stop_ = true;
        thread_.join();
    }

private:
    const std::string bytes_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A handler slower than the line: each event takes a millisecond, as logging a large burst does.
void slowHandler() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

TEST_F(CommTest, FloodKeepsTheWindowLiveTheQueueBoundedAndEveryByteInOrder) {
    const std::size_t limit = TCommTesting::notifyQueueLimit();
    ASSERT_GT(limit, 0u);
    open();
    int ticks = 0;
    QTimer timer;  // stands for the window's repaints and input
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();

    const std::string sent = testutil::pattern(1 << 20, 11);
    std::size_t mostQueued = 0;
    int ticksAtFirst = -1, ticksAtLast = -1;
    bool waited = false, nestedDone = false;
    auto inner = comm.OnReceiveData;
    comm.OnReceiveData = [&](QObject* s, const void* b, std::uint16_t n) {
        inner(s, b, n);
        if (ticksAtFirst < 0) ticksAtFirst = ticks;
        ticksAtLast = ticks;
        slowHandler();
        mostQueued = std::max(mostQueued, TCommTesting::notifyQueueLength(comm));
        if (!waited && seen.received.size() >= 64 * 1024) {
            // A console command waiting for its answer during the flood still gets its events.
            waited = true;
            const std::size_t target = seen.received.size() + 128 * 1024;
            nestedDone = waitUntil([&] { return seen.received.size() >= target; }, 60000);
        }
    };
    {
        Flood flood(pty.master(), sent);
        ASSERT_TRUE(waitUntil([&] { return seen.received.size() >= sent.size(); }, 100000))
            << seen.received.size();
    }
    EXPECT_TRUE(nestedDone);
    EXPECT_TRUE(seen.received == sent) << "bytes lost or reordered";
    EXPECT_TRUE(seen.terminated);
    EXPECT_TRUE(std::all_of(seen.chunks.begin(), seen.chunks.end(),
                            [](std::size_t n) { return n >= 1 && n <= 2048; }));
    // The reader was held back at the bound, never beyond it.
    EXPECT_EQ(mostQueued, limit);
    // The timer kept firing between the first and the last event of the flood (at least
    // 512 events of a millisecond each, more than half a second).
    EXPECT_GE(ticksAtLast - ticksAtFirst, 10) << "the GUI thread was held in the event delivery";
}

TEST_F(CommTest, ClosePortDuringAFloodReturnsPromptlyAndNoThreadOutlivesIt) {
    const int threads = testutil::threadCount();
    open();
    comm.OnReceiveData = [&, inner = comm.OnReceiveData](QObject* s, const void* b, std::uint16_t n) {
        inner(s, b, n);
        slowHandler();
    };
    Flood flood(pty.master(), testutil::pattern(1 << 16, 5), true);
    // The queue fills and the reader waits for room.
    ASSERT_TRUE(waitUntil([&] {
        return TCommTesting::notifyQueueLength(comm) == TCommTesting::notifyQueueLimit();
    }));
    const auto start = std::chrono::steady_clock::now();
    comm.ClosePort();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(testutil::threadCountAfterJoins(threads + 1), threads + 1);  // only the flood's own thread is left
    EXPECT_EQ(seen.hangups, 0);
    // What was queued before the close is still delivered, in order, and then nothing more.
    ASSERT_TRUE(waitUntil([&] { return TCommTesting::notifyQueueLength(comm) == 0; }));
    const std::string prefix = testutil::pattern(1 << 16, 5);
    std::string expected;
    while (expected.size() < seen.received.size()) expected += prefix;
    EXPECT_TRUE(seen.received == expected.substr(0, seen.received.size()));
    EXPECT_EQ(seen.hangups, 0);
}

TEST_F(CommTest, ThousandOpenCloseCyclesLeaveNoDescriptorOrThread) {
    open();
    comm.ClosePort();
    const int fds = testutil::openDescriptors();
    const int threads = testutil::threadCount();
    int notices = 1;  // every cycle posts its notices before ClosePort returns
    for (int i = 0; i < 1000; ++i) {
        if (i % 100 == 0) {
            // Now and then the port must still work: a write, and the notice after it.
            ASSERT_TRUE(waitUntil([&] { return seen.empties == notices; }));
            comm.OpenPort();
            ASSERT_TRUE(waitUntil([&] { return seen.empties == notices + 1; }));
            ASSERT_TRUE(comm.WriteData("c", 1));
            EXPECT_EQ(pty.read(1), "c");
            ASSERT_TRUE(waitUntil([&] { return seen.empties == notices + 2; }));
            notices += 2;
        } else {
            comm.OpenPort();
            ++notices;
        }
        comm.ClosePort();
    }
    EXPECT_EQ(testutil::openDescriptors(), fds);
    EXPECT_EQ(testutil::threadCountAfterJoins(threads), threads);
    ASSERT_TRUE(waitUntil([&] { return seen.empties >= notices; })) << seen.empties;
    processEventsFor(100);
    EXPECT_EQ(seen.empties, notices);  // one per open, one after each write
}

TEST(CommLifetime, DestroyingAnOpenComponentStopsItsThreadsAndFreesThePort) {
    Pty pty;
    platform::setCommDevicePath(3, pty.slave());
    const int threads = testutil::threadCount();
    {
        QObject owner;
        auto* comm = new TComm(&owner);
        comm->setCommName(kCom3);
        comm->OpenPort();
        const std::string block = testutil::pattern(65535);
        comm->WriteData(block.data(), block.size());  // left pending
        EXPECT_EQ(testutil::threadCount(), threads + 2);
    }
    EXPECT_EQ(testutil::threadCountAfterJoins(threads), threads);
    EXPECT_TRUE(platform::canOpenComm(kCom3Name));
    platform::restoreCommDevicePaths();
}

TEST(CommDefaults, AreThoseOfTheComponent) {
    TComm comm(nullptr);
    EXPECT_EQ(comm.CommName(), "COM2");
    EXPECT_EQ(comm.BaudRate(), 9600u);
    EXPECT_FALSE(comm.ParityCheck());
    EXPECT_EQ(comm.DtrControl(), TDtrControl::DtrEnable);
    EXPECT_TRUE(comm.TxContinueOnXoff());
    EXPECT_TRUE(comm.Outx_XonXoffFlow());
    EXPECT_TRUE(comm.Inx_XonXoffFlow());
    EXPECT_EQ(comm.RtsControl(), TRtsControl::RtsEnable);
    EXPECT_EQ(comm.XonLimit(), 500);
    EXPECT_EQ(comm.XoffLimit(), 500);
    EXPECT_EQ(comm.ByteSize(), TByteSize::_8);
    EXPECT_EQ(comm.Parity(), TParity::None);
    EXPECT_EQ(comm.StopBits(), TStopBits::_1);
    EXPECT_EQ(comm.XonChar(), 17);
    EXPECT_EQ(comm.XoffChar(), 19);
    EXPECT_EQ(comm.ReplacedChar(), 0);
    EXPECT_EQ(comm.ReadIntervalTimeout(), 100u);
    EXPECT_EQ(comm.ReadTotalTimeoutMultiplier() + comm.ReadTotalTimeoutConstant() +
                  comm.WriteTotalTimeoutMultiplier() + comm.WriteTotalTimeoutConstant(), 0u);
    EXPECT_TRUE(comm.isSendQueueEmpty());
    EXPECT_THROW(comm.OpenPort(), ECommsError);  // "COM2" is no COM name here
}

}  // namespace
