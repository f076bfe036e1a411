#include "lineoffsets.h"

#include <algorithm>

#include "textlines.h"

namespace {

// The lowest set bit: how many lines a Fenwick tree's entry covers.
std::size_t lowbit(std::size_t i) { return i & (~i + 1); }

}  // namespace

void LineOffsets::forget() {
    tree_.assign(1, 0);
    tree_.shrink_to_fit();
    built_ = false;
}

void LineOffsets::fold() {
    for (std::size_t i = 1; i < tree_.size(); ++i) {
        const std::size_t parent = i + lowbit(i);
        if (parent < tree_.size()) tree_[parent] += tree_[i];
    }
    built_ = true;
}

void LineOffsets::appended(int length) {
    if (!built_) return;
    // The new entry covers its own line and the lines (i - lowbit(i), i - 1] before it.
    const std::size_t i = tree_.size();
    tree_.push_back(length + 1 + start(int(i) - 1) - start(int(i - lowbit(i))));
}

void LineOffsets::lengthChanged(int line, int delta) {
    if (!built_ || delta == 0) return;
    for (std::size_t i = std::size_t(line) + 1; i < tree_.size(); i += lowbit(i)) tree_[i] += delta;
}

int LineOffsets::start(int line) const {
    int sum = 0;
    for (std::size_t i = std::size_t(std::clamp(line, 0, lines())); i > 0; i -= lowbit(i)) sum += tree_[i];
    return sum;
}

int LineOffsets::lineAt(int offset) const {
    // Descends the tree: `at` lines lie wholly at or before the offset.
    std::size_t at = 0, step = 1;
    while (step * 2 < tree_.size()) step *= 2;
    for (int rest = offset; step > 0; step /= 2) {
        if (at + step < tree_.size() && tree_[at + step] <= rest) {
            at += step;
            rest -= tree_[at];
        }
    }
    return std::min(int(at), lines() - 1);
}

// ---- TextLines: offsets

// A text of one line needs no tree; that is also the only kind of text whose line the view
// changes in place through operator[] (an empty view's first line), which the tree would miss.
const LineOffsets* TextLines::offsets() const {
    if (size() == 1) return nullptr;
    if (!offsets_.built()) offsets_.build(size(), [this](int i) { return length(i); });
    return &offsets_;
}

int TextLines::offsetOf(Position at) const {
    at = clamp(at);
    const LineOffsets* tree = offsets();
    return (tree ? tree->start(at.line) : 0) + at.column;
}

TextLines::Position TextLines::positionAt(int offset) const {
    offset = std::clamp(offset, 0, characterCount());
    const LineOffsets* tree = offsets();
    if (!tree) return {0, offset};
    const int line = tree->lineAt(offset);
    return {line, offset - tree->start(line)};
}

int TextLines::characterCount() const {
    const LineOffsets* tree = offsets();
    return tree ? tree->start(size()) - 1 : length(0);
}
