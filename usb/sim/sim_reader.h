// A simulated card reader: takes one frame as written to the USB access library and gives
// the reply bytes a reader at its address would send, or none. Plain C++, deterministic.
//
// Commands are tables of handlers over a small state, one table per family of commands
// (reader settings, each card family); a new family is one more file and one more entry in
// the family list of sim_reader.cpp.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
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

// Reading modes (0F), and the memory sector mode that BC sets.
inline constexpr std::uint8_t kActiveReading = 0x01;
inline constexpr std::uint8_t kPassiveReading = 0x02;
inline constexpr std::uint8_t kActiveMultipleReading = 0x03;
inline constexpr std::uint8_t kActiveTidReading = 0x04;
inline constexpr std::uint8_t kSectorReading = 0x05;

// What the memory sector mode reads: bank, access password, address, length.
struct SectorRead {
    std::uint8_t bank = 0x03;
    std::array<std::uint8_t, 4> password{0x5D, 0x19, 0xE4, 0x70};
    std::uint8_t address = 0x00;
    std::uint8_t length = 0x08;
    bool operator==(const SectorRead&) const = default;
};

// Everything the factory default (CF) restores.
struct Settings {
    OutputFormat format;
    std::uint8_t readingMode = kActiveReading;
    bool voiceOn = true;          // CD 01 switches the buzzer on, CD 00 off
    SectorRead sector;
    bool operator==(const Settings&) const = default;
};

// An EPC Gen2 tag as the UHF module sees it.
struct UhfTag {
    Bytes epcMemory;  // word 0 the CRC word, word 1 the PC word, then the EPC
    std::array<std::uint8_t, 4> accessPassword{0x5D, 0x19, 0xE4, 0x70};
    std::array<std::uint8_t, 4> killPassword{};
    Bytes tid;
    Bytes user = Bytes(32, 0x00);
    bool operator==(const UhfTag&) const = default;
};

// CRC-16/GENIBUS, the CRC word of an EPC memory bank over its PC word and EPC.
std::uint16_t epcCrc(std::span<const std::uint8_t> bytes);
// A tag fresh from the factory: a 12-byte EPC and a TID that carry `serial`, and its CRC.
UhfTag blankTag(std::uint32_t serial);
// The PC word and the EPC words that it counts (words 1 onward of the EPC memory).
Bytes pcAndEpc(const UhfTag& tag);

// The UHF module behind the reader's pass-through command (CE).
struct UhfModule {
    std::deque<UhfTag> field{blankTag(1)};  // tags in the field; the first answers an inventory
    std::vector<UhfTag> issued;             // tags that left the field once their EPC was written
    std::uint32_t nextSerial = 2;           // serial of the next blank tag to come into the field
    std::optional<Bytes> selected;          // the EPC that the next command is restricted to
};

struct ReaderState {
    std::uint8_t address = 0x00;  // the reader answers frames for this address only
    std::string version = "VORCARD SIM V1.1";
    Settings settings;
    bool usbVirtualSerial = false;  // B8 switched the reader to its USB virtual serial port
    UhfModule uhf;
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
std::span<const Command> uhfCommands();       // UHF pass-through, memory sector mode, USB switch

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
