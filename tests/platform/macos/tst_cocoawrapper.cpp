#include "cocoawrapper.h"
#include "testmain.h"

#include <QFile>
#include <QTemporaryFile>

#include <cstdio>
#include <sys/utsname.h>
#include <unistd.h>

namespace
{

// Runs `f` with the process's standard output going to a file and returns
// what it wrote.
template <typename F> QByteArray captureStdout(F f)
{
    QTemporaryFile file;
    if (!file.open())
        return "<no temporary file>";
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(file.handle(), STDOUT_FILENO);
    f();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    QFile back(file.fileName());
    back.open(QIODevice::ReadOnly);
    return back.readAll();
}

} // namespace

class TestCocoaWrapper : public QObject
{
    Q_OBJECT

private slots:
    void microphoneIsGrantedWithoutAsking();
    void grantedStatus_data();
    void grantedStatus();
    void parseVersion_data();
    void parseVersion();
    void getOsPrintsRunningVersion();
};

void TestCocoaWrapper::microphoneIsGrantedWithoutAsking()
{
    cocoaWrapper w;
    QVERIFY(w.isMicrophoneAccessGranted());
    // Asking returns at once and changes nothing.
    const QByteArray out = captureStdout([&] { w.requestMicrophoneAccess(); });
    QVERIFY(out.isEmpty());
    QVERIFY(w.isMicrophoneAccessGranted());
}

void TestCocoaWrapper::grantedStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("granted");
    QTest::newRow("not determined") << 0 << false;
    QTest::newRow("restricted") << 1 << false;
    QTest::newRow("denied") << 2 << false;
    QTest::newRow("authorised") << 3 << true;
    QTest::newRow("unknown") << 4 << false;
}

void TestCocoaWrapper::grantedStatus()
{
    QFETCH(int, status);
    QFETCH(bool, granted);
    QCOMPARE(cocoaWrapper::isGrantedStatus(status), granted);
}

void TestCocoaWrapper::parseVersion_data()
{
    QTest::addColumn<QByteArray>("release");
    QTest::addColumn<long>("major");
    QTest::addColumn<long>("minor");
    QTest::addColumn<long>("patch");
    QTest::newRow("macOS") << QByteArray("11.2.3") << 11L << 2L << 3L;
    QTest::newRow("kernel release") << QByteArray("6.1.0-18-amd64") << 6L << 1L << 0L;
    QTest::newRow("two parts") << QByteArray("10.14") << 10L << 14L << 0L;
    QTest::newRow("suffix in patch") << QByteArray("5.15.90.1-microsoft") << 5L << 15L << 90L;
    QTest::newRow("not a version") << QByteArray("unknown") << 0L << 0L << 0L;
    QTest::newRow("empty") << QByteArray("") << 0L << 0L << 0L;
}

void TestCocoaWrapper::parseVersion()
{
    QFETCH(QByteArray, release);
    QFETCH(long, major);
    QFETCH(long, minor);
    QFETCH(long, patch);
    long a = -1;
    long b = -1;
    long c = -1;
    cocoaWrapper::parseVersion(release.constData(), &a, &b, &c);
    QCOMPARE(a, major);
    QCOMPARE(b, minor);
    QCOMPARE(c, patch);
}

void TestCocoaWrapper::getOsPrintsRunningVersion()
{
    struct utsname info;
    QCOMPARE(uname(&info), 0);
    long major;
    long minor;
    long patch;
    cocoaWrapper::parseVersion(info.release, &major, &minor, &patch);
    const QByteArray expected =
        QStringLiteral("Running on Mac OS X %1.%2.%3\n").arg(major).arg(minor).arg(patch).toUtf8();

    cocoaWrapper w;
    int rc = -1;
    const QByteArray out = captureStdout([&] { rc = w.GetOS(); });
    QCOMPARE(rc, 0);
    QCOMPARE(out, expected);
    QVERIFY(major > 0);
}

DESKLINE_TEST_MAIN(TestCocoaWrapper)
#include "tst_cocoawrapper.moc"
