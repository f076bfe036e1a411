// The WiFi page, clicked through against the fake USB library and the simulated reader.
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "gui/stringgrid.h"
#include "operator.h"
#include "pagecheck.h"
#include "platform/library.h"

namespace {

class Wifi : public Operator {
protected:
    void SetUp() override {
        Operator::SetUp();
        form->setActivePage(9);
        grid = form->StringGrid1;
    }
    Bytes ascii(const std::string& s) { return Bytes(s.begin(), s.end()); }
    Bytes reply(std::uint8_t status, Bytes data = {}) { return FakeUsb::makeReply(0x00, status, data); }
    void scan(const std::string& data) {
        fake.queueReply(reply(0x00, ascii(data)));
        click("Button80");
    }
    QStringList row(int r) const { return {grid->cell(1, r), grid->cell(2, r), grid->cell(3, r)}; }
    void expectEmptyGrid() {
        EXPECT_EQ(grid->gridRowCount(), 11);
        EXPECT_EQ(grid->gridColCount(), 4);
        EXPECT_EQ(row(0), (QStringList{"Serial number", "WIFI Name", "signal intensity"}));
        for (int r = 1; r < grid->gridRowCount(); ++r) EXPECT_EQ(row(r), (QStringList{"", "", ""})) << r;
    }
    void clickCell(int col, int r) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->cellRect(col, r).center());
    }

    StringGrid* grid = nullptr;
};

TEST_F(Wifi, GridAtStart) {
    expectEmptyGrid();
    EXPECT_EQ(TForm1::WifiListRow, 1);
    const int widths[] = {0, 84, 306, 95};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(grid->colWidth(c), widths[c]) << c;
    EXPECT_FALSE(grid->verticalHeader()->isVisible()) << "the fixed column is invisible";
    EXPECT_TRUE(grid->horizontalHeader()->isVisible()) << "the fixed row heads the grid";
    EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(), 24);
}

TEST_F(Wifi, ScanFillsAWholeEntryPerSemicolon) {
    scan("Net1,70;Net2,55;..");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x01, 0x8C, 0x8D, 0x03}));
    EXPECT_EQ(lines(), (QStringList{QString("Read WiFi successfully    ") + kTime, ""}));
    EXPECT_EQ(row(1), (QStringList{"1", "Net1", "70"}));
    EXPECT_EQ(row(2), (QStringList{"2", "Net2", "55"}));
    EXPECT_EQ(row(3), (QStringList{"", "", ""}));
    EXPECT_EQ(grid->gridRowCount(), 14);
    EXPECT_EQ(TForm1::WifiListRow, 3);
    EXPECT_EQ(grid->row(), 3) << "the row below the last entry is current";
    EXPECT_EQ(form->Edit73->text(), "") << "moving the current row put its empty cell into the name";
    EXPECT_EQ(grid->colWidth(3), 90);
    EXPECT_TRUE(control("Button80")->isEnabled());
}

TEST_F(Wifi, ScanReplies) {
    const struct {
        const char* name;
        std::string data;
        QList<QStringList> rows;
        int rowCount;
    } cases[] = {
        {"without the two trailing bytes the second entry is not examined", "Net1,70;Net2,55;",
         {{"1", "Net1", "70"}}, 13},
        {"bytes after the last semicolon are dropped", "Net1,70;Net2,5..", {{"1", "Net1", "70"}}, 13},
        {"a further comma is dropped and the signal goes on", "a,b,c;..", {{"1", "a", "bc"}}, 13},
        {"an entry with no comma is all name", "Lonely;..", {{"1", "Lonely", ""}}, 13},
        {"an empty entry still takes a row", ";..", {{"1", "", ""}}, 13},
        {"a Chinese name comes back from UTF-8", "仓库网络,64;..", {{"1", "仓库网络", "64"}}, 13},
        {"a name and signal that are no UTF-8 come back from code page 936", "\xB2\xD6\xBF\xE2,\xC8\xF5;..",
         {{"1", "仓库", "弱"}}, 13},
        {"each text is decoded on its own", "\xB2\xD6\xBF\xE2,64;仓库,\xC8\xF5;..",
         {{"1", "仓库", "64"}, {"2", "仓库", "弱"}}, 14},
        {"bytes of neither show replacement characters", "\xFF\xB2,1;..", {{"1", "\uFFFD\uFFFD", "1"}}, 13},
        {"two data bytes are not examined at all", "..", {}, 11},
        {"one data byte", ";", {}, 11},
        {"no data", "", {}, 11},
    };
    for (const auto& c : cases) {
        form->RichEdit1->clearAll();
        scan(c.data);
        EXPECT_EQ(lines().size(), 2) << c.name;
        for (int r = 0; r < c.rows.size(); ++r) EXPECT_EQ(row(r + 1), c.rows[r]) << c.name;
        EXPECT_EQ(row(int(c.rows.size()) + 1), (QStringList{"", "", ""})) << c.name;
        EXPECT_EQ(grid->gridRowCount(), c.rowCount) << c.name;
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(Wifi, AScanStartsFromAnEmptyGrid) {
    scan("Net1,70;Net2,55;Net3,40;..");
    ASSERT_EQ(grid->gridRowCount(), 15);
    scan("Only,10;..");
    EXPECT_EQ(row(1), (QStringList{"1", "Only", "10"}));
    EXPECT_EQ(row(2), (QStringList{"", "", ""}));
    EXPECT_EQ(grid->gridRowCount(), 13);
}

TEST_F(Wifi, ScanFailuresLeaveTheGridEmpty) {
    scan("Net1,70;Net2,55;..");
    fake.queueReply(reply(0x01, {0x82}));
    click("Button80");
    expectEmptyGrid();
    fake.queueReply(reply(0x05, ascii("Net1,70;..")));
    click("Button80");
    expectEmptyGrid();
    EXPECT_EQ(lines().mid(2), (QStringList{QString("Failed to read WiFi    ") + kTime, "通讯超时 ....", "",
                                           QString("data error,please check data..   ") + kTime, ""}));
}

TEST_F(Wifi, NoReplyWaitsWithTheButtonDisabled) {
    bool enabledDuringWait = true;
    QTimer::singleShot(50, form.get(), [&] { enabledDuringWait = form->Button80->isEnabled(); });
    fake.queueEmptyRead();
    click("Button80");
    EXPECT_FALSE(enabledDuringWait);
    EXPECT_TRUE(form->Button80->isEnabled());
    EXPECT_EQ(lines(), (QStringList{QString("error,no data  receive..   ") + kTime, ""}));
    expectEmptyGrid();
}

TEST_F(Wifi, ClickingACellPutsItsTextIntoTheName) {
    scan("Net1,70;Net2,55;..");
    clickCell(3, 1);
    EXPECT_EQ(form->Edit73->text(), "70") << "the signal cell gives the signal";
    clickCell(2, 2);
    EXPECT_EQ(form->Edit73->text(), "Net2");
    clickCell(1, 1);
    EXPECT_EQ(form->Edit73->text(), "1");

    // The next scan moves the current row in the column last clicked.
    scan("Net9,12;..");
    EXPECT_EQ(grid->col(), 1);
    EXPECT_EQ(form->Edit73->text(), "");
}

TEST_F(Wifi, ANameScannedInCodePage936IsSetAsUtf8) {
    scan("\xB2\xD6\xBF\xE2,64;..");
    clickCell(2, 1);
    EXPECT_EQ(form->Edit73->text(), "仓库");
    fake.queueReply(reply(0x00));
    click("Button78");
    EXPECT_EQ(lastFrame(), usb::buildFrame(0x00, 0x8A, Bytes{0xE4, 0xBB, 0x93, 0xE5, 0xBA, 0x93, 0x2C}));
}

TEST_F(Wifi, SetNameAndPasswordFrames) {
    const struct {
        const char* name;
        const char* password;
        Bytes data;
    } rows[] = {
        {"AB", "xy", {0x8A, 0x41, 0x42, 0x2C, 0x78, 0x79}},
        {"", "", {0x8A, 0x2C}},
        {"仓库", "", {0x8A, 0xE4, 0xBB, 0x93, 0xE5, 0xBA, 0x93, 0x2C}},
        {"", "pässword", {0x8A, 0x2C, 'p', 0xC3, 0xA4, 's', 's', 'w', 'o', 'r', 'd'}},
    };
    for (const auto& r : rows) {
        form->RichEdit1->clearAll();
        control<QLineEdit>("Edit73")->setText(QString::fromUtf8(r.name));
        control<QLineEdit>("Edit74")->setText(QString::fromUtf8(r.password));
        fake.queueReply(reply(0x00));
        click("Button78");
        EXPECT_EQ(lastFrame(), usb::buildFrame(0x00, 0x8A, Bytes(r.data.begin() + 1, r.data.end()))) << r.name;
        EXPECT_EQ(lines(), (QStringList{QString("WiFi set successfully    ") + kTime, ""}));
    }
    fake.queueReply(reply(0x01, {0x85}));
    click("Button78");
    fake.queueEmptyRead();
    click("Button78");
    EXPECT_EQ(lines().mid(2), (QStringList{QString("WiFi setting failed    ") + kTime, "输入参数或者输入命令格式错误....", "",
                                           QString("error,no data  receive..   ") + kTime, ""}));
}

TEST_F(Wifi, NameOrPasswordThatTheFrameCannotCarryIsRefused) {
    const QString fits(248, 'a');
    const struct {
        QString name;
        QString password;
        const char* message;
    } rows[] = {
        {"Net,1", "pw", "The WiFi name must not hold \",\" or \";\""},
        {"Net1", "p;w", "The WiFi password must not hold \",\" or \";\""},
        {fits + "a", "", "take 249 bytes; together they may take at most 248 bytes"},
        {QString(100, QChar(0x4ED3)), "", "take 300 bytes"},
        {fits.left(200), QString(49, 'p'), "take 249 bytes"},
    };
    for (const auto& r : rows) {
        errors.clear();
        control<QLineEdit>("Edit73")->setText(r.name);
        control<QLineEdit>("Edit74")->setText(r.password);
        click("Button78");
        ASSERT_EQ(errors.size(), 1) << r.message;
        EXPECT_TRUE(errors[0].contains(QString::fromUtf8(r.message))) << errors[0].toStdString();
    }
    EXPECT_TRUE(fake.frames().empty());
    EXPECT_TRUE(lines().isEmpty());

    control<QLineEdit>("Edit73")->setText(fits);
    control<QLineEdit>("Edit74")->setText("");
    fake.queueReply(reply(0x00));
    click("Button78");
    EXPECT_EQ(lastFrame().size(), 255u) << "the longest frame goes out";
}

TEST_F(Wifi, IpAddressLine) {
    fake.queueReply(reply(0x00, ascii("192.168.1.20")));
    click("Button79");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x01, 0x8B, 0x8A, 0x03}));
    fake.queueReply(reply(0x00));
    click("Button79");
    fake.queueReply(reply(0x01, {0x83}));
    click("Button79");
    EXPECT_EQ(lines(), (QStringList{QString("Read IP address successfully    ") + kTime,
                                    "IP address is：192.168.1.20", "",
                                    QString("Read IP address successfully    ") + kTime, "IP address is：", "",
                                    QString("Failed to read IP address   ") + kTime, "卡不存在....", ""}));
}

TEST_F(Wifi, ControlsAndCaptions) {
    const ControlText rows[] = {
        {"Label130", "Connection configuration: ", "GroupBox41"},
        {"Edit73", "", "GroupBox41"},
        {"Label131", "WiFi name  ", "GroupBox41"},
        {"Edit74", "", "GroupBox41"},
        {"Label132", "Wifi password    ", "GroupBox41"},
        {"Button78", "Set up", "GroupBox41"},
        {"Label133", "Get the local IP address of WiFi device:      ", "GroupBox41"},
        {"Label135", "WiFi port number fixed to 9100 ", "GroupBox41"},
        {"Button79", "IP Address", "GroupBox41"},
        {"Label134", "Get WiFi list: ", "GroupBox42"},
        {"Button80", "Get WiFi list", "GroupBox42"},
    };
    expectControls(form.get(), rows);
    EXPECT_EQ(control<QGroupBox>("GroupBox41")->title(), "Wifi Settings");
    EXPECT_EQ(control<QGroupBox>("GroupBox42")->title(), "Get WiFi list ");
    EXPECT_EQ(grid->parentWidget(), form->GroupBox42);
    EXPECT_FALSE(form->PageControl1->isTabVisible(9)) << "the page's tab stays hidden";
    expectInsideAndApart(form->GroupBox41);
    expectInsideAndApart(form->GroupBox42);
    expectInsideAndApart(form->TabSheet10);
}

class WifiOnTheSimulatedReader : public Wifi {
protected:
    void SetUp() override {
        Wifi::SetUp();
        platform::setLibraryFolder(SIM_USB_DIR);
    }
};

TEST_F(WifiOnTheSimulatedReader, PickANetworkFromTheListJoinItAndReadTheAddress) {
    click("Button80");
    EXPECT_EQ(row(1), (QStringList{"1", "VorcardLab", "78"}));
    EXPECT_EQ(row(2), (QStringList{"2", "仓库无线网络", "64"}));
    EXPECT_EQ(row(3), (QStringList{"3", "Guest-2.4G", "41"}));
    EXPECT_EQ(grid->gridRowCount(), 15);

    clickCell(2, 2);
    ASSERT_EQ(form->Edit73->text(), "仓库无线网络");
    form->Edit74->setText("secret");
    click("Button78");
    click("Button79");
    EXPECT_EQ(lines(), (QStringList{QString("Read WiFi successfully    ") + kTime, "",
                                    QString("WiFi set successfully    ") + kTime, "",
                                    QString("Read IP address successfully    ") + kTime,
                                    "IP address is：192.168.1.20", ""}));
    EXPECT_TRUE(errors.isEmpty());
}

}  // namespace
