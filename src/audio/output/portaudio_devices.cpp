#include "output/portaudio_devices.h"

namespace luma {

std::vector<PaDeviceIndex> playbackDevices() {
    std::vector<PaDeviceIndex> devices;
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex index = 0; index < count; ++index) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (info != nullptr && info->maxOutputChannels > 0) devices.push_back(index);
    }
    return devices;
}

}  // namespace luma
