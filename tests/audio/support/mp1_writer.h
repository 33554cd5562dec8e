// A minimal MPEG-1 Layer I encoder, because no packaged tool writes Layer I.
#pragma once

#include <string>

#include "support/audio_files.h"

namespace luma::test {

// Writes ceil(frames / 384) frames at 384 kbit/s (44100, 48000 or 32000 Hz;
// one or two channels). The audio is not the signal's waveform: each frame
// carries a tone at the centre of one subband (1875 Hz at 48000 Hz) whose
// level follows the signal's peak in that frame, so silence stays silent.
bool writeMpeg1Layer1(const std::string& path, const Signal& signal);

}  // namespace luma::test
