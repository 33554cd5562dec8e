#include "support/sine_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <tuple>

namespace luma::test {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// a cos(omega t) + b sin(omega t) + c, on time t = n - centre of the stretch fitted.
struct Model {
    double a = 0.0, b = 0.0, c = 0.0, omega = 0.0;
};

// The Hann-windowed DFT's peak over the first `count` samples, on quarter bins within 10 % of
// the guess: inside the capture range of the Gauss-Newton steps on those samples.
double coarseOmega(const std::vector<double>& x, size_t count, double guess) {
    const double spacing = kTwoPi / static_cast<double>(count) / 4.0;
    const double high = std::min(guess * 1.1, std::numbers::pi - spacing);
    double best = guess, bestPower = -1.0;
    for (double omega = std::max(guess * 0.9, spacing); omega <= high; omega += spacing) {
        double re = 0.0, im = 0.0;
        for (size_t n = 0; n < count; ++n) {
            const double w = x[n] * (0.5 - 0.5 * std::cos(kTwoPi * (n + 0.5) / count));
            re += w * std::cos(omega * n);
            im += w * std::sin(omega * n);
        }
        if (re * re + im * im > bestPower)
            std::tie(best, bestPower) = std::pair(omega, re * re + im * im);
    }
    return best;
}

// One Gauss-Newton step over samples [0, count), the frequency column scaled by the half-length;
// held, a linear fit of a, b and c (at a = b = 0 the frequency has no gradient).
Model refine(const std::vector<double>& x, size_t count, const Model& m, bool holdFrequency) {
    const double centre = 0.5 * static_cast<double>(count - 1);
    const double scale = std::max(centre, 1.0);
    std::array<std::array<double, 5>, 4> normal{};
    for (size_t n = 0; n < count; ++n) {
        const double t = static_cast<double>(n) - centre;
        const double c = std::cos(m.omega * t), s = std::sin(m.omega * t);
        const double dOmega = holdFrequency ? 0.0 : t / scale * (m.b * c - m.a * s);
        const std::array<double, 4> j{c, s, 1.0, dOmega};
        const double residual = x[n] - (m.a * c + m.b * s + m.c);
        for (int r = 0; r < 4; ++r) {
            for (int k = 0; k < 4; ++k) normal[r][k] += j[r] * j[k];
            normal[r][4] += j[r] * residual;
        }
    }
    if (holdFrequency) normal[3][3] = 1.0;
    for (int col = 0; col < 4; ++col) {  // positive definite: no pivoting needed
        if (normal[col][col] <= 0.0) return m;
        for (int row = col + 1; row < 4; ++row) {
            const double f = normal[row][col] / normal[col][col];
            for (int k = col; k < 5; ++k) normal[row][k] -= f * normal[col][k];
        }
    }
    std::array<double, 4> d{};
    for (int row = 3; row >= 0; --row) {
        double v = normal[row][4];
        for (int k = row + 1; k < 4; ++k) v -= normal[row][k] * d[k];
        d[row] = v / normal[row][row];
    }
    return {m.a + d[0], m.b + d[1], m.c + d[2], m.omega + d[3] / scale};
}

}  // namespace

SineFit fitSine(const std::vector<float>& samples, double sampleRate, double approxHz) {
    SineFit fit;
    const size_t count = samples.size();
    if (count < 16 || sampleRate <= 0.0 || approxHz <= 0.0) return fit;
    const std::vector<double> x(samples.begin(), samples.end());
    // A coarse peak on a short stretch, then Gauss-Newton over stretches four times longer each.
    size_t used = std::min<size_t>(count, 4096);
    Model m = refine(x, used, {0.0, 0.0, 0.0, coarseOmega(x, used, kTwoPi * approxHz / sampleRate)},
                     true);
    for (;;) {
        for (int iteration = 0; iteration < 30; ++iteration) {
            const Model next = refine(x, used, m, false);
            const bool settled = std::abs(next.omega - m.omega) < 1e-15 * m.omega;
            m = next;
            if (settled) break;
        }
        if (used == count) break;
        const size_t longer = std::min(count, used * 4);
        // Re-centre the phase on the longer stretch's centre.
        const double shift = 0.5 * static_cast<double>(longer - used);
        const double c = std::cos(m.omega * shift), s = std::sin(m.omega * shift);
        m = {m.a * c + m.b * s, m.b * c - m.a * s, m.c, m.omega};
        used = longer;
    }

    const double centre = 0.5 * static_cast<double>(count - 1);
    double residualPower = 0.0;
    for (size_t n = 0; n < count; ++n) {
        const double t = static_cast<double>(n) - centre;
        const double r = x[n] - (m.a * std::cos(m.omega * t) + m.b * std::sin(m.omega * t) + m.c);
        residualPower += r * r / static_cast<double>(count);
    }
    fit.frequencyHz = m.omega * sampleRate / kTwoPi;
    fit.amplitude = std::hypot(m.a, m.b);
    const double signalPower = 0.5 * fit.amplitude * fit.amplitude;
    fit.snrDb = signalPower == 0.0     ? -400.0  // no sine at all
                : residualPower == 0.0 ? 400.0
                                       : 10.0 * std::log10(signalPower / residualPower);
    return fit;
}

}  // namespace luma::test
