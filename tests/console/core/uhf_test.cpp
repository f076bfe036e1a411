// UHF module frames as the reader receives them, and the module's answers as the console
// reads them.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/hextext.h"
#include "core/transfer.h"
#include "core/uhf.h"

namespace {

namespace uhf = console::uhf;
using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const std::string& text) {
    std::string digits = console::checkdata(text);
    Bytes out;
    for (std::size_t i = 0; i < digits.size(); i += 2) out.push_back(static_cast<std::uint8_t>(console::pairValue(digits.substr(i, 2))));
    return out;
}

const std::string kEpc12 = "E20051289 30D011417401122";  // as typed, with a stray blank
const std::string kEpc8 = "0102030405060708";

TEST(UhfFrame, BytesOnTheWire) {
    struct Row {
        const char* name;
        std::string frame;
        Bytes bytes;
    } rows[] = {
        {"inventory over USB", console::uhfFrame("00", uhf::kInventory),
         {0x02, 0x00, 0x08, 0xCE, 0xBB, 0x00, 0x22, 0x00, 0x00, 0x22, 0x7E, 0x03, 0x03}},
        {"inventory as sent", uhf::kInventory, {0xBB, 0x00, 0x22, 0x00, 0x00, 0x22, 0x7E}},
        {"select of a 12-byte EPC", uhf::selectFrame(kEpc12, 12),
         {0xBB, 0x00, 0x0C, 0x00, 0x13, 0x01, 0x00, 0x00, 0x00, 0x20, 0x60, 0x00, 0xE2, 0x00, 0x51, 0x28,
          0x93, 0x0D, 0x01, 0x14, 0x17, 0x40, 0x11, 0x22, 0x3A, 0x7E}},
        {"select of an 8-byte EPC", uhf::selectFrame(kEpc8, 8),
         {0xBB, 0x00, 0x0C, 0x00, 0x0F, 0x01, 0x00, 0x00, 0x00, 0x20, 0x40, 0x00, 1, 2, 3, 4, 5, 6, 7, 8,
          0xA0, 0x7E}},
        {"read of the EPC memory", uhf::readEpcMemoryFrame(),
         {0xBB, 0x00, 0x39, 0x00, 0x09, 0x5D, 0x19, 0xE4, 0x70, 0x01, 0x00, 0x00, 0x00, 0x08, 0x15, 0x7E}},
        {"write of a 4-byte EPC", uhf::writeEpcFrame("5D 19 E4 70", "ABCD", "00000001", 4),
         {0xBB, 0x00, 0x49, 0x00, 0x11, 0x5D, 0x19, 0xE4, 0x70, 0x01, 0x00, 0x00, 0x00, 0x04, 0xAB, 0xCD,
          0x10, 0x00, 0x00, 0x00, 0x00, 0x01, 0xB2, 0x7E}},
    };
    for (const Row& r : rows) EXPECT_EQ(bytesOf(r.frame), r.bytes) << r.name;
}

TEST(UhfFrame, WriteLengthsAndPcWords) {
    struct Row {
        std::size_t bytes;
        std::uint8_t length, words, pc;
    } rows[] = {{12, 0x19, 0x08, 0x30}, {8, 0x15, 0x06, 0x20}, {4, 0x11, 0x04, 0x10}, {62, 0x4B, 0x21, 0xF8}};
    for (const Row& r : rows) {
        Bytes f = bytesOf(uhf::writeEpcFrame("5D19E470", "1234", std::string(2 * r.bytes, '0'), r.bytes));
        ASSERT_EQ(f.size(), 7 + 13 + r.bytes) << r.bytes;
        EXPECT_EQ(f[4], r.length) << r.bytes;
        EXPECT_EQ(f[13], r.words) << r.bytes;
        EXPECT_EQ(f[16], r.pc) << r.bytes;
        EXPECT_EQ(f[17], 0x00) << r.bytes;
    }
    // Lengths that do not fit one byte are refused, never written as three digits.
    EXPECT_THROW(uhf::writeEpcFrame("5D19E470", "1234", std::string(128, '0'), 64), std::range_error);
    EXPECT_THROW(uhf::selectFrame(std::string(64, '0'), 32), std::range_error);
}

TEST(UhfFrame, ChecksumKeepsTheLowByte) {
    // 00 + C9 + 00 + 07 + 03 + 5D + 19 + E4 + 70 + 00 + 08 = 2A5
    EXPECT_EQ(uhf::checksum("00 C9 00 07 035D 19 E4 700008"), "A5");
    EXPECT_EQ(uhf::checksum("FF A8"), "A7") << "1A7";
    EXPECT_EQ(uhf::checksum(""), "00");
    EXPECT_EQ(uhf::sectorFrame("03", "5D 19 E4 70", "00", "08"), "BB 00 C9 00 07 035D 19 E4 700008A57E");
}

TEST(UhfReply, CutToTheModuleFrame) {
    EXPECT_EQ(uhf::cutReply(""), "");
    EXPECT_EQ(uhf::cutReply("020001000003"), "") << "12 digits";
    std::string noTag = "02000900" "BB01FF000115167E" "XX03";
    EXPECT_EQ(uhf::cutReply(noTag), "BB01FF000115167E");
    EXPECT_TRUE(uhf::isNoTagFrame(uhf::cutReply(noTag)));
}

TEST(UhfReply, Inventory) {
    // BB 02 22 00 L, RSSI C8, PC, EPC of L - 5 bytes, the tag's CRC word, checksum, 7E
    struct Row {
        const char* name;
        const char* cut;
        bool found;
        std::size_t bytes;
        const char* epc;
        const char* pc;
        const char* crc;
    } rows[] = {
        {"12-byte EPC", "BB02220011C83000E200512893" "0D0114174011221A2B0C7E", true, 12, "E2005128930D011417401122",
         "3000", "1A2B"},
        {"4-byte EPC", "BB02220009C8100000000001BEEFB37E", true, 4, "00000001", "1000", "BEEF"},
        {"no room for an EPC", "BB02220004C830001A2B337E", false, 0, "", "", ""},
        {"ends inside its length byte", "BB0222001", false, 0, "", "", ""},
        {"a length that is no hex pair", "BB022200G5C830001A2B337E", false, 0, "", "", ""},
        {"length 5: an empty EPC", "BB02220005C830001A2B337E", true, 0, "", "3000", "1A2B"},
        {"claims more than it holds", "BB02220011C83000E2001A2B337E", false, 0, "", "", ""},
        {"CRC from the end of a second frame",
         "BB02220009C8100000000001BEEFB37E" "BB02220009C8100000000002CAFECF7E", true, 4, "00000001", "1000", "CAFE"},
    };
    for (const Row& r : rows) {
        uhf::InventoryTag t = uhf::readInventory(r.cut);
        EXPECT_EQ(t.found, r.found) << r.name;
        if (!r.found) continue;
        EXPECT_EQ(t.epcBytes, r.bytes) << r.name;
        EXPECT_EQ(t.rssi, "C8") << r.name;
        EXPECT_EQ(t.epc, r.epc) << r.name;
        EXPECT_EQ(t.pc, r.pc) << r.name;
        EXPECT_EQ(t.crc, r.crc) << r.name;
    }
}

TEST(UhfFrame, FieldsHoldTheirWholeBytes) {
    EXPECT_TRUE(uhf::holdsHexDigits("5D 19 E4 70", 8));
    EXPECT_TRUE(uhf::holdsHexDigits("5d19e470", 8));
    EXPECT_FALSE(uhf::holdsHexDigits("5D 19 E4 7", 8));
    EXPECT_FALSE(uhf::holdsHexDigits("5D 19 E4 70 1", 8));
    EXPECT_FALSE(uhf::holdsHexDigits("5D-19-E4-70", 8));
    EXPECT_TRUE(uhf::sectorFieldsHold("03", "5D 19 E4 70", "00", "08"));
    EXPECT_FALSE(uhf::sectorFieldsHold("3", "5D 19 E4 70", "00", "08"));
    EXPECT_FALSE(uhf::sectorFieldsHold("03", "5D 19 E4 70", "00", "108"));
}

}  // namespace
