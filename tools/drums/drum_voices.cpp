#include "drums/drum_voices.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace luma::drums {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// RBJ biquad high-pass, enough to turn white noise into a hat or a snare's rattle.
class HighPass {
  public:
    HighPass(double cornerHz, int rate) {
        const double w = kTwoPi * std::min(cornerHz, 0.45 * rate) / rate;  // stable at low rates
        const double alpha = std::sin(w) / std::numbers::sqrt2;            // Q = 1/sqrt(2)
        const double a0 = 1.0 + alpha;
        b0_ = (1.0 + std::cos(w)) / 2.0 / a0;
        b1_ = -(1.0 + std::cos(w)) / a0;
        b2_ = b0_;
        a1_ = -2.0 * std::cos(w) / a0;
        a2_ = (1.0 - alpha) / a0;
    }
    double operator()(double x) {
        const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_, x1_ = x, y2_ = y1_, y1_ = y;
        return y;
    }

  private:
    double b0_, b1_, b2_, a1_, a2_;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

void add(std::vector<float>& out, int64_t index, double value) {
    if (index >= 0 && index < static_cast<int64_t>(out.size())) {
        out[index] += static_cast<float>(value);
    }
}

// A pitch sweep down to `lowHz`: the body of kicks and toms.
void addSweptSine(std::vector<float>& out, int64_t start, int rate, double highHz, double lowHz,
                  double sweep, double decay, double gain) {
    const auto length = static_cast<int64_t>(decay * 6.0 * rate);
    double phase = 0.0;
    for (int64_t n = 0; n < length; ++n) {
        const double t = double(n) / rate;
        const double hz = lowHz + (highHz - lowHz) * std::exp(-t / sweep);
        phase += kTwoPi * hz / rate;
        const double attack = 1.0 - std::exp(-t / 0.0007);
        add(out, start + n, gain * attack * std::exp(-t / decay) * std::sin(phase));
    }
}

void addNoiseBurst(std::vector<float>& out, int64_t start, int rate, double cornerHz, double decay,
                   double gain, VoiceRandom& random) {
    HighPass filter(cornerHz, rate);
    const auto length = static_cast<int64_t>(decay * 7.0 * rate);
    for (int64_t n = 0; n < length; ++n) {
        const double t = double(n) / rate;
        const double noise = 2.0 * random.uniform() - 1.0;
        add(out, start + n, gain * std::exp(-t / decay) * filter(noise));
    }
}

}  // namespace

double VoiceRandom::uniform() {
    // splitmix64: tiny, fast and the same everywhere.
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return double(z >> 11) * 0x1.0p-53;
}

double VoiceRandom::gaussian() {
    const double u = std::max(uniform(), 1e-12);
    return std::sqrt(-2.0 * std::log(u)) * std::cos(kTwoPi * uniform());
}

DrumKit DrumKit::random(VoiceRandom& random) {
    DrumKit kit;
    kit.kickHighHz = random.between(110, 170);
    kit.kickLowHz = random.between(42, 62);
    kit.kickDecay = random.between(0.15, 0.3);
    kit.snareToneHz = random.between(170, 230);
    kit.hatCornerHz = random.between(6000, 9000);
    kit.tomHz = random.between(90, 160);
    return kit;
}

void addVoice(std::vector<float>& out, int64_t start, int rate, Voice voice, double gain,
              const DrumKit& kit, VoiceRandom& random) {
    switch (voice) {
        case Voice::kick:
            addSweptSine(out, start, rate, kit.kickHighHz, kit.kickLowHz, 0.03, kit.kickDecay,
                         gain);
            addNoiseBurst(out, start, rate, 2000, 0.002, 0.25 * gain, random);  // beater click
            break;
        case Voice::snare:
        case Voice::ghostSnare: {
            const double level = voice == Voice::snare ? gain : 0.25 * gain;
            addSweptSine(out, start, rate, kit.snareToneHz * 1.3, kit.snareToneHz, 0.01, 0.06,
                         0.5 * level);
            addNoiseBurst(out, start, rate, 1200, 0.09, 0.9 * level, random);
            break;
        }
        case Voice::closedHat:
            addNoiseBurst(out, start, rate, kit.hatCornerHz, 0.025, gain, random);
            break;
        case Voice::openHat:
            addNoiseBurst(out, start, rate, kit.hatCornerHz, 0.18, 0.8 * gain, random);
            break;
        case Voice::clap:
            // A few quick bursts smeared over 20 ms, as hands never meet at once.
            for (int burst = 0; burst < 3; ++burst) {
                addNoiseBurst(out, start + burst * rate / 110, rate, 900, 0.008, 0.6 * gain,
                              random);
            }
            addNoiseBurst(out, start + 3 * rate / 110, rate, 900, 0.07, 0.7 * gain, random);
            break;
        case Voice::tom:
            addSweptSine(out, start, rate, kit.tomHz * 1.4, kit.tomHz, 0.02, 0.16, gain);
            break;
    }
}

void addBassNote(std::vector<float>& out, int64_t start, int rate, double hz, double seconds,
                 double gain) {
    const auto length = static_cast<int64_t>(seconds * rate);
    const auto release = std::max<int64_t>(1, rate / 100);
    for (int64_t n = 0; n < length; ++n) {
        const double t = double(n) / rate;
        double value = 0.0;
        for (int harmonic = 1; harmonic <= 4; ++harmonic) {
            value += std::sin(kTwoPi * hz * harmonic * t) / (harmonic * harmonic);
        }
        const double attack = 1.0 - std::exp(-t / 0.004);
        const double tail = std::min<double>(1.0, double(length - n) / release);
        add(out, start + n, gain * attack * tail * (0.4 + 0.6 * std::exp(-t / 0.15)) * value);
    }
}

void addPadChord(std::vector<float>& out, int64_t start, int rate, double hz, double seconds,
                 double gain) {
    const double ratios[] = {1.0, 1.1892, 1.4983};  // root, minor third, fifth
    const auto length = static_cast<int64_t>(seconds * rate);
    for (int64_t n = 0; n < length; ++n) {
        const double t = double(n) / rate;
        const double envelope = std::min(1.0, t / 0.4) * std::min(1.0, (seconds - t) / 0.4);
        double value = 0.0;
        for (double ratio : ratios) {
            for (int harmonic = 1; harmonic <= 3; ++harmonic) {
                value += std::sin(kTwoPi * hz * ratio * harmonic * t * (1.0 + 0.002 * harmonic)) /
                         harmonic;
            }
        }
        add(out, start + n, gain * envelope * value / 3.0);
    }
}

void addHeldNote(std::vector<float>& out, int64_t start, int rate, const HeldNote& note) {
    const auto length = static_cast<int64_t>(note.seconds * rate);
    const double steps[2] = {note.hz * (1 + note.detune) / rate,
                             note.hz * (1 - note.detune) / rate};
    double phases[2] = {0.0, 0.37};
    for (int64_t n = 0; n < length; ++n) {
        const double t = double(n) / rate;
        double value = 0.0;
        for (int v = 0; v < 2; ++v) {
            phases[v] += steps[v];
            phases[v] -= std::floor(phases[v]);
            value += note.wave == Wave::saw ? 2 * phases[v] - 1 : (phases[v] < 0.5 ? 1 : -1);
        }
        const double envelope = std::min(1.0, t / note.attack) *
                                std::min(1.0, (note.seconds - t) / std::max(note.attack, 0.01));
        const double tremolo =
            note.tremoloHz > 0 ? 1 - note.depth * 0.5 * (1 - std::cos(kTwoPi * note.tremoloHz * t))
                               : 1.0;
        add(out, start + n, note.gain * 0.5 * envelope * tremolo * value);
    }
}

void addPluck(std::vector<float>& out, int64_t start, int rate, double hz, double decay,
              double gain) {
    const auto length = static_cast<int64_t>(decay * 6 * rate);
    for (int64_t n = 0; n < length; ++n) {
        const double t = double(n) / rate;
        const double attack = 1.0 - std::exp(-t / 0.002);
        add(out, start + n,
            gain * attack * std::exp(-t / decay) *
                (std::sin(kTwoPi * hz * t) + 0.4 * std::sin(kTwoPi * 2 * hz * t)));
    }
}

}  // namespace luma::drums
