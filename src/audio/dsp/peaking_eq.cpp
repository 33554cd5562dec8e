#include "dsp/peaking_eq.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/cpu_clones.h"

namespace luma::dsp {

namespace {

// tan() and pow() run once per sub-block; in between the coefficients move
// linearly per sample, so a glide has no steps at all.
constexpr int kSubBlock = 32;
constexpr double kGlideSeconds = 0.010;

// Below this the integrators are as good as silent; flushing them keeps
// long silences out of denormal arithmetic.
constexpr double kSilent = 1e-30;

// Flushes a nearly silent memory to zero, and one poisoned by a NaN or
// infinity in the input too, so the filter recovers.
double flushed(double memory) {
    return std::abs(memory) >= kSilent && std::isfinite(memory) ? memory : 0.0;
}

}  // namespace

PeakingEq::Params PeakingEq::limited(Params p) const noexcept {
    const double highest = std::log2(0.45 * rate_);
    p.octaves = std::clamp(p.octaves, std::log2(10.0), highest);
    p.semitones = std::clamp(p.semitones, 0.5, 120.0);
    p.gainDb = std::clamp(p.gainDb, -30.0, 30.0);
    return p;
}

PeakingEq::Coefs PeakingEq::coefsFor(const Params& p) const noexcept {
    const double centre = std::exp2(p.octaves);
    const double octaves = p.semitones / 12.0;
    const double q = 1.0 / (2.0 * std::sinh(std::numbers::ln2 / 2.0 * octaves));
    const double a = std::pow(10.0, p.gainDb / 40.0);
    Coefs c;
    c.g = std::tan(std::numbers::pi * centre / rate_);
    c.k = 1.0 / (q * a);
    c.m1 = c.k * (a * a - 1.0);  // exactly 0 at 0 dB: the filter is then transparent
    return c;
}

void PeakingEq::setTarget(float centreHz, float bandwidthSemitones, float gainDb) noexcept {
    // NaN or non-positive centres leave the target as it was.
    if (!(centreHz > 0.0f) || !std::isfinite(bandwidthSemitones) || !std::isfinite(gainDb)) {
        return;
    }
    const Params target =
        limited({std::log2(static_cast<double>(centreHz)), bandwidthSemitones, gainDb});
    retarget_ = retarget_ || target != target_;  // a repeated target keeps its glide going
    target_ = target;
}

void PeakingEq::setSampleRate(double rate) noexcept {
    if (rate > 0.0 && std::isfinite(rate)) {
        rate_ = rate;
        target_ = limited(target_);
    }
    jumpToTarget();
}

void PeakingEq::reset() noexcept {
    state_[0] = State{};
    state_[1] = State{};
    jumpToTarget();
}

void PeakingEq::jumpToTarget() noexcept {
    current_ = target_;
    glideLeft_ = 0;
    retarget_ = false;
    coefs_ = coefsFor(current_);
}

void PeakingEq::advanceGlide() noexcept {
    if (retarget_) {
        // A new target glides from wherever the last glide had got to.
        retarget_ = false;
        const int subBlocks = std::max(1, static_cast<int>(kGlideSeconds * rate_ / kSubBlock));
        glideLeft_ = subBlocks;
        glideStep_ = {(target_.octaves - current_.octaves) / subBlocks,
                      (target_.semitones - current_.semitones) / subBlocks,
                      (target_.gainDb - current_.gainDb) / subBlocks};
    }
    if (--glideLeft_ == 0) {
        current_ = target_;  // land exactly, so 0 dB is exactly transparent
        return;
    }
    current_.octaves += glideStep_.octaves;
    current_.semitones += glideStep_.semitones;
    current_.gainDb += glideStep_.gainDb;
}

void PeakingEq::process(float* left, float* right, int frames) noexcept {
    for (int done = 0; done < frames;) {
        const int span = std::min(kSubBlock, frames - done);
        if (retarget_ || glideLeft_ > 0) {
            advanceGlide();
            const Coefs next = coefsFor(current_);
            filterSpan(left + done, right + done, span, coefs_, next);
            coefs_ = next;
            done += span;
        } else {
            PeakingEq* self = this;
            processChain(&self, 1, left + done, right + done, frames - done);
            return;
        }
    }
    flushMemories();
}

void PeakingEq::flushMemories() noexcept {
    for (State& s : state_) {
        s.ic1 = flushed(s.ic1);
        s.ic2 = flushed(s.ic2);
    }
}

// The same filter with fixed coefficients, the usual case, for N filters in
// a row: the memories stay in registers, each memory's recurrence is two
// fused multiply-adds long (v2 = ic2 + g v1), and the N filters' recurrences
// overlap. A build for FMA machines is chosen at load time where the
// processor has it. Packing memories into vector registers would put
// shuffles into the recurrences and halve the speed: no SLP vectorisation.
struct SteadyBell {
    double g, a1, m1;
    double l1, l2, r1, r2;
};

constexpr int N = 4;  // filters per pass

__attribute__((LUMA_CPU_CLONES, optimize("no-tree-slp-vectorize"))) static void steadyBells(
    SteadyBell* bells, float* left, float* right, int frames) {
    double a2[N], twoG[N], a1[N], m1[N], l1[N], l2[N], r1[N], r2[N];
    for (int k = 0; k < N; ++k) {
        a1[k] = bells[k].a1;
        a2[k] = bells[k].g * bells[k].a1;
        twoG[k] = 2.0 * bells[k].g;
        m1[k] = bells[k].m1;
        l1[k] = bells[k].l1;
        l2[k] = bells[k].l2;
        r1[k] = bells[k].r1;
        r2[k] = bells[k].r2;
    }
    for (int n = 0; n < frames; ++n) {
        double xl = left[n];
        double xr = right[n];
        for (int k = 0; k < N; ++k) {
            const double lv1 = a1[k] * l1[k] + a2[k] * (xl - l2[k]);  // band-pass
            const double rv1 = a1[k] * r1[k] + a2[k] * (xr - r2[k]);
            l2[k] += twoG[k] * lv1;
            r2[k] += twoG[k] * rv1;
            l1[k] = 2.0 * lv1 - l1[k];
            r1[k] = 2.0 * rv1 - r1[k];
            xl += m1[k] * lv1;
            xr += m1[k] * rv1;
        }
        left[n] = static_cast<float>(xl);
        right[n] = static_cast<float>(xr);
    }
    for (int k = 0; k < N; ++k) {
        bells[k].l1 = l1[k];
        bells[k].l2 = l2[k];
        bells[k].r1 = r1[k];
        bells[k].r2 = r2[k];
    }
}

void PeakingEq::processChain(PeakingEq* const* filters, int count, float* left, float* right,
                             int frames) noexcept {
    for (int i = 0; i < count;) {
        if (!filters[i]->steady()) {
            filters[i]->process(left, right, frames);
            ++i;
            continue;
        }
        // Up to N steady neighbours in one pass; silent bells (g = 0,
        // m1 = 0) fill the places left over and add nothing.
        SteadyBell bells[N] = {};
        int n = 0;
        for (; n < N && i + n < count && filters[i + n]->steady(); ++n) {
            const PeakingEq& f = *filters[i + n];
            const Coefs& c = f.coefs_;
            bells[n] = {c.g,
                        1.0 / (1.0 + c.g * (c.g + c.k)),
                        c.m1,
                        f.state_[0].ic1,
                        f.state_[0].ic2,
                        f.state_[1].ic1,
                        f.state_[1].ic2};
        }
        for (int k = n; k < N; ++k) bells[k].a1 = 1.0;
        steadyBells(bells, left, right, frames);
        for (int k = 0; k < n; ++k) {
            PeakingEq& f = *filters[i + k];
            f.state_[0] = {bells[k].l1, bells[k].l2};
            f.state_[1] = {bells[k].r1, bells[k].r2};
            f.flushMemories();
        }
        i += n;
    }
}

// The TPT state-variable filter (trapezoidal integrators, solved without a
// delay in the loop): its states are the integrators' memories, which keep
// their meaning when the coefficients move, so modulation does not disturb it.
void PeakingEq::filterSpan(float* left, float* right, int frames, const Coefs& from,
                           const Coefs& to) noexcept {
    const double stepG = (to.g - from.g) / frames;
    const double stepK = (to.k - from.k) / frames;
    const double stepM1 = (to.m1 - from.m1) / frames;
    const bool moving = stepG != 0.0 || stepK != 0.0 || stepM1 != 0.0;
    Coefs c = from;
    double a1 = 1.0 / (1.0 + c.g * (c.g + c.k));
    for (int n = 0; n < frames; ++n) {
        if (moving) {
            c.g += stepG;
            c.k += stepK;
            c.m1 = n + 1 == frames ? to.m1 : c.m1 + stepM1;
            a1 = 1.0 / (1.0 + c.g * (c.g + c.k));
        }
        const double a2 = c.g * a1;
        const double a3 = c.g * a2;
        float* samples[2] = {left + n, right + n};
        for (int ch = 0; ch < 2; ++ch) {
            State& s = state_[ch];
            const double x = *samples[ch];
            const double v3 = x - s.ic2;
            const double v1 = a1 * s.ic1 + a2 * v3;          // band-pass
            const double v2 = s.ic2 + a2 * s.ic1 + a3 * v3;  // low-pass
            s.ic1 = 2.0 * v1 - s.ic1;
            s.ic2 = 2.0 * v2 - s.ic2;
            *samples[ch] = static_cast<float>(x + c.m1 * v1);
        }
    }
}

}  // namespace luma::dsp
