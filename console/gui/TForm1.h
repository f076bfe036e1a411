// The main window of Vorcard. Every control is a member named as in the form description;
// handlers are members named after the control and the event. The handler bodies live in one
// file per page.
#pragma once
#include <QLabel>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "serial/TComm.h"
#include "ui_TForm1.h"

class QAction;
class QMenu;
class QTimer;
class TForm1;
struct SystemPageTexts;
extern const SystemPageTexts kSystemPageTexts;  // Vorcard's texts of the system command page

// One row of a build's event table: the control (by objectName) and the handler of its
// usual event (click, change, timer, page change, menu item).
struct Binding {
    const char* control;
    void (TForm1::*handler)();
};

class TForm1 : public QWidget, public Ui::TForm1 {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Non-visual components.
    TComm* Comm1 = nullptr;
    QTimer* Timer1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* MenuItem1 = nullptr;
    QAction* MenuItem2 = nullptr;
    QAction* N9 = nullptr;
    QAction* N15 = nullptr;
    QAction* N20 = nullptr;
    QAction* N16 = nullptr;
    QAction* N17 = nullptr;
    QAction* N18 = nullptr;
    QAction* N19 = nullptr;
    std::array<QLabel*, 4> StatusPanels{};

    // Form events.
    void FormCreate();
    void FormClose();
    void Timer1Timer();
    void PageControl1Change();

    // Published handlers that nothing on the form invokes.
    void N4Click();
    void N5Click();
    void N6Click();
    void N7Click();
    void N8Click();
    void COM1Click();
    void N10Click();
    void S50S701Click();
    void Ultralight1Click();
    void ISO14443B1Click();
    void ISO156931Click();
    void N11Click();
    void N12Click();
    void N13Click();
    void N14Click();
    void N51Click();
    void N61Click();
    void checkcard();

    // Log pane menu.
    void MenuItem1Click();
    void MenuItem2Click();
    void N15Click();
    void N20Click();
    void N17Click();
    void N18Click();
    void N19Click();

    // Output format settings page.
    void Button24Click();
    void Button25Click();
    void Button27Click();
    void Button28Click();
    void Button57Click();
    void Button63Click();
    void Button64Click();

    // Serial page.
    void Comm1ReceiveData(QObject* Sender, const void* Buffer, std::uint16_t BufferLength);
    void Send232HEX(const std::string& text);
    void GetCom();
    void Button1Click();
    void Button2Click();
    void ComboBox1Change();
    void ComboBox2Change();
    void Button3Click();
    void CheckBox3Click();
    void Button6Click();
    void Button5Click();
    void Button7Click();

    // System command page.
    void Button12Click();
    void Button4Click();
    void Button11Click();
    void Button14Click();
    void Button13Click();
    void Button20Click();
    void Button23Click();
    void Button21Click();
    void Button52Click();
    void Button53Click();
    void Edit22Change();
    // The page's log texts; a build with other texts points this at its own table.
    const SystemPageTexts* SystemTexts = &kSystemPageTexts;

    // Device settings page.
    // (device settings page handlers)

    // WiFi page.
    // (WiFi page handlers)

    // MIFARE Classic page.
    // (MIFARE Classic page handlers)

    // Ultralight page.
    // (Ultralight page handlers)

    // ISO14443B page.
    // (ISO14443B page handlers)

    // ISO15693 page.
    // (ISO15693 page handlers)

    // UHF write page and the UHF module group of the serial page.
    // (UHF handlers)

    // Continuous modes: each repeats its page's command while its box stays checked.
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox4Click();
    void CheckBox5Click();
    void CheckBox6Click();
    void CheckBox7Click();
    void CheckBox8Click();
    void CheckBox9Click();
    void CheckBox10Click();
    void CheckBox11Click();
    void CheckBox12Click();
    void CheckBox14Click();

    // Reader protocol.
    virtual void Send(const std::string& data);
    virtual void SendUHF(const std::string& data);
    virtual void SendHex(const std::string& frame);
    void Delay(int ms);
    void Delayy(int ms);

    // Appends one line (UTF-8) to the log pane.
    void addLog(const std::string& line);

    // Shows a page as the program does: the page-change handler does not run.
    void setActivePage(int index);

    // The event table of Vorcard.
    static const std::vector<Binding>& bindings();

protected:
    void closeEvent(QCloseEvent* event) override;

    // The verdict pattern shared by every command: no reply, success, failure with the
    // reader's error message, damaged reply.
    void judge(const std::string& noReply, const std::string& damaged, const std::string& failure,
               const std::function<void()>& success);

    // Clicks a button of the form as the operator would: its bound handler runs to its end.
    void clickButton(const char* name);

private:
    // Runs the continuous mode of one loop box (see TForm1_Loops.cpp).
    void runContinuousMode(const char* box);
    void createComponents();
    void bind(const std::vector<Binding>& table);
    QAbstractButton* button(const char* name) const;

    bool settingPage_ = false;
};

// The program's forms, created at start in this order.
class TForm2;
class TForm3;
extern TForm1* Form1;
extern TForm2* Form2;
extern TForm3* Form3;
// The first COM port that the last port probe found ("COM3"), or "none".
extern std::string FirstComPort;
