#include "sync/tempo_match.h"

#include <cmath>
#include <initializer_list>

namespace luma {

TempoMatch matchTempo(double sessionBpm, double trackBpm) noexcept {
    TempoMatch best;
    if (!(sessionBpm > 0.0) || !(trackBpm > 0.0) || !std::isfinite(sessionBpm) ||
        !std::isfinite(trackBpm)) {
        return best;
    }
    // Nearest on a logarithmic scale: 0.9 and 1.1 are equally far from 1.
    double bestDistance = INFINITY;
    for (const double multiple : {0.5, 1.0, 2.0}) {
        const double ratio = sessionBpm / (multiple * trackBpm);
        const double distance = std::fabs(std::log(ratio));
        if (distance < bestDistance) {
            bestDistance = distance;
            best.multiple = multiple;
            best.ratio = ratio;
        }
    }
    best.inRange = best.ratio >= kSyncMinRatio && best.ratio <= kSyncMaxRatio;
    return best;
}

}  // namespace luma
