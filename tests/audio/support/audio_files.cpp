#include "support/audio_files.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

namespace luma::test {

bool writeSoundFile(const std::string& path, const Signal& signal, int format) {
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

Signal makeSine(double hz, double seconds, int rate, int channels, double amplitude) {
    Signal signal;
    signal.rate = rate;
    signal.channels = channels;
    const auto frames = static_cast<int64_t>(std::llround(seconds * rate));
    signal.samples.resize(static_cast<size_t>(frames * channels));
    for (int64_t f = 0; f < frames; ++f) {
        const double value = amplitude * std::sin(2.0 * std::numbers::pi * hz * double(f) / rate);
        for (int ch = 0; ch < channels; ++ch) {
            signal.samples[f * channels + ch] = static_cast<float>(value);
        }
    }
    return signal;
}

bool writeWav16(const std::string& path, const Signal& signal) {
    return writeSoundFile(path, signal, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
}

std::string fixture(const std::string& name) {
    return std::string(LUMA_TEST_DATA) + "/" + name;
}

Signal StreamFormat::tone(int channels) const {
    // Stereo written at test time is longer: Vorbis then fills enough pages to cut.
    const double seconds = channels == 1 ? 1.0 : sndfileFormat ? 6.0 : 2.0;
    Signal signal = makeSine(440, seconds, rate, channels);
    const double frames = static_cast<double>(signal.frames());
    for (size_t i = 0; i < signal.samples.size(); ++i) {
        signal.samples[i] *= static_cast<float>(0.7 + 0.3 * double(i / channels) / frames);
    }
    return signal;
}

std::string StreamFormat::toneFile(const TempDir& dir, int channels) const {
    const std::string base = channels == 2 ? "tone." : "mono.";
    if (sndfileFormat == 0) return fixture(base + name);
    const std::string path = dir.file(base + name);
    return writeSoundFile(path, tone(channels), sndfileFormat) ? path : "";
}

const std::vector<StreamFormat>& streamFormats() {
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

const StreamFormat& streamFormat(const std::string& name) {
    for (const StreamFormat& format : streamFormats()) {
        if (name == format.name) return format;
    }
    std::abort();
}

}  // namespace luma::test
