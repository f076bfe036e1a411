// The send box edits as Qt's own plain-text box: keys and undo, clicks and the edit menu, each
// compared with a QPlainTextEdit beside it. Undo in the log pane leaves the program's lines whole.
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>
#include <functional>

#include "operator.h"
#include "textkeys.h"

namespace {

using namespace textkeys;
using K = QKeySequence;
using TextKeys = TextBoxTest<Operator>;

TEST_F(TextKeys, KeysAndUndoAsQtsPlainTextBox) { runKeyCases(box, ref.get()); }

// A double click selects what the reference selects around an emoji or a word, a triple click
// the line. Each case clicks its own line, so that no click makes a triple click of the one
// before; the click lands a quarter into the character between columns `from` and `to`.
TEST_F(TextKeys, DoubleAndTripleClicksSelectAsTheReference) {
    const QString marks = "e" + QString(40, QChar(0x301));
    const QString text = QStringLiteral("ab 😀 cd\nx𝐀y z\nab 👩‍💻 cd\nab 🇩🇪 cd\nalpha beta\nAA 00 03\ntwo two\nab 🇩🇪🇩🇪🇩🇪 cd\nab x") + marks + "y cd\nthree";
    const struct {
        const char* name;
        int line, from, to, count;
        QString selected;  // by the reference
    } cases[] = {
        {"an emoji", 0, 3, 5, 2, "😀"},
        {"a letter beyond U+FFFF inside a word", 1, 1, 3, 2, "x𝐀y"},
        {"a joiner sequence", 2, 3, 8, 2, "👩‍💻"},
        {"a flag", 3, 3, 7, 2, "🇩🇪"},
        {"a word", 4, 7, 8, 2, "beta"},
        {"a hex byte", 5, 4, 5, 2, "00"},
        {"a line", 6, 5, 6, 3, "two two\n"},
        {"a run of flags", 7, 7, 11, 2, QStringLiteral("🇩🇪🇩🇪🇩🇪")},
        {"a letter with 40 combining marks", 8, 4, 45, 2, "x" + marks + "y"},
        {"the last line", 9, 1, 2, 3, "three"},
    };
    setState(box, {text, 0, 0});
    setState(ref.get(), {text, 0, 0});
    ASSERT_EQ(box->lineCount(), 10);
    const QStringList lines = text.split(u'\n');
    auto offset = [&](int line, int column) {
        for (int i = 0; i < line; ++i) column += int(lines[i].size()) + 1;
        return column;
    };
    auto click = [&](auto* w, const auto& c) {
        setState(w, {text, 0, 0});
        const QPoint from = pointAt(w, offset(c.line, c.from)), to = pointAt(w, offset(c.line, c.to));
        clicks(w->viewport(), from + (to - from) / 4, c.count);
        const State s = stateOf(w);
        return shown(State{s.text.mid(std::min(s.caret, s.anchor), std::abs(s.caret - s.anchor)), -1, -1});
    };
    for (const auto& c : cases) {
        const std::string selected = shown(State{c.selected, -1, -1});
        EXPECT_EQ(click(ref.get(), c), selected) << c.name << ": the reference";
        EXPECT_EQ(click(box, c), selected) << c.name;
        EXPECT_EQ(stateOf(box), stateOf(ref.get())) << c.name;
    }
}

TEST_F(TextKeys, MiddleClickPastesTheSelectionClipboard) {
    if (!QApplication::clipboard()->supportsSelection()) GTEST_SKIP() << "this platform has no selection clipboard";
    auto middleClick = [](auto* w) {
        setState(w, marked("|alpha beta"));
        QApplication::clipboard()->setText("XY", QClipboard::Selection);
        clicks(w->viewport(), pointAt(w, 6), 1, Qt::MiddleButton);
        return stateOf(w);
    };
    EXPECT_EQ(middleClick(box), middleClick(ref.get()));
}

// A pasted lone surrogate does not pair up with another pasted one into a new character, and
// the caret still stops only between whole characters after the pastes, a delete and an undo.
TEST_F(TextKeys, PastedLoneSurrogatesJoinNothing) {
    setState(box, marked("a|b"));
    for (const QString& pasted : {QString(QChar(0xD83D)), QChar(0xDE00) + QStringLiteral("c")}) {
        perform(box, clip(pasted));
        ASSERT_EQ(QApplication::clipboard()->text(), pasted);
        perform(box, K::Paste);
    }
    const QString text = box->toPlainText();
    EXPECT_FALSE(text.contains(QString::fromUcs4(U"\U0001F600"))) << shown(stateOf(box));
    EXPECT_TRUE(text.startsWith(u'a') && text.endsWith(QStringLiteral("cb"))) << shown(stateOf(box));
    expectWholeCharacterStops(box, "after the pastes");
    perform(box, K::MoveToEndOfDocument);
    perform(box, K::MoveToPreviousChar);
    perform(box, Qt::Key_Backspace);
    perform(box, Qt::Key_Backspace);
    expectWholeCharacterStops(box, "after two Backspaces");
    perform(box, K::Undo);
    expectWholeCharacterStops(box, "after the undo");
}

// A caret the program puts inside a character stands right after it, where the finder over
// the whole line has the next boundary: Delete there takes the next character whole, and what
// is typed goes between whole characters.
TEST_F(TextKeys, ProgramCaretMovesLandBetweenWholeCharacters) {
    const QString flag = QString::fromUcs4(U"\U0001F1E9\U0001F1EA"), woman = QString::fromUcs4(U"\U0001F469");
    const QString marks = "x" + ("a" + QString(100, QChar(0x301))) + "y";  // the letter's 101 units from column 1
    const QString texts[] = {
        flag.repeated(20), marks, woman + (QChar(0x200D) + woman).repeated(33), QStringLiteral("\uAD6D1\uFE0F\u20E31\uFE0F\u20E3"),
        QStringLiteral("\u1112\u1161\u11AB\u1100\u116E\u11A8"), QStringLiteral("\u0915\u094D\u0937\u0924\u094D\u0930\u093F\u092F"),
    };
    for (const QString& text : texts) {
        setState(box, {text, 0, 0});
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
        for (int column = 0; column <= text.size(); ++column) {
            finder.setPosition(column);
            const int boundary = finder.isAtBoundary() ? column : int(finder.toNextBoundary());
            box->setCaret({0, column});
            EXPECT_EQ(box->caret().column, boundary) << "asked at " << column << " in \"" << shown(State{text, -1, -1}) << "\"";
        }
    }
    setState(box, {marks, 0, 0});
    box->setCaret({0, 60});
    EXPECT_EQ(stateOf(box), (State{marks, 102, 102}));
    perform(box, K::MoveToPreviousChar);
    EXPECT_EQ(stateOf(box), (State{marks, 1, 1}));

    // Inside the sixth flag of twenty.
    setState(box, {flag.repeated(20), 0, 0});
    box->setCaret({0, 22});
    perform(box, Qt::Key_Delete);
    EXPECT_EQ(stateOf(box), (State{flag.repeated(19), 24, 24}));
    box->setCaret({0, 10});
    perform(box, type("x"));
    EXPECT_EQ(stateOf(box), (State{flag.repeated(3) + "x" + flag.repeated(16), 13, 13}));
}

// The entries of a menu: their texts, separators and whether they can be chosen.
struct Entry {
    QString text;
    bool separator;
    bool enabled;
    friend bool operator==(const Entry&, const Entry&) = default;
};
void PrintTo(const Entry& e, std::ostream* os) {
    *os << (e.separator ? std::string("---") : '"' + e.text.toStdString() + '"') << (e.enabled ? "" : " (off)");
}
std::vector<Entry> entriesOf(const QMenu* menu) {
    std::vector<Entry> out;
    for (const QAction* a : menu->actions()) out.push_back({a->text(), a->isSeparator(), a->isEnabled()});
    return out;
}

class EditMenu : public TextKeys {
protected:
    // A right click at the caret; `use` gets the menu while it shows, which is then closed.
    void rightClick(const std::function<void(QMenu*)>& use) {
        bool shown = false;
        QTimer::singleShot(0, box, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                shown = true;
                use(menu);
                menu->close();
            }
        });
        const QPoint at = box->cursorRect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, box->viewport()->mapToGlobal(at));
        QApplication::sendEvent(box->viewport(), &event);
        QCoreApplication::processEvents();
        EXPECT_TRUE(shown) << "a menu pops up";
    }
    // The same typed and selected text in both boxes, with text on the clipboard.
    void edited() {
        QApplication::clipboard()->setText("q");
        auto edit = [](auto* w) {
            setState(w, marked("abc|"));
            perform(w, type("d"));
            perform(w, K::SelectPreviousChar);
        };
        edit(box);
        edit(ref.get());
        ASSERT_EQ(stateOf(box), stateOf(ref.get()));
    }
};

TEST_F(EditMenu, HasQtsOwnEntriesInTheirOrder) {
    edited();
    const std::unique_ptr<QMenu> standard(ref->createStandardContextMenu());
    std::vector<Entry> entries;
    rightClick([&](QMenu* menu) { entries = entriesOf(menu); });
    EXPECT_EQ(entries, entriesOf(standard.get()));

    // Nothing selected, nothing to undo: the entries that cannot act are off, as in Qt's.
    setState(box, marked("abc|"));
    setState(ref.get(), marked("abc|"));
    const std::unique_ptr<QMenu> idle(ref->createStandardContextMenu());
    rightClick([&](QMenu* menu) { entries = entriesOf(menu); });
    EXPECT_EQ(entries, entriesOf(idle.get()));
}

TEST_F(EditMenu, RedoRedoesWhatUndoUndid) {
    edited();
    perform(box, K::Undo);
    perform(ref.get(), K::Undo);
    ASSERT_EQ(stateOf(box), stateOf(ref.get()));
    const std::unique_ptr<QMenu> standard(ref->createStandardContextMenu());
    const QList<QAction*> actions = standard->actions();
    const auto redo = std::find_if(actions.begin(), actions.end(), [](QAction* a) { return a->objectName() == "edit-redo"; });
    ASSERT_NE(redo, actions.end());
    const qsizetype index = redo - actions.begin();
    rightClick([&](QMenu* menu) {
        ASSERT_GT(menu->actions().size(), index);
        EXPECT_EQ(menu->actions()[index]->text().toStdString(), (*redo)->text().toStdString());
        menu->actions()[index]->trigger();
    });
    ref->redo();
    EXPECT_EQ(stateOf(box), stateOf(ref.get()));
}

// Undo of the operator's delete brings the deleted lines back beside a line the program added
// after the delete, never joined to it; so does a redo of what the operator typed into the
// empty pane and undid.
using LogPaneUndo = Operator;

TEST_F(LogPaneUndo, LeavesLaterProgramLinesApart) {
    LogPane* pane = form->RichEdit1;
    form->addLog("l1");
    form->addLog("l2");
    perform(pane, K::SelectAll);
    perform(pane, Qt::Key_Delete);
    form->addLog("b");
    perform(pane, K::Undo);
    QStringList kept = lines();
    kept.removeAll(QString());
    EXPECT_TRUE(kept == (QStringList{"l1", "l2", "b"}) || kept == (QStringList{"b", "l1", "l2"}))
        << pane->toPlainText().toStdString();
}

TEST_F(LogPaneUndo, RedoLeavesALaterProgramLineApart) {
    LogPane* pane = form->RichEdit1;
    ASSERT_EQ(pane->lineCount(), 0) << "an empty pane";
    perform(pane, type("x"));
    perform(pane, K::Undo);
    form->addLog("b");
    perform(pane, QKeyCombination(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    QStringList kept = lines();
    kept.removeAll(QString());
    EXPECT_EQ(kept, (QStringList{"x", "b"})) << pane->toPlainText().toStdString();
}

}  // namespace
