// The audio side of a synced channel: from the session's beats and the
// channel's position, the rate it plays at, the jump that aligns its beats
// with the session's, and how long a start waits for the session's next beat.
//
// The channel's own rate (pitch fader, jog bends, brake) is kept as a bend:
// while synced the channel plays at the sync rate times its own rate relative
// to the reference, the own rate it had when the sync tempo was last set. The
// lock corrects the phase only while there is no bend, so a jog nudge moves the
// beats and the lock pulls them back once the jog is let go.
#pragma once

#include <cstdint>

#include "sync/session_beats.h"
#include "sync/tempo_match.h"

namespace luma {

class PhaseLock {
  public:
    struct Grid {
        double bpm = 0.0;             // the track's tempo
        double firstBeatFrame = 0.0;  // a beat, in the track's frames
        double trackRate = 0.0;       // the track's frames per second
    };
    // A phase error beyond this is closed by a crossfaded jump, one within it by a
    // rate nudge of at most kMaxNudge, with the time constant kNudgeSeconds.
    static constexpr double kJumpSeconds = 0.005;
    static constexpr double kMaxNudge = 0.01;
    static constexpr double kNudgeSeconds = 0.5;

    // Starts following (or keeps following, with a new grid or reference).
    void engage(const Grid& grid, double referenceHz) noexcept;
    void release() noexcept { engaged_ = false; }
    bool engaged() const noexcept { return engaged_; }

    struct Step {
        double scale = 1.0;       // the channel plays at its own rate times this
        double jumpFrames = 0.0;  // first move the position by this many track frames
    };
    // One block whose first output frame is `outFrame`, with the track at `position`,
    // the channel's own rate `ownHz` (`sliding` while a slide moves it).
    Step follow(const SessionBeats& beats, int64_t outFrame, double position, double ownHz,
                bool sliding) noexcept;
    // Output frames from `outFrame` until the session's beat phase meets the track's
    // beat phase at `position`: 0 if it does now, at most one beat.
    int64_t framesToNextBeat(const SessionBeats& beats, int64_t outFrame, double position) noexcept;

  private:
    const TempoMatch& match(double sessionBpm) noexcept;
    // Where `position` lies in beats of the track counted at the matched multiple, less
    // the session's beat at `outFrame`: whole beats are of no concern.
    double beatsAhead(const SessionBeats& beats, int64_t outFrame, double position) noexcept;

    bool engaged_ = false;
    Grid grid_;
    double referenceHz_ = 0.0;
    double matchedBpm_ = -1.0;  // the session tempo match_ was made for
    TempoMatch match_;
};

}  // namespace luma
