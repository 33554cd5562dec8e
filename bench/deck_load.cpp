// A whole track load as the performer sees it: from the double-click on a
// 5-minute 320 kbit/s MP3 to the deck Stopped and ready (tag, stream
// opened and equalised, 90 s of tempo detection), against decoding the
// same file alone with libmpg123 in the same run. Also the tempo analysis
// of 90 s on its own against decoding those 90 s.
#include <mpg123.h>

#include <QApplication>
#include <QFile>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "bench_deck.h"
#include "bpm/tempo_detector.h"
#include "mp3_file.h"
#include "support/audio_files.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Decodes up to `seconds` (all when negative) of the file with libmpg123
// alone; returns the time taken and leaves the left channel in `mono`.
double plainDecode(const std::string& path, double seconds, std::vector<float>* mono = nullptr) {
    const auto start = Clock::now();
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    mpg123_open(handle, path.c_str());
    long rate = 0;
    int channels = 0, encoding = 0;
    mpg123_getformat(handle, &rate, &channels, &encoding);
    const size_t limit = seconds < 0 ? SIZE_MAX : static_cast<size_t>(seconds * rate) * channels;
    std::vector<int16_t> pcm;
    pcm.reserve(std::min<size_t>(limit, 300 * 44100 * 2 + 65536));
    std::vector<unsigned char> block(65536);
    size_t done = 0;
    while (pcm.size() < limit &&
           mpg123_read(handle, block.data(), block.size(), &done) == MPG123_OK) {
        const auto* data = reinterpret_cast<const int16_t*>(block.data());
        pcm.insert(pcm.end(), data, data + done / 2);
    }
    mpg123_close(handle);
    mpg123_delete(handle);
    const double taken = since(start);
    if (mono) {
        mono->clear();
        for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
            mono->push_back((pcm[i] + pcm[i + 1]) / 65536.0f);
        }
    }
    return taken;
}

luma::test::Signal musicLike(double seconds) {
    luma::test::Signal signal = luma::test::makeSine(110, seconds, 44100, 2, 0.3);
    std::mt19937 random(11);
    std::normal_distribution<float> noise(0.0f, 0.08f);
    for (float& sample : signal.samples) sample += noise(random);
    // A kick every 0.48 s (125 BPM) so the detector has work to do.
    for (int64_t at = 0; at < signal.frames(); at += 21168) {
        for (int i = 0; i < 4000 && at + i < signal.frames(); ++i) {
            const float kick = 0.5f * std::exp(-i / 800.0f) * std::sin(i * 0.01f);
            signal.samples[2 * (at + i)] += kick;
            signal.samples[2 * (at + i) + 1] += kick;
        }
    }
    return signal;
}

}  // namespace

int main(int argc, char** argv) {
    luma::bench::useOffscreenNullOutput();
    QApplication application(argc, argv);
    luma::bench::BenchDeck bench;
    const std::string track = (bench.crate() + "/five minutes.mp3").toStdString();
    std::fprintf(stderr, "encoding a 5-minute 320 kbit/s MP3...\n");
    if (!luma::bench::writeMp3(track, musicLike(300), 320)) return 1;
    luma::FrmMain& deck = bench.start();

    mpg123_init();
    plainDecode(track, -1);  // warm the page cache
    double whole = 1e9, first90 = 1e9, load = 1e9, analysis = 1e9;
    std::vector<float> mono;
    for (int round = 0; round < 3; ++round) {
        whole = std::min(whole, plainDecode(track, -1));
        first90 = std::min(first90, plainDecode(track, 90, &mono));
        const auto start = Clock::now();
        deck.filFile_DblClick();
        load = std::min(load, since(start));
        const auto analysisStart = Clock::now();
        luma::TempoDetector detector(44100);
        detector.process(mono.data(), mono.size());
        const double bpm = detector.tempo();
        analysis = std::min(analysis, since(analysisStart));
        if (round == 0) {
            std::printf("deck shows %s BPM (analysis alone: %.2f)\n",
                        qPrintable(deck.lblBPMs->text()), bpm);
        }
    }
    std::printf("5-minute 320 kbit/s MP3: plain libmpg123 decode of the file %.3f s\n", whole);
    std::printf("  double-click to Stopped and ready: %.3f s (%.2fx the plain decode)\n", load,
                load / whole);
    std::printf("  tempo analysis of 90 s: %.4f s against %.4f s decoding them (%.2fx)\n", analysis,
                first90, analysis / first90);
    deck.salir();
    return 0;
}
