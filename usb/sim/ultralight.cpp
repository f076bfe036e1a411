// The Ultralight tag in the simulated field: card number (E3), read of four pages from a page
// on (E0, wrapping after page 15 as the tag does) and write of one page (E1). Pages 0 and 1
// hold the card number and are read-only; a write to page 2 sets lock bits, to page 3 OTP
// bits (both only ever set bits); a locked page refuses writes. Halt is command 06 of the
// MIFARE Classic family, which halts every card in the field.
#include <algorithm>
#include <array>

#include "sim_reader.h"

namespace usb::sim {
namespace {

inline constexpr std::uint8_t kErrorLocked = 0x94;  // page locked

constexpr std::size_t kPages = 16;
constexpr std::size_t kPagesPerRead = 4;
constexpr std::uint8_t kWriteOnePage = 0x01;

// A halted tag ignores "Idle" (mode 00) and wakes on "All" (mode 01).
std::optional<Answer> refuse(UltralightTag& tag, std::uint8_t mode) {
    if (mode > 0x01) return failure(kErrorBadFrame);
    if (tag.halted && mode == 0x00) return failure(kErrorNoCard);
    tag.halted = false;
    return std::nullopt;
}

Bytes uidOf(const UltralightTag& tag) { return Bytes(tag.uid.begin(), tag.uid.end()); }

// Lock byte 0 bits 3-7 lock pages 3-7, lock byte 1 bits 0-7 lock pages 8-15.
bool locked(const UltralightTag& tag, std::size_t page) {
    const auto& lock = tag.pages[2];
    if (page >= 3 && page <= 7) return (lock[2] >> page) & 1;
    if (page >= 8 && page < kPages) return (lock[3] >> (page - 8)) & 1;
    return false;
}

Answer readCardNumber(ReaderState& s, Params p) {
    UltralightTag& tag = s.typeA.ultralight;
    if (p.size() != 1) return failure(kErrorBadFrame);
    if (auto refused = refuse(tag, p[0])) return *refused;
    return success(uidOf(tag));
}

Answer readPages(ReaderState& s, Params p) {
    UltralightTag& tag = s.typeA.ultralight;
    if (p.size() != 2) return failure(kErrorBadFrame);
    if (auto refused = refuse(tag, p[0])) return *refused;
    if (p[1] >= kPages) return failure(kErrorNoBlock);
    Bytes data;
    for (std::size_t i = 0; i < kPagesPerRead; ++i) {
        const auto& page = tag.pages[(p[1] + i) % kPages];
        data.insert(data.end(), page.begin(), page.end());
    }
    const Bytes uid = uidOf(tag);
    data.insert(data.end(), uid.begin(), uid.end());
    return success(std::move(data));
}

// Mode, the fixed byte 01, page, four data bytes.
Answer writePage(ReaderState& s, Params p) {
    UltralightTag& tag = s.typeA.ultralight;
    if (p.size() != 7 || p[1] != kWriteOnePage) return failure(kErrorBadFrame);
    if (auto refused = refuse(tag, p[0])) return *refused;
    const std::size_t page = p[2];
    if (page >= kPages) return failure(kErrorNoBlock);
    if (page < 2) return failure(kErrorWriteFailed);
    if (locked(tag, page)) return failure(kErrorLocked);
    auto& bytes = tag.pages[page];
    if (page == 2) {
        bytes[2] |= p[5];
        bytes[3] |= p[6];
    } else if (page == 3) {
        for (std::size_t i = 0; i < 4; ++i) bytes[i] |= p[3 + i];
    } else {
        std::copy_n(p.begin() + 3, 4, bytes.begin());
    }
    return success(uidOf(tag));
}

constexpr std::array kCommands{
    Command{0xE0, readPages},
    Command{0xE1, writePage},
    Command{0xE3, readCardNumber},
};

}  // namespace

UltralightTag freshUltralightTag() {
    UltralightTag tag;
    tag.uid = {0x04, 0x6B, 0x2F, 0x8A, 0x51, 0x3C, 0x80};
    const auto& u = tag.uid;
    tag.pages[0] = {u[0], u[1], u[2], static_cast<std::uint8_t>(0x88 ^ u[0] ^ u[1] ^ u[2])};
    tag.pages[1] = {u[3], u[4], u[5], u[6]};
    tag.pages[2] = {static_cast<std::uint8_t>(u[3] ^ u[4] ^ u[5] ^ u[6]), 0x48, 0x00, 0x00};
    return tag;
}

std::span<const Command> ultralightCommands() { return kCommands; }

}  // namespace usb::sim
