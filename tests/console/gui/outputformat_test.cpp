// The output format settings page, clicked through against the fake USB library.
#include <QLineEdit>
#include <QRadioButton>

#include "operator.h"

namespace {

using OutputFormat = Operator;

Bytes reply(std::uint8_t status, Bytes data = {}) { return FakeUsb::makeReply(0x00, status, data); }

TEST_F(OutputFormat, DefaultSetFrameAndSuccess) {
    fake.queueReply(reply(0x00));
    click("Button24");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x09, 0x82, 0x0F, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00, 0x85, 0x03}));
    EXPECT_EQ(lines(), (QStringList{QString("Set Up Success   ") + kTime, ""}));
}

TEST_F(OutputFormat, FlagsAndCustomLengthCode) {
    struct Row {
        const char* count;
        std::uint8_t code;
    } rows[] = {{"00", 0x01}, {"10", 0x8A}, {"0", 0x80}, {"127", 0xFF}};
    control<QRadioButton>("RadioButton35")->setChecked(true);
    control("CheckBox16")->setChecked(true);
    control("CheckBox15")->setChecked(false);
    control("CheckBox21")->setChecked(true);
    for (const Row& r : rows) {
        control<QLineEdit>("Edit64")->setText(r.count);
        fake.queueReply(reply(0x00));
        click("Button24");
        Bytes f = lastFrame();
        ASSERT_EQ(f.size(), 14u) << r.count;
        EXPECT_EQ(f[4], r.code) << r.count;
        EXPECT_EQ(Bytes(f.begin() + 5, f.begin() + 12), (Bytes{0x01, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01}));
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(OutputFormat, ByteCountThatIsNoNumberOrOutOfRangeSendsNothing) {
    control<QRadioButton>("RadioButton35")->setChecked(true);
    for (const char* bad : {"abc", "128", "-1", ""}) {
        errors.clear();
        control<QLineEdit>("Edit64")->setText(bad);
        click("Button24");
        EXPECT_EQ(errors.size(), 1) << bad;
        EXPECT_TRUE(fake.frames().empty()) << bad;
    }
    EXPECT_TRUE(errors.first().contains("is not a valid integer value"));
    EXPECT_TRUE(lines().isEmpty());
}

TEST_F(OutputFormat, VerdictsOfTheSetCommand) {
    // Failure with a table code, with codes the table lacks, a damaged reply and no reply.
    fake.queueReply(reply(0x01, {0x83}));
    click("Button24");
    fake.queueReply(reply(0x01, {0x01}));
    click("Button24");
    fake.queueReply(reply(0x02, {0x83}));
    click("Button24");
    fake.queueEmptyRead();
    click("Button24");
    EXPECT_EQ(lines(), (QStringList{
                           QString("Set up format false   ") + kTime, "卡不存在....", "",
                           QString("Set up format false   ") + kTime, "", "",
                           QString("data error,please check data..   ") + kTime, "",
                           QString("Data error，no data recevice..   ") + kTime, ""}));
}

TEST_F(OutputFormat, LowerCaseCodeFindsNoMessage) {
    // Replies carry upper-case digits; the table matches exactly, so 8A has a message.
    fake.queueReply(reply(0x01, {0x8A}));
    click("Button27");
    EXPECT_EQ(lines().mid(0, 2), (QStringList{QString("Set Active reading false   ") + kTime, "在块初始化中出现错误..."}));
}

TEST_F(OutputFormat, ShortWriteGivesDeviceLineThenNoDataLine) {
    fake.queueWriteResult(3);
    click("Button57");
    EXPECT_EQ(lines(), (QStringList{"data error,please check Device Connection...",
                                    QString("Data error,no data recevice..   ") + kTime, ""}));
    EXPECT_EQ(fake.readCount(), 0);
}

TEST_F(OutputFormat, CommandFramesAndSuccessLines) {
    struct Row {
        const char* button;
        Bytes frame;
        QStringList lines;
    } rows[] = {
        {"Button25", {0x02, 0x00, 0x01, 0x83, 0x82, 0x03}, {}},
        {"Button27", {0x02, 0x00, 0x02, 0x0F, 0x01, 0x0C, 0x03}, {QString("Set Active reading success    ") + kTime}},
        {"Button28", {0x02, 0x00, 0x02, 0x0F, 0x02, 0x0F, 0x03}, {QString("Set Passtive reading success    ") + kTime}},
        {"Button57", {0x02, 0x00, 0x01, 0xCF, 0xCE, 0x03}, {QString("Restore factory settings Success    ") + kTime, ""}},
        {"Button63", {0x02, 0x00, 0x01, 0xC0, 0xC1, 0x03}, {"read version number success ", "the version number is：：", ""}},
    };
    for (const Row& r : rows) {
        form->RichEdit1->clearAll();
        fake.reset();
        fake.queueReply(reply(0x00));
        click(r.button);
        EXPECT_EQ(lastFrame(), r.frame) << r.button;
        if (!r.lines.isEmpty()) {
            EXPECT_EQ(lines(), r.lines) << r.button;
        }
    }
}

TEST_F(OutputFormat, ReadBackLines) {
    // data: first byte, code, ";", "?", ",", Enter, buzzer, 01, customize flag
    fake.queueReply(reply(0x00, {0x83, 0x0F, 0x01, 0x00, 0x02, 0x00, 0x01, 0x01, 0x00}));
    click("Button25");
    const QString head = "The Output format ： ";
    EXPECT_EQ(lines(), (QStringList{QString("Read data success    ") + kTime, head + "10 no.in D",
                                    head + "add semicolon", head + "add ,", head + "do not add ? ",
                                    head + "do not add enter ", "", "no add customize data...   ", ""}));
}

TEST_F(OutputFormat, ReadBackFormatTexts) {
    struct Row {
        std::uint8_t code;
        const char* text;
    } rows[] = {{0x0F, "10 no.in D"},
                {0x10, "Card number converted to ASCII output..."},
                {0x11, "Card number custom length hexadecimal output..."},
                {0x8A, "Card number custom length hexadecimal output..."},
                {0x81, "Card number custom length hexadecimal output..."},
                {0x0E, "8 no. in D (The card last 3bytes)"}};
    for (const Row& r : rows) {
        form->RichEdit1->clearAll();
        fake.queueReply(reply(0x00, {0x83, r.code, 0, 0, 0, 0, 1, 1, 0x05}));
        click("Button25");
        ASSERT_GE(lines().size(), 2);
        EXPECT_EQ(lines()[1], QString("The Output format ： ") + r.text) << int(r.code);
        EXPECT_EQ(lines().last(), "The customize data is ：  00");
    }
}

TEST_F(OutputFormat, ReadReplyThatEndsEarly) {
    // Holds the code but ends before the flags: missing flags count as added, the customize
    // line shows what characters 19-20 hold.
    fake.queueReply(Bytes{0x02, 0x00, 0x03, 0x00, 0x83, 0x0F, 0x8F, 0x03});
    click("Button25");
    const QString head = "The Output format ： ";
    QStringList l = lines();
    ASSERT_EQ(l.size(), 8);
    EXPECT_EQ(l[1], head + "10 no.in D");
    EXPECT_EQ(l[2], head + "add semicolon");
    EXPECT_EQ(l[5], head + "add enter");
    EXPECT_EQ(l[7], "The customize data is ：  ");

    // One that ends before the code: the conversion error ends the click after the first line.
    form->RichEdit1->clearAll();
    fake.queueReply(Bytes{0x02, 0x00, 0x00, 0x00, 0x03});
    click("Button25");
    EXPECT_EQ(lines(), (QStringList{QString("Read data success    ") + kTime}));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("is not a valid integer value"));
}

// The version shows as characters of the reader's code page without its zero padding; only
// bytes that do not decode (or would not show) fall back to the hex digits.
TEST_F(OutputFormat, VersionLine) {
    const struct {
        const char* name;
        Bytes data;
        const char* shown;
    } rows[] = {
        {"plain", {'V', '1', '.', '2'}, "V1.2"},
        {"zero padded", {'V', '1', '.', '0', 0x00}, "V1.0"},
        {"several zero bytes", {'V', '2', 0x00, 0x00, 0x00}, "V2"},
        {"code page 936", {0xB0, 0xE6}, "版"},
        {"mixed", {'V', '1', 0xB0, 0xE6, 0xB1, 0xBE, 0x00}, "V1版本"},
        {"invalid byte", {'V', 0x00, 0xFF}, "5600FF"},
        {"half a character at the end", {'V', '1', 0xB0}, "5631B0"},
        {"zero byte inside", {'V', 0x00, '1'}, "560031"},
        {"control character", {'V', '1', 0x07}, "563107"},
        {"only zero bytes", {0x00, 0x00}, ""},
    };
    for (const auto& r : rows) {
        form->RichEdit1->clearAll();
        fake.queueReply(reply(0x00, r.data));
        click("Button63");
        EXPECT_EQ(lines(), (QStringList{"read version number success ",
                                        QString("the version number is：：") + QString::fromUtf8(r.shown), ""}))
            << r.name;
    }
}

TEST_F(OutputFormat, BuzzerToggle) {
    click("Button64");
    click("Button64");
    click("Button64");
    auto frames = fake.frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], (Bytes{0xAA, 0x00, 0x02, 0xCD, 0x00, 0xCF, 0xBB}));
    EXPECT_EQ(frames[1], (Bytes{0xAA, 0x00, 0x02, 0xCD, 0x01, 0xCE, 0xBB}));
    EXPECT_EQ(control("Button64")->text(), "Open voice");
    EXPECT_EQ(lines(), (QStringList{"Send Buzzer Open Instruction..", "Send buzzer shutdown instructions",
                                    "Send Buzzer Open Instruction.."}));
}

TEST_F(OutputFormat, AddressFromTheHiddenList) {
    auto* list = control<QComboBox>("setadd");
    list->setCurrentIndex(10);  // "0a"
    fake.queueReply(FakeUsb::makeReply(0x0A, 0x00, {}));
    click("Button27");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x0A, 0x02, 0x0F, 0x01, 0x06, 0x03}));
    // The buzzer frame keeps its own fixed address.
    click("Button64");
    EXPECT_EQ(lastFrame()[1], 0x00);
}

TEST_F(OutputFormat, DebugSwitchTracesEachReply) {
    form->N7Click();
    fake.queueReply(reply(0x00));
    click("Button28");
    EXPECT_EQ(lines(), (QStringList{"Receive...0200010001" "03", QString("Set Passtive reading success    ") + kTime}));
}

}  // namespace
