// The user's settings beyond the deck's lines: what does not read keeps the default.
#include "settings/user_settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace luma::test {
namespace {

TEST(UserSettingsTest, LatenciesReadOrKeepTheDefault) {
    TempDir config;
    const ScopedEnv home("XDG_CONFIG_HOME", config.path().string());
    EXPECT_EQ(readUserSettings().outputLatencyMs, 0) << "no file";
    EXPECT_EQ(readUserSettings().syncLatencyMs, 0) << "no file";
    std::filesystem::create_directory(config.path() / "lumatrone");
    const struct {
        std::string text;
        int output, sync;
    } cases[] = {
        {"[audio]\noutput-latency-ms = 80\n[sync]\nlatency-ms = -12\n", 80, -12},
        {"[audio]\noutput-latency-ms=eighty\n[sync]\nlatency-ms=1001\n", 0, 0},
        {"[audio]\noutput-latency-ms=99999\n[sync]\nlatency-ms=7 ms\n", 0, 0},
        {"[sync]\nlatency-ms=1000\n", 0, 1000},
        {"garbage\n[audio\n=\n", 0, 0},
    };
    for (const auto& c : cases) {
        config.write("lumatrone/lumatrone.conf", c.text);
        EXPECT_EQ(readUserSettings().outputLatencyMs, c.output) << c.text;
        EXPECT_EQ(readUserSettings().syncLatencyMs, c.sync) << c.text;
    }
}

TEST(UserSettingsTest, LoudnessReadsOrKeepsTheDefault) {
    TempDir config;
    const ScopedEnv home("XDG_CONFIG_HOME", config.path().string());
    std::filesystem::create_directory(config.path() / "lumatrone");
    struct Case {
        const char* text;
        bool even;
        double target;
    };
    for (const Case& c : {Case{"", true, -18.0}, Case{"[loudness]\neven = off\n", false, -18.0},
                          Case{"[loudness]\neven=Yes\ntarget-lufs = -23.5\n", true, -23.5},
                          Case{"[loudness]\neven=maybe\ntarget-lufs=-3\n", true, -18.0},
                          Case{"[loudness]\ntarget-lufs=loud\n", true, -18.0}}) {
        config.write("lumatrone/lumatrone.conf", c.text);
        const UserSettings settings = readUserSettings();
        EXPECT_EQ(settings.evenLoudness, c.even) << c.text;
        EXPECT_EQ(settings.loudnessTargetLufs, c.target) << c.text;
    }
}

}  // namespace
}  // namespace luma::test
