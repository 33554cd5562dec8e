#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "output/output.h"

namespace luma {

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char wanted, char given) {
               return std::tolower(static_cast<unsigned char>(given)) == wanted;
           });
}

bool equalsNoCase(std::string_view text, std::string_view word) {
    return text.size() == word.size() && startsWithNoCase(text, word);
}

}  // namespace

OutputSelection outputSelectionFromEnvironment() {
    OutputSelection selection;
    const char* value = std::getenv("LUMATRONE_AUDIO");
    if (value == nullptr) return selection;
    const std::string_view text = value;
    if (equalsNoCase(text, "null")) {
        selection.kind = OutputKind::Null;
    } else if (equalsNoCase(text, "manual")) {
        selection.kind = OutputKind::Manual;
    } else if (startsWithNoCase(text, "wav:") && text.size() > 4) {
        // The path is taken as written; "wav:" without one is not a valid choice.
        selection.kind = OutputKind::Wav;
        selection.wavPath = text.substr(4);
    }
    return selection;
}

}  // namespace luma
