// The text view's content calls, its geometry and scrolling, and the caret's blink.
#include "textview.h"

#include <QApplication>
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
    const AccessibleTextReset told(this);
    control_.setPlainText(text);
}

void TextView::clearText() {
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

int TextView::visibleRows() const { return std::max(1, (viewport()->height() - kMargin) / lineHeight()); }

TextView::Position TextView::positionAt(const QPoint& point) {
    const int row = point.y() < kMargin ? -1 : (point.y() - kMargin) / lineHeight();
    const int at = std::clamp(topRow() + row, 0, std::max(0, rowCount() - 1));
    return control_.positionAt(at, point.x() + horizontalScrollBar()->value() - kMargin);
}

QRect TextView::cursorRect() const {
    const int row = control_.caretRow() - topRow();
    const qreal x = std::lround(control_.caretX()) + std::lround(control_.compositionAdvance(control_.composition().cursor));
    return {kMargin + int(x) - horizontalScrollBar()->value(), kMargin + row * lineHeight(), 1, lineHeight()};
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
    QScrollBar* v = verticalScrollBar();
    const int visible = visibleRows();
    setBarRange(v, std::max(0, rowCount() - visible));
    v->setPageStep(visible);
    QScrollBar* h = horizontalScrollBar();
    const int width = viewport()->width();
    setBarRange(h, wrap_ ? 0 : std::max(0, control_.layout().widest() + 2 * kMargin - width));
    h->setPageStep(std::max(1, width));
    // A bar shown as needed is shown or hidden by the area's own layout, which setting the
    // policy again runs.
    const bool hNeeded = h->minimum() < h->maximum(), vNeeded = v->minimum() < v->maximum();
    if (horizontalScrollBarPolicy() == Qt::ScrollBarAsNeeded && hNeeded != h->isVisibleTo(this))
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded && vNeeded != v->isVisibleTo(this))
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void TextView::scrollRows(int rows) {
    QScrollBar* v = verticalScrollBar();
    v->setValue(v->value() + rows);
}

void TextView::ensureCaretVisible() {
    // The ranges cover lines just added, and the caret's line counts for the sideways range
    // at once, painted or not.
    TextLayout& layout = control_.layout();
    if (!wrap_) layout.lineWidth(control_.caret().line);
    updateScrollBars();
    QScrollBar* v = verticalScrollBar();
    const int visible = visibleRows();
    const int row = control_.caretRow();
    if (row < v->value()) v->setValue(row);
    else if (row >= v->value() + visible) v->setValue(row - visible + 1);
    if (wrap_) return;
    QScrollBar* h = horizontalScrollBar();
    const int x = cursorRect().x() + h->value();
    const int width = viewport()->width();
    if (x - kMargin < h->value()) h->setValue(std::max(0, x - width / 3));
    else if (x + kMargin > h->value() + width) h->setValue(x + kMargin - width + width / 3);
}

void TextView::scrollContentsBy(int dx, int dy) {
    // The top margin shows no line: rows moved into it are painted over.
    if (scrollPixels_ && dx == 0 && std::abs(dy) < visibleRows()) {
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
    refreshView();
}
