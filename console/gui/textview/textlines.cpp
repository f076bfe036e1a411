#include "textlines.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <bit>
#include <utility>

namespace {

// QTextBoundaryFinder finds whole characters by the Unicode rules, which pair a flag's halves
// from the start of a run of them, then redoes them by syllables over each run of an Indic
// script, Thai, Tibetan, Myanmar or Khmer, a run whose script may be set by a letter far
// ahead. So the characters next to a column do not always settle whether it is a boundary.
// Some do. A letter of a script those rules alone break (Latin, Greek, Cyrillic, Han, kana)
// joins no neighbour, and a run of one script that starts with it is not redone; such a
// letter, or any character below the combining marks, is "quiet": no rule carries anything
// over it.
bool quietLetter(QChar c) {
    if (c.isSurrogate() || !c.isLetter()) return false;
    switch (c.script()) {
    case QChar::Script_Latin: case QChar::Script_Greek: case QChar::Script_Cyrillic:
    case QChar::Script_Han: case QChar::Script_Hiragana: case QChar::Script_Katakana:
        return true;
    default:
        return false;
    }
}
bool quiet(QChar c) { return c.unicode() < 0x300 || quietLetter(c); }

// Between two quiet characters there is always a boundary.
bool quietPair(QChar before, QChar after) { return quiet(before) && quiet(after); }

// The finder over a stretch of the line gives the line's own boundaries inside it when the
// stretch starts at a quiet letter after a quiet character (or at the line's start) and ends
// between two quiet characters or at the line's end.
bool stretchStart(const LineText& text, int at) { return quietLetter(text[at]) && (at == 0 || quiet(text[at - 1])); }
bool stretchEnd(const LineText& text, int at) { return at == text.size() || quietPair(text[at - 1], text[at]); }

// Far enough around a column to find a stretch in most text; a line this short is one.
constexpr int kReach = 64;
constexpr int kShortLine = 4 * kReach;
// The lines whose boundaries are kept at once.
constexpr std::size_t kKeptLines = 8;

// Qt's syllables give every unit of other characters in an Indic run a boundary of its own,
// even the second half of a surrogate pair: that one is none here.
bool insidePair(const LineText& text, qsizetype at) {
    return at > 0 && at < text.size() && text[at - 1].isHighSurrogate() && text[at].isLowSurrogate();
}

std::uint64_t bit(qsizetype n) { return std::uint64_t(1) << n; }

// The first boundary at or after a column, the last at or before it, of a whole line: in the
// column's word of bits, or in the next or last word that has one, which the word bits find
// past a long run of combining marks in a few steps. The line's end and start are boundaries.
using Bits = std::vector<std::uint64_t>;
int firstSetFrom(const Bits& bits, const Bits& words, int column) {
    std::size_t word = std::size_t(column) / 64;
    if (const std::uint64_t here = bits[word] & (~std::uint64_t(0) << (column % 64))) return int(word * 64) + std::countr_zero(here);
    std::size_t next = word + 1, group = next / 64;
    std::uint64_t any = words[group] & (~std::uint64_t(0) << (next % 64));
    while (any == 0) any = words[++group];
    word = group * 64 + std::size_t(std::countr_zero(any));
    return int(word * 64) + std::countr_zero(bits[word]);
}
int lastSetUpTo(const Bits& bits, const Bits& words, int column) {
    std::size_t word = std::size_t(column) / 64;
    if (const std::uint64_t here = bits[word] & (~std::uint64_t(0) >> (63 - column % 64))) return int(word * 64) + 63 - std::countl_zero(here);
    std::size_t last = word - 1, group = last / 64;
    std::uint64_t any = words[group] & (~std::uint64_t(0) >> (63 - last % 64));
    while (any == 0) any = words[--group];
    word = group * 64 + 63 - std::size_t(std::countl_zero(any));
    return int(word * 64) + 63 - std::countl_zero(bits[word]);
}

enum class Kind { Blank, Separator, Word };

// The classes word moves step over, as Qt's text boxes tell them apart.
Kind kindOf(QChar c) {
    if (c.isSpace()) return Kind::Blank;
    switch (c.unicode()) {
    case '.': case ',': case '?': case '!': case '@': case '#': case '$': case ':': case ';':
    case '-': case '<': case '>': case '[': case ']': case '(': case ')': case '{': case '}':
    case '=': case '/': case '+': case '%': case '&': case '^': case '*': case '\'': case '"':
    case '`': case '~': case '|': case '\\':
        return Kind::Separator;
    default:
        return Kind::Word;
    }
}

}  // namespace

TextLines::Position TextLines::clamp(Position at) const {
    at.line = std::clamp(at.line, 0, size() - 1);
    at.column = std::clamp(at.column, 0, length(at.line));
    return at;
}

QString TextLines::between(Position from, Position to) const {
    from = clamp(from);
    to = clamp(to);
    if (to <= from) return {};
    const LineText& first = (*this)[from.line];
    if (from.line == to.line) return first.mid(from.column, to.column - from.column);
    // Sized once: a cut of a whole long log copies its text once, without regrowth.
    qsizetype total = first.size() - from.column + to.column;
    for (int i = from.line + 1; i < to.line; ++i) total += length(i) + 1;
    QString out;
    out.reserve(total + 1);
    first.appendTo(out, from.column);
    for (int i = from.line + 1; i < to.line; ++i) {
        out += u'\n';
        (*this)[i].appendTo(out);
    }
    out += u'\n';
    (*this)[to.line].appendTo(out, 0, to.column);
    return out;
}

TextLines::Position TextLines::replace(Position from, Position to, const QString& text) {
    from = clamp(from);
    to = clamp(to);
    if (to < from) std::swap(from, to);
    graphemes_.clear();  // first, so that the edited line, no longer shared, changes in place
    const QString tail = (*this)[to.line].mid(to.column);
    const QStringList pieces = text.split(QLatin1Char('\n'));
    QString& head = (*this)[from.line].edit();
    head.truncate(from.column);
    head += pieces.front();
    // Erasing and inserting move lines: no reference into the list is held across them.
    lines_.erase(lines_.begin() + from.line + 1, lines_.begin() + to.line + 1);
    if (pieces.size() > 1) lines_.insert(lines_.begin() + from.line + 1, pieces.begin() + 1, pieces.end());
    const int lastLine = from.line + int(pieces.size()) - 1;
    QString& last = (*this)[lastLine].edit();
    const Position end{lastLine, int(last.size())};
    last += tail;
    if (from.line == to.line && pieces.size() == 1) offsets_.lengthChanged(from.line, int(text.size()) - (to.column - from.column));
    else offsets_.forget();
    return end;
}

void TextLines::assign(const QStringList& lines) {
    graphemes_.clear();
    offsets_.forget();
    lines_.assign(lines.begin(), lines.end());
    if (lines_.empty()) lines_.emplace_back();
}

void TextLines::clear() {
    graphemes_.clear();
    offsets_.forget();
    lines_.assign(1, LineText());
    lines_.shrink_to_fit();
}

const TextLines::Graphemes* TextLines::kept(int line) const {
    const auto storage = [](const LineText& text) {
        return text.visit([](auto view) { return std::pair<const void*, qsizetype>(view.data(), view.size()); });
    };
    const auto at = storage((*this)[line]);
    const auto found = std::find_if(graphemes_.begin(), graphemes_.end(), [&](const Graphemes& g) { return storage(g.text) == at; });
    if (found == graphemes_.end()) return nullptr;
    graphemes_.splice(graphemes_.begin(), graphemes_, found);
    return &graphemes_.front();
}

const TextLines::Graphemes& TextLines::graphemes(int line) const {
    if (const Graphemes* known = kept(line)) return *known;
    if (graphemes_.size() == kKeptLines) graphemes_.pop_back();
    const LineText& text = (*this)[line];
    const std::size_t words = std::size_t(text.size()) / 64 + 1;
    Graphemes& found = graphemes_.emplace_front(Graphemes{text, std::vector<std::uint64_t>(words), std::vector<std::uint64_t>(words / 64 + 1)});
    QString scratch;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.view(scratch, 0, text.size()));
    for (qsizetype at = 0; at >= 0; at = finder.toNextBoundary()) {
        if (insidePair(text, at)) continue;
        found.bits[std::size_t(at) / 64] |= bit(at % 64);
        found.words[std::size_t(at) / 4096] |= bit(at / 64 % 64);
    }
    return found;
}

int TextLines::boundaryNear(int line, int column, bool forward) const {
    const auto near = [&](const Graphemes& all) {
        return forward ? firstSetFrom(all.bits, all.words, column) : lastSetUpTo(all.bits, all.words, column);
    };
    if (const Graphemes* known = kept(line)) return near(*known);
    const LineText& text = (*this)[line];
    const int size = int(text.size());
    // A stretch around the column over which the finder sees what it sees over the line.
    int from = column, to = column + 1;
    bool found = size <= kShortLine;
    if (found) {
        from = 0;
        to = size;
    } else {
        while (from > 0 && column - from < kReach && !stretchStart(text, from)) --from;
        while (to < size && to - column < kReach && !stretchEnd(text, to)) ++to;
        found = stretchStart(text, from) && stretchEnd(text, to);
    }
    if (found) {
        QString scratch;
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.view(scratch, from, to - from));
        finder.setPosition(column - from);
        // Both ends are boundaries, neither inside a pair.
        for (qsizetype at = finder.isAtBoundary() ? column - from : -1;;) {
            if (at >= 0 && !insidePair(text, from + at)) return from + int(at);
            at = forward ? finder.toNextBoundary() : finder.toPreviousBoundary();
            if (at < 0) return forward ? to : from;
        }
    }
    return near(graphemes(line));
}

int TextLines::boundaryFrom(int line, int column) const {
    const LineText& text = (*this)[line];
    const int size = int(text.size());
    if (column <= 0 || column >= size) return std::clamp(column, 0, size);
    if (quietPair(text[column - 1], text[column])) return column;
    return boundaryNear(line, column, true);
}

int TextLines::boundaryAtOrBefore(int line, int column) const {
    const LineText& text = (*this)[line];
    const int size = int(text.size());
    if (column <= 0 || column >= size) return std::clamp(column, 0, size);
    if (quietPair(text[column - 1], text[column])) return column;
    return boundaryNear(line, column, false);
}

TextLines::Position TextLines::nextCharacter(Position at) const {
    at = clamp(at);
    if (at.column >= length(at.line)) return at.line + 1 < size() ? Position{at.line + 1, 0} : at;
    return {at.line, boundaryFrom(at.line, at.column + 1)};
}

TextLines::Position TextLines::previousCharacter(Position at) const {
    at = clamp(at);
    if (at.column == 0) return at.line == 0 ? at : Position{at.line - 1, length(at.line - 1)};
    return {at.line, boundaryAtOrBefore(at.line, at.column - 1)};
}

TextLines::Position TextLines::previousCodePoint(Position at) const {
    at = clamp(at);
    if (at.column == 0) return previousCharacter(at);
    const LineText& text = (*this)[at.line];
    int c = at.column - 1;
    if (c > 0 && text[c].isLowSurrogate() && text[c - 1].isHighSurrogate()) --c;
    return {at.line, c};
}

TextLines::Position TextLines::nextWord(Position at) const {
    at = clamp(at);
    const LineText& text = (*this)[at.line];
    const int size = int(text.size());
    if (at.column >= size) return nextCharacter(at);
    int c = at.column;
    if (kindOf(text[c]) == Kind::Separator) {
        while (c < size && kindOf(text[c]) == Kind::Separator) ++c;
    } else {
        while (c < size && kindOf(text[c]) == Kind::Word) ++c;
    }
    while (c < size && kindOf(text[c]) == Kind::Blank) ++c;
    return {at.line, boundaryFrom(at.line, c)};
}

TextLines::Position TextLines::previousWord(Position at) const {
    at = clamp(at);
    if (at.column == 0) return previousCharacter(at);
    const LineText& text = (*this)[at.line];
    int c = at.column;
    while (c > 0 && kindOf(text[c - 1]) == Kind::Blank) --c;
    if (c > 0 && kindOf(text[c - 1]) == Kind::Separator) {
        while (c > 0 && kindOf(text[c - 1]) == Kind::Separator) --c;
    } else {
        while (c > 0 && kindOf(text[c - 1]) == Kind::Word) --c;
    }
    // A combining mark after a blank starts no character of its own.
    return {at.line, boundaryAtOrBefore(at.line, c)};
}

std::pair<TextLines::Position, TextLines::Position> TextLines::wordAt(Position at) const {
    at = clamp(at);
    const LineText& text = (*this)[at.line];
    const int size = int(text.size());
    auto is = [&](int c, Kind kind) { return kindOf(text[c]) == kind; };
    // As Qt's box takes a double click: from one past the place, back over blanks, then over a
    // run of separators or of word characters; at the line's end after a blank or separator,
    // nowhere. The word runs from there over its run.
    int from = at.column;
    const bool atEndAfterBlank = from == size && from > 0 && !is(from - 1, Kind::Word);
    if (from > 0 && !atEndAfterBlank) {
        int c = from < size ? from + 1 : from;
        while (c > 0 && is(c - 1, Kind::Blank)) --c;
        if (c > 0 && is(c - 1, Kind::Separator)) {
            while (c > 0 && is(c - 1, Kind::Separator)) --c;
        } else {
            while (c > 0 && is(c - 1, Kind::Word)) --c;
        }
        from = c;
    }
    int to = from;
    if (to < size && is(to, Kind::Separator)) {
        while (to < size && is(to, Kind::Separator)) ++to;
    } else {
        while (to < size && is(to, Kind::Word)) ++to;
    }
    return {{at.line, boundaryAtOrBefore(at.line, from)}, {at.line, boundaryFrom(at.line, to)}};
}

QString TextLines::normalized(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // A lone half of a surrogate pair is no character: it would join a neighbour into another.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
        else if (c.isSurrogate()) text[i] = QChar::ReplacementCharacter;
    }
    return text;
}
