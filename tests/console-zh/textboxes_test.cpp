// The two text boxes as the operator sees them, in both builds: the send box wraps its lines
// at its width (a hex frame between its pairs, a run without blanks anywhere) and keeps no
// sideways bar, the log pane keeps long lines on one row; in either box an input method's
// composition shows at the caret until it is committed or cancelled, wraps with the text in the
// send box and is scrolled to in the log pane, with the input method's caret rectangle where the
// composition's caret is drawn, and is drawn once beside a selection.
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
// input method's cursor at `cursor`, shown or not.
void compose(QWidget* view, const QString& text, int cursor, bool underlined = true, bool cursorShown = true) {
    QList<QInputMethodEvent::Attribute> attributes{{QInputMethodEvent::Cursor, cursor, cursorShown ? 1 : 0, QVariant()}};
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

// The input method's caret rectangle, in the view's viewport.
QRect imCaret(const QAbstractScrollArea* view) {
    return view->inputMethodQuery(Qt::ImCursorRectangle).toRect().translated(-view->viewport()->pos());
}

void commitText(QWidget* view, const QString& text) {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QCoreApplication::sendEvent(view, &commit);
}

QImage picture(const QAbstractScrollArea* view) { return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// The composition's caret as drawn: where the picture with it differs from the one without.
QRect drawnCaret(QAbstractScrollArea* view, const QString& text, int cursor) {
    compose(view, text, cursor, false, false);
    const QImage hidden = picture(view);
    compose(view, text, cursor, false, true);
    return differing(hidden, picture(view));
}

TEST_P(TextBoxes, ACompositionAtTheRightEdgeOfTheSendBoxWrapsInsideIt) {
    const int flashTime = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0);
    const QFontMetrics fm(box->font());
    const int width = box->viewport()->width();
    const QString composition = QStringLiteral("nihaonihao");
    ASSERT_LT(fm.horizontalAdvance(composition) + 16, width) << "a composition that fits a row";
    // Words up to a few pixels short of the right edge, the caret after the last one's blank.
    QString words;
    while (fm.horizontalAdvance(words + QStringLiteral("ab ")) + 2 * 4 < width - 6) words += QStringLiteral("ab ");
    const QString text = words + QStringLiteral("\nnext");
    box->setPlainText(text);
    box->setCaret({0, int(words.size())});
    form->setFocus();  // no caret in the pictures of the text and of the composition
    QCoreApplication::processEvents();
    const QRect caret = box->cursorRect();
    const QImage before = shown(box);
    compose(box, composition, int(composition.size()), false);
    const QImage composing = shown(box);
    box->setFocus();

    const QRect im = imCaret(box);
    EXPECT_TRUE(box->viewport()->rect().contains(im)) << "the candidate window opens inside the box";
    EXPECT_EQ(im.top(), caret.bottom() + 1) << "the composition broke onto the next row";
    EXPECT_EQ(im, drawnCaret(box, composition, int(composition.size()))) << "the input method is told where the caret is drawn";
    const QRect drawn = differing(before, composing);
    EXPECT_GT(drawn.top(), caret.bottom()) << "nothing of it on the caret's row";
    bool inkAtTheEdge = false;
    for (int y = 0; y < composing.height(); ++y) inkAtTheEdge |= composing.pixel(width - 1, y) != box->palette().color(QPalette::Base).rgb();
    EXPECT_FALSE(inkAtTheEdge) << "nothing cut at the right edge";
    EXPECT_EQ(box->toPlainText(), text) << "a composition is no text yet";

    // Committed, the text stands where the composition stood: the caret is where its caret was.
    commitText(box, composition);
    EXPECT_EQ(box->cursorRect(), im);
    QApplication::setCursorFlashTime(flashTime);
}

TEST_P(TextBoxes, TheLogPaneScrollsSidewaysToShowAComposition) {
    const int flashTime = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0);
    LogPane* pane = form->RichEdit1;
    form->addLogText(frame(40));
    pane->setFocus();
    pane->setCaret({0, int(pane->line(0).size())});
    QCoreApplication::processEvents();
    const int scrolled = pane->horizontalScrollBar()->value();
    ASSERT_GT(scrolled, 0) << "the line's end is past the pane's width";
    const QString composition = QStringLiteral("nihaonihaonihaonihaonihaonihao");
    compose(pane, composition, int(composition.size()));
    QCoreApplication::processEvents();
    EXPECT_GT(pane->horizontalScrollBar()->value(), scrolled) << "scrolled on";
    const QRect im = imCaret(pane);
    EXPECT_TRUE(pane->viewport()->rect().contains(im)) << "the composition's caret in view";
    EXPECT_EQ(im, drawnCaret(pane, composition, int(composition.size())));
    commitText(pane, composition);
    QCoreApplication::processEvents();
    EXPECT_EQ(pane->cursorRect(), im) << "the committed text where the composition was";
    QApplication::setCursorFlashTime(flashTime);
}

// A composition begun over a selection takes it out first, as in Qt's box; a selection the
// input method sets while it composes shows once, before the composition, which pushes the rest
// of the row aside once.
TEST_P(TextBoxes, ACompositionBesideASelectionIsDrawnOnce) {
    box->setPlainText("alpha beta gamma");
    box->setFocus();
    QCoreApplication::processEvents();
    const QRgb highlight = box->palette().color(QPalette::Active, QPalette::Highlight).rgb();
    const int row = box->cursorRect().top();  // above the glyphs
    // The columns of the caret's row in the highlight's colour, as runs [from, to).
    auto highlighted = [&] {
        const QImage image = shown(box);
        std::vector<std::pair<int, int>> runs;
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, row) != highlight) continue;
            if (!runs.empty() && runs.back().second == x) ++runs.back().second;
            else runs.push_back({x, x + 1});
        }
        return runs;
    };
    const QFontMetrics fm(box->font());
    box->setCaret({0, 6});
    box->setCaret({0, 10}, true);
    compose(box, "zz", 2);
    EXPECT_TRUE(highlighted().empty()) << "the selection taken out";
    EXPECT_EQ(box->toPlainText(), "alpha  gamma");

    box->setPlainText("alpha beta gamma");
    box->setCaret({0, 6});
    const int left = box->cursorRect().x();
    // The selection from 6 for 4, the caret at its end; the composition there, its cursor hidden.
    QInputMethodEvent selecting("zz", {{QInputMethodEvent::Selection, 6, 4, QVariant()}, {QInputMethodEvent::Cursor, 2, 0, QVariant()}});
    QCoreApplication::sendEvent(box, &selecting);
    ASSERT_EQ(box->selectedText(), "beta");
    const auto runs = highlighted();
    ASSERT_EQ(runs.size(), 1u) << "one band";
    EXPECT_NEAR(runs[0].first, left, 1);
    EXPECT_NEAR(runs[0].second - runs[0].first, fm.horizontalAdvance("beta"), 2);
    // The rest of the row drawn once, after the composition: as the committed text shows it.
    const QImage composing = shown(box);
    box->setPlainText("alpha betazz gamma");
    box->setCaret({0, 6});
    box->setCaret({0, 10}, true);
    form->setFocus();
    QCoreApplication::processEvents();
    const QImage committed = shown(box);
    const int after = left + fm.horizontalAdvance("betazz");
    EXPECT_TRUE(composing.copy(after, 0, composing.width() - after, composing.height()) ==
                committed.copy(after, 0, committed.width() - after, committed.height()))
        << "the text after the composition";
}

INSTANTIATE_TEST_SUITE_P(Builds, TextBoxes, ::testing::Bool(), eachBuildName);

}  // namespace
