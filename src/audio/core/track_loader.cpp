#include "core/track_loader.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>

#include "core/frame_reader.h"

namespace luma {

TrackLoader::TrackLoader(std::unique_ptr<Decoder> decoder, std::shared_ptr<Track> track,
                         bool downmix, AfterLoad afterLoad)
    : decoder_(std::move(decoder)),
      track_(std::move(track)),
      downmix_(downmix),
      afterLoad_(std::move(afterLoad)) {
    thread_ = std::jthread([this](const std::stop_token& stop) { run(stop); });
    pthread_setname_np(thread_.native_handle(), "luma-loader");  // for profilers and top -H
}

TrackLoader::~TrackLoader() {
    thread_.request_stop();
    if (thread_.joinable()) thread_.join();
}

bool TrackLoader::waitFor(int64_t frame, int timeoutMs) {
    const int64_t span = Track::kChunkFrames;
    want(frame);
    std::unique_lock lock(progressMutex_);
    return progress_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return track_->rangeReady(frame, span); });
}

bool TrackLoader::waitUntilLoaded(int timeoutMs) {
    if (track_->fullyLoaded()) return true;
    std::unique_lock lock(progressMutex_);
    return progress_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return track_->fullyLoaded(); });
}

void TrackLoader::run(const std::stop_token& stop) {
    int64_t previous = -1;
    while (!stop.stop_requested()) {
        const int64_t chunk = nextChunk(previous);
        if (chunk < 0) break;
        decodeChunk(chunk);
        {
            std::lock_guard lock(progressMutex_);
            track_->markReady(chunk);
        }
        progress_.notify_all();
        previous = chunk;
    }
    {
        std::lock_guard lock(progressMutex_);
        decoder_.reset();  // closes the file as soon as the track is in memory
    }
    if (afterLoad_ && !stop.stop_requested() && track_->fullyLoaded()) afterLoad_(*track_, stop);
}

int64_t TrackLoader::nextChunk(int64_t after) {
    const int64_t count = track_->chunkCount();
    const int64_t wanted = wanted_.exchange(-1, std::memory_order_relaxed);
    if (wanted >= 0 && decoder_->info().seekable) {
        const int64_t chunk = std::min(wanted / Track::kChunkFrames, count - 1);
        if (chunk >= 0 && !track_->chunkReady(chunk)) return chunk;
    }
    // Carry on from the last chunk, then fill the holes from the start.
    for (int64_t chunk = after + 1; chunk < count; ++chunk) {
        if (!track_->chunkReady(chunk)) return chunk;
    }
    for (int64_t chunk = 0; chunk < count; ++chunk) {
        if (!track_->chunkReady(chunk)) return chunk;
    }
    return -1;
}

void TrackLoader::decodeChunk(int64_t chunk) {
    const int64_t first = chunk * Track::kChunkFrames;
    const int64_t frames = std::min(Track::kChunkFrames, track_->frames() - first);
    if (first != decoderFrame_) {
        if (!decoder_->seek(first)) {
            // A decoder that cannot land here leaves the chunk silent
            // rather than misplacing audio.
            decoderFrame_ = -1;
        } else {
            decoderFrame_ = first;
        }
    }
    const int channels = track_->channels();
    int64_t got = 0;
    if (decoderFrame_ == first) {
        got = track_->kind() == SampleKind::Int16
                  ? readFrames(*decoder_, track_->int16Frames(first), frames, downmix_)
                  : readFrames(*decoder_, track_->floatFrames(first), frames, downmix_);
        decoderFrame_ = first + got;
    }
    // A decoder that ends early leaves silence, never stale memory.
    if (got < frames) {
        if (track_->kind() == SampleKind::Int16) {
            std::fill_n(track_->int16Frames(first + got), (frames - got) * channels, int16_t{0});
        } else {
            std::fill_n(track_->floatFrames(first + got), (frames - got) * channels, 0.0f);
        }
    }
}

}  // namespace luma
