// The main window of Vorcard-zh: Vorcard's window laid out from the Chinese form description,
// with the Chinese texts, its own port group on the serial page and the routines and commands
// that this build changes.
#pragma once
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>

#include "gui/TForm1.h"
#include "gui/TForm2.h"
#include "gui/TForm3.h"

class TForm1Zh : public TForm1 {
    Q_OBJECT
public:
    explicit TForm1Zh(QWidget* parent = nullptr);

    // Controls that only this build has (the serial page's port group).
    QComboBox* ComboBox21 = nullptr;
    QComboBox* ComboBox22 = nullptr;
    QPushButton* Button73 = nullptr;
    QPushButton* Button74 = nullptr;

    // Form events and routines this build changes.
    void FormCreate() override;
    void FormClose() override;
    void PageControl1Change() override;
    void Delayy(int ms) override;
    void GetCom() override;
    void closePortOfGroup() override;  // through this build's own port group

    // Serial page port group.
    void Button73Click();
    void Button74Click();
    void ComboBox21Change();
    void ComboBox22Change();
    void Button3Click() override;  // the send path chosen by RadioButton37

    // Commands of this build; Button78 to Button80 are the second buzzer button and the ID/IC
    // function switch here.
    void Button63Click();
    void Button64Click();
    void Button78Click();
    void Button65Click();
    void Button71Click();
    void Button79Click();
    void Button80Click();

    // The event table of Vorcard-zh.
    static const std::vector<Binding>& zhBindings();

    // Vorcard's controls that this build's form lacks: the WiFi page, and labels it names
    // otherwise (see forms/vorcard-zh/TForm1.overlay.xml).
    QStringList lackingControls() const override;

protected:
    void closeEvent(QCloseEvent* event) override;
    TForm2* createAboutBox() override;
    TForm3* createMemoryLayout() override;

private:
    void switchIdIc(const char* frame, const char* line, const char* success, const char* failure);
};

// The about box and the memory-layout window of Vorcard-zh.
class TForm2Zh : public TForm2 {
    Q_OBJECT
public:
    explicit TForm2Zh(QWidget* parent = nullptr);
};

class TForm3Zh : public TForm3 {
    Q_OBJECT
public:
    explicit TForm3Zh(QWidget* parent = nullptr);
};

// The texts of Vorcard-zh, each with its trailing blanks.
namespace zh {
extern const TForm1::OutputFormatPageTexts kOutputFormatTexts;
extern const TForm1::DeviceSettingsPageTexts kDeviceSettingsTexts;
extern const UhfPageTexts kUhfTexts;
extern const console::TransferTexts kTransferTexts;

// Texts of this build's own routines and commands.
inline constexpr const char* kNoComPort = "没有可用串口";
inline constexpr const char* kBuzzerOnLine = "发送蜂鸣器关闭指令";   // Button64, parameter 01
inline constexpr const char* kBuzzerOffLine = "发送蜂鸣器打开指令";  // Button78, parameter 00
inline constexpr const char* kIdIcOn = "打开ID卡或者IC卡功能";
inline constexpr const char* kIdIcOnSuccess = "打开ID卡或者IC卡功能成功   ";
inline constexpr const char* kIdIcOnFailure = "打开ID卡或者IC卡功能失败..   ";
inline constexpr const char* kIdIcOff = "关闭ID卡或者IC卡功能";
inline constexpr const char* kIdIcOffSuccess = "关闭ID卡或者IC卡功能成功   ";
inline constexpr const char* kIdIcOffFailure = "关闭ID卡或者IC卡功能失败..   ";
inline constexpr const char* kStatusPanel = "QUIRN 专注.专业. RFID物联网";
}  // namespace zh
