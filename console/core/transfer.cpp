#include "transfer.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "hextext.h"
#include "platform/library.h"

namespace console {

std::string ReplyText;
std::string SerialRxText;
unsigned long long SerialRxBursts = 0;

namespace {

using WriteFn = int (*)(int, int, unsigned char*);
using ReadFn = int (*)(int, int, unsigned char*);

const char* const kLibrary = "usb.dll";

std::string frameWithBody(const std::string& body) {
    unsigned x = 0;
    for (std::size_t i = 0; i + 1 < body.size(); i += 2) {
        std::string pair = body.substr(i, 2);
        // The address comes from the list unfiltered; a pair that is not hex counts as 0.
        try {
            x ^= static_cast<unsigned>(pairValue(pair));
        } catch (const EConvertError&) {
        }
    }
    return "02" + body + hexByte(x) + "03";
}

// The pattern with %1 and %2 replaced by the two texts.
std::string filled(const char* pattern, const std::string& first, const std::string& second) {
    std::string out;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && (p[1] == '1' || p[1] == '2')) {
            out += p[1] == '1' ? first : second;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

// Finds a function of the USB library; on failure says what is missing in the log.
void* usbFunction(const char* name, const LogLine& log, const TransferTexts& texts) {
    auto lib = platform::loadLibrary(kLibrary);
    if (!lib.handle) {
        log(filled(texts.noLibrary, platform::libraryFileName(kLibrary), lib.error));
        return nullptr;
    }
    auto fn = platform::findFunction(lib.handle, name);
    if (!fn.address) log(filled(texts.noFunction, platform::libraryFileName(kLibrary), name));
    return fn.address;
}

}  // namespace

const TransferTexts kTransferTexts = {"data error,please check Device Connection...", "Receive...",
                                     nullptr,
                                     "USB access library %1 could not be loaded: %2",
                                     "USB access library %1 has no function %2",
                                     "frame of %1 bytes not sent: a frame holds at most %2 bytes"};

std::string readerFrame(const std::string& address, const std::string& data) {
    std::string digits = hexDigits(data);
    return frameWithBody(address + hexByte(static_cast<unsigned>(digits.size() / 2)) + digits);
}

std::string uhfFrame(const std::string& address, const std::string& data) {
    std::string digits = hexDigits(data);
    return frameWithBody(address + hexByte(static_cast<unsigned>(digits.size() / 2 + 1)) + "ce" +
                         digits);
}

void transferFrame(const std::string& frameText, bool debug, const LogLine& log,
                   const TransferTexts& texts) {
    if (debug && texts.sent) log(texts.sent + hexDigits(frameText));
    std::string digits = checkdata(frameText);
    int n = static_cast<int>(digits.size() / 2);
    if (n > kMaxFrameBytes) {
        log(filled(texts.frameTooLong, std::to_string(n), std::to_string(kMaxFrameBytes)));
        ReplyText.clear();
        return;
    }
    std::array<unsigned char, kMaxFrameBytes> out{};
    for (int i = 0; i < n; ++i) out[i] = static_cast<unsigned char>(pairValue(digits.substr(2 * i, 2)));

    auto write = reinterpret_cast<WriteFn>(usbFunction("hidWriteData", log, texts));
    if (!write) {
        ReplyText.clear();
        return;
    }
    if (write(0, n, out.data()) != n) {
        log(texts.deviceLine);
        ReplyText.clear();
        return;
    }

    auto read = reinterpret_cast<ReadFn>(usbFunction("hidReadData", log, texts));
    if (!read) {
        ReplyText.clear();
        return;
    }
    // The library is asked for kReadBytes; the guard area behind them takes what a faulty
    // library writes beyond that, so it cannot reach the stack. Only kReadBytes count.
    std::array<unsigned char, kReadBytes + kReadGuardBytes> in{};
    read(0, kReadBytes, in.data());
    // A buffer still all zero means that nothing was read: no reply.
    if (std::all_of(in.begin(), in.begin() + kReadBytes, [](unsigned char b) { return b == 0; })) {
        ReplyText.clear();
        return;
    }
    // The reply's third byte gives its length; it is taken only as far as the buffer reaches.
    int length = std::min(in[2] + 5, kReadBytes);
    std::string reply;
    reply.reserve(2 * length);
    for (int i = 0; i < length; ++i) reply += hexByte(in[i]);
    ReplyText = reply;
    if (debug) log(texts.received + ReplyText);
}

}  // namespace console
