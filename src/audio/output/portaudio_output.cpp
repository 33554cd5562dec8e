#include "output/portaudio_output.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "output/bounded_call.h"

namespace luma {

namespace {

constexpr int kChannels = 2;
// How long closing may take before the stream is left to itself.
constexpr auto kCloseLimit = std::chrono::milliseconds(300);

PaDeviceIndex alsaDevice(const std::string& name) {
    const PaHostApiIndex alsa = Pa_HostApiTypeIdToHostApiIndex(paALSA);
    const PaHostApiInfo* host = Pa_GetHostApiInfo(alsa);
    if (host == nullptr) return paNoDevice;
    if (name.empty()) return host->defaultOutputDevice;
    for (PaDeviceIndex index = 0; index < Pa_GetDeviceCount(); ++index) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (info != nullptr && info->hostApi == alsa && info->maxOutputChannels > 0 &&
            name == info->name)
            return index;
    }
    return paNoDevice;
}

}  // namespace

bool PortAudioOutput::open(int /*device*/, int requestedRate, RenderCallback* callback) {
    close();
    if (callback == nullptr) return false;
    auto session = std::make_unique<PortAudioSession>();
    if (!session->ok()) return false;
    const PaDeviceIndex index = alsaDevice(deviceName_);
    const PaDeviceInfo* info = index == paNoDevice ? nullptr : Pa_GetDeviceInfo(index);
    if (info == nullptr) return false;

    PaStreamParameters parameters{};
    parameters.device = index;
    parameters.channelCount = kChannels;
    parameters.sampleFormat = paFloat32;
    parameters.suggestedLatency = options_.latencyMs > 0 ? options_.latencyMs / 1000.0
                                                         : std::max(info->defaultLowOutputLatency,
                                                                    kDefaultLatencyMs / 1000.0);

    callback_ = callback;
    failed_.store(false, std::memory_order_release);
    link_ = std::make_shared<Link>();
    link_->owner.store(this);
    PaStream* stream = requestedRate > 0 ? openStream(parameters, requestedRate) : nullptr;
    if (stream == nullptr && info->defaultSampleRate != requestedRate) {
        stream = openStream(parameters, info->defaultSampleRate);
    }
    if (stream == nullptr) {
        callback_ = nullptr;
        link_.reset();
        return false;  // the session ends here, balancing its Pa_Initialize
    }
    Pa_SetStreamFinishedCallback(stream, &PortAudioOutput::onFinished);

    const PaStreamInfo* streamInfo = Pa_GetStreamInfo(stream);
    rate_ = static_cast<int>(std::lround(streamInfo->sampleRate));
    latencyFrames_ =
        static_cast<int>(std::lround(streamInfo->outputLatency * streamInfo->sampleRate));
    link_->gaps.configure(rate_, std::max(latencyFrames_, kPeriodFrames), kPeriodFrames);
    stream_ = stream;
    session_ = std::move(session);
    return true;
}

PaStream* PortAudioOutput::openStream(const PaStreamParameters& parameters, double rate) {
    PaStream* stream = nullptr;
    const PaError error = Pa_OpenStream(&stream, nullptr, &parameters, rate, kPeriodFrames,
                                        paNoFlag, &PortAudioOutput::onStream, link_.get());
    return error == paNoError ? stream : nullptr;
}

bool PortAudioOutput::start() {
    if (stream_ == nullptr || failed()) return false;
    link_->restart.store(true, std::memory_order_relaxed);
    link_->running.store(true, std::memory_order_seq_cst);
    if (Pa_IsStreamActive(stream_) == 1) return true;
    if (Pa_StartStream(stream_) == paNoError) return true;
    link_->running.store(false, std::memory_order_seq_cst);
    return false;
}

void PortAudioOutput::waitForRender() const {
    while (link_->rendering.load(std::memory_order_seq_cst)) std::this_thread::yield();
}

bool PortAudioOutput::stop() {
    if (stream_ == nullptr) return false;
    link_->running.store(false, std::memory_order_seq_cst);
    waitForRender();
    return true;
}

void PortAudioOutput::close() {
    if (stream_ != nullptr) {
        link_->running.store(false, std::memory_order_seq_cst);
        link_->owner.store(nullptr, std::memory_order_seq_cst);
        waitForRender();
        // Pa_CloseStream aborts the stream first, which waits for its thread:
        // on a device whose server has gone that may be for ever. Then the
        // stream, its link and PortAudio are left to the closing thread.
        finishesWithin(kCloseLimit,
                       [stream = stream_, link = link_, session = std::move(session_)]() mutable {
                           Pa_CloseStream(stream);
                           session.reset();
                       });
        stream_ = nullptr;
    }
    link_.reset();
    session_.reset();
    callback_ = nullptr;
    rate_ = 0;
    latencyFrames_ = 0;
}

int PortAudioOutput::onStream(const void* /*input*/, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo* /*time*/, PaStreamCallbackFlags flags,
                              void* linkPointer) {
    auto* link = static_cast<Link*>(linkPointer);
    auto* samples = static_cast<float*>(output);
    link->rendering.store(true, std::memory_order_seq_cst);
    PortAudioOutput* out = link->owner.load(std::memory_order_seq_cst);
    if (out == nullptr || !link->running.load(std::memory_order_seq_cst)) {
        if (out != nullptr) out->countPeriod();
        link->rendering.store(false, std::memory_order_seq_cst);
        std::fill_n(samples, frames * kChannels, 0.0f);
        return paContinue;
    }
    out->countPeriod();
    if (link->restart.exchange(false, std::memory_order_relaxed)) link->gaps.restart();
    // ALSA's xruns reach us as an underflow; a gap the driver did not
    // notice shows in the callbacks' timing.
    const uint64_t missing = link->gaps.callback(HeardGaps::Clock::now());
    out->countUnderrun(std::max<uint64_t>(missing, (flags & paOutputUnderflow) != 0 ? 1 : 0));
    out->callback_->renderAudio(samples, static_cast<int>(frames));
    link->rendering.store(false, std::memory_order_seq_cst);
    return paContinue;
}

void PortAudioOutput::onFinished(void* linkPointer) {
    // The stream ended without our asking: its device failed.
    auto* link = static_cast<Link*>(linkPointer);
    link->rendering.store(true, std::memory_order_seq_cst);
    if (PortAudioOutput* out = link->owner.load(std::memory_order_seq_cst))
        out->failed_.store(true, std::memory_order_release);
    link->rendering.store(false, std::memory_order_seq_cst);
}

}  // namespace luma
