// Remote-control latency on a playing deck (offscreen, null output, every
// timer running). MIDI: a controller on a private JACK server (256-frame
// periods at 48 kHz) sends 1,000 messages the shipped mapping binds, at
// random moments, in turn: a jog press and its end (controllers 19 and 35),
// a 14-bit pitch move (44 then 76), a gain move (45) and a bass knob move
// (47). Each is timed from the moment it reached the deck's MIDI input
// (stamped on RtMidi's thread) to the end of the deck's handler, which has
// passed the command or the control's new value to the engine, and reported
// for the commands and the moves apart; for comparison, also from the
// moment a second reader of the same port got it (this adds JACK's own
// scheduling of its client threads). Baseline, in the same minutes: a bare
// function posted from another thread to the window's thread at random
// moments, which measures how soon that thread takes any event under the
// machine's present load. Joystick: an SDL virtual pad goes from button 1 to
// buttons 1+2 (a jog back) 200 times, timed to the end of the Back button's
// press handler, against the poll period.
#include <RtMidi.h>
#include <SDL.h>

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
#include "deck/lamp_colours.h"
#include "latency_spread.h"
#include "support/jack_server.h"

namespace {

using luma::bench::report;
using luma::bench::runUntil;
using luma::bench::Spread;

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kMessages = 1000;
constexpr int kPresses = 200;
constexpr double kJackPeriodMs = 256 * 1000.0 / 48000;

struct Stamps {
    std::vector<Clock::time_point> at;
    std::atomic<int> count{0};
    explicit Stamps(int size) : at(static_cast<size_t>(size)) {}
    void stamp() {
        const int i = count.load();
        if (i < static_cast<int>(at.size())) at[static_cast<size_t>(i)] = Clock::now();
        count.store(i + 1);
    }
};

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

std::vector<double> between(const Stamps& from, const Stamps& to) {
    std::vector<double> ms;
    const int pairs = std::min({from.count.load(), to.count.load(), int(from.at.size())});
    for (int i = 0; i < pairs; ++i) ms.push_back(msBetween(from.at[i], to.at[i]));
    return ms;
}

void quiet(RtMidiError::Type, const std::string&, void*) {}

// The controller's turn of six messages: the jog's two commands, then the
// control moves with random values.
constexpr unsigned char kTurn[] = {19, 35, 44, 76, 45, 47};

bool movesAControl(int controller) {
    return controller != 19 && controller != 35;
}

}  // namespace

int main(int argc, char** argv) {
    luma::bench::useOffscreenNullOutput();
    QApplication application(argc, argv);
    luma::test::JackServer server(48000, 256);
    setenv("JACK_DEFAULT_SERVER", server.name().c_str(), 1);

    // The controller, once jackd takes clients, and a reader that stamps arrivals.
    if (!luma::bench::waitForJackMidi()) {
        return std::fprintf(stderr, "%s\n", server.problem().c_str()), 1;
    }
    auto feed = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, "bench-feed");
    feed->openVirtualPort("feed");
    Stamps arrived(kMessages), commanded(kMessages);
    RtMidiIn monitor(RtMidi::UNIX_JACK, "bench-monitor");
    monitor.setErrorCallback(&quiet, nullptr);
    monitor.setCallback(
        [](double, std::vector<unsigned char>*, void* s) { static_cast<Stamps*>(s)->stamp(); },
        &arrived);
    for (unsigned port = 0; port < monitor.getPortCount(); ++port) {
        if (monitor.getPortName(port) == "bench-feed:feed") monitor.openPort(port);
    }

    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return 1;
    const int padIndex = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 0);
    SDL_Joystick* pad = SDL_JoystickOpen(padIndex);
    if (!pad) return std::fprintf(stderr, "no virtual pad: %s\n", SDL_GetError()), 1;

    luma::bench::BenchDeck bench;
    bench.setSettings(
        {{3, "ON"}, {4, "ON"}, {8, "\"bench-feed:feed\""}, {37, QString::number(padIndex)}});
    if (!bench.addDemoTrack("House Groove 124.wav")) return 1;
    luma::FrmMain& deck = bench.start();
    deck.show();
    deck.filFile_DblClick();
    deck.Lum_Pause();
    if (!deck.MIDIInput->isStarted() || deck.state.IsStopped) {
        return std::fprintf(stderr, "the deck did not open the controller or play\n"), 1;
    }
    std::vector<double> atComponent, atCommands, atMoves;  // filled on the window's thread
    QObject::connect(deck.MIDIInput, &luma::MidiInput::message, [&](int, int controller) {
        commanded.stamp();
        const double ms = msBetween(deck.MIDIInput->lastArrival(), Clock::now());
        atComponent.push_back(ms);
        (movesAControl(controller) ? atMoves : atCommands).push_back(ms);
    });
    runUntil([] { return false; }, 500ms);  // the meters settle

    std::atomic<bool> midiDone{false};
    std::thread controller([&] {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> gapUs(2000, 8000);
        std::uniform_int_distribution<int> value(0, 127);
        for (int i = 0; i < kMessages; ++i) {
            std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
            const unsigned char controller = kTurn[i % std::size(kTurn)];
            std::vector<unsigned char> message = {
                0xB0, controller,
                static_cast<unsigned char>(movesAControl(controller) ? value(random) : 127)};
            feed->sendMessage(&message);
        }
        midiDone = true;
    });
    std::vector<double> posted;  // filled on the window's thread
    std::thread poster([&] {
        std::mt19937 random(5);
        std::uniform_int_distribution<int> gapUs(2000, 8000);
        while (!midiDone) {
            std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
            const auto sent = Clock::now();
            QMetaObject::invokeMethod(
                &application, [&posted, sent] { posted.push_back(msBetween(sent, Clock::now())); },
                Qt::QueuedConnection);
        }
    });
    runUntil([&] { return commanded.count >= kMessages; }, 60s);
    controller.join();
    poster.join();
    runUntil([] { return false; }, 50ms);

    std::vector<double> jogs;  // filled on the window's thread
    std::atomic<Clock::rep> pressedAt{0};
    // The poll starts the jog itself (no click on `<<`): its lamp shows it. Connected
    // after the deck's own poll, this looks right after each one.
    QObject::connect(deck.tmrDJControl, &luma::DeckTimer::timer, [&] {
        if (deck.cmdBack->dotColor() != luma::kLampPressed) return;
        jogs.push_back(
            msBetween(Clock::time_point(Clock::duration(pressedAt.load())), Clock::now()));
        deck.Lum_TouchUp();
    });
    std::atomic<bool> padDone{false};
    std::thread player([&] {
        std::mt19937 random(11);
        std::uniform_int_distribution<int> phaseUs(0, 3000);
        for (int i = 0; i < kPresses; ++i) {  // presses of a human's length
            SDL_JoystickSetVirtualButton(pad, 0, 1);
            std::this_thread::sleep_for(40ms + std::chrono::microseconds(phaseUs(random)));
            pressedAt = Clock::now().time_since_epoch().count();
            SDL_JoystickSetVirtualButton(pad, 1, 1);
            std::this_thread::sleep_for(40ms);
            SDL_JoystickSetVirtualButton(pad, 0, 0);
            SDL_JoystickSetVirtualButton(pad, 1, 0);
            std::this_thread::sleep_for(40ms);
        }
        padDone = true;
    });
    runUntil([&] { return padDone.load(); }, 120s);
    player.join();

    // What the two commands and the three moves cost by themselves, called straight.
    std::vector<double> commandsAlone, movesAlone;
    for (int i = 0; i < kMessages / 2; ++i) {
        for (auto command : {&luma::FrmMain::Lum_TouchB2, &luma::FrmMain::Lum_TouchUp}) {
            const auto start = Clock::now();
            (deck.*command)();
            commandsAlone.push_back(msBetween(start, Clock::now()));
        }
        const double at = (i % 21 - 10) / 10.0;
        for (auto control :
             {luma::DeckControl::Pitch, luma::DeckControl::Gain, luma::DeckControl::EqBass}) {
            const auto start = Clock::now();
            deck.moveControl({control, at});
            movesAlone.push_back(msBetween(start, Clock::now()));
        }
        runUntil([] { return false; }, 2ms);
    }

    // What one poll costs the window's thread, the pad idle.
    deck.tmrDJControl->setEnabled(false);
    const auto pollStart = Clock::now();
    constexpr int kPolls = 20000;
    for (int i = 0; i < kPolls; ++i) deck.PollJoystick();
    const double pollUs = 1000 * msBetween(pollStart, Clock::now()) / kPolls;

    const double pollMs = deck.tmrDJControl->interval();
    std::printf("playing deck, offscreen, null output; JACK period %.3f ms, poll period %.0f ms\n",
                kJackPeriodMs, pollMs);
    const Spread midi = report("MIDI at the deck's input -> engine", atComponent);
    report("MIDI at a 2nd JACK reader -> engine", between(arrived, commanded));
    report("  commands (jog, jog end)", atCommands);
    report("    of which the command itself", commandsAlone);
    report("  moves (pitch pair, gain, bass)", atMoves);
    report("    of which the move itself", movesAlone);
    const Spread base = report("baseline: post -> window thread", posted);
    std::printf("  MIDI / baseline: median %.2f, worst %.2f; %d of %d messages handled\n",
                midi.median / base.median, midi.worst / base.worst, commanded.count.load(),
                kMessages);
    std::printf("  goal, worst mapped MIDI latency under 2 ms: %s\n",
                midi.n && midi.worst < 2.0 ? "met" : "missed");
    const Spread press = report("joystick 1 -> 1+2 -> jog back", jogs);
    std::printf("  median %.2f, worst %.2f poll periods; %zu of %d presses jogged\n",
                press.median / pollMs, press.worst / pollMs, press.n, kPresses);
    std::printf("one joystick poll: %.2f us on the window's thread (%.4f of the poll period)\n",
                pollUs, pollUs / 1000.0 / pollMs);
    SDL_JoystickClose(pad);
    deck.salir();
    return 0;
}
