// Our own cost of a command and of a log line, with a short and a very long log, and the
// processor time that an idle wait costs.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <ctime>
#include <memory>

#include "core/transfer.h"
#include "gui/TForm1.h"
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
    }
    if (filled != lines) {
        form->RichEdit1->clearAll();
        for (long i = 0; i < lines; ++i) form->addLog("Set Up Success   02:05:09 PM\r\n");
        filled = lines;
    }
    return *form;
}

// "Read" against a library that answers at once: frame, transfer, judging, eight log lines.
void BM_ReadFormatCommand(benchmark::State& state) {
    FakeUsb fake;
    auto answerAtOnce = [&] {
        fake.reset();
        fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {0x83, 0x0F, 0, 0, 0, 1, 1, 1, 0}));
    };
    answerAtOnce();
    TForm1& form = formWithLines(state.range(0));
    for (auto _ : state) {
        form.Button25Click();
        // The fake keeps every frame; forget them now and then, outside the timing.
        if (fake.frameCount() > 10000) {
            state.PauseTiming();
            answerAtOnce();
            state.ResumeTiming();
        }
    }
    fake.reset();
}
BENCHMARK(BM_ReadFormatCommand)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

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
