// The serial page: the COM port list and its open and close, the send box (sent once or
// repeatedly, loaded, saved, cleared), and what the port receives, which goes to the log pane
// and SerialRxText. Send232HEX puts hex text on the port as raw bytes.
#include <QComboBox>
#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "TForm1.h"
#include "core/hextext.h"
#include "core/transfer.h"
#include "platform/comm.h"
#include "seams.h"
#include "sendbox.h"

std::string FirstComPort = "none";

namespace {

constexpr int kProbedPorts = 16;

// The send box's lines as the operator sees them; a last empty line (the text ends in a
// line break) is not one of them, and an empty box has none.
QStringList memoLines(const SendBox* memo) {
    QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

// A text file's lines: CR LF, LF or a lone CR end a line, and a last line needs no line end.
// The file is read as UTF-8, or in the Chinese code page when it is no valid UTF-8. The UTF-8
// decoder drops one byte-order mark at the start; a second one is text.
QStringList fileLines(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        QStringDecoder gbk("GB18030");
        text = gbk.isValid() ? QString(gbk(bytes)) : QString::fromLatin1(bytes);
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace

// ---- the port ----

// Lists every COM1-COM16 that opens exclusively now; one held elsewhere (also by Comm1) fails
// to open and is left out. The opens never wait for a device.
void TForm1::GetCom() { probePorts(ComboBox1, kProbedPorts); }

void TForm1::probePorts(QComboBox* list, int count) {
    list->clear();
    FirstComPort = "none";
    for (int n = 1; n <= count; ++n) {
        char device[32];
        std::snprintf(device, sizeof device, "\\\\.\\COM%d", n);
        if (!platform::canOpenComm(device)) continue;
        const std::string entry = "COM" + std::to_string(n);
        list->addItem(QString::fromStdString(entry));
        if (FirstComPort == "none") FirstComPort = entry;
    }
}

// An open port keeps its handle until it is reopened.
void TForm1::pointPortAtFirst(QComboBox* list, const char* noPort) {
    Comm1->setCommName(QString::fromStdString("\\\\.\\" + FirstComPort));
    list->setCurrentIndex(list->findText(QString::fromStdString(FirstComPort)));
    if (FirstComPort == "none") {
        list->addItem(QString::fromUtf8(noPort));
        list->setCurrentIndex(list->count() - 1);
    }
    Comm1->setBaudRate(9600);
}

void TForm1::openPort(QAbstractButton* open, QAbstractButton* close) {
    Comm1->OpenPort();
    open->setEnabled(false);
    close->setEnabled(true);
}

void TForm1::closePort(QAbstractButton* open, QAbstractButton* close) {
    Comm1->ClosePort();
    close->setEnabled(false);
    open->setEnabled(true);
}

void TForm1::Button1Click() { openPort(Button1, Button2); }
void TForm1::Button2Click() { closePort(Button1, Button2); }
void TForm1::closePortOfGroup() { Button2Click(); }

// Choosing a port opens it at once: close, then open.
void TForm1::choosePort(const QString& name, QAbstractButton* open, QAbstractButton* close) {
    Comm1->setCommName(QStringLiteral("\\\\.\\") + name);
    closePort(open, close);
    openPort(open, close);
}

// Choosing a speed reopens the port at that speed, also when it was closed.
void TForm1::chooseSpeed(const QString& speed, QAbstractButton* open, QAbstractButton* close) {
    Comm1->setBaudRate(static_cast<std::uint32_t>(console::StrToInt(speed.toStdString())));
    closePort(open, close);
    openPort(open, close);
}

void TForm1::ComboBox1Change() { choosePort(ComboBox1->currentText(), Button1, Button2); }
void TForm1::ComboBox2Change() { chooseSpeed(ComboBox2->currentText(), Button1, Button2); }

// ---- the send box ----

// Vorcard sends the box to the reader over USB, whichever send path the radio pair shows;
// then it waits the period of Edit6.
void TForm1::Button3Click() {
    std::string text;
    for (const QString& line : memoLines(Memo1)) text += line.toStdString() + "\r\n";
    SendHex(text);
    Delayy(static_cast<int>(console::StrToInt(Edit6->text().toStdString())));
}

// Repeats the send while the box stays checked; the box is tested after each pass's waits,
// in which the operator's clicks and the page change run.
void TForm1::CheckBox3Click() {
    while (loopGoesOn(CheckBox3)) {
        Button3Click();
        Delay(static_cast<int>(console::StrToInt(Edit6->text().toStdString())));
    }
}

void TForm1::Button6Click() {
    QString name = console::askOpenFileName(this, QStringLiteral("载入数据！"), QString());
    if (name.isEmpty()) return;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            QStringLiteral("Cannot open file \"%1\". %2").arg(name, file.errorString()).toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(
            QStringLiteral("Cannot read file \"%1\". %2").arg(name, file.errorString()).toStdString());
    // The box drops one empty last line from its lines (a text that ends in a line break): a
    // file whose last line is empty keeps it with one more line break.
    const QStringList lines = fileLines(bytes);
    const bool endsEmpty = !lines.isEmpty() && lines.back().isEmpty();
    Memo1->setPlainText(lines.join(QLatin1Char('\n')) + (endsEmpty ? QStringLiteral("\n") : QString()));
}

// Writes the box's lines as UTF-8 text, each followed by CR LF, under the name as given. A text
// that starts with U+FEFF gets a byte-order mark before it, which the load drops, so that the
// character comes back; every other text is written without one.
void TForm1::Button5Click() {
    QString name = console::askSaveFileName(this, QStringLiteral("保存接收数据！"),
                                            QStringLiteral("文本文件(.txt)|*.txt"));
    if (name.isEmpty()) return;
    const QStringList lines = memoLines(Memo1);
    QByteArray bytes;
    if (!lines.isEmpty() && lines.front().startsWith(QChar(0xFEFF))) bytes = "\xEF\xBB\xBF";
    for (const QString& line : lines) bytes += line.toUtf8() + "\r\n";
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(
            QStringLiteral("Cannot create file \"%1\". %2").arg(name, file.errorString()).toStdString());
    if (file.write(bytes) != bytes.size() || !file.flush())
        throw std::runtime_error(
            QStringLiteral("Cannot write file \"%1\". %2").arg(name, file.errorString()).toStdString());
}

void TForm1::Button7Click() { Memo1->clear(); }

// ---- receive and send on the port ----

void TForm1::Comm1ReceiveData(QObject*, const void* Buffer, std::uint16_t BufferLength) {
    static constexpr char kHead[] = "232RX Data..\r";
    constexpr std::size_t kHeadSize = std::size(kHead) - 1;
    const auto* bytes = static_cast<const std::uint8_t*>(Buffer);
    // The logged text is built as Latin-1 at once: the digits are ASCII, and the pane keeps
    // Latin-1 at half the memory of UTF-16.
    QByteArray line(qsizetype(kHeadSize + 2u * BufferLength), Qt::Uninitialized);
    char* out = line.data();
    std::copy_n(kHead, kHeadSize, out);
    out += kHeadSize;
    // Each byte's two digits are looked up whole.
    static constexpr auto kPairs = [] {
        constexpr char kDigits[] = "0123456789ABCDEF";
        std::array<std::array<char, 2>, 256> pairs{};
        for (int b = 0; b < 256; ++b) pairs[b] = {kDigits[b >> 4], kDigits[b & 15]};
        return pairs;
    }();
    for (std::uint16_t i = 0; i < BufferLength; ++i) std::memcpy(out + 2u * i, kPairs[bytes[i]].data(), 2);
    console::SerialRxText.assign(out, 2u * BufferLength);
    ++console::SerialRxBursts;
    addLogLatin1(std::move(line));
}

// Keeps the hex digits, pairs them into bytes (an unpaired last digit is dropped) and queues
// them on the open port. Text of any length goes out whole and in order, in pieces the writer
// accepts. A closed port or no complete pair sends nothing; nothing is reported.
void TForm1::Send232HEX(const std::string& text) {
    const std::string digits = console::checkdata(text);
    if (digits.empty()) return;
    std::vector<std::uint8_t> bytes(digits.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(console::pairValue(digits.substr(2 * i, 2)));
    constexpr std::size_t kPiece = 50001;
    for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
        std::size_t n = std::min(kPiece, bytes.size() - at);
        if (!Comm1->WriteData(bytes.data() + at, static_cast<std::uint16_t>(n))) return;
    }
}
