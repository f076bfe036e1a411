// The continuous modes of the MIFARE Classic and Ultralight pages: ticked by the operator,
// ended by unticking or by a page change, each after the pass that is running.
#include <QLineEdit>
#include <QTabBar>
#include <QTimer>

#include "operator.h"

namespace {

Bytes ok() { return FakeUsb::makeReply(0x00, 0x00, {0x11, 0x22, 0x33, 0x44}); }

class TypeALoops : public Operator {
protected:
    void SetUp() override {
        Operator::SetUp();
        fake.setDefaultReply(ok());
        form->Edit22->setText("20");
        // A loop that fails to end would hang the test: end it, and say so.
        QTimer::singleShot(10000, form.get(), [this] {
            ADD_FAILURE() << "a loop did not end";
            for (const char* box : {"CheckBox1", "CheckBox2", "CheckBox4", "CheckBox8", "CheckBox9", "CheckBox10", "CheckBox12"})
                control(box)->setChecked(false);
        });
    }
    // What the operator does while a loop runs, once the reader has seen `frames` frames.
    void after(int frames, std::function<void()> act) {
        auto* poll = new QTimer(form.get());
        poll->setInterval(2);
        QObject::connect(poll, &QTimer::timeout, form.get(), [this, poll, frames, act] {
            if (fake.frameCount() < frames) return;
            poll->stop();
            act();
        });
        poll->start();
    }
    void operatorPicksFirstPage() {
        QTabBar* bar = form->PageControl1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    }
    std::vector<std::uint8_t> commands() {
        std::vector<std::uint8_t> out;
        for (const Bytes& f : fake.frames()) out.push_back(f.at(3));
        return out;
    }
};

TEST_F(TypeALoops, WriteThenReadGoesOnAfterAPageChange) {
    form->setActivePage(2);
    int atPageChange = -1;
    after(4, [&] {
        operatorPicksFirstPage();
        atPageChange = fake.frameCount();
    });
    after(10, [&] {
        EXPECT_TRUE(form->CheckBox12->isChecked()) << "the page change leaves it ticked";
        form->setActivePage(2);
        click("CheckBox12");
    });
    clickLoopBox("CheckBox12");

    EXPECT_FALSE(form->CheckBox12->isChecked());
    EXPECT_EQ(form->PageControl1->currentIndex(), 2);
    const auto c = commands();
    ASSERT_GE(atPageChange, 4);
    EXPECT_GT(static_cast<int>(c.size()), atPageChange + 1) << "passes after the page change";
    EXPECT_EQ(c.size() % 2, 0u) << "the last pass completes its read";
    for (std::size_t i = 0; i < c.size(); ++i) EXPECT_EQ(c[i], i % 2 ? 0x20 : 0x21) << i;
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(TypeALoops, APageChangeEndsTheOthersAfterTheirPass) {
    struct Row {
        const char* box;
        int page;
        std::uint8_t command;
    } rows[] = {
        {"CheckBox1", 2, 0x21}, {"CheckBox2", 2, 0x20}, {"CheckBox4", 2, 0x25},
        {"CheckBox8", 3, 0xE3}, {"CheckBox9", 3, 0xE0}, {"CheckBox10", 3, 0xE1},
    };
    for (const Row& r : rows) {
        fake.reset();
        fake.setDefaultReply(ok());
        form->setActivePage(r.page);
        int atPageChange = -1;
        after(3, [&] {
            operatorPicksFirstPage();
            atPageChange = fake.frameCount();
        });
        clickLoopBox(r.box);

        EXPECT_FALSE(control(r.box)->isChecked()) << r.box;
        EXPECT_GE(atPageChange, 3) << r.box << " repeats while ticked";
        EXPECT_EQ(fake.frameCount(), atPageChange) << r.box << ": no pass starts after the page change";
        for (std::uint8_t c : commands()) ASSERT_EQ(c, r.command) << r.box;
    }
}

TEST_F(TypeALoops, UntickingEndsTheLoopAfterItsPass) {
    form->setActivePage(3);
    int atUntick = -1;
    after(2, [&] {
        click("CheckBox10");
        atUntick = fake.frameCount();
    });
    clickLoopBox("CheckBox10");
    EXPECT_GE(atUntick, 2);
    EXPECT_EQ(fake.frameCount(), atUntick);
}

TEST_F(TypeALoops, TheSharedReadHandlerDoesNothingWhileItsBoxIsClear) {
    // CheckBox13 of the ISO14443B page runs this handler.
    ASSERT_FALSE(form->CheckBox2->isChecked());
    form->CheckBox2Click();
    EXPECT_EQ(fake.frameCount(), 0);
}

}  // namespace
