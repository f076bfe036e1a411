// Where the text view's caret may stand in long lines, without a widget: caret steps (Right,
// Left, a program caret move) in the middle of a line of hex, of hex with one emoji by the
// caret, of flags, of one letter with a long run of combining marks, of Hangul and of
// Devanagari, each line 10^4 and 10^6 units long: a step that read the line would cost a
// hundred times more in the longer one. And the first steps after a character typed there,
// when the line's boundaries are found anew where the characters by the caret do not settle
// them: that, once for each edit, does read the line.
#include <QString>
#include <benchmark/benchmark.h>

#include "gui/textview/textlines.h"

namespace {

enum Kind { kHex, kHexEmoji, kFlags, kMarks, kHangul, kDevanagari };

QString lineOf(Kind kind, int units) {
    QString piece;
    switch (kind) {
    case kHex:
    case kHexEmoji: piece = QStringLiteral("7E 00 "); break;
    case kFlags: piece = QString::fromUcs4(U"\U0001F1E9\U0001F1EA"); break;
    case kMarks: piece = QString(QChar(0x301)); break;
    case kHangul: piece = QStringLiteral("\uD55C\uAD6D\uC5B4 "); break;
    case kDevanagari: piece = QStringLiteral("\u0915\u094D\u0937\u0924\u094D\u0930\u093F\u092F "); break;
    }
    QString line = piece.repeated(units / int(piece.size()));
    if (kind == kMarks) line[0] = u'a';
    if (kind == kHexEmoji) line.replace(line.size() / 2, 2, QString::fromUcs4(U"\U0001F600"));
    return line;
}

// 50 steps Right and 50 Left from the middle of the line, and a program caret move there.
void BM_CaretSteps(benchmark::State& state) {
    TextLines lines;
    lines.assign({lineOf(Kind(state.range(0)), int(state.range(1)))});
    const int middle = lines.length(0) / 2 + 1;
    lines.boundaryFrom(0, middle);  // the line read once, where it has to be
    for (auto _ : state) {
        TextPosition at{0, lines.boundaryFrom(0, middle)};
        for (int i = 0; i < 50; ++i) at = lines.nextCharacter(at);
        for (int i = 0; i < 50; ++i) at = lines.previousCharacter(at);
        benchmark::DoNotOptimize(at);
    }
    state.counters["per_step"] = benchmark::Counter(double(state.iterations()) * 101, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CaretSteps)
    ->ArgNames({"line", "units"})  // line: 0 hex, 1 hex with an emoji, 2 flags, 3 marks, 4 Hangul, 5 Devanagari
    ->ArgsProduct({{kHex, kHexEmoji, kFlags, kMarks, kHangul, kDevanagari}, {10000, 1000000}})
    ->Unit(benchmark::kMicrosecond);

// A character typed at a caret in the middle of the line (after the marks, in the line of
// them), then two steps Left: over it and over the character before it.
void BM_StepsAfterTyping(benchmark::State& state) {
    TextLines lines;
    lines.assign({lineOf(Kind(state.range(0)), int(state.range(1)))});
    const int caret = lines.boundaryFrom(0, lines.length(0) / 2);
    const QString typed = QStringLiteral("x");
    for (auto _ : state) {
        lines.replace({0, caret}, {0, caret}, typed);
        benchmark::DoNotOptimize(lines.previousCharacter(lines.previousCharacter({0, caret + 1})));
        state.PauseTiming();
        lines.replace({0, caret}, {0, caret + 1}, QString());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StepsAfterTyping)
    ->ArgNames({"line", "units"})
    ->ArgsProduct({{kHex, kHexEmoji, kFlags, kMarks, kHangul, kDevanagari}, {10000, 1000000}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
