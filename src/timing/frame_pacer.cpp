#include "timing/frame_pacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include "timing/deck_timer.h"

namespace luma {

FramePacer::FramePacer(QWidget& window) : QObject(&window), window_(window) {
    connect(new DeckTimer(kFrameMs, true, this), &DeckTimer::timer, this, &FramePacer::frame);
    window_.installEventFilter(this);
}

void FramePacer::paintNow(QWidget& widget) {
    passing_ = true;
    widget.repaint();
    passing_ = false;
}

// Qt asks the window to repaint its dirty widgets with an UpdateRequest
// event (posted after an update(), sent at once by repaint()). Holding one
// back keeps the widgets dirty; Qt posts no other until the window has
// repainted, and the frame tick's request repaints them all.
bool FramePacer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &window_ || event->type() != QEvent::UpdateRequest) return false;
    if (passing_ || frameOpen_) {
        frameOpen_ = false;
        held_ = false;
        return false;
    }
    held_ = true;
    return true;
}

void FramePacer::frame() {
    frameOpen_ = true;
    if (!held_) return;
    // Posted, so it runs after every timer of this wakeup has made its
    // changes: they go out together.
    QCoreApplication::postEvent(&window_, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}

}  // namespace luma
