// Quantize and beat-sized loops, on the track's beat grid; without one they
// change nothing. A beat loop is the deck's ordinary loop (the same points,
// readouts, engine region and L lamp) whose size lights its button too.
#include <algorithm>

#include "deck/frm_main.h"
#include "deck/lamp_colours.h"

namespace luma {

std::optional<BeatGrid> FrmMain::beatGrid() {
    if (!audio_) return std::nullopt;
    return readBeatGrid(*audio_, state.Channel, state.BaseFreq);
}

int64_t FrmMain::quantized(int64_t position) {
    if (!state.QuantizeOn || position < 0) return position;
    const auto grid = beatGrid();
    if (!grid) return position;
    const int64_t length = trkPosition->max();
    const int64_t beat = grid->nearestBeat(position);
    // A beat past the end is no place to stand: the last one before it is.
    if (length > 0 && grid->beatBytes(beat) > length) {
        return grid->beatBytes(grid->beatAtOrBefore(length));
    }
    return grid->beatBytes(beat);
}

void FrmMain::Lum_Quantize() {
    state.QuantizeOn = !state.QuantizeOn;
    setSwitchLamp(cmdQuantize, state.QuantizeOn);
}

void FrmMain::Lum_BeatLoop(int beats) {
    if (!audio_ || beats <= 0) return;
    if (state.LoopOn != kFalse && state.BeatLoopBeats == beats) {  // the second press
        state.LoopOn = kFalse;
        state.BeatLoopBeats = 0;
        syncLoop();
        showLoopLamps();
        return;
    }
    const auto grid = beatGrid();
    const int64_t position = channelPosition();
    if (!grid || position < 0) return;
    const int64_t first = grid->beatAtOrBefore(position);
    const int64_t start = grid->beatBytes(first);
    int64_t end = grid->beatBytes(first + beats);
    const int64_t length = trkPosition->max();
    if (length > 0) end = std::min(end, length);  // the engine wraps at the track's end
    if (end <= start) return;
    state.LoopStart = start;
    state.LoopEnd = end;
    state.LoopOn = kTrue;
    state.BeatLoopBeats = beats;
    lblinfo(6)->setText(TimeText(start));
    lblinfo(7)->setText(TimeText(end));
    syncLoop();
    showLoopLamps();
}

void FrmMain::endBeatLoop() {
    if (state.BeatLoopBeats == 0) return;
    state.BeatLoopBeats = 0;
    showLoopLamps();
}

void FrmMain::showLoopLamps() {
    setSwitchLamp(cmdLooped, state.LoopOn != kFalse);
    for (int beats : kBeatLoopSizes) {
        setSwitchLamp(cmdBeatLoop(beats), state.LoopOn != kFalse && state.BeatLoopBeats == beats);
    }
}

}  // namespace luma
