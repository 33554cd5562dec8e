// What the latency benchmarks share: the spread of a set of times, printed
// one line each, an event loop run until something has happened, and a wait
// for a fresh JACK server to take MIDI clients.
#pragma once

#include <RtMidi.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace luma::bench {

struct Spread {
    size_t n = 0;
    double median = -1, p99 = -1, worst = -1;
};

// Prints `what` (padded to `width`) with the median, 99th percentile and worst of `ms`.
inline Spread report(const char* what, std::vector<double> ms, int width = 32) {
    if (ms.empty()) return {};
    std::sort(ms.begin(), ms.end());
    const Spread s{ms.size(), ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back()};
    std::printf("%-*s %4zu: median %6.3f ms, 99%% %6.3f ms, worst %6.3f ms\n", width, what, s.n,
                s.median, s.p99, s.worst);
    return s;
}

// Runs the event loop, at most `sliceMs` at a time, until done() or `limit`.
inline bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
                     int sliceMs = 5) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limit.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, sliceMs);
    }
    return done();
}

// Until a JACK MIDI probe opens without an error, for at most five seconds.
inline bool waitForJackMidi() {
    for (int tries = 0; tries < 50; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        RtMidiIn probe(RtMidi::UNIX_JACK, "bench-probe");
        bool failed = false;
        probe.setErrorCallback(
            [](RtMidiError::Type, const std::string&, void* f) { *static_cast<bool*>(f) = true; },
            &failed);
        probe.getPortCount();
        if (!failed) return true;
    }
    return false;
}

}  // namespace luma::bench
