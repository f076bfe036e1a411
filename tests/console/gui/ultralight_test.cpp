// The Ultralight page, shown and clicked through against the fake USB library.
#include <QLineEdit>
#include <QListWidget>
#include <optional>

#include "cardpage.h"

namespace {

constexpr int kUltralightPage = 3;
const Bytes kUid{0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};

Bytes ok(Bytes data = {}) { return FakeUsb::makeReply(0x00, 0x00, data); }

class Ultralight : public CardPage {
protected:
    Ultralight() : CardPage(kUltralightPage) {}
    void SetUp() override {
        CardPage::SetUp();
        fake.setDefaultReply(ok(kUid));
    }
};

TEST_F(Ultralight, ListsAtStart) {
    EXPECT_EQ(form->ListBox1->count(), 16);
    EXPECT_EQ(form->ListBox1->item(15)->text(), "15");
    EXPECT_EQ(form->ListBox1->currentRow(), 0);
    EXPECT_EQ(form->ListBox2->currentRow(), 4);
    EXPECT_EQ(form->ListBox2->selectedItems().size(), 1);
}

TEST_F(Ultralight, Frames) {
    struct Row {
        const char* name;
        const char* all;  // the group's "All" radio to pick, or none
        const char* button;
        Bytes frame;
    } rows[] = {
        {"card number", nullptr, "Button55", {0x02, 0x00, 0x02, 0xE3, 0x00, 0xE1, 0x03}},
        {"read page 00", nullptr, "Button18", {0x02, 0x00, 0x03, 0xE0, 0x00, 0x00, 0xE3, 0x03}},
        {"write page 04", nullptr, "Button54",
         {0x02, 0x00, 0x08, 0xE1, 0x00, 0x01, 0x04, 0x11, 0x22, 0x33, 0x44, 0xA8, 0x03}},
        {"halt", nullptr, "Button17", {0x02, 0x00, 0x01, 0x06, 0x07, 0x03}},
        {"card number, All", "Ula", "Button55", {0x02, 0x00, 0x02, 0xE3, 0x01, 0xE0, 0x03}},
        {"read, All", "Ulaa", "Button18", {0x02, 0x00, 0x03, 0xE0, 0x01, 0x00, 0xE2, 0x03}},
        {"write, All", "Ulaaa", "Button54",
         {0x02, 0x00, 0x08, 0xE1, 0x01, 0x01, 0x04, 0x11, 0x22, 0x33, 0x44, 0xA9, 0x03}},
    };
    control<QLineEdit>("Edit56")->setText("11 22 33 44");
    for (const Row& r : rows) {
        if (r.all) click(r.all);
        click(r.button);
        EXPECT_EQ(lastFrame(), r.frame) << r.name;
    }
}

TEST_F(Ultralight, PageByteIsTheDecimalItemInHex) {
    struct Row {
        int item;
        std::uint8_t byte;
    } rows[] = {{9, 0x09}, {10, 0x0A}, {12, 0x0C}, {15, 0x0F}, {0, 0x00}};
    for (const Row& r : rows) {
        form->ListBox1->setCurrentRow(r.item);
        click("Button18");
        EXPECT_EQ(lastFrame().at(5), r.byte) << r.item;
        form->ListBox2->setCurrentRow(r.item);
        click("Button54");
        EXPECT_EQ(lastFrame().at(6), r.byte) << r.item;
    }
}

TEST_F(Ultralight, WriteDataGoesAsTyped) {
    control<QLineEdit>("Edit56")->setText("01 02 03 04 05");
    click("Button54");
    EXPECT_EQ(lastFrame(), usb::buildFrame(0x00, 0xE1, Bytes{0x00, 0x01, 0x04, 0x01, 0x02, 0x03, 0x04, 0x05}));
}

TEST_F(Ultralight, NoPageSelectedSendsNothing) {
    form->ListBox1->clearSelection();
    click("Button18");
    EXPECT_TRUE(fake.frames().empty());
    EXPECT_EQ(errors.size(), 1);
    EXPECT_TRUE(lines().isEmpty());
}

TEST_F(Ultralight, LinesOfEachReply) {
    Bytes pages;
    for (std::uint8_t i = 0; i < 16; ++i) pages.push_back(i);
    Bytes read = pages;
    read.insert(read.end(), kUid.begin(), kUid.end());
    const QString pagesHex = "000102030405060708090A0B0C0D0E0F";
    const ReplyLines rows[] = {
        {"card number", "Button55", ok(kUid), {t("读卡号 操作成功   "), "卡号为:04112233445566", ""}},
        {"read", "Button18", ok(read), {t("读卡 操作成功   "), "读卡返回数据为: " + pagesHex, "卡ID号为:04112233445566", ""}},
        // A short reply shows what characters there are, its check and end bytes included.
        {"short read", "Button18", ok({0xAA, 0xBB}), {t("读卡 操作成功   "), "读卡返回数据为: AABB1203", "卡ID号为:", ""}},
        {"write", "Button54", ok(kUid), {t("写卡操作成功   "), "卡号为:04112233445566", ""}},
        {"halt", "Button17", ok(), {t("HALT操作成功   "), ""}},
        {"card number refused", "Button55", FakeUsb::makeReply(0x00, 0x01, {0x83}),
         {t("读卡ID号操作失败   "), "卡不存在....", ""}},
        {"read refused", "Button18", FakeUsb::makeReply(0x00, 0x01, {0x93}), {t("读卡失败   "), "要操作的BLOCK不存在....", ""}},
        {"write refused", "Button54", FakeUsb::makeReply(0x00, 0x01, {0x94}),
         {t("写卡操作失败   "), "要操作的对象已经别锁定，不能进行修改....", ""}},
        {"halt refused", "Button17", FakeUsb::makeReply(0x00, 0x01, {0x83}), {t("HALT操作失败   "), "卡不存在....", ""}},
        {"damaged", "Button54", FakeUsb::makeReply(0x00, 0x7F, {}), {t("数据丢包，流水校验出错   "), ""}},
        {"no reply", "Button55", std::nullopt, {t("通讯错误，没有接收到数据..   "), ""}},
    };
    expectLines(rows);
}

}  // namespace
