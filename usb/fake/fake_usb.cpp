// A scripted USB access library for tests: records every frame written and answers reads
// with what the test queued. Single-threaded, like the console that calls it.
#include <algorithm>
#include <cstring>
#include <deque>
#include <optional>
#include <vector>

#include "usb/hid.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Script {
    std::vector<Bytes> frames;
    std::deque<std::optional<Bytes>> replies;  // nullopt: an empty read
    std::deque<int> writeResults;
    Bytes defaultReply;                        // empty: unqueued reads are empty
    int readCount = 0;
    int lastReadSize = 0;
    int overrun = 0;                           // bytes a read may place beyond its size
};

Script& script() {
    static Script s;
    return s;
}

}  // namespace

USB_EXPORT void fakeUsbReset() { script() = Script{}; }

USB_EXPORT void fakeUsbQueueReply(const unsigned char* bytes, int count) {
    if (count < 0 || (count > 0 && !bytes)) return;
    script().replies.emplace_back(Bytes(bytes, bytes + count));
}

USB_EXPORT void fakeUsbQueueEmptyRead() { script().replies.emplace_back(std::nullopt); }

USB_EXPORT void fakeUsbQueueWriteResult(int result) { script().writeResults.push_back(result); }

USB_EXPORT void fakeUsbSetDefaultReply(const unsigned char* bytes, int count) {
    if (count <= 0 || !bytes)
        script().defaultReply.clear();
    else
        script().defaultReply.assign(bytes, bytes + count);
}

USB_EXPORT int fakeUsbFrameCount() { return static_cast<int>(script().frames.size()); }

USB_EXPORT int fakeUsbFrame(int index, unsigned char* out, int capacity) {
    const auto& frames = script().frames;
    if (index < 0 || index >= static_cast<int>(frames.size())) return -1;
    const Bytes& f = frames[static_cast<std::size_t>(index)];
    // An empty frame has no data to copy (and its data() may be null).
    if (out && capacity > 0 && !f.empty())
        std::memcpy(out, f.data(), std::min(f.size(), static_cast<std::size_t>(capacity)));
    return static_cast<int>(f.size());
}

USB_EXPORT void fakeUsbSetOverrun(int bytes) { script().overrun = std::max(bytes, 0); }

USB_EXPORT int fakeUsbReadCount() { return script().readCount; }

USB_EXPORT int fakeUsbLastReadSize() { return script().lastReadSize; }

int hidWriteData(int /*device*/, int count, unsigned char* buffer) {
    Script& s = script();
    if (count < 0 || (count > 0 && !buffer)) return -1;
    s.frames.emplace_back(buffer, buffer + count);
    if (s.writeResults.empty()) return count;
    int result = s.writeResults.front();
    s.writeResults.pop_front();
    return result;
}

int hidReadData(int /*device*/, int size, unsigned char* buffer) {
    Script& s = script();
    ++s.readCount;
    s.lastReadSize = size;
    std::optional<Bytes> reply;
    if (!s.replies.empty()) {
        reply = std::move(s.replies.front());
        s.replies.pop_front();
    } else if (!s.defaultReply.empty()) {
        reply = s.defaultReply;
    }
    if (!reply || size <= 0 || !buffer) return 0;
    std::size_t n = std::min(reply->size(), static_cast<std::size_t>(size) + s.overrun);
    if (n > 0) std::memcpy(buffer, reply->data(), n);
    return static_cast<int>(n);
}
