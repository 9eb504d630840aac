#include "mpchatsqlite.h"

#include "app/globallogger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryFile>
#include <QUuid>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

const QString MPChatSqlite::TimeFormat = QStringLiteral("yyyy-MM-ddThh:mm:ss.zzzZ");

namespace {

const char *const CreateTable = "CREATE TABLE chat_table ( id VARCHAR, exten VARCHAR, body VARCHAR, datetime VARCHAR, "
                                "direction INT, username VARCHAR, pbxaddress VARCHAR)";
const char *const TableCheck = "SELECT 1 FROM sqlite_master WHERE type = 'table' and name = 'chat_table'";
// Which scrambled file a working copy belongs to, so that a copy left behind
// by a killed process is only ever taken back into its own file.
const char *const OriginTable = "CREATE TABLE IF NOT EXISTS chat_store_origin (path VARCHAR)";
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

// The scrambled file's identity as recorded in its working copies.
QString originOf(const QString &dbPath)
{
    return QFileInfo(dbPath).absoluteFilePath();
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
    {
        QSqlQuery origin(db);
        if (origin.exec(QLatin1String(OriginTable)) && origin.exec(QStringLiteral("DELETE FROM chat_store_origin")) &&
            origin.prepare(QStringLiteral("INSERT INTO chat_store_origin (path) VALUES (:path)"))) {
            origin.bindValue(QStringLiteral(":path"), originOf(encryptedFilePath));
            origin.exec();
        }
    }
    db.commit();
    return true;
}

bool MPChatSqlite::MPChatSqliteDbHandler::close()
{
    closeDbConn();
    if (!encryptDb()) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to encrypt SQLite db...";
        return false;
    }
    return true;
}

bool MPChatSqlite::MPChatSqliteDbHandler::checkpoint()
{
    closeDbConn();
    const bool saved = encryptDb();
    if (!saved)
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to encrypt SQLite db...";
    // A failed save keeps the working copy; a good one removed it, so it is
    // revealed again from the file just written.
    if (!decryptDb() || !openDbConn()) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to reopen SQLite db after saving it";
        return false;
    }
    return saved;
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

void MPChatSqlite::recoverLeftoverWorkingCopy()
{
    const QString workDir = EncryptedSqliteDbHandler::workingDirectory();
    if (workDir.isEmpty())
        return;
    const QString base = QFileInfo(m_file).fileName();
    const QFileInfo scrambled(m_file);
    const QStringList entries =
        QDir(workDir).entryList({base + QStringLiteral("-??????.sqlite")}, QDir::Files, QDir::Time);
    for (const QString &entry : entries) { // newest first
        const QString copy = workDir + QLatin1Char('/') + entry;
        const QFileInfo copyInfo(copy);
        if (copyInfo.size() == 0 || (scrambled.exists() && copyInfo.lastModified() <= scrambled.lastModified()))
            continue;
        // A copy whose lock is held belongs to a running store.
        const int fd = ::open(QFile::encodeName(copy + QStringLiteral(".lock")).constData(),
                              O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        bool usable = false;
        {
            const QString conn = QStringLiteral("chat-recovery-") + QUuid::createUuid().toString();
            {
                QSqlDatabase check = QSqlDatabase::addDatabase(DRIVER_QSQLITE, conn);
                check.setDatabaseName(copy);
                if (check.open()) {
                    // Reading rolls back a write the killed process left half done.
                    QSqlQuery q(check);
                    QString origin;
                    if (q.exec(QStringLiteral("SELECT path FROM chat_store_origin")) && q.next())
                        origin = q.value(0).toString();
                    usable = origin == originOf(m_file) && q.exec(QStringLiteral("SELECT count(*) FROM chat_table")) &&
                             q.next() && q.exec(QStringLiteral("PRAGMA quick_check")) && q.next() &&
                             q.value(0).toString() == QLatin1String("ok");
                    q.finish();
                    check.close();
                }
            }
            QSqlDatabase::removeDatabase(conn);
        }
        if (usable) {
            QTemporaryFile out(scrambled.absoluteFilePath() + QStringLiteral(".XXXXXX"));
            QFile in(copy);
            if (in.open(QIODevice::ReadOnly) && out.open() &&
                EncryptedSqliteDbHandler::scrambleCopy(in, out, true) && ::fsync(out.handle()) == 0) {
                out.close();
                if (::rename(QFile::encodeName(out.fileName()).constData(),
                             QFile::encodeName(scrambled.absoluteFilePath()).constData()) == 0) {
                    out.setAutoRemove(false);
                    logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Chat history recovered from" << copy;
                }
            }
        }
        ::close(fd);
        if (usable)
            break; // older leftovers are cleaned by the handler
    }
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
        recoverLeftoverWorkingCopy();
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
    if (!m_handler)
        return;
    m_handler->close();
    m_handler.reset();
    m_dirty = false;
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

bool MPChatSqlite::insertChatMessage(const ChatMessage &msg, const QDateTime &time)
{
    if (!m_handler || !m_handler->saveChatEntry(msg, time))
        return false;
    m_dirty = true;
    if (!m_checkpointTimer.isActive())
        m_checkpointTimer.start();
    return true;
}

bool MPChatSqlite::insertChatMessages(const ChatMessageList &messages, const QList<QDateTime> &times)
{
    if (!m_handler || !m_handler->saveChatEntries(messages, times))
        return false;
    if (messages.isEmpty())
        return true;
    m_dirty = true;
    return checkpoint();
}

bool MPChatSqlite::checkpoint()
{
    m_checkpointTimer.stop();
    if (!m_handler)
        return false;
    if (!m_dirty)
        return true;
    if (!m_handler->checkpoint()) {
        if (!m_handler->workingCopyPath().isEmpty())
            m_checkpointTimer.start(); // try again later
        return false;
    }
    m_dirty = false;
    return true;
}
