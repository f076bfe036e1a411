// The main window of Vorcard. Every control is a member named as in the form description;
// handlers are members named after the control and the event. The handler bodies live in one
// file per page.
#pragma once
#include <QLabel>
#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "serial/TComm.h"
#include "ui_TForm1.h"

class QAction;
class QMenu;
class QTimer;
class TForm1;

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
    void showEvent(QShowEvent* event) override;

    // The verdict pattern shared by every command: no reply, success, failure with the
    // reader's error message, damaged reply.
    void judge(const std::string& noReply, const std::string& damaged, const std::string& failure,
               const std::function<void()>& success);

private:
    void createComponents();
    void layOutStatusPanels();
    void bind(const std::vector<Binding>& table);
    QAbstractButton* button(const char* name) const;

    bool settingPage_ = false;
    bool placed_ = false;  // centred on the screen at the first show
};

// The program's forms, created at start in this order.
class TForm2;
class TForm3;
extern TForm1* Form1;
extern TForm2* Form2;
extern TForm3* Form3;
