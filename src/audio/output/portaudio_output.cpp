#include "output/portaudio_output.h"

#include <cmath>
#include <vector>

#include "output/portaudio_devices.h"

namespace luma {

namespace {

constexpr int kChannels = 2;

PaDeviceIndex portAudioIndex(int device) {
    if (device < 0) device = 0;  // the default output comes first
    const std::vector<PaDeviceIndex> devices = playbackDevices();
    return device < static_cast<int>(devices.size()) ? devices[device] : paNoDevice;
}

}  // namespace

bool PortAudioOutput::open(int device, int requestedRate, RenderCallback* callback) {
    close();
    if (callback == nullptr) return false;
    auto session = std::make_unique<PortAudioSession>();
    if (!session->ok()) return false;
    const PaDeviceIndex index = portAudioIndex(device);
    const PaDeviceInfo* info = index == paNoDevice ? nullptr : Pa_GetDeviceInfo(index);
    if (info == nullptr) return false;

    PaStreamParameters parameters{};
    parameters.device = index;
    parameters.channelCount = kChannels;
    parameters.sampleFormat = paFloat32;
    parameters.suggestedLatency = info->defaultLowOutputLatency;

    callback_ = callback;
    PaStream* stream = requestedRate > 0 ? openStream(parameters, requestedRate) : nullptr;
    if (stream == nullptr && info->defaultSampleRate != requestedRate) {
        stream = openStream(parameters, info->defaultSampleRate);
    }
    if (stream == nullptr) {
        callback_ = nullptr;
        return false;  // the session ends here, balancing its Pa_Initialize
    }

    const PaStreamInfo* streamInfo = Pa_GetStreamInfo(stream);
    rate_ = static_cast<int>(std::lround(streamInfo->sampleRate));
    latencyFrames_ =
        static_cast<int>(std::lround(streamInfo->outputLatency * streamInfo->sampleRate));
    stream_ = stream;
    session_ = std::move(session);
    return true;
}

PaStream* PortAudioOutput::openStream(const PaStreamParameters& parameters, double rate) {
    PaStream* stream = nullptr;
    const PaError error = Pa_OpenStream(&stream, nullptr, &parameters, rate, kPeriodFrames,
                                        paNoFlag, &PortAudioOutput::onStream, this);
    return error == paNoError ? stream : nullptr;
}

bool PortAudioOutput::start() {
    if (stream_ == nullptr) return false;
    if (Pa_IsStreamActive(stream_) == 1) return true;
    return Pa_StartStream(stream_) == paNoError;
}

bool PortAudioOutput::stop() {
    if (stream_ == nullptr) return false;
    if (Pa_IsStreamStopped(stream_) == 1) return true;
    // Returns only when the last callback has finished (and its buffers played).
    return Pa_StopStream(stream_) == paNoError;
}

void PortAudioOutput::close() {
    if (stream_ != nullptr) {
        Pa_CloseStream(stream_);  // aborts a running stream first
        stream_ = nullptr;
    }
    session_.reset();
    callback_ = nullptr;
    rate_ = 0;
    latencyFrames_ = 0;
}

int PortAudioOutput::onStream(const void* /*input*/, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo* /*time*/, PaStreamCallbackFlags flags,
                              void* self) {
    auto* out = static_cast<PortAudioOutput*>(self);
    // ALSA's and JACK's xruns reach us as an underflow of the output.
    if ((flags & paOutputUnderflow) != 0) out->countUnderrun();
    out->callback_->renderAudio(static_cast<float*>(output), static_cast<int>(frames));
    return paContinue;
}

}  // namespace luma
