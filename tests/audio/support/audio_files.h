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
bool writeMp2(const std::string& path, const Signal& signal);                  // 192 kbit/s
// MPEG-1 Layer I, from our own small encoder (no packaged tool writes it):
// 384-sample frames at 384 kbit/s, 44100, 48000 or 32000 Hz. Not the
// signal's waveform: each frame carries a tone at the centre of one subband
// (1875 Hz at 48000 Hz) at the level of the signal's peak in that frame.
bool writeMp1(const std::string& path, const Signal& signal);
// A ProTracker MOD that plays a square-ish tone for about `seconds`.
bool writeModule(const std::string& path, double seconds);

// Every stream format the engine reads, with what its files decode to.
struct StreamFormat {
    const char* name;  // also the file's extension
    bool (*write)(const std::string& path, const Signal& signal);
    int rate;  // the material is written at this rate
    bool lossless;
    bool wide;              // carries more than 16 bits
    int64_t lengthQuantum;  // 0: decodes to the written length; else a whole number of these
    double fixedToneHz;     // 0: a tone decodes to itself; else always to this one
    double decodedHz(double writtenHz) const { return fixedToneHz ? fixedToneHz : writtenHz; }
};
const std::vector<StreamFormat>& streamFormats();

}  // namespace luma::test
