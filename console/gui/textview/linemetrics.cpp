#include "linemetrics.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QTextLayout>
#include <algorithm>

#include "linekeyed.h"
#include <cmath>

namespace {

// A line longer than this (UTF-16 units) is measured in stretches of about this length.
constexpr int kStretch = 128;

// Where the kerning of a pair of characters below 128 stands in the digit advances.
constexpr std::size_t kerningAt(char16_t first, char16_t second) { return 128 + first * 128u + second; }

template <typename Marks, typename Key, typename Less>
auto after(const Marks& marks, Key key, Less less) {
    return std::upper_bound(marks.begin(), marks.end(), key, less);
}
bool byColumn(int c, const LineMetrics::Mark& m) { return c < m.column; }
bool byX(qreal x, const LineMetrics::Mark& m) { return x < m.x; }

}  // namespace

void LineMetrics::setFont(const QFont& font) {
    font_ = font;
    reset();
}

void LineMetrics::reset() {
    widths_.assign(std::size_t(lines_.size()), -1);
    marks_.clear();
    digitAdvances_.reset();
    widest_ = 0;
    widestStale_ = false;
}

int LineMetrics::width(int line) {
    int& width = widths_[std::size_t(line)];
    if (width < 0) {
        const std::vector<Mark>& marks = marksOf(line);
        width = int(std::ceil(marks.empty() ? span(lines_[line], 0, lines_.length(line)) : marks.back().x));
        widest_ = std::max(widest_, width);
    }
    return width;
}

int LineMetrics::widest() const {
    if (widestStale_) {
        widest_ = widths_.empty() ? 0 : std::max(0, *std::max_element(widths_.begin(), widths_.end()));
        widestStale_ = false;
    }
    return widest_;
}

void LineMetrics::forgetWidth(int line) {
    int& width = widths_[std::size_t(line)];
    if (width >= widest_ && width > 0) widestStale_ = true;
    width = -1;
}

qreal LineMetrics::span(const LineText& text, int at, int end) const {
    const std::vector<qreal>& digits = digitAdvances();
    if (!digits.empty()) {
        qreal sum = 0;
        bool exact = true;
        for (int i = at; i < end; ++i) {
            const char16_t u = text[i].unicode();
            if (u >= 128 || digits[u] < 0) {
                exact = false;
                break;
            }
            sum += digits[u];
            if (i > at) sum += digits[kerningAt(text[i - 1].unicode(), u)];
        }
        if (exact) return sum;
    }
    return QFontMetricsF(font_).horizontalAdvance(text.mid(at, end - at));
}

const std::vector<LineMetrics::Mark>& LineMetrics::marksOf(int line) const {
    static const std::vector<Mark> none;
    if (lines_.length(line) <= kStretch) return none;
    auto [it, added] = marks_.try_emplace(line);
    std::vector<Mark>& marks = it->second;
    if (!added) return marks;
    const LineText& text = lines_[line];
    const int size = int(text.size());
    marks.reserve(std::size_t(size / kStretch + 2));
    marks.push_back({0, 0});
    for (int at = 0; at < size;) {
        const int end = std::max(at + 1, lines_.boundaryFrom(line, at + kStretch));
        marks.push_back({end, marks.back().x + span(text, at, end)});
        at = end;
    }
    return marks;
}

qreal LineMetrics::advance(int line, int column) const {
    const LineText& text = lines_[line];
    column = std::clamp(column, 0, int(text.size()));
    const std::vector<Mark>& marks = marksOf(line);
    if (marks.empty()) return span(text, 0, column);
    const Mark& start = *(after(marks, column, byColumn) - 1);
    if (start.column == column) return start.x;
    return start.x + span(text, start.column, column);
}

int LineMetrics::columnAtX(int line, qreal x, int from, int to) const {
    int lo = from, hi = to;
    // Of a long line, only the stretch that holds x is searched.
    const std::vector<Mark>& marks = marksOf(line);
    if (!marks.empty()) {
        auto next = after(marks, x, byX);
        if (next != marks.end()) hi = std::min(hi, next->column);
        if (next != marks.begin()) lo = std::max(lo, (next - 1)->column);
        if (lo > hi) lo = hi;
    }
    // The first column whose right neighbour's midpoint lies past x.
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if ((advance(line, mid) + advance(line, mid + 1)) / 2 < x) lo = mid + 1;
        else hi = mid;
    }
    // Inside a character: to its nearer end.
    const int next = lines_.boundaryFrom(line, lo);
    if (next == lo) return lo;
    const int previous = lines_.previousCharacter({line, next}).column;
    return x - advance(line, previous) < advance(line, next) - x ? std::max(previous, from) : std::min(next, to);
}

int LineMetrics::fitDigits(int line, int from, qreal room) const {
    const std::vector<qreal>& digits = digitAdvances();
    if (digits.empty()) return -1;
    // As advance() measures: no kerning across the start of a stretch.
    const std::vector<Mark>& marks = marksOf(line);
    auto mark = after(marks, from, byColumn);
    return lines_[line].visit([&](auto text) {
        const int size = int(text.size());
        qreal x = 0;
        for (int c = from; c < size; ++c) {
            const char16_t u = text.at(c).unicode();
            if (u >= 128 || digits[u] < 0) return -1;
            qreal step = digits[u];
            if (c > from) {
                if (mark != marks.end() && mark->column == c) ++mark;
                else step += digits[kerningAt(text.at(c - 1).unicode(), u)];
            }
            if (x + step > room) return std::max(c, from + 1);
            x += step;
        }
        return size;
    });
}

int LineMetrics::fit(int line, int from, qreal room) const {
    if (const int digits = fitDigits(line, from, room); digits >= 0) return digits;
    const int size = lines_.length(line);
    const qreal start = advance(line, from);
    const qreal limit = start + room;
    int lo = from, hi = size;
    const std::vector<Mark>& marks = marksOf(line);
    if (!marks.empty()) {
        auto next = after(marks, limit, byX);  // the first mark past the limit
        if (next == marks.end()) return size;
        hi = next->column;
        lo = std::max(from, (next - 1)->column);
    } else if (advance(line, size) <= limit) {
        return size;
    }
    // The last column whose advance is within the limit.
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (advance(line, mid) <= limit) lo = mid;
        else hi = mid - 1;
    }
    // Back to a whole character, and at least one after `from`.
    int column = lines_.boundaryFrom(line, lo);
    if (column > lo) column = lines_.previousCharacter({line, column}).column;
    if (column <= from) column = lines_.nextCharacter({line, from}).column;
    return std::max(column, from + 1 <= size ? from + 1 : from);
}

void LineMetrics::replaced(int line, int removed, int inserted) {
    for (int i = line; i < line + removed; ++i) forgetWidth(i);
    widths_.erase(widths_.begin() + line, widths_.begin() + line + removed);
    widths_.insert(widths_.begin() + line, std::size_t(inserted), -1);
    // The stretches of the lines after move with them.
    replaceLines(marks_, line, removed, inserted);
}

// The line's text between columns `column` and `oldEnd` is now the text between `column` and
// `newEnd`. The stretches around the change are cut and measured again; those before it stay,
// those after it move.
void LineMetrics::editedInLine(int line, int column, int oldEnd, int newEnd) {
    forgetWidth(line);
    auto kept = marks_.find(line);
    if (kept == marks_.end()) return;
    std::vector<Mark> marks = std::move(kept->second);
    marks_.erase(kept);
    const LineText& text = lines_[line];
    if (text.size() <= kStretch) return;
    // The stretch before the one holding `column` too: a character may now join across them.
    auto first = after(marks, column, byColumn);
    const std::size_t start = std::size_t(std::max<std::ptrdiff_t>(0, first - marks.begin() - 2));
    auto next = after(marks, oldEnd, byColumn);
    const int delta = newEnd - oldEnd;
    std::vector<Mark> out(marks.begin(), marks.begin() + std::ptrdiff_t(start) + 1);
    // Up to the next stretch that the change left alone (or the end).
    const int stop = next == marks.end() ? int(text.size()) : next->column + delta;
    for (int at = out.back().column; at < stop;) {
        const int end = std::clamp(lines_.boundaryFrom(line, at + kStretch), at + 1, stop);
        out.push_back({end, out.back().x + span(text, at, end)});
        at = end;
    }
    if (next != marks.end()) {
        const qreal shift = out.back().x - next->x;
        for (auto it = next + 1; it != marks.end(); ++it) out.push_back({it->column + delta, it->x + shift});
    }
    marks_[line] = std::move(out);
}

const std::vector<qreal>& LineMetrics::digitAdvances() const {
    if (digitAdvances_) return *digitAdvances_;
    // The characters hex dumps and numbers are written in: most of what a log holds by far.
    static const QString kChars = QStringLiteral(" 0123456789ABCDEF");
    const QFontMetricsF fm(font_);
    std::vector<qreal> table(128 + 128 * 128, -1);
    for (QChar c : kChars) table[c.unicode()] = fm.horizontalAdvance(c);
    for (QChar a : kChars)
        for (QChar b : kChars)
            table[kerningAt(a.unicode(), b.unicode())] =
                fm.horizontalAdvance(QString(a) + b) - table[a.unicode()] - table[b.unicode()];
    // Every ordered pair side by side; each glyph must stand where the advances and pair
    // kernings before it put it, one glyph a character, and the whole must measure as that:
    // no ligature, no wider context.
    QString pairs;
    for (QChar a : kChars)
        for (QChar b : kChars) pairs.append(a).append(b);
    std::vector<qreal> expected;
    qreal sum = 0;
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        if (i > 0) sum += table[kerningAt(pairs[i - 1].unicode(), pairs[i].unicode())];
        expected.push_back(sum);
        sum += table[pairs[i].unicode()];
    }
    QTextLayout layout(pairs, font_);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    std::vector<qreal> placed;
    for (const QGlyphRun& run : layout.glyphRuns())
        for (const QPointF& at : run.positions()) placed.push_back(at.x());
    std::sort(placed.begin(), placed.end());
    const bool exact = placed == expected && fm.horizontalAdvance(pairs) == sum;
    digitAdvances_ = exact ? std::move(table) : std::vector<qreal>();
    return *digitAdvances_;
}
