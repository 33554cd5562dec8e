// The stderr limiter: repeats counted, a flood cut per minute, the flooder never blocked.
#include "process/stderr_limiter.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace luma {
namespace {

using namespace std::chrono_literals;

TEST(ChatterFilter, ShowsThreeOfARepeatThenCountsItAndCutsAFloodPerMinute) {
    ChatterFilter filter;
    const auto t0 = ChatterFilter::Clock::now();
    std::string shown;
    for (int i = 0; i < 1000; ++i) shown += filter.pass("assertion failed", t0 + i * 1ms);
    shown += filter.pass("server back", t0 + 1s);
    EXPECT_EQ(shown,
              "assertion failed\nassertion failed\nassertion failed\n"
              "(the line above came 997 more times)\nserver back\n");

    // Different lines all pass, up to the minute's allowance.
    size_t bytes = 0;
    std::string last;
    for (int i = 0; i < 100000; ++i) {
        last = filter.pass("line " + std::to_string(i), t0 + 2s);
        bytes += last.size();
    }
    EXPECT_LE(bytes, ChatterFilter::kBytesPerMinute + 100);
    EXPECT_EQ(last, "");
    EXPECT_EQ(filter.pass("a minute later", t0 + 63s), "a minute later\n");
}

// A child flooding one line: the parent reads a few and a count, the child never waits.
TEST(ChatterFilter, AFloodingProcessStaysReadableAndNeverWaits) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(ends[1], STDERR_FILENO);
        close(ends[0]);
        limitStderr();
        const std::string line = "pcm_pipewire.c:123: assertion 'state' failed\n";
        for (int i = 0; i < 200000; ++i) (void)!write(STDERR_FILENO, line.data(), line.size());
        // The flood may have filled the pipe (and lost lines): this one waits its turn.
        while (write(STDERR_FILENO, "done\n", 5) != 5) usleep(1000);
        usleep(300000);  // the filter's thread passes the last lines on
        _exit(0);
    }
    close(ends[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    close(ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_LT(text.size(), 4096u) << "9 MB written";
    EXPECT_NE(text.find("more times)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("done\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace luma
