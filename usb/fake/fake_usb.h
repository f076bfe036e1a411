// Test access to the fake USB access library. It loads the very usb.so that the console
// loads (the library folder is set to FAKE_USB_DIR), so a test queues replies and reads back
// the frames the console wrote through the one shared copy.
//
//   FakeUsb fake;                                   // loads it and resets it
//   fake.queueReply(FakeUsb::makeReply(0x00, 0x00, {0x05}));
//   ... the console sends ...
//   fake.frames()                                   // every frame written, in order
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/library.h"
#include "usb/frame.h"

#ifndef FAKE_USB_DIR
#error "FAKE_USB_DIR must name the folder of the fake usb.so (link usb_fake_client)"
#endif

class FakeUsb {
public:
    using Bytes = std::vector<std::uint8_t>;

    FakeUsb() {
        platform::setLibraryFolder(FAKE_USB_DIR);
        auto lib = platform::loadLibrary("usb.dll");
        if (!lib.handle) throw std::runtime_error("fake USB library: " + lib.error);
        find(lib.handle, "fakeUsbReset", reset_);
        find(lib.handle, "fakeUsbQueueReply", queueReply_);
        find(lib.handle, "fakeUsbQueueEmptyRead", queueEmptyRead_);
        find(lib.handle, "fakeUsbQueueWriteResult", queueWriteResult_);
        find(lib.handle, "fakeUsbSetDefaultReply", setDefaultReply_);
        find(lib.handle, "fakeUsbFrameCount", frameCount_);
        find(lib.handle, "fakeUsbFrame", frame_);
        find(lib.handle, "fakeUsbSetOverrun", setOverrun_);
        find(lib.handle, "fakeUsbReadCount", readCount_);
        find(lib.handle, "fakeUsbLastReadSize", lastReadSize_);
        reset();
    }

    // Forgets frames, queues and the default reply.
    void reset() { reset_(); }
    // The next read copies these bytes (cut at the size the reader asks for).
    void queueReply(const Bytes& bytes) { queueReply_(bytes.data(), static_cast<int>(bytes.size())); }
    // The next read leaves the buffer untouched.
    void queueEmptyRead() { queueEmptyRead_(); }
    // The next write returns this instead of its count; the frame is still recorded.
    void queueWriteResult(int result) { queueWriteResult_(result); }
    // Answers every read that has nothing queued; an empty reply makes those reads empty.
    void setDefaultReply(const Bytes& bytes) {
        setDefaultReply_(bytes.data(), static_cast<int>(bytes.size()));
    }

    // A faulty library: reads place up to this many bytes more than the size they are given.
    void setOverrun(int bytes) { setOverrun_(bytes); }

    int frameCount() const { return frameCount_(); }
    std::vector<Bytes> frames() const {
        std::vector<Bytes> out;
        for (int i = 0, n = frameCount_(); i < n; ++i) {
            Bytes f(static_cast<std::size_t>(frame_(i, nullptr, 0)));
            frame_(i, f.data(), static_cast<int>(f.size()));
            out.push_back(std::move(f));
        }
        return out;
    }
    int readCount() const { return readCount_(); }
    int lastReadSize() const { return lastReadSize_(); }

    // A correct reply: 02, address, LEN, status, data, XOR, 03.
    static Bytes makeReply(std::uint8_t address, std::uint8_t status, const Bytes& data) {
        return usb::buildFrame(address, status, data);
    }

private:
    template <typename Fn>
    static void find(void* handle, const char* name, Fn& fn) {
        auto f = platform::findFunction(handle, name);
        if (!f.address) throw std::runtime_error("fake USB library: " + f.error);
        fn = reinterpret_cast<Fn>(f.address);
    }

    void (*reset_)() = nullptr;
    void (*queueReply_)(const unsigned char*, int) = nullptr;
    void (*queueEmptyRead_)() = nullptr;
    void (*queueWriteResult_)(int) = nullptr;
    void (*setDefaultReply_)(const unsigned char*, int) = nullptr;
    void (*setOverrun_)(int) = nullptr;
    int (*frameCount_)() = nullptr;
    int (*frame_)(int, unsigned char*, int) = nullptr;
    int (*readCount_)() = nullptr;
    int (*lastReadSize_)() = nullptr;
};
