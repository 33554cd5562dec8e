// The commands a controller, a key or a button gives the deck, named apart
// from where they come from so that MIDI and the keyboard share one list.
#pragma once

namespace luma {

enum class DeckCommand {
    PlayPause,
    Stop,
    Cue,
    JogBack,
    JogForward,
    JogEnd,
    Quit,
    Sync,
    Quantize,
    KeyLock,
    BeatLoop1,
    BeatLoop2,
    BeatLoop4,
    BeatLoop8,
    BeatLoop16,
};

// The length in beats of a beat-loop command; 0 for any other.
constexpr int beatLoopBeats(DeckCommand command) {
    switch (command) {
        case DeckCommand::BeatLoop1:
            return 1;
        case DeckCommand::BeatLoop2:
            return 2;
        case DeckCommand::BeatLoop4:
            return 4;
        case DeckCommand::BeatLoop8:
            return 8;
        case DeckCommand::BeatLoop16:
            return 16;
        default:
            return 0;
    }
}

}  // namespace luma
