// Loading a track: time until a 5-minute 320 kbit/s MP3 is playable and
// until it is wholly in memory, against plain libmpg123 decoding of the
// same file to memory in the same run; the loudness measurement that
// follows the load (integrated loudness and true peak) against the same
// decoding; and the memory a loaded 10-minute stereo track costs against
// its 16-bit PCM size.
#include <mpg123.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/track.h"
#include "core/track_loader.h"
#include "core/track_loudness.h"
#include "decode/decoder.h"
#include "mp3_file.h"
#include "support/audio_files.h"
#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long residentKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
    }
    return 0;
}

// The baseline: decode the whole file to memory with libmpg123 alone.
double plainDecode(const std::string& path, size_t& samples) {
    const auto start = Clock::now();
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    mpg123_open(handle, path.c_str());
    std::vector<int16_t> pcm;
    std::vector<unsigned char> block(65536);
    long rate = 0;
    int channels = 0, encoding = 0;
    mpg123_getformat(handle, &rate, &channels, &encoding);
    const off_t estimate = mpg123_length(handle);  // from the header: no full scan
    if (estimate > 0) pcm.reserve(static_cast<size_t>(estimate) * channels + 65536);
    size_t done = 0;
    int status;
    while ((status = mpg123_read(handle, block.data(), block.size(), &done)) == MPG123_OK ||
           status == MPG123_NEW_FORMAT) {
        const auto* data = reinterpret_cast<const int16_t*>(block.data());
        pcm.insert(pcm.end(), data, data + done / 2);
    }
    mpg123_close(handle);
    mpg123_delete(handle);
    samples = pcm.size();
    return since(start);
}

struct Load {
    double playable;
    double complete;
    double loudness;  // the measurement after it
};

// What the engine does on the loader's thread once the track is in memory.
double measureLoudness(const luma::Track& track) {
    const auto start = Clock::now();
    luma::TrackLoudness loudness;
    if (!loudness.measure(track, std::stop_token{})) std::fprintf(stderr, "measurement failed\n");
    const double seconds = since(start);
    float lufs = 0, truePeakDb = 0;
    if (loudness.result(lufs, truePeakDb)) {
        std::fprintf(stderr, "  measured %.2f LUFS, %.2f dBTP\n", lufs, truePeakDb);
    }
    return seconds;
}

Load engineLoad(const std::string& path) {
    const auto start = Clock::now();
    auto decoder = luma::openStreamDecoder(path);
    const luma::DecoderInfo info = decoder->info();
    auto track =
        std::make_shared<luma::Track>(info.sampleRate, info.channels, info.frames, info.kind);
    luma::TrackLoader loader(std::move(decoder), track, false);
    loader.waitFor(0, 10000);
    const double playable = since(start);
    while (!track->fullyLoaded()) std::this_thread::sleep_for(std::chrono::microseconds(200));
    const double complete = since(start);
    return {playable, complete, measureLoudness(*track)};
}

// Tones over noise: enough going on in every band for the encoder to spend its bits.
luma::test::Signal musicLike(double seconds) {
    luma::test::Signal signal = luma::test::makeSine(110, seconds, 44100, 2, 0.3);
    std::mt19937 random(11);
    std::normal_distribution<float> noise(0.0f, 0.08f);
    for (float& sample : signal.samples) sample += noise(random);
    return signal;
}

}  // namespace

int main() {
    luma::test::TempDir dir;
    const std::string five = dir.file("five-minutes.mp3");
    const std::string ten = dir.file("ten-minutes.mp3");
    std::fprintf(stderr, "encoding test tracks...\n");
    if (!luma::bench::writeMp3(five, musicLike(300), 320) ||
        !luma::bench::writeMp3(ten, musicLike(600), 128)) {
        return 1;
    }
    mpg123_init();
    size_t samples = 0;
    plainDecode(five, samples);  // warm the page cache
    double best = 1e9;
    Load ours{1e9, 1e9, 1e9};
    for (int round = 0; round < 3; ++round) {
        best = std::min(best, plainDecode(five, samples));
        const Load load = engineLoad(five);
        ours.playable = std::min(ours.playable, load.playable);
        ours.complete = std::min(ours.complete, load.complete);
        ours.loudness = std::min(ours.loudness, load.loudness);
    }
    std::printf("5-minute 320 kbit/s MP3: plain libmpg123 decode %.3f s\n", best);
    std::printf(
        "  engine: playable after %.3f s (%.3fx), whole track in memory after %.3f s (%.2fx)\n",
        ours.playable, ours.playable / best, ours.complete, ours.complete / best);
    std::printf("  loudness and true peak of the loaded track: %.3f s (%.2fx the plain decode)\n",
                ours.loudness, ours.loudness / best);

    const long before = residentKb("VmRSS:");
    {
        auto decoder = luma::openStreamDecoder(ten);
        const luma::DecoderInfo info = decoder->info();
        auto track =
            std::make_shared<luma::Track>(info.sampleRate, info.channels, info.frames, info.kind);
        luma::TrackLoader loader(std::move(decoder), track, false);
        while (!track->fullyLoaded()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const long after = residentKb("VmRSS:");
        const double pcmKb = static_cast<double>(info.frames) * info.channels * 2 / 1024.0;
        std::printf(
            "10-minute stereo track: resident +%ld KiB for %.0f KiB of 16-bit PCM (%.3fx)\n",
            after - before, pcmKb, (after - before) / pcmKb);
    }
    return 0;
}
