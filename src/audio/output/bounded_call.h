// Runs a call that a library may never return from (a stream stop on a
// sound server that went away) without making the caller wait past a limit.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace luma {

// Runs `work` on a thread of its own and waits for it at most `limit`.
// True when it finished in time; otherwise the thread goes on alone, owning
// whatever `work` captured, and the caller must not touch that again.
template <typename Work>
bool finishesWithin(std::chrono::milliseconds limit, Work work) {
    struct Done {
        std::mutex mutex;
        std::condition_variable changed;
        bool finished = false;
    };
    auto done = std::make_shared<Done>();
    std::thread([done, work = std::move(work)]() mutable {
        work();
        std::lock_guard lock(done->mutex);
        done->finished = true;
        done->changed.notify_all();
    }).detach();
    std::unique_lock lock(done->mutex);
    return done->changed.wait_for(lock, limit, [&] { return done->finished; });
}

}  // namespace luma
