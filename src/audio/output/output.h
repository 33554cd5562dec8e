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
    // From an output that knows when its periods begin (JACK's cycle times): the period
    // the next renderAudio calls fill began `startedMicrosAgo` ago, and its frames last
    // `microsPerFrame` each.
    virtual void periodTiming(double startedMicrosAgo, double microsPerFrame) noexcept {
        (void)startedMicrosAgo;
        (void)microsPerFrame;
    }
};

enum class OutputKind { System, Null, Manual, Wav };

struct OutputSelection {
    OutputKind kind = OutputKind::System;
    std::string wavPath;  // for OutputKind::Wav
};

// How the program presents itself to the sound system and how much it buffers.
struct OutputOptions {
    // The name mixers show for the stream and the JACK client ("Lumatrone deck 1").
    std::string clientName = "Lumatrone";
    // Output buffer in milliseconds; 0 lets each sound system have its own
    // default (sound servers buffer more than JACK or a bare device).
    int latencyMs = 0;
};

// Reads LUMATRONE_AUDIO: unset/"system", "null", "manual", "wav:PATH".
// Unknown values (and "wav:" without a path) fall back to System. The words
// are matched ignoring case; PATH is taken as written.
OutputSelection outputSelectionFromEnvironment();

// Output device descriptions, numbered from 0, for the selected kind.
// System: see systemDevices(). Null and Wav: {"No sound"}. Manual:
// {"Manual render"}.
std::vector<std::string> listOutputDevices(const OutputSelection& selection);

// Driven from one control thread; only the callback runs elsewhere.
// System: the desktop's sound server (PulseAudio's protocol, which PipeWire
// serves too), JACK, or an ALSA device. Null: a thread
// paced by the steady clock, 256-frame periods, no latency. Wav: the null
// output also writing a 44100 Hz 16-bit stereo WAV at wavPath; it always
// runs at 44100 Hz. No call blocks for long on a device or server that has
// gone away.
class Output {
  public:
    virtual ~Output() = default;
    // Opens device `device` (-1 = default; system outputs are bound to their
    // device when made) asking for `requestedRate`; a device that refuses
    // the rate opens at its own, which sampleRate() then reports.
    virtual bool open(int device, int requestedRate, RenderCallback* callback) = 0;
    virtual bool start() = 0;
    virtual bool stop() = 0;  // after it returns, no callback runs; never call from one
    virtual void close() = 0;
    virtual int sampleRate() const = 0;     // the rate actually running
    virtual int periodFrames() const = 0;   // frames per callback
    virtual int latencyFrames() const = 0;  // from a rendered frame to hearing it

    // True once the device has gone away for good: its server ended or its
    // stream failed. Nothing more is heard through this output; the engine
    // replaces it with a successor.
    virtual bool failed() const noexcept { return false; }
    // A new, closed output on the same device as this open one, to take its
    // place after a failure (open()'s device number is then ignored);
    // nullptr for outputs that cannot fail.
    virtual std::unique_ptr<Output> successor() const { return nullptr; }

    // Periods the device had to play without our samples since this output
    // was made: the sound server's or driver's underflow reports, or a
    // period rendered later than the buffered sound lasted.
    uint64_t underruns() const noexcept { return underruns_.load(std::memory_order_relaxed); }
    // Callbacks so far: a count that stops moving tells of a device that
    // stopped calling.
    uint64_t periods() const noexcept { return periods_.load(std::memory_order_relaxed); }

  protected:
    void countUnderrun(uint64_t periods = 1) noexcept {
        underruns_.fetch_add(periods, std::memory_order_relaxed);
    }
    void countPeriod() noexcept { periods_.fetch_add(1, std::memory_order_relaxed); }

  private:
    std::atomic<uint64_t> underruns_{0};
    std::atomic<uint64_t> periods_{0};
};

// An output for device number `device` of the kind (-1: the default), to
// open; nullptr for OutputKind::Manual (the engine renders on request) and
// for a system device that does not exist.
std::unique_ptr<Output> makeOutput(const OutputSelection& selection, const OutputOptions& options,
                                   int device);

}  // namespace luma
