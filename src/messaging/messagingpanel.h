// Chat, voicemail and the PBX services of the main window: the chat panel and
// its history store, the service buttons (do not disturb, forward, voicemail,
// conference, fork to mobile), the forward-number dialog and the services'
// state.
#pragma once

#include "chatcontroller.h"
#include "pbxsessionrules.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class ChatExtensionDirectory;
class CtiLib;
class DlgRedirect;
struct MainWindowIcons;
class MPChatSqlite;
class QPushButton;
class QTabWidget;
class QWidget;
class PromptService;
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
    };
    // `icons`: the window's set, which outlives this object.
    MessagingPanel(const Widgets &widgets, const MainWindowIcons &icons, QObject *parent = nullptr);
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

    DlgRedirect *redirectDialog() const { return dlgRedirect; }
    MPChatSqlite *chatStore() const { return chatDb; }
    bool isDndActive() const { return dndActive; }
    bool isUfwdActive() const { return ufwdActive; }
    bool isChatConnected() const { return chatConnected; }
    bool isForkToMobileActive() const { return forkToMobileActive; }
    const QMap<int, QString> &serviceCodes() const { return servicesCodes; }

public slots:
    void onSessionStarted(const PbxSession::SessionStart &session);
    void onSessionEnded(const PbxSession::DisconnectReason &reason);
    void closeDialogs();
    // A click on the tray message: the conversation last announced there
    // comes to the top.
    void onTrayMessageClicked();

private:
    Widgets ui;
    const MainWindowIcons &icons;
    MPChatSqlite *chatDb = nullptr;
    DlgRedirect *dlgRedirect = nullptr;
    bool chatConnected = false;
    bool dndActive = false;
    bool ufwdActive = false;
    bool forkToMobileActive = false;
    QMap<int, QString> servicesCodes;

    CtiLibChatLink chatLink;
    std::unique_ptr<ChatHost> chatHost;
    ChatController *chatCtl = nullptr;
    ChatExtensionDirectory *extensions = nullptr;
    std::function<bool()> activeCallProbe;
    QString lastTrayExten;
};
