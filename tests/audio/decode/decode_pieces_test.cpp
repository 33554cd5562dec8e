// Tracker modules, which render once through to exactly their reported
// length; and the decoders' small pieces: frame header parsing behind the
// MPEG content check, and the conversion of float samples.
#include <gtest/gtest.h>

#include <cmath>

#include "decode/decoder.h"
#include "decode/mpeg_sync.h"
#include "decode/sample_convert.h"
#include "decode_helpers.h"
#include "support/signal_measures.h"

namespace luma::test {
namespace {

TEST(ModuleDecoderTest, RendersItsExactLengthOnceAndSeeksOnlyToTheStart) {
    const std::unique_ptr<Decoder> decoder = openModuleDecoder(fixture("tune.mod"));
    ASSERT_TRUE(decoder);
    const DecoderInfo& info = decoder->info();
    EXPECT_EQ(info.kind, SampleKind::Int16);
    EXPECT_NEAR(double(info.frames) / 44100, 3.0, 0.15);

    const std::vector<int16_t> all = readAll<int16_t>(*decoder);
    ASSERT_EQ(static_cast<int64_t>(all.size()), info.frames * 2);
    int16_t after[4];
    EXPECT_EQ(decoder->read(after, 2), 0);
    EXPECT_FALSE(decoder->seek(1000));
    ASSERT_TRUE(decoder->seek(0));
    const std::vector<float> again = readAll<float>(*decoder);
    ASSERT_EQ(again.size(), all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(again[i] * 32768.0f, all[i]) << "sample " << i;
    }
    // The tone plays on both sides to the end.
    const std::vector<float> last(again.end() - 8820, again.end());
    EXPECT_GT(peak(side(last, 0)), 0.03);
    EXPECT_GT(peak(side(last, 1)), 0.03);
}

struct HeaderCase {
    uint8_t bytes[4];
    int version;
    int layer;
    int sampleRate;
    int frameBytes;
};

TEST(MpegFrameHeader, SizesFramesOfEveryVersionAndLayer) {
    const HeaderCase cases[] = {
        {{0xFF, 0xFB, 0x90, 0x64}, 10, 3, 44100, 417},  // 128 kbit/s
        {{0xFF, 0xFB, 0x92, 0x64}, 10, 3, 44100, 418},  // padded
        {{0xFF, 0xFD, 0xA4, 0x04}, 10, 2, 48000, 576},  // 192 kbit/s
        {{0xFF, 0xFF, 0xC4, 0x00}, 10, 1, 48000, 384},  // 384 kbit/s
        {{0xFF, 0xFF, 0xC0, 0x00}, 10, 1, 44100, 416},  // 104 slots of 4 bytes
        {{0xFF, 0xFF, 0xC2, 0x00}, 10, 1, 44100, 420},  // and a padding slot
        {{0xFF, 0xF3, 0x80, 0x00}, 20, 3, 22050, 208},  // 64 kbit/s
        {{0xFF, 0xE3, 0x18, 0x00}, 25, 3, 8000, 72},    // 8 kbit/s
    };
    for (const HeaderCase& c : cases) {
        const auto header = parseMpegFrameHeader(c.bytes);
        ASSERT_TRUE(header) << c.frameBytes;
        EXPECT_EQ(header->version, c.version);
        EXPECT_EQ(header->layer, c.layer);
        EXPECT_EQ(header->sampleRate, c.sampleRate);
        EXPECT_EQ(header->frameBytes, c.frameBytes);
    }
}

TEST(MpegFrameHeader, RefusesReservedAndFreeFormatFields) {
    const uint8_t invalid[][4] = {
        {0xFF, 0xEB, 0x90, 0x64},  // reserved version
        {0xFF, 0xF9, 0x90, 0x64},  // reserved layer
        {0xFF, 0xFB, 0x00, 0x64},  // free format
        {0xFF, 0xFB, 0xF0, 0x64},  // bad bitrate
        {0xFF, 0xFB, 0x9C, 0x64},  // reserved rate
        {0xFF, 0xFB, 0x90, 0x66},  // reserved emphasis
        {0xFE, 0xFB, 0x90, 0x64},  // no sync
    };
    for (const auto& bytes : invalid) EXPECT_FALSE(parseMpegFrameHeader(bytes));
}

TEST(SampleConvert, FloatsClampBeforeTheyRoundAndNaNIsSilence) {
    constexpr float kHuge = 3e14f;  // beyond what lrint of x * 32768 holds in a long
    const struct {
        float in;
        int16_t toInt16;
        float sane;
    } cases[] = {
        {0.5f, 16384, 0.5f},     {1.0f, 32767, 1.0f},     {-1.0f, -32768, -1.0f},
        {1.5f, 32767, 1.0f},     {-1.5f, -32768, -1.0f},  {kHuge, 32767, 1.0f},
        {-kHuge, -32768, -1.0f}, {INFINITY, 32767, 0.0f}, {-INFINITY, -32768, 0.0f},
        {NAN, 0, 0.0f},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toInt16Sample(c.in), c.toInt16) << c.in;
        EXPECT_EQ(saneSample(c.in), c.sane) << c.in;
    }
}

}  // namespace
}  // namespace luma::test
