// Plays through an ALSA device by way of PortAudio.
#pragma once

#include <portaudio.h>

#include <atomic>
#include <memory>
#include <string>

#include "output/heard_gaps.h"
#include "output/output.h"
#include "output/portaudio_session.h"

namespace luma {

class PortAudioOutput : public Output {
  public:
    static constexpr int kPeriodFrames = 256;
    // Buffer when the options leave it open: ALSA's own devices play with
    // little latency; a sound server's plugin behind one gets more.
    static constexpr int kDefaultLatencyMs = 12;

    // `deviceName`: PortAudio's name of an ALSA device; empty for ALSA's default.
    PortAudioOutput(std::string deviceName, OutputOptions options)
        : deviceName_(std::move(deviceName)), options_(std::move(options)) {}
    ~PortAudioOutput() override { close(); }
    PortAudioOutput(const PortAudioOutput&) = delete;
    PortAudioOutput& operator=(const PortAudioOutput&) = delete;

    // Opens the device named at construction (`device` is not used). A
    // device that refuses `requestedRate` is opened at its own default rate.
    bool open(int device, int requestedRate, RenderCallback* callback) override;
    bool start() override;
    bool stop() override;
    void close() override;
    int sampleRate() const override { return rate_; }
    int periodFrames() const override { return kPeriodFrames; }
    int latencyFrames() const override { return latencyFrames_; }
    bool failed() const noexcept override { return failed_.load(std::memory_order_acquire); }
    std::unique_ptr<Output> successor() const override {
        return std::make_unique<PortAudioOutput>(deviceName_, options_);
    }

  private:
    static int onStream(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags,
                        void* self);
    static void onFinished(void* self);
    PaStream* openStream(const PaStreamParameters& parameters, double rate);

    // What the stream's thread touches. It lives on its own so that a stream
    // left to a closing thread that may never return never reaches a freed
    // output: close() takes `owner` away first.
    struct Link {
        std::atomic<PortAudioOutput*> owner{nullptr};
        // The callback raises rendering before it reads running or owner;
        // stop() and close() lower those before they read rendering, so one
        // always sees the other (all sequentially consistent).
        std::atomic<bool> running{false};
        std::atomic<bool> rendering{false};
        std::atomic<bool> restart{false};
        HeardGaps gaps;  // stream thread
    };
    void waitForRender() const;

    const std::string deviceName_;
    const OutputOptions options_;
    // Held from open() to close(): the stream needs PortAudio initialised.
    std::unique_ptr<PortAudioSession> session_;
    PaStream* stream_ = nullptr;
    RenderCallback* callback_ = nullptr;
    int rate_ = 0;
    int latencyFrames_ = 0;
    // The stream runs from start() until close(); stop() only silences it,
    // because PortAudio's own stop can wait for ever on a device whose
    // server has gone.
    std::shared_ptr<Link> link_;
    std::atomic<bool> failed_{false};
};

}  // namespace luma
