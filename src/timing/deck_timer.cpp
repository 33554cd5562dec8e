#include "timing/deck_timer.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QVarLengthArray>
#include <algorithm>
#include <limits>
#include <vector>

namespace luma {

using Clock = DeckTimer::Clock;
using std::chrono::milliseconds;

namespace {

// Timers this fast are the watches the slower ones ride on.
constexpr int kWatchMs = 2;
// The alarm counts whole milliseconds and may wake a little early: what is
// due within half of one is taken as due now.
constexpr auto kDueSlack = std::chrono::microseconds(500);

}  // namespace

// Wakes for the earliest tick and runs every timer that is due by then, in
// the order of their due times.
class DeckClock : public QObject {
  public:
    // One clock for the application, ended with it.
    static DeckClock& instance() {
        if (!clock_) clock_ = new DeckClock(QCoreApplication::instance());
        return *clock_;
    }
    static DeckClock* existing() { return clock_; }

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
        // While a watch runs, the slower timers wait for its next wakeup
        // rather than waking the window themselves.
        int fastest = std::numeric_limits<int>::max();
        for (const DeckTimer* timer : timers_) {
            if (!timer->ticking_) fastest = std::min(fastest, timer->intervalMs_);
        }
        const DeckTimer* next = nullptr;
        for (const DeckTimer* timer : timers_) {
            const bool rides = fastest <= kWatchMs && timer->intervalMs_ > fastest;
            if (timer->ticking_ || rides) continue;
            if (!next || timer->due_ < next->due_) next = timer;
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
        const Clock::time_point now = Clock::now() + kDueSlack;
        struct Tick {
            QPointer<DeckTimer> timer;
            Clock::time_point next;  // where this tick moved the timer's beat
        };
        QVarLengthArray<Tick, 32> due;
        for (DeckTimer* timer : timers_) {
            if (!timer->ticking_ && timer->due_ <= now) due.append({timer, {}});
        }
        std::stable_sort(due.begin(), due.end(), [](const Tick& a, const Tick& b) {
            return a.timer->due_ < b.timer->due_;
        });
        // Each timer moves on to its next beat before the handlers run: a
        // modal box opened by one of them runs its own event loop, where the
        // other timers keep ticking, and must not run these ticks again.
        for (Tick& tick : due) tick.next = tick.timer->due_ += tick.timer->period();
        arm();
        for (const Tick& tick : due) {
            DeckTimer* timer = tick.timer;
            // Stopped, deleted, restarted or ticked again (in a modal box's
            // loop) by an earlier handler.
            if (!timer || !timer->enabled_ || timer->due_ != tick.next) continue;
            timer->ticking_ = true;
            emit timer->timer();
            if (!tick.timer) continue;
            timer->ticking_ = false;
            // Read after the handlers: a beat that fell due while this one or
            // an earlier one ran is skipped, so a late tick runs once.
            timer->skipBeatsUpTo(Clock::now() + kDueSlack);
        }
        arm();
    }

    static inline QPointer<DeckClock> clock_;
    QTimer alarm_;
    std::vector<DeckTimer*> timers_;  // the enabled ones
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
    due_ = Clock::now() + period();
    DeckClock::instance().add(this);
}

Clock::duration DeckTimer::period() const {
    return milliseconds(std::max(intervalMs_, 1));
}

void DeckTimer::skipBeatsUpTo(Clock::time_point now) {
    if (due_ <= now) due_ += period() * ((now - due_) / period() + 1);
}

}  // namespace luma
