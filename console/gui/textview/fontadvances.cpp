#include "fontadvances.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace {

using Script = FontAdvances::Script;
constexpr FontAdvances::Symbol kUnits = 0x10000;
// How many runs are kept measured by their text, and how many with the x of their columns.
constexpr qsizetype kRunsKept = 16384;
constexpr qsizetype kPositionsKept = 64;

// One unwrapped line, as the view lays its text out.
void layOut(QTextLayout& layout) {
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
}

bool boundaryAt(const QString& text, qsizetype at) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(at);
    return finder.isAtBoundary();
}

}  // namespace

// Scripts shaped without regard to the characters around (and the characters that take the
// script of their neighbours): a pair of their characters shows what they do side by side.
bool FontAdvances::contextFree(Script script) {
    switch (script) {
    case QChar::Script_Common:
    case QChar::Script_Inherited:
    case QChar::Script_Latin:
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic:
    case QChar::Script_Armenian:
    case QChar::Script_Georgian:
    case QChar::Script_Cherokee:
    case QChar::Script_Ethiopic:
    case QChar::Script_Braille:
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Bopomofo:
    case QChar::Script_Hangul:
    case QChar::Script_Yi:
        return true;
    default:
        return false;
    }
}

namespace {

// A letter of the script, to put a text into an item of that script; 0 for a script without
// one here.
char16_t letterOf(Script script) {
    switch (script) {
    case QChar::Script_Latin: return u'x';
    case QChar::Script_Greek: return 0x03B1;
    case QChar::Script_Cyrillic: return 0x0436;
    case QChar::Script_Armenian: return 0x0561;
    case QChar::Script_Hebrew: return 0x05D0;
    case QChar::Script_Arabic: return 0x0627;
    case QChar::Script_Devanagari: return 0x0915;
    case QChar::Script_Bengali: return 0x0995;
    case QChar::Script_Tamil: return 0x0B95;
    case QChar::Script_Thai: return 0x0E01;
    case QChar::Script_Georgian: return 0x10D0;
    case QChar::Script_Cherokee: return 0x13A0;
    case QChar::Script_Ethiopic: return 0x1200;
    case QChar::Script_Braille: return 0x2801;
    case QChar::Script_Han: return 0x4E00;
    case QChar::Script_Hiragana: return 0x3042;
    case QChar::Script_Katakana: return 0x30A2;
    case QChar::Script_Bopomofo: return 0x3105;
    case QChar::Script_Hangul: return 0xAC00;
    case QChar::Script_Yi: return 0xA000;
    default: return 0;
    }
}

// Right-to-left characters and the controls of direction: a run that holds one is laid out
// in an order of its own, and measured in the order of its characters.
bool reorders(QChar::Direction direction) {
    switch (direction) {
    case QChar::DirR:
    case QChar::DirAL:
    case QChar::DirAN:
    case QChar::DirRLE:
    case QChar::DirRLO:
    case QChar::DirLRE:
    case QChar::DirLRO:
    case QChar::DirPDF:
    case QChar::DirRLI:
    case QChar::DirLRI:
    case QChar::DirFSI:
    case QChar::DirPDI:
        return true;
    default:
        return false;
    }
}

// A line or paragraph separator would end the layout's one line: it is shaped as a blank.
bool separator(char32_t c) { return c == 0x2028 || c == 0x2029; }

template <typename F>
void forEachCodePoint(QStringView text, F&& f) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        f(c);
    }
}

bool reordered(const QString& text) {
    bool any = false;
    forEachCodePoint(text, [&](char32_t c) { any = any || reorders(QChar::direction(c)); });
    return any;
}

QString shapedText(QString text) {
    for (QChar& c : text)
        if (separator(c.unicode())) c = u' ';
    return text;
}

}  // namespace

// The x of the columns of a run, found as they are asked for: from its layout, or for a run
// laid out in an order of its own, as the width of the text before the column.
struct FontAdvances::Positions {
    std::unique_ptr<QTextLayout> layout;
    QString shaped;
    int start = 0;
    std::vector<qreal> x;  // NaN until asked for
};

FontAdvances::FontAdvances(const QFont& font)
    : font_(font), alone_(kTabled, 0), internedAbove_(kTabled - kUnits, 0), contexts_(QChar::ScriptCount) {}

FontAdvances::~FontAdvances() = default;

FontAdvances::Script FontAdvances::leadingScript(QStringView text) {
    Script script = QChar::Script_Common;
    for (qsizetype i = 0; i < text.size() && script <= QChar::Script_Common; ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        itemScript(script, c);
    }
    return script;
}

QString FontAdvances::inItem(const QString& text, Script script, int& start, bool& known) {
    start = 0;
    known = true;
    if (script <= QChar::Script_Common || leadingScript(text) == script) return text;
    const char16_t letter = letterOf(script);
    if (!letter) {
        known = false;
        return text;
    }
    start = 1;
    return QChar(letter) + text;
}

bool FontAdvances::probeAlone(char32_t c) {
    if (c >= kTabled) {
        if (auto it = aloneAbove_.constFind(c); it != aloneAbove_.constEnd()) return *it;
    }
    // Beside a letter, beside itself (a pair of regional indicators, of jamo), before a vowel
    // and a final jamo (a Hangul syllable takes those).
    const QString self = QString::fromUcs4(&c, 1);
    const qsizetype n = self.size();
    const bool alone = !QChar::isSurrogate(c) && boundaryAt(QChar(u'a') + self, 1) &&
                       boundaryAt(self + QChar(u'a'), n) && boundaryAt(self + self, n) &&
                       boundaryAt(self + QChar(0x1161), n) && boundaryAt(self + QChar(0x11A8), n);
    if (c < kTabled) alone_[c] = alone ? 1 : 2;
    else aloneAbove_.insert(c, alone);
    return alone;
}

FontAdvances::Symbol FontAdvances::internAbove(char32_t codePoint) {
    if (codePoint >= kTabled) {
        if (auto it = internedFar_.constFind(codePoint); it != internedFar_.constEnd()) return *it;
    }
    const Symbol s = symbol(QString::fromUcs4(&codePoint, 1));
    if (codePoint < kTabled) internedAbove_[codePoint - kUnits] = s;
    else internedFar_.insert(codePoint, s);
    return s;
}

FontAdvances::Cluster FontAdvances::setCluster(QStringView text, int length) {
    if (clusters_.size() >= std::size_t(kRunsKept)) clusters_.clear();
    const Cluster cluster{length, symbol(text.left(length).toString())};
    clusters_[qHash(text)] = {text.toString(), cluster};
    return cluster;
}

FontAdvances::Symbol FontAdvances::symbol(const QString& cluster) {
    if (cluster.size() == 1) return cluster[0].unicode();
    if (auto it = interned_.constFind(cluster); it != interned_.constEnd()) return *it;
    const Symbol s = kUnits + Symbol(interns_.size());
    interns_.push_back(cluster);
    interned_.insert(cluster, s);
    return s;
}

QString FontAdvances::textOf(Symbol s) const {
    return s < kUnits ? QString(QChar(char16_t(s))) : interns_[s - kUnits];
}

FontAdvances::Context& FontAdvances::open(Script script) {
    contexts_[std::size_t(script)].reset(new Context(*this, script));
    return *contexts_[std::size_t(script)];
}

int FontAdvances::fontIndex(const QRawFont& raw) {
    auto known = std::find(fonts_.begin(), fonts_.end(), raw);
    if (known == fonts_.end()) known = fonts_.insert(fonts_.end(), raw);
    return int(known - fonts_.begin());
}

FontAdvances::Context::Context(FontAdvances& font, Script script)
    : font_(font), script_(script), advances_(kUnits, kUnknown), latin_(256 * 256, kUnknown),
      recent_(std::size_t(1) << kRecentBits), plain_(kUnits, 0) {}

bool FontAdvances::Context::probePlain(Symbol s, char32_t codePoint) {
    const auto script = Script(QChar::script(codePoint));
    const bool plain = font_.alone(codePoint) && (script <= QChar::Script_Common || script == script_) &&
                       advance(s) != kContext;
    const std::size_t at = s - kUnits;
    if (at >= plainAbove_.size()) plainAbove_.resize(std::max<std::size_t>(at + 1, plainAbove_.size() * 2), 0);
    plainAbove_[at] = plain ? 1 : 2;
    return plain;
}

bool FontAdvances::Context::probePlain(char16_t unit) {
    const auto script = Script(QChar::script(char32_t(unit)));
    const bool plain = !QChar::isSurrogate(unit) && font_.alone(unit) &&
                       (script <= QChar::Script_Common || script == script_) && advance(unit) != kContext;
    plain_[unit] = plain ? 1 : 2;
    return plain;
}

// The glyphs from x = start on, from there, and from the baseline: a line that holds a taller
// font stands lower.
std::vector<FontAdvances::Context::Glyph> FontAdvances::Context::glyphsFrom(const QTextLayout& layout, qreal start) {
    std::vector<Glyph> out;
    const QTextLine line = layout.lineAt(0);
    const qreal baseline = line.y() + line.ascent();
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const int font = font_.fontIndex(run.rawFont());
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < indexes.size(); ++i)
            if (positions[i].x() >= start)
                out.push_back({font, indexes[i], positions[i].x() - start, positions[i].y() - baseline});
    }
    std::sort(out.begin(), out.end());
    return out;
}

float FontAdvances::Context::measure(Symbol s) {
    const QString text = font_.textOf(s);
    bool free = contextFree(script_);
    forEachCodePoint(text, [&](char32_t c) {
        if (c == u'\t' || separator(c) || reorders(QChar::direction(c)) || !contextFree(Script(QChar::script(c))))
            free = false;
    });
    int start = 0;
    const QString shaped = free ? inItem(text, script_, start, free) : QString();
    float advance = kContext;
    if (free) {
        QTextLayout layout(shaped, font_.font_);
        layOut(layout);
        const QTextLine line = layout.lineAt(0);
        const qreal x = line.cursorToX(start);
        advance = float(line.cursorToX(int(shaped.size())) - x);
        glyphs_[s] = glyphsFrom(layout, x);
    }
    if (s >= advances_.size()) advances_.resize(std::max<std::size_t>(s + 1, advances_.size() * 2), kUnknown);
    advances_[s] = advance;
    return advance;
}

float FontAdvances::Context::measurePair(Symbol a, Symbol b) {
    const float first = advance(a), second = advance(b);
    float kerning = kContext;
    if (first != kContext && second != kContext) {
        const QString before = font_.textOf(a), after = font_.textOf(b);
        int start = 0;
        bool known = true;
        const QString shaped = inItem(before + after, script_, start, known);
        QTextLayout layout(shaped, font_.font_);
        layOut(layout);
        const QTextLine line = layout.lineAt(0);
        const qreal x = line.cursorToX(start);
        const qreal middle = line.cursorToX(start + int(before.size())) - x;
        const qreal end = line.cursorToX(int(shaped.size())) - x;
        // The second character's glyphs where the first's advance and the kerning put them.
        std::vector<Glyph> expected = glyphs_[a];
        for (Glyph g : glyphs_[b]) {
            g.x += middle;
            expected.push_back(g);
        }
        std::sort(expected.begin(), expected.end());
        if (known && end - middle == second && glyphsFrom(layout, x) == expected) kerning = float(middle - first);
    }
    if (a < 256 && b < 256) latin_[a << 8 | b] = kerning;
    else pairs_[std::uint64_t(a) << 32 | b] = kerning;
    return kerning;
}

float FontAdvances::Context::kerningOf(Symbol a, Symbol b) {
    // A character shaped in context pairs with none: nothing to keep.
    if (advance(a) == kContext || advance(b) == kContext) return kContext;
    const std::uint64_t key = std::uint64_t(a) << 32 | b;
    auto it = pairs_.find(key);
    const float kerning = it != pairs_.end() ? it->second : measurePair(a, b);
    recent_[(key * 0x9E3779B97F4A7C15u) >> (64 - kRecentBits)] = {key, kerning};
    return kerning;
}

FontAdvances::Run FontAdvances::run(const QString& text, Script script) {
    int start = 0;
    bool known = true;
    const QString shaped = shapedText(inItem(text, script, start, known));
    const QString key = QChar(u'0' + start) + shaped;
    if (auto it = runs_.constFind(key); it != runs_.constEnd()) return *it;
    if (runs_.size() >= kRunsKept) runs_.clear();
    Run run;
    run.exact = known;
    forEachCodePoint(text, [&](char32_t c) { run.exact = run.exact && c != u'\t' && !separator(c); });
    if (reordered(shaped)) {
        run.exact = false;
        const QFontMetricsF metrics(font_);
        run.width = metrics.horizontalAdvance(shaped) - (start ? metrics.horizontalAdvance(shaped, start) : 0);
    } else {
        QTextLayout layout(shaped, font_);
        layOut(layout);
        const QTextLine line = layout.lineAt(0);
        run.width = line.cursorToX(int(shaped.size())) - line.cursorToX(start);
    }
    runs_.insert(key, run);
    return run;
}

qreal FontAdvances::xInRun(const QString& text, Script script, int column) {
    if (column <= 0) return 0;
    int start = 0;
    bool known = true;
    const QString shaped = shapedText(inItem(text, script, start, known));
    const QString key = QChar(u'0' + start) + shaped;
    if (!positions_.contains(key) && positions_.size() >= kPositionsKept) positions_.clear();
    std::shared_ptr<Positions>& kept = positions_[key];
    if (!kept) {
        kept = std::make_shared<Positions>();
        kept->shaped = shaped;
        kept->start = start;
        kept->x.assign(std::size_t(shaped.size()) + 1, std::nan(""));
        if (!reordered(shaped)) {
            kept->layout = std::make_unique<QTextLayout>(shaped, font_);
            layOut(*kept->layout);
        }
    }
    Positions& p = *kept;
    const auto position = [&](int at) {
        qreal& x = p.x[std::size_t(at)];
        if (std::isnan(x)) {
            if (p.layout) x = p.layout->lineAt(0).cursorToX(at);
            else x = at ? QFontMetricsF(font_).horizontalAdvance(p.shaped, at) : 0;
        }
        return x;
    };
    const int at = std::min(p.start + column, int(p.shaped.size()));
    return position(at) - position(p.start);
}
