// Chat history store: every chat message the client has shown, kept in one
// scrambled SQLite file ("chat.db" in the settings directory) shared by every
// PBX account used on this computer. Rows carry the PBX user name and address
// and reads are filtered by both.
//
// The file is revealed into a private working copy while the store is open.
// Written rows reach the scrambled file at checkpoint(): the owner asks for
// one after a batch of history and the store's own timer after a quiet time
// while rows are waiting, so a crash or a kill loses at most the last few
// seconds. A checkpoint copies the working copy and scrambles it on a worker
// thread while the window goes on writing; the scrambled file is replaced
// only once the new one is complete. A working copy left behind by a process
// that no longer runs is taken back at the next open of the same file.
//
// Rows are written on the store's own writer thread, over a connection of
// its own, so a very long message or a flood never holds the window; the
// write-backs and the background reads of the history queue behind them.
#pragma once

#include "ctilibtypes.h"
#include "framework/encryptedsqlitedbhandler.h"

#include <QDateTime>
#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QThreadPool>
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

        QString workingCopyPath() const { return workingFilePath; }
        QString scrambledFilePath() const { return encryptedFilePath; }
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
    struct ReadResult {
        bool ok = false;
        ChatMessageList list; // oldest first
        QString error;
    };
    // Reads what readDBChat() reads (rows stored so far), on a worker thread
    // over a connection of its own, while the window goes on.
    QFuture<ReadResult> readInBackground() const;
    static ReadResult readWorkingCopy(const QString &workingCopy, const QString &username, const QString &pbxAddress);
    // Stores the rows in one transaction over a connection of its own; the
    // error text, empty on success.
    static QString writeRows(const QString &workingCopy, const QString &username, const QString &pbxAddress,
                             const ChatMessageList &messages, const QList<QDateTime> &times);
    bool insertChatMessage(const ChatMessage &msg, const QDateTime &time);
    // Inserts a batch in one transaction; with `saveNow` the scrambled file
    // is written back at once (in the background), else after the quiet time.
    bool insertChatMessages(const ChatMessageList &messages, const QList<QDateTime> &times, bool saveNow = true);
    // Starts writing pending rows into the scrambled file in the background
    // (one write at a time; rows stored meanwhile go with the next one).
    // False without a database.
    bool checkpoint();
    // Rows not yet in the scrambled file.
    bool hasPendingWrites() const { return m_savedGeneration != m_writeGeneration; }
    // Rows or a write-back on their way to disk.
    bool isWriting() const { return m_writesInFlight > 0 || m_checkpoint.isRunning(); }
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
    void rowsWritten(bool saveNow);
    void checkpointFinished();

    QString m_file;
    QString m_user;
    QString m_pbxAddress;
    QString m_brokenMovedTo;
    std::unique_ptr<MPChatSqliteDbHandler> m_handler;
    // Writes, write-backs and background reads run one after the other on
    // this pool's single thread, away from the window.
    QThreadPool m_writer;
    int m_writesInFlight = 0;
    QTimer m_checkpointTimer;
    QFutureWatcher<QString> m_checkpoint; // the error text, empty on success
    quint64 m_writeGeneration = 0;        // one more for each write
    quint64 m_savedGeneration = 0;        // the last write in the scrambled file
    quint64 m_checkpointGeneration = 0;   // the last write the running one holds
    QObject m_context;                    // receives what the writer reports
};
