// The single modal, tabbed settings dialog of the client.
//
// The values and the settings file "mcti.ini" belong to an MSettingsStore;
// the dialog shows them in its form and, on "OK", takes over what was entered
// (MSettingsChange works out what changed). Its getters and setters forward
// to the store, and it relays the store's change signals as its own, so a
// caller may use either.
#pragma once

#include "app/mcticonfig.h"
#include "ctilibtypes.h"
#include "mctiaction.h"
#include "msettings.h"
#include "msettingschange.h"
#include "msettingsstore.h"
#include "uniqlogger.h"

#include <QDialog>
#include <QList>
#include <QModelIndex>
#include <QPoint>
#include <QStringList>

class QComboBox;
class QFileDialog;
class QLineEdit;
class QRegExpValidator;
class QSplitter;
class QStandardItemModel;
class QTreeView;
class SystemShortcut;

namespace Ui
{
class MSettingsDialog;
}

class MSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    // Creates and owns a store seeded from `config`.
    MSettingsDialog(const MctiConfig &config, QWidget *shortcutWidget, QWidget *parent = nullptr);
    // Shows and edits `store`, which it does not own and which must outlive it.
    MSettingsDialog(MSettingsStore *store, QWidget *shortcutWidget, QWidget *parent = nullptr);
    ~MSettingsDialog() override;

    MSettingsStore *store() const { return settings; }
    // What the form shows now, as OK would compare it with the values in force.
    MSettingsEntries enteredValues();

    // The form (its pages and widgets) is built the first time it is needed:
    // when the dialog is shown or a function works on the widgets. The values
    // live in the store, so the getters never need the widgets.
    void ensureFormBuilt();
    bool isFormBuilt() const { return ui != nullptr; }
    void setVisible(bool visible) override;

    // Construction and pages.
    void retranslateUi();
    static bool isCapitalLetter(const QString &text);
    // The host-or-address pattern of the PBX, SIP registrar and proxy fields.
    static QString hostAddressPattern();

    // Settings file: restoreParameters() shows the values in force again.
    void restoreParameters();
    void saveParameters();
    static MctiConfig::MCdrFilterFlags convert_cdr_value_into_flags(const unsigned &value);

    // Operating mode and account list.
    MSETTINGS::AppMode getSelectedAppMode() const;
    void updateAppMode(MSETTINGS::AppMode mode);
    void setAccountList(IdentityList list);
    const IdentityList &getAccountList() const;
    void setSelectedAccount(QString name);
    QString getSelectedAccount() const;

    // Automatic actions.
    quint32 getActionKey(MctiAction *action) const;
    bool isActionRequested(int event) const;
    QList<MctiAction> getEventActions(int event) const;
    void initActionModel(QStandardItemModel *model);
    void refreshActionsTable();

    // Softphone page.
    void populateAudioDevices(QStringList inputDevices, QStringList outputDevices);
    void setMPhoneSipSettings(QString transport, QString registrar, quint16 registrarPort, QString proxy,
                              quint16 proxyPort);
    void setMPhoneSipAccount(QString a, QString b, QString c);
    void updateDisplayedCodecs(const QStringList &codecs);
    static QString codecsText(const QStringList &codecs);
    void saveAudioVolumes(int mic, int spk);
    void getAudioVolumes(int &mic, int &spk) const;

    // Rapid-call hot key and copy-to-call.
    bool isCopyToCallEnabled() const;
    bool isSystemShortcutsEnabled() const;
    void resetHotKeys();
    // "CTRL" and "1" give "CTRL+1"; a capital letter key adds "SHIFT+" in front.
    static QString hotKeyText(const QString &modifier, const QString &key);

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
    void restoreLayouts(QSplitter *mainSplitter, QSplitter *linesSplitter);
    void saveTablesHeaders(QByteArray fav, QByteArray ext, QByteArray cont, QByteArray cdr);
    bool restoreTableHeaders(QTreeView *view);
    void saveLayoutsLock(bool locked);
    void saveReportParameters(CTILIB::PeriodType period, QList<int> answered, QList<int> lost, QString file);
    void checkThresholds();

signals:
    void sigRestartRequested(bool restart);
    void sigSipSettingsChanged();
    void sigGuiLanguageChanged(int language);
    void sigAudioDeviceChanged();
    void sigMctiServicesChanged();
    void sigUpdatesSettingsChanged();
    void sigCdrSettingsChanged();
    void sigChangeThresholds();
    void sigRapidCallRequested();
    void sigCopy2CallToggled(bool enabled);

public slots:
    void init();
    int exec() override;

protected:
    void showEvent(QShowEvent *event) override;

public slots:
    void enableShowPassCheckbox(QString text);
    void showPassChars();
    void onChangeSettings();
    void addPlaceHolder();
    void resetActionsTable();
    void onCancelRequested();
    void onNewActionSelected(QModelIndex index);
    void onActionEditRequest();
    void onActionDeleteRequest();
    void onActionAddRequest();
    void onUpdateActionRequest();
    void onCertificateLoadRequest();
    void chooseAccount();
    int openDialog();
    // Puts the account list in front, for the next run of the dialog.
    void openOnAccountList();

private:
    void setUpStore(QWidget *shortcutWidget);
    void showRapidCallKeyInForce();
    void showValuesInForce();
    void showSelectedAccount();
    void applyPauseSettingsEnabled();
    static void selectExactText(QComboBox *box, const QString &text);
    static bool holdsAcceptableAddress(QLineEdit *edit);
    bool copyCertificate(const QString &source, const QString &target);
    void logLine(UNQL::LogMessagePriorityType priority, const char *function, const QString &text) const;
    int updatePeriodFromWidgets();
    Ui::MSettingsDialog *form();
    void buildForm();
    void applyAppModeToForm();
    void showAccountList();
    void showAudioDevices();

    MSettingsStore *settings = nullptr;
    MSettingsStore *ownedStore = nullptr; // the store made by the MctiConfig constructor

    Ui::MSettingsDialog *ui = nullptr; // null until buildForm()
    bool editActionMode = false;

    QStandardItemModel *actionModel = nullptr;
    QFileDialog *certificateChooser = nullptr;
    SystemShortcut *rapidCallShortcut = nullptr;
    QRegExpValidator *pbxAddressValidator = nullptr;
    QRegExpValidator *sipAddressValidator = nullptr;
    QRegExpValidator *sipProxyValidator = nullptr;
};
