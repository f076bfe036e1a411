#include "textlayout.h"

#include "rowbreak.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <type_traits>

// Rows are kept only while wrapping: without, a line is a row, and a line added to a long log
// costs no count of rows.
void TextLayout::setFont(const QFont& font) {
    changed();
    metrics_.setFont(font);
    bearings_.clear();
    rows_.reset(wrapping() ? lines_.size() : 0);
}

void TextLayout::setWrapWidth(int width) {
    changed();
    wrapWidth_ = std::max(0, width);
    rows_.reset(wrapping() ? lines_.size() : 0);
}

void TextLayout::reset() {
    changed();
    metrics_.reset();
    rows_.reset(wrapping() ? lines_.size() : 0);
}

void TextLayout::linesReplaced(int line, int removed, int inserted) {
    changed();
    metrics_.replaced(line, removed, inserted);
    if (wrapping()) rows_.replaced(line, removed, inserted);
}

void TextLayout::lineAppended() {
    metrics_.appended();
    if (wrapping()) rows_.replaced(lines_.size() - 1, 0, 1);
}

void TextLayout::lineEdited(int line, int column, int oldEnd, int newEnd) {
    changed();
    metrics_.editedInLine(line, column, oldEnd, newEnd);
    if (!wrapping()) return;
    if (!rows_.known(line)) return rows_.replaced(line, 1, 1);
    // The rows before the edit's stay, but for the one before it: a shorter word may now fit
    // there. From that one on, the line wraps again until a row starts where one did before.
    const std::vector<int> old = rows_.starts(line);
    const auto holding = std::upper_bound(old.begin(), old.end(), column) - 1;
    const auto keep = holding == old.begin() ? holding : holding - 1;
    std::vector<int> starts(old.begin(), keep + 1);
    wrapOn(line, starts, {&old, newEnd, newEnd - oldEnd});
    rows_.setStarts(line, std::move(starts));
}

void TextLayout::update() {
    if (wrapping()) {
        for (int line = 0; line < lines_.size(); ++line)
            if (!rows_.known(line)) wrap(line);
    }
    rows_.update();
}

void TextLayout::wrap(int line) {
    std::vector<int> starts{0};
    wrapOn(line, starts, {});
    rows_.setStarts(line, std::move(starts));
}

// One of the layout's own lines, to break into rows. A tab within reach of a row stands at
// the next tab stop from the row's start: that row is fitted and measured by walking.
struct TextLayout::OwnLine {
    OwnLine(TextLayout& layout, int line) : layout(layout), line(line), chars(layout.lines_[line]) {
        chars.visit([&](auto t) {
            if constexpr (std::is_same_v<decltype(t), QStringView>) utf16 = t.data();
            else latin1 = t.data();
        });
    }
    TextLayout& layout;
    int line;
    const LineText& chars;
    const QChar* utf16 = nullptr;  // the line's units, read without asking which kind at each
    const char* latin1 = nullptr;
    bool tabbed = false;
    int size() const { return int(chars.size()); }
    QChar at(int column) const { return utf16 ? utf16[column] : QLatin1Char(latin1[column]); }
    int fit(int from) {
        int fits = layout.metrics_.fit(line, from, layout.wrapWidth_);
        tabbed = tabIn(chars, from, std::min(size(), fits + 1)) >= 0;
        return tabbed ? layout.fitWithTabs(line, from) : fits;
    }
    qreal width(int from, int to) {
        return tabbed ? layout.xFromRowStart(line, from, to) : layout.metrics_.advance(line, to) - layout.metrics_.advance(line, from);
    }
    qreal room() const { return layout.wrapWidth_; }
    qreal overhang(QChar c) { return std::max<qreal>(0, -layout.rightBearing(c)); }
    QString text(int from, int to) const { return chars.mid(from, to - from); }
    int previous(int column) const { return layout.lines_.previousCharacter({line, column}).column; }
    int next(int column) const { return layout.lines_.nextCharacter({line, column}).column; }
};

int TextLayout::rowEnd(int line, int from) {
    OwnLine own(*this, line);
    return rowbreak::rowEnd(own, from);
}

qreal TextLayout::rightBearing(QChar c) {
    // The font's bearing, in whole pixels as Qt's layout reads it when it fits a row.
    auto [it, added] = bearings_.try_emplace(c.unicode(), 0);
    if (added && !c.isSurrogate()) it->second = QFontMetricsF(metrics_.font()).rightBearing(c);
    return it->second;
}

void TextLayout::wrapOn(int line, std::vector<int>& starts, const Unchanged& unchanged) {
    const int size = lines_.length(line);
    for (int from = starts.back();;) {
        const int next = rowEnd(line, from);
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

int TextLayout::rowCount() const { return wrapping() ? rows_.rowCount() : lines_.size(); }

int TextLayout::firstRowOf(int line) const { return wrapping() ? rows_.firstRow(line) : line; }

TextLayout::Row TextLayout::rowOfLine(int line, int index) const {
    line = std::clamp(line, 0, lines_.size() - 1);
    if (!wrapping()) return {line, 0, 0, lines_.length(line), true};
    const std::vector<int>& starts = rows_.starts(line);
    index = std::clamp(index, 0, int(starts.size()) - 1);
    const bool last = index + 1 == int(starts.size());
    return {line, index, starts[std::size_t(index)], last ? lines_.length(line) : starts[std::size_t(index) + 1], last};
}

TextLayout::Row TextLayout::rowAtIndex(int row) const {
    if (!wrapping()) return rowOfLine(row, 0);
    const TextRows::Row at = rows_.rowAt(row);
    return rowOfLine(at.line, at.index);
}

TextLayout::Row TextLayout::rowContaining(Position at) const {
    at = lines_.clamp(at);
    if (!wrapping()) return rowOfLine(at.line, 0);
    const std::vector<int>& starts = rows_.starts(at.line);
    return rowOfLine(at.line, int(std::upper_bound(starts.begin(), starts.end(), at.column) - starts.begin()) - 1);
}

int TextLayout::rowEndColumn(const Row& row) const {
    if (row.last) return row.to;
    // A row that breaks after a blank ends before it; one broken inside a run, at its end.
    return lines_[row.line][row.to - 1].isSpace() ? lines_.previousCharacter({row.line, row.to}).column : row.to;
}

qreal TextLayout::rowStartX(const Row& row) { return row.from == 0 ? 0 : metrics_.advance(row.line, row.from); }

qreal TextLayout::xInRow(const Row& row, int column) {
    if (QTextLayout* mixed = mixedDirectionRow(row))
        return mixed->lineAt(0).cursorToX(std::clamp(column, row.from, row.to) - row.from);
    // Blanks that hang past a wrapped row's end keep the caret at its right edge, as Qt's
    // layout keeps it.
    const qreal x = xFromRowStart(row.line, row.from, column);
    return wrapping() ? std::min(x, qreal(wrapWidth_)) : x;
}

int TextLayout::tabIn(const LineText& text, int from, int to) {
    return text.visit([&](auto t) {
        for (int i = std::max(0, from); i < to; ++i)
            if (t.at(i) == u'\t') return i;
        return -1;
    });
}

qreal TextLayout::xFromRowStart(int line, int from, int column) {
    const LineText& text = lines_[line];
    column = std::clamp(column, from, int(text.size()));
    int tab = tabIn(text, from, column);
    if (tab < 0) return metrics_.advance(line, column) - (from == 0 ? 0 : metrics_.advance(line, from));
    // A tab ends at the next stop past the text before it, counted from the row's start, as
    // Qt's layout places it.
    qreal x = 0;
    int at = from;
    for (; tab >= 0; tab = tabIn(text, at, column)) {
        x += metrics_.advance(line, tab) - metrics_.advance(line, at);
        x = (std::floor(x / kTabStop) + 1) * kTabStop;
        at = tab + 1;
    }
    return x + metrics_.advance(line, column) - metrics_.advance(line, at);
}

int TextLayout::fitWithTabs(int line, int from) {
    const int size = lines_.length(line);
    int fits = lines_.nextCharacter({line, from}).column;
    for (int next = fits; next < size && xFromRowStart(line, from, next = lines_.nextCharacter({line, fits}).column) <= wrapWidth_;)
        fits = next;
    return fits;
}

TextLayout::Position TextLayout::positionInRow(const Row& row, qreal x) {
    // Past the text of a row that wraps (its blanks hanging at the end count as past), the
    // caret stays on the row: before its last character. On a character, the nearer of its
    // ends, as Qt's layout takes a point.
    int text = row.to;
    if (!row.last)
        while (text > row.from && rowbreak::isBlank(lines_[row.line][text - 1])) --text;
    const bool past = !row.last && x > 0 && x >= xInRow(row, text);
    const int to = past ? std::max(row.from, lines_.previousCharacter({row.line, row.to}).column) : row.to;
    if (past) return {row.line, to};
    if (QTextLayout* mixed = mixedDirectionRow(row))
        return {row.line, std::min(to, row.from + mixed->lineAt(0).xToCursor(x))};
    if (tabIn(lines_[row.line], row.from, row.to) >= 0) {
        // The nearer end of the character under x.
        int column = row.from;
        for (qreal left = 0; column < to;) {
            const int next = lines_.nextCharacter({row.line, column}).column;
            const qreal right = xFromRowStart(row.line, row.from, next);
            if (x < (left + right) / 2) break;
            column = next;
            left = right;
        }
        return {row.line, column};
    }
    return {row.line, metrics_.columnAtX(row.line, x + rowStartX(row), row.from, to)};
}

void TextLayout::changed() { mixed_.clear(); }

namespace {

// Whether a character is written right to left, or turns a run of text so.
bool rightToLeft(QChar c) {
    switch (c.direction()) {
    case QChar::DirR: case QChar::DirAL: case QChar::DirRLE: case QChar::DirRLO: case QChar::DirRLI:
        return true;
    default:
        return false;
    }
}

// Rows longer than this are placed by advances even with right-to-left text in them.
constexpr int kMixedRowLimit = 4096;

}  // namespace

QTextLayout* TextLayout::mixedDirectionRow(const Row& row) {
    const quint64 key = quint64(quint32(row.line)) << 32 | quint32(row.from);
    auto it = mixed_.find(key);
    if (it != mixed_.end() && it->second.to == row.to) return it->second.layout.get();
    if (mixed_.size() >= 256) mixed_.clear();
    const LineText& text = lines_[row.line];
    bool mixed = false;
    if (row.to - row.from <= kMixedRowLimit) {
        mixed = text.visit([&](auto t) {
            for (int i = row.from; i < row.to; ++i)
                if (t.at(i).unicode() >= 0x0590 && rightToLeft(t.at(i))) return true;
            return false;
        });
    }
    std::unique_ptr<QTextLayout> layout;
    if (mixed) {
        // The row's direction is its line's, as the first strong character gives it.
        const QString head = text.mid(0, std::min<qsizetype>(text.size(), row.to));
        QTextOption option;
        option.setTextDirection(head.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
        option.setWrapMode(QTextOption::NoWrap);
        layout = std::make_unique<QTextLayout>(text.mid(row.from, row.to - row.from), metrics_.font());
        layout->setTextOption(option);
        layout->setCacheEnabled(true);
        layout->beginLayout();
        QTextLine line = layout->createLine();
        line.setPosition({0, 0});
        layout->endLayout();
    }
    QTextLayout* out = layout.get();
    mixed_[key] = {row.to, std::move(layout)};
    return out;
}
