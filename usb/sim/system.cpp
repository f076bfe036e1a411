// The reader's system commands: bus address (80), serial line speed (81) and the signals
// LED-R (87), LED (88) and buzzer (89). The address and the serial number are read back with
// 83, and the serial number set with 82 (settings.cpp).
#include <array>

#include "sim_reader.h"

namespace usb::sim {
namespace {

// 80: the new address. The reply already comes from it, and frames for the old one are
// no longer answered.
Answer setAddress(ReaderState& s, Params p) {
    if (p.size() != 1) return failure(kErrorBadFrame);
    s.address = p[0];
    return success();
}

// 81: baud code 00 to 04.
Answer setBaudRate(ReaderState& s, Params p) {
    if (p.size() != 1 || p[0] >= kBaudCodeCount) return failure(kErrorBadFrame);
    s.baudCode = p[0];
    return success();
}

Answer setSignal(Signal& signal, Params p) {
    if (p.size() != 2) return failure(kErrorBadFrame);
    signal = Signal{p[0], p[1]};
    return success();
}

Answer setLedR(ReaderState& s, Params p) { return setSignal(s.ledR, p); }
Answer setLed(ReaderState& s, Params p) { return setSignal(s.led, p); }
Answer setBuzzer(ReaderState& s, Params p) { return setSignal(s.buzzer, p); }

constexpr std::array kCommands{
    Command{0x80, setAddress}, Command{0x81, setBaudRate}, Command{0x87, setLedR},
    Command{0x88, setLed},     Command{0x89, setBuzzer},
};

}  // namespace

std::span<const Command> systemCommands() { return kCommands; }

}  // namespace usb::sim
