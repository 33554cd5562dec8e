// The spectrum display: the playing channel's 2048-point FFT drawn into an
// 8-bit palette picture, either as frequency bars coloured by height or as
// a spectrogram that paints one column a tick and sweeps left to right.
#pragma once

#include <cstdint>
#include <vector>

#include "binding/audio_library.h"
#include "display/analyser_box.h"

namespace luma {

class ModSpectrum {
  public:
    static constexpr uint32_t kFft2048 = LUMA_DATA_FFT2048;  // 1024 magnitudes
    static constexpr int kSpectrogramPeriodMs = 25;
    // The bars move at 50 frames a second: fluid, and each frame's
    // 2048-sample window (46 ms) overlaps the last one by half or more.
    static constexpr int kBarsPeriodMs = 20;

    int32_t SpecWidth = 88;
    int32_t SpecHeight = 101;
    int16_t SpecMode = 0;  // 0 bars, -1 spectrogram
    int16_t SpecPos = 0;   // the spectrogram's next column
    // Pixel (column c, row r) is byte r * SpecWidth + c, row 0 at the bottom;
    // one spare row above the picture. Empty until the first tick.
    std::vector<uint8_t> SpecBuf;
    BitmapInfo SpecBmp;

    // Start-up: the picture's header and its 256-colour palette.
    void setUpBitmap();
    // One tick: reads the channel's spectrum and draws it into the box.
    void UpdateSpectrum(AudioLibrary* audio, const uint32_t& channel, AnalyserBox& box);
    // Toggles the view and starts it from a black picture.
    void switchView();
    // The period of the spectrum timer in the present view.
    int periodMs() const { return SpecMode ? kSpectrogramPeriodMs : kBarsPeriodMs; }

  private:
    void clearPicture();
    void drawBars(const float* magnitudes);
    void drawSpectrogram(const float* magnitudes);
    void set(int column, int row, int index) {
        SpecBuf[static_cast<size_t>(row * SpecWidth + column)] = static_cast<uint8_t>(index);
    }
};

}  // namespace luma
