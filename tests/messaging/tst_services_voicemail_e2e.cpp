// The PBX services and the voicemail tab in the real main window against the
// PBX simulator: do-not-disturb, forward and fork switched from their buttons
// reach the simulator's service state and the buttons follow its reports; the
// demo voicemail message is listed, downloaded, played to its end (on a null
// audio sink), marked as heard (the mailbox button changes) and deleted.
#include "../mainwindow/sessionfixture.h"
#include "messaging/dlgredirect.h"
#include "messaging/messagingpanel.h"
#include "messaging/voicemailpanel.h"
#include "messaging/wdgvoicemailline.h"
#include "phone/mpengine.h"
#include "phone/phonebackends.h"
#include "scriptedprompts.h"
#include "testhelpers.h"
#include "testmain.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>

using namespace sessiontest;

namespace
{

ServiceStatus simService(const SessionFixture &f, const QString &name)
{
    return f.sim->data().users.value(QStringLiteral("demo")).services.value(name);
}

bool sameImage(const QIcon &a, const QString &file)
{
    return a.pixmap(16, 16).toImage() == QIcon(file).pixmap(16, 16).toImage();
}

} // namespace

class TestServicesVoicemailE2e : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Played to a sink that needs no sound card.
        qputenv("QT_GSTREAMER_PLAYBIN_AUDIOSINK", "fakesink");
    }
    void servicesFollowTheSimulator_data();
    void servicesFollowTheSimulator();
    void softphoneDndAtOnce();
    void demoVoicemail();
};

void TestServicesVoicemailE2e::servicesFollowTheSimulator_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("cti only") << int(MSETTINGS::AppModeCtiOnly);
    QTest::newRow("desk phone") << int(MSETTINGS::AppModeDeskPhone);
}

void TestServicesVoicemailE2e::servicesFollowTheSimulator()
{
    QFETCH(int, mode);
    SessionFixture f;
    ScriptedPrompts prompts;
    MctiConfig config = f.config(QStringLiteral("demo"), QStringLiteral("demo"), mode);
    config.account.set(QStringLiteral("201")); // the identity with the desk phone
    MPGui w{config};
    QVERIFY(startAndLogin(w));
    auto *dnd = widgetOf<QPushButton>(w, "btnDnd");
    auto *forward = widgetOf<QPushButton>(w, "btnRedirect");
    auto *fork = widgetOf<QPushButton>(w, "btnDualRingToggle");
    QTRY_VERIFY(dnd->isVisible() && dnd->isEnabled());
    QTRY_VERIFY(fork->isVisible() && fork->isEnabled());
    QVERIFY(forward->isVisible() && forward->isEnabled());
    // The desk phone's keys go through its driver.
    if (mode == MSETTINGS::AppModeDeskPhone)
        QTRY_VERIFY(w.phoneBackends()->deskPhone());

    for (const bool on : {true, false}) {
        const int state = on ? 2 : 0;
        testsupport::clickButton(w, QStringLiteral("btnDnd"));
        QTRY_COMPARE(simService(f, QStringLiteral("dnd")).state, state);
        QTRY_COMPARE(w.messagingPanel()->isDndActive(), on);
        QTRY_VERIFY(dnd->isEnabled());
        QCOMPARE(dnd->toolTip(),
                 on ? QStringLiteral("Do Not Disturb attivo") : QStringLiteral("Do Not Disturb non attivo"));

        if (on) {
            prompts.dialogNext([](QDialog *d) {
                QTest::keyClicks(d->findChild<QLineEdit *>(QStringLiteral("edtTxt")), QStringLiteral(" 0612345678 "));
                QTest::mouseClick(d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
            });
        }
        testsupport::clickButton(w, QStringLiteral("btnRedirect"));
        QTRY_COMPARE(simService(f, QStringLiteral("ufwd")).state, state);
        QCOMPARE(simService(f, QStringLiteral("ufwd")).value, on ? QStringLiteral("0612345678") : QString());
        QTRY_COMPARE(w.messagingPanel()->isUfwdActive(), on);
        QCOMPARE(forward->toolTip(), on ? QStringLiteral("Inoltro incondizionato attivo su 0612345678")
                                        : QStringLiteral("Inoltro incondizionato non attivo"));

        testsupport::clickButton(w, QStringLiteral("btnDualRingToggle"));
        QTRY_COMPARE(simService(f, QStringLiteral("forktomobile")).state, state);
        QTRY_COMPARE(w.messagingPanel()->isForkToMobileActive(), on);
        QTRY_VERIFY(fork->isEnabled());
        QVERIFY(fork->toolTip().startsWith(on ? QStringLiteral("Fork To Mobile attivo: ")
                                              : QStringLiteral("Fork To Mobile non attivo: ")));
    }
    QCOMPARE(prompts.dialogRequests.size(), 1);
}

// The softphone's own engine holds its DND: shown at once, and a call that
// comes meanwhile finds the softphone busy.
void TestServicesVoicemailE2e::softphoneDndAtOnce()
{
    SessionFixture f;
    QString error;
    QVERIFY2(f.sim->listenSip(QHostAddress::LocalHost, 0, &error), qPrintable(error));
    PbxSimData data = PbxSimData::demo();
    data.sip.registrarAddress = data.sip.proxyAddress = QStringLiteral("127.0.0.1");
    data.sip.registrarPort = data.sip.proxyPort = f.sim->sipPort();
    f.sim->setData(data);
    ScriptedPrompts prompts;
    const QStringList systemIn{QStringLiteral("Virtual WAV file input")};
    const QStringList systemOut{QStringLiteral("Virtual capture to WAV file sink")};
    MctiConfig c = f.config(QStringLiteral("demo"), QStringLiteral("demo"), MSETTINGS::AppModeSoftphone);
    c.account.set(QStringLiteral("201"));
    c.micDevice.set(systemIn.first());
    c.spkDevice.set(systemOut.first());
    c.ringDevice.set(systemOut.first());
    MPGui w{c};
    w.start();
    connect(w.phoneBackends(), &PhoneBackends::phoneEngineReady, this, [=](MPEngine *e) {
        e->setSoundsDirPath(qEnvironmentVariable("DESKLINE_SOURCE_DIR") + QStringLiteral("/resources/sounds"));
        e->setSystemDeviceLister([=](QAudio::Mode m) { return m == QAudio::AudioInput ? systemIn : systemOut; });
    });
    QVERIFY(waitForLogin(w));
    QTRY_VERIFY_WITH_TIMEOUT(w.phoneBackends()->isSipRegistered(), 10000);
    auto *dnd = widgetOf<QPushButton>(w, "btnDnd");
    QTRY_VERIFY(dnd->isVisible() && dnd->isEnabled());

    QSignalSpy ringing(w.phoneBackends()->engine(), &MPEngine::sigIncomingAudioCall);

    testsupport::clickButton(w, QStringLiteral("btnDnd"));
    QVERIFY(w.messagingPanel()->isDndActive());
    QVERIFY(dnd->isVisible() && dnd->isEnabled());
    QCOMPARE(dnd->toolTip(), QStringLiteral("Do Not Disturb attivo"));
    QVERIFY(!f.sim->injectIncomingCall(QStringLiteral("0612345678"), QStringLiteral("201")).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(f.sim->activeCallCount(), 0, 10000);
    QCOMPARE(ringing.count(), 0);

    testsupport::clickButton(w, QStringLiteral("btnDnd"));
    QVERIFY(!w.messagingPanel()->isDndActive());
    QCOMPARE(dnd->toolTip(), QStringLiteral("Do Not Disturb non attivo"));
    QVERIFY(!f.sim->injectIncomingCall(QStringLiteral("0612345678"), QStringLiteral("201")).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(ringing.count(), 1, 10000);
    f.sim->hangup(QStringLiteral("201"));
    QTRY_COMPARE_WITH_TIMEOUT(f.sim->activeCallCount(), 0, 10000);
}

void TestServicesVoicemailE2e::demoVoicemail()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    auto *mail = widgetOf<QPushButton>(w, "btnMail");
    auto *stack = widgetOf<QStackedWidget>(w, "voicemailStckWidget");
    VoicemailPanel *voicemail = w.messagingPanel()->voicemail();

    // Listed, and the mailbox button tells of the new message.
    QTRY_COMPARE(voicemail->rows().keys(), QStringList{"vm-0001"});
    QCOMPARE(stack->currentWidget(), voicemail->listPage());
    QVERIFY(voicemail->listPage()->isAncestorOf(widgetOf<QWidget>(w, "pageVoicemail")));
    QTRY_COMPARE(mail->toolTip(), QStringLiteral("Sono presenti 1 nuovi messaggi in segreteria"));
    QVERIFY(sameImage(mail->icon(), QStringLiteral(":/images/mailIn.png")));
    QPointer<wdgVoicemailLine> row = voicemail->rows().value(QStringLiteral("vm-0001"));
    const QString tmp = row->temporaryPath();

    // Downloaded into the row's directory, loaded by the player.
    testsupport::clickButton(*row, QStringLiteral("downloadButton"));
    auto *pages = testsupport::child<QStackedWidget>(*row, QStringLiteral("stackedWidget"));
    QTRY_COMPARE_WITH_TIMEOUT(pages->currentWidget()->objectName(), QStringLiteral("pageSlider"), 15000);
    QVERIFY(row->audioFile().startsWith(QDir(tmp).canonicalPath() + QLatin1Char('/')));

    // Played to its end: marked as heard on the simulator, the button follows.
    testsupport::clickButton(*row, QStringLiteral("playButton"));
    QVERIFY(row->isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(!row->isPlaying(), 20000);
    QTRY_VERIFY(!f.sim->data().voicemail.value(QStringLiteral("demo")).first().unheard);
    QTRY_COMPARE(mail->toolTip(), QStringLiteral("Nessun nuovo messaggio in segreteria"));
    QVERIFY(sameImage(mail->icon(), QStringLiteral(":/images/mailEmpty.png")));
    QCOMPARE(voicemail->rows().value(QStringLiteral("vm-0001")), row.data());

    // Deleted: gone from the simulator, the tab and the disk.
    testsupport::clickButton(*row, QStringLiteral("trashBin"));
    QTRY_VERIFY(f.sim->data().voicemail.value(QStringLiteral("demo")).isEmpty());
    QTRY_VERIFY(voicemail->rows().isEmpty());
    QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("pageVoicemailNoResults"));
    QTRY_VERIFY(row.isNull());
    QVERIFY(!QDir(tmp).exists());
}

DESKLINE_TEST_MAIN(TestServicesVoicemailE2e)
#include "tst_services_voicemail_e2e.moc"
