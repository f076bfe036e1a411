// The editing control's content, caret and edits: replacing text, undo and redo, the clipboard.
#include "textcontrol.h"

#include <QClipboard>
#include <QFontMetricsF>
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
    undo_.clear();
    placeCaret();
    host_->textReset();
    host_->caretMoved();
}

void TextControl::appendLine(LineText text) {
    if (blank_) {
        lines_[0] = std::move(text);
        layout_.linesReplaced(0, 1, 1);
        blank_ = false;
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
}

qreal TextControl::compositionAdvance(int cursor) const {
    if (preedit_.text.isEmpty()) return 0;
    return QFontMetricsF(layout_.font()).horizontalAdvance(preedit_.text.left(std::clamp(cursor, 0, int(preedit_.text.size()))));
}

// ---- caret

void TextControl::setCaret(Position at, bool keepAnchor) {
    layout_.update();
    at = lines_.clamp(at);
    caret_ = {at.line, lines_.boundaryFrom(at.line, at.column)};
    if (!keepAnchor) anchor_ = caret_;
    goalX_ = -1;
    undo_.seal();
    placeCaret();
    host_->caretMoved();
}

void TextControl::selectAll() {
    layout_.update();
    anchor_ = {0, 0};
    caret_ = lines_.end();
    goalX_ = -1;
    undo_.seal();
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
    // An empty text that still has edits to undo keeps its empty line: a line the program
    // adds then goes after it, and an undo never joins the two.
    blank_ = lines_.size() == 1 && lines_[0].isEmpty() && !undo_.canUndo();
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
    caret_ = anchor_ = replaceText(from, to, text);
    host_->textReplaced(from, removed, text);
    undo_.record({from, std::move(removed), text, kind});
    textChanged();
}

void TextControl::insertTyped(const QString& text) { edit(caret_, anchor_, TextLines::normalized(text), UndoStack::Kind::Typing); }

void TextControl::apply(const UndoStack::Edit& step, bool undo) {
    layout_.update();
    const QString& gone = undo ? step.inserted : step.removed;
    const QString& back = undo ? step.removed : step.inserted;
    caret_ = anchor_ = replaceText(step.at, UndoStack::endOf(step.at, gone), back);
    host_->textReplaced(step.at, gone, back);
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
    if (!kept.isEmpty()) edit(caret_, anchor_, kept, UndoStack::Kind::Other);
}

void TextControl::paste() { pasteText(QGuiApplication::clipboard()->text()); }

void TextControl::copyToSelectionClipboard() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && hasSelection()) clipboard->setText(selectedText(), QClipboard::Selection);
}
