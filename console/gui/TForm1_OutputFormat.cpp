// The output format settings page: card-number output format (82/83), active and passive
// reading (0F), factory default (CF), version (C0) and the buzzer toggle.
#include <QRadioButton>
#include <optional>
#include <stdexcept>

#include "TForm1.h"
#include "core/codepage.h"
#include "core/hextext.h"
#include "core/transfer.h"
#include "core/verdict.h"

using console::Copy;
using console::ReplyText;
using console::timeStamp;

namespace {

using console::kCrLf;
const char* const kNoDataWide = console::texts::kNoReplyWideComma;
const char* const kNoData = console::texts::kNoReply;
const char* const kDamaged = console::texts::kDamaged;
const int kWait = 300;

struct FormatCode {
    const char* radio;
    const char* code;
    const char* readBack;
};

// In the order the set command tests the radio buttons; "Card number hexadecimal output"
// (RadioButton35) takes its code from the byte count instead.
const FormatCode kFormats[] = {
    {"RadioButton5", "07", "10 no. in HEX"},
    {"RadioButton6", "0C", "8 no. in HEX"},
    {"RadioButton7", "0D", "00+8 no. in D (last 3 bytes)"},
    {"RadioButton8", "03", "8 no. in HEX reverse"},
    {"RadioButton9", "0B", "8 no. in D (last 3bytes)"},
    {"RadioButton10", "06", "18 no. in D"},
    {"RadioButton11", "0E", "8 no. in D (The card last 3bytes)"},
    {"RadioButton12", "08", "5 no. in D"},
    {"RadioButton13", "09", "8 no. in D "},
    {"RadioButton14", "0A", "10 no. in D reverse"},
    {"RadioButton15", "05", "13 no. in D"},
    {"RadioButton16", "0F", "10 no.in D"},
    {"RadioButton17", "00", "2H4D + 2H4D "},
    {"RadioButton21", "01", "8 no. in HEX (7 byte) "},
    {"RadioButton22", "02", "8 no. in HEX reverse  (7 byte)  "},
    {"RadioButton29", "04", "EPC card nubmer transform GS1 format（sgtin-96）..."},
    {"RadioButton34", "10", "Card number converted to ASCII output..."},
};
const char* const kCustomLength = "Card number custom length hexadecimal output...";

std::string flag(const QAbstractButton* box) { return box->isChecked() ? "01" : "00"; }

// The version as characters of the reader's code page, without the zero bytes that pad it;
// nothing when a byte does not decode or a control character could not be shown.
std::optional<std::string> versionText(std::string bytes) {
    while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
    std::optional<std::string> text = console::decodeCp936(bytes);
    if (text)
        for (unsigned char c : *text)
            if (c < 0x20 || c == 0x7F) return std::nullopt;
    return text;
}

}  // namespace

void TForm1::Button24Click() {
    std::string code;
    for (const FormatCode& f : kFormats)
        if (button(f.radio)->isChecked()) code = f.code;
    if (RadioButton35->isChecked()) {
        std::string count = Edit64->text().toStdString();
        if (count == "00") {
            code = "01";
        } else {
            long long n = console::StrToInt(count);
            // The reader takes 80 + n in one byte: 0 to 127 bytes.
            if (n < 0 || n > 127)
                throw std::range_error("The byte count " + count + " is out of range: enter 0 to 127");
            code = console::hexByte(static_cast<unsigned>(n + 128));
        }
    }
    Send("82" + code + flag(CheckBox16) + flag(CheckBox17) + flag(CheckBox18) + flag(CheckBox15) +
         flag(RadioButton18) + "01" + flag(CheckBox21));
    Delay(kWait);
    judge(kNoDataWide, kDamaged, "Set up format false   ",
          [this] { addLog("Set Up Success   " + timeStamp() + kCrLf); });
}

void TForm1::Button25Click() {
    Send("83");
    Delay(kWait);
    judge(kNoDataWide, kDamaged, "Read format false   ", [this] {
        const std::string reply = ReplyText;
        addLog("Read data success    " + timeStamp());
        std::string code = Copy(reply, 11, 2);
        std::string format;
        for (const FormatCode& f : kFormats)
            if (code == f.code) format = f.readBack;
        if (console::pairValue(code) > 0x10) format = kCustomLength;
        auto added = [&](std::size_t at, const char* yes, const char* no) {
            return Copy(reply, at, 2) != "00" ? yes : no;
        };
        const std::string head = "The Output format ： ";
        addLog(head + format);
        addLog(head + added(13, "add semicolon", "do not add semicolon "));
        addLog(head + added(17, "add ,", "do not add , "));
        addLog(head + added(15, "add ?", "do not add ? "));
        addLog(head + added(19, "add enter", "do not add enter ") + kCrLf);
        if (Copy(reply, 25, 2) == "00")
            addLog(std::string("no add customize data...   ") + kCrLf);
        else
            addLog("The customize data is ：  " + Copy(reply, 19, 2));
    });
}

void TForm1::Button27Click() {
    Send("0f01");
    Delay(kWait);
    judge(kNoDataWide, kDamaged, "Set Active reading false   ",
          [this] { addLog("Set Active reading success    " + timeStamp()); });
}

void TForm1::Button28Click() {
    Send("0f02");
    Delay(kWait);
    judge(kNoDataWide, kDamaged, "Set Passtive reading false   ",
          [this] { addLog("Set Passtive reading success    " + timeStamp()); });
}

void TForm1::Button57Click() {
    Send("cf");
    Delay(kWait);
    judge(kNoData, kDamaged, "Restore factory settings False    ",
          [this] { addLog("Restore factory settings Success    " + timeStamp() + kCrLf); });
}

void TForm1::Button63Click() {
    Send("c0");
    Delay(kWait);
    judge(kNoData, kDamaged, "read version number false    ", [this] {
        addLog("read version number success ");
        const std::string reply = ReplyText;
        long long count = static_cast<long long>(reply.size()) - 12;
        std::string data = count > 0 ? Copy(reply, 9, static_cast<std::size_t>(count)) : std::string();
        std::optional<std::string> text;
        try {
            text = versionText(console::Getchr(data));
        } catch (const console::EConvertError&) {
        }
        addLog("the version number is：：" + (text ? *text : data) + kCrLf);
    });
}

void TForm1::Button64Click() {
    if (Button64->text() == QLatin1String("Close voice")) {
        SendHex("AA 00 02 CD 00 CF BB ");
        Button64->setText(QStringLiteral("Open voice"));
        addLog("Send Buzzer Open Instruction..");
    } else {
        SendHex("AA 00 02 CD 01 CE BB ");
        Button64->setText(QStringLiteral("Close voice"));
        addLog("Send buzzer shutdown instructions");
    }
}
