#include "bpm/tempo_detector.h"

#include <algorithm>
#include <vector>

#include "bpm/beat_grid.h"
#include "bpm/decimator.h"
#include "bpm/harmony.h"
#include "bpm/metrical_level.h"
#include "bpm/novelty.h"
#include "bpm/onset_strength.h"
#include "bpm/periodicity.h"
#include "bpm/tempo_range.h"

namespace luma {
namespace {

constexpr double kLongestSeconds = 10.5 * 60;  // analysis stops here: memory stays bounded
constexpr std::size_t kChunk = 16384;          // input frames decimated at a time

}  // namespace

struct TempoDetector::Impl {
    Impl(double sampleRate, double minBpm, double maxBpm)
        : decimator(sampleRate),
          onsets(decimator.outputRate(), kLongestSeconds),
          harmony(decimator.outputRate(), kLongestSeconds),
          range(TempoRange::orDefault(minBpm, maxBpm)) {}

    Decimator decimator;
    OnsetStrength onsets;
    HarmonicChange harmony;
    TempoRange range;
    std::vector<float> low, air;
    double tempo = 0.0;
    bool analysed = false;
};

TempoDetector::TempoDetector(double sampleRate, double minBpm, double maxBpm)
    : impl_(std::make_unique<Impl>(sampleRate, minBpm, maxBpm)) {}

TempoDetector::~TempoDetector() = default;

void TempoDetector::process(const float* mono, std::size_t frames) {
    if (!mono) return;
    for (std::size_t done = 0; done < frames; done += kChunk) {
        impl_->low.clear();
        impl_->air.clear();
        impl_->decimator.process(mono + done, std::min(kChunk, frames - done), impl_->low,
                                 impl_->air);
        impl_->onsets.process(impl_->low.data(), impl_->air.data(), impl_->low.size());
        impl_->harmony.process(impl_->low.data(), impl_->low.size());
    }
    impl_->analysed = false;
}

double TempoDetector::tempo() {
    if (impl_->analysed) return impl_->tempo;
    const double frameRate = impl_->onsets.frameRate();
    NoveltyCurves curves = beatNovelty(impl_->onsets.values(), frameRate, impl_->onsets.levels());
    // The bands, each weighted by its own evidence, decide whether there is a beat; the
    // period is then the clearer of theirs and the plain mix's, which a loud band without
    // a pulse may blur but which holds the whole kit's pattern.
    Periodicity periodicity = strongestPeriodicity(curves, frameRate);
    if (periodicity.frames > 0) {
        const Periodicity mixed = strongestPeriodicity(curves.all, frameRate);
        if (mixed.strength >= periodicity.strength) periodicity = mixed;
    }
    impl_->tempo = 0.0;
    if (periodicity.frames > 0) {
        const double precise = refineBeatPeriod(curves.all, periodicity.frames);
        curves.harmony = impl_->harmony.change();
        const double beat = chooseBeatLevel(curves, precise, frameRate);
        impl_->tempo = impl_->range.fold(60.0 * frameRate / beat);
    }
    impl_->analysed = true;
    return impl_->tempo;
}

}  // namespace luma
