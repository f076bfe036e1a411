// A simulated card reader: takes one frame as written to the USB access library and gives
// the reply bytes a reader at its address would send, or none. Plain C++, deterministic.
//
// Commands are tables of handlers over a small state, one table per family of commands
// (reader settings, each card family); a new family is one more file and one more entry in
// the family list of sim_reader.cpp.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace usb::sim {

using Bytes = std::vector<std::uint8_t>;

// Reader error codes sent after status 01.
inline constexpr std::uint8_t kErrorBadFrame = 0x85;        // parameter or frame format wrong
inline constexpr std::uint8_t kErrorUnknownCommand = 0x8F;  // command not defined

inline constexpr std::uint8_t kStatusSuccess = 0x00;
inline constexpr std::uint8_t kStatusFailure = 0x01;

// What the reader adds to a card number it types, as set by command 82.
struct OutputFormat {
    std::uint8_t code = 0x0F;
    std::uint8_t semicolon = 0x00;
    std::uint8_t question = 0x00;
    std::uint8_t comma = 0x00;
    std::uint8_t enter = 0x01;
    std::uint8_t buzzer = 0x01;   // 01 big, 00 small
    std::uint8_t fixed = 0x01;
    std::uint8_t rssi = 0x00;
    bool operator==(const OutputFormat&) const = default;
};

inline constexpr std::uint8_t kActiveReading = 0x01;
inline constexpr std::uint8_t kPassiveReading = 0x02;

// Everything the factory default (CF) restores.
struct Settings {
    OutputFormat format;
    std::uint8_t readingMode = kActiveReading;
    bool voiceOn = true;          // CD 01 switches the buzzer on, CD 00 off
    bool operator==(const Settings&) const = default;
};

// A light or the buzzer as last set: period and count, one byte each.
struct Signal {
    std::uint8_t period = 0x00;
    std::uint8_t count = 0x00;
    bool operator==(const Signal&) const = default;
};

// Serial line speeds by baud code (81): 9600, 19200, 38400, 57600, 115200.
inline constexpr std::uint8_t kBaudCodeCount = 5;

struct ReaderState {
    std::uint8_t address = 0x00;  // the reader answers frames for this address only
    std::uint8_t baudCode = 0x00;
    Signal led, ledR, buzzer;
    std::string version = "VORCARD SIM V1.1";
    Settings settings;
};

// What a command answers: a status and the data after it (the error code after status 01).
struct Answer {
    std::uint8_t status = kStatusSuccess;
    Bytes data;
};

inline Answer success(Bytes data = {}) { return {kStatusSuccess, std::move(data)}; }
inline Answer failure(std::uint8_t code) { return {kStatusFailure, {code}}; }

using Params = std::span<const std::uint8_t>;  // the bytes after the command byte

// One command of the reader: its code and what it does to the state.
struct Command {
    std::uint8_t code;
    Answer (*run)(ReaderState&, Params);
};

// The commands of each family, one source file a family.
std::span<const Command> settingsCommands();  // output format, reading mode, version, buzzer
std::span<const Command> systemCommands();    // address, baud rate, LEDs, buzzer signal

class SimReader {
public:
    // The reply to one written frame; none for a frame addressed to another reader or an
    // empty write. A damaged frame gets status 01 with kErrorBadFrame.
    std::optional<Bytes> handle(std::span<const std::uint8_t> frame);

    const ReaderState& state() const { return state_; }
    ReaderState& state() { return state_; }

private:
    ReaderState state_;
};

}  // namespace usb::sim
