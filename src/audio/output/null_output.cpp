#include "output/null_output.h"

#include <pthread.h>
#include <sched.h>

#include <chrono>

namespace luma {

namespace {

// Like a sound server's client thread; failure (no privilege) just leaves it normal.
void tryRealtimePriority() {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO) + 9;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

}  // namespace

bool NullOutput::open(int device, int requestedRate, RenderCallback* callback) {
    close();
    if ((device != 0 && device != -1) || callback == nullptr) return false;
    callback_ = callback;
    rate_ = requestedRate > 0 ? requestedRate : kDefaultRate;
    buffer_ = std::make_unique<float[]>(kPeriodFrames * 2);
    quit_ = false;
    thread_ = std::thread([this] { run(); });
    pthread_setname_np(thread_.native_handle(), "luma-audio");  // for profilers and top -H
    return true;
}

bool NullOutput::start() {
    if (!thread_.joinable()) return false;
    {
        std::lock_guard lock(mutex_);
        running_.store(true);
    }
    wake_.notify_one();
    return true;
}

bool NullOutput::stop() {
    if (!thread_.joinable()) return false;
    {
        std::lock_guard lock(mutex_);
        running_.store(false);
    }
    // Waits out at most the period being rendered, never the sleep after it.
    // From inside the callback there is nothing to wait for (and waiting would hang).
    if (std::this_thread::get_id() == thread_.get_id()) return true;
    while (rendering_.load()) std::this_thread::yield();
    return true;
}

void NullOutput::close() {
    if (!thread_.joinable()) return;
    stop();
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    thread_.join();
    callback_ = nullptr;
    rate_ = 0;
    buffer_.reset();
}

void NullOutput::run() {
    tryRealtimePriority();
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || running_.load(); });
            if (quit_) return;
        }
        renderWhileRunning();
    }
}

void NullOutput::renderWhileRunning() {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(double(kPeriodFrames) / rate_));
    // Past this much lateness (a stall, a suspended machine) catching up would
    // burst many periods at once; start the schedule afresh instead.
    const auto maxLag = 4 * period;
    auto deadline = Clock::now();
    for (;;) {
        rendering_.store(true);
        if (!running_.load()) {
            rendering_.store(false);
            return;
        }
        callback_->renderAudio(buffer_.get(), kPeriodFrames);
        if (sink_) sink_->periodRendered(buffer_.get(), kPeriodFrames);
        rendering_.store(false);

        // A card would have played this period from `deadline` on and wanted
        // the next one a period later: finishing after that is an underrun.
        const auto now = Clock::now();
        if (now > deadline + period) countUnderrun();
        deadline += period;
        if (now > deadline + maxLag) deadline = now + period;
        std::this_thread::sleep_until(deadline);
    }
}

}  // namespace luma
