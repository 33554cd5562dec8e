#include "decode/module_decoder.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

#include "decode/pcm_decoder.h"

namespace luma {
namespace {

constexpr int kRate = 44100;
// Module files are small; anything larger is something else.
constexpr std::streamoff kLargestModule = 256 << 20;

bool probesAsModule(const std::vector<char>& bytes, uint64_t fileSize) {
    return openmpt_probe_file_header(OPENMPT_PROBE_FILE_HEADER_FLAGS_DEFAULT, bytes.data(),
                                     bytes.size(), fileSize, openmpt_log_func_silent, nullptr,
                                     nullptr, nullptr, nullptr,
                                     nullptr) == OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS;
}

std::vector<char> readWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return {};
    const std::streamoff size = file.tellg();
    if (size <= 0 || size > kLargestModule) return {};
    std::vector<char> bytes(static_cast<size_t>(size));
    file.seekg(0);
    if (!file.read(bytes.data(), size)) return {};
    return bytes;
}

// A module's length is the renderer's own estimate, so the frame count is
// fixed from it up front and the rendering is padded or cut to match. Seeking
// inside a module is not sample-exact; only the start is offered, by loading
// the module afresh so that playback state is as new.
class ModuleDecoder final : public PcmDecoder<int16_t> {
  public:
    ~ModuleDecoder() override { unload(); }

    bool open(const std::string& path) {
        bytes_ = readWholeFile(path);
        if (bytes_.empty() || !probesAsModule(bytes_, bytes_.size()) || !load()) return false;
        const double seconds = openmpt_module_get_duration_seconds(module_);
        if (!std::isfinite(seconds) || seconds <= 0.0) return false;
        setFormat(kRate, 2, SampleKind::Int16);
        info_.seekable = false;
        info_.frames = std::llround(seconds * kRate);
        return true;
    }

  protected:
    int64_t decodeSource(int16_t* out, int64_t frames) override {
        return static_cast<int64_t>(openmpt_module_read_interleaved_stereo(
            module_, kRate, static_cast<size_t>(std::min<int64_t>(frames, 1 << 16)), out));
    }

    bool seekSource(int64_t frame) override { return frame == 0 && load(); }

  private:
    bool load() {
        unload();
        module_ = openmpt_module_create_from_memory2(bytes_.data(), bytes_.size(),
                                                     openmpt_log_func_silent, nullptr, nullptr,
                                                     nullptr, nullptr, nullptr, nullptr);
        if (!module_) return false;
        openmpt_module_set_repeat_count(module_, 0);
        openmpt_module_ctl_set_text(module_, "play.at_end", "stop");
        // Random dither would make a replay from the start differ from the first play.
        openmpt_module_ctl_set_integer(module_, "dither", 0);
        return true;
    }

    void unload() {
        if (module_) openmpt_module_destroy(module_);
        module_ = nullptr;
    }

    std::vector<char> bytes_;
    openmpt_module* module_ = nullptr;
};

}  // namespace

std::unique_ptr<Decoder> openLibopenmptDecoder(const std::string& path) {
    auto decoder = std::make_unique<ModuleDecoder>();
    if (!decoder->open(path)) return nullptr;
    return decoder;
}

bool isTrackerModule(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return false;
    const auto fileSize = static_cast<uint64_t>(file.tellg());
    std::vector<char> head(
        std::min<uint64_t>(fileSize, openmpt_probe_file_header_get_recommended_size()));
    file.seekg(0);
    return file.read(head.data(), std::streamsize(head.size())) && probesAsModule(head, fileSize);
}

}  // namespace luma
