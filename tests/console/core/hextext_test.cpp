#include "core/hextext.h"

#include <gtest/gtest.h>

using namespace console;

namespace {

TEST(HexText, FilterAndWholePairs) {
    struct Row {
        const char* in;
        const char* checkdata;
        int sum;
    } rows[] = {
        {"02 00 01 83 82 03", "020001838203", 0x02 + 0x01 + 0x83 + 0x82 + 0x03},
        {"abc", "ab", 0xab},
        {"", "", 0},
        {"8\r\n3", "83", 0x83},
        {"00 22 00 00", "00220000", 34},
        {"FFFF", "FFFF", 510},
        {"zz-1g2 ", "12", 0x12},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(checkdata(r.in), r.checkdata) << r.in;
        EXPECT_EQ(adddate(r.in), r.sum) << r.in;
    }
}

TEST(HexText, ReversalsAndCharacters) {
    EXPECT_EQ(cdate("E004010012345678"), "78 56 34 12 00 01 04 E0 ");
    EXPECT_EQ(cdate("A1B2C3"), "C3 B2 A1 ");
    EXPECT_EQ(cdate("A1B2C"), "2C 1B ");
    EXPECT_EQ(cwdate("ABC"), "CBA");
    EXPECT_EQ(Getchr("414243"), "ABC");
    EXPECT_EQ(Getchr("4142434"), "ABC");
    EXPECT_EQ(Getchr("00FF"), std::string("\0\xFF", 2));
    EXPECT_EQ(GetAscii("AB"), "4142");
    EXPECT_EQ(GetAscii(""), "");
    EXPECT_THROW(Getchr("4G"), EConvertError);
    EXPECT_THROW(Getchr("41 42"), EConvertError);
    EXPECT_EQ(GetchrWords("3132333435"), "1234");
    EXPECT_EQ(GetchrWords("31323334"), "1234");
    EXPECT_EQ(GetchrWords("313"), "");
    EXPECT_EQ(GetchrWords("31323G"), "12") << "digits after the last group are not read";
    EXPECT_THROW(GetchrWords("3G32"), EConvertError);
}

TEST(HexText, AddHexNumbers) {
    struct Row {
        const char* a;
        const char* b;
        bool reverse;
        const char* sum;
    } rows[] = {
        {"300833B2DDD9014000000000", "1", false, "300833B2DDD9014000000001"},
        {"FF", "1", false, "0100"},
        {"FF00", "1", true, "0001"},
        {"FFFF", "1", true, "000001"},
        {"12  34", "1", false, "123401"},
        {"0001", "1", true, "0101"},
        {"", "", false, ""},
        // EPC numbering: "Plus" counts with the last byte lowest, "Reverse" with the first; a
        // carry out of the top byte adds a byte; the step is read most significant first.
        {"0000000000000000000000FF", "1", false, "000000000000000000000100"},
        {"FFFFFFFFFFFFFFFFFFFFFFFF", "1", false, "01000000000000000000000000"},
        {"010000000000000000000000", "1", true, "020000000000000000000000"},
        {"FF0000000000000000000000", "1", true, "000100000000000000000000"},
        {"00000000", "10", false, "00000010"},
        {"00000000", "10", true, "10000000"},
        {"0000000f", "1", false, "00000010"},
    };
    for (const Row& r : rows) {
        std::string out = "x";
        AddHexNumbers(r.a, r.b, r.reverse, out);
        EXPECT_EQ(out, std::string("x") + r.sum) << r.a << " + " << r.b;
    }
    std::string out;
    EXPECT_THROW(AddHexNumbers("30 08", "1", false, out), EConvertError) << "odd after blanks";
    EXPECT_THROW(AddHexNumbers("0000", "1G", false, out), EConvertError);
    EXPECT_THROW(AddHexNumbers("0000", "10000", false, out), EConvertError) << "odd once padded";
}

TEST(HexText, SumOfMorePairsThanAnIntHolds) {
    // 8,421,505 pairs of FF sum to 2^31 + 127: past the largest int.
    const std::size_t pairs = 8421505;
    std::string text;
    text.reserve(2 * pairs);
    for (std::size_t i = 0; i < pairs; ++i) text += "FF";
    EXPECT_EQ(adddate(text), 255LL * static_cast<long long>(pairs));
    EXPECT_EQ(adddate(text) & 0xFF, 0x7F) << "the check byte";
}

TEST(HexText, ReverseBytesCountsOnlyTheBufferItHolds) {
    struct Row {
        int count;
        std::vector<std::uint8_t> after;
    } rows[] = {
        {3, {0x03, 0x02, 0x01, 0x04}},
        {4, {0x04, 0x03, 0x02, 0x01}},
        {0, {0x01, 0x02, 0x03, 0x04}},
        {-254, {0x01, 0x02, 0x03, 0x04}},  // once formed a pointer before the buffer
        {5, {0x04, 0x03, 0x02, 0x01}},
        {2147483647, {0x04, 0x03, 0x02, 0x01}},  // once grew the buffer to 2 GB
    };
    for (const Row& r : rows) {
        std::vector<std::uint8_t> buf{0x01, 0x02, 0x03, 0x04};
        ReverseBytes(buf, r.count);
        EXPECT_EQ(buf, r.after) << r.count;
    }
    std::vector<std::uint8_t> empty;
    ReverseBytes(empty, -254);
    ReverseBytes(empty, 64);
    EXPECT_TRUE(empty.empty());
}

TEST(HexText, BytesAndNumbers) {
    std::vector<std::uint8_t> buf;
    EXPECT_EQ(HexTextToBytes("0a 1B ff", buf), 3);
    EXPECT_EQ(buf, (std::vector<std::uint8_t>{0x0A, 0x1B, 0xFF}));
    std::string text = "<";
    BytesToHexText(buf, 2, text);
    EXPECT_EQ(text, "<0A1B");
    EXPECT_THROW(HexTextToBytes("abc", buf), EConvertError);

    EXPECT_EQ(StrToInt("10"), 10);
    EXPECT_EQ(StrToInt(" -7"), -7);
    EXPECT_EQ(StrToInt("010"), 10);
    for (const char* bad : {"", "1x", "x", "1 ", "99999999999", "-"})
        EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
    try {
        StrToInt("abc");
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
    EXPECT_EQ(Copy("abcdef", 5, 4), "ef");
    EXPECT_EQ(Copy("abc", 7, 2), "");
}

}  // namespace
