// The commands that Vorcard-zh changes or adds, clicked against the fake USB library.
#include "zhoperator.h"

namespace {

using ZhCommands = ZhOperator;

Bytes reply(std::uint8_t status, Bytes data = {}) { return FakeUsb::makeReply(0x00, status, data); }
QString at(const char* text) { return QString::fromUtf8(text) + "02:05:09 PM"; }

// An inventory answer of the UHF module, carried in the reader's pass-through reply: the
// module frame BB 02 22 00 P RSSI PC(2) EPC CRC(2) checksum 7E.
Bytes inventoryReply(std::uint8_t parameterLength, const Bytes& epc) {
    Bytes module{0xBB, 0x02, 0x22, 0x00, parameterLength, 0xC9, 0x30, 0x00};
    module.insert(module.end(), epc.begin(), epc.end());
    module.insert(module.end(), {0x12, 0x34});
    unsigned sum = 0;
    for (std::size_t i = 1; i < module.size(); ++i) sum += module[i];
    module.push_back(static_cast<std::uint8_t>(sum));
    module.push_back(0x7E);
    return reply(0x00, module);
}

TEST_F(ZhCommands, VersionInGroupsOfFourDigits) {
    struct Row {
        Bytes data;
        const char* shown;
    } rows[] = {
        {{0x56, 0x31, 0x2E, 0x32}, "V1.2"},
        {{0x56, 0x31, 0x2E, 0x32, 0x33}, "V1.2"},  // the fifth byte is not shown
        {{0x56}, ""},
    };
    for (const Row& r : rows) {
        form->RichEdit1->clearAll();
        fake.queueReply(reply(0x00, r.data));
        click("Button63");
        EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x01, 0xC0, 0xC1, 0x03}));
        EXPECT_EQ(lines(), (QStringList{at("读取版本号成功   "), QString("版本号为：") + r.shown, ""})) << r.shown;
    }
    form->RichEdit1->clearAll();
    fake.queueReply(reply(0x01, {0x83}));
    click("Button63");
    click("Button63");
    EXPECT_EQ(lines(), (QStringList{at("读取版本号失败   "), "卡不存在....", "", at("通讯错误，没有接收到数据..   "), ""}));
}

TEST_F(ZhCommands, BuzzerButtonsSendTheirFrameAndLineEvenWithoutReader) {
    click("Button64");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x02, 0xCD, 0x01, 0xCE, 0x03}));
    click("Button78");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x02, 0xCD, 0x00, 0xCF, 0x03}));
    EXPECT_EQ(lines(), (QStringList{"发送蜂鸣器关闭指令", "发送蜂鸣器打开指令"}));
    EXPECT_EQ(form->Button64->text(), "打开声音") << "the caption does not toggle";

    form->RichEdit1->clearAll();
    fake.queueWriteResult(0);
    click("Button78");
    EXPECT_EQ(lines(), (QStringList{"无有效数据，请检查设备是否联接....", "发送蜂鸣器打开指令"}));
}

TEST_F(ZhCommands, EpcLengthFollowsTheParameterLength) {
    const Bytes epc12{0xE2, 0x00, 0x51, 0x28, 0x93, 0x0D, 0x01, 0x14, 0x17, 0x40, 0x11, 0x22};
    const Bytes epc8{0x30, 0x08, 0x33, 0xB2, 0xDD, 0xD9, 0x01, 0x40};
    fake.queueReply(inventoryReply(0x11, epc12));
    click("Button65");
    fake.queueReply(inventoryReply(0x0D, epc8));
    click("Button65");
    click("Button65");  // no reply
    EXPECT_EQ(lines(), (QStringList{"the epc is: E2005128930D011417401122", "the epc is: 300833B2DDD90140",
                                    at("error,no data  receive..   "), ""}));
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x08, 0xCE, 0xBB, 0x00, 0x22, 0x00, 0x00, 0x22, 0x7E, 0x03, 0x03}));
}

TEST_F(ZhCommands, NoTagAnswer) {
    // The module's "no tag" notice: a frame of 16 digits.
    fake.queueReply(reply(0x00, {0xBB, 0x01, 0xFF, 0x00, 0x01, 0x15, 0x16, 0x7E}));
    click("Button65");
    EXPECT_EQ(lines(), (QStringList{at("The card is not exist..!   "), ""}));
}

TEST_F(ZhCommands, VirtualSerialPortSwitchSendsAReaderFrame) {
    fake.queueReply(reply(0x00));
    click("Button71");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x01, 0xB8, 0xB9, 0x03}));
    fake.queueReply(reply(0x05));
    click("Button71");
    EXPECT_EQ(lines(), (QStringList{at("USB虚拟串口设置成功   "), "", at("数据丢包，流水校验出错   "), ""}));
}

TEST_F(ZhCommands, IdIcFunctionSwitch) {
    fake.queueReply(reply(0x00));
    click("Button79");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x02, 0x90, 0x01, 0x93, 0x03}));
    fake.queueReply(reply(0x01, {0x83}));
    click("Button80");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x02, 0x90, 0x00, 0x92, 0x03}));
    fake.queueReply(reply(0x07));
    click("Button79");
    click("Button80");
    EXPECT_EQ(lines(), (QStringList{"打开ID卡或者IC卡功能", at("打开ID卡或者IC卡功能成功   "),
                                    "关闭ID卡或者IC卡功能", at("关闭ID卡或者IC卡功能失败..   "), "卡不存在....", "",
                                    "打开ID卡或者IC卡功能", at("数据丢包，流水校验出错   "), "",
                                    "关闭ID卡或者IC卡功能", at("通讯错误，没有接收到数据..   "), ""}));
}

TEST_F(ZhCommands, FramesGoOutUnchangedWhateverTheAddress) {
    form->setadd->addItem("10");
    form->setadd->setCurrentIndex(form->setadd->count() - 1);
    click("Button79");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x02, 0x90, 0x01, 0x93, 0x03}));
}

}  // namespace
