// The serial page: what the port receives goes to the log pane and SerialRxText; hex text goes
// out on the port as raw bytes.
#include <algorithm>

#include "TForm1.h"
#include "core/hextext.h"
#include "core/transfer.h"

void TForm1::Comm1ReceiveData(QObject*, const void* Buffer, std::uint16_t BufferLength) {
    const auto* bytes = static_cast<const std::uint8_t*>(Buffer);
    std::string text;
    text.reserve(2u * BufferLength);
    for (std::uint16_t i = 0; i < BufferLength; ++i) text += console::hexByte(bytes[i]);
    console::SerialRxText = text;
    ++console::SerialRxBursts;
    addLog("232RX Data..\r" + text);
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
