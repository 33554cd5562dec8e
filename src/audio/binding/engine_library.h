// The engine library loaded at run time from the deck's program folder.
#pragma once

#include <memory>
#include <string>

#include "binding/audio_library.h"

namespace luma {

// The file the deck looks for in its program folder.
inline constexpr const char* kEngineLibraryFile = "liblumaaudio.so";

// Loads `path` and resolves every call; nullptr when the file cannot be
// loaded or lacks a call (`error` then says why).
std::unique_ptr<AudioLibrary> loadEngineLibrary(const std::string& path, std::string* error);

}  // namespace luma
