// The log pane's view while lines arrive: scrolled up, it stays where the operator put it; at
// the end, it follows; a click lands on what was drawn under the pointer; a caret move onto a
// long line scrolls to it at once; the sideways range is that of the widest line there is.
#include <QScrollBar>
#include <QTimer>
#include <functional>

#include "gui/waits.h"
#include "operator.h"

namespace {

class LogView : public Operator {
protected:
    void SetUp() override {
        Operator::SetUp();
        pane = form->RichEdit1;
        v = pane->verticalScrollBar();
        h = pane->horizontalScrollBar();
    }
    void addLines(int count) {
        for (int i = 0; i < count; ++i) form->addLog("line " + std::to_string(added++));
    }
    // Added lines reach the view within a frame; waits (generously) until `done` holds.
    template <typename F>
    bool eventually(F done) {
        for (int i = 0; i < 1000 && !done(); ++i) console::Delayy(5);
        return done();
    }
    bool atTheEnd() const { return v->maximum() > 0 && v->value() == v->maximum(); }
    QImage shown() const { return pane->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // How far a line of `n` W's reaches past the view.
    int overhang(int n) const { return pane->fontMetrics().horizontalAdvance(QString(n, 'W')) - pane->viewport()->width(); }
    LogPane* pane = nullptr;
    QScrollBar* v = nullptr;
    QScrollBar* h = nullptr;
    int added = 0;
};

TEST_F(LogView, ScrolledUpItStaysWhileLinesArriveAndAtTheEndItFollows) {
    addLines(89);
    ASSERT_TRUE(eventually([&] { return atTheEnd(); }));
    form->setFocus();  // no caret in the pictures
    const struct {
        const char* name;
        std::function<void()> arrive;
    } arrivals[] = {
        {"one line", [&] { addLines(1); }},
        {"a burst", [&] { addLines(300); }},
        {"line by line from a timer", [&] {
             QTimer feed;
             QObject::connect(&feed, &QTimer::timeout, [&] { addLines(1); });
             feed.start(5);
             console::Delayy(300);
         }},
    };
    const struct {
        const char* name;
        std::function<int()> value;
        bool follows;
    } places[] = {
        {"at the top", [] { return 0; }, false},
        {"in the middle", [&] { return v->maximum() / 2; }, false},
        {"at the end", [&] { return v->maximum(); }, true},
    };
    for (const auto& arrival : arrivals) {
        for (const auto& place : places) {
            SCOPED_TRACE(std::string(arrival.name) + ", " + place.name);
            const int at = place.value();
            v->setValue(at);
            console::Delayy(30);  // painted where the operator put it
            const QImage before = shown();
            arrival.arrive();
            console::Delayy(50);  // more than a frame
            if (place.follows) {
                const QString last = QString("line %1").arg(added - 1);
                EXPECT_TRUE(eventually([&] { return atTheEnd() && pane->line(v->value() + v->pageStep() - 1) == last; }));
            } else {
                EXPECT_EQ(v->value(), at);
                EXPECT_TRUE(shown() == before) << "the lines shown stay";
            }
        }
    }
}

// At the end the view follows, but until the next frame the operator sees what was drawn: a
// click made then lands on the character drawn under the pointer.
TEST_F(LogView, AClickRightAfterLinesArriveLandsOnWhatWasDrawnUnderThePointer) {
    addLines(89);
    ASSERT_TRUE(eventually([&] { return atTheEnd(); }));
    for (int burst : {1, 5, 40}) {
        SCOPED_TRACE(burst);
        v->setValue(v->maximum());
        const LogPane::Position target{v->value() + 2, 3};
        pane->setCaret(target);
        const QPoint under = pane->cursorRect().center();
        pane->setCaret({v->value(), 0});
        console::Delayy(30);  // the view painted as the operator sees it
        ASSERT_TRUE(atTheEnd());
        addLines(burst);
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, under);
        EXPECT_EQ(pane->caret(), target) << "landed on line " << pane->caret().line << ", drawn there: " << target.line;
    }
}

// Lines just added or scrolled past are measured when painted; a caret move onto one that has
// not been painted yet shows the caret at once, scrolled sideways to it.
TEST_F(LogView, ACaretMoveOntoALongLineNotYetPaintedScrollsToItAtOnce) {
    form->addLog(std::string(1000, 'W'));  // scrolled past before it is ever painted
    addLines(200);
    ASSERT_TRUE(eventually([&] { return atTheEnd(); }));
    pane->setFocus();
    const struct {
        const char* name;
        int width;  // of a line added just before the move; 0: none
        std::function<void()> move;
    } moves[] = {
        {"Ctrl+End", 300, [&] { QTest::keyClick(pane, Qt::Key_End, Qt::ControlModifier); }},
        {"the program's caret move", 500, [&] { pane->setCaret(pane->endPosition()); }},
        {"onto a line scrolled past", 0, [&] { pane->setCaret({0, 1000}); }},
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(m.name);
        if (m.width) form->addLog(std::string(std::size_t(m.width), 'W'));
        m.move();
        EXPECT_TRUE(pane->viewport()->rect().contains(pane->cursorRect()))
            << "caret at " << pane->cursorRect().x() << " in a view " << pane->viewport()->width() << " wide";
        console::Delayy(30);
    }
}

TEST_F(LogView, TheSidewaysRangeShrinksWhenTheWidestLineGoes) {
    form->addLog(std::string(400, 'W'));
    form->addLog(std::string(250, 'W'));
    form->addLog("short");
    ASSERT_TRUE(eventually([&] { return h->maximum() >= overhang(400); }));
    ASSERT_GT(overhang(250), 0);
    pane->setFocus();
    // The widest line goes, then the next: the range is that of the widest line left.
    const struct {
        int gone, next;  // widths in W's; 0: only the short line is left
    } steps[] = {{400, 250}, {250, 0}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.gone);
        // The operator selects the widest line whole and deletes it.
        pane->setCaret({0, 0});
        pane->setCaret({1, 0}, true);
        QTest::keyClick(pane, Qt::Key_Delete);
        ASSERT_EQ(pane->line(0), s.next ? QString(s.next, 'W') : QString("short"));
        EXPECT_TRUE(eventually([&] {
            return h->maximum() < overhang(s.gone) && (s.next ? h->maximum() >= overhang(s.next) : h->maximum() == 0);
        })) << "range " << h->maximum();
    }
}

}  // namespace
