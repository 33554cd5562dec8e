#include "remote/midi_commands.h"

namespace luma {

namespace {

constexpr int kControlChangeChannel1 = 0xB0;

struct Row {
    int controller;
    DeckCommand command;
    bool pressOnly;  // value 0 is the button's release
};

// Every row that matches runs, in this order.
constexpr Row kRows[] = {
    {16, DeckCommand::PlayPause, false},  {17, DeckCommand::Stop, false},
    {18, DeckCommand::Cue, false},        {19, DeckCommand::JogBack, false},
    {20, DeckCommand::JogForward, false}, {35, DeckCommand::JogEnd, false},
    {40, DeckCommand::Quit, false},       {41, DeckCommand::Sync, true},
    {43, DeckCommand::Quantize, true},    {51, DeckCommand::BeatLoop1, true},
    {52, DeckCommand::BeatLoop2, true},   {53, DeckCommand::BeatLoop4, true},
    {54, DeckCommand::BeatLoop8, true},   {55, DeckCommand::BeatLoop16, true},
    {42, DeckCommand::KeyLock, true},
};

}  // namespace

std::vector<DeckCommand> midiCommands(int status, int controller, int value) {
    std::vector<DeckCommand> commands;
    if (status != kControlChangeChannel1) return commands;
    for (const Row& row : kRows) {
        if (row.controller == controller && !(row.pressOnly && value == 0)) {
            commands.push_back(row.command);
        }
    }
    return commands;
}

}  // namespace luma
