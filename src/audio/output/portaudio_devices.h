// Our device numbers for PortAudio's devices.
#pragma once

#include <portaudio.h>

#include <vector>

namespace luma {

// PortAudio's indices of the devices that can play, in PortAudio's order; our
// device number N is element N. Needs an open PortAudioSession.
std::vector<PaDeviceIndex> playbackDevices();

}  // namespace luma
