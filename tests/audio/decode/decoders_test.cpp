// Every stream format decodes to its exact length, in both sample types,
// and seeks land on the exact frame; damaged files report the length that
// really decodes and play what is there.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <random>

#include "decode/decoder.h"
#include "decode_helpers.h"
#include "support/signal_measures.h"
#include "support/sine_fit.h"

namespace luma::test {
namespace {

// The tone file of the format under test, opened, and all of it as read.
class StreamFormatTest : public testing::TestWithParam<StreamFormat> {
  protected:
    void SetUp() override {
        decoder = openStreamDecoder(path);
        ASSERT_TRUE(decoder) << path;
        audio = readAll<int16_t>(*decoder);
        ASSERT_TRUE(decoder->seek(0));
    }

    // Opens `file`, made from `signal`, and checks the format, the exact
    // length, real audio to the last frame, and the tone on every channel.
    void expectTone(const std::string& file, const Signal& signal) {
        const StreamFormat& format = GetParam();
        auto decoder = openStreamDecoder(file);
        ASSERT_TRUE(decoder);
        const DecoderInfo& info = decoder->info();
        EXPECT_EQ(info.sampleRate, format.rate);
        EXPECT_EQ(info.channels, signal.channels);
        EXPECT_TRUE(info.seekable);
        EXPECT_EQ(info.kind, format.wide ? SampleKind::Float32 : SampleKind::Int16);
        const int64_t quantum = format.lengthQuantum;
        EXPECT_EQ(info.frames,
                  quantum ? (signal.frames() + quantum - 1) / quantum * quantum : signal.frames());

        const std::vector<float> all = readAll<float>(*decoder);
        ASSERT_EQ(static_cast<int64_t>(all.size()), info.frames * info.channels);
        EXPECT_TRUE(endSounds(all, 128));
        float after[8];
        EXPECT_EQ(decoder->read(after, 4), 0);

        for (int channel = 0; channel < info.channels; ++channel) {
            const std::vector<float> heard = side(all, channel, info.channels);
            const double hz = format.decodedHz(440);
            const SineFit fit =
                fitSine({heard.begin() + 4800, heard.begin() + 14400}, format.rate, hz);
            EXPECT_NEAR(fit.frequencyHz, hz, 1.0) << "channel " << channel;
            EXPECT_GT(fit.amplitude, 0.3) << "channel " << channel;
            EXPECT_GT(fit.snrDb, 20.0) << "channel " << channel;
        }
    }

    TempDir dir;
    std::string path = GetParam().toneFile(dir);
    std::unique_ptr<Decoder> decoder;
    std::vector<int16_t> audio;
    Signal source = GetParam().tone();
    std::string damagedPath = dir.file(std::string("damaged.") + GetParam().name);
};

TEST_P(StreamFormatTest, StereoAndMonoDeliverExactlyTheirLengthAndTheTone) {
    expectTone(path, source);
    expectTone(GetParam().toneFile(dir, 1), GetParam().tone(1));
}

TEST_P(StreamFormatTest, BothSampleTypesCarryTheSameAudioAndLosslessKeepsEverySample) {
    const StreamFormat& format = GetParam();
    const std::vector<int16_t>& shorts = audio;
    const std::vector<float> floats = readAll<float>(*decoder);
    ASSERT_EQ(shorts.size(), floats.size());
    // Int16 sources widen exactly; wider ones round to the nearest step.
    const float tolerance = decoder->info().kind == SampleKind::Int16 ? 0.0f : 0.5f;
    for (size_t i = 0; i < shorts.size(); ++i) {
        ASSERT_NEAR(floats[i] * 32768.0f, shorts[i], tolerance) << "sample " << i;
    }
    if (!format.lossless) return;
    ASSERT_EQ(floats.size(), source.samples.size());
    const float step = std::string(format.name) == "wavfloat" ? 0.0f
                       : format.wide                          ? 0x1p-23f
                                                              : 0x1p-15f;
    for (size_t i = 0; i < floats.size(); ++i) {
        ASSERT_NEAR(floats[i], source.samples[i], step) << "sample " << i;
    }
}

// What follows a seek to p is, sample for sample, what a decode from the start
// delivers at p (the tone's level rises, so no two stretches are alike).
TEST_P(StreamFormatTest, SeeksLandOnTheExactFrameUpToTheEndAndNoFurther) {
    const int64_t frames = decoder->info().frames;
    // Opus decoder state after a seek is rebuilt from a short pre-roll, so the
    // output converges on the continuous decode instead of matching it at
    // once; it is compared once settled, where a frame's slip would show.
    const bool exact = std::string(GetParam().name) != "opus";
    const int64_t settle = exact ? 0 : 24000;
    const int tolerance = exact ? 0 : 8;
    // Frame and packet edges of the codecs, the middle, the end, and back again.
    const int64_t targets[] = {frames / 2 + 7, 1,     383,          384, 1151, 1152,
                               1153,           44100, frames - 700, 0,   4097, frames - 1};
    for (int64_t target : targets) {
        ASSERT_TRUE(decoder->seek(target)) << "seek to " << target;
        const int64_t skipped = readFrames<int16_t>(*decoder, settle).size() / 2;
        const std::vector<int16_t> got = readFrames<int16_t>(*decoder, 600);
        const int64_t compared = target + skipped;
        ASSERT_EQ(static_cast<int64_t>(got.size()), std::min<int64_t>(600, frames - compared) * 2)
            << "after seek to " << target;
        int worst = 0;
        for (size_t i = 0; i < got.size(); ++i) {
            worst = std::max(worst, std::abs(got[i] - audio[compared * 2 + i]));
        }
        EXPECT_LE(worst, tolerance) << "after seek to " << target;
    }
    // The end is a position, beyond it is not.
    int16_t sample[2];
    ASSERT_TRUE(decoder->seek(frames));
    EXPECT_EQ(decoder->read(sample, 1), 0);
    EXPECT_FALSE(decoder->seek(frames + 1));
    EXPECT_FALSE(decoder->seek(-1));
    ASSERT_TRUE(decoder->seek(frames - 1));
    EXPECT_EQ(decoder->read(sample, 2), 1);
}

// Cut at odd byte counts, so the cut falls inside a frame, packet or page
// (and, for WAV and AIFF, leaves a header that promises more than is there):
// once well before the end, once within the last stretch before it.
TEST_P(StreamFormatTest, CutFileEndsWhereItsAudioEnds) {
    const int64_t intactFrames = static_cast<int64_t>(audio.size() / 2);
    for (double kept : {0.7013, 0.9931}) {
        SCOPED_TRACE(kept);
        std::filesystem::copy_file(path, damagedPath,
                                   std::filesystem::copy_options::overwrite_existing);
        truncateFile(damagedPath, kept);
        auto decoder = openStreamDecoder(damagedPath);
        ASSERT_TRUE(decoder);
        const int64_t frames = decoder->info().frames;
        EXPECT_LT(frames, intactFrames);
        EXPECT_GT(frames, intactFrames / 2);

        const std::vector<int16_t> cut = readAll<int16_t>(*decoder);
        ASSERT_EQ(static_cast<int64_t>(cut.size()), frames * 2);
        // Every frame is the intact file's own, to the last: none is made up.
        EXPECT_TRUE(std::equal(cut.begin(), cut.end(), audio.begin()));
        EXPECT_TRUE(endSounds(cut, 128));
        ASSERT_TRUE(decoder->seek(frames / 3));
        EXPECT_EQ(readFrames<int16_t>(*decoder, 1).size(), 2u);
    }
}

// Overwritten bytes in the middle: no crash, and read() still keeps to the length.
TEST_P(StreamFormatTest, GarbledMiddleStillPlaysThrough) {
    std::filesystem::copy_file(path, damagedPath);
    {
        std::fstream file(damagedPath, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(std::filesystem::file_size(damagedPath) / 2));
        std::mt19937 random(7);
        for (int i = 0; i < 3000; ++i) file.put(static_cast<char>(random()));
    }
    auto decoder = openStreamDecoder(damagedPath);
    if (!decoder) return;  // refused, which is also fine
    const std::vector<int16_t> all = readAll<int16_t>(*decoder);
    EXPECT_EQ(static_cast<int64_t>(all.size()), decoder->info().frames * 2);
    EXPECT_GT(decoder->info().frames, 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, StreamFormatTest, testing::ValuesIn(streamFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

// A FLAC header may leave the total length unknown (streamed encoders do);
// the length then comes from decoding.
TEST(DamagedFile, FlacWithoutTotalLengthIsMeasured) {
    TempDir dir;
    const Signal source = streamFormat("flac").tone();
    const std::string path = streamFormat("flac").toneFile(dir);
    {
        // "fLaC", a block header, then STREAMINFO: the 36-bit sample count
        // takes the low nibble of byte 21 and bytes 22-25.
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(21);
        const char high = static_cast<char>(file.get() & 0xF0);
        file.seekp(21);
        file.write(&high, 1);
        file.write("\0\0\0\0", 4);
    }
    auto decoder = openStreamDecoder(path);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->info().frames, source.frames());
    EXPECT_EQ(static_cast<int64_t>(readAll<int16_t>(*decoder).size()), source.frames() * 2);
}

// Six channels in WAV order fold down with the centre in both sides, the
// rears on their own side and the LFE left out; each speaker sounds in turn.
TEST(Downmix, SurroundFoldsToStereoBySpeaker) {
    const struct {
        int speaker;
        float left, right;  // its share on each side, against the front's
    } cases[] = {{0, 1, 0}, {1, 0, 1}, {2, 0.7071f, 0.7071f}, {3, 0, 0}, {5, 0, 0.7071f}};
    constexpr size_t kSegment = 4410;
    Signal surround{std::vector<float>(kSegment * std::size(cases) * 6), 6};
    const Signal tone = makeSine(440, 0.1, 44100, 1);
    for (size_t s = 0; s < std::size(cases); ++s) {
        for (size_t f = 0; f < kSegment; ++f) {
            surround.samples[(s * kSegment + f) * 6 + cases[s].speaker] = tone.samples[f];
        }
    }
    TempDir dir;
    ASSERT_TRUE(writeWav16(dir.file("surround.wav"), surround));
    auto decoder = openStreamDecoder(dir.file("surround.wav"));
    ASSERT_TRUE(decoder);
    ASSERT_EQ(decoder->info().channels, 2);
    const std::vector<float> all = readAll<float>(*decoder);
    ASSERT_EQ(all.size(), kSegment * std::size(cases) * 2);
    const auto peakOf = [&](size_t s, int which) {
        return peak(
            side({all.begin() + s * kSegment * 2, all.begin() + (s + 1) * kSegment * 2}, which));
    };
    // Nothing can clip: the front channel alone is scaled down by the mix.
    const double front = peakOf(0, 0);
    EXPECT_GT(front, 0.1);
    EXPECT_LT(front, 0.5 * 0.99);
    for (size_t s = 0; s < std::size(cases); ++s) {
        const auto& c = cases[s];
        EXPECT_NEAR(peakOf(s, 0), front * c.left, c.left ? 1e-3 : 0.0) << "speaker " << c.speaker;
        EXPECT_NEAR(peakOf(s, 1), front * c.right, c.right ? 1e-3 : 0.0) << "speaker " << c.speaker;
    }
}

}  // namespace
}  // namespace luma::test
