// What is not the engine the deck refuses to load (the real one loads in the deck tests).
#include "binding/engine_library.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace luma::test {
namespace {

TEST(EngineLibraryTest, RefusesWhatIsNotTheEngine) {
    TempDir dir;
    std::string error;
    EXPECT_EQ(loadEngineLibrary(dir.write("fake.so", "not a shared object"), &error), nullptr);
    EXPECT_FALSE(error.empty());
    // A real shared library without the engine's calls.
    EXPECT_EQ(loadEngineLibrary("libm.so.6", &error), nullptr);
    EXPECT_NE(error.find("BASS_GetVersion"), std::string::npos) << error;
}

}  // namespace
}  // namespace luma::test
