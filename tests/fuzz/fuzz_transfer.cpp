// The frame builders, the USB transfer and the reply judging, through the scripted library
// with any write result and any reply, also from a library that writes past the read size.
// Input: a mode byte, a write result byte, two address characters, the field text up to a
// line feed, then the reply bytes.
//   mode bits 0-1: 0 the text is the frame, 1 readerFrame, 2 uhfFrame, 3 the text is the frame
//   bit 2: debug trace on
//   bits 3-4: 0 the write takes every byte, 1 it returns the write result byte (signed),
//             2 it returns -1, 3 every byte
//   bits 5-6: 0 the reply is read, 1 an empty read, 2 the library writes past the read size,
//             3 the reply is read
#include <algorithm>

#include "core/hextext.h"
#include "core/transfer.h"
#include "core/verdict.h"
#include "fuzz_check.h"
#include "usb/fake/fake_usb.h"

using namespace console;
using Bytes = FakeUsb::Bytes;

namespace {

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

Bytes bytesOf(const std::string& hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(pairValue(hex.substr(i, 2))));
    return out;
}

std::string hexOf(const Bytes& bytes) {
    std::string out;
    for (auto b : bytes) out += hexByte(b);
    return out;
}

// The builders against the frame layout, where address and data are whole hex bytes.
void checkBuilders(const std::string& address, const std::string& data) {
    const std::string digits = hexDigits(data);
    const std::string reader = readerFrame(address, data);
    const std::string uhf = uhfFrame(address, data);
    for (const std::string* f : {&reader, &uhf}) {
        FUZZ_CHECK(f->compare(0, 2 + address.size(), "02" + address) == 0);
        FUZZ_CHECK(f->size() >= 4 && f->compare(f->size() - 2, 2, "03") == 0);
    }
    FUZZ_CHECK(reader.compare(4 + address.size(), digits.size(), digits) == 0);
    if (address.size() != 2 || !isHex(address[0]) || !isHex(address[1]) || digits.size() % 2) return;
    const std::uint8_t addr = static_cast<std::uint8_t>(pairValue(address));
    const Bytes body = bytesOf(digits);
    FUZZ_CHECK(bytesOf(uhf) == usb::buildFrame(addr, 0xCE, body));
    if (!body.empty())
        FUZZ_CHECK(bytesOf(reader) == usb::buildFrame(addr, body[0], std::span(body).subspan(1)));
}

void checkJudging(const std::string& reply) {
    const ReplyKind kind = judgeReply(reply);
    const std::string status = replyStatus(reply);
    FUZZ_CHECK((kind == ReplyKind::None) == reply.empty());
    if (!reply.empty()) {
        FUZZ_CHECK((kind == ReplyKind::Success) == (status == "00"));
        FUZZ_CHECK((kind == ReplyKind::Failure) == (status == "01"));
    }
    const std::string code = replyErrorCode(reply);
    FUZZ_CHECK(code.size() <= 2);
    const std::string reason = falsereason(code);
    if (code.empty() || code == "00") FUZZ_CHECK(reason.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FakeUsb fake;
    fake.reset();
    fuzz::Input in(data, size);
    const std::uint8_t mode = in.byte();
    const int writeResult = static_cast<std::int8_t>(in.byte());
    const std::string address = in.bytes(2);
    const std::string text = in.until('\n');
    Bytes reply;
    for (char c : in.rest()) reply.push_back(static_cast<std::uint8_t>(c));

    checkBuilders(address, text);

    std::string frame = text;
    if ((mode & 3) == 1) frame = readerFrame(address, text);
    if ((mode & 3) == 2) frame = uhfFrame(address, text);
    const bool debug = mode & 4;
    const int writeMode = (mode >> 3) & 3;
    const int readMode = (mode >> 5) & 3;

    const std::string digits = checkdata(frame);
    const int n = static_cast<int>(digits.size() / 2);
    const int written = writeMode == 1 ? writeResult : writeMode == 2 ? -1 : n;
    if (writeMode == 1 || writeMode == 2) fake.queueWriteResult(written);
    // A faulty library is modelled as far as the guard area reaches.
    const std::size_t placed = readMode == 2 ? kReadBytes + kReadGuardBytes : kReadBytes;
    if (reply.size() > placed) reply.resize(placed);
    fake.setOverrun(readMode == 2 ? kReadGuardBytes : 0);
    if (readMode == 1)
        fake.queueEmptyRead();
    else
        fake.queueReply(reply);

    std::vector<std::string> log;
    ReplyText = "stale";
    transferFrame(frame, debug, [&log](const std::string& line) { log.push_back(line); });
    checkJudging(ReplyText);

    if (n > kMaxFrameBytes) {
        FUZZ_CHECK(fake.frameCount() == 0 && ReplyText.empty() && log.size() == 1);
        return 0;
    }
    const auto frames = fake.frames();
    FUZZ_CHECK(frames.size() == 1 && frames[0] == bytesOf(digits));
    if (written != n) {
        FUZZ_CHECK(fake.readCount() == 0 && ReplyText.empty());
        FUZZ_CHECK(log == std::vector<std::string>{"data error,please check Device Connection..."});
        return 0;
    }
    FUZZ_CHECK(fake.readCount() == 1 && fake.lastReadSize() == kReadBytes);

    // What the console's buffer holds of the reply: the first kReadBytes, zeros after it.
    Bytes seen(kReadBytes, 0);
    if (readMode != 1) std::copy_n(reply.begin(), std::min<std::size_t>(reply.size(), kReadBytes), seen.begin());
    if (std::all_of(seen.begin(), seen.end(), [](std::uint8_t b) { return b == 0; })) {
        FUZZ_CHECK(ReplyText.empty() && log.empty());
        return 0;
    }
    seen.resize(std::min<std::size_t>(seen[2] + 5u, kReadBytes));
    FUZZ_CHECK(ReplyText == hexOf(seen));
    if (debug)
        FUZZ_CHECK(log == std::vector<std::string>{"Receive..." + ReplyText});
    else
        FUZZ_CHECK(log.empty());
    return 0;
}
