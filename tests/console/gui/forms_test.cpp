// The form descriptions and the secondary windows: the main form's pages and first-page
// controls as the form sets them up, the shared hidden controls, the about box, and the
// memory-layout window with its picture decoded from the embedded JPEG.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "gui/TForm2.h"
#include "gui/TForm3.h"
#include "gui/jpegimage.h"
#include "gui/logpane.h"
#include "ui_TForm1.h"

static QByteArray embeddedPicture() {
    Q_INIT_RESOURCE(forms);
    QFile file(QString::fromLatin1(TForm3::kPicture));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

namespace {

QString u8(const char* s) { return QString::fromUtf8(s); }

// ---- the picture ------------------------------------------------------------------------

TEST(MemoryMapPicture, IsAProgressiveColourJpegOf663By545) {
    const QByteArray jpeg = embeddedPicture();
    ASSERT_FALSE(jpeg.isEmpty());
    EXPECT_TRUE(jpeg.contains(QByteArray("\xFF\xC2", 2))) << "progressive frame marker (SOF2)";

    const console::DecodedJpeg picture = console::decodeJpeg(jpeg);
    ASSERT_TRUE(picture) << picture.error.toStdString();
    EXPECT_EQ(picture.image.size(), QSize(663, 545));
    EXPECT_EQ(picture.image.format(), QImage::Format_RGB888);

    // White margin, dark title, and each bank's label box in its own colour.
    auto at = [&](int x, int y) { return picture.image.pixelColor(x, y); };
    EXPECT_GT(at(3, 3).lightness(), 245);
    bool darkTitle = false;
    for (int x = 180; x < 480 && !darkTitle; ++x) darkTitle = at(x, 27).lightness() < 90;
    EXPECT_TRUE(darkTitle);
    const QColor reserved = at(30, 112), epc = at(30, 246), tid = at(30, 379), user = at(30, 452);
    EXPECT_GT(reserved.red(), reserved.blue() + 40) << "Reserved is red";
    EXPECT_GT(epc.blue(), epc.red() + 40) << "EPC is blue";
    EXPECT_GT(tid.green(), tid.red() + 30) << "TID is green";
    EXPECT_GT(user.red(), user.blue() + 60) << "User is yellow";
    EXPECT_GT(user.green(), user.blue() + 60) << "User is yellow";
}

TEST(JpegDecoder, BrokenDataIsAnErrorValue) {
    const QByteArray good = embeddedPicture();
    ASSERT_GT(good.size(), 4000);
    QByteArray endInScan = good;
    endInScan.replace(good.size() / 2, 2, QByteArray("\xFF\xD9", 2));
    QByteArray badMarker = good;
    badMarker[3] = '\x00';  // the marker after SOI is no marker

    const struct {
        const char* name;
        QByteArray data;
    } rows[] = {
        {"empty", QByteArray()},
        {"not a JPEG", QByteArray("hello, this is no picture")},
        {"start marker only", QByteArray("\xFF\xD8", 2)},
        {"header only", good.left(600)},
        {"truncated in the scan", good.left(good.size() / 2)},
        {"end marker inside the scan", endInScan},
        {"damaged marker", badMarker},
    };
    for (const auto& row : rows) {
        const console::DecodedJpeg result = console::decodeJpeg(row.data);
        EXPECT_FALSE(result) << row.name;
        EXPECT_FALSE(result.error.isEmpty()) << row.name;
        EXPECT_TRUE(result.image.isNull()) << row.name;
    }
}

// ---- the secondary windows --------------------------------------------------------------

void expectFixedDialog(QDialog& dialog, QSize size) {
    EXPECT_EQ(dialog.size(), size);
    EXPECT_EQ(dialog.minimumSize(), size);
    EXPECT_EQ(dialog.maximumSize(), size);
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
}

TEST(AboutBox, CaptionSizeAndLabel) {
    TForm2 about;
    about.show();
    EXPECT_EQ(about.windowTitle(), "RFID");
    expectFixedDialog(about, QSize(440, 230));  // inner size
    EXPECT_EQ(about.Panel1->size(), QSize(377, 170));
    EXPECT_TRUE(about.rect().contains(about.Panel1->geometry()));
    EXPECT_EQ(about.Panel1->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(about.Label1->text(), "UHF Write Card DEMO V2.7   ");
    EXPECT_EQ(about.Label1->font().pixelSize(), 24);
    EXPECT_TRUE(about.Label1->isVisible());
}

TEST(MemoryLayoutWindow, ShowsThePicture) {
    TForm3 window;
    window.show();
    EXPECT_EQ(window.windowTitle(), "Card memory structure");
    expectFixedDialog(window, QSize(664, 547));  // inner size: the picture control fills it
    EXPECT_EQ(window.Image1->geometry(), QRect(0, 0, 664, 547));
    const QPixmap shown = window.Image1->pixmap();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.size(), QSize(663, 545));
    EXPECT_EQ(shown.toImage().pixelColor(30, 112), console::decodeJpeg(embeddedPicture()).image.pixelColor(30, 112));
}

TEST(MemoryLayoutWindow, BrokenPictureLeavesTheControlEmpty) {
    TForm3 window;
    window.show();
    window.showPicture(embeddedPicture().left(3000));
    EXPECT_TRUE(window.Image1->pixmap().isNull());
    window.showPicture(QByteArray());
    EXPECT_TRUE(window.Image1->pixmap().isNull());
    window.showPicture(embeddedPicture());
    EXPECT_FALSE(window.Image1->pixmap().isNull()) << "a good picture shows again";
}

// ---- the main form as its description sets it up ----------------------------------------

class MainForm : public ::testing::Test {
protected:
    void SetUp() override {
        ui.setupUi(&form);
        form.show();
    }
    template <typename W>
    W* get(const char* name) {
        W* w = form.findChild<W*>(u8(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QWidget form;
    Ui::TForm1 ui;
};

TEST_F(MainForm, FrameAndPagesInOrder) {
    EXPECT_EQ(form.windowTitle(), "Format output  card number V1.1");
    EXPECT_EQ(form.size(), QSize(745, 644));
    EXPECT_EQ(form.font().family(), "MS Sans Serif");
    EXPECT_EQ(form.font().pointSize(), 8);
    EXPECT_EQ(ui.PageControl1->geometry(), QRect(5, 4, 732, 389));

    const struct {
        const char* sheet;
        const char* title;
    } pages[] = {
        {"TabSheet1", "USB reader intelligent setting  "}, {"TabSheet4", "系统命令"},
        {"TabSheet2", "S50/S70"}, {"TabSheet3", "Ultralight"}, {"TabSheet5", "ISO14443B"},
        {"TabSheet6", "ISO15693"}, {"TabSheet7", "Prefix &suffix Data Input"},
        {"TabSheet8", "UHF Write Card"}, {"TabSheet9", "Serial port function"},
        {"TabSheet10", "Wifi Settings"},
    };
    ASSERT_EQ(ui.PageControl1->count(), int(std::size(pages)));
    for (int i = 0; i < ui.PageControl1->count(); ++i) {
        EXPECT_EQ(ui.PageControl1->widget(i)->objectName(), pages[i].sheet) << i;
        EXPECT_EQ(ui.PageControl1->tabText(i), u8(pages[i].title)) << i;
    }
    EXPECT_EQ(ui.PageControl1->currentIndex(), 0);

    EXPECT_EQ(ui.GroupBox2->geometry(), QRect(0, 392, 740, 225));
    EXPECT_EQ(ui.GroupBox2->title(), "");
    EXPECT_EQ(ui.RichEdit1->geometry(), QRect(4, 10, 732, 210));
    EXPECT_NE(qobject_cast<LogPane*>(ui.RichEdit1), nullptr);
    EXPECT_EQ(ui.StatusBar1->geometry(), QRect(0, 617, 745, 27));
}

TEST_F(MainForm, OutputFormatPageControlsAndDefaults) {
    // The eighteen format choices, in the order of the code table.
    const char* radios[][2] = {
        {"RadioButton5", "10 no. in HEX    "}, {"RadioButton6", "8 no. in HEX      "},
        {"RadioButton7", " 00+8 no. in D (last 3 bytes) "}, {"RadioButton8", "8 no. in HEX reverse    "},
        {"RadioButton9", " 8 no. in D (last 3bytes)"}, {"RadioButton10", "18 no. in D"},
        {"RadioButton11", "8 no. in D (last 4 bytes)"}, {"RadioButton12", "5 no. in D"},
        {"RadioButton13", "8 no. in D (last 4 bytes)"}, {"RadioButton14", "10 no. in D reverse   "},
        {"RadioButton15", "13 no. in D"}, {"RadioButton16", "10 no.in D(four byte) "},
        {"RadioButton17", "2H4D "}, {"RadioButton21", "All EPC Card Numberscard number 12-7-4 BYTE"},
        {"RadioButton22", "reverse epc card number 12-7-4 BYTE"}, {"RadioButton29", "GS1 no (sgtin-96)"},
        {"RadioButton34", "Card number converted to ASCII output"},
        {"RadioButton35", "Card number hexadecimal output"},
    };
    EXPECT_EQ(ui.GroupBox27->title(), "output format setting ");
    EXPECT_EQ(ui.GroupBox27->parentWidget(), ui.TabSheet1);
    for (const auto& [name, caption] : radios) {
        auto* r = get<QRadioButton>(name);
        if (!r) continue;
        EXPECT_EQ(r->text(), u8(caption)) << name;
        EXPECT_EQ(r->parentWidget(), ui.GroupBox27) << name << ": one exclusive group";
        EXPECT_EQ(r->isChecked(), std::string(name) == "RadioButton16") << name;
    }
    ui.RadioButton35->click();
    EXPECT_TRUE(ui.RadioButton35->isChecked());
    EXPECT_FALSE(ui.RadioButton16->isChecked()) << "choosing one format drops the other";

    const struct {
        const char* name;
        const char* caption;
        bool checked;
    } boxes[] = {
        {"CheckBox16", "add ;", false}, {"CheckBox17", "add ?  ", false},
        {"CheckBox18", "add , in middle   ", false}, {"CheckBox15", "add \"Enter\"", true},
        {"CheckBox21", "Data followed by RSSI     ", false},
    };
    for (const auto& b : boxes) {
        auto* c = get<QCheckBox>(b.name);
        if (!c) continue;
        EXPECT_EQ(c->text(), u8(b.caption)) << b.name;
        EXPECT_EQ(c->isChecked(), b.checked) << b.name;
        EXPECT_EQ(c->parentWidget(), ui.GroupBox27) << b.name;
    }
    EXPECT_EQ(ui.Edit64->text(), "10");
    EXPECT_EQ(ui.Edit64->parentWidget(), ui.GroupBox27);

    EXPECT_EQ(ui.GroupBox34->title(), "");
    const char* buttons[][2] = {
        {"Button25", "Read"}, {"Button24", "Set"}, {"Button64", "Close voice"},
        {"Button27", "Active reading"}, {"Button28", "Passtive reading"},
        {"Button57", "Fatory default"}, {"Button63", "Version number"},
    };
    for (const auto& [name, caption] : buttons) {
        auto* b = get<QPushButton>(name);
        if (!b) continue;
        EXPECT_EQ(b->text(), u8(caption)) << name;
        EXPECT_EQ(b->parentWidget(), ui.GroupBox34) << name;
        EXPECT_TRUE(b->isEnabled()) << name;
    }

    const struct {
        const char* name;
        const char* text;
        QGroupBox* group;
    } labels[] = {
        {"Label_Byte", "Byte       ", ui.GroupBox27},
        {"Label_OutputAll", "00 Output all card numbers  ", ui.GroupBox27},
        {"Label_FormatSetting", "Format setting   ", ui.GroupBox34},
        {"Label_ReaderType", "Reader type      ", ui.GroupBox34},
        {"Label_FactoryDefault", "Factory default：   ", ui.GroupBox34},
        {"Label_ReadingVersion", "Reading version:  ", ui.GroupBox34},
    };
    for (const auto& l : labels) {
        auto* label = get<QLabel>(l.name);
        if (!label) continue;
        EXPECT_EQ(label->text(), u8(l.text)) << l.name;
        EXPECT_EQ(label->parentWidget(), l.group) << l.name;
    }
    for (const char* name : {"Panel22", "Panel23", "Panel40", "Panel41"}) {
        if (auto* p = get<QFrame>(name)) {
            EXPECT_EQ(p->parentWidget(), ui.GroupBox27) << name;
        }
    }
    for (const char* name : {"Panel33", "Panel34", "Panel44", "Panel45"}) {
        if (auto* p = get<QFrame>(name)) {
            EXPECT_EQ(p->parentWidget(), ui.GroupBox34) << name;
        }
    }
}

// Every control of the first page lies inside its group and none covers another.
TEST_F(MainForm, OutputFormatPageControlsDoNotOverlap) {
    for (QGroupBox* group : {ui.GroupBox27, ui.GroupBox34}) {
        EXPECT_TRUE(ui.TabSheet1->rect().contains(group->geometry())) << group->objectName().toStdString();
        const QList<QWidget*> kids = group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (int i = 0; i < kids.size(); ++i) {
            const std::string a = kids[i]->objectName().toStdString();
            EXPECT_TRUE(group->rect().contains(kids[i]->geometry())) << a;
            for (int j = i + 1; j < kids.size(); ++j)
                EXPECT_FALSE(kids[i]->geometry().intersects(kids[j]->geometry()))
                    << a << " and " << kids[j]->objectName().toStdString();
        }
    }
}

TEST_F(MainForm, SharedHiddenControlsOfTheSerialPage) {
    auto* setadd = get<QComboBox>("setadd");
    ASSERT_NE(setadd, nullptr);
    EXPECT_EQ(setadd->parentWidget(), ui.TabSheet9);
    EXPECT_TRUE(setadd->isHidden());
    EXPECT_FALSE(setadd->isEditable());
    ASSERT_EQ(setadd->count(), 33);
    for (int i = 0; i < setadd->count(); ++i)
        EXPECT_EQ(setadd->itemText(i), QStringLiteral("%1").arg(i, 2, 16, QLatin1Char('0'))) << i;
    EXPECT_EQ(setadd->itemText(10), "0a");
    EXPECT_EQ(setadd->itemText(32), "20");

    EXPECT_TRUE(ui.Label77->isHidden());
    EXPECT_EQ(ui.Label77->text(), u8("当前机器ID号：  "));

    EXPECT_TRUE(ui.GroupBox4->isHidden());
    EXPECT_EQ(ui.GroupBox4->title(), u8("读卡状态切换"));
    EXPECT_EQ(ui.GroupBox28->parentWidget(), ui.TabSheet9);
    EXPECT_TRUE(ui.GroupBox28->isHidden());
    EXPECT_EQ(ui.GroupBox28->title(), u8("蜂鸣器 "));
    const struct {
        QRadioButton* radio;
        QGroupBox* group;
        const char* caption;
        bool checked;
    } radios[] = {
        {ui.RadioButton3, ui.GroupBox4, "读写状态", true},
        {ui.RadioButton4, ui.GroupBox4, "USB数据调试状态状态            ", false},
        {ui.RadioButton19, ui.GroupBox4, "自动检测卡状态", false},
        {ui.RadioButton18, ui.GroupBox28, "大蜂鸣器", true},
        {ui.RadioButton20, ui.GroupBox28, "小蜂鸣器", false},
    };
    for (const auto& r : radios) {
        const std::string name = r.radio->objectName().toStdString();
        EXPECT_EQ(r.radio->text(), u8(r.caption)) << name;
        EXPECT_EQ(r.radio->parentWidget(), r.group) << name;
        EXPECT_EQ(r.radio->isChecked(), r.checked) << name;
    }
    // The two groups are separate choices: the debug switch leaves the buzzer alone.
    ui.RadioButton4->setChecked(true);
    EXPECT_FALSE(ui.RadioButton3->isChecked());
    EXPECT_TRUE(ui.RadioButton18->isChecked());
}

}  // namespace
