// Chat history store: schema, order, filters, retention, and that no failure
// at open or a kill of the program loses the history.
#include "logtext.h"
#include "messaging/mpchatsqlite.h"
#include "testmain.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

ChatMessage message(const QString &id, const QString &exten, int direction, const QString &body = QString())
{
    ChatMessage m;
    m.id = id;
    m.exten = exten;
    m.body = body.isEmpty() ? QStringLiteral("text of ") + id : body;
    m.direction = direction;
    m.type = 0;
    return m;
}

QStringList ids(const ChatMessageList &list)
{
    QStringList out;
    for (const ChatMessage &m : list)
        out << m.id;
    return out;
}

// Reads the plain database behind a scrambled file.
QStringList sqliteMaster(const QString &scrambled)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.db"));
    if (!EncryptedSqliteDbHandler::encryptOrDecryptFile(scrambled, plain, false))
        return {};
    QStringList names;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("inspect"));
        db.setDatabaseName(plain);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT type, name FROM sqlite_master ORDER BY name"));
        while (q.next())
            names << q.value(0).toString() + QLatin1Char(':') + q.value(1).toString();
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("inspect"));
    return names;
}

} // namespace

class TestMPChatSqlite : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void schemaAndIndexes();
    void readsOwnRowsOldestFirst();
    void rowsStoredInTimeOrderReadAsStored();
    void directionMapping_data();
    void directionMapping();
    void retentionKeepsOneCalendarMonth();
    void brokenFileIsMovedAsideNotDeleted();
    void unwritableDirectoryTouchesNothing();
    void batchAndTimerWriteTheFileBack();
    void leftoverWorkingCopyIsRecoveredAfterKill();

private:
    QString dbPath() const { return m_dir->filePath(QStringLiteral("chat.db")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestMPChatSqlite::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestMPChatSqlite::schemaAndIndexes()
{
    {
        MPChatSqlite store(dbPath(), QStringLiteral("alice"), QStringLiteral("pbx1"));
        QVERIFY(store.isOpen());
    }
    const QStringList master = sqliteMaster(dbPath());
    QVERIFY2(master.contains(QStringLiteral("table:chat_table")), qPrintable(master.join(',')));
    QVERIFY(master.contains(QStringLiteral("index:chat_id_idx")));
    QVERIFY(master.contains(QStringLiteral("index:chat_exten_idx")));
}

void TestMPChatSqlite::readsOwnRowsOldestFirst()
{
    const QDateTime now = QDateTime::currentDateTime();
    {
        MPChatSqlite store(dbPath(), QStringLiteral("alice"), QStringLiteral("pbx1"));
        QVERIFY(store.insertChatMessage(message("late", "201", 0), now.addSecs(-10)));
        QVERIFY(store.insertChatMessage(message("early", "202", 1), now.addSecs(-100)));
        QVERIFY(store.insertChatMessage(message("early", "202", 1), now.addSecs(-100))); // stored twice
        QVERIFY(store.insertChatMessage(message("notime", "203", 0), QDateTime()));
        QVERIFY(store.readDBChat());
        QCOMPARE(store.messageList.first().id, QStringLiteral("notime"));
        QVERIFY(!store.messageList.first().time.isValid());
        MPChatSqlite other(dbPath() + QStringLiteral("x"), QStringLiteral("x"), QStringLiteral("x"));
        Q_UNUSED(other);
    }
    {
        MPChatSqlite otherUser(dbPath(), QStringLiteral("bob"), QStringLiteral("pbx1"));
        QVERIFY(otherUser.insertChatMessage(message("bob1", "201", 0), now.addSecs(-50)));
    }
    {
        MPChatSqlite otherPbx(dbPath(), QStringLiteral("alice"), QStringLiteral("pbx2"));
        QVERIFY(otherPbx.readDBChat());
        QVERIFY(otherPbx.messageList.isEmpty());
    }
    MPChatSqlite store(dbPath(), QStringLiteral("alice"), QStringLiteral("pbx1"));
    QVERIFY(store.readDBChat());
    // A row without a time sorts before every other.
    QCOMPARE(ids(store.messageList), (QStringList{"notime", "early", "early", "late"}));
    const ChatMessage last = store.messageList.last();
    QCOMPARE(last.exten, QStringLiteral("201"));
    QCOMPARE(last.body, QStringLiteral("text of late"));
    QCOMPARE(last.direction, 0);
    QCOMPARE(last.time.toString(MPChatSqlite::TimeFormat), now.addSecs(-10).toString(MPChatSqlite::TimeFormat));
}

// Rows stored oldest first (the usual case) come back as stored, every
// field whole, the same on the window's thread and on the worker's.
void TestMPChatSqlite::rowsStoredInTimeOrderReadAsStored()
{
    const QDateTime start = QDateTime::currentDateTime().addDays(-2);
    ChatMessageList list;
    QList<QDateTime> times;
    for (int i = 0; i < 300; ++i) {
        list << message(QStringLiteral("m%1").arg(i), i % 3 ? "201" : "20\u00e9", i % 2,
                        QStringLiteral("corpo \u00e8 %1").arg(i));
        times << start.addSecs(i * 600); // across many hours and two days
    }
    MPChatSqlite store(dbPath(), QStringLiteral("alice"), QStringLiteral("pbx1"));
    QVERIFY(store.insertChatMessages(list, times));
    QVERIFY(store.readDBChat());
    const ChatMessageList read = store.messageList;
    QCOMPARE(read.size(), list.size());
    for (int i = 0; i < read.size(); ++i) {
        QCOMPARE(read.at(i).id, list.at(i).id);
        QCOMPARE(read.at(i).exten, list.at(i).exten);
        QCOMPARE(read.at(i).body, list.at(i).body);
        QCOMPARE(read.at(i).direction, list.at(i).direction);
        QCOMPARE(read.at(i).time, times.at(i));
        QCOMPARE(read.at(i).time.toString(MPChatSqlite::TimeFormat), times.at(i).toString(MPChatSqlite::TimeFormat));
    }
    const MPChatSqlite::ReadResult background = store.readInBackground().result();
    QVERIFY(background.ok);
    QCOMPARE(ids(background.list), ids(read));
}

void TestMPChatSqlite::directionMapping_data()
{
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("readBack");
    QTest::newRow("received") << 0 << 0;
    QTest::newRow("sent") << 1 << 1;
    QTest::newRow("invalid") << 2 << 2;
    QTest::newRow("unknown is written as received") << 5 << 0;
    QTest::newRow("negative is written as received") << -1 << 0;
}

void TestMPChatSqlite::directionMapping()
{
    QFETCH(int, written);
    QFETCH(int, readBack);
    MPChatSqlite store(dbPath(), QStringLiteral("u"), QStringLiteral("p"));
    QVERIFY(store.insertChatMessage(message("m", "201", written), QDateTime::currentDateTime()));
    QVERIFY(store.readDBChat());
    QCOMPARE(store.messageList.size(), 1);
    QCOMPARE(store.messageList.first().direction, readBack);
    // Stored values outside 0 and 1 are read as invalid.
    QCOMPARE(MPChatSqlite::directionFromStore(7), 2);
    QCOMPARE(MPChatSqlite::directionFromStore(-1), 2);
}

void TestMPChatSqlite::retentionKeepsOneCalendarMonth()
{
    const QDateTime now = QDateTime::currentDateTime();
    {
        MPChatSqlite store(dbPath(), QStringLiteral("u"), QStringLiteral("p"));
        QVERIFY(store.insertChatMessage(message("old", "201", 0), now.addMonths(-1).addDays(-1)));
        QVERIFY(store.insertChatMessage(message("recent", "201", 0), now.addMonths(-1).addDays(1)));
    }
    MPChatSqlite store(dbPath(), QStringLiteral("u"), QStringLiteral("p")); // opening applies retention
    QVERIFY(store.readDBChat());
    QCOMPARE(ids(store.messageList), QStringList{"recent"});
}

void TestMPChatSqlite::brokenFileIsMovedAsideNotDeleted()
{
    const QByteArray garbage = QByteArray("this is no chat history at all ").repeated(200);
    {
        QFile f(dbPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    MPChatSqlite store(dbPath(), QStringLiteral("u"), QStringLiteral("p"));
    QVERIFY(store.isOpen());
    QVERIFY(!store.brokenFileMovedTo().isEmpty());
    QVERIFY(store.brokenFileMovedTo().startsWith(dbPath() + QStringLiteral(".broken-")));
    QFile aside(store.brokenFileMovedTo());
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), garbage);
    QVERIFY(store.insertChatMessage(message("new", "201", 0), QDateTime::currentDateTime()));
}

void TestMPChatSqlite::unwritableDirectoryTouchesNothing()
{
    {
        MPChatSqlite store(dbPath(), QStringLiteral("u"), QStringLiteral("p"));
        QVERIFY(store.insertChatMessage(message("kept", "201", 0), QDateTime::currentDateTime()));
    }
    QFile original(dbPath());
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();

    QString path = dbPath();
    if (::geteuid() == 0) {
        // Permissions do not stop root: a directory nobody can write to.
        path = QStringLiteral("/proc/self/chat.db");
    } else {
        QVERIFY(QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    {
        MPChatSqlite store(path, QStringLiteral("u"), QStringLiteral("p"));
        QVERIFY(!store.isOpen());
        QVERIFY(!store.insertChatMessage(message("lost", "201", 0), QDateTime::currentDateTime()));
        QVERIFY(!store.readDBChat());
    }
    QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(original.readAll(), before);
    QCOMPARE(QDir(m_dir->path()).entryList({"chat.db*"}, QDir::Files), QStringList{"chat.db"});
}

void TestMPChatSqlite::batchAndTimerWriteTheFileBack()
{
    MPChatSqlite store(dbPath(), QStringLiteral("u"), QStringLiteral("p"));
    ChatMessageList batch{message("h1", "201", 0), message("h2", "202", 1)};
    const QDateTime t = QDateTime::currentDateTime();
    QVERIFY(store.insertChatMessages(batch, {t.addSecs(-2), t.addSecs(-1)}));
    // Written back at once, in the background.
    QTRY_VERIFY_WITH_TIMEOUT(!store.hasPendingWrites(), 30000);
    {
        MPChatSqlite reader(dbPath(), QStringLiteral("u"), QStringLiteral("p"));
        QVERIFY(reader.readDBChat());
        QCOMPARE(ids(reader.messageList), (QStringList{"h1", "h2"}));
    }
    store.setCheckpointDelay(10);
    QVERIFY(store.insertChatMessage(message("live", "201", 0), t));
    QVERIFY(store.hasPendingWrites());
    QTRY_VERIFY_WITH_TIMEOUT(!store.hasPendingWrites(), 30000);
    MPChatSqlite reader(dbPath(), QStringLiteral("u"), QStringLiteral("p"));
    QVERIFY(reader.readDBChat());
    QCOMPARE(ids(reader.messageList), (QStringList{"h1", "h2", "live"}));
    // The store goes on working after writing back.
    QVERIFY(store.readDBChat());
    QCOMPARE(store.messageList.size(), 3);
    // Writing back never closes the connection, nor closes one twice.
    QVERIFY(store.insertChatMessage(message("again", "201", 0), t.addSecs(1)));
    QTRY_VERIFY_WITH_TIMEOUT(!store.hasPendingWrites(), 30000);
    store.close();
    QVERIFY(!testsupport::logText(m_dir->filePath(QStringLiteral("chatDbLog.txt"))).contains("NOT OPEN"));
}

void TestMPChatSqlite::leftoverWorkingCopyIsRecoveredAfterKill()
{
    {
        MPChatSqlite store(dbPath(), QStringLiteral("u"), QStringLiteral("p"));
        QVERIFY(store.insertChatMessage(message("saved", "201", 0), QDateTime::currentDateTime().addSecs(-5)));
    }
    // A child process stores a message and dies before writing the file back.
    const pid_t pid = ::fork();
    QVERIFY(pid >= 0);
    if (pid == 0) {
        auto *store = new MPChatSqlite(dbPath(), QStringLiteral("u"), QStringLiteral("p"));
        store->setCheckpointDelay(3600 * 1000);
        const bool ok = store->insertChatMessage(message("unsaved", "201", 0), QDateTime::currentDateTime());
        // Stored in the working copy (the read waits for the writer), not
        // yet written back.
        if (!ok || !store->readDBChat() || store->messageList.size() != 2)
            ::_exit(3);
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    QVERIFY(WIFSIGNALED(status));
    QCOMPARE(WTERMSIG(status), SIGKILL);

    MPChatSqlite store(dbPath(), QStringLiteral("u"), QStringLiteral("p"));
    QVERIFY(store.readDBChat());
    QCOMPARE(ids(store.messageList), (QStringList{"saved", "unsaved"}));
    // A leftover of another history file is never taken.
    QTemporaryDir otherDir;
    MPChatSqlite other(otherDir.filePath(QStringLiteral("chat.db")), QStringLiteral("u"), QStringLiteral("p"));
    QVERIFY(other.readDBChat());
    QVERIFY(other.messageList.isEmpty());
}

DESKLINE_TEST_MAIN(TestMPChatSqlite)
#include "tst_mpchatsqlite.moc"
