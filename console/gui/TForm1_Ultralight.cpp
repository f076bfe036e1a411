// The Ultralight page: card number (E3), page read (E0), page write (E1) and halt (06). The
// write data goes to the reader as typed; the reader judges it.
#include <QListWidget>
#include <QRadioButton>
#include <cstring>
#include <stdexcept>

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
struct UltralightPageTexts {
    const char* noReply;
    const char* damaged;
    const char* numberDone;
    const char* numberFailure;
    const char* cardNumber;  // card number read and write
    const char* readDone;
    const char* readData;
    const char* readId;
    const char* readFailure;
    const char* writeDone;
    const char* writeFailure;
};

const UltralightPageTexts kTexts = {
    console::texts::kNoReplyChinese,
    console::texts::kDamagedChinese,
    "读卡号 操作成功   ",
    "读卡ID号操作失败   ",
    "卡号为:",
    "读卡 操作成功   ",
    "读卡返回数据为: ",
    "卡ID号为:",
    "读卡失败   ",
    "写卡操作成功   ",
    "写卡操作失败   ",
};

constexpr int kNumberWait = 300;
constexpr int kReadWait = 800;
constexpr int kWriteWait = 500;

// Mode byte by whether the group's "All" radio is selected.
constexpr const char* kModeBytes[2] = {"00", "01"};

// Page byte of each item of the page lists: the decimal page number as one hex byte.
struct PageByte {
    const char* item;
    const char* byte;
};
constexpr PageByte kPageBytes[] = {
    {"00", "00"}, {"01", "01"}, {"02", "02"}, {"03", "03"}, {"04", "04"}, {"05", "05"},
    {"06", "06"}, {"07", "07"}, {"08", "08"}, {"09", "09"}, {"10", "0A"}, {"11", "0B"},
    {"12", "0C"}, {"13", "0D"}, {"14", "0E"}, {"15", "0F"},
};

// The selected page of a list; a list with nothing selected ends the click unsent.
std::string pageByte(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty()) throw std::out_of_range("List index out of bounds (-1)");
    const std::string item = selected.first()->text().toStdString();
    for (const PageByte& p : kPageBytes)
        if (item == p.item) return p.byte;
    throw console::EConvertError("'" + item + "' is not a page of the tag");
}

}  // namespace

void TForm1::Button55Click() {
    Send(std::string("E3") + kModeBytes[Ula->isChecked()]);
    Delay(kNumberWait);
    judge(kTexts.noReply, kTexts.damaged, kTexts.numberFailure, [this] {
        const std::string reply = ReplyText;
        addLog(kTexts.numberDone + timeStamp());
        addLog(kTexts.cardNumber + Copy(reply, 9, 14) + kCrLf);
    });
}

void TForm1::Button18Click() {
    Send(std::string("E0") + kModeBytes[Ulaa->isChecked()] + pageByte(ListBox1));
    Delay(kReadWait);
    judge(kTexts.noReply, kTexts.damaged, kTexts.readFailure, [this] {
        const std::string reply = ReplyText;
        addLog(kTexts.readDone + timeStamp());
        addLog(kTexts.readData + Copy(reply, 9, 32));
        addLog(kTexts.readId + Copy(reply, 41, 14) + kCrLf);
    });
}

// The fixed byte 01 stands where the block writes carry their block count.
void TForm1::Button54Click() {
    Send(std::string("E1") + kModeBytes[Ulaaa->isChecked()] + "01" + pageByte(ListBox2) +
         Edit56->text().toStdString());
    Delay(kWriteWait);
    judge(kTexts.noReply, kTexts.damaged, kTexts.writeFailure, [this] {
        const std::string reply = ReplyText;
        addLog(kTexts.writeDone + timeStamp());
        addLog(kTexts.cardNumber + Copy(reply, 9, 14) + kCrLf);
    });
}

// The same halt command and lines as the MIFARE Classic page's.
void TForm1::Button17Click() { Button16Click(); }
