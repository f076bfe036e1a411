// The continuous-mode loop: its own cost of one pass beyond the command it repeats, and the
// memory after many passes against after few, against a library that answers at once.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

#include "core/transfer.h"
#include "gui/TForm1.h"
#include "gui/waits.h"
#include "usb/fake/fake_usb.h"

namespace {

// "Read card number" of the MIFARE Classic page repeated by its loop box CheckBox4, which
// waits with Delay: with a reply stored the next pass starts at once.
struct LoopBench {
    FakeUsb fake;
    std::unique_ptr<TForm1> form = std::make_unique<TForm1>();
    QCheckBox* box = form->findChild<QCheckBox*>(QStringLiteral("CheckBox4"));
    QPushButton* target = form->findChild<QPushButton*>(QStringLiteral("Button29"));
    long passes = 0;
    long stopAfter = 0;

    explicit LoopBench(long lines) {
        answer();
        form->show();
        console::Delayy(200);
        for (long i = 0; i < lines; ++i) form->addLog("Set Up Success   02:05:09 PM\r\n");
        form->Edit22->setText(QStringLiteral("0"));
        // Runs after the command's own handler: counts the pass and ends the loop in time.
        QObject::connect(target, &QPushButton::clicked, form.get(), [this] {
            if (++passes >= stopAfter) box->setChecked(false);
            // The fake keeps every frame; forget them now and then.
            if (fake.frameCount() > 10000) answer();
        });
    }
    ~LoopBench() { fake.reset(); }
    void answer() {
        fake.reset();
        fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {0x00, 0x12, 0x34, 0x56, 0x78}));
    }
    void run(long count) {
        passes = 0;
        stopAfter = count;
        box->setChecked(true);  // returns when the loop has ended
    }
};

constexpr long kPasses = 1000;

// One pass of the loop: the command, the interval read and a zero wait, with 10^6 lines in
// the pane.
void BM_LoopPass(benchmark::State& state) {
    LoopBench bench(state.range(0));
    for (auto _ : state) bench.run(kPasses);
    state.SetItemsProcessed(state.iterations() * kPasses);
}
BENCHMARK(BM_LoopPass)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The same command clicked as often without the loop: the difference is the loop's cost.
void BM_CommandAlone(benchmark::State& state) {
    LoopBench bench(state.range(0));
    bench.stopAfter = 1L << 60;
    for (auto _ : state)
        for (long i = 0; i < kPasses; ++i) bench.target->click();
    state.SetItemsProcessed(state.iterations() * kPasses);
}
BENCHMARK(BM_CommandAlone)->Arg(1000000)->Unit(benchmark::kMillisecond);

long residentKb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * 4;
}

// Resident memory after 10^3 passes and after 10^5, the log pane cleared before each reading
// (the pane keeps every line by design; what is weighed here is the loop).
void BM_LoopMemory(benchmark::State& state) {
    LoopBench bench(0);
    long afterFew = 0, afterMany = 0;
    for (auto _ : state) {
        bench.run(1000);
        bench.form->RichEdit1->clearAll();
        afterFew = residentKb();
        bench.run(100000);
        bench.form->RichEdit1->clearAll();
        afterMany = residentKb();
    }
    state.counters["rss_kb_after_1e3"] = double(afterFew);
    state.counters["rss_kb_after_1e5"] = double(afterMany);
}
BENCHMARK(BM_LoopMemory)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
