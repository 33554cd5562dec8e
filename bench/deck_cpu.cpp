// A playing deck's processor use: the deck window on the offscreen
// platform, every timer running, a track playing through the real-time
// null output for 10 s; the window's thread and the engine's threads
// apart, each against the wall time of the same run.
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "bench_deck.h"
#include "support/audio_files.h"

namespace {

// Time on a processor (ns) of each thread of this process, by name, from
// the scheduler's own accounting (finer than the 10 ms ticks of stat).
std::map<std::string, double> threadSeconds() {
    std::map<std::string, double> seconds;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream commFile(task.path() / "comm");
        std::string name;
        std::getline(commFile, name);
        if (task.path().filename() == std::to_string(getpid())) name = "window thread";
        std::ifstream schedstat(task.path() / "schedstat");
        double nanoseconds = 0;
        if (schedstat >> nanoseconds) seconds[name] += nanoseconds / 1e9;
    }
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    luma::bench::useOffscreenNullOutput();
    QApplication application(argc, argv);
    luma::bench::BenchDeck bench;
    // A demo track with its tag, as a performer would load one.
    if (!QFile::copy(luma::bench::builtProgramFolder() + "/demo/House Groove 124.wav",
                     bench.crate() + "/House Groove 124.wav")) {
        return 1;
    }
    luma::FrmMain& deck = bench.start();
    deck.show();
    deck.filFile_DblClick();
    deck.vscPitch->setValue(-250);
    deck.vscPitch_Scroll();
    deck.Lum_Pause();
    std::fprintf(stderr, "loaded %s: channel %x, %s\n", qPrintable(deck.lblFileName->text()),
                 deck.state.Channel, qPrintable(deck.lblLength->text()));

    const auto before = threadSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::map<std::string, double> after;
    double wall = 0;
    // Measured before quitting: quitting closes the window, which ends the deck.
    QTimer::singleShot(10000, &application, [&] {
        after = threadSeconds();
        // deck_cpu PICTURE.png: also keeps a picture of the playing deck.
        if (argc > 1) deck.grab().save(argv[1]);
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        application.quit();
    });
    application.exec();
    std::printf("playing deck, %.1f s offscreen on the null output:\n", wall);
    double total = 0;
    for (const auto& [name, used] : after) {
        const double spent = used - (before.count(name) ? before.at(name) : 0.0);
        total += spent;
        std::printf("  %-16s %6.3f %% of one core\n", name.c_str(), 100 * spent / wall);
    }
    std::printf("  %-16s %6.3f %% of one core\n", "all threads", 100 * total / wall);
    return 0;
}
