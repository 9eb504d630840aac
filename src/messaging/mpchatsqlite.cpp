#include "mpchatsqlite.h"

#include "app/globallogger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryFile>
#include <QtConcurrent>

const QString MPChatSqlite::TimeFormat = QStringLiteral("yyyy-MM-ddThh:mm:ss.zzzZ");

namespace {

const char *const CreateTable = "CREATE TABLE chat_table ( id VARCHAR, exten VARCHAR, body VARCHAR, datetime VARCHAR, "
                                "direction INT, username VARCHAR, pbxaddress VARCHAR)";
const char *const TableCheck = "SELECT 1 FROM sqlite_master WHERE type = 'table' and name = 'chat_table'";
const int DefaultCheckpointDelayMs = 2000;

// Tried rather than asked, so read-only mounts and full disks count too.
bool directoryWritable(const QString &dir)
{
    QTemporaryFile probe(dir + QStringLiteral("/.chat-probe-XXXXXX"));
    return probe.open();
}

// Reads "yyyy-MM-ddThh:mm:ss.zzzZ" without the general format parser, which
// dominates the time of reading a large history; anything else is invalid.
int digits(const QChar *c, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const ushort u = c[i].unicode();
        if (u < '0' || u > '9')
            return -1;
        v = v * 10 + (u - '0');
    }
    return v;
}

QDateTime parseStoredTime(const QString &text)
{
    if (text.size() != 24 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-') ||
        text.at(10) != QLatin1Char('T') || text.at(13) != QLatin1Char(':') || text.at(16) != QLatin1Char(':') ||
        text.at(19) != QLatin1Char('.') || text.at(23) != QLatin1Char('Z'))
        return QDateTime();
    const QChar *c = text.constData();
    const QDate date(digits(c, 4), digits(c + 5, 2), digits(c + 8, 2));
    const QTime time(digits(c + 11, 2), digits(c + 14, 2), digits(c + 17, 2), digits(c + 20, 3));
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

} // namespace

// ---------------------------------------------------------------------------
// Database handler

MPChatSqlite::MPChatSqliteDbHandler::MPChatSqliteDbHandler(const DbhConfig &cfg, const QString &username,
                                                           const QString &pbxAddress, QObject *parent)
    : EncryptedSqliteDbHandler(cfg, parent), m_username(username), m_pbxAddress(pbxAddress)
{
}

MPChatSqlite::MPChatSqliteDbHandler::~MPChatSqliteDbHandler() = default;

bool MPChatSqlite::MPChatSqliteDbHandler::tableExists()
{
    QSqlQuery check(db);
    return check.exec(QLatin1String(TableCheck)) && check.next();
}

bool MPChatSqlite::MPChatSqliteDbHandler::open()
{
    if (!decryptDb()) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to decrypt SQLite db...";
        return false;
    }
    if (!openDbConn()) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to open connection to SQLite db...";
        return false;
    }
    {
        // While open, the working copy keeps a write-ahead log: a checkpoint
        // reads a consistent copy of it on another thread while the window
        // goes on writing. The copy is only the working form of the scrambled
        // file, so its writes need not reach the disk at once.
        QSqlQuery pragma(db);
        pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        pragma.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    }
    // The set-up writes share one transaction: one journal and one sync to
    // disk instead of one for each statement.
    db.transaction();
    bool createFailed = false;
    if (!tableExists()) {
        QSqlQuery query(db);
        query.exec(QStringLiteral("DROP TABLE IF EXISTS chat_table"));
        if (!query.exec(QLatin1String(CreateTable))) {
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO
                                        << "Error initializing SQLite db... Unable to create chat_table table. - error:"
                                        << query.lastError().text();
            createFailed = true;
        } else {
            logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Chat_table created in chat db";
        }
        query.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS chat_id_idx ON chat_table (id)"));
        query.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS chat_exten_idx ON chat_table (exten)"));
    }
    if (createFailed || !tableExists()) {
        db.rollback();
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Creation of chat_table is failed!";
        return false;
    }
    db.commit();
    return true;
}

bool MPChatSqlite::MPChatSqliteDbHandler::close()
{
    if (db.isOpen()) {
        // The scrambled file keeps the plain rollback-journal form every
        // version of the program reads.
        QSqlQuery pragma(db);
        pragma.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
        pragma.finish();
        closeDbConn();
    }
    if (!encryptDb()) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to encrypt SQLite db...";
        return false;
    }
    return true;
}

bool MPChatSqlite::MPChatSqliteDbHandler::getChatEntries(ChatMessageList &list)
{
    if (!openDbConn()) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to open connection to SQLite db...";
        return false;
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!prepareQuery(query, QStringLiteral("SELECT id, exten, body, datetime, direction FROM chat_table WHERE "
                                            "username = :username AND pbxaddress = :pbxaddress ORDER BY datetime ASC"))) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Error retrieving entries from chat_table: " << errorText;
        return false;
    }
    query.bindValue(QStringLiteral(":username"), m_username);
    query.bindValue(QStringLiteral(":pbxaddress"), m_pbxAddress);
    if (!executeQuery(query)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Error retrieving entries from chat_table: " << errorText;
        return false;
    }
    list.clear();
    while (query.next()) {
        ChatMessage msg;
        msg.id = query.value(0).toString();
        msg.exten = query.value(1).toString();
        msg.body = query.value(2).toString();
        msg.time = parseStoredTime(query.value(3).toString());
        msg.direction = directionFromStore(query.value(4).toInt());
        list.append(msg);
    }
    return true;
}

void MPChatSqlite::MPChatSqliteDbHandler::bindCommon(QSqlQuery &query, const ChatMessage &msg, const QDateTime &time)
{
    query.bindValue(QStringLiteral(":id"), msg.id);
    query.bindValue(QStringLiteral(":exten"), msg.exten);
    query.bindValue(QStringLiteral(":body"), msg.body);
    query.bindValue(QStringLiteral(":datetime"), time.toString(TimeFormat));
    query.bindValue(QStringLiteral(":direction"), directionToStore(msg.direction));
    query.bindValue(QStringLiteral(":username"), m_username);
    query.bindValue(QStringLiteral(":pbxaddress"), m_pbxAddress);
}

static const char *const InsertStatement =
    "INSERT INTO chat_table (id, exten, body, datetime, direction, username, pbxaddress) VALUES "
    "(:id, :exten, :body, :datetime, :direction, :username, :pbxaddress)";

bool MPChatSqlite::MPChatSqliteDbHandler::saveChatEntry(const ChatMessage &msg, const QDateTime &time)
{
    if (!openDbConn()) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to open connection to SQLite db...";
        return false;
    }
    QSqlQuery query(db);
    if (!prepareQuery(query, QLatin1String(InsertStatement))) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Error storing entries into chat_table: " << errorText;
        return false;
    }
    bindCommon(query, msg, time);
    if (!executeQuery(query)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Error storing entries into chat_table: " << errorText;
        return false;
    }
    return true;
}

bool MPChatSqlite::MPChatSqliteDbHandler::saveChatEntries(const ChatMessageList &messages,
                                                          const QList<QDateTime> &times)
{
    if (messages.size() != times.size())
        return false;
    if (messages.isEmpty())
        return true;
    if (!openDbConn()) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to open connection to SQLite db...";
        return false;
    }
    if (!db.transaction())
        return false;
    QSqlQuery query(db);
    bool ok = prepareQuery(query, QLatin1String(InsertStatement));
    for (int i = 0; ok && i < messages.size(); ++i) {
        bindCommon(query, messages.at(i), times.at(i));
        ok = executeQuery(query);
    }
    if (ok && db.commit())
        return true;
    logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Error storing entries into chat_table: " << errorText;
    query.finish();
    db.rollback();
    return false;
}

bool MPChatSqlite::MPChatSqliteDbHandler::deleteDataOlderThan(const QDateTime &cutoff)
{
    if (!openDbConn()) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to open connection to SQLite db...";
        return false;
    }
    QSqlQuery query(db);
    if (!prepareQuery(query, QStringLiteral("DELETE FROM chat_table WHERE datetime < :mindate"))) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Error deleting chat entries from SQLite db..." << errorText;
        return false;
    }
    query.bindValue(QStringLiteral(":mindate"), cutoff.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz")));
    if (!executeQuery(query)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Error deleting chat entries from SQLite db..." << errorText;
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Store

MPChatSqlite::MPChatSqlite(const QString &dbPath, const QString &username, const QString &pbxaddress)
    : m_file(dbPath), m_user(username), m_pbxAddress(pbxaddress)
{
    m_checkpointTimer.setSingleShot(true);
    m_checkpointTimer.setInterval(DefaultCheckpointDelayMs);
    QObject::connect(&m_checkpointTimer, &QTimer::timeout, [this] { checkpoint(); });
    QObject::connect(&m_checkpoint, &QFutureWatcher<QString>::finished, [this] { checkpointFinished(); });
    open();
}

MPChatSqlite::~MPChatSqlite()
{
    close();
}

int MPChatSqlite::directionToStore(int direction)
{
    return (direction == 0 || direction == 1 || direction == 2) ? direction : 0;
}

int MPChatSqlite::directionFromStore(int stored)
{
    return quint32(stored) <= 1 ? stored : 2;
}

bool MPChatSqlite::createHandler()
{
    const QFileInfo info(m_file);
    const QString dir = info.absolutePath();
    DbhConfig cfg(dir, info.fileName(), QString(), QString(), DRIVER_QPSQL, 5432);
    cfg.driver = DRIVER_QSQLITE;
    cfg.logFileName = dir + QStringLiteral("/chatDbLog.txt");
    cfg.loggerName = QStringLiteral("mphone_app");
    m_handler.reset(new MPChatSqliteDbHandler(cfg, m_user, m_pbxAddress));
    return true;
}

bool MPChatSqlite::moveBrokenFileAside()
{
    if (!QFileInfo::exists(m_file))
        return true;
    const QString aside =
        m_file + QStringLiteral(".broken-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmsszzz"));
    if (!QFile::rename(m_file, aside))
        return false;
    m_brokenMovedTo = aside;
    logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Unreadable chat history moved to" << aside;
    return true;
}

bool MPChatSqlite::open()
{
    const QString dir = QFileInfo(m_file).absolutePath();
    if (!m_handler) {
        if (!directoryWritable(dir)) {
            // Nothing of the history is touched; the client runs without it.
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Chat history directory not writable:" << dir;
            return false;
        }
        createHandler();
    }
    if (!m_handler->open()) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO
                                    << "Failed to initilize Chat db. Trying again after dropping existent files...";
        m_handler.reset();
        if (!directoryWritable(dir) || !moveBrokenFileAside()) {
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Chat history left as it is, running without it";
            return false;
        }
        createHandler();
        if (!m_handler->open()) {
            m_handler.reset();
            return false;
        }
    }
    deleteOldData();
    return true;
}

void MPChatSqlite::close()
{
    m_checkpointTimer.stop();
    m_checkpoint.waitForFinished();
    if (!m_handler)
        return;
    m_handler->close();
    m_handler.reset();
    m_savedGeneration = m_writeGeneration;
}

bool MPChatSqlite::deleteOldData()
{
    if (!m_handler)
        return false;
    return m_handler->deleteDataOlderThan(QDateTime::currentDateTime().addMonths(-1));
}

bool MPChatSqlite::readDBChat()
{
    if (!m_handler)
        return false;
    return m_handler->getChatEntries(messageList);
}

void MPChatSqlite::rowsWritten(bool saveNow)
{
    ++m_writeGeneration;
    if (saveNow)
        checkpoint();
    else if (!m_checkpointTimer.isActive())
        m_checkpointTimer.start();
}

bool MPChatSqlite::insertChatMessage(const ChatMessage &msg, const QDateTime &time)
{
    if (!m_handler || !m_handler->saveChatEntry(msg, time))
        return false;
    rowsWritten(false);
    return true;
}

bool MPChatSqlite::insertChatMessages(const ChatMessageList &messages, const QList<QDateTime> &times, bool saveNow)
{
    if (!m_handler || !m_handler->saveChatEntries(messages, times))
        return false;
    if (!messages.isEmpty())
        rowsWritten(saveNow);
    return true;
}

bool MPChatSqlite::checkpoint()
{
    m_checkpointTimer.stop();
    if (!m_handler)
        return false;
    if (!hasPendingWrites() || m_checkpoint.isRunning())
        return true; // a running one is followed by another when needed
    const QString working = m_handler->workingCopyPath();
    const QString snapshot = m_handler->snapshotPath();
    const QString target = m_handler->scrambledFilePath();
    m_checkpointGeneration = m_writeGeneration;
    m_checkpoint.setFuture(QtConcurrent::run([working, snapshot, target] {
        QString error;
        if (!EncryptedSqliteDbHandler::saveSnapshot(working, snapshot, target, &error) && error.isEmpty())
            error = QStringLiteral("unknown error");
        return error;
    }));
    return true;
}

void MPChatSqlite::checkpointFinished()
{
    if (m_checkpoint.isCanceled())
        return;
    const QString error = m_checkpoint.result();
    if (error.isEmpty()) {
        m_savedGeneration = std::max(m_savedGeneration, m_checkpointGeneration);
    } else {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to encrypt SQLite db..." << error;
    }
    // Rows stored meanwhile, or a failed write, wait for the next quiet time.
    if (m_handler && hasPendingWrites() && !m_checkpointTimer.isActive())
        m_checkpointTimer.start();
}
