#include "app/crashhandler.h"
#include "app/globallogger.h"
#include "testmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

class TestCrashHandler : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void unhandledSignalWritesWarning();
    void nothingWithoutLogTarget();
    void sigtermQuitsTheLoop();

private:
    QTemporaryDir m_dir;
};

void TestCrashHandler::initTestCase()
{
    installCrashHandler();
    QVERIFY(CrashHandler::termPipeReadFd() >= 0);
}

void TestCrashHandler::unhandledSignalWritesWarning()
{
    const QString path = m_dir.filePath("warn.log");
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    QVERIFY(fd >= 0);
    CrashHandler::setLogTarget(fd, "MOD", "App Name", "1.2.3");
    sighandler(SIGUSR1);
    CrashHandler::clearLogTarget();
    ::close(fd);

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString line = QString::fromUtf8(f.readAll());
    const QRegularExpression re(QStringLiteral("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] \\[MOD\\] "
                                               "\\[WARNING\\] void sighandler\\(int\\) "
                                               "WARNING: handler for signal %1 not implemented!\\n$")
                                    .arg(SIGUSR1));
    QVERIFY2(re.match(line).hasMatch(), qPrintable(line));
    // The time stamp is local time, as the logger writes it.
    const QDateTime stamp = QDateTime::fromString(line.mid(1, 23), "yyyy-MM-dd hh:mm:ss.zzz");
    QVERIFY(qAbs(stamp.secsTo(QDateTime::currentDateTime())) < 5);
}

void TestCrashHandler::nothingWithoutLogTarget()
{
    const QString path = m_dir.filePath("none.log");
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    QVERIFY(fd >= 0);
    CrashHandler::setLogTarget(fd, "MOD", "App", "1");
    CrashHandler::clearLogTarget();
    sighandler(SIGUSR1);
    ::close(fd);
    QCOMPARE(QFileInfo(path).size(), qint64(0));
}

// SIGTERM only writes to the self-pipe; the watcher then logs and ends the
// event loop with 0.
void TestCrashHandler::sigtermQuitsTheLoop()
{
    int status = UniqLogger::DEFAULT_OK;
    const QString path = m_dir.filePath("term.log");
    logger = UniqLogger::instance("TSTCRASH", 0)->createFileLogger("MPHONE", path, WriterConfig(), status);
    QVERIFY(logger);
    SigTermWatcher watcher;
    ::raise(SIGTERM);
    QCOMPARE(testsupport::execWithTimeout(5000, 99), 0);
    delete logger;
    logger = nullptr;
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("void SigTermWatcher::onSigTerm() Got SIGTERM, exiting cleanly...\n"));
}

DESKLINE_TEST_MAIN(TestCrashHandler)
#include "tst_crashhandler.moc"
