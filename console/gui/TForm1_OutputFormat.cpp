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

const TForm1::OutputFormatPageTexts TForm1::kOutputFormatTexts = {
    .noReplyWide = console::texts::kNoReplyWideComma,
    .noReply = console::texts::kNoReply,
    .damaged = console::texts::kDamaged,
    .setSuccess = "Set Up Success   ",
    .setFailure = "Set up format false   ",
    .readSuccess = "Read data success    ",
    .readFailure = "Read format false   ",
    .formatHead = "The Output format ： ",
    .flagHead = "The Output format ： ",
    .semicolon = {"add semicolon", "do not add semicolon "},
    .comma = {"add ,", "do not add , "},
    .question = {"add ?", "do not add ? "},
    .enter = {"add enter", "do not add enter "},
    .enterLineEnd = console::kCrLf,
    .noCustom = "no add customize data...   ",
    .customIs = "The customize data is ：  ",
    .activeSuccess = "Set Active reading success    ",
    .activeFailure = "Set Active reading false   ",
    .passiveSuccess = "Set Passtive reading success    ",
    .passiveFailure = "Set Passtive reading false   ",
    .factorySuccess = "Restore factory settings Success    ",
    .factoryFailure = "Restore factory settings False    ",
    .versionSuccess = "read version number success ",
    .versionFailure = "read version number false    ",
    .versionIs = "the version number is：：",
    .formatNames = {"2H4D + 2H4D ", "8 no. in HEX (7 byte) ", "8 no. in HEX reverse  (7 byte)  ",
                    "8 no. in HEX reverse", "EPC card nubmer transform GS1 format（sgtin-96）...", "13 no. in D",
                    "18 no. in D", "10 no. in HEX", "5 no. in D", "8 no. in D ", "10 no. in D reverse",
                    "8 no. in D (last 3bytes)", "8 no. in HEX", "00+8 no. in D (last 3 bytes)",
                    "8 no. in D (The card last 3bytes)", "10 no.in D", "Card number converted to ASCII output..."},
    .customLength = "Card number custom length hexadecimal output...",
    .byteCountOutOfRange = "The byte count %1 is out of range: enter 0 to 127",
};

namespace {

using console::kCrLf;
const int kWait = 300;

struct FormatCode {
    const char* radio;
    const char* code;
};

// In the order the set command tests the radio buttons; "Card number hexadecimal output"
// (RadioButton35) takes its code from the byte count instead.
const FormatCode kFormats[] = {
    {"RadioButton5", "07"},  {"RadioButton6", "0C"},  {"RadioButton7", "0D"},  {"RadioButton8", "03"},
    {"RadioButton9", "0B"},  {"RadioButton10", "06"}, {"RadioButton11", "0E"}, {"RadioButton12", "08"},
    {"RadioButton13", "09"}, {"RadioButton14", "0A"}, {"RadioButton15", "05"}, {"RadioButton16", "0F"},
    {"RadioButton17", "00"}, {"RadioButton21", "01"}, {"RadioButton22", "02"}, {"RadioButton29", "04"},
    {"RadioButton34", "10"},
};

std::string flag(const QAbstractButton* box) { return box->isChecked() ? "01" : "00"; }

// The version as characters of the reader's code page, without the zero bytes that pad it;
// nothing when a byte does not decode or a control character could not be shown.
std::optional<std::string> decodedVersion(std::string bytes) {
    while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
    std::optional<std::string> text = console::decodeCp936(bytes);
    if (text)
        for (unsigned char c : *text)
            if (c < 0x20 || c == 0x7F) return std::nullopt;
    return text;
}

}  // namespace

std::string TForm1::versionText(const std::string& data, std::string (*convert)(const std::string&)) {
    std::optional<std::string> text;
    try {
        text = decodedVersion(convert(data));
    } catch (const console::EConvertError&) {
    }
    return text ? *text : data;
}

void TForm1::resolveOutputFormatControls() {
    for (const FormatCode& f : kFormats) resolve<QAbstractButton>(f.radio);
}

void TForm1::Button24Click() {
    std::string code;
    for (const FormatCode& f : kFormats)
        if (named<QAbstractButton>(f.radio)->isChecked()) code = f.code;
    if (RadioButton35->isChecked()) {
        std::string count = Edit64->text().toStdString();
        if (count == "00") {
            code = "01";
        } else {
            long long n = console::StrToInt(count);
            // The reader takes 80 + n in one byte: 0 to 127 bytes.
            if (n < 0 || n > 127)
                throw std::range_error(QString::fromUtf8(outputFormatTexts->byteCountOutOfRange)
                                           .arg(QString::fromStdString(count))
                                           .toStdString());
            code = console::hexByte(static_cast<unsigned>(n + 128));
        }
    }
    Send("82" + code + flag(CheckBox16) + flag(CheckBox17) + flag(CheckBox18) + flag(CheckBox15) +
         flag(RadioButton18) + "01" + flag(CheckBox21));
    Delay(kWait);
    const OutputFormatPageTexts& t = *outputFormatTexts;
    judge(t.noReplyWide, t.damaged, t.setFailure, [&] { addLog(t.setSuccess + timeStamp() + kCrLf); });
}

void TForm1::Button25Click() {
    Send("83");
    Delay(kWait);
    const OutputFormatPageTexts& t = *outputFormatTexts;
    judge(t.noReplyWide, t.damaged, t.readFailure, [&] {
        const std::string reply = ReplyText;
        addLog(t.readSuccess + timeStamp());
        std::string code = Copy(reply, 11, 2);
        std::string format;
        const long long value = console::pairValue(code);
        format = value > 0x10 ? t.customLength : t.formatNames[value];
        auto added = [&](std::size_t at, const char* const (&texts)[2]) {
            return Copy(reply, at, 2) != "00" ? texts[0] : texts[1];
        };
        addLog(t.formatHead + format);
        addLog(t.flagHead + std::string(added(13, t.semicolon)));
        addLog(t.flagHead + std::string(added(17, t.comma)));
        addLog(t.flagHead + std::string(added(15, t.question)));
        addLog(t.flagHead + std::string(added(19, t.enter)) + t.enterLineEnd);
        if (Copy(reply, 25, 2) == "00")
            addLog(t.noCustom + std::string(kCrLf));
        else
            addLog(t.customIs + Copy(reply, 19, 2));
    });
}

void TForm1::Button27Click() {
    Send("0f01");
    Delay(kWait);
    const OutputFormatPageTexts& t = *outputFormatTexts;
    judge(t.noReplyWide, t.damaged, t.activeFailure, [&] { addLog(t.activeSuccess + timeStamp()); });
}

void TForm1::Button28Click() {
    Send("0f02");
    Delay(kWait);
    const OutputFormatPageTexts& t = *outputFormatTexts;
    judge(t.noReplyWide, t.damaged, t.passiveFailure, [&] { addLog(t.passiveSuccess + timeStamp()); });
}

void TForm1::Button57Click() {
    Send("cf");
    Delay(kWait);
    const OutputFormatPageTexts& t = *outputFormatTexts;
    judge(t.noReply, t.damaged, t.factoryFailure, [&] { addLog(t.factorySuccess + timeStamp() + kCrLf); });
}

void TForm1::Button63Click() {
    Send("c0");
    Delay(kWait);
    const OutputFormatPageTexts& t = *outputFormatTexts;
    judge(t.noReply, t.damaged, t.versionFailure, [&] {
        addLog(t.versionSuccess);
        const std::string reply = ReplyText;
        long long count = static_cast<long long>(reply.size()) - 12;
        std::string data = count > 0 ? Copy(reply, 9, static_cast<std::size_t>(count)) : std::string();
        addLog(t.versionIs + versionText(data, console::Getchr) + kCrLf);
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
