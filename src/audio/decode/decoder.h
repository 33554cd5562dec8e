// Decoders turn a file into interleaved PCM frames, one format family each.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace luma {

enum class SampleKind {
    Int16,   // the source carries 16 bits or less (and all lossy formats)
    Float32  // the source carries more than 16 bits (24/32-bit PCM, float)
};

struct DecoderInfo {
    int sampleRate = 0;
    int channels = 0;    // 1 or 2; sources with more channels are downmixed to 2
    int64_t frames = 0;  // exact number of frames that read() delivers from frame 0
    SampleKind kind = SampleKind::Int16;
    bool seekable = true;  // seek() lands on the exact frame
};

// One open file. Not thread-safe: one thread uses it at a time.
class Decoder {
  public:
    virtual ~Decoder() = default;
    virtual const DecoderInfo& info() const = 0;
    // Reads up to `frames` interleaved frames from the present position;
    // returns the number read, 0 at the end or on a decode error.
    virtual int64_t read(int16_t* out, int64_t frames) = 0;
    virtual int64_t read(float* out, int64_t frames) = 0;
    // Moves to `frame` (0..frames); false when it cannot.
    virtual bool seek(int64_t frame) = 0;
};

// A stream decoder for WAV, AIFF, FLAC, MPEG audio layers I-III, Ogg Vorbis or
// Opus, chosen by the file's content; nullptr when the file is none of them
// (missing, a folder, empty, unreadable, text, a tracker module...) or holds
// no decodable audio. A file cut short reports the length that does decode.
std::unique_ptr<Decoder> openStreamDecoder(const std::string& path);

// A tracker module (whatever libopenmpt reads) rendered once through at
// 44100 Hz stereo; nullptr when the file is not a module.
std::unique_ptr<Decoder> openModuleDecoder(const std::string& path);

}  // namespace luma
