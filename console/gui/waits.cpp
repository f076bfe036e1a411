#include "waits.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>
#include <cstdint>

#include "core/transfer.h"
#include "platform/ticks.h"
#include "seams.h"

namespace console {
namespace {

void pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (programEnding()) throw ProgramEnding{};
}

std::int32_t elapsed(std::uint32_t start) {
    return static_cast<std::int32_t>(platform::tickCount() - start);
}

// Sleeps until the next event arrives or the deadline passes, whichever comes first.
void sleepUntil(std::uint32_t start, int ms) {
    std::int32_t left = ms - elapsed(start);
    if (left <= 0) return;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher) return;
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(left);
    dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (programEnding()) throw ProgramEnding{};
}

}  // namespace

void Delay(int ms) {
    std::uint32_t start = platform::tickCount();
    for (;;) {
        pump();
        pump();
        std::int32_t now = elapsed(start);
        pump();
        pump();
        if (!ReplyText.empty() || now >= ms) return;
        sleepUntil(start, ms);
    }
}

void Delayy(int ms, int pumpsPerRound) {
    std::uint32_t start = platform::tickCount();
    for (;;) {
        pump();
        std::int32_t now = elapsed(start);
        for (int i = 1; i < pumpsPerRound; ++i) pump();
        if (now >= ms) return;
        sleepUntil(start, ms);
    }
}

}  // namespace console
