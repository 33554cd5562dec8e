// lumatrone: starts deck 1 and deck 2 side by side (each deck is a process
// of its own, its number the whole command line) and ends when both have.
// Arguments are passed to both decks' environment untouched.
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QString deck = QDir(QCoreApplication::applicationDirPath()).filePath("lumatrone-deck");
    QProcess decks[2];
    int running = 0;
    for (int i = 0; i < 2; ++i) {
        decks[i].setProcessChannelMode(QProcess::ForwardedChannels);
        QObject::connect(&decks[i], &QProcess::finished, [&running] {
            if (--running == 0) QCoreApplication::quit();
        });
        decks[i].start(deck, {QString::number(i + 1)});
        if (!decks[i].waitForStarted(10000)) {
            std::fprintf(stderr, "lumatrone: cannot start %s\n", qPrintable(deck));
            continue;
        }
        ++running;
    }
    return running == 0 ? 1 : application.exec();
}
