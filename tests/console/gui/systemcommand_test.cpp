// The system command page clicked through against the fake USB library and the simulated
// reader, and the loop interval's clamp.
#include <QComboBox>
#include <QLineEdit>

#include "gui/SystemPageTexts.h"
#include "operator.h"
#include "platform/library.h"

namespace {

using SystemCommand = Operator;

Bytes reply(std::uint8_t status, Bytes data = {}) { return FakeUsb::makeReply(0x00, status, data); }

const char* const kTime = "02:05:09 PM";  // the fixture's clock
QString withTime(const char* text) { return QString::fromUtf8(text) + kTime; }

struct Command {
    const char* button;
    Bytes frame;  // with the default fields
    const char* success;
    const char* failure;
    const char* noReply;
};

const char* const kNoReplyWide = "Data error，no data recevice..   ";
const char* const kNoReplyChinese = "通讯错误，没有接收到数据..   ";

const Command kCommands[] = {
    {"Button12", {0x02, 0x00, 0x02, 0x81, 0x00, 0x83, 0x03}, "波特率设置成功   ", "波特率设置失败   ", kNoReplyWide},
    {"Button11", {0x02, 0x00, 0x02, 0x80, 0x00, 0x82, 0x03}, "读写器地址设置成功   ", "读写器地址设置失败   ", kNoReplyWide},
    {"Button13", {0x02, 0x00, 0x09, 0x82, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x8B, 0x03},
     "机器序列号设置成功   ", "机器序列号设置失败   ", kNoReplyChinese},
    {"Button20", {0x02, 0x00, 0x03, 0x88, 0x16, 0x03, 0x9E, 0x03}, "设置LED操作成功   ", "设置LED操作失败   ", kNoReplyChinese},
    {"Button23", {0x02, 0x00, 0x03, 0x87, 0x16, 0x03, 0x91, 0x03}, "设置LED-R操作成功   ", "设置LED-R操作失败   ", kNoReplyChinese},
    {"Button21", {0x02, 0x00, 0x03, 0x89, 0x16, 0x03, 0x9F, 0x03}, "设置BUZ操作成功   ", "设置BUZ操作失败   ", kNoReplyChinese},
    {"Button4", {0x02, 0x00, 0x01, 0x83, 0x82, 0x03}, nullptr, "操作失败        ", kNoReplyWide},
    {"Button14", {0x02, 0x00, 0x01, 0x83, 0x82, 0x03}, nullptr, "读序列号失败   ", kNoReplyChinese},
};

TEST_F(SystemCommand, DefaultFramesAndEveryVerdict) {
    for (const Command& c : kCommands) {
        SCOPED_TRACE(c.button);
        form->RichEdit1->clearAll();
        fake.reset();
        if (c.success) fake.queueReply(reply(0x00));
        else fake.queueReply(reply(0x00, {0x05, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}));
        fake.queueReply(reply(0x01, {0x83}));
        fake.queueReply(reply(0x02, {0x83}));
        fake.queueEmptyRead();
        for (int i = 0; i < 4; ++i) click(c.button);
        ASSERT_EQ(fake.frameCount(), 4);
        EXPECT_EQ(fake.frames()[0], c.frame);
        QStringList expected;
        if (c.success) expected << withTime(c.success) << "";
        else if (std::string(c.button) == "Button4") expected << QString("系统地址为 : 05   ") + kTime << "";
        else expected << withTime("读序列号成功   ") << "地址为：05" << "序列号为：1122334455667788" << "";
        expected << withTime(c.failure) << "卡不存在...." << "";
        expected << withTime("数据丢包，流水校验出错   ") << "";
        expected << withTime(c.noReply) << "";
        EXPECT_EQ(lines(), expected);
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(SystemCommand, ChineseBuildSaysTheSameNoReplyTextForAllEight) {
    form->SystemTexts = &kSystemPageTextsChinese;
    for (const Command& c : kCommands) {
        form->RichEdit1->clearAll();
        fake.queueEmptyRead();
        click(c.button);
        EXPECT_EQ(lines(), (QStringList{withTime(kNoReplyChinese), ""})) << c.button;
    }
}

TEST_F(SystemCommand, BaudCodeByExactItemText) {
    struct Row {
        const char* text;
        Bytes frame;
    } rows[] = {
        {"9600", {0x02, 0x00, 0x02, 0x81, 0x00, 0x83, 0x03}},
        {"19200", {0x02, 0x00, 0x02, 0x81, 0x01, 0x82, 0x03}},
        {"38400", {0x02, 0x00, 0x02, 0x81, 0x02, 0x81, 0x03}},
        {"57600", {0x02, 0x00, 0x02, 0x81, 0x03, 0x80, 0x03}},
        {"115200", {0x02, 0x00, 0x02, 0x81, 0x04, 0x87, 0x03}},
        {"4800", {0x02, 0x00, 0x01, 0x81, 0x80, 0x03}},
        {"9600 ", {0x02, 0x00, 0x01, 0x81, 0x80, 0x03}},
    };
    auto* combo = control<QComboBox>("ComboBox5");
    ASSERT_TRUE(combo->isEditable());
    for (const Row& r : rows) {
        combo->lineEdit()->clear();
        QTest::keyClicks(combo->lineEdit(), r.text);
        fake.queueReply(reply(0x00));
        click("Button12");
        EXPECT_EQ(lastFrame(), r.frame) << r.text;
    }
}

TEST_F(SystemCommand, FieldsGoOutAsTyped) {
    struct Row {
        const char* edit;
        const char* text;
        const char* button;
        Bytes frame;
    } rows[] = {
        {"Edit4", "1F", "Button11", {0x02, 0x00, 0x02, 0x80, 0x1F, 0x9D, 0x03}},
        {"Edit9", "11 22 33", "Button13", {0x02, 0x00, 0x04, 0x82, 0x11, 0x22, 0x33, 0x86, 0x03}},
        {"Edit30", "2 0", "Button20", {0x02, 0x00, 0x03, 0x88, 0x20, 0x03, 0xA8, 0x03}},
        {"Edit12", "0A", "Button23", {0x02, 0x00, 0x03, 0x87, 0x16, 0x0A, 0x98, 0x03}},
        {"Edit34", "", "Button21", {0x02, 0x00, 0x02, 0x89, 0x16, 0x9D, 0x03}},
    };
    for (const Row& r : rows) {
        control<QLineEdit>(r.edit)->setText(r.text);
        fake.queueReply(reply(0x00));
        click(r.button);
        EXPECT_EQ(lastFrame(), r.frame) << r.edit;
    }
    // Too many bytes for one frame: the transfer's own line, nothing sent.
    control<QLineEdit>("Edit9")->setText(QString("AB ").repeated(300));
    form->RichEdit1->clearAll();
    const int before = fake.frameCount();
    click("Button13");
    EXPECT_EQ(fake.frameCount(), before);
    ASSERT_EQ(lines().size(), 3);
    EXPECT_EQ(lines()[1], withTime(kNoReplyChinese));
}

TEST_F(SystemCommand, ReadingModeButtonsAreSilent) {
    fake.queueReply(reply(0x01, {0x83}));
    click("Button52");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x02, 0x0F, 0x01, 0x0C, 0x03}));
    EXPECT_FALSE(console::ReplyText.empty()) << "the answer stays for the next transfer";
    fake.queueReply(reply(0x02));
    click("Button53");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x02, 0x0F, 0x02, 0x0F, 0x03}));
    fake.queueEmptyRead();
    click("Button53");
    EXPECT_TRUE(lines().isEmpty());
    fake.queueWriteResult(0);
    click("Button52");
    EXPECT_EQ(lines(), QStringList{"data error,please check Device Connection..."}) << "only the transfer's own line";
}

TEST_F(SystemCommand, LoopIntervalClamp) {
    auto* edit = control<QLineEdit>("Edit22");
    struct Row {
        const char* text;
        const char* kept;
    } rows[] = {
        {"", "100"},           {"-5", "100"},        {"abc", "100"},     {"2147483648", "100"},
        {"-", "100"},          {"7 ", "100"},        {"0x", "100"},      {"$", "100"},
        {"1.5", "100"},        {"$FFFFFFFF", "100"}, {"-0x10", "100"},
        {"0", "0"},            {"$64", "$64"},       {"0x10", "0x10"},   {" 7", " 7"},
        {"X1f", "X1f"},        {"+5", "+5"},         {"2147483647", "2147483647"}, {"-0", "-0"},
    };
    for (const Row& r : rows) {
        edit->setText(r.text);
        EXPECT_EQ(edit->text(), r.kept) << '"' << r.text << '"';
    }
    // Deleting the last digit by keyboard puts 100 back at once.
    edit->setText("5");
    edit->setFocus();
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "100");
    EXPECT_TRUE(errors.isEmpty());
}

class SystemCommandOnSimulatedReader : public Operator {
protected:
    void SetUp() override {
        Operator::SetUp();
        platform::setLibraryFolder(SIM_USB_DIR);
    }
    void TearDown() override {
        // The simulated reader lives as long as the process: leave it as it was found.
        form->setadd->setCurrentText("05");
        control<QLineEdit>("Edit4")->setText("00");
        form->Button11Click();
        form->setadd->setCurrentText("00");
        form->Button57Click();
        Operator::TearDown();
    }
};

TEST_F(SystemCommandOnSimulatedReader, SetThenReadBack) {
    control<QLineEdit>("Edit9")->setText("11 22 33 44 55 66 77 88");
    for (const char* b : {"Button12", "Button13", "Button20", "Button23", "Button21", "Button14"}) click(b);
    EXPECT_EQ(lines(), (QStringList{withTime("波特率设置成功   "), "", withTime("机器序列号设置成功   "), "",
                                    withTime("设置LED操作成功   "), "", withTime("设置LED-R操作成功   "), "",
                                    withTime("设置BUZ操作成功   "), "", withTime("读序列号成功   "), "地址为：00",
                                    "序列号为：1122334455667788", ""}));

    // A new address: the page's frames still go to 00, which no longer answers.
    form->RichEdit1->clearAll();
    control<QLineEdit>("Edit4")->setText("05");
    click("Button11");
    click("Button4");
    EXPECT_EQ(lines(), (QStringList{withTime("读写器地址设置成功   "), "", withTime(kNoReplyWide), ""}));
    form->setadd->setCurrentText("05");
    form->RichEdit1->clearAll();
    click("Button4");
    EXPECT_EQ(lines(), (QStringList{QString("系统地址为 : 05   ") + kTime, ""}));

    form->RichEdit1->clearAll();
    control<QLineEdit>("Edit31")->setText("");
    click("Button20");
    EXPECT_EQ(lines(), (QStringList{withTime("设置LED操作失败   "), "输入参数或者输入命令格式错误....", ""}))
        << "the reader refuses a light without a count";
    EXPECT_TRUE(errors.isEmpty());
}

}  // namespace
