#include "deck/deck_platform.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>

namespace luma {

void DesktopPlatform::message(const QString& text, const QString& caption, int style) {
    QMessageBox box(style == kMessageCritical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    caption.isEmpty() ? QApplication::applicationName() : caption, text,
                    QMessageBox::Ok);
    box.exec();
}

void DesktopPlatform::endProcess() {
    // Static destructors still run (the engine has been freed by then); Qt's
    // event loop does not get another turn.
    std::exit(0);
}

}  // namespace luma
