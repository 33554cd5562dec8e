// What a MIDI message makes by a mapping: 14-bit pairs, notes, presses and any values,
// relative encoders, every matching row in order; the shipped mapping's controllers and keys.
#include "remote/midi_mapper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ranges>

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

// The controllers' numbers are fixed (16-20, 35 and 40 act on any value, the later ones
// on a press); every command but the jog's end and quitting (Ctrl+Q) has a key too.
TEST(MidiMapperTest, TheShippedMappingBindsEveryControllerAndGivesEachCommandAKey) {
    using enum DeckCommand;
    const Mapping mapping = readMappingFile(LUMA_MAPPING_PATH);
    MidiMapper mapper(mapping.commands, mapping.controls);
    const std::pair<int, DeckCommand> buttons[] = {
        {16, PlayPause},  {17, Stop},      {18, Cue},       {19, JogBack},
        {20, JogForward}, {35, JogEnd},    {40, Quit},      {41, Sync},
        {42, KeyLock},    {43, Quantize},  {50, Loop},      {51, BeatLoop1},
        {52, BeatLoop2},  {53, BeatLoop4}, {54, BeatLoop8}, {55, BeatLoop16}};
    for (const auto& [number, command] : buttons) {
        EXPECT_EQ(mapper.map(0xB0, number, 127).commands, std::vector{command}) << number;
        EXPECT_EQ(mapper.map(0xB0, number, 0).commands.size(), number <= 40 ? 1u : 0u) << number;
    }
    const std::pair<int, DeckControl> faders[] = {
        {44, DeckControl::Pitch},  {45, DeckControl::Gain},  {46, DeckControl::Balance},
        {47, DeckControl::EqBass}, {48, DeckControl::EqMid}, {49, DeckControl::EqHigh}};
    for (const auto& [number, control] : faders) {
        const std::vector<ControlMove> moves = mapper.map(0xB0, number, 127).moves;
        EXPECT_TRUE(moves.size() == 1 && moves[0].control == control) << number;
    }
    const auto keyed = mapping.keys | std::views::transform(&KeyCommand::command);
    for (int command = int(PlayPause); command <= int(KillHigh); ++command) {
        const bool expected = DeckCommand(command) != JogEnd && DeckCommand(command) != Quit;
        EXPECT_EQ(std::ranges::count(keyed, DeckCommand(command)) > 0, expected) << command;
    }
}

}  // namespace
}  // namespace luma::test
