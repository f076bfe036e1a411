// The MIFARE Classic page: block read (20) and write (21) with a sector key, value block
// initialise (22), decrement (23) and increment (24), card number (25), halt (06), and the
// reader address pair. Fields go to the reader as typed; the reader judges them.
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "TForm1.h"
#include "core/hextext.h"
#include "core/transfer.h"
#include "core/verdict.h"

using console::Copy;
using console::kCrLf;
using console::ReplyText;
using console::timeStamp;

namespace {

// The page's log texts; both builds show them as they stand here.
struct MifareClassicPageTexts {
    const char* noReply;
    const char* damaged;
    const char* done;            // success of every command but halt
    const char* cardNumber;      // read and write
    const char* blockData;       // read
    const char* returnedId;      // value commands
    const char* valueLeft;       // increment and decrement
    const char* keyedFailure;    // the five keyed commands
    const char* returnedNumber;  // card number read
    const char* oneCard;
    const char* manyCards;
    const char* numberFailure;
    const char* haltDone;
    const char* haltFailure;
};

const MifareClassicPageTexts kTexts = {
    console::texts::kNoReplyChinese,
    console::texts::kDamagedChinese,
    "操作成功   ",
    "卡号为:",
    "卡的数据为:",
    "返回卡ID号为:",
    "剩余值为为: ",
    "读卡失败   ",
    "返回卡号为:",
    "检测到的卡的数量为一张卡..",
    "检测到的卡的数量为多张卡..",
    "读卡号操作失败   ",
    "HALT操作成功   ",
    "HALT操作失败   ",
};

constexpr int kKeyedWait = 500;
constexpr int kShortWait = 300;

// Mode byte of the keyed commands: bit 0 the request (Idle 0, All 1), bit 1 the key (A 0, B 1).
struct ModeByte {
    bool all;
    bool keyB;
    const char* byte;
};
constexpr ModeByte kModeBytes[] = {
    {false, false, "00"},
    {true, false, "01"},
    {false, true, "02"},
    {true, true, "03"},
};

std::string modeByte(const QRadioButton* all, const QRadioButton* keyB) {
    for (const ModeByte& m : kModeBytes)
        if (m.all == all->isChecked() && m.keyB == keyB->isChecked()) return m.byte;
    return "00";
}

// Card number read: the request code (REQA for "Idle", WUPA for "All") and the halt flag,
// each indexed by whether its second radio is selected.
constexpr const char* kRequestCodes[2] = {"26", "52"};
constexpr const char* kHaltFlags[2] = {"00", "01"};

std::string text(const QComboBox* c) { return c->currentText().toStdString(); }
std::string text(const QLineEdit* e) { return e->text().toStdString(); }

// Characters `first` through the end less `tail`, or nothing when the reply ends before.
std::string middle(const std::string& reply, std::size_t first, std::size_t tail) {
    if (reply.size() < first + tail) return {};
    return Copy(reply, first, reply.size() - tail - first + 1);
}

// Success lines of increment and decrement: the card number and the value left in the block.
std::function<void()> valueLeftLines(TForm1* form) {
    return [form] {
        const std::string reply = ReplyText;
        form->addLog(kTexts.done + timeStamp());
        form->addLog(kTexts.returnedId + Copy(reply, 9, 8));
        form->addLog(kTexts.valueLeft + Copy(reply, 17, 8) + kCrLf);
    };
}

}  // namespace

void TForm1::Button8Click() {
    Send("20" + modeByte(reqa, keyb) + text(ComboBox6) + text(ComboBox3) + text(ComboBox4));
    Delay(kKeyedWait);
    judge(kTexts.noReply, kTexts.damaged, kTexts.keyedFailure, [this] {
        const std::string reply = ReplyText;
        addLog(kTexts.done + timeStamp());
        addLog(kTexts.cardNumber + Copy(reply, 9, 8));
        // All block data, up to the check byte and the end byte.
        addLog(kTexts.blockData + middle(reply, 17, 4) + kCrLf);
    });
}

void TForm1::Button9Click() {
    Send("21" + modeByte(reqaa, keybb) + text(ComboBox8) + text(ComboBox7) + text(ComboBox9) + text(Edit3));
    Delay(kKeyedWait);
    judge(kTexts.noReply, kTexts.damaged, kTexts.keyedFailure, [this] {
        const std::string reply = ReplyText;
        addLog(kTexts.done + timeStamp());
        addLog(kTexts.cardNumber + Copy(reply, 9, 8));
    });
}

void TForm1::Button26Click() {
    Send("22" + modeByte(reqaaa, keybbb) + text(Edit57) + text(Edit58) + text(Edit59));
    Delay(kKeyedWait);
    judge(kTexts.noReply, kTexts.damaged, kTexts.keyedFailure, [this] {
        const std::string reply = ReplyText;
        addLog(kTexts.done + timeStamp());
        addLog(kTexts.returnedId + Copy(reply, 9, 8) + kCrLf);
    });
}

// Increment (24) and decrement (23) report the value left in the block.
void TForm1::Button10Click() {
    Send("24" + modeByte(reqaaaa, keybbbb) + text(Edit1) + text(Edit5) + text(Edit2));
    Delay(kKeyedWait);
    judge(kTexts.noReply, kTexts.damaged, kTexts.keyedFailure, valueLeftLines(this));
}

void TForm1::Button15Click() {
    Send("23" + modeByte(reqaaaaa, keybbbbb) + text(Edit10) + text(Edit7) + text(Edit8));
    Delay(kKeyedWait);
    judge(kTexts.noReply, kTexts.damaged, kTexts.keyedFailure, valueLeftLines(this));
}

void TForm1::Button29Click() {
    Send(std::string("25") + kRequestCodes[reqa5->isChecked()] + kHaltFlags[yeshalt->isChecked()]);
    Delay(kShortWait);
    judge(kTexts.noReply, kTexts.damaged, kTexts.numberFailure, [this] {
        const std::string reply = ReplyText;
        addLog(kTexts.done + timeStamp() + kCrLf);
        addLog(kTexts.returnedNumber + Copy(reply, 11, 8));
        const std::string count = Copy(reply, 9, 2);
        if (count == "00") addLog(std::string(kTexts.oneCard) + kCrLf);
        if (count == "01") addLog(std::string(kTexts.manyCards) + kCrLf);
    });
}

void TForm1::Button16Click() {
    Send("06");
    Delay(kShortWait);
    judge(kTexts.noReply, kTexts.damaged, kTexts.haltFailure,
          [this] { addLog(kTexts.haltDone + timeStamp() + kCrLf); });
}

// The address pair picks the reader address of every later frame, on every page: item 16
// of the address list is "10", item 17 is "11".
void TForm1::RadioButton2Click() {
    if (RadioButton2->isChecked()) setadd->setCurrentIndex(16);
    if (RadioButton1->isChecked()) setadd->setCurrentIndex(17);
}

void TForm1::RadioButton1Click() { RadioButton2Click(); }
