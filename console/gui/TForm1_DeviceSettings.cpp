// The device settings page: search interval (C1), card filter count (C2), output interfaces
// (C3), baud rate (C4), end symbol (C5), Wiegand format (C6), low-level pulse width (C7), idle
// level (C8), Wiegand value position (C9), prefix and suffix (CB) and RF power (CC). Each
// button sends one setting; nothing is read back.
//
// Every field holds one byte. A value that does not fit, or a prefix or suffix edit that is
// neither empty nor two hex digits, is refused before anything is sent, so the reader never
// gets a frame whose bytes are shifted by a stray digit.
#include <QLineEdit>
#include <QRadioButton>
#include <QString>
#include <iterator>
#include <stdexcept>

#include "TForm1.h"
#include "core/hextext.h"
#include "core/verdict.h"

const TForm1::DeviceSettingsPageTexts TForm1::kDeviceSettingsTexts = {
    console::texts::kNoReply,
    console::texts::kDamaged,
    {"Search card interval", "search card interval success     ", "search card interval false     "},
    {"Card filter number", "Set card filter number Success     ", "Set card filter number false     "},
    {"Output interface", "output interface setting  Success    ", "output interface setting false     "},
    {"Baud rate", "Setting baud rate Success     ", "Setting baud rate False     "},
    {"Serial port end symbol", "Serial port end symbol Success     ", "Serial port end symbol false     "},
    {"RF power", "Set RF power Success     ", "Set RF power False     "},
    {"Prefix", "Set prefix Success    ", "Set prefix False    "},
    {"Suffix", "Suffix setting Success     ", "Suffix setting false     "},
    {"Wiegand output format", "Wiegand output format success     ", "Wiegand output format false    "},
    {"Wiegand value position", "Set Wiegand value position success     ",
     "Set Wiegand value position false     "},
    {"Wiegand low level pulse width", "Set wiegand Low level pulse Success     ",
     "Set wiegand Low level pulse False     "},
    {"Wiegand idle level", "Set Wiegand Idle level Success     ", "Set Wiegand Idle level fasle     "},
    "%1: %2 is out of range, enter a number from 0 to 255; nothing was sent",
    "%1: %2 is out of range, enter a hexadecimal value from 00 to FF; nothing was sent",
    "%1 byte %2: \"%3\" is not one byte, enter two hex digits or leave it empty; nothing was sent",
};

namespace {

using Texts = TForm1::DeviceSettingsPageTexts;
const int kWait = 300;

[[noreturn]] void refuse(const char* pattern, const QString& a, const QString& b, const QString& c = {}) {
    QString message = QString::fromUtf8(pattern).arg(a, b);
    if (!c.isNull()) message = message.arg(c);
    throw std::range_error(message.toStdString());
}

// The text read as a hexadecimal number, as "$" in front of it would make it.
long long hexValue(const std::string& text) {
    const std::string digits = console::hexDigits(text);
    if (text.empty() || digits != text || text.size() > 8)
        throw console::EConvertError("'$" + text + "' is not a valid integer value");
    return std::stoll(text, nullptr, 16);
}

enum class Base { Decimal, Hex };

// One byte from a numeric field as two upper-case hex digits.
std::string byteOf(const QLineEdit* edit, Base base, const Texts::Command& command, const Texts& texts) {
    const std::string text = edit->text().toStdString();
    const long long value = base == Base::Decimal ? console::StrToInt(text) : hexValue(text);
    if (value < 0 || value > 0xFF)
        refuse(base == Base::Decimal ? texts.decimalOutOfRange : texts.hexOutOfRange,
               QString::fromUtf8(command.field), edit->text());
    return console::hexByte(static_cast<unsigned>(value));
}

// The four byte edits of the prefix or the suffix as typed. Each is empty or two hex digits;
// all four empty give nothing.
std::string bytesOf(const QLineEdit* const (&edits)[4], const Texts::Command& command, const Texts& texts) {
    std::string data;
    for (int i = 0; i < 4; ++i) {
        const std::string text = edits[i]->text().toStdString();
        if (!text.empty() && (text.size() != 2 || console::hexDigits(text) != text))
            refuse(texts.notOneByte, QString::fromUtf8(command.field), QString::number(i + 1), edits[i]->text());
        data += text;
    }
    return data;
}

std::string flag(const QAbstractButton* open) { return open->isChecked() ? "01" : "00"; }

}  // namespace

void TForm1::sendDeviceSetting(const std::string& data, const DeviceSettingsPageTexts::Command& texts) {
    const DeviceSettingsPageTexts& t = *deviceSettingsTexts;
    Send(data);
    Delay(kWait);
    judge(t.noReply, t.damaged, texts.failure,
          [&] { addLog(texts.success + console::timeStamp() + console::kCrLf); });
}

void TForm1::Button30Click() {
    const auto& t = *deviceSettingsTexts;
    sendDeviceSetting("c1" + byteOf(Edit29, Base::Decimal, t.searchInterval, t), t.searchInterval);
}

void TForm1::Button35Click() {
    const auto& t = *deviceSettingsTexts;
    sendDeviceSetting("c2" + byteOf(Edit35, Base::Decimal, t.filterNumber, t), t.filterNumber);
}

void TForm1::Button41Click() {
    const auto& t = *deviceSettingsTexts;
    sendDeviceSetting("c3" + flag(RadioButton23) + flag(RadioButton25) + flag(RadioButton27), t.interfaces);
}

// A speed outside the list (the operator may type one) goes out without its code; the reader
// judges it.
void TForm1::Button51Click() {
    static const char* const kSpeeds[] = {"9600", "19200", "38400", "57600", "115200"};
    const auto& t = *deviceSettingsTexts;
    std::string data = "C4";
    const QString speed = ComboBox20->currentText();
    for (unsigned code = 0; code < std::size(kSpeeds); ++code)
        if (speed == QLatin1String(kSpeeds[code])) data += console::hexByte(code);
    sendDeviceSetting(data, t.baudRate);
}

void TForm1::Button56Click() {
    const auto& t = *deviceSettingsTexts;
    sendDeviceSetting("c5" + byteOf(Edit37, Base::Decimal, t.endSymbol, t), t.endSymbol);
}

void TForm1::Button62Click() {
    const auto& t = *deviceSettingsTexts;
    sendDeviceSetting("cc" + byteOf(Edit52, Base::Decimal, t.rfPower, t), t.rfPower);
}

void TForm1::Button43Click() {
    const auto& t = *deviceSettingsTexts;
    const QLineEdit* const edits[4] = {Edit24, Edit25, Edit26, Edit27};
    sendDeviceSetting("cb01" + bytesOf(edits, t.prefix, t), t.prefix);
}

void TForm1::Button50Click() {
    const auto& t = *deviceSettingsTexts;
    const QLineEdit* const edits[4] = {Edit44, Edit45, Edit46, Edit47};
    sendDeviceSetting("cb02" + bytesOf(edits, t.suffix, t), t.suffix);
}

void TForm1::Button58Click() {
    const auto& t = *deviceSettingsTexts;
    sendDeviceSetting("c6" + byteOf(Edit39, Base::Decimal, t.wiegandFormat, t), t.wiegandFormat);
}

void TForm1::Button59Click() {
    const auto& t = *deviceSettingsTexts;
    sendDeviceSetting("c9" + byteOf(Edit40, Base::Decimal, t.wiegandPosition, t), t.wiegandPosition);
}

void TForm1::Button60Click() {
    const auto& t = *deviceSettingsTexts;
    sendDeviceSetting("c7" + byteOf(Edit42, Base::Hex, t.lowLevelPulse, t), t.lowLevelPulse);
}

void TForm1::Button61Click() {
    const auto& t = *deviceSettingsTexts;
    sendDeviceSetting("c8" + byteOf(Edit51, Base::Hex, t.idleLevel, t), t.idleLevel);
}
