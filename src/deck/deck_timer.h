// A periodic timer with an interval and an enabled switch, ticking on the
// window's thread. Precise timers stand in for the multimedia timers of the
// 1-2 ms watch loops.
#pragma once

#include <QObject>
#include <QTimer>

namespace luma {

class DeckTimer : public QObject {
    Q_OBJECT

  public:
    explicit DeckTimer(int intervalMs, bool enabled, QObject* parent = nullptr);
    int interval() const { return timer_.interval(); }
    void setInterval(int ms);
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);

  signals:
    void timer();  // one tick

  private:
    QTimer timer_;
    bool enabled_ = false;
};

}  // namespace luma
