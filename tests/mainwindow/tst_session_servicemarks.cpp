// What the user sees and hears of the PBX services and of a chat message in a
// main window logged in to the PBX simulator: do-not-disturb and the forward,
// switched from their buttons, mark the window title (and the log says so);
// a colleague's chat message plays the new-message chime shipped with the
// program, not during a call.
#include "directory/directorypanel.h"
#include "manualclock.h"
#include "messaging/chatcontroller.h"
#include "messaging/messagingpanel.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "settings/msettings.h"
#include "testhelpers.h"
#include "testmain.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

using namespace sessiontest;

class TestSessionServiceMarks : public QObject
{
    Q_OBJECT
private slots:
    void dndAndForwardMarkTheTitle();
    void chatMessagePlaysTheChime();
};

void TestSessionServiceMarks::dndAndForwardMarkTheTitle()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w(f.config());
    QVERIFY(startAndLogin(w));
    const QString plain = w.windowTitle();
    QVERIFY(!plain.contains(QLatin1String(" - ")));
    auto *dnd = widgetOf<QPushButton>(w, "btnDnd");
    QTRY_VERIFY_WITH_TIMEOUT(dnd->isVisible() && dnd->isEnabled(), 10000);

    testsupport::clickButton(w, QStringLiteral("btnDnd"));
    QTRY_COMPARE_WITH_TIMEOUT(w.windowTitle(), plain + QStringLiteral(" - DND attivo"), 5000);
    QVERIFY(f.logText().contains("DND enabled"));

    prompts.dialogNext([](QDialog *d) {
        QTest::keyClicks(d->findChild<QLineEdit *>(QStringLiteral("edtTxt")), QStringLiteral("203"));
        QTest::mouseClick(d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    testsupport::clickButton(w, QStringLiteral("btnRedirect"));
    QTRY_COMPARE_WITH_TIMEOUT(w.windowTitle(),
                              plain + QStringLiteral(" - Inoltro incondizionato attivo su 203 - DND attivo"), 5000);
    QVERIFY(f.logText().contains("Ufwd enabled"));

    const int dndOff = f.logText().count("DND disabled");
    testsupport::clickButton(w, QStringLiteral("btnDnd"));
    QTRY_COMPARE_WITH_TIMEOUT(w.windowTitle(), plain + QStringLiteral(" - Inoltro incondizionato attivo su 203"), 5000);
    QVERIFY(f.logText().count("DND disabled") > dndOff);
    const int forwardOff = f.logText().count("Ufwd disabled");
    testsupport::clickButton(w, QStringLiteral("btnRedirect"));
    QTRY_COMPARE_WITH_TIMEOUT(w.windowTitle(), plain, 5000);
    QVERIFY(f.logText().count("Ufwd disabled") > forwardOff);

    // With the forward on at disconnection the title says only "disconnected".
    prompts.dialogNext([](QDialog *d) {
        QTest::keyClicks(d->findChild<QLineEdit *>(QStringLiteral("edtTxt")), QStringLiteral("203"));
        QTest::mouseClick(d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    testsupport::clickButton(w, QStringLiteral("btnRedirect"));
    QTRY_VERIFY_WITH_TIMEOUT(w.windowTitle().contains(QLatin1String("Inoltro incondizionato attivo su 203")), 5000);
    w.disconnectFromM();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isSessionUp(), 5000);
    QTRY_VERIFY(w.windowTitle().endsWith(QLatin1String(" - disconnesso")));
    QVERIFY(!w.windowTitle().contains(QLatin1String("Inoltro")));
}

void TestSessionServiceMarks::chatMessagePlaysTheChime()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    // The window's clock (the chat's among them), moved on below so the
    // second message is not part of the first one's burst (a burst alerts
    // once).
    ManualClock clock;
    MPGui w(f.config());
    QVERIFY(startAndLogin(w));
    QTRY_VERIFY_WITH_TIMEOUT(w.messagingPanel()->isChatConnected(), 10000);

    prompts.trayMessages.clear(); // the log-in's
    QDateTime now = QDateTime::currentDateTimeUtc();
    clock.set(now);
    const QString chime = QDir(MSETTINGS::getSoundsDirPath()).filePath(QStringLiteral("pling.wav"));
    QVERIFY2(QFileInfo(chime).isFile(), qPrintable(chime));
    QVERIFY(f.sim->sendChat(QStringLiteral("202"), QStringLiteral("201"), QStringLiteral("Ciao, ci sei?")));
    QTRY_COMPARE_WITH_TIMEOUT(prompts.trayMessages.size(), 1, 5000);
    QVERIFY(prompts.trayMessages.first().text.endsWith(QLatin1String(":\nCiao, ci sei?")));
    QCOMPARE(prompts.sounds, QStringList{chime});

    // During a call: the tray message, no chime.
    QVERIFY(!f.sim->injectIncomingCall("0612345678", "201", QString(), "Mario Verdi").isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(w.directoryPanel()->extensions().value(QStringLiteral("201")).blfState, 8, 5000);
    QVERIFY(f.sim->answerRinging("201"));
    QTRY_VERIFY_WITH_TIMEOUT(w.messagingPanel()->hasActiveCall(), 5000);
    now = now.addSecs(60);
    clock.set(now);
    QVERIFY(f.sim->sendChat(QStringLiteral("202"), QStringLiteral("201"), QStringLiteral("Richiamami")));
    QTRY_COMPARE_WITH_TIMEOUT(prompts.trayMessages.size(), 2, 5000);
    QCOMPARE(prompts.sounds, QStringList{chime});
}

DESKLINE_TEST_MAIN(TestSessionServiceMarks)
#include "tst_session_servicemarks.moc"
