// A controller on a private JACK server: a virtual RtMidi output port that may be pulled
// out and plugged in again; and a wait that keeps the event loop running.
#pragma once

#include <RtMidi.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "support/jack_server.h"
#include "support/scoped_env.h"

namespace luma::test {

inline constexpr char kFeedClient[] = "luma-feed";

// Runs the event loop until done() holds or the limit passes.
inline bool waitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(3)) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limit.count()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

class MidiFeed {
  public:
    // Call from SetUp: fails the test when the server or the port does not come up.
    void start() {
        ASSERT_TRUE(server->running()) << server->problem();
        // jackd takes a moment before it accepts clients. Probing with an input:
        // an RtMidiOut that fails to connect leaks its buffers.
        bool up = false;
        for (int tries = 0; !up && server->running() && tries < 50; ++tries) {
            RtMidiIn probe(RtMidi::UNIX_JACK, kFeedClient);
            bool failed = false;
            probe.setErrorCallback(&noteError, &failed);
            probe.getPortCount();
            up = !failed;
            if (!up) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ASSERT_TRUE(up) << server->problem();
        plug();
    }
    // (Again) opens the feed's port, under the same name.
    void plug() {
        port = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, kFeedClient);
        port->setErrorCallback(&noteError, &failed_);
        port->openVirtualPort("feed");
        ASSERT_FALSE(failed_) << server->problem();
    }
    void send(std::vector<unsigned char> bytes) { port->sendMessage(&bytes); }

    std::unique_ptr<JackServer> server =
        std::make_unique<JackServer>(48000, 256, JackServer::Synchronous);
    ScopedEnv env{"JACK_DEFAULT_SERVER", server->name()};
    std::unique_ptr<RtMidiOut> port;

  private:
    static void noteError(RtMidiError::Type, const std::string&, void* failed) {
        *static_cast<bool*>(failed) = true;
    }
    bool failed_ = false;
};

}  // namespace luma::test
