// Which of a track's tempo, half of it or twice it, a session's tempo is
// nearest to, and the playback rate that meets it.
#pragma once

namespace luma {

struct TempoMatch {
    double multiple = 1.0;  // 0.5, 1 or 2: the track's beats counted at this multiple
    double ratio = 1.0;     // session tempo / (multiple x track tempo)
    bool inRange = false;   // the ratio lies within the pitch fader's reach
};

// The pitch fader reaches +-16 %: a sync rate beyond it is refused.
inline constexpr double kSyncMinRatio = 0.84;
inline constexpr double kSyncMaxRatio = 1.16;

TempoMatch matchTempo(double sessionBpm, double trackBpm) noexcept;

}  // namespace luma
