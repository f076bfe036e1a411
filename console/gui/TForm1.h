// The main window of Vorcard. Every control is a member named as in the form description;
// handlers are members named after the control and the event. The handler bodies live in one
// file per page.
#pragma once
#include <QHash>
#include <QLabel>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/transfer.h"
#include "serial/TComm.h"
#include "uhftexts.h"
#include "ui_TForm1.h"

class QAction;
class QMenu;
class QTimer;
class TForm1;
class TForm2;
class TForm3;
struct SystemPageTexts;
extern const SystemPageTexts kSystemPageTexts;  // Vorcard's texts of the system command page

// One row of a build's event table: the control (by objectName), the handler of its usual
// event (click, change, timer, page change, menu item), and whether the control is a loop box:
// a check box whose handler runs a loop for as long as the box stays checked.
struct Binding {
    enum Kind { Event, Loop };
    const char* control;
    void (TForm1::*handler)();
    Kind kind = Event;
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
    virtual void FormCreate();
    virtual void FormClose();
    void Timer1Timer();
    virtual void PageControl1Change();

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
    // Its log texts, one table per build (each text with its trailing blanks).
    struct OutputFormatPageTexts {
        const char* noReplyWide;  // set, read, active and passive reading
        const char* noReply;      // factory default and version
        const char* damaged;
        const char* setSuccess;
        const char* setFailure;
        const char* readSuccess;
        const char* readFailure;
        const char* formatHead;  // before the format's name
        const char* flagHead;    // before each of the four flag texts
        const char* semicolon[2], *comma[2], *question[2], *enter[2];  // added, not added
        const char* enterLineEnd;                                       // after the enter flag
        const char* noCustom;
        const char* customIs;
        const char* activeSuccess;
        const char* activeFailure;
        const char* passiveSuccess;
        const char* passiveFailure;
        const char* factorySuccess;
        const char* factoryFailure;
        const char* versionSuccess;
        const char* versionFailure;
        const char* versionIs;
        // Names of the formats read back, by code 00 to 10, then the custom length.
        const char* formatNames[17];
        const char* customLength;
        const char* byteCountOutOfRange;  // %1 the byte count as typed
    };
    static const OutputFormatPageTexts kOutputFormatTexts;  // Vorcard's
    const OutputFormatPageTexts* outputFormatTexts = &kOutputFormatTexts;
    void Button24Click();
    void Button25Click();
    void Button27Click();
    void Button28Click();
    void Button57Click();
    void Button63Click();
    void Button64Click();
    // The version's characters as `convert` makes them, or its hex digits where they are no
    // readable text.
    static std::string versionText(const std::string& data, std::string (*convert)(const std::string&));

    // Serial page.
    void Comm1ReceiveData(QObject* Sender, const void* Buffer, std::uint16_t BufferLength);
    void Send232HEX(const std::string& text);
    virtual void GetCom();
    void Button1Click();
    void Button2Click();
    // Closes the port as the serial page's port group does (Button2 here), so that the group's
    // buttons follow the port.
    virtual void closePortOfGroup();
    void ComboBox1Change();
    void ComboBox2Change();
    virtual void Button3Click();
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
    // Its log texts and refusals, one table per build (each text with its trailing blanks).
    struct DeviceSettingsPageTexts {
        struct Command {
            const char* field;  // names the field in a refusal
            const char* success;
            const char* failure;
        };
        const char* noReply;
        const char* damaged;
        Command searchInterval, filterNumber, interfaces, baudRate, endSymbol, rfPower, prefix,
            suffix, wiegandFormat, wiegandPosition, lowLevelPulse, idleLevel;
        const char* decimalOutOfRange;  // %1 the field, %2 its text
        const char* hexOutOfRange;      // %1 the field, %2 its text
        const char* notOneByte;         // %1 the field, %2 the byte's number, %3 its text
    };
    static const DeviceSettingsPageTexts kDeviceSettingsTexts;  // Vorcard's
    const DeviceSettingsPageTexts* deviceSettingsTexts = &kDeviceSettingsTexts;
    void Button30Click();
    void Button35Click();
    void Button41Click();
    void Button51Click();
    void Button56Click();
    void Button62Click();
    void Button43Click();
    void Button50Click();
    void Button58Click();
    void Button59Click();
    void Button60Click();
    void Button61Click();
    // Sends one setting and logs its verdict.
    void sendDeviceSetting(const std::string& data, const DeviceSettingsPageTexts::Command& texts);

    // WiFi page.
    // The grid row that the next network of a scan goes to; program-wide.
    static std::int32_t WifiListRow;
    void Button78Click();
    void Button79Click();
    void Button80Click();
    void StringGrid1SelectCell(QObject* Sender, int ACol, int ARow, bool& CanSelect);
    // Empties the network grid and sets its size, headers and column widths; the next
    // network goes to row 1.
    void resetWifiList(int signalColumnWidth);

    // MIFARE Classic page.
    void Button8Click();
    void Button9Click();
    void Button16Click();
    void Button29Click();
    void Button26Click();
    void Button10Click();
    void Button15Click();
    void RadioButton2Click();
    void RadioButton1Click();

    // Ultralight page.
    void Button55Click();
    void Button18Click();
    void Button54Click();
    void Button17Click();

    // ISO14443B page.
    void Button31Click();
    void Button32Click();
    void Button33Click();
    void Button34Click();
    void Button36Click();
    void Button19Click();
    void Button22Click();
    // The page's log texts, one table a build; Vorcard's unless a build sets its own.
    struct Iso14443BPageTexts {
        const char* noReply;
        const char* damaged;
        const char* done;          // success, with the time
        const char* failed;        // failure, with the time
        const char* attributed;    // ATTRIB succeeded
        const char* readFailed;    // resident identity card read failed
        const char* answerLength;  // card request: length of the card's answer
        const char* answerData;    // card request: the answer
        const char* serialNumber;  // reset: the card's identifier
        const char* cardNumber;    // resident identity card number
        const char* passedData;    // transparent send: the card's answer
        const char* noData;        // transparent send: no reply
        const char* tooLong;       // transparent send refused: too many bytes
        const char* oddDigits;     // transparent send refused: a digit without its pair
    };
    static const Iso14443BPageTexts kIso14443BTexts;
    const Iso14443BPageTexts* Iso14443BTexts = &kIso14443BTexts;
    void readResidentCard(const char* command);

    // ISO15693 page.
    void Button37Click();
    void Button38Click();
    void Button39Click();
    void Button40Click();
    void Button42Click();
    void Button44Click();
    void Button45Click();
    void Button46Click();
    void Button47Click();
    void Button48Click();
    void Button49Click();
    // Sends the command of one of the page's buttons and writes its verdict.
    void runIso15693Command(const char* button);

    // UHF write page and the UHF module group of the serial page.
    void Button65Click();
    void Button66Click();
    void Button67Click();
    void Button68Click();
    void Button69Click();
    void Button70Click();
    void Button72Click();
    void CheckBox20Click();
    void Button71Click();
    void Button75Click();
    void Button76Click();
    void Button77Click();
    // The UHF pages' texts; another build points this at its own table.
    const UhfPageTexts* uhfTexts = &kUhfPageTextsVorcard;
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
    virtual void Delayy(int ms);
    // The lines of the transfer routine; another build points this at its own.
    const console::TransferTexts* transferTexts = &console::kTransferTexts;

    // Appends one line (UTF-8) to the log pane.
    void addLog(const std::string& line);
    void addLogText(QString line);  // the same, already as text
    void addLogLatin1(QByteArray line);  // the same as Latin-1 text, kept as such

    // Shows a page as the program does: the page-change handler does not run.
    void setActivePage(int index);

    // The event table of Vorcard.
    static const std::vector<Binding>& bindings();

    // The names that the window, when it was made, could not resolve to a control of the class
    // it needs: members found by name on a form laid out elsewhere, event table rows, and the
    // controls that the pages' command tables name.
    const QStringList& unresolvedControls() const { return unresolved_; }
    // The controls of Vorcard's form that this build's form lacks on purpose.
    virtual QStringList lackingControls() const { return {}; }

protected:
    // For a build whose window is laid out from another form description: the derived
    // constructor lays out its form on this widget, calls bindControlsByName(), then
    // finishCreate() with its own event table, so that its overrides of the form events run.
    // Until then every control member is null.
    struct LaidOutElsewhere {};
    TForm1(QWidget* parent, LaidOutElsewhere);
    // Points every control member at the form's child of its name and class; the names that
    // find none are kept in unresolvedControls() and returned.
    QStringList bindControlsByName();
    // Window frame, hidden tabs, components, event bindings, then FormCreate.
    void finishCreate(const std::vector<Binding>& table);
    // The third status panel's text and width, set before finishCreate().
    const char* statusText = "Format output  card number";
    int statusWidth = 400;

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

    // The build's about box and memory-layout window.
    virtual TForm2* createAboutBox();
    virtual TForm3* createMemoryLayout();

    // The serial page's port, for the port group of a build: lists the first `count` COM ports
    // that open now; points Comm1 at the first at 9600 baud (`noPort` listed when none is);
    // opens or closes it, swapping the buttons' enabled states; points it at another port or
    // speed and reopens it.
    void uncheckPageLoops();
    void probePorts(QComboBox* list, int count);
    void pointPortAtFirst(QComboBox* list, const char* noPort);
    void openPort(QAbstractButton* open, QAbstractButton* close);
    void closePort(QAbstractButton* open, QAbstractButton* close);
    void choosePort(const QString& name, QAbstractButton* open, QAbstractButton* close);
    void chooseSpeed(const QString& speed, QAbstractButton* open, QAbstractButton* close);

    // The UHF inventory; ReplyText is then the module frame of the answer.
    void uhfInventory();
    // The inventory, printing the EPC that `epcOf` takes from the module frame; false when the
    // module found no tag.
    bool inventoryShowingEpc(std::string (*epcOf)(const std::string& cut));

    // The verdict pattern shared by every command: no reply, success, failure with the
    // reader's error message, damaged reply.
    void judge(const std::string& noReply, const std::string& damaged, const std::string& failure,
               const std::function<void()>& success);

    // Clicks a button of the form as the operator would: its bound handler runs to its end.
    void clickButton(const char* name);

private:
    // UHF: refusing a field; the wait for a serial answer (true when a burst came after
    // `bursts`); the memory-layout window.
    void refuse(const char* text);
    bool serialAnswered(unsigned long long bursts);
    void showMemoryLayout();

    // Runs the continuous mode of one loop box (see TForm1_Loops.cpp).
    void runContinuousMode(const char* box);
    // Whether a loop makes another pass: its box is checked, or the operator's click that
    // started the loop checked it (the loop's first test).
    bool loopGoesOn(const QAbstractButton* box);
    void createComponents();
    void layOutStatusPanels();
    void bind(const std::vector<Binding>& table);
    void bindLoopBox(QAbstractButton* box, const std::function<void()>& run);
    QAbstractButton* button(const char* name) const;

    // The controls that the pages' command tables name, found once when the window is made
    // (see TForm1_Iso15693.cpp and TForm1_OutputFormat.cpp); a name that finds no control of
    // the class goes to unresolved_.
    void resolveTableControls();
    void resolveIso15693Controls();
    void resolveOutputFormatControls();
    QWidget* resolve(const char* name, const QMetaObject& kind);
    template <typename T>
    T* resolve(const char* name) {
        return static_cast<T*>(resolve(name, T::staticMetaObject));
    }
    template <typename T>
    T* named(const char* name) const {
        return static_cast<T*>(named_.value(QLatin1String(name)));
    }
    QHash<QString, QWidget*> named_;
    QStringList unresolved_;

    bool settingPage_ = false;
    const QAbstractButton* startedByClick_ = nullptr;  // the box whose click starts a loop now
    bool placed_ = false;  // centred on the screen at the first show
};

// The program's forms, created at start in this order.
class TForm2;
class TForm3;
extern TForm1* Form1;
extern TForm2* Form2;
extern TForm3* Form3;
// The first COM port that the last port probe found ("COM3"), or "none".
extern std::string FirstComPort;
