// Input methods in the editing control, as Qt's own plain-text box takes them: the composition
// with the attributes the input method sends; its commit, which may replace text around the
// caret, and with what it takes out of a selection is one step to undo; the caret or selection
// it sets; and the queries it asks (but for the caret's rectangle, which the view that shows the
// caret answers).
#include <QInputMethodEvent>
#include <QTextCharFormat>
#include <algorithm>

#include "textcontrol.h"

namespace {

// How much of a long line the input method is told around the caret.
constexpr int kSurrounding = 1024;

// The stretch of the caret's line the input method is told about: around the caret (and the
// anchor, where it is near), from and to whole characters.
struct Surrounding {
    int from, to;
    bool anchorNear;
};
Surrounding surroundingOf(const TextLines& lines, TextPosition caret, TextPosition anchor) {
    const int length = lines.length(caret.line);
    int from = std::max(0, caret.column - kSurrounding), to = std::min(length, caret.column + kSurrounding);
    const bool anchorNear = anchor.line == caret.line && std::abs(anchor.column - caret.column) <= kSurrounding;
    if (anchorNear) from = std::min(from, anchor.column), to = std::max(to, anchor.column);
    return {lines.boundaryFrom(caret.line, from), lines.boundaryFrom(caret.line, to), anchorNear};
}

// A column moved off the second half of a surrogate pair: back (`down`) or on.
int wholeCodePoint(const LineText& text, int column, bool down) {
    if (column <= 0 || column >= text.size() || !text[column].isLowSurrogate() || !text[column - 1].isHighSurrogate())
        return column;
    return down ? column - 1 : column + 1;
}

}  // namespace

void TextControl::inputMethod(QInputMethodEvent* event) {
    layout_.update();
    const bool hadComposition = composing();
    const Position caretBefore = caret_, anchorBefore = anchor_;
    // Where the text the input method was told about starts: a selection it sets counts from there.
    const int told = surroundingOf(lines_, caret_, anchor_).from;
    // An event that brings input (a commit, a new composition, a replacement) takes the selection
    // out first, as Qt's box does: a composition never stands over selected text.
    const QString& commit = event->commitString();
    const bool input = !commit.isEmpty() || event->preeditString() != preedit_.text || event->replacementLength() > 0;
    std::vector<UndoStack::Change> changes;
    if (input && hasSelection()) {
        const Position from = selectionStart();
        changes.push_back(change(from, selectionEnd(), QString()));
        caret_ = anchor_ = from;
    }
    if (!commit.isEmpty() || event->replacementLength() > 0) {
        // The text to replace is given around the caret in UTF-16 units; it is taken in whole
        // code points (of a conjunct, an input method erases one, not the whole cluster).
        const int line = caret_.line, length = lines_.length(line);
        const int start = std::clamp(caret_.column + event->replacementStart(), 0, length);
        const int end = std::clamp(start + event->replacementLength(), start, length);
        const Position from{line, wholeCodePoint(lines_[line], start, true)};
        const Position to{line, wholeCodePoint(lines_[line], end, false)};
        const QString text = TextLines::normalized(commit);
        if (from != to || !text.isEmpty()) {
            changes.push_back(change(from, to, text));
            // The caret keeps its place in the text around it, as Qt's cursor does: one that
            // stood at or inside the replaced text goes after the commit.
            const Position end = UndoStack::endOf(from, text);
            const int column = caret_.column;
            if (column >= from.column) caret_ = column <= to.column ? end : Position{end.line, end.column + column - to.column};
            caret_ = anchor_ = {caret_.line, lines_.boundaryFrom(caret_.line, caret_.column)};
        }
    }
    const bool edited = !changes.empty();
    if (edited) undo_.record(UndoStack::Kind::Commit, std::move(changes), caretBefore);
    for (const QInputMethodEvent::Attribute& a : event->attributes()) {
        if (a.type != QInputMethodEvent::Selection) continue;
        // The selection from `start` for `length` (before it, when negative), on the caret's line.
        const int line = caret_.line, length = lines_.length(line);
        const int start = std::clamp(told + a.start, 0, length);
        anchor_ = {line, lines_.boundaryFrom(line, start)};
        caret_ = {line, lines_.boundaryFrom(line, std::clamp(start + a.length, 0, length))};
    }
    // The composition now standing at the caret; its cursor at its end, unless the input method
    // places it.
    preedit_ = {};
    preedit_.text = event->preeditString();
    preedit_.cursor = int(preedit_.text.size());
    for (const QInputMethodEvent::Attribute& a : event->attributes()) {
        if (a.type == QInputMethodEvent::TextFormat) {
            const QTextCharFormat format = qvariant_cast<QTextFormat>(a.value).toCharFormat();
            if (format.isValid()) preedit_.formats.append({a.start, a.length, format});
        } else if (a.type == QInputMethodEvent::Cursor) {
            preedit_.cursor = std::clamp(a.start, 0, int(preedit_.text.size()));
            preedit_.cursorShown = a.length != 0;
        }
    }
    if (edited || caret_ != caretBefore || anchor_ != anchorBefore) textChanged();
    else placeCaret();
    if (composing() || hadComposition) host_->compositionChanged();
}

void TextControl::dropComposition() {
    if (!composing()) return;
    preedit_ = {};
    placeCaret();
    host_->compositionChanged();
}

QVariant TextControl::inputMethodQuery(Qt::InputMethodQuery query) const {
    // Of a long line, a stretch around the caret (and the anchor, where it is near).
    const Surrounding s = surroundingOf(lines_, caret_, anchor_);
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImFont:
        return layout_.font();
    case Qt::ImCursorPosition:
        return caret_.column - s.from;
    case Qt::ImAnchorPosition:
        return s.anchorNear ? anchor_.column - s.from : caret_.column - s.from;
    case Qt::ImSurroundingText:
        return lines_[caret_.line].mid(s.from, s.to - s.from);
    case Qt::ImTextBeforeCursor:
        return lines_[caret_.line].mid(s.from, caret_.column - s.from);
    case Qt::ImTextAfterCursor:
        return lines_[caret_.line].mid(caret_.column, s.to - caret_.column);
    case Qt::ImCurrentSelection:
        return selectedText();
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    case Qt::ImReadOnly:
        return false;
    default:
        return {};
    }
}
