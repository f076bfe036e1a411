// The continuous modes of the loop table, driven through the real loop boxes and target
// buttons of the card pages; each target also reports its click to the test, after its own
// handler has sent its command.
#include <QCheckBox>
#include <algorithm>
#include <functional>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>

#include "operator.h"

namespace {

class ContinuousMode : public Operator {
protected:
    void SetUp() override {
        Operator::SetUp();
        edit22 = control<QLineEdit>("Edit22");
    }

    // The form's loop box, bound to its handler by the event table.
    QCheckBox* loopBox(const char* name) { return control<QCheckBox>(name); }
    // Records each click of a target command, after the command's own handler has run.
    void addTarget(const char* name) {
        std::string n = name;
        QObject::connect(control<QPushButton>(name), &QPushButton::clicked, form.get(), [this, n] {
            clicks.push_back(n);
            if (onClick) onClick(n, count(n));
        });
    }
    // The boxes stand on pages whose tabs are hidden; a click there is the button's own. The
    // loop that a tick starts once the click is over is dispatched here: a tick returns when
    // its loop has ended.
    void clickBox(QCheckBox* box) {
        box->click();
        QCoreApplication::sendPostedEvents(form.get(), QEvent::MetaCall);
    }
    void clickTab(int index) {
        QTabBar* bar = form->PageControl1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    int count(const std::string& name) const { return static_cast<int>(std::count(clicks.begin(), clicks.end(), name)); }

    QLineEdit* edit22 = nullptr;
    std::vector<std::string> clicks;
    // Runs inside a target command, after its send: the button's name and its click count.
    std::function<void(const std::string&, int)> onClick;
};

TEST_F(ContinuousMode, RunsUntilUncheckedAndFinishesTheCurrentPass) {
    fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
    QCheckBox* box = loopBox("CheckBox1");  // Button9, full wait I + 10
    addTarget("Button9");
    edit22->setText("100");
    QElapsedTimer total;
    total.start();
    int atUncheck = -1;
    QTimer::singleShot(380, [&] {
        atUncheck = count("Button9");
        clickBox(box);
    });
    clickBox(box);  // returns when the loop has ended
    EXPECT_FALSE(box->isChecked());
    const int passes = count("Button9");
    EXPECT_GE(passes, 1);
    EXPECT_EQ(passes, atUncheck) << "no pass starts once the box is unchecked";
    EXPECT_EQ(fake.frameCount(), passes);
    EXPECT_GE(total.elapsed(), 105 * passes) << "the pass under way ran its wait to the end";

    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 250) QCoreApplication::processEvents();
    EXPECT_EQ(count("Button9"), passes);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ContinuousMode, UncheckedBoxDoesNothing) {
    loopBox("CheckBox2");
    QCheckBox* second = loopBox("CheckBox13");  // shares CheckBox2's loop
    addTarget("Button8");
    clickBox(second);
    EXPECT_TRUE(second->isChecked());
    EXPECT_TRUE(clicks.empty()) << "CheckBox13 runs CheckBox2's loop only while CheckBox2 is checked";
}

TEST_F(ContinuousMode, PageChangeStopsTheBoxesItUnchecks) {
    fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
    QCheckBox* box = loopBox("CheckBox1");
    addTarget("Button9");
    addTarget("Button8");
    edit22->setText("20");
    // The operator picks another page during the second pass's wait.
    onClick = [&](const std::string& name, int n) {
        if (name == "Button9" && n == 2) QTimer::singleShot(0, [&] { clickTab(6); });
    };
    clickBox(box);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(form->PageControl1->currentIndex(), 6);
    EXPECT_EQ(count("Button9"), 2);

    // CheckBox12 (write, then read) goes on while another page is shown.
    clickTab(0);
    clicks.clear();
    QCheckBox* both = loopBox("CheckBox12");
    onClick = [&](const std::string& name, int n) {
        if (name != "Button8") return;
        if (n == 1) QTimer::singleShot(0, [&] { clickTab(6); });
        if (n == 3) {
            EXPECT_TRUE(both->isChecked());
            both->setChecked(false);  // as an uncheck by the operator: the handler returns at once
        }
    };
    clickBox(both);
    EXPECT_EQ(form->PageControl1->currentIndex(), 6);
    EXPECT_EQ(clicks, (std::vector<std::string>{"Button9", "Button8", "Button9", "Button8", "Button9", "Button8"}));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ContinuousMode, SecondLoopRunsNestedAndTheFirstResumesAfterIt) {
    fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
    QCheckBox* first = loopBox("CheckBox1");     // Button9
    QCheckBox* second = loopBox("CheckBox10");  // Button54, I + 100
    addTarget("Button9");
    addTarget("Button54");
    edit22->setText("10");
    onClick = [&](const std::string& name, int n) {
        // The second box is checked during the first loop's first wait, unchecked during its
        // own third pass; the first is unchecked in its third pass.
        if (name == "Button9" && n == 1) QTimer::singleShot(0, [&] { clickBox(second); });
        if (name == "Button54" && n == 3) clickBox(second);
        if (name == "Button9" && n == 3) clickBox(first);
    };
    clickBox(first);
    EXPECT_FALSE(first->isChecked());
    EXPECT_FALSE(second->isChecked());
    EXPECT_EQ(clicks, (std::vector<std::string>{"Button9", "Button54", "Button54", "Button54", "Button9", "Button9"}));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ContinuousMode, ZeroIntervalKeepsTheWindowWorking) {
    fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
    QCheckBox* box = loopBox("CheckBox2");  // Button8, full wait I
    addTarget("Button8");
    edit22->setText("0");
    form->Timer1->setInterval(50);
    int ticks = 0;
    QObject::connect(form->Timer1, &QTimer::timeout, [&] { ++ticks; });
    QTimer::singleShot(300, [&] { clickBox(box); });
    clickBox(box);
    EXPECT_FALSE(box->isChecked()) << "the click that unchecks it got through";
    EXPECT_GE(ticks, 1) << "timers run during the loop";
    EXPECT_GE(count("Button8"), 2);
    EXPECT_EQ(form->StatusPanels[3]->text(), "   2026.12.10   02:05:09 PM   ");
}

TEST_F(ContinuousMode, HexadecimalAndLargestIntervals) {
    fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
    QCheckBox* box = loopBox("CheckBox1");
    addTarget("Button9");
    edit22->setText("$64");  // 100 ms
    QElapsedTimer t;
    t.start();
    onClick = [&](const std::string&, int) { clickBox(box); };  // unchecked during the command
    clickBox(box);
    EXPECT_EQ(count("Button9"), 1);
    EXPECT_GE(t.elapsed(), 105) << "110 ms on a millisecond tick";
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();

    // The largest interval plus the row's offset still waits (it does not wrap around);
    // the end of the program unwinds the wait.
    onClick = nullptr;
    QCheckBox* other = loopBox("CheckBox10");
    addTarget("Button54");
    edit22->setText("2147483647");
    QTimer::singleShot(200, [] { console::endProgram(); });
    clickBox(other);
    EXPECT_EQ(count("Button54"), 1);
    EXPECT_EQ(programEnds, 1);
}

}  // namespace
