// The lamp mirror with a sender that records the messages it is given.
#include "remote/lamp_mirror.h"

#include <gtest/gtest.h>

namespace luma::test {
namespace {

using Messages = std::vector<std::array<int, 3>>;

LampStates lit(std::initializer_list<Lamp> lamps) {
    LampStates states;
    for (Lamp lamp : lamps) states.set(lamp, true);
    return states;
}

// Both kinds on the first and last channels, a lamp bound twice, two bindings out of range.
TEST(LampMirrorTest, LightsEveryLampThenSendsOnlyChangesAndDarkensAll) {
    const std::vector<LampBinding> bindings = {{Lamp::Play, {MidiKind::ControlChange, 1, 16}},
                                               {Lamp::Cue, {MidiKind::Note, 2, 36}},
                                               {Lamp::Loop, {MidiKind::ControlChange, 16, 127}},
                                               {Lamp::Loop, {MidiKind::Note, 16, 0}},
                                               {Lamp::Sync, {MidiKind::ControlChange, 17, 1}},
                                               {Lamp::Quantize, {MidiKind::Note, 1, 128}},
                                               {Lamp::Activity, {MidiKind::ControlChange, 1, 99}}};
    Messages sent;
    const auto take = [&] { return std::exchange(sent, {}); };
    const auto record = [&](unsigned char status, unsigned char data1, unsigned char data2) {
        sent.push_back({status, data1, data2});
    };
    LampMirror mirror(bindings, record);
    mirror.show(lit({Lamp::Play, Lamp::Sync}));  // a first show, like a lightUp: LampsTest
    EXPECT_EQ(take().size(), 5u) << "every lamp, on each binding a message can carry";
    mirror.show(lit({Lamp::Cue, Lamp::Loop, Lamp::KeyLock, Lamp::Quantize}));
    EXPECT_EQ(take(), (Messages{{0xB0, 16, 0}, {0x91, 36, 127}, {0xBF, 127, 127}, {0x9F, 0, 127}}));
    mirror.darken();  // every lamp dark: LampsTest
    take();
    mirror.show(lit({Lamp::Activity}));  // from dark, as it was left
    EXPECT_EQ(take(), (Messages{{0xB0, 99, 127}}));
}

}  // namespace
}  // namespace luma::test
