// What the operator's clicks leave on the form, in both builds: a loop box shows its tick
// while its loop runs, and the click is over at once; a page list keeps its selected row.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include "zhoperator.h"

namespace {

class Clicks : public EachBuild {
protected:
    void SetUp() override {
        Operator::SetUp();
        fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
        form->Edit22->setText("20");
        form->Edit6->setText("20");
        form->RadioButton38->setChecked(true);  // Vorcard-zh's send box goes over USB
    }
    // Shows the page that holds `w`, as the program does.
    void showPageOf(QWidget* w) {
        for (int i = 0; i < form->PageControl1->count(); ++i)
            if (form->PageControl1->widget(i)->isAncestorOf(w)) form->setActivePage(i);
        QCoreApplication::processEvents();
    }
    // What the screen shows of a widget: the window's pixels, not a fresh paint.
    QImage onScreen(QWidget* w) {
        const QPoint at = w->mapTo(form.get(), QPoint(0, 0));
        return form->screen()->grabWindow(form->winId(), at.x(), at.y(), w->width(), w->height()).toImage();
    }
    // Once the reader has seen `frames` frames, `act` runs (inside the loop's wait).
    void after(int frames, std::function<void()> act) {
        auto* poll = new QTimer(form.get());
        QObject::connect(poll, &QTimer::timeout, form.get(), [this, poll, frames, act] {
            if (fake.frameCount() < frames) return;
            poll->deleteLater();
            poll->stop();
            act();
        });
        poll->start(2);
    }
    // A loop that fails to end would hang the test: end it, and say so.
    void endLoopsAfterTenSeconds(QAbstractButton* box) {
        QTimer::singleShot(10000, box, [box] {
            ADD_FAILURE() << "the loop did not end";
            box->setChecked(false);
        });
    }
};

// The serial page's box and a box of the loop table.
constexpr const char* kBoxes[] = {"CheckBox3", "CheckBox1"};

TEST_P(Clicks, LoopBoxShowsItsTickWhileItsLoopRunsAndTheClickIsOverAtOnce) {
    for (const char* name : kBoxes) {
        fake.reset();
        fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
        auto* box = control<QCheckBox>(name);
        showPageOf(box);
        const QImage clear = onScreen(box);
        endLoopsAfterTenSeconds(box);

        QImage during;
        after(3, [&] {
            during = onScreen(box);
            QTest::mouseClick(box, Qt::LeftButton);
        });
        QTest::mouseClick(box, Qt::LeftButton);
        EXPECT_TRUE(box->isChecked()) << name;
        EXPECT_EQ(fake.frameCount(), 0) << name << ": the click is over before its loop starts";
        EXPECT_TRUE(QTest::qWaitFor([&] { return !box->isChecked(); }, 10000)) << name;
        const int frames = fake.frameCount();
        EXPECT_GE(frames, 3) << name << ": frames kept coming";
        QTest::qWait(50);
        EXPECT_EQ(fake.frameCount(), frames) << name << ": the uncheck ended the loop";

        // The same box, checked and idle.
        {
            const QSignalBlocker quiet(box);
            box->setChecked(true);
        }
        QTest::qWait(20);
        const QImage ticked = onScreen(box);
        {
            const QSignalBlocker quiet(box);
            box->setChecked(false);
        }
        EXPECT_TRUE(during == ticked) << name << ": the box shows its tick during the loop";
        EXPECT_FALSE(during == clear) << name;
    }
}

// Clicks that come before the loop has started: the loop runs as it did when it started inside
// the click, with its first pass made; a window closed by then starts nothing.
TEST_P(Clicks, ChangesBeforeTheLoopStarts) {
    for (const char* name : kBoxes) {
        auto* box = control<QCheckBox>(name);
        showPageOf(box);
        endLoopsAfterTenSeconds(box);

        // Ticked and unticked at once: one pass.
        fake.reset();
        fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::qWait(100);
        EXPECT_EQ(fake.frameCount(), 1) << name;

        // Ticked again at once: the loop goes on until unticked.
        fake.reset();
        fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::mouseClick(box, Qt::LeftButton);
        after(4, [&] { QTest::mouseClick(box, Qt::LeftButton); });
        EXPECT_TRUE(QTest::qWaitFor([&] { return !box->isChecked(); }, 10000)) << name;
        const int frames = fake.frameCount();
        EXPECT_GE(frames, 4) << name;
        QTest::qWait(50);
        EXPECT_EQ(fake.frameCount(), frames) << name;

        // A change by the program runs the loop inside it, as before.
        fake.reset();
        fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
        after(2, [&] { box->setChecked(false); });
        box->setChecked(true);
        EXPECT_EQ(fake.frameCount(), 2) << name << ": the loop ran inside setChecked";
    }
    EXPECT_TRUE(errors.isEmpty());

    // The window closed before the loop starts: nothing is sent.
    fake.reset();
    auto* box = control<QCheckBox>("CheckBox3");
    QTest::mouseClick(box, Qt::LeftButton);
    form->close();
    QTest::qWait(100);
    EXPECT_EQ(fake.frameCount(), 0);
    EXPECT_EQ(programEnds, 1);
}

// Ctrl+click on the selected row of an Ultralight page list leaves it selected: the read and
// the write still name their page.
TEST_P(Clicks, PageListKeepsItsSelectedRow) {
    struct {
        const char* list;
        const char* button;
        Bytes frame;  // with the list's first selection (page 00 to read, page 04 to write)
    } rows[] = {
        {"ListBox1", "Button18", {0x02, 0x00, 0x03, 0xE0, 0x00, 0x00, 0xE3, 0x03}},
        {"ListBox2", "Button54", {0x02, 0x00, 0x08, 0xE1, 0x00, 0x01, 0x04, 0x11, 0x22, 0x33, 0x44, 0xA8, 0x03}},
    };
    form->Edit56->setText("11223344");
    for (const auto& r : rows) {
        auto* list = control<QListWidget>(r.list);
        showPageOf(list);
        QListWidgetItem* selected = list->selectedItems().value(0);
        ASSERT_NE(selected, nullptr) << r.list;
        const QPoint at = list->visualItemRect(selected).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
        EXPECT_EQ(list->selectedItems(), QList<QListWidgetItem*>{selected}) << r.list;

        fake.reset();
        fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
        click(r.button);
        EXPECT_EQ(lastFrame(), r.frame) << r.list;
        // Another row, picked with Ctrl held, is selected in its place.
        QListWidgetItem* other = list->item(2);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, list->visualItemRect(other).center());
        EXPECT_EQ(list->selectedItems(), QList<QListWidgetItem*>{other}) << r.list;
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Builds, Clicks, ::testing::Bool(), eachBuildName);

}  // namespace
