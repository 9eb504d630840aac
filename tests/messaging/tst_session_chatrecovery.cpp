// A chat message must survive a crash of the client, even when another
// client, with a settings directory of its own, starts before the first one
// is back: the real program, logged in to the PBX simulator, is killed right
// after a colleague's message reached it; a second copy of the program
// starts for another user; then the window comes back for the first user and
// shows the message from its own history, with a PBX that no longer has it.
#include "../mainwindow/sessionfixture.h"
#include "messaging/wdgchat.h"
#include "messaging/wdgchatmsg.h"
#include "messaging/wdgchatpanel.h"
#include "programchild.h"
#include "scriptedprompts.h"
#include "testhelpers.h"
#include "testmain.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include <csignal>

using namespace sessiontest;

namespace
{

using Client = testsupport::ProgramChild;

// Sets an environment variable for the scope (and the children started in it).
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name), m_old(qgetenv(name)), m_was(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_was)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    QByteArray m_old;
    bool m_was;
};

// True when a chat working copy under `tempDir` holds a message with `body`:
// the running client has stored it (but not necessarily saved it).
bool workingCopyHolds(const QString &tempDir, const QString &body)
{
    QDirIterator it(tempDir, {QStringLiteral("chat.db-*.sqlite")}, QDir::Files, QDirIterator::Subdirectories);
    bool found = false;
    while (!found && it.hasNext()) {
        const QString path = it.next();
        const QString name = QStringLiteral("peek-") + QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            db.setDatabaseName(path);
            if (db.open()) {
                QSqlQuery q(db);
                q.prepare(QStringLiteral("SELECT count(*) FROM chat_table WHERE body = :body"));
                q.bindValue(QStringLiteral(":body"), body);
                found = q.exec() && q.next() && q.value(0).toInt() > 0;
                q.finish();
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(name);
    }
    return found;
}

bool asked(const QSignalSpy &commands, const QString &user, const QString &command)
{
    return std::any_of(commands.cbegin(), commands.cend(), [&](const QList<QVariant> &c) {
        return c.at(0).toString() == user && c.at(1).toString() == command;
    });
}

QStringList bodiesOf(wdgChatPanel *panel, const QString &exten)
{
    QStringList out;
    if (wdgChat *chat = panel ? panel->chatFor(exten) : nullptr) {
        for (wdgChatMsg *b : chat->bubbles())
            out << b->getMessage();
    }
    return out;
}

} // namespace

class TestSessionChatRecovery : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void messageSurvivesKillAndAnotherClient();
};

void TestSessionChatRecovery::initTestCase()
{
    QVERIFY2(QFileInfo(testsupport::programPath()).isExecutable(), qPrintable(testsupport::programPath()));
}

void TestSessionChatRecovery::messageSurvivesKillAndAnotherClient()
{
    // Every client of this test shares one temporary directory, as the
    // clients of one computer do.
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    ScopedEnv tmpdir("TMPDIR", QFile::encodeName(temp.path()));
    ScopedEnv single("QDTEST_DISABLE_SINGLETON", "1");
    SessionFixture f;
    const QString address = QStringLiteral("127.0.0.1:%1").arg(f.port);
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    const QString body = QStringLiteral("Richiamami appena puoi");
    {
        Client first({"-o", f.dir.path(), "-s", "-a", address, "-u", "demo", "-p", "demo"},
                     f.dir.filePath(QStringLiteral("first.err")));
        QVERIFY(first.started());
        QTRY_VERIFY2_WITH_TIMEOUT(asked(commands, "demo", "getChatHistory"),
                                  testsupport::logText(f.dir.filePath("first.err")).right(2000).constData(), 90000);
        QVERIFY(f.sim->sendChat(QStringLiteral("202"), QStringLiteral("201"), body));
        QTRY_VERIFY_WITH_TIMEOUT(workingCopyHolds(temp.path(), body), 60000);
        first.signal(SIGKILL);
        QVERIFY(first.wait());
        QVERIFY(first.killedBy(SIGKILL));
    }

    // Another user starts the program with a settings directory of his own.
    QTemporaryDir otherSettings;
    {
        Client second({"-o", otherSettings.path(), "-s", "-a", address, "-u", "luca", "-p", "luca"},
                      otherSettings.filePath(QStringLiteral("second.err")));
        QVERIFY(second.started());
        QTRY_VERIFY2_WITH_TIMEOUT(asked(commands, "luca", "getChatHistory"),
                                  testsupport::logText(otherSettings.filePath("second.err")).right(2000).constData(),
                                  90000);
        second.signal(SIGTERM);
        QVERIFY(second.wait());
        QVERIFY(second.exitedCleanly());
    }

    // The PBX has since lost its chat history: only the first user's own
    // history can bring the message back.
    f.killSimulator();
    QVERIFY(f.reviveSimulator());
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w, 60000));
    auto *panel = widgetOf<wdgChatPanel>(w, QStringLiteral("chatPanel"));
    QVERIFY(panel);
    QTRY_VERIFY_WITH_TIMEOUT(bodiesOf(panel, QStringLiteral("202")).contains(body), 30000);
    QCOMPARE(bodiesOf(panel, QStringLiteral("202")).count(body), 1);
}

DESKLINE_TEST_MAIN(TestSessionChatRecovery)
#include "tst_session_chatrecovery.moc"
