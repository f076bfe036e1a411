// The main window: its frame, start-up settings, clock, page change and the handlers that
// nothing on the form invokes.
#include <QComboBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionTab>
#include <QTabBar>
#include <QTimer>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "gui/TForm2.h"
#include "platform/comm.h"
#include "operator.h"

namespace {

using MainWindow = Operator;

TEST_F(MainWindow, FrameAtStart) {
    EXPECT_EQ(form->windowTitle(), "Format output  card number V1.1");
    EXPECT_EQ(form->size(), QSize(745, 644)) << "the inner size";
    EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "fixed size";
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);

    QTabWidget* pages = form->PageControl1;
    ASSERT_EQ(pages->count(), 10);
    EXPECT_EQ(pages->currentIndex(), 0);
    const bool shown[] = {true, false, false, false, false, false, true, true, true, false};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(pages->isTabVisible(i), shown[i]) << i;
    EXPECT_EQ(pages->widget(9)->objectName(), "TabSheet10") << "a hidden tab keeps its page";

    EXPECT_EQ(form->setadd->currentText(), "00");
    EXPECT_EQ(form->StatusPanels[0]->text(), "  RFID");
    EXPECT_EQ(form->StatusPanels[2]->text(), "Format output  card number");
    EXPECT_EQ(form->StatusPanels[3]->text(), "") << "the clock waits for the first tick";
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 1000);
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_TRUE(fake.frames().empty()) << "nothing is sent at start";
    EXPECT_EQ(form->Comm1->CommName(), "COM1");
    EXPECT_EQ(form->Comm1->BaudRate(), 9600u);
    EXPECT_TRUE(form->Comm1->ParityCheck());
    EXPECT_FALSE(form->Comm1->TxContinueOnXoff());
    EXPECT_FALSE(form->Comm1->Outx_XonXoffFlow());
    EXPECT_FALSE(form->Comm1->Inx_XonXoffFlow());
}

TEST_F(MainWindow, ClockPanel) {
    form->Timer1Timer();
    EXPECT_EQ(form->StatusPanels[3]->text(), "   2026.12.10   02:05:09 PM   ");
}

// The log group ends where the status bar begins, and the bar closes the window's inner area.
TEST_F(MainWindow, StatusBarDirectlyUnderTheLogGroup) {
    const QRect bar = form->StatusBar1->geometry();
    EXPECT_EQ(bar, QRect(0, 617, 745, 27));
    EXPECT_EQ(bar.top(), form->GroupBox2->geometry().bottom() + 1);
    EXPECT_EQ(bar.bottom(), form->height() - 1);
    EXPECT_EQ(bar.right(), form->width() - 1);
    QRect contents;
    for (QWidget* w : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) contents |= w->geometry();
    EXPECT_TRUE(form->rect().contains(contents)) << "every control inside the window";
}

// Side by side, none over another, the clock panel up to the end of the bar, every text whole.
TEST_F(MainWindow, StatusPanelsDoNotOverlapAndTheClockIsReadable) {
    for (const auto& time : {console::LocalTime{2026, 12, 10, 14, 5, 9}, console::LocalTime{2028, 12, 28, 0, 58, 58}}) {
        console::setClock([time] { return time; });
        form->Timer1Timer();
        const auto& panels = form->StatusPanels;
        EXPECT_EQ(panels[0]->geometry(), QRect(0, 0, 150, 27));
        EXPECT_EQ(panels[1]->geometry(), QRect(150, 0, 30, 27));
        EXPECT_LE(panels[2]->width(), 400);
        EXPECT_EQ(panels[3]->geometry().right(), form->StatusBar1->width() - 1) << "the last panel takes the rest";
        for (std::size_t i = 0; i < panels.size(); ++i) {
            QLabel* p = panels[i];
            EXPECT_TRUE(p->isVisible()) << i;
            EXPECT_TRUE(form->StatusBar1->rect().contains(p->geometry())) << i;
            EXPECT_LE(p->fontMetrics().horizontalAdvance(p->text()), p->contentsRect().width())
                << i << ": " << p->text().toStdString();
            EXPECT_LE(p->sizeHint().width(), p->width()) << i << ": text, indent and frame";
            for (std::size_t j = i + 1; j < panels.size(); ++j)
                EXPECT_FALSE(p->geometry().intersects(panels[j]->geometry())) << i << " and " << j;
        }
    }
}

// 145 pixels at least; a caption that needs more widens its tab, and the shown tabs fit the control.
TEST_F(MainWindow, EveryShownTabCaptionFitsItsTab) {
    QTabBar* bar = form->PageControl1->tabBar();
    int shownWidth = 0;
    for (int i = 0; i < bar->count(); ++i) {
        if (!bar->isTabVisible(i)) continue;
        const QRect tab = bar->tabRect(i);
        shownWidth += tab.width();
        EXPECT_GE(tab.width(), 145) << i;
        QStyleOptionTab option;
        option.initFrom(bar);
        option.shape = bar->shape();
        option.rect = tab;
        option.text = bar->tabText(i);
        const QRect textArea = bar->style()->subElementRect(QStyle::SE_TabBarTabText, &option, bar);
        const int textWidth = bar->fontMetrics().size(Qt::TextShowMnemonic, bar->tabText(i)).width();
        EXPECT_LE(textWidth, textArea.width()) << bar->tabText(i).toStdString();
        EXPECT_LE(textWidth, tab.width() - bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, bar))
            << bar->tabText(i).toStdString();
    }
    EXPECT_LE(shownWidth, form->PageControl1->width());
}

TEST_F(MainWindow, CentredOnTheScreensWorkingAreaAndTheAboutBoxOnIt) {
    const QRect area = form->screen()->availableGeometry();
    const QPoint offset = form->frameGeometry().center() - area.center();
    EXPECT_LE(offset.manhattanLength(), 1) << "frame at " << form->frameGeometry().x() << ", " << form->frameGeometry().y();

    QPoint aboutCentre;
    console::setModalRunner([&](QDialog* d) {
        d->show();
        aboutCentre = d->frameGeometry().center();
        d->hide();
    });
    form->N5Click();
    console::setModalRunner(nullptr);
    EXPECT_LE((aboutCentre - form->frameGeometry().center()).manhattanLength(), 1);
}

TEST_F(MainWindow, PageChangeRunsOnlyForTheOperator) {
    QAbstractButton* box = form->CheckBox2;
    {
        const QSignalBlocker quiet(box);  // checked without starting its loop
        box->setChecked(true);
    }
    form->setActivePage(1);
    EXPECT_TRUE(box->isChecked()) << "a page set by the program runs no handler";
    QTabBar* bar = form->PageControl1->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(6).center());
    EXPECT_EQ(form->PageControl1->currentIndex(), 6);
    EXPECT_FALSE(box->isChecked());
}

TEST_F(MainWindow, UninvokedHandlers) {
    form->N7Click();
    EXPECT_TRUE(form->RadioButton4->isChecked());
    form->N8Click();
    EXPECT_TRUE(form->RadioButton19->isChecked());
    form->N6Click();
    EXPECT_TRUE(form->RadioButton3->isChecked());
    form->ISO156931Click();
    EXPECT_EQ(form->PageControl1->currentIndex(), 5);
    form->COM1Click();
    EXPECT_EQ(form->PageControl1->currentIndex(), 0);
    form->N11Click();
    form->N4Click();
    EXPECT_EQ(programEnds, 1);

    QString shownTitle;
    console::setModalRunner([&](QDialog* d) { shownTitle = d->windowTitle(); });
    form->N5Click();
    console::setModalRunner(nullptr);
    EXPECT_EQ(shownTitle, "RFID");
    EXPECT_EQ(Form2, nullptr) << "freed after it was shown";
}

TEST_F(MainWindow, CheckCard) {
    struct Row {
        const char* reply;
        QStringList lines;
    } rows[] = {
        {"02011122334455", {"检测到S50/S70卡", "卡的ID号码为： 11223344", ""}},
        {"0204112233445566778899", {"中华人民共和国第二代身份证..", "身份证卡的ID号码为： 1122334455667788", ""}},
        {"0209112233", {}},
    };
    for (const Row& r : rows) {
        form->RichEdit1->clearAll();
        console::ReplyText = r.reply;
        form->checkcard();
        EXPECT_EQ(lines(), r.lines) << r.reply;
        EXPECT_TRUE(console::ReplyText.empty());
    }
}

TEST_F(MainWindow, ClosingEndsTheProgram) {
    form->close();
    EXPECT_EQ(programEnds, 1);
}

TEST_F(MainWindow, ClosingClosesTheSerialPort) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    platform::setCommDevicePath(1, ptsname(master));
    const std::string name = "\\\\.\\COM1";
    form->Comm1->setCommName(QString::fromStdString(name));
    form->Comm1->OpenPort();
    EXPECT_FALSE(platform::canOpenComm(name)) << "held by the open component";
    form->close();
    EXPECT_TRUE(platform::canOpenComm(name));
    EXPECT_EQ(programEnds, 1);
    platform::restoreCommDevicePaths();
    close(master);
}

}  // namespace
