#include "linemetrics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "linekeyed.h"

namespace {

using Symbol = FontAdvances::Symbol;
constexpr float kContext = FontAdvances::kContext;

// A line longer than this (UTF-16 units) keeps marks, at least this far apart.
constexpr int kStretch = 128;
// A run shaped whole is cut after a blank once it is this long, or where it is twice as long.
constexpr int kChunk = 128;

bool byColumn(int c, const LineMetrics::Mark& m) { return c < m.column; }
bool byX(qreal x, const LineMetrics::Mark& m) { return x < m.x; }

// One step of a walk along a line: a whole character whose advance and kerning add up, or a
// piece of a run shaped whole.
struct WalkStep {
    int from = 0;
    int to = 0;
    qreal x0 = 0;  // x at `from` and at `to`
    qreal x1 = 0;
    bool exact = true;     // where the shaping of the whole line puts it
    LineMetrics::Mark end;  // where the walk stands at `to`
    // Of a run: its text, and the boundaries of whole characters inside it.
    bool run = false;
    QString text;
    FontAdvances::Script script = QChar::Script_Common;  // of the item it starts in
    std::vector<int> inner;
};

// A walk along a line from a mark, a step at a time. A character adds its advance and the
// kerning with the next one when it pairs up with the characters on both sides of it (so its
// glyph is its own and kerns as a pair); where that fails, the characters up to the next place
// where it holds again form a run, shaped whole, in pieces of about kChunk units cut after a
// blank. Where steps end depends only on the text, so that every walk over a line, from
// whatever mark, finds the same x.
template <typename View>
class LineWalk {
public:
    LineWalk(FontAdvances& advances, const TextLines& lines, int line, View text, const LineMetrics::Mark& from)
        : advances_(advances), lines_(lines), line_(line), text_(text), size_(int(text.size())), next_(from.column),
          loadScript_(from.script), x_(from.x), inRun_(from.inRun), joins_(from.joins), script_(from.script) {}

    bool next(WalkStep& step);

    // Takes plain steps at full speed for as long as keep(to, x, script) allows each (the
    // place, x and item script after the step), over characters of one code point that stand
    // alone and pair up on both sides, as next() would take them one by one.
    template <typename Keep>
    void fastForward(Keep&& keep);

    // Where the walk stands, and the mark of a place a plain step ends at.
    int column() const { return count() ? window_[head_].start : next_; }
    qreal x() const { return x_; }
    static LineMetrics::Mark plainMark(int column, qreal x, FontAdvances::Script script) {
        return {column, x, false, true, script};
    }
    FontAdvances::Script script() const { return script_; }

    // The x of a boundary within a step, or of the last one before a column inside it.
    qreal xAt(const WalkStep& step, int column) {
        if (column >= step.to) return step.x1;
        if (!step.run) return step.x0;
        auto at = std::upper_bound(step.inner.begin(), step.inner.end(), column);
        if (at == step.inner.begin()) return step.x0;
        return step.x0 + advances_.xInRun(step.text, step.script, *(at - 1) - step.from);
    }

private:
    static constexpr float kUnasked = std::numeric_limits<float>::lowest();
    // A character fastForward() may take: one code point, standing alone, plain in the item
    // it stands in.
    struct Simple {
        int end;
        Symbol symbol;
        FontAdvances::Context* context;
        float advance;
        bool startsItem;
    };
    // Reads the character at `at` as a Simple one, in the item read ahead so far (ahead_,
    // which it moves on where an item begins).
    bool simple(int at, Simple& out) {
        char32_t c = unit(at);
        int length = 1;
        if (QChar::isSurrogate(c)) {
            if (!QChar::isHighSurrogate(c) || at + 1 >= size_ || !QChar::isLowSurrogate(unit(at + 1))) return false;
            c = QChar::surrogateToUcs4(char16_t(c), unit(at + 1));
            length = 2;
        }
        FontAdvances::Script script = ahead_;
        const bool starts = FontAdvances::itemScript(script, c);
        FontAdvances::Context& context = advances_.in(script);
        const Symbol symbol = advances_.symbol(c);
        if (!context.plain(symbol, c)) return false;
        ahead_ = script;
        out = {at + length, symbol, &context, context.advance(symbol), starts};
        return true;
    }
    // Two items are shaped apart: nothing kerns across their border.
    static float pairKerning(const Simple& a, const Simple& b) {
        return b.startsItem ? 0.f : a.context->kerning(a.symbol, b.symbol);
    }
    template <typename Keep>
    bool unitsAhead(Keep& keep);
    template <typename Keep>
    bool oneAhead(Keep& keep);

    struct Cluster {
        int start;
        int end;
        Symbol symbol;
        FontAdvances::Context* context;  // of the item it stands in
        float advance;
        float kerning;  // with the next character
        bool startsItem;
        FontAdvances::Script script;  // of the item after it
    };

    char32_t codePoint(int i, int& length) const {
        const char16_t u = char16_t(text_[i].unicode());
        if constexpr (std::is_same_v<View, QStringView>) {
            if (QChar::isHighSurrogate(u) && i + 1 < size_) {
                const char16_t v = char16_t(text_[i + 1].unicode());
                if (QChar::isLowSurrogate(v)) {
                    length = 2;
                    return QChar::surrogateToUcs4(u, v);
                }
            }
        }
        length = 1;
        return u;
    }
    QString textOf(int from, int to) const {
        QString out;
        out.append(text_.mid(from, to - from));
        return out;
    }

    // The whole character that starts at `at`: up to the next code point where a boundary is
    // sure to stand, else where the text's own boundaries put its end.
    Cluster load(int at) {
        int length = 0;
        const char32_t u = codePoint(at, length);
        // The item it stands in, as Qt's layout finds items.
        const bool startsItem = FontAdvances::itemScript(loadScript_, u);
        int end = at + length;
        Symbol s = 0;
        if (end < size_) {
            int next = 0;
            const char32_t v = codePoint(end, next);
            // Qt tailors boundaries in the items of some scripts (the Indic ones, Thai, ...).
            if (!FontAdvances::contextFree(loadScript_)) {
                end = lines_.nextCharacter({line_, at}).column;
            } else if (!advances_.alone(u) || !advances_.alone(v)) {
                const FontAdvances::Cluster cluster = clusterAt(at, end, u);
                end = at + cluster.length;
                s = cluster.symbol;
            }
        }
        if (!s) s = end - at == length ? advances_.symbol(u) : advances_.symbol(textOf(at, end));
        for (int i = at + length; i < end; i += length) FontAdvances::itemScript(loadScript_, codePoint(i, length));
        FontAdvances::Context& context = advances_.in(loadScript_);
        return {at, end, s, &context, context.advance(s), kUnasked, startsItem, loadScript_};
    }
    char16_t unit(int i) const { return char16_t(text_[i].unicode()); }
    // The whole character at `at` (a boundary, in an item of a context-free script) as the
    // line's boundaries have it: kept by the text up to the first place a boundary is sure to
    // stand, which is all that decides it.
    FontAdvances::Cluster clusterAt(int at, int second, char32_t first) {
        int sure = second;
        for (char32_t before = first; sure < size_;) {
            int length = 0;
            const char32_t c = codePoint(sure, length);
            if (advances_.alone(before) && advances_.alone(c)) break;
            before = c;
            sure += length;
        }
        QString scratch;
        const QStringView decides = viewOf(at, sure, scratch);
        if (const FontAdvances::Cluster known = advances_.cluster(decides); known.length) return known;
        return advances_.setCluster(decides, lines_.nextCharacter({line_, at}).column - at);
    }
    QStringView viewOf(int from, int to, QString& scratch) const {
        if constexpr (std::is_same_v<View, QStringView>) {
            return text_.mid(from, to - from);
        } else {
            scratch = textOf(from, to);
            return scratch;
        }
    }
    std::size_t count() const { return window_.size() - head_; }
    Cluster& at(std::size_t i) { return window_[head_ + i]; }
    // At least n characters ahead, unless the line ends first.
    bool ensure(std::size_t n) {
        while (count() < n && next_ < size_) {
            window_.push_back(load(next_));
            next_ = window_.back().end;
        }
        return count() >= n;
    }
    void pop(std::size_t n) {
        head_ += n;
        if (head_ > 64) {
            window_.erase(window_.begin(), window_.begin() + std::ptrdiff_t(head_));
            head_ = 0;
        }
    }
    // The kerning of the characters at i and i + 1, kContext where they do not add up. Two
    // items are shaped apart: nothing kerns across their border.
    float kerningAfter(std::size_t i) {
        Cluster& c = at(i);
        if (c.kerning == kUnasked) {
            const Cluster& next = at(i + 1);
            if (!next.startsItem) c.kerning = c.context->kerning(c.symbol, next.symbol);
            else c.kerning = c.advance != kContext && next.advance != kContext ? 0.f : kContext;
        }
        return c.kerning;
    }
    // Whether the characters at i and i + 1 add up as a pair (so past the line's end).
    bool pairs(std::size_t i) { return !ensure(i + 2) || kerningAfter(i) != kContext; }

    FontAdvances& advances_;
    const TextLines& lines_;
    const int line_;
    const View text_;
    const int size_;
    int next_;  // where the next character to load starts
    FontAdvances::Script loadScript_;  // of the item there
    std::vector<Cluster> window_;
    std::size_t head_ = 0;  // the character the walk stands before
    qreal x_;
    bool inRun_;
    bool joins_;              // the characters either side of where the walk stands pair up
    bool runStarts_ = false;  // the run begins where the walk stands
    FontAdvances::Script script_;  // of the item where the walk stands
    FontAdvances::Script ahead_ = QChar::Script_Common;  // of the item oneAhead() reads in
    // The characters oneAhead() read after the one it took: where they start, the item the
    // walk stood in then and the item read ahead to.
    Simple read_[2];
    int readCount_ = 0;
    int readAt_ = -1;
    FontAdvances::Script readFrom_ = QChar::Script_Common;
    FontAdvances::Script readAhead_ = QChar::Script_Common;
};

template <typename View>
bool LineWalk<View>::next(WalkStep& step) {
    if (!ensure(1)) return false;
    step.from = at(0).start;
    step.x0 = x_;
    step.run = false;
    step.exact = true;
    step.inner.clear();
    if (!inRun_) {
        // The character pairs up with the next one, and the next one with the one after it.
        if (at(0).advance != kContext && pairs(0) && pairs(1)) {
            const float kerning = count() > 1 ? kerningAfter(0) : 0.f;
            const Cluster& c = at(0);
            x_ += qreal(c.advance) + qreal(kerning);
            step.to = c.end;
            step.x1 = x_;
            script_ = c.script;
            step.end = {step.to, x_, false, true, script_};
            pop(1);
            return true;
        }
        inRun_ = true;
        runStarts_ = true;
    }
    // A piece of a run: up to where characters pair up on both sides again, or cut.
    std::size_t n = 1;
    bool cut = false;
    for (; ensure(n + 1); ++n) {
        const bool before = n >= 2 ? kerningAfter(n - 2) != kContext : joins_;
        if (before && kerningAfter(n - 1) != kContext && pairs(n)) {
            cut = true;
            break;
        }
        const int units = at(n).start - at(0).start;
        if ((units >= kChunk && QChar(text_[at(n - 1).start]).isSpace()) || units >= 2 * kChunk) break;
    }
    const bool atEnd = count() == n;
    step.to = at(n - 1).end;
    step.run = true;
    step.text = textOf(step.from, step.to);
    for (std::size_t i = 1; i < n; ++i) step.inner.push_back(at(i).start);
    step.script = script_;
    const FontAdvances::Run run = advances_.run(step.text, script_);
    x_ += run.width + (cut ? qreal(kerningAfter(n - 1)) : 0);
    step.x1 = x_;
    step.exact = run.exact && runStarts_ && (cut || atEnd);
    joins_ = atEnd || kerningAfter(n - 1) != kContext;
    inRun_ = !cut && !atEnd;
    runStarts_ = false;
    script_ = at(n - 1).script;
    step.end = {step.to, x_, inRun_, joins_, script_};
    pop(n);
    return true;
}

template <typename View>
template <typename Keep>
void LineWalk<View>::fastForward(Keep&& keep) {
    if (inRun_) return;
    // What next() loaded ahead is loaded again when it is needed.
    if (count()) {
        next_ = at(0).start;
        window_.clear();
        head_ = 0;
    }
    while (unitsAhead(keep) && oneAhead(keep)) {
    }
    loadScript_ = script_;
}

// Takes units plain in the item the walk stands in, in a loop that reads its tables and the
// text through locals, which stay in registers. False once keep() refuses a step or the line
// ends; true at a character it leaves to oneAhead().
template <typename View>
template <typename Keep>
bool LineWalk<View>::unitsAhead(Keep& keep) {
    FontAdvances::Context& context = advances_.in(script_);
    const FontAdvances::Context::Units units = context.units();
    const auto* const data = text_.data();
    const int size = size_;
    const auto unitAt = [&](int i) {
        if constexpr (std::is_same_v<View, QStringView>) return char16_t(data[i].unicode());
        else return char16_t(uchar(data[i]));
    };
    const auto plain = [&](char16_t u) {
        const std::uint8_t known = units.plain[u];
        return known ? known == 1 : context.plain(u);
    };
    const auto kerning = [&](char16_t a, char16_t b) {
        if ((a | b) < 256) {
            const float k = units.latin[a << 8 | b];
            if (k != FontAdvances::kUnknown) return k;
        }
        return context.kerning(a, b);
    };
    int i = next_;
    if (i >= size) return false;
    // The unit at i, the next one and the one after: each pair adds up.
    char16_t u0 = unitAt(i), u1 = 0;
    if (!plain(u0)) return true;
    float kern = 0;  // between the units at i and i + 1
    if (i + 1 < size) {
        u1 = unitAt(i + 1);
        if (!plain(u1) || (kern = kerning(u0, u1)) == kContext) return true;
    }
    qreal x = x_;
    bool more = true;
    for (float advance = units.advances[u0];;) {  // measured, being plain
        const int to = i + 1;
        char16_t u2 = 0;
        float after = 0;
        if (to + 1 < size) {
            u2 = unitAt(to + 1);
            if (!plain(u2) || (after = kerning(u1, u2)) == kContext) break;
        }
        const qreal x1 = x + (qreal(advance) + qreal(kern));  // exact: all in 1/64 pixel
        if (!keep(to, x1, script_)) {
            more = false;
            break;
        }
        x = x1;
        i = to;
        if (to >= size) {
            more = false;
            break;
        }
        u0 = u1;
        u1 = u2;
        advance = units.advances[u0];
        kern = after;
    }
    next_ = i;
    x_ = x;
    return more;
}

// Takes one character of one code point that stands alone and adds up with the next two,
// in whatever item it stands, when keep() allows: a character past the units, or the first
// of an item of another script.
template <typename View>
template <typename Keep>
bool LineWalk<View>::oneAhead(Keep& keep) {
    Simple a, b, c;
    const int i = next_;
    if (i >= size_) return false;
    // The two read ahead by the step before, when it ended here.
    const bool known = readAt_ == i && readFrom_ == script_;
    ahead_ = known ? readAhead_ : script_;
    if (known) {
        a = read_[0];
    } else if (!simple(i, a)) {
        return false;
    }
    float kerning = 0;
    bool third = false;
    if (a.end < size_) {
        if (known && readCount_ > 1) b = read_[1];
        else if (!simple(a.end, b)) return false;
        if ((kerning = pairKerning(a, b)) == kContext) return false;
        third = b.end < size_;
        if (third && (!simple(b.end, c) || pairKerning(b, c) == kContext)) return false;
    }
    const qreal x1 = x_ + (qreal(a.advance) + qreal(kerning));
    if (!keep(a.end, x1, a.context->script())) return false;
    x_ = x1;
    next_ = a.end;
    script_ = a.context->script();
    readAt_ = a.end;
    readFrom_ = script_;
    readAhead_ = ahead_;
    read_[0] = b;
    read_[1] = c;
    readCount_ = a.end < size_ ? (third ? 2 : 1) : 0;
    return true;
}

}  // namespace

// How far the trail of the last fit() reaches (UTF-16 units).
constexpr std::size_t kTrail = 4096;

LineMetrics::LineMetrics(const TextLines& lines)
    : lines_(lines), advances_(std::make_unique<FontAdvances>(font_)), trail_(kTrail) {}

LineMetrics::~LineMetrics() = default;

void LineMetrics::setFont(const QFont& font) {
    if (!(font == font_)) advances_ = std::make_unique<FontAdvances>(font);
    font_ = font;
    reset();
}

void LineMetrics::reset() {
    widths_.assign(std::size_t(lines_.size()), -1);
    marks_.clear();
    trailLine_ = -1;
    widest_ = 0;
    widestStale_ = false;
}

template <typename F>
decltype(auto) LineMetrics::walk(int line, const Mark& from, F&& f) {
    return lines_[line].visit([&](auto text) {
        LineWalk<decltype(text)> walk(*advances_, lines_, line, text, from);
        return f(walk);
    });
}

int LineMetrics::width(int line) {
    if (widths_[std::size_t(line)] < 0) {
        const std::vector<Mark>& marks = marksOf(line);
        const qreal x = marks.empty() ? advance(line, lines_.length(line)) : marks.back().x;
        widths_[std::size_t(line)] = int(std::ceil(x));
        widest_ = std::max(widest_, widths_[std::size_t(line)]);
    }
    return widths_[std::size_t(line)];
}

int LineMetrics::widest() {
    if (widestStale_) {
        widest_ = widths_.empty() ? 0 : std::max(0, *std::max_element(widths_.begin(), widths_.end()));
        widestStale_ = false;
    }
    return widest_;
}

void LineMetrics::forgetWidth(int line) {
    int& width = widths_[std::size_t(line)];
    if (width >= widest_ && width > 0) widestStale_ = true;
    width = -1;
}

const std::vector<LineMetrics::Mark>& LineMetrics::marksOf(int line) {
    static const std::vector<Mark> none;
    const int size = lines_.length(line);
    if (size <= kStretch) return none;
    auto [it, added] = marks_.try_emplace(line);
    std::vector<Mark>& marks = it->second;
    if (!added) return marks;
    marks.reserve(std::size_t(size / kStretch + 2));
    marks.push_back(lineStart(line));
    walk(line, marks.front(), [&](auto& w) {
        const auto due = [&](int to) { return to - marks.back().column >= kStretch || to == size; };
        WalkStep s;
        for (;;) {
            w.fastForward([&](int to, qreal x, FontAdvances::Script script) {
                if (due(to)) marks.push_back(w.plainMark(to, x, script));
                return true;
            });
            if (!w.next(s)) break;
            if (due(s.to)) marks.push_back(s.end);
        }
    });
    return marks;
}

// The line's start stands in the item of the first character that has a script of its own.
LineMetrics::Mark LineMetrics::lineStart(int line) const {
    Mark start;
    start.script = lines_[line].visit([](auto text) {
        FontAdvances::Script script = QChar::Script_Common;
        for (qsizetype i = 0; i < text.size() && script <= QChar::Script_Common; ++i) {
            char32_t c = text[i].unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
                c = QChar::surrogateToUcs4(char16_t(c), char16_t(text[i + 1].unicode()));
                ++i;
            }
            FontAdvances::itemScript(script, c);
        }
        return script;
    });
    return start;
}

LineMetrics::Mark LineMetrics::markBefore(int line, int column) {
    const std::vector<Mark>& marks = marksOf(line);
    if (marks.empty()) return lineStart(line);
    return *(std::upper_bound(marks.begin(), marks.end(), column, byColumn) - 1);
}

LineMetrics::Mark LineMetrics::markBeforeX(int line, qreal x) {
    const std::vector<Mark>& marks = marksOf(line);
    if (marks.empty()) return lineStart(line);
    auto after = std::upper_bound(marks.begin(), marks.end(), x, byX);
    return after == marks.begin() ? marks.front() : *(after - 1);
}

bool LineMetrics::onTrail(int line, int column, qreal& x) const {
    if (trailLine_ != line || column < trailFrom_) return false;
    if (column == trailFrom_) {
        x = trailStartX_;
        return true;
    }
    const std::size_t at = std::size_t(column - trailFrom_);
    if (at > trailLength_ || trail_[at - 1].column != column) return false;
    x = trail_[at - 1].x;
    return true;
}

qreal LineMetrics::advance(int line, int column) {
    column = std::clamp(column, 0, lines_.length(line));
    // A row being wrapped asks for the places its fit just walked past.
    if (qreal x = 0; onTrail(line, column, x)) return x;
    const Mark from = markBefore(line, column);
    if (from.column == column) return from.x;
    return walk(line, from, [&](auto& w) {
        WalkStep s;
        for (;;) {
            w.fastForward([&](int to, qreal, FontAdvances::Script) { return to <= column; });
            if (w.column() == column) return w.x();
            if (!w.next(s)) return w.x();
            if (s.to >= column) return w.xAt(s, column);
        }
    });
}

bool LineMetrics::exact(int line) {
    return walk(line, lineStart(line), [&](auto& w) {
        WalkStep s;
        bool exact = true;
        for (;;) {
            w.fastForward([](int, qreal, FontAdvances::Script) { return true; });
            if (!w.next(s)) return exact;
            exact = exact && s.exact;
        }
    });
}

int LineMetrics::columnAtX(int line, qreal x, int from, int to) {
    const int column = walk(line, markBeforeX(line, x), [&](auto& w) {
        WalkStep s;
        for (;;) {
            w.fastForward([&](int, qreal x1, FontAdvances::Script) { return x1 <= x; });
            if (!w.next(s)) return lines_.length(line);
            if (x >= s.x1) continue;
            if (x <= s.x0) return s.from;
            // The nearer end of the character under x.
            int left = s.from;
            qreal leftX = s.x0;
            for (int b : s.inner) {
                const qreal bX = w.xAt(s, b);
                if (x < bX) return x - leftX < bX - x ? left : b;
                left = b;
                leftX = bX;
            }
            return x - leftX < s.x1 - x ? left : s.to;
        }
    });
    return std::max(from, std::min(column, to));
}

int LineMetrics::fit(int line, int from, qreal room) {
    const int size = lines_.length(line);
    if (from >= size) return size;
    const std::size_t onTrail = std::size_t(from - trailFrom_);
    const bool resume = trailLine_ == line && from > trailFrom_ && onTrail <= trailLength_ &&
                        trail_[onTrail - 1].column == from;
    const Mark begin = resume ? trail_[onTrail - 1] : markBefore(line, from);
    // This fit's trail: where the walk stood after each step from `from` on.
    trailLine_ = line;
    trailFrom_ = from;
    trailLength_ = 0;
    const auto follow = [&](const Mark& end) {
        const std::size_t at = std::size_t(end.column - from);
        if (at > trail_.size()) return;
        for (; trailLength_ + 1 < at; ++trailLength_) trail_[trailLength_].column = -1;  // inside a character
        trail_[at - 1] = end;
        trailLength_ = at;
    };
    return walk(line, begin, [&](auto& w) {
        WalkStep s;
        // Up to `from`, or to the step it lies inside.
        bool inside = false;
        qreal start = 0;
        for (;;) {
            w.fastForward([&](int to, qreal, FontAdvances::Script) { return to <= from; });
            if (w.column() == from) {
                start = w.x();
                break;
            }
            w.next(s);
            if (s.to < from) continue;
            inside = s.to > from;
            start = inside ? w.xAt(s, from) : s.x1;
            break;
        }
        trailStartX_ = start;
        const qreal limit = start + room;
        int fits = from;  // the last boundary within the room
        // Full inside a step: at its last boundary within the room, one character at least.
        const auto full = [&]() {
            for (int b : s.inner) {
                if (b <= from) continue;
                if (w.xAt(s, b) > limit) return fits > from ? fits : b;
                fits = b;
            }
            return fits > from ? fits : s.to;
        };
        if (inside) {
            follow(s.end);
            if (s.x1 > limit) return full();
            fits = s.to;
        }
        for (;;) {
            int over = -1;  // the end of a character taken at full speed that does not fit
            w.fastForward([&](int to, qreal x, FontAdvances::Script script) {
                follow(w.plainMark(to, x, script));
                if (x > limit) {
                    over = to;
                    return false;
                }
                fits = to;
                return true;
            });
            if (over >= 0) return fits > from ? fits : over;
            if (!w.next(s)) return size;
            follow(s.end);
            if (s.x1 > limit) return full();
            fits = s.to;
        }
    });
}

void LineMetrics::replaced(int line, int removed, int inserted) {
    trailLine_ = -1;
    for (int i = line; i < line + removed; ++i) forgetWidth(i);
    widths_.erase(widths_.begin() + line, widths_.begin() + line + removed);
    widths_.insert(widths_.begin() + line, std::size_t(inserted), -1);
    // The marks of the lines after move with them.
    replaceLines(marks_, line, removed, inserted);
}

// The line's text between columns `column` and `oldEnd` is now the text between `column` and
// `newEnd`. The marks a few characters before the change hold as they were; from the last of
// them the line is walked again up to a mark past the change where the walk stands as it
// stood there before (the same characters follow, the walk in the same state): from there on
// every x is the old one moved by the same amount.
void LineMetrics::editedInLine(int line, int column, int oldEnd, int newEnd) {
    forgetWidth(line);
    trailLine_ = -1;
    auto kept = marks_.find(line);
    if (kept == marks_.end()) return;
    std::vector<Mark> old = std::move(kept->second);
    marks_.erase(kept);
    const int size = lines_.length(line);
    if (size <= kStretch) return;
    // A mark holds while the two characters after it are untouched: boundaries before the
    // change stay where they were.
    int safe = column;
    for (int i = 0; i < 3 && safe > 0; ++i) safe = lines_.previousCharacter({line, safe}).column;
    std::vector<Mark> marks(old.begin(), std::upper_bound(old.begin(), old.end(), safe, byColumn));
    // Characters before the first one with a script of their own stand in that one's item:
    // a change there may put all of them in another.
    const Mark start = lineStart(line);
    if (start.script != old.front().script) marks.assign(1, start);
    const int delta = newEnd - oldEnd;
    auto same = std::lower_bound(old.begin(), old.end(), oldEnd, [](const Mark& m, int c) { return m.column < c; });
    // Whether the walk, standing at `to` as `mark` says, stands there as it stood before.
    const auto asBefore = [&](const Mark& mark) {
        if (mark.column < newEnd) return false;
        while (same != old.end() && same->column + delta < mark.column) ++same;
        return same != old.end() && same->column + delta == mark.column && same->inRun == mark.inRun &&
               same->joins == mark.joins && same->script == mark.script;
    };
    walk(line, marks.back(), [&](auto& w) {
        const auto due = [&](int to) { return to - marks.back().column >= kStretch || to == size; };
        WalkStep s;
        for (;;) {
            w.fastForward([&](int to, qreal x, FontAdvances::Script script) {
                const Mark mark = w.plainMark(to, x, script);
                if (asBefore(mark)) return false;  // taken below
                if (due(to)) marks.push_back(mark);
                return true;
            });
            if (!w.next(s)) return;
            if (asBefore(s.end)) {
                const qreal shift = s.x1 - same->x;
                for (; same != old.end(); ++same)
                    marks.push_back({same->column + delta, same->x + shift, same->inRun, same->joins, same->script});
                return;
            }
            if (due(s.to)) marks.push_back(s.end);
        }
    });
    marks_[line] = std::move(marks);
}
