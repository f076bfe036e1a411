// The reader's own settings: card-number output format (82/83), reading mode (0F), buzzer
// (CD), ID/IC card function (90), factory default (CF) and version (C0).
#include <array>

#include "sim_reader.h"

namespace usb::sim {
namespace {

// 82: code, ";", "?", ",", Enter, buzzer, 01, RSSI. The system command page sends the same
// command with its eight serial number bytes: the reader keeps one record of eight bytes, so
// any eight are taken, and 83 gives them back for either page to read its way.
Answer setOutputFormat(ReaderState& s, Params p) {
    if (p.size() != 8) return failure(kErrorBadFrame);
    s.settings.format = OutputFormat{p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]};
    return success();
}

// 83: the reader address, then the eight bytes that 82 sets, so the address read, the serial
// number read and the output format read share one reply.
Answer readSettings(ReaderState& s, Params p) {
    if (!p.empty()) return failure(kErrorBadFrame);
    const OutputFormat& f = s.settings.format;
    return success({s.address, f.code, f.semicolon, f.question, f.comma, f.enter, f.buzzer,
                    f.fixed, f.rssi});
}

// 0F: reading mode 01 active, 02 passive, 03 active for several cards, 04 active TID read.
Answer setReadingMode(ReaderState& s, Params p) {
    if (p.size() != 1 || p[0] < kActiveReading || p[0] > kActiveTidReading) return failure(kErrorBadFrame);
    s.settings.readingMode = p[0];
    return success();
}

// CD: buzzer 00 off, 01 on.
Answer setVoice(ReaderState& s, Params p) {
    if (p.size() != 1 || p[0] > 0x01) return failure(kErrorBadFrame);
    s.settings.voiceOn = p[0] == 0x01;
    return success();
}

// 90: the ID/IC card function (125 kHz and 13.56 MHz reading) 00 off, 01 on.
Answer setIdIcFunction(ReaderState& s, Params p) {
    if (p.size() != 1 || p[0] > 0x01) return failure(kErrorBadFrame);
    s.settings.idIcOn = p[0] == 0x01;
    return success();
}

// CF: factory default.
Answer factoryDefault(ReaderState& s, Params p) {
    if (!p.empty()) return failure(kErrorBadFrame);
    s.settings = Settings{};
    return success();
}

// C0: the version text.
Answer readVersion(ReaderState& s, Params p) {
    if (!p.empty()) return failure(kErrorBadFrame);
    return success(Bytes(s.version.begin(), s.version.end()));
}

constexpr std::array kCommands{
    Command{0x0F, setReadingMode}, Command{0x82, setOutputFormat}, Command{0x83, readSettings},
    Command{0x90, setIdIcFunction}, Command{0xC0, readVersion},    Command{0xCD, setVoice},
    Command{0xCF, factoryDefault},
};

}  // namespace

std::span<const Command> settingsCommands() { return kCommands; }

}  // namespace usb::sim
