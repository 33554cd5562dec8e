// Which deck commands and control moves a MIDI message makes, by a mapping's
// bindings. Control changes, notes on and notes off on any channel; every
// other message makes nothing.
#pragma once

#include <vector>

#include "remote/mapping.h"

namespace luma {

// An absolute control's new place runs from -1 (value 0) through 0 (value
// 64, or 8192 for a 14-bit pair) to 1 (127, or 16383); a relative one moves
// by `ticks`, negative back.
struct ControlMove {
    DeckControl control;
    double position = 0.0;
    int ticks = 0;
    bool operator==(const ControlMove&) const = default;
};

struct MidiActions {
    std::vector<DeckCommand> commands;  // every matching binding, in the file's order
    std::vector<ControlMove> moves;     // likewise, after the commands
};

class MidiMapper {
  public:
    MidiMapper() = default;
    MidiMapper(std::vector<CommandBinding> commands, std::vector<ControlBinding> controls);

    MidiActions map(int status, int data1, int data2);

  private:
    std::vector<CommandBinding> commands_;
    std::vector<ControlBinding> controls_;
    // For each 14-bit control, the MSB that waits for its LSB; -1 for none yet.
    std::vector<int> msb_;
};

}  // namespace luma
