// A periodic timer with an interval and an enabled switch, ticking on the
// window's thread. All of them run from one clock, each on a grid counted
// from a shared origin, so that ticks which fall together share one wakeup:
// the 2 ms watch, the 10 ms readout and the 20 ms meters wake the window
// once and repaint it once, where separate timers would wake it for each.
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
    // Joins the clock, the first tick one interval from now, moved onto the
    // timer's grid.
    void start();
    // The earliest moment the tick may run: timers of 10 ms and more may run
    // up to a millisecond early to share the faster timers' wakeup.
    Clock::time_point readyAt() const;

    int intervalMs_;
    bool enabled_ = false;
    bool ticking_ = false;  // its handler runs (perhaps inside a modal box)
    Clock::time_point due_{};
};

}  // namespace luma
