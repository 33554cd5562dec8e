#include "output/system_devices.h"

#include <portaudio.h>

#include "output/jack_output.h"
#include "output/portaudio_session.h"
#include "output/pulse_output.h"

namespace luma {

namespace {

// PortAudio's own JACK devices are left out: JACK has its own entry, played
// by a client that notices its server going.
bool isAlsaPlayback(const PaDeviceInfo* info) {
    if (info == nullptr || info->maxOutputChannels <= 0) return false;
    const PaHostApiInfo* host = Pa_GetHostApiInfo(info->hostApi);
    return host != nullptr && host->type == paALSA;
}

PaDeviceIndex alsaDefaultOutput() {
    const PaHostApiInfo* host = Pa_GetHostApiInfo(Pa_HostApiTypeIdToHostApiIndex(paALSA));
    return host != nullptr ? host->defaultOutputDevice : paNoDevice;
}

}  // namespace

std::vector<SystemDevice> systemDevices() {
    using Kind = SystemDevice::Kind;
    std::vector<SystemDevice> devices;
    const bool server = PulseOutput::serverAnswers();
    const bool jack = JackOutput::serverRuns();
    PortAudioSession session;
    const PaDeviceIndex alsaDefault = session.ok() ? alsaDefaultOutput() : paNoDevice;

    if (server) {
        devices.push_back({Kind::SoundServer, "", "Default output (sound server)"});
    } else if (jack) {
        devices.push_back({Kind::Jack, "", "Default output (JACK)"});
    } else if (alsaDefault != paNoDevice) {
        const std::string name = Pa_GetDeviceInfo(alsaDefault)->name;
        devices.push_back({Kind::Alsa, name,
                           name == "default" ? "Default output" : "Default output (" + name + ")"});
    }
    if (jack && server) devices.push_back({Kind::Jack, "", "JACK"});
    if (!session.ok()) return devices;
    for (PaDeviceIndex index = 0; index < Pa_GetDeviceCount(); ++index) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (!isAlsaPlayback(info) || (index == alsaDefault && !server && !jack)) continue;
        devices.push_back({Kind::Alsa, info->name, info->name});
    }
    return devices;
}

}  // namespace luma
