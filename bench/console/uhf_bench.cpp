// The UHF write page: our own cost of one pass of the write sequence (three transfers built
// and judged, the number counted on), and the issue rate of the automatic card issue against
// the simulated reader with the form's wait.
#include <QCheckBox>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <memory>

#include "core/transfer.h"
#include "gui/TForm1.h"
#include "platform/library.h"
#include "usb/fake/fake_usb.h"
#include "usb/moduleframe.h"
#include "usb/sim/sim_reader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes carried(std::uint8_t type, std::uint8_t command, const Bytes& params) {
    return FakeUsb::makeReply(0x00, 0x00, usb::buildModuleFrame(type, command, params));
}

// A tag whose EPC is never the number written last, the select's and the write's answers.
const Bytes kTagFound = carried(0x02, 0x22, {0xC8, 0x30, 0x00, 0xE2, 0x00, 0x51, 0x28, 0x93, 0x0D, 0x01, 0x14, 0x17,
                                             0x40, 0x11, 0x22, 0x1A, 0x2B});
const Bytes kSelected = carried(0x01, 0x0C, {0x00});
const Bytes kWritten = carried(0x01, 0x49, {0x00});

void BM_UhfWriteSequence(benchmark::State& state) {
    FakeUsb fake;
    TForm1 form;
    form.show();
    for (auto _ : state) {
        fake.queueReply(kTagFound);
        fake.queueReply(kSelected);
        fake.queueReply(kWritten);
        form.Button66Click();
        // The fake keeps every frame and the log every line; forget them now and then.
        if (fake.frameCount() > 30000) {
            state.PauseTiming();
            fake.reset();
            form.RichEdit1->clearAll();
            state.ResumeTiming();
        }
    }
    if (form.Edit54->text() == QLatin1String("000000000000000000000001")) state.SkipWithError("nothing written");
    fake.reset();
}
BENCHMARK(BM_UhfWriteSequence)->Unit(benchmark::kMicrosecond);

// Tags issued a second by "Automatic card" with the default wait, against the simulated
// reader; each run issues `tags` tags. Each tag takes two passes: the one that writes it and
// the one that finds it still in the field, carrying the number written last.
void BM_AutomaticIssueRate(benchmark::State& state) {
    platform::setLibraryFolder(SIM_USB_DIR);
    auto lib = platform::loadLibrary("usb.dll");
    auto fn = lib.handle ? platform::findFunction(lib.handle, "simUsbReader").address : nullptr;
    if (!fn) {
        state.SkipWithError("simulated reader not found");
        return;
    }
    usb::sim::SimReader* reader = reinterpret_cast<usb::sim::SimReader* (*)()>(fn)();
    TForm1 form;
    form.show();
    const std::size_t tags = static_cast<std::size_t>(state.range(0));
    std::size_t issuedTotal = 0;
    double seconds = 0;
    for (auto _ : state) {
        const std::size_t before = reader->state().uhf.issued.size();
        QTimer stop;
        QObject::connect(&stop, &QTimer::timeout, [&] {
            if (reader->state().uhf.issued.size() - before >= tags) form.CheckBox20->setChecked(false);
        });
        stop.start(1);
        auto t0 = std::chrono::steady_clock::now();
        form.CheckBox20->setChecked(true);  // runs the issue until the timer unchecks it
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        issuedTotal += reader->state().uhf.issued.size() - before;
        form.RichEdit1->clearAll();
    }
    state.counters["tags_per_second"] = static_cast<double>(issuedTotal) / seconds;
    platform::setLibraryFolder("");
}
BENCHMARK(BM_AutomaticIssueRate)->Arg(20)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
