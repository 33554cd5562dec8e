// Paces the deck window's repaints to a frame clock. The readouts, meters
// and marquees change on ticks of different timers (10, 15, 20, 50 ms...);
// left alone, Qt repaints and pushes the window to the X server after each
// of them. The pacer holds a repaint that comes between frames until the
// next frame tick, so the window goes out at most once a frame, with every
// change of that frame in it. A change while the window is quiet (a click,
// a new caption) still shows at once: the first repaint after a frame tick
// passes.
#pragma once

#include <QObject>

class QWidget;

namespace luma {

class FramePacer : public QObject {
  public:
    // About 60 frames a second; the frame ticks ride on the wakeups of the
    // deck's loop watch, so that frames never wake the window on their own.
    static constexpr int kFrameMs = 16;

    explicit FramePacer(QWidget& window);
    // Paints `widget` now, frame or not: for a caption that must show while
    // a long handler still runs.
    void paintNow(QWidget& widget);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void frame();

    QWidget& window_;
    bool frameOpen_ = true;  // the next repaint may go out at once
    bool held_ = false;      // a repaint waits for the next frame
    bool passing_ = false;   // our own repaint goes through
};

}  // namespace luma
