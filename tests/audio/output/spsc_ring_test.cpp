#include "output/spsc_ring.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

namespace luma {
namespace {

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
