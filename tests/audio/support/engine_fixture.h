// Runs each test against a fresh engine on the manual output, through the
// C interface, so tests render audio deterministically and fast.
#pragma once

#include <gtest/gtest.h>
#include <lumaaudio.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/audio_files.h"
#include "support/signal_measures.h"
#include "support/temp_dir.h"

namespace luma::test {

class EngineTest : public ::testing::Test {
  protected:
    static constexpr uint32_t kPlayable = LUMA_STREAM_PRESCAN | LUMA_STREAM_FX;

    void SetUp() override;
    void TearDown() override;

    // Renders `frames` frames; returns them interleaved.
    std::vector<float> render(int frames);
    // Writes `signal` to a 16-bit WAV file of its own; returns its path.
    std::string writeWav(const Signal& signal);
    // Opens `path` for playing and prebuffers it; 0 if it cannot be opened.
    uint32_t openPlayable(const std::string& path);
    // Opens `path` for playing and starts it.
    uint32_t play(const std::string& path);
    // Everything a decode-only channel of `path` delivers, interleaved.
    std::vector<float> decodeAll(const std::string& path);

    TempDir dir;

  private:
    int files_ = 0;
};

}  // namespace luma::test
