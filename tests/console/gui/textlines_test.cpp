// Where the text view's caret may stand, without a widget: between whole characters as
// QTextBoundaryFinder finds them over the whole line, however long a character and wherever
// its line's script is settled; the word functions stop there too. Checked at every column
// of flags, keycaps, long clusters, Hangul and Devanagari, of lines made of them at random,
// and of lines edited in place.
#include <QTextBoundaryFinder>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

#include "gui/textview/textlines.h"

namespace {

QString u(const char32_t* text) { return QString::fromUcs4(text); }
QString times(int n, const QString& piece) { return piece.repeated(n); }

const QString kFlag = u(U"\U0001F1E9\U0001F1EA");  // two regional indicators
const QString kKeycap = u(U"1\uFE0F\u20E3");
const QString kWoman = u(U"\U0001F469");
const QString kKsha = u(U"\u0915\u094D\u0937");                                 // क्ष
const QString kKshatriya = u(U"\u0915\u094D\u0937\u0924\u094D\u0930\u093F\u092F");  // क्षत्रिय
const QString kHangul = u(U"\uD55C\uAD6D\uC5B4");                                // 한국어
const QString kJamo = u(U"\u1112\u1161\u11AB\u1100\u116E\u11A8");               // 한국 in conjoining jamo
// 101 units each: a letter with 100 combining marks; 34 women joined by 33 joiners.
const QString kMarks = "a" + times(100, u(U"\u0301"));
const QString kJoined = kWoman + times(33, u(U"\u200D") + kWoman);

// The rule: the finder's boundaries over the whole line, but none inside a surrogate pair
// (Qt's Indic syllables split one that follows an Indic letter).
std::vector<int> boundaries(const QString& line) {
    std::vector<int> out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, line);
    for (qsizetype at = 0; at >= 0; at = finder.toNextBoundary())
        if (at == 0 || at == line.size() || !(line[at - 1].isHighSurrogate() && line[at].isLowSurrogate())) out.push_back(int(at));
    return out;
}

std::string shown(const QString& text) {
    std::string out;
    for (char32_t c : text.toUcs4()) out += c >= 0x20 && c < 0x7F ? std::string(1, char(c)) : QStringLiteral("\\u{%1}").arg(uint(c), 0, 16).toStdString();
    return out.size() > 120 ? out.substr(0, 120) + "... (" + std::to_string(text.size()) + " units)" : out;
}

// At every column of the line: the boundary at or after it, the characters after and before
// it; the word moves from it and the word a double click there takes end on boundaries on the
// right side of it.
// Stops at the fifth wrong column.
void expectWholeCharacters(const TextLines& lines, int line, const std::string& name) {
    const QString text = lines[line].toString();
    const int size = int(text.size());
    const std::vector<int> b = boundaries(text);
    const auto isBoundary = [&](int c) { return std::binary_search(b.begin(), b.end(), c); };
    int failures = 0;
    const auto expect = [&](bool ok, int column, const std::string& what) {
        if (ok) return true;
        ADD_FAILURE() << name << ", column " << column << ": " << what << ", in \"" << shown(text) << "\"";
        return ++failures < 5;
    };
    const auto is = [](int got, int want) { return std::to_string(got) + " where it is " + std::to_string(want); };
    for (int column = 0, next = 0; column <= size; ++column) {
        while (b[next] < column) ++next;  // b[next]: the first boundary at or after the column
        const int after = b[next] > column ? b[next] : column < size ? b[next + 1] : column;
        const int before = column == 0 ? 0 : b[next - 1];
        const int from = lines.boundaryFrom(line, column);
        const int right = lines.nextCharacter({line, column}).column, left = lines.previousCharacter({line, column}).column;
        const TextLines::Position word = lines.nextWord({line, column}), back = lines.previousWord({line, column});
        const auto [start, end] = lines.wordAt({line, column});
        const bool ok = expect(from == b[next], column, "the boundary from it is " + is(from, b[next])) &&
                        expect(column == size || right == after, column, "the next character ends at " + is(right, after)) &&
                        expect(column == 0 || left == before, column, "the previous character starts at " + is(left, before)) &&
                        expect(column == size || (word.line == line && word.column > column && isBoundary(word.column)), column,
                               "the next word is at " + std::to_string(word.column)) &&
                        expect(column == 0 || (back.line == line && back.column < column && isBoundary(back.column)), column,
                               "the previous word is at " + std::to_string(back.column)) &&
                        // A double click on blanks takes the word before them, as Qt's box.
                        expect(start.column <= column && start.column <= end.column && isBoundary(start.column) && isBoundary(end.column), column,
                               "the word there is " + std::to_string(start.column) + ".." + std::to_string(end.column));
        if (!ok) return;
    }
}

struct Line {
    const char* name;
    QString text;
};

// Each on its own and inside long lines of letters, where the characters around a column
// settle it and the rest of the line need not be read.
std::vector<Line> namedLines() {
    const QString letters = times(40, QStringLiteral("abc de"));
    std::vector<Line> out = {
        {"a run of flags", times(20, kFlag)},
        {"a long run of flags", times(300, kFlag)},
        {"a letter, then an odd run of flags", "x" + times(301, u(U"\U0001F1E9"))},
        {"keycaps", kKeycap + " " + kKeycap + kKeycap},
        {"a keycap after Hangul", u(U"\uAD6D") + kKeycap},
        {"100 combining marks", "x" + kMarks + "y"},
        {"a joiner sequence of 101 units", "x" + kJoined + "y"},
        {"Hangul syllables", kHangul + " " + kHangul},
        {"conjoining jamo", kJamo + " " + kJamo},
        {"Devanagari conjuncts", kKsha + " " + kKshatriya},
        {"emoji after a conjunct", kKsha + u(U"\U0001F600") + kFlag},
        // A run takes its script from its first letter: a line that starts with a digit and a
        // mark and ends in Devanagari is all one Devanagari run, split by syllables.
        {"a digit's mark, the script settled at the line's end", u(U"1\u0301") + times(300, QStringLiteral(" ")) + kKsha},
    };
    // An Arabic number sign joins the letter after it.
    out.push_back({"a number sign before a letter", letters + u(U"\u0600") + "a" + letters});
    for (const QString& piece : {kMarks, kJoined, times(30, kFlag), kKshatriya + kKeycap, kJamo + kHangul})
        out.push_back({"inside letters", letters + piece + letters});
    // A letter with 300 marks from column 3999, across column 4096, where the coarse bits of a
    // line's kept boundaries go on in their next word.
    out.push_back({"marks across column 4096", times(666, QStringLiteral("abc de")) + "abcd" + times(300, u(U"\u0301")) + letters});
    return out;
}

TEST(TextLines, WholeCharactersOfAnyLength) {
    for (const Line& l : namedLines()) {
        TextLines lines;
        lines.assign({QStringLiteral("before"), l.text, QStringLiteral("after")});
        expectWholeCharacters(lines, 1, l.name);
    }
}

TEST(TextLines, CharacterMovesCrossLineBreaks) {
    TextLines lines;
    lines.assign({kFlag, kMarks});
    EXPECT_EQ(lines.nextCharacter({0, 4}), (TextPosition{1, 0}));
    EXPECT_EQ(lines.previousCharacter({1, 0}), (TextPosition{0, 4}));
    EXPECT_EQ(lines.nextWord({0, 4}), (TextPosition{1, 0}));
    EXPECT_EQ(lines.previousWord({1, 0}), (TextPosition{0, 4}));
    EXPECT_EQ(lines.nextCharacter({1, 0}), (TextPosition{1, 101}));
    EXPECT_EQ(lines.previousCharacter({1, 101}), (TextPosition{1, 0}));
}

// Backspace takes one code point, as Qt's boxes do: a flag's second half, a keycap's mark.
TEST(TextLines, BackspaceTakesOneCodePoint) {
    TextLines lines;
    lines.assign({kFlag + kKeycap});
    EXPECT_EQ(lines.previousCodePoint({0, 7}).column, 6);
    EXPECT_EQ(lines.previousCodePoint({0, 4}).column, 2);
}

// Pieces of the texts above, and of plain text, put together at random: lines short enough to
// be read whole and long enough to be read in stretches, with letters that settle boundaries
// rare or frequent.
QString randomLine(std::mt19937& random, int pieces) {
    static const std::vector<QString> parts = {
        kFlag, u(U"\U0001F1E9"), kKeycap, u(U"\uAD6D"), kHangul, u(U"\u1112"), u(U"\u1161"), u(U"\u11AB"),
        kKsha, kKshatriya, u(U"\u094D"), u(U"\u0915"), kWoman, u(U"\u200D"), u(U"\u0301"), u(U"\uFE0F"),
        u(U"\U0001F600"), u(U"\u1000\u1039\u1000"), u(U"\u0E01\u0E34\u0E48"), u(U"\u4E2D\u6587"),
        QStringLiteral("1"), QStringLiteral(" "), QStringLiteral("ab"), QStringLiteral("x."), QStringLiteral("e\u0301"),
    };
    const int plain = int(random() % 3);  // how much plain text: none, some, much
    QString line;
    for (int i = 0; i < pieces; ++i) {
        if (plain > 0 && int(random() % 4) < plain) line += QStringLiteral("word ");
        else line += parts[random() % parts.size()];
    }
    return line;
}

TEST(TextLines, WholeCharactersOfRandomLines) {
    std::mt19937 random(20240611);
    for (int i = 0; i < 60; ++i) {
        const int pieces = i % 3 == 0 ? 5 + int(random() % 20) : 100 + int(random() % 200);
        TextLines lines;
        lines.assign({randomLine(random, pieces)});
        expectWholeCharacters(lines, 0, "random line " + std::to_string(i));
    }
}

// An edit changes the boundaries around it, and beyond: a flag's halves pair up anew to the
// end of the run. What is known of a line holds only until it changes, by an edit or by a
// new text put in its place.
TEST(TextLines, BoundariesFollowEdits) {
    std::mt19937 random(7);
    TextLines lines;
    lines.assign({times(300, kFlag), randomLine(random, 200)});
    expectWholeCharacters(lines, 0, "flags");
    lines.replace({0, 2}, {0, 2}, u(U"\U0001F1E9"));  // one more half at the start
    expectWholeCharacters(lines, 0, "flags after one half more");
    lines.replace({0, 0}, {0, 2}, QString());
    expectWholeCharacters(lines, 0, "flags after one half less");
    lines.replace({0, 0}, {0, 2}, QStringLiteral("ab"));  // as long as before
    expectWholeCharacters(lines, 0, "flags after two letters in place of a half");
    for (int i = 0; i < 20; ++i) {
        const int line = int(random() % 2), from = int(random() % (lines.length(line) + 1));
        const int to = std::min(lines.length(line), from + int(random() % 8));
        lines.replace({line, from}, {line, to}, randomLine(random, 1 + int(random() % 3)));
        expectWholeCharacters(lines, line, "after edit " + std::to_string(i));
    }
    // The view puts a new line in place of an empty one without an edit: here one as long as
    // the line before, its flags two units further on.
    lines[0] = LineText(times(300, kFlag));
    expectWholeCharacters(lines, 0, "a new line");
    lines[0] = LineText("ab" + times(299, kFlag) + u(U"\U0001F1E9"));
    expectWholeCharacters(lines, 0, "a new line as long as the one before");
}

}  // namespace
