#include "hextext.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace console {
namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

[[noreturn]] void invalidInteger(const std::string& text) {
    throw EConvertError("'" + text + "' is not a valid integer value");
}

}  // namespace

std::string hexDigits(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (isHexDigit(c)) out.push_back(c);
    return out;
}

long long StrToInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == digits || i != text.size()) invalidInteger(text);
    errno = 0;
    long long value = std::strtoll(text.c_str() + start, nullptr, 10);
    if (errno == ERANGE || value > 2147483647LL || value < -2147483648LL) invalidInteger(text);
    return value;
}

bool TryStrToInt32(const std::string& text, std::int32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    unsigned base = 10;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    const std::size_t first = i;
    long long magnitude = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        bool digit = base == 16 ? isHexDigit(c) : (c >= '0' && c <= '9');
        if (!digit) return false;
        magnitude = magnitude * base + digitValue(c);
        if (magnitude > 2147483648LL) return false;
    }
    if (i == first) return false;
    long long v = negative ? -magnitude : magnitude;
    if (v > 2147483647LL) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

int pairValue(const std::string& pair) {
    if (pair.size() != 2 || !isHexDigit(pair[0]) || !isHexDigit(pair[1]))
        invalidInteger("$" + pair);
    return digitValue(pair[0]) * 16 + digitValue(pair[1]);
}

std::string Copy(const std::string& text, std::size_t first, std::size_t count) {
    if (first < 1) first = 1;
    if (first > text.size()) return {};
    return text.substr(first - 1, count);
}

std::string hexByte(unsigned value) {
    static const char digits[] = "0123456789ABCDEF";
    return {digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

std::string checkdata(const std::string& text) {
    std::string digits = hexDigits(text);
    digits.resize(digits.size() / 2 * 2);
    return digits;
}

long long adddate(const std::string& text) {
    std::string digits = checkdata(text);
    // At most 255 a pair: 64 bits cannot overflow for any text that fits in memory.
    long long sum = 0;
    for (std::size_t i = 0; i < digits.size(); i += 2) sum += pairValue(digits.substr(i, 2));
    return sum;
}

std::string cdate(const std::string& text) {
    std::string out;
    std::size_t n = text.size();
    for (std::size_t i = 1; i <= n / 2; ++i) {
        out += text.substr(n - 2 * i, 2);
        out += ' ';
    }
    return out;
}

std::string cwdate(const std::string& text) { return {text.rbegin(), text.rend()}; }

std::string Getchr(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(pairValue(hex.substr(i, 2))));
    return out;
}

// Only whole groups of four digits count: a text of an odd number of bytes loses its last.
std::string GetchrWords(const std::string& hex) {
    return Getchr(hex.substr(0, hex.size() / 4 * 4));
}

std::string GetAscii(const std::string& text) {
    std::string out;
    for (unsigned char c : text) out += hexByte(c);
    return out;
}

int HexTextToBytes(const std::string& text, std::vector<std::uint8_t>& buffer) {
    std::string t;
    for (char c : text)
        if (c != ' ') t.push_back(c);
    if (t.size() % 2) t.push_back(' ');
    std::size_t n = t.size() / 2;
    if (buffer.size() < n) buffer.resize(n, 0);
    for (std::size_t i = 0; i < n; ++i)
        buffer[i] = static_cast<std::uint8_t>(pairValue(t.substr(2 * i, 2)));
    return static_cast<int>(n);
}

void BytesToHexText(const std::vector<std::uint8_t>& buffer, int count, std::string& text) {
    for (int i = 0; i < count && i < static_cast<int>(buffer.size()); ++i) text += hexByte(buffer[i]);
}

void ReverseBytes(std::vector<std::uint8_t>& buffer, int count) {
    // Only the bytes the buffer holds, like BytesToHexText; a negative count reverses nothing.
    const std::size_t n = count <= 0 ? 0 : std::min(static_cast<std::size_t>(count), buffer.size());
    std::reverse(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
}

void AddHexNumbers(std::string a, std::string b, bool reverse, std::string& result) {
    if (a.size() < b.size()) a.insert(0, b.size() - a.size(), '0');
    if (b.size() < a.size()) b.insert(0, a.size() - b.size(), '0');
    std::vector<std::uint8_t> first, second;
    int nA = HexTextToBytes(a, first);
    int nB = HexTextToBytes(b, second);
    int n = std::max(nA, nB);
    // Both operands are zero-filled up to n bytes, as the fixed buffers they stand for.
    first.resize(n, 0);
    second.resize(n, 0);
    if (!reverse) ReverseBytes(first, n);
    ReverseBytes(second, n);
    std::vector<std::uint8_t> sum(n + 1, 0);
    int carry = 0;
    for (int i = 0; i < n; ++i) {
        int s = first[i] + second[i] + carry;
        sum[i] = static_cast<std::uint8_t>(s % 256);
        carry = s / 256;
    }
    int count = n;
    if (carry) sum[count++] = 1;
    if (!reverse) ReverseBytes(sum, count);
    BytesToHexText(sum, count, result);
}

}  // namespace console
