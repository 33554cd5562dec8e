// A fresh engine for each test on the manual output, through the C interface: fast, exact.
#pragma once

#include <gtest/gtest.h>
#include <lumaaudio.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/audio_files.h"
#include "support/signal_measures.h"
#include "support/temp_dir.h"

namespace luma::test {

class EngineTest : public ::testing::Test {
  protected:
    static constexpr uint32_t kPlayable = LUMA_STREAM_PRESCAN | LUMA_STREAM_FX;

    void SetUp() override {
        setenv("LUMATRONE_AUDIO", "manual", 1);
        restartAt(44100);
    }
    void TearDown() override { BASS_Free(); }

    // (Re)starts the engine at `rate` at full global volume, which a restart would keep.
    static void restartAt(int rate) {
        BASS_Free();
        ASSERT_NE(BASS_Init(0, static_cast<uint32_t>(rate), 0, nullptr), 0);
        ASSERT_NE(BASS_Start(), 0);
        ASSERT_NE(BASS_SetGlobalVolumes(100, 100, 100), 0);
    }
    // Renders `frames` frames; returns them interleaved, also appended to `heard` if given.
    std::vector<float> render(int frames, std::vector<float>* heard = nullptr) {
        std::vector<float> out(static_cast<size_t>(frames) * 2);
        EXPECT_NE(LUMA_RenderFrames(out.data(), static_cast<uint32_t>(frames)), 0);
        if (heard) heard->insert(heard->end(), out.begin(), out.end());
        return out;
    }
    // Renders `frames` frames; returns their left side, also appended to `heard` if given.
    std::vector<float> renderLeft(int frames, std::vector<float>* heard = nullptr) {
        std::vector<float> left = side(render(frames), 0);
        if (heard) heard->insert(heard->end(), left.begin(), left.end());
        return left;
    }
    // Writes `signal` to a 16-bit WAV file of its own; returns its path.
    std::string writeWav(const Signal& signal) {
        static int files = 0;
        const std::string path = dir.file("t" + std::to_string(++files) + ".wav");
        EXPECT_TRUE(writeWav16(path, signal));
        return path;
    }
    // Opens `path` for playing and prebuffers it; 0 if it cannot be opened.
    uint32_t openPlayable(const std::string& path) {
        const uint32_t stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, kPlayable);
        EXPECT_NE(stream, 0u) << path;
        EXPECT_NE(BASS_StreamPreBuf(stream), 0);
        return stream;
    }
    // Opens `path` for playing and starts it.
    uint32_t play(const std::string& path) {
        const uint32_t stream = openPlayable(path);
        EXPECT_NE(BASS_StreamPlay(stream, 0, 0), 0);
        return stream;
    }
    // Sets a channel's rate at once (0: its own).
    static void setRate(uint32_t stream, int rate) {
        ASSERT_NE(BASS_ChannelSlideAttributes(stream, rate, -1, -101, 0), 0);
    }
    static uint32_t rateOf(uint32_t stream) {
        uint32_t rate = 0;
        EXPECT_NE(BASS_ChannelGetAttributes(stream, &rate, nullptr, nullptr), 0);
        return rate;
    }
    static int64_t frameOf(uint32_t stream) { return BASS_ChannelGetPosition(stream) / 4; }
    // Waits for the beat grid a played channel learns in the background; false after a minute.
    bool waitForGrid(uint32_t stream, double* bpm = nullptr, double* firstBeat = nullptr,
                     float* confidence = nullptr) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (LUMA_ChannelGetBeatGrid(stream, bpm, firstBeat, confidence) == 0) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }
    // Everything a decode-only channel of `path` delivers, interleaved.
    std::vector<float> decodeAll(const std::string& path) {
        const uint32_t decoder = BASS_StreamCreateFile(0, path.c_str(), 0, 0, LUMA_STREAM_DECODE);
        EXPECT_NE(decoder, 0u) << path;
        std::vector<float> all, block(16384);
        for (;;) {
            const uint32_t got =
                BASS_ChannelGetData(decoder, block.data(), (16384 * 4) | LUMA_DATA_FLOAT);
            if (got == 0 || got == 0xFFFFFFFFu) break;
            all.insert(all.end(), block.begin(), block.begin() + got / 4);
        }
        BASS_StreamFree(decoder);
        return all;
    }

    TempDir dir;
};

}  // namespace luma::test
