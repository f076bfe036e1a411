// The send box against Qt's own QPlainTextEdit wrapping at the same width: the same steps
// (keys, typing, clicks, an input method's events, resizes) done to both, and what each then
// shows compared: text, caret and anchor, where the caret stands on screen, and where the rows
// of wrapped lines start.
#pragma once
#include <QApplication>
#include <QInputMethodEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextLayout>
#include <string>
#include <vector>

#include "textkeys.h"

namespace textdiff {

using namespace textkeys;

// One step of a run: a key step (keys, typing, the clipboard), a click, an input method's
// composition or commit, or both boxes made as wide as each other.
struct Act {
    enum Kind { Keys, Click, Compose, Commit, Resize } kind = Keys;
    Step step{Qt::Key_unknown};
    // A click: at the reference's caret before `offset`, `dx` pixels to the right of it, or at
    // the viewport's right edge in that row (`rowEnd`); at the viewport `point` where offset
    // is negative, with both views scrolled to the top row `top` first (unless negative).
    int offset = -1;
    int dx = 0;
    bool rowEnd = false;
    QPoint point;
    int top = -1;
    int count = 1;
    // A composition, its cursor, or a commit replacing `length` units `from` the caret on.
    QString text;
    int cursor = 0;
    int from = 0;
    int length = 0;
    int width = 0;  // the viewports' new width

    Act(Step s) : step(std::move(s)) {}
    Act(QKeySequence::StandardKey k) : step(k) {}
    Act(QKeyCombination k) : step(k) {}
    Act(Qt::Key k) : step(k) {}
};

inline Act clickOn(int offset, int dx = 0, int count = 1) {
    Act a(Qt::Key_unknown);
    a.kind = Act::Click;
    a.offset = offset;
    a.dx = dx;
    a.count = count;
    return a;
}
inline Act clickPastRowEnd(int offset) {
    Act a = clickOn(offset);
    a.rowEnd = true;
    return a;
}
inline Act clickAt(QPoint point, int top, int count) {
    Act a = clickOn(-1, 0, count);
    a.point = point;
    a.top = top;
    return a;
}
inline Act imCompose(const QString& text, int cursor) {
    Act a(Qt::Key_unknown);
    a.kind = Act::Compose;
    a.text = text;
    a.cursor = cursor;
    return a;
}
inline Act imCommit(const QString& text, int from = 0, int length = 0) {
    Act a = imCompose(text, 0);
    a.kind = Act::Commit;
    a.from = from;
    a.length = length;
    return a;
}
inline Act bothWide(int width) {
    Act a(Qt::Key_unknown);
    a.kind = Act::Resize;
    a.width = width;
    return a;
}

// A message on one line: line breaks as "\n".
inline std::string oneLine(std::string s) {
    for (std::size_t at = s.find('\n'); at != std::string::npos; at = s.find('\n', at + 2)) s.replace(at, 1, "\\n");
    return s;
}
inline std::string shownText(const QString& text) { return oneLine(shown(State{text, -1, -1})); }

inline std::string shown(const Act& a) {
    const char* clicks[] = {"", "click", "double click", "triple click"};
    switch (a.kind) {
    case Act::Keys: return shown(a.step);
    case Act::Click:
        if (a.offset < 0)
            return std::string(clicks[a.count]) + " at (" + std::to_string(a.point.x()) + ", " + std::to_string(a.point.y()) +
                   ") from top row " + std::to_string(a.top);
        if (a.rowEnd) return std::string(clicks[a.count]) + " past the end of the row of " + std::to_string(a.offset);
        return std::string(clicks[a.count]) + " at " + std::to_string(a.offset) + (a.dx < 0 ? "" : "+") + std::to_string(a.dx) + "px";
    case Act::Compose: return "composing \"" + shownText(a.text) + "\" cursor " + std::to_string(a.cursor);
    case Act::Commit:
        return "commit \"" + shownText(a.text) + "\"" +
               (a.length || a.from ? " over " + std::to_string(a.from) + "+" + std::to_string(a.length) : std::string());
    case Act::Resize: return "both " + std::to_string(a.width) + " px wide";
    }
    return {};
}
inline std::string shown(const std::vector<Act>& acts, std::size_t upTo) {
    std::string out;
    for (std::size_t i = 0; i < upTo && i < acts.size(); ++i) out += "  " + std::to_string(i + 1) + ". " + oneLine(shown(acts[i])) + "\n";
    return out;
}

// ---- the two boxes alike

inline QRect caretRectOf(SendBox* box) { return box->cursorRect(); }
inline QRect caretRectOf(QPlainTextEdit* ref) { return ref->cursorRect(); }

// The viewport made `width` pixels wide, the height kept.
inline void setViewportWidth(QAbstractScrollArea* w, int width) {
    w->resize(w->width() + width - w->viewport()->width(), w->height());
}

// The reference wraps as the send box does: at its viewport's width (less the same margin of
// 4 on either side), with the bars the box has, as large as the box. It stands in a window of
// its own, so that giving it the focus for a step takes the focus from no box: a composition
// in the send box lasts as long as the operator's focus stays there.
inline void wrapLikeBox(QPlainTextEdit* ref, SendBox* box) {
    ref->setParent(nullptr);
    ref->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    ref->setVerticalScrollBarPolicy(box->verticalScrollBarPolicy());
    ref->setHorizontalScrollBarPolicy(box->horizontalScrollBarPolicy());
    ref->resize(box->size());
    ref->show();
    QWidget* window = box->window();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    QCoreApplication::processEvents();
}

// The reference's point for a click: the step says where in the reference's text it lands.
inline QPoint pointFor(const Act& a, QPlainTextEdit* ref) {
    if (a.offset < 0) return a.point;
    QPoint at = pointAt(ref, std::min(a.offset, int(ref->toPlainText().size()))) + QPoint(a.dx, 0);
    if (a.rowEnd) at.setX(ref->viewport()->width() - 3);
    return at;
}

// What an input method sends while composing: the text underlined, its cursor at `cursor`.
inline void sendComposition(QWidget* w, const QString& text, int cursor) {
    QTextCharFormat underline;
    underline.setUnderlineStyle(QTextCharFormat::SingleUnderline);
    QInputMethodEvent e(text, {{QInputMethodEvent::Cursor, cursor, 1, QVariant()},
                               {QInputMethodEvent::TextFormat, 0, int(text.size()), underline}});
    QCoreApplication::sendEvent(w, &e);
}

// The act on one of the boxes; a click lands at `point`.
template <typename Box>
void perform(Box* w, const Act& a, QPoint point) {
    switch (a.kind) {
    case Act::Keys: return textkeys::perform(w, a.step);
    case Act::Click:
        if (a.top >= 0) w->verticalScrollBar()->setValue(a.top);
        return clicks(w->viewport(), point, a.count);
    case Act::Compose:
        w->setFocus();
        return sendComposition(w, a.text, a.cursor);
    case Act::Commit: {
        w->setFocus();
        QInputMethodEvent e;
        e.setCommitString(a.text, a.from, a.length);
        QCoreApplication::sendEvent(w, &e);
        return;
    }
    case Act::Resize: return setViewportWidth(w, a.width);
    }
}

// The anchor and caret put at offsets, the text and its undo history kept.
inline void select(SendBox* box, int anchor, int caret) {
    box->setCaret(positionOf(box, anchor));
    box->setCaret(positionOf(box, caret), true);
}
inline void select(QPlainTextEdit* ref, int anchor, int caret) {
    QTextCursor c = ref->textCursor();
    c.setPosition(anchor);
    c.setPosition(caret, QTextCursor::KeepAnchor);
    ref->setTextCursor(c);
}

// The places the caret can stand in the text: its grapheme boundaries.
inline std::vector<int> boundariesOf(const QString& text) {
    std::vector<int> out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = 0; at >= 0; at = finder.toNextBoundary()) out.push_back(int(at));
    return out;
}

// Whether text holds a character of more than one code point (a letter with a combining mark,
// a joiner sequence), over which the reference's hit test goes astray: Qt 6.4's
// QTextLine::xToCursor maps points after such a character to places far from where it draws
// them, so that clicks and Up and Down there are Qt's own to get wrong.
inline bool holdsCompositeCharacter(const QString& text) {
    const std::vector<int> stops = boundariesOf(text);
    for (std::size_t i = 1; i < stops.size(); ++i) {
        const int length = stops[i] - stops[i - 1];
        if (length > 2 || (length == 2 && !text[stops[i - 1]].isHighSurrogate())) return true;
    }
    return false;
}

// Where the caret shows before each boundary of the text, found by putting it there (in view
// coordinates: the box scrolls to show it); the caret and anchor put back after.
struct CaretAt {
    int offset;
    QRect rect;
    int top;  // the view's top row then
};
template <typename Box>
std::vector<CaretAt> caretWalk(Box* w) {
    const State kept = stateOf(w);
    std::vector<CaretAt> out;
    for (int offset : boundariesOf(kept.text)) {
        select(w, offset, offset);
        out.push_back({offset, caretRectOf(w), w->verticalScrollBar()->value()});
    }
    select(w, kept.anchor, kept.caret);
    return out;
}

// The offsets at which a row after the first starts: there the caret shows on a new row.
inline std::vector<int> rowStartsOf(const std::vector<CaretAt>& walk) {
    std::vector<int> out;
    for (std::size_t i = 1; i < walk.size(); ++i) {
        const int y = walk[i].rect.y() + walk[i].top * walk[i].rect.height();
        const int before = walk[i - 1].rect.y() + walk[i - 1].top * walk[i - 1].rect.height();
        if (y != before) out.push_back(walk[i].offset);
    }
    return out;
}

// The rows of the send box as its layout holds them now: each row's line and first column.
inline std::vector<std::pair<int, int>> layoutRows(const SendBox* box) {
    const TextLayout& layout = box->control().layout();
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < layout.rowCount(); ++i) {
        const TextLayout::Row row = layout.rowAtIndex(i);
        out.emplace_back(row.line, row.from);
    }
    return out;
}

// The offsets at which the rows after the first start, as each box shows them (read without
// moving the caret): while an input method composes, the caret's line with the composition
// in it, as Qt's layout counts a composition within its line.
inline std::vector<int> rowOffsets(const SendBox* box) {
    std::vector<int> out;
    int lineStart = 0, line = 0;
    const ComposedLine& composed = box->control().composedLine();
    for (const auto& [l, from] : layoutRows(box)) {
        for (; line < l; ++line) lineStart += int(box->line(line).size()) + 1;
        if (composed.active() && l == composed.line()) {
            if (from == 0)
                for (int row = l == 0 ? 1 : 0; row < composed.rowCount(); ++row) out.push_back(lineStart + composed.rowStart(row));
            continue;
        }
        if (l != 0 || from != 0) out.push_back(lineStart + from);
    }
    return out;
}
inline std::vector<int> rowOffsets(const QPlainTextEdit* ref) {
    std::vector<int> out;
    auto* layouts = qobject_cast<QPlainTextDocumentLayout*>(ref->document()->documentLayout());
    for (QTextBlock b = ref->document()->firstBlock(); b.isValid(); b = b.next()) {
        layouts->ensureBlockLayout(b);  // a block out of view is laid out when first shown
        const QTextLayout* layout = b.layout();
        for (int i = 0; i < layout->lineCount(); ++i)
            if (b.position() + layout->lineAt(i).textStart() != 0) out.push_back(b.position() + layout->lineAt(i).textStart());
    }
    return out;
}

}  // namespace textdiff
