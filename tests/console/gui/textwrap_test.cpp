// The send box wrapping at its width, against Qt's own plain-text box wrapping at the same
// width beside it: both break a line into the same rows, and keys and clicks on wrapped rows
// leave the same text, caret and anchor, with the caret drawn at the same place.
#include <QFontInfo>
#include <cmath>
#include <QTextBlock>
#include <QTextLayout>

#include "operator.h"
#include "textdiff.h"

namespace {

using namespace textdiff;
using K = QKeySequence;

constexpr int kTextWidth = 200;  // the rows' width: the viewport less the margins of 4

class WrappedTextBoxes : public TextBoxTest<Operator> {
protected:
    void SetUp() override {
        TextBoxTest::SetUp();
        wrapLikeBox(ref.get(), box);
        setViewportWidth(box, kTextWidth + 8);
        setViewportWidth(ref.get(), kTextWidth + 8);
        ASSERT_EQ(box->viewport()->size(), ref->viewport()->size());
    }
};

struct WrapCase {
    const char* name;
    QString start;  // '|' the caret, '^' the anchor
    std::vector<Act> steps;
};

const QString kWords = QStringLiteral("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu");
const QString kRun = QString(100, u'A');
QString frame(int bytes) {
    QString text = QStringLiteral("AA");
    for (int i = 1; i < bytes; ++i) text += QStringLiteral(" %1").arg(i - 1, 2, 16, QLatin1Char('0')).toUpper();
    return text;
}
// Marks the caret at `at` in text.
QString caretAt(const QString& text, int at) { return text.left(at) + u'|' + text.mid(at); }

// The differences in where the caret shows: x within `slack` pixels (a pixel for the
// rounding of widths), the row's y exactly. Empty when they agree.
std::string caretDifference(const QRect& ours, const QRect& ref, int slack = 1) {
    if (std::abs(ours.x() - ref.x()) <= slack && ours.y() == ref.y()) return {};
    return "caret at (" + std::to_string(ours.x()) + ", " + std::to_string(ours.y()) + "), the reference's at (" +
           std::to_string(ref.x()) + ", " + std::to_string(ref.y()) + ")";
}

// Runs each case on both boxes, comparing after every step; a case stops at its first
// difference.
void runWrapCases(SendBox* box, QPlainTextEdit* ref, const std::vector<WrapCase>& cases) {
    for (const WrapCase& c : cases) {
        const State start = marked(c.start);
        setState(box, start);
        setState(ref, start);
        ASSERT_EQ(stateOf(box), start) << c.name;
        EXPECT_EQ(rowStartsOf(caretWalk(box)), rowStartsOf(caretWalk(ref))) << c.name << ": the rows";
        EXPECT_EQ(caretDifference(box->cursorRect(), ref->cursorRect()), "") << c.name << ", at the start";
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Act& step = c.steps[i];
            const QPoint point = pointFor(step, ref);
            perform(box, step, point);
            perform(ref, step, point);
            const std::string where = std::string(c.name) + ", step " + std::to_string(i + 1) + " (" + shown(step) + ")";
            const bool same = stateOf(box) == stateOf(ref);
            EXPECT_EQ(stateOf(box), stateOf(ref)) << where;
            const std::string caret = caretDifference(box->cursorRect(), ref->cursorRect());
            EXPECT_EQ(caret, "") << where << " \"" << shown(stateOf(ref)) << "\"";
            if (!same || !caret.empty()) break;
        }
    }
}

// Both boxes break lines at the same width: same font, margin and viewport, so that the rows
// of a line of words, of a run without blanks and of a frame start at the same places.
TEST_F(WrappedTextBoxes, WrapAtTheSameWidthAsTheReference) {
    EXPECT_EQ(QFontInfo(box->font()).family(), QFontInfo(ref->font()).family());
    EXPECT_EQ(box->font(), ref->font());
    EXPECT_EQ(ref->document()->documentMargin(), 4);
    EXPECT_EQ(box->viewport()->width(), kTextWidth + 8);
    for (const QString& text : {kWords, kRun, frame(40), kWords + u'\n' + kRun + u'\n' + frame(20)}) {
        setState(box, {text, 0, 0});
        setState(ref.get(), {text, 0, 0});
        const std::vector<int> rows = rowStartsOf(caretWalk(ref.get()));
        EXPECT_FALSE(rows.empty()) << shownText(text) << ": wrapped";
        EXPECT_EQ(rowStartsOf(caretWalk(box)), rows) << shownText(text);
    }
}

// The key cases of the unwrapped comparison, with both boxes wrapping at 200 pixels.
TEST_F(WrappedTextBoxes, KeysAndUndoAsQtsPlainTextBox) { runKeyCases(box, ref.get()); }

// Texts of the cases: a line of words, a run without blanks, several lines, some thirty rows.
struct Texts {
    QString lines = kWords + QStringLiteral("\nab\n") + kRun + QStringLiteral("\nxyz");
    QString pages;
    int row2 = int(kWords.indexOf(u"epsilon")) + 3;  // inside the second row of words
    int lastRow = int(kWords.size()) - 1;            // inside the last
    Texts() {
        for (int i = 0; i < 6; ++i) pages += kWords + u'\n';
        pages += kRun;
    }
};

TEST_F(WrappedTextBoxes, KeysAndClicksOnWrappedRowsAsTheReference) {
    const Texts t;
    runWrapCases(box, ref.get(), {
        // Home and End keep to the row: before the blank a row breaks at, at the start of the
        // next row where it breaks inside a run.
        {"Home and End on a row broken after a blank", caretAt(kWords, t.row2),
         {K::MoveToEndOfLine, K::MoveToEndOfLine, K::MoveToNextChar, K::MoveToStartOfLine, K::MoveToPreviousChar,
          K::MoveToStartOfLine, K::MoveToEndOfLine}},
        {"Home and End on a run without blanks", caretAt(kRun, 30),
         {K::MoveToStartOfLine, K::MoveToEndOfLine, K::MoveToEndOfLine, K::MoveToStartOfLine, K::MoveToPreviousChar,
          K::MoveToStartOfLine}},
        {"Shift+Home and Shift+End", caretAt(kWords, t.row2),
         {K::SelectEndOfLine, K::SelectStartOfLine, K::SelectStartOfLine, K::SelectEndOfLine, K::MoveToEndOfLine}},
        {"Shift+End over a run's rows", caretAt(kRun, 30), {K::SelectEndOfLine, K::SelectEndOfLine, K::SelectStartOfLine}},
        // Up and Down keep the column they started from over shorter rows and lines.
        {"Up and Down keep the goal column", caretAt(t.lines, 20),
         {K::MoveToNextLine, K::MoveToNextLine, K::MoveToNextLine, K::MoveToNextLine, K::MoveToNextLine, K::MoveToNextLine,
          K::MoveToNextLine, K::MoveToNextLine, K::MoveToPreviousLine, K::MoveToPreviousLine, K::MoveToPreviousLine,
          K::MoveToPreviousLine, K::MoveToPreviousLine}},
        {"Shift+Down and Shift+Up over rows", caretAt(t.lines, 5),
         {K::SelectNextLine, K::SelectNextLine, K::SelectNextLine, K::SelectPreviousLine, K::MoveToNextLine}},
        {"Down from a row's end", caretAt(kWords, t.row2), {K::MoveToEndOfLine, K::MoveToNextLine, K::MoveToPreviousLine}},
        {"Up on the first row, Down on the last", caretAt(kRun, 10), {K::MoveToPreviousLine, K::MoveToEndOfDocument, K::MoveToNextLine}},
        {"the whole text", caretAt(t.lines, t.row2),
         {K::MoveToEndOfDocument, K::MoveToStartOfDocument, K::SelectEndOfDocument, K::SelectStartOfDocument}},
        // Clicks on wrapped rows, past a row's end, on the last row.
        {"clicks on rows broken after blanks", caretAt(kWords, 0),
         {clickOn(t.row2, 2), clickOn(t.row2 + 4, -3), clickPastRowEnd(0), clickPastRowEnd(t.row2), clickPastRowEnd(int(kWords.size()))}},
        {"clicks on rows broken inside a run", caretAt(kRun, 0), {clickOn(30, 2), clickOn(60, -2), clickOn(24, 3), clickOn(24, 6), clickPastRowEnd(99)}},
        {"a double click on a wrapped row, then a triple click", caretAt(kWords, 0), {clickOn(t.row2, 2, 2), clickOn(t.row2, 30, 3)}},
        {"a double click on a row of a run", caretAt(kRun, 0), {clickOn(40, 0, 2)}},
        {"a click past the end of a short line between wrapped ones", caretAt(t.lines, 0), {clickPastRowEnd(int(kWords.size()) + 1)}},
        // A hex frame: its rows break between pairs.
        {"Home, End and Down in a frame", caretAt(frame(40), 40),
         {K::MoveToEndOfLine, K::MoveToNextChar, K::MoveToEndOfLine, K::MoveToNextLine, K::MoveToStartOfLine}},
        // A composition, committed over the character before the caret.
        {"a commit in place of the character before the caret", caretAt(kWords, t.row2), {imCompose("n", 1), imCommit("ñ", -1, 1), K::Undo}},
    });
}

// On the first and last rows, at a row's end, above and below the text, in a view scrolled
// off its first row, with compositions and over a right-to-left word, as the reference.
// (Tab is left out: the form's memo takes no tabs, and the key moves the focus, on purpose.)
TEST_F(WrappedTextBoxes, KeysAndClicksAtTheEndsAndInMixedDirectionAsTheReference) {
    const Texts t;
    const QString hebrew = QStringLiteral("ab \u05D0\u05D1\u05D2\u05D3 cd");
    runWrapCases(box, ref.get(), {
        {"Up on the first row keeps a selection", "al^pha |beta", {K::MoveToPreviousLine}},
        {"Down on the last row keeps a selection", "al^pha |beta", {K::MoveToNextLine}},
        {"Down on the last row after an Up to a row's end", caretAt(kRun, 99), {K::MoveToEndOfDocument, K::MoveToPreviousLine, K::MoveToNextLine}},
        {"Shift+Up on the first row", caretAt(kWords, 5), {K::SelectPreviousLine}},
        {"Shift+Down on the last row", caretAt(kWords, t.lastRow), {K::SelectNextLine}},
        {"a click past the end of a row broken inside a run", caretAt(kRun, 0), {clickPastRowEnd(0), clickPastRowEnd(30), clickPastRowEnd(60)}},
        {"a click above the first row", caretAt(kWords, t.row2), {clickAt(QPoint(100, 1), 0, 1)}},
        {"a click below the last row", caretAt(kWords, 0), {clickAt(QPoint(10, 120), 0, 1)}},
        {"a click in a view scrolled off its first row", caretAt(t.pages, 0), {clickAt(QPoint(60, 15), 3, 1), clickAt(QPoint(60, 22), 3, 1)}},
        // Scrolled to a row inside a wrapped line, the reference's rows start a fraction of a
        // pixel lower: a click on a row's first pixel goes to the row above it.
        {"clicks on the first pixels of rows in a view scrolled into a wrapped line", caretAt(t.pages, 0),
         {clickAt(QPoint(60, 0), 1, 1), clickAt(QPoint(60, 1), 1, 1), clickAt(QPoint(60, box->fontMetrics().lineSpacing()), 1, 1),
          clickAt(QPoint(60, box->fontMetrics().lineSpacing() + 1), 1, 1)}},
        {"a composition over a selection", "al^pha| beta", {imCompose("n", 1), imCompose("", 0)}},
        {"a composition at the end of a full row", caretAt(kWords, int(kWords.indexOf(u" zeta"))), {imCompose("zhongwen", 8)}},
        {"clicks on a Hebrew word", caretAt(hebrew, 0), {clickOn(3, 2), clickOn(4, 2), clickOn(5, 2), clickOn(6, 2), clickOn(7, -2)}},
        {"Right over a Hebrew word", caretAt(hebrew, 2), {K::MoveToNextChar, K::MoveToNextChar, K::MoveToNextChar, K::MoveToNextChar, K::MoveToNextChar}},
        {"Left into a Hebrew word", caretAt(hebrew, 8), {K::MoveToPreviousChar, K::MoveToPreviousChar, K::MoveToPreviousChar}},
    });
}

// Page Down and Page Up scroll a page and keep the caret's place in the view, the top margin
// scrolled away with the first row, as the reference; scrolled into a wrapped line, the caret
// rectangle a pixel lower, as the reference reports it there.
TEST_F(WrappedTextBoxes, PagesOverWrappedRowsAsTheReference) {
    const Texts t;
    using Key = QKeySequence::StandardKey;
    const std::vector<Key> keys = {K::MoveToNextPage, K::MoveToNextPage, K::MoveToPreviousPage, K::SelectNextPage,
                                   K::SelectPreviousPage, K::MoveToNextPage, K::MoveToNextPage, K::MoveToNextPage,
                                   K::MoveToPreviousPage, K::MoveToPreviousPage, K::MoveToPreviousPage};
    const State start = marked(caretAt(t.pages, 20));
    setState(box, start);
    setState(ref.get(), start);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        perform(box, Step(keys[i]));
        perform(ref.get(), Step(keys[i]));
        ASSERT_EQ(stateOf(box), stateOf(ref.get())) << "step " << i + 1;
        EXPECT_EQ(box->verticalScrollBar()->value(), ref->verticalScrollBar()->value()) << "step " << i + 1;
        EXPECT_EQ(box->cursorRect().y(), ref->cursorRect().y()) << "step " << i + 1;
        EXPECT_LE(std::abs(box->cursorRect().x() - ref->cursorRect().x()), 1) << "step " << i + 1;
    }
}

// A double click at a word's end (on its last character's right half, or on the blanks after
// it but the last) selects that word, and one on the blanks that end a line selects nothing.
TEST_F(WrappedTextBoxes, DoubleClicksAtAWordsEndAsTheReference) {
    runWrapCases(box, ref.get(), {
        {"on a word's last character", "|alpha beta gamma", {clickOn(10, -2, 2)}},
        {"on the blank after a word", "|alpha beta gamma", {clickOn(10, 1, 2)}},
        {"inside a run of blanks", "|alpha    beta", {clickOn(7, 1, 2)}},
        {"on the blanks that end a line", "|alpha beta   \nx", {clickOn(12, 1, 2)}},
        {"on an emoji's right half", QString::fromUcs4(U"|ab \U0001F600 cd"), {clickOn(3, 7, 2)}},
    });
}

// The reference's undo steps: a run of typing goes on over caret moves wherever the new text
// joins the last; an input method's commit starts a step of its own, which typing after it
// joins; typing right after a paste joins the paste.
TEST_F(WrappedTextBoxes, UndoStepsAsTheReference) {
    runWrapCases(box, ref.get(), {
        {"typing across caret moves is one step", "x|", {type("ab"), K::MoveToPreviousChar, K::MoveToNextChar, type("c"), K::Undo}},
        {"typing after an End that does not move", "x|", {type("ab"), K::MoveToEndOfLine, type("c"), K::Undo}},
        {"a commit after typing is a step of its own", "x|", {type("ab"), imCommit("é"), K::Undo, K::Undo}},
        {"typing after a commit joins it", "x|", {type("a"), imCommit("é"), type("bc"), K::Undo}},
        {"typing after a paste joins it", "x|", {clip("12"), K::Paste, type("ab"), K::Undo}},
    });
}

// Where the caret stands at every place of a text, as the reference draws it: within `slack`
// pixels, on the same row.
void expectCaretsAsReference(SendBox* box, QPlainTextEdit* ref, const QString& text, const char* name, int slack = 1) {
    setState(box, {text, 0, 0});
    setState(ref, {text, 0, 0});
    const std::vector<CaretAt> ours = caretWalk(box), theirs = caretWalk(ref);
    ASSERT_EQ(ours.size(), theirs.size());
    std::string differences;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        const std::string d = caretDifference(ours[i].rect, theirs[i].rect, slack);
        if (!d.empty()) differences += "\n  before " + std::to_string(ours[i].offset) + ": " + d;
    }
    EXPECT_EQ(differences, "") << name << " \"" << shownText(text) << "\"";
}

TEST_F(WrappedTextBoxes, TheCaretStandsWhereTheReferenceDrawsIt) {
    expectCaretsAsReference(box, ref.get(), kWords, "words");
    expectCaretsAsReference(box, ref.get(), kRun, "a run without blanks");
    expectCaretsAsReference(box, ref.get(), frame(40), "a frame");
    expectCaretsAsReference(box, ref.get(), QStringLiteral("ab\tcd\tef\nalpha beta gamma de\tx"), "tabs on a first row");
    expectCaretsAsReference(box, ref.get(), QStringLiteral("中文数据 ABC 你好世界，再见。 12 34"), "Chinese");
    expectCaretsAsReference(box, ref.get(), QString::fromUcs4(U"ab \U0001F600 x\U0001D400y \U0001F469\u200D\U0001F4BB e\u0301 z"), "emoji and marks");
}

// The caret where the reference draws it after a tab on a wrapped line's second row (tab stops
// count from the row's start), in blanks past a row's end (they hang at its right edge), and in
// a line of mixed direction (a right-to-left word placed as drawn).
TEST_F(WrappedTextBoxes, TheCaretStandsWhereTheReferenceDrawsItAfterTabsBlanksAndInMixedDirection) {
    expectCaretsAsReference(box, ref.get(), QStringLiteral("alpha beta gamma delta epsilon zeta\teta\ttheta"), "tabs on a second row");
    expectCaretsAsReference(box, ref.get(), QStringLiteral("alpha beta gamma delta") + QString(20, u' ') + QStringLiteral("epsilon"), "blanks past a row's end");
    expectCaretsAsReference(box, ref.get(), QStringLiteral("alpha beta gamma delta epsilon zeta") + QString(60, u' '), "blanks past the end of a line");
    expectCaretsAsReference(box, ref.get(), QStringLiteral("ab \u05D0\u05D1\u05D2\u05D3 cd"), "mixed direction");
    expectCaretsAsReference(box, ref.get(), QStringLiteral("ab \u05D0\u05D1\u05D2\u05D3 cd ab \u05D0\u05D1\u05D2\u05D3 cd ab \u05D0\u05D1\u05D2\u05D3 cd"),
                            "mixed direction over rows");
}

// The caret to the pixel where the reference draws it: the kerning between the characters on
// either side of the caret counts, as in the reference's row shaped whole.
TEST_F(WrappedTextBoxes, TheCaretStandsExactlyWhereTheReferenceDrawsIt) {
    expectCaretsAsReference(box, ref.get(), kRun, "a run without blanks", 0);
    expectCaretsAsReference(box, ref.get(), QStringLiteral("AVAVAV To Ta WAVE yoy"), "kerned pairs", 0);
    expectCaretsAsReference(box, ref.get(), frame(40), "a frame", 0);
}

// The row starts of a text in each box, the reference's as its layout breaks it.
void expectRowsAsReference(SendBox* box, QPlainTextEdit* ref, const QString& text, const char* name) {
    setState(box, {text, 0, 0});
    setState(ref, {text, 0, 0});
    EXPECT_EQ(rowOffsets(box), rowOffsets(ref)) << name << " \"" << shownText(text) << "\"";
}

// Rows break where the reference breaks them: after a hyphen, a slash, a closing bracket, and
// between ideographs or emoji, not only at blanks; a run after blanks that open a line starts
// on that row; a row ends only where the last glyph's overhang fits too (f, k, t, K, L).
TEST_F(WrappedTextBoxes, RowsBreakWhereTheReferenceBreaksThem) {
    expectRowsAsReference(box, ref.get(), QStringLiteral("alpha beta-gamma-delta-epsilon-zeta-eta-theta"), "hyphens");
    expectRowsAsReference(box, ref.get(), QStringLiteral("alpha beta/gamma/delta/epsilon/zeta/eta/theta/iota"), "slashes");
    expectRowsAsReference(box, ref.get(), QStringLiteral("alpha (a,b)(a,b)(a,b)(a,b)(a,b)(a,b)(a,b)(a,b)"), "brackets");
    expectRowsAsReference(box, ref.get(), QStringLiteral("aaaa 中文数据中文数据中文数据中文数据中文数据中文数据"), "ideographs");
    expectRowsAsReference(box, ref.get(), QStringLiteral("alpha beta gamma delta epsilon zet") + QString::fromUcs4(U"\U0001F600").repeated(12), "emoji");
    expectRowsAsReference(box, ref.get(), u' ' + kRun, "a blank, then a long run");
    expectRowsAsReference(box, ref.get(), QStringLiteral("   ") + kRun, "blanks, then a long run");
    // A run broken where it fills the row, at a width where the widths the box adds up come to a
    // character more than the reference's layout holds.
    setViewportWidth(box, 188);
    setViewportWidth(ref.get(), 188);
    expectRowsAsReference(box, ref.get(), kRun, "a run at 180 pixels");
    // A row exactly as wide as the text up to the overhanging letter.
    for (const QString& word : {QStringLiteral("5f"), QStringLiteral("ok"), QStringLiteral("at"), QStringLiteral("OK"), QStringLiteral("AL")}) {
        const QString text = QStringLiteral("alpha beta ") + word + QStringLiteral(" gamma");
        const int width = int(std::ceil(QFontMetricsF(box->font()).horizontalAdvance(text.left(11 + 2))));
        setViewportWidth(box, width + 8);
        setViewportWidth(ref.get(), width + 8);
        expectRowsAsReference(box, ref.get(), text, "a row ending in an overhanging letter");
    }
}

// A click at each pixel along a row lands where it lands in the reference: on the nearer side
// of the character under the pointer. With `slack`, the pixels within that many of a
// character's middle are left out, where the boxes' rounding of widths decides.
void expectClicksAsReference(SendBox* box, QPlainTextEdit* ref, const QString& text, const char* name, int slack = 0) {
    setState(box, {text, 0, 0});
    setState(ref, {text, 0, 0});
    const std::vector<CaretAt> stops = caretWalk(ref);
    auto nearMiddle = [&](int x) {
        for (std::size_t i = 1; i < stops.size(); ++i)
            if (std::abs(2 * x - stops[i - 1].rect.x() - stops[i].rect.x()) <= 2 * slack) return true;
        return false;
    };
    const int y = pointAt(ref, 0).y();
    std::string differences;
    for (int x = 0; x < ref->viewport()->width(); ++x) {
        if (slack > 0 && nearMiddle(x)) continue;
        clicks(box->viewport(), {x, y}, 1);
        clicks(ref->viewport(), {x, y}, 1);
        if (stateOf(box).caret != stateOf(ref).caret)
            differences += "\n  at x " + std::to_string(x) + ": before " + std::to_string(stateOf(box).caret) + ", the reference's before " +
                           std::to_string(stateOf(ref).caret);
    }
    EXPECT_EQ(differences, "") << name << " \"" << shownText(text) << "\"";
}

// No row with a combining mark or a joiner sequence: there the reference's hit test is off.
TEST_F(WrappedTextBoxes, AClickAtEachPixelOfARowLandsAsInTheReference) {
    expectClicksAsReference(box, ref.get(), QStringLiteral("AA 00 01 02 03 0F 10 FF 7E"), "a frame");
    expectClicksAsReference(box, ref.get(), QStringLiteral("alpha beta gamma delta"), "words");
    expectClicksAsReference(box, ref.get(), QString::fromUcs4(U"ab 中文 数据 \U0001F600 x\U0001D400y"), "ideographs and emoji", 1);
    // Past the last word of a wrapped row, on the blanks hanging at its end: before the last.
    expectClicksAsReference(box, ref.get(), QStringLiteral("alpha beta gamma") + QString(20, u' ') + QStringLiteral("delta"),
                            "a wrapped row ending in blanks");
}

// A click at each pixel of a row of kerned pairs lands where the reference puts it, on the
// nearer side of the character under it.
TEST_F(WrappedTextBoxes, AClickAtEachPixelOfAKernedRowLandsAsInTheReference) {
    expectClicksAsReference(box, ref.get(), QStringLiteral("AVAVAV To Ta WAVE yoy"), "kerned pairs");
}

// Edits inside a line longer than a few dozen words leave it measured as a fresh box measures
// the same text: the same rows, the caret at the same x before every character.
// Edits in a long line, measured in stretches, leave it as a fresh box measures it: a width
// across a stretch's cut counts the kerning there, wherever an edit moves the cuts.
TEST_F(WrappedTextBoxes, EditsInALongLineLeaveItAsAFreshBoxMeasuresIt) {
    QString text;
    while (text.size() < 400) text += QStringLiteral("AVATAR To WAVE fly ");
    setState(box, {text, 0, 0});
    SendBox fresh(box->parentWidget());
    fresh.setGeometry(box->geometry());
    fresh.show();
    const struct {
        int at;
        Step step;
    } edits[] = {{10, type("x")}, {150, type("To")}, {260, Qt::Key_Backspace}, {127, type("W")}, {5, Qt::Key_Delete}};
    for (const auto& e : edits) {
        box->setCaret(positionOf(box, e.at));
        perform(box, e.step);
        fresh.setPlainText(box->toPlainText());
        const std::vector<CaretAt> ours = caretWalk(box), theirs = caretWalk(&fresh);
        std::string differences;
        for (std::size_t i = 0; i < ours.size() && i < theirs.size(); ++i)
            if (ours[i].rect.topLeft() != theirs[i].rect.topLeft())
                differences += "\n  before " + std::to_string(ours[i].offset) + ": (" + std::to_string(ours[i].rect.x()) + ", " +
                               std::to_string(ours[i].rect.y()) + "), fresh (" + std::to_string(theirs[i].rect.x()) + ", " +
                               std::to_string(theirs[i].rect.y()) + ")";
        EXPECT_EQ(differences, "") << shown(e.step) << " at " << e.at;
    }
}

}  // namespace
