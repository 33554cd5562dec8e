// Which output LUMATRONE_AUDIO asks for (the device lists and outputs of
// each kind are checked through the engine, which opens them), and the ring
// that carries recorded audio off the render thread.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

#include "output/output.h"
#include "output/spsc_ring.h"
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

TEST(SpscRing, CarriesASequenceIntactBetweenTwoThreads) {
    // Blocks of 7 in and 5 out wrap around a 64-slot ring at ever-changing places.
    SpscRing<uint32_t> ring(64);
    constexpr uint32_t kCount = 200000;
    std::thread producer([&] {
        uint32_t block[7];
        uint32_t next = 0;
        while (next < kCount) {
            const uint32_t n = std::min<uint32_t>(7, kCount - next);
            for (uint32_t i = 0; i < n; ++i) block[i] = next + i;
            next += static_cast<uint32_t>(ring.write(block, n));
        }
    });
    uint32_t expected = 0;
    uint32_t mismatches = 0;
    uint32_t block[5];
    while (expected < kCount) {
        const size_t n = ring.read(block, 5);
        for (size_t i = 0; i < n; ++i) mismatches += block[i] != expected++;
    }
    producer.join();
    EXPECT_EQ(mismatches, 0u);
}

}  // namespace
}  // namespace luma
