// Plays through an ALSA device (a sound card, or a plugin device such as
// "default") on a thread of our own.
#pragma once

#include <alsa/asoundlib.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "output/output.h"
#include "output/render_gate.h"

namespace luma {

// Written by hand on alsa-lib rather than through a portable audio
// library: when a sound server behind an ALSA plugin dies, the plugin's
// poll reports errors for ever, and a library's stream thread that loops on
// them spins a core and cannot be stopped. Ours waits with a timeout, takes
// any error but an underrun as the end of the device, and always ends.
class AlsaOutput : public Output {
  public:
    static constexpr int kPeriodFrames = 256;
    // Buffer when the options leave it open: a sound card plays with little
    // latency.
    static constexpr int kDefaultLatencyMs = 12;

    // `device`: an ALSA PCM name ("default", "hw:CARD=PCH,DEV=0", ...).
    AlsaOutput(std::string device, OutputOptions options)
        : device_(std::move(device)), options_(std::move(options)) {}
    ~AlsaOutput() override { close(); }
    AlsaOutput(const AlsaOutput&) = delete;
    AlsaOutput& operator=(const AlsaOutput&) = delete;

    // Opens the device named at construction (`device` is not used). A
    // device that refuses `requestedRate` runs at the nearest rate it has.
    bool open(int device, int requestedRate, RenderCallback* callback) override;
    bool start() override;
    bool stop() override;
    void close() override;
    int sampleRate() const override { return rate_; }
    int periodFrames() const override { return period_; }
    int latencyFrames() const override { return latencyFrames_; }
    bool failed() const noexcept override { return failed_.load(std::memory_order_acquire); }
    std::unique_ptr<Output> successor() const override {
        return std::make_unique<AlsaOutput>(device_, options_);
    }

  private:
    enum class Written { Period, Full, Failed };
    bool configure(int requestedRate);
    void run();
    void renderPeriod();
    void countXrun();
    Written writeSome();  // the rest of the period, or a new one

    const std::string device_;
    const OutputOptions options_;
    RenderCallback* callback_ = nullptr;
    snd_pcm_t* pcm_ = nullptr;
    bool float32_ = true;  // else signed 16-bit, converted here
    int rate_ = 0;
    int period_ = 0;
    int latencyFrames_ = 0;
    std::vector<float> samples_;
    std::vector<int16_t> converted_;
    int unwritten_ = 0;  // frames of the last period rendered still to write
    std::chrono::steady_clock::time_point dryAt_{};  // when what the device holds runs out
    std::thread thread_;
    std::atomic<bool> quit_{false};
    std::atomic<bool> failed_{false};
    RenderGate gate_;  // open from start() to stop(): after stop() no render runs
};

// The ALSA PCMs that can play, by name and description, "default" first.
struct AlsaDevice {
    std::string name;
    std::string description;
};
std::vector<AlsaDevice> alsaPlaybackDevices();

}  // namespace luma
