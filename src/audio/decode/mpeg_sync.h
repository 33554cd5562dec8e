// Our own strict test for MPEG audio, made before libmpg123 sees a file:
// mpg123 resyncs through any garbage and finds false frame headers in other
// formats (tracker module sample data, for one), so it cannot be left to
// decide what is MPEG audio.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace luma {

struct MpegFrameHeader {
    int version = 0;  // 10 for MPEG-1, 20 for MPEG-2, 25 for MPEG-2.5
    int layer = 0;    // 1, 2 or 3
    int sampleRate = 0;
    bool mono = false;
    int frameBytes = 0;
};

// The header starting at `bytes` (4 bytes), or nothing when it is not a valid
// one; free-format frames count as invalid, as their size is not in the header.
std::optional<MpegFrameHeader> parseMpegFrameHeader(const uint8_t* bytes);

struct MpegSync {
    bool found = false;
    // Bytes other than tags and zero padding came before the first frame: a
    // header of some other format may be holding MPEG data as its payload.
    bool afterOtherData = false;
};

// Found when, after any ID3v2 tags and zero padding, a frame header comes
// within the first few kilobytes and is followed by a chain of further headers
// of the same version, layer, rate and channel count.
MpegSync findMpegSync(const std::string& path);

}  // namespace luma
