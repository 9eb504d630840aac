#include "framework/qdbasedbhandler.h"
#include "testhelpers.h"
#include "testmain.h"

#include <QFile>
#include <QSqlError>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace
{

// Exposes the state a subclass sees.
class Handler : public QdBaseDbHandler
{
public:
    using QdBaseDbHandler::QdBaseDbHandler;
    const DbhConfig &cfg() const { return config; }
    QSqlDatabase &conn() { return db; }
    ErrorType type() const { return errorType; }
    QString text() const { return errorText; }
    void flushLog()
    {
        if (logger)
            logger->flush();
    }
};

QStringList g_messages;
QtMessageHandler g_chained = nullptr;

void recordingHandler(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    g_messages << msg;
    if (g_chained)
        g_chained(type, ctx, msg);
}

} // namespace

class TestDbHandler : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void configDefaults();
    void generatedNamesAreDistinct();
    void givenNameIsUsedAndReplaced();
    void openReusesAndCloses();
    void openErrorIsRecorded();
    void testConnection();
    void prepareAndExecuteErrors();
    void commitAndRollback();
    void timezoneStatement_data();
    void timezoneStatement();

private:
    DbhConfig sqliteConfig(const QString &file) const;
    QString readLog();

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDbHandler::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    g_messages.clear();
    g_chained = qInstallMessageHandler(recordingHandler);
}

void TestDbHandler::cleanup()
{
    qInstallMessageHandler(g_chained);
    g_chained = nullptr;
    // Closing and dropping our handle before ending the registry entry keeps
    // Qt quiet about connections still in use.
    for (const QString &m : qAsConst(g_messages))
        QVERIFY2(!m.contains(QLatin1String("still in use")), qPrintable(m));
    m_dir.reset();
}

DbhConfig TestDbHandler::sqliteConfig(const QString &file) const
{
    DbhConfig c(QString(), m_dir->filePath(file), QString(), QString(), DRIVER_QSQLITE);
    c.logFileName = m_dir->filePath(QStringLiteral("db.log"));
    return c;
}

QString TestDbHandler::readLog()
{
    return QString::fromUtf8(testsupport::logText(m_dir->filePath(QStringLiteral("db.log"))));
}

void TestDbHandler::configDefaults()
{
    const DbhConfig c(QStringLiteral("host"), QStringLiteral("name"), QStringLiteral("user"), QStringLiteral("pw"),
                      DRIVER_QPSQL, 5432);
    QCOMPARE(c.hostName, QStringLiteral("host"));
    QCOMPARE(c.databaseName, QStringLiteral("name"));
    QCOMPARE(c.username, QStringLiteral("user"));
    QCOMPARE(c.password, QStringLiteral("pw"));
    QCOMPARE(c.driver, QStringLiteral("QPSQL"));
    QCOMPARE(c.port, 5432);
    QVERIFY(c.connectionName.isEmpty());
    QVERIFY(c.timezone.isEmpty());
    QCOMPARE(c.loggerName, QStringLiteral("QDDBH"));
    QCOMPARE(c.logFileName, QStringLiteral("QDDBH.log"));
    QCOMPARE(c.verbosity, 1000);
    QCOMPARE(DRIVER_QSQLITE, QStringLiteral("QSQLITE"));
    QCOMPARE(DRIVER_QMYSQL, QStringLiteral("QMYSQL"));
}

void TestDbHandler::generatedNamesAreDistinct()
{
    const DbhConfig c = sqliteConfig(QStringLiteral("a.db"));
    QString nameA;
    {
        Handler a(c, nullptr);
        Handler b(c, nullptr);
        nameA = a.cfg().connectionName;
        QVERIFY(nameA.startsWith(QStringLiteral("QSQLITE_") + c.databaseName + QStringLiteral("_{")));
        QVERIFY(nameA.endsWith(QLatin1Char('}')));
        QVERIFY(nameA != b.cfg().connectionName);
        QVERIFY(a.openDbConn());
        QVERIFY(b.openDbConn());
        QVERIFY(QSqlDatabase::contains(nameA));
    }
    // The destructor ends the registry entry.
    QVERIFY(!QSqlDatabase::contains(nameA));
    QVERIFY(readLog().contains(QStringLiteral("library path: ")));
    QVERIFY(readLog().contains(QStringLiteral("QSQLITE")));
}

void TestDbHandler::givenNameIsUsedAndReplaced()
{
    DbhConfig c = sqliteConfig(QStringLiteral("b.db"));
    c.connectionName = QStringLiteral("fixed");
    auto first = std::make_unique<Handler>(c, nullptr);
    QCOMPARE(first->cfg().connectionName, QStringLiteral("fixed"));
    QVERIFY(QSqlDatabase::contains(QStringLiteral("fixed")));
    QVERIFY(first->openDbConn());
    {
        Handler second(c, nullptr);
        g_messages.clear(); // Qt warns about the replaced entry itself
        // The replaced handler going away leaves the new entry alone.
        first.reset();
        QVERIFY(QSqlDatabase::contains(QStringLiteral("fixed")));
        QVERIFY(second.openDbConn());
        QSqlQuery q = second.createNewQuery();
        QVERIFY(q.exec(QStringLiteral("select 1")));
    }
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("fixed")));
}

void TestDbHandler::openReusesAndCloses()
{
    Handler h(sqliteConfig(QStringLiteral("c.db")), nullptr);
    QVERIFY(!h.conn().isOpen());
    QVERIFY(h.openDbConn());
    QVERIFY(h.openDbConn());
    QVERIFY(h.conn().isOpen());
    QCOMPARE(h.type(), QdBaseDbHandler::NoError);
    h.closeDbConn();
    QVERIFY(!h.conn().isOpen());
    h.flushLog();
    QVERIFY(!readLog().contains(QStringLiteral("Database was NOT OPEN! -> Closing anyway")));
    h.closeDbConn();
    QVERIFY(!h.conn().isOpen());
    h.flushLog();
    QVERIFY(readLog().contains(QStringLiteral("Database was NOT OPEN! -> Closing anyway")));
    // Opens again after a close.
    QVERIFY(h.openDbConn());
}

void TestDbHandler::openErrorIsRecorded()
{
    Handler h(sqliteConfig(QStringLiteral("missing-dir/x.db")), nullptr);
    QVERIFY(!h.openDbConn());
    QCOMPARE(h.type(), QdBaseDbHandler::OpenError);
    QVERIFY(!h.text().isEmpty());
    QCOMPARE(h.text(), h.conn().lastError().text());
    h.flushLog();
    QVERIFY(readLog().contains(QStringLiteral("------ DB ERROR: ")));
    h.resetError();
    QCOMPARE(h.type(), QdBaseDbHandler::NoError);
    QVERIFY(h.text().isEmpty());
}

void TestDbHandler::testConnection()
{
    Handler missing(sqliteConfig(QStringLiteral("none.db")), nullptr);
    missing.setError(QdBaseDbHandler::ExecuteError, QStringLiteral("before"));
    QVERIFY(!missing.testConnection());
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("none.db"))));
    QCOMPARE(missing.type(), QdBaseDbHandler::ExecuteError); // untouched

    QFile f(m_dir->filePath(QStringLiteral("there.db")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    Handler there(sqliteConfig(QStringLiteral("there.db")), nullptr);
    QVERIFY(there.testConnection());
    QVERIFY(!there.conn().isOpen());
    QCOMPARE(there.type(), QdBaseDbHandler::NoError);
}

void TestDbHandler::prepareAndExecuteErrors()
{
    Handler h(sqliteConfig(QStringLiteral("d.db")), nullptr);
    QVERIFY(h.openDbConn());
    QSqlQuery create = h.createNewQuery();
    QVERIFY(h.prepareQuery(create, QStringLiteral("create table t (id integer primary key, v text)")));
    QVERIFY(h.executeQuery(create));

    QSqlQuery bad = h.createNewQuery();
    QVERIFY(!h.prepareQuery(bad, QStringLiteral("selec nothing frm")));
    QCOMPARE(h.type(), QdBaseDbHandler::PrepareError);
    QCOMPARE(h.text(), bad.lastError().text());
    h.flushLog();
    QVERIFY(readLog().contains(QStringLiteral("PREPARE QUERY ERROR - got error: ")));

    QSqlQuery insert = h.createNewQuery();
    QVERIFY(h.prepareQuery(insert, QStringLiteral("insert into t (id, v) values (:id, :v)")));
    insert.bindValue(QStringLiteral(":id"), 1);
    insert.bindValue(QStringLiteral(":v"), QStringLiteral("x'); drop table t; --"));
    QVERIFY(h.executeQuery(insert));
    QCOMPARE(h.type(), QdBaseDbHandler::NoError);
    QVERIFY(h.text().isEmpty());

    // The same key again violates the primary key.
    QVERIFY(!h.executeQuery(insert));
    QCOMPARE(h.type(), QdBaseDbHandler::ExecuteError);
    QCOMPARE(h.text(), insert.lastError().text());
    h.flushLog();
    QVERIFY(readLog().contains(QStringLiteral("EXECUTE QUERY ERROR - got error: ")));

    QSqlQuery check = h.createNewQuery();
    QVERIFY(check.exec(QStringLiteral("select v from t")));
    QVERIFY(check.next());
    QCOMPARE(check.value(0).toString(), QStringLiteral("x'); drop table t; --"));
}

void TestDbHandler::commitAndRollback()
{
    Handler h(sqliteConfig(QStringLiteral("e.db")), nullptr);
    QVERIFY(h.openDbConn());
    QVERIFY(h.createNewQuery().exec(QStringLiteral("create table t (v integer)")));

    QVERIFY(h.conn().transaction());
    QVERIFY(h.createNewQuery().exec(QStringLiteral("insert into t values (1)")));
    h.commitAndClose(QStringLiteral("first"));
    QCOMPARE(h.type(), QdBaseDbHandler::NoError);
    QVERIFY(!h.conn().isOpen());

    QVERIFY(h.openDbConn());
    QVERIFY(h.conn().transaction());
    QVERIFY(h.createNewQuery().exec(QStringLiteral("insert into t values (2)")));
    h.setError(QdBaseDbHandler::ExecuteError, QStringLiteral("why we roll back"));
    h.rollbackAndClose(QStringLiteral("second"));
    QVERIFY(!h.conn().isOpen());
    QCOMPARE(h.type(), QdBaseDbHandler::ExecuteError);
    QCOMPARE(h.text(), QStringLiteral("why we roll back"));

    // A commit without a transaction fails and still closes.
    QVERIFY(h.openDbConn());
    h.commitAndClose(QStringLiteral("third"));
    QCOMPARE(h.type(), QdBaseDbHandler::CommitError);
    QVERIFY(!h.text().isEmpty());
    QVERIFY(!h.conn().isOpen());

    h.flushLog();
    const QString log = readLog();
    QVERIFY(log.contains(QStringLiteral("second")) &&
            log.contains(QStringLiteral("failed... rolling back transaction")));
    QVERIFY(log.contains(QStringLiteral("Transaction ")) && log.contains(QStringLiteral("third")));
    QVERIFY(!log.contains(QStringLiteral("first")));

    QVERIFY(h.openDbConn());
    QSqlQuery rows = h.createNewQuery();
    QVERIFY(rows.exec(QStringLiteral("select v from t")));
    QList<int> values;
    while (rows.next())
        values << rows.value(0).toInt();
    QCOMPARE(values, QList<int>{1});
}

void TestDbHandler::timezoneStatement_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("timezone");
    QTest::addColumn<QString>("statement");
    QTest::newRow("sqlite skips it") << "QSQLITE"
                                     << "Europe/Rome" << QString();
    QTest::newRow("postgres zone") << "QPSQL"
                                   << "Europe/Rome"
                                   << "set timezone to 'Europe/Rome'";
    QTest::newRow("postgres offset") << "QPSQL"
                                     << "+02:00"
                                     << "set timezone to '+02:00'";
    QTest::newRow("postgres empty") << "QPSQL"
                                    << ""
                                    << "set timezone to ''";
    QTest::newRow("quote refused") << "QPSQL"
                                   << "UTC'; drop table t; --" << QString();
    QTest::newRow("mysql zone") << "QMYSQL"
                                << "UTC"
                                << "set timezone to 'UTC'";
}

void TestDbHandler::timezoneStatement()
{
    QFETCH(QString, driver);
    QFETCH(QString, timezone);
    QFETCH(QString, statement);
    QCOMPARE(dbhTimezoneStatement(driver, timezone), statement);
}

DESKLINE_TEST_MAIN(TestDbHandler)
#include "tst_dbhandler.moc"
