#include "deck/deck_platform.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

namespace luma {

namespace {

// A message box knows its size only once it is shown; it moves over its
// place then, before the window system maps it, so it never jumps.
class PlacedMessageBox : public QMessageBox {
  public:
    PlacedMessageBox(Icon icon, const QString& caption, const QString& text, const QRect& place)
        : QMessageBox(icon, caption, text, QMessageBox::Ok), place_(place) {}

  protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        const QRect frame = frameGeometry();  // move() places the frame
        move(place_.center() - (frame.center() - frame.topLeft()));
    }

  private:
    QRect place_;
};

}  // namespace

void DesktopPlatform::message(const QString& text, const QString& caption, int style,
                              const QRect& place) {
    PlacedMessageBox box(style == kMessageCritical ? QMessageBox::Critical : QMessageBox::NoIcon,
                         caption.isEmpty() ? QApplication::applicationName() : caption, text,
                         place);
    box.exec();
}

void DesktopPlatform::printError(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

void DesktopPlatform::endProcess(int exitCode) {
    // Static destructors still run (the engine has been freed by then); Qt's
    // event loop does not get another turn.
    std::exit(exitCode);
}

}  // namespace luma
