#include "msettingsstore.h"

#include "app/globallogger.h"
#include "framework/simpleobfuscator.h"
#include "msettingsrules.h"

#include <QFile>
#include <QRegExp>
#include <QSettings>

#include <algorithm>
#include <climits>

namespace
{

const char *const kGroupCti = "CTI";
const char *const kGroupDebug = "DEBUG";
const char *const kGroupFavourites = "FAVOURITES";
const char *const kGroupActions = "ACTIONS";
const char *const kGroupGui = "GUI";
const char *const kGroupReport = "CCReport";
const char *const kAnsweredThresholds = "AnsweredCallsTimeThreshold";
const char *const kLostThresholds = "LostCallsTimeThreshold";

constexpr int kThresholdNotSet = 99999999;
constexpr int kThresholdCount = 5;

// The ranges the settings form offers.
constexpr int kAppModeCount = 3;
constexpr int kLanguageCount = 3;
constexpr int kMinUpdateMinutes = 10;
constexpr int kMaxUpdateMinutes = 1440;
constexpr int kDefaultUpdateMinutes = 60;
constexpr int kMaxCdrViewDays = 30;
const char *const kRapidCallModifiers[] = {"CTRL", "ALT", "SHIFT"};

// Position of a rapid-call modifier among the form's choices, 0 when unknown.
int rapidCallModifierIndex(const QString &modifier)
{
    for (int i = 0; i < int(sizeof kRapidCallModifiers / sizeof *kRapidCallModifiers); ++i) {
        if (modifier == QLatin1String(kRapidCallModifiers[i]))
            return i;
    }
    return 0;
}

// First-start geometry of the main window.
constexpr int kDefaultX = 200;
constexpr int kDefaultY = 100;
constexpr int kDefaultWidth = 508;
constexpr int kDefaultHeight = 604;

QSettings::Format iniFormat()
{
    return QSettings::IniFormat;
}

} // namespace

MSettingsStore::MSettingsStore(const MctiConfig &startConfig, QObject *parent)
    : QObject(parent), reportPeriod(CTILIB::PeriodToday)
{
    values.config = startConfig;
    presetAppMode =
        (startConfig.startupMode >= 0 && startConfig.startupMode < kAppModeCount) ? startConfig.startupMode : -1;

    // Baseline values: what holds before any setting is read.
    values.selectedAppMode = 0;
    values.ignoreSsl = false;
    values.startMinimized = false;
    values.outlookImport = false;
    values.checkUpdatesAtStartup = true;
    values.checkUpdatesTimeoutMins = kDefaultUpdateMinutes;
    values.maxCdrViewDays = kMaxCdrViewDays;
    values.copyToCall = false;
    values.actionsToExten = false;
    values.outboundActions = false;
    values.actionsOnC2c = false;
    values.pauseOnQueueAnswer = false;
    values.useLocalSipRegistrar = false;
    values.pauseOnLogoff = false;
    values.popupCall = true;
    rapidCallMods = QStringLiteral("CTRL");
    rapidCallKeyText = QStringLiteral("1");

    values.config.sipTos.set(0);
    values.config.audioTos.set(0);

    for (int i = 0; i < kThresholdCount; ++i) {
        answeredCallsThresholds.append(kThresholdNotSet);
        lostCallsThresholds.append(kThresholdNotSet);
    }

    const MctiConfig &config = values.config;
    scrubFile();
    {
        QSettings settings(MSETTINGS::getSettingsConfigFile(), iniFormat());
        settings.beginGroup(kGroupCti);
        const struct {
            const char *key;
            bool given;
            QVariant value;
        } startupValues[] = {
            {"Maddress", config.pbxAddress.given, config.pbxAddress.value},
            {"user", config.username.given, config.username.value},
            {"password", config.password.given, config.password.value},
            {"AppMode", config.appMode.given, config.appMode.value},
            {"SIPProxyAddress", config.sipProxyAddress.given, config.sipProxyAddress.value},
            {"SIPRegistrarAddress", config.sipRegistrarAddress.given, config.sipRegistrarAddress.value},
            {"account", config.account.given, config.account.value},
        };
        bool written = false;
        for (const auto &entry : startupValues) {
            if (entry.given) {
                settings.setValue(QLatin1String(entry.key), entry.value);
                written = true;
            }
        }
        settings.endGroup();
        if (written)
            finishWrite(settings);
    }

    int language = 0;
    const QString file = MSETTINGS::getSettingsConfigFile();
    if (QFile::exists(file)) {
        QSettings settings(file, iniFormat());
        settings.beginGroup(kGroupCti);
        language = MSettingsRules::intInRange(settings.value(QStringLiteral("Language"), 0), 0, kLanguageCount - 1, 0);
        settings.endGroup();
    }
    values.config.language.set(language);
}

MSettingsStore::~MSettingsStore() = default;

QString MSettingsStore::hostAddressPattern()
{
    return QStringLiteral("^((?:(?:[0-9]|[1-9][0-9]|1[0-9]{2}|2[0-4][0-9]|25[0-5])\\.){3}"
                          "(?:[0-9]|[1-9][0-9]|1[0-9]{2}|2[0-4][0-9]|25[0-5])"
                          "|(?:(?:[a-zA-Z]|[a-zA-Z][a-zA-Z0-9\\-]*[a-zA-Z0-9])\\.)+"
                          "(?:[A-Za-z]|[A-Za-z][A-Za-z0-9\\-]*[A-Za-z0-9]))(:\\d+)?$");
}

MctiConfig::MCdrFilterFlags MSettingsStore::convert_cdr_value_into_flags(const unsigned &value)
{
    return MctiConfig::MCdrFilterFlags(int(value & 1023u));
}

// ---------------------------------------------------------------------------
// Settings file

void MSettingsStore::finishWrite(QSettings &settings)
{
    if (MSettingsRules::commitPrivate(settings)) {
        saveFailureReported = false;
        return;
    }
    logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to write the settings file" << settings.fileName() << "status"
                                << int(settings.status());
    if (saveFailureReported)
        return;
    saveFailureReported = true;
    emit saveFailed(settings.fileName());
}

void MSettingsStore::scrubFile()
{
    const int dropped = MSettingsRules::scrubSerializedVariants(MSETTINGS::getSettingsConfigFile());
    if (dropped > 0)
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Dropped" << dropped
                                   << "settings holding serialized data; they read as their defaults";
    else if (dropped < 0)
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to drop serialized data from the settings file";
}

void MSettingsStore::init()
{
    readFile();
    restoreParameters();
    announceCopyToCall();
}

void MSettingsStore::announceCopyToCall()
{
    emit sigCopy2CallToggled(values.copyToCall);
}

bool MSettingsStore::readFile()
{
    const QString file = MSETTINGS::getSettingsConfigFile();
    if (!QFile::exists(file)) {
        values.firstRun = true;
        return false;
    }

    scrubFile();
    QSettings settings(file, iniFormat());
    legacyMigrated = false;
    readCtiGroup(settings);

    settings.beginGroup(kGroupDebug);
    dumpCtilibMessages = settings.value(QStringLiteral("dumpCtilibMessages"), false).toBool();
    settings.endGroup();

    // Entries are read by the subgroups that exist, in numeric order, so a
    // gap in the numbering loses nothing; empty entries are dropped.
    settings.beginGroup(kGroupFavourites);
    for (const QString &group : MSettingsRules::numberedSubgroups(settings)) {
        settings.beginGroup(group);
        const QString contact = settings.value(QStringLiteral("contact")).toString();
        settings.endGroup();
        if (!contact.isEmpty())
            favourites.append(contact);
    }
    settings.endGroup();

    settings.beginGroup(kGroupActions);
    for (const QString &group : MSettingsRules::numberedSubgroups(settings)) {
        settings.beginGroup(group);
        // Every action the file holds is kept, as stored (a value that is no
        // number reads as 0): one the program cannot run is skipped when its
        // event comes, never dropped from the file.
        const MctiAction action = MctiActions::make(settings.value(QStringLiteral("event"), 0).toInt(),
                                                    settings.value(QStringLiteral("actionType"), 0).toInt(),
                                                    settings.value(QStringLiteral("actionText")).toString());
        settings.endGroup();
        MctiActions::insert(actionMap, action);
    }
    settings.endGroup();

    readGuiGroup(settings);

    const struct {
        const char *array;
        QList<int> *list;
    } thresholdArrays[] = {{kAnsweredThresholds, &answeredCallsThresholds}, {kLostThresholds, &lostCallsThresholds}};
    for (const auto &entry : thresholdArrays) {
        entry.list->clear();
        settings.beginReadArray(QLatin1String(entry.array));
        for (int i = 0; i < kThresholdCount; ++i) {
            settings.setArrayIndex(i);
            entry.list->append(MSettingsRules::intInRange(settings.value(QStringLiteral("threshold"), kThresholdNotSet),
                                                          INT_MIN, INT_MAX, kThresholdNotSet));
        }
        settings.endArray();
    }

    settings.beginGroup(kGroupReport);
    reportPeriod = CTILIB::periodTypeFromString(
        settings.value(QStringLiteral("period"), CTILIB::periodTypeToString(CTILIB::PeriodType(1))).toString());
    reportFileName = settings.value(QStringLiteral("outputFileName")).toString();
    settings.endGroup();

    // The legacy registrar migration writes to the file while reading it.
    if (legacyMigrated)
        finishWrite(settings);

    emit actionsChanged();
    emit changed();
    return true;
}

void MSettingsStore::readCtiGroup(QSettings &s)
{
    using namespace MSettingsRules;
    MctiConfig &config = values.config;
    s.beginGroup(kGroupCti);

    config.pbxAddress.set(s.value(QStringLiteral("Maddress")).toString());
    config.username.set(s.value(QStringLiteral("user")).toString());
    config.password.set(SimpleObfuscator::reveal(s.value(QStringLiteral("password")).toString()));
    config.account.set(s.value(QStringLiteral("account")).toString());
    values.selectedAppMode =
        intInRange(s.value(QStringLiteral("AppMode"), values.selectedAppMode), 0, kAppModeCount - 1, 0);

    if (!s.contains(QStringLiteral("SIPRegistrarAddress")) && s.contains(QStringLiteral("SIPaddress"))) {
        const QString legacy = s.value(QStringLiteral("SIPaddress")).toString();
        s.remove(QStringLiteral("SIPaddress"));
        if (!legacy.isEmpty())
            s.setValue(QStringLiteral("SIPRegistrarAddress"), legacy);
        legacyMigrated = true;
    }
    config.sipProtocol.set(s.value(QStringLiteral("SIPProtocol"), QStringLiteral("UDP")).toString());
    const QString registrar = s.value(QStringLiteral("SIPRegistrarAddress")).toString();
    config.sipRegistrarAddress.set(registrar.isEmpty() ? config.pbxAddress.value : registrar);
    values.sipProxyAddress = s.value(QStringLiteral("SIPProxyAddress")).toString();
    sipRegisterExpiration = positiveInt(s.value(QStringLiteral("SIPRegisterExpiration"), 300), 300);

    config.spkDevice.set(s.value(QStringLiteral("spkdevice")).toString());
    config.ringDevice.set(s.value(QStringLiteral("ringdevice")).toString());
    config.micDevice.set(s.value(QStringLiteral("micdevice")).toString());
    config.micVol.set(intInRange(s.value(QStringLiteral("micVol"), 100), 0, 100, 100));
    config.spkVol.set(intInRange(s.value(QStringLiteral("spkVol"), 100), 0, 100, 100));
    config.sipTos.set(quint8(maskedUnsigned(s.value(QStringLiteral("SipTos"), 0), 0xFF, 0)));
    config.audioTos.set(quint8(maskedUnsigned(s.value(QStringLiteral("AudioTos"), 0), 0xFF, 0)));
    config.cdrFilter =
        convert_cdr_value_into_flags(maskedUnsigned(s.value(QStringLiteral("cdrFilterValue"), 1023), 1023, 1023));
    config.minJitterBufferMillis =
        quint16(maskedUnsigned(s.value(QStringLiteral("MinJitterBufferMillis"), 0), 0xFFFF, 0));
    config.maxJitterBufferMillis =
        quint16(maskedUnsigned(s.value(QStringLiteral("MaxJitterBufferMillis"), 0), 0xFFFF, 0));
    config.secondsWithoutMediaBeforeHangup =
        quint8(maskedUnsigned(s.value(QStringLiteral("SecondsWithoutMediaBeforeHangup"), 0), 0xFF, 0));

    values.startMinimized = s.value(QStringLiteral("startMinimized"), values.startMinimized).toBool();
    values.outlookImport = s.value(QStringLiteral("importOutlookContacts"), values.outlookImport).toBool();
    values.actionsToExten = s.value(QStringLiteral("actionsToExten"), values.actionsToExten).toBool();
    values.outboundActions = s.value(QStringLiteral("outboundActions"), values.outboundActions).toBool();
    values.actionsOnC2c = s.value(QStringLiteral("actionsOnC2c"), values.actionsOnC2c).toBool();
    values.copyToCall = s.value(QStringLiteral("CopyToCall"), values.copyToCall).toBool();
    values.popupCall = s.value(QStringLiteral("PopupCall"), values.popupCall).toBool();
    values.checkUpdatesAtStartup =
        s.value(QStringLiteral("checkUpdatesAtStartup"), values.checkUpdatesAtStartup).toBool();
    values.checkUpdatesTimeoutMins =
        updatePeriod(s.value(QStringLiteral("checkUpdatesTimeoutMins"),
                             values.checkUpdatesTimeoutMins > 0 ? values.checkUpdatesTimeoutMins : -1),
                     kMinUpdateMinutes, kMaxUpdateMinutes);
    values.maxCdrViewDays = clampedInt(s.value(QStringLiteral("maxCdrViewDays"), values.maxCdrViewDays), 1,
                                       kMaxCdrViewDays, values.maxCdrViewDays);
    config.language.set(
        intInRange(s.value(QStringLiteral("Language"), config.language.value), 0, kLanguageCount - 1, 0));
    values.pauseOnLogoff = s.value(QStringLiteral("PauseOnLogoff"), values.pauseOnLogoff).toBool();
    values.pauseOnQueueAnswer = s.value(QStringLiteral("PauseOnIncomingCall"), values.pauseOnQueueAnswer).toBool();
    rapidCallMods =
        s.value(QStringLiteral("rapidCallMods"), QString::number(rapidCallModifierIndex(rapidCallMods))).toString();
    rapidCallKeyText = s.value(QStringLiteral("rapidCallKey"), rapidCallKeyText).toString();
    values.useLocalSipRegistrar = s.value(QStringLiteral("useLocalSipRegistrar"), values.useLocalSipRegistrar).toBool();

    config.queueNames = s.value(QStringLiteral("queueNames")).toString();
    config.contactsRefreshTimeoutSecs =
        quint16(maskedUnsigned(s.value(QStringLiteral("contactsRefreshTimeoutSecs"), 600), 0xFFFF, 600));
    config.cdrRefreshTimeoutSecs =
        quint16(maskedUnsigned(s.value(QStringLiteral("cdrRefreshTimeoutSecs"), 90), 0xFFFF, 90));
    config.codecOrderRefreshTimeoutSecs =
        quint16(maskedUnsigned(s.value(QStringLiteral("codecOrderRefreshTimeoutSecs"), 30), 0xFFFF, 30));
    config.identitiesRefreshTimeoutSecs =
        quint16(maskedUnsigned(s.value(QStringLiteral("identitiesRefreshTimeoutSecs"), 300), 0xFFFF, 300));
    config.queueStatsRefreshTimeoutSecs =
        quint16(maskedUnsigned(s.value(QStringLiteral("queueStatsRefreshTimeoutSecs"), 300), 0xFFFF, 300));
    config.excludedOutlookFolders = semicolonList(s.value(QStringLiteral("excludedOutlookFolders")).toString());
    config.chatKeepAliveSendIntervalSecs =
        intInRange(s.value(QStringLiteral("chatKeepAliveSendIntervalSecs"), 120), INT_MIN, INT_MAX, 120);
    config.echoCanceller = switchDefaultOn(s.value(QStringLiteral("echoCanceller")));
    config.echoCancellerLmsFilter = switchDefaultOff(s.value(QStringLiteral("echoCancellerLmsFilter")));
    config.echoSuppressor = switchDefaultOn(s.value(QStringLiteral("echoSuppressor")));

    bool ok = false;
    double real = s.value(QStringLiteral("suppressorLowerThreshold"), 10.0).toDouble(&ok);
    config.suppressorLowerThreshold = ok ? real : 10.0;
    real = s.value(QStringLiteral("suppressorUpperThreshold"), 40.0).toDouble(&ok);
    config.suppressorUpperThreshold = ok ? real : 40.0;
    config.suppressorDivider = intInRange(s.value(QStringLiteral("suppressorDivider"), 15), INT_MIN, INT_MAX, 15);
    config.suppressorConvergenceMillis =
        intInRange(s.value(QStringLiteral("suppressorConvergenceMillis"), 4000), INT_MIN, INT_MAX, 4000);

    s.endGroup();
}

void MSettingsStore::readGuiGroup(QSettings &s)
{
    using namespace MSettingsRules;
    s.beginGroup(kGroupGui);

    // A file without a usable geometry keeps the first-start geometry, so the
    // main window never opens at 0,0 with no size.
    bool geometryOk = true;
    int geometry[4] = {0, 0, 0, 0};
    const char *const geometryKeys[4] = {"x", "y", "width", "height"};
    for (int i = 0; i < 4; ++i) {
        const QVariant v = s.value(QLatin1String(geometryKeys[i]));
        bool ok = false;
        geometry[i] = v.toInt(&ok);
        geometryOk = geometryOk && v.isValid() && ok;
    }
    if (geometryOk && geometry[2] > 0 && geometry[3] > 0) {
        savedX = geometry[0];
        savedY = geometry[1];
        savedWidth = geometry[2];
        savedHeight = geometry[3];
    } else {
        savedX = kDefaultX;
        savedY = kDefaultY;
        savedWidth = kDefaultWidth;
        savedHeight = kDefaultHeight;
    }

    slimMode = intInRange(s.value(QStringLiteral("slimMode"), 0), INT_MIN, INT_MAX, 0);
    keypad = intInRange(s.value(QStringLiteral("keypad"), 1), INT_MIN, INT_MAX, 1);
    volumes = intInRange(s.value(QStringLiteral("volumes"), 1), INT_MIN, INT_MAX, 1);
    qcallsCount = intInRange(s.value(QStringLiteral("qcallsCount"), 0), INT_MIN, INT_MAX, 0);
    funcButtons = intInRange(s.value(QStringLiteral("funcButtons"), 1), INT_MIN, INT_MAX, 1);
    layoutLock = s.value(QStringLiteral("layoutLock"), false).toBool();
    visuallyImpaired = s.value(QStringLiteral("visuallyImpaired"), 0).toInt() != 0;
    playTones = s.value(QStringLiteral("playTones"), 0).toInt() != 0;

    s.endGroup();
}

void MSettingsStore::restoreParameters()
{
    setSelectedAccount(values.config.account.given ? values.config.account.value : QString());
    emit valuesRestored();
}

void MSettingsStore::saveParameters()
{
    const MctiConfig &config = values.config;
    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupCti);
    s.setValue(QStringLiteral("Maddress"), config.pbxAddress.value);
    s.setValue(QStringLiteral("user"), config.username.value);
    s.setValue(QStringLiteral("utf8pwd"), true);
    s.setValue(QStringLiteral("password"), SimpleObfuscator::hide(config.password.value));
    s.setValue(QStringLiteral("account"), config.account.value);
    s.setValue(QStringLiteral("AppMode"), values.selectedAppMode);
    s.setValue(QStringLiteral("SIPRegistrarAddress"), config.sipRegistrarAddress.value);
    s.setValue(QStringLiteral("SIPProxyAddress"), config.sipProxyAddress.value);
    s.setValue(QStringLiteral("SIPProtocol"), config.sipProtocol.value);
    s.setValue(QStringLiteral("spkdevice"), config.spkDevice.value);
    s.setValue(QStringLiteral("micdevice"), config.micDevice.value);
    s.setValue(QStringLiteral("ringdevice"), config.ringDevice.value);
    s.setValue(QStringLiteral("cdrFilterValue"), uint(int(config.cdrFilter)));
    s.setValue(QStringLiteral("startMinimized"), int(values.startMinimized));
    s.setValue(QStringLiteral("PauseOnLogoff"), int(values.pauseOnLogoff));
    s.setValue(QStringLiteral("PauseOnIncomingCall"), int(values.pauseOnQueueAnswer));
    s.setValue(QStringLiteral("CopyToCall"), int(values.copyToCall));
    s.setValue(QStringLiteral("PopupCall"), int(values.popupCall));
    s.setValue(QStringLiteral("Language"), config.language.value);
    s.setValue(QStringLiteral("actionsToExten"), int(values.actionsToExten));
    s.setValue(QStringLiteral("outboundActions"), int(values.outboundActions));
    s.setValue(QStringLiteral("actionsOnC2c"), int(values.actionsOnC2c));
    s.setValue(QStringLiteral("importOutlookContacts"), int(values.outlookImport));
    s.setValue(QStringLiteral("checkUpdatesAtStartup"), int(values.checkUpdatesAtStartup));
    s.setValue(QStringLiteral("checkUpdatesTimeoutMins"), values.checkUpdatesTimeoutMins);
    s.setValue(QStringLiteral("maxCdrViewDays"), values.maxCdrViewDays);
    s.setValue(QStringLiteral("rapidCallMods"), rapidCallMods);
    s.setValue(QStringLiteral("rapidCallKey"), rapidCallKeyText);
    s.setValue(QStringLiteral("useLocalSipRegistrar"), values.useLocalSipRegistrar);
    s.setValue(QStringLiteral("MinJitterBufferMillis"), int(config.minJitterBufferMillis));
    s.setValue(QStringLiteral("MaxJitterBufferMillis"), int(config.maxJitterBufferMillis));
    s.setValue(QStringLiteral("SecondsWithoutMediaBeforeHangup"), int(config.secondsWithoutMediaBeforeHangup));
    if (!config.queueNames.isEmpty())
        s.setValue(QStringLiteral("queueNames"), config.queueNames);
    if (config.contactsRefreshTimeoutSecs != 600)
        s.setValue(QStringLiteral("contactsRefreshTimeoutSecs"), int(config.contactsRefreshTimeoutSecs));
    if (config.cdrRefreshTimeoutSecs != 90)
        s.setValue(QStringLiteral("cdrRefreshTimeoutSecs"), int(config.cdrRefreshTimeoutSecs));
    if (config.codecOrderRefreshTimeoutSecs != 30)
        s.setValue(QStringLiteral("codecOrderRefreshTimeoutSecs"), int(config.codecOrderRefreshTimeoutSecs));
    if (config.identitiesRefreshTimeoutSecs != 300)
        s.setValue(QStringLiteral("identitiesRefreshTimeoutSecs"), int(config.identitiesRefreshTimeoutSecs));
    if (config.queueStatsRefreshTimeoutSecs != 300)
        s.setValue(QStringLiteral("queueStatsRefreshTimeoutSecs"), int(config.queueStatsRefreshTimeoutSecs));
    if (!config.excludedOutlookFolders.isEmpty())
        s.setValue(QStringLiteral("excludedOutlookFolders"), config.excludedOutlookFolders.join(QLatin1Char(';')));
    s.endGroup();

    s.beginGroup(kGroupDebug);
    s.setValue(QStringLiteral("dumpCtilibMessages"), int(dumpCtilibMessages));
    s.endGroup();

    s.beginGroup(kGroupActions);
    s.remove(QString());
    int number = 1;
    for (const MctiAction &action : qAsConst(actionMap)) {
        s.beginGroup(QString::number(number++));
        s.setValue(QStringLiteral("event"), action.event);
        s.setValue(QStringLiteral("actionType"), action.actionType);
        s.setValue(QStringLiteral("actionText"), action.actionText);
        s.endGroup();
    }
    s.endGroup();

    s.beginGroup(kGroupGui);
    s.setValue(QStringLiteral("x"), savedX);
    s.setValue(QStringLiteral("y"), savedY);
    s.setValue(QStringLiteral("width"), savedWidth);
    s.setValue(QStringLiteral("height"), savedHeight);
    s.setValue(QStringLiteral("slimMode"), slimMode);
    s.setValue(QStringLiteral("keypad"), keypad);
    s.setValue(QStringLiteral("volumes"), volumes);
    s.setValue(QStringLiteral("qcallsCount"), qcallsCount);
    s.setValue(QStringLiteral("funcButtons"), funcButtons);
    s.setValue(QStringLiteral("visuallyImpaired"), int(visuallyImpaired));
    s.setValue(QStringLiteral("playTones"), int(playTones));
    s.endGroup();

    finishWrite(s);
}

void MSettingsStore::applyChange(const MSettingsChange &change)
{
    values = change.next;
    saveParameters();
    emit changed();
    for (MSettingsChange::Signal signal : change.signalsToEmit) {
        switch (signal) {
        case MSettingsChange::Signal::AudioDeviceChanged:
            emit sigAudioDeviceChanged();
            break;
        case MSettingsChange::Signal::MctiServicesChanged:
            emit sigMctiServicesChanged();
            break;
        case MSettingsChange::Signal::UpdatesSettingsChanged:
            emit sigUpdatesSettingsChanged();
            break;
        case MSettingsChange::Signal::CdrSettingsChanged:
            emit sigCdrSettingsChanged();
            break;
        case MSettingsChange::Signal::SipSettingsChanged:
            emit sigSipSettingsChanged();
            break;
        case MSettingsChange::Signal::Copy2CallOn:
            emit sigCopy2CallToggled(true);
            break;
        case MSettingsChange::Signal::Copy2CallOff:
            emit sigCopy2CallToggled(false);
            break;
        case MSettingsChange::Signal::RestartRequested:
            emit sigRestartRequested(true);
            break;
        }
    }
}

// ---------------------------------------------------------------------------
// Operating mode and account list

MSETTINGS::AppMode MSettingsStore::getSelectedAppMode() const
{
    if (presetAppMode >= 0 && presetAppMode < kAppModeCount)
        return MSETTINGS::AppMode(presetAppMode);
    return MSETTINGS::AppMode(values.selectedAppMode);
}

void MSettingsStore::updateAppMode(MSETTINGS::AppMode mode)
{
    values.appMode = mode;
    values.selectedAppMode = mode;
    emit appModeApplied(mode);
    emit changed();
    restoreParameters();
}

void MSettingsStore::setAccountList(IdentityList list)
{
    const bool differs = !(identities == list);
    if (differs)
        identities = list;
    emit accountListChanged();
    if (differs)
        emit changed();
}

const IdentityList &MSettingsStore::getAccountList() const
{
    return identities;
}

void MSettingsStore::setSelectedAccount(QString name)
{
    values.config.account.set(name);
    emit selectedAccountChanged(values.config.account.value);
    emit changed();
}

QString MSettingsStore::getSelectedAccount() const
{
    return values.config.account.value;
}

// ---------------------------------------------------------------------------
// Automatic actions

quint32 MSettingsStore::getActionKey(MctiAction *action) const
{
    return action ? MctiActions::hashKey(*action) : 0;
}

bool MSettingsStore::isActionRequested(int event) const
{
    for (const MctiAction &action : actionMap) {
        if (action.event == event)
            return true;
    }
    return false;
}

QList<MctiAction> MSettingsStore::getEventActions(int event) const
{
    return MctiActions::forEvent(actionMap, event);
}

void MSettingsStore::setActions(const MctiActionMap &actions)
{
    actionMap = actions;
    emit actionsChanged();
    emit changed();
}

// ---------------------------------------------------------------------------
// SIP and audio

void MSettingsStore::setMPhoneSipSettings(QString transport, QString registrar, quint16 registrarPort, QString proxy,
                                          quint16 proxyPort)
{
    Q_UNUSED(transport)
    logLine(UNQL::LOG_INFO)
        << Q_FUNC_INFO
        << QStringLiteral("Received Sip Settings with Registrar IP:%1 and Proxy IP:%2").arg(registrar, proxy);

    // The addresses come from the PBX: one that is not a host name, an IPv4
    // address or a bracketed IPv6 literal with an optional port is refused and
    // the value in force kept.
    const auto acceptable = [](const QString &value) { return MSettingsRules::isAcceptableSipAddress(value); };
    auto withPort = [](QString host, quint16 port) {
        // An IPv6 literal gets its brackets so that a port can follow.
        if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
            host = QStringLiteral("[%1]").arg(host);
        return port != 0 ? QStringLiteral("%1:%2").arg(host).arg(port) : host;
    };

    MctiConfig &config = values.config;
    if (!values.useLocalSipRegistrar) {
        if (registrar.isEmpty()) {
            config.sipRegistrarAddress = config.pbxAddress;
        } else {
            const QString value = withPort(registrar, registrarPort);
            if (acceptable(value))
                config.sipRegistrarAddress.set(value);
            else
                logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << QStringLiteral("Ignoring invalid SIP registrar address");
        }
    }
    if (!proxy.isEmpty()) {
        const QString value = withPort(proxy, proxyPort);
        if (acceptable(value))
            values.sipProxyAddress = value;
        else
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << QStringLiteral("Ignoring invalid SIP proxy address");
    }

    emit changed();
    restoreParameters();
}

void MSettingsStore::setMPhoneSipAccount(QString a, QString b, QString c)
{
    values.config.sipUsername = b;
    values.config.sipPassword = c;
    values.config.sipUser = a;
    emit changed();
}

void MSettingsStore::saveAudioVolumes(int mic, int spk)
{
    // The read rule keeps 0 to 100 only; memory holds what the file will give back.
    mic = qBound(0, mic, 100);
    spk = qBound(0, spk, 100);
    values.config.micVol.set(mic);
    values.config.spkVol.set(spk);
    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupCti);
    s.setValue(QStringLiteral("micVol"), mic);
    s.setValue(QStringLiteral("spkVol"), spk);
    s.endGroup();
    finishWrite(s);
    emit changed();
}

void MSettingsStore::getAudioVolumes(int &mic, int &spk) const
{
    mic = values.config.micVol.value;
    spk = values.config.spkVol.value;
}

void MSettingsStore::populateAudioDevices(QStringList inputDevices, QStringList outputDevices)
{
    audioInputDevices = inputDevices;
    audioOutputDevices = outputDevices;
    audioDevicesKnown = true;
    emit audioDevicesChanged();
}

void MSettingsStore::updateDisplayedCodecs(const QStringList &codecs)
{
    shownCodecs = codecs;
    codecsKnown = true;
    emit codecsChanged();
}

// ---------------------------------------------------------------------------
// Rapid-call hot key and copy-to-call

bool MSettingsStore::isCopyToCallEnabled() const
{
    return !systemShortcutsEnabled && values.copyToCall;
}

bool MSettingsStore::isSystemShortcutsEnabled() const
{
    return systemShortcutsEnabled;
}

void MSettingsStore::setRapidCallHotKey(const QString &modifier, const QString &key)
{
    rapidCallMods = modifier;
    rapidCallKeyText = key;
    emit changed();
}

// ---------------------------------------------------------------------------
// Values in force

MctiConfig MSettingsStore::getConfig() const
{
    return values.config;
}
int MSettingsStore::getLanguageId() const
{
    return values.config.language.value;
}
QString MSettingsStore::getMUsername() const
{
    return values.config.username.value;
}
QString MSettingsStore::getMPassword() const
{
    return values.config.password.value;
}
QString MSettingsStore::getMAddress() const
{
    return values.config.pbxAddress.value;
}
QString MSettingsStore::getSipRegistrarAddress() const
{
    return values.config.sipRegistrarAddress.value;
}
QString MSettingsStore::getSipProxyAddress() const
{
    return values.config.sipProxyAddress.value;
}
quint16 MSettingsStore::getClientApiServerLocalPort() const
{
    return quint16(clientApiServerLocalPort);
}
int MSettingsStore::getChatKeepAliveSendIntervalSecs() const
{
    return values.config.chatKeepAliveSendIntervalSecs;
}
MctiConfig::MCdrFilterFlags MSettingsStore::getCdrFilterValue() const
{
    return values.config.cdrFilter;
}
bool MSettingsStore::isStartMinimizedSet() const
{
    return values.startMinimized;
}
bool MSettingsStore::isOutlookImportRequested() const
{
    return values.outlookImport;
}
bool MSettingsStore::isCheckUpdatesAtStartupEnabled() const
{
    return values.checkUpdatesAtStartup;
}
bool MSettingsStore::isPopupCallEnabled() const
{
    return values.popupCall;
}
bool MSettingsStore::isExtenActionsEnabled() const
{
    return values.actionsToExten;
}
bool MSettingsStore::isOutboundActionsEnabled() const
{
    return values.outboundActions;
}
bool MSettingsStore::isC2cActionsEnabled() const
{
    return values.actionsOnC2c;
}
bool MSettingsStore::isPauseOnLogoffRequired() const
{
    return pauseSettingsEnabled && values.pauseOnLogoff;
}
bool MSettingsStore::isPauseOnInQueueCallRequired() const
{
    return pauseSettingsEnabled && values.pauseOnQueueAnswer;
}
int MSettingsStore::checkUpdatesTimeoutMinutes() const
{
    return values.checkUpdatesTimeoutMins;
}
int MSettingsStore::getMaxCdrViewDays() const
{
    return values.maxCdrViewDays;
}
bool MSettingsStore::isCtilibMessagesDumpEnabled() const
{
    return dumpCtilibMessages;
}
bool MSettingsStore::isVisuallyImpaired() const
{
    return visuallyImpaired;
}
bool MSettingsStore::isPlayTonesEnabled() const
{
    return playTones;
}
bool MSettingsStore::isSlimMode() const
{
    return slimMode != 0;
}
bool MSettingsStore::isKeyPadVisible() const
{
    return keypad != 0;
}
bool MSettingsStore::isVolumesFrameVisible() const
{
    return volumes != 0;
}
bool MSettingsStore::isQCallsCountVisible() const
{
    return qcallsCount != 0;
}
bool MSettingsStore::isFuncButtonsFrameVisible() const
{
    return funcButtons != 0;
}
QPoint MSettingsStore::getSavedPosition() const
{
    return QPoint(savedX, savedY);
}
int MSettingsStore::getSavedWidth() const
{
    return savedWidth;
}
int MSettingsStore::getSavedHeigth() const
{
    return savedHeight;
}
bool MSettingsStore::isLayoutLocked() const
{
    return layoutLock;
}
bool MSettingsStore::isContactFavourite(const QString &contact) const
{
    return favourites.contains(contact);
}

QList<int> MSettingsStore::getAnswCallsTimeThresholdList()
{
    answeredCallsThresholds.removeAll(kThresholdNotSet);
    return answeredCallsThresholds;
}

QList<int> MSettingsStore::getLostCallsTimeThresholdList()
{
    lostCallsThresholds.removeAll(kThresholdNotSet);
    return lostCallsThresholds;
}

QString MSettingsStore::getLastReportFileName() const
{
    return reportFileName;
}
CTILIB::PeriodType MSettingsStore::getLastReportPeriod() const
{
    return reportPeriod;
}

QByteArray MSettingsStore::savedLayoutState(const QString &key) const
{
    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupGui);
    const QByteArray state = s.value(key).toByteArray();
    s.endGroup();
    return state;
}

// ---------------------------------------------------------------------------
// Setters kept in memory

void MSettingsStore::savePos(int x, int y)
{
    savedX = x;
    savedY = y;
    emit changed();
}

void MSettingsStore::saveDimension(int w, int h)
{
    savedWidth = w;
    savedHeight = h;
    emit changed();
}

void MSettingsStore::setSlimMode(bool on)
{
    slimMode = on ? 1 : 0;
    emit changed();
}
void MSettingsStore::setKeyPadVisible(bool on)
{
    keypad = on ? 1 : 0;
    emit changed();
}
void MSettingsStore::setVolumesVisible(bool on)
{
    volumes = on ? 1 : 0;
    emit changed();
}
void MSettingsStore::setQCallsCountVisible(bool on)
{
    qcallsCount = on ? 1 : 0;
    emit changed();
}
void MSettingsStore::setFuncButtonsVisible(bool on)
{
    funcButtons = on ? 1 : 0;
    emit changed();
}
void MSettingsStore::setVisuallyImpaired(bool on)
{
    visuallyImpaired = on;
    emit changed();
}
void MSettingsStore::setPlayTonesEnabled(bool on)
{
    playTones = on;
    emit changed();
}

void MSettingsStore::setCdrFilterValue(MctiConfig::MCdrFilterFlags flags)
{
    values.config.cdrFilter = convert_cdr_value_into_flags(unsigned(int(flags)));
    emit changed();
}

void MSettingsStore::setCtiUsername(QString username)
{
    values.config.username.set(username);
    emit changed();
}
void MSettingsStore::setCtiPassword(QString password)
{
    values.config.password.set(password);
    emit changed();
}
void MSettingsStore::setSupervisorMode(bool on)
{
    supervisorMode = on;
    emit changed();
}

void MSettingsStore::setPauseSettingsEnabled(bool on)
{
    pauseSettingsEnabled = on;
    emit pauseSettingsEnabledChanged(on);
    emit changed();
}

// ---------------------------------------------------------------------------
// Setters that write the file at once

void MSettingsStore::addFavourites(QString contact)
{
    // A contact is a favourite once: adding it again changes nothing.
    if (contact.isEmpty() || favourites.contains(contact))
        return;
    favourites.append(contact);
    updateFavouritesList();
    emit changed();
}

void MSettingsStore::removeFavourites(QString contact)
{
    // Every equal entry goes, so that a contact is never left starred.
    favourites.removeAll(contact);
    updateFavouritesList();
    emit changed();
}

void MSettingsStore::updateFavouritesList()
{
    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupFavourites);
    s.remove(QString());
    for (int i = 0; i < favourites.size(); ++i) {
        s.beginGroup(QString::number(i + 1));
        s.setValue(QStringLiteral("contact"), favourites.at(i));
        s.endGroup();
    }
    s.endGroup();
    finishWrite(s);
}

void MSettingsStore::saveLayouts(QByteArray mainState, QByteArray linesState)
{
    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupGui);
    s.setValue(QStringLiteral("mainSplitterState"), mainState);
    s.setValue(QStringLiteral("linesSplitterState"), linesState);
    s.endGroup();
    finishWrite(s);
}

void MSettingsStore::saveTablesHeaders(QByteArray fav, QByteArray ext, QByteArray cont, QByteArray cdr)
{
    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupGui);
    s.setValue(QStringLiteral("favTabState"), fav);
    s.setValue(QStringLiteral("extTabState"), ext);
    s.setValue(QStringLiteral("contTabState"), cont);
    s.setValue(QStringLiteral("cdrTabState"), cdr);
    s.endGroup();
    finishWrite(s);
}

void MSettingsStore::saveLayoutsLock(bool locked)
{
    layoutLock = locked;
    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupGui);
    s.setValue(QStringLiteral("layoutLock"), int(locked));
    s.endGroup();
    finishWrite(s);
    emit changed();
}

void MSettingsStore::saveReportParameters(CTILIB::PeriodType period, QList<int> answered, QList<int> lost, QString file)
{
    answeredCallsThresholds = answered;
    lostCallsThresholds = lost;
    reportFileName = file;
    reportPeriod = period;

    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupReport);
    s.setValue(QStringLiteral("period"), CTILIB::periodTypeToString(period));
    s.setValue(QStringLiteral("outputFileName"), file);
    s.endGroup();
    const struct {
        const char *array;
        const QList<int> *list;
    } arrays[] = {{kAnsweredThresholds, &answered}, {kLostThresholds, &lost}};
    for (const auto &entry : arrays) {
        s.remove(QLatin1String(entry.array));
        s.beginWriteArray(QLatin1String(entry.array), entry.list->size());
        for (int i = 0; i < entry.list->size(); ++i) {
            s.setArrayIndex(i);
            s.setValue(QStringLiteral("threshold"), entry.list->at(i));
        }
        s.endArray();
    }
    finishWrite(s);
    emit changed();
}

void MSettingsStore::checkThresholds()
{
    std::sort(answeredCallsThresholds.begin(), answeredCallsThresholds.end());
    std::sort(lostCallsThresholds.begin(), lostCallsThresholds.end());
    emit changed();
    emit sigChangeThresholds();
}
