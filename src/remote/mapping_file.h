// The mapping file: one binding a line, read into a Mapping. Lines that do
// not read are skipped and kept in Mapping::problems with their file, line
// and reason; the rest of the file still counts. The README lists the lines.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "remote/mapping.h"

namespace luma {

// `fileName` only names the text in problems.
Mapping parseMapping(std::string_view text, const std::string& fileName);

// A file that cannot be read is one problem, on line 0.
Mapping readMappingFile(const std::string& path);

// The names the file gives commands, controls and lamps.
std::optional<DeckCommand> commandNamed(std::string_view name);
std::optional<DeckControl> controlNamed(std::string_view name);
std::optional<Lamp> lampNamed(std::string_view name);

}  // namespace luma
