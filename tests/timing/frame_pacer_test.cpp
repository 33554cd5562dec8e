// A change on a quiet window shows at once, faster ones once a frame, the last included
// (a caption painted at once though the frame is taken: TrackLoadingTest's progress).
#include "timing/frame_pacer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <map>

namespace luma {
namespace {

// Paints counted per label, and the text each last painted.
struct PaintCount : QObject {
    std::map<QObject*, int> paints;
    std::map<QObject*, QString> shown;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints[watched];
            shown[watched] = static_cast<QLabel*>(watched)->text();
        }
        return false;
    }
};

TEST(FramePacerTest, RepaintsTheWindowAtMostOnceAFrame) {
    QWidget window;
    window.resize(200, 100);
    QLabel readout("0", &window), caption("caption", &window);
    caption.move(0, 50);
    FramePacer pacer(window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(3 * FramePacer::kFrameMs);
    PaintCount count;
    readout.installEventFilter(&count);
    caption.installEventFilter(&count);

    readout.setText("1");
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(count.paints[&readout], 1);
    caption.setText("held");
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(count.paints[&caption], 0);

    // Changes as fast as the window takes them, for 20 frames.
    int changes = 0;
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < 20 * FramePacer::kFrameMs) {
        readout.setText(QString::number(++changes));
        QCoreApplication::processEvents();
    }
    const double frames = elapsed.elapsed() / double(FramePacer::kFrameMs);
    QTest::qWait(2 * FramePacer::kFrameMs);
    EXPECT_GT(changes, 2 * frames);
    EXPECT_GE(count.paints[&readout], 3);
    EXPECT_LE(count.paints[&readout], frames + 3);
    EXPECT_EQ(count.shown[&readout], QString::number(changes));
}

}  // namespace
}  // namespace luma
