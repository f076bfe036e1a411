// What whole characters (grapheme clusters) measure in one font, each found by shaping once
// when first met: the advance of a character alone, and the kerning of a pair (the pair's
// advance less the two). A pair is checked against its own shaping: its glyphs must be those
// of the two characters alone, the second where the first's advance and the kerning put it.
// A text whose pairs all check out measures by adding up, exactly as it shapes; what a pair
// cannot vouch for (a ligature, a script shaped in context such as Arabic or the Indic ones,
// right-to-left text, a tab) is shaped as a run, and a run's measure is kept by its text.
//
// Qt lays a line out in items of one script each, and the script of an item picks the fonts
// (and font features) its characters are drawn with: digits, blanks, punctuation and emoji
// take the script of the item they stand in. So characters are measured in the script of the
// item they stand in, one Context for each script.
#pragma once
#include <QChar>
#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QString>
#include <cstdint>
#include <limits>
#include <memory>
#include <unordered_map>
#include <vector>

class QTextLayout;

class FontAdvances {
public:
    // A character: its UTF-16 unit when it is one, else an index past the units.
    using Symbol = std::uint32_t;
    using Script = QChar::Script;
    // The advance of a character that is measured only with its neighbours, and the kerning of
    // a pair that does not add up.
    static constexpr float kContext = std::numeric_limits<float>::infinity();
    // What a table of measures holds for what is not measured yet.
    static constexpr float kUnknown = -std::numeric_limits<float>::max();

    explicit FontAdvances(const QFont& font);
    ~FontAdvances();
    const QFont& font() const { return font_; }

    // The script of the item a line's characters stand in, as Qt's layout finds it: `script`
    // is that of the item so far, and becomes that of the item the code point stands in;
    // returns whether a new item begins at the code point. A line starts in the script of its
    // first character that has one of its own (leadingScript()).
    static bool itemScript(Script& script, char32_t c) {
        const Script next = scriptOf(c);
        if (next == script || next <= QChar::Script_Common) return false;
        if (script <= QChar::Script_Common) {
            script = next;
            return false;
        }
        // A combining mark stays in the item of its base, whatever its script.
        const unsigned mark = 1u << QChar::Mark_NonSpacing | 1u << QChar::Mark_SpacingCombining | 1u << QChar::Mark_Enclosing;
        if (mark & (1u << QChar::category(c))) return false;
        script = next;
        return true;
    }
    static Script leadingScript(QStringView text);
    // QChar::script(), from a table for the BMP.
    static Script scriptOf(char32_t c) {
        static const std::vector<std::uint8_t> scripts = [] {
            std::vector<std::uint8_t> out(0x10000);
            for (char32_t u = 0; u < 0x10000; ++u) out[u] = std::uint8_t(QChar::script(u));
            return out;
        }();
        return c < 0x10000 ? Script(scripts[c]) : Script(QChar::script(c));
    }
    // Whether Qt shapes the script's characters (and finds their boundaries) without regard to
    // the characters around them: not so for Arabic, the Indic scripts, Thai and the like.
    static bool contextFree(Script script);

    // Whether a grapheme boundary stands on either side of the code point, whatever its
    // neighbour there is: true of most characters, false of combining marks, joiners,
    // regional indicators, conjoining jamo and the like.
    bool alone(char32_t c) {
        if (c < kTabled) {
            const std::uint8_t known = alone_[c];
            if (known) return known == 1;
        }
        return probeAlone(c);
    }

    Symbol symbol(char16_t unit) const { return unit; }
    // A character of one code point.
    Symbol symbol(char32_t codePoint) {
        if (codePoint < 0x10000) return codePoint;
        if (codePoint < kTabled && internedAbove_[codePoint - 0x10000]) return internedAbove_[codePoint - 0x10000];
        return internAbove(codePoint);
    }
    Symbol symbol(const QString& cluster);

    // The whole character at the start of `text`, where `text` runs from a boundary to the
    // first place where a boundary is sure to stand (alone() on both sides), in an item of a
    // contextFree() script: nothing outside it has a say then. Its length (0 until set:
    // boundaries are the text's own to tell) and symbol.
    struct Cluster {
        int length = 0;
        Symbol symbol = 0;
    };
    Cluster cluster(QStringView text) const {
        auto it = clusters_.find(qHash(text));
        return it != clusters_.end() && it->second.text == text ? it->second.cluster : Cluster();
    }
    Cluster setCluster(QStringView text, int length);

    // The measures of characters in items of one script.
    class Context {
    public:
        // Whether a UTF-16 unit is a character of its own that stands alone, keeps to the
        // item (of this script or of none) and adds up: what a walk may take at full speed.
        bool plain(char16_t unit) {
            const std::uint8_t known = plain_[unit];
            return known ? known == 1 : probePlain(unit);
        }
        float advance(Symbol s) {
            const float a = s < advances_.size() ? advances_[s] : kUnknown;
            return a == kUnknown ? measure(s) : a;
        }
        float kerning(Symbol a, Symbol b) {
            if (a < 256 && b < 256) {
                const float k = latin_[a << 8 | b];
                return k == kUnknown ? measurePair(a, b) : k;
            }
            const std::uint64_t key = std::uint64_t(a) << 32 | b;
            const Recent& recent = recent_[(key * 0x9E3779B97F4A7C15u) >> (64 - kRecentBits)];
            return recent.key == key ? recent.kerning : kerningOf(a, b);
        }

        // The tables by UTF-16 unit, for a walk's inner loop to read without a call: plain(),
        // advance() and (of two Latin-1 characters) kerning(), or 0 and kUnknown where not
        // measured yet. They stay where they are.
        struct Units {
            const std::uint8_t* plain;
            const float* advances;
            const float* latin;
        };
        Units units() const { return {plain_.data(), advances_.data(), latin_.data()}; }
        // plain() for a character of one code point, of any plane.
        bool plain(Symbol s, char32_t codePoint) {
            if (s < 0x10000) return plain(char16_t(s));
            const std::size_t at = s - 0x10000;
            if (at < plainAbove_.size() && plainAbove_[at]) return plainAbove_[at] == 1;
            return probePlain(s, codePoint);
        }
        Script script() const { return script_; }

    private:
        friend class FontAdvances;
        Context(FontAdvances& font, Script script);
        bool probePlain(char16_t unit);
        bool probePlain(Symbol s, char32_t codePoint);
        float measure(Symbol s);
        float measurePair(Symbol a, Symbol b);
        float kerningOf(Symbol a, Symbol b);

        FontAdvances& font_;
        const Script script_;
        std::vector<float> advances_;  // by symbol
        std::vector<float> latin_;     // kerning of pairs of Latin-1 characters
        std::unordered_map<std::uint64_t, float> pairs_;  // kerning of other pairs
        // The other pairs met lately, by a hash of the pair: most texts repeat few pairs.
        static constexpr int kRecentBits = 12;
        struct Recent {
            std::uint64_t key = ~std::uint64_t(0);
            float kerning = 0;
        };
        std::vector<Recent> recent_;
        std::vector<std::uint8_t> plain_;  // by UTF-16 unit: 0 not probed, 1 plain, 2 not
        std::vector<std::uint8_t> plainAbove_;  // by symbol past the units
        struct Glyph {
            int font;
            quint32 index;
            qreal x;
            qreal y;
            friend bool operator==(const Glyph&, const Glyph&) = default;
            friend auto operator<=>(const Glyph&, const Glyph&) = default;
        };
        std::unordered_map<Symbol, std::vector<Glyph>> glyphs_;  // of each character measured
        std::vector<Glyph> glyphsFrom(const QTextLayout& layout, qreal start);
    };
    Context& in(Script script) {
        Context* context = contexts_[std::size_t(script)].get();
        return context ? *context : open(script);
    }

    // A run of characters shaped whole, in an item of the script: its width, and whether that
    // is where the shaping of a whole line puts its end (not for right-to-left text, whose x
    // runs the other way, nor for a tab, whose width depends on where it stands).
    struct Run {
        qreal width = 0;
        bool exact = true;
    };
    Run run(const QString& text, Script script);
    // The x of a column of a run (a whole character's boundary), from the run's start: for
    // right-to-left text the width of the text before it.
    qreal xInRun(const QString& text, Script script, int column);

private:
    struct Positions;
    // The text as shaped in an item of the script: after a letter of that script where the
    // text alone would stand in another; sets `start` to the length of what comes before it.
    static QString inItem(const QString& text, Script script, int& start, bool& known);

    // Code points below this are looked up in tables (the emoji are in the plane above the BMP).
    static constexpr char32_t kTabled = 0x20000;
    bool probeAlone(char32_t c);
    Symbol internAbove(char32_t codePoint);
    Context& open(Script script);
    QString textOf(Symbol s) const;
    int fontIndex(const QRawFont& raw);

    QFont font_;
    std::vector<std::uint8_t> alone_;  // by code point below kTabled: 0 not probed, 1 alone, 2 not
    QHash<char32_t, bool> aloneAbove_;
    QHash<QString, Symbol> interned_;
    std::vector<Symbol> internedAbove_;  // by code point from 0x10000 to kTabled, 0 until interned
    QHash<char32_t, Symbol> internedFar_;   // above those
    struct KnownCluster {
        QString text;
        Cluster cluster;
    };
    std::unordered_map<std::size_t, KnownCluster> clusters_;  // by a hash of the text
    std::vector<QString> interns_;  // the text of each symbol past the units
    std::vector<QRawFont> fonts_;    // the fonts glyphs came from, by index
    std::vector<std::unique_ptr<Context>> contexts_;  // by script
    QHash<QString, Run> runs_;  // by the text as shaped
    QHash<QString, std::shared_ptr<Positions>> positions_;  // of the runs clicked or fitted in lately
};
