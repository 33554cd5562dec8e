// Render cost of one playing deck through the C interface, manual output:
// rate +8 %, four peaking filters, level and spectrum read as the deck's
// timers would. Prints the real-time factor against a plain deck (own rate,
// no filters) rendered in the same run, and BASS_GetCPU at a 256-frame period.
// Then the same deck synced over Link against it unsynced: the cost of
// following the session, to stay within 5 %.
#include <lumaaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

#include "music_like.h"
#include "support/audio_files.h"
#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPeriod = 256;
constexpr double kSeconds = 120.0;

struct Result {
    double realTimeFactor;
    float cpuPercent;
};

Result renderDeck(const std::string& path, bool dressed, bool synced = false) {
    BASS_Init(0, 44100, 0, nullptr);
    BASS_Start();
    const uint32_t channel = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0x20080);
    if (dressed) {
        const float centres[] = {80, 3000, 8000, 125};
        const float gains[] = {3, -2, 1, 3};
        for (int i = 0; i < 4; ++i) {
            const uint32_t fx = BASS_ChannelSetFX(channel, LUMA_FX_PARAMEQ);
            const LUMA_PARAMEQ eq{centres[i], 36, gains[i]};
            BASS_FXSetParameters(fx, &eq);
        }
        BASS_ChannelSlideAttributes(channel, 47628, 100, 0, 0);
    }
    BASS_StreamPreBuf(channel);
    // The beat grid is measured in the background once the track is in memory: timed
    // only after it, so that the measurement does not compete with the render.
    for (int waited = 0; waited < 60000; waited += 10) {
        if (LUMA_ChannelGetBeatGrid(channel, nullptr, nullptr, nullptr) != 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (synced && LUMA_ChannelSetSync(channel, 1) != LUMA_SYNC_LOCKED) {
        std::fprintf(stderr, "engine_render: the deck did not lock to the session\n");
    }
    BASS_StreamPlay(channel, 0, 0);
    std::vector<float> out(kPeriod * 2);
    std::vector<float> spectrum(1024);
    LUMA_RenderFrames(out.data(), kPeriod);  // waits until the track is in memory
    const int periods = static_cast<int>(kSeconds * 44100 / kPeriod / (dressed ? 1.08 : 1.0));
    const auto started = Clock::now();
    for (int i = 0; i < periods; ++i) {
        LUMA_RenderFrames(out.data(), kPeriod);
        if (i % 5 == 0) BASS_ChannelGetLevel(channel);  // about 30 ms
        if (i % 4 == 0) BASS_ChannelGetData(channel, spectrum.data(), LUMA_DATA_FFT2048);  // 25 ms
    }
    const double wall = std::chrono::duration<double>(Clock::now() - started).count();
    const float cpu = BASS_GetCPU();
    BASS_Free();
    return {periods * kPeriod / 44100.0 / wall, cpu};
}

}  // namespace

int main() {
    setenv("LUMATRONE_AUDIO", "manual", 1);
    luma::test::TempDir dir;
    const std::string path = dir.file("music.wav");
    if (!luma::test::writeWav16(path, luma::bench::musicLike(kSeconds + 5))) return 1;
    renderDeck(path, true);  // warm-up: page in the track, build the tables
    const Result plain = renderDeck(path, false);
    const Result dressed = renderDeck(path, true);
    std::printf("plain deck (own rate, no filters): %8.0fx real time, GetCPU %.3f %%\n",
                plain.realTimeFactor, plain.cpuPercent);
    std::printf("deck at +8 %%, 4 EQ, level + FFT:  %8.0fx real time, GetCPU %.3f %%\n",
                dressed.realTimeFactor, dressed.cpuPercent);
    std::printf("dressed / plain cost ratio: %.2f\n",
                plain.realTimeFactor / dressed.realTimeFactor);
    // Synced against unsynced, alternately, the fastest of three each: the machine's
    // other work slows single runs.
    double unsyncedBest = 0, syncedBest = 0;
    for (int round = 0; round < 3; ++round) {
        unsyncedBest = std::max(unsyncedBest, renderDeck(path, true).realTimeFactor);
        syncedBest = std::max(syncedBest, renderDeck(path, true, true).realTimeFactor);
    }
    std::printf("the dressed deck synced over Link: %8.0fx real time\n", syncedBest);
    std::printf("synced / unsynced cost ratio: %.3f (target at most 1.05)\n",
                unsyncedBest / syncedBest);
    return 0;
}
