// Bytes per second delivered to OnReceiveData over a pseudo-terminal, against a plain read
// loop and QSerialPort on the same kind of pair; every byte is checked in order. Also the CPU
// that an open, idle port takes and the time from a hang-up to OnRequestHangup.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QSerialPort>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>

#include "platform/comm.h"
#include "platform/commtermios.h"
#include "serial/TComm.h"

namespace {

const QString kName = QStringLiteral("\\\\.\\COM3");

struct Pty {
    int master = -1;
    std::string slave;
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128];
        if (master < 0 || ::grantpt(master) || ::unlockpt(master) || ::ptsname_r(master, name, sizeof name))
            std::abort();
        slave = name;
    }
    ~Pty() { closeMaster(); }
    void closeMaster() {
        if (master >= 0) ::close(master);
        master = -1;
    }
};

// The byte at stream position i: a period of 251 does not line up with any read size.
inline std::uint8_t byteAt(std::uint64_t i) { return static_cast<std::uint8_t>(i % 251); }

// Feeds `total` bytes of the pattern into the master from its own thread.
class Feeder {
public:
    Feeder(int fd, std::uint64_t total) : thread_([fd, total] {
        std::uint8_t chunk[251 * 64];
        for (std::size_t i = 0; i < sizeof chunk; ++i) chunk[i] = byteAt(i);
        std::uint64_t sent = 0;
        while (sent < total) {
            const std::size_t offset = sent % 251;  // keep the pattern continuous
            std::size_t n = std::min<std::uint64_t>(sizeof chunk - offset, total - sent);
            ssize_t w = ::write(fd, chunk + offset, n);
            if (w <= 0) return;
            sent += static_cast<std::uint64_t>(w);
        }
    }) {}
    ~Feeder() { thread_.join(); }

private:
    std::thread thread_;
};

struct Checker {
    std::uint64_t got = 0;
    bool ok = true;
    void take(const std::uint8_t* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            if (p[i] != byteAt(got + i)) ok = false;
        got += n;
    }
};

void mainWindowSettings(TComm& comm) {
    comm.setParityCheck(true);
    comm.setTxContinueOnXoff(false);
    comm.setOutx_XonXoffFlow(false);
    comm.setInx_XonXoffFlow(false);
}

void BM_TCommReceive(benchmark::State& state) {
    const std::uint64_t total = static_cast<std::uint64_t>(state.range(0));
    Pty pty;
    platform::setCommDevicePath(3, pty.slave);
    TComm comm(nullptr);
    comm.setCommName(kName);
    mainWindowSettings(comm);
    Checker check;
    std::uint64_t events = 0;
    comm.OnReceiveData = [&](QObject*, const void* buffer, std::uint16_t length) {
        check.take(static_cast<const std::uint8_t*>(buffer), length);
        ++events;
    };
    comm.OpenPort();
    for (auto _ : state) {
        check = Checker();
        {
            Feeder feeder(pty.master, total);
            while (check.got < total) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        if (!check.ok || check.got != total) state.SkipWithError("bytes lost or out of order");
    }
    comm.ClosePort();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
    state.counters["bytes_per_event"] = double(total * state.iterations()) / double(events ? events : 1);
}

void BM_PlainReadLoop(benchmark::State& state) {
    const std::uint64_t total = static_cast<std::uint64_t>(state.range(0));
    Pty pty;
    int fd = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios2 t;
    platform::readTermios(fd, t);
    platform::applyRawMode(t);
    t.c_iflag &= ~(IXON | IXOFF);
    platform::writeTermios(fd, t);
    std::uint8_t buffer[2048];
    for (auto _ : state) {
        Checker check;
        {
            Feeder feeder(pty.master, total);
            while (check.got < total) {
                ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n <= 0) break;
                check.take(buffer, static_cast<std::size_t>(n));
            }
        }
        if (!check.ok || check.got != total) state.SkipWithError("bytes lost or out of order");
    }
    ::close(fd);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}

void BM_QSerialPort(benchmark::State& state) {
    const std::uint64_t total = static_cast<std::uint64_t>(state.range(0));
    Pty pty;
    QSerialPort port(QString::fromStdString(pty.slave));
    if (!port.open(QIODevice::ReadWrite)) {
        state.SkipWithError(("QSerialPort: " + port.errorString().toStdString()).c_str());
        return;
    }
    port.setBaudRate(9600);
    port.setFlowControl(QSerialPort::NoFlowControl);
    Checker check;
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        const QByteArray data = port.readAll();
        check.take(reinterpret_cast<const std::uint8_t*>(data.constData()), data.size());
    });
    for (auto _ : state) {
        check = Checker();
        {
            Feeder feeder(pty.master, total);
            while (check.got < total) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        if (!check.ok || check.got != total) state.SkipWithError("bytes lost or out of order");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}

double processCpuSeconds() {
    timespec ts;
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// CPU of the whole process while the port is open and the line is silent, the GUI thread
// sleeping in its event loop.
void BM_IdleOpenPortCpu(benchmark::State& state) {
    Pty pty;
    platform::setCommDevicePath(3, pty.slave);
    TComm comm(nullptr);
    comm.setCommName(kName);
    mainWindowSettings(comm);
    comm.OpenPort();
    QCoreApplication::processEvents();
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double c0 = processCpuSeconds();
        const auto w0 = std::chrono::steady_clock::now();
        QEventLoop loop;
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        loop.exec();
        cpu += processCpuSeconds() - c0;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    }
    comm.ClosePort();
    state.counters["cpu_percent_of_core"] = 100.0 * cpu / wall;
}

// From closing the master (the device pulled) to OnRequestHangup on the GUI thread.
void BM_HangupLatency(benchmark::State& state) {
    double totalMs = 0, worstMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Pty pty;
        platform::setCommDevicePath(3, pty.slave);
        TComm comm(nullptr);
        comm.setCommName(kName);
        mainWindowSettings(comm);
        bool hungUp = false;
        comm.OnRequestHangup = [&](QObject*) { hungUp = true; };
        comm.OpenPort();
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));  // the reader waits
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        pty.closeMaster();
        while (!hungUp) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        totalMs += ms;
        worstMs = std::max(worstMs, ms);
        state.PauseTiming();
        comm.ClosePort();
        state.ResumeTiming();
    }
    state.counters["mean_ms"] = totalMs / double(state.iterations());
    state.counters["worst_ms"] = worstMs;
}

constexpr int64_t kRun = 64 << 20;
constexpr int64_t kGigabyte = int64_t(1) << 30;

BENCHMARK(BM_PlainReadLoop)->Arg(kRun)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_TCommReceive)->Arg(kRun)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_QSerialPort)->Arg(kRun)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_TCommReceive)->Name("BM_TCommReceive_1GB_NoLoss")->Arg(kGigabyte)->Iterations(1)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_IdleOpenPortCpu)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HangupLatency)->Iterations(50)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
