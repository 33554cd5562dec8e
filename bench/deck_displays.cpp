// The meters' cost on a real X server (run under xvfb-run): the whole
// process's processor use while a deck plays with its level meter,
// spectrum and marquee running, against the same deck idle in the same
// run; whether the audio clock kept time meanwhile; and the time of one
// spectrum tick and one level-meter tick, drawing and painting included.
#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench_deck.h"
#include "timing/display_connection.h"

namespace {

constexpr double kSeconds = 20.0;
constexpr int kTicks = 1000;
constexpr double kRate = 44100.0;
constexpr int kPeriodFrames = 256;  // the null output's period

double processSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The X server's own processor time (Xvfb names its pid in the display's
// lock file): painting costs the server too, and that share must not hide.
double serverSeconds() {
    QString display = qEnvironmentVariable("DISPLAY");
    display = display.mid(display.indexOf(':') + 1).section('.', 0, 0);
    QFile lock("/tmp/.X" + display + "-lock");
    if (!lock.open(QIODevice::ReadOnly)) return 0;
    QFile stat("/proc/" + QString(lock.readAll()).trimmed() + "/stat");
    if (!stat.open(QIODevice::ReadOnly)) return 0;
    // Fields 14 and 15, user and system ticks, counted after the command's ")".
    const QString line = QString(stat.readAll());
    const QStringList fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / sysconf(_SC_CLK_TCK);
}

struct Share {
    double mean = 0;    // over the whole run
    double median = 0;  // of its one-second slices: a burst of load from elsewhere on
                        // the machine (which makes the same work cost more) counts
                        // as one slice, not in the whole figure
};

// Runs the window's events for `seconds` (in a loop of its own: quitting
// the application would close the window, which ends the deck); the share
// of one core the whole process used meanwhile.
Share coreShare(double seconds, std::map<std::string, double>& threads) {
    const auto threadsBefore = luma::bench::threadSeconds();
    const double before = processSeconds();
    const double serverBefore = serverSeconds();
    QElapsedTimer wall;
    wall.start();
    std::vector<double> slices;
    double sliceStart = before;
    QEventLoop loop;
    QTimer slicer;
    QObject::connect(&slicer, &QTimer::timeout, [&] {
        const double now = processSeconds();
        slices.push_back(now - sliceStart);
        sliceStart = now;
    });
    slicer.start(1000);
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    const double elapsed = wall.nsecsElapsed() / 1e9;
    for (const auto& [name, used] : luma::bench::threadSeconds()) {
        const auto start = threadsBefore.find(name);
        threads[name] = (used - (start == threadsBefore.end() ? 0.0 : start->second)) / elapsed;
    }
    threads["(X server)"] = (serverSeconds() - serverBefore) / elapsed;
    std::sort(slices.begin(), slices.end());
    return {(processSeconds() - before) / elapsed, slices.empty() ? 0 : slices[slices.size() / 2]};
}

template <typename Tick>
void timeTicks(const char* name, Tick tick) {
    std::vector<double> micros;
    for (int i = 0; i < kTicks; ++i) {
        const auto start = std::chrono::steady_clock::now();
        tick();
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(micros.begin(), micros.end());
    std::printf("  %-14s median %7.1f us, worst %7.1f us (%d ticks)\n", name, micros[kTicks / 2],
                micros.back(), kTicks);
}

// Counts paint events per widget while it is installed.
class PaintCounter : public QObject {
  public:
    std::map<std::string, int> paints;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints[watched->objectName().toStdString()];
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "needs an X server: xvfb-run build/bench/deck_displays\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("LUMATRONE_AUDIO", "null");
    luma::configureDisplayConnection();  // as the deck program does
    QApplication application(argc, argv);
    luma::bench::BenchDeck bench;
    // A long name, so that both marquees run.
    if (!bench.addDemoTrack("House Groove 124.wav",
                            "House Groove 124 - extended club mix for the marquee.wav")) {
        return 1;
    }
    luma::FrmMain& deck = bench.start();
    deck.show();
    deck.filFile_DblClick();

    std::map<std::string, double> idleThreads, playingThreads;
    // The engine's own count of periods the output rendered late.
    void* engine = dlopen(qPrintable(luma::bench::builtProgramFolder() + "/liblumaaudio.so"),
                          RTLD_NOW | RTLD_NOLOAD);
    using Underruns = uint32_t (*)();
    auto* underruns =
        engine ? reinterpret_cast<Underruns>(dlsym(engine, "LUMA_GetUnderruns")) : nullptr;
    auto underrunCount = [&] { return underruns ? underruns() : 0u; };
    const uint32_t underrunsBefore = underrunCount();
    const Share idle = coreShare(kSeconds, idleThreads);
    const uint32_t idleUnderruns = underrunCount() - underrunsBefore;
    deck.Lum_Pause();
    const uint32_t channel = deck.state.Channel;
    auto heardFrames = [&] { return deck.audio()->BASS_ChannelGetPosition(channel) / 4.0; };
    const double framesBefore = heardFrames();
    QElapsedTimer clock;
    clock.start();
    const uint64_t wakeupsBefore = luma::DeckTimer::wakeups();
    PaintCounter counter;
    application.installEventFilter(&counter);
    const Share playing = coreShare(kSeconds, playingThreads);
    application.removeEventFilter(&counter);
    const double wakeups = (luma::DeckTimer::wakeups() - wakeupsBefore) / kSeconds;
    const double behind = clock.nsecsElapsed() / 1e9 * kRate - (heardFrames() - framesBefore);
    const bool scrolled = deck.tmrScroll->enabled();

    std::printf("deck on X (%s), %.0f s each, whole process:\n",
                qPrintable(QGuiApplication::platformName()), kSeconds);
    std::printf("  idle deck      %6.2f %% of one core (median second %.2f %%)\n", 100 * idle.mean,
                100 * idle.median);
    std::printf(
        "  playing deck   %6.2f %% of one core (median second %.2f %%; %.2f x idle; meters, "
        "spectrum%s)\n",
        100 * playing.mean, 100 * playing.median, playing.mean / idle.mean,
        scrolled ? ", marquee" : "");
    for (const auto& [name, share] : playingThreads) {
        std::printf("    %-16s %6.2f %% playing, %6.2f %% idle\n", name.c_str(), 100 * share,
                    idleThreads.count(name) ? 100 * idleThreads.at(name) : 0.0);
    }
    std::printf("    timer wakeups    %6.1f a second\n", wakeups);
    for (const auto& [name, count] : counter.paints) {
        std::printf("    paints of %-16s %6.1f a second\n", name.c_str(), count / kSeconds);
    }
    std::printf("  audio clock    %.0f frames behind the wall clock: %d periods lost\n", behind,
                behind > kPeriodFrames ? static_cast<int>(behind / kPeriodFrames) : 0);
    std::printf("  output underruns: %u idle, %u playing\n", idleUnderruns,
                underrunCount() - underrunsBefore - idleUnderruns);

    // The ticks while the track plays on: reading, drawing, painting on screen.
    timeTicks("spectrum bars", [&] {
        deck.tmrSpectrum_Timer();
        deck.framePacer->paintNow(*deck.pctSpectrum);
    });
    deck.pctSpectrum_MouseDown();
    timeTicks("spectrogram", [&] {
        deck.tmrSpectrum_Timer();
        deck.framePacer->paintNow(*deck.pctSpectrum);
    });
    // deck_displays PICTURE.png: also keeps a picture of the spectrogram.
    if (argc > 1) deck.grab().save(argv[1]);
    timeTicks("level meter", [&] {
        deck.FXTimer1_Timer();
        deck.tmrVU_Timer();
        deck.framePacer->paintNow(*deck.pctVU);
    });
    deck.salir();
    return 0;
}
