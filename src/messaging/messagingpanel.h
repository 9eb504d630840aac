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

class CallLines;
class ChatExtensionDirectory;
class Clock;
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
    // What the panel needs of the phones and of the call lines' widgets.
    class Host
    {
    public:
        virtual ~Host() = default;
        // The softphone engine's do-not-disturb switch; false when it could
        // not be set (no engine).
        virtual bool setSoftphoneDnd(bool on) = 0;
        // Presses a key of the desk phone through its driver; false when
        // there is no driver or the key could not be sent. The phone reports
        // its DND state back through updateDndStatus().
        virtual bool pressDeskPhoneKey(const QString &key) = 0;
        // Shows the on-demand recording state on the active widget of a line.
        virtual void showRecordingStatus(qint64 lineId, bool available, bool recording) = 0;
    };

    // `icons`: the window's set; `cti`: the CTI client, whose service, chat
    // and voicemail reports this object and its parts follow, and through
    // which they ask the PBX; `serviceCodes`: the session's service dial
    // codes; `calls`: the call lines (whether a call is up, the line of an
    // in-call report); `chatHost`: what the chat needs of the main window;
    // `extensions`: where extension records and presences are kept (the
    // colleagues the chat names, the forward number logged in clear);
    // `clock`: the chat's time. All outlive this object.
    MessagingPanel(const Widgets &widgets, const MainWindowIcons &icons, CtiLib &cti,
                   const ServicesDialCodesMap &serviceCodes, CallLines &calls, Host &host, ChatHost &chatHost,
                   ChatExtensionDirectory &extensions, const Clock &clock, PromptService &prompts,
                   QObject *parent = nullptr);
    ~MessagingPanel() override;

    // Opens the chat history store of this user on this PBX.
    void openChatDb(const QString &file, const QString &user, const QString &pbxAddress);
    void closeChatDb();

    // The chat (a child of this object).
    ChatController *chat() const { return chatCtl; }
    // Whether a call is in progress (no sound for a new message then).
    bool hasActiveCall() const;

    // The forward-number dialog, built on first use.
    DlgRedirect *redirectDialog();
    // The voicemail list (a child of this object).
    VoicemailPanel *voicemail() const { return voicemailPanel; }
    MPChatSqlite *chatStore() const { return chatDb; }
    bool isDndActive() const { return services.isDndActive(); }
    bool isUfwdActive() const { return services.isForwardActive(); }
    bool isChatConnected() const { return chatCtl->isChatConnected(); }
    bool isForkToMobileActive() const { return services.isForkActive(); }
    const PbxServices::ServiceState &serviceState() const { return services; }
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
    void createChat(const Clock &clock, PromptService &prompts);

    Widgets ui;
    const MainWindowIcons &icons;
    MPChatSqlite *chatDb = nullptr;
    DlgRedirect *dlgRedirect = nullptr;
    VoicemailPanel *voicemailPanel = nullptr;
    void showServices(int which);
    QWidget *window() const;

    CtiLib &cti;
    const ServicesDialCodesMap &servicesCodes;
    CallLines &calls;
    Host &host;
    PbxServices::ServiceState services;
    int appMode = 0;
    bool visualVoicemail = false;
    QTimer dndReportTimer;
    QTimer forkReportTimer;
    int shownActive = 0;     // DND (1) and forward (2) as last announced
    QString shownForwardTip; // the forward button's text as last announced

    CtiLibChatLink chatLink;
    ChatHost &chatHost;
    ChatExtensionDirectory &extensions;
    ChatController *chatCtl = nullptr;
    QString lastTrayExten;
};
