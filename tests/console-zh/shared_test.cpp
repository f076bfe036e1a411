// Behaviour both programs share, run for each with its own texts: the same frames go out and
// the same verdicts come back, worded by the build.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include "platform/comm.h"
#include "serial/testutil.h"
#include "usb/moduleframe.h"
#include "zhoperator.h"

namespace {

Bytes reply(std::uint8_t status, Bytes data = {}) { return FakeUsb::makeReply(0x00, status, data); }
QString at(const char* text) { return QString::fromUtf8(text) + "02:05:09 PM"; }

const BuildTexts kBuilds[] = {
    {"Vorcard", false, "Data error,no data recevice..   ", "Data error，no data recevice..   ",
     "data error,please check data..   ", "Set Up Success   ", "Set up format false   ", "Read data success    ",
     {"The Output format ： 8 no. in D (The card last 3bytes)", "The Output format ： add semicolon",
      "The Output format ： add ,", "The Output format ： do not add ? ", "The Output format ： do not add enter ", "",
      "no add customize data...   ", ""},
     "Suffix setting Success     ", "Suffix setting false     ",
     "Set  Active search for EPC number of single card Success    ", "error,no data  receive..   ",
     "data error,please check Device Connection...", "Receive...", nullptr,
     {"Write Card Success,The card number is : 000000000000000000000001", "写卡成功,卡号000000000000000000000001"},
     "Stop card", "Automatic card", "USB_HID setting success   ",
     "Set Active search for EPC number of single card Success   "},
    {"Vorcard-zh", true, "通讯错误，没有接收到数据..   ", "通讯错误，没有接收到数据..   ", "数据丢包，流水校验出错   ",
     "输出格式设置成功   ", "输出格式设置失败   ", "读取输出格式成功   ",
     {"输出格式为：  8位10进制（卡上后8位）", "输出格式：  前面加分号", "输出格式：  中间加逗号",
      "输出格式：  后面不加问号 ", "输出格式：  最后面不加回车 ", "没有增加自定义字节输出。   ", ""},
     "后缀设置成功   ", "后缀设置失败   ", "设置 主动寻单卡EPC号 成功   ", "通讯错误，没有接收到数据..   ",
     "无有效数据，请检查设备是否联接....", "接收...", "发送...", {"写卡成功,卡号000000000000000000000001"},
     "停止发卡", "自动发卡", "USB_HID模式设置成功   ", "设置 主动寻单卡EPC号 成功   "},
};

TEST_P(BothBuilds, OutputFormatSetVerdicts) {
    fake.queueReply(reply(0x00));
    click("Button24");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x09, 0x82, 0x0F, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00, 0x85, 0x03}));
    fake.queueReply(reply(0x01, {0x83}));
    click("Button24");
    fake.queueReply(reply(0x02));
    click("Button24");
    fake.queueEmptyRead();
    click("Button24");
    EXPECT_EQ(lines(), (QStringList{at(t().setSuccess), "", at(t().setFailure), "卡不存在....", "", at(t().damaged), "",
                                    at(t().noReplyWide), ""}));
}

TEST_P(BothBuilds, OutputFormatReadBack) {
    // Code 0E with the semicolon and the comma added, no custom data.
    fake.queueReply(reply(0x00, {0x00, 0x0E, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}));
    click("Button25");
    QStringList expected{at(t().readSuccess)};
    expected << t().readBack;
    EXPECT_EQ(lines(), expected);
}

TEST_P(BothBuilds, SuffixSettingVerdicts) {
    fake.queueReply(reply(0x00));
    click("Button50");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x06, 0xCB, 0x02, 0x31, 0x32, 0x33, 0x34, 0xCB, 0x03}));
    fake.queueReply(reply(0x01, {0x83}));
    click("Button50");
    click("Button50");  // nothing queued: no reply
    EXPECT_EQ(lines(), (QStringList{at(t().suffixSuccess), "", at(t().suffixFailure), "卡不存在....", "",
                                    at(t().noReply), ""}));
}

TEST_P(BothBuilds, ReaderModeSwitch) {
    control<QRadioButton>("RadioButton30")->setChecked(true);
    fake.queueReply(reply(0x00));
    click("Button69");
    click("Button69");
    EXPECT_EQ(lines(), (QStringList{at(t().modeSuccess), at(t().modeNoReply), ""}));
}

TEST_P(BothBuilds, TransferLinesAndSendEcho) {
    fake.queueWriteResult(3);
    click("Button57");
    EXPECT_EQ(lines(), (QStringList{t().deviceLine, at(t().noReply), ""}));

    form->RichEdit1->clearAll();
    control<QRadioButton>("RadioButton4")->setChecked(true);
    fake.queueReply(reply(0x00));
    click("Button57");
    QStringList expected;
    if (t().sent) expected << QString::fromUtf8(t().sent) + "020001cfCE03";
    expected << QString::fromUtf8(t().received) + "0200010001" "03";
    EXPECT_EQ(lines().mid(0, expected.size()), expected);
}

TEST_P(BothBuilds, SystemCommandReadAddress) {
    fake.queueReply(reply(0x00, {0x05}));
    click("Button4");
    click("Button4");
    EXPECT_EQ(lines(), (QStringList{at("系统地址为 : 05   "), "", at(t().noReplyWide), ""}));
}

// The module's answers inside the reader's pass-through replies.
Bytes carried(std::uint8_t type, std::uint8_t command, const Bytes& params) {
    return reply(0x00, usb::buildModuleFrame(type, command, params));
}
Bytes tagFound() {
    return carried(0x02, 0x22, {0xC8, 0x30, 0x00, 0xE2, 0x00, 0x51, 0x28, 0x93, 0x0D, 0x01, 0x14, 0x17, 0x40, 0x11,
                                0x22, 0x1A, 0x2B});
}

TEST_P(BothBuilds, EpcWriteAndAutomaticIssue) {
    fake.queueReply(tagFound());
    fake.queueReply(carried(0x01, 0x0C, {0x00}));
    fake.queueReply(carried(0x01, 0x49, {0x0E, 0x30, 0x00, 0x00}));
    click("Button66");
    EXPECT_EQ(fake.frameCount(), 3);
    EXPECT_EQ(lines(), t().written);

    control<QLineEdit>("Edit61")->setText("10");
    QString whileRunning;
    QTimer::singleShot(100, [&] {
        whileRunning = form->CheckBox20->text();
        form->CheckBox20->setChecked(false);
    });
    form->CheckBox20->setChecked(true);  // runs until unchecked
    EXPECT_EQ(whileRunning, QString::fromUtf8(t().stopIssue));
    EXPECT_EQ(form->CheckBox20->text(), QString::fromUtf8(t().startIssue));
}

TEST_P(BothBuilds, UhfModuleOverTheSerialPort) {
    testutil::Pty module;
    platform::setCommDevicePath(7, module.slave());
    form->Comm1->setCommName(QStringLiteral("\\\\.\\COM7"));
    form->Comm1->setReadIntervalTimeout(10);
    ASSERT_NO_THROW(form->Comm1->OpenPort());
    auto answerSoon = [&](std::string bytes) { QTimer::singleShot(50, [&module, bytes] { module.write(bytes); }); };

    control<QRadioButton>("RadioButton39")->setChecked(true);
    answerSoon(std::string("\xBB\x01\xC1\x00\x01\x01\xC4\x7E", 8));
    click("Button75");
    EXPECT_EQ(module.read(8, 2000), std::string("\xBB\x00\xC1\x00\x01\x01\xC3\x7E", 8));
    answerSoon(std::string("\xBB\x01\xC2\x00\x01\x00\xC4\x7E", 8));
    click("Button76");
    EXPECT_EQ(lines(), (QStringList{"232RX Data..", "BB01C1000101C47E", at(t().workModeSuccess), "232RX Data..",
                                    "BB01C2000100C47E", at(t().usbHidSuccess), ""}));
    form->Comm1->ClosePort();
    platform::restoreCommDevicePaths();
}

INSTANTIATE_TEST_SUITE_P(Builds, BothBuilds, ::testing::ValuesIn(kBuilds), buildName);

}  // namespace
