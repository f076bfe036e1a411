// The simulated reader's device settings and WiFi commands, frame by frame.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "usb/frame.h"
#include "usb/sim/sim_reader.h"

namespace {

using usb::sim::Bytes;
using usb::sim::SimReader;

Bytes frame(std::uint8_t command, Bytes params = {}) { return usb::buildFrame(0x00, command, params); }
Bytes ok(Bytes data = {}) { return usb::buildFrame(0x00, 0x00, data); }
Bytes fail(std::uint8_t code) { return usb::buildFrame(0x00, 0x01, Bytes{code}); }
Bytes ascii(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Row {
    const char* name;
    Bytes frame;
    Bytes reply;
};
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

const Bytes kOk = ok();
const Bytes kBad = fail(0x85);

const Row kRows[] = {
    {"SearchInterval", frame(0xC1, {0x0A}), kOk},
    {"SearchIntervalFF", frame(0xC1, {0xFF}), kOk},
    {"SearchIntervalMissing", frame(0xC1), kBad},
    {"FilterTwoBytes", frame(0xC2, {0x0A, 0x0B}), kBad},
    {"InterfacesAllClosed", frame(0xC3, {0, 0, 0}), kOk},
    {"InterfacesFlagTwo", frame(0xC3, {1, 2, 1}), kBad},
    {"InterfacesTwoFlags", frame(0xC3, {1, 1}), kBad},
    {"Baud115200", frame(0xC4, {0x04}), kOk},
    {"BaudUnknownCode", frame(0xC4, {0x05}), kBad},
    {"BaudWithoutCode", frame(0xC4), kBad},
    {"EndSymbol0D0A", frame(0xC5, {0x02}), kOk},
    {"EndSymbolThree", frame(0xC5, {0x03}), kBad},
    {"WiegandWG98", frame(0xC6, {0x03}), kOk},
    {"WiegandFour", frame(0xC6, {0x04}), kBad},
    {"PulseWidthZero", frame(0xC7, {0x00}), kBad},
    {"PulseWidthFF", frame(0xC7, {0xFF}), kOk},
    {"IdleLevelZero", frame(0xC8, {0x00}), kBad},
    {"PositionLastByte", frame(0xC9, {0x0B}), kOk},
    {"PositionPastTheNumber", frame(0xC9, {0x0C}), kBad},
    {"PrefixFourBytes", frame(0xCB, {0x01, 0x30, 0x31, 0x32, 0x33}), kOk},
    {"PrefixCleared", frame(0xCB, {0x01}), kOk},
    {"SuffixFiveBytes", frame(0xCB, {0x02, 1, 2, 3, 4, 5}), kBad},
    {"PrefixOrSuffixMissing", frame(0xCB), kBad},
    {"NeitherPrefixNorSuffix", frame(0xCB, {0x03, 0x30}), kBad},
    {"RfPowerTop", frame(0xCC, {0x0B}), kOk},
    {"RfPowerTooHigh", frame(0xCC, {0x0C}), kBad},
    {"CAIsNoCommand", frame(0xCA, {0x00}), fail(0x8F)},
    {"WifiEmptyNameAndPassword", frame(0x8A, {0x2C}), kOk},
    {"WifiNoComma", frame(0x8A, ascii("Net1")), kBad},
    {"WifiTwoCommas", frame(0x8A, ascii("a,b,c")), kBad},
    {"WifiSemicolonInName", frame(0x8A, ascii("a;b,pw")), kBad},
    {"WifiNameOf33Bytes", frame(0x8A, ascii(std::string(33, 'n') + ",pw")), kBad},
    {"WifiNameOf32Bytes", frame(0x8A, ascii(std::string(32, 'n') + ",pw")), kOk},
    {"WifiPasswordOf65Bytes", frame(0x8A, ascii("n," + std::string(65, 'p'))), kBad},
    {"AddressBeforeJoining", frame(0x8B), ok(ascii("0.0.0.0"))},
    {"AddressWithParameter", frame(0x8B, {0x00}), kBad},
    {"ListWithParameter", frame(0x8C, {0x00}), kBad},
};

class SimDeviceWifiRows : public ::testing::TestWithParam<Row> {};

TEST_P(SimDeviceWifiRows, AnswersAsAReader) {
    SimReader reader;
    EXPECT_EQ(reader.handle(GetParam().frame), std::optional<Bytes>(GetParam().reply));
}

INSTANTIATE_TEST_SUITE_P(Frames, SimDeviceWifiRows, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimDeviceSettings, KeepsWhatIsSetUntilTheFactoryDefault) {
    SimReader reader;
    const usb::sim::DeviceSettings defaults;
    reader.handle(frame(0xC1, {0x20}));
    reader.handle(frame(0xC3, {0x00, 0x01, 0x00}));
    reader.handle(frame(0xC4, {0x03}));
    reader.handle(frame(0xCB, {0x02, 0x41}));
    reader.handle(frame(0xCB, {0x01}));
    reader.handle(frame(0xCC, {0x07}));
    const auto& d = reader.state().settings.device;
    EXPECT_EQ(d.searchInterval, 0x20);
    EXPECT_EQ(d.serialOut, 0x00);
    EXPECT_EQ(d.wiegandOut, 0x01);
    EXPECT_EQ(d.usbOut, 0x00);
    EXPECT_EQ(d.baudCode, 0x03);
    EXPECT_EQ(d.suffix, Bytes{0x41});
    EXPECT_TRUE(d.prefix.empty());
    EXPECT_EQ(d.rfPower, 0x07);

    reader.handle(frame(0xC4, {0x09}));  // refused: the speed stays
    EXPECT_EQ(d.baudCode, 0x03);

    ASSERT_EQ(reader.handle(frame(0xCF)), ok());
    EXPECT_EQ(reader.state().settings.device, defaults);
}

TEST(SimWifi, JoiningANetworkItSeesGivesItsAddress) {
    SimReader reader;
    const std::string name = reader.state().wifi.seen.at(1).name;  // the one with a Chinese name
    ASSERT_EQ(reader.handle(frame(0x8A, join(ascii(name), ascii(",secret")))), ok());
    EXPECT_EQ(reader.state().wifi.name, name);
    EXPECT_EQ(reader.state().wifi.password, "secret");
    EXPECT_EQ(reader.handle(frame(0x8B)), ok(ascii("192.168.1.20")));

    reader.handle(frame(0x8A, ascii("Elsewhere,pw")));
    EXPECT_EQ(reader.handle(frame(0x8B)), ok(ascii("0.0.0.0"))) << "a network it does not see";
    reader.handle(frame(0x8A, ascii("a,b,c")));
    EXPECT_EQ(reader.state().wifi.name, "Elsewhere") << "a refused frame changes nothing";
}

TEST(SimWifi, ListsEveryNetworkAsNameCommaSignalSemicolonThenCrLf) {
    SimReader reader;
    const std::string list = "VorcardLab,78;仓库无线网络,64;Guest-2.4G,41;\r\n";
    EXPECT_EQ(reader.handle(frame(0x8C)), ok(ascii(list)));
}

TEST(SimWifi, ListOnlyHoldsTheWholeEntriesThatFitOneReply) {
    SimReader reader;
    auto& seen = reader.state().wifi.seen;
    seen.clear();
    for (int i = 0; i < 30; ++i) seen.push_back({"Network" + std::to_string(100 + i), 50});  // 14 bytes each
    auto reply = reader.handle(frame(0x8C));
    ASSERT_TRUE(reply);
    EXPECT_LE(reply->size(), 245u);
    const std::string data(reply->begin() + 4, reply->end() - 2);
    EXPECT_EQ(data.size(), 16u * 14 + 2) << "sixteen entries and CR LF";
    EXPECT_EQ(data.substr(data.size() - 3), ";\r\n");
}

}  // namespace
