// Both text boxes as a screen reader reads them through Qt's accessibility API, on the real form
// with a QPlainTextEdit beside the send box: role and states as Qt's plain-text box has them, a
// logged verdict read by offsets, items at offsets as Qt's own text interface finds them, caret
// and selection after the operator's keys, character rectangles, edits that undo, and the events
// a screen reader hears for the same steps in the box and in Qt's.
#include <QAccessible>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <functional>

#include "gui/logpane.h"
#include "operator.h"
#include "textkeys.h"

namespace {

using namespace textkeys;
using K = QKeySequence;
using TextAccess = TextBoxTest<Operator>;

QAccessibleInterface* accessibleOf(QWidget* w) { return QAccessible::queryAccessibleInterface(w); }
QAccessibleTextInterface* textOf(QWidget* w) { return accessibleOf(w)->textInterface(); }
QAccessibleEditableTextInterface* editOf(QWidget* w) { return accessibleOf(w)->editableTextInterface(); }

struct Selection {
    int start = 0, end = 0, count = 0, caret = 0;
    friend bool operator==(const Selection&, const Selection&) = default;
};
void PrintTo(const Selection& s, std::ostream* os) {
    *os << "[" << s.start << ", " << s.end << ") of " << s.count << ", caret " << s.caret;
}
Selection selectionOf(QWidget* w) {
    Selection s;
    QAccessibleTextInterface* t = textOf(w);
    t->selection(0, &s.start, &s.end);
    s.count = t->selectionCount();
    s.caret = t->cursorPosition();
    return s;
}

std::string flags(const QAccessible::State& s) {
    std::string out;
    auto add = [&](bool on, const char* name) { out += on ? std::string(name) + " " : ""; };
    add(s.focusable, "focusable");
    add(s.focused, "focused");
    add(s.editable, "editable");
    add(s.readOnly, "readOnly");
    add(s.multiLine, "multiLine");
    add(s.selectableText, "selectableText");
    add(s.invisible, "invisible");
    add(s.disabled, "disabled");
    add(s.offscreen, "offscreen");
    return out;
}

TEST_F(TextAccess, BothBoxesAreEditableMultiLineTextAsQtsPlainTextBox) {
    QAccessibleInterface* qt = accessibleOf(ref.get());
    for (QWidget* w : std::initializer_list<QWidget*>{box, form->RichEdit1}) {
        const std::string name = w->objectName().toStdString();
        QAccessibleInterface* a = accessibleOf(w);
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->role(), qt->role()) << name;
        EXPECT_EQ(a->role(), QAccessible::EditableText) << name;
        EXPECT_NE(a->textInterface(), nullptr) << name;
        EXPECT_NE(a->editableTextInterface(), nullptr) << name;
        for (bool focused : {false, true}) {
            (focused ? w : static_cast<QWidget*>(form->PageControl1))->setFocus();
            const QAccessible::State ours = a->state();
            (focused ? ref.get() : static_cast<QWidget*>(form->PageControl1))->setFocus();
            const QAccessible::State theirs = qt->state();
            EXPECT_TRUE(ours == theirs) << name << (focused ? ", focused: " : ": ") << flags(ours) << "against "
                                        << flags(theirs);
        }
        // Name and description as Qt's widget interface gives them.
        w->setAccessibleName("Frame to send");
        w->setAccessibleDescription("Hex bytes");
        EXPECT_EQ(a->text(QAccessible::Name), "Frame to send") << name;
        EXPECT_EQ(a->text(QAccessible::Description), "Hex bytes") << name;
    }
}

TEST_F(TextAccess, ALoggedVerdictIsReadByOffsets) {
    fake.queueReply(FakeUsb::makeReply(0x00, 0x00, {}));
    click("Button24");
    const QString verdict = QString("Set Up Success   ") + kTime;
    ASSERT_EQ(lines(), (QStringList{verdict, ""}));
    QAccessibleInterface* log = accessibleOf(form->RichEdit1);
    QAccessibleTextInterface* t = log->textInterface();
    EXPECT_EQ(t->characterCount(), verdict.size() + 1);
    EXPECT_EQ(t->text(0, t->characterCount()), verdict + "\n");
    EXPECT_EQ(log->text(QAccessible::Value), verdict + "\n");
    int start = -1, end = -1;
    EXPECT_EQ(t->textAtOffset(4, QAccessible::LineBoundary, &start, &end), verdict + "\n");
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, verdict.size() + 1);
    EXPECT_EQ(t->textAtOffset(4, QAccessible::WordBoundary, &start, &end), "Up");
    EXPECT_EQ(t->textAfterOffset(4, QAccessible::WordBoundary, &start, &end), " ");

    // A second command's verdict: the new line at its offset.
    fake.queueReply(FakeUsb::makeReply(0x00, 0x00, {}));
    click("Button24");
    ASSERT_EQ(lines(), (QStringList{verdict, "", verdict, ""}));
    EXPECT_EQ(t->textAfterOffset(int(verdict.size()) + 1, QAccessible::LineBoundary, &start, &end), verdict + "\n");
    EXPECT_EQ(start, verdict.size() + 2);
    EXPECT_EQ(t->text(start, end), verdict + "\n");
}

// Qt's own text interface over a string: its item functions say what the boxes must give.
class StringText : public QAccessibleTextInterface {
public:
    explicit StringText(QString text) : text_(std::move(text)) {}
    QString text(int start, int end) const override { return text_.mid(start, end - start); }
    int characterCount() const override { return int(text_.size()); }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = *end = -1;
        return {};
    }

private:
    QString text_;
};

struct Item {
    QString text;
    int start, end;
    friend bool operator==(const Item&, const Item&) = default;
};
void PrintTo(const Item& i, std::ostream* os) {
    *os << "[" << i.start << ", " << i.end << ") \"" << shown(State{i.text, -1, -1}) << '"';
}

// Every item at, before and after every offset, by character, word, sentence, line, paragraph
// and the whole text, as Qt's own text interface finds them in the same text. Qt's loops forever
// on an item at the very end of a text that ends inside a word or sentence, and gives a start of
// -1 before blanks at the text's start: those cases are left out.
void expectItemsAsQt(QWidget* w, const QString& text, const char* name) {
    QAccessibleTextInterface* ours = textOf(w);
    ASSERT_EQ(ours->text(0, ours->characterCount()), text) << name;
    const StringText qt(text);
    using Get = QString (QAccessibleTextInterface::*)(int, QAccessible::TextBoundaryType, int*, int*) const;
    const struct {
        const char* name;
        Get get;
    } sides[] = {{"before", &QAccessibleTextInterface::textBeforeOffset},
                 {"at", &QAccessibleTextInterface::textAtOffset},
                 {"after", &QAccessibleTextInterface::textAfterOffset}};
    const QAccessible::TextBoundaryType boundaries[] = {QAccessible::CharBoundary,     QAccessible::WordBoundary,
                                                        QAccessible::SentenceBoundary, QAccessible::LineBoundary,
                                                        QAccessible::ParagraphBoundary, QAccessible::NoBoundary};
    int compared = 0;
    for (const auto& side : sides) {
        for (QAccessible::TextBoundaryType b : boundaries) {
            const bool finder = b == QAccessible::WordBoundary || b == QAccessible::SentenceBoundary;
            for (int offset = -1; offset <= text.size(); ++offset) {
                const bool atEnd = offset == -1 || offset == text.size();
                if (finder && atEnd && side.get == &QAccessibleTextInterface::textAtOffset) continue;
                Item expected{}, got{};
                expected.text = (qt.*side.get)(offset, b, &expected.start, &expected.end);
                if (expected.start < 0 && expected.end >= 0) continue;
                got.text = (ours->*side.get)(offset, b, &got.start, &got.end);
                ++compared;
                EXPECT_EQ(got, expected) << name << ": " << side.name << " " << offset << ", boundary " << int(b);
            }
        }
    }
    EXPECT_GT(compared, 0);
}

TEST_F(TextAccess, ItemsAtOffsetsAsQtsTextInterface) {
    const QString coder = QString::fromUcs4(U"\U0001F469\u200D\U0001F4BB");
    const QString texts[] = {
        "Read data success    02:05:09 PM\n\nTag: E0 04 01 00. Next one? Yes!\n",
        "BB 00 22 7E\n  indented, line.\nlast",
        "a" + coder + "b e\u0301 x\n中文 数据。ab",
    };
    for (const QString& text : texts) {
        setState(box, {text, 0, 0});
        expectItemsAsQt(box, text, "send box");
        form->RichEdit1->clearAll();
        for (const QString& line : text.split(u'\n')) form->RichEdit1->addLine(line);
        expectItemsAsQt(form->RichEdit1, text, "log pane");
    }
    // Inside a long line, far from its ends.
    QString hex;
    for (int i = 0; i < 1500; ++i) hex += QStringLiteral("%1 ").arg(i % 256, 2, 16, QLatin1Char('0')).toUpper();
    const QString text = "head\n" + hex + "\ntail";
    setState(box, {text, 0, 0});
    const StringText qt(text);
    for (int offset : {5, 2000, 2001, 2002, 3001, int(text.size()) - 6}) {
        for (QAccessible::TextBoundaryType b : {QAccessible::CharBoundary, QAccessible::WordBoundary, QAccessible::LineBoundary}) {
            Item expected{}, got{};
            expected.text = qt.textAtOffset(offset, b, &expected.start, &expected.end);
            got.text = textOf(box)->textAtOffset(offset, b, &got.start, &got.end);
            EXPECT_EQ(got, expected) << "at " << offset << ", boundary " << int(b);
            expected.text = qt.textAfterOffset(offset, b, &expected.start, &expected.end);
            got.text = textOf(box)->textAfterOffset(offset, b, &got.start, &got.end);
            EXPECT_EQ(got, expected) << "after " << offset << ", boundary " << int(b);
        }
    }
}

// The operator's keys in the box and in Qt's: both interfaces report the same caret and
// selection after every step.
TEST_F(TextAccess, CaretAndSelectionAfterKeysAsQtsPlainTextBox) {
    const QString smile = QString::fromUcs4(U"\U0001F600");
    const State start = marked("alpha| beta\n" + smile + " gamma\n\nlast line");
    setState(box, start);
    setState(ref.get(), start);
    ASSERT_EQ(selectionOf(box), selectionOf(ref.get()));
    const std::vector<Step> steps = {K::MoveToNextLine, K::MoveToEndOfLine, K::MoveToNextChar, K::MoveToNextChar,
                                     K::SelectPreviousLine, K::SelectPreviousChar, K::SelectEndOfLine, K::SelectNextWord,
                                     K::MoveToPreviousChar, K::SelectEndOfDocument, K::SelectAll, K::MoveToNextChar,
                                     K::MoveToStartOfDocument, type("x"), K::MoveToEndOfDocument, K::SelectPreviousLine,
                                     K::Undo};
    for (std::size_t i = 0; i < steps.size(); ++i) {
        perform(box, steps[i]);
        perform(ref.get(), steps[i]);
        ASSERT_EQ(stateOf(box), stateOf(ref.get())) << "step " << i + 1 << " (" << shown(steps[i]) << ")";
        EXPECT_EQ(selectionOf(box), selectionOf(ref.get())) << "step " << i + 1 << " (" << shown(steps[i]) << ")";
    }
}

// A screen reader's own moves: caret and selections set through the interface land where they
// land in Qt's box.
TEST_F(TextAccess, CaretAndSelectionsSetThroughTheInterfaceAsQtsPlainTextBox) {
    const QString text = "hello\nworld\n😀 end";
    const std::function<void(QAccessibleTextInterface*)> moves[] = {
        [](QAccessibleTextInterface* t) { t->setCursorPosition(8); },
        [](QAccessibleTextInterface* t) { t->setSelection(0, 1, 9); },
        [](QAccessibleTextInterface* t) { t->removeSelection(0); },
        [](QAccessibleTextInterface* t) { t->addSelection(14, 3); },
        [](QAccessibleTextInterface* t) { t->setSelection(1, 0, 2); },  // there is one selection only
        [](QAccessibleTextInterface* t) { t->setCursorPosition(int(t->characterCount())); },
    };
    setState(box, {text, 0, 0});
    setState(ref.get(), {text, 0, 0});
    for (std::size_t i = 0; i < std::size(moves); ++i) {
        moves[i](textOf(box));
        moves[i](textOf(ref.get()));
        EXPECT_EQ(selectionOf(box), selectionOf(ref.get())) << "move " << i + 1;
        EXPECT_EQ(stateOf(box), stateOf(ref.get())) << "move " << i + 1;
    }
}

// A character's rectangle is where the caret stands before it, as tall as the caret, in screen
// coordinates; the point in its middle gives its offset back. In the wrapping send box and in the
// log pane, scrolled sideways.
TEST_F(TextAccess, CharacterRectanglesStandAtTheCaretAndPointsGiveTheirOffsetsBack) {
    const QString coder = QString::fromUcs4(U"\U0001F469\u200D\U0001F4BB");
    QString frame;
    for (int i = 0; i < 60; ++i) frame += "A" + QString::number(i % 10) + " ";
    const QString text = "ab " + coder + " e\u0301x\n" + frame + "\n\nend";
    auto check = [&](TextView* view, const char* name) {
        QAccessibleTextInterface* t = textOf(view);
        ASSERT_EQ(t->characterCount(), text.size()) << name;
        const QRect area(view->viewport()->mapToGlobal(QPoint(0, 0)), view->viewport()->size());
        int checked = 0;
        for (int offset = 0; offset < text.size(); ++offset) {
            const Position at = view->textLines().positionAt(offset);
            if (at.column != view->textLines().boundaryFrom(at.line, at.column)) continue;  // inside a character
            view->setCaret(at);
            const QRect caret = view->cursorRect().translated(view->viewport()->mapToGlobal(QPoint(0, 0)));
            const QRect r = t->characterRect(offset);
            EXPECT_EQ(r.topLeft(), caret.topLeft()) << name << ": offset " << offset;
            EXPECT_EQ(r.height(), caret.height()) << name << ": offset " << offset;
            if (text[offset] == u'\n') {
                EXPECT_EQ(r.width(), 0) << name << ": the line break at " << offset;
                continue;
            }
            EXPECT_GT(r.width(), 1) << name << ": offset " << offset;
            if (!area.contains(r.center())) continue;  // at the view's edge, scrolled to
            EXPECT_EQ(t->offsetAtPoint(r.center()), offset) << name << ": the middle of " << offset;
            ++checked;
        }
        EXPECT_GT(checked, 150) << name;
        EXPECT_EQ(t->characterRect(int(text.size())), QRect()) << name << ": past the end";
        // Past a line's end, below the text and outside the view there is no character.
        const QRect first = t->characterRect(0), last = t->characterRect(int(text.size()) - 1);
        EXPECT_EQ(t->offsetAtPoint(QPoint(area.right() - 1, first.center().y())), -1) << name;
        if (last.bottom() < area.bottom() - 2) {
            EXPECT_EQ(t->offsetAtPoint(QPoint(last.center().x(), area.bottom() - 1)), -1) << name;
        }
        EXPECT_EQ(t->offsetAtPoint(area.topLeft() - QPoint(5, 5)), -1) << name;
    };
    setState(box, {text, 0, 0});
    const int frameStart = int(text.indexOf(u'\n')) + 1;
    EXPECT_GT(textOf(box)->characterRect(frameStart + int(frame.size()) - 2).y(), textOf(box)->characterRect(frameStart).y())
        << "the frame wraps";
    check(box, "send box");
    LogPane* log = form->RichEdit1;
    log->clearAll();
    for (const QString& line : text.split(u'\n')) log->addLine(line);
    check(log, "log pane");
}

TEST_F(TextAccess, ScrollToSubstringShowsTheText) {
    LogPane* log = form->RichEdit1;
    std::vector<int> starts;
    for (int i = 0, at = 0; i < 300; ++i) {
        starts.push_back(at);
        log->addLine(QStringLiteral("line %1").arg(i));
        at += int(log->line(i).size()) + 1;
    }
    QTest::qWait(50);
    QScrollBar* bar = log->verticalScrollBar();
    ASSERT_EQ(bar->value(), bar->maximum());
    ASSERT_GT(bar->maximum(), 100);
    QAccessibleTextInterface* t = textOf(log);
    const QRect view(log->viewport()->mapToGlobal(QPoint(0, 0)), log->viewport()->size());
    for (int line : {3, 150, 0, 299}) {
        int start = -1, end = -1;
        t->textAtOffset(starts[std::size_t(line)] + 2, QAccessible::LineBoundary, &start, &end);
        const QString text = QStringLiteral("line %1").arg(line);
        ASSERT_TRUE(t->text(start, end).startsWith(text)) << "line " << line;
        const int last = start + int(text.size()) - 1;
        t->scrollToSubstring(start, last + 1);
        EXPECT_TRUE(view.contains(t->characterRect(start))) << "line " << line;
        EXPECT_TRUE(view.contains(t->characterRect(last))) << "line " << line;
    }
    // Scrolling does not move the caret.
    EXPECT_EQ(t->cursorPosition(), 0);
}

// Edits through the interface go the operator's way: one undo step each, in both boxes.
TEST_F(TextAccess, EditsThroughTheInterfaceUndo) {
    for (TextView* view : std::initializer_list<TextView*>{box, form->RichEdit1}) {
        const std::string name = view->objectName().toStdString();
        setState(ref.get(), {"alpha\nbeta", 0, 0});
        if (view == box) {
            setState(box, {"alpha\nbeta", 0, 0});
        } else {
            form->RichEdit1->addLine("alpha");
            form->RichEdit1->addLine("beta");
        }
        ASSERT_EQ(view->toPlainText(), "alpha\nbeta") << name;
        QAccessibleEditableTextInterface* e = editOf(view);
        QAccessibleEditableTextInterface* qt = editOf(ref.get());
        auto both = [&](const std::function<void(QAccessibleEditableTextInterface*)>& step, const char* what) {
            step(e);
            step(qt);
            EXPECT_EQ(view->toPlainText(), ref->toPlainText()) << name << ": " << what;
        };
        both([](QAccessibleEditableTextInterface* i) { i->insertText(5, " gamma\r\ndelta"); }, "insert");
        both([](QAccessibleEditableTextInterface* i) { i->deleteText(0, 2); }, "delete");
        both([](QAccessibleEditableTextInterface* i) { i->replaceText(1, 4, "XY"); }, "replace");
        const QStringList done = {"alpha\nbeta", "alpha gamma\ndelta\nbeta", "pha gamma\ndelta\nbeta"};
        for (int i = 2; i >= 0; --i) {
            perform(view, K::Undo);
            EXPECT_EQ(view->toPlainText(), done[i]) << name << ": undo " << 3 - i;
        }
        perform(view, K::Redo);
        EXPECT_EQ(view->toPlainText(), done[1]) << name << ": redo";
    }
}

// ---- events, where an assistive technology listens (the bridge on a virtual display; offscreen
// nothing listens and neither box sends any)

struct Heard {
    QObject* object;
    QAccessible::Event type;
    int position;  // the caret, or where the text changed, or the selection's start
    int value;     // the selection's end, or the length removed
    QString text;  // inserted
};
std::vector<Heard>& heard() {
    static std::vector<Heard> events;
    return events;
}
void hear(QAccessibleEvent* event) {
    Heard h{event->object(), event->type(), 0, 0, {}};
    switch (event->type()) {
    case QAccessible::TextCaretMoved:
        h.position = static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition();
        break;
    case QAccessible::TextSelectionChanged: {
        auto* e = static_cast<QAccessibleTextSelectionEvent*>(event);
        h.position = e->selectionStart();
        h.value = e->selectionEnd();
        break;
    }
    case QAccessible::TextInserted: {
        auto* e = static_cast<QAccessibleTextInsertEvent*>(event);
        h.position = e->changePosition();
        h.text = e->textInserted();
        break;
    }
    case QAccessible::TextRemoved: {
        auto* e = static_cast<QAccessibleTextRemoveEvent*>(event);
        h.position = e->changePosition();
        h.value = int(e->textRemoved().size());
        h.text = e->textRemoved();
        break;
    }
    case QAccessible::TextUpdated: {
        auto* e = static_cast<QAccessibleTextUpdateEvent*>(event);
        h.position = e->changePosition();
        h.value = int(e->textRemoved().size());
        h.text = e->textInserted();
        break;
    }
    default:
        return;
    }
    // Qt's box writes its line breaks as paragraph separators.
    h.text.replace(QChar::ParagraphSeparator, u'\n');
    heard().push_back(h);
}

// The events heard for one widget, written out; a caret move told twice in a row once.
// `withRemoved`: with the removed text, which Qt's box tells as blanks.
std::vector<std::string> heardBy(QObject* object, bool withRemoved = false) {
    std::vector<std::string> out;
    for (const Heard& h : heard()) {
        if (h.object != object) continue;
        std::string s;
        switch (h.type) {
        case QAccessible::TextCaretMoved: s = "caret " + std::to_string(h.position); break;
        case QAccessible::TextSelectionChanged: s = "selection " + std::to_string(h.position) + "-" + std::to_string(h.value); break;
        case QAccessible::TextInserted: s = "insert " + std::to_string(h.position) + " \"" + shown(State{h.text, -1, -1}) + '"'; break;
        case QAccessible::TextRemoved:
            s = "remove " + std::to_string(h.position) + " " + std::to_string(h.value);
            if (withRemoved) s += " \"" + shown(State{h.text, -1, -1}) + '"';
            break;
        case QAccessible::TextUpdated:
            s = "update " + std::to_string(h.position) + " " + std::to_string(h.value) + " \"" + shown(State{h.text, -1, -1}) + '"';
            break;
        default: break;
        }
        if (out.empty() || out.back() != s || h.type != QAccessible::TextCaretMoved) out.push_back(s);
    }
    return out;
}

class TextAccessEvents : public TextAccess {
protected:
    void SetUp() override {
        // The bridge comes on once it has found the accessibility bus, from the event loop.
        if (qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")) {
            ASSERT_TRUE(QTest::qWaitFor(QAccessible::isActive, 10000)) << "the accessibility bridge did not come on";
        }
        if (!QAccessible::isActive()) GTEST_SKIP() << "no assistive technology listens on this platform";
        TextAccess::SetUp();
        previous_ = QAccessible::installUpdateHandler(hear);
        heard().clear();
    }
    void TearDown() override {
        if (!QAccessible::isActive()) return;
        QAccessible::installUpdateHandler(previous_);
        TextAccess::TearDown();
    }
    QAccessible::UpdateHandler previous_ = nullptr;
};

TEST_F(TextAccessEvents, KeysAndEditsAreHeardAsFromQtsPlainTextBox) {
    const State start = marked("abc def|\nxyz");
    setState(box, start);
    setState(ref.get(), start);
    const struct {
        Step step;
        std::vector<std::string> expected;  // what the box sends; Qt's box sends the same
    } steps[] = {
        {type("q"), {"insert 7 \"q\"", "caret 8"}},
        {K::MoveToPreviousChar, {"caret 7"}},
        {K::SelectPreviousChar, {"caret 6", "selection 7-6"}},
        {K::SelectPreviousChar, {"caret 5", "selection 7-5"}},
        {type("Z"), {"update 5 2 \"Z\"", "caret 6", "selection 6-6"}},
        {Qt::Key_Backspace, {"remove 5 1", "caret 5"}},
        {Qt::Key_Return, {"insert 5 \"\n\"", "caret 6"}},
        {K::Undo, {"remove 5 1", "caret 5"}},
        {K::MoveToNextLine, {"caret 10"}},
        {K::SelectPreviousWord, {"caret 7", "selection 10-7"}},
        {Qt::Key_Delete, {"remove 7 3", "selection 7-7"}},
        {K::SelectAll, {"selection 0-7"}},
        {K::MoveToStartOfDocument, {"caret 0", "selection 0-0"}},
    };
    for (const auto& s : steps) {
        heard().clear();
        perform(box, s.step);
        perform(ref.get(), s.step);
        ASSERT_EQ(stateOf(box), stateOf(ref.get())) << shown(s.step);
        EXPECT_EQ(heardBy(box), s.expected) << shown(s.step);
        EXPECT_EQ(heardBy(ref.get()), s.expected) << shown(s.step) << ": Qt's box";
    }
    // Select All moves the caret to the end as well, which Qt's box leaves untold.
    heard().clear();
    perform(box, K::SelectAll);
    EXPECT_EQ(heardBy(box), (std::vector<std::string>{"caret 7", "selection 0-7"}));
}

TEST_F(TextAccessEvents, TheProgramsLinesAndWholeTextsAreHeard) {
    LogPane* log = form->RichEdit1;
    log->clearAll();
    ref->clear();
    heard().clear();
    log->addLine("Read data success");
    log->addLine("Tag: E0 04");
    ref->appendPlainText("Read data success");
    ref->appendPlainText("Tag: E0 04");
    const std::vector<std::string> lines = {"insert 0 \"Read data success\"", "insert 17 \"\nTag: E0 04\""};
    EXPECT_EQ(heardBy(log), lines);
    // Qt's box moves its caret, which stood at the end, with the text; the pane's caret stays
    // where the operator put it.
    std::vector<std::string> qt = heardBy(ref.get());
    std::erase_if(qt, [](const std::string& e) { return e.starts_with("caret"); });
    EXPECT_EQ(qt, lines) << "Qt's box";
    EXPECT_EQ(textOf(log)->cursorPosition(), 0);
    // A text with line breaks: a line each.
    heard().clear();
    log->addLine("one\r\ntwo");
    EXPECT_EQ(heardBy(log), (std::vector<std::string>{"insert 28 \"\none\"", "insert 32 \"\ntwo\""}));

    // The program's whole texts: the old text's removal, the new one's insertion, the caret.
    setState(box, marked("old| text"));
    heard().clear();
    box->setPlainText("new\ntext");
    EXPECT_EQ(heardBy(box, true), (std::vector<std::string>{"remove 0 8 \"old text\"", "insert 0 \"new\ntext\"", "caret 0"}));
    heard().clear();
    log->clearAll();
    EXPECT_EQ(heardBy(log, true), (std::vector<std::string>{"remove 0 36 \"Read data success\nTag: E0 04\none\ntwo\""}));
    heard().clear();
    box->clear();
    EXPECT_EQ(heardBy(box, true), (std::vector<std::string>{"remove 0 8 \"new\ntext\""}));
}

}  // namespace
