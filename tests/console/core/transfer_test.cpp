// The USB transfer against the scripted library: bytes written, replies stored, failures.
#include "core/transfer.h"

#include <gtest/gtest.h>

#include "platform/library.h"
#include "usb/fake/fake_usb.h"

using namespace console;
using Bytes = std::vector<std::uint8_t>;

namespace {

class Transfer : public ::testing::Test {
protected:
    void SetUp() override {
        fake.reset();
        ReplyText = "stale";
    }
    void send(const std::string& frame, bool debug = false) {
        transferFrame(frame, debug, [this](const std::string& l) { log.push_back(l); });
    }
    FakeUsb fake;
    std::vector<std::string> log;
};

TEST_F(Transfer, WritesTheFrameAndStoresTheReply) {
    fake.queueReply(FakeUsb::makeReply(0x00, 0x00, {0x00}));
    send("02 00 01 83 82 03\r\n");
    ASSERT_EQ(fake.frames().size(), 1u);
    EXPECT_EQ(fake.frames()[0], (Bytes{0x02, 0x00, 0x01, 0x83, 0x82, 0x03}));
    EXPECT_EQ(fake.lastReadSize(), kReadBytes);
    EXPECT_EQ(ReplyText, "02000200000203");
    EXPECT_TRUE(log.empty());
}

TEST_F(Transfer, ReplyIsTakenByItsLengthByte) {
    // Trailing bytes past LEN + 5 are not part of the reply.
    fake.queueReply({0x02, 0x00, 0x01, 0x00, 0x01, 0x03, 0x77, 0x77});
    send("020001838203");
    EXPECT_EQ(ReplyText, "020001000103");
    // A length byte that promises more than the buffer holds is cut at the buffer.
    Bytes big(kReadBytes, 0x11);
    big[0] = 0x02;
    big[2] = 0xF5;
    fake.queueReply(big);
    send("020001838203");
    EXPECT_EQ(ReplyText.size(), 2u * kReadBytes);
}

TEST_F(Transfer, OddDigitIsDroppedAndOtherCharactersIgnored) {
    send("02 00 01 83 82 03 1");
    send("zz02-00");
    auto frames = fake.frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].size(), 6u);
    EXPECT_EQ(frames[1], (Bytes{0x02, 0x00}));
}

TEST_F(Transfer, ShortWriteClearsTheReplyAndReadsNothing) {
    fake.queueWriteResult(5);
    fake.queueReply(FakeUsb::makeReply(0x00, 0x00, {}));
    send("020001838203");
    EXPECT_EQ(ReplyText, "");
    EXPECT_EQ(log, std::vector<std::string>{"data error,please check Device Connection..."});
    EXPECT_EQ(fake.readCount(), 0);
}

TEST_F(Transfer, EmptyReadIsNoReply) {
    fake.queueEmptyRead();
    send("020001838203");
    EXPECT_EQ(ReplyText, "") << "an all-zero buffer is no reply, not status 00";
    EXPECT_TRUE(log.empty());
}

TEST_F(Transfer, FrameOverTheBufferIsNotSent) {
    std::string frame(2 * 256, 'A');
    send(frame);
    EXPECT_TRUE(fake.frames().empty());
    EXPECT_EQ(ReplyText, "");
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("256 bytes not sent"), std::string::npos) << log[0];
    send(std::string(2 * 255, 'A'));
    EXPECT_EQ(fake.frames().size(), 1u) << "255 bytes still go";
}

TEST_F(Transfer, LibraryWritingPastTheReadSizeStaysInTheGuardArea) {
    // A faulty library places more than the 245 bytes it was asked for; under AddressSanitizer
    // a read buffer without room behind it overflows the stack here.
    fake.setOverrun(kReadGuardBytes);
    Bytes longReply(kReadBytes + kReadGuardBytes, 0x11);
    longReply[0] = 0x02;
    longReply[2] = 0xF5;
    fake.queueReply(longReply);
    send("020001838203");
    EXPECT_EQ(ReplyText, "0211F5" + std::string(2 * (kReadBytes - 3), '1'))
        << "the reply is still taken only up to the read size";

    // Bytes only beyond the read size do not make a reply.
    Bytes lateReply(kReadBytes + 16, 0x00);
    lateReply[kReadBytes] = 0x02;
    fake.queueReply(lateReply);
    send("020001838203");
    EXPECT_EQ(ReplyText, "");
}

TEST_F(Transfer, DebugTraceFollowsEachReply) {
    fake.queueReply(FakeUsb::makeReply(0x00, 0x00, {}));
    send("020001838203", true);
    EXPECT_EQ(log, std::vector<std::string>{"Receive...020001000103"});
}

TEST(TransferLibrary, MissingLibraryOrFunctionIsOneLineAndNoReply) {
    struct Row {
        const char* folder;
        const char* says;
    } rows[] = {
        {"/nonexistent-folder", "usb.so could not be loaded"},
        {NOFUNC_USB_DIR, "has no function hidWriteData"},
    };
    for (const Row& r : rows) {
        platform::setLibraryFolder(r.folder);
        ReplyText = "stale";
        std::vector<std::string> log;
        transferFrame("020001838203", false, [&](const std::string& l) { log.push_back(l); });
        platform::setLibraryFolder("");
        EXPECT_EQ(ReplyText, "");
        ASSERT_EQ(log.size(), 1u) << r.folder;
        EXPECT_NE(log[0].find(r.says), std::string::npos) << log[0];
    }
}

}  // namespace

namespace {

TEST_F(Transfer, EachBuildHasItsOwnTextsAndTheSendEcho) {
    const TransferTexts own = {"device?", "got:", "sent:", kTransferTexts.noLibrary, kTransferTexts.noFunction,
                               kTransferTexts.frameTooLong};
    auto sendWith = [&](const std::string& frame, bool debug) {
        transferFrame(frame, debug, [this](const std::string& l) { log.push_back(l); }, own);
    };
    fake.queueReply(FakeUsb::makeReply(0x00, 0x00, {}));
    sendWith("02 00 01 83 82 03 1", true);
    EXPECT_EQ(log, (std::vector<std::string>{"sent:0200018382031", "got:020001000103"}))
        << "the echo shows every kept digit, before the odd one is dropped";
    log.clear();
    fake.queueWriteResult(0);
    sendWith("020001838203", false);
    EXPECT_EQ(log, (std::vector<std::string>{"device?"})) << "no echo without tracing";
}

}  // namespace
