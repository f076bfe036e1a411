// The mapping of line settings onto termios, from any termios and any settings: a refused
// setting leaves the termios as it was, an accepted one reads back.
// Input: the starting termios2 as raw bytes, then BaudRate and Flags (4 bytes each, little
// endian), ByteSize, Parity, StopBits, XonChar, XoffChar and ErrorChar (one byte each).
#include <cstring>

#include "fuzz_check.h"
#include "platform/commtermios.h"

using namespace platform;

namespace {

bool same(const termios2& a, const termios2& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::uint32_t word(fuzz::Input& in) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(in.byte()) << (8 * i);
    return v;
}

// What the line can take.
bool possible(const CommState& s) {
    const std::uint32_t dtr = s.Flags & dcb::DtrMask;
    return s.BaudRate != 0 && s.ByteSize >= 5 && s.ByteSize <= 8 && s.Parity <= 4 &&
           (s.StopBits == 0 || s.StopBits == 2) &&
           !(s.Flags & (dcb::OutxDsrFlow | dcb::DsrSensitivity)) && dtr != dcb::DtrHandshake &&
           dtr != dcb::DtrMask && (s.Flags & dcb::RtsMask) != dcb::RtsToggle &&
           !((s.Flags & dcb::ErrorChar) && s.ErrorChar != 0);
}

// One setting on its own: refused leaves t alone, accepted keeps what it does not set.
template <typename Apply>
void one(const termios2& start, Apply apply, bool expectAccepted) {
    termios2 t = start;
    const bool accepted = apply(t);
    FUZZ_CHECK(accepted == expectAccepted);
    if (!accepted) FUZZ_CHECK(same(t, start));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    termios2 start{};
    const std::string raw = in.bytes(sizeof start);
    std::memcpy(&start, raw.data(), raw.size());
    CommState s;
    s.BaudRate = word(in);
    s.Flags = word(in);
    s.ByteSize = in.byte();
    s.Parity = in.byte();
    s.StopBits = in.byte();
    s.XonChar = static_cast<char>(in.byte());
    s.XoffChar = static_cast<char>(in.byte());
    s.ErrorChar = static_cast<char>(in.byte());

    one(start, [&](termios2& t) { return applyBaudRate(t, s.BaudRate); }, s.BaudRate != 0);
    one(start, [&](termios2& t) { return applyByteSize(t, s.ByteSize); }, s.ByteSize >= 5 && s.ByteSize <= 8);
    one(start, [&](termios2& t) { return applyParity(t, s.Parity, s.Flags & dcb::Parity); }, s.Parity <= 4);
    one(start, [&](termios2& t) { return applyStopBits(t, s.StopBits); }, s.StopBits == 0 || s.StopBits == 2);
    if (s.BaudRate != 0) {
        termios2 t = start;
        applyBaudRate(t, s.BaudRate);
        FUZZ_CHECK(baudRateOf(t) == s.BaudRate);
    }

    termios2 t = start;
    const bool accepted = applyCommState(t, s);
    FUZZ_CHECK(accepted == possible(s));
    if (!accepted) {
        FUZZ_CHECK(same(t, start));
        return 0;
    }
    const CommState back = commStateFromTermios(t, s);
    FUZZ_CHECK(back.BaudRate == s.BaudRate);
    FUZZ_CHECK(back.ByteSize == s.ByteSize);
    FUZZ_CHECK(back.Parity == s.Parity);
    FUZZ_CHECK(back.StopBits == s.StopBits);
    FUZZ_CHECK(back.Flags == (s.Flags | dcb::Binary));
    FUZZ_CHECK(back.XonChar == s.XonChar && back.XoffChar == s.XoffChar);
    // Raw: no echo, no line editing, no signals, receiver on, no modem wait, byte by byte.
    FUZZ_CHECK(!(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN)) && !(t.c_oflag & OPOST));
    FUZZ_CHECK((t.c_cflag & (CREAD | CLOCAL)) == (CREAD | CLOCAL));
    FUZZ_CHECK(t.c_cc[VMIN] == 1 && t.c_cc[VTIME] == 0);
    // Applying the same settings again changes nothing.
    termios2 again = t;
    FUZZ_CHECK(applyCommState(again, s) && same(again, t));
    return 0;
}
