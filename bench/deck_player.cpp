// deck_player: a deck window (offscreen, on the system's output) that loads
// one track, turns sync on and plays it, for the sync benchmark's two deck
// processes. The deck is driven through its own commands, as a controller
// drives it; `--tempo-at` moves its pitch fader as a DJ's hand would.
//
//   deck_player TRACK [--tempo-at SECONDS PERCENT]
//
// Runs until SIGINT or SIGTERM; prints the deck's sync state as it goes.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "bench_deck.h"

namespace {
volatile std::sig_atomic_t interrupted = 0;
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 5) {
        std::fprintf(stderr, "usage: deck_player TRACK [--tempo-at SECONDS PERCENT]\n");
        return 2;
    }
    const QString track = QString::fromLocal8Bit(argv[1]);
    const double tempoAtSeconds = argc == 5 ? std::atof(argv[3]) : -1.0;
    const double percent = argc == 5 ? std::atof(argv[4]) : 0.0;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::signal(SIGINT, [](int) { interrupted = 1; });
    std::signal(SIGTERM, [](int) { interrupted = 1; });

    QApplication application(argc, argv);
    luma::bench::BenchDeck bench;
    if (!QFile::copy(track, bench.crate() + "/" + QFileInfo(track).fileName())) {
        std::fprintf(stderr, "deck_player: cannot copy %s into the deck's crate\n", argv[1]);
        return 1;
    }
    luma::FrmMain& deck = bench.start();
    deck.filFile_DblClick();
    deck.runCommand(luma::DeckCommand::Sync);
    deck.runCommand(luma::DeckCommand::PlayPause);

    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (interrupted) application.quit();
    });
    watch.start(20);
    if (tempoAtSeconds >= 0.0) {
        QTimer::singleShot(static_cast<int>(tempoAtSeconds * 1000), [&] {
            deck.vscPitch->setValue(-static_cast<int>(std::lround(percent * 100)));
            deck.vscPitch_Scroll();
            std::printf("pitch fader at %+.2f %%\n", percent);
            std::fflush(stdout);
        });
    }
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        std::printf("sync %s, state %d, tempo %s\n", deck.state.SyncOn ? "on" : "off",
                    deck.state.SyncState, qPrintable(deck.lblBPMs->text()));
        std::fflush(stdout);
    });
    report.start(5000);
    application.exec();
    deck.salir();
    return 0;
}
