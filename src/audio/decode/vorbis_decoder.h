// Ogg Vorbis through libvorbisfile, whose ov_pcm_seek lands on the exact
// sample (libsndfile's Vorbis seeking does not).
#pragma once

#include <memory>
#include <string>

#include "decode/decoder.h"

namespace luma {

std::unique_ptr<Decoder> openVorbisDecoder(const std::string& path);

}  // namespace luma
