#include <gtest/gtest.h>

#include "output/output.h"
#include "support/scoped_env.h"

namespace luma {
namespace {

using test::ScopedEnv;

OutputSelection selectionFor(const std::optional<std::string>& value) {
    ScopedEnv env("LUMATRONE_AUDIO", value);
    return outputSelectionFromEnvironment();
}

TEST(OutputSelection, ReadsEachKindFromTheEnvironment) {
    EXPECT_EQ(selectionFor(std::nullopt).kind, OutputKind::System);
    EXPECT_EQ(selectionFor("system").kind, OutputKind::System);
    EXPECT_EQ(selectionFor("null").kind, OutputKind::Null);
    EXPECT_EQ(selectionFor("NULL").kind, OutputKind::Null);
    EXPECT_EQ(selectionFor("manual").kind, OutputKind::Manual);

    const OutputSelection wav = selectionFor("wav:/tmp/Some Dir/take:1.wav");
    EXPECT_EQ(wav.kind, OutputKind::Wav);
    EXPECT_EQ(wav.wavPath, "/tmp/Some Dir/take:1.wav");
}

TEST(OutputSelection, UnknownOrIncompleteValuesFallBackToSystem) {
    for (const char* value : {"", "alsa", "nul", "nullx", "wav:", "wav", "file:/tmp/x.wav"}) {
        const OutputSelection selection = selectionFor(std::string(value));
        EXPECT_EQ(selection.kind, OutputKind::System) << value;
        EXPECT_TRUE(selection.wavPath.empty()) << value;
    }
}

TEST(OutputDevices, DeviceFreeKindsHaveOneFixedDevice) {
    using List = std::vector<std::string>;
    EXPECT_EQ(listOutputDevices({OutputKind::Null, ""}), List{"No sound"});
    EXPECT_EQ(listOutputDevices({OutputKind::Wav, "/tmp/x.wav"}), List{"No sound"});
    EXPECT_EQ(listOutputDevices({OutputKind::Manual, ""}), List{"Manual render"});
}

TEST(OutputDevices, MakesAnOutputForEveryKindButManual) {
    EXPECT_EQ(makeOutput({OutputKind::Manual, ""}), nullptr);
    EXPECT_NE(makeOutput({OutputKind::System, ""}), nullptr);
    EXPECT_NE(makeOutput({OutputKind::Null, ""}), nullptr);
    EXPECT_NE(makeOutput({OutputKind::Wav, "/tmp/x.wav"}), nullptr);
}

}  // namespace
}  // namespace luma
