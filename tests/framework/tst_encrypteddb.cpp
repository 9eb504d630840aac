#include "framework/encryptedsqlitedbhandler.h"
#include "framework/simpleobfuscator.h"
#include "testhelpers.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

class Handler : public EncryptedSqliteDbHandler
{
public:
    using EncryptedSqliteDbHandler::EncryptedSqliteDbHandler;
    QString encrypted() const { return encryptedFilePath; }
    QString working() const { return workingFilePath; }
    QSqlDatabase &conn() { return db; }
};

// A device that serves `data` and then fails, stalls, or takes only part
// of each write.
class FaultyDevice : public QIODevice
{
public:
    enum Fault { None, ReadError, Stall, ShortWrite, WriteError };
    FaultyDevice(const QByteArray &data, Fault fault, qint64 faultAt) : m_data(data), m_fault(fault), m_faultAt(faultAt)
    {
    }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return m_fault == Stall ? false : m_pos >= m_data.size(); }
    qint64 bytesAvailable() const override { return m_data.size() - m_pos + QIODevice::bytesAvailable(); }
    qint64 written = 0;

protected:
    qint64 readData(char *out, qint64 max) override
    {
        if ((m_fault == ReadError || m_fault == Stall) && m_pos >= m_faultAt)
            return m_fault == ReadError ? -1 : 0;
        qint64 n = qMin(max, qint64(m_data.size()) - m_pos);
        if (m_fault == ReadError || m_fault == Stall)
            n = qMin(n, m_faultAt - m_pos);
        memcpy(out, m_data.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64 len) override
    {
        if (written + len > m_faultAt) {
            if (m_fault == WriteError)
                return -1;
            if (m_fault == ShortWrite) {
                const qint64 part = qMax<qint64>(0, m_faultAt - written);
                written += part;
                return part;
            }
        }
        written += len;
        return len;
    }

private:
    QByteArray m_data;
    Fault m_fault;
    qint64 m_faultAt;
    qint64 m_pos = 0;
};

QByteArray randomBytes(int n)
{
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = char(QRandomGenerator::global()->bounded(256));
    return b;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size() && f.flush();
}

mode_t modeOf(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

// Lowers the file size limit for the scope, so any write past it fails
// with EFBIG as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        struct rlimit lim = m_old;
        lim.rlim_cur = bytes;
        m_ok = ::setrlimit(RLIMIT_FSIZE, &lim) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }

private:
    struct rlimit m_old;
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

// Makes a directory unwritable, also for root (who ignores the mode bits)
// when the file system lets root mark it immutable.
class ReadOnlyDir
{
public:
    explicit ReadOnlyDir(const QString &path) : m_path(path)
    {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (::geteuid() == 0)
            m_immutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
        QFile probe(path + QStringLiteral("/probe"));
        m_ok = !probe.open(QIODevice::WriteOnly);
        if (!m_ok)
            probe.remove();
    }
    ~ReadOnlyDir()
    {
        if (m_immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    bool ok() const { return m_ok; }

private:
    QString m_path;
    bool m_immutable = false;
    bool m_ok = false;
};

} // namespace

class TestEncryptedDb : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void freshDatabaseLifecycle();
    void revealAndHideSizes_data();
    void revealAndHideSizes();
    void revealOnlyOnce();
    void emptyFilesAreDropped();
    void saveRecreatesDirectory();
    void deleteFilesKeepsLastCopyAside();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void blockCopyChecksEveryReadAndWrite_data();
    void blockCopyChecksEveryReadAndWrite();
    void fileCopyFailures();
    void staleWorkingCopiesRemoved();
    void leftoversBelongToTheirOwnFile();
    void snapshotKeepsTheConnectionOpen();

private:
    DbhConfig config() const;
    QString scrambledPath() const { return m_dir->filePath(m_name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_name;
};

void TestEncryptedDb::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // Test processes share the temporary directory: one database name each.
    m_name = QStringLiteral("chat%1-%2.db").arg(::getpid()).arg(QRandomGenerator::global()->bounded(1000000));
}

void TestEncryptedDb::cleanup()
{
    m_dir.reset();
}

DbhConfig TestEncryptedDb::config() const
{
    DbhConfig c(m_dir->path(), m_name, QString(), QString(), DRIVER_QSQLITE);
    c.logFileName = m_dir->filePath(QStringLiteral("db.log"));
    return c;
}

void TestEncryptedDb::freshDatabaseLifecycle()
{
    QString copyName;
    {
        Handler h(config(), nullptr);
        QCOMPARE(h.encrypted(), scrambledPath());
        copyName = h.working();
        QVERIFY(!EncryptedSqliteDbHandler::workingDirectory().isEmpty());
        QCOMPARE(modeOf(EncryptedSqliteDbHandler::workingDirectory()), mode_t(0700));
        const QString dir = EncryptedSqliteDbHandler::workingDirectoryFor(scrambledPath());
        QVERIFY(dir.startsWith(EncryptedSqliteDbHandler::workingDirectory() + QLatin1Char('/')));
        QCOMPARE(modeOf(dir), mode_t(0700));
        const QRegularExpression pattern(QStringLiteral("^") +
                                         QRegularExpression::escape(dir + QLatin1Char('/') + m_name) +
                                         QStringLiteral("-[A-Za-z0-9]{6}\\.sqlite$"));
        QVERIFY2(pattern.match(copyName).hasMatch(), qPrintable(copyName));
        QCOMPARE(QFileInfo(copyName).size(), 0);
        QCOMPARE(modeOf(copyName), mode_t(0600));
        QCOMPARE(h.conn().databaseName(), copyName);

        for (int cycle = 1; cycle <= 3; ++cycle) {
            QVERIFY(h.decryptDb());
            QCOMPARE(h.working(), copyName);
            // Owner-only on every cycle, not only the first.
            QCOMPARE(modeOf(copyName), mode_t(0600));
            QVERIFY(h.openDbConn());
            QSqlQuery q(h.conn());
            if (cycle == 1)
                QVERIFY(q.exec(QStringLiteral("create table t (v integer)")));
            QVERIFY(q.exec(QStringLiteral("insert into t values (%1)").arg(cycle)));
            QVERIFY(q.exec(QStringLiteral("select count(*) from t")));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), cycle);
            q.finish();
            h.closeDbConn();
            const QByteArray plain = readAll(copyName);
            QVERIFY(plain.startsWith("SQLite format 3"));
            QVERIFY(h.encryptDb());
            QVERIFY(!QFile::exists(copyName));
            const QByteArray scrambled = readAll(scrambledPath());
            QCOMPARE(scrambled, SimpleObfuscator::hide(plain));
            QVERIFY(!scrambled.contains('=') && !scrambled.contains('\n'));
        }
    }
    // The destructor leaves no plain copy behind.
    QVERIFY(!QFile::exists(copyName));
    QVERIFY(!QFile::exists(copyName + QStringLiteral(".lock")));

    // A new handler reveals what the last one hid.
    Handler again(config(), nullptr);
    QVERIFY(again.openDbConn());
    QSqlQuery q(again.conn());
    QVERIFY(q.exec(QStringLiteral("select sum(v) from t")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 6);
}

void TestEncryptedDb::revealAndHideSizes_data()
{
    QTest::addColumn<int>("size");
    for (int n : {0, 1, 2, 3, 12287, 12288, 12289, 3 * 12288 + 2})
        QTest::addRow("%d bytes", n) << n;
}

void TestEncryptedDb::revealAndHideSizes()
{
    QFETCH(int, size);
    const QByteArray plain = randomBytes(size);
    const QByteArray scrambled = SimpleObfuscator::hide(plain);
    QCOMPARE(scrambled.size(), (4 * size + 2) / 3);
    QVERIFY(writeAll(scrambledPath(), scrambled));

    // The file forms agree with the whole-block form.
    const QString plainCopy = m_dir->filePath(QStringLiteral("plain.bin"));
    const QString hiddenCopy = m_dir->filePath(QStringLiteral("hidden.txt"));
    QVERIFY(EncryptedSqliteDbHandler::encryptOrDecryptFile(scrambledPath(), plainCopy, false));
    QCOMPARE(readAll(plainCopy), plain);
    QVERIFY(EncryptedSqliteDbHandler::encryptOrDecryptFile(plainCopy, hiddenCopy, true));
    QCOMPARE(readAll(hiddenCopy), scrambled);

    Handler h(config(), nullptr);
    QVERIFY(!h.working().isEmpty());
    QCOMPARE(readAll(h.working()), plain);
    if (size == 0) {
        QVERIFY(!QFile::exists(scrambledPath())); // dropped at reveal
        return;
    }
    QFile::remove(scrambledPath());
    QVERIFY(h.encryptDb());
    QCOMPARE(readAll(scrambledPath()), scrambled);
}

void TestEncryptedDb::revealOnlyOnce()
{
    QVERIFY(writeAll(scrambledPath(), SimpleObfuscator::hide(QByteArray("first"))));
    Handler h(config(), nullptr);
    QCOMPARE(readAll(h.working()), QByteArray("first"));
    QVERIFY(writeAll(scrambledPath(), SimpleObfuscator::hide(QByteArray("second"))));
    QVERIFY(h.decryptDb());
    QCOMPARE(readAll(h.working()), QByteArray("first"));
}

void TestEncryptedDb::emptyFilesAreDropped()
{
    // An empty scrambled file is dropped and the database starts empty.
    QVERIFY(writeAll(scrambledPath(), QByteArray()));
    Handler h(config(), nullptr);
    QVERIFY(!QFile::exists(scrambledPath()));
    QVERIFY(QFile::exists(h.working()));
    QCOMPARE(QFileInfo(h.working()).size(), 0);

    // An empty working copy is dropped at save, the scrambled file kept.
    QVERIFY(writeAll(scrambledPath(), QByteArray("kept")));
    QVERIFY(!h.encryptDb());
    QVERIFY(!QFile::exists(h.working()));
    QCOMPARE(readAll(scrambledPath()), QByteArray("kept"));
}

void TestEncryptedDb::saveRecreatesDirectory()
{
    DbhConfig c = config();
    c.hostName = m_dir->filePath(QStringLiteral("sub/dir"));
    Handler h(c, nullptr);
    QVERIFY(h.openDbConn());
    QVERIFY(QSqlQuery(h.conn()).exec(QStringLiteral("create table t (v integer)")));
    h.closeDbConn();
    QVERIFY(h.encryptDb());
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("sub/dir/")) + m_name));
}

void TestEncryptedDb::deleteFilesKeepsLastCopyAside()
{
    QVERIFY(writeAll(scrambledPath(), SimpleObfuscator::hide(QByteArray("last good"))));
    Handler h(config(), nullptr);
    QVERIFY(h.openDbConn());
    h.deleteFiles();
    QVERIFY(!h.conn().isOpen());
    QVERIFY(!QFile::exists(scrambledPath()));
    QVERIFY(!QFile::exists(h.working()));
    QCOMPARE(readAll(scrambledPath() + QStringLiteral(".tmp")), SimpleObfuscator::hide(QByteArray("last good")));
    QVERIFY(h.decryptDb());
    QCOMPARE(QFileInfo(h.working()).size(), 0);
    QCOMPARE(modeOf(h.working()), mode_t(0600));
}

void TestEncryptedDb::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("read-only directory") << "readonly";
    QTest::newRow("full disk") << "full";
}

void TestEncryptedDb::failedSaveKeepsOldFile()
{
    QFETCH(QString, failure);
    const QByteArray oldScrambled = SimpleObfuscator::hide(QByteArray("old history"));
    QVERIFY(writeAll(scrambledPath(), oldScrambled));
    Handler h(config(), nullptr);
    const QByteArray newPlain = randomBytes(64 * 1024);
    QVERIFY(writeAll(h.working(), newPlain));
    const QStringList before = QDir(m_dir->path()).entryList(QDir::Files);

    {
        std::unique_ptr<ReadOnlyDir> readOnly;
        std::unique_ptr<FileSizeLimit> limit;
        if (failure == QLatin1String("readonly")) {
            readOnly = std::make_unique<ReadOnlyDir>(m_dir->path());
            if (!readOnly->ok())
                QSKIP("cannot make a directory unwritable here");
        } else {
            limit = std::make_unique<FileSizeLimit>(16 * 1024);
            QVERIFY(limit->ok());
        }
        QVERIFY(!h.encryptDb());
    }
    QCOMPARE(readAll(scrambledPath()), oldScrambled);
    QCOMPARE(readAll(h.working()), newPlain);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), before); // no partial file left

    // Once the cause is gone the same working copy is saved.
    QVERIFY(h.encryptDb());
    QCOMPARE(readAll(scrambledPath()), SimpleObfuscator::hide(newPlain));
}

void TestEncryptedDb::blockCopyChecksEveryReadAndWrite_data()
{
    QTest::addColumn<int>("readFault");
    QTest::addColumn<int>("writeFault");
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<bool>("ok");
    const int none = FaultyDevice::None;
    QTest::newRow("clean hide") << none << none << true << true;
    QTest::newRow("clean reveal") << none << none << false << true;
    QTest::newRow("read error") << int(FaultyDevice::ReadError) << none << true << false;
    QTest::newRow("source stalls") << int(FaultyDevice::Stall) << none << false << false;
    QTest::newRow("short write") << none << int(FaultyDevice::ShortWrite) << true << false;
    QTest::newRow("write error") << none << int(FaultyDevice::WriteError) << false << false;
}

void TestEncryptedDb::blockCopyChecksEveryReadAndWrite()
{
    QFETCH(int, readFault);
    QFETCH(int, writeFault);
    QFETCH(bool, encrypt);
    QFETCH(bool, ok);
    const QByteArray plain = randomBytes(3 * 12288 + 100);
    const QByteArray data = encrypt ? plain : SimpleObfuscator::hide(plain);
    FaultyDevice in(data, FaultyDevice::Fault(readFault), 20000);
    FaultyDevice out(QByteArray(), FaultyDevice::Fault(writeFault), 20000);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QVERIFY(out.open(QIODevice::WriteOnly));
    QCOMPARE(EncryptedSqliteDbHandler::scrambleCopy(in, out, encrypt), ok);
    if (ok)
        QCOMPARE(out.written, qint64(encrypt ? SimpleObfuscator::hide(plain).size() : plain.size()));
}

void TestEncryptedDb::fileCopyFailures()
{
    const QString plain = m_dir->filePath(QStringLiteral("plain.bin"));
    QVERIFY(writeAll(plain, randomBytes(50000)));
    QVERIFY(!EncryptedSqliteDbHandler::encryptOrDecryptFile(m_dir->filePath(QStringLiteral("missing")),
                                                            m_dir->filePath(QStringLiteral("out")), true));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("out"))));
    QVERIFY(
        !EncryptedSqliteDbHandler::encryptOrDecryptFile(plain, m_dir->filePath(QStringLiteral("no/dir/out")), true));
    // A full device accepts the open and fails the writes.
    if (QFile::exists(QStringLiteral("/dev/full")))
        QVERIFY(!EncryptedSqliteDbHandler::encryptOrDecryptFile(plain, QStringLiteral("/dev/full"), true));
}

void TestEncryptedDb::staleWorkingCopiesRemoved()
{
    const QString dir = EncryptedSqliteDbHandler::workingDirectoryFor(scrambledPath());
    QVERIFY(!dir.isEmpty());
    QCOMPARE(modeOf(dir), mode_t(0700));
    const QString stale = dir + QLatin1Char('/') + m_name + QStringLiteral("-AbC123.sqlite");
    QVERIFY(writeAll(stale, QByteArray("left by a crash")));
    QVERIFY(writeAll(stale + QStringLiteral("-journal"), QByteArray("journal")));
    const QString otherDb = dir + QLatin1Char('/') + QStringLiteral("x") + m_name + QStringLiteral("-AbC123.sqlite");
    QVERIFY(writeAll(otherDb, QByteArray("another database")));

    Handler live(config(), nullptr);
    QVERIFY(!QFile::exists(stale));
    QVERIFY(!QFile::exists(stale + QStringLiteral("-journal")));
    QVERIFY(QFile::exists(otherDb));
    QFile::remove(otherDb);
    // A leftover that is no database is not taken for the history.
    QVERIFY(!QFile::exists(scrambledPath()));

    // A running handler's copy is not stale.
    QVERIFY(writeAll(live.working(), QByteArray("in use")));
    Handler second(config(), nullptr);
    QCOMPARE(readAll(live.working()), QByteArray("in use"));
    QVERIFY(second.working() != live.working());
}

namespace
{
// A plain database with one table holding `rows`, as a killed handler leaves
// its working copy.
bool writeDatabase(const QString &path, const QStringList &rows)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS t (v VARCHAR)"));
            for (const QString &row : rows) {
                q.prepare(QStringLiteral("INSERT INTO t (v) VALUES (:v)"));
                q.bindValue(QStringLiteral(":v"), row);
                ok = ok && q.exec();
            }
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    return ok;
}

QStringList rowsOf(Handler &h)
{
    QStringList rows;
    if (!h.openDbConn())
        return {QStringLiteral("<not open>")};
    QSqlQuery q(h.conn());
    q.exec(QStringLiteral("SELECT v FROM t ORDER BY rowid"));
    while (q.next())
        rows << q.value(0).toString();
    q.finish();
    h.closeDbConn();
    return rows;
}
} // namespace

// Two clients with their own settings directories share the temporary
// directory and the database's name. After a kill of the first one, the
// second one's start leaves the first one's unsaved work alone; the first
// one's next start takes it back.
void TestEncryptedDb::leftoversBelongToTheirOwnFile()
{
    {
        Handler first(config(), nullptr);
        QVERIFY(first.openDbConn());
        QSqlQuery q(first.conn());
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE t (v VARCHAR)")));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO t (v) VALUES ('saved')")));
        q.finish();
        QVERIFY(first.encryptDb());
    }
    QTest::qWait(20); // the leftover is written after the scrambled file
    const QString ownFolder = EncryptedSqliteDbHandler::workingDirectoryFor(scrambledPath());
    const QString leftover = ownFolder + QLatin1Char('/') + m_name + QStringLiteral("-Kil1ed.sqlite");
    QVERIFY(writeDatabase(leftover, {"saved", "unsaved"}));

    // The other client: same database name, another directory.
    QTemporaryDir otherDir;
    DbhConfig other = config();
    other.hostName = otherDir.path();
    const QString otherFolder = EncryptedSqliteDbHandler::workingDirectoryFor(otherDir.filePath(m_name));
    QVERIFY(otherFolder != ownFolder);
    {
        Handler second(other, nullptr);
        QVERIFY(second.working().startsWith(otherFolder + QLatin1Char('/')));
        QVERIFY(QFile::exists(leftover));
        QVERIFY(!QFile::exists(otherDir.filePath(m_name)));
    }
    QVERIFY(QFile::exists(leftover));

    // The first client again: its unsaved row is back, the leftover gone.
    Handler again(config(), nullptr);
    QVERIFY(!QFile::exists(leftover));
    QCOMPARE(rowsOf(again), (QStringList{"saved", "unsaved"}));

    // A leftover older than the scrambled file holds nothing newer.
    QVERIFY(again.encryptDb());
    const QString old = ownFolder + QLatin1Char('/') + m_name + QStringLiteral("-0ld000.sqlite");
    QVERIFY(writeDatabase(old, {"stale"}));
    QFile f(old);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    f.close();
    Handler third(config(), nullptr);
    QVERIFY(!QFile::exists(old));
    QCOMPARE(rowsOf(third), (QStringList{"saved", "unsaved"}));
}

// Writing back while the working copy stays open: no close of the
// connection, so nothing logs a close of a database that is not open.
void TestEncryptedDb::snapshotKeepsTheConnectionOpen()
{
    Handler h(config(), nullptr);
    QVERIFY(h.openDbConn());
    QSqlQuery q(h.conn());
    QVERIFY(q.exec(QStringLiteral("PRAGMA journal_mode=WAL")));
    QVERIFY(q.exec(QStringLiteral("CREATE TABLE t (v VARCHAR)")));
    QVERIFY(q.exec(QStringLiteral("INSERT INTO t (v) VALUES ('one')")));
    QString error;
    QVERIFY2(EncryptedSqliteDbHandler::saveSnapshot(h.working(), h.snapshotPath(), h.encrypted(), &error),
             qPrintable(error));
    QVERIFY(h.conn().isOpen());
    QVERIFY(!QFile::exists(h.snapshotPath()));
    QVERIFY(q.exec(QStringLiteral("INSERT INTO t (v) VALUES ('two')")));
    q.finish();

    // The scrambled file holds what was committed when it was written, in
    // the plain rollback-journal form (file format bytes 18 and 19 are 1).
    const QString plain = m_dir->filePath(QStringLiteral("plain.db"));
    QVERIFY(EncryptedSqliteDbHandler::encryptOrDecryptFile(h.encrypted(), plain, false));
    const QByteArray header = readAll(plain).left(20);
    QCOMPARE(int(header.at(18)), 1);
    QCOMPARE(int(header.at(19)), 1);
    h.closeDbConn();
    QVERIFY(h.encryptDb());
    QVERIFY(!testsupport::logText(m_dir->filePath(QStringLiteral("db.log"))).contains("NOT OPEN"));
}

DESKLINE_TEST_MAIN(TestEncryptedDb)
#include "tst_encrypteddb.moc"
