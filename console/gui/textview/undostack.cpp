#include "undostack.h"

#include <QStringList>
#include <climits>

namespace {

// The places untouched lines are given lie this far apart: further than a line is long.
constexpr UndoStack::Origin kLineStride = UndoStack::Origin(1) << 32;

int breaksIn(const QString& text) { return int(text.count(QLatin1Char('\n'))); }

// Where the characters of `text`, inserted now, stand in the buffer from `base` on: its first
// and last line are placed there; the lines between follow on from nothing around them, so
// they need no piece (Qt puts the text in as one piece, or line after line for a paste; either
// way only the ends can meet anything else).
UndoStack::Pieces laidOut(const QString& text, UndoStack::Origin base) {
    UndoStack::Pieces pieces;
    const qsizetype firstBreak = text.indexOf(QLatin1Char('\n'));
    if (firstBreak != 0) pieces.push_back({0, 0, base});
    if (firstBreak < 0) return pieces;
    const qsizetype lastStart = text.lastIndexOf(QLatin1Char('\n')) + 1;
    if (lastStart < text.size()) pieces.push_back({breaksIn(text), 0, base + lastStart});
    return pieces;
}

}  // namespace

TextPosition UndoStack::endOf(TextPosition at, const QString& text) {
    const int breaks = breaksIn(text);
    if (breaks == 0) return {at.line, at.column + int(text.size())};
    return {at.line + breaks, int(text.size() - text.lastIndexOf(QLatin1Char('\n')) - 1)};
}

// ---- the steps

void UndoStack::clear(const QString& text) {
    undo_.clear();
    redo_.clear();
    origins_.clear();
    // Qt's buffer holds the first line's break, then the text as given, then one break for each
    // line it starts. Only a text of one line can meet what is typed after it.
    int breaks = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        if (text[i] == u'\r' || text[i] == u'\n') ++breaks;
    }
    end_ = 1 + text.size() + breaks;
    if (breaks == 0) origins_.setLine(0, 1);
}

void UndoStack::record(Kind kind, std::vector<Change> changes, TextPosition caretBefore) {
    redo_.clear();
    Step step;
    step.caretBefore = caretBefore;
    for (Change& c : changes) {
        c.removedFrom = origins_.take(c.at, endOf(c.at, c.removed));
        if (c.inserted.isEmpty()) continue;
        c.insertedFrom = laidOut(c.inserted, end_);
        // A paste puts each line's break right after it, the rest the breaks after the text.
        end_ += c.inserted.size() + (kind == Kind::Paste ? 0 : breaksIn(c.inserted));
        origins_.put(c.at, c.inserted, c.insertedFrom);
    }
    step.changes = std::move(changes);
    const Change& last = step.changes.back();
    const bool erased = step.changes.size() == 1 && !last.removed.isEmpty();
    switch (kind) {
    case Kind::Typing:
    case Kind::Paste:
    case Kind::Commit: {
        step.single = kind == Kind::Typing && !erased;
        const qsizetype lastLine = last.inserted.lastIndexOf(QLatin1Char('\n')) + 1;
        if (last.inserted.size() > lastLine) {
            step.last = Step::Inserted;
            step.from = last.insertedFrom.back().origin;
            step.to = step.from + (last.inserted.size() - lastLine);
        }
        break;
    }
    case Kind::Backspace:
    case Kind::Delete:
        // One character, unless it is a line break (Qt's block removal merges with nothing) or
        // it stood in two places of the buffer.
        step.single = true;
        if (!last.removed.contains(QLatin1Char('\n')) && last.removedFrom.size() == 1) {
            step.last = Step::Removed;
            step.from = last.removedFrom.front().origin;
            step.to = step.from + last.removed.size();
        }
        break;
    case Kind::Other:
        break;
    }
    if (kind == Kind::Commit && step.changes.front().at != caretBefore) step.undoCaret = UndoCaret::Recorded;
    if (!merge(step)) undo_.push_back(std::move(step));
}

bool UndoStack::merge(const Step& step) {
    if (undo_.empty() || !step.single || step.last == Step::None) return false;
    Step& top = undo_.back();
    const Change& c = step.changes.front();
    if (step.last == Step::Inserted) {
        // Typed on where the last insertion ended, in the text and in the buffer.
        Change& t = top.changes.back();
        if (top.last != Step::Inserted || top.to != step.from || endOf(t.at, t.inserted) != c.at) return false;
        const TextPosition end = endOf({}, t.inserted);
        for (const Piece& p : c.insertedFrom) t.insertedFrom.push_back({end.line + p.line, end.column + p.column, p.origin});
        t.inserted += c.inserted;
        top.to = step.to;
        return true;
    }
    if (!top.single || top.last != Step::Removed) return false;
    Change& t = top.changes.front();
    const int length = int(t.removed.size());
    if (t.at == c.at && top.to == step.from) {
        // Delete: erased where the last erasing stands, of what followed it in the buffer.
        for (const Piece& p : c.removedFrom) t.removedFrom.push_back({0, length + p.column, p.origin});
        t.removed += c.removed;
        top.to = step.to;
        return true;
    }
    if (c.at.line == t.at.line && c.at.column + c.removed.size() == t.at.column && step.to == top.from) {
        // Backspace: erased just before, of what went before it in the buffer.
        Pieces pieces = c.removedFrom;
        for (const Piece& p : t.removedFrom) pieces.push_back({0, int(c.removed.size()) + p.column, p.origin});
        t.removedFrom = std::move(pieces);
        t.removed.prepend(c.removed);
        t.at = c.at;
        top.from = step.from;
        return true;
    }
    return false;
}

const UndoStack::Step& UndoStack::takeUndo() {
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
    const Step& step = redo_.back();
    for (auto c = step.changes.rbegin(); c != step.changes.rend(); ++c) {
        origins_.take(c->at, endOf(c->at, c->inserted));
        origins_.put(c->at, c->removed, c->removedFrom);
    }
    return step;
}

const UndoStack::Step& UndoStack::takeRedo() {
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    const Step& step = undo_.back();
    for (const Change& c : step.changes) {
        origins_.take(c.at, endOf(c.at, c.removed));
        origins_.put(c.at, c.inserted, c.insertedFrom);
    }
    return step;
}

// ---- where the characters stand

UndoStack::Origins::Line& UndoStack::Origins::touched(int line) {
    auto it = lines_.find(line);
    if (it == lines_.end()) {
        it = lines_.emplace(line, Line{{0, fresh_}}).first;
        fresh_ += kLineStride;
    }
    return it->second;
}

void UndoStack::Origins::append(Line& to, const Line& from, int fromColumn, int toColumn, int shift) {
    auto push = [&](int column, Origin origin) {
        if (!to.empty() && to.back().column == column) to.pop_back();  // the one before holds nothing
        if (!to.empty() && to.back().origin + (column - to.back().column) == origin) return;  // follows on
        to.push_back({column, origin});
    };
    for (std::size_t i = 0; i < from.size(); ++i) {
        const int start = from[i].column;
        const int end = i + 1 < from.size() ? from[i + 1].column : INT_MAX;
        if (end <= fromColumn) continue;
        if (start >= toColumn) break;
        const int column = std::max(start, fromColumn);
        push(column + shift, from[i].origin + (column - start));
    }
}

void UndoStack::Origins::moveLines(int after, int by) {
    if (by == 0) return;
    std::vector<std::map<int, Line>::node_type> moved;
    for (auto it = lines_.upper_bound(after); it != lines_.end();) moved.push_back(lines_.extract(it++));
    for (auto& node : moved) {
        node.key() += by;
        lines_.insert(std::move(node));
    }
}

UndoStack::Pieces UndoStack::Origins::take(TextPosition from, TextPosition to) {
    Pieces out;
    if (to <= from) return out;
    const Line first = touched(from.line);
    const Line last = from.line == to.line ? first : touched(to.line);
    Line taken;
    append(taken, first, from.column, from.line == to.line ? to.column : INT_MAX, -from.column);
    for (const LinePiece& p : taken) out.push_back({0, p.column, p.origin});
    if (from.line != to.line) {
        for (auto it = lines_.upper_bound(from.line); it != lines_.end() && it->first < to.line; ++it)
            for (const LinePiece& p : it->second) out.push_back({it->first - from.line, p.column, p.origin});
        taken.clear();
        append(taken, last, 0, to.column, 0);
        for (const LinePiece& p : taken) out.push_back({to.line - from.line, p.column, p.origin});
    }
    Line joined;
    append(joined, first, 0, from.column, 0);
    append(joined, last, to.column, INT_MAX, from.column - to.column);
    lines_[from.line] = std::move(joined);
    if (from.line != to.line) {
        lines_.erase(lines_.upper_bound(from.line), lines_.upper_bound(to.line));
        moveLines(to.line, from.line - to.line);
    }
    return out;
}

void UndoStack::Origins::put(TextPosition at, const QString& text, const Pieces& pieces) {
    if (text.isEmpty()) return;
    const QStringList lines = text.split(QLatin1Char('\n'));
    const int breaks = int(lines.size()) - 1;
    const Line old = touched(at.line);
    // The text's line `k`, its columns moved by `shift`; a line of it that has no piece is given
    // a place of its own.
    auto addText = [&](Line& to, int k, int shift) {
        Line own;
        for (const Piece& p : pieces)
            if (p.line == k) own.push_back({p.column, p.origin});
        if (own.empty() && !lines[k].isEmpty()) {
            own.push_back({0, fresh_});
            fresh_ += kLineStride;
        }
        append(to, own, 0, INT_MAX, shift);
    };
    moveLines(at.line, breaks);
    Line head;
    append(head, old, 0, at.column, 0);
    addText(head, 0, at.column);
    if (breaks == 0) {
        append(head, old, at.column, INT_MAX, int(lines[0].size()));
        lines_[at.line] = std::move(head);
        return;
    }
    lines_[at.line] = std::move(head);
    for (int k = 1; k < breaks; ++k) {
        Line middle;
        for (const Piece& p : pieces)
            if (p.line == k) middle.push_back({p.column, p.origin});
        if (!middle.empty()) lines_[at.line + k] = std::move(middle);
    }
    Line tail;
    addText(tail, breaks, 0);
    append(tail, old, at.column, INT_MAX, int(lines[breaks].size()) - at.column);
    lines_[at.line + breaks] = std::move(tail);
}
