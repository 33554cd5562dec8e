// link_peer: a Link peer that is not a deck, holding the session at a tempo:
// whenever another peer moves the tempo, it sets it back. For trying sync
// with no other music program at hand, and for the sync benchmark.
//
//   link_peer BPM [SECONDS]      (no SECONDS: until interrupted)
#include <ableton/Link.hpp>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {
volatile std::sig_atomic_t interrupted = 0;
}  // namespace

int main(int argc, char** argv) {
    const double bpm = argc > 1 ? std::atof(argv[1]) : 0.0;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 0.0;
    if (argc < 2 || argc > 3 || !(bpm >= 20.0 && bpm <= 999.0) || seconds < 0.0) {
        std::fprintf(stderr, "usage: link_peer BPM [SECONDS]   (BPM 20..999)\n");
        return 2;
    }
    std::signal(SIGINT, [](int) { interrupted = 1; });
    std::signal(SIGTERM, [](int) { interrupted = 1; });
    ableton::Link link(bpm);
    link.enable(true);
    const auto start = std::chrono::steady_clock::now();
    std::size_t peers = 0;
    while (!interrupted) {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (seconds > 0.0 && elapsed >= seconds) break;
        auto state = link.captureAppSessionState();
        // Link carries the tempo as microseconds per beat: close enough is the same.
        if (std::fabs(state.tempo() - bpm) > 1e-3) {
            state.setTempo(bpm, link.clock().micros());
            link.commitAppSessionState(state);
        }
        if (link.numPeers() != peers) {
            peers = link.numPeers();
            std::printf("%.1f s: %zu peers\n", elapsed, peers);
            std::fflush(stdout);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    link.enable(false);
    return 0;
}
