// An editable plain-text view that keeps its lines itself and lays out, shapes and paints only
// what shows, so that a text of a million lines, or of megabytes in one line, scrolls, selects
// and edits as quickly as a short one. It wraps at its width or scrolls sideways, and edits as
// Qt's own plain-text box does: caret and selection by whole characters, the standard keys,
// undo and redo of the operator's edits, input-method compositions, the clipboard and, where
// the platform has one, the mouse selection.
#pragma once
#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QTextLayout>
#include <optional>

#include "glyphcache.h"
#include "linemetrics.h"
#include "textlines.h"
#include "textrows.h"
#include "undostack.h"

class QPainter;

class TextView : public QAbstractScrollArea {
    Q_OBJECT
public:
    using Position = TextPosition;

    explicit TextView(QWidget* parent = nullptr);

    int lineCount() const;  // 0 for an empty view
    QString line(int index) const;
    QString toPlainText() const;  // lines joined by '\n'
    // Replaces the whole text (CR LF, a lone CR or LF start a line) and forgets the undo
    // history; the caret and the view at the start.
    void setPlainText(const QString& text);

    void undoOperatorEdit();
    void redoOperatorEdit();
    bool canUndoOperatorEdit() const { return undo_.canUndo(); }
    bool canRedoOperatorEdit() const { return undo_.canRedo(); }
    void cutSelection();
    void copySelection();
    void pasteClipboard();
    void deleteSelection();
    void selectAll();

    // Caret and selection: the selection runs between the anchor and the caret.
    Position caret() const { return caret_; }
    Position anchor() const { return anchor_; }
    Position endPosition() const { return lines_.end(); }
    // Moves the caret (clamped to the text, onto a whole character); keepAnchor extends the
    // selection to it. The view scrolls to show it.
    void setCaret(Position at, bool keepAnchor = false);
    bool hasSelection() const { return caret_ != anchor_; }
    QString selectedText() const;  // lines joined by '\n'
    QRect cursorRect() const;      // the caret's rectangle in viewport coordinates

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // ---- for screen readers (textaccessible.cpp)
    const TextLines& textLines() const { return lines_; }
    // A character's rectangle in viewport coordinates: where the caret stands before it, as
    // wide as its advance (0 for a line break).
    QRect characterRect(Position at) const;
    // The character under a viewport point; none past a row's end or below the last row.
    std::optional<Position> characterAt(const QPoint& point) const;
    // Replaces the text between two positions as an edit of the operator's (one undo step).
    void replaceRange(Position from, Position to, const QString& text);
    // Scrolls the text between two positions into view (its start, where it does not fit).
    void scrollToShow(Position from, Position to);

protected:
    // Wrapping at the view's width (no sideways scrolling), or none.
    void setWrapping(bool on);
    bool wrapping() const { return wrap_; }
    // Runs what a subclass has pending for the view before an operator's input acts on it.
    virtual void settle() {}
    // The program's lines, for a subclass that adds them: appended at the end without undo.
    void appendLine(LineText text);
    void clearText();  // empty, without undo history
    // Scroll ranges up to date; repaints rect, or the whole view when rect is null.
    void updateScrollBars();
    void refreshView(const QRect& rect = QRect());
    int lineHeight() const;
    int visibleRows() const;
    int rowCount() const;
    int firstRowOf(int line) const;
    static constexpr int kMargin = 4;  // left and top gap between the frame and the text
    // Whether every pixel in view is current (no repaint pending), and, while a subclass
    // moves the view by whole rows, that the pixels in view move with it.
    bool stale_ = false;
    bool scrollPixels_ = false;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // A row of the view: a line, or one of the rows a wrapped line breaks into.
    struct Row {
        int line;
        int index;  // within the line
        int from;   // the columns it shows
        int to;
        bool last;  // the line's last row
    };
    Row rowIn(int line, int index) const;
    Row rowAt(int row) const;
    Row rowHolding(Position at) const;
    int rowOf(Position at) const;
    void wrap(int line) const;  // the line's rows, when not known yet
    // Row starts of a line before an edit, which hold again from column `from` on, moved by
    // `shift`, once a row starts at one of them.
    struct Unchanged {
        const std::vector<int>* starts = nullptr;
        int from = 0;
        int shift = 0;
    };
    // Adds the rows after the last of `starts` up to the line's end.
    void wrapOn(int line, std::vector<int>& starts, const Unchanged& unchanged) const;
    // The line, whose rows started at `old`, had columns [column, oldEnd) replaced by
    // [column, newEnd): only the rows the edit changed are wrapped again.
    void rewrapEdited(int line, std::vector<int> old, int column, int oldEnd, int newEnd);
    // Every line wrapped again (a new width or font), the row that starts at `top` at the top.
    void rewrap(Position top);
    Position topPosition() const;  // where the top row starts

    // Content x of a position within its row, and the position in a row nearest to an x.
    qreal rowStartX(const Row& row) const;  // content x of the row's start within its line
    qreal xInRow(const Row& row, int column) const;
    int xOf(Position at) const;  // viewport x less the sideways scroll
    Position positionAt(const QPoint& point) const;
    Position inRow(const Row& row, qreal x) const;

    // The operator's edit: replaces the text between two positions and moves the caret after
    // it; recorded for undo as a step of its kind. `removed`: the text between them, where
    // the caller has it already.
    void edit(Position from, Position to, const QString& text, UndoStack::Kind kind,
              std::optional<QString> removed = std::nullopt);
    void insertTyped(const QString& text);
    void apply(const UndoStack::Edit& step, bool undo);
    // Replaces text and keeps the measures, rows and widest width in step. Records nothing.
    Position replaceText(Position from, Position to, const QString& text);
    void textChanged();  // after any change: empty or not, ranges, caret shown

    // Moves for the keys; `select` extends the selection.
    bool moveKey(QKeyEvent* event);
    bool editKey(QKeyEvent* event);
    void moveCaret(Position to, bool select, bool keepGoal = false);
    Position verticalMove(int rows);
    void ensureCaretVisible();
    void restartBlink();
    void copyToSelectionClipboard() const;
    void pasteAt(const QString& text);

    // Drawing: a row's text from column `from` to `to`, the x of `from` at `left`.
    void drawRow(QPainter& p, const Row& row, qreal left, int baseline, int from, int to);
    void drawPreedit(QPainter& p, QPointF at);
    qreal preeditAdvance(int cursor) const;

    // The input method's composition, drawn at the caret until it is committed or cancelled.
    struct Preedit {
        QString text;
        QList<QTextLayout::FormatRange> formats;
        int cursor = 0;
        bool cursorShown = true;
    };
    Preedit preedit_;

    TextLines lines_;
    mutable LineMetrics metrics_{lines_};
    mutable TextRows rows_;
    GlyphCache glyphs_;
    UndoStack undo_;
    bool blank_ = true;  // nothing in the view: lineCount() is 0
    bool wrap_ = false;
    int wrapWidth_ = 0;  // the width lines were wrapped at
    Position caret_, anchor_;
    int goalX_ = -1;  // x that up/down moves keep to
    bool caretShown_ = true;
    QBasicTimer blink_;
    // A press within the double-click time after a double click selects the line.
    QElapsedTimer tripleClick_;
    QPoint tripleClickAt_;
};
