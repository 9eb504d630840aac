// Chat tab of the main window: the open conversations (newest activity on
// top, unread badge) and a stack showing the selected one. The panel owns the
// conversations, counts unread messages, refuses messages already shown (by
// id) and moves conversations between the stack and windows of their own.
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
    QStringList sessionOrder() const; // extensions as listed, top first

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
    ChatSession *senderSession() const;

    QMap<QString, ChatSession *> m_sessions;
    int m_totalUnread = 0;
    QListWidgetItem *m_clickedItem = nullptr;
    bool m_doubleClicked = false;
    bool m_enabled = false;
    QTimer m_clickTimer;
    QListWidget *lstContacts = nullptr;
    QStackedWidget *stkChats = nullptr;
    QWidget *pgEmpty = nullptr;
};
