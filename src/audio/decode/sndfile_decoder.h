// WAV, AIFF, FLAC and the other formats libsndfile reads, apart from MPEG and
// Ogg, which have decoders of their own with exact lengths and seeking.
#pragma once

#include <memory>
#include <string>

#include "decode/decoder.h"

namespace luma {

std::unique_ptr<Decoder> openSndfileDecoder(const std::string& path);

}  // namespace luma
