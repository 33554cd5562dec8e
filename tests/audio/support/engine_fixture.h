// Runs each test against a fresh engine on the manual output, through the
// C interface, so tests render audio deterministically and fast.
#pragma once

#include <gtest/gtest.h>
#include <lumaaudio.h>

#include <cstdint>
#include <string>
#include <vector>

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

// One side (0 left, 1 right) of interleaved stereo frames.
std::vector<float> side(const std::vector<float>& interleaved, int which);

// Amplitude of the `hz` component of `samples` (single-bin DFT over a whole
// number of cycles where possible), for gain measurements.
double toneAmplitude(const std::vector<float>& samples, double rate, double hz);
// Peak of absolute values.
double peak(const std::vector<float>& samples);

}  // namespace luma::test
