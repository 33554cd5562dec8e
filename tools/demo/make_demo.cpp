// make_demo: synthesises the demo tracks that ship beside the deck, so that
// a new user can double-click something and hear it at once. Deterministic:
// the same files every build. Each WAV carries an ID3v1 tag at its end,
// after the audio (WAV readers skip it; the deck's tag display shows it).
//
//   make_demo OUTPUT_FOLDER
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "wav_file.h"

namespace {

constexpr int kRate = 44100;
constexpr double kPi = std::numbers::pi;

struct Track {
    std::string file;
    std::string title;
    double bpm;
    int bars;
    int genre;  // ID3v1 genre code
    bool breakbeat;
};

using Stereo = std::vector<float>;  // interleaved

void addKick(Stereo& out, size_t at, float gain) {
    // A sine falling from 120 Hz to 45 Hz with a fast decay: a four-on-the-floor kick.
    double phase = 0;
    for (size_t i = 0; i < kRate / 3 && (at + i) * 2 + 1 < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double hz = 45.0 + 75.0 * std::exp(-t * 30.0);
        phase += 2 * kPi * hz / kRate;
        const float v = static_cast<float>(gain * std::sin(phase) * std::exp(-t * 9.0));
        out[(at + i) * 2] += v;
        out[(at + i) * 2 + 1] += v;
    }
}

void addNoise(Stereo& out, size_t at, float gain, double decay, double brightness,
              std::mt19937& random) {
    // Noise through a one-pole high-pass: hats when bright and short, a snare when longer.
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    float previous = 0, filtered = 0;
    for (size_t i = 0; i < kRate / 4 && (at + i) * 2 + 1 < out.size(); ++i) {
        const float x = noise(random);
        filtered = static_cast<float>(brightness) * (filtered + x - previous);
        previous = x;
        const float v = gain * filtered *
                        static_cast<float>(std::exp(-static_cast<double>(i) / (decay * kRate)));
        out[(at + i) * 2] += v * 0.9f;
        out[(at + i) * 2 + 1] += v;
    }
}

void addBass(Stereo& out, size_t at, size_t length, double hz, float gain) {
    // A softened sawtooth, gated per note.
    for (size_t i = 0; i < length && (at + i) * 2 + 1 < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double saw = 0;
        for (int h = 1; h <= 6; ++h) saw += std::sin(2 * kPi * hz * h * t) / h;
        const double envelope = std::min(1.0, t * 200.0) * std::exp(-t * 4.0);
        const auto v = static_cast<float>(gain * 0.5 * saw * envelope);
        out[(at + i) * 2] += v;
        out[(at + i) * 2 + 1] += v;
    }
}

Stereo render(const Track& track) {
    const double beat = 60.0 / track.bpm;
    const size_t frames = static_cast<size_t>(track.bars * 4 * beat * kRate);
    Stereo out(frames * 2, 0.0f);
    std::mt19937 random(static_cast<unsigned>(track.bpm * 100));
    const double bassline[] = {55.0, 55.0, 65.41, 49.0};  // A1 A1 C2 G1
    for (int bar = 0; bar < track.bars; ++bar) {
        for (int step = 0; step < 16; ++step) {
            const size_t at = static_cast<size_t>((bar * 4 + step / 4.0) * beat * kRate);
            const bool intro = bar < 2;
            if (track.breakbeat) {
                if (step == 0 || step == 10) addKick(out, at, 0.8f);
                if (step == 4 || step == 12) addNoise(out, at, 0.5f, 0.08, 0.6, random);
            } else if (step % 4 == 0) {
                addKick(out, at, 0.8f);
            }
            if (step % 2 == 0) addNoise(out, at, step % 4 == 2 ? 0.25f : 0.12f, 0.02, 0.95, random);
            if (!intro && step % 4 == 2) {
                addBass(out, at, static_cast<size_t>(beat * kRate / 2), bassline[bar % 4], 0.35f);
            }
        }
    }
    for (float& v : out) v = std::tanh(v);  // keeps peaks below full scale, gently
    return out;
}

// Fixed-width tag text, padded with blanks as taggers often do.
std::string field(const std::string& text, size_t width) {
    std::string padded = text.substr(0, width);
    padded.resize(width, ' ');
    return padded;
}

bool write(const std::string& path, const Track& track, const Stereo& samples) {
    luma::tools::WavFile wav(path);
    if (!wav.ok()) return false;
    wav.write(samples.data(), samples.size() / 2);
    wav.append("TAG" + field(track.title, 30) + field("Lumatrone DJ System", 30) +
               field("Demo Crate", 30) + field("2026", 4) + field("Synthesised, free to use", 30) +
               std::string(1, static_cast<char>(track.genre)));
    return wav.close();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo OUTPUT_FOLDER\n");
        return 2;
    }
    const Track tracks[] = {
        {"House Groove 124.wav", "House Groove", 124.0, 16, 35, false},
        {"Techno Drive 132.wav", "Techno Drive", 132.0, 16, 18, false},
        {"Broken Beat 96.wav", "Broken Beat", 96.0, 12, 7, true},
    };
    for (const Track& track : tracks) {
        const std::string path = std::string(argv[1]) + "/" + track.file;
        if (!write(path, track, render(track))) {
            std::fprintf(stderr, "make_demo: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
