#include "composedline.h"

#include "rowbreak.h"

#include <algorithm>
#include <climits>

namespace {

// Rows wrapped anew past the caret's at most: see wrap().
constexpr int kRowsAhead = 256;

}  // namespace

void ComposedLine::build(const TextLines& lines, TextLayout& layout, TextPosition at, const QString& text,
                         const QList<QTextLayout::FormatRange>& formats) {
    lines_ = &lines;
    layout_ = &layout;
    line_ = at.line;
    at_ = at.column;
    composed_ = text;
    length_ = int(text.size());
    text_ = std::make_unique<QTextLayout>(text, layout.font());
    text_->setFormats(formats);
    text_->beginLayout();
    text_->createLine();
    text_->endLayout();
    ownRows_ = layout.rowOfLine(line_, INT_MAX).index + 1;
    resumed_ = -1;
    if (!layout.wrapping()) {
        kept_ = 0;
        changed_.assign(1, 0);
        return;
    }
    // From the row before the caret's: a word the composition splits may now fit there.
    kept_ = std::max(0, layout.rowContaining(at).index - 1);
    changed_.assign(1, layout.rowOfLine(line_, kept_).from);
    wrap(layout.wrapWidth());
}

int ComposedLine::size() const { return lines_->length(line_) + length_; }

QChar ComposedLine::charAt(int column) const {
    if (column < at_) return (*lines_)[line_][column];
    if (column < at_ + length_) return composed_[column - at_];
    return (*lines_)[line_][column - length_];
}

qreal ComposedLine::compositionX(int column) const { return text_->lineAt(0).cursorToX(std::clamp(column, 0, length_)); }

qreal ComposedLine::x(int column) const {
    LineMetrics& metrics = layout_->metrics();
    if (column <= at_) return metrics.advance(line_, column);
    if (column <= at_ + length_) return metrics.advance(line_, at_) + compositionX(column - at_);
    return metrics.advance(line_, column - length_) + compositionX(length_);
}

int ComposedLine::fit(int from, qreal room) const {
    LineMetrics& metrics = layout_->metrics();
    if (from >= at_ + length_) return metrics.fit(line_, from - length_, room) + length_;
    qreal used = 0;
    int start = 0;  // in the composition
    if (from < at_) {
        used = metrics.advance(line_, at_) - metrics.advance(line_, from);
        if (used > room) return metrics.fit(line_, from, room);
    } else {
        start = from - at_;
    }
    const qreal base = compositionX(start);
    int k = start;
    while (k < length_) {
        const int next = text_->nextCursorPosition(k);
        if (next <= k || used + compositionX(next) - base > room) break;
        k = next;
    }
    if (k < length_) {
        // A whole character after `from` at least.
        if (at_ + k == from) k = std::max(k + 1, text_->nextCursorPosition(k));
        return at_ + k;
    }
    used += compositionX(length_) - base;
    if (at_ >= lines_->length(line_)) return at_ + length_;
    const int own = metrics.fit(line_, at_, room - used);
    if (metrics.advance(line_, own) - metrics.advance(line_, at_) > room - used) return at_ + length_;
    return own + length_;
}

// The composed line as the row break reads it.
struct ComposedLine::Source {
    ComposedLine& c;
    int rowWidth;
    int size() const { return c.size(); }
    QChar at(int column) const { return c.charAt(column); }
    int fit(int from) const { return c.fit(from, rowWidth); }
    qreal width(int from, int to) const { return c.x(to) - c.x(from); }
    qreal room() const { return rowWidth; }
    qreal overhang(QChar ch) const { return std::max<qreal>(0, -c.layout_->rightBearing(ch)); }
    QString text(int from, int to) const {
        QString out;
        out.reserve(to - from);
        for (int i = from; i < to; ++i) out += c.charAt(i);
        return out;
    }
    int previous(int column) const { return c.previousCharacter(column); }
    int next(int column) const { return c.nextCharacter(column); }
};

int ComposedLine::previousCharacter(int column) const {
    const int end = at_ + length_;
    if (column <= at_) return lines_->previousCharacter({line_, column}).column;
    if (column <= end) return at_ + text_->previousCursorPosition(column - at_);
    return std::max(end, lines_->previousCharacter({line_, column - length_}).column + length_);
}

int ComposedLine::nextCharacter(int column) const {
    if (column < at_) return std::min(at_, lines_->nextCharacter({line_, column}).column);
    if (column < at_ + length_) return at_ + text_->nextCursorPosition(column - at_);
    return lines_->nextCharacter({line_, column - length_}).column + length_;
}

void ComposedLine::wrap(int width) {
    const int end = size();
    Source source{*this, width};
    for (int from = changed_.front();;) {
        const int next = rowbreak::rowEnd(source, from);
        if (next >= end) return;
        // Past the composition, a row that starts where one of the line's own did: the rest
        // follows as before.
        if (next >= at_ + length_) {
            const TextLayout::Row own = layout_->rowContaining({line_, next - length_});
            if (own.from == next - length_) {
                resumed_ = own.index;
                return;
            }
        }
        changed_.push_back(next);
        from = next;
        // Far below the caret, out of sight while the composition lasts, the line's own rows
        // follow on from the first that starts after this one: wrapping a line of megabytes to
        // its end again on every key of the input method would take a frame's time.
        if (int(changed_.size()) > kRowsAhead && from >= at_ + length_) {
            const TextLayout::Row own = layout_->rowContaining({line_, from - length_});
            resumed_ = own.last ? -1 : own.index + 1;
            return;
        }
    }
}

int ComposedLine::rowCount() const {
    return kept_ + int(changed_.size()) + (resumed_ >= 0 ? ownRows_ - resumed_ : 0);
}

int ComposedLine::rowStart(int row) const {
    row = std::clamp(row, 0, rowCount() - 1);
    if (row < kept_) return layout_->rowOfLine(line_, row).from;
    const int changed = row - kept_;
    if (changed < int(changed_.size())) return changed_[std::size_t(changed)];
    return layout_->rowOfLine(line_, resumed_ + changed - int(changed_.size())).from + length_;
}

int ComposedLine::rowOf(int column) const {
    if (column < changed_.front()) return layout_->rowContaining({line_, column}).index;
    const int firstResumed = kept_ + int(changed_.size());
    if (resumed_ >= 0 && column >= rowStart(firstResumed))
        return layout_->rowContaining({line_, column - length_}).index - resumed_ + firstResumed;
    return kept_ + int(std::upper_bound(changed_.begin(), changed_.end(), column) - changed_.begin()) - 1;
}

int ComposedLine::columnAt(int row, qreal x) const {
    const int from = rowStart(row), to = rowEnd(row);
    const qreal lineX = x + this->x(from);
    LineMetrics& metrics = layout_->metrics();
    // The row's own text before the composition, the composition, the own text after it.
    if (from < at_ && (to <= at_ || lineX <= this->x(at_))) return metrics.columnAtX(line_, lineX, from, std::min(to, at_));
    const int compositionEnd = at_ + length_;
    if (from < compositionEnd && to > at_ && (to <= compositionEnd || lineX <= this->x(compositionEnd))) {
        const int column = at_ + text_->lineAt(0).xToCursor(lineX - this->x(at_));
        return std::clamp(column, std::max(from, at_), std::min(to, compositionEnd));
    }
    const int ownFrom = std::max(from, compositionEnd) - length_, ownTo = to - length_;
    return metrics.columnAtX(line_, lineX - compositionX(length_), ownFrom, ownTo) + length_;
}
