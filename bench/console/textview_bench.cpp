// The text boxes with big texts, each step timed to the end of the paint that follows it: the
// send box holding 8 Mi characters in one line in each of several alphabets (its load, a
// keystroke, a Backspace, a click, a page down; for hex also "Select all", a word selected by
// a double click, a send, an input method's composition), keystrokes into a line of 2 Mi
// characters, a paste of 1 MB in many lines into the send box and into the log pane, a cut of a
// whole log of 10^6 lines, and a screen reader on a log of 10^6 lines.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>
#include <functional>

#include "core/hextext.h"
#include "gui/TForm1.h"
#include "gui/seams.h"
#include "gui/waits.h"
#include "usb/fake/fake_usb.h"

namespace {

// A step and the paint that shows it.
void painted(const std::function<void()>& step) {
    step();
    QCoreApplication::processEvents();
}

// Counts the paints of the box a step works on, to show that the time includes its paint.
struct PaintCount : QObject {
    explicit PaintCount(QWidget* w) { w->installEventFilter(this); }
    long paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// The window on the serial page, as the operator has it while using the send box.
struct SerialPage {
    FakeUsb fake;  // what a send reaches
    TForm1 form;
    SendBox* box = form.Memo1;
    SerialPage() {
        form.show();
        form.setActivePage(form.PageControl1->indexOf(form.TabSheet9));
        console::Delayy(200);  // the first paint (fonts, style) before anything is timed
        form.Edit6->setText(QStringLiteral("0"));
    }
    ~SerialPage() { fake.reset(); }
};

// A line of about `units` UTF-16 units in one alphabet: hex bytes in upper or lower case (what
// frames are written in), Latin words (with kerning pairs and ligatures), Chinese, and a mix of
// Chinese, Latin, digits and emoji (flags and a skin tone too).
enum Alphabet { kUpperHex, kLowerHex, kWords, kChinese, kEmoji };

QString lineOf(Alphabet alphabet, int units) {
    QString text;
    text.reserve(units + 64);
    static const QStringList words = {
        QStringLiteral("hello"), QStringLiteral("world"), QStringLiteral("AVATAR"), QStringLiteral("Tokyo"),
        QStringLiteral("office"), QStringLiteral("file"), QStringLiteral("Type"), QStringLiteral("reader"),
        QStringLiteral("card"), QStringLiteral("Yes,"), QStringLiteral("flow"), QStringLiteral("data.")};
    for (std::uint32_t i = 0; text.size() < units; ++i) {
        switch (alphabet) {
        case kUpperHex:
            text += QString::fromStdString(console::hexByte((i * 7919u) & 0xFF)) + u' ';
            break;
        case kLowerHex:
            text += QString::fromStdString(console::hexByte((i * 7919u) & 0xFF)).toLower() + u' ';
            break;
        case kWords:
            text += words[int((i * 7u) % words.size())] + u' ';
            break;
        case kChinese:
            text += QStringLiteral("中文数据 ");
            break;
        case kEmoji:
            text += QStringLiteral("温度 23°C 😀 ok 🇩🇪 数据 A5 👍🏽 ");
            break;
        }
    }
    return text;
}

// A line loaded by the page's load button from a file.
struct HugeLine : SerialPage {
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("huge.txt"));
    int size = 0;
    HugeLine(Alphabet alphabet, int units) {
        const QString text = lineOf(alphabet, units);
        size = int(text.size());
        QFile f(file);
        if (f.open(QIODevice::WriteOnly)) f.write(text.toUtf8());
        console::setOpenDialog([this](QWidget*, const QString&, const QString&) { return file; });
        form.Button6Click();
    }
    ~HugeLine() { console::setOpenDialog(nullptr); }
    // The caret at a whole character near `column`, nothing selected, and painted so.
    void caretAt(int column) {
        box->setCaret({0, column});
        QCoreApplication::processEvents();
    }
    void caretInTheMiddle() { caretAt(size / 6 * 3 + 1); }
};

enum Step { kLoad, kKeystroke, kBackspace, kClick, kPageDown, kSelectAll, kWord, kSend, kCompose };

// What an input method sends as the operator types a syllable: the composition so far.
void composing(QWidget* w, const QString& text) {
    QInputMethodEvent event(text, {{QInputMethodEvent::Cursor, int(text.size()), 1, QVariant()}});
    QCoreApplication::sendEvent(w, &event);
}

// 8 Mi units in one line in the send box: its load and first paint, a keystroke, a Backspace, a
// click and a page down in the middle of the line (each timed to the end of its paint); for
// the upper-case hex also "Select all", a word selected by a double click and a send.
void BM_HugeSendBoxLine(benchmark::State& state) {
    const auto alphabet = Alphabet(state.range(0));
    const auto step = Step(state.range(1));
    HugeLine page(alphabet, 8 * 1024 * 1024);
    SendBox* box = page.box;
    box->setFocus();
    page.caretInTheMiddle();
    const QPoint middle = box->cursorRect().center();
    // A click a few characters to the right of the caret, on the row below it.
    const QPoint click = middle + QPoint(37, box->cursorRect().height());
    PaintCount count(box->viewport());
    for (auto _ : state) {
        switch (step) {
        case kLoad:
            painted([&] { page.form.Button6Click(); });
            break;
        case kKeystroke:
            painted([&] { QTest::keyClick(box, '0'); });
            break;
        case kBackspace:
            painted([&] { QTest::keyClick(box, Qt::Key_Backspace); });
            break;
        case kClick:
            painted([&] { QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, click); });
            break;
        case kPageDown:
            painted([&] { QTest::keyClick(box, Qt::Key_PageDown); });
            break;
        case kSelectAll:
            painted([&] { QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier); });
            break;
        case kWord:
            painted([&] { QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, middle); });
            break;
        case kSend:
            painted([&] { page.form.Button3Click(); });
            break;
        case kCompose:
            painted([&] { composing(box, QStringLiteral("nihao")); });
            break;
        }
        state.PauseTiming();
        state.counters["paints"] += double(count.paints);
        if (step != kKeystroke && step != kBackspace && step != kLoad) page.caretInTheMiddle();
        if (step == kSend) page.form.RichEdit1->clearAll();
        if (step == kCompose) composing(box, QString());
        QCoreApplication::processEvents();
        count.paints = 0;
        state.ResumeTiming();
    }
    state.counters["paints"] /= double(state.iterations());
    // A Backspace takes one code point: up to two units.
    if (box->lineCount() != 1 || box->line(0).size() < page.size - 2 * state.iterations())
        state.SkipWithError("the line is not whole");
}
void hugeLineSteps(benchmark::internal::Benchmark* b) {
    for (int alphabet = kUpperHex; alphabet <= kEmoji; ++alphabet)
        for (int step = kLoad; step <= (alphabet == kUpperHex ? kCompose : kPageDown); ++step) b->Args({alphabet, step});
}
BENCHMARK(BM_HugeSendBoxLine)
    // alphabet: 0 upper-case hex, 1 lower-case hex, 2 words, 3 Chinese, 4 emoji mix;
    // step: 0 load, 1 keystroke, 2 Backspace, 3 click, 4 page down, 5 select all, 6 word, 7 send,
    // 8 compose
    ->ArgNames({"alphabet", "step"})
    ->Apply(hugeLineSteps)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// A keystroke near the start, in the middle and at the end of a line of 2 Mi units of
// lower-case hex or of words, timed to the end of its paint.
void BM_EditLongLine(benchmark::State& state) {
    const auto alphabet = Alphabet(state.range(0));
    HugeLine page(alphabet, 2 * 1024 * 1024);
    SendBox* box = page.box;
    box->setFocus();
    const int place = int(state.range(1));
    page.caretAt(place == 0 ? 10 : place == 1 ? page.size / 2 : page.size);
    for (auto _ : state) painted([&] { QTest::keyClick(box, 'a'); });
    if (box->line(0).size() != page.size + state.iterations()) state.SkipWithError("not typed");
}
BENCHMARK(BM_EditLongLine)
    ->ArgNames({"alphabet", "place"})  // alphabet as above; place: 0 start, 1 middle, 2 end
    ->ArgsProduct({{kLowerHex, kWords}, {0, 1, 2}})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// Ctrl+V of 1 MB in 20 000 lines into the send box (Arg 0) or into the log pane (Arg 1), emptied
// before each paste.
void BM_PasteManyLines(benchmark::State& state) {
    SerialPage page;
    QString text;
    for (int line = 0; line < 20000; ++line) {
        for (int i = 0; i < 17; ++i) text += QString::fromStdString(console::hexByte(unsigned(line + i) & 0xFF)) + ' ';
        text[text.size() - 1] = QLatin1Char('\n');
    }
    QApplication::clipboard()->setText(text);
    const bool intoLog = state.range(0) == 1;
    QAbstractScrollArea* target = intoLog ? static_cast<QAbstractScrollArea*>(page.form.RichEdit1) : page.box;
    target->setFocus();
    PaintCount count(target->viewport());
    for (auto _ : state) {
        state.PauseTiming();
        if (intoLog) page.form.RichEdit1->clearAll();
        else page.box->setPlainText(QString());
        QCoreApplication::processEvents();
        count.paints = 0;
        state.ResumeTiming();
        painted([&] { QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier); });
        state.counters["paints"] += double(count.paints);
    }
    state.counters["paints"] /= double(state.iterations());
    const int lines = intoLog ? page.form.RichEdit1->lineCount() : page.box->lineCount();
    if (lines < 20000) state.SkipWithError("not pasted");
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_PasteManyLines)->ArgName("into_log")->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond);

// Ctrl+X of the whole log of 10^6 lines, selected with Ctrl+A.
void BM_CutWholeLog(benchmark::State& state) {
    SerialPage page;
    LogPane* log = page.form.RichEdit1;
    log->setFocus();
    for (auto _ : state) {
        state.PauseTiming();
        log->clearAll();
        for (int i = 0; i < 1000000; ++i) page.form.addLog("Set Up Success   02:05:09 PM");
        QTest::keyClick(log, Qt::Key_A, Qt::ControlModifier);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        painted([&] { QTest::keyClick(log, Qt::Key_X, Qt::ControlModifier); });
    }
    if (log->lineCount() > 1) state.SkipWithError("not cut");
}
BENCHMARK(BM_CutWholeLog)->Iterations(3)->Unit(benchmark::kMillisecond);

// A screen reader on a log of 10^6 lines, through the pane's accessible text: a line logged,
// then read back by its offset with the character count and the caret's offset. The first
// question counts the line offsets (first_question_ms); after it they are kept with the lines.
void BM_ScreenReaderOnLog(benchmark::State& state) {
    SerialPage page;
    LogPane* log = page.form.RichEdit1;
    for (int i = 0; i < 1000000; ++i) page.form.addLog("Set Up Success   02:05:09 PM");
    QElapsedTimer first;
    first.start();
    QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(log)->textInterface();
    benchmark::DoNotOptimize(text->characterCount());
    state.counters["first_question_ms"] = double(first.nsecsElapsed()) / 1e6;
    int start = 0, end = 0;
    for (auto _ : state) {
        page.form.addLog("Read data success    02:05:09 PM");
        const int count = text->characterCount();
        benchmark::DoNotOptimize(text->textAtOffset(count - 1, QAccessible::LineBoundary, &start, &end));
        benchmark::DoNotOptimize(text->cursorPosition());
    }
    if (text->text(start, end) != QStringLiteral("Read data success    02:05:09 PM")) state.SkipWithError("not read back");
}
BENCHMARK(BM_ScreenReaderOnLog)->Unit(benchmark::kMicrosecond);

}  // namespace
