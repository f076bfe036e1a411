// The ISO15693 page against the simulated reader's two vicinity tags.
#include <QComboBox>
#include <QLineEdit>

#include "operator.h"
#include "platform/library.h"

namespace {

class Iso15693OnSimulatedReader : public Operator {
protected:
    void SetUp() override {
        Operator::SetUp();
        platform::setLibraryFolder(SIM_USB_DIR);
        form->setActivePage(5);
    }
    void type(const char* edit, const char* text) { control<QLineEdit>(edit)->setText(QString::fromUtf8(text)); }
    void pick(const char* list, const char* item) {
        auto* box = control<QComboBox>(list);
        box->setCurrentIndex(box->findText(item));
    }
    QStringList clickAndRead(const char* button) {
        form->RichEdit1->clearAll();
        click(button);
        return lines();
    }
    static QString stamped(const char* text) { return QString::fromUtf8(text) + kTime; }
};

TEST_F(Iso15693OnSimulatedReader, InventoryListsBothTags) {
    EXPECT_EQ(clickAndRead("Button37"),
              (QStringList{stamped("操作成功   "), "域内的卡片数量为：02",
                           "域内的卡片数据为：000078563412000104E00000F0DEBC9A000007E0",
                           "第1张卡卡号为：E0 04 01 00 12 34 56 78 ", "第2张卡卡号为：E0 07 00 00 9A BC DE F0 ", "", ""}));
}

TEST_F(Iso15693OnSimulatedReader, WriteReadLockAndTheWriteRefused) {
    type("Edit48", "03");
    type("Edit16", "A1 B2 C3 D4");
    EXPECT_EQ(clickAndRead("Button39"), (QStringList{stamped("写卡操作成功   "), "", ""}));
    type("Edit14", "03");
    type("Edit13", "01");
    EXPECT_EQ(clickAndRead("Button38"),
              (QStringList{stamped("操作成功   "), "标志位为：00", "读卡返回数据为：A1B2C3D4", ""}));

    type("Edit18", "03");
    EXPECT_EQ(clickAndRead("Button40"), (QStringList{stamped("锁操作成功   "), "", ""}));
    type("Edit16", "00 00 00 00");
    EXPECT_EQ(clickAndRead("Button39"),
              (QStringList{stamped("写卡失败   "), "要操作的对象已经别锁定，不能进行修改....", ""}));
    type("Edit21", "02");
    type("Edit20", "03");
    EXPECT_EQ(clickAndRead("Button49"),
              (QStringList{stamped("操作成功   "), "标志位为：00", "块安全位状态为：000100", ""}));
    EXPECT_EQ(clickAndRead("Button38")[2], "读卡返回数据为：A1B2C3D4") << "the refused write changed nothing";

    // The second tag, addressed by the UID as the inventory lists it, takes the write.
    pick("ComboBox11", "uid");
    type("Edit50", "E0 07 00 00 9A BC DE F0");
    EXPECT_EQ(clickAndRead("Button39"), (QStringList{stamped("写卡操作成功   "), "", ""}));
    pick("ComboBox18", "uid");
    type("Edit41", "E0 07 00 00 9A BC DE F0");
    EXPECT_EQ(clickAndRead("Button48")[3], "  卡UID值为： F0DEBC9A000007E0");
    // A UID no tag has: the reader finds no card.
    type("Edit41", "E0 07 00 00 00 00 00 00");
    EXPECT_EQ(clickAndRead("Button48"), (QStringList{stamped("操作失败   "), "卡不存在....", ""}));
    EXPECT_TRUE(errors.isEmpty());
}

}  // namespace
