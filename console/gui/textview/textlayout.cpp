#include "textlayout.h"

#include <algorithm>

// Rows are kept only while wrapping: without, a line is a row, and a line added to a long log
// costs no count of rows.
void TextLayout::setFont(const QFont& font) {
    metrics_.setFont(font);
    rows_.reset(wrapping() ? lines_.size() : 0);
}

void TextLayout::setWrapWidth(int width) {
    wrapWidth_ = std::max(0, width);
    rows_.reset(wrapping() ? lines_.size() : 0);
}

void TextLayout::reset() {
    metrics_.reset();
    rows_.reset(wrapping() ? lines_.size() : 0);
}

void TextLayout::linesReplaced(int line, int removed, int inserted) {
    metrics_.replaced(line, removed, inserted);
    if (wrapping()) rows_.replaced(line, removed, inserted);
}

void TextLayout::lineAppended() {
    metrics_.appended();
    if (wrapping()) rows_.replaced(lines_.size() - 1, 0, 1);
}

void TextLayout::lineEdited(int line, int column, int oldEnd, int newEnd) {
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

void TextLayout::wrapOn(int line, std::vector<int>& starts, const Unchanged& unchanged) {
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

qreal TextLayout::xInRow(const Row& row, int column) { return metrics_.advance(row.line, column) - rowStartX(row); }

TextLayout::Position TextLayout::positionInRow(const Row& row, qreal x) {
    return {row.line, metrics_.columnAtX(row.line, x + rowStartX(row), row.from, std::max(row.from, rowEndColumn(row)))};
}
