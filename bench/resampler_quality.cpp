// Our variable-rate resampler against libsamplerate's SINC_FASTEST: SNR of
// sines at pitch +8 % and -16 %, and the cost per second of audio, both
// measured in this run so the ratio holds on any machine.
#include <benchmark/benchmark.h>
#include <samplerate.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <numbers>
#include <vector>

#include "dsp/resampler.h"
#include "support/sine_fit.h"

namespace {

using luma::dsp::ResamplerSource;
using luma::dsp::SourcePosition;
using luma::dsp::VariableRateResampler;

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
constexpr int kSettle = 4096;  // output frames left out of the fit at each end

struct Stereo {
    std::vector<float> left, right;
};

Stereo makeSine(double hz, int frames) {
    Stereo s{std::vector<float>(frames), std::vector<float>(frames)};
    for (int n = 0; n < frames; ++n) {
        const double v = 0.5 * std::sin(2.0 * std::numbers::pi * hz * n / kRate);
        s.left[n] = s.right[n] = static_cast<float>(v);
    }
    return s;
}

class BufferSource : public ResamplerSource {
  public:
    explicit BufferSource(const Stereo& material) : material_(material) {}
    void fetch(int64_t first, int count, float* left, float* right) noexcept override {
        const int64_t size = static_cast<int64_t>(material_.left.size());
        for (int i = 0; i < count; ++i) {
            const int64_t at = first + i;
            const bool inside = at >= 0 && at < size;
            left[i] = inside ? material_.left[at] : 0.0f;
            right[i] = inside ? material_.right[at] : 0.0f;
        }
    }

  private:
    const Stereo& material_;
};

// Output buffers are sized by the caller, so the timed part is the work only.
void renderOurs(const Stereo& material, double step, Stereo& out) {
    BufferSource source(material);
    VariableRateResampler resampler;
    SourcePosition pos;
    const int outFrames = static_cast<int>(out.left.size());
    for (int done = 0; done < outFrames; done += kBlock) {
        const int frames = std::min(kBlock, outFrames - done);
        resampler.render(source, pos, step, 0.0, frames, out.left.data() + done,
                         out.right.data() + done);
    }
}

std::vector<float> interleave(const Stereo& material) {
    std::vector<float> interleaved(material.left.size() * 2);
    for (size_t n = 0; n < material.left.size(); ++n) {
        interleaved[2 * n] = material.left[n];
        interleaved[2 * n + 1] = material.right[n];
    }
    return interleaved;
}

void renderSinc(const std::vector<float>& interleaved, double step, std::vector<float>& out) {
    int error = 0;
    SRC_STATE* state = src_new(SRC_SINC_FASTEST, 2, &error);
    const long outFrames = static_cast<long>(out.size() / 2);
    const long available = static_cast<long>(interleaved.size() / 2);
    long consumed = 0;
    long produced = 0;
    while (produced < outFrames) {
        SRC_DATA data{};
        data.data_in = interleaved.data() + 2 * consumed;
        data.input_frames = std::min<long>(kBlock * 4, available - consumed);
        data.data_out = out.data() + 2 * produced;
        data.output_frames = std::min<long>(kBlock, outFrames - produced);
        data.src_ratio = 1.0 / step;
        data.end_of_input = consumed + data.input_frames >= available;
        if (src_process(state, &data) != 0 || data.output_frames_gen == 0) {
            break;
        }
        consumed += data.input_frames_used;
        produced += data.output_frames_gen;
    }
    src_delete(state);
}

std::vector<float> leftOf(const std::vector<float>& interleaved) {
    std::vector<float> left(interleaved.size() / 2);
    for (size_t n = 0; n < left.size(); ++n) {
        left[n] = interleaved[2 * n];
    }
    return left;
}

double snrDb(const std::vector<float>& out, double expectedHz) {
    return luma::test::fitSine({out.begin() + kSettle, out.end() - kSettle}, kRate, expectedHz)
        .snrDb;
}

// Best of several runs: the least disturbed one is the code's own cost.
double secondsFor(const std::function<void()>& work) {
    double best = 1e30;
    for (int run = 0; run < 7; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

void printQuality() {
    std::printf("SNR of a 0.5 sine, fitted (dB)\n");
    std::printf("%8s %8s %12s %14s\n", "tone", "pitch", "ours", "SINC_FASTEST");
    for (double hz : {1000.0, 10000.0}) {
        for (double step : {1.08, 0.84}) {
            const int outFrames = static_cast<int>(kRate * 2);
            const Stereo material = makeSine(hz, static_cast<int>(outFrames * step) + 8192);
            Stereo ours{std::vector<float>(outFrames), std::vector<float>(outFrames)};
            renderOurs(material, step, ours);
            std::vector<float> sinc(static_cast<size_t>(outFrames) * 2);
            renderSinc(interleave(material), step, sinc);
            std::printf("%6.0f Hz %+7.0f%% %12.1f %14.1f\n", hz, (step - 1.0) * 100.0,
                        snrDb(ours.left, hz * step), snrDb(leftOf(sinc), hz * step));
        }
    }
}

void printCost() {
    constexpr double kSeconds = 10.0;
    const int outFrames = static_cast<int>(kRate * kSeconds);
    std::printf("\nCost per second of stereo audio at 44.1 kHz\n");
    std::printf("%8s %12s %14s %8s %14s\n", "pitch", "ours (us)", "SINC_FASTEST", "ratio",
                "ours x realtime");
    for (double step : {1.08, 0.84, 1.0001, 2.27}) {
        const Stereo material = makeSine(1000.0, static_cast<int>(outFrames * step) + 8192);
        const std::vector<float> interleaved = interleave(material);
        Stereo oursOut{std::vector<float>(outFrames), std::vector<float>(outFrames)};
        std::vector<float> sincOut(static_cast<size_t>(outFrames) * 2);
        const double ours = secondsFor([&] {
            renderOurs(material, step, oursOut);
            benchmark::DoNotOptimize(oursOut.left.data());
        });
        const double sinc = secondsFor([&] {
            renderSinc(interleaved, step, sincOut);
            benchmark::DoNotOptimize(sincOut.data());
        });
        std::printf("%+7.2f%% %12.0f %14.0f %8.2f %14.0f\n", (step - 1.0) * 100.0,
                    ours / kSeconds * 1e6, sinc / kSeconds * 1e6, ours / sinc, kSeconds / ours);
    }
}

}  // namespace

int main() {
    printQuality();
    printCost();
    return 0;
}
