// TComm's receive path with its real threads on a pseudo-terminal, fed any bursts: every byte
// arrives once and in order, in events of 1 to 2048 bytes each followed by a 0 byte.
// Input: a settings byte, then bursts of a length byte and that many bytes.
//   settings bit 0: IgnoreNullChar (zero bytes are dropped)
//   bits 1-2: read interval 1, 2, 5 or 20 ms
//   burst length bits 0-5: 1 to 63 bytes (0: 64), bit 6: 64 times that, bit 7: wait for the
//   burst to arrive before the next
#include <QCoreApplication>
#include <chrono>
#include <thread>

#include "fuzz_check.h"
#include "platform/comm.h"
#include "serial/TComm.h"
#include "testutil.h"

namespace {

struct Port {
    QCoreApplication* app;
    testutil::Pty pty;
    TComm comm{nullptr};
    std::string received;
    bool bad = false;

    explicit Port(QCoreApplication* a) : app(a) {
        platform::setCommDevicePath(3, pty.slave());
        comm.setCommName(QStringLiteral("\\\\.\\COM3"));
        // Flow control off: XON and XOFF bytes are data here.
        comm.setOutx_XonXoffFlow(false);
        comm.setInx_XonXoffFlow(false);
        comm.setReadIntervalTimeout(2);
        comm.OnReceiveData = [this](QObject*, const void* buffer, std::uint16_t length) {
            const char* bytes = static_cast<const char*>(buffer);
            if (length < 1 || length > 2048 || bytes[length] != 0) bad = true;
            received.append(bytes, length);
        };
        comm.OpenPort();
    }
};

Port* port = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    static Port p(&app);
    port = &p;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t settings = in.byte();
    static const std::uint32_t kIntervals[] = {1, 2, 5, 20};
    const bool dropNulls = settings & 1;
    port->comm.setIgnoreNullChar(dropNulls);
    port->comm.setReadIntervalTimeout(kIntervals[(settings >> 1) & 3]);
    // Bytes of an earlier input that came late would show here.
    QCoreApplication::processEvents();
    FUZZ_CHECK(port->received.empty());

    std::string expected;
    auto arrived = [&] { return port->received.size() >= expected.size(); };
    while (!in.empty()) {
        const std::uint8_t length = in.byte();
        const std::size_t count = ((length & 0x3F) ? (length & 0x3F) : 64u) * ((length & 0x40) ? 64u : 1u);
        const std::string burst = in.bytes(count);
        port->pty.write(burst);
        for (char c : burst)
            if (!(dropNulls && c == 0)) expected.push_back(c);
        if (length & 0x80) FUZZ_CHECK(testutil::waitUntil(arrived, 10000));
    }
    // A last byte that is never dropped: once it is in, every byte before it was read (and
    // read under this input's settings).
    port->pty.write("\x7E");
    expected.push_back('\x7E');
    FUZZ_CHECK(testutil::waitUntil(arrived, 10000));
    if (port->received != expected) {
        std::fprintf(stderr, "expected %zu bytes, received %zu:", expected.size(), port->received.size());
        for (unsigned char c : port->received) std::fprintf(stderr, " %02X", c);
        std::fprintf(stderr, "\n");
    }
    FUZZ_CHECK(port->received == expected);
    FUZZ_CHECK(!port->bad);
    port->received.clear();
    return 0;
}
