// The network reader's WiFi commands: join a network (8A), the address it got (8B) and the
// networks it sees (8C).
#include <algorithm>
#include <array>

#include "sim_reader.h"
#include "usb/frame.h"

namespace usb::sim {
namespace {

constexpr std::uint8_t kComma = ',';
constexpr std::uint8_t kSemicolon = ';';
constexpr std::size_t kMaxName = 32;      // a WiFi network name is at most 32 bytes
constexpr std::size_t kMaxPassword = 64;  // and its passphrase at most 64
const char* const kNoAddress = "0.0.0.0";
// Data bytes after the status byte that fit a reply of 245 bytes.
constexpr std::size_t kMaxReplyData = 245 - kFrameOverhead - 1;

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

// 8A: name "," password, both UTF-8; exactly one comma.
Answer joinNetwork(ReaderState& s, Params p) {
    auto comma = std::find(p.begin(), p.end(), kComma);
    if (comma == p.end() || std::find(comma + 1, p.end(), kComma) != p.end())
        return failure(kErrorBadFrame);
    std::string name(p.begin(), comma), password(comma + 1, p.end());
    if (name.size() > kMaxName || password.size() > kMaxPassword ||
        name.find(char(kSemicolon)) != std::string::npos ||
        password.find(char(kSemicolon)) != std::string::npos)
        return failure(kErrorBadFrame);
    s.wifi.name = std::move(name);
    s.wifi.password = std::move(password);
    return success();
}

// 8B: the address as text; none until the reader has joined a network it sees.
Answer readAddress(ReaderState& s, Params p) {
    if (!p.empty()) return failure(kErrorBadFrame);
    const auto& seen = s.wifi.seen;
    bool joined = std::any_of(seen.begin(), seen.end(), [&](const Network& n) { return n.name == s.wifi.name; });
    return success(bytesOf(joined ? s.wifi.address : kNoAddress));
}

// 8C: "name,signal;" for each network, then CR LF; as many whole entries as one reply holds.
Answer listNetworks(ReaderState& s, Params p) {
    if (!p.empty()) return failure(kErrorBadFrame);
    const std::string end = "\r\n";
    std::string list;
    for (const Network& n : s.wifi.seen) {
        std::string entry = n.name + "," + std::to_string(n.signal) + ";";
        if (list.size() + entry.size() + end.size() > kMaxReplyData) break;
        list += entry;
    }
    return success(bytesOf(list + end));
}

constexpr std::array kCommands{
    Command{0x8A, joinNetwork},
    Command{0x8B, readAddress},
    Command{0x8C, listNetworks},
};

}  // namespace

std::span<const Command> wifiCommands() { return kCommands; }

}  // namespace usb::sim
