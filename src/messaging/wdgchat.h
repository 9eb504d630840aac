// One conversation with one party: header (name, presence, typing note),
// the message bubbles, the send field, and the buttons to mail or save the
// conversation and to detach it into a window of its own.
//
// The conversation keeps every message as a record; bubbles are made only
// while it is on screen: for the newest FreshBubbles messages when many come
// at once, one by one as they come after that, never more than MaxBubbles;
// older ones follow, OlderBubbles at a time, when the list is scrolled to its
// top.
// Messages that arrive together get their bubbles together, on the next turn
// of the event loop, so a flood never makes a bubble per message; a round of
// bubbles is made in slices of at most BubbleSliceMs, one turn of the event
// loop each, so that making a screenful never holds the window.
#pragma once

#include "ctilibtypes.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QMap>
#include <QPixmap>
#include <QSet>
#include <QTimer>
#include <QUrl>
#include <QVector>
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
    static constexpr int MaxBubbles = 200;
    static constexpr int FreshBubbles = 20;
    static constexpr int OlderBubbles = 20;
    static constexpr int FloodBubbleIntervalMs = 100;
    static constexpr int BubbleSliceMs = 6;

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
    // The look of a conversation and its bubbles, for the style sheet of the
    // widget that holds conversations (a window of its own has it itself).
    static QString styleSheetText();

    void setRemoteName(const QString &name);
    void setRemotePresence(CTILIB::ChatPresence presence, const QString &message);
    void setRemoteComposing(bool composing);
    void setDetached(bool detached);
    bool addMessage(const ChatMessage &msg, bool history);
    void newRxMessage(const QString &text, bool history, const QString &id, QDateTime time);
    void newTxMessage(const QString &text, bool history, const QString &id, QDateTime time);
    bool findChatId(const QString &id) const;
    int messageCount() const { return m_messages.size(); }
    // Newer messages without a bubble yet: they get one when the conversation
    // is shown or read.
    int pendingCount() const { return m_messages.size() - (m_firstBubble + m_bubbleCount); }
    void createPendingBubbles();
    // Makes bubbles for up to `count` older messages above the first one.
    void showOlderMessages(int count = OlderBubbles);
    // Index of the message of the first bubble.
    int firstBubbleIndex() const { return m_firstBubble; }
    // The bubbles, in display order, after making the pending ones.
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
    struct Entry;
    wdgChatMsg *makeBubble(const Entry &entry);
    void insertBubble(int row, wdgChatMsg *bubble);
    void removeFirstBubble();
    void removeAllBubbles();
    void queueBubbles();
    void continueBubbles();
    // Makes bubbles for the messages before `end`, the newest screenful
    // only when many wait; stops after `budgetMs` (negative: no limit)
    // with at least one made. True when none before `end` waits.
    bool makeBubbles(int end, int budgetMs);

    QString m_exten;
    QString m_remoteName;
    int m_presence = CTILIB::PresenceOffline;
    QString m_presenceMessage;
    bool m_composing = false;
    bool m_detached = false;
    QTimer m_composingTimer;
    QTimer m_displayedTimer;
    QPixmap m_pictures[5];
    struct Entry {
        QString sender;
        int kind;
        QString text;
        QString id;
        QDateTime time;
    };
    QVector<Entry> m_messages;      // the whole conversation, oldest first
    int m_firstBubble = 0;          // m_messages index of the first bubble
    int m_bubbleCount = 0;          // bubbles of m_messages from m_firstBubble on
    bool m_bubblesQueued = false;   // a round is waiting or under way
    int m_roundEnd = 0;             // the messages a round under way makes bubbles for
    QElapsedTimer m_lastBubbles;    // when bubbles were last made
    bool m_updatingBubbles = false; // no loading of older ones meanwhile
    QMap<wdgChatMsg *, QListWidgetItem *> m_bubbles;
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
