// An editable plain-text view that keeps its lines itself and lays out, shapes and paints only
// what shows, so that a text of a million lines, or of megabytes in one line, scrolls, selects
// and edits as quickly as a short one. It wraps at its width or scrolls sideways, and edits as
// Qt's own plain-text box does. The editing itself (text, caret, undo, keys, input methods) is
// the TextControl it shows; the view paints, scrolls, maps points and takes the mouse.
#pragma once
#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>

#include "glyphcache.h"
#include "textcontrol.h"

class QPainter;

class TextView : public QAbstractScrollArea, private TextControl::Host {
    Q_OBJECT
public:
    using Position = TextPosition;

    explicit TextView(QWidget* parent = nullptr);

    int lineCount() const { return control_.lineCount(); }  // 0 for an empty view
    QString line(int index) const;
    QString toPlainText() const { return control_.toPlainText(); }  // lines joined by '\n'
    // Replaces the whole text (CR LF, a lone CR or LF start a line) and forgets the undo
    // history; the caret and the view at the start.
    void setPlainText(const QString& text);

    void undoOperatorEdit();
    void redoOperatorEdit();
    bool canUndoOperatorEdit() const { return control_.canUndo(); }
    bool canRedoOperatorEdit() const { return control_.canRedo(); }
    void cutSelection();
    void copySelection();
    void pasteClipboard();
    void deleteSelection();
    void selectAll();

    // Caret and selection: the selection runs between the anchor and the caret.
    Position caret() const { return control_.caret(); }
    Position anchor() const { return control_.anchor(); }
    Position endPosition() const { return control_.lines().end(); }
    // Moves the caret (clamped to the text, onto a whole character); keepAnchor extends the
    // selection to it. The view scrolls to show it.
    void setCaret(Position at, bool keepAnchor = false);
    bool hasSelection() const { return control_.hasSelection(); }
    QString selectedText() const { return control_.selectedText(); }  // lines joined by '\n'
    QRect cursorRect() const;  // the caret's rectangle in viewport coordinates

    const TextControl& control() const { return control_; }

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // ---- for screen readers (textaccessible.cpp)
    const TextLines& textLines() const { return control_.lines(); }
    // A character's rectangle in viewport coordinates: where the caret stands before it, as
    // wide as its advance (0 for a line break).
    QRect characterRect(Position at);
    // The character under a viewport point; none past a row's end or below the last row.
    std::optional<Position> characterAt(const QPoint& point);
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
    // The rows wholly in view, and where a row shown `k` rows below the top row stands: the
    // top margin shows only above the text's first row, as in Qt's box, and a view scrolled
    // down starts its rows at its top edge.
    int visibleRows() const;
    int topMargin() const { return topRow() == 0 ? kMargin : 0; }
    int rowY(int k) const { return topMargin() + k * lineHeight(); }
    // Scrolled to a row inside a wrapped line, Qt's box puts its rows a fraction of a pixel
    // lower (its offset is the natural bottom of the row above, which the font's height leaves
    // short of a whole row): they show where they were, but its hit test and the caret
    // rectangle it reports count them a pixel lower. 1 then, else 0.
    int topShift() const;
    int rowTop(int k) const { return rowY(k) + topShift(); }  // as hit tests and reports count
    // The row a viewport y hits, counted from the top row: -1 above it (the margin over the
    // first row, or the sliver of the row above that a shift leaves).
    int rowIn(int y) const;
    int topRow() const;
    int rowCount() const;  // the rows shown: the layout's, and while composing the composition's more
    static constexpr int kMargin = 4;  // left and top gap between the frame and the text
    // A repaint is pending for some of the view (so not every pixel in view is current); and,
    // while a subclass moves the view by whole rows, that the pixels in view move with it.
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
    using Row = TextLayout::Row;

    // TextControl::Host: what the control asks of the view and tells it.
    void pageMove(TextControl& control, int direction, bool select) override;
    void caretMoved() override;
    void textReplaced(Position at, const QString& removed, const QString& inserted) override;
    void textReset() override;
    void compositionChanged() override;

    // Where the view's top row starts in the text.
    Position topPosition() const;
    // The top row that shows the row just at the view's bottom.
    int topShowing(int row) const;
    // The caret's viewport y when a run of page moves began, which they keep to, as Qt's box.
    int pageY_ = 0;
    bool pageYKept_ = false;
    bool paging_ = false;
    // The place under a viewport point, as the view shows it now.
    Position positionAt(const QPoint& point);
    // The bar's range set without the area laying its children out again (it would repaint
    // the view and what lies under it on every line a log adds).
    static void setBarRange(QScrollBar* bar, int maximum);
    void ensureCaretVisible();
    void restartBlink();
    void rewrap();

    // A row the view shows: one of the layout's, or while composing one of the composed line's.
    struct ShownRow {
        int layoutRow = 0;
        int composed = -1;  // the composed line's row, or -1
    };
    ShownRow shownRow(int index) const;
    ShownRow shownRowAt(const QPoint& point) const;  // under a viewport point (the nearest)
    int caretShownRow() const;  // the row the caret is drawn in (the composition's cursor's)
    // Where a point falls in the composition (0 to its length), or -1 outside it.
    int compositionOffsetAt(const QPoint& point);
    // The composition committed through the input method (what it leaves is dropped), or reset.
    void commitComposition();
    void resetComposition();

    // Drawing: a row's text from column `from` to `to`, the x of the row's start at `left`.
    void drawRow(QPainter& p, const Row& row, qreal left, int baseline, int from, int to);
    // A row's text with the selection over it, the row's start at `left`; within `clip` if given.
    void drawText(QPainter& p, const Row& row, qreal left, int y, const QRectF& clip = QRectF());
    void drawComposedRow(QPainter& p, int row, qreal left, int y);

    TextControl control_;
    GlyphCache glyphs_;
    bool wrap_ = false;
    bool caretShown_ = true;
    QBasicTimer blink_;
    // A press within the double-click time after a double click selects the line.
    QElapsedTimer tripleClick_;
    QPoint tripleClickAt_;
    // A press on the composition, which is the input method's: where, and at which offset.
    bool pressedInComposition_ = false;
    QPoint compositionPress_;
    int compositionPressOffset_ = -1;
    bool committing_ = false;  // the input method is asked to commit: its event waits for nothing
};
