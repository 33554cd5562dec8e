#include "output/portaudio_devices.h"

namespace luma {

std::vector<PaDeviceIndex> playbackDevices() {
    std::vector<PaDeviceIndex> devices;
    const PaDeviceIndex defaultOutput = Pa_GetDefaultOutputDevice();
    if (defaultOutput != paNoDevice) devices.push_back(defaultOutput);
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex index = 0; index < count; ++index) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (index != defaultOutput && info != nullptr && info->maxOutputChannels > 0) {
            devices.push_back(index);
        }
    }
    return devices;
}

std::string playbackDeviceDescription(PaDeviceIndex index) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    const std::string name = info != nullptr ? info->name : "";
    if (index != Pa_GetDefaultOutputDevice()) return name;
    return name == "default" ? "Default output" : "Default output (" + name + ")";
}

}  // namespace luma
