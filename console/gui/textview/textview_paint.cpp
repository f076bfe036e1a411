// Painting the text view: the rows in view, the selection, the caret and an input method's
// composition.
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "textview.h"

void TextView::drawRow(QPainter& p, const Row& row, qreal left, int baseline, int from, int to) {
    // A short line is drawn whole; of a long line, the stretches in view (and a little to
    // either side, for glyphs that reach past their advance).
    QString scratch;
    auto piece = [&](int at, int end) {
        if (end <= at) return;
        const QStringView text = lines_[row.line].view(scratch, at, end - at);
        const quint64 key = quint64(quint32(row.line)) << 32 | quint32(at);
        glyphs_.draw(p, font(), key, text, QPointF(left + xInRow(row, at), baseline));
    };
    const std::vector<LineMetrics::Mark>& marks = metrics_.marksOf(row.line);
    if (marks.empty()) return piece(from, to);
    const qreal start = rowStartX(row);
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

qreal TextView::preeditAdvance(int cursor) const {
    if (preedit_.text.isEmpty()) return 0;
    return QFontMetricsF(font()).horizontalAdvance(preedit_.text.left(std::clamp(cursor, 0, int(preedit_.text.size()))));
}

void TextView::drawPreedit(QPainter& p, QPointF at) {
    QTextLayout layout(preedit_.text, font());
    layout.setFormats(preedit_.formats);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    layout.draw(&p, QPointF(at.x(), at.y() - fontMetrics().ascent()));
}

void TextView::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    p.setFont(font());
    const QPalette& pal = palette();
    const int h = lineHeight();
    const int ascent = fontMetrics().ascent();
    const int dx = horizontalScrollBar()->value();
    const int top = verticalScrollBar()->value();
    const QRect area = event->rect();
    const int firstShown = std::max(0, (area.top() - kMargin) / h);
    const int lastShown = (area.bottom() - kMargin) / h;
    const Position selFrom = std::min(caret_, anchor_), selTo = std::max(caret_, anchor_);
    // The selection stays visible, in the active colours, when the focus is elsewhere.
    const QColor highlight = pal.color(QPalette::Active, QPalette::Highlight);
    const QColor highlighted = pal.color(QPalette::Active, QPalette::HighlightedText);
    const int width = viewport()->width();
    const bool composing = !preedit_.text.isEmpty();
    const Row caretRow = rowHolding(caret_);
    const int rowsBefore = rowCount();
    const int widestBefore = metrics_.widest();
    // A line wrapped for the first time here may add rows below it: the count is read anew.
    for (int k = firstShown; k <= lastShown && top + k < rowCount(); ++k) {
        const Row row = rowAt(top + k);
        if (!wrap_) metrics_.width(row.line);
        const int y = kMargin + k * h;
        const qreal left = kMargin - dx;
        // The text, and over it the selection band with the text in the selection's colours.
        auto text = [&](qreal shift) {
            p.setPen(pal.color(QPalette::Text));
            drawRow(p, row, left + shift, y + ascent, row.from, row.to);
            const Position rowStart{row.line, row.from}, rowEnd{row.line, row.to};
            // The last row of a line shows its line break selected as a blank's width.
            const bool breakSelected = row.last && selTo.line > row.line && selFrom <= rowEnd;
            if (!(selFrom < selTo && selTo > rowStart && (selFrom < rowEnd || breakSelected))) return;
            const int l = int(std::lround(left + (selFrom > rowStart ? xInRow(row, selFrom.column) : 0)));
            int r = int(std::lround(left + xInRow(row, selTo <= rowEnd ? selTo.column : row.to)));
            if (breakSelected) r += fontMetrics().horizontalAdvance(QLatin1Char(' '));
            const QRect band(int(l + shift), y, std::max(0, std::min(r, width) - l), h);
            p.fillRect(band, highlight);
            p.save();
            p.setClipRect(band);
            p.setPen(highlighted);
            drawRow(p, row, left + shift, y + ascent, row.from, row.to);
            p.restore();
        };
        if (composing && row.line == caretRow.line && row.index == caretRow.index) {
            // The composition stands at the caret and pushes the rest of the row aside.
            const int at = xOf(caret_) - dx;
            const qreal wide = preeditAdvance(int(preedit_.text.size()));
            p.save();
            p.setClipRect(QRect(0, y, std::max(0, at), h));
            text(0);
            p.setClipRect(QRectF(at + wide, y, width, h).toAlignedRect());
            text(wide);
            p.restore();
            p.setPen(pal.color(QPalette::Text));
            drawPreedit(p, QPointF(at, y + ascent));
        } else {
            text(0);
        }
    }
    const bool caretVisible = !composing || preedit_.cursorShown;
    if (hasFocus() && caretShown_ && caretVisible) p.fillRect(cursorRect(), pal.color(QPalette::Text));
    stale_ = false;  // Qt paints all that is dirty in one paint
    // Lines measured or wrapped only now change the ranges.
    if (rowCount() != rowsBefore || metrics_.widest() != widestBefore) updateScrollBars();
}
