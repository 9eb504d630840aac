// The main window: the program's central object, built by the entry with the
// configuration record, started once, and destroyed and built again when a
// restart is asked for.
#pragma once

#include "calls/mcticalldetails.h"
#include "ctilibtypes.h"
#include "widgets/balloon.h"
#include "widgets/mainwindowicons.h"

#include "app/mcticonfig.h"
#include "formfontfit.h"
#include "rebrandingpack.h"
#include "session/sessionrules.h"
#include "settings/msettings.h"
#include "ui_wdgveloraphone.h"
#include "widgets/mpguilabels.h"
#include "windowbackground.h"
#include <memory>

#include <QSharedPointer>

#include <QHash>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QModelIndex>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>

class QAction;
class QClipboard;
class QCompleter;
class QMenu;
class QMovie;
class CdrModel;
class ContactsModel;
class ExtensionsModel;
class QStandardItemModel;
class QTranslator;
struct WriterConfig;

class CallControl;
class CallLines;
class RapidCall;
class CallEvents;
class CallDirectory;
class ChatExtensionDirectory;
class CtiLib;
class ClientApiServer;
class DirectoryActions;
class DirectoryPanel;
struct MctiExtenDetails;
class DlgContactEdit;
class DlgRedirect;
class MSettingsDialog;
class MSettingsStore;
class MessagingPanel;
class MspMainWidget;
class PhoneBackends;
class QueuesController;
class BalloonBoard;
struct QueueStatus;
class PbxSession;
class UpdateScheduler;
class wdgBalloonMessage;
class customShortcut;

// The form class is a second, non-public base: every widget of the main form
// is a member of the window, reachable by its object name.
//
// The window is the hub: its slots and signals keep their names and hand the
// work to one object per subsystem, each holding that subsystem's state,
// timers and widgets (passed to it when the layout is built). A subsystem
// given the session object hears of the PBX session's start and end from it;
// the window tells its own listeners with sigSessionStarted() and
// sigSessionEnded().
class MPGui : public QMainWindow, private Ui::wdgVeloraPhone
{
    Q_OBJECT
public:
    explicit MPGui(const MctiConfig &config, QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~MPGui() override;

    // Second start-up stage, called once by the entry after construction.
    void start();

    // Creates the program-wide file logger once per process ("mphone.log" in
    // `dir`, which ends with a separator); null `config` takes the built-in one.
    void initLogger(const QString &name, const QString &dir, WriterConfig *config);

    QString getWindowTitleText() const { return windowTitleText; }
    bool isRestartRequested() const { return restartRequested; }

    // --- construction, CTI client object, layout (main window)
    // Creates the CTI client object, registers the record types that travel
    // in its signals and connects them; nothing when the object exists.
    void initMctiLib();
    // Builds the form and turns it into the working window: initial state,
    // operating mode, icons, actions, tray, shortcuts, dialogs, connections.
    void setupGuiLayout();
    void createIcons();
    void createActions();
    void createTrayIcon();
    void createShortcuts();
    // Schedules the automatic update checks (once, after the window is shown).
    void setupUpdates();

    // --- directory and call-history models
    ContactsModel *initContactsBookModel();
    ExtensionsModel *initExtenModel();
    CdrModel *initCdrModel();
    void initContactTables(CustomTreeView *view, bool restoreHeader);
    void initExtensionsTables(CustomTreeView *view, bool restoreHeader);
    void initCdrTables(CustomTreeView *view, bool restoreHeader);

    // Read-only views of the window's own objects (diagnostics and tests).
    CtiLib *ctiClient() const { return ctiLib; }
    MSettingsDialog *settings() const { return settingsDialog; }
    MSettingsStore *store() const { return settingsStore; }
    QSystemTrayIcon *systemTrayIcon() const { return trayIcon; }
    QMenu *systemTrayMenu() const { return trayIconMenu; }
    DlgRedirect *redirectDialog() const;
    DlgContactEdit *contactEditDialog() const;
    const QMap<QString, customShortcut *> &shortcuts() const { return shortcutsMap; }
    MSETTINGS::AppMode operatingMode() const { return appMode; }
    int listRowHeight() const;

    // The subsystem objects. The session, update and phone objects exist from
    // construction on, the others from the layout on (null before start()).
    PbxSession *pbxSession() const { return session; }
    UpdateScheduler *updateScheduler() const { return updates; }
    PhoneBackends *phoneBackends() const { return phones; }
    CallLines *callLines() const { return calls; }
    CallControl *callControl() const { return control; }
    RapidCall *rapidCall() const { return rapid; }
    CallEvents *callEvents() const { return events; }
    DirectoryPanel *directoryPanel() const { return directory; }
    DirectoryActions *directoryActions() const { return dirActions; }
    // The contact details of a number (extension map first, then the phone
    // book); null when unknown. Forwards to the directory panel.
    QSharedPointer<MctiExtenDetails> resolveContactNumber(const QString &number);
    MessagingPanel *messagingPanel() const { return messaging; }
    QueuesController *queuesController() const { return queues; }
    BalloonBoard *balloonBoard() const { return balloons; }
    // The current window and tray icon (undecorated) and the three state icons.
    QIcon currentIcon() const { return currentIconValue; }
    QIcon registeredStateIcon() const { return icons.mctiRegisteredIcon; }
    QIcon unregisteredStateIcon() const { return icons.mctiUnregisteredIcon; }
    QIcon disconnectedStateIcon() const { return icons.mctiDisconnectedSoftphoneIcon; }

    // Tab notification bits (1: missed call not seen, 2: unread chat): setting
    // one starts the tab blinking and the chat badge, clearing is seen by the
    // next tick.
    void setTabNotification(int bit, bool on);
    int tabNotificationBits() const { return tabNotifications; }
    // Queue pause states shown by the tray (all queues, some of them).
    void setQueuePauseState(bool all, bool some);
    // Opens a notification balloon, or updates the open one of the same key
    // and returns null.
    wdgBalloonMessage *openBalloon(const QString &message, const Balloon::BalloonInfo &info);
    // Where a finished rebranding download is put in place (tests swap its rename).
    RebrandingPack &rebrandingPack() { return rebranding; }
    // The support e-mail link of sendLogToSupport().
    static QUrl supportMailUrl();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

public:
signals:
    void sigWindowStateChanged(Qt::WindowStates state);
    void sigClosingIncomingLineWidget(qlonglong lineId);
    void sigClosingActiveLineWidget(qlonglong lineId);
    void sigAboutToExit();
    void sigDisconnected();
    void sigCheckUpdates();
    void sigStartUpgrade();
    // A log-in completed: what the PBX allows for this session.
    void sigSessionStarted(const SessionRules::SessionStart &session);
    // The session ended (or an attempt failed), with the reason read.
    void sigSessionEnded(const SessionRules::DisconnectReason &reason);

public slots:
    // A balloon started leaving: its key is free again.
    void onBaloonMsgClosing(Balloon::KeyPair key);
    // Ends the event loop: with -123456789 when a restart is required,
    // normally otherwise. False when the user declined to quit.
    bool quitApplication(bool isRestartRequired = false, bool askToUser = true);
    void onLanguageChangeRequested(int language);

    void onUpdatesAvailable(const QString &version);
    void onNoUpdatesFound();
    void onUpdatesCanceled();
    void onUpdatesError(const QString &error);

    // --- main form, layout and wiring (main window)
    void updateStrings();
    void retranslateActions();
    void setFocusOnTable();
    void onCurrentTabChanged(int index);
    void onActionNumberToneChanged(bool on);
    void changeTab();
    void setFocusOnMainNumEdit();
    void adjustWindowToTabbarWidth();

    // --- window state, tray and views (main window)
    void onWindowStateChanged(Qt::WindowStates oldState);
    void setIcon(const QIcon &icon, bool decorate);
    void updateTrayIcon();
    void updateTrayIconToolTip();
    void updateWindowTitle();
    void putOnTop();
    void putWindowOnTop(QWidget *w);
    void onVimpairedViewRequested(bool on);
    void trayIconActivated(QSystemTrayIcon::ActivationReason reason);
    void onSystemTrayMessageClicked();
    void moveToTray();
    void backFromTray();
    void onAlwaysOnTopRequested(bool on);
    void setTransparency(double opacity);
    void onTransparencyChangeRequest();
    void onSlimModeSelected();
    void onExtendedModeSelected();
    void updateKeypadVisibility();
    void updateFuncButtonsVisibility();
    void updateVolumesVisibility();
    void onShowKeypadTriggered();
    void onShowFuncButtonsTriggered();
    void onShowVolumesTriggered();
    void reloadBackgroundImage();
    void resizeBackgroundImage();
    void updateTabAnimIcon();
    void updateCdrIcon();
    void updateChatIcon();
    void onCopy2CallToggled(bool on);
    void onClipboardChanged();
    void onShowCompleterRequested();

    // --- updates, rebranding, menu actions (main window)
    void startCheckUpdatesTimer();
    void checkUpdates();
    void refreshRebrandingPackAfterAWhile();
    void refreshRebrandingPack();
    void onRebrandingDownloadCompleted(const QString &file);
    void reloadRebrandedAssets();
    void openConfigurationPanel();
    void sendLogToSupport();
    void startUpgrade(const QString &version);
    void openVeloraPbxUrl();
    void onApiRestErrorReceived(QString text);

    // --- softphone status and audio controls (main window)
    void setInputAudioValue(int value);
    void setOutputAudioValue(int value);
    void toggleMuteInputAudio();
    void toggleMuteOutputAudio();
    void onAudioDevicesChange();
    // Softphone registration and engine reports.
    void onSipAccountRegistered();
    void onSipAccountUnregistered();
    void onSipAccountRegistrationFailed();
    void onSipAccountTlsRegistrationFailed();
    void onSipAccountNotRegistered();
    void onMPengineError(int level, const QString &text);
    void onMPEngineWarning(const QString &text);
    void onPlantronicsHeadsetDetached(const QString &deviceName);

    // --- identities and account selection (main window)
    void onIdentitiesReceived(const IdentityList &list);
    void onSipSettingsReceived(const SipConfiguration &sip);
    void onSelectedAccountChanged();
    void loadMctiAccount();

    // --- phone back-ends
    void onPApiAuthorized(bool authorized);
    void updatePhoneApi();
    void resetPhoneApi();
    void setMuteInputAudio(bool mute);
    void setMuteOutputAudio(bool mute);
    // Desk-phone call events and state, filled by call handling and services.
    void onPApiCallEstablished(const QString &remoteNum, const QString &remoteName, qlonglong lineId);
    void onPApiCallFinished(const QString &remoteNum, const QString &remoteName, qlonglong lineId);
    void onPApiIcomingCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId);
    void onPApiOutgoingCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId);
    void onPApiMissedCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId);
    void updateDndStatus(bool on);
    void onLineOnHoldChanged(qlonglong lineId, bool active);
    // Softphone call events, connected when an engine is ready.
    void onSipIncomingCall(qlonglong lineId, QString remoteNum, QString remoteName);
    void onSipOutgoingCall(int lineId, QString remoteNum);
    void onSipCallEstablished(int lineId);
    void onSipCallFinished(int lineId);
    void onSipCallCanceled(int lineId);
    void onSipChangeOnHoldStatusFailed(qlonglong lineId);
    void onSipError(int lineId, int code, QString msg);
    // The line widgets' timers ask the engine for a line's duration and
    // microphone level; the engine's answers go to the line's widgets.
    void onCallDurationRequested(int lineId);
    void onOutgoingPeakLevelRequested(int lineId);
    void updateCallDuration(int lineId, int duration);
    void updateOutgoingPeakLevel(int lineId, int level);
    // The headset's answer key answers the ringing line it names.
    void answerIncomingCallRequested(qlonglong lineId);
    void sipEngineErrorMessageReceived(int code);
    void onRestartHoldLineRequested(qlonglong lineId);
    void onDisconnectedCall(qlonglong lineId, bool keepActive);

    // --- call handling
    void onCtisIncomingCall(const IncomingCallEvent &event);
    void onCtisOutgoingCall(const OriginateCallEvent &event);
    void onCtisCallEstablished(const AnsweredCallEvent &event);
    void onCtisCallFinished(const FinishedCallEvent &event);
    void onCtisMissedCall(const MissedCallEvent &event);
    void onCtisColpUpdate(const ColpUpdateEvent &event);
    void onCtisCallLocalInfoUpdate(const CallLocalInfoUpdateEvent &event);
    void recvdParkCallNotify(const QString &number, const QString &parkRoom, const QString &timeoutSeconds);
    void onChannelStatusRecvd(const ChannelStatus &status);
    void onLineButtonClicked();
    void onLineStatusChanged();
    void onNumPadClicked();
    void phoneTxtEnterKeyClicked();
    void clearClicked();
    void digitClicked(QString digit, QString keyName);
    void onShortcutRequested(QString key);
    // Call actions on a line (hang up, answer, refuse, ignore, park, hold, record).
    void hangupCall(qlonglong lineId);
    void answerIncomingCall(qlonglong lineId, QString remoteNum);
    void refuseIncomingCall(qlonglong lineId, QString remoteNum);
    void ignoreIncomingCall(qlonglong lineId, QString remoteNum);
    void askForParkCall(qlonglong lineId);
    void askForHoldCall(qlonglong lineId);
    void askForRecordCall(qlonglong lineId);
    // Transfers.
    void attendedTransferCall(const QString &toNum, qlonglong lineId = -1);
    void unattendedTransferCall(const QString &toNum, qlonglong lineId = -1);
    void requestUnTransferEstablishedCall(qlonglong lineId);
    void requestTransferEstablishedCall(qlonglong lineId);
    void askForUnTransferEstablishedCall(qlonglong lineId);
    void askForTransferEstablishedCall(qlonglong lineId);
    void triggerATransfer();
    void cancelCallTranfer(qlonglong lineId, bool retrieve);
    void transferIncomingCall(qlonglong lineId, QString remoteNum, QString dstCallee = QString());
    void handleFastTransfer();
    // Rapid call by the system-wide hot key (inert on this platform).
    void enableSystemShortcuts(bool enable);
    void globalCopyForRapidCall();
    void onDropCallToCallList(QDropEvent *event);
    void onDropCallToContactTable(QDropEvent *event);
    void onActiveLineClosing(qlonglong lineId);
    void onClipboardInactivity();
    void startRapidCall();
    void updateLinesButtonStatus();
    void hangupActiveCall();
    void holdActiveCall();
    void retrieveHoldCall();
    void requestCancelTransfer();
    void onUTransferShortcut();
    void onUTransferDlgShortcut();
    void onATransferShortcut();
    void onATransferDlgShortcut();
    // Dialling: "+" becomes "00", spaces and separators go, anything else
    // that is not a dial character is refused; then the mode's back-end.
    void startCall(QString number, CTILIB::NumberOutgoingPrefix type = CTILIB::PrefixInternal);
    void startExternalCall(QString number);
    void startInternalCall(QString number);
    void startCallOrTransfer(QString number);
    void startAudioCall(QString number);
    void triggerRecActiveCall();
    // Copies the current line's record; leaves `details` as it is without one.
    void getActiveCallInfo(MctiCallDetails &details);
    void displayMissedCallNotification();

    // --- directories and call history
    void recvdPhonebook(const PhoneBookList &phonebooks, CTILIB::PhonebookTypeFlags flags);
    void updateExtenListStatus(const BuddyStatusMap &statuses);
    void updateExtenStatus(const BuddyStatus &status);
    void recvdCdr(const Cdr &cdr);
    void onClickedOnExtenTable(const QModelIndex &index);
    void onDblClickedOnContactsTable(const QModelIndex &index);
    void onDblClickedOnCdrTable(const QModelIndex &index);
    // Double click or Enter on a number row: call it, or write to the address.
    void performDefaultDblClickOnTableRowAction(const QString &value, int numberKind);
    void ext_cxtMenu(const QPoint &pos);
    void cont_cxtMenu(const QPoint &pos);
    void cdr_cxtMenu(const QPoint &pos);
    void updateExtSearchResults(QString text);
    void updateSearchResults(QString text);
    void updateCdrSearchResults(QString text);
    void onAddNewContactRequested();
    void onSmsSendRequest();
    // Has the PBX send a text message (the text-message window's request).
    void sendSms(const QString &destination, const QString &text);
    void onSmsSuccessfullySent();
    void onDateFilterChanged();
    void onUpdateCdrCurrentDate();
    void triggerContactSearch();
    void triggerExtSearch();
    void triggerCdrSearch();
    void refreshContactsList();
    void onCdrSettingsChanged();
    void onCdrFilterChanged(MctiConfig::MCdrFilterFlags flags);
    void onCdrFilterClosed();
    void on_cdrFilterButton_clicked();

    // --- chat, voicemail and PBX services
    void setServicesCodes(const ServicesDialCodesMap &codes);
    void onExtenMobileNumRcvd(const QString &number);
    void onServiceStatusListRcvd(const ServiceStatusList &statuses);
    void onInCallServiceStatusRcvd(const InCallServiceStatus &status);
    void onChatConnected();
    void onChatDisconnected(const QString &reason);
    void onChatMessage(const ChatMessage &message);
    void onChatContactComposing(const QString &exten, const QString &context, bool composing);
    void onChatHistoryReceived(const ChatMessageList &messages);
    void onVoicemailMsgListReceived(const VoicemailMessageList &messages);
    void onMailboxStatusChanged(const MailboxStatus &status);
    void onVoicemailDownloadCompleted(const QString &id, const QString &uuid, const QString &filePath);
    void setPresence(CTILIB::ChatPresence presence, QString message);
    void toggleDnd();
    void toggleUfwd();
    void requestVoiceMail();
    void requestConference();
    void toggleForkMobile();
    void sendChatMessage(QString to, QString text, QString id);
    void sendChatOpenConversation(QString from, QString to);
    void sendChatCloseConversation(QString from, QString to);
    void sendChatIsComposing(QString from, QString to, bool composing);
    void sendChatMessageDisplayed(QString from, QString id);
    void updateUnreadChatMessageCount(int count);
    void resetServiceButtons(bool enabled);
    void enableDnd(bool on);

    // --- queues and supervisor panel
    void onCCReportSucceded(const CallCenterReport &report);
    void onCCReportFailed(const QString &error);
    void onSupervisorPanelTrigger();
    void togglePauseQs();
    void queueTrigger();
    void onQueuesCountChanged(int count);
    void onQueuePauseStatusUpdateRequest(bool paused, const QStringList &queues, const QString &reason);
    void onSvpThresholdsChanged();
    void createCCReport();
    void onShowQCallsCount();
    void getQueueInfo(QString name, QueueStatus &queueInfo);

    // --- PBX session: log-in, disconnection and reconnection (main window)
    void connectToM();
    void reconnectToM();
    void connectedToM(const LoginDetails &details);
    void disconnectFromM();
    void disconnectedFromM(QString reason);
    void refreshIdentities();
    void refreshPeriodicData();
    void refreshCdr(bool force);
    void refreshVoicemailStatus();
    void onMctiServicesChanged();
    void pauseAllQueues(bool pause, const QString &reason = QString());

public:
    // True for a PBX firmware this client works with (4.0.7 or newer).
    static bool checkVeloraFwVers(const QString &firmware);
    // Every line closed and the call state emptied; with a softphone engine
    // its calls are hung up first, without one the desk-phone driver goes.
    void hangupAllCalls(bool);
    // Before a new or answered call while another line is live: 0 to go on,
    // -1 when the user declined.
    int anotherCallAlert(bool askUser, bool skipTransferring);
    void removeAllLines();
    // Saves the header states of the four main views through the settings.
    void saveTablesState();
    // Session state (diagnostics and tests).
    bool isSessionUp() const;
    int currentQueueRole() const;
    // Name of a queue by its id; empty while there is no supervisor panel.
    QString resolveQueueName(const QString &queueId) const;
    quint32 currentPbxCapabilities() const;
    QString currentTenant() const;
    ClientApiServer *localApiServer() const { return apiServer; }
    MspMainWidget *supervisorPanelWidget() const;

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // What the messaging panel and its chat need of the window (mpgui_messaging.cpp).
    class MessagingHost;
    struct MessagingHostDeleter {
        void operator()(MessagingHost *host) const;
    };
    std::unique_ptr<MessagingHost, MessagingHostDeleter> messagingHost;
    // What rapid calls ask of the window (mpgui_calls.cpp).
    class RapidCallHost;
    struct RapidCallHostDeleter {
        void operator()(RapidCallHost *host) const;
    };
    std::unique_ptr<RapidCallHost, RapidCallHostDeleter> rapidHost;
    // What the directory's menus ask of the window (mpgui_directory.cpp).
    class DirectoryHost;
    struct DirectoryHostDeleter {
        void operator()(DirectoryHost *host) const;
    };
    std::unique_ptr<DirectoryHost, DirectoryHostDeleter> directoryHost;
    // What call handling asks of the window (mpgui_calls.cpp).
    class CallsHost;
    struct CallsHostDeleter {
        void operator()(CallsHost *host) const;
    };
    std::unique_ptr<CallsHost, CallsHostDeleter> callsHost;
    // What the phone back-ends tell the window (mpgui_audio.cpp).
    class PhonesHost;
    struct PhonesHostDeleter {
        void operator()(PhonesHost *host) const;
    };
    std::unique_ptr<PhonesHost, PhonesHostDeleter> phonesHost;
    // Made by createSubsystems() before the call lines, which read it.
    void createPhoneBackends();
    // Made by createSubsystems() once the directory lookup exists.
    void createRapidCall();
    // Made by createSubsystems() once the call lines and the directory exist.
    void createMessaging();
    bool confirmQuit();
    // The subsystem objects that need the form, made by setupGuiLayout.
    void createSubsystems();
    // Made by createSubsystems() once the call lines and the directories exist.
    void createDirectoryActions();
    // The phones' call events and the notices beside the call lines.
    void connectCallEvents();

    // --- PBX session (log-in steps, disconnection, teardown)
    // The window's side of the session's start, end and refused firmware.
    void onSessionStarted(const SessionRules::SessionStart &start);
    void onSessionEnded(const SessionRules::SessionEnd &end);
    void onFirmwareRefused(const LoginDetails &details);
    void initClientApiServer();
    QString userFirstName;
    QString userLastName;
    // Objects that quitting released with deferred deletion: the destructor
    // deletes those still waiting, before the logger they write to goes.
    QList<QPointer<QObject>> releasedLater;
    void shutDownCti();

    bool restartRequested = false;
    QTranslator *translator = nullptr;
    MSETTINGS::AppMode appMode = MSETTINGS::AppModeCtiOnly;
    QString windowTitleText;

    // --- the subsystems
    PbxSession *session = nullptr;
    UpdateScheduler *updates = nullptr;
    PhoneBackends *phones = nullptr;
    CallLines *calls = nullptr;
    CallControl *control = nullptr;
    RapidCall *rapid = nullptr;
    CallEvents *events = nullptr;
    DirectoryPanel *directory = nullptr;
    DirectoryActions *dirActions = nullptr;
    std::unique_ptr<CallDirectory> callLookup;          // the directory as call handling asks it
    std::unique_ptr<ChatExtensionDirectory> chatLookup; // the directory as the chat asks it
    MessagingPanel *messaging = nullptr;
    QueuesController *queues = nullptr;
    BalloonBoard *balloons = nullptr;

    // --- the window's own state (values after construction)
    bool extendedMode = true;
    bool slimMode = false;
    bool keypadVisible = true;
    bool volumesVisible = false;
    bool funcButtonsVisible = true;
    QClipboard *clipboard = nullptr;
    QAction *quitAction = nullptr;
    ClientApiServer *apiServer = nullptr;
    QSystemTrayIcon *trayIcon = nullptr;
    QMovie *loaderMovie = nullptr;
    CtiLib *ctiLib = nullptr;
    // The CTI client after quitting: shut down, deleted with the window.
    std::unique_ptr<CtiLib> retiredCti;
    QCompleter *completer = nullptr;
    MSettingsStore *settingsStore = nullptr; // outlives the dialog
    MSettingsDialog *settingsDialog = nullptr;
    QTimer tabAnimTimer;

    // --- icons, actions, tray and shortcuts
    MainWindowIcons icons;

    QAction *connectAction = nullptr;
    QAction *disconnectAction = nullptr;
    QAction *minimizeAction = nullptr;
    QAction *restoreAction = nullptr;
    QAction *settingsAction = nullptr;
    QAction *reportAction = nullptr;
    QAction *pauseAllAction = nullptr;
    QAction *sendLogAction = nullptr;
    QMenu *trayIconMenu = nullptr;
    QMap<QString, customShortcut *> shortcutsMap;

    // --- views
    QIcon currentIconValue;
    int tabNotifications = 0; // bit 0 missed call, bit 1 unread chat
    bool cdrBlinkPhase = false;
    bool chatBlinkPhase = false;
    bool maximizedBeforeTray = false;
    WindowBackground background;
    bool backgroundLayPending = false;
    void layBackgroundImage();
    bool queuesPausedAll = false;
    bool queuesPausedSome = false;
    RebrandingPack rebranding;
    static void bringToFront(QWidget *w);
    FormFontFit formFit; // the form's fixed sizes under the large-font view
};
