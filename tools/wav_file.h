// A 16-bit stereo 44100 Hz WAV writer for the tools: samples in, header
// sizes rewritten when the file is closed.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace luma::tools {

class WavFile {
  public:
    explicit WavFile(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
        if (file_) writeHeader();
    }
    ~WavFile() { close(); }
    WavFile(const WavFile&) = delete;
    WavFile& operator=(const WavFile&) = delete;

    bool ok() const { return file_ != nullptr; }
    void write(const float* interleaved, size_t frames) {
        for (size_t i = 0; i < frames * 2; ++i) {
            const double v = std::clamp(static_cast<double>(interleaved[i]), -1.0, 1.0);
            put(static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767.0))), 2);
        }
        frames_ += frames;
    }
    // Bytes after the audio that are not part of it (a tag, say).
    void append(const std::string& bytes) { trailer_ += bytes; }
    bool close() {
        if (!file_) return false;
        std::fwrite(trailer_.data(), 1, trailer_.size(), file_);
        std::fseek(file_, 0, SEEK_SET);
        writeHeader();
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        return closed;
    }

  private:
    void put(uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), file_);
    }
    void writeHeader() {
        const auto dataBytes = static_cast<uint32_t>(frames_ * 4);
        std::fputs("RIFF", file_);
        put(36 + dataBytes, 4);
        std::fputs("WAVEfmt ", file_);
        put(16, 4);
        put(1, 2);  // PCM
        put(2, 2);  // stereo
        put(44100, 4);
        put(44100 * 4, 4);
        put(4, 2);
        put(16, 2);
        std::fputs("data", file_);
        put(dataBytes, 4);
    }

    std::FILE* file_;
    size_t frames_ = 0;
    std::string trailer_;
};

}  // namespace luma::tools
