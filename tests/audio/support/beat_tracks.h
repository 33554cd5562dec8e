// The drum machine's tracks as test signals.
#pragma once

#include <utility>

#include "drums/beat_tracks.h"
#include "support/audio_files.h"

namespace luma::test {

using drums::BeatStyle;
using drums::BeatTrackRecipe;
using drums::styleName;

inline Signal makeBeatTrack(const BeatTrackRecipe& recipe) {
    drums::BeatTrack track = drums::renderBeatTrack(recipe);
    return {std::move(track.samples), track.channels, track.rate};
}

}  // namespace luma::test
