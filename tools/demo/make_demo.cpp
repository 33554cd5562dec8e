// make_demo: the demo tracks that ship beside the deck, played by the drum
// machine, so that a new user can double-click something and hear it at once.
// Deterministic: the same files every build. Each WAV carries an ID3v1 tag at
// its end, after the audio (WAV readers skip it; the deck's tag display shows it).
//
//   make_demo OUTPUT_FOLDER
#include <cstdio>
#include <string>

#include "drums/beat_tracks.h"
#include "wav_file.h"

namespace {

using luma::drums::BeatStyle;

struct Track {
    std::string file;
    std::string title;
    int genre;  // ID3v1 genre code
    int bars;
    luma::drums::BeatTrackRecipe recipe;
};

// Fixed-width tag text, padded with blanks as taggers often do.
std::string field(const std::string& text, size_t width) {
    std::string padded = text.substr(0, width);
    padded.resize(width, ' ');
    return padded;
}

bool write(const std::string& path, const Track& track) {
    luma::drums::BeatTrackRecipe recipe = track.recipe;
    recipe.seconds = track.bars * 4 * 60.0 / recipe.bpm;
    const luma::drums::BeatTrack audio = luma::drums::renderBeatTrack(recipe);
    luma::tools::WavFile wav(path);
    if (!wav.ok()) return false;
    wav.write(audio.samples.data(), audio.samples.size() / 2);
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
        {"House Groove 124.wav",
         "House Groove",
         35,
         16,
         {.bpm = 124.0, .style = BeatStyle::fourOnTheFloor, .bassline = true, .pad = true}},
        {"Techno Drive 132.wav",
         "Techno Drive",
         18,
         16,
         {.bpm = 132.0, .style = BeatStyle::syncopatedKick, .bassline = true, .seed = 2}},
        {"Broken Beat 96.wav",
         "Broken Beat",
         7,
         12,
         {.bpm = 96.0, .style = BeatStyle::breakbeat, .bassline = true, .seed = 3}},
    };
    for (const Track& track : tracks) {
        const std::string path = std::string(argv[1]) + "/" + track.file;
        if (!write(path, track)) {
            std::fprintf(stderr, "make_demo: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
