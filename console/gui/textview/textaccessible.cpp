#include "textaccessible.h"

#include <QAccessibleWidget>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <cmath>

#include "textview.h"

namespace {

// Word and sentence boundaries are found in a stretch this long to either side of the offset:
// enough for any item of a log or a frame, and cheap in a line of megabytes.
constexpr int kReach = 1024;

// [start, end) of a text item; -1, -1 when there is none (as Qt's text interfaces say it).
struct Range {
    int start = -1;
    int end = -1;
};

// ---- items found by QTextBoundaryFinder, as Qt's own text interface finds them. Where Qt's
// would loop for ever (a word asked for at the very end of a text that ends in one) or give a
// start of -1 (blanks before the first word), these stop at the text's end or start.

bool atItemEdge(const QTextBoundaryFinder& f) {
    return f.boundaryReasons() & (QTextBoundaryFinder::StartOfItem | QTextBoundaryFinder::EndOfItem);
}

// Back from the finder's place to the start or end of an item, or the text's start.
int backToEdge(QTextBoundaryFinder& f) {
    while (!atItemEdge(f) && f.toPreviousBoundary() > 0) {
    }
    if (f.position() < 0) f.setPosition(0);
    return int(f.position());
}

// On to the next start or end of an item; the text's end, or -1 past it.
int onToEdge(QTextBoundaryFinder& f, int length) {
    for (;;) {
        const qsizetype next = f.toNextBoundary();
        if (atItemEdge(f) || next < 0 || next >= length) return int(next);
    }
}

// The item at, before or after `offset` in `text` (0 < offset < text.size() or at its ends).
Range itemAt(QTextBoundaryFinder::BoundaryType type, const QString& text, int offset) {
    QTextBoundaryFinder f(type, text);
    f.setPosition(offset);
    const int start = backToEdge(f);
    const int end = onToEdge(f, int(text.size()));
    return {start, end < 0 ? int(text.size()) : end};
}

Range itemBefore(QTextBoundaryFinder::BoundaryType type, const QString& text, int offset) {
    QTextBoundaryFinder f(type, text);
    f.setPosition(offset);
    const int end = backToEdge(f);
    if (end <= 0) return {};
    while (f.toPreviousBoundary() > 0 && !atItemEdge(f)) {
    }
    return {std::max(0, int(f.position())), end};
}

Range itemAfter(QTextBoundaryFinder::BoundaryType type, const QString& text, int offset) {
    QTextBoundaryFinder f(type, text);
    f.setPosition(offset);
    const int start = onToEdge(f, int(text.size()));
    const int end = onToEdge(f, int(text.size()));
    if (start < 0 || end < 0 || start == end) return {};
    return {start, end};
}

QTextBoundaryFinder::BoundaryType finderType(QAccessible::TextBoundaryType boundary) {
    switch (boundary) {
    case QAccessible::WordBoundary: return QTextBoundaryFinder::Word;
    case QAccessible::SentenceBoundary: return QTextBoundaryFinder::Sentence;
    default: return QTextBoundaryFinder::Grapheme;
    }
}

enum class Side { Before, At, After };

class TextViewAccessible final : public QAccessibleWidget,
                                 public QAccessibleTextInterface,
                                 public QAccessibleEditableTextInterface {
public:
    explicit TextViewAccessible(TextView* view) : QAccessibleWidget(view, QAccessible::EditableText) {
        toldCaret = offsetOf(view->caret());
        toldAnchor = offsetOf(view->anchor());
    }

    TextView* view() const { return static_cast<TextView*>(widget()); }
    const TextLines& lines() const { return view()->textLines(); }
    int offsetOf(TextPosition at) const { return lines().offsetOf(at); }
    TextPosition positionAt(int offset) const { return lines().positionAt(offset); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface) return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // As Qt's plain-text box: its states, and its text as the value. The view has no
    // read-only mode: the operator edits both boxes.
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectableText = true;
        s.multiLine = true;
        s.editable = true;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? view()->toPlainText() : QAccessibleWidget::text(t);
    }
    void setText(QAccessible::Text t, const QString& text) override {
        if (t == QAccessible::Value) view()->setPlainText(text);
        else QAccessibleWidget::setText(t, text);
    }

    // ---- text

    int characterCount() const override { return lines().characterCount(); }
    QString text(int startOffset, int endOffset) const override {
        if (endOffset < startOffset) std::swap(startOffset, endOffset);
        return lines().between(positionAt(startOffset), positionAt(endOffset));
    }
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        // One font and colour throughout: one run of no attributes.
        const int count = characterCount();
        if (offset == -2) offset = cursorPosition();
        if (offset == -1) offset = count;
        const bool inside = offset >= 0 && offset <= count;
        *startOffset = inside ? 0 : -1;
        *endOffset = inside ? count : -1;
        return QString();
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                             int* endOffset) const override {
        return item(Side::Before, offset, boundary, startOffset, endOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                         int* endOffset) const override {
        return item(Side::At, offset, boundary, startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                            int* endOffset) const override {
        return item(Side::After, offset, boundary, startOffset, endOffset);
    }

    // ---- caret and selection

    int cursorPosition() const override { return offsetOf(view()->caret()); }
    void setCursorPosition(int position) override { view()->setCaret(positionAt(position)); }
    int selectionCount() const override { return view()->hasSelection() ? 1 : 0; }
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || !view()->hasSelection()) return;
        const int caret = cursorPosition(), anchor = offsetOf(view()->anchor());
        *startOffset = std::min(caret, anchor);
        *endOffset = std::max(caret, anchor);
    }
    // One selection, from the start offset (the anchor) to the end offset (the caret).
    void setSelection(int selectionIndex, int startOffset, int endOffset) override {
        if (selectionIndex != 0) return;
        view()->setCaret(positionAt(startOffset));
        view()->setCaret(positionAt(endOffset), true);
    }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int selectionIndex) override {
        if (selectionIndex == 0) view()->setCaret(view()->caret());
    }

    // ---- geometry, in screen coordinates

    QRect characterRect(int offset) const override {
        if (offset < 0 || offset >= characterCount()) return {};
        const QRect r = view()->characterRect(positionAt(offset));
        return r.translated(view()->viewport()->mapToGlobal(QPoint(0, 0)));
    }
    int offsetAtPoint(const QPoint& point) const override {
        const auto at = view()->characterAt(view()->viewport()->mapFromGlobal(point));
        return at ? offsetOf(*at) : -1;
    }
    void scrollToSubstring(int startIndex, int endIndex) override {
        view()->scrollToShow(positionAt(std::min(startIndex, endIndex)), positionAt(std::max(startIndex, endIndex)));
    }

    // ---- edits, through the view's own edit path: each one undo step

    void deleteText(int startOffset, int endOffset) override { replaceText(startOffset, endOffset, QString()); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString& text) override {
        view()->replaceRange(positionAt(startOffset), positionAt(endOffset), text);
    }

    // What screen readers were told last of the caret and the anchor.
    int toldCaret = 0;
    int toldAnchor = 0;

private:
    QString item(Side side, int offset, QAccessible::TextBoundaryType boundary, int* startOffset, int* endOffset) const;
    Range lineItem(Side side, int offset, int count) const;
};

// The item of a kind at, before or after an offset, as Qt's own text interface gives it: a
// character, a word (or the blanks and signs between words), a sentence, or a line with its
// line break. Lines and paragraphs are the lines between '\n', found through the line offsets;
// the others are found in a stretch of text around the offset.
QString TextViewAccessible::item(Side side, int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                                 int* endOffset) const {
    const int count = characterCount();
    if (offset == -2) offset = cursorPosition();
    if (offset == -1) offset = count;
    Range r;
    const bool valid = count > 0 && offset >= 0 && offset <= count && !(side == Side::Before && offset == 0) &&
                       !(side == Side::After && offset == count) &&
                       !(side == Side::At && offset == count && boundary == QAccessible::CharBoundary);
    if (!valid) {
    } else if (boundary == QAccessible::NoBoundary) {
        if (side == Side::At) r = {0, count};
    } else if (boundary == QAccessible::LineBoundary || boundary == QAccessible::ParagraphBoundary) {
        r = lineItem(side, offset, count);
    } else {
        const TextLines& text = lines();
        TextPosition from = positionAt(std::max(0, offset - kReach)), to = positionAt(std::min(count, offset + kReach));
        from.column = text.boundaryFrom(from.line, from.column);
        to.column = text.boundaryFrom(to.line, to.column);
        const int base = offsetOf(from);
        const QString stretch = text.between(from, to);
        const auto type = finderType(boundary);
        const int at = offset - base;
        r = side == Side::At ? itemAt(type, stretch, at) : side == Side::Before ? itemBefore(type, stretch, at) : itemAfter(type, stretch, at);
        if (r.start >= 0) r = {r.start + base, r.end + base};
    }
    *startOffset = r.start;
    *endOffset = r.end;
    return r.start < 0 ? QString() : text(r.start, r.end);
}

Range TextViewAccessible::lineItem(Side side, int offset, int count) const {
    int line = positionAt(offset).line;
    if (side == Side::Before) --line;
    if (side == Side::After) ++line;
    const TextLines& text = lines();
    if (line < 0 || line >= text.size()) return {};
    const int start = offsetOf({line, 0});
    return {start, std::min(count, start + text.length(line) + 1)};
}

TextViewAccessible* interfaceOf(TextView* view) {
    return dynamic_cast<TextViewAccessible*>(QAccessible::queryAccessibleInterface(view));
}

void send(QAccessibleEvent&& event) { QAccessible::updateAccessibility(&event); }

QAccessibleInterface* textViewFactory(const QString&, QObject* object) {
    if (auto* view = qobject_cast<TextView*>(object)) return new TextViewAccessible(view);
    return nullptr;
}

const TextView* resetting = nullptr;  // the view an AccessibleTextReset is held over

}  // namespace

void installTextAccessibility() {
    static const bool installed = (QAccessible::installFactory(textViewFactory), true);
    (void)installed;
}

// ---- events

namespace textaccessible {

void replaced(TextView* view, TextPosition at, const QString& removed, const QString& inserted) {
    const int offset = view->textLines().offsetOf(at);
    if (removed.isEmpty()) send(QAccessibleTextInsertEvent(view, offset, inserted));
    else if (inserted.isEmpty()) send(QAccessibleTextRemoveEvent(view, offset, removed));
    else send(QAccessibleTextUpdateEvent(view, offset, removed, inserted));
}

void lineAppended(TextView* view) {
    const TextLines& lines = view->textLines();
    const int last = lines.size() - 1;
    // The first line of an empty view stands alone; any other comes after a line break.
    if (last == 0) {
        if (!lines[0].isEmpty()) send(QAccessibleTextInsertEvent(view, 0, lines[0].toString()));
        return;
    }
    send(QAccessibleTextInsertEvent(view, lines.offsetOf({last, 0}) - 1, u'\n' + lines[last].toString()));
}

// As Qt's text widgets: the caret's move when its offset changed; the selection when one was
// made, changed or dropped.
void caretMoved(TextView* view) {
    // Over a change of the whole text, the caret is told after the text, when the reset ends.
    if (resetting == view) return;
    TextViewAccessible* iface = interfaceOf(view);
    if (!iface) return;
    const int caret = iface->offsetOf(view->caret()), anchor = iface->offsetOf(view->anchor());
    if (caret != iface->toldCaret) send(QAccessibleTextCursorEvent(view, caret));
    const bool had = iface->toldCaret != iface->toldAnchor, has = caret != anchor;
    if (had != has || (has && (caret != iface->toldCaret || anchor != iface->toldAnchor)))
        send(QAccessibleTextSelectionEvent(view, anchor, caret));
    iface->toldCaret = caret;
    iface->toldAnchor = anchor;
}

}  // namespace textaccessible

AccessibleTextReset::AccessibleTextReset(TextView* view) {
    if (!QAccessible::isActive() || resetting == view) return;
    view_ = view;
    resetting = view;
    old_ = view->toPlainText();
}

AccessibleTextReset::~AccessibleTextReset() {
    if (!view_) return;
    resetting = nullptr;
    if (!old_.isEmpty()) send(QAccessibleTextRemoveEvent(view_, 0, old_));
    const QString now = view_->toPlainText();
    if (!now.isEmpty()) send(QAccessibleTextInsertEvent(view_, 0, now));
    textaccessible::caretMoved(view_);
}

// ---- the view's side

QRect TextView::characterRect(Position at) {
    TextLayout& layout = control_.layout();
    const TextLines& lines = control_.lines();
    at = lines.clamp(at);
    const Row row = layout.rowContaining(at);
    qreal left = layout.xInRow(row, at.column), right = left;
    if (at.column < lines.length(at.line)) right = layout.xInRow(row, lines.nextCharacter(at).column);
    // A right-to-left character stands left of where it starts.
    if (right < left) std::swap(left, right);
    const int x = int(std::lround(left)), width = int(std::lround(right)) - x;
    const int top = rowTop(layout.rowIndexOf(at) - topRow());
    return {kMargin + x - horizontalScrollBar()->value(), top, width, lineHeight()};
}

std::optional<TextView::Position> TextView::characterAt(const QPoint& point) {
    if (!viewport()->rect().contains(point) || topRow() + rowIn(point.y()) < 0 || lineCount() == 0) return std::nullopt;
    const int row = topRow() + rowIn(point.y());
    if (row >= rowCount()) return std::nullopt;
    TextLayout& layout = control_.layout();
    const Row r = layout.rowAtIndex(row);
    const qreal x = point.x() + horizontalScrollBar()->value() - kMargin;
    if (x < 0 || x >= layout.xInRow(r, r.to)) return std::nullopt;
    // The nearest place between characters; the character before it when that lies right of x.
    Position at = layout.positionInRow(r, x);
    if (layout.xInRow(r, at.column) > x) at = control_.lines().previousCharacter(at);
    return at;
}

void TextView::replaceRange(Position from, Position to, const QString& text) {
    settle();
    control_.replaceRange(from, to, text);
}

void TextView::scrollToShow(Position from, Position to) {
    settle();
    TextLayout& layout = control_.layout();
    if (!wrap_) {
        layout.lineWidth(from.line);
        layout.lineWidth(to.line);
    }
    updateScrollBars();
    // The start in view, and as much after it as fits.
    QScrollBar* v = verticalScrollBar();
    const int visible = visibleRows(), first = layout.rowIndexOf(from), last = layout.rowIndexOf(to);
    if (first < v->value() || last - first >= visible) v->setValue(first);
    else if (last >= v->value() + visible) v->setValue(last - visible + 1);
    if (wrap_) return;
    QScrollBar* h = horizontalScrollBar();
    const int width = viewport()->width();
    const int left = int(std::lround(layout.xOf(from))), right = int(std::lround(layout.xOf(to))) + 2 * kMargin;
    if (left < h->value() || (first == last && right - left > width)) h->setValue(left);
    else if (first == last && right > h->value() + width) h->setValue(right - width);
}
