#include "sim_reader.h"

#include <algorithm>
#include <array>

#include "usb/frame.h"

namespace usb::sim {
namespace {

// What a handler answers: a status and the data after it (the error code after status 01).
struct Answer {
    std::uint8_t status = kStatusSuccess;
    Bytes data;
};

Answer success(Bytes data = {}) { return {kStatusSuccess, std::move(data)}; }
Answer failure(std::uint8_t code) { return {kStatusFailure, {code}}; }

using Params = std::span<const std::uint8_t>;  // the bytes after the command byte

// 82: code, ";", "?", ",", Enter, buzzer, 01, RSSI.
Answer setOutputFormat(ReaderState& s, Params p) {
    if (p.size() != 8) return failure(kErrorBadFrame);
    s.settings.format = OutputFormat{p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]};
    return success();
}

// 83: the reader address, then the eight bytes that 82 sets, so the address read and the
// output format read share one reply.
Answer readSettings(ReaderState& s, Params p) {
    if (!p.empty()) return failure(kErrorBadFrame);
    const OutputFormat& f = s.settings.format;
    return success({s.address, f.code, f.semicolon, f.question, f.comma, f.enter, f.buzzer,
                    f.fixed, f.rssi});
}

// 0F: reading mode 01 active, 02 passive.
Answer setReadingMode(ReaderState& s, Params p) {
    if (p.size() != 1 || (p[0] != kActiveReading && p[0] != kPassiveReading))
        return failure(kErrorBadFrame);
    s.settings.readingMode = p[0];
    return success();
}

// CD: buzzer 00 off, 01 on.
Answer setVoice(ReaderState& s, Params p) {
    if (p.size() != 1 || p[0] > 0x01) return failure(kErrorBadFrame);
    s.settings.voiceOn = p[0] == 0x01;
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

struct Command {
    std::uint8_t code;
    Answer (*run)(ReaderState&, Params);
};

constexpr std::array kCommands{
    Command{0x0F, setReadingMode}, Command{0x82, setOutputFormat}, Command{0x83, readSettings},
    Command{0xC0, readVersion},    Command{0xCD, setVoice},        Command{0xCF, factoryDefault},
};

}  // namespace

std::optional<Bytes> SimReader::handle(std::span<const std::uint8_t> frame) {
    if (frame.empty()) return std::nullopt;
    auto reply = [this](const Answer& a) { return buildFrame(state_.address, a.status, a.data); };
    const Answer damaged = failure(kErrorBadFrame);

    if (frame.size() < kFrameOverhead + 1) return reply(damaged);
    const bool framed = frame.front() == kStart && frame.back() == kEnd;
    const bool literal = frame.front() == kLiteralStart && frame.back() == kLiteralEnd;
    if (!framed && !literal) return reply(damaged);
    if (frame[1] != state_.address) return std::nullopt;
    if (frame[2] != frame.size() - kFrameOverhead) return reply(damaged);
    const auto body = frame.subspan(1, frame.size() - 3);  // ADDR through the last data byte
    if (xorOf(body) != frame[frame.size() - 2]) return reply(damaged);

    const std::uint8_t code = frame[3];
    const Params params = frame.subspan(4, frame.size() - 6);
    auto it = std::find_if(kCommands.begin(), kCommands.end(),
                           [code](const Command& c) { return c.code == code; });
    if (it == kCommands.end()) return reply(failure(kErrorUnknownCommand));
    return reply(it->run(state_, params));
}

}  // namespace usb::sim
