// Test material: a sine, its 16-bit WAV files, a tone in every stream format the engine reads.
#pragma once

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>
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

// A sine of `hz` at `amplitude` from `phase` on every channel, `seconds` long.
inline Signal makeSine(double hz, double seconds, int rate = 44100, int channels = 2,
                       double amplitude = 0.5, double phase = 0.0) {
    Signal signal;
    signal.rate = rate;
    signal.channels = channels;
    const auto frames = static_cast<int64_t>(std::llround(seconds * rate));
    signal.samples.resize(static_cast<size_t>(frames * channels));
    for (int64_t f = 0; f < frames; ++f) {
        const double value =
            amplitude * std::sin(2.0 * std::numbers::pi * hz * double(f) / rate + phase);
        for (int ch = 0; ch < channels; ++ch) {
            signal.samples[f * channels + ch] = static_cast<float>(value);
        }
    }
    return signal;
}

// Writes `signal` in a libsndfile format (floats kept as they are, NaN and all).
inline bool writeSoundFile(const std::string& path, const Signal& signal, int format) {
    SF_INFO info{};
    info.samplerate = signal.rate;
    info.channels = signal.channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const sf_count_t written = sf_writef_float(file, signal.samples.data(), signal.frames());
    return sf_close(file) == 0 && written == signal.frames();
}
inline bool writeWav16(const std::string& path, const Signal& signal) {
    return writeSoundFile(path, signal, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
}

// A file under tests/data: tone.* and mono.* in the lossy formats, and tune.mod,
// 3 seconds of a square tone on both sides.
inline std::string fixture(const std::string& name) {
    return std::string(LUMA_TEST_DATA) + "/" + name;
}

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
    // 440 Hz rising from 0.35 to 0.5, no two stretches alike: 1 s of mono, 2 s of stereo in a
    // fixture, 6 s (pages enough for Vorbis to cut) written at test time. Layer I came from
    // an encoder of our own: a 1875 Hz tone (subband 2's centre) at each frame's peak.
    Signal tone(int channels = 2) const {
        const double seconds = channels == 1 ? 1.0 : sndfileFormat ? 6.0 : 2.0;
        Signal signal = makeSine(440, seconds, rate, channels);
        const double frames = static_cast<double>(signal.frames());
        for (size_t i = 0; i < signal.samples.size(); ++i) {
            signal.samples[i] *= static_cast<float>(0.7 + 0.3 * double(i / channels) / frames);
        }
        return signal;
    }
    // A file of tone(channels) in this format: written into `dir`, or the fixture.
    std::string toneFile(const TempDir& dir, int channels = 2) const {
        const std::string base = channels == 2 ? "tone." : "mono.";
        if (sndfileFormat == 0) return fixture(base + name);
        const std::string path = dir.file(base + name);
        return writeSoundFile(path, tone(channels), sndfileFormat) ? path : "";
    }
};
inline const std::vector<StreamFormat>& streamFormats() {
    static const std::vector<StreamFormat> formats = {
        {"wav16", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, true, false, 0, 0},
        {"wav24", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, true, true, 0, 0},
        {"wavfloat", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, true, true, 0, 0},
        {"aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, true, false, 0, 0},
        {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, true, false, 0, 0},
        {"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, false, false, 0, 0},
        {"opus", 0, 48000, false, false, 0, 0},    // opusenc --bitrate 96 (48 mono) --max-delay 100
        {"mp3", 0, 44100, false, false, 0, 0},     // lame -b 128 (64 mono), with its Info tag
        {"mp2", 0, 44100, false, false, 1152, 0},  // twolame -b 128 (64 mono)
        {"mp1", 0, 48000, false, false, 384, 1875},
    };
    return formats;
}
inline const StreamFormat& streamFormat(const std::string& name) {
    for (const StreamFormat& format : streamFormats()) {
        if (name == format.name) return format;
    }
    std::abort();
}

}  // namespace luma::test
