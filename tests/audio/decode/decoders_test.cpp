// Every format's exact length, samples and seeks, damaged files, modules, the
// MPEG frame header, the float conversion, and what each decoder refuses.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <tuple>

#include "decode/decoder.h"
#include "decode/mpeg_sync.h"
#include "decode/sample_convert.h"
#include "support/audio_files.h"
#include "support/signal_measures.h"
#include "support/sine_fit.h"

namespace luma::test {
namespace {

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

std::string readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::string randomBytes(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    return bytes;
}

class StreamFormatTest : public testing::TestWithParam<StreamFormat> {
  protected:
    void SetUp() override {
        decoder = openStreamDecoder(path);
        ASSERT_TRUE(decoder) << path;
        audio = readAll<int16_t>(*decoder);
        ASSERT_TRUE(decoder->seek(0));
    }

    // Exact length, audio to the end, the tone on every channel, both sample types alike.
    void expectTone(const std::string& file, const Signal& signal) {
        const StreamFormat& format = GetParam();
        auto decoder = openStreamDecoder(file);
        ASSERT_TRUE(decoder);
        const DecoderInfo& info = decoder->info();
        EXPECT_EQ(info.channels, signal.channels);
        EXPECT_TRUE(info.seekable);
        EXPECT_EQ(info.kind, format.wide ? SampleKind::Float32 : SampleKind::Int16);
        const int64_t quantum = format.lengthQuantum;
        ASSERT_EQ(info.frames,
                  quantum ? (signal.frames() + quantum - 1) / quantum * quantum : signal.frames());

        const std::vector<float> all = readAll<float>(*decoder);
        ASSERT_EQ(static_cast<int64_t>(all.size()), info.frames * info.channels);
        EXPECT_TRUE(std::any_of(all.end() - 128, all.end(), [](float s) { return s != 0; }));
        const std::vector<int16_t> shorts = readAll<int16_t>(*openStreamDecoder(file));
        ASSERT_EQ(shorts.size(), all.size());
        // Int16 sources widen exactly; wider ones round to the nearest step.
        const float tolerance = info.kind == SampleKind::Int16 ? 0.0f : 0.5f;
        const float step = std::string(format.name) == "wavfloat" ? 0.0f
                           : format.wide                          ? 0x1p-23f
                                                                  : 0x1p-15f;
        for (size_t i = 0; i < all.size(); ++i) {
            ASSERT_NEAR(all[i] * 32768.0f, shorts[i], tolerance) << "sample " << i;
            if (format.lossless) {
                ASSERT_NEAR(all[i], signal.samples[i], step) << "sample " << i;
            }
        }

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
    std::string damagedName = std::string("damaged.") + GetParam().name;
};

TEST_P(StreamFormatTest, StereoAndMonoDeliverTheirExactLengthSamplesAndTone) {
    expectTone(path, GetParam().tone());
    expectTone(GetParam().toneFile(dir, 1), GetParam().tone(1));
}

TEST_P(StreamFormatTest, SeeksLandOnTheExactFrameUpToTheEndAndNoFurther) {
    const int64_t frames = decoder->info().frames;
    // Opus rebuilds its state from a pre-roll: compared once settled, where a slip still shows.
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
}

// Cut inside a frame, packet or page (a WAV header then promises more); garbled in the middle.
TEST_P(StreamFormatTest, CutFileEndsWhereItsAudioEndsAndAGarbledOnePlaysThrough) {
    const int64_t intactFrames = static_cast<int64_t>(audio.size() / 2);
    const std::string bytes = readBytes(path);
    for (double kept : {0.7013, 0.9931}) {
        SCOPED_TRACE(kept);
        const auto cutBytes = static_cast<size_t>(static_cast<double>(bytes.size()) * kept);
        auto decoder = openStreamDecoder(dir.write(damagedName, bytes.substr(0, cutBytes)));
        ASSERT_TRUE(decoder);
        const int64_t frames = decoder->info().frames;
        EXPECT_GT(frames, intactFrames / 2);

        const std::vector<int16_t> cut = readAll<int16_t>(*decoder);
        ASSERT_EQ(static_cast<int64_t>(cut.size()), frames * 2);
        // Every frame is the intact file's own, to the last: none is made up.
        EXPECT_TRUE(std::equal(cut.begin(), cut.end(), audio.begin()));
        ASSERT_TRUE(decoder->seek(frames / 3));
        EXPECT_EQ(readFrames<int16_t>(*decoder, 1).size(), 2u);
    }
    std::string garbled = bytes;
    garbled.replace(garbled.size() / 2, 3000, randomBytes(3000, 7));
    auto decoder = openStreamDecoder(dir.write(damagedName, garbled));
    if (!decoder) return;  // refused, which is also fine
    const std::vector<int16_t> all = readAll<int16_t>(*decoder);
    EXPECT_EQ(static_cast<int64_t>(all.size()), decoder->info().frames * 2);
    EXPECT_GT(decoder->info().frames, 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, StreamFormatTest, testing::ValuesIn(streamFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

// A FLAC header may leave the length unknown (streamed encoders do): it is measured.
TEST(DamagedFile, FlacWithoutTotalLengthIsMeasured) {
    TempDir dir;
    const StreamFormat& flac = streamFormat("flac");
    // STREAMINFO's 36-bit sample count: the low nibble of byte 21 and bytes 22-25.
    std::string bytes = readBytes(flac.toneFile(dir));
    bytes[21] = static_cast<char>(bytes[21] & 0xF0);
    bytes.replace(22, 4, 4, '\0');
    auto decoder = openStreamDecoder(dir.write("unmeasured.flac", bytes));
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->info().frames, flac.tone().frames());
    EXPECT_EQ(static_cast<int64_t>(readAll<int16_t>(*decoder).size()), flac.tone().frames() * 2);
}

// WAV-order speakers in turn: centre on both sides, rears on their own, the LFE left out.
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

TEST(ModuleDecoderTest, RendersItsExactLengthOnceAndSeeksOnlyToTheStart) {
    const std::unique_ptr<Decoder> decoder = openModuleDecoder(fixture("tune.mod"));
    ASSERT_TRUE(decoder);
    const DecoderInfo& info = decoder->info();
    EXPECT_NEAR(double(info.frames) / 44100, 3.0, 0.15);

    const std::vector<int16_t> all = readAll<int16_t>(*decoder);
    ASSERT_EQ(static_cast<int64_t>(all.size()), info.frames * 2);
    EXPECT_FALSE(decoder->seek(1000));
    ASSERT_TRUE(decoder->seek(0));
    const std::vector<float> again = readAll<float>(*decoder);
    ASSERT_EQ(again.size(), all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(again[i] * 32768.0f, all[i]) << "sample " << i;
    }
    const std::vector<float> last(again.end() - 8820, again.end());
    EXPECT_GT(peak(side(last, 0)), 0.03);
    EXPECT_GT(peak(side(last, 1)), 0.03);
}

TEST(MpegFrameHeader, SizesFramesOfEveryVersionAndLayerAndRefusesReservedFields) {
    const struct {
        uint8_t bytes[4];
        int version, layer, sampleRate, frameBytes;
    } cases[] = {
        {{0xFF, 0xFB, 0x92, 0x64}, 10, 3, 44100, 418},  // 128 kbit/s, padded
        {{0xFF, 0xFD, 0xA4, 0x04}, 10, 2, 48000, 576},  // 192 kbit/s
        {{0xFF, 0xFF, 0xC2, 0x00}, 10, 1, 44100, 420},  // 104 slots of 4 bytes and a padding one
        {{0xFF, 0xF3, 0x80, 0x00}, 20, 3, 22050, 208},  // 64 kbit/s
        {{0xFF, 0xE3, 0x18, 0x00}, 25, 3, 8000, 72},    // 8 kbit/s
    };
    for (const auto& c : cases) {
        const auto header = parseMpegFrameHeader(c.bytes);
        ASSERT_TRUE(header) << c.frameBytes;
        EXPECT_EQ(
            std::tuple(header->version, header->layer, header->sampleRate, header->frameBytes),
            std::tuple(c.version, c.layer, c.sampleRate, c.frameBytes));
    }
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
    } cases[] = {{0.5f, 16384, 0.5f},       {1.0f, 32767, 1.0f},     {-1.0f, -32768, -1.0f},
                 {kHuge, 32767, 1.0f},      {-kHuge, -32768, -1.0f}, {INFINITY, 32767, 0.0f},
                 {-INFINITY, -32768, 0.0f}, {NAN, 0, 0.0f}};
    for (const auto& c : cases) {
        EXPECT_EQ(toInt16Sample(c.in), c.toInt16) << c.in;
        EXPECT_EQ(saneSample(c.in), c.sane) << c.in;
    }
}

size_t openDescriptors() {
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<size_t>(std::distance(begin(fds), end(fds)));
}

// Each decoder takes only its kind (mpg123 would resync into a module), leaving no file open.
TEST(BadInput, EachDecoderTakesOnlyItsKindAndLeavesNoFileOpen) {
    TempDir dir;
    ASSERT_TRUE(writeWav16(dir.file("tone.wav"), makeSine(440, 0.5)));
    const std::string ogg = streamFormat("ogg").toneFile(dir);
    const std::string flac = streamFormat("flac").toneFile(dir);
    const std::string mp3 = readBytes(fixture("tone.mp3"));
    for (size_t gap : {0, 9000}) {
        dir.write("tune" + std::to_string(gap) + ".mod",
                  readBytes(fixture("tune.mod")) + std::string(gap, '\x55') + mp3);
    }
    const uint32_t tagSize = 300000;  // stored as four 7-bit bytes
    std::string tag("ID3\x03\x00\x00", 6);
    for (int shift : {21, 14, 7, 0}) tag += static_cast<char>((tagSize >> shift) & 0x7F);
    dir.write("tagged.mp3", tag + std::string(tagSize, '\0') + mp3);
    dir.write("header.wav", readBytes(dir.file("tone.wav")).substr(0, 44));
    dir.write("empty.wav", "");
    dir.write("text.mp3", "These are the liner notes, not a song.\n");
    dir.write("noise.flac", randomBytes(100000, 1));
    dir.write("noise.ogg", "OggS" + randomBytes(5000, 3));
    dir.write("noise.mod", randomBytes(50000, 2));
    ASSERT_EQ(mkfifo(dir.file("pipe.wav").c_str(), 0600), 0);
    const size_t before = openDescriptors();
    const auto expectTaken = [](const std::string& path, bool asStream, bool asModule) {
        EXPECT_EQ(openStreamDecoder(path) != nullptr, asStream) << path;
        EXPECT_EQ(openModuleDecoder(path) != nullptr, asModule) << path;
    };
    for (const std::string& path : {dir.file("tone.wav"), fixture("tone.mp3"), ogg, flac}) {
        expectTaken(path, true, false);
    }
    for (const std::string& path :
         {fixture("tune.mod"), dir.file("tune0.mod"), dir.file("tune9000.mod")}) {
        expectTaken(path, false, true);
    }
    for (const std::string& path : {dir.path().string(), std::string("/dev/zero")}) {
        expectTaken(path, false, false);
    }
    for (const char* name : {"header.wav", "empty.wav", "text.mp3", "noise.flac", "noise.ogg",
                             "noise.mod", "pipe.wav", "missing.wav"}) {
        expectTaken(dir.file(name), false, false);
    }
    EXPECT_EQ(openDescriptors(), before);
    const auto tagged = openStreamDecoder(dir.file("tagged.mp3"));
    ASSERT_TRUE(tagged);
    EXPECT_EQ(tagged->info().frames, streamFormat("mp3").tone().frames());
}

}  // namespace
}  // namespace luma::test
