#include "textlines.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace {

// A grapheme spans a few characters at most: a window this wide around a column finds the
// boundaries near it.
constexpr int kWindow = 32;

// Between two characters below the combining marks there is always a boundary.
bool plainPair(QChar before, QChar after) { return before.unicode() < 0x300 && after.unicode() < 0x300; }

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
    offsets_.forget();
    lines_.assign(lines.begin(), lines.end());
    if (lines_.empty()) lines_.emplace_back();
}

void TextLines::clear() {
    offsets_.forget();
    lines_.assign(1, LineText());
    lines_.shrink_to_fit();
}

int TextLines::boundaryFrom(int line, int column) const {
    const LineText& text = (*this)[line];
    const int size = int(text.size());
    if (column <= 0 || column >= size) return std::clamp(column, 0, size);
    if (plainPair(text[column - 1], text[column])) return column;
    const int start = std::max(0, column - kWindow), end = std::min(size, column + kWindow);
    const QString window = text.mid(start, end - start);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, window);
    finder.setPosition(column - start);
    if (finder.isAtBoundary()) return column;
    const qsizetype next = finder.toNextBoundary();
    return next < 0 ? end : start + int(next);
}

TextLines::Position TextLines::nextCharacter(Position at) const {
    at = clamp(at);
    if (at.column >= length(at.line)) return at.line + 1 < size() ? Position{at.line + 1, 0} : at;
    return {at.line, boundaryFrom(at.line, at.column + 1)};
}

TextLines::Position TextLines::previousCharacter(Position at) const {
    at = clamp(at);
    if (at.column == 0) return at.line == 0 ? at : Position{at.line - 1, length(at.line - 1)};
    const LineText& text = (*this)[at.line];
    const int column = at.column;
    if (column == 1 || plainPair(text[column - 2], text[column - 1])) return {at.line, column - 1};
    const int start = std::max(0, column - kWindow), end = std::min(int(text.size()), column + 1);
    const QString window = text.mid(start, end - start);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, window);
    finder.setPosition(column - start);
    const qsizetype previous = finder.toPreviousBoundary();
    return {at.line, previous < 0 ? start : start + int(previous)};
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
    while (c > 0 && boundaryFrom(at.line, c) != c) --c;
    return {at.line, c};
}

std::pair<TextLines::Position, TextLines::Position> TextLines::wordAt(Position at) const {
    at = clamp(at);
    const LineText& text = (*this)[at.line];
    const int size = int(text.size());
    if (size == 0) return {at, at};
    // The class of the character after the position (before it, at the line's end); the run
    // of that class around the position.
    const int probe = at.column < size ? at.column : at.column - 1;
    const Kind kind = kindOf(text[probe]);
    int from = at.column, to = at.column;
    while (from > 0 && kindOf(text[from - 1]) == kind) --from;
    while (to < size && kindOf(text[to]) == kind) ++to;
    while (from > 0 && boundaryFrom(at.line, from) != from) --from;
    return {{at.line, from}, {at.line, boundaryFrom(at.line, to)}};
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
