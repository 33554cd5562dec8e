// Tempo accuracy on real music: the set tools/tempo-set/build.sh makes from
// MIDI files and tracker modules that Debian packages ship. Ours, the Queen
// Mary tracker and aubio each read the first 90 s of every piece, as the deck
// does; all answers and truths are read in the deck's range, 70..180 BPM, by
// octaves (the others' own ranges differ from the deck's).
//
//   bpm_real_music [SET.tsv] [tune|held|all] [plain|hits|quiet]
//       (default: build/tempo-set/set.tsv, tune, plain)
//
// "hits" adds loud noise bursts that keep no time (half again the piece's peak,
// 1.5 a second at random); "quiet" plays the piece 50 dB down over a faint hiss.
// Either leaves a steady beat a listener still hears at once.
//
// Per part: Accuracy1, Accuracy2 (see tempo_trackers.h), the share within
// 0.5 %, the pieces read as no beat at all, and the time per piece.
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bpm/tempo_range.h"
#include "tempo_trackers.h"

namespace {

using Clock = std::chrono::steady_clock;
using luma::bench::near;
using luma::bench::nearRelated;

constexpr double kSeconds = 90.0;

struct Piece {
    std::string part, package, path;
    double truth = 0.0;
};

std::vector<Piece> readSet(const std::string& path) {
    std::vector<Piece> pieces;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Piece piece;
        std::string truth;
        if (std::getline(fields, piece.part, '\t') && std::getline(fields, truth, '\t') &&
            std::getline(fields, piece.package, '\t') && std::getline(fields, piece.path)) {
            piece.truth = std::stod(truth);
            pieces.push_back(piece);
        }
    }
    return pieces;
}

// The first 90 s, channels mixed as the engine mixes them for detection.
std::vector<float> readMono(const std::string& path, int& rate) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return {};
    rate = info.samplerate;
    const auto frames = static_cast<sf_count_t>(std::min<double>(info.frames, kSeconds * rate));
    std::vector<float> interleaved(static_cast<size_t>(frames * info.channels));
    const sf_count_t got = sf_readf_float(file, interleaved.data(), frames);
    sf_close(file);
    std::vector<float> mono(static_cast<size_t>(got));
    for (sf_count_t i = 0; i < got; ++i) {
        float sum = 0.0f;
        for (int c = 0; c < info.channels; ++c) sum += interleaved[i * info.channels + c];
        mono[i] = sum / static_cast<float>(info.channels);
    }
    return mono;
}

void applyCondition(std::vector<float>& mono, const std::string& condition, int rate,
                    unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    if (condition == "hits") {
        float peak = 0.0f;
        for (float s : mono) peak = std::max(peak, std::abs(s));
        std::exponential_distribution<double> gap(1.5);
        for (double at = gap(random); at * rate < double(mono.size()); at += gap(random)) {
            const auto start = static_cast<size_t>(at * rate);
            for (size_t i = 0; i < size_t(0.03 * rate) && start + i < mono.size(); ++i) {
                mono[start + i] +=
                    1.5f * peak * sample(random) * std::exp(-float(i) / (0.01f * rate));
            }
        }
    } else if (condition == "quiet") {
        for (float& s : mono) s = 0.003f * s + 0.0003f * sample(random);
    }
}

struct Tally {
    int pieces = 0, exact = 0, related = 0, precise = 0, zero = 0;
    double seconds = 0.0;
    void add(double estimate, double truth, double elapsed) {
        ++pieces;
        exact += near(estimate, truth);
        related += nearRelated(estimate, truth);
        precise += std::abs(estimate / truth - 1.0) <= 0.005;
        zero += estimate == 0.0;
        seconds += elapsed;
    }
    void print(const char* name) const {
        auto percent = [&](int hits) { return pieces ? 100.0 * hits / pieces : 0.0; };
        std::printf("  %-11s %7.1f %%  %7.1f %%  %7.1f %%  %4d   %7.1f ms\n", name, percent(exact),
                    percent(related), percent(precise), zero,
                    pieces ? 1000 * seconds / pieces : 0.0);
    }
};

struct PartTallies {
    Tally ours, queenMary, aubio;
};

}  // namespace

int main(int argc, char** argv) {
    const std::string setPath = argc > 1 ? argv[1] : "build/tempo-set/set.tsv";
    const std::string parts = argc > 2 ? argv[2] : "tune";
    const std::string condition = argc > 3 ? argv[3] : "plain";
    const std::vector<Piece> pieces = readSet(setPath);
    if (pieces.empty()) {
        std::fprintf(stderr, "no pieces in %s: run tools/tempo-set/build.sh first\n",
                     setPath.c_str());
        return 1;
    }
    const luma::TempoRange deckRange;
    PartTallies tune, held;
    std::printf("%-5s %-22s %-34s %7s %7s  %7s  %7s\n", "part", "package", "piece", "truth", "ours",
                "QM", "aubio");
    for (const Piece& piece : pieces) {
        if (parts != "all" && piece.part != parts) continue;
        int rate = 44100;
        std::vector<float> mono = readMono(piece.path, rate);
        if (mono.empty()) {
            std::fprintf(stderr, "cannot read %s\n", piece.path.c_str());
            continue;
        }
        applyCondition(mono, condition, rate, static_cast<unsigned>(&piece - pieces.data()));
        const double truth = deckRange.fold(piece.truth);
        PartTallies& tallies = piece.part == "held" ? held : tune;
        double answers[3];
        Tally* tallyOf[3] = {&tallies.ours, &tallies.queenMary, &tallies.aubio};
        double (*const trackers[3])(const std::vector<float>&, int) = {
            luma::bench::ours, luma::bench::queenMary, luma::bench::aubio};
        for (int t = 0; t < 3; ++t) {
            const auto start = Clock::now();
            const double raw = trackers[t](mono, rate);
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            answers[t] = deckRange.fold(raw);
            tallyOf[t]->add(answers[t], truth, elapsed);
        }
        const std::string name = piece.path.substr(piece.path.find_last_of('/') + 1);
        std::printf("%-5s %-22s %-34.34s %7.2f %7.2f%s %7.2f%s %7.2f%s\n", piece.part.c_str(),
                    piece.package.c_str(), name.c_str(), truth, answers[0],
                    near(answers[0], truth) ? " " : "*", answers[1],
                    near(answers[1], truth) ? " " : "*", answers[2],
                    near(answers[2], truth) ? " " : "*");
    }
    for (auto [name, tallies] :
         {std::pair{"tuning part", &tune}, std::pair{"held-out part", &held}}) {
        if (tallies->ours.pieces == 0) continue;
        std::printf("\n%s (%s), %d pieces: Accuracy1  Accuracy2  within 0.5 %%  at 0  time/piece\n",
                    name, condition.c_str(), tallies->ours.pieces);
        tallies->ours.print("ours");
        tallies->queenMary.print("Queen Mary");
        tallies->aubio.print("aubio");
    }
    return 0;
}
