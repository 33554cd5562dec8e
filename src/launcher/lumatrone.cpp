// lumatrone: starts deck 1 and deck 2 side by side (each deck is a process
// of its own, its number the whole command line) and ends when both have.
// Arguments are passed to both decks' environment untouched.
//
// A deck quit with its key ends alone: a deck closed by accident mid-set
// leaves the other playing. SIGINT (Ctrl+C in the terminal), SIGTERM and
// SIGHUP end both decks. A deck that ends failed is reported on stderr, and
// the launcher then ends failed too.
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTimer>
#include <cstdio>

#include "process/quit_signals.h"

namespace {

// A deck shuts down in a few milliseconds (under the sanitizers, whose leak
// check at exit takes most of a second, in well under three seconds); one
// that has not by then hangs, and is killed.
constexpr int kShutdownGraceMs = 3000;

void report(const char* text, int deck, int code = 0) {
    std::fprintf(stderr, "lumatrone: deck %d %s", deck, text);
    if (code != 0) std::fprintf(stderr, " (exit code %d)", code);
    std::fprintf(stderr, "\n");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QString deck = QDir(QCoreApplication::applicationDirPath()).filePath("lumatrone-deck");
    luma::QuitSignals quitSignals;
    QProcess decks[2];
    int running = 0;
    bool failed = false;
    bool endingDecks = false;  // a deck we stop is no failure, however it goes
    for (int i = 0; i < 2; ++i) {
        decks[i].setProcessChannelMode(QProcess::ForwardedChannels);
        QObject::connect(&decks[i], &QProcess::finished,
                         [&, number = i + 1](int code, QProcess::ExitStatus status) {
                             if (status == QProcess::CrashExit && !endingDecks) {
                                 report("crashed", number);
                                 failed = true;
                             } else if (status == QProcess::NormalExit && code != 0) {
                                 report("failed", number, code);
                                 failed = true;
                             }
                             if (--running == 0) QCoreApplication::exit(failed ? 1 : 0);
                         });
        decks[i].start(deck, {QString::number(i + 1)});
        if (!decks[i].waitForStarted(10000)) {
            std::fprintf(stderr, "lumatrone: cannot start %s\n", qPrintable(deck));
            failed = true;
            continue;
        }
        ++running;
    }
    QObject::connect(&quitSignals, &luma::QuitSignals::received, [&] {
        endingDecks = true;
        for (QProcess& d : decks) d.terminate();  // each deck shuts down as its quit key does
        QTimer::singleShot(kShutdownGraceMs, [&] {
            for (QProcess& d : decks) d.kill();
        });
    });
    return running == 0 ? 1 : application.exec();
}
