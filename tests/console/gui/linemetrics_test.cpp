// The text view's measure of its lines, without a widget, in the fonts the boxes use as they
// resolve here: the x of every place between whole characters is where Qt's layout of the
// whole line puts it, an edited line measures as the same text fresh, a row is full where
// adding up the measure says so, and a click lands on the nearer end of the character under it.
#include <QApplication>
#include <QFontMetricsF>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <gtest/gtest.h>
#include <random>
#include <vector>

#include "gui/textview/linemetrics.h"

namespace {

// The fonts of the boxes: the send box's own (the application's), the window's, which the
// send box takes on its page, and the log pane's.
struct NamedFont {
    const char* name;
    QFont font;
};
std::vector<NamedFont> boxFonts() {
    QFont form(QStringLiteral("MS Sans Serif"));
    form.setPointSize(8);
    QFont log(QStringLiteral("MS Sans Serif"));
    log.setPixelSize(13);
    return {{"application", QApplication::font()}, {"window", form}, {"log", log}};
}

QString repeated(const QString& piece, int times) {
    QString out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

struct Text {
    const char* name;
    QString text;
    bool exact;  // whether the measure claims every x is the whole line's
};
std::vector<Text> texts() {
    return {
        {"upper-case hex", QStringLiteral("A5 0F 7E 10 FF 3C AD 99 "), true},
        {"lower-case hex", QStringLiteral("a5 0f 7e 10 ff 3c ad 99 "), true},
        {"kerning pairs", QStringLiteral("AVATAR Tokyo, Type WAVE To. Yo! LTA"), true},
        {"ligatures", QStringLiteral("office file flow affine"), true},
        {"Chinese", QStringLiteral("中文数据 测试，内容。"), true},
        {"Chinese and Latin", QStringLiteral("温度23°C 中文abc 数据AV“引号”"), true},
        {"emoji and flags", QStringLiteral("😀 🇩🇪🇫🇷🇯🇵 👍🏽 ok 1️⃣ 국1️⃣ 👨‍👩‍👧"), true},
        {"combining marks", QStringLiteral("e\u0301a\u0308\u0323 n\u0303 A\u030A\u0301 x"), true},
        {"Hangul jamo", QStringLiteral("한국어 \u1100\u1161\u11A8 \u1112\u1161\u11AB"), true},
        {"Devanagari", QStringLiteral("क्षत्रिय नमस्ते"), true},
        {"Hebrew", QStringLiteral("שלום עולם abc"), false},
        // Marks fall at every place of the pattern: inside kerning pairs, at a ligature, at the
        // start of an item whose script picks the font of the characters after it.
        {"long line", repeated(QStringLiteral("AVATAR Tokyo office 中AVA a5 국A 1️⃣ "), 200), true},
    };
}

// The places between whole characters, as Qt finds them over the whole line.
std::vector<int> boundaries(const QString& text) {
    std::vector<int> out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = 0; at >= 0; at = finder.toNextBoundary()) out.push_back(int(at));
    return out;
}

// Qt's layout of the whole line, unwrapped.
struct WholeLine {
    WholeLine(const QString& text, const QFont& font) : layout(text, font) {
        layout.beginLayout();
        line = layout.createLine();
        layout.endLayout();
    }
    QTextLayout layout;
    QTextLine line;
};

// Qt places glyphs in 1/64 pixel: a sum of advances is exact to that.
constexpr qreal kQtRounding = 1.0 / 64;

// One line of text and its measure.
struct Measured {
    Measured(const QString& text, const QFont& font) {
        lines.assign({text});
        metrics.setFont(font);
    }
    TextLines lines;
    LineMetrics metrics{lines};
};

TEST(LineMetrics, EveryColumnStandsWhereTheWholeLineShapesIt) {
    for (const NamedFont& font : boxFonts()) {
        for (const Text& t : texts()) {
            SCOPED_TRACE(std::string(font.name) + ", " + t.name);
            Measured m(t.text, font.font);
            ASSERT_EQ(m.metrics.exact(0), t.exact);
            const WholeLine whole(t.text, font.font);
            // A line the program adds as Latin-1 measures as the same text in UTF-16.
            if (const QByteArray latin1 = t.text.toLatin1(); QString::fromLatin1(latin1) == t.text) {
                TextLines lines;
                lines[0] = LineText(latin1);
                LineMetrics metrics(lines);
                metrics.setFont(font.font);
                for (int c = 0; c <= t.text.size(); ++c) ASSERT_EQ(metrics.advance(0, c), m.metrics.advance(0, c));
            }
            if (!t.exact) {
                // Measured in runs: the width still adds up to the whole line's.
                EXPECT_NEAR(m.metrics.advance(0, int(t.text.size())),
                            QFontMetricsF(font.font).horizontalAdvance(t.text), kQtRounding);
                continue;
            }
            for (int c : boundaries(t.text)) {
                SCOPED_TRACE(c);
                EXPECT_NEAR(m.metrics.advance(0, c), whole.line.cursorToX(c), kQtRounding);
            }
            EXPECT_EQ(m.metrics.width(0), int(std::ceil(whole.line.cursorToX(int(t.text.size())))));
        }
    }
}

// Random inserts and deletes of pieces that kern, join, combine and shape in context.
TEST(LineMetrics, AnEditedLineMeasuresAsTheSameTextFresh) {
    const QStringList pieces = {
        QStringLiteral("AV"),   QStringLiteral("To"),     QStringLiteral("office"), QStringLiteral(" "),
        QStringLiteral("中文"), QStringLiteral("a5 "),    QStringLiteral("\u0301"), QStringLiteral("🇩🇪"),
        QStringLiteral("🇫"),   QStringLiteral("\u200D"), QStringLiteral("👍🏽"),   QStringLiteral("שלום"),
        QStringLiteral("नमस्ते"), QStringLiteral("\t"),     QStringLiteral("Yo."),    QStringLiteral("1️⃣"),
    };
    for (const NamedFont& font : boxFonts()) {
        SCOPED_TRACE(font.name);
        std::mt19937 random(20240611);
        QString start;
        for (int i = 0; i < 400; ++i) start += pieces[int(random() % pieces.size())];
        Measured edited(start, font.font);
        for (int step = 0; step < 40; ++step) {
            // The marks are there before the edit, as a view that showed the line has them.
            const std::vector<LineMetrics::Mark>& marks = edited.metrics.marksOf(0);
            const int size = edited.lines.length(0);
            // Every other edit right at a mark, where what the mark holds changes.
            const int column = step % 2 && !marks.empty() ? marks[random() % marks.size()].column : int(random() % (size + 1));
            const int end = random() % 2 ? std::min(size, column + int(random() % 12)) : column;
            const QString inserted = random() % 3 ? pieces[int(random() % pieces.size())] : QString();
            const TextLines::Position after = edited.lines.replace({0, column}, {0, end}, inserted);
            edited.metrics.editedInLine(0, column, end, after.column);

            const QString text = edited.lines[0].toString();
            Measured fresh(text, font.font);
            SCOPED_TRACE(step);
            for (int c : boundaries(text)) {
                ASSERT_EQ(edited.metrics.advance(0, c), fresh.metrics.advance(0, c)) << "column " << c;
            }
            ASSERT_EQ(edited.metrics.width(0), fresh.metrics.width(0));
        }
    }
}

// The edit that broke the send box's rewrap: a keystroke into a long line of kerning words.
// Keystrokes into long lines, each x then checked against the whole line's layout: into
// words that kern (the edit that made the send box's rows differ from a fresh wrap), and
// before characters that take the script of the item they stand in, which the keystroke
// changes for all of them (digits and keycaps after Hangul are drawn in another font than
// after Latin).
TEST(LineMetrics, TypingIntoALongLineKeepsEveryXOfTheWholeLine) {
    struct Typing {
        QString text;
        std::vector<std::pair<int, QString>> keys;  // column, text typed there
    };
    const std::vector<Typing> typings = {
        {repeated(QStringLiteral("AVATAR Tokyo WAVE "), 40), {{3, "V"}, {200, "V"}, {401, "A"}, {700, "T"}}},
        {QStringLiteral("국") + repeated(QStringLiteral(" 12"), 200), {{1, "A"}, {300, "국"}, {2, "중"}}},
        {QStringLiteral("국") + repeated(QStringLiteral(" 1️⃣"), 200), {{1, "A"}, {300, "국"}}},
    };
    for (const NamedFont& font : boxFonts()) {
        for (const Typing& typing : typings) {
            SCOPED_TRACE(font.name);
            Measured m(typing.text, font.font);
            for (const auto& [column, key] : typing.keys) {
                m.metrics.marksOf(0);
                m.lines.replace({0, column}, {0, column}, key);
                m.metrics.editedInLine(0, column, column, column + int(key.size()));
                const QString text = m.lines[0].toString();
                ASSERT_TRUE(m.metrics.exact(0));
                const WholeLine whole(text, font.font);
                for (int c : boundaries(text)) {
                    ASSERT_NEAR(m.metrics.advance(0, c), whole.line.cursorToX(c), kQtRounding) << "column " << c;
                }
            }
        }
    }
}

// Where a row from `from` is full, by trying every whole character after it in turn.
int fitByAdvances(LineMetrics& metrics, const std::vector<int>& bounds, int from, qreal room) {
    const qreal start = metrics.advance(0, from);
    auto next = std::upper_bound(bounds.begin(), bounds.end(), from);
    if (next == bounds.end()) return from;
    int fits = *next;  // one character at least
    for (++next; next != bounds.end() && metrics.advance(0, *next) - start <= room; ++next) fits = *next;
    return fits;
}

// Where the view starts the row after one full at `fits`: after the blanks there, else after
// the last blank in the row, else right there.
int nextRow(const QString& text, int from, int fits) {
    int next = fits;
    if (text[fits].isSpace()) {
        while (next < text.size() && text[next].isSpace()) ++next;
        return next;
    }
    int blank = fits;
    while (blank > from && !text[blank - 1].isSpace()) --blank;
    return blank > from ? blank : fits;
}

TEST(LineMetrics, ARowIsFullWhereItsAdvancesAddUpToTheRoom) {
    for (const NamedFont& font : boxFonts()) {
        for (const Text& t : texts()) {
            SCOPED_TRACE(std::string(font.name) + ", " + t.name);
            Measured m(t.text, font.font);
            const std::vector<int> bounds = boundaries(t.text);
            const int size = int(t.text.size());
            for (qreal room : {0.0, 5.0, 13.5, 40.0, 120.0, 400.0}) {
                // Row after row, as the view wraps the line: each fit goes on from the last.
                for (int from = 0; from < size;) {
                    const int fits = m.metrics.fit(0, from, room);
                    ASSERT_EQ(fits, fitByAdvances(m.metrics, bounds, from, room)) << "from " << from << ", room " << room;
                    if (fits >= size) break;
                    from = nextRow(t.text, from, fits);
                }
                // And from every character (every seventh of a long line: every place of its
                // pattern).
                for (std::size_t k = 0; k < bounds.size(); k += bounds.size() > 500 ? 7 : 1) {
                    ASSERT_EQ(m.metrics.fit(0, bounds[k], room), fitByAdvances(m.metrics, bounds, bounds[k], room))
                        << "from " << bounds[k] << ", room " << room;
                }
            }
        }
    }
}

TEST(LineMetrics, AClickLandsOnTheNearerEndOfTheCharacterUnderIt) {
    for (const NamedFont& font : boxFonts()) {
        for (const Text& t : texts()) {
            SCOPED_TRACE(std::string(font.name) + ", " + t.name);
            Measured m(t.text, font.font);
            const std::vector<int> bounds = boundaries(t.text);
            const int size = int(t.text.size());
            for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
                const qreal left = m.metrics.advance(0, bounds[i]), right = m.metrics.advance(0, bounds[i + 1]);
                for (qreal x : {left + 0.25, (left + right) / 2 - 0.25, (left + right) / 2 + 0.25, right - 0.25}) {
                    if (x <= left || x >= right) continue;
                    const int nearer = x - left < right - x ? bounds[i] : bounds[i + 1];
                    ASSERT_EQ(m.metrics.columnAtX(0, x, 0, size), nearer) << "x " << x;
                }
            }
            EXPECT_EQ(m.metrics.columnAtX(0, -5, 0, size), 0);
            EXPECT_EQ(m.metrics.columnAtX(0, m.metrics.advance(0, size) + 5, 0, size), size);
        }
    }
    // Past the end of a Hangul syllable and a keycap: after the keycap, not inside it.
    Measured keycap(QStringLiteral("국1️⃣"), QApplication::font());
    EXPECT_EQ(keycap.metrics.columnAtX(0, keycap.metrics.advance(0, 4) - 0.5, 0, 4), 4);
    // On the right half of a flag: after the flag, not between its two regional indicators.
    Measured flags(QStringLiteral("🇩🇪🇫🇷"), QApplication::font());
    EXPECT_EQ(flags.metrics.columnAtX(0, flags.metrics.advance(0, 4) * 0.8, 0, 8), 4);
}

}  // namespace
