// Our own cost of a command and of a log line, with a short and a very long log, the log pane's
// share of a command, and the processor time that an idle wait costs.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <deque>
#include <memory>

#include "core/transfer.h"
#include "gui/TForm1.h"
#include "gui/seams.h"
#include "gui/waits.h"
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
