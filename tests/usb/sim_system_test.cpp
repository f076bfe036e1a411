// The simulated reader's system commands: address, baud code, serial number, lights, buzzer.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>

#include "usb/frame.h"
#include "usb/sim/sim_reader.h"

namespace {

using usb::sim::Bytes;
using usb::sim::SimReader;

Bytes frame(std::uint8_t command, Bytes params = {}, std::uint8_t address = 0x00) {
    return usb::buildFrame(address, command, params);
}
Bytes ok(Bytes data = {}, std::uint8_t address = 0x00) { return usb::buildFrame(address, 0x00, data); }
Bytes fail(std::uint8_t code) { return usb::buildFrame(0x00, 0x01, Bytes{code}); }

struct Row {
    const char* name;
    Bytes frame;
    std::optional<Bytes> reply;
};
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

const Row kRows[] = {
    // The frames the console's system command page sends with its default fields.
    {"BaudRate9600", {0x02, 0x00, 0x02, 0x81, 0x00, 0x83, 0x03}, ok()},
    {"BaudRate115200", frame(0x81, {0x04}), ok()},
    {"BaudCodeOutOfRange", frame(0x81, {0x05}), fail(0x85)},
    {"BaudCodeMissing", {0x02, 0x00, 0x01, 0x81, 0x80, 0x03}, fail(0x85)},
    {"SerialNumber", {0x02, 0x00, 0x09, 0x82, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x8B, 0x03}, ok()},
    {"SerialNumberTooShort", frame(0x82, {0x11, 0x22, 0x33}), fail(0x85)},
    {"Led", {0x02, 0x00, 0x03, 0x88, 0x16, 0x03, 0x9E, 0x03}, ok()},
    {"LedR", {0x02, 0x00, 0x03, 0x87, 0x16, 0x03, 0x91, 0x03}, ok()},
    {"Buzzer", {0x02, 0x00, 0x03, 0x89, 0x16, 0x03, 0x9F, 0x03}, ok()},
    {"LedCountMissing", frame(0x88, {0x16}), fail(0x85)},
    {"BuzzerTooLong", frame(0x89, {0x16, 0x03, 0x01}), fail(0x85)},
    {"AddressMissing", frame(0x80), fail(0x85)},
    {"AddressTooLong", frame(0x80, {0x01, 0x02}), fail(0x85)},
    {"SetAddressAnswersFromTheNewOne", {0x02, 0x00, 0x02, 0x80, 0x1F, 0x9D, 0x03}, ok({}, 0x1F)},
};

class SimSystemRows : public ::testing::TestWithParam<Row> {};

TEST_P(SimSystemRows, AnswersAsAReader) {
    SimReader reader;
    EXPECT_EQ(reader.handle(GetParam().frame), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(Frames, SimSystemRows, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimSystem, KeepsWhatTheCommandsSet) {
    SimReader reader;
    reader.handle(frame(0x81, {0x03}));
    reader.handle(frame(0x87, {0x20, 0x05}));
    reader.handle(frame(0x88, {0x16, 0x03}));
    reader.handle(frame(0x89, {0x01, 0x02}));
    reader.handle(frame(0x81, {0x09}));  // refused: the speed stays
    const auto& s = reader.state();
    EXPECT_EQ(s.baudCode, 0x03);
    EXPECT_EQ(s.ledR, (usb::sim::Signal{0x20, 0x05}));
    EXPECT_EQ(s.led, (usb::sim::Signal{0x16, 0x03}));
    EXPECT_EQ(s.buzzer, (usb::sim::Signal{0x01, 0x02}));
}

TEST(SimSystem, SerialNumberAndAddressReadBackWith83) {
    SimReader reader;
    const Bytes number{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    ASSERT_EQ(reader.handle(frame(0x82, number)), ok());
    ASSERT_EQ(reader.handle(frame(0x80, {0x05})), ok({}, 0x05));
    EXPECT_EQ(reader.handle(frame(0x83)), std::nullopt) << "the old address gets no answer";
    Bytes expected{0x05};
    expected.insert(expected.end(), number.begin(), number.end());
    EXPECT_EQ(reader.handle(frame(0x83, {}, 0x05)), ok(expected, 0x05));
}

}  // namespace
