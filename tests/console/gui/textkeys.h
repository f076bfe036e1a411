// Keys, input methods, undo and the mouse in the send box, each case run on the box and on Qt's
// own QPlainTextEdit beside it: the plain-text box says what is right, and after every step the
// box must show the same text, caret, anchor and composition. Shared by both builds' tests.
#pragma once
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

#include "gui/TForm1.h"
#include "gui/sendbox.h"

namespace textkeys {

// A place in the box: line and column.
using Position = decltype(std::declval<SendBox&>().caret());

// What a text box shows: its text, the caret and anchor as offsets into it, and an input
// method's composition standing at the caret.
struct State {
    QString text;
    int caret = 0;
    int anchor = 0;
    QString composition = {};
    friend bool operator==(const State&, const State&) = default;
};

// The text written as in the table: '|' the caret, '^' the anchor (none: at the caret), and
// every character outside printable ASCII as its code, a lone surrogate as its unit.
inline std::string shown(const State& s) {
    std::string out;
    auto code = [&](char32_t c) { out += QStringLiteral("\\u{%1}").arg(uint(c), 0, 16).toUpper().toStdString(); };
    for (int i = 0; i <= s.text.size(); ++i) {
        if (i == s.anchor && s.anchor != s.caret) out += '^';
        if (i == s.caret) out += '|';
        if (i == s.text.size()) break;
        const QChar c = s.text[i];
        const bool pair = c.isHighSurrogate() && i + 1 < s.text.size() && s.text[i + 1].isLowSurrogate();
        if (pair && s.caret != i + 1 && s.anchor != i + 1) {
            code(QChar::surrogateToUcs4(c, s.text[i + 1]));
            ++i;
        } else if (c == u'\n' || (c.unicode() >= 0x20 && c.unicode() < 0x7F)) {
            out += char(c.unicode());
        } else {
            code(c.unicode());
        }
    }
    if (!s.composition.isEmpty()) out += " composing \"" + shown(State{s.composition, -1, -1}) + '"';
    return out;
}
inline void PrintTo(const State& s, std::ostream* os) { *os << '"' << shown(s) << '"'; }

// A text with its caret ('|') and anchor ('^') marked, as the table writes a start.
inline State marked(QString text) {
    State s;
    const int anchor = int(text.indexOf(u'^'));
    if (anchor >= 0) text.remove(anchor, 1);
    s.caret = int(text.indexOf(u'|'));
    text.remove(s.caret, 1);
    if (anchor > s.caret && anchor >= 0) s.anchor = anchor - 1;
    else s.anchor = anchor >= 0 ? anchor : s.caret;
    s.text = text;
    return s;
}

// ---- the two boxes, read and set alike

inline int offsetOf(const SendBox* box, Position at) {
    int offset = at.column;
    for (int i = 0; i < at.line; ++i) offset += int(box->line(i).size()) + 1;
    return offset;
}
inline Position positionOf(const SendBox* box, int offset) {
    Position at;
    while (at.line + 1 < box->lineCount() && offset > box->line(at.line).size()) offset -= int(box->line(at.line++).size()) + 1;
    at.column = offset;
    return at;
}
inline State stateOf(const SendBox* box) {
    return {box->toPlainText(), offsetOf(box, box->caret()), offsetOf(box, box->anchor()), box->control().composition().text};
}
inline State stateOf(const QPlainTextEdit* ref) {
    const QTextCursor c = ref->textCursor();
    return {ref->toPlainText(), c.position(), c.anchor(), c.block().layout()->preeditAreaText()};
}
inline void setState(SendBox* box, const State& s) {
    box->setPlainText(s.text);
    box->setCaret(positionOf(box, s.anchor));
    box->setCaret(positionOf(box, s.caret), true);
}
inline void setState(QPlainTextEdit* ref, const State& s) {
    ref->setPlainText(s.text);
    QTextCursor c = ref->textCursor();
    c.setPosition(s.anchor);
    c.setPosition(s.caret, QTextCursor::KeepAnchor);
    ref->setTextCursor(c);
}
// The viewport point at the middle of the caret placed at the offset.
inline QPoint pointAt(SendBox* box, int offset) {
    box->setCaret(positionOf(box, offset));
    return box->cursorRect().center();
}
inline QPoint pointAt(QPlainTextEdit* ref, int offset) {
    QTextCursor c(ref->document());
    c.setPosition(offset);
    return ref->cursorRect(c).center();
}

// ---- steps

// One step of a case: a key combination, text typed (each character its own key event, as a
// keyboard or an input method's direct key sends it), new clipboard contents, or an input
// method's event.
struct Step {
    enum Kind { Key, Type, Clip, InputMethod } kind = Key;
    QKeyCombination key;
    QString text;
    // An input method's event: `text` committed in place of the text from `from` to `from +
    // length` around the caret, the composition `preedit` with its cursor at `cursor` (-1: no
    // cursor attribute), and a selection it sets from `selectStart` (-1: none).
    QString preedit;
    int from = 0, length = 0, cursor = -1;
    int selectStart = -1, selectLength = 0;
    Step(QKeySequence::StandardKey k) : key(QKeySequence(k)[0]) {}  // this platform's first binding
    Step(QKeyCombination k) : key(k) {}
    Step(Qt::Key k) : key(k) {}
};
inline Step type(const QString& text) {
    Step s(Qt::Key_unknown);
    s.kind = Step::Type;
    s.text = text;
    return s;
}
inline Step clip(const QString& text) {
    Step s = type(text);
    s.kind = Step::Clip;
    return s;
}
// The input method composes `preedit` (its cursor at `cursor`), or commits `text` in place of
// the units from `from` to `from + length` around the caret, or sets a selection.
inline Step compose(const QString& preedit, int cursor = -1) {
    Step s(Qt::Key_unknown);
    s.kind = Step::InputMethod;
    s.preedit = preedit;
    s.cursor = cursor;
    return s;
}
inline Step commit(const QString& text, int from = 0, int length = 0) {
    Step s = compose(QString());
    s.text = text;
    s.from = from;
    s.length = length;
    return s;
}
inline Step selecting(Step s, int start, int length) {
    s.selectStart = start;
    s.selectLength = length;
    return s;
}
inline std::string shown(const Step& s) {
    switch (s.kind) {
    case Step::Key: return QKeySequence(s.key).toString().toStdString();
    case Step::Type: return "typing \"" + shown(State{s.text, -1, -1}) + "\"";
    case Step::Clip: return "clipboard \"" + shown(State{s.text, -1, -1}) + "\"";
    case Step::InputMethod: {
        std::string out = "input method";
        if (!s.text.isEmpty() || s.length) out += " commits \"" + shown(State{s.text, -1, -1}) + "\"";
        if (s.length) out += " over " + std::to_string(s.from) + "+" + std::to_string(s.length);
        if (!s.preedit.isEmpty()) out += " composes \"" + shown(State{s.preedit, -1, -1}) + "\"";
        if (s.selectStart >= 0) out += " selects " + std::to_string(s.selectStart) + "+" + std::to_string(s.selectLength);
        return out;
    }
    }
    return {};
}

// The event an input method sends for the step.
inline void sendInputMethodEvent(QWidget* w, const Step& s) {
    QList<QInputMethodEvent::Attribute> attributes;
    if (s.cursor >= 0) attributes.append({QInputMethodEvent::Cursor, s.cursor, 1, QVariant()});
    if (s.selectStart >= 0) attributes.append({QInputMethodEvent::Selection, s.selectStart, s.selectLength, QVariant()});
    QInputMethodEvent event(s.preedit, attributes);
    if (!s.text.isEmpty() || s.length) event.setCommitString(s.text, s.from, s.length);
    QApplication::sendEvent(w, &event);
}

// The step on the widget, which has the focus as it would under the operator's hands.
inline void perform(QWidget* w, const Step& s) {
    w->setFocus();
    switch (s.kind) {
    case Step::Clip:
        QApplication::clipboard()->setText(s.text);
        return;
    case Step::Key:
        QTest::keyClick(w, s.key.key(), s.key.keyboardModifiers());
        return;
    case Step::InputMethod:
        sendInputMethodEvent(w, s);
        return;
    case Step::Type:
        for (char32_t c : s.text.toUcs4()) {
            if (c >= 0x20 && c < 0x7F) {
                QTest::keyClick(w, char(c));
                continue;
            }
            // A key the keyboard map does not name, carrying its character.
            const QString text = QString::fromUcs4(&c, 1);
            QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, text, Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, text, Qt::NoModifier);
        }
        return;
    }
}

// The mouse as the operator's hand, as Qt delivers it: each click a press (the second one a
// double click) and a release, the clicks of one gesture close together.
inline void mouse(QWidget* viewport, QEvent::Type type, QPoint at, Qt::MouseButton button) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, at, viewport->mapToGlobal(at), button, held, Qt::NoModifier);
    e.setTimestamp(QTest::lastMouseTimestamp += 20);
    QApplication::sendEvent(viewport, &e);
}
inline void clicks(QWidget* viewport, QPoint at, int count, Qt::MouseButton button = Qt::LeftButton) {
    for (int i = 0; i < count; ++i) {
        mouse(viewport, i == 1 ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress, at, button);
        mouse(viewport, QEvent::MouseButtonRelease, at, button);
    }
    QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;  // the next click starts anew
}

// The caret stops of Right from the start and of Left from the end are the text's grapheme
// boundaries: the caret never lands inside a character.
template <typename Box>
void expectWholeCharacterStops(Box* box, const char* name) {
    const QString text = stateOf(box).text;
    std::vector<int> boundaries;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = 0; at >= 0; at = finder.toNextBoundary()) boundaries.push_back(int(at));
    auto walk = [&](QKeySequence::StandardKey from, QKeySequence::StandardKey step) {
        perform(box, from);
        std::vector<int> stops{stateOf(box).caret};
        for (int i = 0; i < text.size(); ++i) {
            perform(box, step);
            if (stateOf(box).caret == stops.back()) break;
            stops.push_back(stateOf(box).caret);
        }
        return stops;
    };
    EXPECT_EQ(walk(QKeySequence::MoveToStartOfDocument, QKeySequence::MoveToNextChar), boundaries)
        << name << ": Right over \"" << shown(State{text, -1, -1}) << "\"";
    std::reverse(boundaries.begin(), boundaries.end());
    EXPECT_EQ(walk(QKeySequence::MoveToEndOfDocument, QKeySequence::MoveToPreviousChar), boundaries)
        << name << ": Left over \"" << shown(State{text, -1, -1}) << "\"";
}

// ---- the table

struct KeyCase {
    const char* name;
    QString start;  // the text with '|' at the caret and '^' at the anchor
    std::vector<Step> steps;
};

inline std::vector<KeyCase> keyCases() {
    using K = QKeySequence;
    const QString smile = QString::fromUcs4(U"\U0001F600"), boldA = QString::fromUcs4(U"\U0001D400");
    const QString coder = QString::fromUcs4(U"\U0001F469\u200D\U0001F4BB"), flag = QString::fromUcs4(U"\U0001F1E9\U0001F1EA");
    const QString accented = QStringLiteral("e\u0301");
    // Characters of many code points: a run of flags pairs its halves from the run's start; a
    // keycap is a digit, a variation selector and a keycap mark; a letter with 100 combining
    // marks and 34 women joined by 33 joiners are characters of 101 units each; Hangul, as
    // syllables and as conjoining jamo; Devanagari conjuncts (क्ष, क्षत्रिय).
    const QString flags = flag.repeated(10), keycap = QStringLiteral("1\uFE0F\u20E3");
    const QString marks = "a" + QString(100, QChar(0x301)), woman = QString::fromUcs4(U"\U0001F469");
    const QString joined = woman + (QChar(0x200D) + woman).repeated(33);
    const QString hangul = QStringLiteral("\uD55C\uAD6D\uC5B4"), jamo = QStringLiteral("\u1112\u1161\u11AB\u1100\u116E\u11A8");
    const QString ksha = QStringLiteral("\u0915\u094D\u0937"), kshatriya = ksha + QStringLiteral("\u0924\u094D\u0930\u093F\u092F");
    // A flag right after a joiner sequence is kept apart from it by a letter: there Qt 6.4 puts
    // a character boundary between the flag's two halves.
    return {
        // Words.
        {"Ctrl+Backspace at a word's end", "alpha beta gamma|", {K::DeleteStartOfWord, K::DeleteStartOfWord}},
        {"Ctrl+Backspace after a blank", "alpha beta |gamma", {K::DeleteStartOfWord}},
        {"Ctrl+Backspace inside a word", "alpha be|ta", {K::DeleteStartOfWord}},
        {"Ctrl+Backspace at a line's start", "one\n|two", {K::DeleteStartOfWord}},
        {"Ctrl+Backspace over a selection", "alpha ^beta| gamma", {K::DeleteStartOfWord}},
        {"Ctrl+Delete", "|alpha beta gamma", {K::DeleteEndOfWord, K::DeleteEndOfWord}},
        {"Ctrl+Delete before a blank", "alpha| beta", {K::DeleteEndOfWord}},
        {"Ctrl+Delete at a line's end", "one|\ntwo", {K::DeleteEndOfWord}},
        {"next word", "|alpha beta, gamma(1).x", {K::MoveToNextWord, K::MoveToNextWord, K::MoveToNextWord, K::MoveToNextWord, K::MoveToNextWord, K::MoveToNextWord}},
        {"previous word", "alpha beta, gamma(1).x|", {K::MoveToPreviousWord, K::MoveToPreviousWord, K::MoveToPreviousWord, K::MoveToPreviousWord, K::MoveToPreviousWord, K::MoveToPreviousWord}},
        {"word moves across a line break", "alpha|\n  beta", {K::MoveToNextWord, K::MoveToNextWord, K::MoveToPreviousWord, K::MoveToPreviousWord}},
        {"word moves in a hex frame", "|BB 00 22 7E", {K::MoveToNextWord, K::MoveToNextWord, K::MoveToNextWord, K::MoveToPreviousWord}},
        {"word moves over Chinese", "|中文 数据。ab", {K::MoveToNextWord, K::MoveToNextWord, K::MoveToNextWord, K::MoveToPreviousWord}},
        {"word selection", "alpha |beta gamma", {K::SelectNextWord, K::SelectNextWord, K::SelectPreviousWord, K::SelectPreviousWord, K::SelectPreviousWord}},
        {"word moves from a selection", "alpha ^beta| gamma", {K::MoveToPreviousWord}},
        {"word moves over emoji", "|" + smile + " " + boldA + "x " + coder + " " + flag + " z",
         {K::MoveToNextWord, K::MoveToNextWord, K::MoveToNextWord, K::MoveToNextWord, K::MoveToPreviousWord, K::MoveToPreviousWord}},
        // Lines, pages and the whole text.
        {"line and document ends", "one\ntw|o\nthree", {K::MoveToStartOfLine, K::MoveToEndOfLine, K::MoveToStartOfDocument, K::MoveToEndOfDocument}},
        {"selecting to line and document ends", "one\ntw|o\nthree", {K::SelectStartOfLine, K::SelectEndOfLine, K::SelectStartOfDocument, K::SelectEndOfDocument}},
        {"pages", "one\ntw|o\nthree", {K::MoveToNextPage, K::MoveToPreviousPage, K::SelectNextPage, K::SelectPreviousPage}},
        {"select all, then Left and Right", "ab|c\nde", {K::SelectAll, K::MoveToPreviousChar, K::SelectAll, K::MoveToNextChar}},
        {"select all, then type", "abc\nd|e", {K::SelectAll, type("x"), K::Undo}},
        // Up and Down move from the caret, selection or not; on the first or last row they
        // move nothing and keep the selection, and Shift there selects to the text's end.
        {"select all, then Up", "0123456789abc\n012345|6789xyz\nlast line", {K::SelectAll, K::MoveToPreviousLine, K::MoveToPreviousLine}},
        {"Down from a selection", "0^12|3456\nabcdefg\nxyz", {K::MoveToNextLine, K::SelectNextLine, K::MoveToPreviousLine}},
        {"Up on the first row keeps the selection", "^012|3\nabcd", {K::MoveToPreviousLine, K::MoveToPreviousPage}},
        {"Down on the last row keeps the selection", "01^23\nab|cd", {K::MoveToNextLine, K::MoveToNextPage}},
        {"Shift+Up on the first row", "01|23\nabcd", {K::SelectPreviousLine, K::SelectPreviousLine}},
        {"Shift+Down on the last row", "0123\nab|cd", {K::SelectNextLine, K::MoveToPreviousLine}},
        {"Shift+Page Up on the first row", "01|23\nabcd", {K::SelectPreviousPage, K::SelectNextPage}},
        // Undo and redo.
        {"a run of typing is one step", "ab|", {type("cde"), K::Undo, K::Redo}},
        {"Ctrl+Shift+Z redoes", "x|", {type("yz"), K::Undo, Qt::CTRL | Qt::SHIFT | Qt::Key_Z}},
        {"Ctrl+Y redoes", "x|", {type("yz"), K::Undo, Qt::CTRL | Qt::Key_Y}},
        {"typing over a selection is one step", "alpha ^beta|", {type("X"), K::Undo, K::Redo}},
        {"a run of Backspace is one step", "alpha beta|", {Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Backspace, K::Undo, K::Redo}},
        {"a run of Delete is one step", "|alpha beta", {Qt::Key_Delete, Qt::Key_Delete, Qt::Key_Delete, K::Undo}},
        {"typing then Backspace", "ab|", {type("cd"), Qt::Key_Backspace, Qt::Key_Backspace, K::Undo, K::Undo}},
        {"a caret move ends a run of typing", "ab|", {type("c"), K::MoveToStartOfLine, type("d"), K::Undo, K::Undo}},
        {"Enter inside a run of typing", "|", {type("ab"), Qt::Key_Return, type("cd"), K::Undo, K::Undo, K::Redo}},
        {"Ctrl+Backspace then undo", "alpha beta gamma|", {K::DeleteStartOfWord, K::DeleteStartOfWord, K::Undo, K::Redo}},
        // Pasted after the first character: undoing an insertion at the very start sends Qt's
        // caret to the end of the text, where undoing one anywhere else leaves it in place.
        {"cut and paste, then undo", "alpha ^beta|", {K::Cut, K::MoveToStartOfDocument, K::MoveToNextChar, K::Paste, K::Undo, K::Undo, K::Redo}},
        {"paste over a selection, then undo", "^one|\ntwo", {clip("1\n2"), K::Paste, K::Undo, K::Redo}},
        {"a new edit ends redo", "a|", {type("b"), K::Undo, type("c"), K::Redo, K::Undo}},
        // What splits a step: not a caret move, but another insertion, an undo or a line break
        // in between; Delete and Backspace of neighbours are one step.
        {"a caret move back to the end of a run", "|", {type("ab"), K::MoveToPreviousChar, K::MoveToNextChar, type("c"), K::Undo}},
        {"typing on after an undo and a redo", "|", {type("ab"), K::Undo, K::Redo, type("c"), K::Undo}},
        {"typing on after an undone insertion elsewhere", "ab|", {type("cd"), K::MoveToStartOfLine, type("x"), K::Undo, K::MoveToEndOfLine, type("e"), K::Undo, K::Undo}},
        {"Delete then Backspace", "a|bc", {Qt::Key_Delete, Qt::Key_Backspace, K::Undo, K::Redo}},
        {"Delete and Backspace over typed text", "abc|", {type("d"), K::MoveToPreviousChar, Qt::Key_Delete, Qt::Key_Backspace, K::Undo, K::Undo}},
        {"Backspace from typed text into a line of a longer text", "x\nab|", {type("c"), Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Backspace, K::Undo, K::Undo, K::Undo}},
        {"Backspace over a line break", "ab\n|", {Qt::Key_Backspace, Qt::Key_Backspace, K::Undo, K::Undo}},
        {"typing after a paste", "x|", {clip("P\nQ"), K::Paste, type("r"), K::Undo, K::Redo}},
        {"typing after a paste that ends a line", "x|", {clip("P\n"), K::Paste, type("r"), K::Undo}},
        {"Backspace after Ctrl+Backspace", "alpha beta|", {K::DeleteStartOfWord, Qt::Key_Backspace, K::Undo}},
        // Input methods: commits replacing text around the caret, their steps, compositions.
        {"a commit over text before the caret", "abcd|", {commit("X", -3, 1), K::Undo, K::Redo}},
        {"a commit over text around the caret", "ab|cd", {commit("X", -1, 2), K::Undo}},
        {"a commit over text after the caret", "a|bcd", {commit("X", 1, 2), K::Undo}},
        {"an input method erases one code point of a conjunct", QStringLiteral("\u0915\u094D\u0937|"), {commit("", -1, 1), K::Undo}},
        {"two commits are two steps", "ab|", {commit("X"), commit("Y"), K::Undo, K::Undo}},
        {"typing on after a commit", "ab|", {commit("X"), type("y"), K::Undo}},
        {"a commit after typing", "ab|", {type("y"), commit("X"), K::Undo}},
        {"a commit ending a line, then typing", "ab|", {commit("P\nQ"), type("r"), K::Undo}},
        {"a composition over a selection takes it out", "alpha ^beta|", {compose("nihao", 5), commit(QStringLiteral("你好")), K::Undo, K::Undo}},
        {"a composition over a selection made backwards", "alpha |beta^", {compose("ni"), compose(""), K::Undo}},
        {"a commit over a selection", "alpha ^beta|", {commit("Z", -2, 1), K::Undo}},
        {"a composition with its cursor at its end", "al|pha", {compose("ni"), compose("nihao", 2), compose("")}},
        {"the input method's selection", "|alpha beta", {selecting(compose(""), 6, 4), selecting(compose(""), 8, -3), commit("Q"), K::Undo}},
        {"a commit and a selection after it", "|alpha beta", {selecting(commit("Q"), 2, 0), K::Undo}},
        {"a composition where the input method's selection puts the caret", "|alpha beta", {selecting(compose("zz"), 3, 0), commit("Z")}},
        // Whole characters.
        {"a letter with a combining mark", "|" + accented + "x", {K::MoveToNextChar, K::MoveToNextChar, K::MoveToPreviousChar, K::MoveToPreviousChar, K::SelectNextChar}},
        {"emoji and a letter beyond U+FFFF", "|a" + smile + boldA + "b", {K::MoveToNextChar, K::MoveToNextChar, K::MoveToNextChar, K::MoveToPreviousChar, K::SelectPreviousChar}},
        {"a joiner sequence and a flag", "|a" + coder + "b" + flag + "c", {K::MoveToNextChar, K::MoveToNextChar, K::MoveToNextChar, K::MoveToNextChar, K::SelectPreviousChar, K::SelectPreviousChar}},
        {"Backspace after emoji", "a" + smile + boldA + "|b", {Qt::Key_Backspace, Qt::Key_Backspace, K::Undo}},
        {"Backspace after a joiner sequence", "a" + coder + "|b", {Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Backspace}},
        {"Backspace after a flag", "a" + flag + "|b", {Qt::Key_Backspace, Qt::Key_Backspace}},
        {"Backspace after a combining mark", "a" + accented + "|b", {Qt::Key_Backspace, Qt::Key_Backspace}},
        {"Delete before emoji", "a|" + smile + boldA + "b", {Qt::Key_Delete, Qt::Key_Delete, K::Undo}},
        {"Delete before a joiner sequence and a flag", "a|" + coder + flag + "b", {Qt::Key_Delete, Qt::Key_Delete}},
        {"Delete before a combining mark", "a|" + accented + "b", {Qt::Key_Delete}},
        {"cut of a selected emoji, then undo", "a|" + coder + "b", {K::SelectNextChar, K::Cut, K::Undo, K::Paste}},
        {"a paste of emoji", "a|b", {clip(coder + "x" + flag + accented), K::Paste, K::MoveToPreviousChar, K::MoveToPreviousChar, Qt::Key_Backspace}},
        {"moves in a run of flags", flags + "|" + flags,
         {K::MoveToNextChar, K::MoveToNextChar, K::MoveToPreviousChar, K::SelectNextChar, K::SelectNextChar, K::SelectPreviousChar,
          K::MoveToPreviousChar, K::MoveToNextWord, K::MoveToPreviousWord, K::SelectPreviousWord, K::MoveToNextChar}},
        // Backspace takes half a flag, and the halves after it pair up anew.
        {"Backspace in a run of flags", flags + "|" + flags,
         {Qt::Key_Backspace, K::MoveToNextChar, K::MoveToNextChar, K::MoveToPreviousChar, K::MoveToPreviousChar, Qt::Key_Backspace,
          K::MoveToNextChar, K::Undo, K::MoveToPreviousChar}},
        {"Delete in a run of flags", flags + "|" + flags, {Qt::Key_Delete, Qt::Key_Delete, K::Undo, K::MoveToNextChar, K::SelectPreviousChar, Qt::Key_Delete}},
        {"keycaps", "|" + keycap + " " + hangul.left(1) + keycap + "x",
         {K::MoveToNextChar, K::MoveToNextChar, K::MoveToNextChar, K::MoveToNextChar, K::MoveToPreviousChar, K::SelectPreviousChar,
          K::MoveToNextWord, K::MoveToPreviousWord, K::MoveToPreviousWord, Qt::Key_Delete, K::MoveToEndOfLine, K::MoveToPreviousChar}},
        {"Backspace over a keycap", hangul.left(1) + keycap + "|x", {Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Backspace, K::Undo, Qt::Key_Delete}},
        {"a letter with 100 combining marks", "x|" + marks + "y",
         {K::MoveToNextChar, K::MoveToNextChar, K::MoveToPreviousChar, K::MoveToPreviousChar, K::SelectNextChar, Qt::Key_Delete, K::Undo,
          K::MoveToNextWord, K::MoveToPreviousWord, K::MoveToEndOfLine, K::MoveToPreviousChar, Qt::Key_Backspace, Qt::Key_Backspace,
          K::MoveToPreviousChar}},
        {"a joiner sequence of 101 units", "x|" + joined + "y",
         {K::MoveToNextChar, K::MoveToNextChar, K::MoveToPreviousChar, K::MoveToPreviousChar, K::SelectNextChar, K::SelectNextChar, K::Cut,
          K::Undo, Qt::Key_Delete, K::Undo, K::MoveToNextWord, K::MoveToPreviousWord}},
        {"Backspace in a joiner sequence", "x" + joined + "|y", {Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Backspace, K::MoveToPreviousChar, K::MoveToPreviousChar}},
        {"Hangul syllables and jamo", "|" + hangul + " " + jamo + " " + hangul,
         {K::MoveToNextChar, K::MoveToNextChar, K::MoveToNextChar, K::MoveToNextChar, K::MoveToNextChar, K::SelectNextChar,
          K::MoveToPreviousChar, K::MoveToNextWord, K::MoveToNextWord, K::MoveToPreviousWord, K::SelectNextWord, K::MoveToPreviousChar}},
        {"Delete in Hangul", hangul + " " + jamo.left(3) + "|" + jamo.mid(3),
         {Qt::Key_Delete, K::Undo, K::MoveToPreviousChar, Qt::Key_Delete, K::MoveToPreviousChar, K::MoveToPreviousChar, Qt::Key_Delete}},
        {"Backspace in Hangul", hangul + " " + jamo.left(3) + "|" + jamo.mid(3),
         {Qt::Key_Backspace, Qt::Key_Backspace, K::MoveToPreviousChar, K::MoveToPreviousChar, Qt::Key_Backspace, K::Undo, K::MoveToNextChar}},
        {"Devanagari conjuncts", "|" + ksha + " " + kshatriya,
         {K::MoveToNextChar, K::MoveToNextChar, K::MoveToNextChar, K::MoveToNextChar, K::MoveToNextChar, K::SelectPreviousChar,
          K::MoveToNextWord, K::MoveToPreviousWord, K::SelectNextWord, K::MoveToNextChar, K::MoveToPreviousChar}},
        {"Delete in Devanagari", ksha + " " + kshatriya.left(3) + "|" + kshatriya.mid(3), {Qt::Key_Delete, Qt::Key_Delete, K::Undo, K::MoveToPreviousChar, Qt::Key_Delete}},
        {"Backspace in Devanagari", ksha + " " + kshatriya + "|", {Qt::Key_Backspace, Qt::Key_Backspace, K::MoveToPreviousChar, Qt::Key_Backspace, K::Undo, K::MoveToNextChar}},
        // Typed characters.
        {"typed emoji", "|", {type(smile + boldA + " " + smile + boldA + " "), K::Undo}},
        {"typed joiner sequence and flag", "x|", {type(coder + "y" + flag)}},
        {"typed joiner, direction marks, private use and a combining mark", "a|",
         {type(QStringLiteral("\u200D\u200E\u200F\uE000e\u0301"))}},
        {"typed control characters", "a|", {type(QStringLiteral("\u0001\u0008\u001B\u007F\u0085\u009F")), type("b")}},
    };
}

// Runs every case on the box and on the reference and compares them after each step, up to the
// first difference. Each box takes the whole case with the focus its own, as under the
// operator's hands (a composition does not outlast the focus leaving its box), from the same
// clipboard.
inline void runKeyCases(SendBox* box, QPlainTextEdit* ref) {
    for (const KeyCase& c : keyCases()) {
        for (const Step& step : c.steps)
            ASSERT_TRUE(step.kind != Step::Key || step.key.toCombined() != 0) << c.name << ": no key on this platform";
        const State start = marked(c.start);
        const QString clipboard = QApplication::clipboard()->text();
        auto run = [&](auto* w) {
            QApplication::clipboard()->setText(clipboard);
            setState(w, start);
            std::vector<State> states{stateOf(w)};
            for (const Step& step : c.steps) {
                perform(w, step);
                states.push_back(stateOf(w));
            }
            return states;
        };
        const std::vector<State> ours = run(box), theirs = run(ref);
        ASSERT_EQ(theirs.front(), start) << c.name;
        bool same = true;
        for (std::size_t i = 0; same && i < ours.size(); ++i) {
            same = ours[i] == theirs[i];
            EXPECT_EQ(ours[i], theirs[i]) << c.name << (i ? ", step " + std::to_string(i) + " (" + shown(c.steps[i - 1]) + ")" : ", start");
        }
        if (!same) continue;
        expectWholeCharacterStops(ref, c.name);  // the reference itself, so that the check holds
        expectWholeCharacterStops(box, c.name);
    }
}

// The input method's cursor rectangle, in viewport coordinates.
template <typename Box>
QRect imCursor(Box* w) {
    return w->inputMethodQuery(Qt::ImCursorRectangle).toRect().translated(-w->viewport()->pos());
}

// While an input method composes, a click, a double click, a drag or a text the program sets, on
// the box and on the reference, each taking the whole gesture with the focus its own; then both
// must show the same text, caret, anchor and composition.
inline void runCompositionGestures(SendBox* box, QPlainTextEdit* ref) {
    enum Gesture { Click, RightClick, ShiftClick, Drag, DoubleClick, ProgramText };
    const struct {
        const char* name;
        const char* start;
        const char* composing;
        int cursor;
        Gesture gesture;
        const char* by;  // the gesture's point: this text's width right of the composition's cursor
        bool left = false;  // or left of it
    } cases[] = {
        {"a click after the composition", "alpha |beta gamma", "ni", 2, Click, "bet"},
        {"a click before the composition", "alpha |beta gamma", "ni", 2, Click, "pha ni", true},
        {"a press at the composition's cursor", "alpha |beta gamma", "ni", 2, Click, ""},
        {"a press inside the composition", "alpha |beta", "nihao", 5, Click, "hao", true},
        {"a click right of a composition at the line's end", "alpha|", "ni", 2, Click, "beta gamma"},
        {"a right click after the composition", "alpha |beta gamma", "ni", 2, RightClick, "bet"},
        {"a Shift+click after the composition", "alpha |beta gamma", "ni", 2, ShiftClick, "bet"},
        {"a drag from the composition", "alpha |beta gamma", "ni", 2, Drag, "bet"},
        {"a double click on the composition", "alpha |beta gamma", "nihao", 2, DoubleClick, ""},
        {"a text the program sets", "alpha |beta", "ni", 2, ProgramText, ""},
    };
    auto run = [&](auto* w, const auto& c) {
        w->setFocus();
        setState(w, marked(c.start));
        perform(w, compose(c.composing, c.cursor));
        const QFontMetrics fm(w->font());
        const int dx = fm.horizontalAdvance(QString::fromUtf8(c.by)) * (c.left ? -1 : 1);
        const QPoint at = imCursor(w).center() + QPoint(dx, 0);
        QWidget* view = w->viewport();
        switch (c.gesture) {
        case Click: clicks(view, at, 1); break;
        case RightClick: clicks(view, at, 1, Qt::RightButton); break;
        case DoubleClick: clicks(view, at, 2); break;
        case ShiftClick: QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, at); break;
        case Drag: {
            const QPoint from = imCursor(w).center();
            mouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton);
            mouse(view, QEvent::MouseMove, at, Qt::LeftButton);
            mouse(view, QEvent::MouseButtonRelease, at, Qt::LeftButton);
            QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
            break;
        }
        case ProgramText: w->setPlainText("new"); break;
        }
        return stateOf(w);
    };
    for (const auto& c : cases) {
        // Each box the whole gesture with the focus its own; Qt's box first, which says what
        // is right.
        const State theirs = run(ref, c);
        EXPECT_EQ(run(box, c), theirs) << c.name;
    }
}

// The form with the serial page shown, and a plain-text box beside the send box, in its font,
// as wide as no case line needs wrapping in.
template <typename Form>
class TextBoxTest : public Form {
protected:
    void SetUp() override {
        Form::SetUp();
        QTabBar* tabs = this->form->PageControl1->tabBar();
        const int serial = this->form->PageControl1->indexOf(this->form->TabSheet9);
        for (int page : {0, serial}) QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
        ASSERT_EQ(this->form->PageControl1->currentWidget(), this->form->TabSheet9);
        box = this->form->Memo1;
        ASSERT_TRUE(box->isVisible());
        ref = std::make_unique<QPlainTextEdit>(box->parentWidget());
        ref->setFont(box->font());
        ref->setLineWrapMode(QPlainTextEdit::NoWrap);
        ref->setGeometry(QRect(box->geometry().topRight() + QPoint(8, 0), QSize(600, box->height())));
        ref->show();
    }
    void TearDown() override {
        ref.reset();
        Form::TearDown();
    }
    SendBox* box = nullptr;
    std::unique_ptr<QPlainTextEdit> ref;
};

}  // namespace textkeys
