// The machine's outputs as our device numbers count them.
#pragma once

#include <string>
#include <vector>

namespace luma {

struct SystemDevice {
    enum class Kind {
        SoundServer,  // PulseAudio's protocol: PulseAudio, or PipeWire's pulse server
        Jack,         // the running JACK server's playback ports
        Alsa,         // an ALSA device, by its PCM name
    };
    Kind kind = Kind::Alsa;
    std::string alsaName;  // Kind::Alsa
    std::string description;
};

// Number 0 is the default output, where the desktop plays: its sound
// server when one answers, else a running JACK server, else ALSA's default.
// Then JACK (when it runs and is not already the default) and the ALSA
// devices that can play, in ALSA's order. Asks the servers each time,
// so that a server started since shows up.
std::vector<SystemDevice> systemDevices();

}  // namespace luma
