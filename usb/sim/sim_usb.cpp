// The USB access library over the simulated reader: a write hands the frame to the reader
// and keeps its reply; the next read delivers that reply once.
#include <algorithm>
#include <cstring>
#include <optional>

#include "usb/hid.h"
#include "usb/sim/sim_reader.h"

namespace {

struct Link {
    usb::sim::SimReader reader;
    std::optional<usb::sim::Bytes> reply;
};

Link& link() {
    static Link l;
    return l;
}

constexpr int kDevice = 0;  // the one simulated reader

}  // namespace

int hidWriteData(int device, int count, unsigned char* buffer) {
    if (device != kDevice || count < 0 || (count > 0 && !buffer)) return -1;
    Link& l = link();
    l.reply = l.reader.handle(std::span<const unsigned char>(buffer, static_cast<std::size_t>(count)));
    return count;
}

int hidReadData(int device, int size, unsigned char* buffer) {
    Link& l = link();
    if (device != kDevice || size <= 0 || !buffer || !l.reply) return 0;
    std::size_t n = std::min(l.reply->size(), static_cast<std::size_t>(size));
    std::memcpy(buffer, l.reply->data(), n);
    l.reply.reset();
    return static_cast<int>(n);
}

// The simulated reader itself, for tests and tools that set up its world or look into it.
USB_EXPORT usb::sim::SimReader* simUsbReader() { return &link().reader; }
