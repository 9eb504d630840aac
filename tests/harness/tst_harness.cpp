#include "scriptedprompts.h"
#include "testmain.h"

#include <QDir>
#include <QTimer>

// The shared harness itself: a broken by-name connection is caught, the home
// directory is a private temporary one, and scripted prompts never block.
class TestHarness : public QObject {
    Q_OBJECT

signals:
    void sigPing();

private slots:
    void brokenConnectionFailsTheTest();
    void homeIsIsolated();
    void scriptedPromptsAnswerWithoutBlocking();
    void watchdogDoesNotOutliveItsLoop();
};

// Run alone by the CTest entry test_harness_catches_broken_connection, which
// expects CTest to fail it on the warning this prints.
void TestHarness::brokenConnectionFailsTheTest()
{
    if (qEnvironmentVariableIsEmpty("DESKLINE_HARNESS_SELFTEST"))
        QSKIP("only run by the harness self-test");
    QObject receiver;
    connect(this, SIGNAL(sigMissing()), &receiver, SLOT(deleteLater()));
}

void TestHarness::homeIsIsolated()
{
    const QString home = testsupport::isolatedHome();
    QVERIFY(!home.isEmpty());
    QCOMPARE(QDir::homePath(), home);
    QVERIFY(qEnvironmentVariable("XDG_CONFIG_HOME").startsWith(home));
}

void TestHarness::scriptedPromptsAnswerWithoutBlocking()
{
    ScriptedPrompts script;
    QCOMPARE(prompts().question(nullptr, "t", "q?", QMessageBox::Yes | QMessageBox::No, QMessageBox::No),
             QMessageBox::No);
    script.answerNext(QMessageBox::Yes);
    QCOMPARE(prompts().question(nullptr, "t", "again?"), QMessageBox::Yes);
    QCOMPARE(script.texts(), (QStringList{"q?", "again?"}));
}

void TestHarness::watchdogDoesNotOutliveItsLoop()
{
    QTimer::singleShot(0, [] { QCoreApplication::exit(7); });
    QCOMPARE(testsupport::execWithTimeout(100, 99), 7);
    // The first watchdog would have fired here had it survived.
    QTimer::singleShot(300, [] { QCoreApplication::exit(8); });
    QCOMPARE(testsupport::execWithTimeout(1000, 99), 8);
}

DESKLINE_TEST_MAIN(TestHarness)
#include "tst_harness.moc"
