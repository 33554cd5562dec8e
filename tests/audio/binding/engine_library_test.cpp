// Loading the engine library the way the deck does at start-up: what is not
// the engine is refused. (The built engine is loaded, its version checked and
// its calls made by the deck's tests on the real engine, EngineDeckTest.)
#include "binding/engine_library.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace luma {
namespace {

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
