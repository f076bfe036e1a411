// Where the lines of a text start, counted in UTF-16 units into the lines joined by '\n' (as
// screen readers count a text box's text). A Fenwick tree of the lines' lengths, each with its
// line break: the start of a line and the line at an offset cost a logarithm of the line count,
// and so do a line added at the end and a change of one line's length. An edit that adds or
// removes lines elsewhere drops the tree, which is built again, in one pass, when next asked for.
#pragma once
#include <vector>

class LineOffsets {
public:
    bool built() const { return built_; }
    void forget();
    // Builds the tree of `lines` lines, `length(i)` the length of line i.
    template <typename Length>
    void build(int lines, Length length) {
        tree_.assign(std::size_t(lines) + 1, 0);
        for (int i = 0; i < lines; ++i) tree_[std::size_t(i) + 1] = length(i) + 1;
        fold();
    }
    // A line of `length` added after the last; a line's length changed by `delta`. Nothing to
    // do while the tree is not built.
    void appended(int length);
    void lengthChanged(int line, int delta);

    int start(int line) const;     // the offset where the line starts
    int lineAt(int offset) const;  // the last line that starts at or before the offset
    int lines() const { return int(tree_.size()) - 1; }

private:
    void fold();  // turns the lines' weights in tree_ into the tree
    std::vector<int> tree_{0};  // 1-based: tree_[i] adds up the weights of lines (i - lowbit(i), i]
    bool built_ = false;
};
