// Loading the engine library the way the deck does at start-up.
#include "binding/engine_library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/temp_dir.h"

namespace luma {
namespace {

TEST(EngineLibraryTest, LoadsTheBuiltEngineAndCallsThrough) {
    std::string error;
    auto engine = loadEngineLibrary(LUMA_ENGINE_PATH, &error);
    ASSERT_NE(engine, nullptr) << error;
    EXPECT_EQ(engine->BASS_GetVersion(), 0x00080001u);
    setenv("LUMATRONE_AUDIO", "manual", 1);
    ASSERT_NE(engine->BASS_Init(0, 44100, 0, nullptr), 0);
    uint32_t info[14] = {56};
    ASSERT_NE(engine->BASS_GetInfo(info), 0);
    EXPECT_GE(info[10], 9u);
    EXPECT_EQ(engine->BASS_StreamCreateFile(0, "/nonexistent.mp3", 0, 0, 0x20080), 0u);
    engine->BASS_Free();
}

TEST(EngineLibraryTest, RefusesWhatIsNotTheEngine) {
    test::TempDir dir;
    std::string error;
    EXPECT_EQ(loadEngineLibrary(dir.file("liblumaaudio.so"), &error), nullptr);
    EXPECT_FALSE(error.empty());
    std::ofstream(dir.file("fake.so")) << "not a shared object";
    EXPECT_EQ(loadEngineLibrary(dir.file("fake.so"), &error), nullptr);
    // A real shared library without the engine's calls.
    EXPECT_EQ(loadEngineLibrary("libm.so.6", &error), nullptr);
    EXPECT_NE(error.find("BASS_GetVersion"), std::string::npos) << error;
}

}  // namespace
}  // namespace luma
