// Vorcard-zh's windows as the operator sees them: page order and captions, which tabs show,
// where the controls sit, the controls this build does not have, and its captions.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QStatusBar>
#include <QTabBar>
#include <QTextEdit>

#include "gui/TForm2.h"
#include "gui/TForm3.h"
#include "zhoperator.h"

namespace {

using ZhLayout = ZhOperator;

struct Caption {
    const char* control;
    const char* text;
};

// The captions of this build that differ from Vorcard's, trailing blanks included.
const Caption kCaptions[] = {
    {"MenuItem1", "清空"},
    {"MenuItem2", "保存"},
    {"N15", "撤消"},
    {"N20", "全选"},
    {"N17", "剪切"},
    {"N18", "复制"},
    {"N19", "粘贴..."},
    {"GroupBox1", "通讯信息"},
    {"Label1", "通讯COM口："},
    {"Label2", "波特率选择："},
    {"Button1", "COM打开"},
    {"Button2", "COM关闭"},
    {"GroupBox27", " 输出格式设置 "},
    {"Label114", "个字节       "},
    {"Label115", "00 表示输出全部卡号        "},
    {"RadioButton5", "10位16进制（5字节16进制）"},
    {"RadioButton6", "8位16进制"},
    {"RadioButton7", "00+8位10进制（id后3字节转换）"},
    {"RadioButton8", "8位16进制反向输出"},
    {"RadioButton9", "8位10进制（id后3字节转换）"},
    {"RadioButton10", "18位10进制（卡上全部数字）"},
    {"RadioButton11", "8位10进制（卡上后8位）"},
    {"RadioButton12", "5位10进制（卡上后5位）"},
    {"RadioButton13", "8位10进制（id后4字节转换）"},
    {"RadioButton14", "10位10进制反向输出（id后4字节转换）"},
    {"RadioButton15", "13位10进制（id5字节转10进制）"},
    {"RadioButton16", "10位10进制（id后4字节转换）"},
    {"CheckBox15", "数据后面加回车"},
    {"CheckBox16", "数据前面加 ; 号  "},
    {"RadioButton17", "2H4D + 2H4D "},
    {"CheckBox17", "数据后面加?号  "},
    {"CheckBox18", "中间加逗号"},
    {"RadioButton21", "正向所有卡号 12-7-4 BYTE"},
    {"RadioButton22", "反向所有卡号 12-7-4 BYTE"},
    {"RadioButton29", "GS1格式输出（sgtin-96）"},
    {"RadioButton34", "卡号转换成ASCII输出"},
    {"RadioButton35", "卡号16进制输出"},
    {"CheckBox21", "数据后面加RSSI"},
    {"Label85", "恢复出厂：   "},
    {"Label96", "读卡器状态：      "},
    {"Label99", "格式设置：   "},
    {"Label109", "读版本号： "},
    {"Label130", "蜂鸣器声音设置：    "},
    {"Label79", "125K 和 13.56M开关  "},
    {"Button57", "恢复出厂"},
    {"Button28", "被动读卡"},
    {"Button24", "设置格式"},
    {"Button25", "读取格式"},
    {"Button27", "主动读卡"},
    {"Button63", "版本号"},
    {"Button64", "打开声音"},
    {"Button78", "关闭声音"},
    {"Button79", "打开"},
    {"Button80", "关闭"},
    {"GroupBox29", "前后缀设置"},
    {"Label60", "第一个字节      "},
    {"Label68", "第一个字节      "},
    {"Label61", "第二个字节      "},
    {"Label70", "第二个字节      "},
    {"Label62", "第三个字节      "},
    {"Label71", "第三个字节      "},
    {"Label65", "第四个字节      "},
    {"Label73", "第四个字节      "},
    {"Label64", "前缀：   "},
    {"Label67", "后缀：   "},
    {"Button43", "前缀设置"},
    {"Button50", "后缀设置"},
    {"GroupBox30", "915M机器信息"},
    {"Label74", "寻卡时间间隔：   "},
    {"Label75", "范围 ：00~255，单位是10毫秒               "},
    {"Label76", "卡片过滤次数：   "},
    {"Label78", "范围  00~255 ,00一直输出   "},
    {"Label80", "设置波特率:      "},
    {"Label81", "（要设置的波特率）              "},
    {"Label83", "串口输出结束符：   "},
    {"Label84", "00 无, 01表示 0D,  02表示 0D0A      "},
    {"Label107", "射频输出功率设置：   "},
    {"Label108", "00~09，表示12.5db~26db       "},
    {"RadioButton26", "韦根关"},
    {"RadioButton25", "韦根开"},
    {"RadioButton23", "串口开"},
    {"RadioButton24", "串口关"},
    {"RadioButton28", "USB关"},
    {"RadioButton27", "USB开"},
    {"GroupBox41", "维根设置"},
    {"Label63", "维根输出格式：   "},
    {"Label92", "12字节卡号，取值的第几位              "},
    {"Label90", "维根取值位置：   "},
    {"Label93", "维根低电平脉宽范围(0x01~0xFF) 单位10US              "},
    {"Label95", "维根空闲电平脉宽(0x01~0xFF) 单位100US        "},
    {"Button30", "设置"},
    {"Button35", "设置"},
    {"Button41", "设置"},
    {"Button51", "设置"},
    {"Button56", "设置"},
    {"Button62", "设置"},
    {"Button58", "设置"},
    {"Button59", "设置"},
    {"Button60", "设置"},
    {"Button61", "设置"},
    {"GroupBox35", "EPC自动写卡"},
    {"Label110", "毫秒   "},
    {"Label111", "写卡等待时间:        "},
    {"Label112", "每次累加      "},
    {"Label113", "访问密码(16进制):   "},
    {"Button65", "读EPC号"},
    {"Button66", "写卡"},
    {"Button67", "读卡"},
    {"CheckBox20", "自动发卡  "},
    {"Button70", "清除界面"},
    {"Forward", "正加"},
    {"reverse", "反加"},
    {"GroupBox36", "读卡模式切换"},
    {"Label116", "扇区   "},
    {"Label117", "密码   "},
    {"Label118", "地址   "},
    {"Label119", "长度     "},
    {"RadioButton30", "主动-寻单张卡EPC号                 "},
    {"RadioButton31", "被动读写器模式                 "},
    {"RadioButton32", "主动-寻多张卡EPC号        "},
    {"RadioButton33", "主动-读TID号 "},
    {"RadioButton36", "主动读取存储扇区"},
    {"Button69", "设置"},
    {"Button72", "扇区结构"},
    {"GroupBox38", "通讯信息"},
    {"Label122", "通讯COM口："},
    {"Label123", "波特率选择："},
    {"Label125", "切换成USB_HID模式：       "},
    {"Label124", "切换成USB键盘输出： "},
    {"Label121", "USB键盘模式切换：  "},
    {"Label120", "切换成USB虚拟串口：   "},
    {"Label126", "长度     "},
    {"Label127", "地址   "},
    {"Label128", "密码   "},
    {"Label129", "扇区   "},
    {"RadioButton39", "主动-寻单张卡EPC号                 "},
    {"RadioButton40", "被动读写器模式                 "},
    {"RadioButton41", "主动-寻多张卡EPC号        "},
    {"RadioButton42", "主动-读TID号 "},
    {"RadioButton43", "主动读取存储扇区"},
    {"Button75", "设置"},
    {"Button76", "设置"},
    {"Button71", "设置"},
    {"Button77", "扇区结构"},
    {"RadioButton4", "串口调试状态状态"}
};

QString captionOf(const QObject* o) {
    if (auto* b = qobject_cast<const QAbstractButton*>(o)) return b->text();
    if (auto* l = qobject_cast<const QLabel*>(o)) return l->text();
    if (auto* g = qobject_cast<const QGroupBox*>(o)) return g->title();
    if (auto* a = qobject_cast<const QAction*>(o)) return a->text();
    return QStringLiteral("<no caption>");
}

TEST_F(ZhLayout, PagesInOrderWithTheirCaptionsAndTabs) {
    struct Page {
        const char* sheet;
        const char* caption;
        bool shown;
    } pages[] = {
        {"TabSheet1", "输出格式", true},   {"TabSheet7", "机器功能设置", true}, {"TabSheet8", "写卡和配置", true},
        {"TabSheet4", "系统命令", false}, {"TabSheet2", "S50/S70", false},    {"TabSheet3", "Ultralight", false},
        {"TabSheet5", "ISO14443B", false}, {"TabSheet6", "ISO15693", false}, {"TabSheet9", "串口功能", true},
    };
    QTabWidget* tabs = form->PageControl1;
    ASSERT_EQ(tabs->count(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(tabs->widget(i)->objectName(), pages[i].sheet) << i;
        EXPECT_EQ(tabs->tabText(i), QString::fromUtf8(pages[i].caption)) << i;
        EXPECT_EQ(tabs->isTabVisible(i), pages[i].shown) << pages[i].sheet;
    }
    EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST_F(ZhLayout, ControlsThisBuildDoesNotHave) {
    EXPECT_EQ(form->TabSheet10, nullptr);
    EXPECT_EQ(form->StringGrid1, nullptr);
    EXPECT_EQ(form->Edit73, nullptr);
    EXPECT_EQ(form->Edit74, nullptr);
    for (const char* name : {"TabSheet10", "StringGrid1", "Edit73", "Edit74", "GroupBox42", "Label131", "Label132",
                             "Label133", "Label134", "Label135"})
        EXPECT_EQ(form->findChild<QObject*>(name), nullptr) << name;
}

TEST_F(ZhLayout, GroupsAndWhereTheirControlsSit) {
    struct Place {
        const char* control;
        const char* group;
        const char* sheet;
        bool shown;
    } places[] = {
        {"ComboBox1", "GroupBox1", "TabSheet1", false},   {"ComboBox2", "GroupBox1", "TabSheet1", false},
        {"Button1", "GroupBox1", "TabSheet1", false},     {"Button2", "GroupBox1", "TabSheet1", false},
        {"setadd", "GroupBox1", "TabSheet1", false},      {"RadioButton18", "GroupBox28", "TabSheet1", false},
        {"RadioButton5", "GroupBox27", "TabSheet1", true}, {"Edit64", "GroupBox27", "TabSheet1", true},
        {"Button57", "GroupBox34", "TabSheet1", true},    {"Button63", "GroupBox34", "TabSheet1", true},
        {"Button64", "GroupBox34", "TabSheet1", true},    {"Button78", "GroupBox34", "TabSheet1", true},
        {"Button79", "GroupBox34", "TabSheet1", true},    {"Button80", "GroupBox34", "TabSheet1", true},
        {"Label130", "GroupBox34", "TabSheet1", true},    {"Label79", "GroupBox34", "TabSheet1", true},
        {"Edit44", "GroupBox29", "TabSheet7", true},      {"Edit29", "GroupBox30", "TabSheet7", true},
        {"Edit39", "GroupBox41", "TabSheet7", true},      {"Button61", "GroupBox41", "TabSheet7", true},
        {"Button66", "GroupBox35", "TabSheet8", true},    {"Button69", "GroupBox36", "TabSheet8", true},
        {"Memo1", "GroupBox5", "TabSheet9", true},        {"RadioButton37", "GroupBox40", "TabSheet9", true},
        {"ComboBox21", "GroupBox38", "TabSheet9", true},  {"ComboBox22", "GroupBox38", "TabSheet9", true},
        {"Button73", "GroupBox38", "TabSheet9", true},    {"Button74", "GroupBox38", "TabSheet9", true},
        {"Button71", "GroupBox4", "TabSheet9", true},     {"Button77", "GroupBox4", "TabSheet9", true},
        {"Edit69", "GroupBox4", "TabSheet9", true},       {"RadioButton3", "GroupBox39", "TabSheet9", true},
        {"RadioButton4", "GroupBox39", "TabSheet9", true}, {"RadioButton19", "GroupBox39", "TabSheet9", true},
    };
    for (const Place& p : places) {
        auto* w = form->findChild<QWidget*>(p.control);
        ASSERT_NE(w, nullptr) << p.control;
        QWidget* sheet = form->findChild<QWidget*>(p.sheet);
        ASSERT_NE(sheet, nullptr) << p.sheet;
        QWidget* group = w->parentWidget();
        while (group && group->objectName() != QLatin1String(p.group)) group = group->parentWidget();
        ASSERT_NE(group, nullptr) << p.control << " in " << p.group;
        EXPECT_TRUE(sheet->isAncestorOf(group)) << p.group << " on " << p.sheet;
        EXPECT_EQ(w->isVisibleTo(sheet), p.shown) << p.control;
    }
    EXPECT_EQ(zh()->ComboBox21, form->findChild<QComboBox*>("ComboBox21"));
    EXPECT_TRUE(form->RadioButton3->isChecked());
    EXPECT_TRUE(form->RadioButton37->isChecked());
}

// On every page that shows, no two visible controls of one parent overlap, and each lies
// within its parent.
TEST_F(ZhLayout, NothingOverlaps) {
    QTabWidget* tabs = form->PageControl1;
    for (int i = 0; i < tabs->count(); ++i) {
        if (!tabs->isTabVisible(i)) continue;
        form->setActivePage(i);
        QWidget* sheet = tabs->widget(i);
        const QList<QWidget*> all = sheet->findChildren<QWidget*>();
        for (QWidget* parent : all + QList<QWidget*>{sheet}) {
            if (!parent->isVisibleTo(sheet) && parent != sheet) continue;
            if (qobject_cast<QAbstractScrollArea*>(parent) || qobject_cast<QComboBox*>(parent) ||
                qobject_cast<QLineEdit*>(parent))
                continue;  // their inner parts
            QList<QWidget*> kids;
            for (QObject* o : parent->children())
                if (auto* k = qobject_cast<QWidget*>(o); k && k->isVisibleTo(sheet)) kids << k;
            for (int a = 0; a < kids.size(); ++a) {
                EXPECT_TRUE(parent->rect().contains(kids[a]->geometry()))
                    << kids[a]->objectName().toStdString() << " outside " << parent->objectName().toStdString()
                    << " " << parent->width() << "x" << parent->height();
                for (int b = a + 1; b < kids.size(); ++b)
                    EXPECT_FALSE(kids[a]->geometry().intersects(kids[b]->geometry()))
                        << kids[a]->objectName().toStdString() << " / " << kids[b]->objectName().toStdString();
            }
        }
    }
}

TEST_F(ZhLayout, CaptionsOfThisBuild) {
    for (const Caption& c : kCaptions) {
        QObject* o = form->findChild<QObject*>(QString::fromUtf8(c.control));
        ASSERT_NE(o, nullptr) << c.control;
        EXPECT_EQ(captionOf(o), QString::fromUtf8(c.text)) << c.control;
    }
    EXPECT_EQ(form->windowTitle(), "QUIRN 专注.专业. RFID物联网 软件 V1.1");
    EXPECT_EQ(form->StatusPanels[2]->text(), "QUIRN 专注.专业. RFID物联网");
    EXPECT_EQ(form->StatusPanels[2]->width(), 300);
    EXPECT_EQ(form->StatusPanels[0]->text(), "  RFID");
    EXPECT_EQ(form->Memo1->toPlainText(), "BB 00 C3 00 00 C3 7E");
    EXPECT_EQ(form->CheckBox20->text(), "自动发卡  ");
}

TEST_F(ZhLayout, AboutBoxAndMemoryLayoutWindow) {
    const QStringList history{" 版本更新记录：",
                              "1.6版本  增加GS1格式的读卡功能",
                              "1.7版本  增加TID 和 多卡识读功能",
                              "1.8版本  增加USB透传 和 USB调试功能，支持USB数据发送和接收",
                              "1.9版本  增加不同长度的EPC号码的读卡",
                              "2.0版本  增加不同长度的EPC号码的写卡",
                              "2.1版本  测试调试版本",
                              "2.2版本  增加存储扇区的读卡，可以指定任意扇区",
                              "2.3版本  增加虚拟串口切换",
                              "2.4版本  增加显示RSSI功能",
                              "2.5版本  增加自动累加，自动写卡功能",
                              "2.6版本  增加串口接收显示，增加USB_COM切换成USB_HID"};
    QStringList shown;
    console::setModalRunner([&](QDialog* d) {
        shown << d->windowTitle();
        // Vorcard's inner sizes, fixed.
        const QSize inner = d->findChild<QTextEdit*>() ? QSize(440, 230) : QSize(664, 547);
        EXPECT_EQ(d->size(), inner) << d->windowTitle().toStdString();
        EXPECT_EQ(d->minimumSize(), inner);
        EXPECT_EQ(d->maximumSize(), inner);
        if (auto* box = d->findChild<QTextEdit*>()) {
            EXPECT_FALSE(box->isEnabled());
            EXPECT_EQ(box->geometry(), d->rect()) << "fills the window";
            EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            EXPECT_EQ(box->toPlainText().split('\n'), history);
        }
        if (auto* picture = d->findChild<QLabel*>("Image1")) {
            EXPECT_FALSE(picture->pixmap().isNull());
            EXPECT_EQ(picture->geometry(), d->rect()) << "the picture fills the window";
        }
    });
    form->N5Click();
    click("Button77");
    click("Button72");
    console::setModalRunner(nullptr);
    EXPECT_EQ(shown, (QStringList{"RFID", "卡片存储器结构", "卡片存储器结构"}));
    EXPECT_EQ(Form3, nullptr) << "freed after showing";
    EXPECT_TRUE(errors.isEmpty());
}

}  // namespace
