#include "TForm1.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "TForm2.h"
#include "TForm3.h"
#include "core/hextext.h"
#include "core/transfer.h"
#include "core/verdict.h"
#include "seams.h"
#include "waits.h"

TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;
TForm3* Form3 = nullptr;

namespace {
using console::kCrLf;

// Pages whose tab the form hides; they keep their controls but cannot be reached.
constexpr const char* kHiddenPages[] = {"TabSheet2", "TabSheet3", "TabSheet4",
                                        "TabSheet5", "TabSheet6", "TabSheet10"};

// The selection of a list that keeps its selected row: a deselection that would leave none
// (the operator's Ctrl+click on the selected row) is taken back. Clearing it is still possible.
class KeepOneSelected : public QItemSelectionModel {
public:
    using QItemSelectionModel::QItemSelectionModel;
    using QItemSelectionModel::select;
    void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override {
        const QItemSelection before = this->selection();
        QItemSelectionModel::select(selection, command);
        const bool deselecting = (command & (Deselect | Toggle)) && !(command & Clear);
        if (deselecting && !hasSelection() && !before.isEmpty()) QItemSelectionModel::select(before, Select);
    }
};

void keepOneSelected(QAbstractItemView* list) {
    QItemSelectionModel* previous = list->selectionModel();
    list->setSelectionModel(new KeepOneSelected(list->model(), list));
    delete previous;
}
}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setupUi(this);
    finishCreate(bindings());
}

TForm1::TForm1(QWidget* parent, LaidOutElsewhere) : QWidget(parent), Ui::TForm1() {}

void TForm1::finishCreate(const std::vector<Binding>& table) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());  // the form description gives the inner size
    for (int i = 0; i < PageControl1->count(); ++i)
        for (const char* hidden : kHiddenPages)
            if (PageControl1->widget(i)->objectName() == QLatin1String(hidden))
                PageControl1->setTabVisible(i, false);
    createComponents();
    resolveTableControls();
    bind(table);
    console::guarded([this] { FormCreate(); });
}

// Every control member refers to the form's child of its name, or is null where this form
// has no such control (or one of another class).
QStringList TForm1::bindControlsByName() {
    QStringList missing;
#define FORM_CONTROL(Class, name)                    \
    name = findChild<Class*>(QStringLiteral(#name)); \
    if (!name) missing << QStringLiteral(#name);
#include "form_controls.inc"
#undef FORM_CONTROL
    unresolved_ += missing;
    return missing;
}

void TForm1::resolveTableControls() {
    resolveIso15693Controls();
    resolveOutputFormatControls();
}

QWidget* TForm1::resolve(const char* name, const QMetaObject& kind) {
    const QString key = QString::fromLatin1(name);
    QWidget* w = findChild<QWidget*>(key);
    if (!w || !w->metaObject()->inherits(&kind)) {
        if (!unresolved_.contains(key)) unresolved_ << key;
        return nullptr;
    }
    named_.insert(key, w);
    return w;
}

TForm1::~TForm1() = default;

void TForm1::createComponents() {
    // The serial port with the main window's line settings; nothing opens it at start.
    Comm1 = new TComm(this);
    Comm1->setObjectName("Comm1");
    Comm1->setCommName(QStringLiteral("COM1"));
    Comm1->setBaudRate(9600);
    Comm1->setParityCheck(true);
    Comm1->setTxContinueOnXoff(false);
    Comm1->setOutx_XonXoffFlow(false);
    Comm1->setInx_XonXoffFlow(false);
    Comm1->OnReceiveData = [this](QObject* sender, const void* buffer, std::uint16_t length) {
        console::guarded([&] { Comm1ReceiveData(sender, buffer, length); });
    };
    if (StringGrid1)  // a build without the WiFi page has no grid
        StringGrid1->OnSelectCell = [this](int col, int row, bool& canSelect) {
            console::guarded([&] { StringGrid1SelectCell(StringGrid1, col, row, canSelect); });
        };
    // The form's lists keep their selected row against the operator's Ctrl+click, as their
    // handlers need one.
    for (QListWidget* list : findChildren<QListWidget*>()) keepOneSelected(list);
    if (StringGrid1) keepOneSelected(StringGrid1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);

    const char* texts[] = {"  RFID", "", statusText, ""};
    for (int i = 0; i < 4; ++i) {
        auto* panel = new QLabel(QString::fromUtf8(texts[i]), StatusBar1);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        StatusPanels[i] = panel;
    }
    StatusBar1->setSizeGripEnabled(false);
    layOutStatusPanels();

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    auto item = [this](const char* name, const char* caption) {
        QAction* a = caption[0] == '-' ? PopupMenu1->addSeparator() : PopupMenu1->addAction(QString::fromUtf8(caption));
        a->setObjectName(name);
        return a;
    };
    MenuItem1 = item("MenuItem1", "Clear");
    MenuItem2 = item("MenuItem2", "Save");
    N9 = item("N9", "-");
    N15 = item("N15", "Revoke");
    N20 = item("N20", "Select all");
    N16 = item("N16", "-");
    N17 = item("N17", "Shear");
    N18 = item("N18", "Copy");
    N19 = item("N19", "Paste");
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RichEdit1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(RichEdit1->viewport()->mapToGlobal(at)); });
    Timer1->start();
}

// The status panels side by side from the left, 150, 30 and statusWidth pixels wide; the clock panel
// takes the rest of the bar. Where the rest is too narrow for the clock's text in this font,
// the third panel gives up what the clock needs, down to what its own text needs.
void TForm1::layOutStatusPanels() {
    const int widths[] = {150, 30, statusWidth};
    QLabel* clock = StatusPanels[3];
    const QString shown = clock->text();
    int clockNeeds = 0;
    for (const char* sample : {"   2000.12.28   12:58:58 AM   ", "   2000.12.28   12:58:58 PM   "}) {
        clock->setText(QString::fromLatin1(sample));
        clockNeeds = std::max(clockNeeds, clock->sizeHint().width());
    }
    clock->setText(shown);
    const int bar = StatusBar1->width();
    int third = widths[2];
    const int missing = clockNeeds - (bar - widths[0] - widths[1] - third);
    if (missing > 0) third = std::max(StatusPanels[2]->sizeHint().width(), third - missing);
    const int height = StatusBar1->height();
    int x = 0;
    for (int i = 0; i < 3; ++i) {
        const int w = i == 2 ? third : widths[i];
        StatusPanels[i]->setGeometry(x, 0, w, height);
        x += w;
    }
    clock->setGeometry(x, 0, std::max(0, bar - x), height);
}

// Connects each row's control to its handler, through the handler guard. Check boxes and
// radio buttons run their handler on every change of state, also one made by code; a loop
// box's handler starts once the operator's click is over (bindLoopBox); combo boxes only on the
// operator's choice; the page control only when the operator picks a page.
void TForm1::bind(const std::vector<Binding>& table) {
    for (const Binding& row : table) {
        auto handler = row.handler;
        auto run = [this, handler] { console::guarded([this, handler] { (this->*handler)(); }); };
        const QString name = QString::fromUtf8(row.control);
        auto unbound = [this, &name] {
            if (!unresolved_.contains(name)) unresolved_ << name;
        };
        QObject* control = findChild<QObject*>(name);
        auto* b = qobject_cast<QAbstractButton*>(control);
        if (row.kind == Binding::Loop) {
            if (b && b->isCheckable())
                bindLoopBox(b, run);
            else
                unbound();  // a loop box is a checkable button
        } else if (b) {
            if (b->isCheckable())
                connect(b, &QAbstractButton::toggled, this, run);
            else
                connect(b, &QAbstractButton::clicked, this, run);
        } else if (auto* e = qobject_cast<QLineEdit*>(control)) {
            connect(e, &QLineEdit::textChanged, this, run);
        } else if (auto* c = qobject_cast<QComboBox*>(control)) {
            connect(c, &QComboBox::activated, this, run);
        } else if (auto* t = qobject_cast<QTabWidget*>(control)) {
            connect(t, &QTabWidget::currentChanged, this, [this, run] {
                if (!settingPage_) run();
            });
        } else if (auto* a = qobject_cast<QAction*>(control)) {
            connect(a, &QAction::triggered, this, run);
        } else if (auto* timer = qobject_cast<QTimer*>(control)) {
            connect(timer, &QTimer::timeout, this, run);
        } else {
            unbound();  // no control of a kind with an event to bind
        }
    }
}

// A loop box's handler runs a loop for as long as the box stays checked. When the operator's
// click (mouse, keyboard or click()) checks the box, the handler starts from a queued call
// once the click is over: QAbstractButton holds the box's repaint until its click returns, so
// a loop run inside the click would leave the box drawn pressed and unticked, and the click
// unfinished, until the loop ended. The loop that starts then makes its first pass even if
// the box was unchecked again in between, as it did when it started inside the click; it is
// dropped once the program is ending. Every other change of the box (an uncheck, a change by
// the program) runs the handler at once, as the other checkable buttons do.
void TForm1::bindLoopBox(QAbstractButton* box, const std::function<void()>& run) {
    // True from the press to the release of a click: the click's change of state falls in it.
    auto clicking = std::make_shared<bool>(false);
    connect(box, &QAbstractButton::pressed, this, [clicking] { *clicking = true; });
    connect(box, &QAbstractButton::released, this, [clicking] { *clicking = false; });
    connect(box, &QAbstractButton::toggled, this, [this, box, run, clicking](bool checked) {
        if (!checked || !*clicking) return run();
        QMetaObject::invokeMethod(
            this,
            [this, guard = QPointer<QAbstractButton>(box), run] {
                if (!guard || console::programEnding()) return;
                startedByClick_ = guard;
                run();
                startedByClick_ = nullptr;
            },
            Qt::QueuedConnection);
    });
}

bool TForm1::loopGoesOn(const QAbstractButton* box) {
    const bool started = startedByClick_ == box;
    startedByClick_ = nullptr;
    return started || box->isChecked();
}

// A push button's bound handler runs also when the button is disabled or hidden, as a
// program-made click does; a check box toggles.
void TForm1::clickButton(const char* name) {
    QAbstractButton* b = button(name);
    if (!b) return;
    if (b->isCheckable())
        b->toggle();
    else
        emit b->clicked(false);
}

QAbstractButton* TForm1::button(const char* name) const {
    return findChild<QAbstractButton*>(QString::fromUtf8(name));
}

void TForm1::setActivePage(int index) {
    settingPage_ = true;
    PageControl1->setCurrentIndex(index);
    settingPage_ = false;
}

void TForm1::addLog(const std::string& line) { addLogText(QString::fromStdString(line)); }

void TForm1::addLogText(QString line) {
    if (const console::LogSink& sink = console::logSink())
        sink(line);
    else
        RichEdit1->addLine(std::move(line));
}

void TForm1::addLogLatin1(QByteArray line) {
    if (const console::LogSink& sink = console::logSink())
        sink(QString::fromLatin1(line));
    else
        RichEdit1->addLatin1Line(std::move(line));
}

// ---- form events ----

void TForm1::FormCreate() {
    // The tab width is the least width: a caption that needs more widens its tab.
    PageControl1->tabBar()->setStyleSheet(
        QStringLiteral("QTabBar::tab { min-width: %1px; }").arg(PageControl1->width() / 5 - 1));
    resetWifiList(95);
    setadd->setCurrentIndex(0);
    ComboBox2->setCurrentIndex(0);
    Button1->setEnabled(false);
    // Tag-maker lists of the ISO15693 page (items TI, Philips, uid, Other).
    for (QComboBox* list : {ComboBox10, ComboBox12, ComboBox14, ComboBox15, ComboBox16, ComboBox17, ComboBox18,
                            ComboBox19})
        list->setCurrentIndex(1);
    ComboBox11->setCurrentIndex(0);
    ComboBox13->setCurrentIndex(2);
    setActivePage(0);
    // Ultralight page lists.
    ListBox1->setCurrentRow(0);
    ListBox2->setCurrentRow(4);
}

void TForm1::Timer1Timer() {
    StatusPanels[3]->setText(QString::fromStdString(console::dateTimeStamp(console::currentTime())));
}

// A page change stops the continuous modes of CheckBox1 to CheckBox11; the others go on.
void TForm1::uncheckPageLoops() {
    for (int i = 1; i <= 11; ++i)
        if (QAbstractButton* box = button(QStringLiteral("CheckBox%1").arg(i).toUtf8().constData()))
            box->setChecked(false);
}

void TForm1::PageControl1Change() {
    uncheckPageLoops();
    // The serial page's port: the first free port at 9600 baud.
    GetCom();
    pointPortAtFirst(ComboBox1, "No Com Port");
}

void TForm1::FormClose() {
    try {
        Comm1->ClosePort();
    } catch (...) {
        // The program ends all the same.
    }
    console::endProgram();
}

// The first time it is shown, the window with its frame is centred on the screen's working
// area (without panels and docks). Where the platform does not know the frame before the
// window is mapped, it is placed as if it had none.
void TForm1::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        if (QScreen* screen = this->screen()) {
            const QRect area = screen->availableGeometry();
            const QSize outer = frameGeometry().size().expandedTo(size());
            QPoint at = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, outer, area).topLeft();
            // On a screen smaller than the window, its title bar stays reachable.
            move(std::max(at.x(), area.left()), std::max(at.y(), area.top()));
        }
    }
    QWidget::showEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    console::guarded([this] { FormClose(); });
    event->accept();
}

// ---- handlers that nothing on the form invokes ----

void TForm1::N4Click() { console::endProgram(); }

void TForm1::N5Click() {
    if (!Form2) Form2 = createAboutBox();
    console::runModal(Form2);
    delete Form2;
    Form2 = nullptr;
}

// Centred on the main form.
TForm2* TForm1::createAboutBox() { return new TForm2(this); }
TForm3* TForm1::createMemoryLayout() { return new TForm3(this); }

void TForm1::N6Click() { RadioButton3->setChecked(true); }
void TForm1::N7Click() { RadioButton4->setChecked(true); }
void TForm1::N8Click() { RadioButton19->setChecked(true); }
void TForm1::COM1Click() { setActivePage(0); }
void TForm1::N10Click() { setActivePage(1); }
void TForm1::S50S701Click() { setActivePage(2); }
void TForm1::Ultralight1Click() { setActivePage(3); }
void TForm1::ISO14443B1Click() { setActivePage(4); }
void TForm1::ISO156931Click() { setActivePage(5); }
void TForm1::N11Click() {}
void TForm1::N12Click() {}
void TForm1::N13Click() {}
void TForm1::N14Click() {}
void TForm1::N51Click() {}
void TForm1::N61Click() {}

void TForm1::checkcard() {
    struct CardType {
        const char* code;
        const char* found;
        const char* idLabel;
        int idLength;
    };
    static const CardType kTypes[] = {
        {"01", "检测到S50/S70卡", "卡的ID号码为： ", 8},
        {"02", "检测到Ultralight/desfire卡", "卡的ID号码为： ", 14},
        {"03", "检测到ISO 14443 B卡", "卡的ID号码为： ", 8},
        {"04", "中华人民共和国第二代身份证..", "身份证卡的ID号码为： ", 16},
        {"05", "检测到ISO 15693卡", "卡的ID号码为： ", 16},
    };
    std::string type = console::Copy(console::ReplyText, 3, 2);
    for (const CardType& t : kTypes) {
        if (type != t.code) continue;
        addLog(t.found);
        addLog(std::string(t.idLabel) + console::Copy(console::ReplyText, 5, t.idLength) + kCrLf);
    }
    console::ReplyText.clear();
}

// ---- log pane menu ----

void TForm1::MenuItem1Click() { RichEdit1->clearAll(); }

void TForm1::MenuItem2Click() {
    QString name = console::askSaveFileName(this, QStringLiteral("保存接收数据！"),
                                            QStringLiteral("文本文件(.txt)|*.txt"));
    if (name.isEmpty()) return;
    RichEdit1->saveRtf(name);
}

void TForm1::N15Click() { RichEdit1->undoOperatorEdit(); }
void TForm1::N20Click() { RichEdit1->selectAll(); }
void TForm1::N17Click() { RichEdit1->cutSelection(); }
void TForm1::N18Click() { RichEdit1->copySelection(); }
void TForm1::N19Click() { RichEdit1->pasteClipboard(); }

// ---- reader protocol ----

void TForm1::Send(const std::string& data) {
    SendHex(console::readerFrame(setadd->currentText().toStdString(), data));
}

void TForm1::SendUHF(const std::string& data) {
    SendHex(console::uhfFrame(setadd->currentText().toStdString(), data));
}

void TForm1::SendHex(const std::string& frame) {
    console::transferFrame(frame, RadioButton4->isChecked(), [this](const std::string& line) { addLog(line); },
                           *transferTexts);
}

void TForm1::Delay(int ms) { console::Delay(ms); }
void TForm1::Delayy(int ms) { console::Delayy(ms); }

void TForm1::judge(const std::string& noReply, const std::string& damaged, const std::string& failure,
                   const std::function<void()>& success) {
    const std::string& reply = console::ReplyText;
    switch (console::judgeReply(reply)) {
    case console::ReplyKind::None:
        addLog(noReply + console::timeStamp() + kCrLf);
        break;
    case console::ReplyKind::Success:
        success();
        break;
    case console::ReplyKind::Failure:
        addLog(failure + console::timeStamp());
        addLog(console::falsereason(console::replyErrorCode(reply)) + kCrLf);
        break;
    case console::ReplyKind::Damaged:
        addLog(damaged + console::timeStamp() + kCrLf);
        break;
    }
}
