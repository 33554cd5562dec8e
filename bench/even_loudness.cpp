// Even loudness on real music: tracker modules that Debian's game packages
// ship, rendered, each also 10 dB down, played in turn at Gain 50 through the
// engine's C interface (manual output). Prints each play's loudness at the
// output and the spread between them, with even loudness on (at -18 LUFS)
// against off in the same run, and the largest sample heard.
#include <ebur128.h>
#include <lumaaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/audio_files.h"
#include "support/temp_dir.h"

namespace {

constexpr double kPlaySeconds = 60.0;  // of each piece, from its start
constexpr float kTargetLufs = -18.0f;
constexpr int kGain = 50;  // the deck's Gain slider, as its global volume

// Pieces from packages tools/tempo-set/build.sh installs; those missing are left out.
const char* const kModules[] = {
    "/usr/share/rockdodger/magic.mod",
    "/usr/share/sounds/gweled/autonom.s3m",
    "/usr/share/games/cuyo/sounds/cuyo.it",
    "/usr/share/games/ri-li/Ri-li/Sounds/jeu1.xm",
    "/usr/share/games/dodgindiamond2/bgm1.xm",
    "/usr/share/games/circuslinux/data/music/kaupunki.mod",
    "/usr/share/games/bugsquish/music/adventures.mod",
    "/usr/share/games/gemdropx/sounds/hr_suds.xm",
};

// The module's first kPlaySeconds as the engine renders it, scaled by `gain`.
luma::test::Signal renderModule(const char* path, float gain) {
    luma::test::Signal signal;
    const uint32_t module = BASS_MusicLoad(0, path, 0, 0, LUMA_MUSIC_ANALYSED | LUMA_STREAM_DECODE);
    if (module == 0) return signal;
    std::vector<float> block(16384);
    const size_t wanted = static_cast<size_t>(kPlaySeconds * 44100) * 2;
    while (signal.samples.size() < wanted) {
        const uint32_t got = BASS_ChannelGetData(
            module, block.data(), static_cast<uint32_t>(block.size() * 4) | LUMA_DATA_FLOAT);
        if (got == 0 || got == 0xFFFFFFFFu) break;
        for (size_t i = 0; i < got / 4; ++i) signal.samples.push_back(block[i] * gain);
    }
    BASS_MusicFree(module);
    return signal;
}

struct Heard {
    double lufs = 0;
    double peak = 0;
};

Heard measure(const std::vector<float>& interleaved) {
    ebur128_state* meter = ebur128_init(2, 44100, EBUR128_MODE_I);
    ebur128_add_frames_float(meter, interleaved.data(), interleaved.size() / 2);
    Heard heard;
    ebur128_loudness_global(meter, &heard.lufs);
    ebur128_destroy(&meter);
    for (float sample : interleaved) heard.peak = std::max(heard.peak, std::fabs(double(sample)));
    return heard;
}

// Loads the file as the deck does, waits for the measurement (when on), plays it
// through and measures what leaves the engine.
Heard play(const std::string& path, bool even) {
    const uint32_t stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0x20080);
    if (stream == 0) return {};
    BASS_StreamPreBuf(stream);
    for (int tries = 0; even && tries < 2000; ++tries) {
        if (LUMA_ChannelGetLoudness(stream, nullptr, nullptr, nullptr) != 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    BASS_StreamPlay(stream, 0, 0);
    const auto frames = static_cast<uint32_t>(BASS_StreamGetLength(stream) / 4);
    std::vector<float> out(static_cast<size_t>(frames) * 2);
    LUMA_RenderFrames(out.data(), frames);
    BASS_StreamFree(stream);
    return measure(out);
}

}  // namespace

int main() {
    setenv("LUMATRONE_AUDIO", "manual", 1);
    if (BASS_Init(0, 44100, 0, nullptr) == 0 || BASS_Start() == 0) return 1;
    BASS_SetGlobalVolumes(kGain, kGain, kGain);
    luma::test::TempDir dir;
    std::vector<std::string> names, files;
    for (const char* module : kModules) {
        if (!std::filesystem::exists(module)) continue;
        for (const float gain : {1.0f, std::pow(10.0f, -10.0f / 20.0f)}) {
            const luma::test::Signal signal = renderModule(module, gain);
            if (signal.samples.empty()) continue;
            files.push_back(dir.file(std::to_string(files.size()) + ".wav"));
            // Float, so that the piece 10 dB down keeps every bit it had.
            luma::test::writeSoundFile(files.back(), signal, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
            names.push_back(std::filesystem::path(module).filename().string() +
                            (gain < 1.0f ? " -10 dB" : ""));
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "no modules found: run tools/tempo-set/build.sh first\n");
        return 1;
    }
    std::printf("%zu plays in turn at Gain %d, %g s each (output LUFS, off -> on):\n", files.size(),
                kGain, kPlaySeconds);
    double spread[2][2] = {{1e9, -1e9}, {1e9, -1e9}};  // [off, on][lowest, highest]
    double largest = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        Heard heard[2];
        for (const bool even : {false, true}) {
            LUMA_SetLoudnessTarget(even ? kTargetLufs : LUMA_LOUDNESS_OFF);
            heard[even] = play(files[i], even);
            spread[even][0] = std::min(spread[even][0], heard[even].lufs);
            spread[even][1] = std::max(spread[even][1], heard[even].lufs);
        }
        largest = std::max(largest, heard[1].peak);
        std::printf("  %-28s %7.2f -> %7.2f  (peak %.3f)\n", names[i].c_str(), heard[0].lufs,
                    heard[1].lufs, heard[1].peak);
    }
    std::printf("spread: %.2f LU off, %.2f LU on (%.3fx); largest sample on %.3f (%.2f dBFS)\n",
                spread[0][1] - spread[0][0], spread[1][1] - spread[1][0],
                (spread[1][1] - spread[1][0]) / (spread[0][1] - spread[0][0]), largest,
                20 * std::log10(largest));
    BASS_Free();
    return 0;
}
