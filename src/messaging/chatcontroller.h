// Chat session flow between the CTI link, the chat panel and the history
// store: on connection the local history is replayed, then the PBX is asked
// for what is newer; PBX history and live messages are shown and stored in
// local time; new messages raise alerts; the panel's requests go to the PBX.
//
// The messaging panel owns one controller and the main window forwards its
// chat slots to it; the little the controller needs of the main window is the
// ChatHost interface, the colleagues' records it reads and updates through
// the ChatExtensionDirectory.
#pragma once

#include "app/requestgate.h"
#include "chatextensiondirectory.h"
#include "ctilibtypes.h"

#include <QDateTime>
#include <QHash>
#include <QObject>

class Clock;
class CtiLib;
class MPChatSqlite;
class PromptService;
class QSystemTrayIcon;
class wdgChatPanel;

// What the controller asks of the PBX link.
class ChatCtiLink
{
public:
    virtual ~ChatCtiLink() = default;
    virtual void sendChatMessage(const QString &exten, const QString &text) = 0;
    virtual void sendChatMessageDisplayed(const QString &exten) = 0;
    virtual void sendChatOpenConversation(const QString &exten) = 0;
    virtual void sendChatCloseConversation(const QString &exten) = 0;
    virtual void sendChatStartComposing(const QString &exten) = 0;
    virtual void sendChatStopComposing(const QString &exten) = 0;
    virtual void setClientPresence(CTILIB::ChatPresence presence, const QString &message) = 0;
    virtual void getChatHistory(const QDateTime &from) = 0;
    // The logged-in user's own extension.
    virtual QString ownExtension() const = 0;
};

// The link over the CTI library's client object, which outlives it (the
// client drops what is asked while it is not logged in).
class CtiLibChatLink : public ChatCtiLink
{
public:
    explicit CtiLibChatLink(CtiLib &lib) : m_lib(lib) {}

    void sendChatMessage(const QString &exten, const QString &text) override;
    void sendChatMessageDisplayed(const QString &exten) override;
    void sendChatOpenConversation(const QString &exten) override;
    void sendChatCloseConversation(const QString &exten) override;
    void sendChatStartComposing(const QString &exten) override;
    void sendChatStopComposing(const QString &exten) override;
    void setClientPresence(CTILIB::ChatPresence presence, const QString &message) override;
    void getChatHistory(const QDateTime &from) override;
    QString ownExtension() const override;

private:
    CtiLib &m_lib;
};

// What the controller needs of the main window.
class ChatHost
{
public:
    virtual ~ChatHost() = default;
    virtual bool isMainWindowActive() const = 0;
    virtual bool hasActiveCall() const = 0;
    // The task-bar or dock attention request.
    virtual void alertMainWindow() = 0;
    virtual void showChatTab() = 0;
    virtual void setChatConnectedMark(bool connected) = 0;
    virtual void setOwnPresence(int presence, const QString &message) = 0;
    // The chat bit of the tab blink.
    virtual void setChatTabBlink(bool on) = 0;
    virtual QSystemTrayIcon *trayIcon() const = 0;
};

class ChatController : public QObject
{
    Q_OBJECT
public:
    // The floor of the newest chat time.
    static QDateTime historyFloor();
    // Tray text of a new message body: cut to 37 characters and "..." above 40.
    static QString trayBody(const QString &body);
    // A PBX time (UTC) in local time; an invalid time stays invalid.
    static QDateTime pbxToLocal(const QDateTime &time);

    // `extensions`: the colleagues' names and presences; `clock`: the time
    // of the alerts and of the first history request. Both outlive this
    // object.
    ChatController(ChatCtiLink *link, MPChatSqlite *store, wdgChatPanel *panel, ChatHost *host,
                   ChatExtensionDirectory &extensions, const Clock &clock, PromptService &prompts,
                   QObject *parent = nullptr);

    ~ChatController() override;

    // Rows waiting to be stored go to the old store first.
    void setStore(MPChatSqlite *store);
    bool isChatConnected() const { return m_connected; }
    // The local history is replayed in slices of at most this much time, so
    // that a long history never holds the window; a short one is replayed at
    // once.
    static constexpr int ReplaySliceMs = 4;
    // Received messages closer than this to the one before belong to one
    // burst: its first message of each party shows the tray message, its
    // first message of all plays the sound.
    static constexpr int AlertBurstGapMs = 2000;
    void setReplaySlice(int msecs) { m_replaySliceMs = msecs; }
    bool isReplaying() const { return m_replaying; }
    QDateTime newestChatTime() const { return m_newest; }

    // Replays the local history into the panel (read in the background,
    // shown in slices; replayFinished() when done).
    void getChatHistoryDB();
    // Asks the PBX for the history after the local one; at most one request
    // on its way (and one waiting), two at least HistorySpacingMs apart.
    void getChatHistoryCTI(int localCount);
    static constexpr int HistoryAnswerTimeoutMs = 30000;
    static constexpr int HistorySpacingMs = 2000;
    int historyRequestsSent() const { return m_historyGate.sentCount(); }
    bool openChatSession(const QString &exten, bool bringToFront);
    bool addChatMessage(const ChatMessage &msg, const QDateTime &time);
    bool onHistoryChatMessage(const ChatMessage &msg);

public slots:
    void onChatConnected();
    void onChatDisconnected(const QString &reason);
    void onChatMessage(const ChatMessage &msg);
    void onChatHistoryReceived(const ChatMessageList &list);
    void onChatContactComposing(const QString &exten, const QString &context, bool composing);

    void sendChatMessage(const QString &exten, const QString &context, const QString &text);
    void sendChatOpenConversation(const QString &exten, const QString &context);
    void sendChatCloseConversation(const QString &exten, const QString &context);
    void sendChatIsComposing(const QString &exten, const QString &context, bool composing);
    void sendChatMessageDisplayed(const QString &exten, const QString &context);
    void updateUnreadChatMessageCount(int count);
    void setPresence(CTILIB::ChatPresence presence, const QString &message);
    void updateDisplayedPresence(CTILIB::ChatPresence presence, const QString &message);
    void onExtenNameUpdate(const QString &exten, const QString &name);
    void onExtenPresenceUpdate(const BuddyStatus &status);

    // Log-in: the conversations take input again.
    void onLoggedIn();
    // Disconnection: conversations read-only, emptied, refilled from the
    // local history and every detached window put back.
    void onLoggedOut();

signals:
    // The local history is on screen (and, after a connection, the PBX asked).
    void replayFinished();
    // A new message was announced in the tray.
    void trayAlertShown(const QString &exten);

private:
    void alert(const ChatMessage &msg);
    void startReplay(bool thenAskPbx);
    void continueReplay(int generation);
    void finishReplay();
    void handleLiveMessage(const ChatMessage &msg);
    bool sendHistoryRequest();
    // Live messages are stored together, one transaction for all those that
    // arrived in one turn of the event loop.
    void storeLater(const ChatMessage &msg, const QDateTime &time);
    void storePending();

    ChatCtiLink *m_link;
    MPChatSqlite *m_store;
    wdgChatPanel *m_panel;
    ChatHost *m_host;
    ChatExtensionDirectory &m_extensions;
    const Clock &m_clock;
    PromptService &m_prompts;
    bool m_connected = false;
    QDateTime m_newest;
    int m_replaySliceMs = ReplaySliceMs;
    bool m_replaying = false;
    bool m_askPbxAfterReplay = false;
    int m_replayGeneration = 0;
    int m_replayNext = 0;
    ChatMessageList m_replayList;
    ChatMessageList m_liveDuringReplay;
    bool m_historyFromNewest = false;
    RequestGate m_historyGate;
    ChatMessageList m_toStore;
    QList<QDateTime> m_toStoreTimes;
    bool m_storeQueued = false;
    QDateTime m_lastAlertable;                 // the last received message that may alert
    QHash<QString, QDateTime> m_lastFromParty; // and the last one of each party
};
