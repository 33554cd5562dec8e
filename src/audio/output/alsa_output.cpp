#include "output/alsa_output.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>

#include "output/library_chatter.h"

namespace luma {

namespace {

constexpr int kChannels = 2;
// The device thread looks up this often even when the device says nothing,
// so that it notices a quit at once and a device that stopped.
constexpr int kWaitMs = 100;

}  // namespace

bool AlsaOutput::open(int /*device*/, int requestedRate, RenderCallback* callback) {
    close();
    if (callback == nullptr) return false;
    silenceLibraryChatter();
    // Non-blocking: a device another program holds is refused at once.
    if (snd_pcm_open(&pcm_, device_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
        pcm_ = nullptr;
        return false;
    }
    if (!configure(requestedRate > 0 ? requestedRate : 44100)) {
        snd_pcm_close(pcm_);
        pcm_ = nullptr;
        return false;
    }
    callback_ = callback;
    samples_.assign(static_cast<size_t>(period_) * kChannels, 0.0f);
    unwritten_ = 0;
    converted_.assign(float32_ ? 0 : samples_.size(), 0);
    failed_.store(false);
    quit_.store(false);
    thread_ = std::thread([this] { run(); });
    return true;
}

bool AlsaOutput::configure(int requestedRate) {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    if (snd_pcm_hw_params_any(pcm_, hw) < 0 ||
        snd_pcm_hw_params_set_access(pcm_, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_channels(pcm_, hw, kChannels) < 0) {
        return false;
    }
    float32_ = snd_pcm_hw_params_set_format(pcm_, hw, SND_PCM_FORMAT_FLOAT) == 0;
    if (!float32_ && snd_pcm_hw_params_set_format(pcm_, hw, SND_PCM_FORMAT_S16) < 0) return false;
    unsigned rate = static_cast<unsigned>(requestedRate);
    if (snd_pcm_hw_params_set_rate_near(pcm_, hw, &rate, nullptr) < 0) return false;
    snd_pcm_uframes_t period = kPeriodFrames;
    snd_pcm_hw_params_set_period_size_near(pcm_, hw, &period, nullptr);
    const int latencyMs = options_.latencyMs > 0 ? options_.latencyMs : kDefaultLatencyMs;
    snd_pcm_uframes_t buffer = std::max<snd_pcm_uframes_t>(
        2 * period, static_cast<snd_pcm_uframes_t>(rate) * latencyMs / 1000);
    snd_pcm_hw_params_set_buffer_size_near(pcm_, hw, &buffer);
    if (snd_pcm_hw_params(pcm_, hw) < 0) return false;
    snd_pcm_hw_params_get_period_size(hw, &period, nullptr);
    snd_pcm_hw_params_get_buffer_size(hw, &buffer);

    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    snd_pcm_sw_params_current(pcm_, sw);
    snd_pcm_sw_params_set_avail_min(pcm_, sw, period);
    // Starts once the buffer is full: what is written first is silence.
    snd_pcm_sw_params_set_start_threshold(pcm_, sw, buffer);
    if (snd_pcm_sw_params(pcm_, sw) < 0) return false;

    rate_ = static_cast<int>(rate);
    period_ = static_cast<int>(period);
    latencyFrames_ = static_cast<int>(buffer);
    return period_ > 0;
}

bool AlsaOutput::start() {
    if (pcm_ == nullptr || failed()) return false;
    gate_.open();
    return true;
}

bool AlsaOutput::stop() {
    if (pcm_ == nullptr) return false;
    gate_.close();
    return true;
}

void AlsaOutput::close() {
    if (pcm_ == nullptr) return;
    stop();
    quit_.store(true);
    if (thread_.joinable()) thread_.join();
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
    pcm_ = nullptr;
    callback_ = nullptr;
    rate_ = period_ = latencyFrames_ = 0;
}

void AlsaOutput::run() {
    // A device that keeps failing however it is recovered has gone (a
    // plugin whose server died reports errors for ever).
    constexpr int kErrorsForGone = 8;
    int errorsInARow = 0;
    while (!quit_.load() && errorsInARow < kErrorsForGone) {
        const int ready = snd_pcm_wait(pcm_, kWaitMs);
        if (ready == 0) continue;  // nothing asked for: the engine's watch tells a stall
        const snd_pcm_sframes_t room = ready < 0 ? ready : snd_pcm_avail_update(pcm_);
        if (room < 0) {
            // An underrun is recovered from; anything else that cannot be
            // is the end of the device (its server died, it was unplugged).
            if (room == -EPIPE) countXrun();
            if (snd_pcm_recover(pcm_, static_cast<int>(room), 1) < 0) break;
            ++errorsInARow;
            continue;
        }
        Written written = Written::Period;
        while (written == Written::Period && !quit_.load()) written = writeSome();
        errorsInARow = written == Written::Failed ? errorsInARow + 1 : 0;
    }
    if (!quit_.load()) failed_.store(true, std::memory_order_release);
}

void AlsaOutput::countXrun() {
    // The device ran dry when what it held after our last write was played;
    // the gap lasts until now, when we are back. (Not from the wall clock
    // between writes alone: a device that has not begun to play, as a sound
    // server's idle sink, also asks for nothing for a while.)
    const auto now = std::chrono::steady_clock::now();
    const double missing = std::chrono::duration<double>(now - dryAt_).count() * rate_ / period_;
    countUnderrun(dryAt_ != std::chrono::steady_clock::time_point{} && missing > 1.0
                      ? static_cast<uint64_t>(std::lround(missing))
                      : 1);
}

void AlsaOutput::renderPeriod() {
    countPeriod();
    if (gate_.tryEnter()) {
        callback_->renderAudio(samples_.data(), period_);
        gate_.leave();
    } else {
        std::fill(samples_.begin(), samples_.end(), 0.0f);
    }
    if (!float32_) {
        for (size_t i = 0; i < samples_.size(); ++i) {
            converted_[i] =
                static_cast<int16_t>(std::lround(std::clamp(samples_[i], -1.0f, 1.0f) * 32767.0f));
        }
    }
}

AlsaOutput::Written AlsaOutput::writeSome() {
    // A period is rendered only once the last one is all written, so that
    // nothing rendered is ever dropped when the device has no room.
    if (unwritten_ == 0) {
        renderPeriod();
        unwritten_ = period_;
    }
    const size_t offset = static_cast<size_t>(period_ - unwritten_) * kChannels;
    const void* data = float32_ ? static_cast<const void*>(samples_.data() + offset)
                                : static_cast<const void*>(converted_.data() + offset);
    const snd_pcm_sframes_t written =
        snd_pcm_writei(pcm_, data, static_cast<snd_pcm_uframes_t>(unwritten_));
    if (written >= 0) {
        unwritten_ -= static_cast<int>(written);
        snd_pcm_sframes_t held = 0;
        if (snd_pcm_delay(pcm_, &held) == 0 && held > 0) {
            dryAt_ = std::chrono::steady_clock::now() +
                     std::chrono::microseconds(held * 1000000 / rate_);
        }
        return unwritten_ == 0 ? Written::Period : Written::Full;
    }
    if (written == -EAGAIN) return Written::Full;
    if (written == -EPIPE) countXrun();
    return snd_pcm_recover(pcm_, static_cast<int>(written), 1) == 0 ? Written::Full
                                                                    : Written::Failed;
}

std::vector<AlsaDevice> alsaPlaybackDevices() {
    silenceLibraryChatter();
    std::vector<AlsaDevice> devices{{"default", "default"}};
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0) return devices;
    for (void** hint = hints; *hint != nullptr; ++hint) {
        char* name = snd_device_name_get_hint(*hint, "NAME");
        char* description = snd_device_name_get_hint(*hint, "DESC");
        char* direction = snd_device_name_get_hint(*hint, "IOID");  // null: both
        // Cards' devices ("hw:CARD=PCH,DEV=0", "front:...") and the sound
        // servers' plugins; not the converters and helpers ALSA also lists.
        const std::string pcm = name != nullptr ? name : "";
        const bool device = pcm.find(':') != std::string::npos || pcm == "pulse" ||
                            pcm == "pipewire" || pcm == "jack";
        if (device && (direction == nullptr || std::string(direction) == "Output")) {
            std::string text = description != nullptr ? description : "";
            std::replace(text.begin(), text.end(), '\n', ' ');
            devices.push_back({name, text.empty() ? name : std::string(name) + " - " + text});
        }
        free(name);
        free(description);
        free(direction);
    }
    snd_device_name_free_hint(hints);
    return devices;
}

}  // namespace luma
