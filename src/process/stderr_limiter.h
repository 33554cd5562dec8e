// Keeps what the process prints on stderr to an amount a person can read.
// A library stuck in a loop (a sound server's ALSA plugin after its server
// died, say) can write tens of megabytes a second, one line over and over.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace luma {

// Decides, line by line, what passes: a line repeated more than
// kRepeatsShown times in a row is counted instead, and the count reported
// at most once a second and when another line comes; past kBytesPerMinute
// in a minute the rest of that minute is dropped, with one note.
class ChatterFilter {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kRepeatsShown = 3;
    static constexpr size_t kBytesPerMinute = 256 * 1024;

    // `line` without its newline; returns what to print (lines with newlines).
    std::string pass(std::string_view line, Clock::time_point now);

  private:
    std::string admit(std::string text, Clock::time_point now);
    std::string repeatNote();

    std::string last_;
    long repeats_ = 0;     // of last_, beyond the ones shown
    long unreported_ = 0;  // of those, not yet told
    Clock::time_point lastNote_{};
    Clock::time_point minuteStart_{};
    size_t minuteBytes_ = 0;
    bool minuteFull_ = false;
};

// Puts the filter between the process and its stderr: from now on what any
// thread writes to file descriptor 2 goes through a pipe that a thread of its
// own reads and filters. A writer never waits for it: when the pipe is full,
// the write is dropped. Nothing happens when the pipe cannot be made.
void limitStderr();

}  // namespace luma
