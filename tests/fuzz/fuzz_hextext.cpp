// The hex text routines on any text, each against what it must give.
// Input: line 1 is operand A, line 2 operand B of the hex addition, and a third line starting
// with an odd byte turns its Reverse option on. Every routine also gets A, B and the whole input.
#include <algorithm>
#include <cstring>

#include "core/hextext.h"
#include "fuzz_check.h"

using namespace console;

namespace {

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int nibble(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    return (c | 0x20) - 'a' + 10;
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string withoutBlanks(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != ' ') out.push_back(c);
    return out;
}

bool wholeHexPairs(const std::string& s) {
    return s.size() % 2 == 0 && std::all_of(s.begin(), s.end(), isHex);
}

// Pairs in the opposite order: turns most-significant-first hex into least-significant-first.
std::string pairsReversed(const std::string& s) {
    std::string out;
    for (std::size_t i = s.size(); i >= 2; i -= 2) out += s.substr(i - 2, 2);
    return out;
}

// Plain addition of two hex numbers written most significant digit first, digit by digit.
std::string addHex(const std::string& a, const std::string& b) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    int carry = 0;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        int x = i < a.size() ? nibble(a[a.size() - 1 - i]) : 0;
        int y = i < b.size() ? nibble(b[b.size() - 1 - i]) : 0;
        int s = x + y + carry;
        out.push_back(digits[s % 16]);
        carry = s / 16;
    }
    if (carry) out.push_back('1');
    std::reverse(out.begin(), out.end());
    return out;
}

// What AddHexNumbers must give, or false where it must raise EConvertError.
bool expectedSum(std::string a, std::string b, bool reverse, std::string& sum) {
    if (a.size() < b.size()) a.insert(0, b.size() - a.size(), '0');
    if (b.size() < a.size()) b.insert(0, a.size() - b.size(), '0');
    a = withoutBlanks(a);
    b = withoutBlanks(b);
    if (!wholeHexPairs(a) || !wholeHexPairs(b)) return false;
    const std::size_t n = std::max(a.size(), b.size()) / 2;
    // Both operands fill n bytes: zero bytes follow what their text gave. A is read least
    // significant byte first with Reverse on; B always most significant first.
    std::string first = reverse ? pairsReversed(a + std::string(2 * n - a.size(), '0'))
                                : a + std::string(2 * n - a.size(), '0');
    std::string second = b + std::string(2 * n - b.size(), '0');
    std::string total = addHex(first, second);
    // Digits of the n bytes, or of n + 1 when the top byte carried out.
    if (total.size() < 2 * n) total.insert(0, 2 * n - total.size(), '0');
    if (total.size() > 2 * n) total.insert(0, 2 * (n + 1) - total.size(), '0');
    sum = reverse ? pairsReversed(total) : total;
    return true;
}

// Decimal whole number in the int range after leading blanks, with an optional sign.
bool expectedInt(const std::string& text, long long& value) {
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos) return false;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    if (i == text.size()) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
        if (v > 2147483648LL) return false;
    }
    value = negative ? -v : v;
    return value <= 2147483647LL;
}

void checkText(const std::string& text) {
    const std::string digits = hexDigits(text);
    FUZZ_CHECK(static_cast<std::size_t>(std::count_if(text.begin(), text.end(), isHex)) == digits.size());
    FUZZ_CHECK(std::all_of(digits.begin(), digits.end(), isHex));

    const std::string pairs = checkdata(text);
    FUZZ_CHECK(pairs == digits.substr(0, digits.size() / 2 * 2));
    long long sum = 0;
    for (unsigned char c : Getchr(pairs)) sum += c;
    FUZZ_CHECK(adddate(text) == sum);

    FUZZ_CHECK(cwdate(cwdate(text)) == text);
    const std::string reversed = cdate(text);
    FUZZ_CHECK(reversed.size() == text.size() / 2 * 3);
    for (std::size_t i = 0; i < text.size() / 2; ++i) {
        FUZZ_CHECK(reversed.compare(3 * i, 2, text, text.size() - 2 * (i + 1), 2) == 0);
        FUZZ_CHECK(reversed[3 * i + 2] == ' ');
    }

    const std::string ascii = GetAscii(text);
    FUZZ_CHECK(ascii.size() == 2 * text.size());
    FUZZ_CHECK(upper(ascii) == ascii && wholeHexPairs(ascii));
    FUZZ_CHECK(Getchr(ascii) == text);

    // Getchr raises exactly when a whole pair is not two hex digits.
    const std::string whole = text.substr(0, text.size() / 2 * 2);
    bool raised = false;
    try {
        FUZZ_CHECK(Getchr(text).size() == text.size() / 2);
    } catch (const EConvertError&) {
        raised = true;
    }
    FUZZ_CHECK(raised == !wholeHexPairs(whole));

    // HexTextToBytes then BytesToHexText gives the text back without blanks, in upper case.
    std::vector<std::uint8_t> buffer;
    const std::string plain = withoutBlanks(text);
    raised = false;
    try {
        int n = HexTextToBytes(text, buffer);
        FUZZ_CHECK(static_cast<std::size_t>(n) == plain.size() / 2);
        std::string back = "<";
        BytesToHexText(buffer, n, back);
        FUZZ_CHECK(back == "<" + upper(plain));
    } catch (const EConvertError&) {
        raised = true;
    }
    FUZZ_CHECK(raised == !wholeHexPairs(plain));

    long long value = 0;
    const bool valid = expectedInt(text, value);
    raised = false;
    try {
        FUZZ_CHECK(StrToInt(text) == value);
    } catch (const EConvertError&) {
        raised = true;
    }
    FUZZ_CHECK(raised == !valid);
}

void checkReverse(const std::string& text, int count) {
    std::vector<std::uint8_t> buffer(text.begin(), text.end());
    const auto before = buffer;
    ReverseBytes(buffer, count);
    FUZZ_CHECK(buffer.size() == before.size());
    const std::size_t n = count <= 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(count), before.size());
    FUZZ_CHECK(std::equal(buffer.begin(), buffer.begin() + n, before.rend() - n));
    FUZZ_CHECK(std::equal(buffer.begin() + n, buffer.end(), before.begin() + n));
}

void checkSum(const std::string& a, const std::string& b, bool reverse) {
    std::string expected;
    const bool valid = expectedSum(a, b, reverse, expected);
    std::string result = "x";
    bool raised = false;
    try {
        AddHexNumbers(a, b, reverse, result);
    } catch (const EConvertError&) {
        raised = true;
    }
    FUZZ_CHECK(raised == !valid);
    if (valid) FUZZ_CHECK(result == "x" + expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::string a = in.until('\n');
    const std::string b = in.until('\n');
    const bool reverse = in.byte() & 1;
    const std::string whole(reinterpret_cast<const char*>(data), size);

    for (const std::string* text : {&a, &b, &whole}) checkText(*text);
    checkSum(a, b, reverse);

    // Counts below zero, within the buffer and past it.
    int count = 0;
    if (b.size() >= sizeof count) std::memcpy(&count, b.data(), sizeof count);
    for (int c : {count, static_cast<int>(a.size()) - 254, static_cast<int>(a.size() / 2),
                  static_cast<int>(a.size()) + 1})
        checkReverse(a, c);
    return 0;
}
