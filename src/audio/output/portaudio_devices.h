// Our device numbers for PortAudio's devices.
#pragma once

#include <portaudio.h>

#include <string>
#include <vector>

namespace luma {

// PortAudio's indices of the devices that can play; our device number N is
// element N. Number 0 is PortAudio's default output (on Linux ALSA's
// "default": the desktop's sound server, PipeWire or PulseAudio, which
// several programs share), then the other devices in PortAudio's order, so
// a fresh setting of device 0 plays where the desktop plays. Needs an open
// PortAudioSession.
std::vector<PaDeviceIndex> playbackDevices();

// What the device list shows for PortAudio's device `index`: the default
// output says so, the others carry PortAudio's name.
std::string playbackDeviceDescription(PaDeviceIndex index);

}  // namespace luma
