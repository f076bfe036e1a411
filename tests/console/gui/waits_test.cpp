// The waits: their end conditions, the events they dispatch, and the end of the program.
#include <QElapsedTimer>
#include <QTimer>

#include "gui/waits.h"
#include "operator.h"

namespace {

using Waits = Operator;

TEST_F(Waits, DelayEndsAsSoonAsAReplyIsStored) {
    QTimer::singleShot(30, [] { console::ReplyText = "0200010001" "03"; });
    QElapsedTimer t;
    t.start();
    console::Delay(20000);
    EXPECT_LT(t.elapsed(), 10000);
    EXPECT_GE(t.elapsed(), 25);
}

TEST_F(Waits, AfterAShortWriteDelayRunsItsFullTime) {
    fake.queueWriteResult(0);
    form->Send("83");
    EXPECT_TRUE(console::ReplyText.empty());
    QElapsedTimer t;
    t.start();
    form->Delay(300);
    EXPECT_GE(t.elapsed(), 299);
}

TEST_F(Waits, ZeroWaitsStillDispatchEvents) {
    int ran = 0;
    QTimer::singleShot(0, [&] { ++ran; });
    console::Delay(0);
    QTimer::singleShot(0, [&] { ++ran; });
    console::Delayy(0);
    EXPECT_EQ(ran, 2);
}

TEST_F(Waits, WindowStaysLiveDuringAWait) {
    // The new window's first showing is done first, so that a slow one cannot take the wait.
    QTest::qWait(0);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    QElapsedTimer t;
    t.start();
    console::Delayy(200);
    EXPECT_GE(t.elapsed(), 199);
    EXPECT_GE(ticks, 3);
}

TEST_F(Waits, EndOfProgramUnwindsAWaitingHandler) {
    bool after = false;
    QTimer::singleShot(30, [] { console::endProgram(); });
    QElapsedTimer t;
    t.start();
    console::guarded([&] {
        console::Delayy(20000);
        after = true;
    });
    EXPECT_FALSE(after);
    EXPECT_LT(t.elapsed(), 10000);
    EXPECT_EQ(programEnds, 1);
    EXPECT_TRUE(errors.isEmpty());
}

}  // namespace
