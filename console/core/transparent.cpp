#include "transparent.h"

#include "hextext.h"
#include "verdict.h"

namespace console {
namespace {

struct CodeText {
    const char* code;
    const char* text;  // null: the words of the reader's status-code table
};

// The transparent send's codes, in the order they are tried. It lacks the status-code
// table's single-digit rows and "10", and has its own words for "80" and "8F".
const CodeText kTransparentErrors[] = {
    {"80", "参数设置成功....."},
    {"81", nullptr},
    {"82", nullptr},
    {"83", nullptr},
    {"84", nullptr},
    {"85", nullptr},
    {"87", nullptr},
    {"89", nullptr},
    {"8A", nullptr},
    {"8B", nullptr},
    {"8C", nullptr},
    {"8F", "Reader received unknown command...."},
    {"90", nullptr},
    {"91", nullptr},
    {"92", nullptr},
    {"93", nullptr},
    {"94", nullptr},
    {"95", nullptr},
    {"96", nullptr},
};

constexpr unsigned kCommand = 0x0D;

// The list's text as a hex number; a text that is none counts as 0, as in every frame.
unsigned addressValue(const std::string& address) {
    unsigned value = 0;
    for (char c : hexDigits(address)) {
        unsigned digit = c <= '9' ? unsigned(c - '0') : unsigned((c | 0x20) - 'a' + 10);
        value = ((value << 4) | digit) & 0xFF;
    }
    return value;
}

}  // namespace

TransparentFrame transparentFrame(const std::string& address, const std::string& data) {
    TransparentFrame frame;
    const std::string digits = hexDigits(data);
    if (digits.size() % 2 != 0) {
        frame.refusal = TransparentFrame::Refusal::OddDigits;
        return frame;
    }
    const std::size_t n = digits.size() / 2;
    if (n > static_cast<std::size_t>(kMaxTransparentBytes)) {
        frame.refusal = TransparentFrame::Refusal::TooLong;
        frame.dataBytes = static_cast<int>(n);
        return frame;
    }
    frame.dataBytes = static_cast<int>(n);
    const unsigned length = static_cast<unsigned>(n) + 2;
    unsigned x = addressValue(address) ^ length ^ kCommand ^ static_cast<unsigned>(n);
    for (std::size_t i = 0; i < n; ++i) x ^= static_cast<unsigned>(pairValue(digits.substr(2 * i, 2)));
    frame.text = "02" + address + hexByte(length) + hexByte(kCommand) + hexByte(static_cast<unsigned>(n)) + data +
                 hexByte(x) + "03";
    return frame;
}

std::string transparentErrorText(const std::string& code) {
    for (const CodeText& row : kTransparentErrors)
        if (code == row.code) return row.text ? row.text : falsereason(code);
    return {};
}

}  // namespace console
