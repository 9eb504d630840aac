// Chat tab of the main window: the list of conversations with the PBX users.
// This holds the interface the main window uses.
#pragma once

#include <QWidget>

class wdgChatPanel : public QWidget
{
    Q_OBJECT
public:
    explicit wdgChatPanel(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    void enableChatWindows(bool enable);
    bool chatWindowsEnabled() const { return m_enabled; }
    void deleteAllChatSession();
    void closeAllDetachedWindows();
    // Moves the conversation with that party to the top of the list.
    void putOnTop(const QString &party);

signals:
    void sigSendingMessage(QString to, QString text, QString id);
    void sigChatOpenConversation(QString from, QString to);
    void sigChatCloseConversation(QString from, QString to);
    void sigSendIsComposing(QString from, QString to, bool composing);
    void sigChatMessageDisplayed(QString from, QString id);
    void sigUnreadChatMessageCountChanged(int count);

private:
    bool m_enabled = false;
};
