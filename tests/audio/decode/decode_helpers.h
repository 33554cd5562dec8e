// Shared by the decoder tests: small readers, and a file cut short.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "decode/decoder.h"
#include "support/audio_files.h"

namespace luma::test {

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

// Whether any of the last `count` samples sounds.
template <typename Sample>
bool endSounds(const std::vector<Sample>& samples, size_t count) {
    return std::any_of(samples.end() - count, samples.end(), [](Sample s) { return s != 0; });
}

inline void truncateFile(const std::string& path, double keptFraction) {
    const auto size = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::resize_file(path, static_cast<uintmax_t>(size * keptFraction));
}

}  // namespace luma::test
