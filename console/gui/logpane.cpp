#include "logpane.h"

#include <QScrollBar>
#include <algorithm>

namespace {

constexpr int kRefreshMs = 16;  // added lines reach the screen within this time

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

}  // namespace

LogPane::LogPane(QWidget* parent) : TextView(parent) {
    QFont f("MS Sans Serif");
    f.setPixelSize(13);
    setFont(f);
}

void LogPane::addLine(QString text) { addText(std::move(text)); }

void LogPane::addLatin1Line(QByteArray text) { addText(std::move(text)); }

template <typename Text>
void LogPane::addText(Text text) {
    if (!refresh_.isActive()) {
        // Whether the view follows is decided when lines begin to arrive, as Qt's plain-text
        // box decides it when a line is appended: at the end, it follows.
        QScrollBar* bar = verticalScrollBar();
        follow_ = bar->value() >= bar->maximum();
    }
    auto add = [this](Text piece) {
        firstAdded_ = std::min(firstAdded_, lineCount());
        appendLine(LineText(std::move(piece)));
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

void LogPane::timerEvent(QTimerEvent* event) {
    if (event->timerId() == refresh_.timerId()) return settle();
    TextView::timerEvent(event);
}

void LogPane::followEnd() {
    updateScrollBars();
    QScrollBar* bar = verticalScrollBar();
    if (follow_) {
        // When every pixel in view is current, the view's pixels move up with the lines and
        // only the rows of the added lines are painted; else the whole view is painted again.
        scrollPixels_ = !stale_;
        bar->setValue(bar->maximum());
        scrollPixels_ = false;
    }
    const int top = rowY(std::min(firstAdded_, lineCount()) - bar->value());
    firstAdded_ = INT_MAX;
    if (top >= viewport()->height()) return;  // below the view: only the bar changes
    if ((follow_ && stale_) || top <= 0) return refreshView();
    refreshView(QRect(0, top, viewport()->width(), viewport()->height() - top));
}

void LogPane::clearAll() {
    refresh_.stop();
    firstAdded_ = INT_MAX;
    clearText();
}

