// The fake library through its real usb.so, loaded the way the console loads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "usb/fake/fake_usb.h"

namespace {

using Bytes = FakeUsb::Bytes;
using WriteFn = int (*)(int, int, unsigned char*);
using ReadFn = int (*)(int, int, unsigned char*);

class FakeUsbTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The same search the console does after the fixture set the folder.
        auto lib = platform::loadLibrary("usb.dll");
        ASSERT_NE(lib.handle, nullptr) << lib.error;
        write = reinterpret_cast<WriteFn>(platform::findFunction(lib.handle, "hidWriteData").address);
        read = reinterpret_cast<ReadFn>(platform::findFunction(lib.handle, "hidReadData").address);
        ASSERT_NE(write, nullptr);
        ASSERT_NE(read, nullptr);
    }
    int send(Bytes frame) { return write(0, static_cast<int>(frame.size()), frame.data()); }
    // A console-style read: a 245-byte buffer filled with a marker to see what was touched.
    std::array<unsigned char, 245> receive(int size = 245) {
        std::array<unsigned char, 245> buf;
        buf.fill(0x55);
        lastRead = read(0, size, buf.data());
        return buf;
    }
    static Bytes head(const std::array<unsigned char, 245>& buf, std::size_t n) {
        return Bytes(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(n));
    }

    FakeUsb fake;
    WriteFn write = nullptr;
    ReadFn read = nullptr;
    int lastRead = 0;
};

TEST_F(FakeUsbTest, RecordsFramesAndAnswersWithQueuedRepliesInOrder) {
    fake.queueReply({0x02, 0x00, 0x01, 0x00, 0x01, 0x03});
    fake.queueReply({0x02, 0x00, 0x02, 0x01, 0x83, 0x80, 0x03});

    EXPECT_EQ(send({0x02, 0x00, 0x01, 0x83, 0x82, 0x03}), 6);
    auto first = receive();
    EXPECT_EQ(lastRead, 6);
    EXPECT_EQ(head(first, 7), (Bytes{0x02, 0x00, 0x01, 0x00, 0x01, 0x03, 0x55}));
    EXPECT_EQ(send({0x02, 0x00, 0x01, 0xC0, 0xC1, 0x03}), 6);
    EXPECT_EQ(head(receive(), 7), (Bytes{0x02, 0x00, 0x02, 0x01, 0x83, 0x80, 0x03}));

    EXPECT_EQ(fake.frames(), (std::vector<Bytes>{{0x02, 0x00, 0x01, 0x83, 0x82, 0x03},
                                                 {0x02, 0x00, 0x01, 0xC0, 0xC1, 0x03}}));
    EXPECT_EQ(fake.frameCount(), 2);
    EXPECT_EQ(fake.readCount(), 2);
    EXPECT_EQ(fake.lastReadSize(), 245);
}

TEST_F(FakeUsbTest, ShortWriteReturnsQueuedResultOnceAndKeepsTheFrame) {
    fake.queueWriteResult(3);
    fake.queueReply({0x02, 0x00, 0x01, 0x00, 0x01, 0x03});
    EXPECT_EQ(send({0x02, 0x00, 0x01, 0x83, 0x82, 0x03}), 3);
    EXPECT_EQ(send({0x02, 0x00, 0x01, 0x83, 0x82, 0x03}), 6) << "the result is used once";
    EXPECT_EQ(fake.frameCount(), 2);
    EXPECT_EQ(fake.readCount(), 0);
    EXPECT_EQ(head(receive(), 6), (Bytes{0x02, 0x00, 0x01, 0x00, 0x01, 0x03}))
        << "a write result does not use up a queued reply";
}

TEST_F(FakeUsbTest, EmptyReadsLeaveTheBufferUntouched) {
    auto untouched = [](const std::array<unsigned char, 245>& b) {
        return std::all_of(b.begin(), b.end(), [](unsigned char c) { return c == 0x55; });
    };
    EXPECT_TRUE(untouched(receive())) << "nothing queued, no default";
    fake.queueEmptyRead();
    fake.queueReply({0x02, 0x00, 0x01, 0x00, 0x01, 0x03});
    EXPECT_TRUE(untouched(receive())) << "queued empty read";
    EXPECT_EQ(lastRead, 0);
    EXPECT_EQ(receive()[0], 0x02) << "the reply queued after it comes next";
    EXPECT_EQ(fake.readCount(), 3);
}

TEST_F(FakeUsbTest, DefaultReplyAnswersWhenNothingIsQueued) {
    const Bytes fallback{0x02, 0x00, 0x01, 0x00, 0x01, 0x03};
    const Bytes queued{0x02, 0x00, 0x02, 0x01, 0x8F, 0x8C, 0x03};
    fake.setDefaultReply(fallback);
    fake.queueReply(queued);
    EXPECT_EQ(head(receive(), queued.size()), queued);
    EXPECT_EQ(head(receive(), fallback.size()), fallback);
    EXPECT_EQ(head(receive(), fallback.size()), fallback) << "the default is not used up";
    fake.setDefaultReply({});
    EXPECT_EQ(receive()[0], 0x55) << "count 0 makes unqueued reads empty again";
}

TEST_F(FakeUsbTest, ReplyLongerThanTheReadSizeIsCutThere) {
    fake.queueReply({0x02, 0x00, 0xF5, 0x00, 0x11, 0x22, 0x33});
    auto buf = receive(4);
    EXPECT_EQ(lastRead, 4);
    EXPECT_EQ(head(buf, 5), (Bytes{0x02, 0x00, 0xF5, 0x00, 0x55}));
    EXPECT_EQ(fake.lastReadSize(), 4);
}

TEST_F(FakeUsbTest, ResetForgetsFramesQueuesAndDefault) {
    send({0x01, 0x02});
    fake.queueReply({0x02});
    fake.queueWriteResult(0);
    fake.setDefaultReply({0x02});
    receive();
    fake.reset();
    EXPECT_EQ(fake.frameCount(), 0);
    EXPECT_EQ(fake.readCount(), 0);
    EXPECT_EQ(fake.lastReadSize(), 0);
    EXPECT_EQ(send({0x01, 0x02}), 2) << "queued write result forgotten";
    EXPECT_EQ(receive()[0], 0x55) << "queued reply and default forgotten";
}

TEST_F(FakeUsbTest, FrameCopyIsBoundedByCapacity) {
    using FrameFn = int (*)(int, unsigned char*, int);
    auto lib = platform::loadLibrary("usb.dll");
    auto frame = reinterpret_cast<FrameFn>(platform::findFunction(lib.handle, "fakeUsbFrame").address);
    ASSERT_NE(frame, nullptr);
    send({0x02, 0x00, 0x01, 0x83, 0x82, 0x03});
    std::array<unsigned char, 4> out{};
    out.fill(0x55);
    EXPECT_EQ(frame(0, out.data(), 2), 6) << "the full length comes back";
    EXPECT_EQ(out, (std::array<unsigned char, 4>{0x02, 0x00, 0x55, 0x55}));
    EXPECT_EQ(frame(1, out.data(), 4), -1);
    EXPECT_EQ(frame(-1, out.data(), 4), -1);
}

TEST_F(FakeUsbTest, EmptyReplyAndEmptyFrameCopyNothing) {
    // Both hold no bytes and may have no storage at all; under UndefinedBehaviorSanitizer a
    // copy from a null pointer stops the test here.
    fake.queueReply({});
    auto buf = receive();
    EXPECT_EQ(lastRead, 0);
    EXPECT_EQ(buf[0], 0x55);
    EXPECT_EQ(write(0, 0, nullptr), 0);
    ASSERT_EQ(fake.frames(), std::vector<Bytes>{Bytes{}});
    using FrameFn = int (*)(int, unsigned char*, int);
    auto lib = platform::loadLibrary("usb.dll");
    auto frame = reinterpret_cast<FrameFn>(platform::findFunction(lib.handle, "fakeUsbFrame").address);
    ASSERT_NE(frame, nullptr);
    unsigned char out[4] = {0x55, 0x55, 0x55, 0x55};
    EXPECT_EQ(frame(0, out, 4), 0);
    EXPECT_EQ(out[0], 0x55);
}

TEST_F(FakeUsbTest, OverrunPlacesMoreThanTheReadSize) {
    fake.setOverrun(2);
    fake.queueReply({0x02, 0x00, 0xF5, 0x00, 0x11, 0x22, 0x33});
    auto buf = receive(4);
    EXPECT_EQ(lastRead, 6);
    EXPECT_EQ(head(buf, 7), (Bytes{0x02, 0x00, 0xF5, 0x00, 0x11, 0x22, 0x55}));
}

TEST(FakeUsbReply, ComputesLengthAndCheckByte) {
    EXPECT_EQ(FakeUsb::makeReply(0x00, 0x00, {}), (Bytes{0x02, 0x00, 0x01, 0x00, 0x01, 0x03}));
    EXPECT_EQ(FakeUsb::makeReply(0x00, 0x01, {0x83}), (Bytes{0x02, 0x00, 0x02, 0x01, 0x83, 0x80, 0x03}));
    EXPECT_EQ(FakeUsb::makeReply(0x0A, 0x00, {0x05, 0x11}),
              (Bytes{0x02, 0x0A, 0x03, 0x00, 0x05, 0x11, 0x0A ^ 0x03 ^ 0x05 ^ 0x11, 0x03}));
}

}  // namespace
