// The user's settings beyond the deck's lines: what does not read keeps the default.
#include "settings/user_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace luma::test {
namespace {

TEST(UserSettingsTest, EachValueReadsOrKeepsItsDefault) {
    TempDir config;
    const ScopedEnv home("XDG_CONFIG_HOME", config.path().string());
    std::filesystem::create_directory(config.path() / "lumatrone");
    using Values = std::tuple<int, int, bool, double>;  // latencies, even loudness, its target
    const std::pair<const char*, Values> cases[] = {
        {"[audio]\noutput-latency-ms = 80\n[sync]\nlatency-ms = -12\n", {80, -12, true, -18.0}},
        {"[audio]\noutput-latency-ms=2001\n[sync]\nlatency-ms=1001\n", {0, 0, true, -18.0}},
        {"[sync]\nlatency-ms=1000\n", {0, 1000, true, -18.0}},
        {"[loudness]\neven=Off\ntarget-lufs = -23.5\n", {0, 0, false, -23.5}},
        {"[loudness]\neven=maybe\ntarget-lufs=-3\n", {0, 0, true, -18.0}}};
    for (const auto& [text, values] : cases) {
        config.write("lumatrone/lumatrone.conf", text);
        const UserSettings s = readUserSettings();
        EXPECT_EQ(Values(s.outputLatencyMs, s.syncLatencyMs, s.evenLoudness, s.loudnessTargetLufs),
                  values)
            << text;
    }
}

}  // namespace
}  // namespace luma::test
