// The WiFi page of a network reader: network name and password (8A), the reader's IP address
// (8B) and the list of networks it sees (8C), shown in StringGrid1.
//
// Names and passwords travel as UTF-8 bytes. A scanned name or signal is shown decoded from
// UTF-8 where its bytes are UTF-8, else from the readers' code page 936, as a network named by
// a Chinese system arrives. The reader separates name and password by "," and ends each listed
// network with ";" without escaping either, so a name or password holding one of them is
// refused, as is one too long for a frame.
#include <QLineEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <stdexcept>

#include "TForm1.h"
#include "core/codepage.h"
#include "core/hextext.h"
#include "core/transfer.h"
#include "core/verdict.h"
#include "stringgrid.h"

std::int32_t TForm1::WifiListRow = 1;

namespace {

using console::kCrLf;
using console::timeStamp;

const char* const kNoData = console::texts::kNoReplyUhf;
const char* const kDamaged = console::texts::kDamaged;
const int kWait = 300;
const int kScanWait = 2000;

const char* const kComma = "2C";
const char* const kSemicolon = "3B";

// Command byte, name, comma and password must fit the data of one reader frame.
constexpr int kMaxNameAndPassword = console::kMaxFrameBytes - 5 - 2;

QString fromUtf8Hex(const std::string& hex) { return QString::fromStdString(console::Getchr(hex)); }

// A scanned text: UTF-8 when its bytes are, else code page 936 when they are that; bytes
// that are neither show as UTF-8 with replacement characters.
QString scannedText(const std::string& hex) {
    const std::string bytes = console::Getchr(hex);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(QByteArray::fromStdString(bytes));
    if (!utf8.hasError()) return text;
    if (const std::optional<std::string> cp936 = console::decodeCp936(bytes)) return QString::fromStdString(*cp936);
    return text;
}

// The field's text as UTF-8, refused when it holds a separator of the reader's format.
std::string wifiField(const QLineEdit* edit, const char* what) {
    const std::string text = edit->text().toStdString();
    if (text.find_first_of(",;") != std::string::npos)
        throw std::invalid_argument(std::string("The WiFi ") + what +
                                    " must not hold \",\" or \";\": the reader takes them as separators; "
                                    "nothing was sent");
    return text;
}

}  // namespace

void TForm1::resetWifiList(int signalColumnWidth) {
    StringGrid1->clearCells();
    StringGrid1->setGridColCount(4);
    StringGrid1->setGridRowCount(11);
    StringGrid1->setCell(1, 0, QStringLiteral("Serial number"));
    StringGrid1->setCell(2, 0, QStringLiteral("WIFI Name"));
    StringGrid1->setCell(3, 0, QStringLiteral("signal intensity"));
    const int widths[] = {0, 84, 306, signalColumnWidth};
    for (int col = 0; col < 4; ++col) StringGrid1->setColWidth(col, widths[col]);
    WifiListRow = 1;
}

void TForm1::Button78Click() {
    const std::string name = wifiField(Edit73, "name");
    const std::string password = wifiField(Edit74, "password");
    const std::size_t size = name.size() + password.size();
    if (size > static_cast<std::size_t>(kMaxNameAndPassword))
        throw std::length_error("The WiFi name and password take " + std::to_string(size) +
                                " bytes; together they may take at most " +
                                std::to_string(kMaxNameAndPassword) + " bytes; nothing was sent");
    Send("8a" + console::GetAscii(name) + kComma + console::GetAscii(password));
    Delay(kWait);
    judge(kNoData, kDamaged, "WiFi setting failed    ",
          [this] { addLog("WiFi set successfully    " + timeStamp() + kCrLf); });
}

void TForm1::Button79Click() {
    Send("8b");
    Delay(kWait);
    judge(kNoData, kDamaged, "Failed to read IP address   ", [this] {
        addLog("Read IP address successfully    " + timeStamp());
        // The data bytes, without the check byte and the end byte.
        const std::string& reply = console::ReplyText;
        const std::string data =
            reply.size() > 12 ? console::Copy(reply, 9, reply.size() - 12) : std::string();
        addLog("IP address is：" + fromUtf8Hex(data).toStdString() + kCrLf);
    });
}

void TForm1::Button80Click() {
    resetWifiList(90);
    bool readingName = true;

    Button80->setEnabled(false);
    struct Enable {
        QPushButton* button;
        ~Enable() { button->setEnabled(true); }
    } enableAgain{Button80};
    Send("8C");
    Delay(kScanWait);
    enableAgain.button->setEnabled(true);

    judge(kNoData, kDamaged, "Failed to read WiFi    ", [&] {
        addLog("Read WiFi successfully    " + timeStamp() + kCrLf);
        // Every data byte after the status byte except the last two; an entry is complete
        // at its ";", and bytes after the last one are dropped.
        const std::string reply = console::ReplyText;
        const long long pairs = static_cast<long long>(reply.size() / 2) - 8;
        std::string nameHex, signalHex;
        for (long long i = 0; i < pairs; ++i) {
            const std::string pair = console::Copy(reply, 9 + 2 * static_cast<std::size_t>(i), 2);
            if (pair == kComma) {
                readingName = false;
            } else if (pair == kSemicolon) {
                StringGrid1->setCell(1, WifiListRow, QString::number(WifiListRow));
                StringGrid1->setCell(2, WifiListRow, scannedText(nameHex));
                StringGrid1->setCell(3, WifiListRow, scannedText(signalHex));
                ++WifiListRow;
                StringGrid1->setRow(WifiListRow);
                StringGrid1->setGridRowCount(WifiListRow + 11);
                nameHex.clear();
                signalHex.clear();
                readingName = true;
            } else {
                (readingName ? nameHex : signalHex) += pair;
            }
        }
    });
}

void TForm1::StringGrid1SelectCell(QObject*, int ACol, int ARow, bool& CanSelect) {
    Edit73->setText(StringGrid1->cell(ACol, ARow));
    CanSelect = true;
}
