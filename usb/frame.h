// The byte layout shared by reader frames and replies:
//   START, ADDR, LEN, FIRST, REST..., XOR, END
// LEN counts FIRST and REST (the command or status byte and the bytes after it); XOR is the
// exclusive-or of ADDR through the last REST byte. Frames start with 02 and end with 03; the
// literal frames of a few commands use AA and BB instead.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace usb {

inline constexpr std::uint8_t kStart = 0x02;
inline constexpr std::uint8_t kEnd = 0x03;
inline constexpr std::uint8_t kLiteralStart = 0xAA;
inline constexpr std::uint8_t kLiteralEnd = 0xBB;

// Bytes around the LEN counted ones: START, ADDR, LEN, XOR, END.
inline constexpr std::size_t kFrameOverhead = 5;

inline std::uint8_t xorOf(std::span<const std::uint8_t> bytes) {
    std::uint8_t x = 0;
    for (std::uint8_t b : bytes) x ^= b;
    return x;
}

// Builds one frame. The caller keeps 1 + rest.size() within the one-byte LEN.
inline std::vector<std::uint8_t> buildFrame(std::uint8_t address, std::uint8_t first,
                                            std::span<const std::uint8_t> rest,
                                            std::uint8_t start = kStart,
                                            std::uint8_t end = kEnd) {
    std::vector<std::uint8_t> frame;
    frame.reserve(rest.size() + kFrameOverhead + 1);
    frame.push_back(start);
    frame.push_back(address);
    frame.push_back(static_cast<std::uint8_t>(rest.size() + 1));
    frame.push_back(first);
    frame.insert(frame.end(), rest.begin(), rest.end());
    frame.push_back(xorOf(std::span(frame).subspan(1)));
    frame.push_back(end);
    return frame;
}

}  // namespace usb
