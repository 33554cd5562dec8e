// What a MIDI message makes by a mapping: the shipped one's buttons and faders; 14-bit
// pairs, 7-bit ends and relative encoders land where they should.
#include "remote/midi_mapper.h"

#include <gtest/gtest.h>

#include "remote/mapping_file.h"

namespace luma::test {
namespace {

using Commands = std::vector<DeckCommand>;
using Moves = std::vector<ControlMove>;

struct Case {
    int status, data1, data2;
    Commands commands;
    Moves moves;
};

// Each message in turn through one mapper made of the mapping's bindings.
void expectActions(const Mapping& mapping, const std::vector<Case>& cases) {
    ASSERT_TRUE(mapping.problems.empty()) << mapping.problems[0].why;
    MidiMapper mapper(mapping.commands, mapping.controls);
    for (const Case& c : cases) {
        const MidiActions actions = mapper.map(c.status, c.data1, c.data2);
        EXPECT_EQ(actions.commands, c.commands)
            << std::hex << c.status << std::dec << " " << c.data1 << " " << c.data2;
        EXPECT_EQ(actions.moves, c.moves) << c.data1 << " " << c.data2;
    }
}

ControlMove jog(int ticks) {
    return {DeckControl::Jog, 0.0, ticks};
}

// (The transport runs a deck: RemoteControlTest; 47 and 44/76 are heard: MappedControlTest.)
TEST(MidiMapperTest, TheShippedMappingKeepsChannelOneAndAddsTheNewControls) {
    const std::vector<Case> cases = {
        {0xB0, 18, 0, {DeckCommand::Cue}, {}},     // the old controllers: any value
        {0xB0, 50, 127, {DeckCommand::Loop}, {}},  // buttons: a press...
        {0xB0, 50, 0, {}, {}},                     // ...and a release that does nothing
        {0xB0, 45, 0, {}, {{DeckControl::Gain, -1.0}}},
        {0xB0, 46, 64, {}, {{DeckControl::Balance, 0.0}}},
        {0xB0, 47, 127, {}, {{DeckControl::EqBass, 1.0}}},
        {0xB0, 48, 32, {}, {{DeckControl::EqMid, -0.5}}},
        {0xB0, 44, 96, {}, {{DeckControl::Pitch, 4096.0 / 8191}}},  // the MSB at once...
        {0xB0, 76, 0, {}, {{DeckControl::Pitch, 4096.0 / 8191}}},   // ...and with its LSB
        {0xB0, 44, 64, {}, {{DeckControl::Pitch, 0.0}}},
        {0xB0, 44, 64, {}, {}},  // the same MSB again: its LSB follows
        {0xB0, 76, 1, {}, {{DeckControl::Pitch, 1.0 / 8191}}},
        {0xB0, 44, 0, {}, {{DeckControl::Pitch, -1.0}}},
        {0xB0, 44, 127, {}, {{DeckControl::Pitch, 8064.0 / 8191}}},
        {0xB0, 76, 127, {}, {{DeckControl::Pitch, 1.0}}},
        {0xB0, 56, 127, {}, {}},  // not mapped
        {0xE0, 0, 64, {}, {}},    // pitch bend
    };
    expectActions(readMappingFile(LUMA_MAPPING_PATH), cases);
}

TEST(MidiMapperTest, NotesEncodersAndEveryMatchingRowInOrder) {
    const Mapping mapping = parseMapping(
        "note 2 36 cue\n"
        "note 2 37 stop any\n"
        "cc 1 10 sync any\n"
        "cc 1 10 quantize\n"
        "cc 1 60 jog relative\n"
        "cc 1 61 jog offset64\n"
        "cc 1 62/30 gain\n",
        "test.conf");
    const std::vector<Case> cases = {
        {0x91, 36, 100, {DeckCommand::Cue}, {}},
        {0x91, 36, 0, {}, {}},                    // velocity 0: a release
        {0x81, 36, 64, {}, {}},                   // note off
        {0x81, 37, 64, {DeckCommand::Stop}, {}},  // any value: the release too
        {0x90, 36, 100, {}, {}},                  // channel 1
        {0xB0, 10, 5, {DeckCommand::Sync, DeckCommand::Quantize}, {}},
        {0xB0, 10, 0, {DeckCommand::Sync}, {}},
        {0xB0, 60, 1, {}, {jog(1)}},
        {0xB0, 60, 127, {}, {jog(-1)}},
        {0xB0, 60, 0, {}, {}},
        {0xB0, 61, 65, {}, {jog(1)}},
        {0xB0, 61, 0, {}, {jog(-64)}},
        {0xB0, 61, 64, {}, {}},
        {0xB0, 30, 100, {}, {}},  // an LSB before any MSB: no place to complete
    };
    expectActions(mapping, cases);
}

}  // namespace
}  // namespace luma::test
