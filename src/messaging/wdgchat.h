// One conversation with one party: header (name, presence, typing note),
// the message bubbles, the send field, and the buttons to mail or save the
// conversation and to detach it into a window of its own.
#pragma once

#include "ctilibtypes.h"

#include <QDateTime>
#include <QMap>
#include <QPixmap>
#include <QSet>
#include <QTimer>
#include <QUrl>
#include <QWidget>

class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class wdgChatMsg;

class wdgChat : public QWidget
{
    Q_OBJECT
public:
    static constexpr int ComposingQuietMs = 3000;
    static constexpr int DisplayedDelayMs = 1000;

    wdgChat(const QString &exten, const QString &name, bool detached, QWidget *parent = nullptr,
            Qt::WindowFlags flags = Qt::WindowFlags());
    ~wdgChat() override;

    QString extension() const { return m_exten; }
    QString remoteName() const { return m_remoteName; }
    int presence() const { return m_presence; }
    QString presenceMessage() const { return m_presenceMessage; }
    bool isDetached() const { return m_detached; }
    bool isComposing() const { return m_composing; }
    // The picture shown for the current presence.
    QPixmap presencePixmap() const;
    static int presencePictureIndex(int presence);

    void setRemoteName(const QString &name);
    void setRemotePresence(CTILIB::ChatPresence presence, const QString &message);
    void setRemoteComposing(bool composing);
    void setDetached(bool detached);
    bool addMessage(const ChatMessage &msg, bool history);
    void newRxMessage(const QString &text, bool history, const QString &id, QDateTime time);
    void newTxMessage(const QString &text, bool history, const QString &id, QDateTime time);
    void appendNewMessage(wdgChatMsg *bubble);
    bool findChatId(const QString &id) const;
    int messageCount() const { return m_bubbles.size() + m_pending.size(); }
    // History that arrived while the conversation was hidden waits here and
    // becomes bubbles when the conversation is first shown or read.
    int pendingCount() const { return m_pending.size(); }
    void createPendingBubbles();
    // Bubbles in display order (pending history included).
    QList<wdgChatMsg *> bubbles();
    bool hasFocus() const;
    void putOnTop();
    // The conversation as mailed and saved.
    QString conversationText();
    // The "mailto:" address that mails the conversation.
    QUrl mailUrl();

    // The timers, for tests that drive them.
    QTimer *composingTimer() { return &m_composingTimer; }
    QTimer *displayedTimer() { return &m_displayedTimer; }

signals:
    void sigSendChatMessage(QString exten, QString text);
    void sigStartComposing(QString exten);
    void sigStopComposing(QString exten);
    void sigDisplayed();
    void sigDetachRequested(bool detach);

public slots:
    void sendMessage();
    void onTextChanged(const QString &text);
    void sendStartComposing();
    void sendStopComposing();
    void toggleDetach();
    void sendChatEmail();
    void saveChatToFile();
    void onChatMsgSizeChanged(QSize size);
    void startDisplayedTimer();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildForm();
    void addBubble(const QString &sender, int kind, const QString &text, bool history, const QString &id,
                   QDateTime time);

    QString m_exten;
    QString m_remoteName;
    int m_presence = CTILIB::PresenceOffline;
    QString m_presenceMessage;
    bool m_composing = false;
    bool m_detached = false;
    QTimer m_composingTimer;
    QTimer m_displayedTimer;
    QPixmap m_pictures[5];
    struct Pending {
        QString sender;
        int kind;
        QString text;
        QString id;
        QDateTime time;
    };
    QMap<wdgChatMsg *, QListWidgetItem *> m_bubbles;
    QList<Pending> m_pending;
    QSet<QString> m_ids;

    QGridLayout *m_grid = nullptr;
    QLabel *lblChat = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblEvent = nullptr;
    QLabel *lblStatus = nullptr;
    QLabel *lblStatusMsgSep = nullptr;
    QLabel *lblStatusMsg = nullptr;
    QPushButton *btDetach = nullptr;
    QListWidget *msgList = nullptr;
    QLineEdit *txtChat = nullptr;
    QPushButton *btSendMsg = nullptr;
    QPushButton *btSendChatEmail = nullptr;
    QPushButton *btSaveHistory = nullptr;
};
