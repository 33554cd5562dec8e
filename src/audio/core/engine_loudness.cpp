// Even loudness: the target every played track is brought to, and what each
// track measured. The pre-gain itself is applied on the audio thread
// (PlayChannel::followLoudness), which reads both without a lock.
#include "core/engine.h"

namespace luma {

bool Engine::setLoudnessTarget(float lufs) {
    if (lufs != kLoudnessOff && !(lufs >= kMinLoudnessTarget && lufs <= kMaxLoudnessTarget))
        return false;
    mixer_.setLoudnessTarget(lufs);
    return true;
}

bool Engine::loudness(uint32_t handle, float* lufs, float* truePeakDb, float* gainDb) {
    const std::shared_ptr<const TrackAnalysis> analysis = analysisOf(handle);
    float measured = 0, peak = 0;
    if (!analysis || !analysis->loudness().result(measured, peak)) return false;
    if (lufs) *lufs = measured;
    if (truePeakDb) *truePeakDb = peak;
    if (gainDb) *gainDb = loudnessGainDb(mixer_.loudnessTarget(), measured, peak);
    return true;
}

}  // namespace luma
