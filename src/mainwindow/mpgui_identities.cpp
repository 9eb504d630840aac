// Identities and account selection of the main window.
#include "mpgui.h"

#include "globallogger.h"

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
