// The UHF module frame routines on any text: a built frame carries its own checksum, and the
// reading of an answer never claims more than the answer holds.
#include <string>

#include "core/hextext.h"
#include "core/uhf.h"
#include "fuzz_check.h"

using namespace console;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Any summed text: the frame is "BB " + text + the low byte of its pair sum + "7E".
    const std::string frame = uhf::moduleFrame(text);
    FUZZ_CHECK(frame.rfind("BB ", 0) == 0);
    FUZZ_CHECK(frame.size() >= 5 && frame.compare(frame.size() - 2, 2, "7E") == 0);
    FUZZ_CHECK(uhf::checksum(text) == hexByte(static_cast<unsigned>(adddate(text) & 0xFF)));

    // Any answer, as the hex text a reply would be cut to.
    const std::string cut = uhf::cutReply(text);
    FUZZ_CHECK(cut.size() == (text.size() > 12 ? text.size() - 12 : 0));
    const std::string digits = hexDigits(text);
    for (const std::string& answer : {text, digits}) {
        const uhf::InventoryTag tag = uhf::readInventory(answer);
        if (tag.found) {
            FUZZ_CHECK(tag.epc.size() == 2 * tag.epcBytes);
            FUZZ_CHECK(tag.rssi.size() == 2 && tag.pc.size() == 4 && tag.crc.size() == 4);
            FUZZ_CHECK(16 + tag.epc.size() <= answer.size());
            FUZZ_CHECK(answer.compare(16, tag.epc.size(), tag.epc) == 0);
        }
    }
    FUZZ_CHECK(uhf::epc12(text).size() <= 24);
    (void)uhf::holdsHexDigits(text, 8);
    return 0;
}
