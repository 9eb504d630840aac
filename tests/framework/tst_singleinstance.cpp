#include "framework/processsingleton.h"
#include "testmain.h"

#include <QProcess>
#include <QSharedMemory>
#include <QUuid>
#include <QtTest>

#include <cstring>

namespace
{

QString uniqueKey()
{
    return QStringLiteral("TST_SINGLE_%1").arg(QUuid::createUuid().toString(QUuid::Id128));
}

// The test's own view of a guard segment.
class Segment
{
public:
    explicit Segment(const QString &key) : m_shm(key)
    {
        if (!m_shm.create(ProcessSingleton::SegmentSize))
            m_shm.attach();
    }
    bool ok() const { return m_shm.isAttached(); }
    qint64 pid()
    {
        qint64 v = 0;
        m_shm.lock();
        std::memcpy(&v, m_shm.constData(), sizeof v);
        m_shm.unlock();
        return v;
    }
    void setPid(qint64 v)
    {
        m_shm.lock();
        std::memcpy(m_shm.data(), &v, sizeof v);
        m_shm.unlock();
    }

private:
    QSharedMemory m_shm;
};

QString childProgram()
{
    return qEnvironmentVariable("SINGLEINSTANCE_CHILD");
}

// Starts a copy of the helper program; returns its pid once it runs, or 0.
qint64 startCopy(QProcess &p, const QString &key)
{
    p.setProgram(childProgram());
    p.setArguments({key});
    p.start();
    if (!p.waitForStarted(10000))
        return 0;
    QByteArray out;
    for (int i = 0; i < 300 && !out.contains('\n'); ++i) {
        if (p.state() == QProcess::NotRunning)
            break;
        p.waitForReadyRead(100);
        out += p.readAllStandardOutput();
    }
    const QList<QByteArray> words = out.trimmed().split(' ');
    if (words.size() != 2 || words.at(0) != "RUNNING")
        return 0;
    return words.at(1).toLongLong();
}

void stopCopy(QProcess &p)
{
    p.write("quit\n");
    p.closeWriteChannel();
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
    }
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void liveness();
    void guardRecordsAndClears();
    void liveOwnerRefusesSecondGuard();
    void zeroRecordNeverCounts();
    void secondCopyExitsWithMessage();
    void staleRecordIsTakenOver_data();
    void staleRecordIsTakenOver();
    void exitLeavesForeignRecord();
};

void TestSingleInstance::liveness()
{
    OsalProcessLiveness live;
    QVERIFY(live.isAlive(QCoreApplication::applicationPid()));
    QVERIFY(!live.isAlive(0));
    QVERIFY(!live.isAlive(-5));
    QVERIFY(!live.isAlive(qint64(1) << 40));

    // A live process running another program does not count: a reused pid
    // must not block a new copy.
    QProcess other;
    other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(other.waitForStarted());
    QVERIFY(!live.isAlive(other.processId()));
    other.kill();
    other.waitForFinished();

    // A process that has ended does not count.
    QProcess ended;
    ended.start(QStringLiteral("true"), QStringList());
    QVERIFY(ended.waitForFinished());
    QVERIFY(!live.isAlive(ended.processId()));
}

void TestSingleInstance::guardRecordsAndClears()
{
    const QString key = uniqueKey();
    Segment seg(key);
    QVERIFY(seg.ok());
    {
        ProcessSingleton guard(key);
        QVERIFY(guard.isUsable());
        QVERIFY(!guard.isInUse());
        QCOMPARE(guard.readProcessPidFromShMem(), QCoreApplication::applicationPid());
        QCOMPARE(seg.pid(), QCoreApplication::applicationPid());
    }
    QCOMPARE(seg.pid(), qint64(0));
}

void TestSingleInstance::liveOwnerRefusesSecondGuard()
{
    const QString key = uniqueKey();
    ProcessSingleton first(key);
    bool thrown = false;
    try {
        ProcessSingleton second(key);
    } catch (ProcessSingletonAlreadyInUseException &) {
        thrown = true;
    }
    QVERIFY(thrown);
    // The refused guard did not clear the owner's record.
    QCOMPARE(first.readProcessPidFromShMem(), QCoreApplication::applicationPid());
}

void TestSingleInstance::zeroRecordNeverCounts()
{
    const QString key = uniqueKey();
    Segment seg(key);
    seg.setPid(0);
    ProcessSingleton guard(key);
    QVERIFY(!guard.isInUse());
    guard.writeProcessPidToShMem(0);
    QVERIFY(!guard.alreadyInUse());
    QCOMPARE(seg.pid(), QCoreApplication::applicationPid());
}

void TestSingleInstance::secondCopyExitsWithMessage()
{
    QVERIFY2(!childProgram().isEmpty(), "SINGLEINSTANCE_CHILD not set");
    const QString key = uniqueKey();
    QProcess first;
    const qint64 firstPid = startCopy(first, key);
    QVERIFY(firstPid > 0);

    QProcess second;
    second.setProgram(childProgram());
    second.setArguments({key});
    second.start();
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 1);
    const QString out = QString::fromUtf8(second.readAllStandardOutput());
    QVERIFY2(out.contains(QStringLiteral("MESSAGE Single Instance Child|<html>Attenzione: una copia di CHILD "
                                         "&egrave; gi&agrave; in esecuzione</html>")),
             qPrintable(out));
    QVERIFY(!out.contains(QStringLiteral("RUNNING")));

    // The first copy still owns the key, and clears it when it ends.
    Segment seg(key);
    QCOMPARE(seg.pid(), firstPid);
    stopCopy(first);
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(seg.pid(), qint64(0));
}

void TestSingleInstance::staleRecordIsTakenOver_data()
{
    QTest::addColumn<bool>("foreignLiveProcess");
    QTest::newRow("dead process") << false;
    QTest::newRow("pid reused by another program") << true;
}

void TestSingleInstance::staleRecordIsTakenOver()
{
    QFETCH(bool, foreignLiveProcess);
    QVERIFY2(!childProgram().isEmpty(), "SINGLEINSTANCE_CHILD not set");
    const QString key = uniqueKey();
    Segment seg(key); // kept attached, as if left by a copy that crashed
    QVERIFY(seg.ok());

    QProcess stale;
    stale.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(stale.waitForStarted());
    const qint64 stalePid = stale.processId();
    if (!foreignLiveProcess) {
        stale.kill();
        stale.waitForFinished();
    }
    seg.setPid(stalePid);

    QProcess copy;
    const qint64 pid = startCopy(copy, key);
    QVERIFY2(pid > 0, copy.readAllStandardOutput().constData());
    QCOMPARE(seg.pid(), pid);
    stopCopy(copy);
    QCOMPARE(copy.exitCode(), 0);

    if (foreignLiveProcess) {
        stale.kill();
        stale.waitForFinished();
    }
}

void TestSingleInstance::exitLeavesForeignRecord()
{
    QVERIFY2(!childProgram().isEmpty(), "SINGLEINSTANCE_CHILD not set");
    const QString key = uniqueKey();
    Segment seg(key);
    QProcess copy;
    QVERIFY(startCopy(copy, key) > 0);
    // Another copy recorded itself meanwhile: the first must not wipe it out.
    seg.setPid(4242);
    stopCopy(copy);
    QCOMPARE(copy.exitCode(), 0);
    QCOMPARE(seg.pid(), qint64(4242));
}

DESKLINE_TEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
