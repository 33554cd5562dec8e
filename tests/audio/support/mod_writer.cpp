// A four-channel ProTracker module: one looping square-wave sample held on two
// channels, a full pattern repeated, and a last pattern cut short by a break.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

#include "support/audio_files.h"

namespace luma::test {
namespace {

constexpr int kChannels = 4;
constexpr int kRowsPerPattern = 64;
constexpr int kMaxOrders = 128;
constexpr double kSecondsPerRow = 6 * 2.5 / 125;  // default speed 6 at 125 BPM
constexpr int kSampleBytes = 32;
constexpr int kPeriodC3 = 214;

void putWord(std::vector<uint8_t>& out, int value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value & 0xFF));
}

void putSampleHeader(std::vector<uint8_t>& out, bool used) {
    const char name[22] = "square";
    out.insert(out.end(), name, name + 22);
    putWord(out, used ? kSampleBytes / 2 : 0);  // length in words
    out.push_back(0);                           // finetune
    out.push_back(used ? 64 : 0);               // volume
    putWord(out, 0);                            // loop start
    putWord(out, used ? kSampleBytes / 2 : 1);  // loop length; 1 means no loop
}

// Sample 1 starts on channels 0 and 1 (hard left and right); `breakRow` >= 0 ends
// the pattern after that row.
std::vector<uint8_t> makePattern(int breakRow) {
    std::vector<uint8_t> cells(kRowsPerPattern * kChannels * 4, 0);
    for (int ch = 0; ch < 2; ++ch) {
        uint8_t* cell = &cells[ch * 4];
        cell[0] = static_cast<uint8_t>(kPeriodC3 >> 8);  // sample high nibble is 0
        cell[1] = static_cast<uint8_t>(kPeriodC3 & 0xFF);
        cell[2] = 0x10;  // sample 1, no effect
    }
    if (breakRow >= 0) {
        uint8_t* cell = &cells[(breakRow * kChannels + 3) * 4];
        cell[2] = 0x0D;  // pattern break
        cell[3] = 0x00;
    }
    return cells;
}

}  // namespace

bool writeModule(const std::string& path, double seconds) {
    const int rows = std::clamp(static_cast<int>(std::lround(seconds / kSecondsPerRow)), 1,
                                kMaxOrders * kRowsPerPattern);
    const int fullPatterns = rows / kRowsPerPattern;
    const int lastRows = rows % kRowsPerPattern;
    std::vector<uint8_t> order(fullPatterns, 0);
    if (lastRows > 0) order.push_back(1);

    std::vector<uint8_t> out;
    const char title[20] = "luma test tone";
    out.insert(out.end(), title, title + 20);
    putSampleHeader(out, true);
    for (int i = 1; i < 31; ++i) putSampleHeader(out, false);
    out.push_back(static_cast<uint8_t>(order.size()));
    out.push_back(127);
    order.resize(kMaxOrders, 0);
    out.insert(out.end(), order.begin(), order.end());
    out.insert(out.end(), {'M', '.', 'K', '.'});
    const std::vector<uint8_t> full = makePattern(-1);
    const std::vector<uint8_t> last = makePattern(lastRows - 1);
    out.insert(out.end(), full.begin(), full.end());
    out.insert(out.end(), last.begin(), last.end());
    for (int i = 0; i < kSampleBytes; ++i) out.push_back(i < kSampleBytes / 2 ? 0x40 : 0xC0);

    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    return bool(file.flush());
}

}  // namespace luma::test
