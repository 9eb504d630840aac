// Identities and account selection of the main window.
#include "mpgui.h"

#include "app/globallogger.h"
#include "ctilib.h"
#include "framework/promptservice.h"
#include "phone/phonebackends.h"
#include "session/pbxsession.h"
#include "settings/msettingsdialog.h"
#include "settings/msettingsstore.h"

#include <QPointer>

void MPGui::onSipSettingsReceived(const SipConfiguration &sip)
{
    if (!settingsDialog)
        return;
    settingsStore->setMPhoneSipSettings(sip.transport, sip.registrarAddress, sip.registrarPort, sip.proxyAddress,
                                        sip.proxyPort);
}

void MPGui::onIdentitiesReceived(const IdentityList &list)
{
    if (!ctiLib || !settingsDialog)
        return;
    // An unchanged list is ignored, but not the session's first one: an empty
    // first list equals the empty list a log-in starts with, and still has to
    // settle the selection.
    if (phones->identitiesReceived && list == settingsStore->getAccountList())
        return;
    if (phones->identitiesBusy || settingsDialog->isVisible())
        return;
    phones->identitiesReceived = true;

    QPointer<MPGui> self(this);
    QPointer<PhoneBackends> backends(phones);
    phones->identitiesBusy = true;
    settingsStore->setAccountList(list);

    const QString selected = settingsStore->getSelectedAccount();
    bool found = false;
    for (const IdentityEntry &entry : list)
        found = found || (!selected.isEmpty() && entry.identifier == selected);
    if (found) {
        if (appMode == MSETTINGS::AppModeDeskPhone || appMode == MSETTINGS::AppModeSoftphone)
            onSelectedAccountChanged();
    } else if (!phones->accountPromptSuppressed && appMode != MSETTINGS::AppModeCtiOnly) {
        settingsStore->setSelectedAccount(QString());
        if (!list.isEmpty()) {
            PromptService::Message msg;
            msg.kind = PromptService::Kind::Information;
            msg.title = tr("%1 - Selezione account").arg(windowTitleText);
            msg.text = tr("Per proseguire è necessario selezionare l'account da utilizzare.");
            msg.buttons = QMessageBox::Ok;
            prompts().message(this, msg);
            // The box ran its own event loop: the session (or the window)
            // may be gone by now.
            if (!self || !backends)
                return;
            if (ctiLib && settingsDialog) {
                // The dialog opens on its account list.
                settingsDialog->openOnAccountList();
                prompts().execDialog(settingsDialog);
                if (!self || !backends)
                    return;
            }
            if (settingsDialog && settingsStore->getSelectedAccount().isEmpty())
                onSelectedAccountChanged();
        } else {
            onSelectedAccountChanged();
        }
    }
    if (self && backends)
        phones->identitiesBusy = false;
}

void MPGui::onSelectedAccountChanged()
{
    if (!ctiLib || !settingsDialog)
        return;
    const QString selected = settingsStore->getSelectedAccount();
    switch (appMode) {
    case MSETTINGS::AppModeDeskPhone:
        if (!selected.isEmpty()) {
            phones->updatePhoneApi();
        } else {
            phones->resetPhoneApi();
            phones->accountPromptSuppressed = true;
        }
        break;
    case MSETTINGS::AppModeSoftphone:
        if (selected.isEmpty()) {
            QPointer<MPGui> self(this);
            prompts().warning(this, QStringLiteral("Nessun account selezionato"),
                              QStringLiteral("Non è stato selezionato alcun account, verrai disconnesso."));
            if (self)
                disconnectFromM();
        } else {
            const IdentityList identities = settingsStore->getAccountList();
            for (const IdentityEntry &entry : identities) {
                if (entry.identifier == selected && entry.type.toUpper() == QLatin1String("SIP") &&
                    !entry.sipUsername.isEmpty()) {
                    phones->initOrUpdatePhoneEngine(entry, settingsStore->getSipRegistrarAddress());
                    break;
                }
            }
        }
        break;
    default:
        break;
    }
}

void MPGui::loadMctiAccount()
{
    if (!ctiLib || !settingsDialog)
        return;
    QString id = ctiLib->getLoginUsername();
    const QString tenant = session->tenant();
    if (!tenant.isEmpty())
        id = QStringLiteral("%1@%2").arg(id, tenant);
    const QString name = QStringLiteral("%1 %2").arg(userFirstName, userLastName).trimmed();
    lblConnectedName->setText(name.isEmpty() ? tr("Interno %1").arg(ctiLib->getUserExtension()) : name);
    lblConnectedName->setToolTip(id);
    lblNum->setText(ctiLib->getUserExtension());
}
