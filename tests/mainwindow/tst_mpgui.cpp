#include "app/globallogger.h"
#include "mainwindow/mpgui.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "testmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace
{
QByteArray logText(const QString &dir)
{
    if (logger)
        logger->flush();
    QFile f(dir + "/mphone.log");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs the event loop with `action` queued on it; returns the loop's code,
// or 12345 when the loop was still running after two seconds.
int runLoopWith(const std::function<void()> &action)
{
    QTimer::singleShot(0, action);
    return testsupport::execWithTimeout(2000, 12345);
}
} // namespace

class TestMPGui : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void loggerLifecycle();
    void loggerFailure();
    void fontSizeProperty_data();
    void fontSizeProperty();
    void quitCodes_data();
    void quitCodes();

private:
    QTemporaryDir m_dir;
};

void TestMPGui::init()
{
    MSETTINGS::setSettingsDirPath(m_dir.path());
    MSETTINGS::setFontSizeIncrement(0);
}

void TestMPGui::loggerLifecycle()
{
    QVERIFY(!logger);
    {
        MPGui w{MctiConfig()};
        QVERIFY(logger);
        Logger *first = logger;
        const QByteArray text = logText(m_dir.path());
        QVERIFY(text.contains("[MPHONE] [INFO] "));
        QVERIFY(text.contains("Starting DESKLINE EDITION v. 4.5.23-r331ba3e  - Logger initialization.\n"));
        // A second set-up while the logger exists creates nothing.
        w.initLogger("OTHER", m_dir.filePath("other/"), nullptr);
        QCOMPARE(logger, first);
        QVERIFY(!QFile::exists(m_dir.filePath("other/mphone.log")));
        QVERIFY(w.isHidden()); // start-up shows nothing before start()
    }
    QVERIFY(!logger);
    QVERIFY(logText(m_dir.path()).contains("Now destroying logger and exiting."));
}

void TestMPGui::loggerFailure()
{
    MSETTINGS::setSettingsDirPath(m_dir.filePath("missing/dir"));
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("Failed to create MPGui logger!!!"));
    MPGui w{MctiConfig()};
    QVERIFY(!logger);
}

void TestMPGui::fontSizeProperty_data()
{
    QTest::addColumn<int>("increment");
    QTest::newRow("plain fonts") << 0;
    QTest::newRow("large fonts") << 1;
}

void TestMPGui::fontSizeProperty()
{
    QFETCH(int, increment);
    MSETTINGS::setFontSizeIncrement(increment);
    MPGui w{MctiConfig()};
    // Set only when the fonts are larger.
    QCOMPARE(w.property("incrsize").isValid(), increment > 0);
    QCOMPARE(w.property("incrsize").toInt(), increment);
}

void TestMPGui::quitCodes_data()
{
    QTest::addColumn<bool>("restart");
    QTest::addColumn<bool>("ask");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("questions");
    QTest::newRow("restart never asks") << true << true << int(QMessageBox::No) << -123456789 << 0;
    QTest::newRow("quit without asking") << false << false << int(QMessageBox::No) << 0 << 0;
    QTest::newRow("quit confirmed") << false << true << int(QMessageBox::Yes) << 0 << 1;
    QTest::newRow("quit declined") << false << true << int(QMessageBox::No) << 12345 << 1;
}

void TestMPGui::quitCodes()
{
    QFETCH(bool, restart);
    QFETCH(bool, ask);
    QFETCH(int, answer);
    QFETCH(int, exitCode);
    QFETCH(int, questions);
    ScriptedPrompts prompts;
    prompts.answerNext(QMessageBox::StandardButton(answer));
    MPGui w{MctiConfig()};
    QSignalSpy aboutToExit(&w, SIGNAL(sigAboutToExit()));
    bool result = false;
    QCOMPARE(runLoopWith([&] { result = w.quitApplication(restart, ask); }), exitCode);
    QCOMPARE(result, exitCode != 12345);
    QCOMPARE(aboutToExit.count(), result ? 1 : 0);
    QCOMPARE(w.isRestartRequested(), restart);
    QCOMPARE(prompts.shown.size(), questions);
    if (questions) {
        const PromptService::Message &m = prompts.shown.first().message;
        QCOMPARE(m.title, QString("DESKLINE EDITION - Chiusura applicazione"));
        QCOMPARE(m.text, QString("<p align='center'>Sei sicuro di voler chiudere l'applicazione<br>DESKLINE "
                                 "EDITION?</p>"));
        QCOMPARE(m.defaultButton, QMessageBox::No);
    }
    // A declined quit keeps the window's objects; any other releases them.
    QCOMPARE(bool(w.settings()), !result);
}

DESKLINE_TEST_MAIN(TestMPGui)
#include "tst_mpgui.moc"
