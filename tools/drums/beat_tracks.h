// The drum machine: dance tracks with a known tempo, drum patterns of several
// styles played by synthesised voices, with optional bass, pad and noise. The
// demo crate and the tempo tests both come from it.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

namespace luma::drums {

enum class BeatStyle {
    fourOnTheFloor,   // kick on every beat, hat on the off-beats
    syncopatedKick,   // kicks on 1, 2-and and 4, snare on 2 and 4, eighth hats
    breakbeat,        // an amen-like kick/snare figure with ghost notes
    halfTime,         // kick on 1, snare on 3, eighth hats
    shuffle,          // swung hats over kick and snare (swing 0.6 unless the recipe sets one)
    sparseIntro,      // four bars of pad, four of hats alone, then the full beat
    tripletHats,      // kick on every beat under loud hats in triplets
    dottedAccents,    // kick on every beat, loud accents every dotted quarter (3 against 2)
    dottedEighths,    // kick and backbeat under a loud ostinato every dotted eighth (3 against 4)
    drumAndBass,      // two-step: kicks on 1 and 3-and, snare on 2 and 4
    bassLed,          // no drums: held bass and low chords changing every two bars under a
                      // quiet eighth-note figure in 0.5-2.5 kHz
    denseSyncopated,  // one bar of sixteenths accented on 0, 3, 5, 6, 8, 11, 12 and 14
    offbeatClaps,     // kick on every beat, claps on the off-beat eighths, sixteenth hats,
                      // a new chord every four beats
};

const char* styleName(BeatStyle style);

struct BeatTrackRecipe {
    double bpm = 120.0;
    double seconds = 30.0;
    BeatStyle style = BeatStyle::fourOnTheFloor;
    double swing = 0.0;  // 0 straight .. 1 full triplet feel, on off-beat eighths and sixteenths
    double snrDb = std::numeric_limits<double>::infinity();  // white noise against the music
    bool bassline = false;
    bool pad = false;
    uint32_t seed = 1;  // kit, humanisation, fills and noise all follow from it
    int rate = 44100;
    int channels = 2;
};

struct BeatTrack {
    std::vector<float> samples;  // interleaved
    int channels = 2;
    int rate = 44100;
    double firstBeatSeconds = 0.0;  // where the grid the hits are humanised around begins
};

class VoiceRandom;

// Draws a random arrangement around the recipe's style and tempo: a bassline
// (where the style may have one), a pad, swing and noise, as the benchmarks
// and the fitting tool vary them.
void drawArrangement(BeatTrackRecipe& recipe, VoiceRandom& random, bool mayHaveBassline = true);

// Peak-normalised to 0.9. The first beat falls a little after the start, not on sample 0.
BeatTrack renderBeatTrack(const BeatTrackRecipe& recipe);

// Sounds without a beat, which must read as none.
enum class Texture {
    sawChord,      // a held chord of detuned sawtooths: its partials beat
    organChord,    // the same in square waves
    tremoloChord,  // a held chord swelling a few times a second
    pads,          // soft chords changing at irregular times
    drone,         // a low fifth, held
    glissando,     // a tone sliding up and down at no steady rate
    noise,         // hiss swelling and fading slowly
    randomHits,    // drum hits at random times
};
const char* textureName(Texture texture);
BeatTrack renderTexture(Texture texture, double seconds, uint32_t seed, int rate = 44100);

}  // namespace luma::drums
