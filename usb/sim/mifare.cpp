// The MIFARE Classic 1K card in the simulated field: block read (20) and write (21) with a
// sector key, value block initialise (22), decrement (23) and increment (24), card number
// (25), and halt (06), which halts every ISO 14443 A card in the field.
//
// Sector keys: every sector has FF FF FF FF FF FF as Key A and Key B, except
//   sector 1 (the value block, block 5)  Key A A7 3C 5E 91 D2 4B  Key B C4 19 7E 52 AB 30
//   sector 2                             Key A C4 19 7E 52 AB 30  Key B E8 61 0D 9F 27 B6
//   sector 3                             Key A E8 61 0D 9F 27 B6  Key B A7 3C 5E 91 D2 4B
//   sector 4 (blocks 10-13)              Key A A7 3C 5E 91 D2 4B  Key B E8 61 0D 9F 27 B6
// Either key reads and writes the data blocks; neither key is readable (a trailer reads back
// with both key fields zero). Block 0 holds the card number and is read-only. The value
// commands work on block 1 of the given sector; the value is a signed 32-bit number, low byte
// first, in the usual layout (value, inverted value, value, then the block address four times,
// plain and inverted).
#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include "sim_reader.h"

namespace usb::sim {
namespace {

using Block = std::array<std::uint8_t, 16>;
using Key = std::array<std::uint8_t, 6>;

inline constexpr std::uint8_t kErrorAuthentication = 0x8C;  // key refused
inline constexpr std::uint8_t kErrorNotValueBlock = 0x8A;   // block is not in value layout
inline constexpr std::uint8_t kErrorOverflow = 0x10;        // value out of range

constexpr int kBlocks = 64;
constexpr int kSectors = 16;
constexpr std::size_t kKeyedParams = 9;  // mode, count, start block, key
constexpr std::size_t kMaxBlocksPerCommand = 4;
constexpr std::uint8_t kRequestIdle = 0x26;
constexpr std::uint8_t kRequestAll = 0x52;

constexpr Key kTransportKey{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr Key kKey1{0xC4, 0x19, 0x7E, 0x52, 0xAB, 0x30};
constexpr Key kKey2{0xE8, 0x61, 0x0D, 0x9F, 0x27, 0xB6};
constexpr Key kKey3{0xA7, 0x3C, 0x5E, 0x91, 0xD2, 0x4B};

struct SectorKeys {
    int sector;
    Key a, b;
};
constexpr SectorKeys kKeyedSectors[] = {
    {1, kKey3, kKey1},
    {2, kKey1, kKey2},
    {3, kKey2, kKey3},
    {4, kKey3, kKey2},
};
constexpr std::array<std::uint8_t, 4> kAccessBits{0x7F, 0x07, 0x88, 0x69};

int trailerOf(int sector) { return sector * 4 + 3; }
int valueBlockOf(int sector) { return sector * 4 + 1; }
bool isTrailer(int block) { return block % 4 == 3; }

Block trailer(const Key& a, const Key& b) {
    Block t{};
    std::copy(a.begin(), a.end(), t.begin());
    std::copy(kAccessBits.begin(), kAccessBits.end(), t.begin() + 6);
    std::copy(b.begin(), b.end(), t.begin() + 10);
    return t;
}

Block valueBlock(std::int32_t value, std::uint8_t address) {
    Block b{};
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        auto byte = static_cast<std::uint8_t>(v >> (8 * i));
        b[i] = byte;
        b[4 + i] = static_cast<std::uint8_t>(~byte);
        b[8 + i] = byte;
    }
    b[12] = address;
    b[13] = static_cast<std::uint8_t>(~address);
    b[14] = address;
    b[15] = static_cast<std::uint8_t>(~address);
    return b;
}

// The value a block holds, or none when it is not in value layout.
std::optional<std::int32_t> valueOf(const Block& b) {
    for (int i = 0; i < 4; ++i)
        if (b[i] != b[8 + i] || b[i] != static_cast<std::uint8_t>(~b[4 + i])) return std::nullopt;
    if (b[12] != b[14] || b[13] != b[15] || b[12] != static_cast<std::uint8_t>(~b[13])) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(b[i]) << (8 * i);
    return static_cast<std::int32_t>(v);
}

std::int32_t littleEndian(Params p) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return static_cast<std::int32_t>(v);
}

// A halted card ignores "Idle" and wakes on "All".
bool answers(MifareClassicCard& card, bool all) {
    if (card.halted && !all) return false;
    card.halted = false;
    return true;
}

// Mode byte: bit 0 the request ("All"), bit 1 the key (Key B); other bits must be clear.
struct Mode {
    bool all;
    bool keyB;
};
std::optional<Mode> modeOf(std::uint8_t byte) {
    if (byte > 0x03) return std::nullopt;
    return Mode{(byte & 0x01) != 0, (byte & 0x02) != 0};
}

bool keyOpens(const MifareClassicCard& card, int sector, bool keyB, Params key) {
    const Block& t = card.blocks[trailerOf(sector)];
    return std::equal(key.begin(), key.end(), t.begin() + (keyB ? 10 : 0));
}

Bytes withUid(const MifareClassicCard& card, Bytes data = {}) {
    data.insert(data.begin(), card.uid.begin(), card.uid.end());
    return data;
}

// The checks every keyed block command makes, in the order a reader makes them: frame
// format, card present, blocks exist, key opens every sector they touch.
std::optional<Answer> refuseBlocks(MifareClassicCard& card, Params p) {
    auto mode = modeOf(p[0]);
    const std::size_t count = p[1];
    const std::size_t start = p[2];
    if (!mode || count == 0 || count > kMaxBlocksPerCommand) return failure(kErrorBadFrame);
    if (!answers(card, mode->all)) return failure(kErrorNoCard);
    if (start + count > kBlocks) return failure(kErrorNoBlock);
    for (std::size_t b = start; b < start + count; ++b)
        if (!keyOpens(card, static_cast<int>(b / 4), mode->keyB, p.subspan(3, 6)))
            return failure(kErrorAuthentication);
    return std::nullopt;
}

Answer readBlocks(ReaderState& s, Params p) {
    MifareClassicCard& card = s.typeA.classic;
    if (p.size() != kKeyedParams) return failure(kErrorBadFrame);
    if (auto refused = refuseBlocks(card, p)) return *refused;
    Bytes data;
    for (std::size_t b = p[2]; b < p[2] + std::size_t{p[1]}; ++b) {
        Block block = card.blocks[b];
        if (isTrailer(static_cast<int>(b))) {
            std::fill(block.begin(), block.begin() + 6, 0);
            std::fill(block.begin() + 10, block.end(), 0);
        }
        data.insert(data.end(), block.begin(), block.end());
    }
    return success(withUid(card, std::move(data)));
}

Answer writeBlocks(ReaderState& s, Params p) {
    MifareClassicCard& card = s.typeA.classic;
    if (p.size() < kKeyedParams || p.size() != kKeyedParams + 16 * std::size_t{p[1]})
        return failure(kErrorBadFrame);
    if (auto refused = refuseBlocks(card, p)) return *refused;
    if (p[2] == 0) return failure(kErrorWriteFailed);
    Params data = p.subspan(kKeyedParams);
    for (std::size_t i = 0; i < p[1]; ++i)
        std::copy_n(data.begin() + 16 * i, 16, card.blocks[p[2] + i].begin());
    return success(withUid(card));
}

// Value commands: mode, sector, key, four value bytes (low byte first).
enum class ValueOp { Initialise, Decrement, Increment };

Answer valueCommand(MifareClassicCard& card, Params p, ValueOp op) {
    if (p.size() != 12) return failure(kErrorBadFrame);
    auto mode = modeOf(p[0]);
    const int sector = p[1];
    if (!mode) return failure(kErrorBadFrame);
    if (!answers(card, mode->all)) return failure(kErrorNoCard);
    if (sector >= kSectors) return failure(kErrorNoBlock);
    if (!keyOpens(card, sector, mode->keyB, p.subspan(2, 6))) return failure(kErrorAuthentication);
    const int block = valueBlockOf(sector);
    const std::int64_t amount = littleEndian(p.subspan(8, 4));
    std::int64_t value = amount;
    if (op != ValueOp::Initialise) {
        auto held = valueOf(card.blocks[block]);
        if (!held) return failure(kErrorNotValueBlock);
        value = op == ValueOp::Increment ? *held + amount : *held - amount;
        if (value > std::numeric_limits<std::int32_t>::max() || value < std::numeric_limits<std::int32_t>::min())
            return failure(kErrorOverflow);
    }
    card.blocks[block] = valueBlock(static_cast<std::int32_t>(value), static_cast<std::uint8_t>(block));
    if (op == ValueOp::Initialise) return success(withUid(card));
    const Block& b = card.blocks[block];
    return success(withUid(card, Bytes(b.begin(), b.begin() + 4)));
}

Answer initialiseValue(ReaderState& s, Params p) { return valueCommand(s.typeA.classic, p, ValueOp::Initialise); }
Answer decrementValue(ReaderState& s, Params p) { return valueCommand(s.typeA.classic, p, ValueOp::Decrement); }
Answer incrementValue(ReaderState& s, Params p) { return valueCommand(s.typeA.classic, p, ValueOp::Increment); }

// 25: request code (26 REQA, 52 WUPA) and halt flag; answers the card count flag (00, one
// card) and the card number.
Answer readCardNumber(ReaderState& s, Params p) {
    MifareClassicCard& card = s.typeA.classic;
    if (p.size() != 2 || (p[0] != kRequestIdle && p[0] != kRequestAll) || p[1] > 0x01)
        return failure(kErrorBadFrame);
    if (!answers(card, p[0] == kRequestAll)) return failure(kErrorNoCard);
    if (p[1] == 0x01) card.halted = true;
    Bytes data{0x00};
    data.insert(data.end(), card.uid.begin(), card.uid.end());
    return success(std::move(data));
}

// 06: every ISO 14443 A card in the field goes to its halt state.
Answer haltCards(ReaderState& s, Params p) {
    if (!p.empty()) return failure(kErrorBadFrame);
    s.typeA.classic.halted = true;
    s.typeA.ultralight.halted = true;
    return success();
}

constexpr std::array kCommands{
    Command{0x06, haltCards},       Command{0x20, readBlocks},     Command{0x21, writeBlocks},
    Command{0x22, initialiseValue}, Command{0x23, decrementValue}, Command{0x24, incrementValue},
    Command{0x25, readCardNumber},
};

}  // namespace

MifareClassicCard freshMifareClassicCard() {
    MifareClassicCard card;
    card.uid = {0x5A, 0x3E, 0x91, 0xC7};
    Block& maker = card.blocks[0];
    std::copy(card.uid.begin(), card.uid.end(), maker.begin());
    maker[4] = static_cast<std::uint8_t>(card.uid[0] ^ card.uid[1] ^ card.uid[2] ^ card.uid[3]);
    const std::uint8_t rest[] = {0x08, 0x04, 0x00, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69};
    std::copy(std::begin(rest), std::end(rest), maker.begin() + 5);
    for (int sector = 0; sector < kSectors; ++sector)
        card.blocks[trailerOf(sector)] = trailer(kTransportKey, kTransportKey);
    for (const SectorKeys& k : kKeyedSectors) card.blocks[trailerOf(k.sector)] = trailer(k.a, k.b);
    card.blocks[valueBlockOf(1)] = valueBlock(100, static_cast<std::uint8_t>(valueBlockOf(1)));
    return card;
}

std::span<const Command> mifareClassicCommands() { return kCommands; }

}  // namespace usb::sim
