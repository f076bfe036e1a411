// UHF: the reader's pass-through (CE) to its UHF module, the memory sector reading mode (BC)
// and the switch to the USB virtual serial port (B8).
//
// The module takes frames BB, type, command, length (2 bytes), parameters, checksum, 7E and
// answers in the same layout (type 01 a response, 02 a notification). Its field holds tags;
// inventory answers the first, select restricts the next command to one EPC, read and write
// act on the tag's memory banks. A tag whose EPC was written stays in the field for one more
// inventory, which shows its new number, and is taken away before the next one; then the next
// blank tag comes in, as on an issuing station.
#include <algorithm>
#include <array>

#include "sim_reader.h"
#include "usb/moduleframe.h"

namespace usb::sim {
namespace {

constexpr std::uint8_t kResponse = 0x01;
constexpr std::uint8_t kNotification = 0x02;
constexpr std::uint8_t kErrorFrame = 0xFF;

// Error codes of the module's error frame.
constexpr std::uint8_t kReadFailed = 0x09;
constexpr std::uint8_t kWriteFailed = 0x10;
constexpr std::uint8_t kNoTag = 0x15;
constexpr std::uint8_t kAccessDenied = 0x16;
constexpr std::uint8_t kCommandError = 0x17;
constexpr std::uint8_t kMemoryOverrun = 0xA3;
constexpr std::uint8_t kMemoryLocked = 0xA4;

constexpr std::uint8_t kRssi = 0xC8;
constexpr std::size_t kMaxEpcWords = 31;  // what the PC word's length field counts
constexpr std::size_t kMaxReadWords = 100;

enum Bank : std::uint8_t { Reserved = 0, Epc = 1, Tid = 2, User = 3 };

Bytes moduleFrame(std::uint8_t type, std::uint8_t command, const Bytes& params) {
    return buildModuleFrame(type, command, params);
}

Bytes errorFrame(std::uint8_t code) { return moduleFrame(kResponse, kErrorFrame, {code}); }

std::size_t epcWords(const UhfTag& tag) { return tag.epcMemory.size() >= 4 ? tag.epcMemory[2] >> 3 : 0; }

Bytes epcOf(const UhfTag& tag) {
    Bytes pe = pcAndEpc(tag);
    return Bytes(pe.begin() + 2, pe.end());
}

// The CRC word as a tag computes it when it powers up: over the PC word and the EPC words it
// counts. The EPC memory keeps what the PC word covers.
void storeCrc(UhfTag& tag) {
    tag.epcMemory.resize(4 + 2 * epcWords(tag), 0x00);
    std::uint16_t crc = epcCrc(std::span(tag.epcMemory).subspan(2));
    tag.epcMemory[0] = static_cast<std::uint8_t>(crc >> 8);
    tag.epcMemory[1] = static_cast<std::uint8_t>(crc);
}

Bytes* bankOf(UhfTag& tag, std::uint8_t bank, Bytes& reserved) {
    switch (bank) {
    case Reserved:
        reserved.assign(tag.killPassword.begin(), tag.killPassword.end());
        reserved.insert(reserved.end(), tag.accessPassword.begin(), tag.accessPassword.end());
        return &reserved;
    case Epc: return &tag.epcMemory;
    case Tid: return &tag.tid;
    case User: return &tag.user;
    default: return nullptr;
    }
}

// The tag the next command acts on: the selected one, else the first in the field. A
// selection serves one command.
std::deque<UhfTag>::iterator target(UhfModule& m) {
    std::optional<Bytes> mask = std::move(m.selected);
    m.selected.reset();
    if (!mask) return m.field.begin();
    return std::find_if(m.field.begin(), m.field.end(), [&](const UhfTag& t) { return epcOf(t) == *mask; });
}

std::array<std::uint8_t, 4> password(Params p) { return {p[0], p[1], p[2], p[3]}; }
std::size_t word(Params p, std::size_t at) { return static_cast<std::size_t>(p[at] << 8 | p[at + 1]); }

// The tag written last, once an inventory has shown it, is taken away; a blank one comes in.
void takeAwayWrittenTag(UhfModule& m) {
    if (!m.justWritten || !m.justWrittenSeen) return;
    auto written = std::find_if(m.field.begin(), m.field.end(),
                                [&](const UhfTag& t) { return t.epcMemory == *m.justWritten; });
    if (written != m.field.end()) m.field.erase(written);
    m.field.push_back(blankTag(m.nextSerial++));
    m.justWritten.reset();
    m.justWrittenSeen = false;
}

Bytes inventory(UhfModule& m) {
    takeAwayWrittenTag(m);
    auto tag = target(m);
    if (tag == m.field.end()) return errorFrame(kNoTag);
    Bytes params{kRssi};
    Bytes pe = pcAndEpc(*tag);
    params.insert(params.end(), pe.begin(), pe.end());
    params.push_back(tag->epcMemory[0]);
    params.push_back(tag->epcMemory[1]);
    if (m.justWritten && tag->epcMemory == *m.justWritten) m.justWrittenSeen = true;
    return moduleFrame(kNotification, 0x22, params);
}

// Select on the EPC: selection parameter (bank in the low two bits), bit pointer, mask length
// in bits, truncation, mask.
Bytes select(UhfModule& m, Params p) {
    if (p.size() < 7 || (p[0] & 0x03) != Epc || p[6] != 0x00) return errorFrame(kCommandError);
    const std::size_t pointer = static_cast<std::size_t>(p[1]) << 24 | p[2] << 16 | p[3] << 8 | p[4];
    const std::size_t maskBytes = (p[5] + 7u) / 8;
    if (pointer != 0x20 || p[5] % 8 != 0 || p.size() != 7 + maskBytes) return errorFrame(kCommandError);
    m.selected = Bytes(p.begin() + 7, p.end());
    return moduleFrame(kResponse, 0x0C, {0x00});
}

Bytes read(UhfModule& m, Params p) {
    if (p.size() != 9) return errorFrame(kCommandError);
    auto tag = target(m);
    if (tag == m.field.end()) return errorFrame(kReadFailed);
    if (p[4] == Reserved && password(p) != tag->accessPassword) return errorFrame(kAccessDenied);
    Bytes reserved;
    Bytes* bank = bankOf(*tag, p[4], reserved);
    const std::size_t at = 2 * word(p, 5), count = 2 * word(p, 7);
    if (!bank) return errorFrame(kCommandError);
    if (count == 0 || count > 2 * kMaxReadWords || at + count > bank->size()) return errorFrame(kMemoryOverrun);
    Bytes pe = pcAndEpc(*tag);
    Bytes params{static_cast<std::uint8_t>(pe.size())};
    params.insert(params.end(), pe.begin(), pe.end());
    params.insert(params.end(), bank->begin() + static_cast<long>(at), bank->begin() + static_cast<long>(at + count));
    return moduleFrame(kResponse, 0x39, params);
}

Bytes write(ReaderState& s, Params p) {
    UhfModule& m = s.uhf;
    if (p.size() < 9 || p.size() != 9 + 2 * word(p, 7)) return errorFrame(kCommandError);
    auto tag = target(m);
    if (tag == m.field.end()) return errorFrame(kWriteFailed);
    if (password(p) != tag->accessPassword) return errorFrame(kAccessDenied);
    const std::size_t at = 2 * word(p, 5), count = 2 * word(p, 7);
    const Params data = p.subspan(9);
    Bytes pe = pcAndEpc(*tag);
    Bytes answer{static_cast<std::uint8_t>(pe.size())};
    answer.insert(answer.end(), pe.begin(), pe.end());
    answer.push_back(0x00);

    switch (p[4]) {
    case Epc: {
        if (count == 0 || at + count > 4 + 2 * kMaxEpcWords) return errorFrame(kMemoryOverrun);
        Bytes& mem = tag->epcMemory;
        if (mem.size() < at + count) mem.resize(at + count, 0x00);
        std::copy(data.begin(), data.end(), mem.begin() + static_cast<long>(at));
        storeCrc(*tag);
        // Issued: the tag stays in front until the next inventory has seen its new number.
        m.issued.push_back(*tag);
        m.justWritten = tag->epcMemory;
        m.justWrittenSeen = false;
        UhfTag written = std::move(*tag);
        m.field.erase(tag);
        m.field.push_front(std::move(written));
        break;
    }
    case User:
    case Reserved: {
        Bytes reserved;
        Bytes* bank = bankOf(*tag, p[4], reserved);
        if (count == 0 || at + count > bank->size()) return errorFrame(kMemoryOverrun);
        std::copy(data.begin(), data.end(), bank->begin() + static_cast<long>(at));
        if (p[4] == Reserved) {
            std::copy(reserved.begin(), reserved.begin() + 4, tag->killPassword.begin());
            std::copy(reserved.begin() + 4, reserved.end(), tag->accessPassword.begin());
        }
        break;
    }
    case Tid: return errorFrame(kMemoryLocked);
    default: return errorFrame(kCommandError);
    }
    return moduleFrame(kResponse, 0x49, answer);
}

// CE: one module frame; the reader answers with the module's frame as its data.
Answer passThrough(ReaderState& s, Params p) {
    UhfModule& m = s.uhf;
    if (p.size() < 7 || p[0] != kModuleHeader || p.back() != kModuleEnd) return success(errorFrame(kCommandError));
    const std::size_t length = word(p, 3);
    if (p.size() != 7 + length) return success(errorFrame(kCommandError));
    unsigned sum = 0;
    for (std::size_t i = 1; i < 5 + length; ++i) sum += p[i];
    if (static_cast<std::uint8_t>(sum) != p[5 + length]) return success(errorFrame(kCommandError));
    const Params params = p.subspan(5, length);
    switch (p[2]) {
    case 0x22: return success(length == 0 ? inventory(m) : errorFrame(kCommandError));
    case 0x0C: return success(select(m, params));
    case 0x39: return success(read(m, params));
    case 0x49: return success(write(s, params));
    default: m.selected.reset(); return success(errorFrame(kCommandError));
    }
}

// BC: the memory sector reading mode with bank, password, address and length.
Answer setSectorReading(ReaderState& s, Params p) {
    if (p.size() != 7 || p[0] > User) return failure(kErrorBadFrame);
    s.settings.sector = SectorRead{p[0], {p[1], p[2], p[3], p[4]}, p[5], p[6]};
    s.settings.readingMode = kSectorReading;
    return success();
}

// B8: the reader switches its USB interface to a virtual serial port.
Answer switchToVirtualSerial(ReaderState& s, Params p) {
    if (!p.empty()) return failure(kErrorBadFrame);
    s.usbVirtualSerial = true;
    return success();
}

constexpr std::array kCommands{
    Command{0xB8, switchToVirtualSerial},
    Command{0xBC, setSectorReading},
    Command{0xCE, passThrough},
};

}  // namespace

std::uint16_t epcCrc(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t b : bytes) {
        crc ^= static_cast<std::uint16_t>(b << 8);
        for (int i = 0; i < 8; ++i) crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return static_cast<std::uint16_t>(~crc);
}

UhfTag blankTag(std::uint32_t serial) {
    const std::uint8_t s0 = static_cast<std::uint8_t>(serial >> 24), s1 = static_cast<std::uint8_t>(serial >> 16),
                       s2 = static_cast<std::uint8_t>(serial >> 8), s3 = static_cast<std::uint8_t>(serial);
    UhfTag tag;
    tag.epcMemory = {0x00, 0x00, 0x30, 0x00, 0xE2, 0x00, 0x51, 0x28, 0x93, 0x0D, 0x01, 0x14, s0, s1, s2, s3};
    tag.tid = {0xE2, 0x00, 0x34, 0x12, 0x01, 0x30, 0x00, 0x00, s0, s1, s2, s3};
    storeCrc(tag);
    return tag;
}

Bytes pcAndEpc(const UhfTag& tag) {
    const std::size_t n = std::min(tag.epcMemory.size(), 4 + 2 * epcWords(tag));
    return tag.epcMemory.size() < 4 ? Bytes{} : Bytes(tag.epcMemory.begin() + 2, tag.epcMemory.begin() + static_cast<long>(n));
}

std::span<const Command> uhfCommands() { return kCommands; }

}  // namespace usb::sim
