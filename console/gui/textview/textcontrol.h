// The editing control of a text view, apart from any widget: the lines, the caret and the
// selection, an input method's composition, the undo history, and the keys and input-method
// events turned into moves and edits, as Qt's own plain-text box makes them. The view that
// shows it (TextView) paints, scrolls and maps points; tests drive the control alone.
#pragma once
#include <QFont>
#include <QList>
#include <QString>
#include <QTextLayout>
#include <optional>

#include "composedline.h"
#include "textlayout.h"
#include "textlines.h"
#include "undostack.h"

class QInputMethodEvent;
class QKeyEvent;

class TextControl {
public:
    using Position = TextPosition;

    // What the control asks of and tells the view that shows it. The defaults suit a control
    // without a view.
    class Host {
    public:
        virtual ~Host() = default;
        virtual int pageRows() const { return 10; }   // the rows a page moves by
        virtual void scrollRows(int /*rows*/) {}      // a page move scrolls the view too
        // A page up (direction -1) or down: by the page's rows from the caret, scrolled alike.
        virtual void pageMove(TextControl& control, int direction, bool select);
        virtual void caretMoved() {}                  // the caret or selection moved (after any change)
        // The text between `at` and the end of `removed` became `inserted`.
        virtual void textReplaced(Position /*at*/, const QString& /*removed*/, const QString& /*inserted*/) {}
        virtual void textReset() {}                   // a new text, or the lines the program added
        virtual void compositionChanged() {}
    };

    TextControl();
    void setHost(Host* host) { host_ = host ? host : &none_; }

    // ---- content
    const TextLines& lines() const { return lines_; }
    int lineCount() const { return blank_ ? 0 : lines_.size(); }  // 0 when empty
    QString toPlainText() const { return lines_.between({0, 0}, lines_.end()); }
    // Replaces the whole text (CR LF, a lone CR or LF start a line) and forgets the undo
    // history; the caret at the start.
    void setPlainText(const QString& text);
    // The program's lines: appended at the end without undo; the first one fills an empty text.
    void appendLine(LineText text);
    void clear();  // empty, without undo history

    // ---- layout
    TextLayout& layout() { return layout_; }
    const TextLayout& layout() const { return layout_; }
    void setFont(const QFont& font);
    void setWrapWidth(int width);  // 0: no wrapping

    // ---- caret and selection: the selection runs between the anchor and the caret.
    Position caret() const { return caret_; }
    Position anchor() const { return anchor_; }
    bool hasSelection() const { return caret_ != anchor_; }
    Position selectionStart() const { return std::min(caret_, anchor_); }
    Position selectionEnd() const { return std::max(caret_, anchor_); }
    QString selectedText() const { return lines_.between(selectionStart(), selectionEnd()); }
    // Moves the caret (clamped to the text, onto a whole character); keepAnchor extends the
    // selection to it.
    void setCaret(Position at, bool keepAnchor = false);
    void selectAll();
    // The place in the row with the given index nearest to content x.
    Position positionAt(int row, qreal x);
    // Where the caret stands: its row and content x, up to date after every change.
    int caretRow() const { return caretRow_; }
    qreal caretX() const { return caretX_; }

    // ---- edits of the operator
    void undo();
    void redo();
    bool canUndo() const { return undo_.canUndo(); }
    bool canRedo() const { return undo_.canRedo(); }
    void cut();
    void copy() const;
    void paste();
    void pasteText(const QString& text);  // at the caret, over the selection
    void deleteSelection();
    // Replaces the text between two positions as one edit of the operator's.
    void replaceRange(Position from, Position to, const QString& text);
    void insertTyped(const QString& text);
    // The selection clipboard takes a selection made by mouse or keys, where there is one.
    void copyToSelectionClipboard() const;

    // The place `rows` rows above or below the caret at the goal x; none where the caret's row
    // is already the first or last. Moving there keeps the goal x for the next such move.
    std::optional<Position> rowsAway(int rows);
    void moveKeepingGoal(Position to, bool select) { moveCaret(to, select, true); }

    // ---- keys and input methods: whether the event was taken.
    bool keyPress(QKeyEvent* event);
    void inputMethod(QInputMethodEvent* event);
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const;

    // The composition, drawn at the caret until it is committed or cancelled.
    struct Composition {
        QString text;
        QList<QTextLayout::FormatRange> formats;
        int cursor = 0;  // the input method's cursor in it
        bool cursorShown = true;
    };
    const Composition& composition() const { return preedit_; }
    bool composing() const { return !preedit_.text.isEmpty(); }
    // While composing, the caret's line as it shows with the composition in it.
    const ComposedLine& composedLine() const { return composed_; }
    // Drops the composition without a commit (what an input method left uncommitted when asked
    // to commit, or after its work moved elsewhere).
    void dropComposition();

    // The layout changed (a width or font): rows and the caret's place found again.
    void relayout();

private:
    // The operator's edit: replaces the text between two positions and moves the caret after
    // it; recorded for undo as a step of its kind. `removed`: the text between them, where
    // the caller has it already.
    void edit(Position from, Position to, const QString& text, UndoStack::Kind kind,
              std::optional<QString> removed = std::nullopt);
    void apply(const UndoStack::Step& step, bool undo);
    // Replaces text within an edit and tells the host; the change, to record.
    UndoStack::Change change(Position from, Position to, const QString& text);
    // Replaces text and keeps the layout in step. Records nothing.
    Position replaceText(Position from, Position to, const QString& text);
    void textChanged();  // after any edit: empty or not, the caret placed and told
    void placeCaret();   // caretRow_ and caretX_ for the caret as it stands; the composed line

    bool moveKey(QKeyEvent* event);
    bool editKey(QKeyEvent* event);
    void moveCaret(Position to, bool select, bool keepGoal = false);

    Host none_;
    Host* host_ = &none_;
    TextLines lines_;
    TextLayout layout_{lines_};
    UndoStack undo_;
    Composition preedit_;
    ComposedLine composed_;
    bool blank_ = true;  // nothing in the text: lineCount() is 0
    Position caret_, anchor_;
    int caretRow_ = 0;
    qreal caretX_ = 0;
    qreal goalX_ = -1;  // x that up/down moves keep to
};
