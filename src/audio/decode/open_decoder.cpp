// Chooses a decoder by what a file holds, never by its name.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "decode/decoder.h"
#include "decode/module_decoder.h"
#include "decode/mpeg_sync.h"
#include "decode/mpg123_decoder.h"
#include "decode/opus_decoder.h"
#include "decode/sndfile_decoder.h"
#include "decode/vorbis_decoder.h"

namespace luma {
namespace {

// Devices, pipes and folders are refused before anything opens them: opening
// a pipe would wait for a writer.
bool isReadableFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::ifstream file(path, std::ios::binary);
    return file.good() && file.peek() != std::ifstream::traits_type::eof();
}

bool startsWith(const std::string& path, const char (&magic)[5]) {
    char head[4] = {};
    std::ifstream file(path, std::ios::binary);
    return file.read(head, 4) && std::equal(head, head + 4, magic);
}

}  // namespace

std::unique_ptr<Decoder> openStreamDecoder(const std::string& path) {
    if (!isReadableFile(path)) return nullptr;
    if (startsWith(path, "OggS")) {
        if (auto opus = openOpusDecoder(path)) return opus;
        return openVorbisDecoder(path);
    }
    const MpegSync mpeg = findMpegSync(path);
    if (mpeg.found) {
        // Modules store samples after their own header, and some (MO3) store
        // them as MPEG frames; those are modules, not MPEG streams.
        if (mpeg.afterOtherData && isTrackerModule(path)) return nullptr;
        return openMpg123Decoder(path);
    }
    return openSndfileDecoder(path);
}

std::unique_ptr<Decoder> openModuleDecoder(const std::string& path) {
    if (!isReadableFile(path)) return nullptr;
    return openLibopenmptDecoder(path);
}

}  // namespace luma
