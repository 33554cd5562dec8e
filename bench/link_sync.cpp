// Two deck processes (deck_player: the deck window, offscreen, driven by its
// own commands; or, with --lumaplay, two `lumaplay --sync`) on one private
// JACK server (dummy driver, 256-frame periods), one playing a click track at 120 BPM and the other
// one at 126 BPM, their first clicks at different offsets. A JACK client of our own records both
// outputs on one timeline and times every click. With sync on in both, both must play at the
// session's tempo within 0.05 % and click together within 1 ms (median) and 3 ms (worst), in the
// last minute as well. Then again with a Link peer that is not a deck (link_peer) holding the
// session at 124 BPM: both follow it. Last, the first deck's pitch fader moves
// the session's tempo by 5 %: the second one's rate must follow within 10 ms
// (Link's own propagation included).
//
//   link_sync [--minutes M] [--csv FILE] [--lumaplay]   (default: 1 minute, link_sync.csv)
//
// The CSV holds every click offset over time, for a plot.
#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "player_process.h"
#include "support/audio_files.h"
#include "support/jack_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using luma::bench::PlayerProcess;

constexpr int kRate = 44100;
constexpr int kPeriod = 256;

// Which program plays: the deck, or lumaplay (the engine alone).
bool useLumaplay = false;

// A click on every beat: a 60 Hz thump the beat grid finds, with a 3 kHz edge that marks
// its start to the sample.
// With `toneOnRight`, the right channel carries a steady 1 kHz tone instead: its pitch
// shows the moment the player's rate changes.
luma::test::Signal clickTrack(double bpm, double firstSeconds, double seconds,
                              bool toneOnRight = false) {
    luma::test::Signal signal{std::vector<float>(static_cast<size_t>(seconds * kRate) * 2), 2,
                              kRate};
    if (toneOnRight) {
        for (size_t i = 0; i < signal.samples.size() / 2; ++i) {
            signal.samples[i * 2 + 1] = static_cast<float>(
                0.3 * std::sin(2 * std::numbers::pi * 1000.0 * static_cast<double>(i) / kRate));
        }
    }
    for (double beat = firstSeconds; beat < seconds - 0.2; beat += 60.0 / bpm) {
        const auto start = static_cast<size_t>(std::llround(beat * kRate));
        for (size_t i = 0; i < kRate / 5; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double value =
                0.8 * std::exp(-t / 0.03) * std::sin(2 * std::numbers::pi * 60 * t) +
                0.3 * std::exp(-t / 0.001) * std::cos(2 * std::numbers::pi * 3000 * t);
            signal.samples[(start + i) * 2] += static_cast<float>(value);
            if (!toneOnRight) signal.samples[(start + i) * 2 + 1] += static_cast<float>(value);
        }
    }
    return signal;
}

// Times the clicks of two JACK output ports, in microseconds of the host's clock (JACK's
// cycle times: the dummy driver's frames do not last exactly their nominal time): the
// first sample above a threshold after 50 ms below it. Only the process callback writes.
class ClickRecorder {
  public:
    static constexpr int kSides = 2;

    ClickRecorder() {
        for (auto& side : clicks_) side.resize(kCapacity);
        for (auto& side : crossings_) side.resize(kToneCapacity);
    }
    ~ClickRecorder() {
        if (client_) jack_client_close(client_);
    }

    bool open() {
        jack_status_t status{};
        client_ = jack_client_open("luma-link-sync", JackNoStartServer, &status);
        if (!client_) return false;
        for (int side = 0; side < kSides; ++side) {
            const std::string name = "in_" + std::to_string(side + 1);
            const std::string tone = "tone_" + std::to_string(side + 1);
            ports_[side] = jack_port_register(client_, name.c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                              JackPortIsInput, 0);
            tonePorts_[side] = jack_port_register(client_, tone.c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                                  JackPortIsInput, 0);
            if (!ports_[side] || !tonePorts_[side]) return false;
        }
        jack_set_process_callback(client_, &ClickRecorder::onProcess, this);
        return jack_activate(client_) == 0;
    }

    // The output port of a lumaplay client that is not yet followed, if one has appeared.
    std::string newPlayerPort() const {
        std::string found;
        const char** ports =
            jack_get_ports(client_, useLumaplay ? "lumaplay.*:out_1" : "Lumatrone deck.*:out_1",
                           nullptr, JackPortIsOutput);
        for (int i = 0; ports && ports[i]; ++i) {
            if (std::find(followed_.begin(), followed_.end(), ports[i]) == followed_.end()) {
                found = ports[i];
            }
        }
        jack_free(ports);
        return found;
    }

    // The player's left output (`port`) for its clicks, its right one for the tone.
    // False until the player's client is active.
    bool follow(int side, const std::string& port) {
        const std::string right = port.substr(0, port.size() - 1) + "2";
        for (const auto& [from, to] : {std::pair{port, ports_[side]}, {right, tonePorts_[side]}}) {
            const int result = jack_connect(client_, from.c_str(), jack_port_name(to));
            if (result != 0 && result != EEXIST) return false;
        }
        followed_.push_back(port);
        return true;
    }

    // Click frames of one side so far.
    std::vector<double> clicks(int side) const {
        const size_t count = counts_[side].load(std::memory_order_acquire);
        return {clicks_[side].begin(), clicks_[side].begin() + static_cast<long>(count)};
    }
    // Rising zero crossings of one side's right channel so far, microseconds.
    std::vector<double> crossings(int side) const {
        const size_t count = crossingCounts_[side].load(std::memory_order_acquire);
        return {crossings_[side].begin(), crossings_[side].begin() + static_cast<long>(count)};
    }
    double now() const { return static_cast<double>(jack_get_time()); }

  private:
    static constexpr size_t kCapacity = 1 << 16;
    // Well above silence, well below a click at any gain: the deck evens each
    // track's loudness, so its clicks come out quieter than lumaplay's.
    static constexpr float kClickThreshold = 0.05f;
    static constexpr size_t kToneCapacity = 1 << 22;  // an hour of a 1 kHz tone

    static int onProcess(jack_nframes_t frames, void* self) {
        auto* recorder = static_cast<ClickRecorder*>(self);
        jack_nframes_t cycleFrame = 0;
        jack_time_t cycleStart = 0, nextStart = 0;
        float periodUs = 0;
        if (jack_get_cycle_times(recorder->client_, &cycleFrame, &cycleStart, &nextStart,
                                 &periodUs) != 0) {
            return 0;
        }
        const double usPerFrame = static_cast<double>(nextStart - cycleStart) / frames;
        for (int side = 0; side < kSides; ++side) {
            const auto* in =
                static_cast<const float*>(jack_port_get_buffer(recorder->ports_[side], frames));
            recorder->scan(side, in, frames, static_cast<double>(cycleStart), usPerFrame);
            const auto* tone =
                static_cast<const float*>(jack_port_get_buffer(recorder->tonePorts_[side], frames));
            recorder->cross(side, tone, frames, static_cast<double>(cycleStart), usPerFrame);
        }
        return 0;
    }

    void scan(int side, const float* in, jack_nframes_t frames, double startUs, double usPerFrame) {
        size_t count = counts_[side].load(std::memory_order_relaxed);
        for (jack_nframes_t i = 0; i < frames; ++i) {
            if (std::fabs(in[i]) > kClickThreshold) {
                if (quiet_[side] > kRate / 20 && count < kCapacity) {
                    clicks_[side][count++] = startUs + i * usPerFrame;
                }
                quiet_[side] = 0;
            } else {
                ++quiet_[side];
            }
        }
        counts_[side].store(count, std::memory_order_release);
    }

    void cross(int side, const float* in, jack_nframes_t frames, double startUs,
               double usPerFrame) {
        size_t count = crossingCounts_[side].load(std::memory_order_relaxed);
        float before = lastTone_[side];
        for (jack_nframes_t i = 0; i < frames; ++i) {
            if (before < 0.0f && in[i] >= 0.0f && count < kToneCapacity) {
                const double fraction = before / (before - in[i]);  // between the two samples
                crossings_[side][count++] = startUs + (i - 1 + fraction) * usPerFrame;
            }
            before = in[i];
        }
        lastTone_[side] = before;
        crossingCounts_[side].store(count, std::memory_order_release);
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* ports_[kSides] = {};
    jack_port_t* tonePorts_[kSides] = {};
    std::vector<std::string> followed_;
    std::vector<double> clicks_[kSides];  // microseconds
    std::atomic<size_t> counts_[kSides] = {};
    int64_t quiet_[kSides] = {kRate, kRate};
    std::vector<double> crossings_[kSides];  // microseconds
    std::atomic<size_t> crossingCounts_[kSides] = {};
    float lastTone_[kSides] = {};
};

struct Figures {
    double bpm[2] = {0, 0};          // each player's tempo over the recording
    unsigned underruns[2] = {0, 0};  // periods a player missed: its clicks move a period
    double medianMs = 0, worstMs = 0;
    double lastMinuteMedianMs = 0, lastMinuteWorstMs = 0;
    std::vector<std::pair<double, double>> offsets;  // seconds into the recording, ms
    double followMs = NAN;  // how long after the first player's pitch the second one's moved
    std::string trouble;
};

double median(std::vector<double> values) {
    if (values.empty()) return NAN;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Tempo from the first and last click (microseconds), counting the beats between them:
// a click the recorder missed (a cycle it was not run in) leaves a gap of two beats.
double tempoOf(const std::vector<double>& clicks) {
    if (clicks.size() < 3) return 0;
    std::vector<double> intervals;
    for (size_t i = 1; i < clicks.size(); ++i) intervals.push_back(clicks[i] - clicks[i - 1]);
    const double typical = median(intervals);
    double beats = 0;
    for (const double interval : intervals) beats += std::round(interval / typical);
    return 60e6 * beats / (clicks.back() - clicks.front());
}

// When a tone changed pitch (microseconds): the middle of the first eight cycles whose
// frequency lies past halfway from the pitch before the change to the pitch after it.
// NaN when the tone did not move by 2 %.
double pitchChangeAt(const std::vector<double>& crossings, double from, double to) {
    constexpr size_t kCycles = 8;
    std::vector<double> hz, at;
    for (size_t i = kCycles; i < crossings.size(); ++i) {
        if (crossings[i - kCycles] < from || crossings[i] >= to) continue;
        hz.push_back(kCycles * 1e6 / (crossings[i] - crossings[i - kCycles]));
        at.push_back((crossings[i] + crossings[i - kCycles]) / 2);
    }
    const size_t tenth = hz.size() / 10;
    if (tenth < 100) return NAN;
    const double before = median({hz.begin(), hz.begin() + static_cast<long>(tenth)});
    const double after = median({hz.end() - static_cast<long>(tenth), hz.end()});
    if (std::fabs(after / before - 1.0) < 0.02) return NAN;
    const double half = (before + after) / 2;
    for (size_t i = 0; i < hz.size(); ++i) {
        if ((hz[i] - half) * (after - before) > 0) return at[i];
    }
    return NAN;
}

Figures analyse(const std::vector<double>& a, const std::vector<double>& b, double from,
                double to) {
    Figures figures;
    auto within = [&](const std::vector<double>& all) {
        std::vector<double> kept;
        for (const double t : all)
            if (t >= from && t < to) kept.push_back(t);
        return kept;
    };
    const std::vector<double> first = within(a), second = within(b);
    figures.bpm[0] = tempoOf(first);
    figures.bpm[1] = tempoOf(second);
    std::vector<double> all, last;
    const double seconds = (to - from) * 1e-6;
    for (const double t : first) {
        const auto after = std::lower_bound(second.begin(), second.end(), t);
        double nearest = INFINITY;
        if (after != second.end()) nearest = *after;
        if (after != second.begin() && t - *(after - 1) < std::fabs(nearest - t))
            nearest = *(after - 1);
        const double ms = (nearest - t) * 1e-3;
        const double at = (t - from) * 1e-6;
        figures.offsets.push_back({at, ms});
        all.push_back(std::fabs(ms));
        if (at >= seconds - 60.0) last.push_back(std::fabs(ms));
    }
    figures.medianMs = median(all);
    figures.worstMs = all.empty() ? NAN : *std::max_element(all.begin(), all.end());
    figures.lastMinuteMedianMs = median(last);
    figures.lastMinuteWorstMs = last.empty() ? NAN : *std::max_element(last.begin(), last.end());
    return figures;
}

// Starts a player and follows its output on `side`.
bool startPlayer(ClickRecorder& recorder, std::unique_ptr<PlayerProcess>& player, int side,
                 const std::string& track, const luma::test::TempDir& dir,
                 const std::vector<std::string>& options = {}) {
    const std::filesystem::path folder = dir.file("player" + std::to_string(side));
    std::filesystem::create_directories(folder);
    std::vector<std::string> argv;
    if (useLumaplay) {
        argv = {LUMA_PLAYER_PATH, "--sync"};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(track);
    } else {
        argv = {LUMA_DECK_PLAYER_PATH, track};
        argv.insert(argv.end(), options.begin(), options.end());
    }
    player = std::make_unique<PlayerProcess>(argv, folder);
    for (int waited = 0; waited < 10000; waited += 10) {
        const std::string port = recorder.newPlayerPort();
        if (!port.empty() && recorder.follow(side, port)) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

// Both players synced; `seconds` recorded once both have played for a while. The first
// player takes `firstOptions` too.
Figures run(const luma::test::TempDir& dir, double seconds, const std::string& first,
            const std::string& second, const std::vector<std::string>& firstOptions = {}) {
    ClickRecorder recorder;
    Figures figures;
    if (!recorder.open()) {
        figures.trouble = "the recorder could not join the JACK server";
        return figures;
    }
    std::unique_ptr<PlayerProcess> players[2];
    if (!startPlayer(recorder, players[0], 0, first, dir, firstOptions)) {
        figures.trouble = "the first player did not appear on the JACK server: " +
                          (players[0] ? players[0]->stderrText() : std::string());
        return figures;
    }
    std::this_thread::sleep_for(2s);
    if (!startPlayer(recorder, players[1], 1, second, dir)) {
        figures.trouble = "the second player did not appear on the JACK server: " +
                          (players[1] ? players[1]->stderrText() : std::string());
        return figures;
    }
    // Each waits for its track's beat grid before it starts.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while ((recorder.clicks(0).size() < 4 || recorder.clicks(1).size() < 4) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
    }
    if (recorder.clicks(1).size() < 4) {
        figures.trouble = "a player was not heard: " + players[0]->stdoutText() +
                          players[0]->stderrText() + players[1]->stdoutText() +
                          players[1]->stderrText();
        return figures;
    }
    std::this_thread::sleep_for(3s);  // each aligns within a second
    const double from = recorder.now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double to = recorder.now();
    figures = analyse(recorder.clicks(0), recorder.clicks(1), from, to);
    figures.followMs = (pitchChangeAt(recorder.crossings(1), from, to) -
                        pitchChangeAt(recorder.crossings(0), from, to)) *
                       1e-3;
    for (int side = 0; side < 2; ++side) {
        figures.underruns[side] = players[side]->underruns().value_or(0);
    }
    for (auto& player : players) player->interrupt(3000ms);  // leaves the session cleanly
    return figures;
}

bool report(const char* what, const Figures& figures, double sessionBpm) {
    if (!figures.trouble.empty()) {
        std::printf("%s: %s\n", what, figures.trouble.c_str());
        return false;
    }
    const double drift[2] = {100.0 * (figures.bpm[0] / sessionBpm - 1.0),
                             100.0 * (figures.bpm[1] / sessionBpm - 1.0)};
    std::printf(
        "%s (session %.2f BPM):\n"
        "  tempo: first %.4f BPM (%+.4f %%), second %.4f BPM (%+.4f %%)   target within 0.05 %%\n"
        "  clicks apart: median %.3f ms, worst %.3f ms   target 1 ms, 3 ms\n"
        "  last minute:  median %.3f ms, worst %.3f ms\n",
        what, sessionBpm, figures.bpm[0], drift[0], figures.bpm[1], drift[1], figures.medianMs,
        figures.worstMs, figures.lastMinuteMedianMs, figures.lastMinuteWorstMs);
    // lumaplay prints its output's underruns; the deck does not count them anywhere.
    if (useLumaplay) {
        std::printf("  periods the players missed: %u and %u (each moves a click by a period)\n",
                    figures.underruns[0], figures.underruns[1]);
    }
    return std::fabs(drift[0]) <= 0.05 && std::fabs(drift[1]) <= 0.05 && figures.medianMs <= 1.0 &&
           figures.worstMs <= 3.0 && figures.lastMinuteMedianMs <= 1.0 &&
           figures.lastMinuteWorstMs <= 3.0;
}

}  // namespace

int main(int argc, char** argv) {
    double minutes = 1.0;
    std::string csv = "link_sync.csv";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--minutes" && i + 1 < argc) {
            minutes = std::atof(argv[++i]);
        } else if (arg == "--csv" && i + 1 < argc) {
            csv = argv[++i];
        } else if (arg == "--lumaplay") {
            useLumaplay = true;
        } else {
            std::fprintf(stderr, "usage: link_sync [--minutes M] [--csv FILE] [--lumaplay]\n");
            return 2;
        }
    }
    if (!(minutes > 0.0 && minutes <= 60.0)) {
        std::fprintf(stderr, "link_sync: --minutes takes 0..60\n");
        return 2;
    }
    const double seconds = minutes * 60.0;
    luma::test::TempDir dir;
    // The tracks outlast the recording, the grid's wait and the players' start.
    const double trackSeconds = seconds + 40.0;
    const std::string first = dir.file("clicks-120.wav"), second = dir.file("clicks-126.wav");
    if (!luma::test::writeWav16(first, clickTrack(120.0, 0.10, trackSeconds)) ||
        !luma::test::writeWav16(second, clickTrack(126.0, 0.33, trackSeconds))) {
        std::fprintf(stderr, "link_sync: cannot write the click tracks in %s\n",
                     dir.file("").c_str());
        return 1;
    }
    luma::test::JackServer server(kRate, kPeriod);
    luma::test::ScopedEnv jackName("JACK_DEFAULT_SERVER", server.name());
    // Device 0 is the sound server when one answers: none must.
    luma::test::ScopedEnv noSoundServer("PULSE_SERVER", "unix:/nonexistent");
    luma::test::ScopedEnv systemOutput("LUMATRONE_AUDIO", std::nullopt);
    std::this_thread::sleep_for(1s);  // jackd takes a moment to answer

    std::printf("link_sync: two %s, %.1f minutes each run\n",
                useLumaplay ? "lumaplay players" : "deck processes", minutes);
    const Figures alone = run(dir, seconds, first, second);
    bool passed = report("players alone", alone, 120.0);

    // A peer holding the session at 124 BPM, in it before the players.
    const std::filesystem::path peerFolder = dir.file("peer");
    std::filesystem::create_directories(peerFolder);
    PlayerProcess peer({LUMA_LINK_PEER_PATH, "124"}, peerFolder);
    std::this_thread::sleep_for(1500ms);
    const Figures held = run(dir, seconds, first, second);
    passed = report("with a Link peer at 124 BPM", held, 124.0) && passed;
    peer.interrupt(2000ms);

    // The first player's pitch fader moves the session from 120 to 126 BPM, 30 s after it
    // started (some 20 s into the recording); the tones on the right channels time it.
    const std::string firstTone = dir.file("clicks-120-tone.wav"),
                      secondTone = dir.file("clicks-126-tone.wav");
    if (!luma::test::writeWav16(firstTone, clickTrack(120.0, 0.10, trackSeconds, true)) ||
        !luma::test::writeWav16(secondTone, clickTrack(126.0, 0.33, trackSeconds, true))) {
        std::fprintf(stderr, "link_sync: cannot write the tone tracks\n");
        return 1;
    }
    // +5 %: lumaplay takes the new tempo, the deck its fader's place.
    const std::vector<std::string> move = useLumaplay
                                              ? std::vector<std::string>{"--tempo-at", "30", "126"}
                                              : std::vector<std::string>{"--tempo-at", "30", "5"};
    const Figures moved = run(dir, std::max(seconds, 40.0), firstTone, secondTone, move);
    if (moved.trouble.empty()) {
        std::printf(
            "a fader moved (the first player 120 -> 126 BPM):\n"
            "  the second player's pitch moved %.1f ms after the first one's   target 10 ms\n"
            "  clicks apart across the move: median %.3f ms, worst %.3f ms\n",
            moved.followMs, moved.medianMs, moved.worstMs);
        passed = passed && std::fabs(moved.followMs) <= 10.0;
    } else {
        std::printf("a fader moved: %s\n", moved.trouble.c_str());
        passed = false;
    }

    std::ofstream out(csv);
    out << "run,seconds,offset_ms\n";
    for (const auto& [at, ms] : alone.offsets) out << "alone," << at << ',' << ms << '\n';
    for (const auto& [at, ms] : held.offsets) out << "peer124," << at << ',' << ms << '\n';
    for (const auto& [at, ms] : moved.offsets) out << "moved," << at << ',' << ms << '\n';
    std::printf("click offsets over time: %s\n", csv.c_str());
    std::printf("%s\n", passed ? "all targets met" : "TARGETS MISSED");
    return passed ? 0 : 1;
}
