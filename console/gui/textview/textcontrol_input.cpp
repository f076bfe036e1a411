// Input methods in the editing control: the composition with the attributes the input method
// sends, its commit, and the queries it asks (but for the caret's rectangle, which the view
// that shows the caret answers).
#include <QInputMethodEvent>
#include <QTextCharFormat>
#include <algorithm>

#include "textcontrol.h"

namespace {

// How much of a long line the input method is told around the caret.
constexpr int kSurrounding = 1024;

}  // namespace

void TextControl::inputMethod(QInputMethodEvent* event) {
    layout_.update();
    const bool hadComposition = composing();
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        // The text to replace, given around the caret, is taken in whole characters.
        if (event->replacementLength() > 0 || event->replacementStart() != 0) {
            const int line = caret_.line, length = lines_.length(line);
            const int start = std::clamp(caret_.column + event->replacementStart(), 0, length);
            const int end = std::clamp(start + event->replacementLength(), start, length);
            const int up = lines_.boundaryFrom(line, start);
            anchor_ = {line, up == start ? start : lines_.previousCharacter({line, up}).column};
            caret_ = {line, lines_.boundaryFrom(line, end)};
        }
        if (!event->commitString().isEmpty()) insertTyped(event->commitString());
        else deleteSelection();
    }
    preedit_ = {};
    preedit_.text = event->preeditString();
    for (const QInputMethodEvent::Attribute& a : event->attributes()) {
        if (a.type == QInputMethodEvent::TextFormat) {
            const QTextCharFormat format = qvariant_cast<QTextFormat>(a.value).toCharFormat();
            if (format.isValid()) preedit_.formats.append({a.start, a.length, format});
        } else if (a.type == QInputMethodEvent::Cursor) {
            preedit_.cursor = a.start;
            preedit_.cursorShown = a.length != 0;
        }
    }
    if (composing() || hadComposition) host_->compositionChanged();
}

QVariant TextControl::inputMethodQuery(Qt::InputMethodQuery query) const {
    // Of a long line, a stretch around the caret (and the anchor, where it is near).
    const int length = lines_.length(caret_.line);
    int from = std::max(0, caret_.column - kSurrounding), to = std::min(length, caret_.column + kSurrounding);
    const bool anchorNear = anchor_.line == caret_.line && std::abs(anchor_.column - caret_.column) <= kSurrounding;
    if (anchorNear) from = std::min(from, anchor_.column), to = std::max(to, anchor_.column);
    from = lines_.boundaryFrom(caret_.line, from);
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImFont:
        return layout_.font();
    case Qt::ImCursorPosition:
        return caret_.column - from;
    case Qt::ImAnchorPosition:
        return anchorNear ? anchor_.column - from : caret_.column - from;
    case Qt::ImSurroundingText:
        return lines_[caret_.line].mid(from, to - from);
    case Qt::ImTextBeforeCursor:
        return lines_[caret_.line].mid(from, caret_.column - from);
    case Qt::ImTextAfterCursor:
        return lines_[caret_.line].mid(caret_.column, to - caret_.column);
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
