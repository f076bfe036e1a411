// The text view's content calls, its geometry and scrolling, and the caret's blink.
#include "textview.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QInputMethod>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "scrollbar.h"
#include "textaccessible.h"

TextView::TextView(QWidget* parent) : QAbstractScrollArea(parent) {
    // The bars fill their own background (the window's, as under them), so that a bar's
    // repaint does not repaint the frames and boxes beneath it too.
    for (Qt::Orientation side : {Qt::Horizontal, Qt::Vertical}) {
        auto* bar = new PaneScrollBar(side);
        bar->setAutoFillBackground(true);
        side == Qt::Horizontal ? setHorizontalScrollBar(bar) : setVerticalScrollBar(bar);
    }
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShadow(QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(1);
    control_.setHost(this);
    control_.setFont(font());
    updateScrollBars();
    installTextAccessibility();
}

// ---- content

QString TextView::line(int index) const {
    if (index < 0 || index >= lineCount()) return {};
    return control_.lines()[index].toString();
}

void TextView::setPlainText(const QString& text) {
    resetComposition();
    const AccessibleTextReset told(this);
    control_.setPlainText(text);
}

void TextView::clearText() {
    resetComposition();
    const AccessibleTextReset told(this);
    control_.clear();
}

void TextView::appendLine(LineText text) {
    control_.appendLine(std::move(text));
    accessibleLineAppended(this);
}

void TextView::textReset() {
    glyphs_.clear();
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    refreshView();
}

// The operator's edits act on the view as it shows now: what a subclass has pending first.
void TextView::undoOperatorEdit() { settle(); control_.undo(); }

void TextView::redoOperatorEdit() { settle(); control_.redo(); }

void TextView::cutSelection() { settle(); control_.cut(); }

void TextView::copySelection() { control_.copy(); }

void TextView::pasteClipboard() { settle(); control_.paste(); }

void TextView::deleteSelection() { settle(); control_.deleteSelection(); }

void TextView::selectAll() { settle(); control_.selectAll(); }

void TextView::setCaret(Position at, bool keepAnchor) {
    settle();
    control_.setCaret(at, keepAnchor);
}

// ---- rows

void TextView::setWrapping(bool on) {
    wrap_ = on;
    rewrap();
}

int TextView::topRow() const { return verticalScrollBar()->value(); }

TextView::Position TextView::topPosition() const {
    const Row row = control_.layout().rowAtIndex(topRow());
    return {row.line, row.from};
}

void TextView::rewrap() {
    // The row that was at the top stays there.
    const Position top = topPosition();
    control_.setWrapWidth(wrap_ ? std::max(1, viewport()->width() - 2 * kMargin) : 0);
    updateScrollBars();
    verticalScrollBar()->setValue(control_.layout().rowIndexOf(top));
    refreshView();
}

// ---- geometry

int TextView::lineHeight() const { return std::max(1, fontMetrics().lineSpacing()); }

int TextView::visibleRows() const { return std::max(1, (viewport()->height() - topMargin()) / lineHeight()); }

int TextView::topShift() const {
    const int top = topRow();
    if (!wrap_ || top == 0) return 0;
    const ShownRow shown = shownRow(top);
    const bool inside = shown.composed >= 0 ? shown.composed > 0 : control_.layout().rowAtIndex(shown.layoutRow).index > 0;
    return inside && QFontMetricsF(font()).height() < lineHeight() ? 1 : 0;
}

int TextView::rowIn(int y) const {
    const int from = y - topMargin() - topShift();
    return from < 0 ? -1 : from / lineHeight();
}

int TextView::topShowing(int row) const {
    // Scrolled down, the rows start at the view's top edge; at the top, below the margin.
    const int h = lineHeight(), top = row - std::max(1, viewport()->height() / h) + 1;
    if (top > 0) return top;
    return kMargin + (row + 1) * h <= viewport()->height() ? 0 : std::min(row, 1);
}

int TextView::rowCount() const {
    const ComposedLine& composed = control_.composedLine();
    return control_.layout().rowCount() + (composed.active() ? composed.extraRows() : 0);
}

TextView::ShownRow TextView::shownRow(int index) const {
    const ComposedLine& composed = control_.composedLine();
    if (composed.active()) {
        const int first = control_.layout().firstRowOf(composed.line());
        if (index >= first && index < first + composed.rowCount()) return {first, index - first};
        if (index >= first + composed.rowCount()) index -= composed.extraRows();
    }
    return {index, -1};
}

TextView::ShownRow TextView::shownRowAt(const QPoint& point) const {
    return shownRow(std::clamp(topRow() + rowIn(point.y()), 0, std::max(0, rowCount() - 1)));
}

TextView::Position TextView::positionAt(const QPoint& point) {
    // Above the first row, the text's start; below the last, its end, as Qt's box takes them.
    if (topRow() + rowIn(point.y()) < 0) return {0, 0};
    if (topRow() + rowIn(point.y()) >= rowCount()) return endPosition();
    const ShownRow shown = shownRowAt(point);
    const qreal x = point.x() + horizontalScrollBar()->value() - kMargin;
    const ComposedLine& composed = control_.composedLine();
    if (shown.composed < 0) return control_.positionAt(shown.layoutRow, x);
    // On the composition: the caret's place; after it, the line's own.
    const int column = composed.columnAt(shown.composed, x), at = composed.at();
    return {composed.line(), column <= at ? column : std::max(at, column - composed.length())};
}

int TextView::compositionOffsetAt(const QPoint& point) {
    const ComposedLine& composed = control_.composedLine();
    if (!composed.active()) return -1;
    const ShownRow shown = shownRowAt(point);
    if (shown.composed < 0) return -1;
    // As Qt's box hit-tests it: the places at either end count as the composition's.
    const int offset = composed.columnAt(shown.composed, point.x() + horizontalScrollBar()->value() - kMargin) - composed.at();
    return offset >= 0 && offset <= composed.length() ? offset : -1;
}

int TextView::caretShownRow() const {
    const ComposedLine& composed = control_.composedLine();
    if (!composed.active()) return control_.caretRow();
    return control_.layout().firstRowOf(composed.line()) + composed.rowOf(composed.at() + control_.composition().cursor);
}

QRect TextView::cursorRect() const {
    qreal x = control_.caretX();
    const ComposedLine& composed = control_.composedLine();
    if (composed.active()) {
        // The input method's cursor in the composition, where the composed line shows it.
        const int column = composed.at() + control_.composition().cursor;
        x = composed.xInRow(composed.rowOf(column), column);
    }
    const int row = caretShownRow() - topRow();
    return {kMargin + int(std::lround(x)) - horizontalScrollBar()->value(), rowTop(row), 1, lineHeight()};
}

QVariant TextView::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImCursorRectangle) return cursorRect().translated(viewport()->pos());  // in the view's own coordinates
    const QVariant answer = control_.inputMethodQuery(query);
    return answer.isValid() ? answer : QAbstractScrollArea::inputMethodQuery(query);
}

// ---- scrolling

void TextView::setBarRange(QScrollBar* bar, int maximum) {
    // A value past the new end moves first, through the area's own connection, so that the
    // range change itself moves nothing; the range change then goes unannounced.
    if (bar->value() > maximum) bar->setValue(maximum);
    const QSignalBlocker quiet(bar);
    bar->setRange(0, maximum);
}

void TextView::updateScrollBars() {
    // As Qt's box: the view scrolls down as far as the last row shows with the margin under it
    // (rows counted from the bottom), and a page is that many rows.
    QScrollBar* v = verticalScrollBar();
    const int fromBottom = std::max(1, (viewport()->height() - 2 * kMargin - 1) / lineHeight());
    setBarRange(v, std::max(0, rowCount() - fromBottom));
    v->setPageStep(fromBottom);
    QScrollBar* h = horizontalScrollBar();
    const int width = viewport()->width();
    int widest = control_.layout().widest();
    const ComposedLine& composed = control_.composedLine();
    if (composed.active()) widest = std::max(widest, int(std::ceil(composed.width())));
    setBarRange(h, wrap_ ? 0 : std::max(0, widest + 2 * kMargin - width));
    h->setPageStep(std::max(1, width));
    // A bar shown as needed is shown or hidden by the area's own layout, which setting the
    // policy again runs.
    const bool hNeeded = h->minimum() < h->maximum(), vNeeded = v->minimum() < v->maximum();
    if (horizontalScrollBarPolicy() == Qt::ScrollBarAsNeeded && hNeeded != h->isVisibleTo(this))
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded && vNeeded != v->isVisibleTo(this))
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void TextView::pageMove(TextControl& control, int direction, bool select) {
    // As Qt's box: the view scrolls by the rows wholly in view (down) or by its height (up),
    // and the caret goes row by row, at its goal x, until it stands where it stood in the view
    // when the run of page moves began.
    ensureCaretVisible();
    const int h = lineHeight(), height = viewport()->height(), top = topRow(), last = rowCount() - 1;
    const int caret = control.caretRow();
    if (!pageYKept_) pageY_ = rowY(caret - top);
    int keepTo = pageY_, newTop = top;
    if (direction > 0) {
        const int shown = visibleRows();
        if (top + shown > last) keepTo = height;  // the end in view: to the last row
        else newTop = std::min(top + shown, verticalScrollBar()->maximum());
    } else if (top == 0) {
        keepTo = 0;  // the text's start in view: to the first row
    } else {
        // The first row whose top is at or below a view's height above the top row's.
        const int above = top * h - height;
        newTop = above <= 0 ? 0 : (above + h - 1) / h;
    }
    auto y = [&](int row) { return (newTop == 0 ? kMargin : 0) + (row - newTop) * h; };
    int row = caret;
    if (direction > 0) {
        while (row < last && y(++row) < keepTo) {}
    } else {
        while (row > 0 && y(--row) > keepTo) {}
    }
    paging_ = true;
    verticalScrollBar()->setValue(newTop);
    if (row != caret) {
        if (const auto to = control.rowsAway(row - caret)) control.moveKeepingGoal(*to, select);
    }
    paging_ = false;
    pageYKept_ = true;
}

void TextView::ensureCaretVisible() {
    // The ranges cover lines just added, and the caret's line counts for the sideways range
    // at once, painted or not.
    TextLayout& layout = control_.layout();
    if (!wrap_) layout.lineWidth(control_.caret().line);
    updateScrollBars();
    QScrollBar* v = verticalScrollBar();
    const int row = caretShownRow();
    if (row < v->value()) v->setValue(row);
    else if (rowTop(row - v->value()) + lineHeight() > viewport()->height()) v->setValue(topShowing(row));
    if (wrap_) return;
    QScrollBar* h = horizontalScrollBar();
    const int x = cursorRect().x() + h->value();
    const int width = viewport()->width();
    if (x - kMargin < h->value()) h->setValue(std::max(0, x - width / 3));
    else if (x + kMargin > h->value() + width) h->setValue(x + kMargin - width + width / 3);
}

void TextView::scrollContentsBy(int dx, int dy) {
    // The top margin shows no line: rows moved into it are painted over. A move to or from
    // the top row moves the margin too: all is painted again.
    const bool marginMoved = (topRow() == 0) != (topRow() + dy == 0);
    if (scrollPixels_ && dx == 0 && !marginMoved && std::abs(dy) < visibleRows()) {
        viewport()->scroll(0, dy * lineHeight());
        refreshView(QRect(0, 0, viewport()->width(), kMargin));
    } else {
        refreshView();
    }
}

void TextView::refreshView(const QRect& rect) {
    stale_ = true;
    if (rect.isNull()) viewport()->update();
    else viewport()->update(rect);
}

void TextView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (wrap_ && std::max(1, viewport()->width() - 2 * kMargin) != control_.layout().wrapWidth()) {
        // The caret keeps its place in the text, and stays in view if it was.
        const int row = control_.caretRow() - topRow();
        const bool shown = row >= 0 && row < visibleRows() + 1;
        rewrap();
        if (shown) ensureCaretVisible();
    }
    updateScrollBars();
}

void TextView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        // A new font changes every width: lines are measured again as they are shown.
        glyphs_.clear();
        const Position top = topPosition();
        control_.setFont(font());
        updateScrollBars();
        verticalScrollBar()->setValue(control_.layout().rowIndexOf(top));
        refreshView();
    }
}

// ---- what the control tells

void TextView::caretMoved() {
    if (!paging_) pageYKept_ = false;
    ensureCaretVisible();
    restartBlink();
    refreshView();
    updateMicroFocus();
    accessibleCaretMoved(this);
}

void TextView::textReplaced(Position at, const QString& removed, const QString& inserted) {
    accessibleTextReplaced(this, at, removed, inserted);
}

void TextView::compositionChanged() {
    ensureCaretVisible();
    refreshView();
    updateMicroFocus();
}

// ---- caret

void TextView::restartBlink() {
    caretShown_ = true;
    const int period = QApplication::cursorFlashTime() / 2;
    if (hasFocus() && period > 0) blink_.start(period, this);
    else blink_.stop();
}

void TextView::timerEvent(QTimerEvent* event) {
    if (event->timerId() != blink_.timerId()) return QAbstractScrollArea::timerEvent(event);
    caretShown_ = !caretShown_;
    refreshView(cursorRect());
}

void TextView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    refreshView();
}

void TextView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blink_.stop();
    // Qt's widgets asked the input method to commit before the focus went to another widget;
    // what it left, no input method works on. A popup (a menu) or another window in between
    // hands the focus back, and the composition outlasts them.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason && reason != Qt::ActiveWindowFocusReason)
        control_.dropComposition();
    refreshView();
}

// ---- the composition

void TextView::commitComposition() {
    if (!control_.composing()) return;
    // An input method that has the composition going commits it with an event of its own.
    committing_ = true;
    QGuiApplication::inputMethod()->commit();
    committing_ = false;
    control_.dropComposition();
}

void TextView::resetComposition() {
    if (!control_.composing()) return;
    // The input method forgets it, where it works for this view.
    if (hasFocus()) QGuiApplication::inputMethod()->reset();
    control_.dropComposition();
}
