// Chat, voicemail and the PBX services of the main window: the chat panel and
// its history store, the service buttons (do not disturb, forward, voicemail,
// conference, fork to mobile), the forward-number dialog and the services'
// state.
#pragma once

#include "chatcontroller.h"
#include "mainwindow/session/sessionrules.h"
#include "pbxservices.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class ChatExtensionDirectory;
class CtiLib;
class DlgRedirect;
struct MainWindowIcons;
class MPChatSqlite;
class QBoxLayout;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QWidget;
class PromptService;
class VoicemailPanel;
class wdgChatPanel;

class MessagingPanel : public QObject
{
    Q_OBJECT
public:
    // The main form's widgets this object drives.
    struct Widgets {
        wdgChatPanel *chatPanel = nullptr;
        QPushButton *btnDnd = nullptr;
        QPushButton *btnRedirect = nullptr;
        QPushButton *btnMail = nullptr;
        QPushButton *btnConference = nullptr;
        QPushButton *btnDualRingToggle = nullptr;
        QTabWidget *tabContactsWidget = nullptr;
        QWidget *voiceMailTabWidget = nullptr;
        // The voicemail tab's list.
        QStackedWidget *voicemailStckWidget = nullptr;
        QWidget *pageVoicemailNoResults = nullptr;
        QWidget *pageVoicemail = nullptr;
        QBoxLayout *VoicemailLayout = nullptr;
    };
    // `icons`: the window's set; `serviceCodes`: the session's service dial
    // codes. Both outlive this object.
    MessagingPanel(const Widgets &widgets, const MainWindowIcons &icons, const ServicesDialCodesMap &serviceCodes,
                   QObject *parent = nullptr);
    ~MessagingPanel() override;

    // Opens the chat history store of this user on this PBX.
    void openChatDb(const QString &file, const QString &user, const QString &pbxAddress);
    void closeChatDb();

    // The chat: made once, with what it needs of the main window (owned
    // here). Call before the session starts.
    void initChat(std::unique_ptr<ChatHost> host, PromptService &prompts);
    ChatController *chat() const { return chatCtl; }
    // The CTI client object whenever it changes (null when it goes).
    void setCtiClient(CtiLib *lib);
    // Where extension records and presences are kept (not owned; may be null:
    // then every number is unknown to the chat).
    void setExtensionDirectory(ChatExtensionDirectory *directory) { extensions = directory; }
    ChatExtensionDirectory *extensionDirectory() const { return extensions; }
    // Whether a call is in progress (no sound for a new message then).
    void setActiveCallProbe(std::function<bool()> probe) { activeCallProbe = std::move(probe); }
    bool hasActiveCall() const { return activeCallProbe && activeCallProbe(); }

    // The forward-number dialog, built on first use.
    DlgRedirect *redirectDialog();
    // The voicemail list (a child of this object).
    VoicemailPanel *voicemail() const { return voicemailPanel; }
    MPChatSqlite *chatStore() const { return chatDb; }
    bool isDndActive() const { return services.isDndActive(); }
    bool isUfwdActive() const { return services.isForwardActive(); }
    bool isChatConnected() const { return chat() && chat()->isChatConnected(); }
    bool isForkToMobileActive() const { return services.isForkActive(); }
    const PbxServices::ServiceState &serviceState() const { return services; }
    // The service dial-code map: filled at each log-in, never emptied.
    // The softphone engine's do-not-disturb switch; false when there is no engine.
    void setSoftphoneDnd(std::function<bool(bool)> engineDnd) { softphoneDnd = std::move(engineDnd); }
    // Presses a key of the desk phone through its driver; false when there is
    // no driver or the key could not be sent. The phone reports its DND state
    // back through updateDndStatus().
    void setDeskPhoneKeys(std::function<bool(const QString &)> pressKey) { deskPhoneKey = std::move(pressKey); }
    // The call lines as the in-call service reports need them: the line of a
    // channel (-1 for none), whether a line has an active line widget, and the
    // recording state shown on it.
    struct CallLineAccess {
        std::function<qint64(const QString &channel)> lineIdOfChannel;
        std::function<bool(qint64 lineId)> hasActiveLine;
        std::function<void(qint64 lineId, bool available, bool recording)> setRecordingStatus;
    };
    void setCallLineAccess(CallLineAccess access) { callLines = std::move(access); }
    // A request that gets no report leaves its button usable again after this.
    static constexpr int ReportTimeoutMs = 10000;
    void setReportTimeout(int msecs);

public slots:
    void onSessionStarted(const SessionRules::SessionStart &session);
    void onSessionEnded(const SessionRules::DisconnectReason &reason);
    void closeDialogs();
    // A click on the tray message: the conversation last announced there
    // comes to the top. False when no conversation was announced.
    bool onTrayMessageClicked();

    // PBX services.
    void requestVoiceMail();
    void requestConference();
    void toggleDnd();
    void toggleUfwd();
    void toggleForkMobile();
    void enableDnd(bool on);
    void updateDndStatus(bool on);
    void enableUfwd(bool on);
    void updateUfwdStatus(bool on, const QString &number);
    void enableForkMobile(bool on);
    void updateForkMobileStatus(bool on);
    void onExtenMobileNumRcvd(const QString &number);
    void onServiceStatusListRcvd(const ServiceStatusList &statuses);
    void onServiceStatusRcvd(const ServiceStatus &status);
    void resetServiceButtons(bool partial);
    // The PBX's report of a service inside a call: on-demand recording.
    void onInCallServiceStatusRcvd(const InCallServiceStatus &status);

    // Mailbox: a status that differs from the last one known reloads the
    // list; the voicemail button shows whether new messages wait.
    void onMailboxStatusChanged(const MailboxStatus &status);
    void recvdMailBoxStatus(bool unused, int newMsgs, int oldMsgs);

signals:
    // The voicemail or conference button asks for a call to this number.
    void serviceCallRequested(const QString &number);
    // The shown DND or forward state changed (tray icon and title follow).
    void servicesShownChanged();

private:
    Widgets ui;
    const MainWindowIcons &icons;
    MPChatSqlite *chatDb = nullptr;
    DlgRedirect *dlgRedirect = nullptr;
    VoicemailPanel *voicemailPanel = nullptr;
    void showServices(int which);
    QWidget *window() const;

    const ServicesDialCodesMap &servicesCodes;
    PbxServices::ServiceState services;
    int appMode = 0;
    bool visualVoicemail = false;
    std::function<bool(bool)> softphoneDnd;
    std::function<bool(const QString &)> deskPhoneKey;
    CallLineAccess callLines;
    QTimer dndReportTimer;
    QTimer forkReportTimer;
    int shownActive = 0;     // DND (1) and forward (2) as last announced
    QString shownForwardTip; // the forward button's text as last announced

    CtiLibChatLink chatLink;
    std::unique_ptr<ChatHost> chatHost;
    ChatController *chatCtl = nullptr;
    ChatExtensionDirectory *extensions = nullptr;
    std::function<bool()> activeCallProbe;
    QString lastTrayExten;
};
