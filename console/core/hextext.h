// Hex text: two hexadecimal digits a byte. The filtering routines drop every character that is
// not 0-9, a-f or A-F; the converting routines raise EConvertError for a pair that is not two
// hex digits.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace console {

// The error a number conversion raises; its text names the offending input.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The hex digits of a text in order, case unchanged.
std::string hexDigits(const std::string& text);
// Decimal whole number as an operator types it; raises EConvertError otherwise.
long long StrToInt(const std::string& text);
// Signed 32-bit whole number: leading blanks, one sign, then decimal digits, or hex digits
// after "$", "x", "X", "0x" or "0X". False for anything else or a value out of range.
bool TryStrToInt32(const std::string& text, std::int32_t& value);
// Value of a two-character pair read as hex; raises EConvertError for anything else.
int pairValue(const std::string& pair);

// 1-based, bounds-safe substring: characters from position `first` on, at most `count`.
std::string Copy(const std::string& text, std::size_t first, std::size_t count);

std::string checkdata(const std::string& text);   // filtered, cut to whole pairs
long long adddate(const std::string& text);       // sum of the whole pairs' values
std::string cdate(const std::string& text);       // pairs reversed, each followed by a blank
std::string cwdate(const std::string& text);      // characters reversed
std::string Getchr(const std::string& hex);       // one byte a pair
std::string GetchrWords(const std::string& hex);  // two bytes a group of four digits
std::string GetAscii(const std::string& text);    // each byte as two upper-case digits

int HexTextToBytes(const std::string& text, std::vector<std::uint8_t>& buffer);
void BytesToHexText(const std::vector<std::uint8_t>& buffer, int count, std::string& text);
// Reverses the first count bytes, at most as many as the buffer holds.
void ReverseBytes(std::vector<std::uint8_t>& buffer, int count);
void AddHexNumbers(std::string a, std::string b, bool reverse, std::string& result);

// Two upper-case hex digits of a byte.
std::string hexByte(unsigned value);

}  // namespace console
