#include "textrows.h"

#include <algorithm>

#include "linekeyed.h"

namespace {

// The lowest set bit: how many counts a Fenwick tree's entry covers.
std::size_t lowbit(std::size_t i) { return i & (~i + 1); }

}  // namespace

void TextRows::reset(int lines) {
    counts_.assign(std::size_t(lines), 1);
    known_.assign(std::size_t(lines), 0);
    starts_.clear();
    current_ = false;
}

void TextRows::replaced(int line, int removed, int inserted) {
    counts_.erase(counts_.begin() + line, counts_.begin() + line + removed);
    counts_.insert(counts_.begin() + line, std::size_t(inserted), 1);
    known_.erase(known_.begin() + line, known_.begin() + line + removed);
    known_.insert(known_.begin() + line, std::size_t(inserted), 0);
    replaceLines(starts_, line, removed, inserted);
    current_ = false;
}

const std::vector<int>& TextRows::starts(int line) const {
    static const std::vector<int> one{0};
    auto it = starts_.find(line);
    return it == starts_.end() ? one : it->second;
}

void TextRows::setStarts(int line, std::vector<int> starts) {
    const int count = std::max<int>(1, int(starts.size()));
    known_[std::size_t(line)] = 1;
    if (count == 1) starts_.erase(line);
    else starts_[line] = std::move(starts);
    int& now = counts_[std::size_t(line)];
    if (now == count) return;
    const int delta = count - now;
    now = count;
    if (!current_) return;
    for (std::size_t i = std::size_t(line) + 1; i <= tree_.size() - 1; i += lowbit(i)) tree_[i] += delta;
}

void TextRows::update() {
    if (current_) return;
    tree_.assign(counts_.size() + 1, 0);
    for (std::size_t i = 1; i < tree_.size(); ++i) {
        tree_[i] += counts_[i - 1];
        const std::size_t parent = i + lowbit(i);
        if (parent < tree_.size()) tree_[parent] += tree_[i];
    }
    current_ = true;
}

int TextRows::firstRow(int line) const {
    int sum = 0;
    for (std::size_t i = std::size_t(std::clamp(line, 0, int(counts_.size()))); i > 0; i -= lowbit(i)) sum += tree_[i];
    return sum;
}

int TextRows::rowCount() const { return firstRow(int(counts_.size())); }

TextRows::Row TextRows::rowAt(int row) const {
    row = std::clamp(row, 0, std::max(0, rowCount() - 1));
    // The last line whose first row is at or before `row`: descend the tree.
    std::size_t at = 0;
    int rest = row;
    std::size_t step = 1;
    while (step * 2 < tree_.size()) step *= 2;
    for (; step > 0; step /= 2) {
        if (at + step < tree_.size() && tree_[at + step] <= rest) {
            at += step;
            rest -= tree_[at];
        }
    }
    // `at` lines lie wholly before the row.
    const int line = std::min(int(at), int(counts_.size()) - 1);
    return {line, std::min(rest, counts_[std::size_t(line)] - 1)};
}
