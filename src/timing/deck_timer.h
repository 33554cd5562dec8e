// A periodic timer with an interval and an enabled switch, ticking on the
// window's thread. Each timer keeps its own beat: its first tick comes one
// interval after it is enabled, the next ones an interval apart from there.
// All of them run from one clock: while a 1 or 2 ms watch runs, the slower
// timers ride on its wakeups (at most one watch interval late) rather than
// wake the window themselves, so the readouts, meters and frames cost no
// wakeup of their own. A tick held up by a slow handler runs once, late;
// beats missed meanwhile are skipped, not caught up.
#pragma once

#include <QObject>
#include <chrono>
#include <cstdint>

namespace luma {

class DeckTimer : public QObject {
    Q_OBJECT

  public:
    using Clock = std::chrono::steady_clock;

    explicit DeckTimer(int intervalMs, bool enabled, QObject* parent = nullptr);
    ~DeckTimer() override;
    int interval() const { return intervalMs_; }
    void setInterval(int ms);  // a running timer restarts with the new period
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    // How often the shared clock has woken so far (ticks that fell together
    // count once).
    static uint64_t wakeups();

  signals:
    void timer();  // one tick

  private:
    friend class DeckClock;
    // Joins the clock, the first tick one interval from now.
    void start();
    Clock::duration period() const;
    // Moves the next tick past `now`: beats missed while the window was busy
    // are skipped, not caught up.
    void skipBeatsUpTo(Clock::time_point now);

    int intervalMs_;
    bool enabled_ = false;
    bool ticking_ = false;  // its handler runs (perhaps inside a modal box)
    Clock::time_point due_{};
};

}  // namespace luma
