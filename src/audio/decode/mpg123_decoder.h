// MPEG audio layers I-III through libmpg123: gapless (the encoder delay and
// padding a LAME tag records are removed), with a scanned, exact length and
// sample-exact seeks. Call only for files findMpegSync() accepts.
#pragma once

#include <memory>
#include <string>

#include "decode/decoder.h"

namespace luma {

std::unique_ptr<Decoder> openMpg123Decoder(const std::string& path);

}  // namespace luma
