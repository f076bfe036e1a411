// The simulated reader's Type B card and resident identity card, frame by frame.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "usb/frame.h"
#include "usb/sim/sim_reader.h"

namespace {

using usb::sim::Bytes;
using usb::sim::SimReader;
using Stage = usb::sim::TypeBCard::Stage;

Bytes frame(std::uint8_t command, Bytes params = {}) { return usb::buildFrame(0x00, command, params); }
Bytes ok(Bytes data = {}) { return usb::buildFrame(0x00, 0x00, data); }
Bytes fail(std::uint8_t code) { return usb::buildFrame(0x00, 0x01, Bytes{code}); }
// A transparent send: N, then the bytes for the card.
Bytes passOn(Bytes data) {
    Bytes params{static_cast<std::uint8_t>(data.size())};
    params.insert(params.end(), data.begin(), data.end());
    return frame(0x0D, params);
}

const Bytes kAtqb{0x50, 0x41, 0x30, 0x0A, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x81, 0x71};
Bytes withLength(const Bytes& b) {
    Bytes out{static_cast<std::uint8_t>(b.size())};
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

// A sequence of frames to one reader, each with the reply it must give.
struct Step {
    Bytes frame;
    Bytes reply;
};
struct Script {
    const char* name;
    std::vector<Step> steps;
    Stage endsIn;
};
void PrintTo(const Script& s, std::ostream* os) { *os << s.name; }

const Script kScripts[] = {
    {"CardRequestGivesTheAnswerAndItsLength", {{frame(0x09), ok(withLength(kAtqb))}}, Stage::Ready},
    {"ResetGivesThePupi", {{frame(0x0C), ok({0x41, 0x30, 0x0A, 0x10})}}, Stage::Ready},
    {"AttribWithThePupi", {{frame(0x0B, {0x41, 0x30, 0x0A, 0x10}), ok({0x00})}}, Stage::Active},
    {"AttribWithAnotherPupiFails", {{frame(0x0B, {0x41, 0x30, 0x0A, 0x11}), fail(0x83)}}, Stage::Ready},
    {"AttribNeedsFourBytes", {{frame(0x0B, {0x41, 0x30, 0x0A}), fail(0x85)}}, Stage::Ready},
    {"CardRequestTakesNoParameters", {{frame(0x09, {0x00}), fail(0x85)}}, Stage::Ready},
    {"TransparentRequest", {{passOn({0x05, 0x00, 0x00}), ok(kAtqb)}}, Stage::Ready},
    {"TransparentAttrib",
     {{passOn({0x1D, 0x41, 0x30, 0x0A, 0x10, 0x00, 0x08, 0x01, 0x00}), ok({0x00})}},
     Stage::Active},
    {"TransparentAttribWithAnotherPupiGetsNoAnswer",
     {{passOn({0x1D, 0x41, 0x30, 0x0A, 0x11, 0x00, 0x08, 0x01, 0x00}), fail(0x83)}},
     Stage::Ready},
    {"TransparentUnknownToTheCard", {{passOn({0x99}), fail(0x90)}}, Stage::Ready},
    {"TransparentCountMustMatch", {{frame(0x0D, {0x03, 0x05, 0x00}), fail(0x85)}}, Stage::Ready},
    {"TransparentNeedsData", {{passOn({}), fail(0x85)}}, Stage::Ready},
    {"HaltedCardAnswersOnlyAWakeUp",
     {{passOn({0x50, 0x41, 0x30, 0x0A, 0x10}), ok({0x00})},
      {frame(0x09), fail(0x83)},
      {passOn({0x05, 0x00, 0x00}), fail(0x83)},
      {frame(0x0B, {0x41, 0x30, 0x0A, 0x10}), fail(0x83)},
      {passOn({0x05, 0x00, 0x08}), ok(kAtqb)},
      {frame(0x0B, {0x41, 0x30, 0x0A, 0x10}), ok({0x00})}},
     Stage::Active},
    {"ResetWakesAHaltedCard",
     {{passOn({0x50, 0x41, 0x30, 0x0A, 0x10}), ok({0x00})},
      {frame(0x0C), ok({0x41, 0x30, 0x0A, 0x10})},
      {frame(0x09), ok(withLength(kAtqb))}},
     Stage::Ready},
    {"HaltWithAnotherPupiIsIgnored",
     {{passOn({0x50, 0x00, 0x00, 0x00, 0x00}), fail(0x83)}, {frame(0x09), ok(withLength(kAtqb))}},
     Stage::Ready},
    {"ResidentIdNumbers",
     {{frame(0x26), ok({0x08, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88})},
      {frame(0x27), ok({0x08, 0x20, 0x26, 0x01, 0x10, 0x0A, 0x0B, 0x0C, 0x0D})},
      {frame(0x26, {0x00}), fail(0x85)}},
     Stage::Ready},
};

class TypeBScripts : public ::testing::TestWithParam<Script> {};

TEST_P(TypeBScripts, AnswersAsAReader) {
    SimReader reader;
    for (std::size_t i = 0; i < GetParam().steps.size(); ++i)
        EXPECT_EQ(reader.handle(GetParam().steps[i].frame), std::optional(GetParam().steps[i].reply)) << "step " << i;
    EXPECT_EQ(reader.state().typeB.stage, GetParam().endsIn);
}

INSTANTIATE_TEST_SUITE_P(Frames, TypeBScripts, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TypeBField, CardsTakenAwayAnswerNothing) {
    SimReader reader;
    reader.state().typeB.present = false;
    reader.state().residentId.present = false;
    for (const Bytes& f : {frame(0x09), frame(0x0C), frame(0x0B, {0x41, 0x30, 0x0A, 0x10}),
                           passOn({0x05, 0x00, 0x00}), frame(0x26), frame(0x27)})
        EXPECT_EQ(reader.handle(f), std::optional(fail(0x83)));
}

}  // namespace
