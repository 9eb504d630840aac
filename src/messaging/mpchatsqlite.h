// Chat history store: every chat message the client has shown, kept in one
// scrambled SQLite file ("chat.db" in the settings directory) shared by every
// PBX account used on this computer. Rows carry the PBX user name and address
// and reads are filtered by both.
//
// The file is revealed into a private working copy while the store is open.
// Written rows reach the scrambled file at checkpoint(): the owner calls it
// after a batch of history and the store's own timer calls it while rows are
// waiting, so a crash or a kill loses at most the last few seconds. A working
// copy left behind by a process that no longer runs and newer than the
// scrambled file is taken back at the next open.
#pragma once

#include "ctilibtypes.h"
#include "framework/encryptedsqlitedbhandler.h"

#include <QDateTime>
#include <QString>
#include <QTimer>

#include <memory>

class MPChatSqlite
{
public:
    // The text form of every stored time; it is also the sort key.
    static const QString TimeFormat; // "yyyy-MM-ddThh:mm:ss.zzzZ"

    class MPChatSqliteDbHandler : public EncryptedSqliteDbHandler
    {
    public:
        MPChatSqliteDbHandler(const DbhConfig &config, const QString &username, const QString &pbxAddress,
                              QObject *parent = nullptr);
        ~MPChatSqliteDbHandler() override;

        bool open();
        bool close();
        bool getChatEntries(ChatMessageList &list);
        bool saveChatEntry(const ChatMessage &msg, const QDateTime &time);
        // Many rows in one transaction; false (and nothing written) on any failure.
        bool saveChatEntries(const ChatMessageList &messages, const QList<QDateTime> &times);
        bool deleteDataOlderThan(const QDateTime &cutoff);
        // Writes the working copy back into the scrambled file and goes on
        // working on a fresh copy of it.
        bool checkpoint();

        QString workingCopyPath() const { return workingFilePath; }
        QString lastErrorText() const { return errorText; }

    private:
        bool tableExists();
        void bindCommon(QSqlQuery &query, const ChatMessage &msg, const QDateTime &time);

        QString m_username;
        QString m_pbxAddress;
    };

    MPChatSqlite(const QString &dbPath, const QString &username, const QString &pbxaddress);
    ~MPChatSqlite();
    MPChatSqlite(const MPChatSqlite &) = delete;
    MPChatSqlite &operator=(const MPChatSqlite &) = delete;

    bool open();
    void close();
    bool isOpen() const { return m_handler != nullptr; }
    bool deleteOldData();
    bool readDBChat();
    bool insertChatMessage(const ChatMessage &msg, const QDateTime &time);
    // Inserts a batch in one transaction and writes the scrambled file back.
    bool insertChatMessages(const ChatMessageList &messages, const QList<QDateTime> &times);
    // Writes pending rows into the scrambled file; true when nothing is pending.
    bool checkpoint();
    bool hasPendingWrites() const { return m_dirty; }
    // Quiet time after a single insert before the scrambled file is written.
    void setCheckpointDelay(int msecs) { m_checkpointTimer.setInterval(msecs); }
    int checkpointDelay() const { return m_checkpointTimer.interval(); }

    QString fileName() const { return m_file; }
    QString user() const { return m_user; }
    QString pbxAddress() const { return m_pbxAddress; }
    // Where an unreadable history was moved at the last open (empty when none).
    QString brokenFileMovedTo() const { return m_brokenMovedTo; }

    // Filled by readDBChat(), oldest first.
    ChatMessageList messageList;

    static int directionToStore(int direction);
    static int directionFromStore(int stored);

private:
    bool createHandler();
    bool moveBrokenFileAside();
    void recoverLeftoverWorkingCopy();

    QString m_file;
    QString m_user;
    QString m_pbxAddress;
    QString m_brokenMovedTo;
    std::unique_ptr<MPChatSqliteDbHandler> m_handler;
    QTimer m_checkpointTimer;
    bool m_dirty = false;
};
