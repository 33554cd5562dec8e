#include "sync/phase_lock.h"

#include <algorithm>
#include <cmath>

namespace luma {

void PhaseLock::engage(const Grid& grid, double referenceHz) noexcept {
    engaged_ = grid.bpm > 0.0 && grid.trackRate > 0.0 && referenceHz > 0.0;
    grid_ = grid;
    referenceHz_ = referenceHz;
    matchedBpm_ = -1.0;
}

const TempoMatch& PhaseLock::match(double sessionBpm) noexcept {
    if (sessionBpm != matchedBpm_) {
        match_ = matchTempo(sessionBpm, grid_.bpm);
        matchedBpm_ = sessionBpm;
    }
    return match_;
}

double PhaseLock::beatsAhead(const SessionBeats& beats, int64_t outFrame,
                             double position) noexcept {
    const double framesPerBeat = grid_.trackRate * 60.0 / (match_.multiple * grid_.bpm);
    return (position - grid_.firstBeatFrame) / framesPerBeat - beats.beatAt(outFrame);
}

PhaseLock::Step PhaseLock::follow(const SessionBeats& beats, int64_t outFrame, double position,
                                  double ownHz, bool sliding) noexcept {
    Step step;
    if (!engaged_ || !beats.valid || !match(beats.bpm).inRange) return step;
    const double syncHz = grid_.trackRate * match_.ratio * beats.clockRatio;
    step.scale = syncHz / referenceHz_;
    // Rates are set in whole hertz: half a hertz off the reference is no bend.
    const bool bent = sliding || std::fabs(ownHz - referenceHz_) > 0.5 || !(ownHz > 0.0);
    if (bent) return step;
    step.scale = syncHz / ownHz;
    double ahead = beatsAhead(beats, outFrame, position);
    ahead -= std::round(ahead);  // -0.5..0.5: the nearest session beat
    const double aheadSeconds = ahead * 60.0 / beats.bpm;
    if (std::fabs(aheadSeconds) > kJumpSeconds) {
        step.jumpFrames = -ahead * grid_.trackRate * 60.0 / (match_.multiple * grid_.bpm);
    } else {
        step.scale *= 1.0 + std::clamp(-aheadSeconds / kNudgeSeconds, -kMaxNudge, kMaxNudge);
    }
    return step;
}

int64_t PhaseLock::framesToNextBeat(const SessionBeats& beats, int64_t outFrame,
                                    double position) noexcept {
    if (!engaged_ || !beats.valid || !match(beats.bpm).inRange || !(beats.beatsPerFrame > 0.0)) {
        return 0;
    }
    // The session moves on to meet the track's phase where it stands.
    double wait = beatsAhead(beats, outFrame, position);
    wait -= std::floor(wait);  // 0..1 beat
    // Just past the meeting point: start now; the lock takes up the rest.
    const double toleranceBeats = kJumpSeconds * beats.bpm / 60.0;
    if (wait > 1.0 - toleranceBeats) return 0;
    return static_cast<int64_t>(std::llround(wait / beats.beatsPerFrame));
}

}  // namespace luma
