// The reader's device settings: search interval (C1), card filter count (C2), output
// interfaces (C3), baud rate (C4), end symbol (C5), Wiegand format (C6), pulse width (C7),
// idle level (C8), Wiegand value position (C9), prefix and suffix (CB) and RF power (CC).
// A parameter the reader cannot take, or a missing one, gets the bad-frame error and changes
// nothing.
#include <array>

#include "sim_reader.h"

namespace usb::sim {
namespace {

DeviceSettings& device(ReaderState& s) { return s.settings.device; }

// One byte from `low` to `high` into the setting `field`.
template <std::uint8_t DeviceSettings::*field, std::uint8_t low, std::uint8_t high>
Answer setByte(ReaderState& s, Params p) {
    if (p.size() != 1 || p[0] < low || p[0] > high) return failure(kErrorBadFrame);
    device(s).*field = p[0];
    return success();
}

// C3: serial, Wiegand and USB output, each 00 off or 01 on.
Answer setInterfaces(ReaderState& s, Params p) {
    if (p.size() != 3 || p[0] > 1 || p[1] > 1 || p[2] > 1) return failure(kErrorBadFrame);
    device(s).serialOut = p[0];
    device(s).wiegandOut = p[1];
    device(s).usbOut = p[2];
    return success();
}

// CB: 01 prefix or 02 suffix, then up to four bytes; none clears it.
Answer setPrefixOrSuffix(ReaderState& s, Params p) {
    if (p.empty() || p.size() > 5 || (p[0] != 0x01 && p[0] != 0x02)) return failure(kErrorBadFrame);
    (p[0] == 0x01 ? device(s).prefix : device(s).suffix) = Bytes(p.begin() + 1, p.end());
    return success();
}

using D = DeviceSettings;
constexpr std::array kCommands{
    Command{0xC1, setByte<&D::searchInterval, 0x00, 0xFF>},
    Command{0xC2, setByte<&D::filterCount, 0x00, 0xFF>},
    Command{0xC3, setInterfaces},
    Command{0xC4, setByte<&D::baudCode, 0x00, 0x04>},
    Command{0xC5, setByte<&D::endSymbol, 0x00, 0x02>},
    Command{0xC6, setByte<&D::wiegandFormat, 0x00, 0x03>},
    Command{0xC7, setByte<&D::lowLevelPulse, 0x01, 0xFF>},
    Command{0xC8, setByte<&D::idleLevel, 0x01, 0xFF>},
    Command{0xC9, setByte<&D::wiegandPosition, 0x00, 0x0B>},
    Command{0xCB, setPrefixOrSuffix},
    Command{0xCC, setByte<&D::rfPower, 0x00, 0x0B>},
};

}  // namespace

std::span<const Command> deviceSettingsCommands() { return kCommands; }

}  // namespace usb::sim
