// The clock-paced outputs without a device: the null output, and the WAV
// output that records what it renders.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "output/null_output.h"
#include "output/wav_output.h"
#include "support/temp_dir.h"
#include "test_callback.h"

namespace luma {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using test::decodeFrame;
using test::TestCallback;

TEST(NullOutput, StopWaitsForThePeriodInProgressAndThenNothingRenders) {
    NullOutput output;
    TestCallback callback;
    callback.busyMicroseconds = 3000;
    ASSERT_TRUE(output.open(0, 44100, &callback));
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(output.start());
        ASSERT_TRUE(callback.waitForPeriods(callback.periods.load() + 2));
        ASSERT_TRUE(test::waitFor([&] { return callback.inside.load(); }));
        const int64_t before = callback.periods.load();
        ASSERT_TRUE(output.stop());
        EXPECT_FALSE(callback.inside.load()) << "round " << round;
        EXPECT_EQ(callback.periods.load(), before + 1) << "the period in progress completes";
        std::this_thread::sleep_for(milliseconds(30));
        EXPECT_EQ(callback.periods.load(), before + 1) << "round " << round;
    }
    output.close();
}

TEST(NullOutput, StartAndStopDoNotWaitForTheNextPeriod) {
    NullOutput output;
    TestCallback callback;
    ASSERT_TRUE(output.open(0, 1000, &callback));  // 256 ms periods
    const auto started = Clock::now();
    ASSERT_TRUE(output.start());
    ASSERT_TRUE(callback.waitForPeriods(1));
    EXPECT_LT(Clock::now() - started, milliseconds(150));

    const auto stopping = Clock::now();
    ASSERT_TRUE(output.stop());  // the thread sleeps towards its next deadline now
    EXPECT_LT(Clock::now() - stopping, milliseconds(150));
    EXPECT_EQ(callback.periods.load(), 1);
}

// One output through its life: what it refuses, real-time pace that carries
// on after a stall instead of catching up (and reports the stall as an
// underrun: a card would have played a gap), reopening and destruction while
// running.
TEST(NullOutput, KeepsPaceThroughAStallAndReopensAndDiesWhileRunning) {
    TestCallback first;
    TestCallback second;
    first.stallOnPeriod = 5;
    first.stallMilliseconds = 250;
    {
        NullOutput output;
        EXPECT_FALSE(output.open(1, 48000, &first));
        EXPECT_FALSE(output.open(0, 48000, nullptr));
        EXPECT_FALSE(output.start());
        ASSERT_TRUE(output.open(0, 48000, &first));
        EXPECT_EQ(output.sampleRate(), 48000);
        EXPECT_EQ(first.periods.load(), 0) << "nothing renders before start()";
        const auto begin = Clock::now();
        ASSERT_TRUE(output.start());
        std::this_thread::sleep_for(milliseconds(600));
        ASSERT_TRUE(output.stop());
        const double wall = std::chrono::duration<double>(Clock::now() - begin).count();
        // Catching up would render the stalled quarter second in a burst.
        const double rendered = first.framesRendered.load() / 48000.0;
        EXPECT_LT(rendered, wall - 0.125);
        EXPECT_GT(rendered, 0.5 * (wall - 0.25));
        EXPECT_GE(output.underruns(), 1u);
        EXPECT_EQ(first.oddPeriods.load(), 0);

        ASSERT_TRUE(output.start());
        ASSERT_TRUE(first.waitForPeriods(first.periods.load() + 2));
        ASSERT_TRUE(output.open(0, 0, &second));  // closes the running one first
        EXPECT_EQ(output.sampleRate(), NullOutput::kDefaultRate);
        const int64_t firstTotal = first.periods.load();
        ASSERT_TRUE(output.start());
        ASSERT_TRUE(second.waitForPeriods(2));
        EXPECT_EQ(first.periods.load(), firstTotal);
    }  // destroyed while running
    EXPECT_FALSE(second.inside.load());
}

// The frame numbers found in a 16-bit stereo file, or nothing if it cannot be read.
std::vector<int64_t> frameNumbersIn(const std::string& path, SF_INFO& info) {
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr || info.channels != 2) return {};
    std::vector<float> samples(info.frames * 2);
    std::vector<int64_t> numbers(sf_readf_float(file, samples.data(), info.frames));
    for (size_t i = 0; i < numbers.size(); ++i)
        numbers[i] = decodeFrame(samples[2 * i], samples[2 * i + 1]);
    sf_close(file);
    return numbers;
}

// The size the header gives the data chunk, read from the bytes: readers may
// forgive a stale header, a killed process's file must not need that.
uint32_t headerDataBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    const auto word = [&](size_t at) {
        uint32_t value = 0;
        std::memcpy(&value, &bytes[at], 4);  // little-endian, like the machine
        return value;
    };
    for (size_t at = 12; at + 8 <= bytes.size(); at += 8 + word(at + 4) + (word(at + 4) & 1)) {
        if (std::memcmp(&bytes[at], "data", 4) == 0) return word(at + 4);
    }
    return 0;
}

// Two runs: what renders after a restart follows on in the same file. While
// the first runs, the header already counts most of what was rendered.
TEST(WavOutput, FileHoldsExactlyTheFramesRenderedAndItsHeaderKeepsUp) {
    test::TempDir dir;
    const std::string path = dir.file("take.wav");
    WavOutput output(path);
    TestCallback callback;
    ASSERT_TRUE(output.open(0, 48000, &callback));
    EXPECT_EQ(output.sampleRate(), 44100) << "the file's rate, whatever was asked";
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(output.start());
        ASSERT_TRUE(callback.waitForPeriods(callback.periods.load() + 100));
        if (run == 0) {
            constexpr uint32_t kBytes = 60 * 256 * 4;
            uint32_t dataBytes = 0;
            for (int tries = 0; tries < 100 && dataBytes < kBytes; ++tries) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                dataBytes = headerDataBytes(path);
            }
            EXPECT_GE(dataBytes, kBytes);
            EXPECT_EQ(dataBytes % 4, 0u) << "whole 16-bit stereo frames";
        }
        ASSERT_TRUE(output.stop());
    }
    output.close();

    SF_INFO info{};
    const std::vector<int64_t> numbers = frameNumbersIn(path, info);
    EXPECT_EQ(info.samplerate, 44100);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(output.droppedFrames(), 0);
    ASSERT_EQ(static_cast<int64_t>(numbers.size()), callback.framesRendered.load());
    int64_t misplaced = 0;
    for (size_t i = 0; i < numbers.size(); ++i) misplaced += numbers[i] != static_cast<int64_t>(i);
    EXPECT_EQ(misplaced, 0);
}

TEST(WavOutput, UnwritablePathOrBadDeviceFailsToOpen) {
    test::TempDir dir;
    TestCallback callback;
    WavOutput missingFolder(dir.file("no/such/folder/take.wav"));
    EXPECT_FALSE(missingFolder.open(0, 44100, &callback));
    EXPECT_FALSE(missingFolder.start());
    WavOutput badDevice(dir.file("untouched.wav"));
    EXPECT_FALSE(badDevice.open(3, 44100, &callback));
    EXPECT_FALSE(std::filesystem::exists(dir.file("untouched.wav")));
}

TEST(WavRecorder, DropsAndCountsWhatTheWriterCannotTakeInsteadOfWaiting) {
    test::TempDir dir;
    const std::string path = dir.file("burst.wav");
    WavRecorder recorder(1024);
    ASSERT_TRUE(recorder.open(path, 44100));
    // Six seconds of audio at once into a ring of 1024 frames: a render thread
    // that waited for the writer would take seconds; one that drops returns at once.
    constexpr int64_t kFrames = 1000 * 256;
    std::vector<float> period(2 * 256);
    for (int64_t first = 0; first < kFrames; first += 256) {
        for (int i = 0; i < 256; ++i) test::encodeFrame(first + i, &period[2 * i]);
        recorder.periodRendered(period.data(), 256);
    }
    recorder.close();

    SF_INFO info{};
    const std::vector<int64_t> numbers = frameNumbersIn(path, info);
    EXPECT_GT(recorder.droppedFrames(), 0);
    EXPECT_EQ(static_cast<int64_t>(numbers.size()) + recorder.droppedFrames(), kFrames);
    int64_t outOfOrder = 0;
    for (size_t i = 1; i < numbers.size(); ++i) outOfOrder += numbers[i] <= numbers[i - 1];
    EXPECT_EQ(outOfOrder, 0) << "what was kept stays in order";
}

}  // namespace
}  // namespace luma
