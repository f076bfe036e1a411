// The operator's keys and mouse in the text view, as Qt's own plain-text box takes them.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>

#include "textview.h"

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

void TextView::moveCaret(Position to, bool select, bool keepGoal) {
    const int goal = goalX_;
    setCaret(to, select);
    if (keepGoal) goalX_ = goal;
    if (select) copyToSelectionClipboard();
}

TextView::Position TextView::verticalMove(int rows) {
    if (goalX_ < 0) goalX_ = xOf(caret_);
    const int target = std::clamp(rowOf(caret_) + rows, 0, std::max(0, rowCount() - 1));
    return inRow(rowAt(target), goalX_ - kMargin);
}

bool TextView::moveKey(QKeyEvent* event) {
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
    const Position selFrom = std::min(caret_, anchor_), selTo = std::max(caret_, anchor_);
    const Row row = rowHolding(caret_);
    switch (key->op) {
    case NextChar:
        moveCaret(hasSelection() && !select ? selTo : lines_.nextCharacter(caret_), select);
        break;
    case PreviousChar:
        moveCaret(hasSelection() && !select ? selFrom : lines_.previousCharacter(caret_), select);
        break;
    case NextWord:
        moveCaret(lines_.nextWord(caret_), select);
        break;
    case PreviousWord:
        moveCaret(lines_.previousWord(caret_), select);
        break;
    case Down:
    case Up:
        moveCaret(verticalMove(key->op == Down ? 1 : -1), select, true);
        break;
    case PageDown:
    case PageUp: {
        const int page = visibleRows() * (key->op == PageUp ? -1 : 1);
        const Position to = verticalMove(page);
        QScrollBar* v = verticalScrollBar();
        v->setValue(v->value() + page);
        moveCaret(to, select, true);
        break;
    }
    case RowStart:
        moveCaret({row.line, row.from}, select);
        break;
    case RowEnd:
        // The end of a row that wraps is before its last character (the blank it breaks at).
        moveCaret({row.line, row.last ? row.to : lines_.previousCharacter({row.line, row.to}).column}, select);
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
        moveCaret(endPosition(), select);
        break;
    }
    return true;
}

bool TextView::editKey(QKeyEvent* event) {
    using K = QKeySequence;
    using Kind = UndoStack::Kind;
    const Position selFrom = std::min(caret_, anchor_), selTo = std::max(caret_, anchor_);
    auto erase = [&](Position from, Position to, Kind kind) {
        if (hasSelection()) edit(selFrom, selTo, QString(), Kind::Other);
        else edit(from, to, QString(), kind);
    };
    if (event->matches(K::Undo)) undoOperatorEdit();
    else if (event->matches(K::Redo)) redoOperatorEdit();
    else if (event->matches(K::Cut)) cutSelection();
    else if (event->matches(K::Copy)) copySelection();
    else if (event->matches(K::Paste)) pasteClipboard();
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

void TextView::keyPressEvent(QKeyEvent* event) {
    settle();
    if (editKey(event) || moveKey(event)) return event->accept();
    if (typesText(event)) {
        insertTyped(event->text());
        return event->accept();
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TextView::mousePressEvent(QMouseEvent* event) {
    // The place under the pointer as the view shows it now, before lines pending move it.
    const QPoint point = event->position().toPoint();
    const Position at = positionAt(point);
    settle();
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    const bool triple = tripleClick_.isValid() && tripleClick_.elapsed() < QApplication::doubleClickInterval() &&
                        (point - tripleClickAt_).manhattanLength() < QApplication::startDragDistance();
    tripleClick_.invalidate();
    if (triple) {
        // The line with its line break.
        setCaret({at.line, 0});
        setCaret(lines_.nextCharacter({at.line, lines_.length(at.line)}), true);
        copyToSelectionClipboard();
        return;
    }
    setCaret(at, event->modifiers() & Qt::ShiftModifier);
}

void TextView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return QAbstractScrollArea::mouseMoveEvent(event);
    setCaret(positionAt(event->position().toPoint()), true);
}

void TextView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) return copyToSelectionClipboard();
    if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
        // The mouse selection goes in where the pointer is.
        setCaret(positionAt(event->position().toPoint()));
        pasteAt(QApplication::clipboard()->text(QClipboard::Selection));
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void TextView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseDoubleClickEvent(event);
    const Position at = positionAt(event->position().toPoint());
    settle();
    const auto [from, to] = lines_.wordAt(at);
    setCaret(from);
    setCaret(to, true);
    tripleClick_.start();
    tripleClickAt_ = event->position().toPoint();
}
