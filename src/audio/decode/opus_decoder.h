// Ogg Opus through libopusfile, which decodes at 48000 Hz whatever rate the
// file was encoded from, and seeks to the exact sample.
#pragma once

#include <memory>
#include <string>

#include "decode/decoder.h"

namespace luma {

std::unique_ptr<Decoder> openOpusDecoder(const std::string& path);

}  // namespace luma
