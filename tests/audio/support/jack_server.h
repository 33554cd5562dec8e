// A private JACK server (dummy driver) for one test, ended when the object goes.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace luma::test {

class JackServer {
  public:
    // Starts jackd under a name of its own. A synchronous server waits for
    // every client each cycle; an asynchronous one lets a client that a slow
    // (sanitised) build makes miss a cycle leave its last buffer in place,
    // so its MIDI events are heard twice.
    enum Mode { Asynchronous, Synchronous };
    JackServer(int rate, int period, Mode mode = Asynchronous) {
        // Always 26 characters: with libjack 1.9.21 a server name of 24, 40 or 56
        // characters makes every client crash in jack_client_open.
        char name[32];
        std::snprintf(name, sizeof name, "luma-test-%08x%08x", static_cast<unsigned>(getpid()),
                      static_cast<unsigned>(std::random_device{}()));
        name_ = name;
        const std::string rateText = std::to_string(rate);
        const std::string periodText = std::to_string(period);
        const std::string log = dir_.file("jackd.log");
        std::vector<const char*> argv = {
            "jackd", "-n", name, "-d", "dummy", "-r", rateText.c_str(), "-p", periodText.c_str()};
        if (mode == Synchronous) argv.insert(argv.begin() + 1, "-S");
        argv.push_back(nullptr);
        // Without this jackd first asks D-Bus for a sound card.
        setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);

        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {                       // only system calls from here on
            prctl(PR_SET_PDEATHSIG, SIGTERM);  // a crashed or killed test takes jackd along
            if (getppid() != parent) _exit(127);
            const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int in = open("/dev/null", O_RDONLY);
            if (out >= 0 && in >= 0) {
                dup2(in, STDIN_FILENO);
                dup2(out, STDOUT_FILENO);
                dup2(out, STDERR_FILENO);
                execvp(argv[0], const_cast<char* const*>(argv.data()));
                const char message[] = "cannot run jackd: install the jackd2 package\n";
                (void)!write(STDERR_FILENO, message, sizeof message - 1);
            }
            _exit(127);
        }
    }
    // SIGTERM, SIGKILL if it lingers; it also dies with the test process.
    ~JackServer() {
        if (!running()) return;
        kill(pid_, SIGTERM);  // lets it remove its shared memory and sockets
        for (int waited = 0; waited < 3000 && running(); waited += 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    // False once it has exited, or if it never started.
    bool running() {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
        return pid_ > 0;
    }
    const std::string& name() const { return name_; }
    // Why it may not be running: its log.
    std::string problem() const {
        std::ifstream in(dir_.file("jackd.log"));
        std::stringstream text;
        text << "jackd " << (pid_ > 0 ? "runs" : "has exited") << "; its log:\n" << in.rdbuf();
        return text.str();
    }

  private:
    TempDir dir_;
    std::string name_;
    pid_t pid_ = -1;
};

}  // namespace luma::test
