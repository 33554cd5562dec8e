#include "output/system_devices.h"

#include "output/alsa_output.h"
#include "output/jack_output.h"
#include "output/pulse_output.h"

namespace luma {

std::vector<SystemDevice> systemDevices() {
    using Kind = SystemDevice::Kind;
    std::vector<SystemDevice> devices;
    const bool server = PulseOutput::serverAnswers();
    const bool jack = JackOutput::serverRuns();
    if (server) {
        devices.push_back({Kind::SoundServer, "", "Default output (sound server)"});
    } else if (jack) {
        devices.push_back({Kind::Jack, "", "Default output (JACK)"});
    } else {
        devices.push_back({Kind::Alsa, "default", "Default output"});
    }
    if (jack && server) devices.push_back({Kind::Jack, "", "JACK"});
    for (const AlsaDevice& alsa : alsaPlaybackDevices()) {
        if (alsa.name == "default" && !server && !jack) continue;  // already device 0
        devices.push_back({Kind::Alsa, alsa.name, alsa.description});
    }
    return devices;
}

}  // namespace luma
