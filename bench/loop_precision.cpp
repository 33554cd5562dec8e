// How exactly a loop holds: source frames heard at or past the loop's end
// on each pass, over 100 passes on the real-time null output (256-frame
// periods), recorded through the wav: output. The engine's own loop region
// against the same loop kept by a timer, as a deck would without it: a
// thread reading the position every millisecond and seeking back to the
// start once it has reached the end. Both run in the same process.
#include <lumaaudio.h>
#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace {

constexpr int kTrackFrames = 16384;
constexpr int kStart = 6000, kEnd = 10410, kLength = kEnd - kStart;  // 100 ms
constexpr int kPasses = 100;

// Each frame's left sample is its own index, a 16-bit code well inside full
// scale, so that what the output recorded names the frames it played.
bool writeIndexTrack(const std::string& path) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    std::vector<int16_t> samples(2 * kTrackFrames);
    for (int i = 0; i < kTrackFrames; ++i) samples[2 * i] = static_cast<int16_t>(i);
    const bool ok = sf_writef_short(file, samples.data(), kTrackFrames) == kTrackFrames;
    sf_close(file);
    return ok;
}

std::vector<int16_t> readLeft(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return {};
    std::vector<int16_t> frames(static_cast<size_t>(info.frames) * 2);
    sf_readf_short(file, frames.data(), info.frames);
    sf_close(file);
    std::vector<int16_t> left(frames.size() / 2);
    for (size_t i = 0; i < left.size(); ++i) left[i] = frames[2 * i];
    return left;
}

// Frames heard at or past the end in each pass. A pass ends where the heard
// index falls back through the middle of the loop (a jump, or the engine's
// cross-fade into the start's lead-in).
std::vector<int> overshootPerPass(const std::vector<int16_t>& heard) {
    const int middle = kStart + kLength / 2;
    std::vector<int> passes;
    int past = 0;
    for (size_t i = 1; i < heard.size() && passes.size() < kPasses; ++i) {
        if (heard[i] >= kEnd) ++past;
        if (heard[i - 1] >= middle && heard[i] < middle) {
            passes.push_back(past);
            past = 0;
        }
    }
    return passes;
}

// Plays the loop once with the engine's region or with the polling timer,
// recording what is heard.
std::vector<int> run(const std::string& track, const std::string& recording, bool engineLoop) {
    const std::string selection = "wav:" + recording;
    setenv("LUMATRONE_AUDIO", selection.c_str(), 1);
    if (!BASS_Init(-1, 44100, 0, nullptr) || !BASS_Start()) return {};
    const uint32_t stream = BASS_StreamCreateFile(0, track.c_str(), 0, 0, 0x20080);
    BASS_StreamPreBuf(stream);
    BASS_ChannelSetPosition(stream, (kStart - 2000) * 4);
    if (engineLoop) LUMA_ChannelSetLoop(stream, kStart * 4, kEnd * 4, 1);
    BASS_StreamPlay(stream, 0, 0);
    using namespace std::chrono;
    // 100 ms a pass, and a little more each time the timer lets playback run over.
    const auto until = steady_clock::now() + milliseconds((engineLoop ? 100 : 150) * (kPasses + 2));
    int jumps = 0;
    while (steady_clock::now() < until && jumps <= kPasses) {
        std::this_thread::sleep_for(milliseconds(1));
        if (!engineLoop && BASS_ChannelGetPosition(stream) >= uint64_t{kEnd} * 4) {
            BASS_ChannelSetPosition(stream, kStart * 4);
            ++jumps;
        }
    }
    BASS_ChannelStop(stream);
    BASS_Free();  // finishes the recording
    return overshootPerPass(readLeft(recording));
}

void report(const char* name, const std::vector<int>& passes) {
    if (passes.empty()) {
        std::printf("%-26s no passes recorded\n", name);
        return;
    }
    long total = 0;
    for (int p : passes) total += p;
    const double mean = static_cast<double>(total) / passes.size();
    const int worst = *std::max_element(passes.begin(), passes.end());
    std::printf("%-26s %3zu passes: frames past the end per pass mean %7.1f (%.2f ms), max %4d\n",
                name, passes.size(), mean, mean / 44.1, worst);
}

}  // namespace

int main() {
    luma::test::TempDir dir;
    const std::string track = dir.file("index.wav");
    if (!writeIndexTrack(track)) return 1;
    const std::vector<int> engine = run(track, dir.file("engine.wav"), true);
    const std::vector<int> timer = run(track, dir.file("timer.wav"), false);
    std::printf("loop of %d frames, null output, 256-frame periods (%.2f ms)\n", kLength,
                256 / 44.1);
    report("engine loop region:", engine);
    report("timer polling every 1 ms:", timer);
    return engine.size() == kPasses && timer.size() == kPasses ? 0 : 1;
}
