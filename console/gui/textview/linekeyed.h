// Keeping a map from line index to what was measured of that line in step with an edit.
#pragma once
#include <map>

// `removed` lines from `line` on were replaced by `inserted` lines: their entries go, and the
// entries of the lines after them move with them.
template <typename T>
void replaceLines(std::map<int, T>& byLine, int line, int removed, int inserted) {
    std::map<int, T> kept;
    for (auto& [at, value] : byLine) {
        if (at < line) kept.emplace_hint(kept.end(), at, std::move(value));
        else if (at >= line + removed) kept.emplace_hint(kept.end(), at + inserted - removed, std::move(value));
    }
    byLine = std::move(kept);
}
