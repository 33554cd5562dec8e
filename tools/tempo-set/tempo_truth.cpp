// The true tempo of a MIDI file or a tracker module over its first 90 seconds,
// taken from the material itself, for the real-music tempo set.
//
//   tempo_truth midi FILE           the tempo events and time signatures
//   tempo_truth module FILE OUT.wav the rows as libopenmpt plays them; also
//                                   renders the same 90 s as 16-bit stereo WAV
//
// Prints "BPM" when the beat is steady over the span, otherwise "unsteady: why"
// (exit status 2). The beat is the quarter note, or the dotted quarter in 6/8,
// 9/8 and 12/8 and wherever the notes move in compound time under another
// signature; in a module, the rows per beat the file declares (four unless an IT
// file says otherwise).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "wav_file.h"

namespace {

constexpr double kSpan = 90.0;        // seconds the deck analyses
constexpr double kShortest = 30.0;    // shorter music holds too few beats to judge
constexpr double kSteadiness = 0.02;  // the most any stretch may stray from the mean tempo
constexpr double kOffGrid = 0.04;     // quarter notes a note may lie off the beat's grid
constexpr double kOnGrid = 0.75;      // share of notes that must lie on it
// Notes that repeat after a dotted quarter this much more often than after a quarter
// are in compound time, whatever the file's time signature says.
constexpr double kCompoundFeel = 1.5;

std::vector<uint8_t> readAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int unsteady(const char* why) {
    std::printf("unsteady: %s\n", why);
    return 2;
}

// --- Standard MIDI files -------------------------------------------------

struct MidiReader {
    const std::vector<uint8_t>& bytes;
    size_t at = 0;
    bool ok() const { return at <= bytes.size(); }
    uint32_t take(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = v << 8 | (at < bytes.size() ? bytes[at] : 0), ++at;
        return v;
    }
    uint32_t variable() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const uint32_t b = take(1);
            v = v << 7 | (b & 0x7F);
            if (!(b & 0x80)) break;
        }
        return v;
    }
};

struct MidiEvents {
    std::map<uint64_t, double> tempos;  // tick -> microseconds per quarter
    std::map<uint64_t, int> compound;   // tick -> 1 for 6/8, 9/8, 12/8; 0 for other metres
    std::vector<uint64_t> notes;        // tick of every note start
    uint64_t firstNote = UINT64_MAX, lastNote = 0;
};

bool readTrack(MidiReader& r, size_t end, MidiEvents& events) {
    uint64_t tick = 0;
    uint8_t status = 0;
    while (r.at < end) {
        tick += r.variable();
        uint8_t byte = static_cast<uint8_t>(r.take(1));
        if (byte == 0xFF) {
            const uint32_t type = r.take(1), length = r.variable();
            const size_t data = r.at;
            if (type == 0x51 && length == 3) events.tempos[tick] = r.take(3);
            if (type == 0x58 && length >= 2) {
                const uint32_t numerator = r.take(1), denominator = 1u << std::min(r.take(1), 8u);
                events.compound[tick] =
                    denominator == 8 && numerator % 3 == 0 && numerator >= 6 ? 1 : 0;
            }
            r.at = data + length;
            continue;
        }
        if (byte == 0xF0 || byte == 0xF7) {
            r.at += r.variable();
            continue;
        }
        if (byte & 0x80) {
            status = byte;
            byte = static_cast<uint8_t>(r.take(1));
        }
        if (!(status & 0x80)) return false;  // data without a status
        const uint8_t kind = status & 0xF0;
        const bool oneByte = kind == 0xC0 || kind == 0xD0;
        const uint32_t velocity = oneByte ? 0 : r.take(1);
        if (kind == 0x90 && velocity > 0) {
            events.firstNote = std::min(events.firstNote, tick);
            events.lastNote = std::max(events.lastNote, tick);
            events.notes.push_back(tick);
        }
        (void)byte;
    }
    return r.ok();
}

// The share of notes on a grid of sixteenths and eighth-note triplets, at the grid's
// best offset (some files lag every note alike). Music played in without the
// sequencer's clock keeps the file's default tempo, which then says nothing about
// the beat.
double shareOnGrid(const std::vector<uint64_t>& notes, uint32_t division) {
    if (notes.empty()) return 0.0;
    int best = 0;
    for (int offset = 0; offset < 96; ++offset) {
        int on = 0;
        for (uint64_t tick : notes) {
            const double quarters = double(tick % division) / division - offset / 96.0 + 1.0;
            double distance = 1.0;
            for (double step : {0.25, 1.0 / 3}) {
                const double steps = quarters / step;
                distance = std::min(distance, std::abs(steps - std::round(steps)) * step);
            }
            on += distance <= kOffGrid;
        }
        best = std::max(best, on);
    }
    return double(best) / double(notes.size());
}

// Some files write compound time in 4/4, each beat three quarter notes long, the
// sixteenths standing in for triplets. Their notes then repeat after a dotted quarter
// (and its multiples) but hardly after one, two or four quarters; no note says where
// the written quarters fall. Looks at the notes from `first` up to `last` (ticks).
bool soundsCompound(const std::vector<uint64_t>& notes, uint32_t division, uint64_t first,
                    uint64_t last) {
    std::set<int64_t> onsets;  // in twelfths of a quarter: sixteenths and triplets alike
    for (uint64_t tick : notes) {
        if (tick >= first && tick <= last) onsets.insert(std::llround(tick * 12.0 / division));
    }
    if (onsets.empty()) return false;
    auto repeats = [&](double quarters) {  // share of onsets with another this much later
        const auto lag = std::llround(quarters * 12);
        int hits = 0;
        for (int64_t at : onsets) hits += onsets.count(at + lag) ? 1 : 0;
        return double(hits) / double(onsets.size());
    };
    const double simple = (repeats(1) + repeats(2) + repeats(4)) / 3;
    const double compound = (repeats(1.5) + repeats(4.5)) / 2;
    return compound > kCompoundFeel * simple;
}

int midiTruth(const char* path) {
    const std::vector<uint8_t> bytes = readAll(path);
    MidiReader r{bytes};
    if (r.take(4) != 0x4D546864) return unsteady("not a MIDI file");
    const uint32_t headerLength = r.take(4);
    r.take(2);
    const uint32_t tracks = r.take(2), division = r.take(2);
    r.at = 8 + headerLength;
    if (division == 0 || (division & 0x8000)) return unsteady("SMPTE time");
    MidiEvents events;
    for (uint32_t t = 0; t < tracks && r.at + 8 <= bytes.size(); ++t) {
        if (r.take(4) != 0x4D54726B) return unsteady("damaged track");
        const size_t length = r.take(4), end = std::min(bytes.size(), r.at + length);
        if (!readTrack(r, end, events)) return unsteady("damaged track");
        r.at = end;
    }
    if (events.firstNote == UINT64_MAX) return unsteady("no notes");
    if (shareOnGrid(events.notes, division) < kOnGrid) return unsteady("notes off the beat");
    if (!events.tempos.count(0)) events.tempos[0] = 500000.0;  // the files' default, 120 BPM

    // Seconds at each tempo change, up to the span after the first note.
    double seconds = 0.0, startSeconds = -1.0;
    uint64_t tick = 0;
    double perQuarter = events.tempos.begin()->second;
    std::vector<std::pair<double, double>> spans;  // (seconds, quarter BPM) in effect
    auto advance = [&](uint64_t to) {
        if (startSeconds < 0 && to >= events.firstNote) {
            startSeconds = seconds + double(events.firstNote - tick) * perQuarter / 1e6 / division;
        }
        const double length = double(to - tick) * perQuarter / 1e6 / division;
        if (startSeconds >= 0) {
            const double from = std::max(seconds, startSeconds);
            const double until = std::min(seconds + length, startSeconds + kSpan);
            if (until > from) spans.emplace_back(until - from, 6e7 / perQuarter);
        }
        seconds += length, tick = to;
    };
    for (const auto& [at, value] : events.tempos) {
        advance(at);
        perQuarter = value;
    }
    advance(std::max(tick, events.lastNote));
    double music = 0.0, weighted = 0.0, slowest = 1e9, fastest = 0.0;
    for (const auto& [length, bpm] : spans) {
        music += length, weighted += length * bpm;
        // A tempo held for less than a second is a ritardando's step or an editor's slip.
        if (length >= 1.0) slowest = std::min(slowest, bpm), fastest = std::max(fastest, bpm);
    }
    if (music < kShortest) return unsteady("too short");
    const double mean = weighted / music;
    if (fastest / mean > 1 + kSteadiness || mean / slowest > 1 + kSteadiness) {
        return unsteady("tempo changes");
    }
    int compound = -1;
    for (const auto& [at, value] : events.compound) {
        if (at > events.lastNote) break;
        if (compound >= 0 && compound != value) return unsteady("metre changes");
        compound = value;
    }
    const auto spanTicks = static_cast<uint64_t>(kSpan * mean / 60 * division);
    if (soundsCompound(events.notes, division, events.firstNote, events.firstNote + spanTicks)) {
        compound = 1;
    }
    std::printf("%.3f\n", compound == 1 ? mean * 2 / 3 : mean);
    return 0;
}

// --- Tracker modules -----------------------------------------------------

// Rows a beat: IT files keep it in their header (the pattern highlight); others use four.
int rowsPerBeat(const std::vector<uint8_t>& bytes) {
    if (bytes.size() > 0x20 && std::equal(bytes.begin(), bytes.begin() + 4, "IMPM")) {
        const int declared = bytes[0x1E];
        if (declared >= 2 && declared <= 16) return declared;
    }
    return 4;
}

int moduleTruth(const char* path, const char* wavPath) {
    const std::vector<uint8_t> bytes = readAll(path);
    constexpr int kRate = 44100, kBlock = 32;  // rows are found to within 0.7 ms
    try {
        openmpt::module module(bytes);
        module.set_repeat_count(0);
        luma::tools::WavFile wav(wavPath);
        if (!wav.ok()) return unsteady("cannot write the WAV file");
        std::vector<float> block(kBlock * 2);
        std::vector<double> rowStarts;  // seconds
        int64_t rendered = 0;
        int row = -1, order = -1;
        while (rendered < int64_t(kSpan * kRate)) {
            const size_t got = module.read_interleaved_stereo(kRate, kBlock, block.data());
            if (got == 0) break;
            if (module.get_current_row() != row || module.get_current_order() != order) {
                row = module.get_current_row(), order = module.get_current_order();
                rowStarts.push_back(double(rendered) / kRate);
            }
            wav.write(block.data(), got);
            rendered += int64_t(got);
        }
        if (double(rendered) / kRate < kShortest) return unsteady("too short");
        const int perBeat = rowsPerBeat(bytes);
        std::vector<double> beats;
        for (size_t i = 0; i < rowStarts.size(); i += perBeat) beats.push_back(rowStarts[i]);
        if (beats.size() < 17) return unsteady("too few beats");
        const double mean = (beats.back() - beats.front()) / double(beats.size() - 1);
        // Two bars at a time, so that a shuffle (rows of alternating length) stays steady.
        for (size_t i = 0; i + 8 < beats.size(); i += 4) {
            const double local = (beats[i + 8] - beats[i]) / 8;
            if (std::abs(local / mean - 1) > kSteadiness) return unsteady("tempo changes");
        }
        std::printf("%.3f\n", 60.0 / mean);
        return 0;
    } catch (const std::exception& error) {
        return unsteady(error.what());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string kind = argc > 1 ? argv[1] : "";
    if (kind == "midi" && argc == 3) return midiTruth(argv[2]);
    if (kind == "module" && argc == 4) return moduleTruth(argv[2], argv[3]);
    std::fprintf(stderr, "usage: tempo_truth midi FILE | tempo_truth module FILE OUT.wav\n");
    return 1;
}
