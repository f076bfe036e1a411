// The simulated reader fed any frames, and its usb.so any frames and read sizes: every reply
// is a well-formed frame from the reader's address, and the library places it once, cut at
// the size it was given, touching nothing beyond.
// Input: records of a control byte, a length byte, that many frame bytes and a read size byte.
//   control bit 0: make the frame well formed (start, end, LEN and XOR set; address 00)
//   bit 1: with bit 0, the literal AA ... BB form
//   read size: the byte as a signed number, 127 meaning the console's 245
#include <algorithm>
#include <array>

#include "core/hextext.h"
#include "core/verdict.h"
#include "fuzz_check.h"
#include "platform/library.h"
#include "usb/frame.h"
#include "usb/sim/sim_reader.h"

using usb::sim::Bytes;

namespace {

using WriteFn = int (*)(int, int, unsigned char*);
using ReadFn = int (*)(int, int, unsigned char*);

struct Library {
    WriteFn write = nullptr;
    ReadFn read = nullptr;
    Library() {
        platform::setLibraryFolder(SIM_USB_DIR);
        auto lib = platform::loadLibrary("usb.dll");
        FUZZ_CHECK(lib.handle);
        write = reinterpret_cast<WriteFn>(platform::findFunction(lib.handle, "hidWriteData").address);
        read = reinterpret_cast<ReadFn>(platform::findFunction(lib.handle, "hidReadData").address);
        FUZZ_CHECK(write && read);
    }
};

void wellFormed(Bytes& frame, bool literal, std::uint8_t address) {
    if (frame.size() < usb::kFrameOverhead + 1) frame.resize(usb::kFrameOverhead + 1, 0);
    frame.front() = literal ? usb::kLiteralStart : usb::kStart;
    frame.back() = literal ? usb::kLiteralEnd : usb::kEnd;
    frame[1] = address;
    frame[2] = static_cast<std::uint8_t>(frame.size() - usb::kFrameOverhead);
    frame[frame.size() - 2] = usb::xorOf(std::span(frame).subspan(1, frame.size() - 3));
}

// `address` is the reader's before the frame, `now` after it: only a successful 80 (set address)
// changes it, and its answer already comes from the new address.
void checkReply(const Bytes& frame, const std::optional<Bytes>& reply, std::uint8_t address,
                std::uint8_t now) {
    if (!reply) {
        // Only an empty write or a frame for another reader goes unanswered.
        const bool framed = frame.size() >= usb::kFrameOverhead + 1 &&
                            ((frame.front() == usb::kStart && frame.back() == usb::kEnd) ||
                             (frame.front() == usb::kLiteralStart && frame.back() == usb::kLiteralEnd));
        FUZZ_CHECK(frame.empty() || (framed && frame[1] != address));
        return;
    }
    const Bytes& r = *reply;
    FUZZ_CHECK(r.size() >= usb::kFrameOverhead + 1 && r.size() <= 255 + usb::kFrameOverhead);
    FUZZ_CHECK(r.front() == usb::kStart && r.back() == usb::kEnd);
    FUZZ_CHECK(r[1] == now);
    FUZZ_CHECK(now == address || (frame[3] == 0x80 && r[3] == usb::sim::kStatusSuccess));
    FUZZ_CHECK(r[2] == r.size() - usb::kFrameOverhead);
    FUZZ_CHECK(r[r.size() - 2] == usb::xorOf(std::span(r).subspan(1, r.size() - 3)));
    FUZZ_CHECK(r[3] == usb::sim::kStatusSuccess || r[3] == usb::sim::kStatusFailure);
    if (r[3] == usb::sim::kStatusFailure) {
        FUZZ_CHECK(r.size() == usb::kFrameOverhead + 2);
        // Every error the reader gives is one the console can name.
        FUZZ_CHECK(!console::falsereason(console::hexByte(r[4])).empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Library lib;
    // The reader behind the library lives as long as the process; this one sees the same
    // frames, so the two answer alike.
    static usb::sim::SimReader mirror;
    fuzz::Input in(data, size);
    while (!in.empty()) {
        const std::uint8_t control = in.byte();
        const std::string raw = in.bytes(in.byte());
        Bytes frame(raw.begin(), raw.end());
        const int code = static_cast<std::int8_t>(in.byte());
        const int readSize = code == 127 ? 245 : code;
        const std::uint8_t address = mirror.state().address;
        if (control & 1) wellFormed(frame, control & 2, address);

        const auto reply = mirror.handle(frame);
        const std::uint8_t now = mirror.state().address;
        checkReply(frame, reply, address, now);
        FUZZ_CHECK(reply || now == address);

        FUZZ_CHECK(lib.write(0, static_cast<int>(frame.size()), frame.data()) == static_cast<int>(frame.size()));
        constexpr std::size_t kGuard = 64;
        std::array<unsigned char, 245 + kGuard> buffer;
        buffer.fill(0x55);
        const int placed = lib.read(0, readSize, buffer.data());
        const std::size_t expected =
            reply && readSize > 0 ? std::min<std::size_t>(reply->size(), static_cast<std::size_t>(readSize)) : 0;
        FUZZ_CHECK(placed == static_cast<int>(expected));
        if (expected > 0) FUZZ_CHECK(std::equal(buffer.begin(), buffer.begin() + placed, reply->begin()));
        FUZZ_CHECK(std::all_of(buffer.begin() + placed, buffer.end(), [](unsigned char b) { return b == 0x55; }));
        // The reply is placed once; a read of no bytes leaves it for the next.
        const std::size_t left = reply && readSize <= 0 ? reply->size() : 0;
        FUZZ_CHECK(lib.read(0, 245, buffer.data()) == static_cast<int>(left));
    }
    return 0;
}
