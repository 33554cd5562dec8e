#include "core/mixer.h"

#include <algorithm>
#include <chrono>

namespace luma {

namespace {
// Global volume changes glide over this long so they never click.
constexpr double kGlobalGlideSeconds = 0.005;
}  // namespace

Mixer::Mixer() {
    channels_.reserve(kMaxChannels);  // the audio thread never grows it
    streamGain_.jumpTo(1.0);
    musicGain_.jumpTo(1.0);
}

void Mixer::configure(double outputRate, int latencyFrames) noexcept {
    outputRate_ = outputRate;
    latency_ = latencyFrames;
    limiter_.setSampleRate(outputRate);
    limiter_.reset();
}

void Mixer::applyCommands() noexcept {
    const RenderContext context = this->context();
    const auto glide = static_cast<int64_t>(kGlobalGlideSeconds * outputRate_);
    while (auto command = queue_.pop()) {
        switch (command->type) {
            case Command::Type::AddChannel:
                if (channels_.size() < channels_.capacity()) channels_.push_back(command->channel);
                break;
            case Command::Type::RemoveChannel: {
                auto found = std::find(channels_.begin(), channels_.end(), command->channel);
                if (found != channels_.end()) {
                    *found = channels_.back();
                    channels_.pop_back();
                }
                break;
            }
            case Command::Type::GlobalVolumes:
                if (command->streamVolume >= 0) streamGain_.glideTo(command->streamVolume, glide);
                if (command->musicVolume >= 0) musicGain_.glideTo(command->musicVolume, glide);
                break;
            default:
                command->channel->apply(*command, context);
                break;
        }
    }
}

void Mixer::renderBlock(float* interleaved, int frames) noexcept {
    std::fill_n(streamLeft_.begin(), frames, 0.0f);
    std::fill_n(streamRight_.begin(), frames, 0.0f);
    std::fill_n(musicLeft_.begin(), frames, 0.0f);
    std::fill_n(musicRight_.begin(), frames, 0.0f);
    const RenderContext context = this->context();
    for (PlayChannel* channel : channels_) {
        if (channel->isModule()) {
            channel->render(context, frames, musicLeft_.data(), musicRight_.data());
        } else {
            channel->render(context, frames, streamLeft_.data(), streamRight_.data());
        }
    }
    for (int i = 0; i < frames; ++i) {
        const auto stream = static_cast<float>(streamGain_.current);
        const auto music = static_cast<float>(musicGain_.current);
        interleaved[2 * i] = streamLeft_[i] * stream + musicLeft_[i] * music;
        interleaved[2 * i + 1] = streamRight_[i] * stream + musicRight_[i] * music;
        streamGain_.advance(1);
        musicGain_.advance(1);
    }
    limiter_.process(interleaved, frames);
    const int64_t end = context.outFrame + frames;
    outFrame_.store(end, std::memory_order_release);
    for (PlayChannel* channel : channels_) channel->publish(context, end);
}

bool Mixer::render(float* interleaved, int frames) noexcept {
    if (!gate_.tryEnter()) {
        std::fill_n(interleaved, static_cast<size_t>(frames) * 2, 0.0f);
        return false;
    }
    const auto started = std::chrono::steady_clock::now();
    applyCommands();
    beats_ = session_ ? session_->capture(outFrame_.load(std::memory_order_relaxed), outputRate_,
                                          latency_)
                      : SessionBeats{};
    for (int done = 0; done < frames;) {
        const int n = std::min(frames - done, PlayChannel::kMaxBlock);
        renderBlock(interleaved + static_cast<size_t>(done) * 2, n);
        done += n;
    }
    // Share of the period spent here, smoothed over roughly twenty periods.
    const double spent =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double period = frames / outputRate_;
    const float load = static_cast<float>(100.0 * spent / period);
    const float previous = cpu_.load(std::memory_order_relaxed);
    cpu_.store(previous + 0.05f * (load - previous), std::memory_order_relaxed);
    epoch_.fetch_add(1, std::memory_order_acq_rel);
    gate_.leave();
    return true;
}

}  // namespace luma
