#include "msettingschange.h"

#include "ctilibtypes.h"
#include "msettings.h"

MSettingsChange MSettingsChange::fromEntries(const MSettingsValues &inForce, const MSettingsEntries &entered)
{
    MSettingsChange change;
    change.next = inForce;
    MSettingsValues &next = change.next;
    const MctiConfig &config = inForce.config;

    bool sipChanged = false;
    bool audioChanged = false;
    bool servicesChanged = false;
    bool updatesChanged = false;
    bool cdrChanged = false;

    // The softphone page counts only while the softphone is in use.
    if (inForce.appMode == MSETTINGS::AppModeSoftphone) {
        if (entered.sipRegistrarAddress != config.sipRegistrarAddress.value) {
            next.config.sipRegistrarAddress.set(entered.sipRegistrarAddress);
            sipChanged = true;
        }
        if (entered.audioDevicesListed &&
            (entered.micDevice != config.micDevice.value || entered.spkDevice != config.spkDevice.value ||
             entered.ringDevice != config.ringDevice.value)) {
            next.config.micDevice.set(entered.micDevice);
            next.config.spkDevice.set(entered.spkDevice);
            next.config.ringDevice.set(entered.ringDevice);
            audioChanged = true;
        }
    }

    // The account page, unless the form switches to another operating mode.
    if (entered.accountChosen && entered.appMode == inForce.selectedAppMode &&
        entered.accountName != config.account.value) {
        if (inForce.appMode == MSETTINGS::AppModeDeskPhone && !entered.accountInUse) {
            change.accountQuestion = AccountQuestion::NotInUse;
        } else if (inForce.appMode == MSETTINGS::AppModeSoftphone && entered.accountInUse) {
            change.accountQuestion = AccountQuestion::AlreadyInUse;
            change.accountUserAgent = entered.accountUserAgent;
        }
        next.config.account.set(entered.accountName);
        sipChanged = true;
    }

    if (entered.useLocalSipRegistrar != inForce.useLocalSipRegistrar) {
        next.useLocalSipRegistrar = entered.useLocalSipRegistrar;
        sipChanged = true;
    }

    // The services group is taken as a whole when any of its boxes changed.
    const struct {
        bool entered;
        bool inForce;
        bool MSettingsValues::*member;
    } services[] = {
        {entered.copyToCall, inForce.copyToCall, &MSettingsValues::copyToCall},
        {entered.startMinimized, inForce.startMinimized, &MSettingsValues::startMinimized},
        {entered.actionsToExten, inForce.actionsToExten, &MSettingsValues::actionsToExten},
        {entered.outboundActions, inForce.outboundActions, &MSettingsValues::outboundActions},
        {entered.actionsOnC2c, inForce.actionsOnC2c, &MSettingsValues::actionsOnC2c},
        {entered.outlookImport, inForce.outlookImport, &MSettingsValues::outlookImport},
        {entered.popupCall, inForce.popupCall, &MSettingsValues::popupCall},
        {entered.pauseOnLogoff, inForce.pauseOnLogoff, &MSettingsValues::pauseOnLogoff},
        {entered.pauseOnQueueAnswer, inForce.pauseOnQueueAnswer, &MSettingsValues::pauseOnQueueAnswer},
    };
    for (const auto &service : services)
        servicesChanged = servicesChanged || service.entered != service.inForce;
    if (servicesChanged) {
        for (const auto &service : services)
            next.*(service.member) = service.entered;
    }

    if (entered.checkUpdatesAtStartup != inForce.checkUpdatesAtStartup ||
        entered.checkUpdatesTimeoutMins != inForce.checkUpdatesTimeoutMins) {
        next.checkUpdatesAtStartup = entered.checkUpdatesAtStartup;
        next.checkUpdatesTimeoutMins = entered.checkUpdatesTimeoutMins;
        updatesChanged = true;
    }

    if (entered.maxCdrViewDays != inForce.maxCdrViewDays) {
        next.maxCdrViewDays = entered.maxCdrViewDays;
        cdrChanged = true;
    }

    // The main parameters need a restart, except on the first run.
    const bool addressEdited = entered.pbxAddress != config.pbxAddress.value;
    const bool userEdited = entered.username != config.username.value;
    const bool passwordEdited = !entered.password.isEmpty() && entered.password != config.password.value;
    const bool protocolEdited = entered.sipProtocol != config.sipProtocol.value;
    const bool modeEdited = entered.appMode != inForce.selectedAppMode;
    const bool languageEdited = entered.language != config.language.value;
    const bool mainChanged =
        addressEdited || userEdited || passwordEdited || protocolEdited || modeEdited || languageEdited;

    if (mainChanged) {
        if (inForce.firstRun) {
            next.firstRun = false;
        } else {
            change.restart = true;
            change.restartQuestion =
                (!modeEdited && !languageEdited) ? RestartQuestion::Softphone : RestartQuestion::ModeLanguage;
        }
        next.config.username.set(entered.username);
        if (!entered.password.isEmpty())
            next.config.password.set(entered.password);
        next.config.pbxAddress.set(entered.pbxAddress);
        next.config.sipProtocol.set(entered.sipProtocol);
        next.selectedAppMode = entered.appMode;
        next.config.language.set(entered.language);
        next.ignoreSsl = entered.ignoreSsl;
    }

    // The registrar follows a PBX address changed by this OK, unless the
    // SIP settings were changed by hand at the same time.
    if (next.config.pbxAddress.value != config.pbxAddress.value && !sipChanged) {
        const QString registrar = CTILIB::getIpPort(next.config.pbxAddress.value);
        next.config.sipRegistrarAddress.set(registrar);
        next.sipProxyAddress.clear();
        if (!(registrar == config.sipRegistrarAddress.value && inForce.sipProxyAddress.isEmpty()))
            sipChanged = true;
    }

    // A restart: the account goes with the connection it belonged to, and the
    // restart request is the only announcement.
    if (change.restart) {
        if (addressEdited || userEdited || protocolEdited || modeEdited)
            next.config.account.set(QString());
        change.signalsToEmit = {Signal::RestartRequested};
        return change;
    }

    if (audioChanged)
        change.signalsToEmit << Signal::AudioDeviceChanged;
    if (servicesChanged)
        change.signalsToEmit << Signal::MctiServicesChanged;
    if (updatesChanged)
        change.signalsToEmit << Signal::UpdatesSettingsChanged;
    if (cdrChanged)
        change.signalsToEmit << Signal::CdrSettingsChanged;
    if (sipChanged)
        change.signalsToEmit << Signal::SipSettingsChanged;
    if (entered.copyToCall != inForce.copyToCall)
        change.signalsToEmit << (entered.copyToCall ? Signal::Copy2CallOn : Signal::Copy2CallOff);
    return change;
}
