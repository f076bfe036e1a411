// The device settings page, clicked through against the fake USB library and the simulated
// reader.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "operator.h"
#include "pagecheck.h"
#include "platform/library.h"
#include "usb/sim/sim_reader.h"

namespace {

class DeviceSettings : public Operator {
protected:
    void SetUp() override {
        Operator::SetUp();
        form->setActivePage(6);
    }
    void type(const char* edit, const char* text) { control<QLineEdit>(edit)->setText(QString::fromUtf8(text)); }
    // Clicks with a success reply queued and gives the frame written.
    Bytes clickOk(const char* button) {
        fake.queueReply(FakeUsb::makeReply(0x00, 0x00, {}));
        click(button);
        return lastFrame();
    }
    static Bytes frame(Bytes data) { return usb::buildFrame(0x00, data[0], Bytes(data.begin() + 1, data.end())); }
};

struct Command {
    const char* button;
    Bytes data;  // with the page's defaults
    const char* success;
    const char* failure;
};

const Command kCommands[] = {
    {"Button30", {0xC1, 0x0A}, "search card interval success     ", "search card interval false     "},
    {"Button35", {0xC2, 0x0A}, "Set card filter number Success     ", "Set card filter number false     "},
    {"Button41", {0xC3, 0x01, 0x01, 0x01}, "output interface setting  Success    ", "output interface setting false     "},
    {"Button51", {0xC4, 0x00}, "Setting baud rate Success     ", "Setting baud rate False     "},
    {"Button56", {0xC5, 0x02}, "Serial port end symbol Success     ", "Serial port end symbol false     "},
    {"Button62", {0xCC, 0x02}, "Set RF power Success     ", "Set RF power False     "},
    {"Button43", {0xCB, 0x01, 0x30, 0x31, 0x32, 0x33}, "Set prefix Success    ", "Set prefix False    "},
    {"Button50", {0xCB, 0x02, 0x31, 0x32, 0x33, 0x34}, "Suffix setting Success     ", "Suffix setting false     "},
    {"Button58", {0xC6, 0x00}, "Wiegand output format success     ", "Wiegand output format false    "},
    {"Button59", {0xC9, 0x09}, "Set Wiegand value position success     ", "Set Wiegand value position false     "},
    {"Button60", {0xC7, 0x0A}, "Set wiegand Low level pulse Success     ", "Set wiegand Low level pulse False     "},
    {"Button61", {0xC8, 0x0A}, "Set Wiegand Idle level Success     ", "Set Wiegand Idle level fasle     "},
};

TEST_F(DeviceSettings, EveryButtonWithTheDefaultsFrameAndVerdicts) {
    for (const Command& c : kCommands) {
        form->RichEdit1->clearAll();
        fake.reset();
        fake.queueReply(FakeUsb::makeReply(0x00, 0x00, {}));
        click(c.button);
        fake.queueReply(FakeUsb::makeReply(0x00, 0x01, {0x85}));
        click(c.button);
        fake.queueReply(FakeUsb::makeReply(0x00, 0x02, {}));
        click(c.button);
        fake.queueEmptyRead();
        click(c.button);
        ASSERT_EQ(fake.frameCount(), 4) << c.button;
        EXPECT_EQ(fake.frames()[0], frame(c.data)) << c.button;
        EXPECT_EQ(lines(), (QStringList{QString::fromUtf8(c.success) + kTime, "",
                                        QString::fromUtf8(c.failure) + kTime, "输入参数或者输入命令格式错误....", "",
                                        QString("data error,please check data..   ") + kTime, "",
                                        QString("Data error,no data recevice..   ") + kTime, ""}))
            << c.button;
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(DeviceSettings, WorkedFrames) {
    EXPECT_EQ(clickOk("Button30"), (Bytes{0x02, 0x00, 0x02, 0xC1, 0x0A, 0xC9, 0x03}));
    EXPECT_EQ(clickOk("Button41"), (Bytes{0x02, 0x00, 0x04, 0xC3, 0x01, 0x01, 0x01, 0xC6, 0x03}));
    EXPECT_EQ(clickOk("Button51"), (Bytes{0x02, 0x00, 0x02, 0xC4, 0x00, 0xC6, 0x03}));
    EXPECT_EQ(clickOk("Button43"), (Bytes{0x02, 0x00, 0x06, 0xCB, 0x01, 0x30, 0x31, 0x32, 0x33, 0xCC, 0x03}));
    EXPECT_EQ(clickOk("Button50"), (Bytes{0x02, 0x00, 0x06, 0xCB, 0x02, 0x31, 0x32, 0x33, 0x34, 0xCB, 0x03}));
    EXPECT_EQ(clickOk("Button60"), (Bytes{0x02, 0x00, 0x02, 0xC7, 0x0A, 0xCF, 0x03}));
}

TEST_F(DeviceSettings, FieldValuesAtTheEndsOfTheirRange) {
    const struct {
        const char* edit;
        const char* button;
        const char* text;
        Bytes data;
    } rows[] = {
        {"Edit29", "Button30", "255", {0xC1, 0xFF}}, {"Edit29", "Button30", "0", {0xC1, 0x00}},
        {"Edit35", "Button35", "255", {0xC2, 0xFF}}, {"Edit37", "Button56", "0", {0xC5, 0x00}},
        {"Edit52", "Button62", "11", {0xCC, 0x0B}},  {"Edit39", "Button58", "3", {0xC6, 0x03}},
        {"Edit40", "Button59", "255", {0xC9, 0xFF}}, {"Edit42", "Button60", "FF", {0xC7, 0xFF}},
        {"Edit42", "Button60", "0a", {0xC7, 0x0A}},  {"Edit42", "Button60", "A", {0xC7, 0x0A}},
        {"Edit51", "Button61", "00", {0xC8, 0x00}},  {"Edit51", "Button61", "ff", {0xC8, 0xFF}},
    };
    for (const auto& r : rows) {
        type(r.edit, r.text);
        EXPECT_EQ(clickOk(r.button), frame(r.data)) << r.edit << " " << r.text;
    }
    EXPECT_TRUE(errors.isEmpty());
}

// A number that is no byte, and a prefix or suffix edit that is neither empty nor two hex
// digits: a message in the error box, nothing sent.
TEST_F(DeviceSettings, FieldsThatHoldNoByteAreRefusedBeforeSending) {
    const struct {
        const char* edit;
        const char* button;
        const char* text;
        const char* message;
    } rows[] = {
        {"Edit29", "Button30", "256", "Search card interval: 256 is out of range, enter a number from 0 to 255"},
        {"Edit35", "Button35", "-1", "Card filter number: -1 is out of range"},
        {"Edit37", "Button56", "1000", "out of range"},
        {"Edit52", "Button62", "2147483647", "out of range"},
        {"Edit39", "Button58", "abc", "'abc' is not a valid integer value"},
        {"Edit40", "Button59", "", "'' is not a valid integer value"},
        {"Edit42", "Button60", "100", "Wiegand low level pulse width: 100 is out of range, enter a hexadecimal value from 00 to FF"},
        {"Edit51", "Button61", "FFFFFFFF", "out of range"},
        {"Edit42", "Button60", "0x10", "'$0x10' is not a valid integer value"},
        {"Edit51", "Button61", "G1", "'$G1' is not a valid integer value"},
        {"Edit51", "Button61", "", "'$' is not a valid integer value"},
        {"Edit42", "Button60", "1FFFFFFFF", "is not a valid integer value"},
        {"Edit25", "Button43", "3", "Prefix byte 2: \"3\" is not one byte, enter two hex digits or leave it empty"},
        {"Edit27", "Button43", "303", "Prefix byte 4: \"303\""},
        {"Edit24", "Button43", "zz", "Prefix byte 1"},
        {"Edit46", "Button50", " 3", "Suffix byte 3: \" 3\""},
        {"Edit44", "Button50", "0x", "Suffix byte 1"},
    };
    for (const auto& r : rows) {
        errors.clear();
        const QString before = control<QLineEdit>(r.edit)->text();
        type(r.edit, r.text);
        click(r.button);
        ASSERT_EQ(errors.size(), 1) << r.edit << " " << r.text;
        EXPECT_TRUE(errors[0].contains(QString::fromUtf8(r.message))) << errors[0].toStdString();
        control<QLineEdit>(r.edit)->setText(before);
    }
    EXPECT_TRUE(fake.frames().empty());
    EXPECT_TRUE(lines().isEmpty());
}

TEST_F(DeviceSettings, PrefixAndSuffixEdits) {
    for (const char* e : {"Edit24", "Edit25", "Edit26", "Edit27"}) type(e, "");
    EXPECT_EQ(clickOk("Button43"), (Bytes{0x02, 0x00, 0x02, 0xCB, 0x01, 0xC8, 0x03})) << "all empty";
    type("Edit24", "30");
    EXPECT_EQ(clickOk("Button43"), frame({0xCB, 0x01, 0x30})) << "one set";
    type("Edit26", "3a");
    EXPECT_EQ(clickOk("Button43"), frame({0xCB, 0x01, 0x30, 0x3A})) << "an empty edit between";
    type("Edit47", "");
    type("Edit44", "");
    EXPECT_EQ(clickOk("Button50"), frame({0xCB, 0x02, 0x32, 0x33})) << "suffix";
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(DeviceSettings, InterfacesClosed) {
    for (const char* r : {"RadioButton24", "RadioButton26", "RadioButton28"}) click(r);
    EXPECT_EQ(clickOk("Button41"), frame({0xC3, 0x00, 0x00, 0x00}));
    click("RadioButton25");
    EXPECT_EQ(clickOk("Button41"), frame({0xC3, 0x00, 0x01, 0x00})) << "flags in the order serial, Wiegand, USB";
}

TEST_F(DeviceSettings, BaudRateCodes) {
    auto* box = control<QComboBox>("ComboBox20");
    const struct {
        const char* text;
        Bytes data;
    } rows[] = {{"9600", {0xC4, 0x00}},   {"19200", {0xC4, 0x01}}, {"38400", {0xC4, 0x02}},
                {"57600", {0xC4, 0x03}},  {"115200", {0xC4, 0x04}}, {"4800", {0xC4}},
                {"9600 ", {0xC4}}};
    for (const auto& r : rows) {
        box->setEditText(r.text);
        EXPECT_EQ(clickOk("Button51"), frame(r.data)) << r.text;
    }
    EXPECT_EQ(frame({0xC4}), (Bytes{0x02, 0x00, 0x01, 0xC4, 0xC5, 0x03}));
}

TEST_F(DeviceSettings, ABuildGivesItsOwnTexts) {
    TForm1::DeviceSettingsPageTexts other = TForm1::kDeviceSettingsTexts;
    other.noReply = "no reply ";
    other.rfPower.success = "RF ok ";
    form->deviceSettingsTexts = &other;
    clickOk("Button62");
    fake.queueEmptyRead();
    click("Button30");
    EXPECT_EQ(lines(), (QStringList{QString("RF ok ") + kTime, "", QString("no reply ") + kTime, ""}));
}

TEST_F(DeviceSettings, ControlsAndDefaults) {
    const ControlText rows[] = {
        {"Label74", "search card interval：   ", "GroupBox30"},
        {"Edit29", "10", "GroupBox30"},
        {"Label75", "range ：00~255，Unit:10ms               ", "GroupBox30"},
        {"Button30", "Setting", "GroupBox30"},
        {"Label76", "card filter number：   ", "GroupBox30"},
        {"Edit35", "10", "GroupBox30"},
        {"Label78", "range  00~255 ,00 output allthe time  ", "GroupBox30"},
        {"Button35", "Setting", "GroupBox30"},
        {"RadioButton23", "serial port open", "GroupBox32"},
        {"RadioButton24", "serial port close", "GroupBox32"},
        {"RadioButton25", "wiegand open", "GroupBox31"},
        {"RadioButton26", "wiegand close", "GroupBox31"},
        {"RadioButton27", "USB open", "GroupBox33"},
        {"RadioButton28", "USB close", "GroupBox33"},
        {"Label_OutputInterface", "output interface setting：  ", "GroupBox30"},
        {"Button41", "Setting", "GroupBox30"},
        {"Label80", "Setting baud rate :      ", "GroupBox30"},
        {"Label81", "baud rate        ", "GroupBox30"},
        {"Button51", "Settting", "GroupBox30"},
        {"Label83", "Serial port end symbol：   ", "GroupBox30"},
        {"Edit37", "02", "GroupBox30"},
        {"Label84", "00 none, 01means 0D,  02 means 0D0A ", "GroupBox30"},
        {"Button56", "Setting", "GroupBox30"},
        {"Label107", "Set RF power", "GroupBox30"},
        {"Edit52", "02", "GroupBox30"},
        {"Label108", "00~11，means 12.5db~30db       ", "GroupBox30"},
        {"Button62", "Setting", "GroupBox30"},
        {"Label64", "Prefix：   ", "GroupBox29"},
        {"Label60", "First byte    ", "GroupBox29"},
        {"Label61", "Second byte", "GroupBox29"},
        {"Label62", "the third byte    ", "GroupBox29"},
        {"Label65", "The fourth byte", "GroupBox29"},
        {"Edit24", "30", "GroupBox29"},
        {"Edit25", "31", "GroupBox29"},
        {"Edit26", "32", "GroupBox29"},
        {"Edit27", "33", "GroupBox29"},
        {"Button43", "Prefix seting", "GroupBox29"},
        {"Label67", "Suffix：   ", "GroupBox29"},
        {"Label68", "First byte    ", "GroupBox29"},
        {"Label70", "Second byte", "GroupBox29"},
        {"Label71", "the third byte    ", "GroupBox29"},
        {"Label73", "The fourth byte   ", "GroupBox29"},
        {"Edit44", "31", "GroupBox29"},
        {"Edit45", "32", "GroupBox29"},
        {"Edit46", "33", "GroupBox29"},
        {"Edit47", "34", "GroupBox29"},
        {"Button50", "Suffix setting", "GroupBox29"},
        {"Label63", "Wiegand output format：   ", "GroupBox39"},
        {"Label_WiegandFormats", "00WG26 01WG34 02WG66 03WG98  ", "GroupBox39"},
        {"Edit39", "00", "GroupBox39"},
        {"Button58", "Setting", "GroupBox39"},
        {"Label90", "Wiegand value position：   ", "GroupBox39"},
        {"Label92", "12 bytes card number，place of value           ", "GroupBox39"},
        {"Edit40", "09", "GroupBox39"},
        {"Button59", "Setting", "GroupBox39"},
        {"Label93", "wiegand Low level pulse width\n(0x01~0xFF) UNIT 10US", "GroupBox39"},
        {"Edit42", "0A", "GroupBox39"},
        {"Button60", "Setting", "GroupBox39"},
        {"Label95", "Wiegand Idle level(0x01~0xFF) Unit 100US        ", "GroupBox39"},
        {"Edit51", "0A", "GroupBox39"},
        {"Button61", "Setting", "GroupBox39"},
    };
    expectControls(form.get(), rows);
    EXPECT_EQ(control<QGroupBox>("GroupBox30")->title(), "915M device information");
    EXPECT_EQ(control<QGroupBox>("GroupBox29")->title(), "");
    EXPECT_EQ(control<QGroupBox>("GroupBox39")->title(), "Wiegand");
    for (const char* g : {"GroupBox30", "GroupBox29", "GroupBox39"})
        EXPECT_EQ(control<QWidget>(g)->parentWidget(), form->TabSheet7) << g;
    for (const char* g : {"GroupBox31", "GroupBox32", "GroupBox33"})
        EXPECT_EQ(control<QWidget>(g)->parentWidget()->objectName(), "GroupBox30") << g;
    for (const char* r : {"RadioButton23", "RadioButton25", "RadioButton27"})
        EXPECT_TRUE(control(r)->isChecked()) << r;
    for (const char* r : {"RadioButton24", "RadioButton26", "RadioButton28"})
        EXPECT_FALSE(control(r)->isChecked()) << r;

    auto* box = control<QComboBox>("ComboBox20");
    EXPECT_TRUE(box->isEditable());
    EXPECT_EQ(box->currentText(), "9600");
    EXPECT_EQ(box->count(), 5);
    EXPECT_EQ(box->itemText(4), "115200");
    EXPECT_EQ(box->toolTip(), "待设置的波特率");
    for (const char* p : {"Panel24", "Panel26", "Panel27", "Panel28", "Panel29", "Panel30", "Panel46",
                          "Panel47", "Panel51"})
        EXPECT_NE(control<QFrame>(p), nullptr);
}

// Every control lies inside its group, every group inside the page, and none covers another.
TEST_F(DeviceSettings, ControlsDoNotOverlap) {
    for (QWidget* group : form->TabSheet7->findChildren<QGroupBox*>()) expectInsideAndApart(group);
    expectInsideAndApart(form->TabSheet7);
}

class DeviceSettingsOnTheSimulatedReader : public DeviceSettings {
protected:
    void SetUp() override {
        DeviceSettings::SetUp();
        platform::setLibraryFolder(SIM_USB_DIR);
    }
};

TEST_F(DeviceSettingsOnTheSimulatedReader, EveryButtonSucceedsAndATypedSpeedIsRefusedByTheReader) {
    for (const Command& c : kCommands) click(c.button);
    QStringList expected;
    for (const Command& c : kCommands) expected << QString::fromUtf8(c.success) + kTime << "";
    EXPECT_EQ(lines(), expected);

    form->RichEdit1->clearAll();
    control<QComboBox>("ComboBox20")->setEditText("4800");
    click("Button51");
    EXPECT_EQ(lines(), (QStringList{QString("Setting baud rate False     ") + kTime,
                                    "输入参数或者输入命令格式错误....", ""}));
    EXPECT_TRUE(errors.isEmpty());
}

}  // namespace
