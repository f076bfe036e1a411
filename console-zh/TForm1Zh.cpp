#include "TForm1Zh.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabBar>

#include "core/hextext.h"
#include "core/transfer.h"
#include "core/uhf.h"
#include "core/verdict.h"
#include "gui/SystemPageTexts.h"
#include "gui/seams.h"
#include "gui/waits.h"
#include "platform/comm.h"
#include "ui_TForm1Zh.h"
#include "ui_TForm2Zh.h"
#include "ui_TForm3Zh.h"

using console::Copy;
using console::kCrLf;
using console::ReplyText;
using console::timeStamp;

namespace {
const int kWait = 300;
const int kModuleWait = 500;
}  // namespace

TForm1Zh::TForm1Zh(QWidget* parent) : TForm1(parent, LaidOutElsewhere{}) {
    Ui::TForm1Zh layout;
    layout.setupUi(this);
    bindControlsByName();
    ComboBox21 = layout.ComboBox21;
    ComboBox22 = layout.ComboBox22;
    Button73 = layout.Button73;
    Button74 = layout.Button74;
    outputFormatTexts = &zh::kOutputFormatTexts;
    deviceSettingsTexts = &zh::kDeviceSettingsTexts;
    uhfTexts = &zh::kUhfTexts;
    transferTexts = &zh::kTransferTexts;
    SystemTexts = &kSystemPageTextsChinese;
    statusText = zh::kStatusPanel;
    statusWidth = 300;
    finishCreate(zhBindings());

    const std::pair<QAction*, const char*> menu[] = {{MenuItem1, "清空"}, {MenuItem2, "保存"}, {N15, "撤消"},
                                                     {N20, "全选"},       {N17, "剪切"},       {N18, "复制"},
                                                     {N19, "粘贴..."}};
    for (const auto& [item, caption] : menu) item->setText(QString::fromUtf8(caption));
}

QStringList TForm1Zh::lackingControls() const {
    return {// The WiFi page.
            QStringLiteral("TabSheet10"), QStringLiteral("GroupBox42"), QStringLiteral("StringGrid1"),
            QStringLiteral("Edit73"), QStringLiteral("Edit74"), QStringLiteral("Label131"), QStringLiteral("Label132"),
            QStringLiteral("Label133"), QStringLiteral("Label134"), QStringLiteral("Label135"),
            // Labels of the output format page and the system group, named Label114, Label115,
            // Label99, Label96, Label85 and Label109 here.
            QStringLiteral("Label_Byte"), QStringLiteral("Label_OutputAll"), QStringLiteral("Label_FormatSetting"),
            QStringLiteral("Label_ReaderType"), QStringLiteral("Label_FactoryDefault"),
            QStringLiteral("Label_ReadingVersion")};
}

TForm2* TForm1Zh::createAboutBox() { return new TForm2Zh(this); }
TForm3* TForm1Zh::createMemoryLayout() { return new TForm3Zh(this); }

TForm2Zh::TForm2Zh(QWidget* parent) : TForm2(parent, LaidOutElsewhere{}) {
    Ui::TForm2Zh layout;
    layout.setupUi(this);
    console::makeFixedDialog(this);
}

TForm3Zh::TForm3Zh(QWidget* parent) : TForm3(parent, LaidOutElsewhere{}) {
    Ui::TForm3Zh layout;
    layout.setupUi(this);
    Image1 = layout.Image1;
    finishCreate();
}

// ---- form events and routines ----

void TForm1Zh::FormCreate() {
    // The least width of a tab, as in Vorcard; a caption that needs more widens its tab.
    PageControl1->tabBar()->setStyleSheet(
        QStringLiteral("QTabBar::tab { min-width: %1px; }").arg(PageControl1->width() / 4 - 4));
    setadd->setCurrentIndex(0);
    ComboBox2->setCurrentIndex(0);
    for (QComboBox* list : {ComboBox10, ComboBox12, ComboBox14, ComboBox15, ComboBox16, ComboBox17, ComboBox18,
                            ComboBox19})
        list->setCurrentIndex(1);
    ComboBox11->setCurrentIndex(0);
    ComboBox13->setCurrentIndex(2);
    // The port list is still empty: it shows no selection until the first page change.
    ComboBox21->setCurrentIndex(0);
    ComboBox22->setCurrentIndex(0);
    Button1->setEnabled(false);
    setActivePage(0);
    ListBox1->setCurrentRow(0);
    ListBox2->setCurrentRow(4);
}

// Ends the automatic card issue; the port stays as it is and the window closes in the ordinary
// way. The serial component releases the port when it is destroyed with the window.
void TForm1Zh::FormClose() { CheckBox20->setChecked(false); }

void TForm1Zh::closeEvent(QCloseEvent* event) {
    TForm1::closeEvent(event);
    // The main window is gone: the program ends, and waits still running unwind at once.
    console::endProgram();
}

void TForm1Zh::Delayy(int ms) { console::Delayy(ms, 2); }

// ---- commands of this build ----

void TForm1Zh::Button63Click() {
    const OutputFormatPageTexts& t = *outputFormatTexts;
    Send("c0");
    Delay(kWait);
    judge(t.noReply, t.damaged, t.versionFailure, [&] {
        addLog(t.versionSuccess + timeStamp());
        const std::string reply = ReplyText;
        const long long count = static_cast<long long>(reply.size()) - 12;
        const std::string data = count > 0 ? Copy(reply, 9, static_cast<std::size_t>(count)) : std::string();
        addLog(t.versionIs + versionText(data, console::GetchrWords) + kCrLf);
    });
}

void TForm1Zh::Button64Click() {
    SendHex("02 00 02 CD 01 CE 03 ");
    addLog(zh::kBuzzerOnLine);
}

void TForm1Zh::Button78Click() {
    SendHex("02 00 02 CD 00 CF 03 ");
    addLog(zh::kBuzzerOffLine);
}

namespace {
// The EPC of an inventory answer by its parameter length P (characters 9-10): 2 × (P − 5)
// digits from character 17, the PC word and the CRC left out.
std::string epcByLength(const std::string& cut) {
    const long long epcBytes = console::pairValue(Copy(cut, 9, 2)) - 5;
    return epcBytes > 0 ? Copy(cut, 17, static_cast<std::size_t>(2 * epcBytes)) : std::string();
}
}  // namespace

void TForm1Zh::Button65Click() { inventoryShowingEpc(epcByLength); }

void TForm1Zh::Button71Click() {
    const UhfPageTexts& t = *uhfTexts;
    SendHex("02 00 01 B8 B9 03");
    Delay(kWait);
    judge(t.serialNoReply, t.serialDamaged, t.virtualSerialFailure,
          [&] { addLog(t.virtualSerialSuccess + timeStamp() + kCrLf); });
}

void TForm1Zh::switchIdIc(const char* frame, const char* line, const char* success, const char* failure) {
    SendHex(frame);
    addLog(line);
    Delay(kWait);
    judge(console::texts::kNoReplyChinese, console::texts::kDamagedChinese, failure,
          [&] { addLog(success + timeStamp()); });
}

void TForm1Zh::Button79Click() {
    switchIdIc("02 00 02 90 01 93 03 ", zh::kIdIcOn, zh::kIdIcOnSuccess, zh::kIdIcOnFailure);
}

void TForm1Zh::Button80Click() {
    switchIdIc("02 00 02 90 00 92 03 ", zh::kIdIcOff, zh::kIdIcOffSuccess, zh::kIdIcOffFailure);
}

// ---- serial page ----

// The probe over COM1 to COM32 into this build's port list.
void TForm1Zh::GetCom() { probePorts(ComboBox21, 32); }

void TForm1Zh::PageControl1Change() {
    uncheckPageLoops();
    GetCom();
    pointPortAtFirst(ComboBox21, zh::kNoComPort);
}

void TForm1Zh::Button73Click() { openPort(Button73, Button74); }
void TForm1Zh::Button74Click() { closePort(Button73, Button74); }
void TForm1Zh::closePortOfGroup() { Button74Click(); }

void TForm1Zh::ComboBox21Change() { choosePort(ComboBox21->currentText(), Button73, Button74); }
void TForm1Zh::ComboBox22Change() { chooseSpeed(ComboBox22->currentText(), Button73, Button74); }

// The send box goes out on the serial port or over USB, as the radio pair says; then the
// page's period is waited in full.
void TForm1Zh::Button3Click() {
    const std::string text = Memo1->toPlainText().toStdString();
    if (RadioButton37->isChecked())
        Send232HEX(text);
    else
        SendHex(text);
    Delayy(static_cast<int>(console::StrToInt(Edit6->text().toStdString())));
}
