// A played track as the resampler reads it, with the channel's loop region.
//
// The wrap lives in the read positions themselves: while the loop holds,
// frames at or past `end` read as the frames from `start` on, and once the
// loop has wrapped, frames before `start` read as the loop's tail. The
// resampler's kernel, which looks half its length both ways at any rate,
// therefore sees one continuous signal across the seam and never reaches
// the material behind `end`.
//
// The seam is cross-faded before `end`, never after it: over the loop's
// last F frames the sound fades linearly from the track's own frame r to
// frame r - (end - start), the lead-in to `start`. Arriving at `end` it
// already is the material just before `start`, which then follows without
// a step. A loop holding a whole number of periods reads the same samples
// on both sides of the fade, so the output is the unchanged periodic
// signal: no phase jump, no dip. F is kFadeFrames, less for a loop shorter
// than twice that or a start closer than F to the track's beginning (0 at
// frame 0: a plain cut).
#pragma once

#include <array>
#include <cstdint>

#include "core/track.h"
#include "dsp/resampler.h"

namespace luma {

class LoopSource final : public dsp::ResamplerSource {
  public:
    static constexpr int64_t kFadeFrames = 128;  // about 3 ms

    explicit LoopSource(const Track& track) noexcept : track_(&track) {}

    // Whether both read every frame alike (scratch buffers aside).
    bool readsAs(const LoopSource& other) const noexcept;

    // ---- audio thread ----
    // Loops over [start, end) (0 <= start < end <= the track's length).
    // Playback standing at `position` wraps only once it crosses `end`
    // from below, so a loop set behind the play position waits for a seek.
    void set(int64_t start, int64_t end, int64_t position) noexcept;
    void off() noexcept { on_ = armed_ = wrapped_ = false; }
    // Playback jumped to `position` (seek, restart of the track).
    void moved(int64_t position) noexcept;
    // Playback at or past end() has crossed it: back into the loop.
    void wrap(dsp::SourcePosition& pos) noexcept;

    // True while playback reaching end() is to wrap.
    bool armed() const noexcept { return armed_; }
    int64_t start() const noexcept { return start_; }
    int64_t end() const noexcept { return end_; }
    int64_t fadeFrames() const noexcept { return fade_; }
    // A position as playback stood just before the wraps since the last
    // jump (at or past end()), folded back into the loop; others as they are.
    double folded(double position) const noexcept;
    // Where the loader should decode next for playback at `position`: the
    // position first, then what the seam reads.
    int64_t nextToLoad(int64_t position) const noexcept;

    void fetch(int64_t first, int count, float* left, float* right) noexcept override;

  private:
    int64_t mapped(int64_t frame) const noexcept;
    void crossFade(int64_t first, int count, float* left, float* right) noexcept;

    const Track* track_;  // a pointer, so that a copy can be assigned
    bool on_ = false;
    bool armed_ = false;    // on, and playback below end_
    bool wrapped_ = false;  // wrapped since the last jump
    int64_t start_ = 0, end_ = 0, fade_ = 0;
    std::array<float, kFadeFrames> leadLeft_{}, leadRight_{};
};

}  // namespace luma
