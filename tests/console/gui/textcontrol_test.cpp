// The text view's editing control driven without a widget: key events in, text, caret and
// rows out, and what it asks of the view that would show it.
#include <QClipboard>
#include <QGuiApplication>
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

// Undoing a paste at the very start leaves the caret where the text was (Qt's box sends its
// caret past the first line, away from the edit).
TEST(TextControl, UndoOfAPasteAtTheStartLeavesTheCaretThere) {
    TextControl control;
    control.setPlainText("abc\ndef");
    for (const QString& pasted : {QStringLiteral("X"), QStringLiteral("\n")}) {
        QGuiApplication::clipboard()->setText(pasted);
        control.paste();
        control.undo();
        EXPECT_EQ(control.toPlainText(), "abc\ndef");
        EXPECT_EQ(control.caret(), (Position{0, 0})) << "undoing a paste of " << pasted.toStdString();
    }
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

// The caret's x in each row stands where Qt's layout of the same line, wrapped at the same
// width, puts it: tabs reach the next stop from their row's start, and right-to-left words
// run in visual order.
TEST(TextControl, PlacesTheCaretInEachRowAsQtsLayout) {
    QFont font;
    font.setPixelSize(13);
    const int width = 180;
    const QString texts[] = {
        "alpha beta gamma delta epsilon zeta\tnu xi\tomicron pi",
        "one\ttwo\tthree\tfour\tfive\tsix\tseven",
        QStringLiteral("ab אבגד cd"),
        QStringLiteral("one two three four five ab אבגד cd eleven twelve"),
    };
    for (const QString& text : texts) {
        TextControl control;
        control.setFont(font);
        control.setWrapWidth(width);
        control.setPlainText(text);
        QTextLayout qt(text, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        qt.setTextOption(option);
        qt.beginLayout();
        for (QTextLine line = qt.createLine(); line.isValid(); line = qt.createLine()) line.setLineWidth(width);
        qt.endLayout();
        TextLayout& layout = control.layout();
        ASSERT_EQ(layout.rowCount(), qt.lineCount()) << text.toStdString();
        for (int i = 0; i < qt.lineCount(); ++i) {
            const QTextLine line = qt.lineAt(i);
            const TextLayout::Row row = layout.rowAtIndex(i);
            for (int c = line.textStart(); c < line.textStart() + line.textLength(); ++c) {
                // Where the next row starts, the caret shows there; a row's own positions here.
                if (c > line.textStart() && text[c].isLowSurrogate()) continue;
                // Qt's layout puts the caret before a right-to-left run on a row after the
                // first at the row's right edge, past the text: its own fault, not followed.
                if (i > 0 && line.cursorToX(c) >= width) continue;
                EXPECT_NEAR(layout.xInRow(row, c), line.cursorToX(c), 1.0)
                    << text.toStdString() << ", row " << i << ", column " << c;
            }
        }
    }
}

}  // namespace
