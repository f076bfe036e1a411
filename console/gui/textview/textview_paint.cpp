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

void TextView::drawComposition(QPainter& p, QPointF at) {
    const TextControl::Composition& c = control_.composition();
    QTextLayout layout(c.text, font());
    layout.setFormats(c.formats);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    layout.draw(&p, QPointF(at.x(), at.y() - fontMetrics().ascent()));
}

void TextView::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    p.setFont(font());
    TextLayout& layout = control_.layout();
    const QPalette& pal = palette();
    const int h = lineHeight();
    const int ascent = fontMetrics().ascent();
    const int dx = horizontalScrollBar()->value();
    const int top = topRow();
    const QRect area = event->rect();
    const int firstShown = std::max(0, (area.top() - kMargin) / h);
    const int lastShown = (area.bottom() - kMargin) / h;
    const Position selFrom = control_.selectionStart(), selTo = control_.selectionEnd();
    // The selection stays visible, in the active colours, when the focus is elsewhere.
    const QColor highlight = pal.color(QPalette::Active, QPalette::Highlight);
    const QColor highlighted = pal.color(QPalette::Active, QPalette::HighlightedText);
    const int width = viewport()->width();
    const bool composing = control_.composing();
    const int caretRow = control_.caretRow();
    const int widestBefore = layout.widest();
    for (int k = firstShown; k <= lastShown && top + k < rowCount(); ++k) {
        const Row row = layout.rowAtIndex(top + k);
        if (!wrap_) layout.lineWidth(row.line);
        const int y = kMargin + k * h;
        const qreal left = kMargin - dx;
        // The text, and over it the selection band with the text in the selection's colours.
        auto text = [&](qreal shift) {
            p.setPen(pal.color(QPalette::Text));
            if (QTextLayout* mixed = layout.mixedDirectionRow(row)) {
                // Right-to-left text in visual order, a selection in it as one or more bands.
                QList<QTextLayout::FormatRange> selection;
                const int from = std::clamp(selFrom.line < row.line ? row.from : selFrom.column, row.from, row.to);
                const int to = std::clamp(selTo.line > row.line ? row.to : selTo.column, row.from, row.to);
                if (selFrom.line <= row.line && selTo.line >= row.line && from < to) {
                    QTextCharFormat format;
                    format.setBackground(highlight);
                    format.setForeground(highlighted);
                    selection.append({from - row.from, to - from, format});
                }
                mixed->draw(&p, QPointF(left + shift, y + ascent - mixed->lineAt(0).ascent()), selection);
                return;
            }
            drawRow(p, row, left + shift, y + ascent, row.from, row.to);
            const Position rowStart{row.line, row.from}, rowEnd{row.line, row.to};
            // The last row of a line shows its line break selected as a blank's width.
            const bool breakSelected = row.last && selTo.line > row.line && selFrom <= rowEnd;
            if (!(selFrom < selTo && selTo > rowStart && (selFrom < rowEnd || breakSelected))) return;
            const int l = int(std::lround(left + (selFrom > rowStart ? layout.xInRow(row, selFrom.column) : 0)));
            int r = int(std::lround(left + layout.xInRow(row, selTo <= rowEnd ? selTo.column : row.to)));
            if (breakSelected) r += fontMetrics().horizontalAdvance(QLatin1Char(' '));
            const QRect band(int(l + shift), y, std::max(0, std::min(r, width) - l), h);
            p.fillRect(band, highlight);
            p.save();
            p.setClipRect(band);
            p.setPen(highlighted);
            drawRow(p, row, left + shift, y + ascent, row.from, row.to);
            p.restore();
        };
        if (composing && top + k == caretRow) {
            // The composition stands at the caret and pushes the rest of the row aside.
            const int at = kMargin + int(std::lround(control_.caretX())) - dx;
            const qreal wide = control_.compositionAdvance(int(control_.composition().text.size()));
            p.save();
            p.setClipRect(QRect(0, y, std::max(0, at), h));
            text(0);
            p.setClipRect(QRectF(at + wide, y, width, h).toAlignedRect());
            text(wide);
            p.restore();
            p.setPen(pal.color(QPalette::Text));
            drawComposition(p, QPointF(at, y + ascent));
        } else {
            text(0);
        }
    }
    const bool caretVisible = !composing || control_.composition().cursorShown;
    if (hasFocus() && caretShown_ && caretVisible) p.fillRect(cursorRect(), pal.color(QPalette::Text));
    stale_ = false;  // Qt paints all that is dirty in one paint
    // Lines measured only now change the sideways range.
    if (layout.widest() != widestBefore) updateScrollBars();
}
