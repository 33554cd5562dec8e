// A minimal MPEG-1 Layer I encoder, because no packaged tool writes Layer I.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <vector>

#include "support/audio_files.h"

namespace luma::test {
namespace {

constexpr int kSamplesPerFrame = 384;
constexpr int kSubbands = 32;
constexpr int kSamplesPerSubband = 12;
constexpr int kBitrate = 384000;
constexpr int kBitrateIndex = 12;  // 384 kbit/s in the Layer I table
constexpr int kToneSubband = 2;
constexpr int kAllocation = 7;  // 8 bits a sample
constexpr int kSampleBits = kAllocation + 1;

class BitWriter {
  public:
    void put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            if ((value >> i) & 1u) bytes_.back() |= static_cast<uint8_t>(0x80u >> (used_ % 8));
            ++used_;
        }
    }
    void padTo(size_t byteCount) { bytes_.resize(byteCount, 0); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
    size_t used_ = 0;
};

int rateIndex(int rate) {
    constexpr int kRates[] = {44100, 48000, 32000};  // in the header's order
    for (int i = 0; i < 3; ++i) {
        if (kRates[i] == rate) return i;
    }
    return -1;
}

// Layer I scalefactors are 2 * 2^(-i/3); picks the smallest one that holds `peak`.
int scalefactorIndex(double peak) {
    for (int i = 62; i > 0; --i) {
        if (2.0 * std::pow(2.0, -i / 3.0) >= peak) return i;
    }
    return 0;
}

// Inverse of the decoder's requantisation (2u + 2 - 2^nb) / (2^nb - 1).
uint32_t sampleCode(double fraction) {
    const double steps = (1 << kSampleBits) - 1;
    const double code = std::round((fraction * steps + steps - 1.0) / 2.0);
    return static_cast<uint32_t>(std::clamp(code, 0.0, steps - 1.0));
}

double framePeak(const Signal& signal, int64_t firstFrame, int channel) {
    double peak = 0.0;
    const int64_t end = std::min<int64_t>(firstFrame + kSamplesPerFrame, signal.frames());
    for (int64_t f = firstFrame; f < end; ++f) {
        peak = std::max(peak, std::fabs(double(signal.samples[f * signal.channels + channel])));
    }
    return std::min(peak, 1.0);
}

std::vector<uint8_t> encodeFrame(const Signal& signal, int64_t firstFrame, bool padding) {
    const int channels = signal.channels;
    const int frameBytes = (kSamplesPerSubband * kBitrate / signal.rate + (padding ? 1 : 0)) * 4;

    BitWriter bits;
    bits.put(0xFFF, 12);
    bits.put(1, 1);  // MPEG-1
    bits.put(3, 2);  // Layer I
    bits.put(1, 1);  // no CRC
    bits.put(kBitrateIndex, 4);
    bits.put(rateIndex(signal.rate), 2);
    bits.put(padding ? 1 : 0, 1);
    bits.put(0, 1);                      // private
    bits.put(channels == 1 ? 3 : 0, 2);  // single channel or stereo
    bits.put(0, 2);                      // mode extension
    bits.put(0, 4);                      // copyright, original, emphasis

    std::array<int, 2> scalefactor{};
    std::array<bool, 2> active{};
    for (int ch = 0; ch < channels; ++ch) {
        const double peak = framePeak(signal, firstFrame, ch);
        active[ch] = peak > 0.0;
        scalefactor[ch] = scalefactorIndex(peak);
    }
    for (int sb = 0; sb < kSubbands; ++sb) {
        for (int ch = 0; ch < channels; ++ch) {
            bits.put(sb == kToneSubband && active[ch] ? kAllocation : 0, 4);
        }
    }
    for (int ch = 0; ch < channels; ++ch) {
        if (active[ch]) bits.put(scalefactor[ch], 6);
    }
    // A subband-rate cosine of period 4 lands at the subband's centre frequency.
    constexpr std::array<double, 4> kCosine = {0.9, 0.0, -0.9, 0.0};
    for (int s = 0; s < kSamplesPerSubband; ++s) {
        for (int ch = 0; ch < channels; ++ch) {
            if (!active[ch]) continue;
            const double scale =
                framePeak(signal, firstFrame, ch) / (2.0 * std::pow(2.0, -scalefactor[ch] / 3.0));
            bits.put(sampleCode(kCosine[s % 4] * scale), kSampleBits);
        }
    }
    bits.padTo(frameBytes);
    return bits.bytes();
}

}  // namespace

bool writeMp1(const std::string& path, const Signal& signal) {
    if (rateIndex(signal.rate) < 0 || signal.channels < 1 || signal.channels > 2) return false;
    std::ofstream out(path, std::ios::binary);
    if (!out) return false;
    // Frames are 12 * bitrate / rate four-byte slots; the fraction is paid with padding slots.
    const int remainderPerFrame = (kSamplesPerSubband * kBitrate) % signal.rate;
    int owed = 0;
    for (int64_t first = 0; first < signal.frames(); first += kSamplesPerFrame) {
        owed += remainderPerFrame;
        const bool padding = owed >= signal.rate;
        if (padding) owed -= signal.rate;
        const std::vector<uint8_t> frame = encodeFrame(signal, first, padding);
        out.write(reinterpret_cast<const char*>(frame.data()), std::streamsize(frame.size()));
    }
    return bool(out.flush());
}

}  // namespace luma::test
