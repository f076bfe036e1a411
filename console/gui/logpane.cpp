#include "logpane.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "core/codepage.h"

namespace {

constexpr int kMargin = 4;      // left and top gap between the frame and the text
constexpr int kRefreshMs = 16;  // added lines reach the screen within this time
// A line longer than this (UTF-16 units) is measured and drawn in stretches of about this
// length, cut between graphemes, so that a paint shapes only the stretches in view.
constexpr int kStretch = 128;

// The first grapheme boundary at or after `at` in `text`. A grapheme spans a few characters
// at most: a window around `at` is enough to find it.
int graphemeBoundaryFrom(const QString& text, int at) {
    constexpr int kWindow = 32;
    if (at <= 0 || at >= text.size()) return std::clamp(at, 0, int(text.size()));
    // Between two characters below the combining marks there is always one, but in CR LF.
    const char16_t before = text[at - 1].unicode(), after = text[at].unicode();
    if (before < 0x300 && after < 0x300 && !(before == '\r' && after == '\n')) return at;
    const int start = std::max(0, at - kWindow);
    const int end = std::min(int(text.size()), at + kWindow);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.constData() + start, end - start);
    finder.setPosition(at - start);
    if (finder.isAtBoundary()) return at;
    const qsizetype next = finder.toNextBoundary();
    return next < 0 ? end : start + int(next);
}

// The text with CR LF and lone CR as '\n', the pane's only line break.
QString withLineFeeds(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// Where the kerning of a pair of characters below 128 stands in LogPane::digitAdvances().
constexpr std::size_t kerningAt(char16_t first, char16_t second) { return 128 + first * 128u + second; }

// Whether a text lays out exactly as QPainter::drawText() draws it, so that its shaped glyphs
// can be kept and drawn again: no right-to-left script, no bidirectional or other format
// control (drawText() draws left to right without reordering), no surrogate pair.
bool shapesAsDrawn(QStringView text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x0590 || (u >= 0x1100 && u < 0x2000) || (u >= 0x2070 && u < 0xD800) || (u >= 0xFF00 && u < 0xFFF0))
            continue;
        return false;
    }
    return true;
}

// Where the next CR or LF at or after `from` stands, or -1. Finds both with the library's
// vectorised search; `cr` and `lf` keep where each was found last, so that a text with many
// breaks of one kind is still searched once through (-2: not searched yet).
template <typename Text>
qsizetype nextBreak(const Text& text, qsizetype from, qsizetype& cr, qsizetype& lf) {
    if (cr != -1 && cr < from) cr = text.indexOf(typename Text::value_type(u'\r'), from);
    if (lf != -1 && lf < from) lf = text.indexOf(typename Text::value_type(u'\n'), from);
    if (cr < 0) return lf;
    if (lf < 0) return cr;
    return std::min(cr, lf);
}

// The end of `text` inserted at `at`.
LogPane::Position endOf(LogPane::Position at, const QString& text) {
    int breaks = int(text.count(QLatin1Char('\n')));
    if (breaks == 0) return {at.line, at.column + int(text.size())};
    return {at.line + breaks, int(text.size() - text.lastIndexOf(QLatin1Char('\n')) - 1)};
}

// A scroll bar that paints again only when a change of its range, page or value changes its
// picture: a log that grows by a line moves a long log's handle by less than a pixel, and
// each repaint of a bar also repaints what lies under it.
class PaneScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override {
        if (change == SliderOrientationChange || !painted_) return QScrollBar::sliderChange(change);
        const Look now = look();
        if (now.movable != painted_->movable) return QScrollBar::sliderChange(change);
        // Only what differs from the picture is painted again: where the handle was and is,
        // and an arrow whose end the bar left or reached. (A repaint of the whole bar is
        // dear: Qt hands a fill of about a hundred rows or more to worker threads.)
        QRegion changed;
        if (now.handle != painted_->handle) changed += (now.handle | painted_->handle).adjusted(-2, -2, 2, 2);
        if (now.atStart != painted_->atStart) changed += part(QStyle::SC_ScrollBarSubLine);
        if (now.atEnd != painted_->atEnd) changed += part(QStyle::SC_ScrollBarAddLine);
        if (!changed.isEmpty()) update(changed);
    }
    void paintEvent(QPaintEvent* event) override {
        painted_ = look();
        QScrollBar::paintEvent(event);
    }

private:
    // What the style draws from: the handle's place and size, and whether the bar can move
    // and stands at either end.
    struct Look {
        QRect handle;
        bool movable, atStart, atEnd;
        friend bool operator==(const Look&, const Look&) = default;
    };
    QRect part(QStyle::SubControl control) const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()->subControlRect(QStyle::CC_ScrollBar, &option, control, this);
    }
    Look look() const {
        return {part(QStyle::SC_ScrollBarSlider), minimum() < maximum(), sliderPosition() == minimum(),
                sliderPosition() == maximum()};
    }
    std::optional<Look> painted_;
};

}  // namespace

LogPane::LogPane(QWidget* parent) : QAbstractScrollArea(parent) {
    // The bars fill their own background (the window's, as under them), so that a bar's
    // repaint does not repaint the frames and boxes beneath it too.
    for (Qt::Orientation side : {Qt::Horizontal, Qt::Vertical}) {
        auto* bar = new PaneScrollBar(side);
        bar->setAutoFillBackground(true);
        side == Qt::Horizontal ? setHorizontalScrollBar(bar) : setVerticalScrollBar(bar);
    }
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShadow(QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    QFont f("MS Sans Serif");
    f.setPixelSize(13);
    setFont(f);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(1);
    // Both bars are always on, so a change of range needs no new layout; the base's relayout
    // on every change repaints the whole pane and its parents (most of a command's cost).
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()})
        QObject::disconnect(bar, SIGNAL(rangeChanged(int,int)), this, SLOT(_q_showOrHideScrollBars()));
    updateScrollBars();
}

// ---- line texts

QChar LogPane::LineText::operator[](qsizetype i) const {
    if (const auto* latin1 = std::get_if<QByteArray>(&text_)) return QLatin1Char(latin1->at(i));
    return std::get<QString>(text_)[i];
}

void LogPane::LineText::appendTo(QString& out, qsizetype from, qsizetype n) const {
    const qsizetype size = this->size();
    from = std::clamp<qsizetype>(from, 0, size);
    n = n < 0 ? size - from : std::min(n, size - from);
    if (const auto* latin1 = std::get_if<QByteArray>(&text_))
        out += QLatin1StringView(latin1->constData() + from, n);
    else
        out += QStringView(std::get<QString>(text_)).mid(from, n);
}

QString LogPane::LineText::mid(qsizetype from, qsizetype n) const {
    if (const auto* text = std::get_if<QString>(&text_)) return text->mid(from, n);  // shares a whole line
    QString out;
    appendTo(out, from, n);
    return out;
}

QStringView LogPane::LineText::view(QString& scratch, qsizetype from, qsizetype n) const {
    if (const auto* text = std::get_if<QString>(&text_)) return QStringView(*text).mid(from, n);
    scratch = mid(from, n);
    return scratch;
}

QString& LogPane::LineText::edit() {
    if (!std::holds_alternative<QString>(text_)) text_ = toString();
    return std::get<QString>(text_);
}

// ---- content

// Measuring shapes the text, which costs many times what keeping a line does: lines that the
// program adds are measured when they are first painted, the operator's edits when they are
// made, and each line once. The horizontal range so covers the widest line that has been
// shown or edited.
bool LogPane::measure(int line) {
    int& width = widths_[std::size_t(line)];
    if (width < 0) {
        const std::vector<Mark>& marks = marksOf(line);
        width = marks.empty() ? fontMetrics().horizontalAdvance(lines_[std::size_t(line)].toString())
                              : int(std::ceil(marks.back().x));
    }
    if (width <= widest_) return false;
    widest_ = width;
    return true;
}

// A long line is cut into stretches of about kStretch characters between graphemes; each is
// shaped on its own once, and the line's x positions are the sums of the stretches before.
const std::vector<LogPane::Mark>& LogPane::marksOf(int line) const {
    static const std::vector<Mark> none;
    if (lines_[std::size_t(line)].size() <= kStretch) return none;
    auto [it, added] = marks_.try_emplace(line);
    std::vector<Mark>& marks = it->second;
    if (!added) return marks;
    const QString text = lines_[std::size_t(line)].toString();
    const QFontMetricsF fm(font());
    const std::vector<qreal>& digits = digitAdvances();
    // A stretch of hex digits adds up its characters' advances where that is exact; anything
    // else is shaped.
    auto width = [&](int at, int end) {
        qreal sum = 0;
        for (int i = at; i < end && !digits.empty(); ++i) {
            const char16_t u = text[i].unicode();
            if (u >= 128 || digits[u] < 0) return fm.horizontalAdvance(text.mid(at, end - at));
            sum += digits[u];
            if (i > at) sum += digits[kerningAt(text[i - 1].unicode(), u)];
        }
        return digits.empty() ? fm.horizontalAdvance(text.mid(at, end - at)) : sum;
    };
    const int size = int(text.size());
    marks.reserve(std::size_t(size / kStretch + 2));
    marks.push_back({0, 0});
    for (int at = 0; at < size;) {
        const int end = std::max(at + 1, graphemeBoundaryFrom(text, at + kStretch));
        marks.push_back({end, marks.back().x + width(at, end)});
        at = end;
    }
    return marks;
}

const std::vector<qreal>& LogPane::digitAdvances() const {
    if (digitAdvances_) return *digitAdvances_;
    // The characters hex dumps and numbers are written in: most of what a log holds by far.
    static const QString kChars = QStringLiteral(" 0123456789ABCDEF");
    const QFontMetricsF fm(font());
    std::vector<qreal> table(128 + 128 * 128, -1);
    for (QChar c : kChars) table[c.unicode()] = fm.horizontalAdvance(c);
    for (QChar a : kChars)
        for (QChar b : kChars)
            table[kerningAt(a.unicode(), b.unicode())] =
                fm.horizontalAdvance(QString(a) + b) - table[a.unicode()] - table[b.unicode()];
    // Every ordered pair side by side; each glyph must stand where the advances and pair
    // kernings before it put it, one glyph a character, and the whole must measure as that.
    QString pairs;
    for (QChar a : kChars)
        for (QChar b : kChars) pairs.append(a).append(b);
    std::vector<qreal> expected;
    qreal sum = 0;
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        if (i > 0) sum += table[kerningAt(pairs[i - 1].unicode(), pairs[i].unicode())];
        expected.push_back(sum);
        sum += table[pairs[i].unicode()];
    }
    QTextLayout layout(pairs, font());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    std::vector<qreal> placed;
    for (const QGlyphRun& run : layout.glyphRuns())
        for (const QPointF& at : run.positions()) placed.push_back(at.x());
    std::sort(placed.begin(), placed.end());
    const bool exact = placed == expected && fm.horizontalAdvance(pairs) == sum;
    digitAdvances_ = exact ? std::move(table) : std::vector<qreal>();
    return *digitAdvances_;
}

void LogPane::forgetShapes(int fromLine) {
    marks_.erase(marks_.lower_bound(fromLine), marks_.end());
}

void LogPane::drawPiece(QPainter& p, int line, int column, int length, QPointF at) const {
    constexpr std::size_t kShapedLimit = 4096;
    QString latin1;
    const QStringView piece = lines_[std::size_t(line)].view(latin1, column, length);
    if (!shapesAsDrawn(piece)) return p.drawText(at, piece.toString());
    const quint64 key = quint64(quint32(line)) << 32 | quint32(column);
    auto it = shaped_.find(key);
    if (it == shaped_.end() || it->second.text != piece) {
        if (shaped_.size() >= kShapedLimit) shaped_.clear();
        Shaped shaped;
        shaped.text = piece.toString();
        QTextLayout layout(shaped.text, font());
        layout.beginLayout();
        const QTextLine row = layout.createLine();
        layout.endLayout();
        shaped.runs = layout.glyphRuns();
        shaped.ascent = row.ascent();
        it = shaped_.insert_or_assign(key, std::move(shaped)).first;
    }
    const QPointF origin(at.x(), at.y() - it->second.ascent);
    for (const QGlyphRun& run : it->second.runs) p.drawGlyphRun(origin, run);
}

void LogPane::addLine(QString text) { addText(std::move(text)); }

void LogPane::addLatin1Line(QByteArray text) { addText(std::move(text)); }

template <typename Text>
void LogPane::addText(Text text) {
    auto add = [this](Text piece) {
        firstAdded_ = std::min(firstAdded_, blank_ ? 0 : int(lines_.size()));
        if (blank_) {
            lines_.front() = LineText(std::move(piece));
            widths_.front() = -1;
            forgetShapes(0);
            blank_ = false;
        } else {
            lines_.emplace_back(std::move(piece));
            widths_.push_back(-1);
        }
    };
    // The usual texts, without a break or with one CR LF at the end, are kept without a copy;
    // so is the last piece of any text (dropping a QString's head does not move its data).
    qsizetype cr = -2, lf = -2;
    const qsizetype at = nextBreak(text, 0, cr, lf), size = text.size();
    if (at < 0) {
        add(std::move(text));
    } else if (at == size - 2 && text.at(at) == u'\r' && text.at(at + 1) == u'\n') {
        text.chop(2);
        add(std::move(text));
        add(Text());
    } else {
        // The pieces between breaks, CR LF counting as one.
        qsizetype start = 0;
        for (qsizetype i = at; i >= 0; i = nextBreak(text, start, cr, lf)) {
            add(text.mid(start, i - start));
            if (text.at(i) == u'\r' && i + 1 < size && text.at(i + 1) == u'\n') ++i;
            start = i + 1;
        }
        if (start < size) {
            text.remove(0, start);
            add(std::move(text));
        } else {
            add(Text());
        }
    }
    // The view follows at most once a frame: a burst of lines costs one repaint, not one each.
    if (!refresh_.isActive()) refresh_.start(kRefreshMs, this);
}

void LogPane::settle() {
    if (!refresh_.isActive()) return;
    refresh_.stop();
    followEnd();
}

void LogPane::refreshView(const QRect& rect) {
    stale_ = true;
    if (rect.isNull()) viewport()->update();
    else viewport()->update(rect);
}

void LogPane::followEnd() {
    updateScrollBars();
    QScrollBar* bar = verticalScrollBar();
    // When every pixel in view is current, the view's pixels move up with the lines and only
    // the rows of the added lines are painted; else the whole view is painted again.
    following_ = !stale_;
    bar->setValue(bar->maximum());
    following_ = false;
    const int top = kMargin + (std::min(firstAdded_, int(lines_.size())) - bar->value()) * lineHeight();
    firstAdded_ = INT_MAX;
    if (stale_ || top <= 0) return refreshView();
    if (top < viewport()->height()) refreshView(QRect(0, top, viewport()->width(), viewport()->height() - top));
}

int LogPane::lineCount() const { return blank_ ? 0 : int(lines_.size()); }

QString LogPane::line(int index) const {
    if (index < 0 || index >= lineCount()) return {};
    return lines_[std::size_t(index)].toString();
}

QString LogPane::toPlainText() const { return textBetween({0, 0}, endPosition()); }

void LogPane::clearAll() {
    refresh_.stop();
    lines_.assign(1, LineText());
    lines_.shrink_to_fit();
    widths_.assign(1, -1);
    widths_.shrink_to_fit();
    marks_.clear();
    shaped_.clear();
    blank_ = true;
    widest_ = 0;
    caret_ = anchor_ = {};
    goalX_ = -1;
    undo_.clear();
    updateScrollBars();
    refreshView();
}

void LogPane::setPlainText(const QString& text) {
    clearAll();
    // As added lines, measured when they are painted.
    const QStringList pieces = withLineFeeds(text).split(QLatin1Char('\n'));
    lines_.assign(pieces.begin(), pieces.end());
    widths_.assign(lines_.size(), -1);
    blank_ = lines_.size() == 1 && lines_.front().isEmpty();
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
}

LogPane::Position LogPane::endPosition() const {
    return {int(lines_.size()) - 1, int(lines_.back().size())};
}

LogPane::Position LogPane::clamp(Position at) const {
    at.line = std::clamp(at.line, 0, int(lines_.size()) - 1);
    at.column = std::clamp(at.column, 0, int(lines_[std::size_t(at.line)].size()));
    return at;
}

QString LogPane::textBetween(Position from, Position to) const {
    from = clamp(from);
    to = clamp(to);
    if (to <= from) return {};
    const LineText& first = lines_[std::size_t(from.line)];
    if (from.line == to.line) return first.mid(from.column, to.column - from.column);
    QString out = first.mid(from.column);
    for (int i = from.line + 1; i < to.line; ++i) {
        out += u'\n';
        lines_[std::size_t(i)].appendTo(out);
    }
    out += u'\n';
    lines_[std::size_t(to.line)].appendTo(out, 0, to.column);
    return out;
}

QString LogPane::selectedText() const { return textBetween(std::min(caret_, anchor_), std::max(caret_, anchor_)); }

LogPane::Position LogPane::replaceRange(Position from, Position to, const QString& text) {
    from = clamp(from);
    to = clamp(to);
    if (to < from) std::swap(from, to);
    const QString tail = lines_[std::size_t(to.line)].mid(to.column);
    const QStringList pieces = text.split(QLatin1Char('\n'));
    // An edit inside one long line moves the stretches after it; only those it touches are
    // measured again, so that typing into a line of megabytes stays quick.
    auto kept = marks_.find(from.line);
    std::vector<Mark> moved;
    if (from.line == to.line && pieces.size() == 1 && kept != marks_.end()) moved = std::move(kept->second);
    forgetShapes(from.line);
    QString& head = lines_[std::size_t(from.line)].edit();
    head.truncate(from.column);
    head += pieces.front();
    // Erasing and inserting move lines: no reference into the list is held across them.
    lines_.erase(lines_.begin() + from.line + 1, lines_.begin() + to.line + 1);
    widths_.erase(widths_.begin() + from.line + 1, widths_.begin() + to.line + 1);
    if (pieces.size() > 1) {
        lines_.insert(lines_.begin() + from.line + 1, pieces.begin() + 1, pieces.end());
        widths_.insert(widths_.begin() + from.line + 1, std::size_t(pieces.size() - 1), -1);
    }
    const int lastLine = from.line + int(pieces.size()) - 1;
    QString& last = lines_[std::size_t(lastLine)].edit();
    Position end{lastLine, int(last.size())};
    last += tail;
    if (!moved.empty()) remeasureStretches(from.line, std::move(moved), from.column, to.column, end.column);
    for (int i = from.line; i <= lastLine; ++i) {
        widths_[std::size_t(i)] = -1;
        measure(i);
    }
    return end;
}

// The line's text between columns `from` and `oldTo` of `marks` is now the text between `from`
// and `newTo`. The stretches around the change are cut and measured again; those before it
// stay, those after it move.
void LogPane::remeasureStretches(int line, std::vector<Mark> marks, int from, int oldTo, int newTo) {
    const QString text = lines_[std::size_t(line)].toString();
    if (text.size() <= kStretch) return;
    // The stretch before the one holding `from` too: a grapheme may now join across them.
    auto first = std::upper_bound(marks.begin(), marks.end(), from, [](int c, const Mark& m) { return c < m.column; });
    std::size_t start = std::size_t(std::max<std::ptrdiff_t>(0, first - marks.begin() - 2));
    auto after = std::upper_bound(marks.begin(), marks.end(), oldTo, [](int c, const Mark& m) { return c < m.column; });
    const int delta = newTo - oldTo;
    const QFontMetricsF fm(font());
    std::vector<Mark> out(marks.begin(), marks.begin() + std::ptrdiff_t(start) + 1);
    // Up to the next stretch that the change left alone (or the end).
    const int stop = after == marks.end() ? int(text.size()) : after->column + delta;
    for (int at = out.back().column; at < stop;) {
        const int end = std::clamp(graphemeBoundaryFrom(text, at + kStretch), at + 1, stop);
        out.push_back({end, out.back().x + fm.horizontalAdvance(text.mid(at, end - at))});
        at = end;
    }
    if (after != marks.end()) {
        const qreal shift = out.back().x - after->x;
        for (auto it = after + 1; it != marks.end(); ++it) out.push_back({it->column + delta, it->x + shift});
    }
    marks_[line] = std::move(out);
}

void LogPane::operatorEdit(Position from, Position to, const QString& text, bool typed) {
    from = clamp(from);
    to = clamp(to);
    if (to < from) std::swap(from, to);
    QString removed = textBetween(from, to);
    if (removed.isEmpty() && text.isEmpty()) return;
    Position end = replaceRange(from, to, text);
    blank_ = lines_.size() == 1 && lines_.front().isEmpty();
    // A run of typed characters is one step of undo.
    bool merged = false;
    if (typed && removed.isEmpty() && !undo_.empty()) {
        Edit& prev = undo_.back();
        if (prev.typed && prev.removed.isEmpty() && endOf(prev.at, prev.inserted) == from) {
            prev.inserted += text;
            merged = true;
        }
    }
    if (!merged) undo_.push_back({from, std::move(removed), text, typed});
    caret_ = anchor_ = end;
    goalX_ = -1;
    updateScrollBars();
    ensureCaretVisible();
    restartBlink();
    refreshView();
}

void LogPane::insertText(const QString& text, bool typed) {
    operatorEdit(caret_, anchor_, text, typed && !text.contains(QLatin1Char('\n')));
}

void LogPane::undoOperatorEdit() {
    if (undo_.empty()) return;
    Edit e = std::move(undo_.back());
    undo_.pop_back();
    caret_ = anchor_ = replaceRange(e.at, endOf(e.at, e.inserted), e.removed);
    blank_ = lines_.size() == 1 && lines_.front().isEmpty();
    goalX_ = -1;
    updateScrollBars();
    ensureCaretVisible();
    refreshView();
}

void LogPane::cutSelection() {
    if (!hasSelection()) return;
    copySelection();
    operatorEdit(caret_, anchor_, QString(), false);
}

void LogPane::copySelection() {
    if (hasSelection()) QApplication::clipboard()->setText(selectedText());
}

void LogPane::pasteClipboard() {
    const QString text = withLineFeeds(QApplication::clipboard()->text());
    if (!text.isEmpty()) insertText(text, false);
}

void LogPane::selectAll() {
    settle();
    anchor_ = {0, 0};
    caret_ = endPosition();
    refreshView();
}

void LogPane::setCaret(Position at, bool keepAnchor) {
    settle();
    caret_ = clamp(at);
    if (!keepAnchor) anchor_ = caret_;
    ensureCaretVisible();
    restartBlink();
    refreshView();
}

// ---- geometry

int LogPane::lineHeight() const { return std::max(1, fontMetrics().lineSpacing()); }

int LogPane::visibleLines() const { return std::max(1, (viewport()->height() - kMargin) / lineHeight()); }

qreal LogPane::advance(int line, int column) const {
    const LineText& text = lines_[std::size_t(line)];
    const std::vector<Mark>& marks = marksOf(line);
    if (marks.empty()) return fontMetrics().horizontalAdvance(text.left(column));
    auto next = std::upper_bound(marks.begin(), marks.end(), column, [](int c, const Mark& m) { return c < m.column; });
    const Mark& start = *(next - 1);
    if (start.column == column) return start.x;
    return start.x + QFontMetricsF(font()).horizontalAdvance(text.mid(start.column, column - start.column));
}

int LogPane::xOf(Position at) const {
    at = clamp(at);
    return kMargin + qRound(advance(at.line, at.column));
}

int LogPane::columnAtX(int line, int x) const {
    const LineText& text = lines_[std::size_t(line)];
    x -= kMargin;
    // Of a long line, only the stretch that holds x is searched.
    int lo = 0, hi = int(text.size());
    const std::vector<Mark>& marks = marksOf(line);
    if (!marks.empty()) {
        auto next = std::upper_bound(marks.begin(), marks.end(), qreal(x), [](qreal v, const Mark& m) { return v < m.x; });
        if (next == marks.end()) return hi;
        lo = next == marks.begin() ? 0 : (next - 1)->column;
        hi = next->column;
    }
    // The first column whose right neighbour's midpoint lies past x.
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        qreal left = advance(line, mid);
        qreal right = advance(line, mid + 1);
        if ((left + right) / 2 < x) lo = mid + 1;
        else hi = mid;
    }
    if (lo > 0 && lo < text.size() && text[lo].isLowSurrogate()) ++lo;
    return lo;
}

LogPane::Position LogPane::positionAt(const QPoint& point) const {
    int row = point.y() < kMargin ? -1 : (point.y() - kMargin) / lineHeight();
    int line = std::clamp(verticalScrollBar()->value() + row, 0, int(lines_.size()) - 1);
    if (point.y() < 0) line = std::max(0, verticalScrollBar()->value() - 1);
    return {line, columnAtX(line, point.x() + horizontalScrollBar()->value())};
}

QRect LogPane::cursorRect() const {
    int row = caret_.line - verticalScrollBar()->value();
    return {xOf(caret_) - horizontalScrollBar()->value(), kMargin + row * lineHeight(), 1, lineHeight()};
}

LogPane::Position LogPane::stepLeft(Position at) const {
    if (at.column == 0) return at.line == 0 ? at : Position{at.line - 1, int(lines_[std::size_t(at.line - 1)].size())};
    const LineText& text = lines_[std::size_t(at.line)];
    int c = at.column - 1;
    if (c > 0 && text[c].isLowSurrogate() && text[c - 1].isHighSurrogate()) --c;
    return {at.line, c};
}

LogPane::Position LogPane::stepRight(Position at) const {
    const LineText& text = lines_[std::size_t(at.line)];
    if (at.column >= text.size()) return at.line + 1 < int(lines_.size()) ? Position{at.line + 1, 0} : at;
    int c = at.column + 1;
    if (c < text.size() && text[c].isLowSurrogate() && text[c - 1].isHighSurrogate()) ++c;
    return {at.line, c};
}

void LogPane::updateScrollBars() {
    QScrollBar* v = verticalScrollBar();
    int visible = visibleLines();
    v->setRange(0, std::max(0, int(lines_.size()) - visible));
    v->setPageStep(visible);
    QScrollBar* h = horizontalScrollBar();
    int width = viewport()->width();
    h->setRange(0, std::max(0, widest_ + 2 * kMargin - width));
    h->setPageStep(std::max(1, width));
}

void LogPane::ensureCaretVisible() {
    QScrollBar* v = verticalScrollBar();
    int visible = visibleLines();
    if (caret_.line < v->value()) v->setValue(caret_.line);
    else if (caret_.line >= v->value() + visible) v->setValue(caret_.line - visible + 1);
    QScrollBar* h = horizontalScrollBar();
    int x = xOf(caret_);
    int width = viewport()->width();
    if (x - kMargin < h->value()) h->setValue(std::max(0, x - width / 3));
    else if (x + kMargin > h->value() + width) h->setValue(x + kMargin - width + width / 3);
}

void LogPane::scrollContentsBy(int dx, int dy) {
    // The top margin shows no line: lines moved into it are painted over.
    if (following_ && std::abs(dy) < visibleLines()) {
        viewport()->scroll(dx, dy * lineHeight());
        refreshView(QRect(0, 0, viewport()->width(), kMargin));
    } else {
        refreshView();
    }
}

void LogPane::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void LogPane::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        // A new font changes every width: the lines are measured again as they are painted.
        widest_ = 0;
        std::fill(widths_.begin(), widths_.end(), -1);
        marks_.clear();
        shaped_.clear();
        digitAdvances_.reset();
        updateScrollBars();
        refreshView();
    }
}

// ---- painting

void LogPane::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    p.setFont(font());
    const QPalette& pal = palette();
    const int h = lineHeight();
    const int ascent = fontMetrics().ascent();
    const int dx = horizontalScrollBar()->value();
    const int first = verticalScrollBar()->value();
    const QRect area = event->rect();
    const int from = std::max(first, first + (area.top() - kMargin) / h);
    const int to = std::min(int(lines_.size()) - 1, first + (area.bottom() - kMargin) / h);
    const Position selFrom = std::min(caret_, anchor_), selTo = std::max(caret_, anchor_);
    // The selection stays visible, in the active colours, when the focus is elsewhere.
    const QColor highlight = pal.color(QPalette::Active, QPalette::Highlight);
    const QColor highlighted = pal.color(QPalette::Active, QPalette::HighlightedText);
    const int width = viewport()->width();
    // A short line is drawn whole; of a long line, the stretches in view (and a little to
    // either side, for glyphs that reach past their advance).
    auto draw = [&](int i, int baseline) {
        const LineText& text = lines_[std::size_t(i)];
        const std::vector<Mark>& marks = marksOf(i);
        if (marks.empty()) return drawPiece(p, i, 0, int(text.size()), QPointF(kMargin - dx, baseline));
        const qreal left = dx - kMargin - h, right = dx - kMargin + width + h;
        auto next = std::upper_bound(marks.begin(), marks.end(), left, [](qreal v, const Mark& m) { return v < m.x; });
        for (auto m = next == marks.begin() ? next : next - 1; m + 1 != marks.end() && m->x < right; ++m)
            drawPiece(p, i, m->column, (m + 1)->column - m->column, QPointF(kMargin - dx + m->x, baseline));
    };
    bool wider = false;
    for (int i = from; i <= to; ++i) {
        const LineText& text = lines_[std::size_t(i)];
        wider |= measure(i);
        const int top = kMargin + (i - first) * h;
        const int x = kMargin - dx;
        p.setPen(pal.color(QPalette::Text));
        draw(i, top + ascent);
        if (selFrom < selTo && selFrom.line <= i && i <= selTo.line) {
            int left = i == selFrom.line ? xOf(selFrom) - dx : x;
            int right = i == selTo.line ? xOf(selTo) - dx : xOf({i, int(text.size())}) - dx + fontMetrics().horizontalAdvance(' ');
            QRect band(left, top, std::max(0, std::min(right, width) - left), h);
            p.fillRect(band, highlight);
            p.save();
            p.setClipRect(band);
            p.setPen(highlighted);
            draw(i, top + ascent);
            p.restore();
        }
    }
    if (hasFocus() && caretShown_) p.fillRect(cursorRect(), pal.color(QPalette::Text));
    stale_ = false;  // Qt paints all that is dirty in one paint
    if (wider) updateScrollBars();
}

void LogPane::restartBlink() {
    caretShown_ = true;
    int period = QApplication::cursorFlashTime() / 2;
    if (hasFocus() && period > 0) blink_.start(period, this);
    else blink_.stop();
}

void LogPane::timerEvent(QTimerEvent* event) {
    if (event->timerId() == refresh_.timerId()) return settle();
    if (event->timerId() != blink_.timerId()) return QAbstractScrollArea::timerEvent(event);
    caretShown_ = !caretShown_;
    refreshView(cursorRect());
}

void LogPane::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    refreshView();
}

void LogPane::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blink_.stop();
    refreshView();
}

// ---- operator input

void LogPane::keyPressEvent(QKeyEvent* event) {
    settle();
    if (event->matches(QKeySequence::Undo)) return undoOperatorEdit();
    if (event->matches(QKeySequence::Redo)) return;
    if (event->matches(QKeySequence::Cut)) return cutSelection();
    if (event->matches(QKeySequence::Copy)) return copySelection();
    if (event->matches(QKeySequence::Paste)) return pasteClipboard();
    if (event->matches(QKeySequence::SelectAll)) return selectAll();

    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    auto moveTo = [&](Position at, bool keepGoal = false) {
        int goal = goalX_;
        setCaret(at, shift);
        goalX_ = keepGoal ? goal : -1;
    };
    auto vertical = [&](int lines) {
        if (goalX_ < 0) goalX_ = xOf(caret_);
        int target = std::clamp(caret_.line + lines, 0, int(lines_.size()) - 1);
        moveTo({target, columnAtX(target, goalX_)}, true);
    };
    const Position selFrom = std::min(caret_, anchor_), selTo = std::max(caret_, anchor_);
    switch (event->key()) {
    case Qt::Key_Left:
        return moveTo(hasSelection() && !shift ? selFrom : stepLeft(caret_));
    case Qt::Key_Right:
        return moveTo(hasSelection() && !shift ? selTo : stepRight(caret_));
    case Qt::Key_Up:
        return vertical(-1);
    case Qt::Key_Down:
        return vertical(1);
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        int page = visibleLines() * (event->key() == Qt::Key_PageUp ? -1 : 1);
        QScrollBar* v = verticalScrollBar();
        v->setValue(v->value() + page);
        return vertical(page);
    }
    case Qt::Key_Home:
        return moveTo(ctrl ? Position{0, 0} : Position{caret_.line, 0});
    case Qt::Key_End:
        return moveTo(ctrl ? endPosition() : Position{caret_.line, int(lines_[std::size_t(caret_.line)].size())});
    case Qt::Key_Backspace:
        if (hasSelection()) return operatorEdit(selFrom, selTo, QString(), false);
        return operatorEdit(stepLeft(caret_), caret_, QString(), false);
    case Qt::Key_Delete:
        if (hasSelection()) return operatorEdit(selFrom, selTo, QString(), false);
        return operatorEdit(caret_, stepRight(caret_), QString(), false);
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return insertText(QStringLiteral("\n"), false);
    default:
        break;
    }
    const QString text = event->text();
    if (!ctrl && !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); }))
        return insertText(text, true);
    QAbstractScrollArea::keyPressEvent(event);
}

void LogPane::inputMethodEvent(QInputMethodEvent* event) {
    settle();
    if (event->replacementLength() > 0) {
        Position from = clamp({caret_.line, caret_.column + event->replacementStart()});
        Position to = clamp({from.line, from.column + event->replacementLength()});
        caret_ = anchor_ = from;
        operatorEdit(from, to, QString(), false);
    }
    if (!event->commitString().isEmpty()) {
        insertText(withLineFeeds(event->commitString()), true);
    }
    event->accept();
}

QVariant LogPane::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return cursorRect();
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return caret_.column;
    case Qt::ImAnchorPosition:
        return anchor_.line == caret_.line ? anchor_.column : caret_.column;
    case Qt::ImSurroundingText:
        return lines_[std::size_t(caret_.line)].toString();
    case Qt::ImCurrentSelection:
        return selectedText();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void LogPane::mousePressEvent(QMouseEvent* event) {
    settle();
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    setCaret(positionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
    goalX_ = -1;
}

void LogPane::mouseMoveEvent(QMouseEvent* event) {
    settle();
    if (!(event->buttons() & Qt::LeftButton)) return QAbstractScrollArea::mouseMoveEvent(event);
    setCaret(positionAt(event->position().toPoint()), true);
    goalX_ = -1;
}

// ---- saving

namespace {

// The Unicode control word of one UTF-16 unit (a signed 16-bit number), announcing how many
// fallback bytes follow, then those bytes as hex escapes for readers that take only the
// document's code page.
void appendUnicode(QByteArray& out, char16_t unit, const std::string& fallback) {
    out += "\\uc" + QByteArray::number(static_cast<int>(fallback.size())) + "\\u" +
           QByteArray::number(static_cast<int>(static_cast<int16_t>(unit)));
    for (unsigned char byte : fallback) {
        static const char digits[] = "0123456789abcdef";
        out += "\\'";
        out += digits[byte >> 4];
        out += digits[byte & 0xF];
    }
}

}  // namespace

QByteArray LogPane::toRtf() const {
    QByteArray out =
        "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 MS Sans Serif;}}\r\n"
        "\\viewkind4\\uc1\\pard\\f0\\fs20 ";
    console::Cp936Encoder cp936;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        for (QChar ch : lines_[i].toString()) {
            char16_t u = ch.unicode();
            if (u == '\\' || u == '{' || u == '}') {
                out += '\\';
                out += static_cast<char>(u);
            } else if (u == '\t') {
                out += "\\tab ";
            } else if (u >= 0x20 && u < 0x80) {
                out += static_cast<char>(u);
            } else if (u >= 0x80) {
                // The character's code page 936 bytes as its fallback, or "?" where it has none.
                // A character beyond U+FFFF goes as its two UTF-16 halves, each with "?".
                std::string bytes = QChar::isSurrogate(u) ? std::string() : cp936.bytes(u);
                appendUnicode(out, u, bytes.empty() ? "?" : bytes);
            }
        }
        if (i + 1 < lines_.size()) out += "\\par\r\n";
    }
    out += "\\par\r\n}\r\n";
    return out;
}

void LogPane::saveRtf(const QString& fileName) const {
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(
            QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()).toStdString());
    QByteArray rtf = toRtf();
    if (file.write(rtf) != rtf.size() || !file.flush())
        throw std::runtime_error(
            QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString()).toStdString());
}
