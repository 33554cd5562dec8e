// lumaplay: plays an audio file or tracker module through the Lumatrone
// audio engine, or renders it offline to a WAV file.
//
//   lumaplay [options] [file]     (no file: a demo tone it makes)
//     --devices          list output devices and exit
//     --device N         output device (default: the system default)
//     --pitch PERCENT    playback rate change, e.g. 8 or -16
//     --render OUT.wav   render offline through the manual output instead
//     --seconds S        stop after S seconds
//     --latency MS       output buffer (default: the sound system's own)
//     --sync             follow the Ableton Link session's tempo and beats (once the
//                        track's beat grid is known; the first in a session sets its tempo)
//     --sync-latency MS  correction added to the output latency sync accounts for
//     --tempo-at S BPM   with --sync: after S seconds, move the session's tempo to BPM
//                        (as a synced deck's pitch fader does)
#include <lumaaudio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "wav_file.h"

namespace {

using luma::tools::WavFile;

volatile std::sig_atomic_t interrupted = 0;

struct Options {
    std::string file;
    std::string render;
    int device = -1;
    double pitch = 0;
    int latencyMs = 0;
    double seconds = 0;
    bool devices = false;
    bool sync = false;
    int syncLatencyMs = 0;
    double tempoAtSeconds = -1;
    double tempoBpm = 0;
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--devices") {
            options.devices = true;
        } else if (arg == "--device" && hasValue) {
            options.device = std::atoi(argv[++i]);
        } else if (arg == "--pitch" && hasValue) {
            options.pitch = std::atof(argv[++i]);
        } else if (arg == "--render" && hasValue) {
            options.render = argv[++i];
        } else if (arg == "--latency" && hasValue) {
            options.latencyMs = std::atoi(argv[++i]);
        } else if (arg == "--sync") {
            options.sync = true;
        } else if (arg == "--sync-latency" && hasValue) {
            options.syncLatencyMs = std::atoi(argv[++i]);
        } else if (arg == "--tempo-at" && i + 2 < argc) {
            options.tempoAtSeconds = std::atof(argv[++i]);
            options.tempoBpm = std::atof(argv[++i]);
        } else if (arg == "--seconds" && hasValue) {
            options.seconds = std::atof(argv[++i]);
        } else if (!arg.empty() && arg[0] != '-' && options.file.empty()) {
            options.file = arg;
        } else {
            return false;
        }
    }
    return true;
}

std::string makeDemoTone() {
    const std::string path = "/tmp/lumaplay-demo-" + std::to_string(getpid()) + ".wav";
    WavFile wav(path);
    std::vector<float> block(2 * 44100);
    for (int second = 0; second < 4; ++second) {
        const double hz = 440.0 * std::pow(2.0, second * 4 / 12.0);  // a rising arpeggio
        for (int i = 0; i < 44100; ++i) {
            const double envelope = std::min(1.0, (44100 - i) / 2000.0);
            block[2 * i] = block[2 * i + 1] =
                static_cast<float>(0.3 * envelope * std::sin(2 * M_PI * hz * i / 44100.0));
        }
        wav.write(block.data(), 44100);
    }
    return path;
}

const char* syncName(int32_t state) {
    switch (state) {
        case LUMA_SYNC_LOCKED:
            return "locked";
        case LUMA_SYNC_NO_GRID:
            return "no beat grid";
        case LUMA_SYNC_OUT_OF_RANGE:
            return "out of range";
        default:
            return "off";
    }
}

// Asks for sync once the track's beat grid is known (it is measured after the track is
// decoded), so that the start waits for the session's beat. Plays on unsynced when the
// track has no grid.
void startSync(uint32_t channel, int latencyMs) {
    LUMA_SetSyncLatency(latencyMs);
    constexpr int kGridPatienceMs = 60000;
    for (int waited = 0; waited < kGridPatienceMs && !interrupted; waited += 20) {
        if (LUMA_ChannelGetBeatGrid(channel, nullptr, nullptr, nullptr) != 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const int32_t state = LUMA_ChannelSetSync(channel, 1);
    double bpm = 0;
    LUMA_ChannelGetSync(channel, &bpm, nullptr);
    std::printf("sync: %s, session at %.2f BPM\n", syncName(state), bpm);
}

uint32_t open(const std::string& file) {
    uint32_t channel =
        BASS_StreamCreateFile(0, file.c_str(), 0, 0, LUMA_STREAM_PRESCAN | LUMA_STREAM_FX);
    if (!channel) channel = BASS_MusicLoad(0, file.c_str(), 0, 0, 0x1005);
    return channel;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: lumaplay [--devices] [--device N] [--pitch PERCENT] "
                     "[--render OUT.wav] [--seconds S] [--latency MS] [--sync] "
                     "[--sync-latency MS] [--tempo-at S BPM] [file]\n");
        return 2;
    }
    if (!options.render.empty()) setenv("LUMATRONE_AUDIO", "manual", 1);
    if (options.devices) {
        uint32_t count = 0;
        for (; const char* name = BASS_GetDeviceDescription(count); ++count) {
            std::printf("%u - %s\n", count, name);
        }
        if (count == 0) std::printf("no output devices (see LUMATRONE_AUDIO in README.md)\n");
        return 0;
    }
    const bool demo = options.file.empty();
    if (demo) options.file = makeDemoTone();

    LUMA_SetOutputOptions("lumaplay", static_cast<uint32_t>(std::max(options.latencyMs, 0)));
    if (!BASS_Init(options.render.empty() ? options.device : 0, 44100, 0, nullptr) ||
        !BASS_Start()) {
        std::fprintf(stderr,
                     "lumaplay: could not open the output device. Without a sound card, try "
                     "LUMATRONE_AUDIO=null or --render OUT.wav.\n");
        return 1;
    }
    const uint32_t channel = open(options.file);
    if (demo) std::remove(options.file.c_str());
    if (!channel) {
        std::fprintf(stderr, "lumaplay: %s is not an audio file or module the engine reads\n",
                     options.file.c_str());
        BASS_Free();
        return 1;
    }
    uint32_t rate = 0;
    BASS_ChannelGetAttributes(channel, &rate, nullptr, nullptr);
    const auto pitched = static_cast<int32_t>(std::lround(rate * (1.0 + options.pitch / 100.0)));
    BASS_ChannelSlideAttributes(channel, pitched, -1, -101, 0);
    const uint64_t length = BASS_StreamGetLength(channel);
    std::printf("%s: %.3f s at %u Hz, playing at %d Hz\n", options.file.c_str(),
                BASS_ChannelBytes2Seconds(channel, length), rate, pitched);
    if (options.sync) startSync(channel, options.syncLatencyMs);
    BASS_StreamPlay(channel, 0, 0);

    const double limit = options.seconds > 0 ? options.seconds : 1e9;
    if (!options.render.empty()) {
        WavFile wav(options.render);
        if (!wav.ok()) {
            std::fprintf(stderr, "lumaplay: cannot write %s\n", options.render.c_str());
            BASS_Free();
            return 1;
        }
        std::vector<float> block(2 * 1024);
        double rendered = 0;
        do {  // the first render starts playback: only then is there a level to read
            LUMA_RenderFrames(block.data(), 1024);
            wav.write(block.data(), 1024);
            rendered += 1024 / 44100.0;
        } while (BASS_ChannelGetLevel(channel) != 0xFFFFFFFFu && rendered < limit);
        std::printf("rendered %.3f s to %s\n", rendered, options.render.c_str());
    } else {
        std::signal(SIGINT, [](int) { interrupted = 1; });
        const auto start = std::chrono::steady_clock::now();
        double elapsed = 0;
        // A sound server may take a moment to start a new stream (an idle
        // null sink wakes up to two seconds later): playing has ended only
        // once it had begun.
        bool begun = false;
        constexpr double kPatienceSeconds = 5.0;
        bool tempoMoved = !options.sync || options.tempoAtSeconds < 0;
        while (!interrupted && elapsed < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            double gridBpm = 0;
            if (!tempoMoved && elapsed >= options.tempoAtSeconds &&
                LUMA_ChannelGetBeatGrid(channel, &gridBpm, nullptr, nullptr) != 0) {
                // As a deck's fader does: the rate that plays the track at that tempo, then
                // the session's tempo from it.
                tempoMoved = true;
                const double hz = rate * options.tempoBpm / gridBpm;
                BASS_ChannelSlideAttributes(channel, static_cast<int32_t>(std::lround(hz)), -1,
                                            -101, 0);
                LUMA_ChannelSetSyncTempo(channel, gridBpm * std::lround(hz) / rate);
            }
            const bool playing = BASS_ChannelGetLevel(channel) != 0xFFFFFFFFu;
            if (begun && !playing) break;
            begun = begun || playing;
            if (!begun && elapsed > kPatienceSeconds) {
                std::fprintf(stderr, "lumaplay: the output did not start playing\n");
                break;
            }
            const uint64_t position = BASS_ChannelGetPosition(channel);
            std::printf("\r%8.3f s  cpu %4.1f %%  underruns %u",
                        BASS_ChannelBytes2Seconds(channel, position), BASS_GetCPU(),
                        LUMA_GetUnderruns());
            if (options.sync) {
                double bpm = 0;
                uint32_t peers = 0;
                const int32_t state = LUMA_ChannelGetSync(channel, &bpm, &peers);
                std::printf("  sync %s %.2f BPM, %u peers  ", syncName(state), bpm, peers);
            }
            std::fflush(stdout);
        }
        std::printf("\n%u underruns\n", LUMA_GetUnderruns());
    }
    BASS_Free();
    return 0;
}
