// The operator's edits of the text view: replacing text, undo and redo, the clipboard.
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>

#include "textaccessible.h"
#include "textview.h"

TextView::Position TextView::replaceText(Position from, Position to, const QString& text) {
    from = lines_.clamp(from);
    to = lines_.clamp(to);
    if (to < from) std::swap(from, to);
    // The rows of a line edited within itself, to wrap only what the edit changed.
    const bool inLine = from.line == to.line && !text.contains(u'\n');
    std::vector<int> rows;
    if (wrap_ && inLine && rows_.known(from.line)) rows = rows_.starts(from.line);
    const Position end = lines_.replace(from, to, text);
    const int removed = to.line - from.line + 1, inserted = end.line - from.line + 1;
    // What changed is measured again when it is shown; an edit inside one long line keeps the
    // stretches it did not touch, so that typing into a line of megabytes stays quick.
    if (inLine) metrics_.editedInLine(from.line, from.column, to.column, end.column);
    else metrics_.replaced(from.line, removed, inserted);
    if (!rows.empty()) rewrapEdited(from.line, std::move(rows), from.column, to.column, end.column);
    else if (wrap_) rows_.replaced(from.line, removed, inserted);
    return end;
}

void TextView::textChanged() {
    // An empty view that still has edits to undo keeps its empty line: a line the program
    // adds then goes after it, and an undo never joins the two.
    blank_ = lines_.size() == 1 && lines_[0].isEmpty() && !undo_.canUndo();
    goalX_ = -1;
    updateScrollBars();
    ensureCaretVisible();
    restartBlink();
    refreshView();
    updateMicroFocus();
    accessibleCaretMoved(this);
}

void TextView::edit(Position from, Position to, const QString& text, UndoStack::Kind kind, std::optional<QString> known) {
    from = lines_.clamp(from);
    to = lines_.clamp(to);
    if (to < from) std::swap(from, to);
    QString removed = known ? std::move(*known) : lines_.between(from, to);
    if (removed.isEmpty() && text.isEmpty()) return;
    caret_ = anchor_ = replaceText(from, to, text);
    accessibleTextReplaced(this, from, removed, text);
    undo_.record({from, std::move(removed), text, kind});
    textChanged();
}

void TextView::insertTyped(const QString& text) {
    edit(caret_, anchor_, TextLines::normalized(text), UndoStack::Kind::Typing);
}

void TextView::apply(const UndoStack::Edit& step, bool undo) {
    const QString& gone = undo ? step.inserted : step.removed;
    const QString& back = undo ? step.removed : step.inserted;
    caret_ = anchor_ = replaceText(step.at, UndoStack::endOf(step.at, gone), back);
    accessibleTextReplaced(this, step.at, gone, back);
    textChanged();
}

void TextView::undoOperatorEdit() {
    settle();
    if (undo_.canUndo()) apply(undo_.takeUndo(), true);
}

void TextView::redoOperatorEdit() {
    settle();
    if (undo_.canRedo()) apply(undo_.takeRedo(), false);
}

void TextView::copySelection() {
    if (hasSelection()) QApplication::clipboard()->setText(selectedText());
}

void TextView::cutSelection() {
    if (!hasSelection()) return;
    // The text is copied out once, for the clipboard and for undo alike.
    const QString text = selectedText();
    QApplication::clipboard()->setText(text);
    edit(caret_, anchor_, QString(), UndoStack::Kind::Other, text);
}

void TextView::deleteSelection() {
    if (hasSelection()) edit(caret_, anchor_, QString(), UndoStack::Kind::Other);
}

void TextView::pasteAt(const QString& text) {
    const QString kept = TextLines::normalized(text);
    if (!kept.isEmpty()) edit(caret_, anchor_, kept, UndoStack::Kind::Other);
}

void TextView::pasteClipboard() {
    settle();
    pasteAt(QApplication::clipboard()->text());
}

void TextView::copyToSelectionClipboard() const {
    QClipboard* clipboard = QApplication::clipboard();
    if (clipboard->supportsSelection() && hasSelection()) clipboard->setText(selectedText(), QClipboard::Selection);
}
