// Test material: a sine, 16-bit WAV files of it, and a tone in every stream
// format the engine reads.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace luma::test {

// Interleaved float samples in [-1, 1] with their layout.
struct Signal {
    std::vector<float> samples;
    int channels = 2;
    int rate = 44100;
    int64_t frames() const { return static_cast<int64_t>(samples.size()) / channels; }
};

// A sine of `hz` at `amplitude` on every channel, `seconds` long.
Signal makeSine(double hz, double seconds, int rate = 44100, int channels = 2,
                double amplitude = 0.5);

// Writes `signal` in a libsndfile format (float formats keep the samples as
// they are, NaN and all); false when the file could not be written.
bool writeSoundFile(const std::string& path, const Signal& signal, int format);
bool writeWav16(const std::string& path, const Signal& signal);

// A committed file under tests/data: tone.* and mono.* (formatTone in the
// lossy formats) and tune.mod, a 3-second ProTracker module of a square tone
// on both sides.
std::string fixture(const std::string& name);

// Every stream format the engine reads, with what its files decode to.
struct StreamFormat {
    const char* name;   // also the file's extension
    int sndfileFormat;  // written at test time by libsndfile; 0: a fixture file
    int rate;           // the material's rate
    bool lossless;
    bool wide;              // carries more than 16 bits
    int64_t lengthQuantum;  // 0: decodes to the written length; else a whole number of these
    double fixedToneHz;     // 0: a tone decodes to itself; else always to this one
    double decodedHz(double writtenHz) const { return fixedToneHz ? fixedToneHz : writtenHz; }
    // The material: 440 Hz rising from 0.35 to 0.5, so that no two stretches
    // are alike; 1 s of mono, 2 s of stereo in a fixture and 6 s when written
    // at test time. (Layer I, which no packaged
    // tool writes, was made by a small encoder of our own: each 384-sample
    // frame a tone at the centre of subband 2, 1875 Hz, at the frame's peak.)
    Signal tone(int channels = 2) const;
    // A file of tone(channels) in this format: written into `dir`, or the fixture.
    std::string toneFile(const TempDir& dir, int channels = 2) const;
};
const std::vector<StreamFormat>& streamFormats();
const StreamFormat& streamFormat(const std::string& name);

}  // namespace luma::test
