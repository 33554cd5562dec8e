// A thread that runs a tick at a fixed interval until it is told to end,
// and whose end never waits long for a tick stuck in a library call.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace luma {

class WatchThread {
  public:
    WatchThread() = default;
    ~WatchThread() { stop(std::chrono::milliseconds(100)); }
    WatchThread(const WatchThread&) = delete;
    WatchThread& operator=(const WatchThread&) = delete;

    // `tick(ending)` runs every `interval`; `ending` turns true when stop()
    // is called, and a tick must then leave whatever it shares with others
    // alone (it may be running after stop() has returned).
    template <typename Tick>
    void start(std::chrono::milliseconds interval, Tick tick) {
        stop(std::chrono::milliseconds(0));
        state_ = std::make_shared<State>();
        thread_ = std::thread([state = state_, interval, tick = std::move(tick)]() mutable {
            std::unique_lock lock(state->mutex);
            while (!state->changed.wait_for(lock, interval, [&] { return state->ending.load(); })) {
                lock.unlock();
                tick(state->ending);
                lock.lock();
            }
            state->done = true;
            state->changed.notify_all();
        });
    }

    // Ends the thread, waiting at most `limit` for a tick in progress; one
    // that takes longer finishes on its own.
    void stop(std::chrono::milliseconds limit) {
        if (!thread_.joinable()) return;
        std::unique_lock lock(state_->mutex);
        state_->ending.store(true);
        state_->changed.notify_all();
        const bool done = state_->changed.wait_for(lock, limit, [&] { return state_->done; });
        lock.unlock();
        if (done) {
            thread_.join();
        } else {
            thread_.detach();
        }
        state_.reset();
    }

  private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::atomic<bool> ending{false};
        bool done = false;
    };
    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace luma
