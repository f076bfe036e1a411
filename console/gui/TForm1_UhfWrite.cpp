// The UHF write page: EPC inventory, select, read and write through the reader's UHF
// pass-through, with automatic numbering and automatic card issue; the reader's mode switch;
// the hidden 24-digit counter.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "TForm1.h"
#include "TForm3.h"
#include "core/hextext.h"
#include "core/transfer.h"
#include "core/uhf.h"
#include "core/verdict.h"
#include "seams.h"

using console::Copy;
using console::kCrLf;
using console::ReplyText;
using console::timeStamp;

namespace {

namespace uhf = console::uhf;

// Texts that every build writes alike.
const char* const kNoCard = "The card is not exist..!   ";
const char* const kNoData = console::texts::kNoReplyUhf;
const char* const kDamaged = console::texts::kDamagedUhf;
const char* const kEpcIs = "the epc is: ";
const char* const kWrittenChinese = "写卡成功,卡号";
const char* const kOverflow = "the data overflow!   ";

const int kModuleWait = 500;
const int kModeWait = 300;

std::string text(const QLineEdit* edit) { return edit->text().toStdString(); }


// The reader mode radio buttons and the command data each sends; the last one carries the
// memory sector fields.
struct ReaderMode {
    QRadioButton* TForm1::*radio;
    const char* data;
};
const ReaderMode kReaderModes[] = {
    {&TForm1::RadioButton30, "0f01"}, {&TForm1::RadioButton31, "0f02"}, {&TForm1::RadioButton32, "0f03"},
    {&TForm1::RadioButton33, "0f04"}, {&TForm1::RadioButton36, nullptr},
};

}  // namespace

void TForm1::refuse(const char* reason) { addLog(reason + timeStamp() + kCrLf); }

void TForm1::uhfInventory() {
    SendUHF(uhf::kInventory);
    Delay(kModuleWait);
    ReplyText = uhf::cutReply(ReplyText);
}

void TForm1::showMemoryLayout() {
    if (!Form3) Form3 = createMemoryLayout();
    console::runModal(Form3);
    delete Form3;
    Form3 = nullptr;
}

void TForm1::Button69Click() {
    const UhfPageTexts& t = *uhfTexts;
    std::string name;
    for (std::size_t i = 0; i < std::size(kReaderModes); ++i) {
        const ReaderMode& mode = kReaderModes[i];
        if (!(this->*mode.radio)->isChecked()) continue;
        std::string data;
        if (mode.data) {
            data = mode.data;
        } else {
            if (!uhf::sectorFieldsHold(text(Edit65), text(Edit66), text(Edit67), text(Edit68)))
                return refuse(t.refusedSector);
            data = "BC" + text(Edit65) + text(Edit66) + text(Edit67) + text(Edit68);
        }
        name = t.readerModeNames[i];
        Send(data);
    }
    Delay(kModeWait);
    judge(t.readerModeNoReply, t.readerModeDamaged,
          t.readerModeFailureHead + name + t.readerModeFailureTail + "   ", [&] {
              addLog(t.readerModeSuccessHead + name + t.readerModeSuccessTail + "   " + timeStamp());
          });
}

bool TForm1::inventoryShowingEpc(std::string (*epcOf)(const std::string& cut)) {
    uhfInventory();
    const std::string cut = ReplyText;
    if (uhf::isNoTagFrame(cut)) {
        addLog(kNoCard + timeStamp() + kCrLf);
        return false;
    }
    if (cut.empty()) addLog(kNoData + timeStamp() + kCrLf);
    if (cut.size() > 20) addLog(kEpcIs + epcOf(cut));
    return true;
}

void TForm1::Button65Click() { inventoryShowingEpc(uhf::epc12); }

void TForm1::Button67Click() {
    if (!inventoryShowingEpc(uhf::epc12)) return;
    Edit53->setText(QString::fromStdString(uhf::epc12(ReplyText)));
    SendUHF(uhf::selectFrame(text(Edit53), 12));
    Delay(kModuleWait);
    SendUHF(uhf::readEpcMemoryFrame());
    Delay(kModuleWait);
}

// The write sequence: find the tag, leave it alone if it carries the number written last,
// else select it, write the number with its PC word and count on.
void TForm1::Button66Click() {
    const UhfPageTexts& t = *uhfTexts;
    const std::string number = console::hexDigits(text(Edit54));
    Edit54->setText(QString::fromStdString(number));
    const std::string password = text(Edit63);
    const std::string step = text(Edit62);
    const bool reverseOrder = reverse->isChecked();

    // Whole words only, within what the PC byte holds; the step must add to the number. An
    // automatic issue stops at a refusal instead of meeting it on every pass.
    auto stopAndRefuse = [&](const char* reason) {
        if (CheckBox20->isChecked()) CheckBox20->setChecked(false);
        refuse(reason);
    };
    const std::size_t m = number.size() / 2;
    if (number.empty() || number.size() % 4 != 0 || m > uhf::kMaxWriteEpcBytes)
        return stopAndRefuse(t.refusedEpc);
    if (!uhf::holdsHexDigits(password, 8)) return stopAndRefuse(t.refusedPassword);
    try {
        std::string next;
        console::AddHexNumbers(number, step, reverseOrder, next);
    } catch (const console::EConvertError&) {
        return stopAndRefuse(t.refusedStep);
    }

    uhfInventory();
    const std::string cut = ReplyText;
    if (uhf::isNoTagFrame(cut)) return addLog(kNoCard + timeStamp());
    if (cut.empty()) return addLog(kNoData + timeStamp() + kCrLf);
    if (cut.size() <= 8) return;
    const uhf::InventoryTag tag = uhf::readInventory(cut);
    // No room for an EPC, an EPC that runs past the answer, or one the select cannot mask: a
    // tag answered, but not usably. The automatic issue passes over it as over an empty field.
    if (!tag.found || tag.epcBytes > uhf::kMaxSelectEpcBytes) return addLog(kDamaged + timeStamp() + kCrLf);
    Edit60->setText(QString::fromStdString(tag.epc));
    if (epcbuf->text().toStdString() == tag.epc) return;

    SendUHF(uhf::selectFrame(tag.epc, tag.epcBytes));
    Delay(kModuleWait);
    ReplyText = uhf::cutReply(ReplyText);

    SendUHF(uhf::writeEpcFrame(password, tag.crc, number, m));
    Delay(kModuleWait);
    ReplyText = uhf::cutReply(ReplyText);
    const std::string answer = ReplyText;
    if (answer.empty()) return addLog(kNoData + timeStamp() + kCrLf);
    const std::string command = Copy(answer, 5, 2);
    if (command == "49") {
        if (t.writeSuccess) addLog(t.writeSuccess + number);
        addLog(kWrittenChinese + number);
        epcbuf->setText(QString::fromStdString(number));
        std::string next;
        console::AddHexNumbers(number, step, reverseOrder, next);
        Edit54->setText(QString::fromStdString(next));
        return;
    }
    if (command == "FF") return;  // the module refused the write: the same number next pass
    addLog(kDamaged + timeStamp() + kCrLf);
}

void TForm1::CheckBox20Click() {
    const UhfPageTexts& t = *uhfTexts;
    auto caption = [&] {
        CheckBox20->setText(QString::fromUtf8(CheckBox20->isChecked() ? t.stopIssueCaption : t.startIssueCaption));
    };
    caption();
    try {
        runContinuousMode("CheckBox20");
    } catch (...) {
        // A wait field that holds no number ends the issue; the box shows that it stopped.
        CheckBox20->setChecked(false);
        caption();
        throw;
    }
    caption();
}

void TForm1::Button70Click() { RichEdit1->clearAll(); }

void TForm1::Button72Click() { showMemoryLayout(); }

// The hidden counter: the device settings page's Edit25 as four six-digit chunks that count
// up from the last, each carrying into the one before.
void TForm1::Button68Click() {
    const std::string digits = console::hexDigits(text(Edit25));
    std::string chunks[4];
    long long values[4];
    for (int i = 0; i < 4; ++i) {
        chunks[i] = Copy(digits, 1 + 6 * static_cast<std::size_t>(i), 6);
        if (chunks[i].empty())
            throw console::EConvertError(QString::fromUtf8(uhfTexts->counterTooShort)
                                             .arg(QString::fromStdString(digits))
                                             .arg(i + 1)
                                             .toStdString());
        values[i] = std::stoll(chunks[i], nullptr, 16);
    }
    auto hex6 = [](long long v) {
        std::string s;
        for (; v > 0; v /= 16) s.insert(s.begin(), "0123456789ABCDEF"[v % 16]);
        if (s.size() < 6) s.insert(0, 6 - s.size(), '0');
        return s;
    };
    Edit25->setText(QString::fromStdString(digits));
    for (int i = 3; i >= 0; --i) {
        chunks[i] = hex6(values[i] + 1);
        if (chunks[i] != "1000000") break;
        if (i == 0) {
            addLog(kOverflow);
            break;
        }
        chunks[i] = "000000";
    }
    const std::string counted = chunks[0] + chunks[1] + chunks[2] + chunks[3];
    addLog(counted);
    Edit25->setText(QString::fromStdString(counted));
}
