// Runs each test against a fresh engine on the manual output, through the
// C interface, so tests render audio deterministically and fast.
#pragma once

#include <gtest/gtest.h>
#include <lumaaudio.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/signal_measures.h"
#include "support/temp_dir.h"

namespace luma::test {

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Renders `frames` frames; returns them interleaved.
    std::vector<float> render(int frames);

    TempDir dir;
};

}  // namespace luma::test
