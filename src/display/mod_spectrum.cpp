#include "display/mod_spectrum.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace luma {

namespace {

constexpr int kBins = 1024;
constexpr int kSpectrogramScale = 127;
constexpr int kNearWhite = 255;
constexpr int kSpectrogramBase = 128;

// A magnitude as a height or intensity: sqrt(m) x 3 x scale, to the nearest
// (ties to even). What is no magnitude at all reads as 0.
int scaled(float magnitude, int scale) {
    const double m = magnitude > 0.0f ? std::min<double>(magnitude, 1e6) : 0.0;
    return static_cast<int>(std::nearbyint(std::sqrt(m) * 3.0 * scale));
}

}  // namespace

void ModSpectrum::setUpBitmap() {
    SpecPos = 0;
    SpecMode = 0;
    SpecHeight = 101;
    SpecWidth = 88;
    SpecBmp = BitmapInfo{};
    SpecBmp.width = SpecWidth;
    SpecBmp.height = SpecHeight;
    SpecBmp.clrUsed = 256;
    SpecBmp.clrImportant = 256;
    auto colour = [this](int index, int blue, int green, int red) {
        SpecBmp.colours[static_cast<size_t>(index)] = {
            static_cast<uint8_t>(blue), static_cast<uint8_t>(green), static_cast<uint8_t>(red), 0};
    };
    // Bars: yellow-green at the bottom to red at the top.
    for (int a = 1; a <= 127; ++a) colour(a, 0, 255 - 2 * a, a + 127);
    // Spectrogram: black, blue, magenta, yellow, near white.
    for (int a = 0; a < 32; ++a) {
        colour(128 + a, 8 * a, 0, 0);
        colour(160 + a, 255, 0, 8 * a);
        colour(192 + a, 8 * (31 - a), 8 * a, 255);
        colour(224 + a, 8 * a, 255, 255);
    }
}

void ModSpectrum::clearPicture() {
    // Cleared in place: the picture keeps its one buffer for the deck's life.
    SpecBuf.assign(static_cast<size_t>(SpecWidth * (SpecHeight + 1) + 1), 0);
}

void ModSpectrum::UpdateSpectrum(AudioLibrary* audio, const uint32_t& channel, AnalyserBox& box) {
    std::array<float, kBins + 1> magnitudes{};
    if (audio) audio->BASS_ChannelGetData(channel, magnitudes.data(), kFft2048);
    if (SpecBuf.empty()) clearPicture();
    if (SpecMode == 0) {
        drawBars(magnitudes.data());
    } else {
        drawSpectrogram(magnitudes.data());
    }
    box.setDIBits(SpecBmp, SpecBuf.data());
}

void ModSpectrum::drawBars(const float* magnitudes) {
    clearPicture();
    int previous = 0;
    for (int x = 0; x < SpecWidth / 2; ++x) {
        const int y = std::min(scaled(magnitudes[x + 1], SpecHeight), SpecHeight);
        if (x > 0) {
            // The odd column between two bars: their average.
            const int middle = static_cast<int>(std::nearbyint((previous + y) / 2.0));
            for (int r = middle; r >= 0; --r) set(2 * x - 1, r, r + 1);
        }
        previous = y;
        for (int r = y; r >= 0; --r) set(2 * x, r, r + 1);
    }
}

void ModSpectrum::drawSpectrogram(const float* magnitudes) {
    for (int x = 0; x < SpecHeight; ++x) {
        int y = scaled(magnitudes[x + 1], kSpectrogramScale);
        // Past the picture's height the intensity saturates at once.
        if (y > SpecHeight) y = kSpectrogramScale;
        set(SpecPos, x, kSpectrogramBase + y);
    }
    SpecPos = static_cast<int16_t>((SpecPos + 1) % SpecWidth);
    for (int x = 0; x < SpecHeight; x += 2) set(SpecPos, x, kNearWhite);
}

void ModSpectrum::switchView() {
    SpecMode = SpecMode ? 0 : -1;
    SpecPos = 0;
    clearPicture();
}

}  // namespace luma
