// Widths of a text view's lines in its font, and the x of every place between their whole
// characters. A line is measured by adding up the advances and pair kernings of its characters
// (FontAdvances) wherever shaping adds up so, and by shaping the runs between where it does
// not; so the x of a column is the same however the line came to be (loaded, typed into,
// measured in whatever order). A long line keeps the x of places about a hundred characters
// apart (its marks), so that a place in a line of megabytes costs the adding up from the mark
// before it; an edit inside the line measures again only up to the first mark past it that
// the edit left as it was.
#pragma once
#include <QFont>
#include <QString>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "fontadvances.h"
#include "textlines.h"

class LineMetrics {
public:
    explicit LineMetrics(const TextLines& lines);
    ~LineMetrics();

    void setFont(const QFont& font);  // forgets every measure
    const QFont& font() const { return font_; }

    // The line's width in pixels (measured now if it was not); whether it is measured yet.
    int width(int line);
    bool measured(int line) const { return widths_[std::size_t(line)] >= 0; }
    // The x of a column from the line's start (of the start of the character the column is
    // inside, if it is).
    qreal advance(int line, int column);
    // The column in [from, to] nearest to content x (measured from the line's start): the
    // nearer end of the character under x, never a place inside one.
    int columnAtX(int line, qreal x, int from, int to);
    // The last column after `from` whose advance from `from` is at most `room`, one whole
    // character after `from` at least (unless the line ends there): where a row starting at
    // `from` is full.
    int fit(int line, int from, qreal room);
    // Whether every x of the line is where shaping the whole line unwrapped puts it: no
    // right-to-left text, no tab, no run too long to shape whole.
    bool exact(int line);

    // A long line's marks: places where the measure may begin again, `x` pixels into the line,
    // about a hundred characters apart; the first is the line's start, the last its end.
    // Empty for a short line. The x of a mark is the x of any other place: a cache.
    struct Mark {
        int column = 0;
        qreal x = 0;
        bool inRun = false;  // inside a run shaped whole
        bool joins = true;   // the characters on either side add up as a pair
        FontAdvances::Script script = QChar::Script_Common;  // of the item the place stands in
    };
    const std::vector<Mark>& marksOf(int line);

    // The lines changed: `removed` lines from `line` on were replaced by `inserted` lines,
    // which are measured again when asked for. A change inside one long line keeps the marks
    // it did not touch (from `column`, `oldEnd` became `newEnd`).
    void replaced(int line, int removed, int inserted);
    void editedInLine(int line, int column, int oldEnd, int newEnd);
    void appended() { widths_.push_back(-1); }
    void reset();  // as many unmeasured lines as the text has
    // The widest width measured so far, and whether a measured line is that wide.
    int widest();

private:
    // Calls f with a walk of the line from the mark; returns what f returns.
    template <typename F>
    decltype(auto) walk(int line, const Mark& from, F&& f);
    Mark lineStart(int line) const;
    Mark markBefore(int line, int column);  // the last mark at or before the column
    Mark markBeforeX(int line, qreal x);    // the last mark at or left of x
    void forgetWidth(int line);
    // The x of a column the last fit() walked to, as it found it; false where it did not.
    bool onTrail(int line, int column, qreal& x) const;

    const TextLines& lines_;
    QFont font_;
    std::unique_ptr<FontAdvances> advances_;
    std::deque<int> widths_{-1};                // -1 until measured
    std::map<int, std::vector<Mark>> marks_;   // of the long lines asked for
    // Where the last fit() went: where the walk stood after each step, by column from
    // trailFrom_ + 1 on (-1 inside a character). The next row of a line being wrapped
    // starts at one of them.
    int trailLine_ = -1;
    int trailFrom_ = 0;
    std::size_t trailLength_ = 0;
    qreal trailStartX_ = 0;  // the x at trailFrom_
    std::vector<Mark> trail_;
    int widest_ = 0;
    bool widestStale_ = false;  // the widest line changed: found again when asked
};
