// Runs the built program as a child process: command-line failures, and the
// SIGTERM and SIGSEGV handling of a running copy, also logged in to the
// simulated PBX.
#include "pbxsimdata.h"
#include "pbxsimulator.h"
#include "programchild.h"
#include "testhelpers.h"
#include "testmain.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>

namespace
{

using Child = testsupport::ProgramChild;

// Waits until the file holds `text`.
bool waitForText(const QString &path, const QByteArray &text, int msecs = 60000)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < msecs) {
        if (testsupport::logText(path).contains(text))
            return true;
        QTest::qWait(50);
    }
    return false;
}

} // namespace

class TestDeskline : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rejectedCommandLine_data();
    void rejectedCommandLine();
    void sigtermEndsCleanly();
    void sigsegvDiesBySignal();
    void privateSettingsAndLogs_data();
    void privateSettingsAndLogs();
    void sigtermLeavesPausedQueuesPaused();

private:
    QTemporaryDir m_dir;
    int m_runs = 0;
    QString nextDir() { return m_dir.filePath(QStringLiteral("run%1").arg(++m_runs)); }
};

void TestDeskline::initTestCase()
{
    QVERIFY2(QFileInfo(testsupport::programPath()).isExecutable(), qPrintable(testsupport::programPath()));
}

void TestDeskline::rejectedCommandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option") << QStringList{"--bogus"}
                                    << "int main(int, char **) Failed to start \"DESKLINE EDITION\" : \"Unknown "
                                       "Parameter: bogus\"";
    QTest::newRow("value at the end")
        << QStringList{"-s", "-a"}
        << "int main(int, char **) Failed to start \"DESKLINE EDITION\" : \"Missing parameter value: a\"";
    QTest::newRow("missing config file")
        << QStringList{"-s", "-c", "/nonexistent/deskline.ini"}
        << "int main(int, char **) Config file \"/nonexistent/deskline.ini\" not found!";
}

// Exit code 100 before any main window: no log is ever opened.
void TestDeskline::rejectedCommandLine()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const QString dir = nextDir();
    const QString err = dir + ".err";
    Child child(QStringList{"-o", dir} + args, err);
    QVERIFY(child.started());
    QVERIFY(child.wait());
    QVERIFY(child.exited());
    QCOMPARE(child.exitCode(), 100);
    const QByteArray stderrText = testsupport::logText(err);
    QVERIFY2(stderrText.contains(message.toUtf8()), stderrText.constData());
    QVERIFY(!QFile::exists(dir + "/mphone.log"));
}

void TestDeskline::sigtermEndsCleanly()
{
    const QString dir = nextDir();
    Child child(QStringList{"-o", dir, "-s"}, dir + ".err");
    QVERIFY(child.started());
    const QString log = dir + "/mphone.log";
    // The settings directory given with -o is created and the logger set up.
    QVERIFY2(waitForText(log, " - Logger initialization."), testsupport::logText(dir + ".err").constData());
    QVERIFY(testsupport::logText(log).contains("Starting DESKLINE EDITION v. 4.5.23-r331ba3e"));

    child.signal(SIGTERM);
    QVERIFY(child.wait());
    QVERIFY2(child.exited(), "did not end normally");
    QCOMPARE(child.exitCode(), 0);
    QVERIFY(testsupport::logText(log).contains("Got SIGTERM, exiting cleanly..."));
}

void TestDeskline::sigsegvDiesBySignal()
{
    const QString dir = nextDir();
    Child child(QStringList{"-o", dir, "-s"}, dir + ".err");
    QVERIFY(child.started());
    const QString log = dir + "/mphone.log";
    QVERIFY(waitForText(log, " - Logger initialization."));

    child.signal(SIGSEGV);
    QVERIFY(child.wait());
    QVERIFY(child.killedBySignal());
    QCOMPARE(child.termSignal(), SIGSEGV);

    const QByteArray text = testsupport::logText(log);
    QVERIFY2(text.contains("FATAL: signal 11\n"), text.constData());
    QVERIFY(text.contains("DESKLINE EDITION v. 4.5.23-r331ba3e\n"));
    const int bt = text.indexOf("Backtrace:\n");
    QVERIFY(bt > 0);
    QVERIFY(text.indexOf("FATAL: signal 11") < bt);
    // At least one frame line follows.
    QVERIFY(text.mid(bt + 11).count('\n') >= 1);
    QVERIFY(!text.contains("Got SIGTERM"));
}

namespace
{
int modeOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 0777);
}

// Sets an environment variable for the children started in its lifetime.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value) : m_name(name), m_old(qgetenv(name)) { qputenv(name, value); }
    ~ScopedEnv() { qputenv(m_name, m_old); }

private:
    const char *m_name;
    QByteArray m_old;
};
} // namespace

void TestDeskline::privateSettingsAndLogs_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("dirMode");
    // A fresh home, the default settings location.
    QTest::newRow("default location") << "default" << 0700;
    // -o naming a directory that does not exist yet, with missing parents.
    QTest::newRow("-o, new") << "new" << 0700;
    // -o naming a directory an older version of ours left 0755, log 0644.
    QTest::newRow("-o, ours but loose") << "ours" << 0700;
    // -o naming some other directory of the user's: not ours to change.
    QTest::newRow("-o, someone else's") << "foreign" << 0755;
}

// A real start: the settings directory and the log files are private to the user.
void TestDeskline::privateSettingsAndLogs()
{
    QFETCH(QString, setup);
    QFETCH(int, dirMode);
    const QString base = nextDir();
    const mode_t oldMask = ::umask(022);
    QStringList args{"-s"};
    QString dir;
    if (setup == "default") {
        QVERIFY(QDir().mkpath(base + "/home"));
    } else if (setup == "new") {
        dir = base + "/deeper/settings";
        args << "-o" << dir;
    } else {
        dir = base + "/settings";
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                               QFileDevice::ExeOther));
        if (setup == "ours") {
            QFile old(dir + "/mphone.log");
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an older run\n");
        }
        args << "-o" << dir;
    }
    ScopedEnv home("HOME", QFile::encodeName(base + "/home"));
    ScopedEnv data("XDG_DATA_HOME", QFile::encodeName(base + "/home/.local/share"));
    ScopedEnv config("XDG_CONFIG_HOME", QFile::encodeName(base + "/home/.config"));
    Child child(args, base + ".err");
    ::umask(oldMask);
    QVERIFY(child.started());

    QString log;
    QElapsedTimer t;
    t.start();
    while (log.isEmpty() && t.elapsed() < 60000) {
        if (dir.isEmpty()) {
            QDirIterator it(base + "/home", QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (log.isEmpty() && it.hasNext()) {
                const QString path = it.next();
                if (it.fileName() == QLatin1String("mphone.log"))
                    log = path;
            }
        } else if (QFile::exists(dir + "/mphone.log")) {
            log = dir + "/mphone.log";
        }
        if (log.isEmpty())
            QThread::msleep(50);
    }
    QVERIFY2(!log.isEmpty(), testsupport::logText(base + ".err").constData());
    QVERIFY2(waitForText(log, " - Logger initialization."), testsupport::logText(base + ".err").constData());
    const QString settingsDir = QFileInfo(log).absolutePath();
    const QString ctiLog = settingsDir + "/ctilib.log";
    QVERIFY(waitForText(ctiLog, "initialised"));

    QCOMPARE(modeOf(settingsDir), dirMode);
    QCOMPARE(modeOf(log), 0600);
    QCOMPARE(modeOf(ctiLog), 0600);
    if (setup == "ours")
        QVERIFY(testsupport::logText(log).startsWith("an older run\n"));

    child.signal(SIGTERM);
    QVERIFY(child.wait());
    QVERIFY(child.exited());
}

// A queue operator paused on the queues stops the client with SIGTERM (a
// shutdown, a session ending): the program ends without its window's
// teardown, so the PBX never hears the queues resumed and no second log-out.
void TestDeskline::sigtermLeavesPausedQueuesPaused()
{
    PbxSimData data = PbxSimData::demo();
    QVERIFY(data.users.contains("luca"));
    const QString extension = data.users.value("luca").extension;
    int paused = 0;
    for (SimQueue &queue : data.queues) {
        for (QueueStatsMember &member : queue.members) {
            if (member.extension == extension) {
                member.paused = true;
                ++paused;
            }
        }
    }
    QVERIFY(paused > 0);
    PbxSimulator sim;
    sim.setData(data);
    QString error;
    QVERIFY2(sim.listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
    QSignalSpy commands(&sim, &PbxSimulator::commandReceived);
    auto asked = [&commands](const QString &name) {
        for (const QList<QVariant> &c : qAsConst(commands)) {
            if (c.at(1).toString() == name)
                return true;
        }
        return false;
    };

    const QString dir = nextDir();
    ScopedEnv single("QDTEST_DISABLE_SINGLETON", "1");
    Child child(QStringList{"-o", dir, "-s", "-a", QStringLiteral("127.0.0.1:%1").arg(sim.serverPort()), "-u", "luca",
                            "-p", "luca"},
                dir + ".err");
    QVERIFY(child.started());
    // Logged in: the session's first data has been asked for.
    QTRY_VERIFY2_WITH_TIMEOUT(sim.sessionCount() == 1 && asked("getMailboxStatus"),
                              testsupport::logText(dir + ".err").right(2000).constData(), 60000);

    child.signal(SIGTERM);
    QVERIFY(child.wait());
    QVERIFY2(child.exited(), "did not end normally");
    QCOMPARE(child.exitCode(), 0); // also: the leak checker found nothing
    QVERIFY(testsupport::logText(dir + "/mphone.log").contains("Got SIGTERM, exiting cleanly..."));
    QTRY_COMPARE_WITH_TIMEOUT(sim.sessionCount(), 0, 10000);

    for (const QList<QVariant> &c : qAsConst(commands)) {
        const QJsonObject args = c.at(2).toJsonObject();
        QVERIFY2(c.at(1).toString() != QLatin1String("pauseQueues") || args.value("pause").toBool(),
                 qPrintable(QJsonDocument(args).toJson(QJsonDocument::Compact)));
    }
    QVERIFY(!asked("logout"));
}

DESKLINE_TEST_MAIN(TestDeskline)
#include "tst_deskline.moc"
