// The numbers and names a deck's settings file asks for: the audio outputs
// (lines 6 and 7), the MIDI inputs (lines 8 and 9) and the joysticks (lines
// 37 and 38), each as the deck itself counts and names them; and the MIDI
// outputs a mapping's lamps can go to.
#pragma once

#include <QTextStream>

#include "binding/audio_library.h"
#include "remote/joystick_reader.h"
#include "remote/midi_input.h"

namespace luma {

// `audio` may be null (no engine found): its section says so.
void listDevices(AudioLibrary* audio, MidiInput& midi, JoystickReader& joysticks, QTextStream& out);

}  // namespace luma
