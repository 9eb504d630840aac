// Identities and account selection of the main window.
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

void MPGui::onIdentitiesReceived(const IdentityList &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onSipSettingsReceived(const SipConfiguration &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onSelectedAccountChanged()
{
    logNotYetHandled(Q_FUNC_INFO);
}
