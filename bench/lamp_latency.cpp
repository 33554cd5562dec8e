// Lamp latency on a playing deck (offscreen, null output, every timer
// running): a controller's virtual MIDI input on a private JACK server
// (64-frame periods at 48 kHz, 1.33 ms) takes the deck's lamps. 300 times
// each, at random moments, the quantize lamp changes (a) by a command, as a
// controller button or key runs it, (b) by a click on the deck's Quantize
// button, each of which sends the lamp at once, and (c) by the handler
// alone, as a change the deck makes by itself, which the 2 ms loop watch
// finds at its next look. Each is timed from the change on the deck to the
// message's arrival at the controller's port (stamped on RtMidi's JACK
// thread). Baseline, in the same minutes: a bare RtMidi output sends straight
// to the same port, which is what JACK's delivery alone costs.
#include <RtMidi.h>

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "bench_deck.h"
#include "latency_spread.h"
#include "support/jack_server.h"

namespace {

using luma::bench::report;
using luma::bench::Spread;

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kChanges = 300;
constexpr int kPeriodFrames = 64;
constexpr double kJackPeriodMs = kPeriodFrames * 1000.0 / 48000;

std::atomic<int> arrivals{0};
std::atomic<Clock::rep> arrivedAt{0};

void onLamp(double, std::vector<unsigned char>*, void*) {
    arrivedAt = Clock::now().time_since_epoch().count();
    ++arrivals;
}

double msSince(Clock::time_point from) {
    const Clock::time_point to{Clock::duration(arrivedAt.load())};
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A lamp's arrival is looked for a millisecond at a time.
bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return luma::bench::runUntil(done, limit, 1);
}

// Times `change` to the next arrival, kChanges times at random gaps.
std::vector<double> timeChanges(const std::function<void()>& change, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> gapUs(2000, 8000);
    std::vector<double> ms;
    for (int i = 0; i < kChanges; ++i) {
        runUntil([] { return false; }, std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
        const int before = arrivals;
        const auto start = Clock::now();
        change();
        if (runUntil([&] { return arrivals > before; }, 1s)) ms.push_back(msSince(start));
    }
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    luma::bench::useOffscreenNullOutput();
    QApplication application(argc, argv);
    luma::test::JackServer server(48000, kPeriodFrames);
    setenv("JACK_DEFAULT_SERVER", server.name().c_str(), 1);

    // The controller's input, once jackd takes clients.
    if (!luma::bench::waitForJackMidi()) {
        return std::fprintf(stderr, "%s\n", server.problem().c_str()), 1;
    }
    auto controller = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, "bench-lamps");
    controller->setCallback(&onLamp, nullptr);
    controller->openVirtualPort("lamps");

    luma::bench::BenchDeck bench;
    if (!bench.addDemoTrack("House Groove 124.wav")) return 1;
    luma::FrmMain& deck = bench.start();
    deck.show();
    deck.filFile_DblClick();
    deck.Lum_Pause();
    if (deck.state.IsStopped) return std::fprintf(stderr, "the deck did not play\n"), 1;
    luma::Mapping mapping;
    mapping.lampPort = "bench-lamps:lamps";
    mapping.lamps = {{luma::Lamp::Play, {luma::MidiKind::ControlChange, 1, 16}},
                     {luma::Lamp::Quantize, {luma::MidiKind::ControlChange, 1, 43}}};
    deck.startLamps(mapping);
    if (!runUntil([] { return arrivals >= 2; }, 2s)) {
        return std::fprintf(stderr, "the lamps did not light up\n"), 1;
    }
    runUntil([] { return false; }, 500ms);  // the meters settle

    const auto byCommand = timeChanges([&] { deck.runCommand(luma::DeckCommand::Quantize); }, 3);
    const auto byClick = timeChanges([&] { emit deck.cmdQuantize->mouseDown(1, 0, 0, 0); }, 4);
    const auto byWatch = timeChanges([&] { deck.Lum_Quantize(); }, 5);

    RtMidiOut direct(RtMidi::UNIX_JACK, "bench-direct");
    for (unsigned port = 0; port < direct.getPortCount(); ++port) {
        if (direct.getPortName(port) == "bench-lamps:lamps") direct.openPort(port);
    }
    const unsigned char message[3] = {0xB0, 99, 127};
    const auto baseline = timeChanges([&] { direct.sendMessage(message, 3); }, 7);

    std::printf("playing deck, offscreen, null output; JACK period %.3f ms, loop watch %d ms\n",
                kJackPeriodMs, deck.FXTimer2->interval());
    const Spread command = report("command -> lamp at the controller", byCommand, 36);
    const Spread click = report("click -> lamp at the controller", byClick, 36);
    const Spread watch = report("change by itself -> lamp (loop watch)", byWatch, 36);
    const Spread base = report("baseline: bare JACK MIDI send", baseline, 36);
    std::printf("  command / baseline: median %.2f, worst %.2f\n", command.median / base.median,
                command.worst / base.worst);
    std::printf("  click / baseline:   median %.2f, worst %.2f\n", click.median / base.median,
                click.worst / base.worst);
    std::printf("  watch / baseline:   median %.2f, worst %.2f\n", watch.median / base.median,
                watch.worst / base.worst);
    const auto goal = [](const Spread& s) {
        return s.n == kChanges && s.p99 < 2.0 ? "met" : "missed";
    };
    std::printf("  goal, within 2 ms (99%%): command %s, click %s, by itself %s\n", goal(command),
                goal(click), goal(watch));
    deck.salir();
    return 0;
}
