#include "app/startup.h"

#include <QByteArray>
#include <QtGlobal>

void prepare_platform()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION")) {
        qputenv("QT_XCB_GL_INTEGRATION", QByteArrayLiteral("none"));
    }
}
