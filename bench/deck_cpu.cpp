// A playing deck's processor use: the deck window on the offscreen
// platform, every timer running, a track playing through the real-time
// null output for 10 s; the window's thread and the engine's threads
// apart, each against the wall time of the same run.
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <map>

#include "bench_deck.h"
#include "support/audio_files.h"

int main(int argc, char** argv) {
    luma::bench::useOffscreenNullOutput();
    QApplication application(argc, argv);
    luma::bench::BenchDeck bench;
    // A demo track with its tag, as a performer would load one.
    if (!bench.addDemoTrack("House Groove 124.wav")) return 1;
    luma::FrmMain& deck = bench.start();
    deck.show();
    deck.filFile_DblClick();
    deck.vscPitch->setValue(-250);
    deck.vscPitch_Scroll();
    deck.Lum_Pause();
    std::fprintf(stderr, "loaded %s: channel %x, %s\n", qPrintable(deck.lblFileName->text()),
                 deck.state.Channel, qPrintable(deck.lblLength->text()));

    const auto before = luma::bench::threadSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::map<std::string, double> after;
    double wall = 0;
    // Measured before quitting: quitting closes the window, which ends the deck.
    QTimer::singleShot(10000, &application, [&] {
        after = luma::bench::threadSeconds();
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
