// The operator's edits, to undo and redo, in the steps Qt's plain-text box makes of them.
//
// Qt's document keeps all text ever inserted in one buffer, in the order it came, and merges a
// change into the step before it only where the two follow on both in the text and in that
// buffer: text typed where the step's insertion ends, when that insertion ended at the buffer's
// end; a character erased by Delete where the step's erasing stands, or by Backspace just before
// it, when it stood next to the erased ones in the buffer. So a caret move splits nothing (typing
// on where a run ended still follows on), while any insertion in between, an undo or a line
// break does. An edit made as a block (over a selection, a paste, Enter, a word erased, an input
// method's event) merges with nothing before it, but typing right after a block that ended with
// an insertion joins that block.
//
// So the stack keeps where Qt's buffer would hold each character of the text: a line the
// operator has not touched is one stretch of the buffer and costs nothing; a touched line keeps
// its pieces.
#pragma once
#include <QString>
#include <map>
#include <vector>

#include "textlines.h"

class UndoStack {
public:
    using Origin = qint64;  // a place in Qt's buffer

    enum class Kind {
        Typing,     // typed text; over a selection, a block
        Backspace,  // one character erased, nothing selected
        Delete,
        Paste,      // a block; the pasted lines come into the buffer one after another
        Commit,     // an input method's event: a block
        Other,      // a block: a selection erased, Enter, a word erased
    };

    // Where the characters of a text stand in the buffer: from (line, column) of the text on, up
    // to the next piece or the line's end, the buffer from `origin` on. A line of the text
    // without a piece is a stretch of the buffer that nothing else follows on from.
    struct Piece {
        int line;
        int column;
        Origin origin;
    };
    using Pieces = std::vector<Piece>;

    // One change of a step: the text at `at` that was `removed` became `inserted`.
    struct Change {
        TextPosition at;
        QString removed;
        QString inserted;
        Pieces removedFrom = {};
        Pieces insertedFrom = {};
    };
    // Where an undo leaves the caret, as Qt's document places it.
    enum class UndoCaret {
        AfterRestored,  // after the text the first change removed, put back
        Recorded,       // where the caret stood before an input method's event moved it
    };
    struct Step {
        std::vector<Change> changes;  // in the order they were made
        UndoCaret undoCaret = UndoCaret::AfterRestored;
        TextPosition caretBefore;
        // What a following edit may merge with: the step's last change as one command of Qt's
        // (single, or the end of a block), the insertion or the erasing it made and where its
        // text stands in the buffer.
        bool single = false;
        enum { None, Inserted, Removed } last = None;
        Origin from = 0, to = 0;
    };

    // Records an edit just made: one change, or the changes of one input method's event in the
    // order made. `caretBefore`: where the caret stood as it began. Forgets what could be redone.
    void record(Kind kind, std::vector<Change> changes, TextPosition caretBefore);
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // The step to undo or redo, moved to the other list; the caller applies its changes (undo:
    // the last first).
    const Step& takeUndo();
    const Step& takeRedo();
    // A new text from the program (as Qt's setPlainText() makes it): no steps, a new buffer.
    void clear(const QString& text = QString());
    // The program filled line `line` with a line of its own (the empty first line of a log).
    void programLine(int line) { origins_.forget(line); }

    // Where `text` inserted at `at` ends.
    static TextPosition endOf(TextPosition at, const QString& text);

private:
    // Where each touched line's characters stand in the buffer; untouched lines are one stretch
    // each, given a place of their own when first touched.
    class Origins {
    public:
        void clear() { lines_.clear(); }
        void forget(int line) { lines_.erase(line); }
        void setLine(int line, Origin origin) { lines_[line] = {{0, origin}}; }
        // Takes the text between two places out; returns where its characters stood.
        Pieces take(TextPosition from, TextPosition to);
        // Puts `text`, whose characters stand at `pieces`, in at `at`.
        void put(TextPosition at, const QString& text, const Pieces& pieces);

    private:
        struct LinePiece {
            int column;
            Origin origin;
        };
        using Line = std::vector<LinePiece>;
        Line& touched(int line);
        static void append(Line& to, const Line& from, int fromColumn, int toColumn, int shift);
        void moveLines(int after, int by);  // the lines past `after` are `by` lines further on
        std::map<int, Line> lines_;
        Origin fresh_ = Origin(1) << 62;  // untouched lines, far from any insertion's place
    };

    bool merge(const Step& step);  // into the step on top, as Qt's document merges commands
    std::vector<Step> undo_, redo_;
    Origins origins_;
    Origin end_ = 1;  // the buffer's end: where the next insertion goes
};
