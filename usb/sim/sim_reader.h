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
inline constexpr std::uint8_t kErrorNoCard = 0x83;          // no card answers the request
inline constexpr std::uint8_t kErrorNoBlock = 0x93;         // block, page or sector does not exist
inline constexpr std::uint8_t kErrorWriteFailed = 0x96;     // the card refuses the write

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

// What the device settings commands C1 to C9, CB and CC set.
struct DeviceSettings {
    std::uint8_t searchInterval = 0x0A;   // C1, in 10 ms
    std::uint8_t filterCount = 0x0A;      // C2
    std::uint8_t serialOut = 0x01;        // C3: 01 on, 00 off, for each output
    std::uint8_t wiegandOut = 0x01;
    std::uint8_t usbOut = 0x01;
    std::uint8_t baudCode = 0x00;         // C4: 00 9600, 01 19200, 02 38400, 03 57600, 04 115200
    std::uint8_t endSymbol = 0x02;        // C5: 00 none, 01 0D, 02 0D 0A
    std::uint8_t wiegandFormat = 0x00;    // C6: 00 WG26, 01 WG34, 02 WG66, 03 WG98
    std::uint8_t lowLevelPulse = 0x0A;    // C7, in 10 µs
    std::uint8_t idleLevel = 0x0A;        // C8, in 100 µs
    std::uint8_t wiegandPosition = 0x09;  // C9: first byte of the value in the 12-byte number
    Bytes prefix{0x30, 0x31, 0x32, 0x33};  // CB 01: up to four bytes
    Bytes suffix{0x31, 0x32, 0x33, 0x34};  // CB 02
    std::uint8_t rfPower = 0x02;          // CC: steps 00 to 0B
    bool operator==(const DeviceSettings&) const = default;
};

// Everything the factory default (CF) restores.
struct Settings {
    OutputFormat format;
    DeviceSettings device;
    std::uint8_t readingMode = kActiveReading;
    bool voiceOn = true;          // CD 01 switches the buzzer on, CD 00 off
    bool idIcOn = true;           // 90 01 switches the ID/IC card (125 kHz / 13.56 MHz) function on, 90 00 off
    SectorRead sector;
    bool operator==(const Settings&) const = default;
};

// A Type B card in the field (ISO/IEC 14443-3 B): its identifier (PUPI), the rest of its
// answer to a request, and where it stands.
struct TypeBCard {
    enum class Stage {
        Ready,   // answers a request, takes ATTRIB
        Active,  // attributed: takes the commands passed through to it
        Halted,  // answers only a wake-up request or a field reset
    };
    bool present = true;
    std::array<std::uint8_t, 4> pupi{0x41, 0x30, 0x0A, 0x10};
    std::array<std::uint8_t, 4> applicationData{0x00, 0x00, 0x00, 0x00};
    std::array<std::uint8_t, 3> protocolInfo{0x00, 0x81, 0x71};
    Stage stage = Stage::Ready;
};

// The second-generation resident identity card: its ID number and its file ID number.
struct ResidentIdCard {
    bool present = true;
    std::array<std::uint8_t, 8> idNumber{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    std::array<std::uint8_t, 8> fileIdNumber{0x20, 0x26, 0x01, 0x10, 0x0A, 0x0B, 0x0C, 0x0D};
};

// An ISO 15693 vicinity tag in the reader's field.
struct VicinityTag {
    static constexpr std::size_t kBlocks = 28;
    static constexpr std::size_t kBlockSize = 4;
    std::array<std::uint8_t, 8> uid{};  // most significant byte (E0) first
    std::uint8_t dsfid = 0x00;
    std::uint8_t afi = 0x00;
    bool dsfidLocked = false;
    bool afiLocked = false;
    std::array<std::array<std::uint8_t, kBlockSize>, kBlocks> blocks{};
    std::array<bool, kBlocks> blockLocked{};
    bool selected = false;
};
std::vector<VicinityTag> vicinityTagsAtStart();  // the two tags the reader starts with

// A MIFARE Classic 1K card: 16 sectors of 4 blocks of 16 bytes; the last block of a sector is
// its trailer (Key A, access bits, Key B). A halted card answers only a wake-up ("All").
struct MifareClassicCard {
    std::array<std::uint8_t, 4> uid{};
    std::array<std::array<std::uint8_t, 16>, 64> blocks{};
    bool halted = false;
};
MifareClassicCard freshMifareClassicCard();  // the card as the simulated field holds it at start

// An Ultralight tag: a 7-byte UID and 16 pages of 4 bytes (pages 0-1 UID, 2 lock bytes, 3 OTP).
struct UltralightTag {
    std::array<std::uint8_t, 7> uid{};
    std::array<std::array<std::uint8_t, 4>, 16> pages{};
    bool halted = false;
};
UltralightTag freshUltralightTag();

// The ISO 14443 A cards in the reader's field.
struct TypeACards {
    MifareClassicCard classic = freshMifareClassicCard();
    UltralightTag ultralight = freshUltralightTag();
};

// A wireless network the reader sees: its name as UTF-8 and its signal strength.
struct Network {
    std::string name;
    int signal;
};

// The network the reader is told to join (8A) and the ones around it (8C). It has an address
// (8B) once the name is one that it sees.
struct WifiState {
    std::string name;
    std::string password;
    std::string address = "192.168.1.20";
    std::vector<Network> seen{{"VorcardLab", 78}, {"仓库无线网络", 64}, {"Guest-2.4G", 41}};
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
    std::vector<UhfTag> issued;             // tags as their EPC was written
    std::uint32_t nextSerial = 2;           // serial of the next blank tag to come into the field
    std::optional<Bytes> selected;          // the EPC that the next command is restricted to
    // The EPC memory of the tag written last while it is still in the field: it answers one
    // more inventory, and the operator has taken it away before the inventory after that.
    std::optional<Bytes> justWritten;
    bool justWrittenSeen = false;
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
    TypeBCard typeB;
    ResidentIdCard residentId;
    std::vector<VicinityTag> vicinityTags = vicinityTagsAtStart();
    TypeACards typeA;
    WifiState wifi;
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
std::span<const Command> settingsCommands();        // output format, reading mode, version, buzzer
std::span<const Command> deviceSettingsCommands();  // C1 to C9, CB, CC
std::span<const Command> wifiCommands();            // 8A, 8B, 8C
std::span<const Command> mifareClassicCommands();   // blocks, value blocks, card number, halt
std::span<const Command> ultralightCommands();      // card number, page read and write
std::span<const Command> iso14443bCommands();       // Type B cards, resident identity card
std::span<const Command> iso15693Commands();        // vicinity tags: inventory, blocks, AFI, DSFID
std::span<const Command> uhfCommands();             // UHF pass-through, memory sector mode, USB switch
std::span<const Command> systemCommands();          // address, baud rate, LEDs, buzzer signal

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
