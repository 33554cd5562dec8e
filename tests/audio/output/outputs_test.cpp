// The outputs: the clock-paced null and WAV ones, the sound servers' on servers
// of the test's own, LUMATRONE_AUDIO's choice, and the recorder's ring.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "output/alsa_output.h"
#include "output/jack_output.h"
#include "output/null_output.h"
#include "output/pulse_output.h"
#include "output/spsc_ring.h"
#include "output/wav_output.h"
#include "support/jack_server.h"
#include "support/pulse_server.h"
#include "support/scoped_env.h"

namespace luma {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Every frame carries its own number over both channels, in steps that survive 16 bits.
constexpr int kSteps = 4096;

void encodeFrame(int64_t frame, float* out) {
    out[0] = static_cast<float>(frame % kSteps - kSteps / 2) / (kSteps / 2);
    out[1] = static_cast<float>(frame / kSteps % kSteps - kSteps / 2) / (kSteps / 2);
}

int64_t decodeFrame(double left, double right) {
    const auto level = [](double x) { return std::lround(x * (kSteps / 2)) + kSteps / 2; };
    return level(left) + level(right) * kSteps;
}

// Polls `done` for up to five seconds.
template <typename Done>
bool waitFor(Done done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

class TestCallback : public RenderCallback {
  public:
    void renderAudio(float* interleavedStereo, int frames) noexcept override {
        inside.store(true);
        const int64_t first = framesRendered.load();
        for (int i = 0; i < frames; ++i) encodeFrame(first + i, interleavedStereo + 2 * i);
        const std::chrono::microseconds busy = periods.load() == stallOnPeriod
                                                   ? std::chrono::milliseconds(stallMilliseconds)
                                                   : std::chrono::microseconds(busyMicroseconds);
        if (busy.count() > 0) std::this_thread::sleep_for(busy);
        framesRendered.fetch_add(frames);
        periods.fetch_add(1);
        inside.store(false);
    }

    bool waitForPeriods(int64_t count) const {
        return waitFor([&] { return periods.load() >= count; });
    }

    // Busy time stretches each period, so that stop() meets one in progress.
    std::atomic<int> busyMicroseconds{0};
    std::atomic<int64_t> stallOnPeriod{-1};
    std::atomic<int> stallMilliseconds{0};
    std::atomic<bool> inside{false};
    std::atomic<int64_t> periods{0};
    std::atomic<int64_t> framesRendered{0};
};

// stop() lets the period in progress end, then nothing renders; neither waits for a deadline.
TEST(NullOutput, StopEndsThePeriodInProgressAndNeitherWaitsForTheNext) {
    NullOutput output;
    TestCallback callback;
    callback.busyMicroseconds = 3000;
    ASSERT_TRUE(output.open(0, 44100, &callback));
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(output.start());
        ASSERT_TRUE(callback.waitForPeriods(callback.periods.load() + 2));
        ASSERT_TRUE(waitFor([&] { return callback.inside.load(); }));
        const int64_t before = callback.periods.load();
        ASSERT_TRUE(output.stop());
        EXPECT_FALSE(callback.inside.load()) << "round " << round;
        std::this_thread::sleep_for(milliseconds(30));
        EXPECT_EQ(callback.periods.load(), before + 1) << "round " << round;
    }
    TestCallback slow;
    ASSERT_TRUE(output.open(0, 1000, &slow));  // 256 ms periods
    const auto started = Clock::now();
    ASSERT_TRUE(output.start());
    ASSERT_TRUE(slow.waitForPeriods(1));
    EXPECT_LT(Clock::now() - started, milliseconds(150));
    const auto stopping = Clock::now();
    ASSERT_TRUE(output.stop());  // the thread sleeps towards its next deadline now
    EXPECT_LT(Clock::now() - stopping, milliseconds(150));
    EXPECT_EQ(slow.periods.load(), 1);
}

// What it refuses; a stall skipped, not caught up, and counted; reopened and destroyed running.
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
        EXPECT_EQ(first.framesRendered.load(), first.periods.load() * 256);

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

// The data chunk's size in the header: a killed process's file needs no forgiving reader.
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

// A restart follows on in the same file; while running, the header keeps up.
TEST(WavOutput, FileHoldsExactlyTheFramesRenderedAndItsHeaderKeepsUp) {
    test::TempDir dir;
    const std::string path = dir.file("take.wav");
    WavOutput output(path);
    TestCallback callback;
    ASSERT_TRUE(output.open(0, 48000, &callback));
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(output.start());
        ASSERT_TRUE(callback.waitForPeriods(callback.periods.load() + 100));
        // Stereo 16-bit: four bytes a frame; some 40 periods may still be on their way.
        EXPECT_TRUE(waitFor(
            [&] { return headerDataBytes(path) >= (callback.framesRendered - 40 * 256) * 4; }));
        ASSERT_TRUE(output.stop());
    }
    output.close();

    SF_INFO info{};
    const std::vector<int64_t> numbers = frameNumbersIn(path, info);
    EXPECT_EQ(info.samplerate, 44100) << "whatever rate was asked";
    ASSERT_EQ(static_cast<int64_t>(numbers.size()), callback.framesRendered.load());
    int64_t misplaced = 0;
    for (size_t i = 0; i < numbers.size(); ++i) misplaced += numbers[i] != static_cast<int64_t>(i);
    EXPECT_EQ(misplaced, 0);

    // An unwritable path, a device other than 0, a FIFO (no reader would ever come) fail to open.
    WavOutput missingFolder(dir.file("no/such/folder/take.wav"));
    EXPECT_FALSE(missingFolder.open(0, 44100, &callback));
    EXPECT_FALSE(missingFolder.start());
    WavOutput badDevice(dir.file("untouched.wav"));
    EXPECT_FALSE(badDevice.open(3, 44100, &callback));
    EXPECT_FALSE(std::filesystem::exists(dir.file("untouched.wav")));
    ASSERT_EQ(mkfifo(dir.file("fifo.wav").c_str(), 0600), 0);
    WavOutput fifo(dir.file("fifo.wav"));
    EXPECT_FALSE(fifo.open(0, 44100, &callback));
}

TEST(WavRecorder, DropsAndCountsWhatTheWriterCannotTakeInsteadOfWaiting) {
    test::TempDir dir;
    const std::string path = dir.file("burst.wav");
    WavRecorder recorder(1024);
    ASSERT_TRUE(recorder.open(path, 44100));
    // Six seconds at once into a ring of 1024 frames: waiting for the writer would take seconds.
    constexpr int64_t kFrames = 1000 * 256;
    std::vector<float> period(2 * 256);
    for (int64_t first = 0; first < kFrames; first += 256) {
        for (int i = 0; i < 256; ++i) encodeFrame(first + i, &period[2 * i]);
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

TEST(SystemOutput, DeviceThatDoesNotExistFailsCleanly) {
    const int count = static_cast<int>(listOutputDevices({OutputKind::System, ""}).size());
    EXPECT_EQ(makeOutput({OutputKind::System, ""}, {}, count), nullptr);
    TestCallback callback;
    AlsaOutput output("no such device", {});
    EXPECT_FALSE(output.open(0, 44100, &callback));
    EXPECT_FALSE(output.start());
    EXPECT_FALSE(output.stop());
}

// JACK, PulseAudio, or it through ALSA's plugin (which must end, not spin, when the server dies).
class ServerOutputTest : public testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        if (!jack) {
            server = std::make_unique<test::PulseServer>();
            return;
        }
        auto jackd = std::make_unique<test::JackServer>(48000, 256);
        jackName_.emplace("JACK_DEFAULT_SERVER", jackd->name());
        noPulse_.emplace("PULSE_SERVER", "unix:/nonexistent");
        server = std::move(jackd);
    }
    std::unique_ptr<Output> makeOutput(const OutputOptions& options) {
        if (jack) return std::make_unique<JackOutput>(options);
        if (GetParam() == "Pulse") return std::make_unique<PulseOutput>(options);
        return std::make_unique<AlsaOutput>("pulse", options);
    }
    // The names its mixers show (the ALSA plugin's stream goes unchecked).
    std::string clients() {
        if (GetParam() == "PulseThroughAlsa") return "Lumatrone deck 7";
        std::string text;
        const char* command = jack ? "jack_lsp 2>/dev/null" : "pactl list sink-inputs 2>/dev/null";
        if (FILE* pipe = popen(command, "r")) {
            char buffer[4096];
            while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
            pclose(pipe);
        }
        return text;
    }
    // Polls `open` for up to five seconds: a server needs a moment to come up.
    static bool opens(Output& output, TestCallback& callback) {
        return waitFor([&] { return output.open(-1, 44100, &callback); });
    }

    const bool jack = GetParam() == "Jack";
    std::unique_ptr<test::ServerProcess> server;
    std::optional<test::ScopedEnv> jackName_, noPulse_;
};

// Named after its deck, silent when stopped, failed when its server dies; its successor plays on.
TEST_P(ServerOutputTest, PlaysUnderItsNameAndOutlivesItsServer) {
    std::unique_ptr<Output> output = makeOutput({"Lumatrone deck 7", 0});
    TestCallback callback;
    ASSERT_TRUE(opens(*output, callback)) << server->problem();
    // The listing's probe gives a loaded server 1.5 s to answer: ask again.
    const std::string deviceZero = jack ? "Default output (JACK)" : "Default output (sound server)";
    EXPECT_TRUE(waitFor([&] {
        return listOutputDevices({OutputKind::System, ""}).at(0) == deviceZero;
    }));
    EXPECT_EQ(output->sampleRate(), jack ? 48000 : 44100) << "JACK runs at its server's rate";
    EXPECT_GT(output->latencyFrames(), 0);
    EXPECT_LT(output->latencyFrames(), output->sampleRate() / 10);
    EXPECT_NE(clients().find("Lumatrone deck 7"), std::string::npos) << clients();

    ASSERT_TRUE(output->start());
    // An idle null sink may take its time to ask for the first sound.
    EXPECT_TRUE(callback.waitForPeriods(20)) << server->problem();
    ASSERT_TRUE(output->stop());
    const int64_t atStop = callback.periods.load();
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(callback.periods.load(), atStop);
    ASSERT_TRUE(output->start());

    // A 100 ms stall is a gap of 100 ms less the buffer: some 5 to 17 periods.
    const uint64_t underrunsBefore = output->underruns();
    callback.stallMilliseconds = 100;
    callback.stallOnPeriod = callback.periods.load() + 3;  // after the length is set
    EXPECT_TRUE(callback.waitForPeriods(callback.stallOnPeriod + 20));
    const uint64_t counted = output->underruns() - underrunsBefore;
    EXPECT_GE(counted, 5u);
    EXPECT_LE(counted, 20u);

    server->kill();
    EXPECT_TRUE(waitFor([&] { return output->failed(); }));
    std::unique_ptr<Output> successor = output->successor();
    const auto closing = Clock::now();
    output->close();
    EXPECT_LT(Clock::now() - closing, milliseconds(500));

    server->start();
    TestCallback again;
    ASSERT_TRUE(opens(*successor, again)) << server->problem();
    ASSERT_TRUE(successor->start());
    EXPECT_TRUE(again.waitForPeriods(20)) << server->problem();
    EXPECT_FALSE(successor->failed());
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerOutputTest,
                         testing::Values("Jack", "Pulse", "PulseThroughAlsa"),
                         [](const auto& info) { return info.param; });

TEST(OutputSelection, ReadsEachKindAndFallsBackToSystem) {
    struct Case {
        std::optional<std::string> value;
        OutputKind kind;
        std::string wavPath;
    };
    using enum OutputKind;
    const Case cases[] = {{std::nullopt, System, ""},
                          {"NULL", Null, ""},
                          {"nullx", System, ""},
                          {"wav:", System, ""},
                          {"wav:/tmp/Some Dir/take:1.wav", Wav, "/tmp/Some Dir/take:1.wav"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.value_or("(unset)"));
        test::ScopedEnv env("LUMATRONE_AUDIO", c.value);
        const OutputSelection selection = outputSelectionFromEnvironment();
        EXPECT_EQ(selection.kind, c.kind);
        EXPECT_EQ(selection.wavPath, c.wavPath);
    }
}

TEST(SpscRing, CarriesASequenceIntactBetweenTwoThreads) {
    // Blocks of 7 in and 5 out wrap around a 64-slot ring at ever-changing places.
    SpscRing<uint32_t> ring(64);
    constexpr uint32_t kCount = 200000;
    std::thread producer([&] {
        uint32_t block[7];
        uint32_t next = 0;
        while (next < kCount) {
            const uint32_t n = std::min<uint32_t>(7, kCount - next);
            for (uint32_t i = 0; i < n; ++i) block[i] = next + i;
            next += static_cast<uint32_t>(ring.write(block, n));
        }
    });
    uint32_t expected = 0;
    uint32_t mismatches = 0;
    uint32_t block[5];
    while (expected < kCount) {
        const size_t n = ring.read(block, 5);
        for (size_t i = 0; i < n; ++i) mismatches += block[i] != expected++;
    }
    producer.join();
    EXPECT_EQ(mismatches, 0u);
}

}  // namespace
}  // namespace luma
