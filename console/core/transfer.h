// Reader frames and the USB transfer: the frame builders, the write/read through the USB
// access library, and the program-wide current reply.
#pragma once
#include <functional>
#include <string>

namespace console {

// The reply of the last transfer as upper-case hex digits, or empty (no reply, failed write).
extern std::string ReplyText;

// The last burst received on the serial port as upper-case hex digits, or empty before the
// first. Each burst replaces it.
extern std::string SerialRxText;
// How many bursts have arrived, so that a command can tell a new answer from an old one.
extern unsigned long long SerialRxBursts;

// Largest frame the write buffer holds, and the size the library is asked to read.
constexpr int kMaxFrameBytes = 255;
constexpr int kReadBytes = 245;
// Room behind the read buffer for a library that writes more than it was asked for.
constexpr int kReadGuardBytes = 4096;

// "02" ADDR LEN DATA XOR "03" with DATA the hex digits of `data`, case kept.
std::string readerFrame(const std::string& address, const std::string& data);
// "02" ADDR LEN "ce" DATA XOR "03": the UHF pass-through frame.
std::string uhfFrame(const std::string& address, const std::string& data);

using LogLine = std::function<void(const std::string&)>;

// The lines a transfer adds to the log pane; each build has its own.
struct TransferTexts {
    const char* deviceLine;  // the write did not take every byte
    const char* received;    // before the reply, when tracing
    const char* sent;        // before the frame's digits, when tracing; none when null
    const char* noLibrary;   // %1 the library's file, %2 why it could not be loaded
    const char* noFunction;  // %1 the library's file, %2 the function it lacks
    const char* frameTooLong;  // %1 the frame's bytes, %2 the most a frame holds
};
extern const TransferTexts kTransferTexts;

// Writes one frame given as hex text and reads one reply into ReplyText. Lines for the log
// pane (failures, and the trace when `debug` is on) go to `log`.
void transferFrame(const std::string& frameText, bool debug, const LogLine& log,
                   const TransferTexts& texts = kTransferTexts);

}  // namespace console
