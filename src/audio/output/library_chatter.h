// ALSA and JACK report on stderr what they cannot do (every PCM a scan
// cannot open on a machine without a sound card, every server they find
// not running); a failure that matters reaches us through their results.
#pragma once

namespace luma {

// Sends both libraries' messages nowhere. Safe to call again.
void silenceLibraryChatter();

}  // namespace luma
