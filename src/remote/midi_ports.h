// The MIDI ports the deck can read from or send to, in one numbering: first
// the ALSA sequencer's ports (only where /dev/snd/seq exists), then the JACK
// server's MIDI ports (only while one runs, the one the environment names).
// Names are RtMidi's: an ALSA port's ends with its address "client:port", a
// JACK port's is its full name "client:port". The deck's MIDI input and the
// lamps' output both find their port by this list, so one name means the same
// port to both and to lumatrone-devices.
#pragma once

#include <RtMidi.h>

#include <string>
#include <vector>

namespace luma {

// The deck's point of view: an input reads a controller's sending ports, an
// output writes to its receiving ones.
enum class MidiDirection { Input, Output };

struct MidiPort {
    RtMidi::Api api;
    unsigned number;   // within that back end
    std::string name;  // as RtMidi gives it
};

// Read afresh each time. Without a JACK server a listing still leaves a few
// lines on stderr: libjack reports the failed connection itself.
std::vector<MidiPort> listMidiPorts(MidiDirection direction);

// An RtMidi error callback that drops everything: enumeration probes raise
// warnings (such as "JACK server not running?") that only mean "nothing here".
void ignoreRtMidiError(RtMidiError::Type, const std::string&, void*);

}  // namespace luma
