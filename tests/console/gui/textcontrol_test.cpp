// The text view's editing control driven without a widget: key events in, text, caret and
// rows out, and what it asks of the view that would show it.
#include <QKeyEvent>
#include <QTextLayout>
#include <gtest/gtest.h>

#include "gui/textview/textcontrol.h"

namespace {

using Position = TextControl::Position;

void press(TextControl& control, int key, Qt::KeyboardModifiers modifiers = {}, const QString& text = {}) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    EXPECT_TRUE(control.keyPress(&event)) << "key " << key;
}

void type(TextControl& control, const QString& text) {
    for (QChar c : text) press(control, Qt::Key_unknown, {}, QString(c));
}

// A view stand-in: pages of three rows, and what it was asked to scroll.
struct Host : TextControl::Host {
    int pageRows() const override { return 3; }
    void scrollRows(int rows) override { scrolled += rows; }
    void caretMoved() override { ++moves; }
    int scrolled = 0;
    int moves = 0;
};

TEST(TextControl, TakesKeysAndUndoesWithoutAWidget) {
    TextControl control;
    Host host;
    control.setHost(&host);
    type(control, "abc");
    press(control, Qt::Key_Left);
    press(control, Qt::Key_Backspace);
    EXPECT_EQ(control.toPlainText(), "ac");
    EXPECT_EQ(control.caret(), (Position{0, 1}));
    press(control, Qt::Key_Return);
    type(control, "x");
    EXPECT_EQ(control.toPlainText(), "a\nxc");
    press(control, Qt::Key_Z, Qt::ControlModifier);
    press(control, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(control.toPlainText(), "ac");
    EXPECT_GT(host.moves, 0) << "the view is told of every move";
}

TEST(TextControl, PagesByTheViewsRowsAndAsksItToScroll) {
    TextControl control;
    Host host;
    control.setHost(&host);
    control.setPlainText("0\n1\n2\n3\n4\n5\n6\n7");
    press(control, Qt::Key_PageDown);
    EXPECT_EQ(control.caret(), (Position{3, 0}));
    EXPECT_EQ(host.scrolled, 3);
    press(control, Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(control.caret(), (Position{6, 0}));
    EXPECT_EQ(control.anchor(), (Position{3, 0}));
    press(control, Qt::Key_PageUp);
    EXPECT_EQ(control.caret(), (Position{3, 0}));
    EXPECT_FALSE(control.hasSelection());
}

// The rows of a wrapped line start where Qt's own layout, wrapping at word boundaries or
// anywhere at the same width, starts its lines.
TEST(TextControl, WrapsWhereQtsLayoutWraps) {
    QFont font;
    font.setPixelSize(13);
    const int width = 150;
    const QString texts[] = {
        QString(60, u'A'),
        "AA 00 03 85 01 78 ff BB AA 00 03 85 01 78 ff BB AA 00 03",
        "alpha beta-gamma-delta epsilon   zeta eta theta iota kappa",
        QStringLiteral("中文数据中文数据 中文数据中文数据中文数据中文数据"),
        "short words then averyveryverylongwordthatcannotfitinone row",
    };
    for (const QString& text : texts) {
        TextControl control;
        control.setFont(font);
        control.setWrapWidth(width);
        control.setPlainText(text);
        std::vector<int> ours;
        for (int i = 0;; ++i) {
            const TextLayout::Row row = control.layout().rowOfLine(0, i);
            ours.push_back(row.from);
            if (row.last) break;
        }
        QTextLayout qt(text, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        qt.setTextOption(option);
        qt.beginLayout();
        std::vector<int> expected;
        for (QTextLine line = qt.createLine(); line.isValid(); line = qt.createLine()) {
            line.setLineWidth(width);
            expected.push_back(line.textStart());
        }
        qt.endLayout();
        EXPECT_EQ(ours, expected) << text.toStdString();
    }
}

}  // namespace
