// What pressing "OK" in the settings dialog changes, worked out without widgets.
//
// MSettingsValues holds the values in force that the dialog's form edits;
// MSettingsEntries holds what the form shows when OK is pressed.
// MSettingsChange::fromEntries() compares the two and says which values to
// take over, which change signals follow the save (in the order they are
// emitted) and whether the program must restart, or ask first.
#pragma once

#include "app/mcticonfig.h"

#include <QString>
#include <QVector>

struct MSettingsValues {
    MctiConfig config;       // address, credentials, account, SIP, devices, language
    int appMode = -1;        // the operating mode applied at log-in, -1 before
    int selectedAppMode = 0; // the operating mode stored for the next start
    bool useLocalSipRegistrar = false;
    QString sipProxyAddress; // the proxy address read from the file or the PBX
    bool firstRun = false;   // no settings file at start: the first OK asks nothing

    bool ignoreSsl = false;
    bool startMinimized = false;
    bool outlookImport = false;
    bool checkUpdatesAtStartup = true;
    int checkUpdatesTimeoutMins = 60; // -1: no periodic check
    int maxCdrViewDays = 30;
    bool copyToCall = false;
    bool actionsToExten = false;
    bool outboundActions = false;
    bool actionsOnC2c = false;
    bool pauseOnQueueAnswer = false;
    bool pauseOnLogoff = false;
    bool popupCall = true;
};

struct MSettingsEntries {
    QString pbxAddress;
    QString username;
    QString password; // empty: keep the password in force
    QString sipProtocol;
    int appMode = 0;
    int language = 0;
    bool ignoreSsl = false;

    // Softphone page.
    QString sipRegistrarAddress;
    bool audioDevicesListed = false; // any of the three device lists has entries
    QString micDevice;
    QString spkDevice;
    QString ringDevice;

    // The account chosen on the account page, when a row is chosen.
    bool accountChosen = false;
    QString accountName;
    bool accountInUse = false;
    QString accountUserAgent;

    bool useLocalSipRegistrar = false;

    bool copyToCall = false;
    bool startMinimized = false;
    bool actionsToExten = false;
    bool outboundActions = false;
    bool actionsOnC2c = false;
    bool outlookImport = false;
    bool popupCall = false;
    bool pauseOnLogoff = false;
    bool pauseOnQueueAnswer = false;

    bool checkUpdatesAtStartup = false;
    int checkUpdatesTimeoutMins = -1; // -1: the periodic check is off
    int maxCdrViewDays = 30;
};

struct MSettingsChange {
    // The signals that follow the save, in this order when several apply.
    enum class Signal {
        AudioDeviceChanged,
        MctiServicesChanged,
        UpdatesSettingsChanged,
        CdrSettingsChanged,
        SipSettingsChanged,
        Copy2CallOn,
        Copy2CallOff,
        RestartRequested,
    };
    // The question to ask before an account is taken over.
    enum class AccountQuestion {
        None,
        NotInUse,     // desk-phone mode, the account serves no terminal
        AlreadyInUse, // softphone mode, a terminal uses the account
    };
    // The question to ask before a change that needs a restart.
    enum class RestartQuestion {
        None,
        Softphone,    // address, user name, password or SIP transport
        ModeLanguage, // operating mode or language (with or without others)
    };

    MSettingsValues next; // the values in force once the change is taken
    QVector<Signal> signalsToEmit;
    bool restart = false; // saved and answered with a restart request
    AccountQuestion accountQuestion = AccountQuestion::None;
    QString accountUserAgent; // the terminal named by AlreadyInUse
    RestartQuestion restartQuestion = RestartQuestion::None;

    static MSettingsChange fromEntries(const MSettingsValues &inForce, const MSettingsEntries &entered);
};
