// A private PipeWire with a null sink, its session manager and its pulse
// server (pipewire-pulse), as a desktop runs them but without systemd:
// PulseAudio clients reach it through PULSE_SERVER, set while the object
// lives. The session manager is needed: without it nothing links a stream
// to the sink, nor the sink's monitor to a recorder. The daemons see a
// folder of their own as their runtime, config and state folders, and a
// D-Bus of their own (WirePlumber ends without a session bus), so nothing
// of the user's own session is touched.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/scoped_env.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace luma::test {

// One of the programs that make up the server, started again with the same command.
class ServerProgram : public ServerProcess {
  public:
    void start(std::vector<std::string> argv) {
        argv_ = std::move(argv);
        start();
    }
    void start() override { launch(argv_); }

  private:
    std::vector<std::string> argv_;
};

class PipeWireServer {
  public:
    // Name of the null sink: the default sink, as the only one.
    static constexpr const char* kSinkName = "luma-null";

    PipeWireServer() {
        writeConfigs();
        bus_.start(
            {"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + busAddress()});
        start();
    }

    // (Again) in the same folder, after kill() or stop(): PipeWire, then
    // the session manager and the pulse server; returns once the pulse
    // socket is there (or after five seconds).
    void start() {
        daemon_.start(withEnvironment({"pipewire", "-c", dir_.file("pipewire.conf")}));
        waitForFile(dir_.file("pipewire-0"));
        session_.start(withEnvironment({"wireplumber", "-c", dir_.file("wireplumber.conf")}));
        pulse_.start(withEnvironment({"pipewire-pulse", "-c", dir_.file("pipewire-pulse.conf")}));
        waitForFile(socket_);
    }
    void stop() {
        pulse_.stop();
        session_.stop();
        daemon_.stop();
    }
    // All three die at once, as when the desktop's sound service crashes.
    void kill() {
        pulse_.kill();
        session_.kill();
        daemon_.kill();
        // A crashed server leaves its sockets behind.
        std::filesystem::remove(socket_);
        std::filesystem::remove(dir_.file("pipewire-0"));
    }
    bool running() { return daemon_.running() && session_.running() && pulse_.running(); }
    std::string problem() {
        return "PipeWire: " + daemon_.problem() + "\nWirePlumber: " + session_.problem() +
               "\npipewire-pulse: " + pulse_.problem();
    }

  private:
    std::string busAddress() const { return "unix:path=" + dir_.file("bus"); }

    // The daemons alone see the private folders; this process keeps its own.
    std::vector<std::string> withEnvironment(std::vector<std::string> argv) const {
        const std::string dir = dir_.path().string();
        std::vector<std::string> full = {"env",
                                         "XDG_RUNTIME_DIR=" + dir,
                                         "PIPEWIRE_RUNTIME_DIR=" + dir,
                                         "XDG_CONFIG_HOME=" + dir,
                                         "XDG_STATE_HOME=" + dir,
                                         "HOME=" + dir,
                                         "DBUS_SESSION_BUS_ADDRESS=" + busAddress()};
        full.insert(full.end(), argv.begin(), argv.end());
        return full;
    }

    void waitForFile(const std::string& file) {
        for (int waited = 0; waited < 5000; waited += 10) {
            if (std::filesystem::exists(file)) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    // The stock configurations less what a machine without a sound card,
    // a camera or a desktop session cannot serve (ALSA, Bluetooth,
    // real-time scheduling), plus the null sink.
    void writeConfigs() const {
        dir_.write("pipewire.conf", R"(context.properties = {
    core.daemon = true
    core.name = pipewire-0
}
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.* = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-spa-node-factory }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-access }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-link-factory }
]
context.objects = [
    { factory = spa-node-factory
        args = {
            factory.name = support.node.driver
            node.name = Dummy-Driver
            node.group = pipewire.dummy
            priority.driver = 20000
        }
    }
    { factory = adapter
        args = {
            factory.name = support.null-audio-sink
            node.name = ")" + std::string(kSinkName) +
                                        R"("
            node.description = "Null sink"
            media.class = Audio/Sink
            audio.position = [ FL FR ]
            monitor.channel-volumes = true
        }
    }
]
)");
        dir_.write("wireplumber.conf", R"(context.properties = {
    log.level = 2
    wireplumber.script-engine = lua-scripting
}
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.* = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-client-device }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-session-manager }
]
wireplumber.components = [
    { name = libwireplumber-module-lua-scripting, type = module }
    { name = main.lua, type = config/lua }
    { name = policy.lua, type = config/lua }
]
)");
        dir_.write("pipewire-pulse.conf", R"(context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.* = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-protocol-pulse
        args = { server.address = [ "unix:)" + socket_ +
                                              R"(" ] }
    }
]
)");
    }

    TempDir dir_;
    std::string socket_ = dir_.file("native");
    ScopedEnv server_{"PULSE_SERVER", "unix:" + socket_};
    // Declared last: they end before the folder of their logs goes.
    ServerProgram bus_;
    ServerProgram daemon_;
    ServerProgram session_;
    ServerProgram pulse_;
};

}  // namespace luma::test
