// A test's sound server as a child process, ended with the test, restartable by its name.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace luma::test {

class ServerProcess {
  public:
    ServerProcess() = default;
    virtual ~ServerProcess() { stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // (Again) under the same name, after kill() or stop().
    virtual void start() = 0;
    // SIGTERM, then SIGKILL if it lingers.
    void stop() { end(SIGTERM); }
    // Dies at once, as a crashed server does: no goodbye to its clients.
    virtual void kill() { end(SIGKILL); }
    // SIGSTOP / SIGCONT: a server that hangs.
    void pause(bool paused) {
        if (pid_ > 0) ::kill(pid_, paused ? SIGSTOP : SIGCONT);
    }

    // False once it has exited, or if it never started.
    bool running() {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
        return pid_ > 0;
    }
    // Why it may not be running: its log.
    std::string problem() {
        std::ifstream in(log_);
        return std::string("the server ") + (running() ? "runs" : "has exited") + "; its log:\n" +
               std::string(std::istreambuf_iterator<char>(in), {});
    }

  protected:
    // Runs argv[0] (found on PATH) with its output in the log.
    void launch(const std::vector<std::string>& argv) {
        stop();
        std::vector<const char*> args;
        for (const std::string& arg : argv) args.push_back(arg.c_str());
        args.push_back(nullptr);
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {                       // only system calls from here on
            prctl(PR_SET_PDEATHSIG, SIGTERM);  // a crashed or killed test takes it along
            if (getppid() != parent) _exit(127);
            const int out = open(log_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            const int in = open("/dev/null", O_RDONLY);
            if (out >= 0 && in >= 0) {
                dup2(in, STDIN_FILENO);
                dup2(out, STDOUT_FILENO);
                dup2(out, STDERR_FILENO);
                execvp(args[0], const_cast<char* const*>(args.data()));
                const char message[] = "cannot run the server: is its package installed?\n";
                (void)!write(STDERR_FILENO, message, sizeof message - 1);
            }
            _exit(127);
        }
    }

    TempDir dir;  // the server's log and files; outlives the process

  private:
    void end(int signal) {
        if (!running()) return;
        ::kill(pid_, SIGCONT);
        ::kill(pid_, signal);  // SIGTERM lets it remove its shared memory and sockets
        for (int waited = 0; waited < 3000 && running(); waited += 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    std::string log_ = dir.file("server.log");
    pid_t pid_ = -1;
};

}  // namespace luma::test
