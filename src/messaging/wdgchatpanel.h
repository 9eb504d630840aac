// Chat tab of the main window: the open conversations (newest activity on
// top, unread badge) and a stack showing the selected one. The panel owns the
// conversations, counts unread messages, refuses messages already shown (by
// id) and moves conversations between the stack and windows of their own.
//
// The counts and the order are kept at once; the contact list shows them
// from the next turn of the event loop, once for all the messages that came
// in one turn (each change of the list lays it out again, which a burst of
// messages would otherwise do for every message).
#pragma once

#include "ctilibtypes.h"

#include <QMap>
#include <QTimer>
#include <QWidget>

class QListWidget;
class QListWidgetItem;
class QStackedWidget;
class wdgChat;

class wdgChatPanel : public QWidget
{
    Q_OBJECT
public:
    struct ChatSession {
        QString extension;
        QString context;
        QListWidgetItem *item = nullptr;
        wdgChat *chat = nullptr;
        int unread = 0;
        quint64 activity = 0; // larger: more recent; the list's order
    };

    explicit wdgChatPanel(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~wdgChatPanel() override;

    bool addChatSession(const QString &exten, const QString &name, const QString &context);
    void deleteChatSession(const QString &exten);
    void deleteAllChatSession();
    bool hasChatSession(const QString &exten) const;
    void putOnTop(const QString &exten);
    void enableChatWindows(bool enable);
    bool chatWindowsEnabled() const { return m_enabled; }
    bool isChatVisible(const QString &exten) const;
    void setRemoteName(const QString &exten, const QString &name);
    void setRemotePresence(const QString &exten, CTILIB::ChatPresence presence, const QString &message);
    void setRemoteComposing(const QString &exten, const QString &context, bool composing);
    bool newMessageReceived(const ChatMessage &msg);
    bool newHistoryMessageReceived(const ChatMessage &msg);
    ChatSession *getChatSession(wdgChat *chat) const;
    wdgChat *chatFor(const QString &exten) const;
    void attachChatWindow(const QString &exten);
    void detachChatWindow(const QString &exten);
    void closeAllDetachedWindows();

    int totalUnread() const { return m_totalUnread; }
    int unreadFor(const QString &exten) const;
    // Extensions top first, the newest activity on top (as the contact list
    // shows them after updateContactList()).
    QStringList sessionOrder() const;
    // Brings the contact list's order and badges up to date now (otherwise
    // done on the next turn of the event loop).
    void updateContactList();

    static QString rowText(const QString &exten, const QString &name);

signals:
    void sigSendingMessage(QString exten, QString context, QString text);
    void sigChatOpenConversation(QString exten, QString context);
    void sigChatCloseConversation(QString exten, QString context);
    void sigSendIsComposing(QString exten, QString context, bool composing);
    void sigChatMessageDisplayed(QString exten, QString context);
    void sigUnreadChatMessageCountChanged(int count);

public slots:
    void onSelectedContactChanged(QListWidgetItem *item);
    void onSelectedContactChangedTimer(QListWidgetItem *item);
    void onSelectedContactClosed(QListWidgetItem *item);
    void onSelectedContactChangedTimeout();

private slots:
    void onSendingMessage(const QString &exten, const QString &text);
    void onStartComposing(const QString &exten);
    void onStopComposing(const QString &exten);
    void onChatDisplayed();
    void onChatDetachRequested(bool detach);

private:
    bool addMessage(const ChatMessage &msg, bool history);
    void setUnread(ChatSession *session, int unread);
    void touch(ChatSession *session);
    void queueContactListUpdate();
    QList<ChatSession *> sessionsInOrder() const;
    ChatSession *senderSession() const;

    QMap<QString, ChatSession *> m_sessions;
    int m_totalUnread = 0;
    quint64 m_activityClock = 0;
    bool m_listUpdateQueued = false;
    QListWidgetItem *m_clickedItem = nullptr;
    bool m_doubleClicked = false;
    bool m_enabled = false;
    QTimer m_clickTimer;
    QListWidget *lstContacts = nullptr;
    QStackedWidget *stkChats = nullptr;
    QWidget *pgEmpty = nullptr;
};
