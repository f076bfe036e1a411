// The UHF module group of the serial page: the module's work mode and its switch to USB HID
// over the COM port, the reader's switch to its virtual serial port over USB, and the
// memory-layout window.
#include <QLineEdit>
#include <QRadioButton>

#include "TForm1.h"
#include "core/hextext.h"
#include "core/transfer.h"
#include "core/uhf.h"
#include "core/verdict.h"

using console::Copy;
using console::kCrLf;
using console::SerialRxText;
using console::timeStamp;

namespace {

std::string text(const QLineEdit* edit) { return edit->text().toStdString(); }

const int kSerialWait = 300;

// The work mode radio buttons with the frames they send; the last builds the memory sector
// frame from its fields.
struct WorkMode {
    QRadioButton* TForm1::*radio;
    const char* frame;
};
const WorkMode kWorkModes[] = {
    {&TForm1::RadioButton39, "BB 00 C1 00 01 01 C3 7E"},  {&TForm1::RadioButton40, "BB 00 C1 00 01 00 C2 7E "},
    {&TForm1::RadioButton41, "BB 00 C1 00 01 02 C4 7E"},  {&TForm1::RadioButton42, "BB 00 C1 00 01 03 C5 7E "},
    {&TForm1::RadioButton43, nullptr},
};


// A code of one or two decimal digits; anything else (a letter, a short answer) is none.
bool decimalCode(const std::string& code, int& value) {
    if (code.size() != 2 || code[0] < '0' || code[0] > '9' || code[1] < '0' || code[1] > '9') return false;
    value = (code[0] - '0') * 10 + (code[1] - '0');
    return true;
}

}  // namespace

// The serial answer is waited for in full, so that an answer in two bursts is judged on the
// second; only a burst that came after the send counts.
bool TForm1::serialAnswered(unsigned long long bursts) {
    Delayy(kSerialWait);
    return console::SerialRxBursts != bursts && !SerialRxText.empty();
}

void TForm1::Button71Click() {
    const UhfPageTexts& t = *uhfTexts;
    SendHex("AA 00 01 B8 B9 BB");
    Delay(kSerialWait);
    judge(t.serialNoReply, t.serialDamaged, t.virtualSerialFailure,
          [&] { addLog(t.virtualSerialSuccess + timeStamp() + kCrLf); });
}

void TForm1::Button76Click() {
    const UhfPageTexts& t = *uhfTexts;
    const unsigned long long bursts = console::SerialRxBursts;
    Send232HEX("BB 00 C2 00 01 00 C3 7E");
    if (!serialAnswered(bursts)) return addLog(t.serialNoReply + timeStamp() + kCrLf);
    const std::string code = Copy(SerialRxText, 11, 2);
    if (code == "00") {
        addLog(t.usbHidSuccess + timeStamp() + kCrLf);
        // The module now speaks USB HID: its COM port is gone.
        closePortOfGroup();
    } else if (code == "01") {
        addLog(t.usbHidFailure + timeStamp());
        addLog(console::falsereason(code) + kCrLf);
    } else {
        addLog(t.serialDamaged + timeStamp() + kCrLf);
    }
}

void TForm1::Button75Click() {
    const UhfPageTexts& t = *uhfTexts;
    int checked = -1;
    std::string frame;
    for (std::size_t i = 0; i < std::size(kWorkModes); ++i) {
        if (!(this->*kWorkModes[i].radio)->isChecked()) continue;
        checked = static_cast<int>(i);
        if (kWorkModes[i].frame) {
            frame = kWorkModes[i].frame;
        } else {
            if (!console::uhf::sectorFieldsHold(text(Edit69), text(Edit70), text(Edit71), text(Edit72)))
                return refuse(t.refusedSector);
            frame = console::uhf::sectorFrame(text(Edit69), text(Edit70), text(Edit71), text(Edit72));
            addLog(frame);
        }
    }
    const unsigned long long bursts = console::SerialRxBursts;
    Send232HEX(frame);
    if (!serialAnswered(bursts)) return addLog(t.serialNoReply + timeStamp() + kCrLf);
    const std::string code = Copy(SerialRxText, 11, 2);
    int value = 0;
    if (!decimalCode(code, value)) return addLog(t.workModeDamaged + timeStamp() + kCrLf);
    if (value <= 7) {
        // The mode the module reports it now has.
        std::string name;
        if (code == "01") name = t.workModeNames[0];
        if (code == "00") name = t.workModeNames[1];
        if (code == "02") name = t.workModeNames[2];
        if (code == "03" && RadioButton42->isChecked()) name = t.workModeNames[3];
        if (code == "03" && RadioButton43->isChecked()) name = t.workModeNames[4];
        addLog(t.workModeSuccessHead + name + t.workModeSuccessTail + "   " + timeStamp());
        return;
    }
    // An error code: the mode that was asked for, and the code's message.
    const std::string name = checked >= 0 && checked < 4 ? t.workModeNames[checked] : "";
    addLog(t.workModeFailureHead + name + t.workModeFailureTail + "   " + timeStamp());
    addLog(console::falsereason(code) + kCrLf);
}

void TForm1::Button77Click() { showMemoryLayout(); }
