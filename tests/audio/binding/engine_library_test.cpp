// Loading the engine library the way the deck does at start-up.
#include "binding/engine_library.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace luma {
namespace {

TEST(EngineLibraryTest, LoadsTheBuiltEngineAndCallsThrough) {
    std::string error;
    auto engine = loadEngineLibrary(LUMA_ENGINE_PATH, &error);
    ASSERT_NE(engine, nullptr) << error;
    EXPECT_EQ(engine->BASS_GetVersion(), 0x00080001u);
    // (The deck's tests on the real engine go through every other call.)
}

TEST(EngineLibraryTest, RefusesWhatIsNotTheEngine) {
    test::TempDir dir;
    std::string error;
    EXPECT_EQ(loadEngineLibrary(dir.file("liblumaaudio.so"), &error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(loadEngineLibrary(dir.write("fake.so", "not a shared object"), &error), nullptr);
    // A real shared library without the engine's calls.
    EXPECT_EQ(loadEngineLibrary("libm.so.6", &error), nullptr);
    EXPECT_NE(error.find("BASS_GetVersion"), std::string::npos) << error;
}

}  // namespace
}  // namespace luma
