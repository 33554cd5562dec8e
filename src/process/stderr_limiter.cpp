#include "process/stderr_limiter.h"

#include <fcntl.h>
#include <unistd.h>

#include <thread>

namespace luma {

namespace {

void writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = write(fd, text.data(), text.size());
        if (n <= 0) return;
        text.remove_prefix(static_cast<size_t>(n));
    }
}

}  // namespace

std::string ChatterFilter::repeatNote() {
    if (unreported_ == 0) return {};
    const std::string note =
        "(the line above came " + std::to_string(unreported_) + " more times)\n";
    unreported_ = 0;
    return note;
}

std::string ChatterFilter::admit(std::string text, Clock::time_point now) {
    if (now - minuteStart_ >= std::chrono::minutes(1)) {
        minuteStart_ = now;
        minuteBytes_ = 0;
        minuteFull_ = false;
    }
    if (minuteFull_) return {};
    if (minuteBytes_ + text.size() > kBytesPerMinute) {
        minuteFull_ = true;
        return "(more messages this minute were dropped)\n";
    }
    minuteBytes_ += text.size();
    return text;
}

std::string ChatterFilter::pass(std::string_view line, Clock::time_point now) {
    if (line == last_) {
        if (++repeats_ <= kRepeatsShown - 1) return admit(std::string(line) + "\n", now);
        ++unreported_;
        if (now - lastNote_ < std::chrono::seconds(1)) return {};
        lastNote_ = now;
        return admit(repeatNote(), now);
    }
    std::string text = repeatNote();
    last_ = line;
    repeats_ = 0;
    lastNote_ = now;
    return admit(text + std::string(line) + "\n", now);
}

void limitStderr() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return;
    const int terminal = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (terminal < 0 || fcntl(ends[1], F_SETFL, O_NONBLOCK) != 0 ||
        dup2(ends[1], STDERR_FILENO) < 0) {
        close(ends[0]);
        close(ends[1]);
        if (terminal >= 0) close(terminal);
        return;
    }
    close(ends[1]);
    std::thread([source = ends[0], terminal] {
        ChatterFilter filter;
        std::string pending;
        char buffer[65536];
        ssize_t n;
        while ((n = read(source, buffer, sizeof buffer)) > 0) {
            pending.append(buffer, static_cast<size_t>(n));
            size_t start = 0;
            for (size_t end; (end = pending.find('\n', start)) != std::string::npos;
                 start = end + 1) {
                writeAll(terminal, filter.pass({pending.data() + start, end - start},
                                               ChatterFilter::Clock::now()));
            }
            pending.erase(0, start);
            // A "line" that never ends is passed on in pieces.
            if (pending.size() > 4096) {
                writeAll(terminal, filter.pass(pending, ChatterFilter::Clock::now()));
                pending.clear();
            }
        }
    }).detach();
}

}  // namespace luma
