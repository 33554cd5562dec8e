// A controller and keyboard mapping: which MIDI message or key runs which
// deck command or moves which control, and which MIDI messages light the
// controller's lamps. Read from a plain-text file (mapping_file.h); the
// README describes its lines.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "remote/deck_command.h"

namespace luma {

enum class MidiKind { ControlChange, Note };

// Where a message comes from or goes to: the channel counted 1 to 16 as
// people count it, the controller or note number 0 to 127.
struct MidiAddress {
    MidiKind kind = MidiKind::ControlChange;
    int channel = 1;
    int number = 0;
    bool operator==(const MidiAddress&) const = default;
};

// A button: a press (a value or velocity above 0) runs the command; the
// release does nothing unless `anyValue`, as the transport controllers of
// channel 1 have always acted whatever their value.
struct CommandBinding {
    MidiAddress address;
    DeckCommand command;
    bool anyValue = false;
};

enum class DeckControl { Pitch, Gain, Balance, EqBass, EqMid, EqHigh, Jog };

enum class ControlEncoding {
    Absolute7,               // 0..127 across the control's travel
    Absolute14,              // a controller pair, MSB then LSB: 0..16383
    RelativeTwosComplement,  // 1..63 forward, 127..65 back
    RelativeOffset64,        // 65..127 forward, 63..0 back
};

struct ControlBinding {
    MidiAddress address;  // the MSB's controller for a 14-bit pair
    int lsbNumber = -1;   // the LSB's controller, for Absolute14
    DeckControl control;
    ControlEncoding encoding;
};

// A key, written as Qt writes a key sequence ("Space", "Ctrl+S", "Shift+Left").
struct KeyCommand {
    std::string key;
    DeckCommand command;
    int line = 0;  // where the file binds it, for a key the keyboard cannot read
};

enum class Lamp { Play, Cue, Loop, Sync, KeyLock, Quantize, Activity };

// A lamp on the controller: value 127 (velocity 127 for a note) lit, 0 dark.
struct LampBinding {
    Lamp lamp;
    MidiAddress address;
};

struct MappingProblem {
    std::string file;
    int line = 0;  // counted from 1
    std::string why;
};

struct Mapping {
    std::vector<CommandBinding> commands;
    std::vector<ControlBinding> controls;
    std::vector<KeyCommand> keys;
    std::optional<std::string> lampPort;  // the MIDI output the lamps go to
    std::vector<LampBinding> lamps;
    std::vector<MappingProblem> problems;  // lines skipped, and why
};

}  // namespace luma
