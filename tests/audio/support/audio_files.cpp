#include "support/audio_files.h"

#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>

namespace luma::test {
namespace {

bool writeWithSndfile(const std::string& path, const Signal& signal, int format) {
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

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

// Runs a shell command; true on exit status 0. Output goes to stderr.
bool runCommand(const std::string& command) {
    const int status = std::system(("(" + command + ") 1>&2").c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The encoder tools read a 16-bit WAV written next to their output.
template <typename MakeCommand>
bool encodeWithTool(const std::string& path, const Signal& signal, MakeCommand makeCommand) {
    const std::string source = path + ".source.wav";
    bool ok = writeWav16(source, signal);
    if (ok) ok = runCommand(makeCommand(quoted(source), quoted(path)));
    std::filesystem::remove(source);
    return ok;
}

}  // namespace

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
    return writeWithSndfile(path, signal, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
}

bool writeWavFloat(const std::string& path, const Signal& signal) {
    return writeWithSndfile(path, signal, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
}

bool writeWav24(const std::string& path, const Signal& signal) {
    return writeWithSndfile(path, signal, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
}

bool writeAiff(const std::string& path, const Signal& signal) {
    return writeWithSndfile(path, signal, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
}

bool writeFlac(const std::string& path, const Signal& signal) {
    return writeWithSndfile(path, signal, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
}

bool writeOggVorbis(const std::string& path, const Signal& signal) {
    return writeWithSndfile(path, signal, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
}

// opusenc rather than libsndfile, which writes Opus only at Opus's own rates
// (48000 Hz and its divisors); opusenc resamples 44100 Hz material.
bool writeOpus(const std::string& path, const Signal& signal) {
    return encodeWithTool(path, signal, [](const std::string& in, const std::string& out) {
        return "opusenc --quiet --bitrate 128 " + in + " " + out;
    });
}

bool writeMp3(const std::string& path, const Signal& signal, int kbps) {
    // Pinning the rate stops lame resampling low bitrates; its Info tag stays on.
    const std::string options = "--quiet --noreplaygain --resample " +
                                std::to_string(signal.rate / 1000.0) + " -b " +
                                std::to_string(kbps);
    return encodeWithTool(path, signal, [&](const std::string& in, const std::string& out) {
        return "lame " + options + " " + in + " " + out;
    });
}

bool writeMp2(const std::string& path, const Signal& signal) {
    const std::string options = signal.channels == 1 ? "--quiet -b 192 -m m" : "--quiet -b 192";
    return encodeWithTool(path, signal, [&](const std::string& in, const std::string& out) {
        return "twolame " + options + " " + in + " " + out;
    });
}

const std::vector<StreamFormat>& streamFormats() {
    static const std::vector<StreamFormat> formats = {
        {"wav16", writeWav16, 44100, true, false, 0, 0},
        {"wav24", writeWav24, 44100, true, true, 0, 0},
        {"wavfloat", writeWavFloat, 44100, true, true, 0, 0},
        {"aiff", writeAiff, 44100, true, false, 0, 0},
        {"flac", writeFlac, 44100, true, false, 0, 0},
        {"vorbis", writeOggVorbis, 44100, false, false, 0, 0},
        {"opus", writeOpus, 48000, false, false, 0, 0},
        {"mp3", [](const std::string& p, const Signal& s) { return writeMp3(p, s); }, 44100, false,
         false, 0, 0},
        {"mp2", writeMp2, 44100, false, false, 1152, 0},
        {"mp1", writeMp1, 48000, false, false, 384, 1875},
    };
    return formats;
}

}  // namespace luma::test
