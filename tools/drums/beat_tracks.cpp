#include "drums/beat_tracks.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>
#include <vector>

#include "drums/drum_voices.h"

namespace luma::drums {
namespace {

struct Hit {
    double beat;  // position within the bar, in beats
    Voice voice;
    double gain;
};

// Gains that sound like a mix: the kick leads, hats sit well below it.
constexpr double kKick = 1.0, kSnare = 0.7, kClap = 0.6, kHat = 0.22, kOpenHat = 0.2, kTom = 0.6;

void eighthHats(std::vector<Hit>& hits, double onBeat, double offBeat) {
    for (int eighth = 0; eighth < 8; ++eighth) {
        hits.push_back({eighth * 0.5, Voice::closedHat, eighth % 2 ? offBeat : onBeat});
    }
}

void kickOnEveryBeat(std::vector<Hit>& hits) {
    for (int beat = 0; beat < 4; ++beat) hits.push_back({double(beat), Voice::kick, kKick});
}

// An amen-like two-bar figure; ghost notes come and go with the seed.
void breakbeatBar(std::vector<Hit>& hits, int bar, VoiceRandom& random) {
    hits.push_back({0.0, Voice::kick, kKick});
    hits.push_back({0.5, Voice::kick, 0.8 * kKick});
    hits.push_back({1.0, Voice::snare, kSnare});
    hits.push_back({3.0, Voice::snare, kSnare});
    if (bar % 2 == 0) {
        hits.push_back({2.5, Voice::kick, 0.9 * kKick});
    } else {
        hits.push_back({2.25, Voice::kick, 0.8 * kKick});
        hits.push_back({2.5, Voice::kick, 0.9 * kKick});
        hits.push_back({3.5, Voice::snare, 0.6 * kSnare});
    }
    for (double ghost : {0.75, 1.75, 2.75, 3.75}) {
        if (random.uniform() < 0.6) hits.push_back({ghost, Voice::ghostSnare, kSnare});
    }
    eighthHats(hits, 0.8 * kHat, kHat);
}

std::vector<Hit> barHits(const BeatTrackRecipe& recipe, int bar, VoiceRandom& random) {
    std::vector<Hit> hits;
    switch (recipe.style) {
        case BeatStyle::fourOnTheFloor:
            kickOnEveryBeat(hits);
            for (double off : {0.5, 1.5, 2.5, 3.5}) hits.push_back({off, Voice::openHat, kOpenHat});
            break;
        case BeatStyle::syncopatedKick:
            for (double kick : {0.0, 1.5, 3.0}) hits.push_back({kick, Voice::kick, kKick});
            hits.push_back({1.0, Voice::snare, kSnare});
            hits.push_back({3.0, Voice::snare, kSnare});
            eighthHats(hits, kHat, 0.7 * kHat);
            break;
        case BeatStyle::breakbeat:
            breakbeatBar(hits, bar, random);
            break;
        case BeatStyle::halfTime:
            hits.push_back({0.0, Voice::kick, kKick});
            if (random.uniform() < 0.4) hits.push_back({2.75, Voice::kick, 0.6 * kKick});
            hits.push_back({2.0, Voice::snare, kSnare});
            eighthHats(hits, kHat, 0.75 * kHat);
            break;
        case BeatStyle::shuffle:
            hits.push_back({0.0, Voice::kick, kKick});
            hits.push_back({bar % 2 ? 2.5 : 2.0, Voice::kick, 0.9 * kKick});
            hits.push_back({1.0, Voice::snare, kSnare});
            hits.push_back({3.0, Voice::snare, kSnare});
            eighthHats(hits, 1.2 * kHat, kHat);
            break;
        case BeatStyle::sparseIntro:
            if (bar >= 4) eighthHats(hits, 0.7 * kHat, kHat);
            if (bar >= 8) {
                kickOnEveryBeat(hits);
                hits.push_back({1.0, Voice::clap, kClap});
                hits.push_back({3.0, Voice::clap, kClap});
            }
            break;
        case BeatStyle::tripletHats:
            kickOnEveryBeat(hits);
            for (int third = 0; third < 12; ++third) {
                hits.push_back({third / 3.0, Voice::closedHat, third % 3 ? 2.2 * kHat : 3 * kHat});
            }
            break;
        case BeatStyle::dottedAccents:
            kickOnEveryBeat(hits);
            // Accents every one and a half beats, so the figure realigns each third bar.
            for (int m = static_cast<int>(std::ceil(bar * 4 / 1.5)); m * 1.5 < bar * 4 + 4; ++m) {
                hits.push_back({m * 1.5 - bar * 4, Voice::tom, kTom});
                hits.push_back({m * 1.5 - bar * 4, Voice::clap, 0.8 * kClap});
            }
            eighthHats(hits, 0.6 * kHat, 0.6 * kHat);
            break;
        case BeatStyle::dottedEighths:
            hits.push_back({0.0, Voice::kick, kKick});
            hits.push_back({2.0, Voice::kick, kKick});
            hits.push_back({1.0, Voice::snare, kSnare});
            hits.push_back({3.0, Voice::snare, kSnare});
            // Every three sixteenths, so the figure realigns with the bar every third bar.
            for (int m = bar * 16 / 3 + (bar * 16 % 3 != 0); m * 3 < bar * 16 + 16; ++m) {
                hits.push_back({m * 0.75 - bar * 4, Voice::tom, 1.3 * kTom});
            }
            eighthHats(hits, 0.6 * kHat, 0.6 * kHat);
            break;
        case BeatStyle::bassLed:
            break;  // all tonal: see addBassLed
        case BeatStyle::denseSyncopated:
            for (double kick : {0.0, 0.75, 2.0, 2.75}) hits.push_back({kick, Voice::kick, kKick});
            hits.push_back({1.25, Voice::snare, 0.8 * kSnare});
            hits.push_back({1.5, Voice::snare, kSnare});
            hits.push_back({3.0, Voice::clap, 0.5 * kClap});
            hits.push_back({3.5, Voice::snare, kSnare});
            for (double hat : {0.0, 0.75, 1.25, 1.5, 2.0, 2.75, 3.0, 3.5}) {
                hits.push_back({hat, Voice::closedHat, kHat});
            }
            if (random.uniform() < 0.5) hits.push_back({2.25, Voice::ghostSnare, kSnare});
            break;
        case BeatStyle::offbeatClaps:
            kickOnEveryBeat(hits);
            for (double off : {0.5, 1.5, 2.5, 3.5}) hits.push_back({off, Voice::clap, kClap});
            for (int sixteenth = 0; sixteenth < 16; ++sixteenth) {
                hits.push_back(
                    {sixteenth * 0.25, Voice::closedHat, sixteenth % 2 ? 0.6 * kHat : kHat});
            }
            break;
        case BeatStyle::drumAndBass:
            hits.push_back({0.0, Voice::kick, kKick});
            hits.push_back({2.5, Voice::kick, kKick});
            hits.push_back({1.0, Voice::snare, kSnare});
            hits.push_back({3.0, Voice::snare, kSnare});
            if (random.uniform() < 0.5) hits.push_back({3.75, Voice::ghostSnare, kSnare});
            if (random.uniform() < 0.3) hits.push_back({1.75, Voice::kick, 0.6 * kKick});
            eighthHats(hits, kHat, 0.8 * kHat);
            break;
    }
    return hits;
}

// Off-beat eighths move towards the last triplet, sixteenths by half as much.
double swung(double beat, double swing) {
    const double fraction = beat - std::floor(beat);
    if (std::abs(fraction - 0.5) < 1e-9) return beat + swing / 6.0;
    if (std::abs(fraction - 0.25) < 1e-9 || std::abs(fraction - 0.75) < 1e-9) {
        return beat + swing / 12.0;
    }
    return beat;
}

void addBassline(std::vector<float>& mono, int rate, double beatSeconds, double start, int bars,
                 VoiceRandom& random) {
    static const std::vector<std::vector<double>> rhythms = {
        {0.5, 1.5, 2.5, 3.5}, {0.0, 0.75, 1.5, 2.5, 3.0}, {0.0, 2.0}};
    const auto& rhythm = rhythms[static_cast<size_t>(random.uniform() * rhythms.size())];
    const double scale[] = {0, 3, 5, 7, 10};
    for (int bar = 0; bar < bars; ++bar) {
        const double root = 41.2 * std::pow(2.0, scale[bar % 5] / 12.0);
        for (size_t i = 0; i < rhythm.size(); ++i) {
            const double next = i + 1 < rhythm.size() ? rhythm[i + 1] : 4.0 + rhythm[0];
            const double at = start + (bar * 4 + rhythm[i]) * beatSeconds;
            addBassNote(mono, std::llround(at * rate), rate, root,
                        0.85 * (next - rhythm[i]) * beatSeconds, 0.35);
        }
    }
}

void addPad(std::vector<float>& mono, int rate, double beatSeconds, double start, int bars) {
    const double roots[] = {220.0, 174.6, 196.0, 164.8};
    for (int bar = 0; bar < bars; bar += 2) {
        const double at = start + bar * 4 * beatSeconds;
        addPadChord(mono, std::llround(at * rate), rate, roots[(bar / 2) % 4], 8 * beatSeconds,
                    0.12);
    }
}

// A chord of held sawtooths from `low` upwards, a minor triad with the root doubled an octave down.
void addHeldChord(std::vector<float>& mono, int rate, double at, double low, double seconds,
                  double gain, double attack, double detune = 0.002) {
    for (double ratio : {0.5, 1.0, 1.1892, 1.4983}) {
        addHeldNote(mono, std::llround(at * rate), rate,
                    {.hz = low * ratio,
                     .seconds = seconds,
                     .gain = gain,
                     .detune = detune,
                     .attack = attack});
    }
}

double rms(const std::vector<float>& x) {
    double sum = 0.0;
    for (float s : x) sum += double(s) * s;
    return std::sqrt(sum / double(std::max<size_t>(1, x.size())));
}

// Held bass and low chords, a new one every two bars, and an eighth-note figure
// 8 dB below them in the band where the ear finds the pulse.
void addBassLed(std::vector<float>& mono, int rate, double beatSeconds, double start, int bars,
                VoiceRandom& random) {
    const double roots[] = {110.0, 87.3, 98.0, 130.8};
    const int first = static_cast<int>(random.uniform() * 4);
    for (int bar = 0; bar < bars; bar += 2) {
        const double root = roots[(first + bar / 2) % 4];
        // Each chord's partials beat at their own rates: sustained tones waver, not pulse.
        addHeldChord(mono, rate, start + bar * 4 * beatSeconds, root, 8 * beatSeconds, 0.1, 0.02,
                     random.between(0.001, 0.006));
    }
    std::vector<float> figure(mono.size());
    const double steps[] = {1.0, 1.5, 2.0, 1.5, 1.1892, 1.5, 2.0, 2.378};
    for (int bar = 0; bar < bars; ++bar) {
        const double root = 4 * roots[(first + bar / 2) % 4];
        for (int eighth = 0; eighth < 8; ++eighth) {
            const double at = start + (bar * 4 + eighth * 0.5) * beatSeconds;
            addPluck(figure, std::llround(at * rate), rate, root * steps[eighth], 0.12,
                     eighth % 2 ? 0.8 : 1.0);
        }
    }
    const double scale = rms(mono) / std::max(1e-9, rms(figure)) * std::pow(10.0, -8.0 / 20);
    for (size_t i = 0; i < mono.size(); ++i) mono[i] += static_cast<float>(scale * figure[i]);
}

// A chord every four beats, struck rather than swelling: the harmonic rhythm.
void addChordsEveryBar(std::vector<float>& mono, int rate, double beatSeconds, double start,
                       int bars) {
    const double roots[] = {220.0, 174.6, 196.0, 164.8};
    for (int bar = 0; bar < bars; ++bar) {
        addHeldChord(mono, rate, start + bar * 4 * beatSeconds, roots[bar % 4], 4 * beatSeconds,
                     0.04, 0.01);
    }
}

void addNoise(std::vector<float>& mono, double snrDb, VoiceRandom& random) {
    double power = 0.0;
    for (float s : mono) power += double(s) * s;
    const double rms = std::sqrt(power / std::max<size_t>(1, mono.size()));
    const double noiseRms = rms * std::pow(10.0, -snrDb / 20.0);
    const double uniformToRms = noiseRms * std::sqrt(3.0);  // uniform [-1, 1) has rms 1/sqrt(3)
    for (float& s : mono) s += static_cast<float>(uniformToRms * (2.0 * random.uniform() - 1.0));
}

}  // namespace

BeatTrack normalised(const std::vector<float>& mono, int rate, int channels);

const char* styleName(BeatStyle style) {
    // In the order of BeatStyle.
    static constexpr const char* kNames[] = {
        "four-on-floor", "syncopated",   "breakbeat",    "half-time",      "shuffle",
        "sparse-intro",  "triplet-hats", "dotted",       "dotted-eighths", "drum-n-bass",
        "bass-led",      "dense-synco",  "offbeat-claps"};
    const auto index = static_cast<size_t>(style);
    return index < std::size(kNames) ? kNames[index] : "?";
}

void drawArrangement(BeatTrackRecipe& recipe, VoiceRandom& random, bool mayHaveBassline) {
    recipe.bassline = mayHaveBassline && random.uniform() < 0.5;
    recipe.pad = random.uniform() < 0.3;
    if (random.uniform() < 0.2) recipe.swing = random.between(0.2, 0.5);
    const double noise = random.uniform();
    if (noise < 0.15) {
        recipe.snrDb = 6;
    } else if (noise < 0.35) {
        recipe.snrDb = 15;
    }
}

BeatTrack renderBeatTrack(const BeatTrackRecipe& recipe) {
    VoiceRandom random(recipe.seed);
    const DrumKit kit = DrumKit::random(random);
    const int rate = recipe.rate;
    const double beatSeconds = 60.0 / recipe.bpm;
    const double start = random.between(0.05, 0.6);
    const double swing =
        recipe.style == BeatStyle::shuffle && recipe.swing == 0.0 ? 0.6 : recipe.swing;
    std::vector<float> mono(static_cast<size_t>(std::max(0.0, recipe.seconds) * rate));

    const int bars = static_cast<int>(std::ceil(recipe.seconds / (4 * beatSeconds))) + 1;
    for (int bar = 0; bar < bars; ++bar) {
        for (const Hit& hit : barHits(recipe, bar, random)) {
            const double jitter = std::clamp(random.gaussian() * 0.0015, -0.004, 0.004);
            const double at = start + (bar * 4 + swung(hit.beat, swing)) * beatSeconds + jitter;
            const double gain = hit.gain * random.between(0.88, 1.0);
            addVoice(mono, std::llround(at * rate), rate, hit.voice, gain, kit, random);
        }
    }
    if (recipe.style == BeatStyle::bassLed)
        addBassLed(mono, rate, beatSeconds, start, bars, random);
    if (recipe.style == BeatStyle::offbeatClaps) {
        addChordsEveryBar(mono, rate, beatSeconds, start, bars);
    }
    if (recipe.bassline) addBassline(mono, rate, beatSeconds, start, bars, random);
    if (recipe.pad || recipe.style == BeatStyle::sparseIntro) {
        addPad(mono, rate, beatSeconds, start, bars);
    }
    if (std::isfinite(recipe.snrDb)) addNoise(mono, recipe.snrDb, random);
    BeatTrack track = normalised(mono, rate, recipe.channels);
    track.firstBeatSeconds = start;
    return track;
}

BeatTrack normalised(const std::vector<float>& mono, int rate, int channels) {
    float peak = 0.0f;
    for (float s : mono) peak = std::max(peak, std::abs(s));
    const float scale = peak > 0.0f ? 0.9f / peak : 0.0f;

    BeatTrack signal;
    signal.rate = rate;
    signal.channels = std::max(1, channels);
    signal.samples.resize(mono.size() * signal.channels);
    for (size_t f = 0; f < mono.size(); ++f) {
        for (int ch = 0; ch < signal.channels; ++ch) {
            signal.samples[f * signal.channels + ch] = mono[f] * scale;
        }
    }
    return signal;
}

const char* textureName(Texture texture) {
    static constexpr const char* kNames[] = {"saw chord", "organ chord", "tremolo chord",
                                             "pads",      "drone",       "glissando",
                                             "noise",     "random hits"};
    const auto index = static_cast<size_t>(texture);
    return index < std::size(kNames) ? kNames[index] : "?";
}

BeatTrack renderTexture(Texture texture, double seconds, uint32_t seed, int rate) {
    VoiceRandom random(seed);
    std::vector<float> mono(static_cast<size_t>(std::max(0.0, seconds) * rate));
    const double root = random.between(90, 260);
    const double detune = random.between(0.0005, 0.004);
    auto chord = [&](Wave wave, double tremoloHz, double depth) {
        for (double ratio : {0.5, 1.0, 1.26, 1.5, 2.0}) {
            addHeldNote(mono, 0, rate,
                        {.hz = root * ratio,
                         .seconds = seconds,
                         .gain = 0.1,
                         .wave = wave,
                         .detune = detune,
                         .attack = 0.05,
                         .tremoloHz = tremoloHz,
                         .depth = depth});
        }
    };
    switch (texture) {
        case Texture::sawChord:
            chord(Wave::saw, 0, 0);
            break;
        case Texture::organChord:
            chord(Wave::square, 0, 0);
            break;
        case Texture::tremoloChord:
            chord(random.uniform() < 0.5 ? Wave::saw : Wave::square, random.between(3, 8),
                  random.between(0.4, 0.9));
            break;
        case Texture::pads:
            for (double at = 0; at < seconds;) {
                const double length = random.between(3, 9);
                addPadChord(mono, std::llround(at * rate), rate, root * random.between(0.8, 1.6),
                            length + 0.8, 0.15);
                at += length;
            }
            break;
        case Texture::drone:
            for (double ratio : {0.25, 0.375, 0.5}) {
                addHeldNote(mono, 0, rate,
                            {.hz = root * ratio,
                             .seconds = seconds,
                             .gain = 0.2,
                             .detune = detune,
                             .attack = 1.0});
            }
            break;
        case Texture::glissando: {
            // The pitch wanders along a sum of slow sines of unrelated periods.
            const double periods[] = {random.between(3, 7), random.between(7, 13),
                                      random.between(13, 23)};
            double phase = 0.0;
            for (size_t n = 0; n < mono.size(); ++n) {
                const double t = double(n) / rate;
                double octaves = 0.0;
                for (double p : periods) octaves += std::sin(2 * std::numbers::pi * t / p + p);
                phase += root * std::pow(2.0, 0.8 * octaves) / rate;
                phase -= std::floor(phase);
                mono[n] += static_cast<float>(0.2 * (std::sin(2 * std::numbers::pi * phase) +
                                                     0.3 * std::sin(4 * std::numbers::pi * phase)));
            }
            break;
        }
        case Texture::noise: {
            const double swell = random.between(5, 15);
            for (size_t n = 0; n < mono.size(); ++n) {
                const double t = double(n) / rate;
                mono[n] =
                    static_cast<float>((0.6 + 0.4 * std::sin(2 * std::numbers::pi * t / swell)) *
                                       (2 * random.uniform() - 1));
            }
            break;
        }
        case Texture::randomHits: {
            const DrumKit kit = DrumKit::random(random);
            const Voice voices[] = {Voice::kick, Voice::snare, Voice::tom, Voice::clap};
            for (double at = random.between(0, 1); at < seconds;
                 at += -0.7 * std::log(1 - random.uniform()) + 0.05) {
                addVoice(mono, std::llround(at * rate), rate, voices[size_t(random.uniform() * 4)],
                         random.between(0.5, 1), kit, random);
            }
            break;
        }
    }
    return normalised(mono, rate, 1);
}

}  // namespace luma::drums
