#include "undostack.h"

TextPosition UndoStack::endOf(TextPosition at, const QString& text) {
    const int breaks = int(text.count(QLatin1Char('\n')));
    if (breaks == 0) return {at.line, at.column + int(text.size())};
    return {at.line + breaks, int(text.size() - text.lastIndexOf(QLatin1Char('\n')) - 1)};
}

void UndoStack::record(Edit edit) {
    redo_.clear();
    if (!merge(edit)) undo_.push_back(std::move(edit));
    sealed_ = false;
}

bool UndoStack::merge(const Edit& edit) {
    if (sealed_ || undo_.empty() || edit.kind == Kind::Other || edit.kind != undo_.back().kind) return false;
    Edit& last = undo_.back();
    switch (edit.kind) {
    case Kind::Typing:
        // Typed right after the last typed text (which may have replaced a selection).
        if (!edit.removed.isEmpty() || endOf(last.at, last.inserted) != edit.at) return false;
        last.inserted += edit.inserted;
        return true;
    case Kind::Backspace:
        // Erased right before what the last Backspace erased.
        if (endOf(edit.at, edit.removed) != last.at) return false;
        last.removed.prepend(edit.removed);
        last.at = edit.at;
        return true;
    case Kind::Delete:
        // Erased right where the last Delete erased.
        if (edit.at != last.at) return false;
        last.removed += edit.removed;
        return true;
    case Kind::Other:
        break;
    }
    return false;
}

UndoStack::Edit UndoStack::take(std::vector<Edit>& from, std::vector<Edit>& to) {
    Edit edit = std::move(from.back());
    from.pop_back();
    to.push_back(edit);
    sealed_ = true;
    return edit;
}

UndoStack::Edit UndoStack::takeUndo() { return take(undo_, redo_); }

UndoStack::Edit UndoStack::takeRedo() { return take(redo_, undo_); }

void UndoStack::clear() {
    undo_.clear();
    redo_.clear();
    sealed_ = false;
}
