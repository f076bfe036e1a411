// The operator's keys in the editing control, as Qt's own plain-text box takes them.
#include <QKeyEvent>
#include <algorithm>

#include "textcontrol.h"

namespace {

// Whether a key's text is typed into the box: printable characters, format characters (the
// zero-width joiner, direction marks), private use and characters beyond U+FFFF, but no
// control character, and nothing typed with Ctrl held (AltGr, which is Ctrl+Alt, still types).
bool typesText(const QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty()) return false;
    const QChar c = text.front();
    if (c.category() == QChar::Other_Format) return true;
    const Qt::KeyboardModifiers m = event->modifiers() & ~Qt::KeypadModifier;
    if (m == Qt::ControlModifier || m == (Qt::ShiftModifier | Qt::ControlModifier)) return false;
    if (c.isPrint() || c.category() == QChar::Other_PrivateUse) return true;
    return c.isHighSurrogate() && text.size() > 1 && text[1].isLowSurrogate();
}

}  // namespace

void TextControl::Host::pageMove(TextControl& control, int direction, bool select) {
    const int page = pageRows() * direction;
    const auto to = control.rowsAway(page);
    scrollRows(page);
    if (to) control.moveKeepingGoal(*to, select);
}

bool TextControl::keyPress(QKeyEvent* event) {
    layout_.update();
    if (editKey(event) || moveKey(event)) return true;
    if (!typesText(event)) return false;
    insertTyped(event->text());
    return true;
}

void TextControl::moveCaret(Position to, bool select, bool keepGoal) {
    const qreal goal = goalX_;
    setCaret(to, select);
    if (keepGoal) goalX_ = goal;
    if (select) copyToSelectionClipboard();
}

std::optional<TextControl::Position> TextControl::rowsAway(int rows) {
    const int target = std::clamp(caretRow_ + rows, 0, std::max(0, layout_.rowCount() - 1));
    if (target == caretRow_) return std::nullopt;  // at the first or last row: no move
    if (goalX_ < 0) goalX_ = caretX_;
    return layout_.positionInRow(layout_.rowAtIndex(target), goalX_);
}

bool TextControl::moveKey(QKeyEvent* event) {
    using K = QKeySequence;
    enum Op { NextChar, PreviousChar, NextWord, PreviousWord, Down, Up, PageDown, PageUp, RowStart, RowEnd,
              LineStart, LineEnd, Start, End };
    struct Key {
        K::StandardKey move, select;
        Op op;
    };
    static const Key keys[] = {
        {K::MoveToNextChar, K::SelectNextChar, NextChar},
        {K::MoveToPreviousChar, K::SelectPreviousChar, PreviousChar},
        {K::MoveToNextWord, K::SelectNextWord, NextWord},
        {K::MoveToPreviousWord, K::SelectPreviousWord, PreviousWord},
        {K::MoveToNextLine, K::SelectNextLine, Down},
        {K::MoveToPreviousLine, K::SelectPreviousLine, Up},
        {K::MoveToNextPage, K::SelectNextPage, PageDown},
        {K::MoveToPreviousPage, K::SelectPreviousPage, PageUp},
        {K::MoveToStartOfLine, K::SelectStartOfLine, RowStart},
        {K::MoveToEndOfLine, K::SelectEndOfLine, RowEnd},
        {K::MoveToStartOfBlock, K::SelectStartOfBlock, LineStart},
        {K::MoveToEndOfBlock, K::SelectEndOfBlock, LineEnd},
        {K::MoveToStartOfDocument, K::SelectStartOfDocument, Start},
        {K::MoveToEndOfDocument, K::SelectEndOfDocument, End},
    };
    const Key* key = nullptr;
    bool select = false;
    for (const Key& k : keys) {
        if (event->matches(k.move) || (select = event->matches(k.select))) {
            key = &k;
            break;
        }
    }
    if (!key) return false;
    const TextLayout::Row row = layout_.rowContaining(caret_);
    switch (key->op) {
    case NextChar:
        moveCaret(hasSelection() && !select ? selectionEnd() : lines_.nextCharacter(caret_), select);
        break;
    case PreviousChar:
        moveCaret(hasSelection() && !select ? selectionStart() : lines_.previousCharacter(caret_), select);
        break;
    case NextWord:
        moveCaret(lines_.nextWord(caret_), select);
        break;
    case PreviousWord:
        moveCaret(lines_.previousWord(caret_), select);
        break;
    case Down:
    case Up:
        // From the caret, selection or not. On the first or last row nothing moves, and the
        // selection stays; Shift there selects to the text's start or end.
        if (const auto to = rowsAway(key->op == Down ? 1 : -1)) moveCaret(*to, select, true);
        else if (select) moveCaret(key->op == Down ? lines_.end() : Position{0, 0}, true);
        break;
    case PageDown:
    case PageUp:
        host_->pageMove(*this, key->op == PageUp ? -1 : 1, select);
        break;
    case RowStart:
        moveCaret({row.line, row.from}, select);
        break;
    case RowEnd:
        moveCaret({row.line, layout_.rowEndColumn(row)}, select);
        break;
    case LineStart:
        moveCaret({caret_.line, 0}, select);
        break;
    case LineEnd:
        moveCaret({caret_.line, lines_.length(caret_.line)}, select);
        break;
    case Start:
        moveCaret({0, 0}, select);
        break;
    case End:
        moveCaret(lines_.end(), select);
        break;
    }
    return true;
}

bool TextControl::editKey(QKeyEvent* event) {
    using K = QKeySequence;
    using Kind = UndoStack::Kind;
    auto erase = [&](Position from, Position to, Kind kind) {
        if (hasSelection()) edit(selectionStart(), selectionEnd(), QString(), Kind::Other);
        else edit(from, to, QString(), kind);
    };
    if (event->matches(K::Undo)) undo();
    else if (event->matches(K::Redo)) redo();
    else if (event->matches(K::Cut)) cut();
    else if (event->matches(K::Copy)) copy();
    else if (event->matches(K::Paste)) paste();
    else if (event->matches(K::SelectAll)) selectAll();
    else if (event->matches(K::DeleteStartOfWord)) erase(lines_.previousWord(caret_), caret_, Kind::Other);
    else if (event->matches(K::DeleteEndOfWord)) erase(caret_, lines_.nextWord(caret_), Kind::Other);
    else if (event->matches(K::DeleteEndOfLine)) erase(caret_, {caret_.line, lines_.length(caret_.line)}, Kind::Other);
    else if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier))
        erase(lines_.previousCodePoint(caret_), caret_, Kind::Backspace);
    else if (event->matches(K::Delete)) erase(caret_, lines_.nextCharacter(caret_), Kind::Delete);
    else if (event->matches(K::InsertParagraphSeparator) || event->matches(K::InsertLineSeparator))
        edit(caret_, anchor_, QStringLiteral("\n"), Kind::Other);
    else return false;
    return true;
}
