// The serial page from the real window: the port probe of the page change, open and close,
// received bursts in the log, Send232HEX at a pseudo-terminal peer, the send box against the
// fake USB library, and its load and save.
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <termios.h>

#include "core/hextext.h"
#include "operator.h"
#include "platform/comm.h"
#include "serial/testutil.h"

namespace {

using testutil::Pty;

const std::string kCom3 = "\\\\.\\COM3";
const std::string kCom5 = "\\\\.\\COM5";

class SerialPage : public Operator {
protected:
    static void attach(int number, const Pty& pty) { platform::setCommDevicePath(number, pty.slave()); }

    void clickTab(int index) {
        QTabBar* bar = form->PageControl1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    // Another page, then the serial page: two page changes, each probing the ports.
    void showSerialPage() {
        clickTab(6);
        clickTab(8);
        ASSERT_EQ(form->PageControl1->currentIndex(), 8);
    }
    // Points COM `number` at the peer, shows the page and chooses the port, which opens it.
    void openThroughTheList(int number, const Pty& peer) {
        attach(number, peer);
        showSerialPage();
        choose(form->ComboBox1, QStringLiteral("COM%1").arg(number));
        ASSERT_TRUE(portOpen("\\\\.\\COM" + std::to_string(number)));
    }
    bool portOpen(const std::string& name) const { return !platform::canOpenComm(name); }
    void expectButtons(bool openEnabled, bool closeEnabled) {
        EXPECT_EQ(form->Button1->isEnabled(), openEnabled);
        EXPECT_EQ(form->Button2->isEnabled(), closeEnabled);
    }
    static std::string hexOf(const std::string& bytes) {
        std::string out;
        for (unsigned char c : bytes) out += console::hexByte(c) + " ";
        return out;
    }
};

TEST_F(SerialPage, PageAtStart) {
    EXPECT_EQ(form->TabSheet9->findChild<QGroupBox*>("GroupBox1")->title(), "Communication information");
    EXPECT_EQ(form->TabSheet9->findChild<QGroupBox*>("GroupBox5")->title(), "发送信息");
    EXPECT_EQ(items(form->ComboBox2), (QStringList{"9600", "19200", "38400", "57600", "115200"}));
    EXPECT_EQ(form->ComboBox2->currentText(), "9600");
    EXPECT_EQ(form->ComboBox1->count(), 0) << "nothing probed before the first page change";
    expectButtons(false, true);
    EXPECT_EQ(form->Memo1->toPlainText(), "AA 00 03 85 01 78 ff BB");
    EXPECT_EQ(form->Edit6->text(), "1000");
    EXPECT_TRUE(form->RadioButton37->isChecked());
    EXPECT_FALSE(form->CheckBox3->isChecked());
}

TEST_F(SerialPage, ProbeListsFreePortsInOrderAndNotTheOpenOne) {
    Pty com3, com5, com16, com17;
    attach(3, com3);
    attach(5, com5);
    attach(16, com16);
    attach(17, com17);
    form->Comm1->setBaudRate(19200);
    showSerialPage();
    EXPECT_EQ(items(form->ComboBox1), (QStringList{"COM3", "COM5", "COM16"})) << "COM17 and up are never probed";
    EXPECT_EQ(form->ComboBox1->currentText(), "COM3");
    EXPECT_EQ(form->Comm1->CommName().toStdString(), kCom3);
    EXPECT_EQ(form->Comm1->BaudRate(), 9600u);
    EXPECT_FALSE(portOpen(kCom3)) << "the probe closes what it opens";

    choose(form->ComboBox1, "COM5");
    ASSERT_TRUE(portOpen(kCom5));
    expectButtons(false, true);
    choose(form->ComboBox2, "57600");
    showSerialPage();
    EXPECT_EQ(items(form->ComboBox1), (QStringList{"COM3", "COM16"}));
    EXPECT_EQ(form->Comm1->CommName().toStdString(), kCom3);
    EXPECT_TRUE(portOpen(kCom5)) << "the open port stays open";
    termios t{};
    ASSERT_EQ(tcgetattr(com5.master(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600)) << "the page change puts the open port at 9600";
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(SerialPage, NoPortListsNoComPortAndChoosingItFails) {
    showSerialPage();
    EXPECT_EQ(items(form->ComboBox1), QStringList{"No Com Port"});
    EXPECT_EQ(form->ComboBox1->currentText(), "No Com Port");
    EXPECT_EQ(form->Comm1->CommName(), "\\\\.\\none");
    choose(form->ComboBox1, "No Com Port");
    EXPECT_EQ(errors, QStringList{"the com is not exist!..."});
    expectButtons(true, false);
}

TEST_F(SerialPage, CloseOnAClosedPortOnlyTogglesTheButtons) {
    click("Button2");
    expectButtons(true, false);
    click("Button1");  // CommName is still the form's COM1, which is no device here
    EXPECT_EQ(errors, QStringList{"the com is not exist!..."});
    expectButtons(true, false);
}

TEST_F(SerialPage, ChoosingASpeedWhileClosedOpensThePortAtThatSpeed) {
    Pty com3;
    attach(3, com3);
    showSerialPage();
    ASSERT_FALSE(portOpen(kCom3));
    choose(form->ComboBox2, "115200");
    EXPECT_TRUE(portOpen(kCom3));
    EXPECT_EQ(form->Comm1->BaudRate(), 115200u);
    termios t{};
    ASSERT_EQ(tcgetattr(com3.master(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), speed_t(B115200));
    expectButtons(false, true);

    click("Button2");
    EXPECT_FALSE(portOpen(kCom3));
    expectButtons(true, false);
    click("Button1");
    EXPECT_TRUE(portOpen(kCom3));
    expectButtons(false, true);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(SerialPage, FailedOpenFromThePortListLeavesThePortClosed) {
    Pty com3, com5;
    attach(3, com3);
    attach(5, com5);
    showSerialPage();
    choose(form->ComboBox1, "COM3");
    ASSERT_TRUE(portOpen(kCom3));
    auto other = platform::CommPort::open(kCom5);  // another program takes COM5
    ASSERT_TRUE(other);
    choose(form->ComboBox1, "COM5");
    EXPECT_EQ(errors, QStringList{"the com is not exist!..."});
    EXPECT_FALSE(portOpen(kCom3)) << "closed before the failed open";
    expectButtons(true, false);
}

TEST_F(SerialPage, ReceivedBurstsGoToTheLogAndOnlyTheLastIsKept) {
    Pty com3;
    openThroughTheList(3, com3);
    console::SerialRxText.clear();
    com3.write(std::string("\x01\xAB\xFF", 3));
    ASSERT_TRUE(testutil::waitUntil([] { return console::SerialRxText == "01ABFF"; }));
    EXPECT_EQ(lines(), (QStringList{"232RX Data..", "01ABFF"}));

    com3.write(std::string("\x11\x22", 2));
    ASSERT_TRUE(testutil::waitUntil([] { return console::SerialRxText == "1122"; }));
    com3.write("\x33");
    ASSERT_TRUE(testutil::waitUntil([] { return console::SerialRxText == "33"; }));
    EXPECT_EQ(lines(), (QStringList{"232RX Data..", "01ABFF", "232RX Data..", "1122", "232RX Data..", "33"}));
}

TEST_F(SerialPage, BurstDuringAWaitIsLoggedAtOnce) {
    Pty com3;
    openThroughTheList(3, com3);
    console::SerialRxText.clear();
    fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
    form->Edit6->setText("1500");
    bool clickReturned = false, seenDuringWait = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (console::SerialRxText == "A5" && !clickReturned && lines().contains("A5")) seenDuringWait = true;
    });
    poll.start(5);
    QTimer::singleShot(20, [&] { com3.write("\xA5"); });
    click("Button3");
    clickReturned = true;
    EXPECT_TRUE(seenDuringWait);
    EXPECT_TRUE(lines().contains("A5"));
}

TEST_F(SerialPage, Send232HexWritesWholePairsInOrder) {
    Pty com3;
    attach(3, com3);
    showSerialPage();
    form->Send232HEX("bb 00 22 00 00 22 7e ");  // closed port: nothing, no error
    choose(form->ComboBox1, "COM3");
    EXPECT_EQ(com3.read(1, 100), "") << "nothing was queued while closed";
    struct Row {
        const char* text;
        std::string bytes;
    } rows[] = {
        {"bb 00 22 00 00 22 7e ", std::string("\xBB\x00\x22\x00\x00\x22\x7E", 7)},
        {"A", ""},
        {"A B\r\nC", "\xAB"},
        {"xyz ,; -- ?", ""},
    };
    for (const Row& r : rows) {
        form->Send232HEX(r.text);
        EXPECT_EQ(com3.read(r.bytes.size() + 1, r.bytes.empty() ? 100 : 300), r.bytes) << r.text;
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(SerialPage, Send232HexOfALongTextArrivesWholeAndInOrder) {
    Pty com3;
    openThroughTheList(3, com3);
    const std::string bytes = testutil::pattern(120000, 7);
    form->Send232HEX(hexOf(bytes));
    EXPECT_EQ(com3.read(bytes.size(), 30000) == bytes, true);
}

TEST_F(SerialPage, SendBoxGoesToTheReaderOverUsb) {
    Pty com3;
    openThroughTheList(3, com3);
    form->Edit6->setText("0");
    fake.queueReply(FakeUsb::makeReply(0x00, 0x00, {}));
    click("Button3");
    EXPECT_EQ(lastFrame(), (Bytes{0xAA, 0x00, 0x03, 0x85, 0x01, 0x78, 0xFF, 0xBB}));
    EXPECT_EQ(com3.read(1, 100), "") << "the serial port is not written";

    // More than a frame holds: one line, nothing sent.
    form->Memo1->setPlainText(QString::fromStdString(hexOf(std::string(300, '\x11'))));
    click("Button3");
    EXPECT_EQ(fake.frameCount(), 1);
    ASSERT_EQ(lines().size(), 1);
    EXPECT_TRUE(lines()[0].contains("300 bytes")) << lines()[0].toStdString();
}

TEST_F(SerialPage, PeriodThatIsNoNumber) {
    form->Edit6->setText("abc");
    fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
    click("Button3");
    EXPECT_EQ(fake.frameCount(), 1) << "the box has been sent by then";
    EXPECT_EQ(errors, QStringList{"'abc' is not a valid integer value"});

    clickLoopBox("CheckBox3");
    EXPECT_EQ(fake.frameCount(), 2);
    EXPECT_EQ(errors.size(), 2);
    EXPECT_TRUE(form->CheckBox3->isChecked()) << "the error ends the loop; the box stays checked";
}

TEST_F(SerialPage, RepeatSendingRunsEveryPeriodUntilUnchecked) {
    // A reader that answers: one send about every period.
    fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
    form->Edit6->setText("100");
    // Sends until the uncheck, and how long that took.
    auto runFor = [&](int ms) {
        QElapsedTimer t;
        int atUncheck = -1;
        qint64 elapsed = 0;
        QTimer::singleShot(ms, [&] {
            atUncheck = fake.frameCount();
            elapsed = t.elapsed();
            click("CheckBox3");
        });
        t.start();
        clickLoopBox("CheckBox3");  // returns when the loop has ended
        EXPECT_FALSE(form->CheckBox3->isChecked());
        EXPECT_EQ(fake.frameCount(), atUncheck) << "no send after the uncheck";
        return std::pair{atUncheck, elapsed};
    };
    auto [answered, elapsed] = runFor(1000);
    EXPECT_GE(answered, 2);
    EXPECT_LE(answered, elapsed / 100 + 1) << "each pass waits the full period";
    testutil::processEventsFor(250);
    EXPECT_EQ(fake.frameCount(), answered) << "nothing more once unchecked";

    // A reader that is silent: the second wait runs its full time too.
    fake.reset();
    fake.setDefaultReply({});
    auto [silent, silentElapsed] = runFor(1000);
    EXPECT_GE(silent, 1);
    EXPECT_LE(silent, silentElapsed / 200 + 1) << "two full periods a pass";
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(SerialPage, PageChangeStopsRepeatSending) {
    fake.setDefaultReply(FakeUsb::makeReply(0x00, 0x00, {}));
    form->Edit6->setText("50");
    showSerialPage();
    QTimer::singleShot(400, [&] { clickTab(0); });
    clickLoopBox("CheckBox3");
    EXPECT_FALSE(form->CheckBox3->isChecked());
    EXPECT_EQ(form->PageControl1->currentIndex(), 0);
    const int sent = fake.frameCount();
    EXPECT_GE(sent, 2);
    testutil::processEventsFor(200);
    EXPECT_EQ(fake.frameCount(), sent);
}

class SendBoxFiles : public SerialPage {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    void writeFile(const QString& name, const QByteArray& bytes) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readFile(const QString& name) {
        QFile f(name);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    void openWith(const QString& name) {
        console::setOpenDialog([this, name](QWidget*, const QString& title, const QString& filter) {
            openTitle = title;
            openFilter = filter;
            return name;
        });
    }
    void saveAs(const QString& name) {
        console::setSaveDialog([this, name](QWidget*, const QString& title, const QString& filter) {
            saveTitle = title;
            saveFilter = filter;
            return name;
        });
    }
    QTemporaryDir dir;
    QString openTitle, openFilter = "unset", saveTitle, saveFilter;
};

TEST_F(SendBoxFiles, LoadAndSaveRoundTrip) {
    writeFile(path("in.txt"), "BB 00 22 00 00 22 7E\r\nAA 00 03 85 01 78 ff BB\r\n");
    openWith(path("in.txt"));
    click("Button6");
    EXPECT_EQ(openTitle, "载入数据！");
    EXPECT_EQ(openFilter, "") << "every file is offered";
    EXPECT_EQ(form->Memo1->toPlainText(), "BB 00 22 00 00 22 7E\nAA 00 03 85 01 78 ff BB");

    saveAs(path("out"));
    click("Button5");
    EXPECT_EQ(saveTitle, "保存接收数据！");
    EXPECT_EQ(saveFilter, "文本文件(.txt)|*.txt");
    EXPECT_EQ(readFile(path("out")), "BB 00 22 00 00 22 7E\r\nAA 00 03 85 01 78 ff BB\r\n")
        << "under the name as given, one line per line";

    click("Button7");
    EXPECT_EQ(form->Memo1->toPlainText(), "");
    click("Button5");
    EXPECT_EQ(readFile(path("out")), "") << "an empty box has no lines";
    EXPECT_TRUE(errors.isEmpty());
}

// Each file's text in the box, and the box back exactly after a save and a load.
TEST_F(SendBoxFiles, LineEndsAndEncodings) {
    const QString mark(QChar(0xFEFF));
    struct Row {
        const char* name;
        QByteArray bytes;
        QString text;
    } rows[] = {
        {"crlf", "11 22\r\n33\r\n", "11 22\n33"},
        {"lf", "11 22\n33\n", "11 22\n33"},
        {"no final line end", "11 22\r\n33", "11 22\n33"},
        {"lone cr", "11 22\r33", "11 22\n33"},
        {"empty line kept", "11\r\n\r\n22\r\n", "11\n\n22"},
        {"utf-8", "\xE4\xB8\xAD\xE6\x96\x87 11\n", QString::fromUtf8("中文 11")},
        {"chinese code page", "\xD6\xD0\xCE\xC4 11\r\n", QString::fromUtf8("中文 11")},
        {"byte-order mark dropped", "\xEF\xBB\xBF" "11 22\r\n", "11 22"},
        {"second byte-order mark is text", "\xEF\xBB\xBF\xEF\xBB\xBF" "11\r\n", mark + "11"},
        {"U+FEFF as the first line", "\xEF\xBB\xBF\xEF\xBB\xBF\r\n11\r\n", mark + "\n11"},
        {"U+FEFF inside is text", "11\r\n\xEF\xBB\xBF" "22\r\n", "11\n" + mark + "22"},
        {"empty file", "", ""},
    };
    for (const Row& r : rows) {
        writeFile(path("in.txt"), r.bytes);
        openWith(path("in.txt"));
        click("Button6");
        EXPECT_EQ(form->Memo1->toPlainText(), r.text) << r.name;
        saveAs(path("out.txt"));
        click("Button5");
        openWith(path("out.txt"));
        click("Button6");
        EXPECT_EQ(form->Memo1->toPlainText(), r.text) << r.name << ": save then load";
    }
    QByteArray binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 37) & 0xFF);
    writeFile(path("in.bin"), binary);
    openWith(path("in.bin"));
    click("Button6");  // loads something, without a crash
    EXPECT_TRUE(errors.isEmpty());
}

// Load then save gives the file's lines back, each ended by CR LF: an empty last line too.
TEST_F(SendBoxFiles, LoadThenSaveKeepsTheLines) {
    struct Row {
        const char* name;
        QByteArray in, out;
    } rows[] = {
        {"empty last line", "A\r\n\r\n", "A\r\n\r\n"},
        {"two empty last lines", "A\r\n\r\n\r\n", "A\r\n\r\n\r\n"},
        {"one empty line", "\r\n", "\r\n"},
        {"no final line end", "A\r\nB", "A\r\nB\r\n"},
        {"empty lines inside", "A\r\n\r\nB\r\n", "A\r\n\r\nB\r\n"},
        {"lone cr and lf", "A\r\rB\n\n", "A\r\n\r\nB\r\n\r\n"},
        {"byte-order mark", "\xEF\xBB\xBF" "A\r\n", "A\r\n"},
        {"U+FEFF first", "\xEF\xBB\xBF\xEF\xBB\xBF" "A\r\n", "\xEF\xBB\xBF\xEF\xBB\xBF" "A\r\n"},
        {"U+FEFF inside", "A\r\n\xEF\xBB\xBF" "B\r\n", "A\r\n\xEF\xBB\xBF" "B\r\n"},
        {"empty file", "", ""},
    };
    for (const Row& r : rows) {
        writeFile(path("in.txt"), r.in);
        openWith(path("in.txt"));
        click("Button6");
        saveAs(path("out.txt"));
        click("Button5");
        EXPECT_EQ(readFile(path("out.txt")), r.out) << r.name;
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(SendBoxFiles, CancelAndFileErrors) {
    const QString before = form->Memo1->toPlainText();
    openWith("");
    click("Button6");
    saveAs("");
    click("Button5");
    EXPECT_TRUE(errors.isEmpty());

    openWith(path("missing.txt"));
    click("Button6");
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(path("missing.txt"))) << errors[0].toStdString();
    EXPECT_TRUE(errors[0].contains("No such file")) << errors[0].toStdString();
    EXPECT_EQ(form->Memo1->toPlainText(), before);

    saveAs(path("no-such-folder/out.txt"));
    click("Button5");
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[1].contains(path("no-such-folder/out.txt"))) << errors[1].toStdString();
    EXPECT_EQ(form->Memo1->toPlainText(), before);

    openWith(dir.path());  // a folder is no file to read
    click("Button6");
    EXPECT_EQ(errors.size(), 3);
    EXPECT_EQ(form->Memo1->toPlainText(), before);
}

}  // namespace
