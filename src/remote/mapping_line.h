// What lumatrone-devices --monitor prints for one incoming MIDI message: a
// mapping file's own line for what a mapping can bind, ready to paste and
// finish with its target, and a comment for the rest.
#pragma once

#include <string>

namespace luma {

// `status` and the data bytes as MidiInput gives them. A control change
// gives "cc 1 16   # value 127", a note on "note 2 36   # velocity 100".
// A note off (also a note on of velocity 0) and the channel messages a
// mapping cannot bind (pitch bend, aftertouch, program change) give a
// comment; clock, active sensing and other system messages give "" (skipped:
// some controllers send them many times a second).
std::string mappingLine(int status, int data1, int data2);

}  // namespace luma
