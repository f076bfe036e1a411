// Where a text view's lines break into rows and where their characters stand: wrapped at a
// width, or one row a line; rows counted over all lines; the x of a place in its row and the
// place in a row nearest to an x. No widget: the view and the editing control both ask it.
//
// A change of the text is told first (linesReplaced, lineEdited, lineAppended, reset); update()
// then wraps every line not wrapped yet, so that the row queries, which are const, hold. The
// x queries measure lines on first use and so are not const.
#pragma once
#include <QFont>
#include <QTextLayout>
#include <memory>
#include <unordered_map>
#include <vector>

#include "linemetrics.h"
#include "textlines.h"
#include "textrows.h"

class TextLayout {
public:
    using Position = TextPosition;

    explicit TextLayout(const TextLines& lines) : lines_(lines) {}

    void setFont(const QFont& font);  // every line measured and wrapped again
    const QFont& font() const { return metrics_.font(); }
    // Wrapping at `width` pixels of text; 0: no wrapping. Every line is wrapped again.
    void setWrapWidth(int width);
    bool wrapping() const { return wrapWidth_ > 0; }
    int wrapWidth() const { return wrapWidth_; }

    // The text changed: `removed` lines from `line` on are now `inserted` lines; or one line
    // changed within itself, columns [column, oldEnd) now [column, newEnd), so that only the
    // rows the edit changed are wrapped again; or a line was added at the end; or all is new.
    void linesReplaced(int line, int removed, int inserted);
    void lineEdited(int line, int column, int oldEnd, int newEnd);
    void lineAppended();
    void reset();
    // Wraps the lines not wrapped yet and counts the rows again.
    void update();

    // A row: a line, or one of the rows a wrapped line breaks into.
    struct Row {
        int line;
        int index;  // within the line
        int from;   // the columns it shows
        int to;
        bool last;  // the line's last row
    };
    int rowCount() const;
    int firstRowOf(int line) const;
    Row rowAtIndex(int row) const;              // clamped to the rows there are
    Row rowOfLine(int line, int index) const;   // clamped to the line's rows
    // The row a place stands in: at a row's start, that row; at the line's end, its last row.
    Row rowContaining(Position at) const;
    int rowIndexOf(Position at) const { return firstRowOf(rowContaining(at).line) + rowContaining(at).index; }
    // Where a row's end stands for the caret: before the blank a wrapped row breaks at, or at
    // the row's end.
    int rowEndColumn(const Row& row) const;

    // Content x (from the row's left end) of a column in its row, and the place in a row
    // nearest to such an x, never inside a character.
    qreal xInRow(const Row& row, int column);
    qreal xOf(Position at) { return xInRow(rowContaining(at), lines_.clamp(at).column); }
    Position positionInRow(const Row& row, qreal x);
    // Content x of the row's start within its line.
    qreal rowStartX(const Row& row);

    // A row that holds right-to-left text, laid out by Qt's own layout so that its characters
    // stand in visual order; null for a row without (placed by adding up advances).
    QTextLayout* mixedDirectionRow(const Row& row);

    // The right bearing of a character's glyph: negative where it reaches past its advance.
    qreal rightBearing(QChar c);

    // Widths: of a line, measured now if it was not, and the widest measured so far.
    int lineWidth(int line) { return metrics_.width(line); }
    int widest() { return metrics_.widest(); }
    LineMetrics& metrics() { return metrics_; }

private:
    void wrap(int line);
    // Row starts of a line before an edit, which hold again from column `from` on, moved by
    // `shift`, once a row starts at one of them.
    struct Unchanged {
        const std::vector<int>* starts = nullptr;
        int from = 0;
        int shift = 0;
    };
    struct OwnLine;  // one of the lines, as the row break reads it
    int rowEnd(int line, int from);
    // Tabs: the first in [from, to) (-1: none); the x of a column from a row's start, a tab
    // reaching to the next stop; and the last column after `from` that fits the row with them.
    static constexpr qreal kTabStop = 80;  // as Qt's text option has it by default
    static int tabIn(const LineText& text, int from, int to);
    qreal xFromRowStart(int line, int from, int column);
    int fitWithTabs(int line, int from);
    // Adds the rows after the last of `starts` up to the line's end.
    void wrapOn(int line, std::vector<int>& starts, const Unchanged& unchanged);

    void changed();  // what was laid out of rows holding right-to-left text is gone

    const TextLines& lines_;
    LineMetrics metrics_{lines_};
    // Rows laid out for their right-to-left text, by line and start column; a row without any
    // is kept with no layout, so that it is looked at once.
    struct MixedRow {
        int to;
        std::unique_ptr<QTextLayout> layout;
    };
    std::unordered_map<quint64, MixedRow> mixed_;
    TextRows rows_;
    int wrapWidth_ = 0;
    std::unordered_map<char16_t, qreal> bearings_;
};
