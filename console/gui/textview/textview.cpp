// The text view's content, its rows and geometry, and its scroll bars.
#include "textview.h"

#include <QApplication>
#include <QScrollBar>
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
        // The area lays its children out again on every change of a bar's range, which
        // repaints the view and what lies under it; the view shows and hides the bars
        // itself (updateScrollBars), so that a growing text costs no relayout.
        QObject::disconnect(bar, &QScrollBar::rangeChanged, this, nullptr);
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
    metrics_.setFont(font());
    updateScrollBars();
    installTextAccessibility();
}

// ---- content

int TextView::lineCount() const { return blank_ ? 0 : lines_.size(); }

QString TextView::line(int index) const {
    if (index < 0 || index >= lineCount()) return {};
    return lines_[index].toString();
}

QString TextView::toPlainText() const { return lines_.between({0, 0}, endPosition()); }

QString TextView::selectedText() const { return lines_.between(std::min(caret_, anchor_), std::max(caret_, anchor_)); }

void TextView::clearText() {
    const AccessibleTextReset told(this);
    lines_.clear();
    metrics_.reset();
    rows_.reset(1);
    glyphs_.clear();
    blank_ = true;
    caret_ = anchor_ = {};
    goalX_ = -1;
    preedit_ = {};
    undo_.clear();
    updateScrollBars();
    refreshView();
}

void TextView::setPlainText(const QString& text) {
    const AccessibleTextReset told(this);
    clearText();
    // Measured and wrapped when they are shown.
    lines_.assign(TextLines::normalized(text).split(QLatin1Char('\n')));
    metrics_.reset();
    rows_.reset(lines_.size());
    blank_ = lines_.size() == 1 && lines_[0].isEmpty();
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    refreshView();
}

void TextView::appendLine(LineText text) {
    if (blank_) {
        lines_[0] = std::move(text);
        metrics_.replaced(0, 1, 1);
        if (wrap_) rows_.replaced(0, 1, 1);
        blank_ = false;
    } else {
        lines_.append(std::move(text));
        metrics_.appended();
        if (wrap_) rows_.replaced(lines_.size() - 1, 0, 1);
    }
    accessibleLineAppended(this);
}

// ---- rows

void TextView::setWrapping(bool on) {
    const Position top = topPosition();
    wrap_ = on;
    rewrap(top);
}

TextView::Position TextView::topPosition() const {
    const Row row = rowAt(verticalScrollBar()->value());
    return {row.line, row.from};
}

void TextView::rewrap(Position top) {
    wrapWidth_ = std::max(1, viewport()->width() - 2 * kMargin);
    rows_.reset(lines_.size());
    updateScrollBars();
    // The row that was at the top stays there.
    verticalScrollBar()->setValue(rowOf(top));
    refreshView();
}

void TextView::wrap(int line) const {
    if (!wrap_ || rows_.known(line)) return;
    std::vector<int> starts{0};
    wrapOn(line, starts, {});
    rows_.setStarts(line, std::move(starts));
}

void TextView::wrapOn(int line, std::vector<int>& starts, const Unchanged& unchanged) const {
    const LineText& text = lines_[line];
    const int size = int(text.size());
    for (int from = starts.back();;) {
        const int fits = metrics_.fit(line, from, wrapWidth_);
        if (fits >= size) return;
        // After the last blank that fits (blanks right there hang at the row's end), or
        // inside a run longer than the row.
        int next = fits;
        if (text[fits].isSpace()) {
            while (next < size && text[next].isSpace()) ++next;
        } else {
            int blank = fits;
            while (blank > from && !text[blank - 1].isSpace()) --blank;
            if (blank > from) next = blank;
        }
        if (next >= size) return;
        // Past an edit, a row that starts where one started before it: the rest is as it was.
        if (unchanged.starts && next >= unchanged.from) {
            const std::vector<int>& old = *unchanged.starts;
            auto same = std::lower_bound(old.begin(), old.end(), next - unchanged.shift);
            if (same != old.end() && *same == next - unchanged.shift) {
                for (; same != old.end(); ++same) starts.push_back(*same + unchanged.shift);
                return;
            }
        }
        starts.push_back(next);
        from = next;
    }
}

void TextView::rewrapEdited(int line, std::vector<int> old, int column, int oldEnd, int newEnd) {
    // The rows before the edit's stay, but for the one before it: a shorter word may now fit
    // there. From that one on, the line wraps again until a row starts where one did before.
    const auto holding = std::upper_bound(old.begin(), old.end(), column) - 1;
    const auto keep = holding == old.begin() ? holding : holding - 1;
    std::vector<int> starts(old.begin(), keep + 1);
    wrapOn(line, starts, {&old, newEnd, newEnd - oldEnd});
    rows_.setStarts(line, std::move(starts));
}

int TextView::rowCount() const { return wrap_ ? rows_.rowCount() : lines_.size(); }

int TextView::firstRowOf(int line) const { return wrap_ ? rows_.firstRow(line) : line; }

// The line's row `index` (of one row, when the view does not wrap), its line wrapped.
TextView::Row TextView::rowIn(int line, int index) const {
    if (!wrap_) return {line, 0, 0, lines_.length(line), true};
    wrap(line);
    const std::vector<int>& starts = rows_.starts(line);
    index = std::min(index, int(starts.size()) - 1);
    const bool last = index + 1 == int(starts.size());
    return {line, index, starts[std::size_t(index)], last ? lines_.length(line) : starts[std::size_t(index) + 1], last};
}

TextView::Row TextView::rowAt(int row) const {
    if (!wrap_) return rowIn(std::clamp(row, 0, lines_.size() - 1), 0);
    const TextRows::Row at = rows_.rowAt(row);
    return rowIn(at.line, at.index);
}

// A position at a row's start belongs to that row; at the line's end, to its last row.
TextView::Row TextView::rowHolding(Position at) const {
    at = lines_.clamp(at);
    if (!wrap_) return rowIn(at.line, 0);
    wrap(at.line);
    const std::vector<int>& starts = rows_.starts(at.line);
    return rowIn(at.line, int(std::upper_bound(starts.begin(), starts.end(), at.column) - starts.begin()) - 1);
}

int TextView::rowOf(Position at) const {
    const Row row = rowHolding(at);
    return firstRowOf(row.line) + row.index;
}

// ---- geometry

int TextView::lineHeight() const { return std::max(1, fontMetrics().lineSpacing()); }

int TextView::visibleRows() const { return std::max(1, (viewport()->height() - kMargin) / lineHeight()); }

qreal TextView::rowStartX(const Row& row) const { return row.from == 0 ? 0 : metrics_.advance(row.line, row.from); }

qreal TextView::xInRow(const Row& row, int column) const { return metrics_.advance(row.line, column) - rowStartX(row); }

int TextView::xOf(Position at) const {
    at = lines_.clamp(at);
    return kMargin + int(std::lround(xInRow(rowHolding(at), at.column)));
}

TextView::Position TextView::inRow(const Row& row, qreal x) const {
    // Past the end of a row that wraps, the caret stays on it: before its last character.
    const int to = row.last ? row.to : lines_.previousCharacter({row.line, row.to}).column;
    return {row.line, metrics_.columnAtX(row.line, x + rowStartX(row), row.from, std::max(row.from, to))};
}

TextView::Position TextView::positionAt(const QPoint& point) const {
    const int top = verticalScrollBar()->value();
    const int row = point.y() < kMargin ? -1 : (point.y() - kMargin) / lineHeight();
    const Row r = rowAt(std::clamp(top + row, 0, std::max(0, rowCount() - 1)));
    return inRow(r, point.x() + horizontalScrollBar()->value() - kMargin);
}

QRect TextView::cursorRect() const {
    const int row = rowOf(caret_) - verticalScrollBar()->value();
    const int x = xOf(caret_) - horizontalScrollBar()->value() + int(std::lround(preeditAdvance(preedit_.cursor)));
    return {x, kMargin + row * lineHeight(), 1, lineHeight()};
}

// ---- scrolling

void TextView::updateScrollBars() {
    QScrollBar* v = verticalScrollBar();
    const int visible = visibleRows();
    v->setRange(0, std::max(0, rowCount() - visible));
    v->setPageStep(visible);
    QScrollBar* h = horizontalScrollBar();
    const int width = viewport()->width();
    h->setRange(0, wrap_ ? 0 : std::max(0, metrics_.widest() + 2 * kMargin - width));
    h->setPageStep(std::max(1, width));
    // A bar shown as needed is shown or hidden by the area's own layout.
    const bool hNeeded = h->minimum() < h->maximum(), vNeeded = v->minimum() < v->maximum();
    if (horizontalScrollBarPolicy() == Qt::ScrollBarAsNeeded && hNeeded != h->isVisibleTo(this))
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded && vNeeded != v->isVisibleTo(this))
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void TextView::ensureCaretVisible() {
    // The ranges cover lines just added, and the caret's line counts for the sideways range
    // at once, painted or not.
    if (!wrap_) metrics_.width(caret_.line);
    updateScrollBars();
    QScrollBar* v = verticalScrollBar();
    const int visible = visibleRows();
    const int row = rowOf(caret_);
    if (row < v->value()) v->setValue(row);
    else if (row >= v->value() + visible) v->setValue(row - visible + 1);
    if (wrap_) return;
    QScrollBar* h = horizontalScrollBar();
    const int x = xOf(caret_) + int(std::lround(preeditAdvance(preedit_.cursor)));
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
    if (wrap_ && std::max(1, viewport()->width() - 2 * kMargin) != wrapWidth_) {
        // The caret keeps its place in the text, and stays in view if it was.
        const int row = rowOf(caret_) - verticalScrollBar()->value();
        const bool shown = row >= 0 && row < visibleRows() + 1;
        rewrap(topPosition());
        if (shown) ensureCaretVisible();
    }
    updateScrollBars();
}

void TextView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        // A new font changes every width: lines are measured again as they are shown.
        metrics_.setFont(font());
        glyphs_.clear();
        if (wrap_) rewrap(topPosition());
        updateScrollBars();
        refreshView();
    }
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

void TextView::setCaret(Position at, bool keepAnchor) {
    settle();
    at = lines_.clamp(at);
    caret_ = {at.line, lines_.boundaryFrom(at.line, at.column)};
    if (!keepAnchor) anchor_ = caret_;
    goalX_ = -1;
    undo_.seal();
    ensureCaretVisible();
    restartBlink();
    refreshView();
    updateMicroFocus();
    accessibleCaretMoved(this);
}

void TextView::selectAll() {
    settle();
    anchor_ = {0, 0};
    caret_ = endPosition();
    undo_.seal();
    copyToSelectionClipboard();
    refreshView();
    updateMicroFocus();
    accessibleCaretMoved(this);
}
