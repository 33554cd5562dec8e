#include "deck/deck_timer.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QVarLengthArray>
#include <algorithm>
#include <numeric>
#include <vector>

namespace luma {

using Clock = DeckTimer::Clock;
using std::chrono::milliseconds;

// Wakes for the earliest enabled timer and runs every timer that is ready
// by then, in the order of their due times.
class DeckClock : public QObject {
  public:
    // One clock for the application, ended with it.
    static DeckClock& instance() {
        if (!clock_) clock_ = new DeckClock(QCoreApplication::instance());
        return *clock_;
    }
    static DeckClock* existing() { return clock_; }

    Clock::time_point origin() const { return origin_; }
    uint64_t wakeups() const { return wakeups_; }

    void add(DeckTimer* timer) {
        if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end()) {
            timers_.push_back(timer);
        }
        arm();
    }

    void remove(DeckTimer* timer) {
        timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
        arm();
    }

  private:
    explicit DeckClock(QObject* parent) : QObject(parent) {
        alarm_.setSingleShot(true);
        alarm_.setTimerType(Qt::PreciseTimer);
        connect(&alarm_, &QTimer::timeout, this, &DeckClock::wake);
    }
    void arm() {
        // Woken for the earliest due tick; a timer that may run early does
        // so on a wakeup that is there anyway, never on one of its own.
        const DeckTimer* next = nullptr;
        for (const DeckTimer* timer : timers_) {
            if (!timer->ticking_ && (!next || timer->due_ < next->due_)) next = timer;
        }
        if (!next) {
            alarm_.stop();
            return;
        }
        const auto wait = std::chrono::ceil<milliseconds>(next->due_ - Clock::now());
        alarm_.start(std::max(wait, milliseconds(0)));
    }

    void wake() {
        ++wakeups_;
        // The alarm counts whole milliseconds and may wake a little early:
        // what is due within half of one is ready now.
        const auto now = Clock::now() + std::chrono::microseconds(500);
        QVarLengthArray<QPointer<DeckTimer>, 32> ready;
        for (DeckTimer* timer : timers_) {
            if (!timer->ticking_ && timer->readyAt() <= now) ready.append(timer);
        }
        std::stable_sort(ready.begin(), ready.end(),
                         [](const auto& a, const auto& b) { return a->due_ < b->due_; });
        for (DeckTimer* timer : ready) {
            // The next tick stays on the grid; ticks missed while the window
            // was busy are skipped, not caught up.
            const milliseconds interval(std::max(timer->intervalMs_, 1));
            timer->due_ += interval;
            if (timer->readyAt() <= now) {
                timer->due_ += interval * ((now - timer->readyAt()) / interval + 1);
            }
        }
        // Armed before the handlers run: a modal box opened by one of them
        // runs its own event loop, and the other timers keep ticking in it.
        arm();
        for (const QPointer<DeckTimer>& timer : ready) {
            // An earlier handler may have stopped or deleted this timer.
            if (!timer || !timer->enabled_) continue;
            timer->ticking_ = true;
            emit timer->timer();
            if (timer) timer->ticking_ = false;
        }
        arm();
    }

    static inline QPointer<DeckClock> clock_;
    QTimer alarm_;
    std::vector<DeckTimer*> timers_;  // the enabled ones
    const Clock::time_point origin_ = Clock::now();
    uint64_t wakeups_ = 0;
};

DeckTimer::DeckTimer(int intervalMs, bool enabled, QObject* parent)
    : QObject(parent), intervalMs_(intervalMs) {
    setEnabled(enabled);
}

DeckTimer::~DeckTimer() {
    if (enabled_ && DeckClock::existing()) DeckClock::existing()->remove(this);
}

uint64_t DeckTimer::wakeups() {
    return DeckClock::existing() ? DeckClock::existing()->wakeups() : 0;
}

void DeckTimer::setInterval(int ms) {
    intervalMs_ = ms;
    if (enabled_) start();
}

void DeckTimer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled) {
        start();
    } else {
        DeckClock::instance().remove(this);
    }
}

void DeckTimer::start() {
    DeckClock& clock = DeckClock::instance();
    const Clock::time_point origin = clock.origin();
    // Intervals of 10, 20, 50 ms... share the 10 ms grid, 15 and 25 the 5 ms
    // one, the 1 and 2 ms watches their own: the ticks meet where they can.
    const Clock::duration grid = milliseconds(std::gcd(std::max(intervalMs_, 1), 10));
    const Clock::duration first = Clock::now() - origin + milliseconds(intervalMs_);
    due_ = origin + (first + grid - Clock::duration(1)) / grid * grid;
    clock.add(this);
}

Clock::time_point DeckTimer::readyAt() const {
    return intervalMs_ >= 10 ? due_ - milliseconds(1) : due_;
}

}  // namespace luma
