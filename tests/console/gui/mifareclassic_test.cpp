// The MIFARE Classic page, shown and clicked through against the fake USB library: the frames
// each row sends, the lines each reply gives, and the reader address pair.
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <functional>
#include <optional>

#include "cardpage.h"

namespace {

constexpr int kMifarePage = 2;
const Bytes kKey{0xA7, 0x3C, 0x5E, 0x91, 0xD2, 0x4B};
const Bytes kUid{0x11, 0x22, 0x33, 0x44};

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes frame(std::uint8_t command, const Bytes& params, std::uint8_t address = 0x00) {
    return usb::buildFrame(address, command, params);
}
Bytes ok(const Bytes& data = {}) { return FakeUsb::makeReply(0x00, 0x00, data); }

class MifareClassic : public CardPage {
protected:
    MifareClassic() : CardPage(kMifarePage) {}
};

TEST_F(MifareClassic, ModeByteOfEveryKeyedRow) {
    struct Row {
        const char* button;
        std::uint8_t code;
        const char* idle;
        const char* all;
        const char* keyA;
        const char* keyB;
    } rows[] = {
        {"Button8", 0x20, "reqi", "reqa", "keya", "keyb"},
        {"Button9", 0x21, "reqii", "reqaa", "keyaa", "keybb"},
        {"Button26", 0x22, "reqiii", "reqaaa", "keyaaa", "keybbb"},
        {"Button15", 0x23, "reqiiiii", "reqaaaaa", "keyaaaaa", "keybbbbb"},
        {"Button10", 0x24, "reqiiii", "reqaaaa", "keyaaaa", "keybbbb"},
    };
    struct Mode {
        bool all, keyB;
        std::uint8_t byte;
    } modes[] = {{false, false, 0x00}, {true, false, 0x01}, {false, true, 0x02}, {true, true, 0x03}};
    for (const Row& r : rows) {
        for (const Mode& m : modes) {
            click(m.all ? r.all : r.idle);
            click(m.keyB ? r.keyB : r.keyA);
            fake.queueReply(ok(kUid));
            click(r.button);
            Bytes f = lastFrame();
            ASSERT_GE(f.size(), 5u) << r.button;
            EXPECT_EQ(f[3], r.code) << r.button;
            EXPECT_EQ(f[4], m.byte) << r.button << " all " << m.all << " key B " << m.keyB;
        }
    }
}

TEST_F(MifareClassic, FramesWithTheDefaults) {
    const Bytes ff(16, 0xFF);
    struct Row {
        const char* button;
        Bytes frame;
    } rows[] = {
        {"Button8", frame(0x20, cat({{0x00, 0x04, 0x10}, kKey}))},
        {"Button9", frame(0x21, cat({{0x00, 0x01, 0x10}, kKey, ff}))},
        {"Button26", frame(0x22, cat({{0x00, 0x01}, kKey, {0x00, 0x88, 0x00, 0x00}}))},
        {"Button10", frame(0x24, cat({{0x00, 0x01}, kKey, {0x00, 0x20, 0x00, 0x00}}))},
        {"Button15", frame(0x23, cat({{0x00, 0x01}, kKey, {0x00, 0x20, 0x00, 0x00}}))},
        {"Button29", {0x02, 0x00, 0x03, 0x25, 0x26, 0x00, 0x00, 0x03}},
        {"Button16", {0x02, 0x00, 0x01, 0x06, 0x07, 0x03}},
    };
    for (const Row& r : rows) {
        fake.queueReply(ok(kUid));
        click(r.button);
        EXPECT_EQ(lastFrame(), r.frame) << r.button;
    }
    fake.setDefaultReply(ok());
    click("reqa5");
    click("yeshalt");
    click("Button29");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x03, 0x25, 0x52, 0x01, 0x75, 0x03}));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MifareClassic, FieldsGoAsTyped) {
    struct Row {
        const char* name;
        std::function<void(TForm1&)> type;
        const char* button;
        Bytes frame;
    } rows[] = {
        {"five-byte key", [](TForm1& f) { f.ComboBox4->setCurrentText("A7 3C 5E 91 D2"); }, "Button8",
         frame(0x20, {0x00, 0x04, 0x10, 0xA7, 0x3C, 0x5E, 0x91, 0xD2})},
        {"block count 02 with sixteen bytes", [](TForm1& f) { f.ComboBox8->setCurrentText("02"); }, "Button9",
         frame(0x21, cat({{0x00, 0x02, 0x10}, kKey, Bytes(16, 0xFF)}))},
        {"a key item picked", [](TForm1& f) { f.ComboBox9->setCurrentIndex(0); f.Edit3->setText("0102"); }, "Button9",
         frame(0x21, {0x00, 0x01, 0x10, 0xC4, 0x19, 0x7E, 0x52, 0xAB, 0x30, 0x01, 0x02})},
        {"blanks and other characters dropped", [](TForm1& f) { f.Edit2->setText(" 00-20 zz00 00 "); }, "Button10",
         frame(0x24, cat({{0x00, 0x01}, kKey, {0x00, 0x20, 0x00, 0x00}}))},
        // The odd digit pairs with the key's first digit; every later byte shifts and the
        // frame's last digit is lost.
        {"odd-digit start block", [](TForm1& f) { f.ComboBox3->setCurrentText("1"); }, "Button8",
         {0x02, 0x00, 0x09, 0x20, 0x00, 0x04, 0x1A, 0x73, 0xC5, 0xE9, 0x1D, 0x24, 0xB5, 0x10}},
    };
    for (const Row& r : rows) {
        form.reset();
        CardPage::SetUp();
        r.type(*form);
        fake.queueReply(ok(kUid));
        click(r.button);
        EXPECT_EQ(lastFrame(), r.frame) << r.name;
    }
}

TEST_F(MifareClassic, NothingOverTheFrameBoundIsSent) {
    // 1 + 9 + 246 data bytes make a frame of 261 bytes.
    QString data;
    for (int i = 0; i < 246; ++i) data += "AB ";
    control<QLineEdit>("Edit3")->setText(data);
    click("Button9");
    EXPECT_TRUE(fake.frames().empty());
    QStringList l = lines();
    ASSERT_EQ(l.size(), 3);
    EXPECT_TRUE(l[0].contains("at most 255 bytes")) << l[0].toStdString();
    EXPECT_EQ(l[1], t("通讯错误，没有接收到数据..   "));
}

TEST_F(MifareClassic, LinesOfEachReply) {
    const Bytes data(16, 0x5A);
    const QString blockHex = QString("5A").repeated(16);
    const ReplyLines rows[] = {
        {"read", "Button8", ok(cat({kUid, data})),
         {t("操作成功   "), "卡号为:11223344", "卡的数据为:" + blockHex, ""}},
        {"read of two blocks", "Button8", ok(cat({kUid, data, data})),
         {t("操作成功   "), "卡号为:11223344", "卡的数据为:" + blockHex + blockHex, ""}},
        {"read with no block data", "Button8", ok(kUid), {t("操作成功   "), "卡号为:11223344", "卡的数据为:", ""}},
        {"read of status alone", "Button8", ok(), {t("操作成功   "), "卡号为:0103", "卡的数据为:", ""}},
        {"write", "Button9", ok(kUid), {t("操作成功   "), "卡号为:11223344"}},
        {"initialise", "Button26", ok(kUid), {t("操作成功   "), "返回卡ID号为:11223344", ""}},
        {"increment", "Button10", ok(cat({kUid, {0x00, 0xA8, 0x00, 0x00}})),
         {t("操作成功   "), "返回卡ID号为:11223344", "剩余值为为: 00A80000", ""}},
        {"decrement", "Button15", ok(cat({kUid, {0x00, 0x68, 0x00, 0x00}})),
         {t("操作成功   "), "返回卡ID号为:11223344", "剩余值为为: 00680000", ""}},
        // Characters 17-24 reach only the check byte and the end byte.
        {"decrement without the value", "Button15", ok(kUid),
         {t("操作成功   "), "返回卡ID号为:11223344", "剩余值为为: 4103", ""}},
        {"one card", "Button29", ok(cat({{0x00}, kUid})),
         {t("操作成功   "), "", "返回卡号为:11223344", "检测到的卡的数量为一张卡..", ""}},
        {"several cards", "Button29", ok(cat({{0x01}, kUid})),
         {t("操作成功   "), "", "返回卡号为:11223344", "检测到的卡的数量为多张卡..", ""}},
        {"other count flag", "Button29", ok(cat({{0x02}, kUid})), {t("操作成功   "), "", "返回卡号为:11223344"}},
        {"halt", "Button16", ok(), {t("HALT操作成功   "), ""}},
        {"read refused", "Button8", FakeUsb::makeReply(0x00, 0x01, {0x8C}), {t("读卡失败   "), "密码认证没通过....", ""}},
        {"write refused", "Button9", FakeUsb::makeReply(0x00, 0x01, {0x96}), {t("读卡失败   "), "写操作不成功....", ""}},
        {"value refused", "Button10", FakeUsb::makeReply(0x00, 0x01, {0x8A}),
         {t("读卡失败   "), "在块初始化中出现错误...", ""}},
        {"no card", "Button29", FakeUsb::makeReply(0x00, 0x01, {0x83}), {t("读卡号操作失败   "), "卡不存在....", ""}},
        {"halt refused with an unknown code", "Button16", FakeUsb::makeReply(0x00, 0x01, {0x01}),
         {t("HALT操作失败   "), "", ""}},
        {"damaged reply", "Button26", FakeUsb::makeReply(0x00, 0x02, kUid), {t("数据丢包，流水校验出错   "), ""}},
        {"no reply", "Button8", std::nullopt, {t("通讯错误，没有接收到数据..   "), ""}},
    };
    expectLines(rows);
}

TEST_F(MifareClassic, AddressPairCarriesToEveryPage) {
    fake.setDefaultReply(ok());
    EXPECT_FALSE(control<QRadioButton>("RadioButton1")->isChecked());
    EXPECT_FALSE(control<QRadioButton>("RadioButton2")->isChecked());
    click("RadioButton2");
    click("Button16");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x10, 0x01, 0x06, 0x17, 0x03}));
    click("RadioButton1");
    click("Button16");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x11, 0x01, 0x06, 0x16, 0x03}));
    EXPECT_EQ(form->setadd->currentText(), "11");

    form->setActivePage(3);
    click("Button55");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x11, 0x02, 0xE3, 0x00, 0xF0, 0x03}));
    form->setActivePage(0);
    click("Button27");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x11, 0x02, 0x0F, 0x01, 0x1D, 0x03}));

    // Back to "10": the page never selects 00 again.
    form->setActivePage(kMifarePage);
    click("RadioButton2");
    click("Button16");
    EXPECT_EQ(lastFrame()[1], 0x10);
}

}  // namespace
