#include "scriptedprompts.h"
#include "testhelpers.h"
#include "testmain.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

// The shared harness itself: a broken connection is caught, the home
// directory is a private temporary one, scripted prompts never block, and the
// widget lookups find what they are asked for.

// A type the meta-type system does not know, so it cannot travel through a
// queued connection.
struct NotRegistered {
    int value = 0;
};

namespace
{

enum class Breakage { MissingSignal, MissingSlot, NullSenderPointer, NullReceiverByName, QueuedUnknownType };

QStringList *g_captured = nullptr;

void capture(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type == QtWarningMsg && g_captured)
        g_captured->append(msg);
}

} // namespace

Q_DECLARE_METATYPE(Breakage)

class TestHarness : public QObject
{
    Q_OBJECT

public:
    TestHarness();

signals:
    void sigPing();
    void sigCarry(NotRegistered value);

private slots:
    void brokenConnectionFailsTheTest_data();
    void brokenConnectionFailsTheTest();
    void everyBrokenConnectionWarningIsOnTheList_data();
    void everyBrokenConnectionWarningIsOnTheList();
    void homeIsIsolated();
    void scriptedPromptsAnswerWithoutBlocking();
    void watchdogDoesNotOutliveItsLoop();
    void childFindsTheNamedWidget();
    void missingWidgetEndsTheTest();
    void clickAndTriggerByName();
    void logTextReadsTheWholeFile();

private:
    void breakConnection(Breakage kind);
};

// With DESKLINE_HARNESS_SELFTEST=main the object breaks a connection while it
// is built, before Qt Test runs: the test main's own handler must catch it
// and fail the executable (CTest entry test_harness_main_catches_nullptr).
TestHarness::TestHarness()
{
    if (qgetenv("DESKLINE_HARNESS_SELFTEST") == "main")
        breakConnection(Breakage::NullSenderPointer);
}

void TestHarness::breakConnection(Breakage kind)
{
    QObject receiver;
    QObject *nobody = nullptr;
    switch (kind) {
    case Breakage::MissingSignal:
        connect(this, SIGNAL(sigMissing()), &receiver, SLOT(deleteLater()));
        break;
    case Breakage::MissingSlot:
        connect(this, SIGNAL(sigPing()), &receiver, SLOT(slotMissing()));
        break;
    case Breakage::NullSenderPointer:
        connect(nobody, &QObject::destroyed, &receiver, &QObject::deleteLater);
        break;
    case Breakage::NullReceiverByName:
        connect(this, SIGNAL(sigPing()), nobody, SLOT(deleteLater()));
        break;
    case Breakage::QueuedUnknownType:
        connect(
            this, &TestHarness::sigCarry, &receiver, [] {}, Qt::QueuedConnection);
        emit sigCarry(NotRegistered{});
        break;
    }
}

void TestHarness::brokenConnectionFailsTheTest_data()
{
    QTest::addColumn<Breakage>("kind");
    QTest::newRow("missing signal") << Breakage::MissingSignal;
    QTest::newRow("nullptr sender") << Breakage::NullSenderPointer;
}

// Run alone, one row at a time, by the CTest entries
// test_harness_catches_missing_signal and test_harness_catches_nullptr, which
// expect CTest to fail it on the warning it prints.
void TestHarness::brokenConnectionFailsTheTest()
{
    if (qEnvironmentVariableIsEmpty("DESKLINE_HARNESS_SELFTEST"))
        QSKIP("only run by the harness self-test");
    QFETCH(Breakage, kind);
    breakConnection(kind);
}

void TestHarness::everyBrokenConnectionWarningIsOnTheList_data()
{
    QTest::addColumn<Breakage>("kind");
    QTest::newRow("missing signal") << Breakage::MissingSignal;
    QTest::newRow("missing slot") << Breakage::MissingSlot;
    QTest::newRow("nullptr sender") << Breakage::NullSenderPointer;
    QTest::newRow("nullptr receiver by name") << Breakage::NullReceiverByName;
    QTest::newRow("queued unregistered type") << Breakage::QueuedUnknownType;
}

// The warning Qt really prints for each kind of broken connection is one the
// shared list catches (the list CTest and the test main both use). The
// warnings are held back here, so they do not fail this test's own output.
void TestHarness::everyBrokenConnectionWarningIsOnTheList()
{
    QFETCH(Breakage, kind);
    QStringList captured;
    g_captured = &captured;
    const QtMessageHandler previous = qInstallMessageHandler(capture);
    breakConnection(kind);
    qInstallMessageHandler(previous);
    g_captured = nullptr;
    QCOMPARE(captured.size(), 1);
    QVERIFY2(testsupport::isConnectionWarning(captured.first()), qPrintable(captured.first()));
    QVERIFY(!testsupport::isConnectionWarning(QStringLiteral("QObject::connect: connected as expected")));
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

void TestHarness::childFindsTheNamedWidget()
{
    QWidget root;
    root.setObjectName(QStringLiteral("root"));
    auto *box = new QWidget(&root);
    auto *ok = new QPushButton(QStringLiteral("OK"), box);
    ok->setObjectName(QStringLiteral("btnOk"));
    auto *label = new QLabel(box);
    label->setObjectName(QStringLiteral("lblOk"));
    QCOMPARE(testsupport::child<QPushButton>(root, QStringLiteral("btnOk")), ok);
    QCOMPARE(testsupport::child(root, QStringLiteral("lblOk")), static_cast<QWidget *>(label));
    QCOMPARE(testsupport::child<QAbstractButton>(*box, QStringLiteral("btnOk")), ok);
}

// Run alone by the CTest entry test_harness_missing_widget_is_named, which
// expects the run to end with a message naming what was missing.
void TestHarness::missingWidgetEndsTheTest()
{
    if (qEnvironmentVariableIsEmpty("DESKLINE_HARNESS_SELFTEST"))
        QSKIP("only run by the harness self-test");
    QWidget root;
    root.setObjectName(QStringLiteral("root"));
    new QLabel(&root);
    testsupport::child<QPushButton>(root, QStringLiteral("btnMissing"));
}

void TestHarness::clickAndTriggerByName()
{
    QWidget root;
    auto *button = new QPushButton(QStringLiteral("Go"), &root);
    button->setObjectName(QStringLiteral("btnGo"));
    auto *action = new QAction(QStringLiteral("Quit"), &root);
    action->setObjectName(QStringLiteral("actionQuit"));
    root.show();
    QSignalSpy clicked(button, &QPushButton::clicked);
    QSignalSpy triggered(action, &QAction::triggered);

    testsupport::clickButton(root, QStringLiteral("btnGo"));
    QCOMPARE(clicked.count(), 1);
    button->setEnabled(false);
    testsupport::clickButton(root, QStringLiteral("btnGo"));
    QCOMPARE(clicked.count(), 1);

    QVERIFY(testsupport::triggerAction(root, QStringLiteral("actionQuit")));
    QCOMPARE(triggered.count(), 1);
    action->setEnabled(false);
    QVERIFY(!testsupport::triggerAction(root, QStringLiteral("actionQuit")));
    QCOMPARE(triggered.count(), 1);
}

void TestHarness::logTextReadsTheWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("app.log"));
    QCOMPARE(testsupport::logText(path), QByteArray());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("first line\nsecond line\n");
    f.close();
    QCOMPARE(testsupport::logText(path), QByteArray("first line\nsecond line\n"));
}

DESKLINE_TEST_MAIN(TestHarness)
#include "tst_harness.moc"
