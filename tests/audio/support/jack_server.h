// A private JACK server (dummy driver) for one test, ended when the object goes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "support/server_process.h"

namespace luma::test {

class JackServer : public ServerProcess {
  public:
    // Starts jackd under a name of its own. A synchronous server waits for every client each
    // cycle: an asynchronous one replays the MIDI of a client that a slow build makes miss one.
    enum Mode { Asynchronous, Synchronous };
    JackServer(int rate, int period, Mode mode = Asynchronous) {
        // Always 26 characters: with libjack 1.9.21 a server name of 24, 40 or 56
        // characters makes every client crash in jack_client_open.
        char name[32];
        std::snprintf(name, sizeof name, "luma-test-%08x%08x", static_cast<unsigned>(getpid()),
                      static_cast<unsigned>(std::random_device{}()));
        name_ = name;
        const std::string r = std::to_string(rate), p = std::to_string(period);
        argv_ = {"jackd", "-n", name_, "-d", "dummy", "-r", r, "-p", p};
        if (mode == Synchronous) argv_.insert(argv_.begin() + 1, "-S");
        // Without this jackd first asks D-Bus for a sound card.
        setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        start();
    }

    void start() override { launch(argv_); }
    const std::string& name() const { return name_; }

  private:
    std::string name_;
    std::vector<std::string> argv_;
};

}  // namespace luma::test
