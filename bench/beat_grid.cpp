// Whole-track beat grids: ours against the Queen Mary beat tracker followed by
// a least-squares fit of a fixed grid to its beats, on material whose grid is
// known: click tracks at odd tempos and offsets, drum-machine renders, and
// tracker modules (their rows as libopenmpt plays them). For each: the tempo
// error, the worst distance of a true beat from the grid, and the time either
// takes for a 5-minute track, measured in this same run. Then music without a
// beat, which should get no grid.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <numbers>
#include <string>
#include <vector>

#include "bpm/track_grid.h"
#include "drums/beat_tracks.h"
#include "drums/drum_voices.h"
#include "tempo_trackers.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 44100;

struct Piece {
    std::string name;
    std::vector<float> mono;
    std::vector<double> beats;  // the true beats, seconds
    double bpm = 0.0;
};

struct Grid {
    double bpm = 0.0, first = 0.0;
};

Grid ours(const std::vector<float>& mono) {
    const luma::MonoReader read = [&](int64_t first, int count, float* out) {
        for (int i = 0; i < count; ++i) {
            const int64_t at = first + i;
            out[i] = at >= 0 && at < int64_t(mono.size()) ? mono[size_t(at)] : 0.0f;
        }
    };
    const luma::TrackGrid grid = luma::measureTrackGrid(read, int64_t(mono.size()), kRate);
    return {grid.bpm, grid.firstBeatSeconds};
}

// The tracker as tempo_trackers.h runs it; each beat is placed at the middle of its
// detection frame. Then beats numbered by the median interval and a straight line.
Grid queenMaryFit(const std::vector<float>& mono) {
    constexpr int kStep = luma::bench::kQueenMaryStep, kFrame = luma::bench::kQueenMaryFrame;
    std::vector<double> beats = luma::bench::queenMaryBeats(mono, kRate);
    if (beats.size() < 4) return {};
    for (double& beat : beats) beat = ((beat + 2) * kStep + kFrame / 2.0) / kRate;
    std::vector<double> intervals;
    for (size_t i = 1; i < beats.size(); ++i) intervals.push_back(beats[i] - beats[i - 1]);
    std::nth_element(intervals.begin(), intervals.begin() + intervals.size() / 2, intervals.end());
    const double median = intervals[intervals.size() / 2];
    double n = 0, sn = 0, st = 0, snn = 0, snt = 0;
    for (size_t i = 0; i < beats.size(); ++i) {
        if (i > 0) n += std::max(1.0, std::round((beats[i] - beats[i - 1]) / median));
        sn += n, st += beats[i], snn += n * n, snt += n * beats[i];
    }
    const double count = double(beats.size());
    const double period = (count * snt - sn * st) / (count * snn - sn * sn);
    const double intercept = (st - period * sn) / count;
    return {60.0 / period, intercept - std::floor(intercept / period) * period};
}

struct Score {
    double bpmError = NAN;  // percent, against the truth at the grid's level
    double worstMs = NAN;
    const char* level = "";
};

double distanceToLattice(double t, double origin, double spacing) {
    const double n = std::round((t - origin) / spacing);
    return std::abs(t - origin - n * spacing);
}

// A grid at another level of the metre (half, double, two thirds...) is scored on the
// beats the two grids share: every true beat against the grid's points or subdivisions,
// and every grid point against the true beats or theirs.
Score score(const Grid& grid, const Piece& piece) {
    if (grid.bpm <= 0) return {};
    struct Level {
        int p, q;
        const char* name;
    };
    static constexpr Level kLevels[] = {{1, 1, ""},      {2, 1, " x2"},   {1, 2, " x1/2"},
                                        {3, 1, " x3"},   {1, 3, " x1/3"}, {3, 2, " x3/2"},
                                        {2, 3, " x2/3"}, {4, 3, " x4/3"}, {3, 4, " x3/4"}};
    const double ratio = grid.bpm / piece.bpm;
    for (const Level& level : kLevels) {
        const double k = double(level.p) / level.q;
        if (std::abs(ratio / k - 1) > 0.01) continue;
        const double lattice = 60.0 / piece.bpm / level.p;  // shared by both grids
        double worst = 0.0;
        for (double beat : piece.beats) {
            worst = std::max(worst, distanceToLattice(beat, grid.first, lattice));
        }
        const double end = piece.beats.back();
        for (double t = grid.first; t <= end; t += 60.0 / grid.bpm) {
            worst = std::max(worst, distanceToLattice(t, piece.beats.front(), lattice));
        }
        return {100.0 * (ratio / k - 1.0), 1000.0 * worst, level.name};
    }
    return {100.0 * (ratio - 1.0), NAN, " ?"};
}

std::vector<double> steadyBeats(double bpm, double first, double seconds) {
    std::vector<double> beats;
    for (double t = first; t < seconds - 0.1; t += 60.0 / bpm) beats.push_back(t);
    return beats;
}

Piece clickTrack(double bpm, double offset, double seconds) {
    Piece piece{"click", std::vector<float>(size_t(seconds * kRate)), {}, bpm};
    piece.beats = steadyBeats(bpm, offset, seconds);
    for (size_t n = 0; n < piece.beats.size(); ++n) {
        const auto start = int64_t(std::ceil(piece.beats[n] * kRate));
        const double accent = n % 4 == 0 ? 0.9 : 0.6;
        for (int i = 0; i < kRate / 50 && start + i < int64_t(piece.mono.size()); ++i) {
            const double t = (double(start + i) / kRate - piece.beats[n]);
            piece.mono[size_t(start + i)] +=
                float(accent * std::exp(-t / 0.004) * std::sin(2 * std::numbers::pi * 1500 * t));
        }
    }
    char name[64];
    std::snprintf(name, sizeof name, "click +%.3fs", offset);
    piece.name = name;
    return piece;
}

Piece drumTrack(luma::drums::BeatTrackRecipe recipe) {
    recipe.channels = 1;
    const luma::drums::BeatTrack track = luma::drums::renderBeatTrack(recipe);
    Piece piece{luma::drums::styleName(recipe.style), track.samples, {}, recipe.bpm};
    piece.beats = steadyBeats(recipe.bpm, track.firstBeatSeconds, recipe.seconds);
    if (recipe.bassline) piece.name += " bass";
    if (std::isfinite(recipe.snrDb)) piece.name += " noise";
    return piece;
}

// Held chords (sawtooth and square, detuned so their partials beat), a tremolo, a
// glissando, noise, and hits at random intervals.
std::vector<Piece> beatlessPieces() {
    constexpr int kLength = 60 * kRate;
    constexpr double kPi = std::numbers::pi;
    std::vector<Piece> pieces;
    for (const char* name :
         {"sawtooth chord", "square chord", "tremolo", "glissando", "noise", "random hits"}) {
        pieces.push_back({name, std::vector<float>(kLength), {}, 0.0});
    }
    luma::drums::VoiceRandom random(5);
    for (int i = 0; i < kLength; ++i) {
        const double t = double(i) / kRate;
        for (double hz : {110.0, 138.6, 164.8, 220.0}) {
            pieces[0].mono[i] += float(0.2 * (2 * std::fmod(t * hz * 1.003, 1.0) - 1));
            pieces[1].mono[i] += float(std::fmod(t * hz, 1.0) < 0.5 ? 0.2 : -0.2);
        }
        pieces[2].mono[i] =
            float(0.5 * std::sin(2 * kPi * 330 * t) * (0.6 + 0.4 * std::sin(2 * kPi * 5.3 * t)));
        pieces[3].mono[i] = float(0.4 * std::sin(2 * kPi * (200 * t + 10 * t * t)));
        pieces[4].mono[i] = float(random.between(-0.3, 0.3));
    }
    for (double t = 0.3; t < 59; t += 0.05 - 0.5 * std::log(1 - random.uniform())) {
        const auto start = int64_t(t * kRate);
        for (int k = 0; k < 2000 && start + k < kLength; ++k) {
            pieces[5].mono[size_t(start + k)] +=
                float(0.8 * std::exp(-k / 300.0) * std::sin(2 * kPi * 1200.0 * k / kRate));
        }
    }
    return pieces;
}

// A module's beats are every fourth row (or what an IT file declares) from its start;
// only modules whose rows keep one length are used.
bool modulePiece(const std::string& path, double seconds, Piece& piece) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    if (bytes.empty()) return false;
    int perBeat = 4;
    if (bytes.size() > 0x20 && std::equal(bytes.begin(), bytes.begin() + 4, "IMPM")) {
        const int declared = static_cast<unsigned char>(bytes[0x1E]);
        if (declared >= 2 && declared <= 16) perBeat = declared;
    }
    openmpt::module module(bytes);
    module.set_repeat_count(0);
    constexpr int kBlock = 8;
    std::vector<float> block(kBlock * 2);
    std::vector<double> rows;
    int row = -1, order = -1;
    piece.mono.clear();
    while (piece.mono.size() < size_t(seconds * kRate)) {
        const size_t got = module.read_interleaved_stereo(kRate, kBlock, block.data());
        if (got == 0) break;
        if (module.get_current_row() != row || module.get_current_order() != order) {
            row = module.get_current_row(), order = module.get_current_order();
            rows.push_back(double(piece.mono.size()) / kRate);
        }
        for (size_t i = 0; i < got; ++i)
            piece.mono.push_back(0.5f * (block[2 * i] + block[2 * i + 1]));
    }
    piece.beats.clear();
    for (size_t i = 0; i < rows.size(); i += perBeat) piece.beats.push_back(rows[i]);
    if (piece.beats.size() < 32) return false;
    const double period =
        (piece.beats.back() - piece.beats.front()) / double(piece.beats.size() - 1);
    for (size_t i = 0; i < piece.beats.size(); ++i) {
        if (std::abs(piece.beats[i] - piece.beats[0] - double(i) * period) > 0.002) return false;
    }
    piece.bpm = 60.0 / period;
    piece.name = path.substr(path.find_last_of('/') + 1);
    return true;
}

template <typename Run>
double secondsOf(Run run, int rounds) {
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main() {
    using luma::drums::BeatStyle;
    std::vector<Piece> pieces;
    const double clicks[][2] = {{127.37, 0.137}, {93.81, 0.501}, {141.13, 0.0}, {174.62, 0.29}};
    for (const auto& c : clicks) pieces.push_back(clickTrack(c[0], c[1], 180));
    const luma::drums::BeatTrackRecipe recipes[] = {
        {.bpm = 127.37, .seconds = 240, .seed = 11},
        {.bpm = 122.03,
         .seconds = 240,
         .style = BeatStyle::syncopatedKick,
         .bassline = true,
         .seed = 12},
        {.bpm = 96.41, .seconds = 200, .style = BeatStyle::breakbeat, .seed = 13},
        {.bpm = 138.77, .seconds = 200, .style = BeatStyle::halfTime, .pad = true, .seed = 14},
        {.bpm = 104.9, .seconds = 200, .style = BeatStyle::shuffle, .seed = 15},
        {.bpm = 131.3, .seconds = 240, .style = BeatStyle::sparseIntro, .seed = 16},
        {.bpm = 172.45,
         .seconds = 200,
         .style = BeatStyle::drumAndBass,
         .bassline = true,
         .seed = 17},
        {.bpm = 118.6, .seconds = 200, .snrDb = 10, .bassline = true, .seed = 18},
    };
    for (const auto& recipe : recipes) pieces.push_back(drumTrack(recipe));
    const char* modules[] = {"/usr/share/sounds/gweled/autonom.s3m",
                             "/usr/share/games/vodovod/flow.xm",
                             "/usr/share/games/vodovod/vodovod.xm",
                             "/usr/share/games/vodovod/walk.xm",
                             "/usr/share/games/bugsquish/music/adventures.mod",
                             "/usr/share/games/bugsquish/music/corpses.mod",
                             "/usr/share/games/cuyo/sounds/cuyo.it"};
    for (const char* path : modules) {
        Piece piece;
        try {
            if (modulePiece(path, 300, piece)) {
                pieces.push_back(std::move(piece));
            } else {
                std::printf("(%s left out: missing, or its rows change length)\n", path);
            }
        } catch (const std::exception&) {
            std::printf("(%s left out: libopenmpt cannot read it)\n", path);
        }
    }

    std::printf(
        "Tempo errors are against the truth at the grid's level (x1/2: half the true tempo).\n");
    std::printf("%-24s %4s %8s | %9s %-5s %7s %8s | %9s %-5s %7s %8s\n", "piece", "secs", "truth",
                "ours BPM", "level", "err %", "worst ms", "QM BPM", "level", "err %", "worst ms");
    struct Tally {
        std::vector<double> bpm, worst;
        int none = 0;
        void add(const Score& score) {
            if (std::isnan(score.worstMs)) {
                ++none;
            } else {
                bpm.push_back(std::abs(score.bpmError)), worst.push_back(score.worstMs);
            }
        }
        static double median(std::vector<double> v) {
            if (v.empty()) return NAN;
            std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
            return v[v.size() / 2];
        }
        static double largest(const std::vector<double>& v) {
            return v.empty() ? NAN : *std::max_element(v.begin(), v.end());
        }
        void print(const char* name) const {
            std::printf("%-10s %9.4f %9.4f %%   %8.2f %8.2f ms   %5d\n", name, median(bpm),
                        largest(bpm), median(worst), largest(worst), none);
        }
    };
    Tally us, qm;
    for (const Piece& piece : pieces) {
        const Grid a = ours(piece.mono), b = queenMaryFit(piece.mono);
        const Score sa = score(a, piece), sb = score(b, piece);
        std::printf("%-24s %4.0f %8.3f | %9.4f %-5s %7.4f %8.2f | %9.4f %-5s %7.4f %8.2f\n",
                    piece.name.c_str(), double(piece.mono.size()) / kRate, piece.bpm, a.bpm,
                    sa.level, sa.bpmError, sa.worstMs, b.bpm, sb.level, sb.bpmError, sb.worstMs);
        us.add(sa), qm.add(sb);
    }
    std::printf(
        "\n%zu pieces  tempo error: median, largest   worst beat: median, largest   no grid\n",
        pieces.size());
    us.print("ours");
    qm.print("QM + fit");

    // Music without a beat should get no grid at all.
    std::printf("\nWithout a beat (60 s each): the tempo of the grid each gives, 0 for none\n");
    const auto beatless = beatlessPieces();
    int ourGrids = 0, qmGrids = 0;
    for (const Piece& piece : beatless) {
        const Grid a = ours(piece.mono), b = queenMaryFit(piece.mono);
        std::printf("  %-26s ours %8.3f   QM + fit %8.3f\n", piece.name.c_str(), a.bpm, b.bpm);
        ourGrids += a.bpm > 0, qmGrids += b.bpm > 0;
    }
    std::printf("  grids given: ours %d of %zu, QM + fit %d of %zu\n", ourGrids, beatless.size(),
                qmGrids, beatless.size());

    // Wider: every style three times, at drawn tempos, lengths, extras and noise.
    Tally wideUs, wideQm;
    luma::drums::VoiceRandom draw(99);
    int wide = 0;
    for (int style = 0; style < 10; ++style) {
        for (int k = 0; k < 3; ++k, ++wide) {
            luma::drums::BeatTrackRecipe recipe;
            recipe.style = BeatStyle(style);
            recipe.bpm = std::round(draw.between(85, 175) * 100) / 100;
            recipe.seconds = std::round(draw.between(60, 180));
            recipe.bassline = draw.uniform() < 0.5;
            recipe.pad = draw.uniform() < 0.3;
            const double noise = draw.uniform();
            if (noise < 0.2)
                recipe.snrDb = 6;
            else if (noise < 0.4)
                recipe.snrDb = 15;
            if (draw.uniform() < 0.2) recipe.swing = draw.between(0.2, 0.5);
            recipe.seed = uint32_t(500 + style * 10 + k);
            const Piece piece = drumTrack(recipe);
            wideUs.add(score(ours(piece.mono), piece));
            wideQm.add(score(queenMaryFit(piece.mono), piece));
        }
    }
    std::printf("\n%d more drum-machine tracks (every style, drawn tempos, 60 to 180 s)\n", wide);
    wideUs.print("ours");
    wideQm.print("QM + fit");

    const Piece five = drumTrack({.bpm = 126.0, .seconds = 300, .bassline = true, .seed = 77});
    const double ourTime = secondsOf([&] { return ours(five.mono); }, 3);
    const double qmTime = secondsOf([&] { return queenMaryFit(five.mono); }, 1);
    std::printf("\nA 5-minute track: ours %.3f s, QM + fit %.3f s; ours is %.1fx faster\n", ourTime,
                qmTime, qmTime / ourTime);
    return 0;
}
