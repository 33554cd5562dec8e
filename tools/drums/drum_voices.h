// Synthesised drum and instrument voices for the beat tracks: each adds one
// hit into a mono buffer, shaped from a seeded generator so a track is
// reproducible to the sample.
#pragma once

#include <cstdint>
#include <vector>

namespace luma::drums {

// A small deterministic generator (the same numbers on every standard library).
class VoiceRandom {
  public:
    explicit VoiceRandom(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    double uniform();  // [0, 1)
    double between(double a, double b) { return a + (b - a) * uniform(); }
    double gaussian();  // mean 0, deviation 1
  private:
    uint64_t state_;
};

enum class Voice { kick, snare, ghostSnare, closedHat, openHat, clap, tom };

// The sound of one kit, drawn once per track so tracks differ a little.
struct DrumKit {
    double kickHighHz = 140, kickLowHz = 50, kickDecay = 0.25;
    double snareToneHz = 190;
    double hatCornerHz = 7000;
    double tomHz = 110;
    static DrumKit random(VoiceRandom& random);
};

// Adds `voice` at sample `start` with `gain` into `out` (samples past the end are dropped).
void addVoice(std::vector<float>& out, int64_t start, int rate, Voice voice, double gain,
              const DrumKit& kit, VoiceRandom& random);

// A bass note of `seconds` at `hz`: a few harmonics with a plucked envelope.
void addBassNote(std::vector<float>& out, int64_t start, int rate, double hz, double seconds,
                 double gain);

// A soft chord of `seconds` (slow attack and release) over `hz` in a minor triad.
void addPadChord(std::vector<float>& out, int64_t start, int rate, double hz, double seconds,
                 double gain);

enum class Wave { saw, square };

// A held note: two oscillators `detune` (a ratio, e.g. 0.002) either side of `hz`, so its
// partials beat as an ensemble's do; `tremoloHz` > 0 swells it that often, to `depth`.
struct HeldNote {
    double hz = 110, seconds = 1, gain = 0.1;
    Wave wave = Wave::saw;
    double detune = 0.002, attack = 0.01;
    double tremoloHz = 0.0, depth = 0.0;
};
void addHeldNote(std::vector<float>& out, int64_t start, int rate, const HeldNote& note);

// A short plucked tone: a sine and its octave, decaying over about `decay` seconds.
void addPluck(std::vector<float>& out, int64_t start, int rate, double hz, double decay,
              double gain);

}  // namespace luma::drums
