// The log pane: an editable text view that keeps every line. It holds its lines itself and
// paints only the visible ones, so that adding a line costs the same with a million lines as
// with a thousand; an added line is not measured until it is painted, and then once. Of a
// line longer than a few dozen words only the stretch in view is shaped and drawn, so that a
// line of megabytes costs a paint no more than a short one. Lines the program adds are not
// undoable and do not grow the undo history; the operator's own edits are, through
// undoOperatorEdit().
#pragma once
#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QGlyphRun>
#include <QString>
#include <climits>
#include <deque>
#include <map>
#include <optional>
#include <unordered_map>
#include <variant>
#include <vector>

class QPainter;

class LogPane : public QAbstractScrollArea {
    Q_OBJECT
public:
    // A place between characters: line index and column (UTF-16 units) within the line.
    struct Position {
        int line = 0;
        int column = 0;
        friend bool operator==(const Position&, const Position&) = default;
        friend auto operator<=>(const Position&, const Position&) = default;
    };

    explicit LogPane(QWidget* parent = nullptr);

    // Appends the text as a new line; CR LF (or a lone CR or LF) inside starts further lines,
    // so a text that ends in CR LF leaves an empty line after it. The view follows the end
    // within a frame (the next operator input, at once).
    void addLine(QString text);
    // The same for Latin-1 text, which the pane keeps at one byte a character.
    void addLatin1Line(QByteArray text);
    // The pane's lines, as the program and the operator left them.
    int lineCount() const;
    QString line(int index) const;
    // The whole text, lines joined by '\n'.
    QString toPlainText() const;

    void clearAll();                         // empties the pane and forgets the undo history
    // Replaces the whole text (CR LF, a lone CR or LF start a line) and forgets the undo
    // history; the caret and the view at the start.
    void setPlainText(const QString& text);
    void undoOperatorEdit();                 // undoes the operator's last edit, if any
    bool canUndoOperatorEdit() const { return !undo_.empty(); }
    void cutSelection();
    void copySelection();
    void pasteClipboard();
    void selectAll();

    // Caret and selection: the selection runs between the anchor and the caret.
    Position caret() const { return caret_; }
    Position anchor() const { return anchor_; }
    Position endPosition() const;
    // Moves the caret (clamped to the text); keepAnchor extends the selection to it.
    void setCaret(Position at, bool keepAnchor = false);
    bool hasSelection() const { return caret_ != anchor_; }
    QString selectedText() const;  // lines joined by '\n'
    // The caret's rectangle in viewport coordinates.
    QRect cursorRect() const;

    // The whole content as Rich Text Format.
    QByteArray toRtf() const;
    // Writes toRtf() to the file, replacing it; throws std::runtime_error on failure.
    void saveRtf(const QString& fileName) const;

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    // Repaints rect, or the whole view when rect is null; every repaint the pane asks for.
    void refreshView(const QRect& rect = QRect());

private:
    // A line's text: UTF-16, or Latin-1 for a line added as Latin-1 (a received hex dump at
    // half the memory, which is most of what a fast receive costs). Read through size(),
    // operator[] and the copies below; an edit turns it into UTF-16 first.
    class LineText {
    public:
        LineText() = default;
        LineText(QString text) : text_(std::move(text)) {}
        explicit LineText(QByteArray latin1) : text_(std::move(latin1)) {}
        qsizetype size() const { return std::visit([](const auto& t) { return t.size(); }, text_); }
        bool isEmpty() const { return size() == 0; }
        QChar operator[](qsizetype i) const;
        // Units [from, from + n) appended to `out`; n < 0: to the end. Out of range is clamped.
        void appendTo(QString& out, qsizetype from = 0, qsizetype n = -1) const;
        QString mid(qsizetype from, qsizetype n = -1) const;
        QString left(qsizetype n) const { return mid(0, n); }
        QString toString() const { return mid(0); }
        // Units [from, from + n) in place, or for Latin-1 as UTF-16 in `scratch`.
        QStringView view(QString& scratch, qsizetype from, qsizetype n) const;
        QString& edit();  // the text as UTF-16, to change in place

    private:
        std::variant<QString, QByteArray> text_;
    };
    template <typename Text>
    void addText(Text text);  // addLine() for either kind of text
    struct Edit {
        Position at;
        QString removed;
        QString inserted;
        bool typed;
    };
    // A stretch of a long line: it starts at column `column`, `x` pixels into the line.
    struct Mark {
        int column;
        qreal x;
    };
    // Replaces the text between two positions ('\n' in text starts a new line); returns the
    // end of the inserted text. Keeps the widest width up to date. Records nothing.
    Position replaceRange(Position from, Position to, const QString& text);
    // An edit of the operator's: replaces, records it for undo, moves the caret after it.
    void operatorEdit(Position from, Position to, const QString& text, bool typed);
    void insertText(const QString& text, bool typed);  // at the caret, over the selection
    QString textBetween(Position from, Position to) const;
    Position clamp(Position at) const;
    Position positionAt(const QPoint& point) const;  // viewport point -> nearest position
    int columnAtX(int line, int x) const;             // content x -> nearest column
    int xOf(Position at) const;                       // content x of a position
    qreal advance(int line, int column) const;        // width of the line up to the column
    // A long line's stretches, measured when first asked for; empty for a short line.
    const std::vector<Mark>& marksOf(int line) const;
    void forgetShapes(int fromLine);                  // lines from here on are measured again
    // The advances of hex digits and the space in the pane's font, by code (-1: another
    // character), then the kerning of each pair of them, when a text of them measures exactly
    // as the sum of its characters' advances and its pairs' kernings (checked once per font on
    // every ordered pair side by side: no ligature, no wider context); else empty.
    const std::vector<qreal>& digitAdvances() const;
    // Draws `length` units of the line from `column` with the baseline's left end at `at`,
    // through the cache of shaped pieces where the text allows.
    void drawPiece(QPainter& p, int line, int column, int length, QPointF at) const;
    void remeasureStretches(int line, std::vector<Mark> marks, int from, int oldTo, int newTo);
    Position stepLeft(Position at) const;
    Position stepRight(Position at) const;
    int visibleLines() const;
    int lineHeight() const;
    bool measure(int line);  // true when the line is the widest so far
    void updateScrollBars();
    void ensureCaretVisible();
    void restartBlink();
    void followEnd();  // scroll ranges up to date, view at the end, repaint
    void settle();     // runs a pending followEnd() now

    // Never empty: an empty pane shows one empty line. A deque, so that a long log grows
    // without moving the lines it holds (a vector's regrowth stalls the window for long).
    std::deque<LineText> lines_{LineText()};
    bool blank_ = true;                      // nothing in the pane: lineCount() is 0
    int widest_ = 0;                         // widest line painted or edited, in pixels
    // Each line's width in pixels once measured, -1 before; kept beside lines_.
    mutable std::deque<int> widths_{-1};
    mutable std::map<int, std::vector<Mark>> marks_;  // the stretches of long lines painted
    // The glyphs of pieces painted lately, by line and column, with the text they were shaped
    // from: a repaint of the same view shapes nothing again. Emptied when it grows too big.
    struct Shaped {
        QString text;
        QList<QGlyphRun> runs;
        qreal ascent = 0;
    };
    mutable std::unordered_map<quint64, Shaped> shaped_;
    mutable std::optional<std::vector<qreal>> digitAdvances_;  // digitAdvances(), once asked
    Position caret_, anchor_;
    int goalX_ = -1;  // x that up/down moves keep to
    bool caretShown_ = true;
    QBasicTimer blink_;
    QBasicTimer refresh_;  // pending followEnd() after added lines
    int firstAdded_ = INT_MAX;  // first line added since the last followEnd()
    bool stale_ = false;        // a repaint is pending: some pixels in view are not current
    bool following_ = false;    // followEnd() moves the view: its pixels move with it
    std::vector<Edit> undo_;
};
