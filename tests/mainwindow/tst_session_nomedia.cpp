// Without the media module (a broken installation): the CTI-mode window logs
// in as usual; the softphone-mode window logs in and reports that its phone
// is not available; the engine object answers every call with its module
// error; sounds do not play and the voicemail player reports an error.
// Nothing crashes, and the reason is in the log.
#include "framework/promptservice.h"
#include "media/mediamodule.h"
#include "messaging/voicemailplayer.h"
#include "phone/phonebackends.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testmain.h"
#include "vdkqtengine.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace sessiontest;

namespace
{
const char kMissing[] = "/nonexistent/lib/deskline/libdeskline_media.so";
}

class TestSessionNoMedia : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void ctiWindowLogsIn();
    void softphoneWindowReportsThePhoneUnavailable();
    void engineCallsFailWithTheReason_data();
    void engineCallsFailWithTheReason();
    void soundsAndVoicemailFailQuietly();
};

void TestSessionNoMedia::initTestCase()
{
    // Read at the first use of the module, which is still to come.
    qputenv("DESKLINE_MEDIA_MODULE", kMissing);
}

void TestSessionNoMedia::ctiWindowLogsIn()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    QVERIFY(!w.phoneBackends()->engine());
    QVERIFY2(prompts.shown.isEmpty(), qPrintable(prompts.texts().join(QLatin1Char('\n'))));
}

void TestSessionNoMedia::softphoneWindowReportsThePhoneUnavailable()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MctiConfig c = f.config(QStringLiteral("demo"), QStringLiteral("demo"), 2);
    c.account.set(QStringLiteral("201"));
    useTestAudioDevices(c);
    MPGui w{c};
    w.start();
    withInstalledSoundsAndDevices(w.phoneBackends());
    QVERIFY(waitForLogin(w));
    // The engine's own report, with the error number of its library.
    const QString unavailable =
        QStringLiteral("Il motore SIP ha restituito il seguente errore: %1").arg(int(VDK::ErrModule));
    QTRY_VERIFY2(prompts.texts().contains(unavailable), qPrintable(prompts.texts().join(QLatin1Char('\n'))));
    QCOMPARE(prompts.texts().count(unavailable), 1);
    for (const ScriptedPrompts::Shown &s : prompts.shown) {
        if (s.message.text == unavailable) {
            QVERIFY(s.message.kind == PromptService::Kind::Critical);
            QVERIFY(s.message.title.endsWith(QStringLiteral(" - Errore")));
        }
    }
    QVERIFY(!w.phoneBackends()->engine());
    QVERIFY(w.isSessionUp());
    // Why, in the program's log: the path tried and the loader's reason.
    QTRY_VERIFY(f.logText().contains("Media module not loaded"));
    QVERIFY(f.logText().contains(kMissing));
}

void TestSessionNoMedia::engineCallsFailWithTheReason_data()
{
    QTest::addColumn<int>("call");
    QTest::newRow("registrar") << 0;
    QTest::newRow("init") << 1;
    QTest::newRow("call") << 2;
    QTest::newRow("device") << 3;
}

void TestSessionNoMedia::engineCallsFailWithTheReason()
{
    QFETCH(int, call);
    VDKQtEngine engine(VDKLogConfig{});
    int result = 0;
    switch (call) {
    case 0:
        result = engine.setDefaultSipRegistrar(QStringLiteral("127.0.0.1"), 5060, 5061);
        break;
    case 1:
        result = engine.init();
        break;
    case 2:
        result = engine.startAudioCall(QStringLiteral("sip:201@127.0.0.1"));
        break;
    case 3:
        result = engine.getDefaultAudioOutputDevice();
        break;
    }
    QCOMPARE(result, int(VDK::ErrModule));
    QVERIFY(engine.getAudioInputDeviceList().isEmpty());
    QVERIFY(engine.getErrorMessage(result).contains(QLatin1String(kMissing)));
    QCOMPARE(engine.shutdown(), int(VDK::ErrModule));
}

void TestSessionNoMedia::soundsAndVoicemailFailQuietly()
{
    // The program's own prompt service (no scripted one installed).
    const QString ring =
        qEnvironmentVariable("DESKLINE_SOURCE_DIR") + QStringLiteral("/resources/sounds/callNotice.wav");
    prompts().playSound(ring);

    QObject owner;
    VoicemailPlayer *player = VoicemailPlayer::multimedia().make(&owner);
    QSignalSpy errors(player, &VoicemailPlayer::errorOccurred);
    QTemporaryDir dir;
    player->setLocalFile(dir.filePath(QStringLiteral("message.wav")));
    player->play();
    QTRY_COMPARE(errors.count(), 2);
    QVERIFY(player->errorString().contains(QLatin1String(kMissing)));
    player->stop();
    player->pause();
    player->setPosition(100);
    QCOMPARE(errors.count(), 2);
}

DESKLINE_TEST_MAIN(TestSessionNoMedia)
#include "tst_session_nomedia.moc"
