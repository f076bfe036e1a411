// Our own cost of a command and of a log line, with a short and a very long log, the log pane's
// share of a command, the processor time that an idle wait costs, and the serial page's
// receive path: one burst from the serial component's event to its two log lines, and
// sustained receive from a pseudo-terminal peer (bytes checked in order, processor time per
// megabyte).
#include <QApplication>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "core/transfer.h"
#include "gui/TForm1.h"
#include "gui/seams.h"
#include "gui/waits.h"
#include "platform/comm.h"
#include "usb/fake/fake_usb.h"

namespace {

// Made on first use, destroyed before the application object.
std::unique_ptr<TForm1> form;

TForm1& formWithLines(long lines) {
    static long filled = -1;
    if (!form) {
        // Shown, as in the real program: a visible pane lays out and paints what it holds.
        form = std::make_unique<TForm1>();
        form->show();
        console::Delayy(200);  // the first paint (fonts, style) before anything is timed
    }
    if (filled != lines) {
        form->RichEdit1->clearAll();
        for (long i = 0; i < lines; ++i) form->addLog("Set Up Success   02:05:09 PM\r\n");
        filled = lines;
    }
    return *form;
}

// A log that keeps its lines and draws nothing: what the pane is weighed against.
std::deque<QString>& keptLines(long lines) {
    static std::deque<QString> kept;
    static long filled = -1;
    if (filled != lines) {
        kept.assign(std::size_t(lines), QStringLiteral("Set Up Success   02:05:09 PM\r\n"));
        filled = lines;
    }
    return kept;
}

// A library that answers "Read" at once with the page's defaults.
struct AnsweringReader {
    FakeUsb fake;
    AnsweringReader() { reset(); }
    ~AnsweringReader() { fake.reset(); }
    void reset() {
        fake.reset();
        fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {0x83, 0x0F, 0, 0, 0, 1, 1, 1, 0}));
    }
    // The fake keeps every frame; forget them now and then.
    bool full() const { return fake.frameCount() > 10000; }
};

// "Read" against a library that answers at once: frame, transfer, judging, eight log lines,
// into the pane (Arg 1 = 0) or into kept lines that nothing draws (Arg 1 = 1).
void BM_ReadFormatCommand(benchmark::State& state) {
    AnsweringReader reader;
    TForm1& form = formWithLines(state.range(0));
    if (state.range(1)) {
        std::deque<QString>& kept = keptLines(state.range(0));
        console::setLogSink([&kept](const QString& line) { kept.push_back(line); });
    }
    for (auto _ : state) {
        form.Button25Click();
        if (reader.full()) {
            state.PauseTiming();
            reader.reset();
            state.ResumeTiming();
        }
    }
    console::setLogSink(nullptr);
}
BENCHMARK(BM_ReadFormatCommand)
    ->ArgNames({"lines", "kept_only"})
    ->Args({1000, 0})->Args({1000000, 0})->Args({1000, 1})->Args({1000000, 1})
    ->Unit(benchmark::kMicrosecond);

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// The pane's share of a command: batches of "Read" into the pane and into kept lines, taken
// in turns (and in both orders) so that both see the same machine, timed in the thread's
// processor time so that other programs' load does not count. Each batch ends with a short
// idle wait, in which the pane paints what the batch added: that paint is the pane's. The
// share is the difference over the pane's time.
void BM_PaneShareOfCommand(benchmark::State& state) {
    constexpr int kBatch = 1000;
    AnsweringReader reader;
    TForm1& form = formWithLines(state.range(0));
    std::deque<QString>& kept = keptLines(state.range(0));
    auto batch = [&](bool intoPane) {
        if (!intoPane) console::setLogSink([&kept](const QString& line) { kept.push_back(line); });
        const double start = threadSeconds();
        for (int i = 0; i < kBatch; ++i) form.Button25Click();
        console::Delayy(40);
        const double seconds = threadSeconds() - start;
        console::setLogSink(nullptr);
        if (reader.full()) reader.reset();
        return seconds;
    };
    double pane = 0, sink = 0;
    long rounds = 0;
    for (auto _ : state) {
        const bool paneFirst = rounds % 2 == 0;
        (paneFirst ? pane : sink) += batch(paneFirst);
        (paneFirst ? sink : pane) += batch(!paneFirst);
        ++rounds;
    }
    const double commands = double(rounds) * kBatch;
    state.counters["pane_us"] = 1e6 * pane / commands;
    state.counters["kept_lines_us"] = 1e6 * sink / commands;
    state.counters["pane_share_percent"] = 100.0 * (pane - sink) / pane;
}
BENCHMARK(BM_PaneShareOfCommand)->Arg(1000000)->Iterations(30)->Unit(benchmark::kMillisecond);

void BM_LogLine(benchmark::State& state) {
    TForm1& form = formWithLines(state.range(0));
    for (auto _ : state) form.addLog("Read data success    02:05:09 PM");
}
BENCHMARK(BM_LogLine)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// Processor time of a 1 s wait in which no event arrives, as a share of one core.
void BM_IdleDelayy(benchmark::State& state) {
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        std::clock_t c0 = std::clock();
        auto w0 = std::chrono::steady_clock::now();
        console::Delayy(1000);
        cpu += double(std::clock() - c0) / CLOCKS_PER_SEC;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    }
    state.counters["cpu_share_percent"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_IdleDelayy)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- serial page ----

// The port probe of every page change: COM1 to COM16 tried once each. range(0) 0: no device
// behind any name; 1: the machine's own device files.
void BM_PortProbe(benchmark::State& state) {
    TForm1& f = formWithLines(0);
    if (state.range(0) == 0)
        for (int n = 1; n <= 16; ++n) platform::setCommDevicePath(n, "/nonexistent/com" + std::to_string(n));
    for (auto _ : state) f.GetCom();
    state.counters["ports_found"] = f.ComboBox1->count();
    platform::restoreCommDevicePaths();
}
BENCHMARK(BM_PortProbe)->ArgName("machine_devices")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

double processCpuSeconds() {
    timespec ts;
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// One burst of state.range(1) bytes through the component's receive event.
void BM_BurstToLogLines(benchmark::State& state) {
    TForm1& f = formWithLines(state.range(0));
    std::string burst(static_cast<std::size_t>(state.range(1)), '\0');
    for (std::size_t i = 0; i < burst.size(); ++i) burst[i] = static_cast<char>(i * 7);
    for (auto _ : state) f.Comm1->DoReceiveData(burst.data(), static_cast<std::uint16_t>(burst.size()));
    if (console::SerialRxText.size() != 2 * burst.size()) state.SkipWithError("burst not kept");
    state.SetBytesProcessed(state.iterations() * state.range(1));
}
BENCHMARK(BM_BurstToLogLines)->Args({1000000, 16})->Args({1000000, 2048})->Unit(benchmark::kMicrosecond);

inline std::uint8_t byteAt(std::uint64_t i) { return static_cast<std::uint8_t>(i % 251); }

// A peer writes bursts of 1152 bytes (100 ms of a 115200-baud line) for 10 s while the window
// logs every burst the component delivers. range(0) 1: at the line's own rate, one burst every
// 100 ms. range(0) 0: at full pty speed, as fast as the window takes them: the peer stays at
// most 64 KiB ahead of what has been logged. (Unthrottled, a pty outruns the log pane by far,
// and the component's queue to the window grows without bound.) range(1) 1: the same bursts
// into kept lines that nothing draws instead of the pane. Before the peer starts, the window
// waits 2 s with the port open and nothing arriving: what that costs is the idle share, and
// above_idle_percent is the receive's share of one core over it.
void BM_SustainedReceive(benchmark::State& state) {
    constexpr std::size_t kBurst = 1152;
    constexpr std::uint64_t kAhead = 64 * 1024;
    const bool lineRate = state.range(0) == 1;
    const bool keptOnly = state.range(1) == 1;
    int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (master < 0 || ::grantpt(master) || ::unlockpt(master) || ::ptsname_r(master, name, sizeof name)) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    platform::setCommDevicePath(3, name);
    TForm1& f = formWithLines(0);
    f.Comm1->setCommName(QStringLiteral("\\\\.\\COM3"));
    f.Comm1->setBaudRate(115200);
    std::atomic<std::uint64_t> got{0};
    std::uint64_t events = 0;
    bool inOrder = true;
    std::string pattern(251 + 65535, '\0');
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<char>(byteAt(i));
    auto logBurst = f.Comm1->OnReceiveData;
    f.Comm1->OnReceiveData = [&](QObject* sender, const void* buffer, std::uint16_t length) {
        // The bytes repeat with a period of 251: compared against the pattern at their offset.
        const std::uint64_t at = got.load();
        if (std::memcmp(buffer, pattern.data() + at % 251, length) != 0) inOrder = false;
        ++events;
        logBurst(sender, buffer, length);
        got = at + length;
        // The pane keeps every line; clear it now and then so that memory stays bounded.
        if (f.RichEdit1->lineCount() > 200000) f.RichEdit1->clearAll();
    };
    std::deque<QString> kept;
    if (keptOnly)
        console::setLogSink([&kept](const QString& line) {
            kept.push_back(line);
            if (kept.size() > 200000) kept.clear();
        });
    f.Comm1->OpenPort();
    // The window with the port open and a timer that wakes it as the receive loop below does:
    // the median of five short waits, so that one stray event does not count as idle.
    auto idleShare = [] {
        console::Delayy(300);  // what opening and the last run left to paint
        QTimer wake;
        wake.start(20);
        std::vector<double> shares;
        for (int i = 0; i < 5; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            const double cpu0 = processCpuSeconds();
            while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(600))
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            shares.push_back(100.0 * (processCpuSeconds() - cpu0) / wall);
        }
        std::nth_element(shares.begin(), shares.begin() + 2, shares.end());
        return shares[2];
    };
    for (auto _ : state) {
        state.PauseTiming();
        const double idle = idleShare();
        state.ResumeTiming();
        std::atomic<bool> peerDone{false};
        std::atomic<std::uint64_t> sent{0};
        const auto t0 = std::chrono::steady_clock::now();
        const double cpu0 = processCpuSeconds();
        // The peer keeps its own 10 s: at full speed the component's delivery to the window
        // may not return to the event loop until the line falls silent.
        std::thread peer([&] {
            std::string chunk(kBurst + 251, '\0');
            for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(byteAt(i));
            auto next = t0;
            while (std::chrono::steady_clock::now() - t0 < std::chrono::seconds(10)) {
                if (lineRate) {
                    std::this_thread::sleep_until(next);
                    next += std::chrono::milliseconds(100);
                } else if (sent - got.load() > kAhead) {
                    std::this_thread::sleep_for(std::chrono::microseconds(50));
                    continue;
                }
                std::size_t done = 0;
                while (done < kBurst) {
                    ssize_t w = ::write(master, chunk.data() + (sent % 251), kBurst - done);
                    if (w <= 0) break;
                    done += static_cast<std::size_t>(w);
                    sent += static_cast<std::uint64_t>(w);
                }
            }
            peerDone = true;
        });
        QTimer wake;  // so that the wait below sees the peer's end
        wake.start(20);
        while (!peerDone) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        peer.join();
        const auto drain = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        // Waits for the last bytes as the window would (the timer above wakes it): the read
        // in progress completes only after the line has been quiet for its interval time-out.
        while (got < sent && std::chrono::steady_clock::now() < drain)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double cpu = processCpuSeconds() - cpu0;
        if (!inOrder || got != sent) state.SkipWithError("bytes lost or out of order");
        const double mb = double(got.load()) / 1e6;
        state.counters["MB_received"] = mb;
        state.counters["MB_per_s"] = mb / wall;
        state.counters["cpu_ms_per_MB"] = 1000.0 * cpu / mb;
        state.counters["cpu_percent_of_core"] = 100.0 * cpu / wall;
        state.counters["idle_percent"] = idle;
        state.counters["above_idle_percent"] = 100.0 * cpu / wall - idle;
        state.counters["bytes_per_event"] = double(got.load()) / double(events ? events : 1);
    }
    f.Comm1->ClosePort();
    console::setLogSink(nullptr);
    f.Comm1->OnReceiveData = logBurst;
    platform::restoreCommDevicePaths();
    ::close(master);
}
BENCHMARK(BM_SustainedReceive)
    ->ArgNames({"line_rate", "kept_only"})
    ->Args({1, 0})->Args({1, 1})->Args({0, 0})->Args({0, 1})
    ->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    form.reset();
    return 0;
}
