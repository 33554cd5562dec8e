#include "decode/mpeg_sync.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

namespace luma {
namespace {

// Where the first frame may start after the tags and padding; real files put
// it at once, while a false header deep inside other data is then ignored.
constexpr size_t kFirstFrameWindow = 4096;
constexpr int kChainLength = 4;
constexpr size_t kLargestFrame = 2881;  // Layer III, MPEG-2.5, 160 kbit/s, 8000 Hz, padded
constexpr size_t kReadAhead = kFirstFrameWindow + (kChainLength + 1) * kLargestFrame;

// kbit/s by [MPEG-1 ? 0 : 1][layer - 1][index]; index 0 (free format) and 15 are invalid.
constexpr int kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
constexpr int kMpeg1Rates[3] = {44100, 48000, 32000};

bool sameStream(const MpegFrameHeader& a, const MpegFrameHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate &&
           a.mono == b.mono;
}

// Bytes taken by ID3v2 tags at `offset`, 0 when there is none.
uint64_t id3v2Size(std::ifstream& file, uint64_t offset) {
    uint8_t header[10];
    file.clear();
    file.seekg(static_cast<std::streamoff>(offset));
    if (!file.read(reinterpret_cast<char*>(header), sizeof header)) return 0;
    if (std::memcmp(header, "ID3", 3) != 0 || header[3] == 0xFF || header[4] == 0xFF) return 0;
    uint64_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (header[i] & 0x80) return 0;  // sizes are 7 bits a byte
        size = (size << 7) | header[i];
    }
    const bool hasFooter = header[5] & 0x10;
    return 10 + size + (hasFooter ? 10 : 0);
}

}  // namespace

std::optional<MpegFrameHeader> parseMpegFrameHeader(const uint8_t* bytes) {
    if (bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) return std::nullopt;
    const int versionBits = (bytes[1] >> 3) & 3;
    const int layerBits = (bytes[1] >> 1) & 3;
    const int bitrateIndex = bytes[2] >> 4;
    const int rateIndex = (bytes[2] >> 2) & 3;
    const int emphasis = bytes[3] & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3 || emphasis == 2) {
        return std::nullopt;
    }
    MpegFrameHeader header;
    header.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
    header.layer = 4 - layerBits;
    header.sampleRate = kMpeg1Rates[rateIndex] / (header.version == 10   ? 1
                                                  : header.version == 20 ? 2
                                                                         : 4);
    header.mono = (bytes[3] >> 6) == 3;
    const bool mpeg1 = header.version == 10;
    const int bitrate = kBitrates[mpeg1 ? 0 : 1][header.layer - 1][bitrateIndex] * 1000;
    const int padding = (bytes[2] >> 1) & 1;
    if (header.layer == 1) {
        header.frameBytes = (12 * bitrate / header.sampleRate + padding) * 4;
    } else {
        const int perFrame = header.layer == 3 && !mpeg1 ? 72 : 144;
        header.frameBytes = perFrame * bitrate / header.sampleRate + padding;
    }
    return header;
}

MpegSync findMpegSync(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return {};
    file.seekg(0, std::ios::end);
    const auto fileSize = static_cast<uint64_t>(file.tellg());

    uint64_t start = 0;
    while (const uint64_t tag = id3v2Size(file, start)) start += tag;
    if (start >= fileSize) return {};

    std::vector<uint8_t> data(std::min<uint64_t>(kReadAhead, fileSize - start));
    file.clear();
    file.seekg(static_cast<std::streamoff>(start));
    if (!file.read(reinterpret_cast<char*>(data.data()), std::streamsize(data.size()))) {
        return {};
    }
    const bool dataReachesEnd = start + data.size() == fileSize;

    const size_t padding =
        std::find_if(data.begin(), data.end(), [](uint8_t b) { return b; }) - data.begin();
    const size_t windowEnd = std::min(padding + kFirstFrameWindow, data.size());
    for (size_t first = padding; first + 4 <= windowEnd; ++first) {
        const auto head = parseMpegFrameHeader(&data[first]);
        if (!head) continue;
        int chained = 1;
        size_t next = first + head->frameBytes;
        while (chained < kChainLength && next + 4 <= data.size()) {
            const auto frame = parseMpegFrameHeader(&data[next]);
            if (!frame || !sameStream(*head, *frame)) break;
            ++chained;
            next += frame->frameBytes;
        }
        // A short file may hold fewer frames than the chain asks for, but
        // then they must run on to its end (or to an ID3v1 tag).
        const bool atEnd = next + 4 > data.size() ||
                           (next + 3 <= data.size() && std::memcmp(&data[next], "TAG", 3) == 0);
        if (chained >= kChainLength || (chained >= 2 && dataReachesEnd && atEnd)) {
            return {true, first > padding};
        }
    }
    return {};
}

}  // namespace luma
