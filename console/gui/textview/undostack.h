// The operator's edits, to undo and redo. An edit is kept as where it stands, what it removed
// and what it inserted. Steps merge as Qt's plain-text box merges them: a run of typing, of
// Backspace or of Delete is one step, and typing over a selection is one step with what
// follows it typed.
#pragma once
#include <QString>
#include <vector>

#include "textlines.h"

class UndoStack {
public:
    enum class Kind { Typing, Backspace, Delete, Other };
    struct Edit {
        TextPosition at;
        QString removed;
        QString inserted;
        Kind kind = Kind::Other;
    };

    // Records an edit just made; forgets what could be redone.
    void record(Edit edit);
    // The next step not to merge with the last one (after a caret move, say).
    void seal() { sealed_ = true; }
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // The step to undo or redo, moved to the other list; the caller applies it.
    Edit takeUndo();
    Edit takeRedo();
    void clear();

    // Where `text` inserted at `at` ends.
    static TextPosition endOf(TextPosition at, const QString& text);

private:
    bool merge(const Edit& edit);
    Edit take(std::vector<Edit>& from, std::vector<Edit>& to);  // the last step moved over
    std::vector<Edit> undo_, redo_;
    bool sealed_ = false;
};
