// Painting the text view: the rows in view, the selection, the caret and an input method's
// composition.
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTextCharFormat>
#include <algorithm>
#include <cmath>

#include "textview.h"

void TextView::drawRow(QPainter& p, const Row& row, qreal left, int baseline, int from, int to) {
    // A short line is drawn whole; of a long line, the stretches in view (and a little to
    // either side, for glyphs that reach past their advance).
    TextLayout& layout = control_.layout();
    const LineText& text = control_.lines()[row.line];
    QString scratch;
    auto piece = [&](int at, int end) {
        if (end <= at) return;
        const QStringView shown = text.view(scratch, at, end - at);
        const quint64 key = quint64(quint32(row.line)) << 32 | quint32(at);
        glyphs_.draw(p, font(), key, shown, QPointF(left + layout.xInRow(row, at), baseline));
    };
    const std::vector<LineMetrics::Mark>& marks = layout.metrics().marksOf(row.line);
    if (marks.empty()) return piece(from, to);
    const qreal start = layout.rowStartX(row);
    const qreal h = lineHeight();
    const qreal lo = start - left - h, hi = start - left + viewport()->width() + h;
    auto m = std::upper_bound(marks.begin(), marks.end(), lo, [](qreal v, const LineMetrics::Mark& k) { return v < k.x; });
    if (m != marks.begin()) --m;
    // From the stretch that holds `from` on, if that lies further right.
    auto first = std::upper_bound(marks.begin(), marks.end(), from, [](int c, const LineMetrics::Mark& k) { return c < k.column; });
    if (first != marks.begin() && first - 1 > m) m = first - 1;
    for (; m + 1 != marks.end() && m->x < hi && m->column < to; ++m)
        piece(std::max(m->column, from), std::min((m + 1)->column, to));
}

void TextView::drawText(QPainter& p, const Row& row, qreal left, int y, const QRectF& clip) {
    const int h = lineHeight(), ascent = fontMetrics().ascent();
    p.save();
    if (!clip.isNull()) p.setClipRect(clip, Qt::IntersectClip);
    p.setPen(palette().color(QPalette::Text));
    const Position selFrom = control_.selectionStart(), selTo = control_.selectionEnd();
    const QPalette& pal = palette();
    if (QTextLayout* mixed = control_.layout().mixedDirectionRow(row)) {
        // Right-to-left text in visual order, a selection in it as one band or more.
        QList<QTextLayout::FormatRange> selection;
        const int from = std::clamp(selFrom.line < row.line ? row.from : selFrom.column, row.from, row.to);
        const int to = std::clamp(selTo.line > row.line ? row.to : selTo.column, row.from, row.to);
        if (selFrom.line <= row.line && selTo.line >= row.line && from < to) {
            QTextCharFormat format;
            format.setBackground(pal.color(QPalette::Active, QPalette::Highlight));
            format.setForeground(pal.color(QPalette::Active, QPalette::HighlightedText));
            selection.append({from - row.from, to - from, format});
        }
        mixed->draw(&p, QPointF(left, y + ascent - mixed->lineAt(0).ascent()), selection);
        p.restore();
        return;
    }
    drawRow(p, row, left, y + ascent, row.from, row.to);
    // The selection band, with the text in the selection's colours; the last row of a line
    // shows its line break selected as a blank's width. The selection stays visible, in the
    // active colours, when the focus is elsewhere.
    const Position rowStart{row.line, row.from}, rowEnd{row.line, row.to};
    const bool breakSelected = row.last && selTo.line > row.line && selFrom <= rowEnd;
    if (selFrom < selTo && selTo > rowStart && (selFrom < rowEnd || breakSelected)) {
        TextLayout& layout = control_.layout();
        const int l = int(std::lround(left + (selFrom > rowStart ? layout.xInRow(row, selFrom.column) : 0)));
        int r = int(std::lround(left + layout.xInRow(row, selTo <= rowEnd ? selTo.column : row.to)));
        if (breakSelected) r += fontMetrics().horizontalAdvance(QLatin1Char(' '));
        const QRect band(l, y, std::max(0, std::min(r, viewport()->width()) - l), h);
        p.fillRect(band, pal.color(QPalette::Active, QPalette::Highlight));
        p.setClipRect(band, Qt::IntersectClip);
        p.setPen(pal.color(QPalette::Active, QPalette::HighlightedText));
        drawRow(p, row, left, y + ascent, row.from, row.to);
    }
    p.restore();
}

void TextView::drawComposedRow(QPainter& p, int index, qreal left, int y) {
    // The line's own text before the composition, what of the composition this row holds, the
    // line's own text after it: each where the composed line puts it, and clipped to its place.
    const ComposedLine& c = control_.composedLine();
    const int from = c.rowStart(index), to = c.rowEnd(index), at = c.at(), end = at + c.length();
    const bool lastRow = index + 1 == c.rowCount();
    const qreal start = c.x(from);
    auto xOf = [&](int column) { return left + c.x(column) - start; };
    const qreal h = lineHeight(), right = viewport()->width();
    if (from < at) {
        const int stop = std::min(to, at);
        drawText(p, {c.line(), index, from, stop, false}, xOf(from), y, QRectF(0, y, xOf(stop), h));
    }
    if (from < end && to > at) {
        const qreal l = xOf(std::max(from, at)), r = xOf(std::min(to, end));
        p.save();
        p.setClipRect(QRectF(l, y, r - l, h), Qt::IntersectClip);
        p.setPen(palette().color(QPalette::Text));
        c.composition().draw(&p, QPointF(xOf(at), y));
        p.restore();
    }
    if (to > end || lastRow) {
        const int ownFrom = std::max(from, end) - c.length(), ownTo = to - c.length();
        const qreal l = xOf(ownFrom + c.length());
        drawText(p, {c.line(), index, ownFrom, ownTo, lastRow}, l, y, QRectF(l, y, std::max(0.0, right - l), h));
    }
}

void TextView::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    p.setFont(font());
    TextLayout& layout = control_.layout();
    const QPalette& pal = palette();
    const int dx = horizontalScrollBar()->value();
    const int top = topRow();
    const QRect area = event->rect();
    const int h = lineHeight();
    const int firstShown = std::max(0, (area.top() - topMargin()) / h);
    const int lastShown = area.bottom() < topMargin() ? -1 : (area.bottom() - topMargin()) / h;
    const int widestBefore = layout.widest();
    for (int k = firstShown; k <= lastShown && top + k < rowCount(); ++k) {
        const ShownRow shown = shownRow(top + k);
        const int y = rowY(k);
        const qreal left = kMargin - dx;
        if (shown.composed >= 0) {
            if (!wrap_) layout.lineWidth(control_.composedLine().line());
            drawComposedRow(p, shown.composed, left, y);
            continue;
        }
        const Row row = layout.rowAtIndex(shown.layoutRow);
        if (!wrap_) layout.lineWidth(row.line);
        drawText(p, row, left, y);
    }
    const bool composing = control_.composing();
    const bool caretVisible = !composing || control_.composition().cursorShown;
    // The caret where its row shows (the rectangle reported may count it a pixel lower).
    if (hasFocus() && caretShown_ && caretVisible) p.fillRect(cursorRect().translated(0, -topShift()), pal.color(QPalette::Text));
    stale_ = false;  // Qt paints all that is dirty in one paint
    // Lines measured only now change the sideways range.
    if (layout.widest() != widestBefore) updateScrollBars();
}
