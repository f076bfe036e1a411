#include "uhf.h"

#include <cctype>
#include <stdexcept>

#include "hextext.h"

namespace console::uhf {

bool holdsHexDigits(const std::string& field, std::size_t digits) {
    std::string kept;
    for (char c : field)
        if (c != ' ') kept.push_back(c);
    return kept.size() == digits && hexDigits(kept) == kept;
}

bool sectorFieldsHold(const std::string& bank, const std::string& password, const std::string& address,
                      const std::string& length) {
    return holdsHexDigits(bank, 2) && holdsHexDigits(password, 8) && holdsHexDigits(address, 2) &&
           holdsHexDigits(length, 2);
}

std::string frameByte(std::size_t value) {
    if (value > 0xFF)
        throw std::range_error("module frame value " + std::to_string(value) + " does not fit one byte");
    return hexByte(static_cast<unsigned>(value));
}

std::string checksum(const std::string& summed) {
    return hexByte(static_cast<unsigned>(adddate(summed)) & 0xFFu);
}

std::string moduleFrame(const std::string& summed) { return "BB " + summed + checksum(summed) + "7E"; }

std::string selectFrame(const std::string& epc, std::size_t epcBytes) {
    return moduleFrame("00 0C 00 " + frameByte(epcBytes + 7) + " 01 00 00 00 20 " +
                       frameByte(8 * epcBytes) + " 00 " + epc);
}

std::string readEpcMemoryFrame() { return moduleFrame("00 39 00 09 5D 19 E4 70 01 00 00 00 08 "); }

std::string writeEpcFrame(const std::string& password, const std::string& crcWord,
                          const std::string& epc, std::size_t epcBytes) {
    return moduleFrame("00 49 00 " + frameByte(epcBytes + 13) + " " + password + " 01 00 00 00 " +
                       frameByte((epcBytes + 4) / 2) + " " + crcWord + " " + frameByte(4 * epcBytes) +
                       " 00 " + epc);
}

std::string sectorFrame(const std::string& bank, const std::string& password,
                        const std::string& address, const std::string& length) {
    return moduleFrame("00 C9 00 07 " + bank + password + address + length);
}

std::string cutReply(const std::string& reply) {
    if (reply.size() <= 12) return {};
    return reply.substr(8, reply.size() - 12);
}

InventoryTag readInventory(const std::string& cut) {
    InventoryTag tag;
    // An answer that ends inside its length byte, or whose length is no hex pair, holds no tag.
    const std::string lengthPair = Copy(cut, 9, 2);
    if (lengthPair.size() != 2 || !isxdigit(static_cast<unsigned char>(lengthPair[0])) ||
        !isxdigit(static_cast<unsigned char>(lengthPair[1])))
        return tag;
    const int length = pairValue(lengthPair);
    if (length < 5) return tag;
    const std::size_t n = static_cast<std::size_t>(length - 5);
    // RSSI, PC and EPC from character 11, then the CRC word, checksum and end.
    if (16 + 2 * n + 8 > cut.size()) return tag;
    tag.found = true;
    tag.epcBytes = n;
    tag.rssi = Copy(cut, 11, 2);
    tag.pc = Copy(cut, 13, 4);
    tag.epc = Copy(cut, 17, 2 * n);
    tag.crc = Copy(cut, cut.size() - 7, 4);
    return tag;
}

std::string epc12(const std::string& cut) { return Copy(cut, 17, 24); }

}  // namespace console::uhf
