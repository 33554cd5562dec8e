#include "remote/device_listing.h"

#include "remote/midi_ports.h"

namespace luma {

void listDevices(AudioLibrary* audio, MidiInput& midi, JoystickReader& joysticks,
                 QTextStream& out) {
    out << "Audio outputs (settings line 6 for deck 1, line 7 for deck 2):\n";
    if (!audio) {
        out << "  the audio engine is not beside this program\n";
    } else {
        uint32_t i = 0;
        for (; const char* description = audio->BASS_GetDeviceDescription(i); ++i) {
            out << "  " << i << "  " << QString::fromUtf8(description) << "\n";
        }
        if (i == 0) out << "  none\n";
    }

    // Quoted as a settings line takes them: a comma in a name stays part of it.
    out << "MIDI inputs (line 8 for deck 1, line 9 for deck 2, the name exactly):\n";
    const int inputs = midi.deviceCount();
    for (int i = 0; i < inputs; ++i) out << "  " << i << "  \"" << midi.deviceName(i) << "\"\n";
    if (inputs == 0) out << "  none\n";

    out << "MIDI outputs (a mapping's midi-out line, for the lamps, the name exactly):\n";
    const std::vector<MidiPort> outputs = listMidiPorts(MidiDirection::Output);
    for (size_t i = 0; i < outputs.size(); ++i)
        out << "  " << i << "  \"" << QString::fromStdString(outputs[i].name) << "\"\n";
    if (outputs.empty()) out << "  none\n";

    out << "Joysticks (line 37 for deck 1, line 38 for deck 2; the deck reads 0 to 4):\n";
    if (!joysticks.available()) {
        out << "  joystick support could not start\n";
    } else {
        const int sticks = joysticks.count();
        for (int i = 0; i < sticks; ++i) out << "  " << i << "  " << joysticks.name(i) << "\n";
        if (sticks == 0) out << "  none\n";
    }
    out.flush();
}

}  // namespace luma
