// Maps output frames back to source positions, so that a channel reports
// the position being heard rather than the one being rendered when the
// output buffers audio (latency > 0). Audio thread only.
#pragma once

#include <array>
#include <cstdint>

namespace luma {

class PositionHistory {
  public:
    // At output frame `out` the source stood at `position`. Keyframes come in
    // output order; two at the same frame mark a jump (loop wrap).
    void add(int64_t out, double position) noexcept;
    // Forgets everything before: used on a seek, so that the new position is
    // reported at once rather than after the old audio drains.
    void restart(int64_t out, double position) noexcept;
    // Forgets what was planned after `out` and stands at `position` there:
    // playback that ran ahead of the output comes back to it.
    void rewindTo(int64_t out, double position) noexcept;
    // Source position at output frame `out`, interpolated between keyframes;
    // held at the first keyframe before it and the last one after it.
    double positionAt(int64_t out) const noexcept;

  private:
    struct Keyframe {
        int64_t out;
        double position;
    };
    static constexpr int kSize = 256;
    std::array<Keyframe, kSize> ring_{};
    int first_ = 0;  // oldest
    int count_ = 0;
};

}  // namespace luma
