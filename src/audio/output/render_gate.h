// Lets a control thread shut the audio thread out of shared
// state without the audio thread ever waiting: a render that finds the gate
// closed outputs silence instead.
#pragma once

#include <atomic>
#include <thread>

namespace luma {

class RenderGate {
  public:
    // Audio thread. True when the render may touch engine state; pair with leave().
    bool tryEnter() noexcept {
        inFlight_.fetch_add(1, std::memory_order_seq_cst);
        if (open_.load(std::memory_order_seq_cst)) return true;
        inFlight_.fetch_sub(1, std::memory_order_seq_cst);
        return false;
    }
    void leave() noexcept { inFlight_.fetch_sub(1, std::memory_order_seq_cst); }

    // Control thread: after close() returns no render is inside, and none enters.
    void close() noexcept {
        open_.store(false, std::memory_order_seq_cst);
        while (inFlight_.load(std::memory_order_seq_cst) != 0) std::this_thread::yield();
    }
    void open() noexcept { open_.store(true, std::memory_order_seq_cst); }
    bool isOpen() const noexcept { return open_.load(std::memory_order_seq_cst); }

  private:
    std::atomic<bool> open_{false};
    std::atomic<int> inFlight_{0};
};

}  // namespace luma
