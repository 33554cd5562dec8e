#include "output/alsa_output.h"
#include "output/jack_output.h"
#include "output/null_output.h"
#include "output/output.h"
#include "output/pulse_output.h"
#include "output/system_devices.h"
#include "output/wav_output.h"

namespace luma {

std::vector<std::string> listOutputDevices(const OutputSelection& selection) {
    switch (selection.kind) {
        case OutputKind::System: {
            std::vector<std::string> names;
            for (const SystemDevice& device : systemDevices()) names.push_back(device.description);
            return names;
        }
        case OutputKind::Null:
        case OutputKind::Wav:  // nothing is heard; the file is a side effect
            return {"No sound"};
        case OutputKind::Manual:
            return {"Manual render"};
    }
    return {};
}

namespace {

std::unique_ptr<Output> makeSystemOutput(const OutputOptions& options, int device) {
    const std::vector<SystemDevice> devices = systemDevices();
    if (device < 0) device = 0;
    if (device >= static_cast<int>(devices.size())) return nullptr;
    const SystemDevice& chosen = devices[device];
    switch (chosen.kind) {
        case SystemDevice::Kind::SoundServer:
            return std::make_unique<PulseOutput>(options);
        case SystemDevice::Kind::Jack:
            return std::make_unique<JackOutput>(options);
        case SystemDevice::Kind::Alsa:
            return std::make_unique<AlsaOutput>(chosen.alsaName, options);
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<Output> makeOutput(const OutputSelection& selection, const OutputOptions& options,
                                   int device) {
    switch (selection.kind) {
        case OutputKind::System:
            return makeSystemOutput(options, device);
        case OutputKind::Null:
            return std::make_unique<NullOutput>();
        case OutputKind::Wav:
            return std::make_unique<WavOutput>(selection.wavPath);
        case OutputKind::Manual:
            return nullptr;
    }
    return nullptr;
}

}  // namespace luma
