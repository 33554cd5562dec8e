// The lamp mirror with a sender that records the messages it is given.
#include "remote/lamp_mirror.h"

#include <gtest/gtest.h>

namespace luma::test {
namespace {

using Message = std::array<int, 3>;
using Messages = std::vector<Message>;

class LampMirrorTest : public ::testing::Test {
  protected:
    static LampStates lit(std::initializer_list<Lamp> lamps) {
        LampStates states;
        for (Lamp lamp : lamps) states.set(lamp, true);
        return states;
    }
    Messages take() { return std::exchange(sent_, {}); }

    // Controllers and notes on the first and last channels, a lamp bound
    // twice, and two bindings no message can carry.
    LampMirror mirror_{{{Lamp::Play, {MidiKind::ControlChange, 1, 16}},
                        {Lamp::Cue, {MidiKind::Note, 2, 36}},
                        {Lamp::Loop, {MidiKind::ControlChange, 16, 127}},
                        {Lamp::Loop, {MidiKind::Note, 16, 0}},
                        {Lamp::Sync, {MidiKind::ControlChange, 17, 1}},
                        {Lamp::Quantize, {MidiKind::Note, 1, 128}},
                        {Lamp::Activity, {MidiKind::ControlChange, 1, 99}}},
                       [this](unsigned char status, unsigned char data1, unsigned char data2) {
                           sent_.push_back({status, data1, data2});
                       }};

  private:
    Messages sent_;
};

TEST_F(LampMirrorTest, LightsEveryLampThenSendsOnlyChangesAndDarkensAll) {
    mirror_.lightUp(lit({Lamp::Play, Lamp::Sync}));
    EXPECT_EQ(
        take(),
        (Messages{{0xB0, 16, 127}, {0x91, 36, 0}, {0xBF, 127, 0}, {0x9F, 0, 0}, {0xB0, 99, 0}}));
    mirror_.show(lit({Lamp::Play, Lamp::Sync}));
    EXPECT_EQ(take(), Messages{});
    mirror_.show(lit({Lamp::Cue, Lamp::Loop, Lamp::KeyLock}));
    EXPECT_EQ(take(), (Messages{{0xB0, 16, 0}, {0x91, 36, 127}, {0xBF, 127, 127}, {0x9F, 0, 127}}));
    mirror_.darken();
    EXPECT_EQ(
        take(),
        (Messages{{0xB0, 16, 0}, {0x91, 36, 0}, {0xBF, 127, 0}, {0x9F, 0, 0}, {0xB0, 99, 0}}));
    mirror_.show(lit({Lamp::Activity}));  // from dark, as it was left
    EXPECT_EQ(take(), (Messages{{0xB0, 99, 127}}));
}

TEST_F(LampMirrorTest, TheFirstShowSendsEveryLamp) {
    mirror_.show(lit({Lamp::Cue}));
    EXPECT_EQ(
        take(),
        (Messages{{0xB0, 16, 0}, {0x91, 36, 127}, {0xBF, 127, 0}, {0x9F, 0, 0}, {0xB0, 99, 0}}));
}

}  // namespace
}  // namespace luma::test
