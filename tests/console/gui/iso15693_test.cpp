// The ISO15693 page, shown and clicked through against the fake USB library: the frames
// each row builds from its flags and fields, the verdicts, the inventory and system
// information listings, and the continuous modes.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTimer>

#include "operator.h"

namespace {

Bytes frame(std::uint8_t command, const Bytes& params) { return usb::buildFrame(0x00, command, params); }
Bytes reply(std::uint8_t status, const Bytes& data = {}) { return FakeUsb::makeReply(0x00, status, data); }

class Iso15693 : public Operator {
protected:
    void SetUp() override {
        Operator::SetUp();
        form->setActivePage(5);
    }
    void type(const char* edit, const char* text) { control<QLineEdit>(edit)->setText(QString::fromUtf8(text)); }
    // Picks a tag-maker item as the operator does.
    void pick(const char* list, const char* item) {
        auto* box = control<QComboBox>(list);
        box->setCurrentIndex(box->findText(item));
    }
    // One click with one queued reply; the log's lines afterwards.
    QStringList clickWith(const char* button, const Bytes& answer) {
        form->RichEdit1->clearAll();
        fake.queueReply(answer);
        click(button);
        return lines();
    }
    static QString stamped(const char* text) { return QString::fromUtf8(text) + kTime; }
};

// ---- the page as the form builds it -----------------------------------------------------

TEST_F(Iso15693, ControlsCaptionsAndDefaults) {
    EXPECT_EQ(form->PageControl1->tabText(5), "ISO15693");
    EXPECT_FALSE(form->PageControl1->isTabVisible(5));
    EXPECT_TRUE(form->Button37->isVisible()) << "the page works when shown";

    const struct {
        const char* name;
        const char* caption;
    } captions[] = {
        {"Button37", "防冲突"},   {"Button38", "卡片读"},   {"Button39", "卡片写"},    {"Button40", "锁定块"},
        {"Button42", "选择卡"},   {"Button44", "写AFI"},    {"Button45", "锁定AFI"},   {"Button46", "写DSFID"},
        {"Button47", "锁定DSFID"}, {"Button48", "系统信息"}, {"Button49", "块安全位"}, {"CheckBox5", "连续读   "},
        {"CheckBox6", "连续读     "}, {"CheckBox7", "连续写   "},
    };
    for (const auto& c : captions) EXPECT_EQ(control(c.name)->text(), QString::fromUtf8(c.caption)) << c.name;

    // Each edit with its default and the label right of it.
    const struct {
        const char* edit;
        const char* text;
        const char* label;
    } edits[] = {
        {"Edit14", "01", "起始块  "},      {"Edit13", "05", "块数量  "},        {"Edit55", "", "卡的uid信息    "},
        {"Edit48", "05", "起始块  "},      {"Edit49", "01", "块数量  "},        {"Edit16", "11 22 33 44", "要写的数据    "},
        {"Edit50", "", "卡uid  "},         {"Edit18", "05", "要锁的块号           "}, {"Edit19", "", "卡的uid信息  "},
        {"Edit15", "06", "AFI"},           {"Edit28", "", "卡uid  "},           {"Edit32", "", "卡的uid信息  "},
        {"Edit17", "08", "DSFID"},         {"Edit36", "", "卡uid  "},           {"Edit38", "", "卡的uid信息  "},
        {"Edit41", "", "卡的uid信息  "},   {"Edit21", "00", "起始块号  "},      {"Edit20", "05", "数据长度  "},
    };
    for (const auto& e : edits) {
        auto* edit = control<QLineEdit>(e.edit);
        EXPECT_EQ(edit->text(), QString::fromUtf8(e.text)) << e.edit;
        EXPECT_EQ(edit->maxLength(), 32767) << e.edit;
        auto* label = control<QLabel>((std::string("Label_") + e.edit).c_str());
        EXPECT_EQ(label->text(), QString::fromUtf8(e.label)) << e.edit;
        EXPECT_GE(label->x(), edit->geometry().right()) << e.edit;
    }
    EXPECT_TRUE(control<QLineEdit>("Edit43")->text().isEmpty());

    // The flags lists: the four items, the selection made at start, the label beside them.
    const struct {
        const char* list;
        const char* selected;
    } lists[] = {{"ComboBox10", "Philips"}, {"ComboBox11", "TI"},      {"ComboBox12", "Philips"},
                 {"ComboBox13", "uid"},     {"ComboBox14", "Philips"}, {"ComboBox15", "Philips"},
                 {"ComboBox16", "Philips"}, {"ComboBox17", "Philips"}, {"ComboBox18", "Philips"},
                 {"ComboBox19", "Philips"}};
    for (const auto& l : lists) {
        auto* box = control<QComboBox>(l.list);
        EXPECT_FALSE(box->isEditable()) << l.list;
        QStringList items;
        for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
        EXPECT_EQ(items, (QStringList{"TI", "Philips", "uid", "Other"})) << l.list;
        EXPECT_EQ(box->currentText(), l.selected) << l.list;
        EXPECT_EQ(control<QLabel>((std::string("Label_") + l.list).c_str())->text(), "标志位    ");
    }
}

TEST_F(Iso15693, LayoutStaysOnThePageWithoutOverlaps) {
    QWidget* page = form->TabSheet6;
    QList<QWidget*> controls;
    int rules = 0;
    for (QWidget* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->objectName().startsWith("Panel")) {
            ++rules;
            EXPECT_GT(w->width(), page->width()) << w->objectName().toStdString();
            EXPECT_LE(w->height(), 3);
            continue;
        }
        EXPECT_TRUE(page->rect().contains(w->geometry())) << w->objectName().toStdString();
        controls << w;
    }
    EXPECT_EQ(rules, 11);
    EXPECT_EQ(page->findChild<QWidget*>("Panel16"), nullptr);
    for (int i = 0; i < controls.size(); ++i)
        for (int j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << controls[i]->objectName().toStdString() << " / " << controls[j]->objectName().toStdString();
    // The buttons stand at the right edge, one row each, top to bottom in page order.
    int y = -1;
    for (const char* b : {"Button37", "Button38", "Button39", "Button40", "Button42", "Button44", "Button45",
                          "Button46", "Button47", "Button48", "Button49"}) {
        EXPECT_GT(control(b)->y(), y) << b;
        EXPECT_GT(control(b)->x(), page->width() - 120) << b;
        y = control(b)->y();
    }
}

// ---- the frames -------------------------------------------------------------------------

TEST_F(Iso15693, DefaultFrames) {
    const struct {
        const char* button;
        Bytes frame;
    } rows[] = {
        {"Button37", {0x02, 0x00, 0x04, 0x10, 0x06, 0x00, 0x00, 0x12, 0x03}},
        {"Button38", {0x02, 0x00, 0x04, 0x11, 0x02, 0x01, 0x05, 0x13, 0x03}},
        {"Button39", {0x02, 0x00, 0x08, 0x12, 0x42, 0x05, 0x01, 0x11, 0x22, 0x33, 0x44, 0x18, 0x03}},
        {"Button40", frame(0x13, {0x02, 0x05})},
        {"Button42", frame(0x15, {0x22})},  // "uid" at start, UID still empty
        {"Button44", frame(0x17, {0x02, 0x06})},
        {"Button45", frame(0x18, {0x02})},
        {"Button46", frame(0x19, {0x02, 0x08})},
        {"Button47", frame(0x1A, {0x02})},
        {"Button48", {0x02, 0x00, 0x02, 0x1B, 0x02, 0x1B, 0x03}},
        {"Button49", frame(0x1C, {0x02, 0x00, 0x05})},
    };
    for (const auto& r : rows) {
        fake.reset();
        fake.queueReply(reply(0x00, {0x00}));
        click(r.button);
        EXPECT_EQ(fake.frames(), std::vector<Bytes>{r.frame}) << r.button;
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(Iso15693, FlagsItems) {
    const struct {
        const char* item;
        std::uint8_t flags;
    } rows[] = {{"TI", 0x42}, {"Philips", 0x02}, {"uid", 0x22}, {"Other", 0x52}};
    type("Edit55", "E0 04 01 00 12 34 56 78");
    for (const auto& r : rows) {
        pick("ComboBox10", r.item);
        fake.queueReply(reply(0x00, {0x00}));
        click("Button38");
        Bytes expected{r.flags, 0x01, 0x05};
        if (r.flags == 0x22) expected.insert(expected.end(), {0xE0, 0x04, 0x01, 0x00, 0x12, 0x34, 0x56, 0x78});
        EXPECT_EQ(lastFrame(), frame(0x11, expected)) << r.item;
    }
}

TEST_F(Iso15693, UidGoesInOnlyWithTheAddressFlag) {
    const char* uid = "E0 07 00 00 9A BC DE F0";
    const Bytes u{0xE0, 0x07, 0x00, 0x00, 0x9A, 0xBC, 0xDE, 0xF0};
    auto with = [](Bytes head, const Bytes& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const struct {
        const char* button;
        const char* list;
        const char* uidEdit;
        std::uint8_t code;
        Bytes addressed;  // the parameters with the flags "uid"
        Bytes plain;      // and with "Philips"
    } rows[] = {
        {"Button38", "ComboBox10", "Edit55", 0x11, with({0x22, 0x01, 0x05}, u), {0x02, 0x01, 0x05}},
        // The write's UID stands between the block count and the data.
        {"Button39", "ComboBox11", "Edit50", 0x12, with(with({0x22, 0x05, 0x01}, u), {0x11, 0x22, 0x33, 0x44}),
         {0x02, 0x05, 0x01, 0x11, 0x22, 0x33, 0x44}},
        // Lock block never carries it; select always does.
        {"Button40", "ComboBox12", "Edit18", 0x13, {0x22, 0x05}, {0x02, 0x05}},
        {"Button42", "ComboBox13", "Edit19", 0x15, with({0x22}, u), with({0x02}, u)},
        {"Button44", "ComboBox14", "Edit28", 0x17, with({0x22, 0x06}, u), {0x02, 0x06}},
        {"Button45", "ComboBox15", "Edit32", 0x18, with({0x22}, u), {0x02}},
        {"Button46", "ComboBox16", "Edit36", 0x19, with({0x22, 0x08}, u), {0x02, 0x08}},
        {"Button47", "ComboBox17", "Edit38", 0x1A, with({0x22}, u), {0x02}},
        {"Button48", "ComboBox18", "Edit41", 0x1B, with({0x22}, u), {0x02}},
        {"Button49", "ComboBox19", "Edit43", 0x1C, with({0x22, 0x00, 0x05}, u), {0x02, 0x00, 0x05}},
    };
    for (const auto& r : rows) {
        if (std::string(r.uidEdit) != "Edit18") type(r.uidEdit, uid);
        type("Edit55", uid);  // lock block's row has no UID of its own; another row's is ignored
        pick(r.list, "uid");
        fake.queueReply(reply(0x00, {0x00}));
        click(r.button);
        EXPECT_EQ(lastFrame(), frame(r.code, r.addressed)) << r.button << " with uid";
        pick(r.list, "Philips");
        fake.queueReply(reply(0x00, {0x00}));
        click(r.button);
        EXPECT_EQ(lastFrame(), frame(r.code, r.plain)) << r.button << " with Philips";
    }
}

TEST_F(Iso15693, FieldsGoOutAsTyped) {
    // An odd field is not filled up: its digit pairs with the next field's first digit, every
    // later byte shifts, and the frame's last odd digit is dropped.
    type("Edit14", "1");
    fake.queueReply(reply(0x00, {0x00}));
    click("Button38");
    EXPECT_EQ(lastFrame(), (Bytes{0x02, 0x00, 0x03, 0x11, 0x02, 0x10, 0x50, 0x00}));

    // Non-hex characters are dropped; a UID typed without blanks and in lower case is the same.
    type("Edit16", "11-22:33 zz44");
    type("Edit50", "e004010012345678");
    pick("ComboBox11", "uid");
    fake.queueReply(reply(0x00, {0x00}));
    click("Button39");
    EXPECT_EQ(lastFrame(), frame(0x12, {0x22, 0x05, 0x01, 0xE0, 0x04, 0x01, 0x00, 0x12, 0x34, 0x56, 0x78, 0x11,
                                        0x22, 0x33, 0x44}));

    // A field too long for one frame: the transfer refuses it and nothing reaches the reader.
    form->RichEdit1->clearAll();
    fake.reset();
    type("Edit16", std::string(2 * 250, 'A').c_str());
    click("Button39");
    EXPECT_TRUE(fake.frames().empty());
    QStringList l = lines();
    ASSERT_EQ(l.size(), 3);
    EXPECT_TRUE(l[0].contains("not sent")) << l[0].toStdString();
    EXPECT_EQ(l[1], stamped("通讯错误，没有接收到数据..   "));
    EXPECT_TRUE(errors.isEmpty());
}

// ---- the verdicts -----------------------------------------------------------------------

TEST_F(Iso15693, VerdictsOfEveryButton) {
    const struct {
        const char* button;
        const char* done;  // null: a listing of its own
        const char* failed;
    } rows[] = {
        {"Button37", nullptr, "操作失败   "},          {"Button38", nullptr, "读卡失败   "},
        {"Button39", "写卡操作成功   ", "写卡失败   "}, {"Button40", "锁操作成功   ", "锁操作失败   "},
        {"Button42", "选择卡操作成功   ", "选择卡操作失败   "},
        {"Button44", "写AFI操作成功   ", "写AFI操作失败   "},
        {"Button45", "锁定AFI操作成功   ", "锁定AFI操作失败   "},
        {"Button46", "写DSFID操作成功   ", "写DSFID操作失败   "},
        {"Button47", "锁定DSFID操作成功   ", "锁定DSFID操作失败   "},
        {"Button48", nullptr, "操作失败   "},          {"Button49", nullptr, "读卡块安全位失败   "},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(clickWith(r.button, reply(0x01, {0x94})),
                  (QStringList{stamped(r.failed), "要操作的对象已经别锁定，不能进行修改....", ""}))
            << r.button;
        EXPECT_EQ(clickWith(r.button, reply(0x01, {0x05})), (QStringList{stamped(r.failed), "", ""})) << r.button;
        EXPECT_EQ(clickWith(r.button, reply(0x02, {0x00})), (QStringList{stamped("数据丢包，流水校验出错   "), ""}))
            << r.button;
        if (r.done) {
            EXPECT_EQ(clickWith(r.button, reply(0x00, {0x00})), (QStringList{stamped(r.done), "", ""})) << r.button;
        }
    }
    // No reply: exactly the no-data line.
    form->RichEdit1->clearAll();
    fake.queueWriteResult(0);
    click("Button42");
    EXPECT_EQ(lines(), (QStringList{"data error,please check Device Connection...",
                                    stamped("通讯错误，没有接收到数据..   "), ""}));
}

TEST_F(Iso15693, ReadAndBlockSecurityData) {
    EXPECT_EQ(clickWith("Button38", reply(0x00, {0x00, 0x11, 0x22, 0x33, 0x44, 0xAB})),
              (QStringList{stamped("操作成功   "), "标志位为：00", "读卡返回数据为：11223344AB", ""}));
    EXPECT_EQ(clickWith("Button49", reply(0x00, {0x00, 0x01, 0x00, 0x00, 0x01, 0x00})),
              (QStringList{stamped("操作成功   "), "标志位为：00", "块安全位状态为：0100000100", ""}));
    // A reply with no data after the first byte, and one that ends before it.
    EXPECT_EQ(clickWith("Button38", reply(0x00, {0x00})),
              (QStringList{stamped("操作成功   "), "标志位为：00", "读卡返回数据为：", ""}));
    EXPECT_EQ(clickWith("Button49", Bytes{0x02, 0x00, 0x01, 0x00, 0x01, 0x03}),
              (QStringList{stamped("操作成功   "), "标志位为：01", "块安全位状态为：", ""}));
}

// ---- the inventory listing --------------------------------------------------------------

// An inventory reply: the count byte, then the records as they come.
Bytes inventoryReply(std::uint8_t count, const Bytes& records) {
    Bytes data{count};
    data.insert(data.end(), records.begin(), records.end());
    return reply(0x00, data);
}

TEST_F(Iso15693, InventoryListing) {
    const Bytes two{0x00, 0x00, 0x78, 0x56, 0x34, 0x12, 0x00, 0x01, 0x04, 0xE0,
                    0x00, 0x11, 0xF0, 0xDE, 0xBC, 0x9A, 0x00, 0x00, 0x07, 0xE0};
    EXPECT_EQ(clickWith("Button37", inventoryReply(0x02, two)),
              (QStringList{stamped("操作成功   "), "域内的卡片数量为：02",
                           "域内的卡片数据为：000078563412000104E00011F0DEBC9A000007E0",
                           "第1张卡卡号为：E0 04 01 00 12 34 56 78 ", "第2张卡卡号为：E0 07 00 00 9A BC DE F0 ", "", ""}));

    // No tag: count 00, an empty data line, no UID line.
    EXPECT_EQ(clickWith("Button37", inventoryReply(0x00, {})),
              (QStringList{stamped("操作成功   "), "域内的卡片数量为：00", "域内的卡片数据为：", "", ""}));

    // A partial record shows in the data line and gives no UID line; the count is not used.
    Bytes partial(two.begin(), two.begin() + 16);
    EXPECT_EQ(clickWith("Button37", inventoryReply(0x02, partial)),
              (QStringList{stamped("操作成功   "), "域内的卡片数量为：02",
                           "域内的卡片数据为：000078563412000104E00011F0DEBC9A",
                           "第1张卡卡号为：E0 04 01 00 12 34 56 78 ", "", ""}));

    // A reply that ends right after the status: the count shows what stands there, the data
    // line is empty, no UID line.
    EXPECT_EQ(clickWith("Button37", Bytes{0x02, 0x00, 0x00, 0x00, 0x03}),
              (QStringList{stamped("操作成功   "), "域内的卡片数量为：03", "域内的卡片数据为：", "", ""}));
}

TEST_F(Iso15693, InventoryOfTenTags) {
    Bytes records;
    for (std::uint8_t i = 1; i <= 10; ++i)
        records.insert(records.end(), {0x00, 0x00, i, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0xE0});
    QStringList l = clickWith("Button37", inventoryReply(0x0A, records));
    ASSERT_EQ(l.size(), 15);
    EXPECT_EQ(l[1], "域内的卡片数量为：0A") << "the count stays hex";
    for (int i = 1; i <= 10; ++i)
        EXPECT_EQ(l[2 + i], QString("第%1张卡卡号为：E0 04 00 00 00 00 00 %2 ").arg(i).arg(QString::asprintf("%02X", i)));
    EXPECT_EQ(l[13], "");
}

// ---- the system information listing -----------------------------------------------------

TEST_F(Iso15693, SystemInformationPositions) {
    // flags, info flags, UID in reply order, DSFID, AFI, then the other fields
    const Bytes data{0x00, 0x0F, 0x78, 0x56, 0x34, 0x12, 0x00, 0x01, 0x04, 0xE0, 0x08, 0x06, 0x1B, 0x03, 0x01};
    EXPECT_EQ(clickWith("Button48", reply(0x00, data)),
              (QStringList{stamped("操作成功   "), "  Flags值为： 00", "  INFO Flags值为： 0F",
                           "  卡UID值为： 78563412000104E0", "  DSFID值为： 08", "  AFI值为： 06",
                           "  Other fields值为： 1B0301", ""}));

    // Positions past the end give what there is (here the check and end bytes close the
    // UID); the info flags do not move them.
    const Bytes shortData{0x00, 0x01, 0x78, 0x56, 0x34};
    EXPECT_EQ(clickWith("Button48", reply(0x00, shortData)),
              (QStringList{stamped("操作成功   "), "  Flags值为： 00", "  INFO Flags值为： 01",
                           "  卡UID值为： 7856341D03", "  DSFID值为： ", "  AFI值为： ", "  Other fields值为： ", ""}));
    EXPECT_TRUE(errors.isEmpty());
}

// ---- the continuous modes ---------------------------------------------------------------

TEST_F(Iso15693, LoopsStopOnAPageChangeAfterTheCurrentPass) {
    const struct {
        const char* box;
        Bytes frame;
        int linesPerPass;
    } rows[] = {
        {"CheckBox5", frame(0x10, {0x06, 0x00, 0x00}), 5},
        {"CheckBox6", frame(0x11, {0x02, 0x01, 0x05}), 4},
        {"CheckBox7", frame(0x12, {0x42, 0x05, 0x01, 0x11, 0x22, 0x33, 0x44}), 3},
    };
    for (const auto& r : rows) {
        form->setActivePage(5);
        form->RichEdit1->clearAll();
        fake.reset();
        fake.setDefaultReply(reply(0x00, {0x00}));
        // The operator picks another page once the loop has made three passes.
        QTabBar* bar = form->PageControl1->tabBar();
        QTimer operatorWatch;
        QObject::connect(&operatorWatch, &QTimer::timeout, [&] {
            if (fake.frameCount() < 3) return;
            operatorWatch.stop();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
        });
        operatorWatch.start(0);
        clickLoopBox(r.box);  // the loop runs until the page change ends it
        EXPECT_EQ(form->PageControl1->currentIndex(), 0) << r.box;
        EXPECT_FALSE(control(r.box)->isChecked()) << r.box;
        const auto frames = fake.frames();
        EXPECT_GE(frames.size(), 3u) << r.box;
        for (const Bytes& f : frames) EXPECT_EQ(f, r.frame) << r.box;
        EXPECT_EQ(lines().size(), int(frames.size()) * r.linesPerPass) << r.box << ": every pass ran to its end";
        QTest::qWait(50);
        EXPECT_EQ(fake.frames().size(), frames.size()) << r.box << ": no pass after the loop ended";
    }
}

TEST_F(Iso15693, PageChangeDuringTheCommandsWaitLetsThatPassFinish) {
    // No reply: the read waits its 500 ms, during which the page changes.
    type("Edit22", "0");
    fake.queueWriteResult(0);
    QTabBar* bar = form->PageControl1->tabBar();
    QTimer::singleShot(100, [&] { QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(6).center()); });
    clickLoopBox("CheckBox6");
    EXPECT_EQ(form->PageControl1->currentIndex(), 6);
    EXPECT_EQ(fake.frameCount(), 1);
    EXPECT_EQ(lines(), (QStringList{"data error,please check Device Connection...",
                                    stamped("通讯错误，没有接收到数据..   "), ""}));
}

}  // namespace
