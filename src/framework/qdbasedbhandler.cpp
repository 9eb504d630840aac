#include "qdbasedbhandler.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QUuid>

const QString DRIVER_QSQLITE = QStringLiteral("QSQLITE");
const QString DRIVER_QPSQL = QStringLiteral("QPSQL");
const QString DRIVER_QMYSQL = QStringLiteral("QMYSQL");

DbhConfig::DbhConfig(const QString &hostName, const QString &databaseName, const QString &username,
                     const QString &password, const QString &driver, quint16 port)
    : driver(driver), username(username), password(password), databaseName(databaseName), hostName(hostName),
      port(port), loggerName(QStringLiteral("QDDBH")), logFileName(QStringLiteral("QDDBH.log"))
{
}

QString dbhTimezoneStatement(const QString &driver, const QString &timezone)
{
    if (driver == DRIVER_QSQLITE)
        return QString();
    for (const QChar c : timezone) {
        const bool allowed = (c.unicode() < 128 && c.isLetterOrNumber()) || c == QLatin1Char('_') ||
                             c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('/') ||
                             c == QLatin1Char(':') || c == QLatin1Char('.') || c == QLatin1Char(' ');
        if (!allowed)
            return QString();
    }
    return QStringLiteral("set timezone to '") + timezone + QLatin1Char('\'');
}

QdBaseDbHandler::QdBaseDbHandler(const DbhConfig &cfg, QObject *parent) : QObject(parent), config(cfg)
{
    UniqLogger *ul = UniqLogger::instance(config.loggerName, 0);
    logger = ul->createFileLogger(QStringLiteral("DB"), config.logFileName, config.writerConfig,
                                  UniqLogger::DEFAULT_OK_STATUS);
    if (logger)
        logger->setVerbosityAcceptedLevel(config.verbosity);

    if (config.connectionName.isEmpty())
        config.connectionName =
            config.driver + QLatin1Char('_') + config.databaseName + QLatin1Char('_') + QUuid::createUuid().toString();

    if (logger) {
        const QStringList paths = QCoreApplication::libraryPaths();
        for (const QString &path : paths)
            *logger << UNQL::LOG_INFO << "library path: " << path << UNQL::eom;
        const QStringList drivers = QSqlDatabase::drivers();
        for (const QString &driver : drivers)
            *logger << UNQL::LOG_INFO << "available SQL driver:" << driver << UNQL::eom;
    }

    db = QSqlDatabase::addDatabase(config.driver, config.connectionName);
    db.setHostName(config.hostName);
    db.setPort(config.port);
    db.setDatabaseName(config.databaseName);
    db.setUserName(config.username);
    db.setPassword(config.password);
}

QdBaseDbHandler::~QdBaseDbHandler()
{
    // Qt keeps the connection alive while any handle refers to it: close and
    // drop ours first, then end the registry entry, unless another handler
    // has since registered a connection under the same name.
    const QSqlDriver *ownDriver = db.driver();
    if (db.isOpen())
        db.close();
    db = QSqlDatabase();
    if (QSqlDatabase::contains(config.connectionName)) {
        const bool stillOurs = QSqlDatabase::database(config.connectionName, false).driver() == ownDriver;
        if (stillOurs)
            QSqlDatabase::removeDatabase(config.connectionName);
    }
    delete logger;
    logger = nullptr;
}

void QdBaseDbHandler::setError(ErrorType type, const QString &text)
{
    errorType = type;
    errorText = text;
}

void QdBaseDbHandler::resetError()
{
    errorType = NoError;
    errorText.clear();
}

bool QdBaseDbHandler::openDbConn()
{
    resetError();
    if (db.isOpen() && db.isValid())
        return true;
    if (db.isOpen()) {
        db.close();
        if (logger)
            *logger << UNQL::LOG_CRITICAL << "Database was INVALID but OPEN! -> Closing" << UNQL::eom;
    }
    if (db.open()) {
        const QString statement = dbhTimezoneStatement(config.driver, config.timezone);
        if (!statement.isEmpty()) {
            QSqlQuery tz(db);
            tz.exec(statement);
        }
        return true;
    }
    setError(OpenError, db.lastError().text());
    if (logger)
        *logger << UNQL::LOG_CRITICAL << "------ DB ERROR: " << errorText << UNQL::eom;
    return false;
}

void QdBaseDbHandler::closeDbConn()
{
    if (!db.isOpen() && logger)
        *logger << UNQL::LOG_CRITICAL << "Database was NOT OPEN! -> Closing anyway" << UNQL::eom;
    db.close();
}

QSqlQuery QdBaseDbHandler::createNewQuery()
{
    return QSqlQuery(db);
}

bool QdBaseDbHandler::prepareQuery(QSqlQuery &query, const QString &sql)
{
    resetError();
    if (query.prepare(sql))
        return true;
    setError(PrepareError, query.lastError().text());
    if (logger)
        *logger << UNQL::LOG_CRITICAL << "PREPARE QUERY ERROR - got error: " << errorText << " for query ("
                << query.lastQuery() << ")" << UNQL::eom;
    return false;
}

bool QdBaseDbHandler::executeQuery(QSqlQuery &query)
{
    resetError();
    if (query.exec())
        return true;
    setError(ExecuteError, query.lastError().text());
    if (logger)
        *logger << UNQL::LOG_CRITICAL << "EXECUTE QUERY ERROR - got error: " << errorText << " for query ("
                << query.lastQuery() << ")" << UNQL::eom;
    return false;
}

bool QdBaseDbHandler::testConnection()
{
    if (config.driver == DRIVER_QSQLITE && !QFile::exists(config.databaseName))
        return false;
    if (!openDbConn())
        return false;
    closeDbConn();
    return true;
}

void QdBaseDbHandler::commitAndClose(const QString &label)
{
    resetError();
    if (!db.commit()) {
        setError(CommitError, db.lastError().text());
        if (logger)
            *logger << UNQL::LOG_CRITICAL << "Transaction " << label << " commit failed" << UNQL::eom;
    }
    closeDbConn();
}

void QdBaseDbHandler::rollbackAndClose(const QString &label)
{
    if (logger)
        *logger << UNQL::LOG_CRITICAL << "Query" << label << "failed... rolling back transaction" << UNQL::eom;
    db.rollback();
    closeDbConn();
}
