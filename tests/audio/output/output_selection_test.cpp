// Which output LUMATRONE_AUDIO asks for. (The device lists and outputs of
// each kind are checked through the engine, which opens them.)
#include <gtest/gtest.h>

#include "output/output.h"
#include "support/scoped_env.h"

namespace luma {
namespace {

TEST(OutputSelection, ReadsEachKindAndFallsBackToSystem) {
    struct Case {
        std::optional<std::string> value;
        OutputKind kind;
        std::string wavPath;
    };
    const Case cases[] = {
        {std::nullopt, OutputKind::System, ""},
        {"system", OutputKind::System, ""},
        {"null", OutputKind::Null, ""},
        {"NULL", OutputKind::Null, ""},
        {"manual", OutputKind::Manual, ""},
        {"wav:/tmp/Some Dir/take:1.wav", OutputKind::Wav, "/tmp/Some Dir/take:1.wav"},
        // Unknown or incomplete values.
        {"", OutputKind::System, ""},
        {"nullx", OutputKind::System, ""},
        {"wav:", OutputKind::System, ""},
        {"wav", OutputKind::System, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.value_or("(unset)"));
        test::ScopedEnv env("LUMATRONE_AUDIO", c.value);
        const OutputSelection selection = outputSelectionFromEnvironment();
        EXPECT_EQ(selection.kind, c.kind);
        EXPECT_EQ(selection.wavPath, c.wavPath);
    }
}

}  // namespace
}  // namespace luma
