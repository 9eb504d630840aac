// The client's settings and their file "mcti.ini", without any widget.
//
// The constructor seeds the start-up values the configuration record marks as
// given into the file; init() reads the whole file once; saveParameters()
// writes the values in force back. A few setters write their own keys at once
// (favourites, splitter and header states, layout lock, report parameters,
// audio volumes). Every reader of a setting uses the getters here; the
// settings dialog shows and edits the same values through this store.
//
// Signals: changed() after any value in force changed; the change signals
// that follow an accepted settings form (applyChange()), in the order
// sigAudioDeviceChanged, sigMctiServicesChanged, sigUpdatesSettingsChanged,
// sigCdrSettingsChanged, sigSipSettingsChanged, sigCopy2CallToggled, or
// sigRestartRequested(true) alone; sigChangeThresholds from checkThresholds();
// and the signals a form showing the values follows (valuesRestored() and the
// ones below it).
#pragma once

#include "app/mcticonfig.h"
#include "ctilibtypes.h"
#include "mctiaction.h"
#include "msettings.h"
#include "msettingschange.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QStringList>

class QSettings;

class MSettingsStore : public QObject
{
    Q_OBJECT

public:
    explicit MSettingsStore(const MctiConfig &config, QObject *parent = nullptr);
    ~MSettingsStore() override;

    // The host-or-address pattern of the PBX, SIP registrar and proxy addresses.
    static QString hostAddressPattern();
    static MctiConfig::MCdrFilterFlags convert_cdr_value_into_flags(const unsigned &value);

    // Settings file.
    // Reads the whole file; without a file it marks the first run and returns false.
    bool readFile();
    // readFile(), then announces the copy-to-call state in force.
    void init();
    void announceCopyToCall();
    bool isFirstRun() const { return values.firstRun; }
    // Drops the account's previous value and tells a form to show the values in force.
    void restoreParameters();
    void saveParameters();

    // The values the settings form edits, and taking over what it entered.
    const MSettingsValues &valuesInForce() const { return values; }
    // Takes `change.next` as the values in force, saves the file and emits the
    // change signals `change` lists.
    void applyChange(const MSettingsChange &change);

    // Operating mode and account list.
    MSETTINGS::AppMode getSelectedAppMode() const;
    // The mode applied at log-in, -1 before the first log-in.
    int appliedAppMode() const { return values.appMode; }
    void updateAppMode(MSETTINGS::AppMode mode);
    void setAccountList(IdentityList list);
    const IdentityList &getAccountList() const;
    void setSelectedAccount(QString name);
    QString getSelectedAccount() const;

    // Automatic actions.
    quint32 getActionKey(MctiAction *action) const;
    bool isActionRequested(int event) const;
    QList<MctiAction> getEventActions(int event) const;
    const MctiActionMap &actions() const { return actionMap; }
    void setActions(const MctiActionMap &actions);

    // SIP and audio values reported by the PBX and the phone engine.
    void setMPhoneSipSettings(QString transport, QString registrar, quint16 registrarPort, QString proxy,
                              quint16 proxyPort);
    void setMPhoneSipAccount(QString a, QString b, QString c);
    void saveAudioVolumes(int mic, int spk);
    void getAudioVolumes(int &mic, int &spk) const;
    // The phone engine's device names and the identity's codecs, which the
    // settings form offers and shows; not stored in the file.
    void populateAudioDevices(QStringList inputDevices, QStringList outputDevices);
    bool areAudioDevicesKnown() const { return audioDevicesKnown; }
    QStringList getAudioInputDevices() const { return audioInputDevices; }
    QStringList getAudioOutputDevices() const { return audioOutputDevices; }
    void updateDisplayedCodecs(const QStringList &codecs);
    bool areCodecsKnown() const { return codecsKnown; }
    QStringList getDisplayedCodecs() const { return shownCodecs; }

    // Rapid-call hot key and copy-to-call.
    bool isCopyToCallEnabled() const;
    bool isSystemShortcutsEnabled() const;
    QString rapidCallModifier() const { return rapidCallMods; }
    QString rapidCallKey() const { return rapidCallKeyText; }
    void setRapidCallHotKey(const QString &modifier, const QString &key);

    // Values in force.
    MctiConfig getConfig() const;
    int getLanguageId() const;
    QString getMUsername() const;
    QString getMPassword() const;
    QString getMAddress() const;
    QString getSipRegistrarAddress() const;
    QString getSipProxyAddress() const;
    quint16 getClientApiServerLocalPort() const;
    int getChatKeepAliveSendIntervalSecs() const;
    MctiConfig::MCdrFilterFlags getCdrFilterValue() const;
    bool isStartMinimizedSet() const;
    bool isOutlookImportRequested() const;
    bool isCheckUpdatesAtStartupEnabled() const;
    bool isPopupCallEnabled() const;
    bool isExtenActionsEnabled() const;
    bool isOutboundActionsEnabled() const;
    bool isC2cActionsEnabled() const;
    bool isPauseOnLogoffRequired() const;
    bool isPauseOnInQueueCallRequired() const;
    bool isPauseSettingsEnabled() const { return pauseSettingsEnabled; }
    int checkUpdatesTimeoutMinutes() const;
    int getMaxCdrViewDays() const;
    bool isCtilibMessagesDumpEnabled() const;
    bool isVisuallyImpaired() const;
    bool isPlayTonesEnabled() const;
    bool isSlimMode() const;
    bool isKeyPadVisible() const;
    bool isVolumesFrameVisible() const;
    bool isQCallsCountVisible() const;
    bool isFuncButtonsFrameVisible() const;
    QPoint getSavedPosition() const;
    int getSavedWidth() const;
    int getSavedHeigth() const;
    bool isLayoutLocked() const;
    bool isContactFavourite(const QString &contact) const;
    // Both drop the thresholds that are not set from the stored list first.
    QList<int> getAnswCallsTimeThresholdList();
    QList<int> getLostCallsTimeThresholdList();
    QString getLastReportFileName() const;
    CTILIB::PeriodType getLastReportPeriod() const;
    // The stored splitter states ("mainSplitterState", "linesSplitterState")
    // and table header states ("favTabState", ...), read from the file.
    QByteArray savedLayoutState(const QString &key) const;

    // Setters kept in memory until the next saveParameters().
    void savePos(int x, int y);
    void saveDimension(int w, int h);
    void setSlimMode(bool on);
    void setKeyPadVisible(bool on);
    void setVolumesVisible(bool on);
    void setQCallsCountVisible(bool on);
    void setFuncButtonsVisible(bool on);
    void setVisuallyImpaired(bool on);
    void setPlayTonesEnabled(bool on);
    void setCdrFilterValue(MctiConfig::MCdrFilterFlags flags);
    void setCtiUsername(QString username);
    void setCtiPassword(QString password);
    void setSupervisorMode(bool on);
    void setPauseSettingsEnabled(bool on);

    // Setters that write the settings file at once.
    void addFavourites(QString contact);
    void removeFavourites(QString contact);
    void updateFavouritesList();
    void saveLayouts(QByteArray mainState, QByteArray linesState);
    void saveTablesHeaders(QByteArray fav, QByteArray ext, QByteArray cont, QByteArray cdr);
    void saveLayoutsLock(bool locked);
    void saveReportParameters(CTILIB::PeriodType period, QList<int> answered, QList<int> lost, QString file);
    void checkThresholds();

signals:
    // Any value in force changed.
    void changed();

    void sigRestartRequested(bool restart);
    void sigSipSettingsChanged();
    void sigGuiLanguageChanged(int language);
    void sigAudioDeviceChanged();
    void sigMctiServicesChanged();
    void sigUpdatesSettingsChanged();
    void sigCdrSettingsChanged();
    void sigChangeThresholds();
    void sigCopy2CallToggled(bool enabled);

    // A write of the file failed; once per run of failures, until a write succeeds.
    void saveFailed(const QString &fileName);

    // For a form that shows the values: show the values in force again.
    void valuesRestored();
    // The operating mode applied at log-in changed (appliedAppMode()).
    void appModeApplied(int mode);
    void accountListChanged();
    void selectedAccountChanged(const QString &name);
    void actionsChanged();
    void pauseSettingsEnabledChanged(bool enabled);
    void audioDevicesChanged();
    void codecsChanged();

private:
    void finishWrite(QSettings &settings);
    // Takes serialized variants out of the settings file before QSettings reads it.
    void scrubFile();
    void readCtiGroup(QSettings &settings);
    void readGuiGroup(QSettings &settings);

    MSettingsValues values;
    int presetAppMode = -1; // from the start-up record, -1 none
    bool pauseSettingsEnabled = false;
    bool systemShortcutsEnabled = false;
    bool supervisorMode = false;
    bool visuallyImpaired = false;
    bool playTones = false;
    bool saveFailureReported = false;
    bool legacyMigrated = false;
    bool dumpCtilibMessages = false;
    int sipRegisterExpiration = 300;
    int clientApiServerLocalPort = 5039;
    QString rapidCallMods;
    QString rapidCallKeyText;

    QList<int> answeredCallsThresholds;
    QList<int> lostCallsThresholds;
    CTILIB::PeriodType reportPeriod;
    QString reportFileName;

    int savedX = 200;
    int savedY = 100;
    int savedWidth = 508;
    int savedHeight = 604;
    int slimMode = 0;
    int funcButtons = 1;
    int keypad = 1;
    int qcallsCount = 0;
    int volumes = 1;
    bool layoutLock = false;

    QStringList favourites;
    MctiActionMap actionMap;
    IdentityList identities;

    QStringList audioInputDevices;
    QStringList audioOutputDevices;
    bool audioDevicesKnown = false;
    QStringList shownCodecs;
    bool codecsKnown = false;
};
