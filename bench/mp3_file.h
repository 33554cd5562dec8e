// MP3 material for the loading benchmarks, encoded by lame from a 16-bit WAV.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/audio_files.h"

namespace luma::bench {

// Writes `signal` as an MP3 of `kbps` (with its LAME tag); false if lame failed.
inline bool writeMp3(const std::string& path, const test::Signal& signal, int kbps) {
    const std::string source = path + ".source.wav";
    if (!test::writeWav16(source, signal)) return false;
    const std::string command = "lame --quiet --noreplaygain -b " + std::to_string(kbps) + " '" +
                                source + "' '" + path + "' 1>&2";
    const int status = std::system(command.c_str());
    std::filesystem::remove(source);
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace luma::bench
