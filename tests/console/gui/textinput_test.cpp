// The send box while an input method composes, against Qt's QPlainTextEdit beside it: a left
// press or double click away from the composition commits it (with no input method here to
// commit, it goes, as from Qt's box), a press on it is the input method's and leaves it, a text
// the program sets drops it; the focus leaving the box drops it, a menu over the box does not;
// what the input method is told and erases is whole characters.
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QTimer>

#include "operator.h"
#include "textkeys.h"

namespace {

using namespace textkeys;
using K = QKeySequence;
using Composing = TextBoxTest<Operator>;

TEST_F(Composing, ClicksAndTheProgramsTextAsQtsPlainTextBox) { runCompositionGestures(box, ref.get()); }

TEST_F(Composing, TheFocusLeavingDropsTheCompositionAMenuDoesNot) {
    ASSERT_EQ(QApplication::activeWindow(), box->window());
    box->setFocus();
    setState(box, marked("alpha |beta"));
    perform(box, compose("ni", 2));
    // Another box takes the focus: Qt's widgets asked the input method to commit before it
    // left; no input method works on what is left. (Qt's box would keep showing it.)
    QLineEdit other(box->parentWidget());
    other.show();
    other.setFocus();
    ASSERT_TRUE(other.hasFocus());
    EXPECT_EQ(stateOf(box), (State{"alpha beta", 6, 6})) << "after the focus went elsewhere";
    perform(box, type("x"));
    EXPECT_EQ(stateOf(box), (State{"alpha xbeta", 7, 7})) << "typing goes on at the caret";

    // The box's own menu, opened and closed with the right button: the composition outlasts it.
    perform(box, compose("ni", 2));
    bool menuShown = false;
    QTimer::singleShot(0, box, [&] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            menuShown = true;
            menu->close();
        }
    });
    const QPoint at = imCursor(box).center() + QPoint(QFontMetrics(box->font()).horizontalAdvance("bet"), 0);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, box->viewport()->mapToGlobal(at));
    QApplication::sendEvent(box->viewport(), &menu);
    QCoreApplication::processEvents();
    EXPECT_TRUE(menuShown);
    EXPECT_EQ(stateOf(box), (State{"alpha xbeta", 7, 7, "ni"})) << "after the menu";
}

// Of a long line the input method is told a stretch around the caret, which ends on a whole
// character; a commit that would erase half of a character erases all of it. (Qt's box tells
// the whole line, and erases the half, leaving a lone surrogate.)
TEST_F(Composing, TheInputMethodSeesAndErasesWholeCharacters) {
    const QString smile = QString::fromUcs4(U"\U0001F600");
    box->setFocus();
    setState(box, {QString(1023, u'a') + smile + QStringLiteral("b"), 0, 0});
    const QString told = box->inputMethodQuery(Qt::ImSurroundingText).toString();
    EXPECT_TRUE(told.endsWith(smile)) << "told " << told.size() << " units";
    setState(box, marked("a" + smile + "|b"));
    perform(box, commit("", -1, 1));
    EXPECT_EQ(stateOf(box), marked("a|b"));
    perform(box, K::Undo);
    EXPECT_EQ(stateOf(box), marked("a" + smile + "|b"));
}

}  // namespace
