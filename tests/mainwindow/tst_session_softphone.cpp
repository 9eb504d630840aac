// Softphone mode against the simulated PBX with its SIP side: the engine is
// made for the selected SIP identity, registers, is updated in place for a
// new codec order and re-created for a new SIP user or registrar.
#include "phone/mpengine.h"
#include "settings/msettingsstore.h"
#include "phone/phonebackends.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testmain.h"

#include <QLabel>
#include <QSignalSpy>

using namespace sessiontest;

namespace
{
const QStringList kSystemIn{QStringLiteral("Virtual WAV file input")};
const QStringList kSystemOut{QStringLiteral("Virtual capture to WAV file sink")};
} // namespace

class TestSessionSoftphone : public QObject
{
    Q_OBJECT
private slots:
    void engineFollowsTheIdentity();
};

void TestSessionSoftphone::engineFollowsTheIdentity()
{
    SessionFixture f;
    QString error;
    QVERIFY2(f.sim->listenSip(QHostAddress::LocalHost, 0, &error), qPrintable(error));
    PbxSimData data = PbxSimData::demo();
    data.sip.registrarAddress = QStringLiteral("127.0.0.1");
    data.sip.registrarPort = f.sim->sipPort();
    data.sip.proxyAddress = QStringLiteral("127.0.0.1");
    data.sip.proxyPort = f.sim->sipPort();
    f.sim->setData(data);

    ScriptedPrompts prompts;
    MctiConfig c = f.config(QStringLiteral("demo"), QStringLiteral("demo"), 2);
    c.account.set(QStringLiteral("201"));
    c.micDevice.set(kSystemIn.first());
    c.spkDevice.set(kSystemOut.first());
    c.ringDevice.set(kSystemOut.first());
    MPGui w{c};
    PhoneBackends *phones = w.phoneBackends();
    // The engine's sounds and devices, as the installation would give them.
    connect(phones, &PhoneBackends::phoneEngineReady, this, [](MPEngine *e) {
        e->setSoundsDirPath(qEnvironmentVariable("DESKLINE_SOURCE_DIR") + QStringLiteral("/resources/sounds"));
        e->setSystemDeviceLister([](QAudio::Mode m) { return m == QAudio::AudioInput ? kSystemIn : kSystemOut; });
    });
    QVERIFY(startAndLogin(w));
    QTRY_VERIFY(phones->engine());
    QTRY_VERIFY_WITH_TIMEOUT(phones->isSipRegistered(), 10000);
    QCOMPARE(widgetOf<QLabel>(w, QStringLiteral("lblAccountInfo"))->text(), QStringLiteral("Telefono registrato"));
    QVERIFY(f.sim->executeControl(QStringLiteral("sip status")).contains(QStringLiteral("201")));
    MPEngine *first = phones->engine();

    IdentityEntry identity;
    for (const IdentityEntry &e : w.store()->getAccountList()) {
        if (e.identifier == QLatin1String("201"))
            identity = e;
    }
    QCOMPARE(identity.sipUsername, QStringLiteral("201"));
    const QString registrar = w.store()->getSipRegistrarAddress();

    // A new codec order is applied in place.
    identity.codecList = QStringList{QStringLiteral("PCMU")};
    phones->initOrUpdatePhoneEngine(identity, registrar);
    QCOMPARE(phones->engine(), first);

    // A new SIP user makes a new engine, which registers in its turn.
    QPointer<MPEngine> old(first);
    identity.sipUsername = QStringLiteral("202");
    identity.sipPassword = QStringLiteral("sip202");
    phones->initOrUpdatePhoneEngine(identity, registrar);
    QVERIFY(phones->engine());
    QVERIFY(phones->engine() != first);
    QTRY_VERIFY(!old);
    QCOMPARE(phones->engine()->configuration().sipUsername, QStringLiteral("202"));

    // So does a new registrar.
    MPEngine *second = phones->engine();
    phones->initOrUpdatePhoneEngine(identity, QStringLiteral("127.0.0.1:%1").arg(f.sim->sipPort() + 1));
    QVERIFY(phones->engine() != second);
    QVERIFY(prompts.shown.isEmpty());
}

DESKLINE_TEST_MAIN(TestSessionSoftphone)
#include "tst_session_softphone.moc"
