#include "output/null_output.h"
#include "output/output.h"
#include "output/portaudio_devices.h"
#include "output/portaudio_output.h"
#include "output/portaudio_session.h"
#include "output/wav_output.h"

namespace luma {

std::vector<std::string> listOutputDevices(const OutputSelection& selection) {
    switch (selection.kind) {
        case OutputKind::System: {
            // A session of its own rescans the devices, unless an open output
            // already holds PortAudio: then its devices (and numbers) stay as they are.
            PortAudioSession session;
            if (!session.ok()) return {};
            std::vector<std::string> names;
            for (PaDeviceIndex index : playbackDevices()) {
                names.push_back(playbackDeviceDescription(index));
            }
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

std::unique_ptr<Output> makeOutput(const OutputSelection& selection) {
    switch (selection.kind) {
        case OutputKind::System:
            return std::make_unique<PortAudioOutput>();
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
