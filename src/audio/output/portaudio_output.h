// Plays through a PortAudio device (ALSA, or JACK when its server runs).
#pragma once

#include <portaudio.h>

#include <memory>

#include "output/output.h"
#include "output/portaudio_session.h"

namespace luma {

class PortAudioOutput : public Output {
  public:
    static constexpr int kPeriodFrames = 256;

    PortAudioOutput() = default;
    ~PortAudioOutput() override { close(); }
    PortAudioOutput(const PortAudioOutput&) = delete;
    PortAudioOutput& operator=(const PortAudioOutput&) = delete;

    // `device` numbers the devices that can play, as listOutputDevices() does.
    // A device that refuses `requestedRate` is opened at its own default rate.
    bool open(int device, int requestedRate, RenderCallback* callback) override;
    bool start() override;
    bool stop() override;
    void close() override;
    int sampleRate() const override { return rate_; }
    int periodFrames() const override { return kPeriodFrames; }
    int latencyFrames() const override { return latencyFrames_; }

  private:
    static int onStream(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags,
                        void* self);
    PaStream* openStream(const PaStreamParameters& parameters, double rate);

    // Held from open() to close(): the stream needs PortAudio initialised.
    std::unique_ptr<PortAudioSession> session_;
    PaStream* stream_ = nullptr;
    RenderCallback* callback_ = nullptr;
    int rate_ = 0;
    int latencyFrames_ = 0;
};

}  // namespace luma
