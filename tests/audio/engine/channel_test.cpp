// Channels played through the manual output: playback, the loop region, the
// equaliser, volumes and readings, tempo detection.
#include <algorithm>
#include <cmath>

#include "drums/beat_tracks.h"
#include "support/engine_fixture.h"
#include "support/sine_fit.h"

namespace luma::test {
namespace {

using PlaybackTest = EngineTest;

// At an output rate other than the track's, as the positions count track frames.
TEST_F(PlaybackTest, RateChangesPitchAndSlidesLinearly) {
    restartAt(48000);
    const uint32_t stream = openPlayable(writeWav(makeSine(1000, 3.0)));
    setRate(stream, 47628);  // +8 %
    EXPECT_EQ(rateOf(stream), 47628u) << "an instant change reads back at once";
    ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
    render(4800);
    const SineFit fit = fitSine(renderLeft(48000), 48000, 1080);
    EXPECT_NEAR(fit.frequencyHz, 1080.0, 0.01);
    EXPECT_GT(fit.snrDb, 80.0);
    EXPECT_NEAR(frameOf(stream), 52800 * 1.08 * 44100 / 48000, 1.0);
    // 0 is the channel's own rate; a slide reaches its target linearly.
    setRate(stream, 0);
    ASSERT_NE(BASS_ChannelSlideAttributes(stream, 22050, -1, -101, 100), 0);
    render(2400);  // half way
    EXPECT_NEAR(rateOf(stream), 33075.0, 300.0);
    render(2400 + 256);
    EXPECT_EQ(rateOf(stream), 22050u);
}

TEST_F(PlaybackTest, MonoFlagDownmixesToOneChannel) {
    Signal stereo = makeSine(440, 0.5);
    for (size_t i = 1; i < stereo.samples.size(); i += 2) stereo.samples[i] = 0.0f;  // left only
    const uint32_t stream =
        BASS_StreamCreateFile(0, writeWav(stereo).c_str(), 0, 0, kPlayable | LUMA_STREAM_MONO);
    ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
    const std::vector<float> out = render(4410);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 4410u * 2) << "2 bytes a frame";
    EXPECT_NEAR(fitSine(side(out, 0), 44100, 440).amplitude, 0.25, 0.01) << "half of left + right";
    EXPECT_EQ(side(out, 0), side(out, 1));
}

// A module's length, rate, effects and play calls, its decode-only twin's length; streams and
// modules take neither each other's files nor frees, nor what is no file.
TEST_F(PlaybackTest, ModulePlaysThroughEveryChannelCallApartFromStreams) {
    const std::string mod = fixture("tune.mod"), wav = writeWav(makeSine(440, 0.5));
    const uint32_t module = BASS_MusicLoad(0, mod.c_str(), 0, 0, 0x1005);
    ASSERT_NE(module, 0u);
    EXPECT_EQ(rateOf(module), 44100u);
    EXPECT_NE(BASS_ChannelSetFX(module, LUMA_FX_PARAMEQ), 0u);
    ASSERT_NE(BASS_StreamPreBuf(module), 0);
    ASSERT_NE(BASS_StreamPlay(module, 0, 0), 0);
    EXPECT_GT(peak(render(44100)), 0.01);
    EXPECT_EQ(frameOf(module), 44100);
    const uint32_t decodeOnly = BASS_MusicLoad(0, mod.c_str(), 0, 0, 0x202000);
    EXPECT_EQ(BASS_StreamGetLength(decodeOnly), BASS_StreamGetLength(module));
    const uint32_t stream = openPlayable(wav);
    EXPECT_EQ(BASS_MusicFree(stream), 0);
    EXPECT_EQ(BASS_StreamFree(module), 0);
    EXPECT_NE(BASS_StreamFree(stream), 0);
    EXPECT_NE(BASS_MusicFree(module), 0);
    EXPECT_EQ(BASS_StreamCreateFile(0, mod.c_str(), 0, 0, 0x20080), 0u);
    EXPECT_EQ(BASS_MusicLoad(0, wav.c_str(), 0, 0, 0x1005), 0u);
    for (const char* path : {static_cast<const char*>(nullptr), "", "/nonexistent/x.wav"}) {
        EXPECT_EQ(BASS_StreamCreateFile(0, path, 0, 0, 0x20080), 0u);
        EXPECT_EQ(BASS_MusicLoad(0, path, 0, 0, 0x1005), 0u);
    }
    EXPECT_EQ(BASS_StreamCreateFile(1, wav.c_str(), 0, 0, 0), 0u) << "no memory streams";
    EXPECT_EQ(BASS_StreamCreateFile(0, wav.c_str(), 44, 0, 0), 0u);
}

// Jumps back to a cue point every 75 ms (a held CUE), a stop and a start: faded, never cut;
// the position counts the frames played, a seek lands on its frame, the end stops or wraps.
TEST_F(PlaybackTest, PositionsAreExactAndJumpsStopsAndStartsNeverStep) {
    constexpr int kFade = 128;  // output frames of a jump's or a stop's fade
    const std::string path = writeWav(makeSine(997, 2.0, 44100, 2, 0.8));
    const std::vector<float> own = decodeAll(path);
    const uint32_t stream = play(path);
    const uint64_t length = BASS_StreamGetLength(stream);
    std::vector<float> left = renderLeft(1000);
    for (int jump = 0; jump < 12; ++jump) {
        ASSERT_NE(BASS_ChannelSetPosition(stream, 20011 * 4 + 3), 0) << "aligns down to the frame";
        ASSERT_EQ(frameOf(stream), 20011) << "before any rendering";
        renderLeft(3307, &left);
    }
    // Once the jump's fade is over, the samples are the file's own.
    for (int i = kFade; i < 3307; ++i) {
        ASSERT_EQ(left[left.size() - 3307 + i], own[2 * (20011 + i)]) << i;
    }
    ASSERT_NE(BASS_ChannelStop(stream), 0);
    const std::vector<float> stopping = renderLeft(1000, &left);
    EXPECT_EQ(peak({stopping.begin() + kFade, stopping.end()}), 0.0) << "silent once faded";
    ASSERT_NE(BASS_StreamPlay(stream, 1, 0), 0);
    EXPECT_GT(peak(renderLeft(256, &left)), 0.1) << "sounding within the first block";
    renderLeft(744, &left);
    EXPECT_EQ(frameOf(stream), 20011 + 3307 + 1000) << "a stop holds it; play resumes, flushed";
    // The sine's steepest step plus what a linear fade may add; a cut steps by up to 1.6.
    EXPECT_LT(largestStep(left), 2 * M_PI * 997 * 0.8 / 44100 + 2 * 0.8 / kFade);

    EXPECT_EQ(BASS_ChannelSetPosition(stream, length + 4), 0) << "past the end";
    EXPECT_EQ(BASS_ChannelSetPosition(stream, 0xFFFFFFFFull), 0) << "a negative cue point";
    EXPECT_NE(BASS_ChannelSetPosition(stream, length), 0) << "the end itself";
    ASSERT_NE(BASS_ChannelSetPosition(stream, length - 4410 * 4), 0);
    const std::vector<float> out = render(8820);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), length) << "stopped at the end";
    for (int i = 4410; i < 8820; ++i) ASSERT_EQ(out[2 * i], 0.0f) << i;
    ASSERT_NE(BASS_ChannelSetPosition(stream, length - 4410 * 4), 0);
    ASSERT_NE(BASS_StreamPlay(stream, 0, LUMA_PLAY_LOOP), 0);
    render(4410 + 1000);
    EXPECT_EQ(frameOf(stream), 1000) << "wrapped to the start";
    ASSERT_NE(BASS_StreamFree(stream), 0);
    EXPECT_EQ(peak(render(1000)), 0.0) << "freed while playing: silent at once";
    render(1000);  // lets the engine reclaim the channel
}

// Every format the engine reads plays at its own rate exactly the length it reports.
TEST_F(PlaybackTest, EachFormatPlaysItsExactLength) {
    for (const StreamFormat& format : streamFormats()) {
        SCOPED_TRACE(format.name);
        const std::string path = format.toneFile(dir);
        const uint32_t stream = openPlayable(path);
        const uint64_t frames = BASS_StreamGetLength(stream) / 4;
        EXPECT_EQ(frames, decodeAll(path).size() / 2) << "what its decoder delivers";
        EXPECT_EQ(rateOf(stream), static_cast<uint32_t>(format.rate));
        ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
        const std::vector<float> left = renderLeft(int(frames * 44100 / format.rate) + 2048);
        const double hz = format.decodedHz(440);
        EXPECT_NEAR(fitSine({left.begin() + 8192, left.begin() + 24576}, 44100, hz).frequencyHz, hz,
                    0.05);
        EXPECT_EQ(BASS_ChannelGetLevel(stream), 0xFFFFFFFFu) << "stopped at its end";
        BASS_StreamFree(stream);
    }
}

constexpr int kTrackFrames = 32768;
constexpr int kStart = 10000, kEnd = 14410, kLength = kEnd - kStart;
constexpr int kFade = 128;  // the seam's cross-fade, before the end

class LoopTest : public EngineTest {
  protected:
    // Left: each frame's index as an exact 16-bit code; right: loud from the loop's end on.
    uint32_t openIndexTrack() {
        Signal index{std::vector<float>(2 * kTrackFrames)};
        for (int i = 0; i < kTrackFrames; ++i) {
            index.samples[2 * i] = static_cast<float>(i - 16384) / 32768.0f;
            index.samples[2 * i + 1] = i >= kEnd ? 0.6f : 0.0f;
        }
        return openPlayable(writeWav(index));
    }
    // Starts at `from` and renders the first block, which fades the channel in.
    void startAt(uint32_t stream, int from, int start = kStart, int end = kEnd, int rate = 0) {
        setRate(stream, rate);
        ASSERT_NE(BASS_ChannelSetPosition(stream, from * 4), 0);
        ASSERT_NE(LUMA_ChannelSetLoop(stream, start * 4, end * 4, 1), 0);
        ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
        render(256);
    }
};

// Source position of output frame k for playback from `from` at `step`.
double loopPosition(double from, double step, int64_t k, int start = kStart, int end = kEnd) {
    const double virtualPos = from + step * static_cast<double>(k);
    if (virtualPos < end) return virtualPos;
    return start + std::fmod(virtualPos - start, end - start);
}

// The last case: a short loop at an eightfold step, wrapped several times a block.
TEST_F(LoopTest, NothingAtOrPastTheEndIsHeardAndTheWrapIsExactAtAnyRate) {
    const struct {
        int outputRate, rate, start;
    } cases[] = {{44100, 44100, kStart}, {44100, 60417, kStart}, {12500, 100000, kEnd - 1000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " at " << c.outputRate << " Hz");
        restartAt(c.outputRate);
        const uint32_t stream = openIndexTrack();
        startAt(stream, c.start - 1000, c.start, kEnd, c.rate);
        const double step = double(c.rate) / c.outputRate;
        const double from = c.start - 1000 + 256 * step;
        // Odd chunks, so that the seam falls anywhere in the output's blocks.
        std::vector<float> out;
        for (int chunk = 0; chunk < 90; ++chunk) {
            render(1901, &out);
            const auto frames = static_cast<int64_t>(out.size() / 2);
            ASSERT_NEAR(frameOf(stream), loopPosition(from, step, frames, c.start), 1.0) << chunk;
            ASSERT_GE(frameOf(stream), frames * step > 1000 ? c.start : 0);
            ASSERT_LT(frameOf(stream), kEnd);
        }
        const std::vector<float> left = side(out, 0);
        EXPECT_EQ(peak(side(out, 1)), 0.0) << "a frame behind the loop's end was heard";
        // Away from the seam (and the kernel's reach) the heard index is the source position.
        const double guard = c.rate == 44100 ? 0.0 : 60.0 * step;
        for (size_t k = 0; k < left.size(); ++k) {
            const double at = loopPosition(from, step, static_cast<int64_t>(k), c.start);
            if (at < c.start + guard || at >= kEnd - kFade - guard) continue;
            ASSERT_NEAR(left[k] * 32768.0 + 16384.0, at, c.rate == 44100 ? 0.0 : 0.5) << k;
        }
        BASS_StreamFree(stream);
    }
}

// 441 Hz: 100 frames a period; the loop starts off any zero crossing.
TEST_F(LoopTest, LoopOfWholePeriodsPlaysTheSineUnbroken) {
    for (int rate : {44100, 60417}) {
        SCOPED_TRACE(rate);
        const uint32_t stream = openPlayable(writeWav(makeSine(441, 2.0)));
        startAt(stream, 20011, 20011, 20011 + 4400, rate);
        const std::vector<float> left = renderLeft(50 * 4400);
        const double hz = 441.0 * rate / 44100.0;
        const SineFit fit = fitSine(left, 44100, hz);
        EXPECT_GT(fit.snrDb, rate == 44100 ? 85.0 : 80.0) << "a step or a dip at the seams";
        EXPECT_LT(largestStep(left), 2 * M_PI * hz * 0.5 / 44100 * 1.01 + 2.0 / 32768);
        BASS_StreamFree(stream);
    }
}

// Half a period short (an unfaded seam jumps by 1.0); changes land where readings differ most.
TEST_F(LoopTest, SwitchingOrMovingTheLoopNearItsSeamNeverSteps) {
    constexpr int start = 20025, end = start + 4450;
    struct Change {
        const char* what;
        int from;  // where playback stands when the change arrives
        int newStart, newEnd, on;
    };
    for (const Change& change :
         {Change{"off inside the fade", end - 60, 0, 0, 0},
          Change{"off within reach of the end", end - 20, 0, 0, 0},
          Change{"off just after a wrap", end + 15, 0, 0, 0},
          Change{"on inside the fade", end - 60, start, end, 1},
          Change{"end trimmed up inside the fade", end - 60, start, end + 125, 1},
          Change{"end trimmed down onto the play position", end - 190, start, end - 125, 1},
          Change{"end trimmed just after a wrap", end + 15, start, end + 125, 1}}) {
        SCOPED_TRACE(change.what);
        const uint32_t stream = openPlayable(writeWav(makeSine(441, 2.0)));
        startAt(stream, change.from - 256 - 1000, start, end);
        if (change.on && change.newEnd == end && change.from < end) {
            ASSERT_NE(LUMA_ChannelSetLoop(stream, 0, 0, 0), 0);
        }
        std::vector<float> left = renderLeft(1000);
        ASSERT_EQ(frameOf(stream), change.from < end ? change.from : change.from - (end - start));
        ASSERT_NE(LUMA_ChannelSetLoop(stream, change.newStart * 4, change.newEnd * 4, change.on),
                  0);
        renderLeft(3000, &left);
        EXPECT_LT(largestStep(left), 2 * M_PI * 441 * 0.5 / 44100 + 2 * 0.5 / kFade);
        BASS_StreamFree(stream);
    }
}

TEST_F(LoopTest, OnlyCrossingTheEndOfASensibleRegionWhilePlayingWraps) {
    const uint32_t stream = openIndexTrack();
    startAt(stream, kEnd - 500);
    ASSERT_NE(BASS_ChannelSetPosition(stream, (kEnd + 1000) * 4), 0);
    render(1000);
    EXPECT_EQ(frameOf(stream), kEnd + 2000) << "a seek past the end plays on";
    ASSERT_NE(LUMA_ChannelSetLoop(stream, kStart * 4, kEnd * 4, 1), 0);
    render(1000);
    EXPECT_EQ(frameOf(stream), kEnd + 3000) << "a region behind the position waits";
    ASSERT_NE(LUMA_ChannelSetLoop(stream, kStart * 4, (kEnd + 4000) * 4, 1), 0);
    render(2000);
    EXPECT_EQ(frameOf(stream), kStart + 1000) << "one ahead of it holds";
    ASSERT_NE(LUMA_ChannelSetLoop(stream, kStart * 4, kEnd * 4, 1), 0);
    ASSERT_NE(BASS_ChannelSetPosition(stream, (kEnd - 100) * 4), 0);
    render(200);
    EXPECT_EQ(frameOf(stream), kStart + 100);
    ASSERT_NE(LUMA_ChannelSetLoop(stream, kStart * 4, kEnd * 4, 0), 0);
    render(kLength);
    EXPECT_EQ(frameOf(stream), kEnd + 100) << "switched off: plays through";
    // A loop ending at the track's end wraps there instead of stopping, looped play or not.
    for (uint32_t flags : {0u, static_cast<uint32_t>(LUMA_PLAY_LOOP)}) {
        ASSERT_NE(BASS_ChannelSetPosition(stream, (kTrackFrames - 500) * 4), 0);
        ASSERT_NE(LUMA_ChannelSetLoop(stream, 28000 * 4, kTrackFrames * 4, 1), 0);
        ASSERT_NE(BASS_StreamPlay(stream, 0, flags), 0);
        render(2000);
        EXPECT_EQ(frameOf(stream), 28000 + 1500) << flags;
        EXPECT_NE(BASS_ChannelGetLevel(stream), 0xFFFFFFFFu) << "still playing";
    }
    // Regions that make no sense: playback crosses their ends as if there were none.
    for (auto [start, end, from] : {std::tuple{kEnd * 4, kStart * 4, kStart - 100},
                                    {kStart * 4, kStart * 4 + 3, kStart - 100},
                                    {-4, kEnd * 4, kEnd - 100},
                                    {kStart * 4, kTrackFrames * 4 + 4, kTrackFrames - 100}}) {
        ASSERT_NE(BASS_ChannelSetPosition(stream, from * 4), 0);
        EXPECT_NE(LUMA_ChannelSetLoop(stream, start, end, 1), 0);
        ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
        render(200);
        EXPECT_EQ(frameOf(stream), std::min(from + 200, kTrackFrames)) << start << ".." << end;
    }
}

using MixingTest = EngineTest;

// Effects reach the equaliser with all three parameters; what is refused.
TEST_F(MixingTest, PeakingEqReachesTheChannel) {
    // A bell at 1 kHz, on sines quiet enough that its boost stays below the limiter.
    const LUMA_PARAMEQ boost{1000.0f, 12.0f, 12.0f};
    for (const double hz : {1000.0, 2000.0}) {
        const uint32_t stream = play(writeWav(makeSine(hz, 2.0, 44100, 2, 0.1)));
        EXPECT_NE(BASS_FXSetParameters(BASS_ChannelSetFX(stream, LUMA_FX_PARAMEQ), &boost), 0);
        render(8192);  // let filters and glides settle
        const double gain = 20 * std::log10(fitSine(renderLeft(44100), 44100, hz).amplitude / 0.1);
        EXPECT_NEAR(gain, bellDb(hz, 1000, 12, 12, 44100), hz == 1000 ? 0.1 : 0.5) << hz;
        BASS_StreamFree(stream);
    }
    const uint32_t stream = play(writeWav(makeSine(440, 2.0)));
    const uint32_t fx = BASS_ChannelSetFX(stream, LUMA_FX_PARAMEQ);
    const LUMA_PARAMEQ broken{NAN, 12.0f, 0.0f};
    EXPECT_EQ(BASS_FXSetParameters(fx, &broken), 0);
    EXPECT_EQ(BASS_ChannelSetFX(stream, 3), 0u) << "only the peaking equaliser exists";
    for (int i = 1; i < 16; ++i) EXPECT_NE(BASS_ChannelSetFX(stream, LUMA_FX_PARAMEQ), 0u);
    EXPECT_EQ(BASS_ChannelSetFX(stream, LUMA_FX_PARAMEQ), 0u) << "sixteen at most";
}

// A global volume change glides: cut on the slow sine's peak, it steps no more than a fade.
TEST_F(MixingTest, GlobalVolumeGlidesToSilence) {
    play(writeWav(makeSine(50, 2.0, 44100, 2, 0.25)));
    render(1102);  // to a peak (882 frames a period), where a cut steps the most
    ASSERT_NE(BASS_SetGlobalVolumes(-1, -1, 0), 0);
    const std::vector<float> left = renderLeft(1024);
    EXPECT_LT(largestStep(left), 0.0056) << "faded, not cut";
    EXPECT_EQ(peak(std::vector<float>(left.end() - 10, left.end())), 0.0);
}

// A damaged float file under EQ boost: finite, inside full scale, still playing around them.
TEST_F(MixingTest, OutputStaysFiniteAndInsideFullScale) {
    Signal damaged = makeSine(1000, 2.0, 44100, 2, 0.5);
    const float broken[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 3e38f};
    for (size_t i = 0; i < damaged.samples.size(); i += 997) damaged.samples[i] = broken[i % 6];
    const std::string path = (dir.path() / "damaged-float.wav").string();
    ASSERT_TRUE(writeSoundFile(path, damaged, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    const uint32_t stream = play(path);
    for (int i = 0; i < 3; ++i) BASS_ChannelSetFX(stream, LUMA_FX_PARAMEQ);
    const std::vector<float> out = render(44100);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float x) { return std::isfinite(x); }));
    EXPECT_LE(peak(out), 0.8911);
    // Its over-range samples became full scale, which the limiter then holds down.
    EXPECT_NEAR(fitSine(side(out, 0), 44100, 1000).amplitude, 0.45, 0.03);
}

// The level reads each side's peak, the spectrum a sine's amplitude; neither once stopped.
TEST_F(MixingTest, LevelAndSpectrumReadWhatIsHeard) {
    const uint32_t stream = play(writeWav(makeSine(46 * 44100.0 / 2048, 2.0)));
    render(4096);
    const uint32_t level = BASS_ChannelGetLevel(stream);
    EXPECT_NEAR(level & 0xFFFF, 64, 1);
    EXPECT_NEAR(level >> 16, 64, 1);
    std::vector<float> magnitudes(1024, -1.0f);
    ASSERT_EQ(BASS_ChannelGetData(stream, magnitudes.data(), LUMA_DATA_FFT2048), 4096u);
    const auto top = std::max_element(magnitudes.begin(), magnitudes.end()) - magnitudes.begin();
    EXPECT_EQ(top, 46);
    EXPECT_NEAR(magnitudes[46], 0.5, 0.01);
    ASSERT_NE(BASS_ChannelSlideAttributes(stream, -1, -1, 100, 0), 0);
    render(4096);
    EXPECT_EQ(BASS_ChannelGetLevel(stream) & 0xFFFF, 0u) << "panned right";
    ASSERT_NE(BASS_ChannelStop(stream), 0);
    render(256);
    EXPECT_EQ(BASS_ChannelGetData(stream, magnitudes.data(), LUMA_DATA_FFT2048), 0xFFFFFFFFu);
}

std::vector<float> reports;

using TempoTest = EngineTest;

TEST_F(TempoTest, DetectsADecodeOnlyStreamsTempoAndFreesItWithTheDetection) {
    drums::BeatTrack track = drums::renderBeatTrack({.bpm = 128.0, .seconds = 40.0});
    const std::string path = writeWav({std::move(track.samples), track.channels, track.rate});
    const uint32_t decoder = BASS_StreamCreateFile(0, path.c_str(), 0, 0, LUMA_STREAM_DECODE);
    ASSERT_NE(decoder, 0u);
    // Past the end, an empty span, a NaN end.
    for (auto [from, to] : {std::pair{50.0f, 90.0f}, {5.0f, 5.0f}, {2.0f, NAN}}) {
        EXPECT_EQ(BASS_FX_BPM_DecodeGet(decoder, from, to, 0, 3, nullptr), 0.0f) << from;
    }
    // The span reaches past the end: the file is analysed to its end.
    const float bpm = BASS_FX_BPM_DecodeGet(
        decoder, 0.0f, 90.0f, 0, 3, [](uint32_t, float percent) { reports.push_back(percent); });
    EXPECT_NEAR(bpm, 128.0, 128.0 * 0.01);
    ASSERT_GE(reports.size(), 50u);
    EXPECT_EQ(reports.front(), 0.0f);
    EXPECT_EQ(reports.back(), 100.0f);
    for (size_t i = 1; i < reports.size(); ++i) {
        EXPECT_GT(std::floor(reports[i]), std::floor(reports[i - 1])) << "each percent once";
    }
    // What the deck shows: two decimals of this, times -100.
    EXPECT_FLOAT_EQ(BASS_FX_BPM_Percents2BPM(decoder, 8.0f), -bpm * 1.08f / 100.0f);
    EXPECT_EQ(BASS_FX_TempoFree(decoder), 0) << "decode-only channels are no tempo streams";
    EXPECT_NE(BASS_FX_BPM_Free(decoder), 0);
    EXPECT_EQ(BASS_StreamGetLength(decoder), UINT64_MAX) << "freed with the detection";

    // A played channel reports its tempo change and frees as a tempo stream.
    const uint32_t played = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    setRate(played, 47628);
    EXPECT_NEAR(BASS_FX_TempoGetApproxPercents(played), 8.0f, 1e-4f);
    EXPECT_NE(BASS_FX_TempoFree(played), 0);
    EXPECT_EQ(BASS_StreamGetLength(played), UINT64_MAX);
}

}  // namespace
}  // namespace luma::test
