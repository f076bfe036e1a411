// Where a wrapping view's lines break into rows. A line's rows are known once it has been
// wrapped; until then it counts as one row. Rows are counted through a Fenwick tree, so that
// the row of a line and the line of a row cost a logarithm of the line count; after a change
// of the line count, update() counts them again before the next query.
#pragma once
#include <map>
#include <vector>

class TextRows {
public:
    void reset(int lines);  // every line unknown
    void replaced(int line, int removed, int inserted);
    bool known(int line) const { return known_[std::size_t(line)] != 0; }
    int lineCount() const { return int(counts_.size()); }
    // The columns where the line's rows start (the first is 0); one row until known.
    const std::vector<int>& starts(int line) const;
    void setStarts(int line, std::vector<int> starts);
    void update();  // the counts up to date after replaced() or reset()

    int rowCount() const;
    int firstRow(int line) const;  // the rows of the lines before
    struct Row {
        int line;
        int index;  // the row's index within its line
    };
    Row rowAt(int row) const;  // clamped to the rows there are

private:
    std::vector<int> counts_{1};
    std::vector<char> known_{0};
    std::map<int, std::vector<int>> starts_;  // of the lines with more than one row
    std::vector<int> tree_{0, 1};
    bool current_ = true;  // tree_ counts counts_
};
