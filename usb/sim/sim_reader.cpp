#include "sim_reader.h"

#include <algorithm>

#include "usb/frame.h"

namespace usb::sim {
namespace {

// Every family of commands the reader knows. A code stands in one family only.
std::span<const Command> (*const kFamilies[])() = {
    settingsCommands,
    iso14443bCommands,
    iso15693Commands,
    mifareClassicCommands,
    ultralightCommands,
    deviceSettingsCommands,
    wifiCommands,
    uhfCommands,
    systemCommands,
};

const Command* findCommand(std::uint8_t code) {
    for (auto family : kFamilies)
        for (const Command& c : family())
            if (c.code == code) return &c;
    return nullptr;
}

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

    const Command* command = findCommand(frame[3]);
    if (!command) return reply(failure(kErrorUnknownCommand));
    return reply(command->run(state_, frame.subspan(4, frame.size() - 6)));
}

}  // namespace usb::sim
