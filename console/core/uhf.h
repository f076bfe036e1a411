// UHF module frames: BB, type, command, two-byte parameter length, parameters, checksum, 7E.
// The checksum is the low byte of the sum of every byte from the type through the last
// parameter. Frames are hex text until the sending routine converts them; field texts go in
// as the operator typed them (blanks allowed), computed values as two upper-case digits.
#pragma once
#include <cstddef>
#include <string>

namespace console::uhf {

// The inventory frame as it is sent: BB 00 22 00 00 22 7E.
inline constexpr const char* kInventory = "bb 00 22 00 00 22 7e ";

// Largest EPC the select's mask length byte holds (8 bits a byte).
inline constexpr std::size_t kMaxSelectEpcBytes = 31;
// Largest EPC a write can carry: its PC byte is four times the byte count, in whole words.
inline constexpr std::size_t kMaxWriteEpcBytes = 62;

// A field that holds exactly `digits` hex digits, blanks between them allowed: the fields
// that go into a frame as typed must hold their whole bytes.
bool holdsHexDigits(const std::string& field, std::size_t digits);
// The memory sector fields: bank, address and length one byte each, the password four.
bool sectorFieldsHold(const std::string& bank, const std::string& password, const std::string& address,
                      const std::string& length);

// Two upper-case hex digits of a computed frame value; a value over one byte is a fault of
// the caller (std::range_error), never a silently damaged frame.
std::string frameByte(std::size_t value);

// The checksum of the summed part: the low byte of the sum of its whole hex pairs.
std::string checksum(const std::string& summed);

// "BB " + summed + checksum + "7E": the one assembly of every frame the console builds.
std::string moduleFrame(const std::string& summed);

// Select: restrict the next command to the tag whose EPC equals `epc` (hex text), with the
// mask length and parameter length computed for `epcBytes` bytes.
std::string selectFrame(const std::string& epc, std::size_t epcBytes);
// Read of the EPC memory: CRC word, PC word and a 12-byte EPC, with the fixed password.
std::string readEpcMemoryFrame();
// Write of a new EPC of `epcBytes` bytes into the EPC memory from word 0: the CRC word as
// the tag reported it, the PC word for that length, the EPC.
std::string writeEpcFrame(const std::string& password, const std::string& crcWord,
                          const std::string& epc, std::size_t epcBytes);
// Active read of a memory sector (work mode command C9), fields as typed.
std::string sectorFrame(const std::string& bank, const std::string& password,
                        const std::string& address, const std::string& length);

// The module frame that a pass-through reply carries: the reply without its first 8 hex
// digits (start, address, length, status) and its last 4 (XOR, end); empty when shorter.
std::string cutReply(const std::string& reply);

// The module's answer that no tag was found: an 8-byte frame.
inline bool isNoTagFrame(const std::string& cut) { return cut.size() == 16; }

// What an inventory answer says about the first tag in it.
struct InventoryTag {
    bool found = false;   // false: no room for an EPC, or the EPC runs past the answer
    std::size_t epcBytes = 0;
    std::string rssi;     // 2 digits
    std::string pc;       // 4 digits
    std::string epc;      // 2 * epcBytes digits
    std::string crc;      // the 4 digits before the last 4 of the whole answer
};

// Reads a cut inventory answer: parameter length L (characters 9-10), RSSI, PC, EPC of L - 5
// bytes, the tag's CRC word before checksum and end. An answer too short for L finds no tag.
InventoryTag readInventory(const std::string& cut);

// The 24 digits of a 12-byte EPC from character 17, as the read buttons show it.
std::string epc12(const std::string& cut);

}  // namespace console::uhf
