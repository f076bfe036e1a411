// Where a wrapped row ends, as Qt's text layout breaks a line that wraps at word boundaries or
// anywhere: after the last word that fits, a word ending at a blank or at a line-break
// opportunity (Unicode line breaking), the blanks after it hanging at the row's end and the
// last glyph's overhang counted; where not even the first word fits, at the last whole
// character that fits, one at least. Blanks that open a row are no word of their own.
//
// The same rule for a view's own lines and for the caret's line while an input method
// composes in it: a Source gives the line's characters and widths.
//   int size(); QChar at(int column);
//   int fit(int from): the last column whose width from `from` is within the row, a whole
//       character after `from` at least;
//   qreal width(int from, int to): of the row's text from its start to a column;
//   qreal room(): the row's width; qreal overhang(QChar c): of its glyph past its advance;
//   QString text(int from, int to); int previous(int column), next(int column): whole characters.
#pragma once
#include <QString>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <vector>

namespace rowbreak {

// Blanks a row may hang at its end, as Qt's layout takes them.
inline bool isBlank(QChar c) { return c.isSpace() && c != QChar::LineSeparator && c != QChar::ParagraphSeparator; }

template <typename Source>
int rowEnd(Source& s, int from) {
    const int size = s.size();
    const int fits = s.fit(from);
    if (fits >= size) return size;
    auto onlyBlanks = [&](int a, int b) {
        while (a < b && isBlank(s.at(a))) ++a;
        return a == b;
    };
    auto fitsTo = [&](int end) {
        int last = end;
        while (last > from && isBlank(s.at(last - 1))) --last;
        return last == from || s.width(from, last) + s.overhang(s.at(last - 1)) <= s.room();
    };
    // Blanks right after what fits hang at the row's end, where the word before them fits.
    if (isBlank(s.at(fits))) {
        int next = fits;
        while (next < size && isBlank(s.at(next))) ++next;
        if (next >= size || (!onlyBlanks(from, next) && fitsTo(next))) return next;
    }
    // The break opportunities up to `fits`, read in a window that starts at the row (a row's
    // start is a break, so a fresh wrap and the rewrap of an edited line read the same).
    // Among letters, digits and blanks of ASCII and ideographs, a row may break after blanks and
    // on either side of an ideograph (never before a blank); elsewhere Qt's layout ends a word at
    // a blank as well as at an opportunity (the finder has none between two numbers).
    std::vector<int> breaks;
    const int window = std::min(size, fits + 16);
    auto ideograph = [](char16_t u) { return (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF); };
    bool plain = true;
    for (int c = from; plain && c < window; ++c) {
        const char16_t u = s.at(c).unicode();
        plain = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == ' ' || ideograph(u);
    }
    if (plain) {
        // The last break that fits, tried from the end of what fits back.
        for (int c = fits; c > from; --c) {
            const char16_t before = s.at(c - 1).unicode(), after = s.at(c).unicode();
            if (after != u' ' && (before == u' ' || ideograph(before) || ideograph(after)) && !onlyBlanks(from, c) &&
                fitsTo(c))
                return c;
        }
    } else {
        QTextBoundaryFinder finder(QTextBoundaryFinder::Line, s.text(from, window));
        qsizetype at = finder.toNextBoundary();
        for (int c = from + 1; c <= fits; ++c) {
            while (at > 0 && from + at < c) at = finder.toNextBoundary();
            const bool opportunity = at > 0 && from + at == c && (finder.boundaryReasons() & QTextBoundaryFinder::BreakOpportunity);
            if (opportunity || (isBlank(s.at(c - 1)) && !isBlank(s.at(c)))) breaks.push_back(c);
        }
        std::reverse(breaks.begin(), breaks.end());
    }
    for (int b : breaks)
        if (!onlyBlanks(from, b) && fitsTo(b)) return b;
    // Not even the first word fits: the row ends inside it.
    int end = fits;
    while (end > from && !fitsTo(end)) {
        const int previous = s.previous(end);
        if (previous <= from) break;
        end = previous;
    }
    return std::max(end, s.next(from));
}

}  // namespace rowbreak
