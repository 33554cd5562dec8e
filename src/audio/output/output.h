// Audio outputs: where rendered frames go.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace luma {

// Called on the audio thread for every period: fill `frames` interleaved
// stereo float frames. Must not block, allocate or do I/O.
class RenderCallback {
  public:
    virtual ~RenderCallback() = default;
    virtual void renderAudio(float* interleavedStereo, int frames) noexcept = 0;
};

enum class OutputKind { System, Null, Manual, Wav };

struct OutputSelection {
    OutputKind kind = OutputKind::System;
    std::string wavPath;  // for OutputKind::Wav
};

// Reads LUMATRONE_AUDIO: unset/"system", "null", "manual", "wav:PATH".
// Unknown values (and "wav:" without a path) fall back to System. The words
// are matched ignoring case; PATH is taken as written.
OutputSelection outputSelectionFromEnvironment();

// Output device descriptions, numbered from 0, for the selected kind.
// System: PortAudio's default output as device 0, "Default output", then
// PortAudio's other devices that can play, named as PortAudio names them
// (JACK's appear only while a JACK server runs). Null and Wav: {"No sound"}.
// Manual: {"Manual render"}.
std::vector<std::string> listOutputDevices(const OutputSelection& selection);

// Driven from one control thread; only the callback runs elsewhere.
// System: PortAudio, 256-frame periods. Null: a thread paced by the steady
// clock, 256-frame periods, no latency. Wav: the null output also writing a
// 44100 Hz 16-bit stereo WAV at wavPath; it always runs at 44100 Hz.
class Output {
  public:
    virtual ~Output() = default;
    // Opens device `device` (-1 = default) asking for `requestedRate`; a device
    // that refuses the rate opens at its own, which sampleRate() then reports.
    virtual bool open(int device, int requestedRate, RenderCallback* callback) = 0;
    virtual bool start() = 0;
    virtual bool stop() = 0;  // after it returns, no callback runs; never call from one
    virtual void close() = 0;
    virtual int sampleRate() const = 0;     // the rate actually running
    virtual int periodFrames() const = 0;   // frames per callback
    virtual int latencyFrames() const = 0;  // from a rendered frame to hearing it

    // Periods the device had to play without our samples since this output
    // was made: the sound server's or driver's underflow reports, or for the
    // clock-driven outputs a period rendered later than it was due.
    uint64_t underruns() const noexcept { return underruns_.load(std::memory_order_relaxed); }

  protected:
    void countUnderrun() noexcept { underruns_.fetch_add(1, std::memory_order_relaxed); }

  private:
    std::atomic<uint64_t> underruns_{0};
};

// nullptr for OutputKind::Manual (the engine renders on request).
std::unique_ptr<Output> makeOutput(const OutputSelection& selection);

}  // namespace luma
