// The editing control's content, caret and edits: replacing text, undo and redo, the clipboard.
#include "textcontrol.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>

TextControl::TextControl() { layout_.update(); }

// ---- content

void TextControl::clear() { setPlainText(QString()); }

void TextControl::setPlainText(const QString& text) {
    if (text.isEmpty()) lines_.clear();
    else lines_.assign(TextLines::normalized(text).split(QLatin1Char('\n')));
    layout_.reset();
    layout_.update();
    blank_ = lines_.size() == 1 && lines_[0].isEmpty();
    caret_ = anchor_ = {};
    goalX_ = -1;
    preedit_ = {};
    undo_.clear(text);
    placeCaret();
    host_->textReset();
    host_->caretMoved();
}

void TextControl::appendLine(LineText text) {
    if (blank_) {
        lines_[0] = std::move(text);
        layout_.linesReplaced(0, 1, 1);
        undo_.programLine(0);
        blank_ = false;
        if (composing()) {
            layout_.update();
            placeCaret();
        }
    } else {
        lines_.append(std::move(text));
        layout_.lineAppended();
    }
    // Without wrapping a line is a row: nothing to count, so that a line costs the same in a
    // log of any length. The caret stays where it is.
    if (layout_.wrapping()) layout_.update();
}

// ---- layout

void TextControl::setFont(const QFont& font) {
    layout_.setFont(font);
    relayout();
}

void TextControl::setWrapWidth(int width) {
    layout_.setWrapWidth(width);
    relayout();
}

void TextControl::relayout() {
    layout_.update();
    placeCaret();
}

void TextControl::placeCaret() {
    caretRow_ = layout_.rowIndexOf(caret_);
    caretX_ = layout_.xOf(caret_);
    if (composing()) composed_.build(lines_, layout_, caret_, preedit_.text, preedit_.formats);
    else composed_.clear();
}

// ---- caret

void TextControl::setCaret(Position at, bool keepAnchor) {
    layout_.update();
    at = lines_.clamp(at);
    caret_ = {at.line, lines_.boundaryFrom(at.line, at.column)};
    if (!keepAnchor) anchor_ = caret_;
    goalX_ = -1;
    placeCaret();
    host_->caretMoved();
}

void TextControl::selectAll() {
    layout_.update();
    anchor_ = {0, 0};
    caret_ = lines_.end();
    goalX_ = -1;
    placeCaret();
    copyToSelectionClipboard();
    host_->caretMoved();
}

TextControl::Position TextControl::positionAt(int row, qreal x) {
    layout_.update();
    return layout_.positionInRow(layout_.rowAtIndex(row), x);
}

// ---- edits

TextControl::Position TextControl::replaceText(Position from, Position to, const QString& text) {
    from = lines_.clamp(from);
    to = lines_.clamp(to);
    if (to < from) std::swap(from, to);
    const bool inLine = from.line == to.line && !text.contains(u'\n');
    const Position end = lines_.replace(from, to, text);
    // An edit inside one line keeps what it did not touch of that line's measures and rows,
    // so that typing into a line of megabytes stays quick.
    if (inLine) layout_.lineEdited(from.line, from.column, to.column, end.column);
    else layout_.linesReplaced(from.line, to.line - from.line + 1, end.line - from.line + 1);
    layout_.update();
    return end;
}

void TextControl::textChanged() {
    // An empty text that still has edits to undo or redo keeps its empty line: a line the
    // program adds then goes after it, and an undo or a redo never joins the two.
    blank_ = lines_.size() == 1 && lines_[0].isEmpty() && !undo_.canUndo() && !undo_.canRedo();
    goalX_ = -1;
    placeCaret();
    host_->caretMoved();
}

void TextControl::edit(Position from, Position to, const QString& text, UndoStack::Kind kind, std::optional<QString> known) {
    layout_.update();
    from = lines_.clamp(from);
    to = lines_.clamp(to);
    if (to < from) std::swap(from, to);
    QString removed = known ? std::move(*known) : lines_.between(from, to);
    if (removed.isEmpty() && text.isEmpty()) return;
    const Position before = caret_;
    caret_ = anchor_ = replaceText(from, to, text);
    host_->textReplaced(from, removed, text);
    undo_.record(kind, {{from, std::move(removed), text}}, before);
    textChanged();
}

UndoStack::Change TextControl::change(Position from, Position to, const QString& text) {
    QString removed = lines_.between(from, to);
    replaceText(from, to, text);
    host_->textReplaced(from, removed, text);
    return {from, std::move(removed), text};
}

void TextControl::insertTyped(const QString& text) { edit(caret_, anchor_, TextLines::normalized(text), UndoStack::Kind::Typing); }

void TextControl::apply(const UndoStack::Step& step, bool undo) {
    layout_.update();
    auto replace = [&](const UndoStack::Change& c, const QString& gone, const QString& back) {
        replaceText(c.at, UndoStack::endOf(c.at, gone), back);
        host_->textReplaced(c.at, gone, back);
    };
    if (undo) {
        for (auto c = step.changes.rbegin(); c != step.changes.rend(); ++c) replace(*c, c->inserted, c->removed);
    } else {
        for (const UndoStack::Change& c : step.changes) replace(c, c.removed, c.inserted);
    }
    // Where Qt's document leaves the caret: after a redo, after the last change's text; after an
    // undo, after what the first change had removed, or where the step recorded it. (Undoing a
    // paste at the very start sends Qt's caret past the first line, away from the edit: not so.)
    Position at;
    const UndoStack::Change& first = step.changes.front();
    const UndoStack::Change& last = step.changes.back();
    if (!undo) at = UndoStack::endOf(last.at, last.inserted);
    else if (step.undoCaret == UndoStack::UndoCaret::Recorded) at = step.caretBefore;
    else at = UndoStack::endOf(first.at, first.removed);
    at = lines_.clamp(at);
    caret_ = anchor_ = {at.line, lines_.boundaryFrom(at.line, at.column)};
    textChanged();
}

void TextControl::undo() {
    if (undo_.canUndo()) apply(undo_.takeUndo(), true);
}

void TextControl::redo() {
    if (undo_.canRedo()) apply(undo_.takeRedo(), false);
}

void TextControl::copy() const {
    if (hasSelection()) QGuiApplication::clipboard()->setText(selectedText());
}

void TextControl::cut() {
    if (!hasSelection()) return;
    // The text is copied out once, for the clipboard and for undo alike.
    const QString text = selectedText();
    QGuiApplication::clipboard()->setText(text);
    edit(caret_, anchor_, QString(), UndoStack::Kind::Other, text);
}

void TextControl::deleteSelection() {
    if (hasSelection()) edit(caret_, anchor_, QString(), UndoStack::Kind::Other);
}

void TextControl::replaceRange(Position from, Position to, const QString& text) {
    edit(from, to, TextLines::normalized(text), UndoStack::Kind::Other);
}

void TextControl::pasteText(const QString& text) {
    const QString kept = TextLines::normalized(text);
    if (!kept.isEmpty()) edit(caret_, anchor_, kept, UndoStack::Kind::Paste);
}

void TextControl::paste() { pasteText(QGuiApplication::clipboard()->text()); }

void TextControl::copyToSelectionClipboard() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && hasSelection()) clipboard->setText(selectedText(), QClipboard::Selection);
}
