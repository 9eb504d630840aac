#include "openglintegration.h"

#include <QtGlobal>

namespace DesklineStartup
{

namespace
{
const char IntegrationVariable[] = "QT_XCB_GL_INTEGRATION";
const char NoIntegration[] = "none";
} // namespace

QByteArray openGlIntegrationFor(const QByteArray &userChoice)
{
    const QByteArray choice = userChoice.trimmed();
    return choice.isEmpty() ? QByteArray(NoIntegration) : choice;
}

bool keepOpenGlIntegrationUnloaded()
{
    const QByteArray value = openGlIntegrationFor(qgetenv(IntegrationVariable));
    qputenv(IntegrationVariable, value);
    return value == NoIntegration;
}

} // namespace DesklineStartup
