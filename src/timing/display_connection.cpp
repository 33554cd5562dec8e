#include "timing/display_connection.h"

#include <QByteArray>
#include <QtGlobal>

namespace luma {

void configureDisplayConnection() {
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
}

}  // namespace luma
