// The configuration record of the client: connection, account, softphone and
// refresh settings. Start-up builds one from the command line and the optional
// configuration file and hands it to the main window; the settings dialog and
// the softphone engine keep their own copies. A plain value type.
#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// A setting that remembers whether it was ever set and its value before the
// last change, so that readers can tell what changed.
template <typename T> struct ConfigValue {
    bool given = false;
    T value{};
    T previous{};

    ConfigValue() = default;
    explicit ConfigValue(const T &initial) { set(initial); }

    void set(const T &v)
    {
        if (!given) {
            previous = v;
            value = v;
            given = true;
        } else {
            previous = value;
            value = v;
        }
    }
    ConfigValue &operator=(const T &v)
    {
        set(v);
        return *this;
    }
    bool changed() const { return value != previous; }
};

struct MctiConfig {
    // Call-history filter, ten bits; all set is 1023.
    enum MCdrFilterSettings {
        CdrIncoming = 0x001,
        CdrOutgoing = 0x002,
        CdrFromInternal = 0x004,
        CdrFromExternal = 0x008,
        CdrFromService = 0x010,
        CdrToDirect = 0x020,
        CdrThroughGroup = 0x040,
        CdrThroughQueue = 0x080,
        CdrAnswered = 0x100,
        CdrNotAnswered = 0x200,
        CdrAll = 0x3FF
    };
    Q_DECLARE_FLAGS(MCdrFilterFlags, MCdrFilterSettings)

    MctiConfig();

    ConfigValue<QString> pbxAddress;
    ConfigValue<QString> password; // scrambled in the start-up record
    ConfigValue<QString> username;
    ConfigValue<QString> account;
    int chatKeepAliveSendIntervalSecs = 120;
    QString sipUsername;
    QString sipPassword;
    QString sipUser;
    QString queueNames;
    QStringList excludedOutlookFolders;
    int dtmfMode = 0;
    QStringList codecsOrder;
    quint16 minJitterBufferMillis = 0;
    quint16 maxJitterBufferMillis = 0;
    quint16 contactsRefreshTimeoutSecs = 0;
    quint16 cdrRefreshTimeoutSecs = 0;
    quint16 codecOrderRefreshTimeoutSecs = 0;
    quint16 identitiesRefreshTimeoutSecs = 0;
    quint16 queueStatsRefreshTimeoutSecs = 0;
    ConfigValue<QString> sipRegistrarAddress;
    ConfigValue<QString> sipProxyAddress;
    ConfigValue<QString> sipProtocol;
    ConfigValue<quint8> sipTos;
    ConfigValue<quint8> audioTos;
    quint8 secondsWithoutMediaBeforeHangup = 0;
    bool echoCanceller = true;
    bool echoCancellerLmsFilter = false;
    bool echoSuppressor = true;
    double suppressorLowerThreshold = 10.0;
    double suppressorUpperThreshold = 40.0;
    int suppressorDivider = 15;
    int suppressorConvergenceMillis = 4000;
    int startupMode = -1;
    MCdrFilterFlags cdrFilter;
    ConfigValue<int> appMode;
    ConfigValue<QString> micDevice;
    ConfigValue<QString> spkDevice;
    ConfigValue<QString> ringDevice;
    ConfigValue<int> micVol;
    ConfigValue<int> spkVol;
    ConfigValue<int> language;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(MctiConfig::MCdrFilterFlags)
