// Our tempo detector and two published beat trackers, the Queen Mary DSP
// tracker and aubio, each run as it usually is on mono audio, each giving
// beats per minute (0 for no beat).
#pragma once

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "bpm/tempo_detector.h"
#include "dsp/onsets/DetectionFunction.h"
#include "dsp/tempotracking/TempoTrackV2.h"

namespace luma::bench {

inline double tempoFromBeats(std::vector<double> seconds) {
    if (seconds.size() < 3) return 0.0;
    std::vector<double> intervals;
    for (size_t i = 1; i < seconds.size(); ++i) intervals.push_back(seconds[i] - seconds[i - 1]);
    std::nth_element(intervals.begin(), intervals.begin() + intervals.size() / 2, intervals.end());
    const double median = intervals[intervals.size() / 2];
    return median > 0 ? 60.0 / median : 0.0;
}

inline double ours(const std::vector<float>& mono, int rate) {
    luma::TempoDetector detector(rate);
    detector.process(mono.data(), mono.size());
    return detector.tempo();
}

// The Queen Mary tracker as it is usually run: complex-domain onsets at step 512, frame
// 1024, then the beat period path and the beats along it, in detection-function values
// counted from the third (the first two are start-up).
inline constexpr int kQueenMaryStep = 512, kQueenMaryFrame = 1024;

inline std::vector<double> queenMaryBeats(const std::vector<float>& mono, int rate) {
    DFConfig config{};
    config.stepSize = kQueenMaryStep;
    config.frameLength = kQueenMaryFrame;
    config.DFType = DF_COMPLEXSD;
    config.dbRise = 3;
    config.adaptiveWhitening = false;
    config.whiteningRelaxCoeff = -1;
    config.whiteningFloor = -1;
    DetectionFunction detection(config);
    std::vector<double> frame(kQueenMaryFrame), df;
    for (size_t start = 0; start + kQueenMaryStep <= mono.size(); start += kQueenMaryStep) {
        for (int i = 0; i < kQueenMaryFrame; ++i) {
            frame[i] = start + i < mono.size() ? mono[start + i] : 0.0;
        }
        df.push_back(detection.processTimeDomain(frame.data()));
    }
    if (df.size() > 2) df.erase(df.begin(), df.begin() + 2);
    TempoTrackV2 tracker(rate, kQueenMaryStep);
    std::vector<double> beatPeriod(df.size()), tempi, beats;
    tracker.calculateBeatPeriod(df, beatPeriod, tempi);
    tracker.calculateBeats(df, beatPeriod, beats);
    return beats;
}

inline double queenMary(const std::vector<float>& mono, int rate) {
    std::vector<double> beats = queenMaryBeats(mono, rate);
    for (double& beat : beats) beat = beat * kQueenMaryStep / rate;
    return tempoFromBeats(beats);
}

// aubio's own tempo reading is quantised to its hop, so the tempo comes from its beats.
inline double aubio(const std::vector<float>& mono, int rate) {
    constexpr uint_t kWindow = 1024, kHop = 512;
    aubio_tempo_t* tempo = new_aubio_tempo("default", kWindow, kHop, uint_t(rate));
    fvec_t* in = new_fvec(kHop);
    fvec_t* out = new_fvec(1);
    std::vector<double> beats;
    for (size_t start = 0; start + kHop <= mono.size(); start += kHop) {
        for (uint_t i = 0; i < kHop; ++i) in->data[i] = mono[start + i];
        aubio_tempo_do(tempo, in, out);
        if (out->data[0] != 0) beats.push_back(aubio_tempo_get_last_s(tempo));
    }
    del_fvec(in);
    del_fvec(out);
    del_aubio_tempo(tempo);
    return tempoFromBeats(beats);
}

// Accuracy1: within 4 % of the true tempo. Accuracy2: within 4 % of the tempo
// or of its double, half, triple or third.
inline bool near(double estimate, double truth) {
    return std::abs(estimate / truth - 1.0) <= 0.04;
}

inline bool nearRelated(double estimate, double truth) {
    for (double factor : {1.0, 2.0, 0.5, 3.0, 1.0 / 3.0}) {
        if (near(estimate, truth * factor)) return true;
    }
    return false;
}

}  // namespace luma::bench
