// The simulated reader's UHF module, module frame by module frame through the pass-through.
#include <gtest/gtest.h>

#include "usb/frame.h"
#include "usb/moduleframe.h"
#include "usb/sim/sim_reader.h"

namespace {

using usb::sim::Bytes;
using usb::sim::SimReader;

Bytes moduleFrame(std::uint8_t command, const Bytes& params, std::uint8_t type = 0x00) {
    Bytes f{0xBB, type, command, 0x00, static_cast<std::uint8_t>(params.size())};
    f.insert(f.end(), params.begin(), params.end());
    unsigned sum = 0;
    for (std::size_t i = 1; i < f.size(); ++i) sum += f[i];
    f.push_back(static_cast<std::uint8_t>(sum));
    f.push_back(0x7E);
    return f;
}

// The module's answer inside the reader's reply (status 00).
Bytes pass(SimReader& reader, const Bytes& module) {
    Bytes frame = module;
    auto reply = reader.handle(usb::buildFrame(0x00, 0xCE, frame));
    EXPECT_TRUE(reply);
    if (!reply || reply->size() < 6) return {};
    EXPECT_EQ((*reply)[3], 0x00) << "reader status";
    return Bytes(reply->begin() + 4, reply->end() - 2);
}

Bytes inventory(SimReader& r) { return pass(r, moduleFrame(0x22, {})); }
Bytes select(SimReader& r, const Bytes& epc) {
    Bytes p{0x01, 0x00, 0x00, 0x00, 0x20, static_cast<std::uint8_t>(8 * epc.size()), 0x00};
    p.insert(p.end(), epc.begin(), epc.end());
    return pass(r, moduleFrame(0x0C, p));
}
Bytes write(SimReader& r, const Bytes& password, const Bytes& words) {
    Bytes p = password;
    p.insert(p.end(), {0x01, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(words.size() / 2)});
    p.insert(p.end(), words.begin(), words.end());
    return pass(r, moduleFrame(0x49, p));
}

const Bytes kPassword{0x5D, 0x19, 0xE4, 0x70};
const Bytes kNoTag{0xBB, 0x01, 0xFF, 0x00, 0x01, 0x15, 0x16, 0x7E};

Bytes epcOf(const usb::sim::UhfTag& t) {
    Bytes pe = usb::sim::pcAndEpc(t);
    return Bytes(pe.begin() + 2, pe.end());
}

TEST(SimUhf, CrcIsGenibus) {
    const Bytes check{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(usb::sim::epcCrc(check), 0xD64E);
}

TEST(SimUhf, InventoryAnswersTheFirstTagOrNoTag) {
    SimReader reader;
    const usb::sim::UhfTag first = reader.state().uhf.field.front();
    Bytes answer = inventory(reader);
    ASSERT_EQ(answer.size(), 7u + 17u);
    EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 5), (Bytes{0xBB, 0x02, 0x22, 0x00, 0x11}));
    EXPECT_EQ(Bytes(answer.begin() + 6, answer.begin() + 8), (Bytes{0x30, 0x00})) << "PC";
    EXPECT_EQ(Bytes(answer.begin() + 8, answer.begin() + 20), epcOf(first));
    const std::uint16_t crc = usb::sim::epcCrc(usb::sim::pcAndEpc(first));
    EXPECT_EQ(answer[20] << 8 | answer[21], crc) << "the tag's CRC word";

    reader.state().uhf.field.clear();
    EXPECT_EQ(inventory(reader), kNoTag);
}

TEST(SimUhf, WriteOfTheSelectedTagIssuesIt) {
    SimReader reader;
    auto& uhf = reader.state().uhf;
    uhf.field.push_back(usb::sim::blankTag(77));  // a second tag behind the first
    const Bytes second = epcOf(uhf.field.back());

    ASSERT_EQ(select(reader, second), (Bytes{0xBB, 0x01, 0x0C, 0x00, 0x01, 0x00, 0x0E, 0x7E}));
    // CRC word as reported (ignored), PC 10 00, a 4-byte EPC.
    Bytes answer = write(reader, kPassword, {0x12, 0x34, 0x10, 0x00, 0x00, 0x00, 0x00, 0x07});
    ASSERT_GE(answer.size(), 3u);
    EXPECT_EQ(answer[2], 0x49);
    ASSERT_EQ(uhf.issued.size(), 1u);
    const usb::sim::UhfTag& issued = uhf.issued.front();
    EXPECT_EQ(epcOf(issued), (Bytes{0x00, 0x00, 0x00, 0x07}));
    EXPECT_EQ(issued.epcMemory.size(), 8u);
    EXPECT_EQ(issued.epcMemory[0] << 8 | issued.epcMemory[1], usb::sim::epcCrc(usb::sim::pcAndEpc(issued)));
    // The written tag answers the next inventory with its new number and is still there for
    // the commands after it; before the inventory after that it has been taken away, and a
    // blank one has come in.
    const Bytes first = epcOf(uhf.field.back());
    Bytes seen = inventory(reader);
    ASSERT_EQ(seen.size(), 7u + 9u);
    EXPECT_EQ(Bytes(seen.begin() + 8, seen.begin() + 12), (Bytes{0x00, 0x00, 0x00, 0x07}));
    EXPECT_EQ(uhf.field.size(), 2u);
    EXPECT_EQ(epcOf(uhf.field.front()), (Bytes{0x00, 0x00, 0x00, 0x07}));
    Bytes next = inventory(reader);
    ASSERT_EQ(next.size(), 7u + 17u);
    EXPECT_EQ(Bytes(next.begin() + 8, next.begin() + 20), first);
    ASSERT_EQ(uhf.field.size(), 2u) << "the written tag left, a blank one came in";
    EXPECT_EQ(epcOf(uhf.field.front()), first);
    EXPECT_NE(epcOf(uhf.field.back()), second);
    EXPECT_NE(epcOf(uhf.field.back()), first);
}

TEST(SimUhf, RefusedCommands) {
    struct Row {
        const char* name;
        Bytes password;
        bool selectOther;  // select an EPC that no tag carries first
        Bytes module;      // sent instead of a write when not empty
        std::uint8_t code;
    } rows[] = {
        {"wrong password", {0x00, 0x00, 0x00, 0x00}, false, {}, 0x16},
        {"selected EPC not in the field", kPassword, true, {}, 0x10},
        {"bad checksum", {}, false, {0xBB, 0x00, 0x22, 0x00, 0x00, 0x23, 0x7E}, 0x17},
        {"length beyond the frame", {}, false, {0xBB, 0x00, 0x22, 0x00, 0x02, 0x24, 0x7E}, 0x17},
        {"unknown module command", {}, false, moduleFrame(0x77, {}), 0x17},
    };
    for (const Row& r : rows) {
        SimReader reader;
        const Bytes before = reader.state().uhf.field.front().epcMemory;
        if (r.selectOther) select(reader, Bytes(12, 0xAB));
        Bytes answer = r.module.empty() ? write(reader, r.password, {0, 0, 0x10, 0, 0, 0, 0, 1}) : pass(reader, r.module);
        EXPECT_EQ(answer, moduleFrame(0xFF, {r.code}, 0x01)) << r.name;
        EXPECT_EQ(reader.state().uhf.field.front().epcMemory, before) << r.name;
        EXPECT_TRUE(reader.state().uhf.issued.empty()) << r.name;
    }
}

TEST(SimUhf, ReaderModesAndSwitches) {
    SimReader reader;
    const Bytes ok = usb::buildFrame(0x00, 0x00, Bytes{});
    for (std::uint8_t mode : {0x03, 0x04}) {
        EXPECT_EQ(reader.handle(usb::buildFrame(0x00, 0x0F, Bytes{mode})), ok);
        EXPECT_EQ(reader.state().settings.readingMode, mode);
    }
    EXPECT_EQ(reader.handle(usb::buildFrame(0x00, 0xBC, Bytes{0x03, 0x5D, 0x19, 0xE4, 0x70, 0x00, 0x08})), ok);
    EXPECT_EQ(reader.state().settings.readingMode, usb::sim::kSectorReading);
    EXPECT_EQ(reader.handle(usb::buildFrame(0x00, 0xBC, Bytes{0x03, 0x5D})),
              usb::buildFrame(0x00, 0x01, Bytes{0x85}));
    const Bytes literalB8{0xAA, 0x00, 0x01, 0xB8, 0xB9, 0xBB};
    EXPECT_EQ(reader.handle(literalB8), ok);
    EXPECT_TRUE(reader.state().usbVirtualSerial);
}

}  // namespace
