// Tracker modules through libopenmpt, rendered once through at 44100 Hz stereo.
#pragma once

#include <memory>
#include <string>

#include "decode/decoder.h"

namespace luma {

std::unique_ptr<Decoder> openLibopenmptDecoder(const std::string& path);

// libopenmpt's own judgement from the file's header.
bool isTrackerModule(const std::string& path);

}  // namespace luma
