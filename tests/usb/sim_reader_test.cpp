// The simulated reader, frame by frame, and once through its usb.so.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <ostream>
#include <string>

#include "platform/library.h"
#include "usb/frame.h"
#include "usb/sim/sim_reader.h"

namespace {

using usb::sim::Bytes;
using usb::sim::SimReader;

Bytes frame(std::uint8_t command, Bytes params = {}, std::uint8_t address = 0x00) {
    return usb::buildFrame(address, command, params);
}
Bytes literal(std::uint8_t command, Bytes params) {
    return usb::buildFrame(0x00, command, params, usb::kLiteralStart, usb::kLiteralEnd);
}
Bytes ok(Bytes data = {}) { return usb::buildFrame(0x00, 0x00, data); }
Bytes fail(std::uint8_t code) { return usb::buildFrame(0x00, 0x01, Bytes{code}); }
Bytes ascii(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The reply as the console keeps it: upper-case hex digits, characters counted from 1.
std::string chars(const Bytes& reply, std::size_t first, std::size_t count) {
    static const char* digits = "0123456789ABCDEF";
    std::string hex;
    for (auto b : reply) hex += {digits[b >> 4], digits[b & 15]};
    return hex.substr(first - 1, count);
}

const Bytes kDefaults{0x00, 0x0F, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00};

struct Row {
    const char* name;
    Bytes frame;
    std::optional<Bytes> reply;
};
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

Bytes withByte(Bytes f, std::size_t i, std::uint8_t v) {
    f[i] = v;
    return f;
}

const Row kRows[] = {
    {"ReadSettingsDefaults", {0x02, 0x00, 0x01, 0x83, 0x82, 0x03},
     Bytes{0x02, 0x00, 0x0A, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00, 0x04, 0x03}},
    {"SetDefaultFormat", {0x02, 0x00, 0x09, 0x82, 0x0F, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00, 0x85, 0x03},
     Bytes{0x02, 0x00, 0x01, 0x00, 0x01, 0x03}},
    {"Version", frame(0xC0), ok(ascii("VORCARD SIM V1.1"))},
    {"ActiveReading", {0x02, 0x00, 0x02, 0x0F, 0x01, 0x0C, 0x03}, ok()},
    {"PassiveReading", {0x02, 0x00, 0x02, 0x0F, 0x02, 0x0F, 0x03}, ok()},
    {"FactoryDefault", {0x02, 0x00, 0x01, 0xCF, 0xCE, 0x03}, ok()},
    {"BuzzerOffLiteral", {0xAA, 0x00, 0x02, 0xCD, 0x00, 0xCF, 0xBB}, ok()},
    {"BuzzerOnLiteral", {0xAA, 0x00, 0x02, 0xCD, 0x01, 0xCE, 0xBB}, ok()},
    {"UnknownCommand", frame(0x55), fail(0x8F)},
    {"OtherAddress", frame(0x83, {}, 0x01), std::nullopt},
    {"EmptyWrite", {}, std::nullopt},
    {"BadXor", withByte(frame(0x83), 4, 0x83), fail(0x85)},
    {"BadStart", withByte(frame(0x83), 0, 0x12), fail(0x85)},
    {"BadEnd", withByte(frame(0x83), 5, 0x04), fail(0x85)},
    {"MixedStartAndLiteralEnd", withByte(frame(0x83), 5, 0xBB), fail(0x85)},
    {"LenTooLarge", {0x02, 0x00, 0x02, 0x83, 0x81, 0x03}, fail(0x85)},
    {"TooShort", {0x02, 0x00, 0x03}, fail(0x85)},
    {"NoCommandByte", {0x02, 0x00, 0x00, 0x00, 0x03}, fail(0x85)},
    {"SetWithTooFewBytes", frame(0x82, {0x0F, 0x00}), fail(0x85)},
    {"ReadingModeOutOfRange", frame(0x0F, {0x05}), fail(0x85)},
    {"BuzzerParameterOutOfRange", literal(0xCD, {0x02}), fail(0x85)},
    {"IdIcFunctionOff", {0x02, 0x00, 0x02, 0x90, 0x00, 0x92, 0x03}, ok()},
    {"IdIcFunctionOn", {0x02, 0x00, 0x02, 0x90, 0x01, 0x93, 0x03}, ok()},
    {"IdIcParameterOutOfRange", frame(0x90, {0x02}), fail(0x85)},
};

class SimReaderRows : public ::testing::TestWithParam<Row> {};

TEST_P(SimReaderRows, AnswersAsAReader) {
    SimReader reader;
    EXPECT_EQ(reader.handle(GetParam().frame), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(Frames, SimReaderRows, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimReader, ReadsBackWhatSetStoredAtTheConsolesCharacterPositions) {
    SimReader reader;
    ASSERT_EQ(reader.handle(frame(0x82, {0x8A, 0x01, 0x02, 0x03, 0x00, 0x01, 0x01, 0x01})), ok());
    auto reply = reader.handle(frame(0x83));
    ASSERT_TRUE(reply);
    EXPECT_EQ(chars(*reply, 7, 2), "00") << "status";
    EXPECT_EQ(chars(*reply, 11, 2), "8A") << "code";
    EXPECT_EQ(chars(*reply, 13, 2), "01") << "semicolon";
    EXPECT_EQ(chars(*reply, 15, 2), "02") << "question mark";
    EXPECT_EQ(chars(*reply, 17, 2), "03") << "comma";
    EXPECT_EQ(chars(*reply, 19, 2), "00") << "Enter";
    EXPECT_EQ(chars(*reply, 25, 2), "01") << "RSSI";
    EXPECT_EQ(chars(*reply, 9, 2), "00") << "the reader's address";
}

TEST(SimReader, FactoryDefaultRestoresEverySetting) {
    SimReader reader;
    reader.handle(frame(0x82, {0x07, 0x01, 0x01, 0x01, 0x00, 0x00, 0x01, 0x01}));
    reader.handle(frame(0x0F, {0x02}));
    reader.handle(literal(0xCD, {0x00}));
    reader.handle(frame(0x90, {0x00}));
    EXPECT_EQ(reader.state().settings.readingMode, usb::sim::kPassiveReading);
    EXPECT_FALSE(reader.state().settings.voiceOn);
    EXPECT_FALSE(reader.state().settings.idIcOn);
    EXPECT_NE(reader.handle(frame(0x83)), ok(kDefaults));

    ASSERT_EQ(reader.handle(frame(0xCF)), ok());
    EXPECT_EQ(reader.state().settings, usb::sim::Settings{});
    EXPECT_EQ(reader.handle(frame(0x83)), ok(kDefaults));
}

TEST(SimReader, RejectedFrameChangesNothing) {
    SimReader reader;
    reader.handle(withByte(frame(0x0F, {0x02}), 5, 0x00));  // bad XOR
    reader.handle(frame(0x0F, {0x02}, 0x05));               // another reader's frame
    EXPECT_EQ(reader.state().settings.readingMode, usb::sim::kActiveReading);
}

// The built sim/usb.so, as the console calls it.
TEST(SimUsbLibrary, WriteThenReadDeliversTheReplyOnce) {
    platform::setLibraryFolder(SIM_USB_DIR);
    auto lib = platform::loadLibrary("usb.dll");
    platform::setLibraryFolder("");
    ASSERT_NE(lib.handle, nullptr) << lib.error;
    using Fn = int (*)(int, int, unsigned char*);
    auto write = reinterpret_cast<Fn>(platform::findFunction(lib.handle, "hidWriteData").address);
    auto read = reinterpret_cast<Fn>(platform::findFunction(lib.handle, "hidReadData").address);
    ASSERT_TRUE(write && read);

    Bytes set{0x02, 0x00, 0x09, 0x82, 0x0C, 0x01, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00, 0x87, 0x03};
    ASSERT_EQ(write(0, static_cast<int>(set.size()), set.data()), 14);
    std::array<unsigned char, 245> buf{};
    EXPECT_EQ(read(0, 245, buf.data()), 6);

    Bytes get{0x02, 0x00, 0x01, 0x83, 0x82, 0x03};
    ASSERT_EQ(write(0, 6, get.data()), 6);
    buf.fill(0);
    ASSERT_EQ(read(0, 245, buf.data()), 15);
    Bytes reply(buf.begin(), buf.begin() + buf[2] + 5);
    EXPECT_EQ(reply, ok({0x00, 0x0C, 0x01, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00}));

    buf.fill(0);
    EXPECT_EQ(read(0, 245, buf.data()), 0) << "a reply is delivered once";
    Bytes other = frame(0x83, {}, 0x01);
    ASSERT_EQ(write(0, 6, other.data()), 6);
    EXPECT_EQ(read(0, 245, buf.data()), 0) << "no reply for another address";
    EXPECT_EQ(buf, (std::array<unsigned char, 245>{})) << "buffer left untouched";
}

}  // namespace
