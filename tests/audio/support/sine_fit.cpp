#include "support/sine_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace luma::test {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// cos/sin of omega * t for t = start, start + 1, ... by rotation, re-seeded
// often enough that the recurrence never drifts past 1e-13.
class Oscillator {
  public:
    Oscillator(double omega, double start)
        : omega_(omega), t_(start), stepCos_(std::cos(omega)), stepSin_(std::sin(omega)) {
        seed();
    }
    double cos() const { return c_; }
    double sin() const { return s_; }
    void next() {
        t_ += 1.0;
        if (++sinceSeed_ == 512) return seed();
        const double c = c_ * stepCos_ - s_ * stepSin_;
        s_ = s_ * stepCos_ + c_ * stepSin_;
        c_ = c;
    }

  private:
    void seed() {
        c_ = std::cos(omega_ * t_);
        s_ = std::sin(omega_ * t_);
        sinceSeed_ = 0;
    }
    double omega_, t_, stepCos_, stepSin_;
    double c_ = 1.0, s_ = 0.0;
    int sinceSeed_ = 0;
};

// Model on centred time t = n - centre: a cos(wt) + b sin(wt) + c.
struct Model {
    double a = 0.0, b = 0.0, c = 0.0, omega = 0.0;
};

// Hann-windowed DFT magnitude over the first `count` samples; the peak within
// +-10 % of the guess, refined by a parabola through the neighbours.
double coarseOmega(const double* x, size_t count, double guess) {
    const double binWidth = kTwoPi / static_cast<double>(count);
    const double spacing = binWidth / 4.0;
    const double low = std::max(guess * 0.9, spacing);
    const double high = std::min(guess * 1.1, std::numbers::pi - spacing);
    std::vector<double> windowed(count);
    for (size_t n = 0; n < count; ++n) {
        windowed[n] = x[n] * (0.5 - 0.5 * std::cos(kTwoPi * (n + 0.5) / count));
    }
    std::vector<double> grid;
    for (double omega = low; omega <= high; omega += spacing) {
        Oscillator osc(omega, 0.0);
        double re = 0.0, im = 0.0;
        for (size_t n = 0; n < count; ++n, osc.next()) {
            re += windowed[n] * osc.cos();
            im += windowed[n] * osc.sin();
        }
        grid.push_back(re * re + im * im);
    }
    const size_t best = std::max_element(grid.begin(), grid.end()) - grid.begin();
    double shift = 0.0;
    if (best > 0 && best + 1 < grid.size()) {
        const double l = grid[best - 1], m = grid[best], r = grid[best + 1];
        const double curve = l - 2.0 * m + r;
        shift = curve < 0.0 ? 0.5 * (l - r) / curve : 0.0;
    }
    return low + (static_cast<double>(best) + shift) * spacing;
}

// Solves the 4x4 system in place by Gaussian elimination with pivoting.
std::array<double, 4> solve(std::array<std::array<double, 5>, 4> m) {
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int row = col + 1; row < 4; ++row) {
            if (std::abs(m[row][col]) > std::abs(m[pivot][col])) pivot = row;
        }
        std::swap(m[col], m[pivot]);
        if (m[col][col] == 0.0) return {};
        for (int row = col + 1; row < 4; ++row) {
            const double f = m[row][col] / m[col][col];
            for (int k = col; k < 5; ++k) m[row][k] -= f * m[col][k];
        }
    }
    std::array<double, 4> x{};
    for (int row = 3; row >= 0; --row) {
        double v = m[row][4];
        for (int k = row + 1; k < 4; ++k) v -= m[row][k] * x[k];
        x[row] = v / m[row][row];
    }
    return x;
}

// One Gauss-Newton step over samples [0, count); the frequency column is
// scaled by the half-length so the system stays well conditioned. A fit
// starts with the frequency held, a linear fit of a, b and c: at a = b = 0
// the frequency has no gradient.
Model refine(const double* x, size_t count, const Model& model, bool holdFrequency = false) {
    const double centre = 0.5 * static_cast<double>(count - 1);
    const double scale = std::max(centre, 1.0);
    std::array<std::array<double, 5>, 4> normal{};
    Oscillator osc(model.omega, -centre);
    for (size_t n = 0; n < count; ++n, osc.next()) {
        const double t = static_cast<double>(n) - centre;
        const double c = osc.cos(), s = osc.sin();
        const double dOmega = holdFrequency ? 0.0 : t / scale * (model.b * c - model.a * s);
        const std::array<double, 4> j{c, s, 1.0, dOmega};
        const double residual = x[n] - (model.a * c + model.b * s + model.c);
        for (int r = 0; r < 4; ++r) {
            for (int k = 0; k < 4; ++k) normal[r][k] += j[r] * j[k];
            normal[r][4] += j[r] * residual;
        }
    }
    if (holdFrequency) normal[3][3] = 1.0;
    const std::array<double, 4> d = solve(normal);
    return {model.a + d[0], model.b + d[1], model.c + d[2], model.omega + d[3] / scale};
}

Model iterate(const double* x, size_t count, Model model) {
    for (int iteration = 0; iteration < 30; ++iteration) {
        const Model next = refine(x, count, model);
        const bool settled = std::abs(next.omega - model.omega) < 1e-15 * model.omega;
        model = next;
        if (settled) break;
    }
    return model;
}

SineFit fitDouble(const double* x, size_t count, double sampleRate, double approxHz) {
    SineFit fit;
    if (count < 16 || sampleRate <= 0.0 || approxHz <= 0.0) return fit;
    // Coarse peak on a short stretch, then Gauss-Newton over ever longer
    // stretches: each one pins the frequency well inside the next one's
    // capture range.
    size_t used = std::min<size_t>(count, 4096);
    const double guess = coarseOmega(x, used, kTwoPi * approxHz / sampleRate);
    Model model = refine(x, used, {0.0, 0.0, 0.0, guess}, true);
    for (;;) {
        model = iterate(x, used, model);
        if (used == count) break;
        const size_t longer = std::min(count, used * 4);
        // Re-centre the phase for the longer stretch's centre.
        const double shift = 0.5 * static_cast<double>(longer - used);
        const double c = std::cos(model.omega * shift), s = std::sin(model.omega * shift);
        model = {model.a * c + model.b * s, model.b * c - model.a * s, model.c, model.omega};
        used = longer;
    }

    const double centre = 0.5 * static_cast<double>(count - 1);
    double residualPower = 0.0;
    Oscillator osc(model.omega, -centre);
    for (size_t n = 0; n < count; ++n, osc.next()) {
        const double r = x[n] - (model.a * osc.cos() + model.b * osc.sin() + model.c);
        residualPower += r * r;
    }
    residualPower /= static_cast<double>(count);

    fit.frequencyHz = model.omega * sampleRate / kTwoPi;
    fit.amplitude = std::hypot(model.a, model.b);
    fit.offset = model.c;
    // a cos + b sin = A sin(wt + psi) with psi = atan2(a, b); move to t = -centre.
    fit.phase = std::remainder(std::atan2(model.a, model.b) - model.omega * centre, kTwoPi);
    const double signalPower = 0.5 * fit.amplitude * fit.amplitude;
    if (signalPower == 0.0) {
        fit.snrDb = -400.0;  // no sine at all
    } else {
        fit.snrDb = residualPower > 0.0 ? 10.0 * std::log10(signalPower / residualPower) : 400.0;
    }
    return fit;
}

}  // namespace

SineFit fitSine(const float* samples, size_t count, double sampleRate, double approxHz) {
    const std::vector<double> wide(samples, samples + count);
    return fitDouble(wide.data(), count, sampleRate, approxHz);
}

}  // namespace luma::test
