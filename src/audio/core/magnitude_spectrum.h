// Magnitude spectrum of a block of samples, on the caller's thread.
#pragma once

namespace luma {

// Writes size/2 magnitudes of the Hann-windowed FFT of `samples` (size a
// power of two, 512..4096): |X[k]| * 2 / sum(window), so a full-scale sine
// centred in a bin reads 1.0. False for an unsupported size.
bool magnitudeSpectrum(const float* samples, int size, float* magnitudes);

}  // namespace luma
