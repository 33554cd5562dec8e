// Shared by the decoder tests: the formats under test and small readers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "decode/decoder.h"
#include "support/audio_files.h"
#include "support/temp_dir.h"

namespace luma::test {

using Writer = bool (*)(const std::string&, const Signal&);

struct StreamFormat {
    const char* name;
    Writer write;
    int rate;  // the material is written at this rate
    bool lossless;
    bool wide;              // carries more than 16 bits
    int64_t lengthQuantum;  // 0: decodes to the written length; else a whole number of these
    double toneHz;          // what a 440 Hz source decodes to
};

inline void PrintTo(const StreamFormat& format, std::ostream* out) {
    *out << format.name;
}

inline const std::vector<StreamFormat>& streamFormats() {
    static const std::vector<StreamFormat> formats = {
        {"wav16", writeWav16, 44100, true, false, 0, 440},
        {"wav24", writeWav24, 44100, true, true, 0, 440},
        {"wavfloat", writeWavFloat, 44100, true, true, 0, 440},
        {"aiff", writeAiff, 44100, true, false, 0, 440},
        {"flac", writeFlac, 44100, true, false, 0, 440},
        {"vorbis", writeOggVorbis, 44100, false, false, 0, 440},
        {"opus", writeOpus, 48000, false, false, 0, 440},
        {"mp3", [](const std::string& p, const Signal& s) { return writeMp3(p, s); }, 44100, false,
         false, 0, 440},
        {"mp2", [](const std::string& p, const Signal& s) { return writeMp2(p, s); }, 44100, false,
         false, 1152, 440},
        // Our Layer I writer puts a fixed tone in one subband, whatever the signal.
        {"mp1", writeMp1, 48000, false, false, 384, 1875},
    };
    return formats;
}

inline std::string formatName(const testing::TestParamInfo<StreamFormat>& info) {
    return info.param.name;
}

// Reads everything in deliberately uneven pieces, so chunk edges get crossed.
template <typename Sample>
std::vector<Sample> readAll(Decoder& decoder) {
    const int channels = decoder.info().channels;
    std::vector<Sample> all;
    std::vector<Sample> piece(1237 * channels);
    while (const int64_t got = decoder.read(piece.data(), 1237)) {
        all.insert(all.end(), piece.begin(), piece.begin() + got * channels);
    }
    return all;
}

template <typename Sample>
std::vector<Sample> readFrames(Decoder& decoder, int64_t frames) {
    std::vector<Sample> out(frames * decoder.info().channels);
    out.resize(decoder.read(out.data(), frames) * decoder.info().channels);
    return out;
}

template <typename Sample>
bool isSilent(const std::vector<Sample>& samples, size_t from, size_t to) {
    return std::all_of(samples.begin() + from, samples.begin() + to,
                       [](Sample s) { return s == Sample{}; });
}

inline void truncateFile(const std::string& path, double keptFraction) {
    const auto size = std::filesystem::file_size(path);
    std::filesystem::resize_file(path, static_cast<uintmax_t>(double(size) * keptFraction));
}

}  // namespace luma::test
