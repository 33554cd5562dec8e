// How the engine's sound survives the desktop's sound server, on three
// private servers: PulseAudio and PipeWire (each with a null sink, reached
// through PulseAudio's protocol) and JACK (dummy driver). Device 0 of the
// system outputs, as the deck plays. What the sink plays is recorded (the
// null sink's monitor; for JACK, a client of ours on the player's port) and
// timed on steady_clock, less the recording's own latency.
//
// - Play to sound: the output already running (a silent track playing, as
//   a deck's output runs from start-up), BASS_StreamPlay of a tone until it
//   is heard, in this process.
// - A 100 ms stall: lumaplay playing a tone as a child process, stopped
//   whole (SIGSTOP/SIGCONT); the tone heard missing against the engine's own
//   underrun count, at the default buffer and at the smallest one.
// - A server restart: the server killed (SIGKILL) under a playing lumaplay
//   and started again: time until the tone is heard again, the player's
//   processor use and stderr output meanwhile, and how soon it ends on
//   SIGINT.
#include <lumaaudio.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "jack_monitor.h"
#include "pipewire_server.h"
#include "player_process.h"
#include "pulse_monitor.h"
#include "support/audio_files.h"
#include "support/jack_server.h"
#include "support/pulse_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace {

using luma::bench::Clock;
using luma::bench::HeardSpan;
using luma::bench::JackMonitor;
using luma::bench::PlayerProcess;
using luma::bench::PulseMonitor;
using luma::bench::SinkMonitor;
using std::chrono::milliseconds;

constexpr int kPlays = 10;
constexpr int kStalls = 5;
constexpr int kRestarts = 3;
constexpr auto kStall = milliseconds(100);
constexpr auto kOutage = milliseconds(2000);
constexpr auto kAfterReturn = milliseconds(1500);
constexpr int kSmallestLatencyMs = 10;
// Sound is looked for missing in a window from just before a stall until
// its sound is long back, and in as long a window before it, well clear of
// what the stall takes away.
constexpr auto kWindow = milliseconds(520);
constexpr auto kQuiet = kWindow + milliseconds(100);

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

bool onPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// The first line `command` prints.
std::string firstLine(const std::string& command) {
    std::string line;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        if (std::fgets(buffer, sizeof buffer, pipe)) line = buffer;
        pclose(pipe);
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

// A private sound server under test.
class Server {
  public:
    virtual ~Server() = default;
    virtual void start() = 0;
    virtual void kill() = 0;
    virtual std::string problem() = 0;
    // True when it takes a connection: the moment it is back.
    virtual bool answers() { return PulseMonitor::serverAnswers(); }
    // A recorder of what the player named `client` is heard playing.
    virtual std::unique_ptr<SinkMonitor> monitor(const std::string& client) = 0;
    // Length of one of the engine's output periods, its unit of underruns.
    virtual double periodMs() const = 0;
    // Whether the engine's latency setting reaches this server.
    virtual bool takesLatencySetting() const { return true; }
};

// PulseAudio, or PipeWire's pulse server: both serve the same protocol.
template <typename Process>
class PulseProtocolServer : public Server {
  public:
    void start() override { server_.start(); }
    void kill() override { server_.kill(); }
    std::string problem() override { return server_.problem(); }
    std::unique_ptr<SinkMonitor> monitor(const std::string&) override {
        return std::make_unique<PulseMonitor>();
    }
    double periodMs() const override { return 256 * 1000.0 / 44100; }

  private:
    Process server_;
};
using PulseAudio = PulseProtocolServer<luma::test::PulseServer>;
using PipeWire = PulseProtocolServer<luma::test::PipeWireServer>;

class Jack : public Server {
  public:
    Jack() { waitUntilUp(); }
    void start() override {
        server_.start();
        waitUntilUp();
    }
    bool answers() override {
        jack_status_t status{};
        jack_client_t* probe = jack_client_open("luma-probe", JackNoStartServer, &status);
        if (probe != nullptr) jack_client_close(probe);
        return probe != nullptr;
    }
    void kill() override { server_.kill(); }
    std::string problem() override { return server_.problem(); }
    std::unique_ptr<SinkMonitor> monitor(const std::string& client) override {
        return std::make_unique<JackMonitor>(client + ":out_1");
    }
    double periodMs() const override { return kPeriod * 1000.0 / kRate; }
    bool takesLatencySetting() const override { return false; }  // JACK's period is the buffer

  private:
    // jackd takes a moment to answer; the engine must find it when it starts.
    void waitUntilUp() {
        for (int waited = 0; waited < 5000 && !answers(); waited += 10) {
            std::this_thread::sleep_for(milliseconds(10));
        }
    }

    static constexpr int kRate = 48000;
    static constexpr int kPeriod = 256;
    luma::test::JackServer server_{kRate, kPeriod};
    luma::test::ScopedEnv name_{"JACK_DEFAULT_SERVER", server_.name()};
    // Device 0 is the sound server when one answers: none must.
    luma::test::ScopedEnv noSoundServer_{"PULSE_SERVER", "unix:/nonexistent"};
};

// Opens a recorder, retrying while the server comes up.
std::unique_ptr<SinkMonitor> openMonitor(Server& server, const std::string& client,
                                         Clock::duration patience) {
    const auto deadline = Clock::now() + patience;
    do {
        std::unique_ptr<SinkMonitor> monitor = server.monitor(client);
        if (monitor->open()) return monitor;
        std::this_thread::sleep_for(milliseconds(5));
    } while (Clock::now() < deadline);
    return nullptr;
}

// The first moment the server answers; nullopt when not within `patience`.
std::optional<Clock::time_point> firstAnswer(Server& server, Clock::duration patience) {
    const auto deadline = Clock::now() + patience;
    do {
        const auto attempt = Clock::now();
        if (server.answers()) return attempt;
        std::this_thread::sleep_for(milliseconds(2));
    } while (Clock::now() < deadline);
    return std::nullopt;
}

struct Sound {
    size_t index;  // of its first sample in the recording
    Clock::time_point heard;
};

// The tone first heard at or after sample `from`, lasting `lasting`
// seconds; nullopt when not within `patience`.
std::optional<Sound> waitForSound(SinkMonitor& monitor, size_t from, double lasting,
                                  Clock::duration patience) {
    const auto deadline = Clock::now() + patience;
    size_t scanFrom = from;
    while (Clock::now() < deadline) {
        monitor.follow();
        const HeardSpan span = monitor.heard().since(scanFrom);
        if (const std::optional<size_t> start = span.soundStart(scanFrom, lasting))
            return Sound{*start, span.timeOf(*start)};
        // What has been looked at need not be copied again, less a stretch
        // that may begin a sound still going on.
        const auto keep = static_cast<size_t>((lasting + 0.01) * span.rate());
        if (span.end() > scanFrom + keep) scanFrom = span.end() - keep;
        std::this_thread::sleep_for(milliseconds(10));
    }
    return std::nullopt;
}

struct Summary {
    std::vector<double> values;
    bool empty() const { return values.empty(); }
    double median() const {
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
    double worst() const { return *std::max_element(values.begin(), values.end()); }
};

struct Stalls {
    Summary lostMs;     // heard missing per stall
    Summary countedMs;  // the engine's underruns per stall, in time
    Summary quietMs;    // heard missing in as long a stretch without a stall
    Summary quietCountedMs;
    Summary stoppedMs;  // how long the player actually stood still
    std::string trouble;
};

struct Figures {
    std::string device;
    double statedLatencyMs = 0;
    Summary playMs;
    Stalls defaultBuffer;
    Stalls smallestBuffer;
    Summary backMs;
    int backBeforeRecorder = 0;
    Summary afterReturnMs;  // heard missing in the first moments back
    Summary afterReturnCountedMs;
    Summary cpuPercent;
    Summary stderrBytes;
    Summary exitMs;
    Summary exitAwayMs;
    std::vector<std::string> trouble;
};

struct Material {
    std::string tone;     // 60 s of 440 Hz at 0.5
    std::string silence;  // 2 s
    std::string player;
};

// Play to sound, through this process's own engine.
void measurePlay(Server& server, const Material& files, Figures& figures) {
    LUMA_SetOutputOptions("luma-bench", 0);
    if (!BASS_Init(0, 44100, 0, nullptr) || !BASS_Start()) {
        figures.trouble.push_back("the engine did not open device 0");
        return;
    }
    figures.device = BASS_GetDeviceDescription(0) ? BASS_GetDeviceDescription(0) : "?";
    uint32_t info[14] = {56};
    if (BASS_GetInfo(info)) figures.statedLatencyMs = info[11];
    const uint32_t silence = BASS_StreamCreateFile(0, files.silence.c_str(), 0, 0, 0);
    const uint32_t tone = BASS_StreamCreateFile(0, files.tone.c_str(), 0, 0, 0);
    BASS_StreamPreBuf(silence);
    BASS_StreamPreBuf(tone);
    BASS_StreamPlay(silence, 0, LUMA_PLAY_LOOP);
    std::unique_ptr<SinkMonitor> monitor =
        openMonitor(server, "luma-bench", std::chrono::seconds(5));
    if (!monitor) {
        figures.trouble.push_back("no recorder for play to sound");
        BASS_Free();
        return;
    }
    // An idle sink takes its time to start: once heard, the output runs.
    BASS_StreamPlay(tone, 0, 0);
    if (!waitForSound(*monitor, 0, 0.2, std::chrono::seconds(8))) {
        figures.trouble.push_back("the tone was never heard: " + server.problem());
        BASS_Free();
        return;
    }
    std::mt19937 random(5);
    std::uniform_int_distribution<int> phaseUs(0, 23000);  // anywhere in a sink's block
    for (int play = 0; play < kPlays; ++play) {
        BASS_ChannelStop(tone);
        BASS_ChannelSetPosition(tone, 0);
        std::this_thread::sleep_for(milliseconds(300) + std::chrono::microseconds(phaseUs(random)));
        // Nothing recorded before the play can be its sound.
        const size_t from = monitor->heard().size();
        const auto pressed = Clock::now();
        BASS_StreamPlay(tone, 0, 0);
        if (const auto heard = waitForSound(*monitor, from, 0.005, std::chrono::seconds(3))) {
            figures.playMs.values.push_back(msBetween(pressed, heard->heard));
        } else {
            figures.trouble.push_back("a play was not heard within 3 s");
        }
    }
    BASS_Free();
}

// Stalls of a playing lumaplay, with its output buffer at `latencyMs` (0: default).
Stalls measureStalls(Server& server, const Material& files, int latencyMs) {
    Stalls stalls;
    luma::test::TempDir folder;
    PlayerProcess player(
        {files.player, "--seconds", "20", "--latency", std::to_string(latencyMs), files.tone},
        folder.path());
    std::unique_ptr<SinkMonitor> monitor = openMonitor(server, "lumaplay", std::chrono::seconds(5));
    if (!monitor || !waitForSound(*monitor, 0, 1.0, std::chrono::seconds(8))) {
        stalls.trouble = "lumaplay was not heard: " + player.stderrText();
        return stalls;
    }
    const auto lookBack = static_cast<size_t>(0.3 * monitor->heard().rate());
    for (int stall = 0; stall < kStalls; ++stall) {
        const size_t from = std::max(monitor->heard().size(), lookBack) - lookBack;
        const unsigned before = player.underruns().value_or(0);
        const auto quiet = Clock::now();
        std::this_thread::sleep_for(kQuiet);
        const unsigned atStop = player.underruns().value_or(0);
        const auto stopped = Clock::now();
        player.pause(true);
        std::this_thread::sleep_for(kStall);
        player.pause(false);
        const auto continued = Clock::now();
        // The sound back, recorded, and the player's count printed.
        std::this_thread::sleep_for(milliseconds(600));
        const unsigned after = player.underruns().value_or(0);
        const HeardSpan span = monitor->heard().since(from);
        const auto windowStart = stopped - milliseconds(20);
        stalls.lostMs.values.push_back(
            1000 *
            span.missingSeconds(span.indexAt(windowStart), span.indexAt(windowStart + kWindow)));
        stalls.quietMs.values.push_back(
            1000 * span.missingSeconds(span.indexAt(quiet), span.indexAt(quiet + kWindow)));
        stalls.countedMs.values.push_back((after - atStop) * server.periodMs());
        stalls.quietCountedMs.values.push_back((atStop - before) * server.periodMs());
        stalls.stoppedMs.values.push_back(msBetween(stopped, continued));
    }
    if (monitor->lost()) stalls.trouble = "the recorder lost its server";
    player.interrupt(milliseconds(3000));
    return stalls;
}

// Kills the server under a playing lumaplay and starts it again.
void measureRestarts(Server& server, const Material& files, Figures& figures) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> outageJitter(0, 500);
    for (int restart = 0; restart < kRestarts; ++restart) {
        luma::test::TempDir folder;
        PlayerProcess player({files.player, "--seconds", "30", files.tone}, folder.path());
        {
            std::unique_ptr<SinkMonitor> monitor =
                openMonitor(server, "lumaplay", std::chrono::seconds(5));
            if (!monitor || !waitForSound(*monitor, 0, 0.5, std::chrono::seconds(8))) {
                figures.trouble.push_back("lumaplay was not heard before a restart");
                return;
            }
        }
        const uintmax_t errBefore = player.stderrBytes();
        const double cpuBefore = player.cpuSeconds();
        const auto killed = Clock::now();
        server.kill();
        // Any moment of the player's retries.
        std::this_thread::sleep_for(kOutage + milliseconds(outageJitter(random)));
        server.start();
        const std::optional<Clock::time_point> back = firstAnswer(server, std::chrono::seconds(10));
        const double cpuAway = player.cpuSeconds() - cpuBefore;
        const unsigned countAtReturn = player.underruns().value_or(0);
        std::unique_ptr<SinkMonitor> monitor =
            back ? openMonitor(server, "lumaplay", std::chrono::seconds(5)) : nullptr;
        if (!monitor) {
            figures.trouble.push_back("the server did not come back: " + server.problem());
            return;
        }
        figures.cpuPercent.values.push_back(100 * cpuAway / (msBetween(killed, *back) / 1000));
        if (const auto heard = waitForSound(*monitor, 0, 0.05, std::chrono::seconds(10))) {
            figures.backMs.values.push_back(msBetween(*back, heard->heard));
            // Its sound may have been back before the recorder got through.
            if (monitor->cameAfterPlayer()) ++figures.backBeforeRecorder;
            // Whether it plays on whole once back, and what the engine counts of it.
            std::this_thread::sleep_for(kAfterReturn + milliseconds(100));
            const HeardSpan span = monitor->heard().since(heard->index);
            figures.afterReturnMs.values.push_back(
                1000 *
                span.missingSeconds(heard->index, span.indexAt(heard->heard + kAfterReturn)));
            figures.afterReturnCountedMs.values.push_back(
                (player.underruns().value_or(0) - countAtReturn) * server.periodMs());
        } else {
            figures.backMs.values.push_back(1e9);  // never: shown as a miss
            figures.trouble.push_back(
                "lumaplay not heard 10 s after the server's return; stderr: " +
                player.stderrText().substr(0, 400));
        }
        figures.stderrBytes.values.push_back(static_cast<double>(player.stderrBytes() - errBefore));
        const std::optional<double> exit = player.interrupt(milliseconds(5000));
        figures.exitMs.values.push_back(exit ? *exit * 1000 : 1e9);
    }

    // Told to end while its server is away.
    luma::test::TempDir folder;
    PlayerProcess player({files.player, "--seconds", "30", files.tone}, folder.path());
    {
        std::unique_ptr<SinkMonitor> monitor =
            openMonitor(server, "lumaplay", std::chrono::seconds(5));
        if (!monitor || !waitForSound(*monitor, 0, 0.5, std::chrono::seconds(8))) return;
    }
    server.kill();
    std::this_thread::sleep_for(milliseconds(700));
    const std::optional<double> exit = player.interrupt(milliseconds(5000));
    figures.exitAwayMs.values.push_back(exit ? *exit * 1000 : 1e9);
    server.start();
}

void printRow(const char* what, const Summary& summary, const char* unit, double goal,
              const char* goalText, double scale = 1) {
    if (summary.empty()) {
        std::printf("  %-44s %10s %10s   %-12s\n", what, "-", "-", goalText);
        return;
    }
    const auto shown = [&](double v) {
        char text[32];
        if (v >= 1e9) return std::string("never");
        std::snprintf(text, sizeof text, "%.1f %s", v * scale, unit);
        return std::string(text);
    };
    const char* verdict = goal <= 0 ? "" : summary.worst() <= goal ? "ok" : "MISSED";
    std::printf("  %-44s %10s %10s   %-12s %s\n", what, shown(summary.median()).c_str(),
                shown(summary.worst()).c_str(), goalText, verdict);
}

void printStalls(const char* buffer, const Stalls& stalls) {
    char title[96];
    std::snprintf(title, sizeof title, "sound lost per 100 ms stall, %s", buffer);
    printRow(title, stalls.lostMs, "ms", 150, "<= 150 ms");
    printRow("  engine's underrun count, as time", stalls.countedMs, "ms", 0, "= lost");
    printRow("  lost in as long a stretch without a stall", stalls.quietMs, "ms", 0, "0");
    printRow("    engine's underrun count, as time", stalls.quietCountedMs, "ms", 0, "= lost");
    printRow("  player actually stopped", stalls.stoppedMs, "ms", 0, "100 ms");
    if (!stalls.lostMs.empty() && !stalls.stoppedMs.empty()) {
        std::printf("  %-44s %10.2f %10.2f\n", "  lost / stall (ratio)",
                    stalls.lostMs.median() / stalls.stoppedMs.median(),
                    stalls.lostMs.worst() / stalls.stoppedMs.median());
    }
    if (!stalls.trouble.empty()) std::printf("  ! %s\n", stalls.trouble.c_str());
}

void printFigures(const char* name, const std::string& version, const Figures& figures,
                  bool latencySetting) {
    std::printf("\n%s (%s): device 0 \"%s\", stated output latency %.0f ms\n", name,
                version.c_str(), figures.device.c_str(), figures.statedLatencyMs);
    std::printf("  %-44s %10s %10s   %-12s\n", "figure", "median", "worst", "goal");
    char plays[64];
    std::snprintf(plays, sizeof plays, "play to sound (%d plays)", kPlays);
    printRow(plays, figures.playMs, "ms", 50, "<= 50 ms");
    printStalls("default buffer", figures.defaultBuffer);
    if (latencySetting) {
        printStalls("--latency 10", figures.smallestBuffer);
    } else {
        std::printf("  (--latency does not apply: JACK's period is the buffer)\n");
    }
    char restarts[64];
    std::snprintf(restarts, sizeof restarts, "sound back after restart (%d restarts)", kRestarts);
    printRow(restarts, figures.backMs, "ms", 5000, "<= 5000 ms");
    if (figures.backBeforeRecorder > 0) {
        std::printf("    (%d of them playing before the recorder got through: at most)\n",
                    figures.backBeforeRecorder);
    }
    printRow("  lost in its first 1.5 s back", figures.afterReturnMs, "ms", 0, "0");
    printRow("    engine's underrun count, as time", figures.afterReturnCountedMs, "ms", 0,
             "= lost");
    printRow("player CPU while the server is away", figures.cpuPercent, "%", 20, "< 20 %");
    printRow("player stderr per restart", figures.stderrBytes, "KB", 1e6, "< 1 MB", 1e-3);
    printRow("player exit on SIGINT after a restart", figures.exitMs, "ms", 1000, "<= 1000 ms");
    printRow("player exit on SIGINT, server away", figures.exitAwayMs, "ms", 1000, "<= 1000 ms");
    for (const std::string& trouble : figures.trouble) std::printf("  ! %s\n", trouble.c_str());
}

void run(const char* name, const std::vector<std::string>& programs, const std::string& version,
         const std::function<std::unique_ptr<Server>()>& make, const Material& files) {
    for (const std::string& program : programs) {
        if (!onPath(program)) {
            std::printf("\n%s: skipped, %s is not installed\n", name, program.c_str());
            return;
        }
    }
    const auto started = Clock::now();
    std::unique_ptr<Server> server = make();
    Figures figures;
    measurePlay(*server, files, figures);
    figures.defaultBuffer = measureStalls(*server, files, 0);
    if (server->takesLatencySetting())
        figures.smallestBuffer = measureStalls(*server, files, kSmallestLatencyMs);
    measureRestarts(*server, files, figures);
    const bool latencySetting = server->takesLatencySetting();
    server.reset();
    printFigures(name, firstLine(version), figures, latencySetting);
    std::printf("  (measured in %.0f s)\n", msBetween(started, Clock::now()) / 1000);
    std::fflush(stdout);
}

}  // namespace

int main() {
    luma::test::TempDir dir;
    Material files{dir.file("tone.wav"), dir.file("silence.wav"), LUMA_PLAYER_PATH};
    if (!luma::test::writeWav16(files.tone, luma::test::makeSine(440, 60.0)) ||
        !luma::test::writeWav16(files.silence, luma::test::makeSine(440, 2.0, 44100, 2, 0.0)))
        return 1;
    setenv("LUMATRONE_AUDIO", "system", 1);
    std::printf(
        "Output resilience: 100 ms stalls x %d, restarts x %d (outage %lld ms), plays x %d\n",
        kStalls, kRestarts, static_cast<long long>(kOutage.count()), kPlays);

    run(
        "PulseAudio, null sink", {"pulseaudio"}, "pulseaudio --version",
        [] { return std::make_unique<PulseAudio>(); }, files);
    run(
        "PipeWire, null sink through pipewire-pulse",
        {"pipewire", "pipewire-pulse", "wireplumber", "dbus-daemon"},
        "pipewire --version | sed -n 's/^Linked with lib//p'",
        [] { return std::make_unique<PipeWire>(); }, files);
    run(
        "JACK, dummy driver", {"jackd"},
        "jackd --version | sed -n 's/^jackdmp version \\([^ ]*\\).*/jackd2 \\1/p'",
        [] { return std::make_unique<Jack>(); }, files);
    return 0;
}
