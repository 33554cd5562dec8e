#include "support/engine_fixture.h"

#include <cstdlib>

namespace luma::test {

void EngineTest::SetUp() {
    setenv("LUMATRONE_AUDIO", "manual", 1);
    ASSERT_NE(BASS_Init(0, 44100, 0, nullptr), 0);
    ASSERT_NE(BASS_Start(), 0);
}

void EngineTest::TearDown() {
    BASS_Free();
}

std::vector<float> EngineTest::render(int frames) {
    std::vector<float> out(static_cast<size_t>(frames) * 2);
    EXPECT_NE(LUMA_RenderFrames(out.data(), static_cast<uint32_t>(frames)), 0);
    return out;
}

}  // namespace luma::test
