// Decodes a file into its Track on a thread of its own, in chunks, jumping
// ahead to where playback needs data first (after a seek) when the decoder
// can seek exactly.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/track.h"
#include "decode/decoder.h"

namespace luma {

class TrackLoader {
  public:
    // Runs on the loader's thread once the whole track is decoded; it should return soon
    // after `stop` is requested, as the loader's end waits for it.
    using AfterLoad = std::function<void(const Track& track, const std::stop_token& stop)>;

    // `downmix` folds a stereo source into the track's single channel.
    TrackLoader(std::unique_ptr<Decoder> decoder, std::shared_ptr<Track> track, bool downmix,
                AfterLoad afterLoad = {});
    ~TrackLoader();  // stops and joins the thread
    TrackLoader(const TrackLoader&) = delete;
    TrackLoader& operator=(const TrackLoader&) = delete;

    // Any thread, the audio thread included: decode around `frame` next.
    void want(int64_t frame) noexcept { wanted_.store(frame, std::memory_order_relaxed); }

    // Control thread: blocks until `frame`'s neighbourhood is decoded or
    // `timeoutMs` passes. True when ready.
    bool waitFor(int64_t frame, int timeoutMs);
    // Control thread: blocks until the whole track is decoded or `timeoutMs` passes.
    bool waitUntilLoaded(int timeoutMs);

  private:
    void run(const std::stop_token& stop);
    int64_t nextChunk(int64_t after);
    void decodeChunk(int64_t chunk);

    std::unique_ptr<Decoder> decoder_;
    std::shared_ptr<Track> track_;
    bool downmix_;
    AfterLoad afterLoad_;
    int64_t decoderFrame_ = 0;  // where the decoder stands
    std::atomic<int64_t> wanted_{-1};
    std::mutex progressMutex_;
    std::condition_variable progress_;
    std::jthread thread_;
};

}  // namespace luma
