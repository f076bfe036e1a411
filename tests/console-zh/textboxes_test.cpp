// The two text boxes as the operator sees them, in both builds: the send box wraps its lines
// at its width (a hex frame between its pairs, a run without blanks anywhere) and keeps no
// sideways bar, the log pane keeps long lines on one row; in either box an input method's
// composition shows at the caret until it is committed or cancelled.
#include <functional>
#include <QScreen>
#include <QInputMethodEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTabBar>
#include <QTextCharFormat>
#include <algorithm>
#include <vector>

#include "zhoperator.h"

namespace {

class TextBoxes : public EachBuild {
protected:
    void SetUp() override {
        Operator::SetUp();
        // The send box shows with its page: the operator clicks the serial page's tab.
        QTabBar* bar = form->PageControl1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(form->PageControl1->indexOf(form->TabSheet9)).center());
        box = form->Memo1;
        ASSERT_TRUE(box->isVisible());
    }
    static QImage shown(const QAbstractScrollArea* view) {
        return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    // Where the caret stands before each column of the line, in content x (the view's x plus
    // the sideways scroll), found by putting the caret there; the caret is put back after.
    template <typename View>
    static std::vector<int> caretXs(View* view, int line) {
        const auto caret = view->caret(), anchor = view->anchor();
        std::vector<int> xs;
        for (int column = 0; column <= view->line(line).size(); ++column) {
            view->setCaret({line, column});
            xs.push_back(view->cursorRect().x() + view->horizontalScrollBar()->value());
        }
        view->setCaret(anchor);
        view->setCaret(caret, true);
        return xs;
    }
    // The columns that start a row after the first: the caret there stands left of the caret
    // before it.
    static std::vector<int> rowStarts(const std::vector<int>& xs) {
        std::vector<int> starts;
        for (std::size_t c = 1; c < xs.size(); ++c)
            if (xs[c] < xs[c - 1]) starts.push_back(int(c));
        return starts;
    }
    // Whether the view shows `text` at `origin` (the top left of the caret before it) as a
    // painter draws it there alone.
    static bool showsAt(const QAbstractScrollArea* view, QPoint origin, const QString& text) {
        const QImage image = shown(view);
        QImage expected(image.size(), QImage::Format_RGB32);
        expected.fill(view->palette().color(QPalette::Base));
        QPainter p(&expected);
        p.setFont(view->font());
        p.setPen(view->palette().color(QPalette::Text));
        const QFontMetrics fm(view->font());
        p.drawText(origin.x(), origin.y() + fm.ascent(), text);
        const QRect area(origin, QSize(fm.horizontalAdvance(text), fm.height()));
        return !area.isEmpty() && image.copy(area) == expected.copy(area);
    }
    // "AA 00 01 02 ...": a frame of `bytes` bytes as the operator types it.
    static QString frame(int bytes) {
        QString text = QStringLiteral("AA");
        for (int i = 1; i < bytes; ++i) text += QStringLiteral(" %1").arg(i - 1, 2, 16, QLatin1Char('0')).toUpper();
        return text;
    }
    SendBox* box = nullptr;
};

TEST_P(TextBoxes, ALongLineWrapsAtTheSendBoxWidthWithItsStartInView) {
    EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff) << "the form's policy holds";
    const QFontMetrics fm(box->font());
    QString run;  // some five rows' worth, which the box shows whole
    while (run.size() < 160) run += QStringLiteral("0123456789ABCDEF");
    const struct {
        const char* name;
        QString text;
        bool betweenPairs;  // rows start at a pair's first digit
    } rows[] = {
        {"a 70-byte frame", frame(70), true},
        {"a run without blanks", run, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        box->setPlainText(QString());
        box->setFocus();
        const QPoint origin = box->cursorRect().topLeft();  // where the text starts
        QTest::keyClicks(box, r.text);  // the operator types it
        ASSERT_EQ(box->toPlainText(), r.text);
        form->setFocus();  // no caret in the pictures
        QCoreApplication::processEvents();
        EXPECT_FALSE(box->horizontalScrollBar()->isVisible());
        EXPECT_EQ(box->horizontalScrollBar()->value(), 0);
        EXPECT_TRUE(showsAt(box, origin, r.text.left(2))) << "the first byte in view, where the text starts";

        const std::vector<int> xs = caretXs(box, 0);
        const std::vector<int> starts = rowStarts(xs);
        const int width = box->viewport()->width();
        EXPECT_FALSE(starts.empty()) << "wrapped";
        EXPECT_LE(*std::max_element(xs.begin(), xs.end()), width) << "nothing past the right edge";
        for (int c : starts) {
            EXPECT_EQ(xs[std::size_t(c)], origin.x()) << "row at column " << c;
            if (r.betweenPairs) {
                EXPECT_EQ(c % 3, 0) << "row at column " << c << " starts inside a pair";
            }
            // A row holds what fits: the next pair would not have.
            EXPECT_GT(xs[std::size_t(c) - 1], width - fm.horizontalAdvance(QStringLiteral("00 00"))) << "row before " << c;
        }
        const QImage image = shown(box);
        bool inkAtTheEdge = false;
        for (int y = 0; y < image.height(); ++y)
            inkAtTheEdge |= image.pixel(width - 1, y) != box->palette().color(QPalette::Base).rgb();
        EXPECT_FALSE(inkAtTheEdge) << "no character cut at the right edge";
    }
}

// A frame the program puts into the box (a load, the form's own text) is wrapped as it is
// first painted: what the window shows then is every row of it, as a fresh paint shows it.
TEST_P(TextBoxes, AFrameSetByTheProgramShowsAllItsRowsAtTheFirstPaint) {
    form->setFocus();  // no caret in the pictures
    QCoreApplication::processEvents();
    box->setPlainText(frame(70) + QStringLiteral("\nBB 00"));
    QCoreApplication::processEvents();
    QWidget* view = box->viewport();
    const QPoint at = view->mapTo(form.get(), QPoint(0, 0));
    const QImage onScreen =
        form->screen()->grabWindow(form->winId(), at.x(), at.y(), view->width(), view->height()).toImage();
    EXPECT_TRUE(onScreen.convertToFormat(QImage::Format_RGB32) == shown(box));
    EXPECT_GT(box->verticalScrollBar()->maximum() + box->verticalScrollBar()->pageStep(), 2) << "rows counted";
}

// Every key and program move over many wrapped lines leaves the caret inside the view: the
// rows of the lines not shown yet count as they will be drawn.
TEST_P(TextBoxes, TheCaretStaysInViewOverManyWrappedLines) {
    QStringList lines;
    for (int i = 0; i < 200; ++i) lines << frame(30 + i % 17);
    box->setPlainText(lines.join(u'\n'));
    box->setFocus();
    QCoreApplication::processEvents();
    const QRect view = box->viewport()->rect();
    auto inView = [&] {
        const QRect caret = box->cursorRect();
        return view.contains(caret.topLeft()) && caret.bottom() <= view.bottom();
    };
    const struct {
        const char* name;
        std::function<void()> move;
    } moves[] = {
        {"Ctrl+End", [&] { QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier); }},
        {"Ctrl+Home", [&] { QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier); }},
        {"Page Down", [&] { QTest::keyClick(box, Qt::Key_PageDown); }},
        {"Down", [&] { QTest::keyClick(box, Qt::Key_Down); }},
        {"a program move to the last line", [&] { box->setCaret({199, 5}); }},
        {"Page Up", [&] { QTest::keyClick(box, Qt::Key_PageUp); }},
        {"a program move to the middle", [&] { box->setCaret({100, 40}); }},
        {"Up", [&] { QTest::keyClick(box, Qt::Key_Up); }},
    };
    for (const auto& m : moves) {
        for (int i = 0; i < 3; ++i) {
            m.move();
            QCoreApplication::processEvents();
            EXPECT_TRUE(inView()) << m.name << " #" << i + 1 << ": caret at " << box->cursorRect().y() << " in a view "
                                  << view.height() << " high";
        }
    }
    QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(box->verticalScrollBar()->value(), box->verticalScrollBar()->maximum()) << "the end is the bar's end";
}

// Typing or deleting inside a wrapped line wraps again only the rows the edit changes; the
// rows come out as a box given the whole text at once wraps it.
TEST_P(TextBoxes, EditsInsideAWrappedLineWrapAsTheWholeLineWould) {
    QString words;  // of uneven lengths, so that rows start at uneven columns
    for (int i = 0; words.size() < 600; ++i) words += QString(1 + i * 7 % 9, QChar(u'A' + i % 26)) + u' ';
    box->setPlainText(words);
    box->setFocus();
    SendBox twin(box->parentWidget());
    twin.setGeometry(box->geometry());
    twin.show();
    const struct {
        const char* name;
        int column;
        std::function<void()> keys;
    } edits[] = {
        {"a byte typed at the start", 0, [&] { QTest::keyClicks(box, "FF "); }},
        {"a digit typed into a pair", 200, [&] { QTest::keyClicks(box, "7"); }},
        {"a blank taken out, joining two pairs", 204, [&] { QTest::keyClick(box, Qt::Key_Backspace); }},
        {"a long run typed", 40, [&] { QTest::keyClicks(box, QString(90, u'9')); }},
        {"the run taken out again", 130, [&] { QTest::keyClick(box, Qt::Key_Backspace, Qt::ControlModifier); }},
        {"a blank typed into the last row", -1, [&] { QTest::keyClicks(box, " 0"); }},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.name);
        box->setCaret({0, e.column < 0 ? int(box->line(0).size()) - 1 : e.column});
        e.keys();
        twin.setPlainText(box->toPlainText());
        EXPECT_EQ(rowStarts(caretXs(box, 0)), rowStarts(caretXs(&twin, 0)));
    }
}

TEST_P(TextBoxes, AResizeWrapsTheSendBoxAgainAndKeepsTheCaret) {
    box->setPlainText(frame(70));
    box->setFocus();
    const QSize size = box->size();
    for (const int column : {100, int(box->line(0).size())}) {
        SCOPED_TRACE(column);
        const SendBox::Position at{0, column};
        box->setCaret(at);
        const std::size_t rows = rowStarts(caretXs(box, 0)).size();
        for (const QSize to : {QSize(size.width() * 2 / 3, size.height()), size}) {
            SCOPED_TRACE(to.width());
            box->resize(to);
            QCoreApplication::processEvents();
            EXPECT_EQ(box->caret(), at);
            EXPECT_TRUE(box->viewport()->rect().contains(box->cursorRect())) << "the caret in view";
            const std::vector<int> xs = caretXs(box, 0);
            EXPECT_LE(*std::max_element(xs.begin(), xs.end()), box->viewport()->width());
            if (to == size) {
                EXPECT_EQ(rowStarts(xs).size(), rows) << "back as before";
            } else {
                EXPECT_GT(rowStarts(xs).size(), rows) << "narrower, more rows";
            }
        }
    }
}

TEST_P(TextBoxes, TheLogPaneKeepsALongLineOnOneRowWithBothBars) {
    LogPane* pane = form->RichEdit1;
    form->addLogText(frame(70));
    const std::vector<int> xs = caretXs(pane, 0);
    EXPECT_EQ(pane->lineCount(), 1);
    EXPECT_TRUE(rowStarts(xs).empty()) << "one row";
    EXPECT_GT(xs.back(), pane->viewport()->width()) << "wider than the pane";
    EXPECT_TRUE(pane->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(pane->verticalScrollBar()->isVisible());
}

// What an input method sends while it composes: the composition, underlined or not, with the
// input method's cursor at `cursor`.
void compose(QWidget* view, const QString& text, int cursor, bool underlined = true) {
    QList<QInputMethodEvent::Attribute> attributes{{QInputMethodEvent::Cursor, cursor, 1, QVariant()}};
    if (underlined) {
        QTextCharFormat format;
        format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
        attributes.append({QInputMethodEvent::TextFormat, 0, int(text.size()), format});
    }
    QInputMethodEvent event(text, attributes);
    QCoreApplication::sendEvent(view, &event);
}

// The smallest rectangle that holds every pixel in which two pictures differ.
QRect differing(const QImage& a, const QImage& b) {
    QRect out;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) out |= QRect(x, y, 1, 1);
    return out;
}

TEST_P(TextBoxes, ACompositionShowsAtTheCaretUntilCommittedOrCancelled) {
    // A caret that does not blink, so that pictures taken at different times compare.
    const int flashTime = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0);
    form->addLog("alpha beta");
    box->setPlainText("alpha beta");
    auto check = [&](auto* view) {
        const QFontMetrics fm(view->font());
        auto imCaretX = [&] { return view->inputMethodQuery(Qt::ImCursorRectangle).toRect().x(); };
        view->setFocus();
        view->setCaret({0, 6});
        QCoreApplication::processEvents();
        const QRect caret = view->cursorRect();
        const int imX = imCaretX();
        const QImage before = shown(view);

        compose(view, "ni", 2);
        EXPECT_EQ(view->toPlainText(), "alpha beta") << "a composition is no text yet";
        const QImage composing = shown(view);
        ASSERT_TRUE(composing != before) << "the composition shows";
        const QRect drawn = differing(before, composing);
        EXPECT_NEAR(drawn.left(), caret.x(), 1) << "drawn from the caret on";
        EXPECT_GE(drawn.top(), caret.top() - 1);
        EXPECT_LE(drawn.bottom(), caret.bottom() + 1);
        EXPECT_NEAR(imCaretX() - imX, fm.horizontalAdvance("ni"), 2) << "the candidate window follows the composition";

        compose(view, "nihao", 5);
        const QImage underlined = shown(view);
        EXPECT_GE(differing(before, underlined).width(), fm.horizontalAdvance("nihao") - 2);
        EXPECT_NEAR(imCaretX() - imX, fm.horizontalAdvance("nihao"), 2);
        compose(view, "nihao", 2);
        EXPECT_NEAR(imCaretX() - imX, fm.horizontalAdvance("ni"), 2) << "the input method's cursor";
        compose(view, "nihao", 5, false);
        EXPECT_TRUE(shown(view) != underlined) << "drawn with the input method's underline";
        EXPECT_EQ(view->inputMethodQuery(Qt::ImSurroundingText).toString(), "alpha beta");
        EXPECT_EQ(view->inputMethodQuery(Qt::ImCursorPosition).toInt(), 6);
        EXPECT_EQ(view->inputMethodQuery(Qt::ImAnchorPosition).toInt(), 6);

        QInputMethodEvent cancel;
        QCoreApplication::sendEvent(view, &cancel);
        EXPECT_EQ(view->toPlainText(), "alpha beta");
        EXPECT_EQ(view->caret(), (decltype(view->caret()){0, 6}));
        EXPECT_TRUE(shown(view) == before) << "a cancelled composition leaves the picture as it was";

        // Over a selection: the queries say where it is, and the commit replaces it.
        view->setCaret({0, 10}, true);
        EXPECT_EQ(view->inputMethodQuery(Qt::ImCursorPosition).toInt(), 10);
        EXPECT_EQ(view->inputMethodQuery(Qt::ImAnchorPosition).toInt(), 6);
        EXPECT_EQ(view->inputMethodQuery(Qt::ImCurrentSelection).toString(), "beta");
        compose(view, "nihao", 5);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("你好"));
        QCoreApplication::sendEvent(view, &commit);
        EXPECT_EQ(view->toPlainText(), QStringLiteral("alpha 你好"));
        EXPECT_EQ(view->caret(), (decltype(view->caret()){0, 8}));
        EXPECT_FALSE(view->hasSelection());
    };
    {
        SCOPED_TRACE("send box");
        check(box);
    }
    {
        SCOPED_TRACE("log pane");
        check(form->RichEdit1);
    }
    QApplication::setCursorFlashTime(flashTime);
}

INSTANTIATE_TEST_SUITE_P(Builds, TextBoxes, ::testing::Bool(), eachBuildName);

}  // namespace
