// What an untouched settings form shows for a set of values in force.
#pragma once

#include "settings/msettingschange.h"

namespace settingstest
{

inline MSettingsEntries entriesShowing(const MSettingsValues &v)
{
    MSettingsEntries e;
    e.pbxAddress = v.config.pbxAddress.value;
    e.username = v.config.username.value;
    e.password = QString(); // the password field opens empty
    e.sipProtocol = v.config.sipProtocol.value;
    e.appMode = v.selectedAppMode;
    e.language = v.config.language.value;
    e.ignoreSsl = v.ignoreSsl;
    e.sipRegistrarAddress = v.config.sipRegistrarAddress.value;
    e.audioDevicesListed = true;
    e.micDevice = v.config.micDevice.value;
    e.spkDevice = v.config.spkDevice.value;
    e.ringDevice = v.config.ringDevice.value;
    e.useLocalSipRegistrar = v.useLocalSipRegistrar;
    e.copyToCall = v.copyToCall;
    e.startMinimized = v.startMinimized;
    e.actionsToExten = v.actionsToExten;
    e.outboundActions = v.outboundActions;
    e.actionsOnC2c = v.actionsOnC2c;
    e.outlookImport = v.outlookImport;
    e.popupCall = v.popupCall;
    e.pauseOnLogoff = v.pauseOnLogoff;
    e.pauseOnQueueAnswer = v.pauseOnQueueAnswer;
    e.checkUpdatesAtStartup = v.checkUpdatesAtStartup;
    e.checkUpdatesTimeoutMins = v.checkUpdatesTimeoutMins;
    e.maxCdrViewDays = v.maxCdrViewDays;
    return e;
}

} // namespace settingstest
