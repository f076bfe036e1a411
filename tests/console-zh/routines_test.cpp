// The routines Vorcard-zh changes: its port probe and port group, the send path of the send
// box, the send echo, the window set-up and the close.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTabBar>
#include <QTimer>
#include <functional>
#include <termios.h>

#include "core/hextext.h"
#include "platform/comm.h"
#include "serial/testutil.h"
#include "zhoperator.h"

namespace {

using testutil::Pty;

class ZhRoutines : public ZhOperator {
protected:
    void SetUp() override {
        // No device behind any COM name unless a test attaches one.
        for (int n = 1; n <= 32; ++n) platform::setCommDevicePath(n, "/nonexistent/com" + std::to_string(n));
        ZhOperator::SetUp();
    }
    void TearDown() override {
        ZhOperator::TearDown();
        platform::restoreCommDevicePaths();
    }
    void clickTab(int index) {
        QTabBar* bar = form->PageControl1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    void showSerialPage() {
        clickTab(1);
        clickTab(8);
        ASSERT_EQ(form->PageControl1->currentWidget()->objectName(), "TabSheet9");
    }
    static bool portOpen(int n) { return !platform::canOpenComm("\\\\.\\COM" + std::to_string(n)); }
    static std::string hexOf(const std::string& bytes) {
        std::string out;
        for (unsigned char c : bytes) out += console::hexByte(c) + " ";
        return out;
    }
};

TEST_F(ZhRoutines, ProbeOverThirtyTwoNamesIntoTheOwnList) {
    Pty com3, com20;
    platform::setCommDevicePath(3, com3.slave());
    platform::setCommDevicePath(20, com20.slave());
    EXPECT_EQ(zh()->ComboBox21->count(), 0) << "nothing probed before the first page change";
    showSerialPage();
    EXPECT_EQ(items(zh()->ComboBox21), (QStringList{"COM3", "COM20"}));
    EXPECT_EQ(zh()->ComboBox21->currentText(), "COM3");
    EXPECT_EQ(form->Comm1->CommName(), "\\\\.\\COM3");
    EXPECT_EQ(form->Comm1->BaudRate(), 9600u);
    EXPECT_EQ(form->ComboBox1->count(), 0) << "the hidden list stays empty";
    EXPECT_FALSE(portOpen(3)) << "the probe closes what it opens";
}

TEST_F(ZhRoutines, NoPort) {
    showSerialPage();
    EXPECT_EQ(items(zh()->ComboBox21), QStringList{"没有可用串口"});
    EXPECT_EQ(zh()->ComboBox21->currentIndex(), 0);
    EXPECT_GE(zh()->ComboBox21->width(), zh()->ComboBox21->sizeHint().width()) << "the entry shows whole";
    EXPECT_EQ(form->Comm1->CommName(), "\\\\.\\none");
    EXPECT_EQ(form->ComboBox1->count(), 0);
}

TEST_F(ZhRoutines, PortGroupOpensClosesAndReopens) {
    EXPECT_TRUE(zh()->Button73->isEnabled()) << "the open button starts enabled, as the form leaves it";
    EXPECT_TRUE(zh()->Button74->isEnabled());
    EXPECT_FALSE(form->Button1->isEnabled());
    EXPECT_EQ(items(zh()->ComboBox22), (QStringList{"9600", "19200", "38400", "57600", "115200"}));
    EXPECT_EQ(zh()->ComboBox22->currentText(), "9600");

    Pty com3, com20;
    platform::setCommDevicePath(3, com3.slave());
    platform::setCommDevicePath(20, com20.slave());
    showSerialPage();
    click("Button73");
    EXPECT_TRUE(portOpen(3));
    EXPECT_FALSE(zh()->Button73->isEnabled());
    EXPECT_TRUE(zh()->Button74->isEnabled());

    choose(zh()->ComboBox21, "COM20");
    EXPECT_FALSE(portOpen(3));
    EXPECT_TRUE(portOpen(20));
    choose(zh()->ComboBox22, "57600");
    termios t{};
    ASSERT_EQ(tcgetattr(com20.master(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), speed_t(B57600));

    click("Button74");
    EXPECT_FALSE(portOpen(20));
    EXPECT_TRUE(zh()->Button73->isEnabled());
    EXPECT_FALSE(zh()->Button74->isEnabled());
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

// The module switched to USB HID: the port is closed as the port group's own close button
// closes it, and the group's buttons follow.
TEST_F(ZhRoutines, UsbHidSwitchClosesThePortThroughThePortGroup) {
    Pty com3;
    platform::setCommDevicePath(3, com3.slave());
    showSerialPage();
    click("Button73");
    ASSERT_TRUE(portOpen(3));
    QTimer::singleShot(50, [&] { com3.write(std::string("\xBB\x01\xC2\x00\x01\x00\xC4\x7E", 8)); });
    click("Button76");
    EXPECT_EQ(com3.read(8, 2000), std::string("\xBB\x00\xC2\x00\x01\x00\xC3\x7E", 8));
    EXPECT_TRUE(lines().contains("USB_HID模式设置成功   02:05:09 PM")) << lines().join("|").toStdString();
    EXPECT_FALSE(portOpen(3));
    EXPECT_TRUE(zh()->Button73->isEnabled());
    EXPECT_FALSE(zh()->Button74->isEnabled());
    EXPECT_FALSE(form->Button1->isEnabled()) << "the hidden pair stays as it was";
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(ZhRoutines, SendBoxOnTheSerialPortWholeAndInOrder) {
    Pty com3;
    platform::setCommDevicePath(3, com3.slave());
    showSerialPage();
    click("Button73");
    form->Edit6->setText("0");
    EXPECT_EQ(form->Memo1->toPlainText(), "BB 00 C3 00 00 C3 7E");
    click("Button3");
    EXPECT_EQ(com3.read(7, 5000), std::string("\xBB\x00\xC3\x00\x00\xC3\x7E", 7));
    EXPECT_TRUE(fake.frames().empty()) << "nothing over USB";

    const std::string bytes = testutil::pattern(70000, 3);
    form->Memo1->setPlainText(QString::fromStdString(hexOf(bytes)));
    click("Button3");
    EXPECT_TRUE(com3.read(bytes.size(), 30000) == bytes);
}

// A send box of 8 MB in one line (a hex file without line breaks): loading it, selecting a word
// and all of it, typing and sending each give the window back within seconds (laying such a
// line out whole once took minutes), and the port gets exactly the text's bytes.
TEST_F(ZhRoutines, AHugeOneLineSendBoxStaysResponsiveAndSendsExactly) {
    Pty com3;
    platform::setCommDevicePath(3, com3.slave());
    showSerialPage();
    click("Button73");
    form->Edit6->setText("0");
    const std::string bytes = testutil::pattern(8 * 1024 * 1024 / 3, 5);
    const std::string text = hexOf(bytes);
    QTemporaryDir dir;
    const QString file = dir.filePath("huge.txt");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), qint64(text.size()));
    }
    console::setOpenDialog([&](QWidget*, const QString&, const QString&) { return file; });
    // How long a step keeps the window from its events, its paint included. The bound is a
    // guard against a stall of minutes, generous for slow (sanitizer) builds.
    constexpr qint64 kGenerousMs = 30000;
    QElapsedTimer t;
    auto unattended = [&](const std::function<void()>& step) {
        t.start();
        step();
        QCoreApplication::processEvents();
        return t.elapsed();
    };
    SendBox* box = form->Memo1;
    EXPECT_LT(unattended([&] { click("Button6"); }), kGenerousMs) << "load";
    ASSERT_EQ(box->lineCount(), 1);
    ASSERT_EQ(box->line(0).size(), qsizetype(text.size()));

    box->setCaret({0, 7});  // inside the third byte's digits
    const QPoint word = box->cursorRect().center();
    EXPECT_LT(unattended([&] { QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, word); }), kGenerousMs)
        << "word";
    EXPECT_EQ(box->selectedText().toStdString(), console::hexByte(std::uint8_t(bytes[2])));
    EXPECT_LT(unattended([&] { QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier); }), kGenerousMs) << "all";
    EXPECT_EQ(box->selectedText().size(), qsizetype(text.size()));
    EXPECT_LT(unattended([&] {
        QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(box, "0a");
    }), kGenerousMs) << "typing";
    EXPECT_LT(unattended([&] { click("Button3"); }), kGenerousMs) << "send";
    EXPECT_TRUE(com3.read(bytes.size() + 1, 60000) == bytes + '\x0A');
    EXPECT_EQ(com3.read(1, 100), "") << "nothing more";
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(ZhRoutines, SendBoxOverUsbWaitsTheWholePeriod) {
    form->RadioButton38->setChecked(true);
    form->RadioButton4->setChecked(true);
    form->Memo1->setPlainText("02 00 01 83 82 03");
    form->Edit6->setText("300");
    fake.queueReply(FakeUsb::makeReply(0x00, 0x00, {0x00}));
    QElapsedTimer t;
    t.start();
    click("Button3");
    // The wait counts whole milliseconds of the tick counter: up to one less on this clock.
    EXPECT_GE(t.elapsed(), 299) << "the reply came at once; the wait runs all the same";
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x01, 0x83, 0x82, 0x03}));
    EXPECT_EQ(lines(), (QStringList{"发送...020001838203", "接收...02000200000203"}));
}

TEST_F(ZhRoutines, RepeatSendingFollowsTheSendPath) {
    form->RadioButton38->setChecked(true);
    fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
    form->Edit6->setText("50");
    QTimer::singleShot(400, [&] { click("CheckBox3"); });
    clickLoopBox("CheckBox3");  // returns when the loop has ended
    EXPECT_GE(fake.frameCount(), 2);
    EXPECT_EQ(lastFrame(), (Bytes{0xBB, 0x00, 0xC3, 0x00, 0x00, 0xC3, 0x7E}));
}

TEST_F(ZhRoutines, WindowSetUp) {
    EXPECT_EQ(form->PageControl1->width(), 732);
    EXPECT_TRUE(form->PageControl1->tabBar()->styleSheet().contains("min-width: 179px"))
        << form->PageControl1->tabBar()->styleSheet().toStdString();
    EXPECT_EQ(form->PageControl1->currentIndex(), 0);
    EXPECT_EQ(form->setadd->currentText(), "00");
    EXPECT_EQ(form->ComboBox13->currentIndex(), 2);
    EXPECT_EQ(form->ListBox2->currentRow(), 4);
    EXPECT_EQ(form->StringGrid1, nullptr);
}

TEST_F(ZhRoutines, DelayyWaitsItsTimeAndKeepsTheWindowWorking) {
    int fired = 0;
    QTimer::singleShot(50, [&] { ++fired; });
    QElapsedTimer t;
    t.start();
    form->Delayy(200);
    EXPECT_GE(t.elapsed(), 199);  // whole milliseconds of the tick counter
    EXPECT_EQ(fired, 1);
}

TEST_F(ZhRoutines, ClosingDuringTheAutomaticIssueStopsItAndEndsTheProgram) {
    Pty com3;
    platform::setCommDevicePath(3, com3.slave());
    form->Comm1->setCommName("\\\\.\\COM3");
    form->Comm1->OpenPort();
    form->Edit61->setText("20");
    bool closedInLoop = false;
    QTimer::singleShot(300, [&] {
        closedInLoop = form->CheckBox20->isChecked();
        form->close();
    });
    form->CheckBox20->setChecked(true);  // the issue runs until the close
    EXPECT_TRUE(closedInLoop);
    EXPECT_FALSE(form->CheckBox20->isChecked());
    EXPECT_EQ(programEnds, 1);
    EXPECT_TRUE(portOpen(3)) << "the close leaves the port to the component";
    form.reset();
    EXPECT_FALSE(portOpen(3)) << "released with the window";
}

TEST_F(ZhRoutines, ClosingDuringALoopEndsIt) {
    fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
    form->Edit6->setText("50");
    QTimer::singleShot(200, [&] { form->close(); });
    QElapsedTimer t;
    t.start();
    clickLoopBox("CheckBox3");
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_EQ(programEnds, 1);
}

}  // namespace
