#include "output/wav_recorder.h"

#include <pthread.h>
#include <sys/stat.h>

#include <chrono>
#include <vector>

namespace luma {

namespace {

constexpr int kChannels = 2;
// The render thread cannot wake the writer without risking a system call, so
// the writer looks at the ring on its own at this pace.
constexpr auto kPollInterval = std::chrono::milliseconds(10);
constexpr size_t kChunkFrames = 4096;

}  // namespace

bool WavRecorder::open(const std::string& path, int rate) {
    close();
    // Only a new or a regular file: opening a FIFO for writing waits for a
    // reader for ever, and a device is no recording.
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) return false;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = kChannels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    file_ = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file_ == nullptr) return false;
    // Without clipping, libsndfile wraps samples beyond full scale around.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    ring_.reset();
    dropped_.store(0);
    quit_ = false;
    writer_ = std::thread([this] { writeLoop(); });
    pthread_setname_np(writer_.native_handle(), "luma-wav-writer");  // for profilers and top -H
    return true;
}

void WavRecorder::close() {
    if (writer_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        writer_.join();
    }
    if (file_ != nullptr) {
        sf_close(file_);  // writes the final header
        file_ = nullptr;
    }
}

void WavRecorder::periodRendered(const float* interleavedStereo, int frames) noexcept {
    const size_t room = ring_.writable() / kChannels;
    const size_t kept = std::min(room, static_cast<size_t>(frames));
    ring_.write(interleavedStereo, kept * kChannels);
    if (kept < static_cast<size_t>(frames)) {
        dropped_.fetch_add(static_cast<int64_t>(frames - kept), std::memory_order_relaxed);
    }
}

void WavRecorder::writeLoop() {
    std::vector<float> chunk(kChunkFrames * kChannels);
    std::unique_lock lock(mutex_);
    for (;;) {
        const bool quitting = quit_;
        lock.unlock();
        const bool wrote = drain(chunk);
        if (wrote) sf_command(file_, SFC_UPDATE_HEADER_NOW, nullptr, 0);
        lock.lock();
        // The producer has stopped before quit_ is set, so this drain got everything.
        if (quitting) return;
        wake_.wait_for(lock, kPollInterval, [this] { return quit_; });
    }
}

bool WavRecorder::drain(std::vector<float>& chunk) {
    bool wrote = false;
    for (;;) {
        const size_t frames = ring_.read(chunk.data(), chunk.size()) / kChannels;
        if (frames == 0) return wrote;
        const sf_count_t written = sf_writef_float(file_, chunk.data(), sf_count_t(frames));
        if (written < sf_count_t(frames)) {
            dropped_.fetch_add(int64_t(frames) - written, std::memory_order_relaxed);
        }
        wrote = true;
    }
}

}  // namespace luma
