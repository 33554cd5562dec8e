// What a MIDI message makes by a mapping: 14-bit pairs, notes, presses and any values,
// relative encoders, every matching row in order (the shipped one run: MappedControlTest).
#include "remote/midi_mapper.h"

#include <gtest/gtest.h>

#include "remote/mapping_file.h"

namespace luma::test {
namespace {

ControlMove jog(int ticks) {
    return {DeckControl::Jog, 0.0, ticks};
}

TEST(MidiMapperTest, PairsNotesEncodersAndEveryMatchingRowInOrder) {
    const Mapping mapping = parseMapping(
        "note 2 36 cue\n"
        "note 2 37 stop any\n"
        "cc 1 10 sync any\n"
        "cc 1 10 quantize\n"
        "cc 1 44/76 pitch\n"
        "cc 1 60 jog relative\n"
        "cc 1 61 jog offset64\n"
        "cc 1 62/30 gain\n",
        "test.conf");
    ASSERT_TRUE(mapping.problems.empty()) << mapping.problems[0].why;
    MidiMapper mapper(mapping.commands, mapping.controls);
    const struct {
        int status, data1, data2;
        std::vector<DeckCommand> commands;
        std::vector<ControlMove> moves;
    } cases[] = {
        {0xB0, 44, 96, {}, {{DeckControl::Pitch, 4096.0 / 8191}}},  // the MSB at once...
        {0xB0, 76, 0, {}, {{DeckControl::Pitch, 4096.0 / 8191}}},   // ...and with its LSB
        {0xB0, 44, 64, {}, {{DeckControl::Pitch, 0.0}}},
        {0xB0, 44, 64, {}, {}},  // the same MSB again: its LSB follows
        {0xB0, 76, 1, {}, {{DeckControl::Pitch, 1.0 / 8191}}},
        {0xB0, 44, 0, {}, {{DeckControl::Pitch, -1.0}}},
        {0xB0, 44, 127, {}, {{DeckControl::Pitch, 8064.0 / 8191}}},
        {0xB0, 76, 127, {}, {{DeckControl::Pitch, 1.0}}},
        {0xB0, 30, 100, {}, {}},  // an LSB before any MSB: no place to complete
        {0xB0, 56, 127, {}, {}},  // not mapped
        {0xE0, 0, 64, {}, {}},    // pitch bend
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
    };
    for (const auto& c : cases) {
        const MidiActions actions = mapper.map(c.status, c.data1, c.data2);
        EXPECT_EQ(actions.commands, c.commands)
            << std::hex << c.status << std::dec << " " << c.data1 << " " << c.data2;
        EXPECT_EQ(actions.moves, c.moves) << c.data1 << " " << c.data2;
    }
}

}  // namespace
}  // namespace luma::test
