// The MIFARE Classic and Ultralight pages against the simulated reader: what an operator sees
// with the simulated cards. The simulated cards keep their state for the whole test program,
// so each test reads what it relies on first.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QtEndian>

#include "cardpage.h"
#include "platform/library.h"

namespace {

class TypeASimulated : public CardPage {
protected:
    TypeASimulated() : CardPage(2) {}
    void SetUp() override {
        CardPage::SetUp();
        platform::setLibraryFolder(SIM_USB_DIR);
        // Wake both cards, should an earlier test have left them halted.
        form->Send("255200");
        form->Send("E301");
        console::ReplyText.clear();
    }
    // Clicks a button and gives the lines it added.
    QStringList run(const char* button) {
        form->RichEdit1->clearAll();
        click(button);
        return lines();
    }
    const QString kCard = "卡号为:5A3E91C7";
};

TEST_F(TypeASimulated, WriteABlockThenReadItBack) {
    form->ComboBox7->setCurrentText("12");
    form->Edit3->setText("01 23 45 67 89 AB CD EF FE DC BA 98 76 54 32 10");
    EXPECT_EQ(run("Button9"), (QStringList{t("操作成功   "), kCard}));
    form->ComboBox6->setCurrentText("01");
    form->ComboBox3->setCurrentText("12");
    EXPECT_EQ(run("Button8"), (QStringList{t("操作成功   "), kCard, "卡的数据为:0123456789ABCDEFFEDCBA9876543210", ""}));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(TypeASimulated, WrongKeyFails) {
    form->ComboBox4->setCurrentIndex(0);  // the key of another sector
    EXPECT_EQ(run("Button8"), (QStringList{t("读卡失败   "), "密码认证没通过....", ""}));
    form->ComboBox4->setCurrentIndex(2);
    EXPECT_EQ(run("Button8").value(0), t("操作成功   "));
}

TEST_F(TypeASimulated, IncrementThenDecrementLeavesTheValue) {
    form->ComboBox6->setCurrentText("01");
    form->ComboBox3->setCurrentText("05");  // the value block of sector 1
    const QStringList read = run("Button8");
    ASSERT_EQ(read.size(), 4);
    const QString before = read[2].mid(QString("卡的数据为:").size(), 8);

    const QStringList up = run("Button10");
    ASSERT_EQ(up.size(), 4) << up.join("|").toStdString();
    EXPECT_EQ(up[1], "返回卡ID号为:5A3E91C7");
    const std::uint32_t value = qFromLittleEndian<std::uint32_t>(QByteArray::fromHex(before.toLatin1()).constData());
    const std::uint32_t raised = qFromLittleEndian<std::uint32_t>(
        QByteArray::fromHex(up[2].mid(QString("剩余值为为: ").size()).toLatin1()).constData());
    EXPECT_EQ(raised, value + 0x2000) << "00 20 00 00 is 0x2000, low byte first";

    EXPECT_EQ(run("Button15"), (QStringList{t("操作成功   "), "返回卡ID号为:5A3E91C7", "剩余值为为: " + before, ""}));
}

TEST_F(TypeASimulated, InitialiseAValueBlock) {
    const char* transportKey = "FF FF FF FF FF FF";  // sectors 5 and up
    form->Edit57->setText("05");
    form->Edit58->setText(transportKey);
    form->Edit1->setText("05");
    form->Edit5->setText(transportKey);
    EXPECT_EQ(run("Button26"), (QStringList{t("操作成功   "), "返回卡ID号为:5A3E91C7", ""}));
    EXPECT_EQ(run("Button10").value(2), "剩余值为为: 00A80000");
    // A sector whose value block was never initialised refuses the value commands.
    form->Edit10->setText("06");
    form->Edit7->setText(transportKey);
    EXPECT_EQ(run("Button15"), (QStringList{t("读卡失败   "), "在块初始化中出现错误...", ""}));
}

TEST_F(TypeASimulated, HaltThenIdleFailsAndAllSucceeds) {
    EXPECT_EQ(run("Button16"), (QStringList{t("HALT操作成功   "), ""}));
    EXPECT_EQ(run("Button8"), (QStringList{t("读卡失败   "), "卡不存在....", ""}));
    EXPECT_EQ(run("Button29"), (QStringList{t("读卡号操作失败   "), "卡不存在....", ""}));
    click("reqa");
    EXPECT_EQ(run("Button8").value(0), t("操作成功   "));
    click("reqi");
    EXPECT_EQ(run("Button29"), (QStringList{t("操作成功   "), "", "返回卡号为:5A3E91C7", "检测到的卡的数量为一张卡..", ""}));
}

TEST_F(TypeASimulated, UltralightWriteReadAndHalt) {
    form->setActivePage(3);
    const QString tag = "046B2F8A513C80";
    EXPECT_EQ(run("Button55"), (QStringList{t("读卡号 操作成功   "), "卡号为:" + tag, ""}));
    form->ListBox2->setCurrentRow(9);
    form->Edit56->setText("DE AD BE EF");
    EXPECT_EQ(run("Button54"), (QStringList{t("写卡操作成功   "), "卡号为:" + tag, ""}));
    form->ListBox1->setCurrentRow(9);
    const QStringList read = run("Button18");
    ASSERT_EQ(read.size(), 4);
    EXPECT_TRUE(read[1].startsWith("读卡返回数据为: DEADBEEF")) << read[1].toStdString();
    EXPECT_EQ(read[2], "卡ID号为:" + tag);

    form->ListBox2->setCurrentRow(0);
    EXPECT_EQ(run("Button54"), (QStringList{t("写卡操作失败   "), "写操作不成功....", ""}));

    EXPECT_EQ(run("Button17"), (QStringList{t("HALT操作成功   "), ""}));
    EXPECT_EQ(run("Button55"), (QStringList{t("读卡ID号操作失败   "), "卡不存在....", ""}));
    click("Ula");
    EXPECT_EQ(run("Button55").value(0), t("读卡号 操作成功   "));
}

TEST_F(TypeASimulated, AnotherAddressGetsNoAnswer) {
    // The simulated reader answers only frames for its own address, 00.
    click("RadioButton1");
    EXPECT_EQ(run("Button16"), (QStringList{t("通讯错误，没有接收到数据..   "), ""}));
}

}  // namespace
