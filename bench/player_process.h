// A player (lumaplay) run as a child process: stopped and continued as a
// whole, its processor time read from /proc, its output kept in files, and
// the time it takes to end when interrupted.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace luma::bench {

class PlayerProcess {
  public:
    // Runs `argv` (argv[0] a path) with stdout and stderr in files of `folder`.
    PlayerProcess(const std::vector<std::string>& argv, const std::filesystem::path& folder)
        : out_(folder / "player.out"), err_(folder / "player.err") {
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, out_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&files, STDERR_FILENO, err_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        if (posix_spawn(&pid_, args[0], &files, nullptr, args.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&files);
    }
    ~PlayerProcess() {
        if (running()) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    PlayerProcess(const PlayerProcess&) = delete;
    PlayerProcess& operator=(const PlayerProcess&) = delete;

    bool running() {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
        return pid_ > 0;
    }

    // SIGSTOP / SIGCONT: every thread of it stands still, as when the
    // machine does not run it for a moment.
    void pause(bool paused) {
        if (pid_ > 0) ::kill(pid_, paused ? SIGSTOP : SIGCONT);
    }

    // User plus system time so far, in seconds.
    double cpuSeconds() const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
        const std::string stat((std::istreambuf_iterator<char>(in)), {});
        const size_t name = stat.rfind(')');  // the command name may hold spaces
        if (name == std::string::npos) return 0;
        std::istringstream fields(stat.substr(name + 2));
        std::string field;
        unsigned long long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {  // numbered as in proc(5)
            if (i == 14) utime = std::stoull(field);
            if (i == 15) stime = std::stoull(field);
        }
        return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

    // The last underrun count it printed ("underruns N" while playing,
    // "N underruns" at the end).
    std::optional<unsigned> underruns() const {
        const std::string text = read(out_);
        const size_t word = text.rfind("underruns");
        if (word == std::string::npos) return std::nullopt;
        const size_t after = word + std::string("underruns").size();
        if (after < text.size() && text[after] == ' ')
            return static_cast<unsigned>(std::strtoul(text.c_str() + after, nullptr, 10));
        const size_t number = text.find_last_not_of(' ', word - 1);
        const size_t start = text.find_last_not_of("0123456789", number) + 1;
        return static_cast<unsigned>(std::strtoul(text.c_str() + start, nullptr, 10));
    }

    uintmax_t stderrBytes() const {
        std::error_code ignored;
        const uintmax_t size = std::filesystem::file_size(err_, ignored);
        return size == static_cast<uintmax_t>(-1) ? 0 : size;
    }
    std::string stderrText() const { return read(err_); }
    std::string stdoutText() const { return read(out_); }

    // SIGINT, then waits up to `limit` for it to end: the seconds it took,
    // or nullopt (it is then killed).
    std::optional<double> interrupt(std::chrono::milliseconds limit) {
        if (!running()) return std::nullopt;
        const auto start = std::chrono::steady_clock::now();
        ::kill(pid_, SIGINT);
        while (std::chrono::steady_clock::now() - start < limit) {
            if (!running()) {
                return std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                    .count();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return std::nullopt;  // the destructor kills it
    }

  private:
    static std::string read(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }

    std::filesystem::path out_;
    std::filesystem::path err_;
    pid_t pid_ = -1;
};

}  // namespace luma::bench
