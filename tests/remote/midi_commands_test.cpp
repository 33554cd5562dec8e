// Which commands a MIDI message runs: the transport controllers act on any
// value, the sync, quantize and beat-loop buttons on a press only.
#include "remote/midi_commands.h"

#include <gtest/gtest.h>

namespace luma::test {
namespace {

using Commands = std::vector<DeckCommand>;

TEST(MidiCommandsTest, ControllersOnChannelOneAndTheReleaseOfTheNewButtons) {
    const struct {
        int status, controller, value;
        Commands commands;
    } cases[] = {
        {0xB0, 16, 0, {DeckCommand::PlayPause}},  // today's controllers: any value
        {0xB0, 17, 127, {DeckCommand::Stop}},
        {0xB0, 18, 0, {DeckCommand::Cue}},
        {0xB0, 19, 5, {DeckCommand::JogBack}},
        {0xB0, 20, 0, {DeckCommand::JogForward}},
        {0xB0, 35, 0, {DeckCommand::JogEnd}},
        {0xB0, 40, 0, {DeckCommand::Quit}},
        {0xB0, 41, 127, {DeckCommand::Sync}},
        {0xB0, 41, 1, {DeckCommand::Sync}},
        {0xB0, 41, 0, {}},  // a button's release
        {0xB0, 43, 64, {DeckCommand::Quantize}},
        {0xB0, 43, 0, {}},
        {0xB0, 51, 127, {DeckCommand::BeatLoop1}},
        {0xB0, 52, 127, {DeckCommand::BeatLoop2}},
        {0xB0, 53, 127, {DeckCommand::BeatLoop4}},
        {0xB0, 54, 127, {DeckCommand::BeatLoop8}},
        {0xB0, 55, 127, {DeckCommand::BeatLoop16}},
        {0xB0, 55, 0, {}},
        {0xB0, 42, 127, {DeckCommand::KeyLock}},
        {0xB0, 42, 0, {}},
        {0xB0, 44, 127, {}},
        {0xB0, 50, 127, {}},
        {0xB0, 56, 127, {}},
        {0xB1, 41, 127, {}},  // channel 2
        {0x90, 16, 100, {}},  // a note
    };
    for (const auto& c : cases) {
        EXPECT_EQ(midiCommands(c.status, c.controller, c.value), c.commands)
            << std::hex << c.status << std::dec << " " << c.controller << " " << c.value;
    }
}

}  // namespace
}  // namespace luma::test
