#include "mpchatsqlite.h"

#include "app/globallogger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryFile>
#include <QUuid>
#include <QtConcurrent>

#include <sqlite3.h>

#include <cstring>
#include <string>

const QString MPChatSqlite::TimeFormat = QStringLiteral("yyyy-MM-ddThh:mm:ss.zzzZ");

namespace
{

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
int digits(const char *c, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const unsigned u = static_cast<unsigned char>(c[i]);
        if (u < '0' || u > '9')
            return -1;
        v = v * 10 + int(u - '0');
    }
    return v;
}

// Stored times are local times. Making each one a local QDateTime asks the C
// library for the time zone, which looks at the zone file on disk every
// time: for a month of history that is most of the reading. The offset from
// UTC is asked once for each hour of the history instead (zones change their
// offset on the hour) and the times carry it: the same instants, the same
// wall-clock fields.
class StoredTimeReader
{
public:
    // The text as stored (UTF-8 bytes, not terminated).
    QDateTime parse(const char *c, int size)
    {
        if (!c || size != 24 || c[4] != '-' || c[7] != '-' || c[10] != 'T' || c[13] != ':' || c[16] != ':' ||
            c[19] != '.' || c[23] != 'Z')
            return QDateTime();
        // Rows come in time order: mostly the same day and hour as the one before.
        if (std::memcmp(c, m_day, sizeof m_day) != 0) {
            const QDate date(digits(c, 4), digits(c + 5, 2), digits(c + 8, 2));
            if (!date.isValid())
                return QDateTime();
            std::memcpy(m_day, c, sizeof m_day);
            m_date = date;
            m_hour = -1;
        }
        const int hour = digits(c + 11, 2);
        const int minute = digits(c + 14, 2);
        const int second = digits(c + 17, 2);
        const int msec = digits(c + 20, 3);
        if (!QTime::isValid(hour, minute, second, msec)) {
            m_day[0] = 0; // the day is asked again
            return QDateTime();
        }
        if (hour != m_hour) {
            const qint64 hourKey = m_date.toJulianDay() * 24 + hour;
            auto it = m_offsets.constFind(hourKey);
            if (it == m_offsets.cend()) {
                const QDateTime local(m_date, QTime(hour, 0), Qt::LocalTime);
                if (!local.isValid()) // a wall-clock time the zone skips
                    return QDateTime(m_date, QTime(hour, minute, second, msec));
                it = m_offsets.insert(hourKey, local.offsetFromUtc());
            }
            m_hour = hour;
            m_offset = it.value();
        }
        // The instant from its fields: no calendar work for each row.
        const qint64 unixEpochDay = 2440588;
        const qint64 wallMs = (m_date.toJulianDay() - unixEpochDay) * 86400000 +
                              ((hour * 60 + minute) * 60 + second) * qint64(1000) + msec;
        return QDateTime::fromMSecsSinceEpoch(wallMs - qint64(m_offset) * 1000, Qt::OffsetFromUTC, m_offset);
    }

private:
    QHash<qint64, int> m_offsets; // by day and hour
    char m_day[10] = {};          // "yyyy-MM-dd" of m_date
    QDate m_date;
    int m_hour = -1; // of m_offset, in m_date
    int m_offset = 0;
};

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

namespace
{

const char *const ReadStatement = "SELECT id, exten, body, datetime, direction FROM chat_table WHERE "
                                  "username = :username AND pbxaddress = :pbxaddress ORDER BY datetime ASC";
// The same rows in storage order.
const char *const ScanStatement = "SELECT id, exten, body, datetime, direction FROM chat_table WHERE "
                                  "username = :username AND pbxaddress = :pbxaddress ORDER BY rowid ASC";

// SQLite's functions for the readers below, taken from the library Qt's
// SQLite driver has loaded (the program itself is not linked with it, so a
// start does not map it before the history store opens). Null when a
// function is missing; the reader then goes through Qt.
struct SqliteApi {
    decltype(&::sqlite3_prepare_v2) prepare_v2;
    decltype(&::sqlite3_errmsg) errmsg;
    decltype(&::sqlite3_bind_text) bind_text;
    decltype(&::sqlite3_bind_parameter_index) bind_parameter_index;
    decltype(&::sqlite3_column_text) column_text;
    decltype(&::sqlite3_column_bytes) column_bytes;
    decltype(&::sqlite3_column_int) column_int;
    decltype(&::sqlite3_step) step;
    decltype(&::sqlite3_finalize) finalize;
    decltype(&::sqlite3_column_type) column_type;
    decltype(&::sqlite3_exec) exec;
    decltype(&::sqlite3_open_v2) open_v2;
    decltype(&::sqlite3_busy_timeout) busy_timeout;
    decltype(&::sqlite3_close) close;
};

template <typename F> bool resolveSqlite(QLibrary &library, const char *name, F &function)
{
    function = reinterpret_cast<F>(library.resolve(name));
    return function != nullptr;
}

const SqliteApi *sqliteApi()
{
    static const struct Loaded {
        SqliteApi api{};
        bool ok = false;
        Loaded()
        {
            // Never unloaded: the driver holds it anyway.
            QLibrary library(QStringLiteral(DESKLINE_SQLITE3_SONAME));
            if (!library.load())
                return;
            ok = resolveSqlite(library, "sqlite3_prepare_v2", api.prepare_v2) &&
                 resolveSqlite(library, "sqlite3_errmsg", api.errmsg) &&
                 resolveSqlite(library, "sqlite3_bind_text", api.bind_text) &&
                 resolveSqlite(library, "sqlite3_bind_parameter_index", api.bind_parameter_index) &&
                 resolveSqlite(library, "sqlite3_column_text", api.column_text) &&
                 resolveSqlite(library, "sqlite3_column_bytes", api.column_bytes) &&
                 resolveSqlite(library, "sqlite3_column_int", api.column_int) &&
                 resolveSqlite(library, "sqlite3_step", api.step) &&
                 resolveSqlite(library, "sqlite3_finalize", api.finalize) &&
                 resolveSqlite(library, "sqlite3_column_type", api.column_type) &&
                 resolveSqlite(library, "sqlite3_exec", api.exec) &&
                 resolveSqlite(library, "sqlite3_open_v2", api.open_v2) &&
                 resolveSqlite(library, "sqlite3_busy_timeout", api.busy_timeout) &&
                 resolveSqlite(library, "sqlite3_close", api.close);
        }
    } loaded;
    return loaded.ok ? &loaded.api : nullptr;
}

// Reads this user's rows, oldest first, over an open SQLite connection.
bool readRows(const SqliteApi &sq, sqlite3 *raw, const QString &username, const QString &pbxAddress,
              ChatMessageList &list, QString *error)
{
    // The file is read through a memory mapping: no copy of each page into
    // SQLite's cache.
    sq.exec(raw, "PRAGMA mmap_size=1073741824", nullptr, nullptr, nullptr);
    const QByteArray user = username.toUtf8();
    const QByteArray address = pbxAddress.toUtf8();
    ChatMessageList out;
    // Rows are stored as they come, which is almost always in time order:
    // read in storage order, which needs no sorting, and only when a row is
    // out of time order read again sorted by time.
    bool unordered = false;
    for (const char *statement : {ScanStatement, ReadStatement}) {
        const bool checkOrder = statement == ScanStatement;
        sqlite3_stmt *stmt = nullptr;
        if (sq.prepare_v2(raw, statement, -1, &stmt, nullptr) != SQLITE_OK) {
            *error = QString::fromUtf8(sq.errmsg(raw));
            return false;
        }
        sq.bind_text(stmt, sq.bind_parameter_index(stmt, ":username"), user.constData(), user.size(), SQLITE_STATIC);
        sq.bind_text(stmt, sq.bind_parameter_index(stmt, ":pbxaddress"), address.constData(), address.size(),
                     SQLITE_STATIC);
        const auto text = [&sq, stmt](int column) {
            const auto *bytes = reinterpret_cast<const char *>(sq.column_text(stmt, column));
            return bytes ? QString::fromUtf8(bytes, sq.column_bytes(stmt, column)) : QString();
        };
        out.clear();
        StoredTimeReader times;
        std::string previousTime;
        std::string previousExtenBytes; // rows of one party share its text
        QString previousExten;
        int rc;
        while ((rc = sq.step(stmt)) == SQLITE_ROW) {
            const auto *timeBytes = reinterpret_cast<const char *>(sq.column_text(stmt, 3));
            const int timeSize = sq.column_bytes(stmt, 3);
            if (checkOrder) {
                // The order of the sorted read: text compared byte by byte.
                if (!timeBytes || sq.column_type(stmt, 3) != SQLITE_TEXT ||
                    previousTime.compare(0, std::string::npos, timeBytes, size_t(timeSize)) > 0) {
                    unordered = true;
                    break;
                }
                previousTime.assign(timeBytes, size_t(timeSize));
            }
            out.append(ChatMessage());
            ChatMessage &msg = out.last();
            msg.id = text(0);
            const auto *extenBytes = reinterpret_cast<const char *>(sq.column_text(stmt, 1));
            const int extenSize = sq.column_bytes(stmt, 1);
            if (extenBytes && previousExtenBytes.compare(0, std::string::npos, extenBytes, size_t(extenSize)) == 0) {
                msg.exten = previousExten;
            } else {
                msg.exten = text(1);
                previousExten = msg.exten;
                previousExtenBytes.assign(extenBytes ? extenBytes : "", extenBytes ? size_t(extenSize) : 0);
            }
            msg.body = text(2);
            msg.time = times.parse(timeBytes, timeSize);
            msg.direction = MPChatSqlite::directionFromStore(sq.column_int(stmt, 4));
        }
        if (rc != SQLITE_DONE && rc != SQLITE_ROW)
            *error = QString::fromUtf8(sq.errmsg(raw));
        sq.finalize(stmt);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW)
            return false;
        if (!unordered)
            break;
    }
    list = std::move(out);
    return true;
}

// Reads this user's rows straight through SQLite on the connection's own
// handle: Qt's row-by-row path (a QVariant per value) costs several times the
// read itself on a month of history. Falls back to it on any other driver.
bool readEntries(QSqlDatabase &db, const QString &username, const QString &pbxAddress, ChatMessageList &list,
                 QString *error)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    sqlite3 *raw = nullptr;
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        raw = *static_cast<sqlite3 *const *>(handle.constData());
    const SqliteApi *sq = raw ? sqliteApi() : nullptr;
    if (!sq) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.prepare(QLatin1String(ReadStatement))) {
            *error = query.lastError().text();
            return false;
        }
        query.bindValue(QStringLiteral(":username"), username);
        query.bindValue(QStringLiteral(":pbxaddress"), pbxAddress);
        if (!query.exec()) {
            *error = query.lastError().text();
            return false;
        }
        ChatMessageList out;
        StoredTimeReader times;
        while (query.next()) {
            ChatMessage msg;
            msg.id = query.value(0).toString();
            msg.exten = query.value(1).toString();
            msg.body = query.value(2).toString();
            const QByteArray time = query.value(3).toString().toUtf8();
            msg.time = times.parse(time.constData(), time.size());
            msg.direction = MPChatSqlite::directionFromStore(query.value(4).toInt());
            out.append(msg);
        }
        list = std::move(out);
        return true;
    }

    return readRows(*sq, raw, username, pbxAddress, list, error);
}

} // namespace

bool MPChatSqlite::MPChatSqliteDbHandler::getChatEntries(ChatMessageList &list)
{
    if (!openDbConn()) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to open connection to SQLite db...";
        return false;
    }
    QString error;
    if (!readEntries(db, m_username, m_pbxAddress, list, &error)) {
        setError(ExecuteError, error);
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Error retrieving entries from chat_table: " << error;
        return false;
    }
    return true;
}

MPChatSqlite::ReadResult MPChatSqlite::readWorkingCopy(const QString &workingCopy, const QString &username,
                                                       const QString &pbxAddress)
{
    ReadResult result;
    const SqliteApi *sq = sqliteApi();
    if (!sq) {
        // Without SQLite's own functions: a Qt connection of its own.
        const QString connection = QStringLiteral("chat-read-") + QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(DRIVER_QSQLITE, connection);
            db.setDatabaseName(workingCopy);
            if (db.open()) {
                result.ok = readEntries(db, username, pbxAddress, result.list, &result.error);
                db.close();
            } else {
                result.error = db.lastError().text();
            }
        }
        QSqlDatabase::removeDatabase(connection);
        return result;
    }
    // A connection of its own, used by this thread alone: SQLite need not
    // lock it for every value read. One statement, one read transaction: a
    // consistent view while the window goes on writing. Never creates the
    // file.
    sqlite3 *raw = nullptr;
    if (sq->open_v2(workingCopy.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) ==
        SQLITE_OK) {
        sq->busy_timeout(raw, 5000);
        result.ok = readRows(*sq, raw, username, pbxAddress, result.list, &result.error);
    } else {
        result.error = raw ? QString::fromUtf8(sq->errmsg(raw)) : QStringLiteral("out of memory");
    }
    sq->close(raw);
    return result;
}

QFuture<MPChatSqlite::ReadResult> MPChatSqlite::readInBackground() const
{
    if (!m_handler) {
        ReadResult none;
        none.error = QStringLiteral("no chat history");
        QFutureInterface<ReadResult> done;
        done.reportStarted();
        done.reportResult(none);
        done.reportFinished();
        return done.future();
    }
    const QString working = m_handler->workingCopyPath();
    const QString user = m_user;
    const QString address = m_pbxAddress;
    // After the rows on their way.
    return QtConcurrent::run(const_cast<QThreadPool *>(&m_writer),
                             [working, user, address] { return readWorkingCopy(working, user, address); });
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

namespace
{

void bindRow(QSqlQuery &query, const ChatMessage &msg, const QDateTime &time, const QString &username,
             const QString &pbxAddress)
{
    query.bindValue(QStringLiteral(":id"), msg.id);
    query.bindValue(QStringLiteral(":exten"), msg.exten);
    query.bindValue(QStringLiteral(":body"), msg.body);
    query.bindValue(QStringLiteral(":datetime"), time.toString(MPChatSqlite::TimeFormat));
    query.bindValue(QStringLiteral(":direction"), MPChatSqlite::directionToStore(msg.direction));
    query.bindValue(QStringLiteral(":username"), username);
    query.bindValue(QStringLiteral(":pbxaddress"), pbxAddress);
}

} // namespace

QString MPChatSqlite::writeRows(const QString &workingCopy, const QString &username, const QString &pbxAddress,
                                const ChatMessageList &messages, const QList<QDateTime> &times)
{
    QString error;
    const QString connection = QStringLiteral("chat-write-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(DRIVER_QSQLITE, connection);
        db.setDatabaseName(workingCopy);
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            {
                QSqlQuery pragma(db);
                pragma.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
            }
            bool ok = db.transaction();
            QSqlQuery query(db);
            ok = ok && query.prepare(QLatin1String(InsertStatement));
            for (int i = 0; ok && i < messages.size(); ++i) {
                bindRow(query, messages.at(i), times.at(i), username, pbxAddress);
                ok = query.exec();
            }
            if (!ok)
                error = query.lastError().text().isEmpty() ? db.lastError().text() : query.lastError().text();
            query.finish();
            if (ok && !db.commit()) {
                ok = false;
                error = db.lastError().text();
            }
            if (!ok)
                db.rollback();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return error;
}

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
    m_writer.setMaxThreadCount(1);
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
    const QString aside = m_file + QStringLiteral(".broken-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmsszzz"));
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
    m_writer.waitForDone(); // rows on their way, a write-back under way
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
    m_writer.waitForDone(); // every row stored so far
    ReadResult read = readWorkingCopy(m_handler->workingCopyPath(), m_user, m_pbxAddress);
    if (read.ok) {
        messageList = std::move(read.list);
        return true;
    }
    logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Reading the chat history over the store's connection:" << read.error;
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
    return insertChatMessages({msg}, {time}, false);
}

bool MPChatSqlite::insertChatMessages(const ChatMessageList &messages, const QList<QDateTime> &times, bool saveNow)
{
    if (!m_handler || messages.size() != times.size())
        return false;
    if (messages.isEmpty())
        return true;
    // The rows go to the working copy on the store's writer thread, in the
    // order they were given; a write-back asked for later follows them.
    const QString working = m_handler->workingCopyPath();
    const QString user = m_user;
    const QString address = m_pbxAddress;
    ++m_writesInFlight;
    auto *watcher = new QFutureWatcher<QString>(&m_context);
    const int count = messages.size();
    QObject::connect(watcher, &QFutureWatcherBase::finished, &m_context, [this, watcher, count] {
        watcher->deleteLater();
        --m_writesInFlight;
        const QString error = watcher->result();
        if (!error.isEmpty())
            logLine(UNQL::LOG_WARNING) << "bool MPChatSqlite::insertChatMessages()"
                                       << "Error storing entries into chat_table: " << error << "-" << count
                                       << "chat messages not added to chat table";
    });
    watcher->setFuture(QtConcurrent::run(&m_writer, [working, user, address, messages, times] {
        return writeRows(working, user, address, messages, times);
    }));
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
    m_checkpoint.setFuture(QtConcurrent::run(&m_writer, [working, snapshot, target] {
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
