// The Link session's beat timeline as one render period sees it: a straight
// line from output frames to session beats, where an output frame counts at
// the moment it is heard. Plain data, made once per period on the audio
// thread and read by every synced channel.
#pragma once

#include <cstdint>

namespace luma {

struct SessionBeats {
    bool valid = false;  // false while no channel asks for sync
    double bpm = 0.0;
    int64_t outFrame = 0;        // an output frame...
    double beat = 0.0;           // ...the session's beat when it is heard
    double beatsPerFrame = 0.0;  // and how far each further output frame moves it
    // Output frames last a little more or less than their nominal length when the
    // output's clock is not the host's: this many nominal frames each.
    double clockRatio = 1.0;

    double beatAt(int64_t frame) const noexcept {
        return beat + static_cast<double>(frame - outFrame) * beatsPerFrame;
    }
};

}  // namespace luma
