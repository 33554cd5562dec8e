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
