// Test material: audio files of every format the engine reads, made at test time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// Each writer returns false when it could not make the file (a missing
// encoder tool is a failed test set-up, not a skipped test).
bool writeWav16(const std::string& path, const Signal& signal);
bool writeWavFloat(const std::string& path, const Signal& signal);  // 32-bit float WAV
bool writeWav24(const std::string& path, const Signal& signal);
bool writeAiff(const std::string& path, const Signal& signal);
bool writeFlac(const std::string& path, const Signal& signal);
bool writeOggVorbis(const std::string& path, const Signal& signal);
bool writeOpus(const std::string& path, const Signal& signal);
bool writeMp3(const std::string& path, const Signal& signal, int kbps = 192);  // with a LAME tag
bool writeMp2(const std::string& path, const Signal& signal, int kbps = 192);
// MPEG-1 Layer I, from our own small encoder (no Debian tool writes it):
// 384-sample frames at 48000 or 44100 Hz.
bool writeMp1(const std::string& path, const Signal& signal);
// A ProTracker MOD that plays a square-ish tone for about `seconds`.
bool writeModule(const std::string& path, double seconds);

}  // namespace luma::test
