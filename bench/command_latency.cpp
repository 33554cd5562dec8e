// How soon a command is heard on the real-time null output (256-frame
// periods): from BASS_StreamPlay on a loaded, stopped channel to the moment
// the output has produced its first non-silent sample, seen as the
// channel's level leaving zero (the level reads the frames rendered so far).
// Baselines from the same run: the period itself, and a seek on a playing
// channel, timed the same way until audio from the new position exists.
#include <lumaaudio.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/audio_files.h"
#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTrials = 50;
constexpr double kPeriodMs = 256 * 1000.0 / 44100;

template <typename Done>
double millisecondsUntil(Clock::time_point from, Done done) {
    while (!done()) {
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

struct Stats {
    double mean, median, worst;
};

Stats stats(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    double sum = 0;
    for (double v : values) sum += v;
    return {sum / values.size(), values[values.size() / 2], values.back()};
}

void report(const char* name, const Stats& s) {
    std::printf(
        "%-34s mean %5.2f ms (%.2f periods), median %5.2f ms, max %5.2f ms (%.2f periods)\n", name,
        s.mean, s.mean / kPeriodMs, s.median, s.worst, s.worst / kPeriodMs);
}

}  // namespace

int main() {
    luma::test::TempDir dir;
    const std::string path = dir.file("tone.wav");
    if (!luma::test::writeWav16(path, luma::test::makeSine(440, 10.0))) return 1;
    setenv("LUMATRONE_AUDIO", "null", 1);
    if (!BASS_Init(-1, 44100, 0, nullptr) || !BASS_Start()) return 1;
    const uint32_t stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0x20080);
    if (!stream || !BASS_StreamPreBuf(stream)) return 1;

    std::mt19937 random(3);
    std::uniform_int_distribution<int> phaseUs(0, 6000);  // any point of the period
    std::vector<double> play, seek;
    for (int trial = 0; trial < kTrials; ++trial) {
        BASS_ChannelStop(stream);
        BASS_ChannelSetPosition(stream, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(15));  // the taps fall silent
        std::this_thread::sleep_for(std::chrono::microseconds(phaseUs(random)));
        auto started = Clock::now();
        BASS_StreamPlay(stream, 0, 0);
        play.push_back(millisecondsUntil(started, [&] {
            const uint32_t level = BASS_ChannelGetLevel(stream);
            return level != 0 && level != 0xFFFFFFFFu;
        }));

        std::this_thread::sleep_for(std::chrono::microseconds(phaseUs(random)));
        const uint64_t target = uint64_t{44100} * 4 * (1 + trial % 8);
        started = Clock::now();
        BASS_ChannelSetPosition(stream, target);
        seek.push_back(millisecondsUntil(started, [&] {
            return BASS_ChannelGetPosition(stream) > target;  // rendered from there
        }));
    }
    const uint32_t underruns = LUMA_GetUnderruns();
    BASS_Free();

    const Stats playStats = stats(play);
    const Stats seekStats = stats(seek);
    std::printf("null output, 256-frame period = %.2f ms, %d trials\n", kPeriodMs, kTrials);
    report("StreamPlay -> first audible sample:", playStats);
    report("SetPosition -> audio from there:", seekStats);
    std::printf("play / period: mean %.2f, max %.2f; play / seek: mean %.2f\n",
                playStats.mean / kPeriodMs, playStats.worst / kPeriodMs,
                playStats.mean / seekStats.mean);
    std::printf("output underruns during the run: %u\n", underruns);
    return 0;
}
