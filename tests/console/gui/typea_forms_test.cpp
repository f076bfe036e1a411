// The controls of the MIFARE Classic and Ultralight pages as the main window sets them up:
// captions, defaults, items, the radio groups, and the page lists' selections.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "operator.h"

namespace {

using TypeAForms = Operator;

QString u8(const char* s) { return QString::fromUtf8(s); }

TEST_F(TypeAForms, ButtonsAndLoopBoxes) {
    const struct {
        const char* name;
        const char* caption;
        QWidget* TForm1::*page;
    } rows[] = {
        {"Button8", "读卡", &TForm1::TabSheet2},      {"Button9", "写卡", &TForm1::TabSheet2},
        {"Button16", "Halt", &TForm1::TabSheet2},     {"Button29", "读卡号", &TForm1::TabSheet2},
        {"Button26", "初始化", &TForm1::TabSheet2},   {"Button10", "加值", &TForm1::TabSheet2},
        {"Button15", "减值", &TForm1::TabSheet2},     {"CheckBox2", "连续读      ", &TForm1::TabSheet2},
        {"CheckBox1", "连续写        ", &TForm1::TabSheet2}, {"CheckBox4", "连续读        ", &TForm1::TabSheet2},
        {"CheckBox12", "CheckBox12", &TForm1::TabSheet2},
        {"Button55", "Read", &TForm1::TabSheet3},     {"Button18", "读卡", &TForm1::TabSheet3},
        {"Button54", "Write", &TForm1::TabSheet3},    {"Button17", "Halt", &TForm1::TabSheet3},
        {"CheckBox8", "连续读      ", &TForm1::TabSheet3}, {"CheckBox9", "连续读      ", &TForm1::TabSheet3},
        {"CheckBox10", "连续写      ", &TForm1::TabSheet3},
    };
    for (const auto& r : rows) {
        auto* b = control(r.name);
        if (!b) continue;
        EXPECT_EQ(b->text(), u8(r.caption)) << r.name;
        EXPECT_TRUE((form.get()->*r.page)->isAncestorOf(b)) << r.name;
        EXPECT_FALSE(b->isChecked()) << r.name;
    }
}

TEST_F(TypeAForms, RadioPairsEachInAGroupOfTheirOwn) {
    const struct {
        const char* group;
        const char* first;
        const char* firstCaption;
        const char* second;
        const char* secondCaption;
        bool firstSelected;
    } pairs[] = {
        {"GroupBox7", "reqi", "Idle", "reqa", "All", true},
        {"GroupBox8", "keya", "Key A", "keyb", "Key B", true},
        {"GroupBox9", "reqii", "Idle", "reqaa", "All", true},
        {"GroupBox10", "keyaa", "Key A", "keybb", "Key B", true},
        {"Panel71", "reql5", "Idle", "reqa5", "All", true},
        {"Panel72", "nohalt", "no halt", "yeshalt", "halt", true},
        {"GroupBox12", "reqiii", "Idle", "reqaaa", "All", true},
        {"GroupBox13", "keyaaa", "Key A", "keybbb", "Key B", true},
        {"GroupBox14", "reqiiii", "Idle", "reqaaaa", "All", true},
        {"GroupBox15", "keyaaaa", "Key A", "keybbbb", "Key B", true},
        {"GroupBox16", "reqiiiii", "Idle", "reqaaaaa", "All", true},
        {"GroupBox17", "keyaaaaa", "Key A", "keybbbbb", "Key B", true},
        {"GroupBox26", "RadioButton2", "10", "RadioButton1", "11", false},
        {"GroupBox23", "Uli", "Idle", "Ula", "All", true},
        {"GroupBox24", "Ulii", "Idle", "Ulaa", "All", true},
        {"GroupBox25", "Uliii", "Idle", "Ulaaa", "All", true},
    };
    for (const auto& p : pairs) {
        auto* group = control<QWidget>(p.group);
        auto* a = control<QRadioButton>(p.first);
        auto* b = control<QRadioButton>(p.second);
        if (!group || !a || !b) continue;
        EXPECT_EQ(a->parentWidget(), group) << p.first;
        EXPECT_EQ(b->parentWidget(), group) << p.second;
        EXPECT_EQ(a->text(), p.firstCaption) << p.first;
        EXPECT_EQ(b->text(), p.secondCaption) << p.second;
        EXPECT_EQ(a->isChecked(), p.firstSelected) << p.first;
        EXPECT_FALSE(b->isChecked()) << p.second;
    }
    // One pair's choice leaves every other pair as it was.
    form->setActivePage(2);
    click("reqa");
    EXPECT_FALSE(form->reqi->isChecked());
    EXPECT_TRUE(form->keya->isChecked());
    EXPECT_TRUE(form->reqii->isChecked());
}

TEST_F(TypeAForms, FieldsAndTheirDefaults) {
    const QString key = "A7 3C 5E 91 D2 4B";
    const struct {
        const char* name;
        QString text;
        int items;
        const char* firstItem;
        const char* lastItem;
    } combos[] = {
        {"ComboBox6", "04", 4, "01", "04"},  {"ComboBox3", "10", 64, "00", "3f"},
        {"ComboBox4", key, 3, "C4 19 7E 52 AB 30", "A7 3C 5E 91 D2 4B"},
        {"ComboBox8", "01", 4, "01", "04"},  {"ComboBox7", "10", 64, "00", "3f"},
        {"ComboBox9", key, 3, "C4 19 7E 52 AB 30", "A7 3C 5E 91 D2 4B"},
    };
    for (const auto& c : combos) {
        auto* box = control<QComboBox>(c.name);
        if (!box) continue;
        EXPECT_TRUE(box->isEditable()) << c.name;
        EXPECT_EQ(box->currentText(), c.text) << c.name;
        ASSERT_EQ(box->count(), c.items) << c.name;
        EXPECT_EQ(box->itemText(0), c.firstItem) << c.name;
        EXPECT_EQ(box->itemText(c.items - 1), c.lastItem) << c.name;
    }
    EXPECT_EQ(form->ComboBox9->itemText(1), "E8 61 0D 9F 27 B6");
    EXPECT_EQ(form->ComboBox3->itemText(15), "0f");

    const struct {
        const char* name;
        QString text;
    } edits[] = {
        {"Edit3", "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF"},
        {"Edit57", "01"}, {"Edit58", key}, {"Edit59", "00 88 00 00"},
        {"Edit1", "01"},  {"Edit5", key},  {"Edit2", "00 20 00 00"},
        {"Edit10", "01"}, {"Edit7", key},  {"Edit8", "00 20 00 00"},
        {"Edit56", "00 00 00 00"},
    };
    for (const auto& e : edits) {
        if (auto* edit = control<QLineEdit>(e.name)) {
            EXPECT_EQ(edit->text(), e.text) << e.name;
        }
    }
}

TEST_F(TypeAForms, LabelsAndGroups) {
    const struct {
        const char* name;
        const char* text;
    } labels[] = {
        {"Label33", "Halt命令：     "},
        {"Label_ReadBlockCount", "块的数量     "}, {"Label_ReadStartBlock", "起始块       "},
        {"Label_ReadKey", "密钥       "},       {"Label_WriteBlockCount", "块的数量      "},
        {"Label_WriteStartBlock", "起始地址        "}, {"Label_WriteKey", "密钥     "},
        {"Label_WriteData", "需要录入数据      "}, {"Label_Edit57", "扇区   "}, {"Label_Edit59", " 初始值  "},
        {"Label_Edit2", " 加值  "},            {"Label_Edit8", " 减值  "},
        {"Label105", "Read  Card series number:  "}, {"Label34", "Halt:"},
        {"Label106", "扇区："}, {"Label104", "扇区："},
    };
    for (const auto& l : labels) {
        if (auto* label = control<QLabel>(l.name)) {
            EXPECT_EQ(label->text(), u8(l.text)) << l.name;
        }
    }
    EXPECT_EQ(form->GroupBox18->title(), u8("Ultralight 卡读写"));
    EXPECT_EQ(form->GroupBox19->title(), u8(" 读卡 "));
    EXPECT_EQ(form->GroupBox20->title(), u8(" 写卡 "));
    EXPECT_EQ(form->GroupBox6->title(), "");
    for (int i = 1; i <= 8; ++i) EXPECT_NE(form->TabSheet2->findChild<QFrame*>(QString("Panel%1").arg(i)), nullptr) << i;
}

TEST_F(TypeAForms, PageListsSelectedAtStart) {
    for (QListWidget* list : {form->ListBox1, form->ListBox2}) {
        ASSERT_EQ(list->count(), 16);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(list->item(i)->text(), QString("%1").arg(i, 2, 10, QChar('0')));
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
        EXPECT_EQ(list->cursor().shape(), Qt::PointingHandCursor);
    }
    EXPECT_EQ(form->ListBox1->selectedItems().value(0)->text(), "00");
    EXPECT_EQ(form->ListBox2->selectedItems().value(0)->text(), "04");
}

}  // namespace
