// The user's settings beyond the deck's lines: what does not read keeps the default.
#include "settings/user_settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace luma::test {
namespace {

TEST(UserSettingsTest, EachValueReadsOrKeepsItsDefault) {
    TempDir config;
    const ScopedEnv home("XDG_CONFIG_HOME", config.path().string());
    std::filesystem::create_directory(config.path() / "lumatrone");
    struct Case {
        const char* text;
        int output, sync;
        bool even;
        double target;
    };
    for (const Case& c :
         {Case{"[audio]\noutput-latency-ms = 80\n[sync]\nlatency-ms = -12\n", 80, -12, true, -18.0},
          Case{"[audio]\noutput-latency-ms=2001\n[sync]\nlatency-ms=1001\n", 0, 0, true, -18.0},
          Case{"[sync]\nlatency-ms=1000\n", 0, 1000, true, -18.0},
          Case{"[loudness]\neven=Off\ntarget-lufs = -23.5\n", 0, 0, false, -23.5},
          Case{"[loudness]\neven=maybe\ntarget-lufs=-3\n", 0, 0, true, -18.0}}) {
        config.write("lumatrone/lumatrone.conf", c.text);
        const UserSettings settings = readUserSettings();
        EXPECT_EQ(settings.outputLatencyMs, c.output) << c.text;
        EXPECT_EQ(settings.syncLatencyMs, c.sync) << c.text;
        EXPECT_EQ(settings.evenLoudness, c.even) << c.text;
        EXPECT_EQ(settings.loudnessTargetLufs, c.target) << c.text;
    }
}

}  // namespace
}  // namespace luma::test
