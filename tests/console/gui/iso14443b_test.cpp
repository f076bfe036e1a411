// The ISO14443B page, shown and clicked through against the fake USB library and the
// simulated reader.
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <functional>

#include "operator.h"
#include "platform/library.h"

namespace {

class Iso14443B : public Operator {
protected:
    void SetUp() override {
        Operator::SetUp();
        form->setActivePage(4);
    }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(name); }
    // Clicks the tab of another page as the operator does.
    void pickPage(int index) {
        QTabBar* bar = form->PageControl1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
};

Bytes reply(std::uint8_t status, Bytes data = {}) { return FakeUsb::makeReply(0x00, status, data); }
QString at(const char* text) { return QString(text) + "02:05:09 PM"; }  // the fixture's clock

TEST_F(Iso14443B, PageControlsAsTheFormDescribesThem) {
    QTabWidget* pages = form->PageControl1;
    EXPECT_EQ(pages->widget(4), form->TabSheet5);
    EXPECT_EQ(pages->tabText(4), "ISO14443B");
    EXPECT_FALSE(pages->isTabVisible(4)) << "the tab is hidden; the page works when shown";
    auto* typeB = control<QGroupBox>("GroupBox21");
    auto* idCard = control<QGroupBox>("GroupBox22");
    ASSERT_TRUE(typeB && idCard);
    EXPECT_EQ(typeB->title(), "ISO14443 Type-B Commands");
    EXPECT_EQ(idCard->title(), "第二代居民身份证");

    const struct {
        const char* name;
        const char* caption;
        QGroupBox* group;
        bool enabled;
    } buttons[] = {
        {"Button31", "卡请求", typeB, true},    {"Button32", "防冲突", typeB, false},
        {"Button33", "Attrib", typeB, true},    {"Button34", "复位卡", typeB, false},
        {"Button36", "发送数据", typeB, true},  {"Button19", "读取", idCard, true},
        {"Button22", "读取", idCard, true},
    };
    for (const auto& b : buttons) {
        auto* w = control<QPushButton>(b.name);
        if (!w) continue;
        EXPECT_EQ(w->text(), b.caption) << b.name;
        EXPECT_EQ(w->parentWidget(), b.group) << b.name;
        EXPECT_EQ(w->isEnabled(), b.enabled) << b.name;
    }
    const struct {
        const char* name;
        QGroupBox* group;
    } boxes[] = {{"CheckBox11", typeB}, {"CheckBox13", idCard}, {"CheckBox14", idCard}};
    for (const auto& b : boxes) {
        auto* w = control<QCheckBox>(b.name);
        if (!w) continue;
        EXPECT_EQ(w->text(), "连续读      ") << b.name;
        EXPECT_EQ(w->parentWidget(), b.group) << b.name;
        EXPECT_FALSE(w->isChecked()) << b.name;
    }
    const char* labels[][2] = {{"Label86", "请输入卡ID号码：         "},
                               {"Label87", "数据：    "},
                               {"Label35", "读身份证ID号：     "},
                               {"Label36", "读身份证文件ID号：   "}};
    for (const auto& [name, text] : labels)
        if (auto* l = control<QLabel>(name)) {
            EXPECT_EQ(l->text(), text) << name;
        }
    EXPECT_EQ(edit("Edit76")->text(), "41 30 0A 10");
    EXPECT_EQ(edit("Edit76")->toolTip(), "insert card number");
    EXPECT_EQ(edit("Edit77")->text(), "05 00 00");
    EXPECT_EQ(edit("Edit77")->toolTip(), "data");
    for (const char* name : {"Panel76", "Panel79", "Panel75", "Panel89"})
        if (auto* p = control<QFrame>(name)) {
            EXPECT_EQ(p->parentWidget(), typeB) << name;
            EXPECT_EQ(p->height(), 3) << name;
        }

    // Every control lies inside its group and none covers another (the separators span it).
    for (QGroupBox* group : {typeB, idCard}) {
        EXPECT_TRUE(form->TabSheet5->rect().contains(group->geometry()));
        const QList<QWidget*> kids = group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (int i = 0; i < kids.size(); ++i)
            for (int j = i + 1; j < kids.size(); ++j)
                EXPECT_FALSE(kids[i]->geometry().intersects(kids[j]->geometry()))
                    << kids[i]->objectName().toStdString() << " and " << kids[j]->objectName().toStdString();
    }
}

TEST_F(Iso14443B, CommandFramesAndSuccessLines) {
    struct Row {
        const char* button;
        Bytes frame;
        Bytes reply;
        QStringList lines;
    } rows[] = {
        {"Button31", {0x02, 0x00, 0x01, 0x09, 0x08, 0x03},
         reply(0x00, {0x03, 0x50, 0x41, 0x30}),
         {at("操作成功   "), "", "卡片复位数据的长度为:03", "返回操作后的数据为:504130", ""}},
        {"Button33", {0x02, 0x00, 0x05, 0x0B, 0x41, 0x30, 0x0A, 0x10, 0x65, 0x03},
         reply(0x00, {0x00}),
         {at("操作成功、复位成功   "), ""}},
        // The first data byte (the number's length) is not shown.
        {"Button19", {0x02, 0x00, 0x01, 0x26, 0x27, 0x03},
         {0x02, 0x00, 0x0A, 0x00, 0x08, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x8A, 0x03},
         {at("操作成功   "), "返回卡号为:1122334455667788", ""}},
        {"Button22", {0x02, 0x00, 0x01, 0x27, 0x26, 0x03},
         reply(0x00, {0x08, 0x20, 0x26, 0x01, 0x10, 0x0A, 0x0B, 0x0C, 0x0D}),
         {at("操作成功   "), "返回卡号为:202601100A0B0C0D", ""}},
        // A seven-byte reply: status and one data byte, no answer after it.
        {"Button31", {0x02, 0x00, 0x01, 0x09, 0x08, 0x03}, {0x02, 0x00, 0x02, 0x00, 0x05, 0x07, 0x03},
         {at("操作成功   "), "", "卡片复位数据的长度为:05", "返回操作后的数据为:", ""}},
        // Shorter still: the positions past the end give nothing.
        {"Button19", {0x02, 0x00, 0x01, 0x26, 0x27, 0x03}, {0x02, 0x00, 0x02, 0x00, 0x08, 0x0A, 0x03},
         {at("操作成功   "), "返回卡号为:0A03", ""}},
    };
    for (const Row& r : rows) {
        form->RichEdit1->clearAll();
        fake.reset();
        fake.queueReply(r.reply);
        click(r.button);
        EXPECT_EQ(fake.frames(), std::vector<Bytes>{r.frame}) << r.button;
        EXPECT_EQ(lines(), r.lines) << r.button;
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(Iso14443B, VerdictsOfTheReaderCommands) {
    // 8F has the reader table's text here; the transparent send has its own.
    fake.queueReply(reply(0x01, {0x8F}));
    click("Button31");
    fake.queueReply(reply(0x01, {0x83}));
    click("Button22");
    fake.queueReply(reply(0x02, {0x83}));
    click("Button33");
    fake.queueEmptyRead();
    click("Button19");
    fake.queueWriteResult(0);
    click("Button33");
    EXPECT_EQ(lines(), (QStringList{at("操作失败   "), "读写设备接收到了未定义的命令.....", "",
                                    at("读卡号操作失败   "), "卡不存在....", "",
                                    at("数据丢包，流水校验出错   "), "",
                                    at("通讯错误，没有接收到数据..   "), "",
                                    "data error,please check Device Connection...",
                                    at("通讯错误，没有接收到数据..   "), ""}));
}

TEST_F(Iso14443B, ResetFillsTheCardIdentifierForTheNextAttrib) {
    struct Row {
        Bytes pupi;
        const char* text;
        Bytes attrib;
    } rows[] = {
        {{0x41, 0x30, 0x0A, 0x10}, "41300A10", {0x02, 0x00, 0x05, 0x0B, 0x41, 0x30, 0x0A, 0x10, 0x65, 0x03}},
        {{0x12, 0x34, 0xAB, 0xCD}, "1234ABCD", {0x02, 0x00, 0x05, 0x0B, 0x12, 0x34, 0xAB, 0xCD, 0x4E, 0x03}},
    };
    for (const Row& r : rows) {
        form->RichEdit1->clearAll();
        edit("Edit76")->setText("00 00 00 00");
        fake.reset();
        fake.queueReply(reply(0x00, r.pupi));
        form->Button34Click();  // disabled in the form: run as a program-made click
        EXPECT_EQ(lines(), (QStringList{at("操作成功   "), "", QString("卡的序列号为：") + r.text, ""}));
        EXPECT_EQ(edit("Edit76")->text(), r.text);
        fake.queueReply(reply(0x00));
        click("Button33");
        auto frames = fake.frames();
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[0], (Bytes{0x02, 0x00, 0x01, 0x0C, 0x0D, 0x03}));
        EXPECT_EQ(frames[1], r.attrib);
    }
    // A failed reset leaves the field as it was.
    fake.queueReply(reply(0x01, {0x83}));
    form->Button34Click();
    EXPECT_EQ(edit("Edit76")->text(), "1234ABCD");
}

TEST_F(Iso14443B, DisabledButtonsIgnoreTheMouseButTheirHandlersWork) {
    click("Button32");
    click("Button34");
    EXPECT_TRUE(fake.frames().empty());
    fake.setDefaultReply(reply(0x00, {0x01, 0x50}));
    form->Button32Click();
    form->Button34Click();
    EXPECT_EQ(fake.frames(), (std::vector<Bytes>{{0x02, 0x00, 0x01, 0x09, 0x08, 0x03},
                                                 {0x02, 0x00, 0x01, 0x0C, 0x0D, 0x03}}));
    EXPECT_EQ(lines().mid(0, 4),
              (QStringList{at("操作成功   "), "", "卡片复位数据的长度为:01", "返回操作后的数据为:50"}));
}

TEST_F(Iso14443B, TransparentSendFrames) {
    struct Row {
        const char* name;
        const char* data;
        const char* address;
        Bytes frame;
    } rows[] = {
        {"default REQB", "05 00 00", "00", {0x02, 0x00, 0x05, 0x0D, 0x03, 0x05, 0x00, 0x00, 0x0E, 0x03}},
        {"empty", "", "00", {0x02, 0x00, 0x02, 0x0D, 0x00, 0x0F, 0x03}},
        {"lower case, no blanks", "1d41300a10", "00",
         {0x02, 0x00, 0x07, 0x0D, 0x05, 0x1D, 0x41, 0x30, 0x0A, 0x10, 0x79, 0x03}},
        {"address 0a counts in the check byte", "05 00 00", "0a",
         {0x02, 0x0A, 0x05, 0x0D, 0x03, 0x05, 0x00, 0x00, 0x04, 0x03}},
    };
    for (const Row& r : rows) {
        fake.reset();
        form->setadd->setCurrentText(r.address);
        edit("Edit77")->setText(r.data);
        fake.queueReply(reply(0x00));
        click("Button36");
        EXPECT_EQ(fake.frames(), std::vector<Bytes>{r.frame}) << r.name;
    }

    // The largest data that a frame holds goes out whole: 248 bytes, a frame of 255.
    fake.reset();
    form->setadd->setCurrentText("00");
    edit("Edit77")->setText(QString("A5").repeated(248));
    fake.queueReply(reply(0x00));
    click("Button36");
    Bytes f = lastFrame();
    ASSERT_EQ(f.size(), 255u);
    EXPECT_EQ(f[2], 250);
    EXPECT_EQ(f[4], 248);
    EXPECT_EQ(f[253], 0x00 ^ 250 ^ 0x0D ^ 248) << "248 A5 bytes cancel out";
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(Iso14443B, TransparentSendThatNoFrameHoldsIsRefused) {
    struct Row {
        QString data;
        QString line;
    } rows[] = {
        {QString("00").repeated(249), at("发送数据超过248个字节，没有发送   ")},
        {"05 00 0", at("发送数据的十六进制位数为奇数，没有发送   ")},
        {"5", at("发送数据的十六进制位数为奇数，没有发送   ")},
    };
    for (const Row& r : rows) {
        form->RichEdit1->clearAll();
        edit("Edit77")->setText(r.data);
        click("Button36");
        EXPECT_TRUE(fake.frames().empty()) << r.data.toStdString();
        EXPECT_EQ(lines(), (QStringList{r.line, ""})) << r.data.toStdString();
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(Iso14443B, TransparentSendVerdictsUseItsOwnErrorTexts) {
    struct Row {
        const char* name;
        Bytes reply;  // empty: the read delivers nothing
        QStringList lines;
    } rows[] = {
        {"success", {0x02, 0x00, 0x04, 0x00, 0x50, 0x12, 0x34, 0x72, 0x03},
         {at("操作成功   "), "操作后的数据串为：501234", ""}},
        {"success without data", reply(0x00), {at("操作成功   "), "操作后的数据串为：", ""}},
        {"card not present", {0x02, 0x00, 0x02, 0x01, 0x83, 0x80, 0x03}, {at("操作失败   "), "卡不存在....", ""}},
        {"another status, same code", reply(0x05, {0x83}), {at("操作失败   "), "卡不存在....", ""}},
        {"unknown command in its own words", {0x02, 0x00, 0x02, 0x01, 0x8F, 0x8C, 0x03},
         {at("操作失败   "), "Reader received unknown command....", ""}},
        {"80 in its own words", reply(0x01, {0x80}), {at("操作失败   "), "参数设置成功.....", ""}},
        {"code it lacks adds nothing", reply(0x01, {0x01}), {at("操作失败   ")}},
        {"no reply", {}, {at("操作失败   "), "无数据接收..", ""}},
    };
    for (const Row& r : rows) {
        form->RichEdit1->clearAll();
        if (r.reply.empty())
            fake.queueEmptyRead();
        else
            fake.queueReply(r.reply);
        click("Button36");
        EXPECT_EQ(lines(), r.lines) << r.name;
    }

    // Where the page's card request gives the reader table's text for 8F.
    form->RichEdit1->clearAll();
    fake.queueReply({0x02, 0x00, 0x02, 0x01, 0x8F, 0x8C, 0x03});
    click("Button31");
    EXPECT_EQ(lines().value(1), "读写设备接收到了未定义的命令.....");

    // A failed write: the transfer's line, then the failure and no-data lines.
    form->RichEdit1->clearAll();
    fake.queueWriteResult(1);
    click("Button36");
    EXPECT_EQ(lines(), (QStringList{"data error,please check Device Connection...", at("操作失败   "),
                                    "无数据接收..", ""}));
}

// ---- continuous modes ------------------------------------------------------------------

// Runs `act` once, as soon as `ready` holds; tested every few milliseconds while events are
// dispatched, that is inside a running loop's waits. Owned by the test, so it ends with it.
class Once : public QTimer {
public:
    Once(std::function<bool()> ready, std::function<void()> act) {
        connect(this, &QTimer::timeout, [this, ready, act] {
            if (!ready()) return;
            stop();
            act();
        });
        start(5);
    }
};

TEST_F(Iso14443B, CardRequestLoopEndsAtAPageChange) {
    fake.setDefaultReply(reply(0x00, {0x01, 0x50}));
    int atChange = -1;
    Once change([&] { return fake.frameCount() >= 3; }, [&] {
        atChange = fake.frameCount();
        pickPage(6);
    });
    // Should the page change not end the loop, this ends it so that the test fails, not hangs.
    QElapsedTimer t;
    t.start();
    Once guard([&] { return t.elapsed() > 20000; }, [&] { control("CheckBox11")->setChecked(false); });
    clickLoopBox("CheckBox11");  // runs until the page change unchecks it
    EXPECT_LT(t.elapsed(), 20000);
    EXPECT_EQ(form->PageControl1->currentIndex(), 6);
    EXPECT_FALSE(control("CheckBox11")->isChecked());
    EXPECT_GE(atChange, 3);
    EXPECT_EQ(fake.frameCount(), atChange) << "the pass under way finishes, no more";
    for (const Bytes& f : fake.frames()) EXPECT_EQ(f, (Bytes{0x02, 0x00, 0x01, 0x09, 0x08, 0x03}));
    QTest::qWait(150);
    EXPECT_EQ(fake.frameCount(), atChange);
}

TEST_F(Iso14443B, FileIdReadLoopGoesOnAcrossAPageChange) {
    const int interval = 50;
    form->Edit22->setText(QString::number(interval));
    fake.setDefaultReply(reply(0x00, {0x08, 1, 2, 3, 4, 5, 6, 7, 8}));
    int atChange = -1;
    bool checkedAfterChange = false;
    Once change([&] { return fake.frameCount() >= 2; }, [&] {
        pickPage(6);
        atChange = fake.frameCount();
        checkedAfterChange = control("CheckBox14")->isChecked();
    });
    Once stop([&] { return atChange > 0 && fake.frameCount() >= atChange + 3; },
              [&] { control("CheckBox14")->setChecked(false); });
    QElapsedTimer t;
    t.start();
    clickLoopBox("CheckBox14");  // runs until its box is unchecked
    EXPECT_EQ(form->PageControl1->currentIndex(), 6);
    EXPECT_TRUE(checkedAfterChange) << "the page change leaves this box as it is";
    EXPECT_EQ(fake.frameCount(), atChange + 3) << "passes went on after the page change";
    // Each pass waits the full interval, although every read stored a reply at once.
    EXPECT_GE(t.elapsed(), (fake.frameCount() - 1) * interval);
    for (const Bytes& f : fake.frames()) EXPECT_EQ(f, (Bytes{0x02, 0x00, 0x01, 0x27, 0x26, 0x03}));
    EXPECT_TRUE(lines().contains("返回卡号为:0102030405060708"));
}

TEST_F(Iso14443B, IdNumberBoxAloneStartsNoLoop) {
    // Its click runs the MIFARE Classic page's continuous read, which needs that page's box.
    QElapsedTimer t;
    t.start();
    click("CheckBox13");
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_TRUE(control("CheckBox13")->isChecked());
    QTest::qWait(100);
    EXPECT_TRUE(fake.frames().empty());
    EXPECT_TRUE(lines().isEmpty());
}

// ---- against the simulated reader -------------------------------------------------------

class Iso14443BSimulated : public Iso14443B {
protected:
    void SetUp() override {
        Iso14443B::SetUp();
        platform::setLibraryFolder(SIM_USB_DIR);
    }
};

TEST_F(Iso14443BSimulated, RequestResetAttribAndTransparentSends) {
    click("Button31");
    edit("Edit76")->setText("11 22 33 44");
    click("Button33");
    form->Button34Click();
    click("Button33");
    click("Button36");  // REQB passed through
    edit("Edit77")->setText("50 41 30 0A 10");  // HLTB: the card halts
    click("Button36");
    click("Button31");
    edit("Edit77")->setText("99");
    click("Button36");
    form->Button34Click();  // the field reset wakes it
    click("Button31");
    EXPECT_EQ(lines(), (QStringList{
                           at("操作成功   "), "", "卡片复位数据的长度为:0C",
                           "返回操作后的数据为:5041300A1000000000008171", "",
                           at("操作失败   "), "卡不存在....", "",
                           at("操作成功   "), "", "卡的序列号为：41300A10", "",
                           at("操作成功、复位成功   "), "",
                           at("操作成功   "), "操作后的数据串为：5041300A1000000000008171", "",
                           at("操作成功   "), "操作后的数据串为：00", "",
                           at("操作失败   "), "卡不存在....", "",
                           at("操作失败   "), "卡不存在....", "",
                           at("操作成功   "), "", "卡的序列号为：41300A10", "",
                           at("操作成功   "), "", "卡片复位数据的长度为:0C",
                           "返回操作后的数据为:5041300A1000000000008171", ""}));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(Iso14443BSimulated, ResidentIdentityCardReads) {
    click("Button19");
    click("Button22");
    EXPECT_EQ(lines(), (QStringList{at("操作成功   "), "返回卡号为:1122334455667788", "",
                                    at("操作成功   "), "返回卡号为:202601100A0B0C0D", ""}));
}

}  // namespace
