// Phone back-end selection of the main window.
#include "mpgui.h"

#include "globallogger.h"

namespace {
// Until this part of the window is built, its slots only say they were called.
void logNotYetHandled(const char *function)
{
    if (logger)
        *logger << UNQL::LOG_DBG << function << "not handled yet" << UNQL::eom;
}
} // namespace

void MPGui::onPApiAuthorized(bool)
{
    logNotYetHandled(Q_FUNC_INFO);
}
