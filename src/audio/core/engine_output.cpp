// Keeping the output alive: a sound server that restarts, a JACK server
// killed and started again, a stream that fails. The deck and its state
// live on; the track is heard again, at the position it had reached, once
// the device is back.
#include <cmath>

#include "core/engine.h"
#include "output/bounded_call.h"

namespace luma {

namespace {

constexpr auto kWatchInterval = std::chrono::milliseconds(100);
// A running output that has not called for this many ticks has stopped.
constexpr int kQuietTicksForLost = 10;
// Reopening is tried this often (in ticks) while the device is away.
constexpr int kTicksBetweenTries = 5;
// Closing an output whose server has gone may hang in its library.
constexpr auto kCloseLimit = std::chrono::milliseconds(300);

}  // namespace

void Engine::closeOutput(std::unique_ptr<Output> output) {
    if (!output) return;
    if (!output->successor()) {  // cannot fail, and a WAV file must be complete
        output->close();
        return;
    }
    finishesWithin(kCloseLimit,
                   [output = std::shared_ptr<Output>(std::move(output))] { output->close(); });
}

void Engine::startWatch() {
    if (!output_ || !output_->successor()) return;
    watch_.start(kWatchInterval, [this, watch = Watch{}](const std::atomic<bool>& ending) mutable {
        watchOutput(watch, ending);
    });
}

void Engine::watchOutput(Watch& watch, const std::atomic<bool>& ending) {
    if (!watch.replacement) {
        std::unique_lock lock(mutex_, std::try_to_lock);
        if (!lock.owns_lock() || ending) return;
        closeOutput(setAsideLostOutput(watch));
        return;
    }
    if (++watch.ticksSinceTry < kTicksBetweenTries) return;
    watch.ticksSinceTry = 0;
    // Opened without the lock, which a server that does not answer could
    // hold for a long time; the output renders nothing before start().
    if (!watch.replacement->open(-1, watch.rate, &mixer_)) return;
    std::unique_lock lock(mutex_, std::defer_lock);
    while (!lock.try_lock()) {
        if (ending) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!lock.owns_lock() || ending) {
        watch.replacement->close();
        return;
    }
    installOutput(std::move(watch.replacement));
    watch.quietTicks = 0;
}

std::unique_ptr<Output> Engine::setAsideLostOutput(Watch& watch) {
    if (!output_) return nullptr;
    const uint64_t periods = output_->periods();
    watch.quietTicks = started_ && periods == watch.periods ? watch.quietTicks + 1 : 0;
    watch.periods = periods;
    if (!output_->failed() && watch.quietTicks < kQuietTicksForLost) return nullptr;

    output_->stop();  // nothing of it renders after this
    mixer_.gate().close();
    // Until the output is back, commands are applied here and positions stand still.
    mixer_.applyPending();
    outputLost_ = true;
    lostUnderruns_ += output_->underruns();
    watch.replacement = output_->successor();
    watch.rate = static_cast<int>(std::lround(mixer_.outputRate()));
    watch.ticksSinceTry = kTicksBetweenTries - 1;  // first try at the next tick
    return std::move(output_);
}

void Engine::installOutput(std::unique_ptr<Output> output) {
    mixer_.configure(output->sampleRate(), output->latencyFrames());
    output_ = std::move(output);
    outputLost_ = false;
    if (!started_) return;
    mixer_.gate().open();
    if (!output_->start()) mixer_.gate().close();
}

}  // namespace luma
