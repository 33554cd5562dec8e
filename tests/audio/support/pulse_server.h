// A private PulseAudio server with a null sink, reached through PULSE_SERVER while it lives.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "support/scoped_env.h"
#include "support/server_process.h"

namespace luma::test {

class PulseServer : public ServerProcess {
  public:
    PulseServer() { start(); }

    // Returns once the socket is there (or after five seconds).
    void start() override {
        launch({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=false",
                "--no-cpu-limit", "--disable-shm=true", "-L",
                "module-null-sink sink_name=null rate=44100", "-L",
                "module-native-protocol-unix auth-anonymous=1 socket=" + socket_});
        for (int waited = 0; waited < 5000 && running(); waited += 10) {
            if (std::filesystem::exists(socket_)) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    void kill() override {
        ServerProcess::kill();
        std::filesystem::remove(socket_);  // a crashed server leaves it behind
    }

  private:
    std::string socket_ = dir.file("native");
    ScopedEnv server_{"PULSE_SERVER", "unix:" + socket_};
    ScopedEnv runtime_{"PULSE_RUNTIME_PATH", dir.path().string()};  // the server's own files
};

}  // namespace luma::test
