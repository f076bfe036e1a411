// The log pane: the add rule, undo of the operator's edits only, clearing and saving.
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include "gui/waits.h"
#include "operator.h"

namespace {

using LogPaneTest = Operator;

TEST_F(LogPaneTest, AddRule) {
    form->addLog("abc\r\n");
    EXPECT_EQ(lines(), (QStringList{"abc", ""}));
    form->addLog("def");
    form->addLog("x\r\ny\rz\n");
    EXPECT_EQ(lines(), (QStringList{"abc", "", "def", "x", "y", "z", ""}));
    form->addLog("\r\n");
    form->addLog("end\r\n\r\n");
    EXPECT_EQ(lines().mid(7), (QStringList{"", "", "end", "", ""}));
}

TEST_F(LogPaneTest, RevokeUndoesOnlyTheOperatorsEdits) {
    LogPane* pane = form->RichEdit1;
    form->addLog("first");
    pane->setCaret(pane->endPosition());
    pane->setFocus();
    QTest::keyClicks(pane, " typed");
    form->addLog("program line");
    EXPECT_EQ(lines(), (QStringList{"first typed", "program line"}));

    form->N15->trigger();
    EXPECT_EQ(lines(), (QStringList{"first", "program line"})) << "the typed run is one step";
    form->N15->trigger();
    EXPECT_EQ(lines(), (QStringList{"first", "program line"})) << "program lines are not undone";

    // Cut and paste through the menu are undoable edits too.
    pane->setCaret({0, 0});
    pane->setCaret({0, 5}, true);
    form->N17->trigger();
    EXPECT_EQ(lines()[0], "");
    pane->setCaret(pane->endPosition());
    form->N19->trigger();
    EXPECT_EQ(lines()[1], "program linefirst");
    form->N15->trigger();
    form->N15->trigger();
    EXPECT_EQ(lines(), (QStringList{"first", "program line"}));
}

TEST_F(LogPaneTest, ProgramLinesDoNotGrowTheUndoHistory) {
    for (int i = 0; i < 1000; ++i) form->addLog("line\r\n");
    EXPECT_FALSE(form->RichEdit1->canUndoOperatorEdit());
    form->N15->trigger();
    EXPECT_EQ(form->RichEdit1->lineCount(), 2000);
}

TEST_F(LogPaneTest, ClearWhileLinesKeepComing) {
    QTimer feed;
    int fed = 0;
    QObject::connect(&feed, &QTimer::timeout, [&] { form->addLog("tick " + std::to_string(++fed)); });
    feed.start(5);
    // Waits until the feed has added lines; a loaded machine may delay the first ticks.
    auto waitForMoreThan = [&](int count) {
        for (int i = 0; i < 500 && fed <= count; ++i) console::Delayy(10);
    };
    waitForMoreThan(0);
    ASSERT_GT(form->RichEdit1->lineCount(), 0);
    form->MenuItem1->trigger();
    EXPECT_EQ(form->RichEdit1->lineCount(), 0);
    int atClear = fed;
    waitForMoreThan(atClear);
    feed.stop();
    ASSERT_GT(fed, atClear);
    EXPECT_EQ(lines().first(), QString("tick %1").arg(atClear + 1));
}

// The operator's editing: keys, the input method, the mouse, the clipboard, and undo of each.
class LogPaneEditTest : public Operator {
protected:
    void SetUp() override {
        Operator::SetUp();
        pane = form->RichEdit1;
        pane->setFocus();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(pane, k, m); }
    // The viewport point of a position, where a click places the caret.
    QPoint pointOf(LogPane::Position at) {
        LogPane::Position was = pane->caret();
        pane->setCaret(at);
        QPoint p = pane->cursorRect().center();
        pane->setCaret(was);
        return p;
    }
    // Added lines reach the view within a frame; waits (generously) until `done` holds.
    template <typename F>
    bool eventually(F done) {
        for (int i = 0; i < 1000 && !done(); ++i) console::Delayy(5);
        return done();
    }
    LogPane* pane = nullptr;
};

TEST_F(LogPaneEditTest, TypingEnterBackspaceDeleteAndTheirUndo) {
    form->addLog("alpha\r\nbeta");
    pane->setCaret({0, 2});
    QTest::keyClicks(pane, "XY");
    key(Qt::Key_Return);
    EXPECT_EQ(lines(), (QStringList{"alXY", "pha", "beta"}));
    key(Qt::Key_Backspace);  // at the start of a line: joins it to the one before
    EXPECT_EQ(lines(), (QStringList{"alXYpha", "beta"}));
    EXPECT_EQ(pane->caret(), (LogPane::Position{0, 4}));
    key(Qt::Key_End);
    key(Qt::Key_Delete);  // at the end of a line: joins the next one to it
    EXPECT_EQ(lines(), (QStringList{"alXYphabeta"}));
    QInputMethodEvent commit;
    commit.setCommitString("中文");
    QApplication::sendEvent(pane, &commit);
    EXPECT_EQ(lines(), (QStringList{"alXYpha中文beta"}));
    key(Qt::Key_Home);
    key(Qt::Key_Backspace);  // nothing before the first character: no change, no undo step
    form->addLog("program");

    const QStringList steps[] = {
        {"alXYphabeta", "program"}, {"alXYpha", "beta", "program"}, {"alXY", "pha", "beta", "program"},
        {"alXYpha", "beta", "program"}, {"alpha", "beta", "program"}};
    for (const QStringList& expected : steps) {
        key(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(lines(), expected);
    }
    EXPECT_FALSE(pane->canUndoOperatorEdit());
    form->MenuItem1->trigger();
    EXPECT_EQ(pane->lineCount(), 0);
}

TEST_F(LogPaneEditTest, KeyboardSelectionWithCutCopyPasteAndUndo) {
    form->addLog("one\r\ntwo\r\nthree");
    pane->setCaret({0, 1});
    key(Qt::Key_End, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(pane->selectedText(), "ne\n");
    key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(lines(), (QStringList{"otwo", "three"}));
    EXPECT_EQ(QApplication::clipboard()->text(), "ne\n");
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(lines(), (QStringList{"otwo", "threene", ""}));
    EXPECT_EQ(pane->caret(), (LogPane::Position{2, 0}));
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(lines(), (QStringList{"one", "two", "three"}));

    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "one\ntwo\nthree");
    // Up and down keep to the column; shift+up selects back across the line break.
    pane->setCaret({2, 2});
    key(Qt::Key_Up);
    key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(pane->caret().line, 0);
    key(Qt::Key_Home, Qt::ShiftModifier | Qt::ControlModifier);
    key(Qt::Key_Delete);
    EXPECT_EQ(lines().size(), 2);
    EXPECT_TRUE(lines()[1] == "three");
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(lines(), (QStringList{"one", "two", "three"}));
}

TEST_F(LogPaneEditTest, MouseClickPlacesTheCaretAndDragOrShiftClickSelects) {
    form->addLog("first line\r\nsecond line");
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, pointOf({1, 3}));
    EXPECT_EQ(pane->caret(), (LogPane::Position{1, 3}));
    QTest::keyClicks(pane, "Z");
    EXPECT_EQ(lines()[1], "secZond line");

    // Right of the text: the end of the line; below the last line: the text's end, as Qt's box.
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, QPoint(700, pointOf({0, 0}).y()));
    EXPECT_EQ(pane->caret(), (LogPane::Position{0, 10}));
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, QPoint(pointOf({0, 0}).x(), 150));
    EXPECT_EQ(pane->caret(), (LogPane::Position{1, 12}));

    QTest::mousePress(pane->viewport(), Qt::LeftButton, {}, pointOf({0, 6}));
    QPoint to = pointOf({1, 3});
    QMouseEvent drag(QEvent::MouseMove, to, pane->viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(pane->viewport(), &drag);
    QTest::mouseRelease(pane->viewport(), Qt::LeftButton, {}, to);
    EXPECT_EQ(pane->selectedText(), "line\nsec");

    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, pointOf({0, 1}));
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, Qt::ShiftModifier, pointOf({0, 5}));
    EXPECT_EQ(pane->selectedText(), "irst");
    // The selection survives the focus leaving the pane.
    form->setFocus();
    EXPECT_EQ(pane->selectedText(), "irst");
}

TEST_F(LogPaneEditTest, WideLinesScrollSidewaysAndTheViewFollowsTheEnd) {
    EXPECT_EQ(pane->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    form->addLog("short");
    EXPECT_EQ(pane->horizontalScrollBar()->maximum(), 0);
    const QString wide(400, 'W');
    form->addLog(wide.toStdString());
    int overhang = pane->fontMetrics().horizontalAdvance(wide) - pane->viewport()->width();
    EXPECT_TRUE(eventually([&] { return pane->horizontalScrollBar()->maximum() >= overhang; }));
    EXPECT_EQ(pane->line(1), wide) << "no wrapping";
    pane->setCaret({1, 0});
    key(Qt::Key_End);
    EXPECT_GE(pane->horizontalScrollBar()->value(), overhang) << "the caret is scrolled into view";

    for (int i = 0; i < 100; ++i) form->addLog("line " + std::to_string(i));
    QScrollBar* v = pane->verticalScrollBar();
    EXPECT_TRUE(eventually([&] { return v->maximum() > 0 && v->value() == v->maximum(); }));
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(v->value(), 0);
    key(Qt::Key_PageDown);
    // A page on, the caret where it stood in the view: the top margin scrolled away, the second row.
    EXPECT_GT(v->value(), 0);
    EXPECT_EQ(pane->caret().line, v->value() + 1);
    // Scrolled up, the view stays where the operator put it; at the end, it follows again.
    const int reading = v->value();
    form->addLog("not followed");
    EXPECT_TRUE(eventually([&] { return v->maximum() == pane->lineCount() - v->pageStep(); }));
    EXPECT_EQ(v->value(), reading);
    key(Qt::Key_End, Qt::ControlModifier);
    form->addLog("last");
    EXPECT_TRUE(eventually([&] { return v->value() == v->maximum() && pane->line(v->maximum() + v->pageStep() - 1) == "last"; }));
}

// A wide line that a burst scrolled past before it was ever drawn: once the operator scrolls
// back to it, the view scrolls sideways to its end.
TEST_F(LogPaneEditTest, AWideLineScrolledPastWidensTheViewWhenShown) {
    const QString wide(400, 'M');
    form->addLog(wide.toStdString());
    for (int i = 0; i < 200; ++i) form->addLog("line " + std::to_string(i));
    QScrollBar* v = pane->verticalScrollBar();
    EXPECT_TRUE(eventually([&] { return v->maximum() > 0 && v->value() == v->maximum(); }));
    v->setValue(0);
    const int overhang = pane->fontMetrics().horizontalAdvance(wide) - pane->viewport()->width();
    EXPECT_TRUE(eventually([&] { return pane->horizontalScrollBar()->maximum() >= overhang; }));
    QScrollBar* h = pane->horizontalScrollBar();
    h->setValue(h->maximum());
    EXPECT_EQ(h->value(), h->maximum());
    EXPECT_GE(h->value(), overhang) << "the end of the wide line can be scrolled to";
}

// Long lines are shaped in stretches, and only the stretches in view are drawn. A line of hex
// digits, Chinese, a character beyond the BMP right where a stretch would end (column 128),
// and a letter with a combining accent: what shows, the caret, the selection and copy are
// those of the whole line.
class LongLineTest : public LogPaneEditTest {
protected:
    void SetUp() override {
        LogPaneEditTest::SetUp();
        text = QString(127, QLatin1Char('0')) + QString::fromUcs4(U"\U00020BB7") + QStringLiteral("e\u0301");
        for (int i = 0; text.size() < 3000; ++i)
            text += QString::number(i * 7919, 16).toUpper() + (i % 5 ? QStringLiteral(" ") : QStringLiteral(" 中文数据 "));
        form->addLog("short");
        form->addLog(text.toStdString());
        pane->setCaret({1, 0});
        origin = pane->cursorRect().topLeft();  // the line's start in the view, unscrolled
        ASSERT_TRUE(eventually([&] { return pane->horizontalScrollBar()->maximum() > 0; })) << "measured when shown";
    }
    // The view as the whole line drawn in one piece would show it.
    QImage wholeLineDrawn(QSize size) const {
        QImage image(size, QImage::Format_RGB32);
        image.fill(pane->palette().color(QPalette::Base));
        QPainter p(&image);
        p.setFont(pane->font());
        p.setPen(pane->palette().color(QPalette::Text));
        const int dx = pane->horizontalScrollBar()->value();
        const int ascent = pane->fontMetrics().ascent();
        p.drawText(origin.x() - dx, origin.y() - pane->fontMetrics().lineSpacing() + ascent, "short");
        p.drawText(origin.x() - dx, origin.y() + ascent, text);
        return image;
    }
    QImage shown() const { return pane->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QString text;
    QPoint origin;
};

TEST_F(LongLineTest, ScrolledToItsEndTheLineShowsAsDrawnWhole) {
    QScrollBar* h = pane->horizontalScrollBar();
    const int width = pane->fontMetrics().horizontalAdvance(text);
    EXPECT_NEAR(h->maximum(), width + 2 * origin.x() - pane->viewport()->width(), 2) << "the range covers the line";
    form->setFocus();  // no caret in the picture
    for (int at : {0, h->maximum() / 2 + 3, h->maximum()}) {
        h->setValue(at);
        const QImage image = shown();
        EXPECT_TRUE(image == wholeLineDrawn(image.size())) << "scrolled to " << at;
    }
    // The end of the line shows: the last characters are inside the view.
    EXPECT_LE(origin.x() + width - h->value(), pane->viewport()->width());
}

TEST_F(LongLineTest, ASelectionThatStartsOffScreenCopiesExactly) {
    pane->setCaret({1, 126});  // just before the character beyond the BMP
    QScrollBar* h = pane->horizontalScrollBar();
    h->setValue(h->maximum());
    ASSERT_LT(pane->cursorRect().x(), 0) << "the selection's start is out of view";
    const QPoint click(pane->viewport()->width() - 40, origin.y() + 2);
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, Qt::ShiftModifier, click);
    const LogPane::Position end = pane->caret();
    ASSERT_EQ(end.line, 1);
    // The caret lands where the whole line's widths put the clicked point.
    const QFontMetrics fm(pane->font());
    EXPECT_NEAR(pane->cursorRect().x(), origin.x() + fm.horizontalAdvance(text.left(end.column)) - h->value(), 2);
    EXPECT_LE(std::abs(pane->cursorRect().x() - click.x()), fm.horizontalAdvance(QStringLiteral("中")));
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), text.mid(126, end.column - 126));

    // Shift+Right from there: the pair beyond the BMP and the accented letter are not cut.
    pane->setCaret({1, 127});
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(pane->selectedText(), QString::fromUcs4(U"\U00020BB7"));

    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "short\n" + text);
}

TEST_F(LongLineTest, EditsInsideTheLineKeepThePictureRight) {
    pane->setCaret({1, 200});
    QTest::keyClicks(pane, "AB");
    QInputMethodEvent commit;
    commit.setCommitString("中文");
    QApplication::sendEvent(pane, &commit);
    for (int i = 0; i < 3; ++i) key(Qt::Key_Backspace);
    text.insert(200, "A");
    EXPECT_EQ(pane->line(1), text);
    pane->setCaret({1, 1500});
    key(Qt::Key_Delete);
    text.remove(1500, 1);
    ASSERT_EQ(pane->line(1), text);
    form->setFocus();
    QScrollBar* h = pane->horizontalScrollBar();
    for (int at : {h->maximum() / 3, h->maximum()}) {
        h->setValue(at);
        const QImage image = shown();
        EXPECT_TRUE(image == wholeLineDrawn(image.size())) << "scrolled to " << at;
    }
}

// A received hex dump is kept as Latin-1. A twin pane of the same size and place gets the
// same text as UTF-16: what shows at either end and in between, the horizontal range, a
// shift-click and copy from off-screen, typing into the line, "Select all" and the saved text
// are the same in both, for digits and for Latin-1 letters beyond ASCII.
TEST_F(LogPaneEditTest, ALatin1LineShowsSelectsAndEditsAsTheSameTextInUtf16) {
    QByteArray latin1 = "232RX Data..\r";
    for (int i = 0; i < 1500; ++i) latin1 += QByteArray::number(i * 7919 % 256 + 256, 16).mid(1).toUpper();
    latin1.insert(13 + 300, "caf\xE9 \xD7\xFF\xA0\xB5");
    LogPane twin(pane->parentWidget());
    twin.setGeometry(pane->geometry());
    twin.show();
    pane->addLatin1Line(latin1);
    twin.addLine(QString::fromLatin1(latin1));
    const std::vector<LogPane*> panes{pane, &twin};
    auto image = [](LogPane* p) { return p->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    auto sameInBoth = [&](const char* step) {
        form->setFocus();  // no caret in the pictures
        EXPECT_EQ(pane->line(1), twin.line(1)) << step;
        EXPECT_EQ(pane->horizontalScrollBar()->maximum(), twin.horizontalScrollBar()->maximum()) << step;
        EXPECT_EQ(pane->caret(), twin.caret()) << step;
        EXPECT_TRUE(image(pane) == image(&twin)) << step;
    };
    for (LogPane* p : panes) {
        ASSERT_TRUE(eventually([&] { return image(p).width() > 0 && p->horizontalScrollBar()->maximum() > 0; }));
        p->verticalScrollBar()->setValue(0);
    }
    ASSERT_EQ(pane->line(1), QString::fromLatin1(latin1.mid(13)));
    QScrollBar* h = pane->horizontalScrollBar();
    for (int at : {0, h->maximum() / 2 + 3, h->maximum()}) {
        for (LogPane* p : panes) p->horizontalScrollBar()->setValue(at);
        sameInBoth(("scrolled to " + std::to_string(at)).c_str());
    }
    QStringList copied;
    for (LogPane* p : panes) {
        p->setFocus();
        p->setCaret({1, 280});
        p->horizontalScrollBar()->setValue(p->horizontalScrollBar()->maximum() / 3);
        ASSERT_LT(p->cursorRect().x(), 0) << "the selection's start is out of view";
        const QPoint click(p->viewport()->width() / 2, p->cursorRect().center().y());
        QTest::mouseClick(p->viewport(), Qt::LeftButton, Qt::ShiftModifier, click);
        QTest::keyClick(p, Qt::Key_C, Qt::ControlModifier);
        copied << QApplication::clipboard()->text();
    }
    EXPECT_EQ(copied[0], copied[1]);
    EXPECT_EQ(copied[0], pane->line(1).mid(280, pane->caret().column - 280));
    sameInBoth("a selection from off-screen");
    for (LogPane* p : panes) {
        p->setCaret({1, 304});  // after "caf\xE9"
        QTest::keyClicks(p, "AB");
        QInputMethodEvent commit;
        commit.setCommitString("中文");
        QApplication::sendEvent(p, &commit);
        QTest::keyClick(p, Qt::Key_Backspace);
    }
    EXPECT_EQ(pane->line(1).mid(300, 12), QStringLiteral("caf\u00E9AB中 \u00D7\u00FF\u00A0\u00B5"));
    sameInBoth("typed into");
    copied.clear();
    for (LogPane* p : panes) {
        QTest::keyClick(p, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(p, Qt::Key_C, Qt::ControlModifier);
        copied << QApplication::clipboard()->text();
    }
    EXPECT_EQ(copied[0], copied[1]);
    EXPECT_EQ(copied[0], "232RX Data..\n" + pane->line(1));
    EXPECT_EQ(pane->toRtf(), twin.toRtf());
}

// Lines added while a command waits reach the view in at most one paint per frame.
TEST_F(LogPaneEditTest, LinesAddedDuringAWaitArePaintedAtMostOncePerFrame) {
    struct PaintCount : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++paints;
            return false;
        }
    } count;
    form->setFocus();  // no blinking caret
    pane->viewport()->installEventFilter(&count);
    QTimer feed;
    int fed = 0;
    QObject::connect(&feed, &QTimer::timeout, [&] { form->addLog("line " + std::to_string(++fed)); });
    feed.start(1);
    QElapsedTimer t;
    t.start();
    console::Delayy(400);
    feed.stop();
    const qint64 ms = t.elapsed();
    pane->viewport()->removeEventFilter(&count);
    EXPECT_GT(fed, 20);
    EXPECT_GE(count.paints, 1);
    EXPECT_LE(count.paints, ms / 15 + 2) << fed << " lines in " << ms << " ms";
}

// Lines that arrive while the view follows the end move the pixels already shown and paint
// only the rows that come into view, and the vertical bar paints only what its handle and
// arrows changed: frame after frame, what the window shows of the view and of the bar equals a
// fresh paint of each, from an empty pane to a full one, with a selection in view, for bursts
// of one line up to more than a view.
TEST_F(LogPaneEditTest, LinesArrivingAtTheEndShowAsAFreshPaint) {
    auto text = [](int i) { return "line " + std::to_string(i) + " 中文 " + std::string(std::size_t(i % 7 * 9), 'A'); };
    form->setFocus();  // no blinking caret
    pane->clearAll();
    QScrollBar* v = pane->verticalScrollBar();
    QWidget* view = pane->viewport();
    auto asShown = [&](QWidget* w) {
        const QPoint at = w->mapTo(form.get(), QPoint(0, 0));
        const QImage shown = form->screen()->grabWindow(form->winId(), at.x(), at.y(), w->width(), w->height()).toImage();
        return shown.convertToFormat(QImage::Format_RGB32) == w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    int added = 0;
    auto burst = [&](int count) {
        for (int i = 0; i < count; ++i) form->addLog(text(added++));
        console::Delayy(40);  // the view follows and paints
        EXPECT_EQ(v->value(), v->maximum());
        EXPECT_TRUE(asShown(v)) << "the vertical bar after " << added << " lines";
        return asShown(view);
    };
    while (v->maximum() < 3) ASSERT_TRUE(burst(1 + added % 2)) << "filling, " << added << " lines";
    pane->setCaret({v->value() + 1, 2});
    pane->setCaret({v->value() + 3, 5}, true);
    for (int count : {1, 2, 1, 3, 1, v->pageStep() + 2, 1}) EXPECT_TRUE(burst(count)) << "after a burst of " << count;
}

TEST_F(LogPaneEditTest, RightClickOnTheTextOpensTheMenu) {
    form->addLog("text");
    QPoint at = pointOf({0, 2});
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, pane->viewport()->mapToGlobal(at));
    QApplication::sendEvent(pane->viewport(), &menu);
    EXPECT_TRUE(form->PopupMenu1->isVisible());
    form->PopupMenu1->hide();
}

class SaveTest : public Operator {
protected:
    void save(const QString& name) {
        console::setSaveDialog([this, name](QWidget*, const QString& title, const QString& filter) {
            askedTitle = title;
            askedFilter = filter;
            return name;
        });
        form->MenuItem2->trigger();
    }
    QByteArray read(const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }
    QTemporaryDir dir;
    QString askedTitle, askedFilter;
};

TEST_F(SaveTest, SavesRichTextUnderTheNameAsTyped) {
    form->addLog("通讯错误，没有接收到数据..   02:05:09 PM\r\n");
    form->addLog("braces {} and \\ stay");
    for (const char* name : {"log", "log.txt"}) {
        QString path = dir.filePath(name);
        save(path);
        ASSERT_TRUE(QFile::exists(path)) << name;
        QByteArray rtf = read(path);
        EXPECT_TRUE(rtf.startsWith("{\\rtf1")) << name;
        EXPECT_TRUE(rtf.contains("braces \\{\\} and \\\\ stay"));
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("log.rtf")));
    EXPECT_FALSE(QFile::exists(dir.filePath("log.txt.txt")));
    EXPECT_EQ(askedTitle, "保存接收数据！");
    EXPECT_EQ(askedFilter, "文本文件(.txt)|*.txt");
    EXPECT_TRUE(errors.isEmpty());
}

// Each character beyond ASCII goes as its Unicode control word followed by its code page 936
// bytes, so that a reader that skips the control word still reads the character.
TEST_F(SaveTest, ChineseCarriesItsCodePageBytesAsTheFallback) {
    const QString chinese = QString::fromUtf8("通讯错误，没有接收到数据..");
    form->addLog((chinese + "   02:05:09 PM\r\n").toStdString());
    form->addLog("€ é ✓ 😀 {x}");
    const QString path = dir.filePath("log.txt");
    save(path);
    const QByteArray rtf = read(path);

    // The document's header and paragraphs stay as they were.
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 MS Sans Serif;}}\r\n"
                               "\\viewkind4\\uc1\\pard\\f0\\fs20 "))
        << rtf.left(120).toStdString();
    EXPECT_TRUE(rtf.endsWith("\\par\r\n}\r\n"));
    const struct {
        const char* character;
        const char* written;
    } cases[] = {
        {"通", "\\uc2\\u-28646\\'cd\\'a8"},        // U+901A, CD A8
        {"，", "\\uc2\\u-244\\'a3\\'ac"},          // U+FF0C, A3 AC
        {"€", "\\uc1\\u8364\\'80"},                // one byte in code page 936
        {"é", "\\uc2\\u233\\'a8\\'a6"},            // below 32768: a positive number
        {"✓", "\\uc1\\u10003\\'3f"},               // not in code page 936: "?"
        {"😀", "\\uc1\\u-10179\\'3f\\uc1\\u-8704\\'3f"},  // beyond U+FFFF: both halves
    };
    for (const auto& c : cases) EXPECT_TRUE(rtf.contains(c.written)) << c.character << " " << c.written;
    EXPECT_TRUE(rtf.contains("\\{x\\}\\par"));

    // unrtf's text mode leaves the Unicode control words aside and reads the fallback bytes in
    // the document's code page 936. Its plain-text writer puts out one byte a character, the
    // low byte of the character's code, so the read-back line is that byte for each character
    // (a "?" fallback would read back as "?").
    const QString unrtf = QStandardPaths::findExecutable("unrtf");
    ASSERT_FALSE(unrtf.isEmpty()) << "unrtf is missing: scripts/install-deps installs it";
    QProcess p;
    p.start(unrtf, {"--text", "--quiet", path});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString text = QString::fromLatin1(p.readAllStandardOutput());
    auto lowBytes = [](const QString& s) {
        QString out;
        for (char32_t c : s.toUcs4()) out += QChar(static_cast<char16_t>(c & 0xFF));
        return out;
    };
    EXPECT_TRUE(text.contains(lowBytes(chinese))) << text.toStdString();
    EXPECT_TRUE(text.contains(lowBytes(QString::fromUtf8("€ é ")) + "? ?? {x}")) << text.toStdString();
}

TEST_F(SaveTest, ReplacesAnExistingFileAndCancelWritesNothing) {
    QString path = dir.filePath("old.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(10000, 'x'));
    }
    form->addLog("new");
    save(path);
    EXPECT_FALSE(read(path).contains("xxxx"));
    save(QString());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST_F(SaveTest, WriteErrorReachesTheErrorHandlerAndKeepsThePane) {
    form->addLog("kept");
    save(dir.filePath("no/such/folder/log"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("no/such/folder/log"));
    EXPECT_EQ(lines(), QStringList{"kept"});
}

}  // namespace
