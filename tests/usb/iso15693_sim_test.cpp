// The simulated reader's ISO 15693 tags, frame by frame: what is written reads back, locks
// refuse writes, addressed commands reach only their tag, blocks out of range fail.
#include <gtest/gtest.h>

#include "usb/frame.h"
#include "usb/sim/sim_reader.h"

namespace {

using usb::sim::Bytes;
using usb::sim::SimReader;

const Bytes kFirst{0xE0, 0x04, 0x01, 0x00, 0x12, 0x34, 0x56, 0x78};
const Bytes kSecond{0xE0, 0x07, 0x00, 0x00, 0x9A, 0xBC, 0xDE, 0xF0};
const Bytes kUnknown{0xE0, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01};

Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes reversed(const Bytes& b) { return Bytes(b.rbegin(), b.rend()); }

class VicinityTags : public ::testing::Test {
protected:
    // The reply to one command as the ISO15693 page frames it.
    Bytes send(std::uint8_t command, const Bytes& params) {
        auto r = reader.handle(usb::buildFrame(0x00, command, params));
        return r ? *r : Bytes{};
    }
    static Bytes ok(const Bytes& data) { return usb::buildFrame(0x00, 0x00, data); }
    static Bytes fail(std::uint8_t code) { return usb::buildFrame(0x00, 0x01, Bytes{code}); }
    // Block `block` of the first tag (non-addressed) or of the tag with `uid`.
    Bytes readBlock(std::uint8_t block, const Bytes& uid = {}) {
        return uid.empty() ? send(0x11, {0x02, block, 0x01}) : send(0x11, cat({0x22, block, 0x01}, uid));
    }
    SimReader reader;
};

TEST_F(VicinityTags, InventoryListsBothTagsLeastSignificantByteFirst) {
    EXPECT_EQ(send(0x10, {0x06, 0x00, 0x00}),
              ok(cat(cat({0x02, 0x00, 0x00}, reversed(kFirst)), cat({0x00, 0x00}, reversed(kSecond)))));
    reader.state().vicinityTags.clear();
    EXPECT_EQ(send(0x10, {0x06, 0x00, 0x00}), ok({0x00}));
    EXPECT_EQ(send(0x10, {0x06}), fail(0x85));
}

TEST_F(VicinityTags, WrittenBlocksReadBack) {
    EXPECT_EQ(readBlock(5), ok({0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(send(0x12, {0x42, 0x05, 0x02, 1, 2, 3, 4, 5, 6, 7, 8}), ok({0x00}));
    EXPECT_EQ(send(0x11, {0x02, 0x04, 0x03}), ok({0x00, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}));
    // With the option flag each block comes after its lock state.
    EXPECT_EQ(send(0x11, {0x42, 0x05, 0x01}), ok({0x00, 0x00, 1, 2, 3, 4}));
    // The data must fill the blocks exactly.
    EXPECT_EQ(send(0x12, {0x02, 0x05, 0x01, 1, 2, 3}), fail(0x85));
    EXPECT_EQ(readBlock(5), ok({0x00, 1, 2, 3, 4}));
}

TEST_F(VicinityTags, LockedBlockRefusesWritesForGood) {
    EXPECT_EQ(send(0x13, {0x02, 0x07}), ok({0x00}));
    EXPECT_EQ(send(0x12, {0x02, 0x07, 0x01, 9, 9, 9, 9}), fail(0x94));
    // A run that includes the locked block writes nothing at all.
    EXPECT_EQ(send(0x12, {0x02, 0x06, 0x02, 1, 1, 1, 1, 2, 2, 2, 2}), fail(0x94));
    EXPECT_EQ(readBlock(6), ok({0x00, 0, 0, 0, 0}));
    EXPECT_EQ(send(0x13, {0x02, 0x07}), fail(0x94)) << "already locked";
    EXPECT_EQ(send(0x1C, {0x02, 0x06, 0x03}), ok({0x00, 0x00, 0x01, 0x00}));
    // The lock is the first tag's: the second takes the write.
    EXPECT_EQ(send(0x12, cat(cat({0x22, 0x07, 0x01}, kSecond), {9, 9, 9, 9})), ok({0x00}));
    // Lock block with the address flag but no UID is malformed.
    EXPECT_EQ(send(0x13, {0x22, 0x08}), fail(0x85));
}

TEST_F(VicinityTags, BlocksOutOfRangeFail) {
    EXPECT_EQ(readBlock(27), ok({0x00, 0, 0, 0, 0}));
    EXPECT_EQ(readBlock(28), fail(0x93));
    EXPECT_EQ(send(0x11, {0x02, 0x19, 0x05}), fail(0x93)) << "a run past the last block";
    EXPECT_EQ(send(0x12, {0x02, 0x1C, 0x01, 1, 2, 3, 4}), fail(0x93));
    EXPECT_EQ(send(0x13, {0x02, 0x1C}), fail(0x93));
    EXPECT_EQ(send(0x1C, {0x02, 0x00, 0x1D}), fail(0x93));
    EXPECT_EQ(send(0x11, {0x02, 0x00, 0x00}), fail(0x85)) << "no blocks";
}

TEST_F(VicinityTags, AddressedCommandsActOnlyOnTheirTag) {
    EXPECT_EQ(send(0x12, cat(cat({0x22, 0x03, 0x01}, kSecond), {0xAA, 0xBB, 0xCC, 0xDD})), ok({0x00}));
    EXPECT_EQ(readBlock(3, kSecond), ok({0x00, 0xAA, 0xBB, 0xCC, 0xDD}));
    EXPECT_EQ(readBlock(3, kFirst), ok({0x00, 0, 0, 0, 0}));
    EXPECT_EQ(readBlock(3), ok({0x00, 0, 0, 0, 0})) << "without the address flag: the first tag";
    EXPECT_EQ(readBlock(3, kUnknown), fail(0x83));
    EXPECT_EQ(send(0x11, cat({0x22, 0x03, 0x01}, Bytes(kSecond.begin(), kSecond.begin() + 7))), fail(0x85));

    EXPECT_EQ(send(0x17, cat({0x22, 0x06}, kSecond)), ok({0x00}));
    EXPECT_EQ(send(0x19, cat({0x22, 0x08}, kSecond)), ok({0x00}));
    // System information: UID least significant byte first, DSFID, AFI, 28 blocks of 4 bytes.
    EXPECT_EQ(send(0x1B, cat({0x22}, kSecond)),
              ok(cat(cat({0x00, 0x0F}, reversed(kSecond)), {0x08, 0x06, 0x1B, 0x03, 0x01})));
    EXPECT_EQ(send(0x1B, {0x02}), ok(cat(cat({0x00, 0x0F}, reversed(kFirst)), {0x00, 0x00, 0x1B, 0x03, 0x01})));
}

TEST_F(VicinityTags, LockedAfiAndDsfidRefuseWrites) {
    EXPECT_EQ(send(0x17, {0x02, 0x06}), ok({0x00}));
    EXPECT_EQ(send(0x18, {0x02}), ok({0x00}));
    EXPECT_EQ(send(0x17, {0x02, 0x07}), fail(0x94));
    EXPECT_EQ(send(0x18, {0x02}), fail(0x94));
    EXPECT_EQ(reader.state().vicinityTags[0].afi, 0x06);

    EXPECT_EQ(send(0x19, {0x02, 0x08}), ok({0x00}));
    EXPECT_EQ(send(0x1A, cat({0x22}, kFirst)), ok({0x00}));
    EXPECT_EQ(send(0x19, {0x02, 0x09}), fail(0x94));
    EXPECT_EQ(reader.state().vicinityTags[0].dsfid, 0x08);
    // The second tag keeps its own.
    EXPECT_EQ(send(0x19, cat({0x22, 0x09}, kSecond)), ok({0x00}));
    EXPECT_EQ(send(0x10, {0x06, 0x00, 0x00}),
              ok(cat(cat({0x02, 0x00, 0x08}, reversed(kFirst)), cat({0x00, 0x09}, reversed(kSecond)))));
}

TEST_F(VicinityTags, SelectedTagAnswersTheSelectFlag) {
    EXPECT_EQ(send(0x11, {0x12, 0x00, 0x01}), fail(0x83)) << "none selected yet";
    EXPECT_EQ(send(0x15, cat({0x02}, kSecond)), ok({0x00}));
    EXPECT_EQ(send(0x12, {0x52, 0x00, 0x01, 5, 6, 7, 8}), ok({0x00}));
    EXPECT_EQ(readBlock(0, kSecond), ok({0x00, 5, 6, 7, 8}));
    EXPECT_EQ(readBlock(0, kFirst), ok({0x00, 0, 0, 0, 0}));
    // Selecting another tag deselects the first; an unknown UID or none selects nothing.
    EXPECT_EQ(send(0x15, cat({0x22}, kFirst)), ok({0x00}));
    EXPECT_FALSE(reader.state().vicinityTags[1].selected);
    EXPECT_EQ(send(0x15, cat({0x02}, kUnknown)), fail(0x83));
    EXPECT_EQ(send(0x15, {0x02}), fail(0x85));
    EXPECT_TRUE(reader.state().vicinityTags[0].selected);
    EXPECT_EQ(send(0x11, cat({0x32, 0x00, 0x01}, kFirst)), fail(0x85)) << "address and select together";
}

}  // namespace
