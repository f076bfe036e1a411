// Widths of a text view's lines in its font. A line is measured when it is first asked for,
// and once; a line longer than a few dozen words is measured in stretches of about a hundred
// characters, cut between whole characters, so that a place in a line of megabytes costs the
// shaping of one stretch. Runs of hex digits and blanks (what logs and frames are written in)
// add up per-character advances where the font makes that exact.
#pragma once
#include <QFont>
#include <QString>
#include <deque>
#include <map>
#include <optional>
#include <vector>

#include "textlines.h"

class LineMetrics {
public:
    explicit LineMetrics(const TextLines& lines) : lines_(lines) {}

    void setFont(const QFont& font);  // forgets every measure
    const QFont& font() const { return font_; }

    // The line's width in pixels (measured now if it was not); whether it is measured yet.
    int width(int line);
    bool measured(int line) const { return widths_[std::size_t(line)] >= 0; }
    // The width of the line up to the column.
    qreal advance(int line, int column) const;
    // The column in [from, to] nearest to content x (measured from the line's start), never
    // inside a character.
    int columnAtX(int line, qreal x, int from, int to) const;
    // The last column after `from` whose advance from `from` is at most `room`, a whole
    // character after `from` at least (unless the line ends there).
    int fit(int line, int from, qreal room) const;

    // A long line's stretches: each starts at `column`, `x` pixels into the line; the last
    // mark is the line's end. Empty for a short line.
    struct Mark {
        int column;
        qreal x;
    };
    const std::vector<Mark>& marksOf(int line) const;

    // The lines changed: `removed` lines from `line` on were replaced by `inserted` lines,
    // which are measured again when asked for. A change inside one long line keeps the
    // stretches it did not touch (from `column`, `oldEnd` became `newEnd`).
    void replaced(int line, int removed, int inserted);
    void editedInLine(int line, int column, int oldEnd, int newEnd);
    void appended() { widths_.push_back(-1); }
    void reset();  // as many unmeasured lines as the text has
    // The widest width measured so far, and whether a measured line is that wide.
    int widest() const;

private:
    void forgetWidth(int line);
    // fit() for a row of hex digits and blanks, by adding their advances up; -1 where the row
    // holds another character.
    int fitDigits(int line, int from, qreal room) const;
    qreal span(const LineText& text, int at, int end) const;  // width of [at, end)
    const std::vector<qreal>& digitAdvances() const;

    const TextLines& lines_;
    QFont font_;
    std::deque<int> widths_{-1};                     // -1 until measured
    mutable std::map<int, std::vector<Mark>> marks_;  // the stretches of long lines asked for
    mutable std::optional<std::vector<qreal>> digitAdvances_;
    mutable int widest_ = 0;
    mutable bool widestStale_ = false;  // the widest line changed: found again when asked
};
