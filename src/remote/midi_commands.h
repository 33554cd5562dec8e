// Which deck commands a MIDI message runs: control changes on channel 1.
#pragma once

#include <vector>

#include "remote/deck_command.h"

namespace luma {

// The commands of one message, in the order they run; none for anything but
// a control change on channel 1. The transport and jog controllers (16-20,
// 35, 40) act whatever their value; the sync, quantize and beat-loop ones
// (41, 43, 51-55) are buttons whose release (value 0) does nothing.
std::vector<DeckCommand> midiCommands(int status, int controller, int value);

}  // namespace luma
