#include "deck/deck_timer.h"

namespace luma {

DeckTimer::DeckTimer(int intervalMs, bool enabled, QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, &DeckTimer::timer);
    setEnabled(enabled);
}

void DeckTimer::setInterval(int ms) {
    timer_.setInterval(ms);  // a running timer restarts with the new period
}

void DeckTimer::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled) {
        timer_.stop();
    } else if (!timer_.isActive()) {
        timer_.start();
    }
}

}  // namespace luma
