// Plays through a sound server that speaks PulseAudio's protocol: PulseAudio
// itself, or PipeWire's pulse server (what most desktops run).
#pragma once

#include <pulse/pulseaudio.h>

#include <atomic>
#include <memory>
#include <string>

#include "output/heard_gaps.h"
#include "output/output.h"

namespace luma {

class PulseOutput : public Output {
  public:
    // Buffer when the options leave it open: a short stall of our process
    // (the desktop busy for a moment) is bridged, and a press of Play is
    // still heard at once.
    static constexpr int kDefaultLatencyMs = 40;
    static constexpr int kPeriodFrames = 256;

    explicit PulseOutput(OutputOptions options) : options_(std::move(options)) {}
    ~PulseOutput() override { close(); }
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // True when a server answers (PULSE_SERVER, or the user's own), within a moment.
    static bool serverAnswers();

    // The server's default sink (`device` is not used). Any positive rate:
    // the server converts.
    bool open(int device, int requestedRate, RenderCallback* callback) override;
    bool start() override;
    bool stop() override;
    void close() override;
    int sampleRate() const override { return rate_; }
    int periodFrames() const override { return kPeriodFrames; }
    int latencyFrames() const override { return latencyFrames_; }
    bool failed() const noexcept override { return failed_.load(std::memory_order_acquire); }
    std::unique_ptr<Output> successor() const override {
        return std::make_unique<PulseOutput>(options_);
    }

  private:
    bool connectContext();
    bool connectStream();
    void setCorked(bool corked);
    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    static void onWrite(pa_stream* stream, size_t bytes, void* self);
    static void onUnderflow(pa_stream* stream, void* self);
    static void onStarted(pa_stream* stream, void* self);

    const OutputOptions options_;
    RenderCallback* callback_ = nullptr;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    int rate_ = 0;
    int latencyFrames_ = 0;
    // Mainloop thread. The timing of the server's requests tells of the gaps
    // our process made (a stall); the server's underflow reports add those
    // it made itself, when no late request explains them.
    HeardGaps gaps_;
    bool underflowReported_ = false;
    // The server has begun to play since start(): before, a wait for its
    // first request (an idle sink may take seconds to wake) is no gap.
    bool playing_ = false;
    std::atomic<bool> failed_{false};
    // Read in the write callback, changed with the mainloop locked: once
    // stop() has it false, no render runs.
    bool running_ = false;
};

}  // namespace luma
