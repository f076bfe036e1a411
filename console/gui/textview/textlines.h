// The lines of a text view and the places between their characters: what is kept, what an
// edit replaces, and where whole characters and words begin and end. No widget, no font.
#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <list>
#include <vector>

#include "lineoffsets.h"
#include "linetext.h"

// A place between characters: line index and column (UTF-16 units) within the line.
struct TextPosition {
    int line = 0;
    int column = 0;
    friend bool operator==(const TextPosition&, const TextPosition&) = default;
    friend auto operator<=>(const TextPosition&, const TextPosition&) = default;
};

class TextLines {
public:
    using Position = TextPosition;

    int size() const { return int(lines_.size()); }
    const LineText& operator[](int line) const { return lines_[std::size_t(line)]; }
    LineText& operator[](int line) { return lines_[std::size_t(line)]; }
    int length(int line) const { return int(lines_[std::size_t(line)].size()); }
    Position end() const { return {size() - 1, length(size() - 1)}; }
    Position clamp(Position at) const;
    QString between(Position from, Position to) const;  // lines joined by '\n'

    // Replaces the text between two positions ('\n' in text starts a new line); returns the
    // end of the inserted text.
    Position replace(Position from, Position to, const QString& text);
    void append(LineText line) {
        offsets_.appended(int(line.size()));
        lines_.push_back(std::move(line));
    }
    void assign(const QStringList& lines);  // at least one line
    void clear();                           // one empty line

    // Whole characters (grapheme clusters) as QTextBoundaryFinder finds them over the whole
    // line, of any length, but never between the halves of a surrogate pair: the boundary
    // before or after a position, across line breaks; the nearest boundary at or after a
    // column of a line.
    Position nextCharacter(Position at) const;
    Position previousCharacter(Position at) const;
    // The code point before a position (Backspace takes one code point, as Qt's boxes do).
    Position previousCodePoint(Position at) const;
    int boundaryFrom(int line, int column) const;
    // Word moves as Qt's text boxes make them: over a run of word characters or of
    // separators, then the blanks after it (next), or the blanks before a run (previous);
    // at a line's end or start, onto the next or previous line.
    Position nextWord(Position at) const;
    Position previousWord(Position at) const;
    // The word a double click selects: the run of word characters or of separators at the
    // position, or the blanks there.
    std::pair<Position, Position> wordAt(Position at) const;

    // The text with CR LF and lone CR as '\n', lone surrogates as U+FFFD: what the view keeps.
    static QString normalized(QString text);

    // Offsets in UTF-16 units into the lines joined by '\n', as screen readers count a text:
    // a logarithm of the line count each (lineoffsets.h). Out of range is clamped.
    int offsetOf(Position at) const;
    Position positionAt(int offset) const;
    int characterCount() const;

private:
    // The boundaries of a whole line, for a line where the characters around a column do not
    // settle them (a long run of flags, of combining marks, of Hangul or of an Indic script).
    // The copy of the text shares the line's storage: while the line still shares it, the
    // line is unchanged and the bits hold.
    struct Graphemes {
        LineText text;
        std::vector<std::uint64_t> bits;   // bit n set: a boundary at column n
        std::vector<std::uint64_t> words;  // bit n set: some bit of bits[n] is set
    };
    const Graphemes* kept(int line) const;
    const Graphemes& graphemes(int line) const;
    // The boundary at or after (forward) or at or before a column inside a line.
    int boundaryNear(int line, int column, bool forward) const;
    int boundaryAtOrBefore(int line, int column) const;

    std::deque<LineText> lines_{LineText()};
    mutable std::list<Graphemes> graphemes_;  // the lines asked for last, newest first
    // Kept in step by the mutators above once built; null for a text of one line.
    const LineOffsets* offsets() const;
    mutable LineOffsets offsets_;
};
