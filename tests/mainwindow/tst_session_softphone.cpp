// Softphone mode against the simulated PBX with its SIP side: the engine is
// made for the selected SIP identity, registers, is updated in place for a
// new codec order and re-created for a new SIP user or registrar.
#include "calls/calllines.h"
#include "framework/qdapplication.h"
#include "phone/mpengine.h"
#include "phone/phonebackends.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "settings/msettingsstore.h"
#include "testmain.h"

#include <QLabel>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QUdpSocket>

using namespace sessiontest;

namespace
{

MctiConfig softphoneConfig(SessionFixture &f)
{
    MctiConfig c = f.config(QStringLiteral("demo"), QStringLiteral("demo"), 2);
    c.account.set(QStringLiteral("201"));
    useTestAudioDevices(c);
    return c;
}

// Marks an operating-system log-out for as long as it lives.
struct OsShutdown {
    OsShutdown() { QdApplication::ShutdownInProgress = true; }
    ~OsShutdown() { QdApplication::ShutdownInProgress = false; }
};
// The PBX hands 201's identity a SIP password its registrar refuses; returns
// the data as it was.
PbxSimData giveWrongSipPassword(SessionFixture &f)
{
    const PbxSimData original = f.sim->data();
    PbxSimData data = original;
    for (SimUser &u : data.users) {
        for (IdentityEntry &id : u.identities) {
            if (id.identifier == QLatin1String("201"))
                id.sipPassword = QStringLiteral("not-the-password");
        }
    }
    f.sim->setData(data);
    return original;
}

} // namespace

class TestSessionSoftphone : public QObject
{
    Q_OBJECT
private slots:
    void engineFollowsTheIdentity();
    void logOutSparesACallInProgress();
    void refusedSipPasswordIsOfferedOnce();
    void correctedSipPasswordRegisters();
    void strangersCallsDoNotRing();
};

void TestSessionSoftphone::engineFollowsTheIdentity()
{
    SessionFixture f;
    QString error;
    QVERIFY2(listenForSoftphones(f, &error), qPrintable(error));
    ScriptedPrompts prompts;
    MPGui w{softphoneConfig(f)};
    w.start();
    PhoneBackends *phones = w.phoneBackends();
    withInstalledSoundsAndDevices(phones);
    QVERIFY(waitForLogin(w));
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

// The operating system's log-out closes the window: with a softphone call in
// progress the close is refused and the call goes on; without one the program
// quits without asking. A close by the user still asks.
void TestSessionSoftphone::logOutSparesACallInProgress()
{
    SessionFixture f;
    QString error;
    QVERIFY2(listenForSoftphones(f, &error), qPrintable(error));
    ScriptedPrompts prompts;
    MPGui w{softphoneConfig(f)};
    w.start();
    PhoneBackends *phones = w.phoneBackends();
    withInstalledSoundsAndDevices(phones);
    QVERIFY(waitForLogin(w));
    QTRY_VERIFY_WITH_TIMEOUT(phones->isSipRegistered(), 10000);
    QSignalSpy incoming(phones->engine(), &MPEngine::sigIncomingAudioCall);

    const QString uid = f.sim->injectIncomingCall(QStringLiteral("0298765432"), QStringLiteral("201"));
    QVERIFY(!uid.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(incoming.count() == 1, 10000);
    // The user answers on the softphone; the engine's report of the
    // established call gives the window its active line.
    const qlonglong line = incoming.first().at(0).toLongLong();
    QSignalSpy established(phones->engine(), &MPEngine::sigCallEstablished);
    QVERIFY(phones->engine()->answerAudioCall(int(line)));
    QTRY_VERIFY_WITH_TIMEOUT(established.count() == 1, 10000);
    w.callLines()->phoneCallEstablished(line, QStringLiteral("0298765432"), QString());
    QTRY_VERIFY_WITH_TIMEOUT(!w.callLines()->activeLines().isEmpty(), 10000);
    {
        OsShutdown shutdown;
        QVERIFY(!w.close());
    }
    QVERIFY(w.isVisible());
    QVERIFY(w.isSessionUp());
    QVERIFY(prompts.shown.isEmpty());
    QCOMPARE(f.sim->activeCallCount(), 1);

    // The user's own close during the call asks; "No" keeps everything.
    prompts.answerNext(QMessageBox::No);
    QVERIFY(!w.close());
    QCOMPARE(prompts.shown.size(), 1);
    QVERIFY(w.isSessionUp());

    // The call ends; the next log-out closes the window and quits unasked.
    QCOMPARE(f.sim->hangup(uid), 1);
    QTRY_VERIFY_WITH_TIMEOUT(w.callLines()->activeLines().isEmpty(), 10000);
    QSignalSpy quitting(&w, &MPGui::sigAboutToExit);
    {
        OsShutdown shutdown;
        QVERIFY(w.close());
    }
    QCOMPARE(quitting.count(), 1);
    QCOMPARE(prompts.shown.size(), 1);
    QVERIFY(!w.ctiClient());
    QTRY_COMPARE_WITH_TIMEOUT(f.sim->sessionCount(), 0, 5000);
}

// The PBX hands the client a SIP password its registrar does not take: the
// softphone answers the registrar's challenge once, shows that it is not
// registered and sends nothing more with that password, also when an
// identity update asks it to register again.
void TestSessionSoftphone::refusedSipPasswordIsOfferedOnce()
{
    SessionFixture f;
    QString error;
    QVERIFY2(listenForSoftphones(f, &error), qPrintable(error));
    giveWrongSipPassword(f);
    ScriptedPrompts prompts;
    MPGui w{softphoneConfig(f)};
    w.start();
    PhoneBackends *phones = w.phoneBackends();
    withInstalledSoundsAndDevices(phones);
    int failed = 0;
    connect(phones, &PhoneBackends::phoneEngineReady, this,
            [&failed](MPEngine *e) { connect(e, &MPEngine::sigRegistrationFail, e, [&failed] { ++failed; }); });
    QVERIFY(waitForLogin(w));
    QTRY_COMPARE_WITH_TIMEOUT(failed, 1, 10000);
    QCOMPARE(widgetOf<QLabel>(w, QStringLiteral("lblAccountInfo"))->text(), QStringLiteral("Telefono non registrato"));
    // The first REGISTER, challenged, and the one answering the challenge.
    QCOMPARE(f.sim->executeControl(QStringLiteral("sip registers 201")), QStringLiteral("OK 2"));

    // A new codec order for the same account asks the engine to register
    // again: it reports the failure without sending anything.
    IdentityEntry identity;
    for (const IdentityEntry &e : w.store()->getAccountList()) {
        if (e.identifier == QLatin1String("201"))
            identity = e;
    }
    identity.codecList = QStringList{QStringLiteral("PCMU")};
    MPEngine *engine = phones->engine();
    phones->initOrUpdatePhoneEngine(identity, w.store()->getSipRegistrarAddress());
    QCOMPARE(phones->engine(), engine);
    QTRY_COMPARE_WITH_TIMEOUT(failed, 2, 10000);
    QCOMPARE(f.sim->sipRegisterRequests(QStringLiteral("201")), 2);
    QVERIFY(!phones->isSipRegistered());
    QVERIFY(!f.sim->isSipRegistered(QStringLiteral("201")));
    QVERIFY(prompts.shown.isEmpty());
}

// The PBX corrects a SIP password its registrar refused: the identities it
// sends next bring the new password, and the softphone registers with it
// without a restart.
void TestSessionSoftphone::correctedSipPasswordRegisters()
{
    SessionFixture f;
    QString error;
    QVERIFY2(listenForSoftphones(f, &error), qPrintable(error));
    const PbxSimData original = giveWrongSipPassword(f);
    ScriptedPrompts prompts;
    MPGui w{softphoneConfig(f)};
    w.start();
    PhoneBackends *phones = w.phoneBackends();
    withInstalledSoundsAndDevices(phones);
    int failed = 0;
    connect(phones, &PhoneBackends::phoneEngineReady, this,
            [&failed](MPEngine *e) { connect(e, &MPEngine::sigRegistrationFail, e, [&failed] { ++failed; }); });
    QVERIFY(waitForLogin(w));
    QTRY_COMPARE_WITH_TIMEOUT(failed, 1, testsupport::kConditionWaitMs);
    QCOMPARE(widgetOf<QLabel>(w, QStringLiteral("lblAccountInfo"))->text(), QStringLiteral("Telefono non registrato"));

    // The PBX's next identities carry the right password.
    f.sim->setData(original);
    QVERIFY(QMetaObject::invokeMethod(&w, "refreshIdentities"));
    QTRY_VERIFY_WITH_TIMEOUT(phones->isSipRegistered(), testsupport::kConditionWaitMs);
    QVERIFY(f.sim->isSipRegistered(QStringLiteral("201")));
    QTRY_VERIFY_WITH_TIMEOUT(widgetOf<QLabel>(w, QStringLiteral("lblAccountInfo"))->text() !=
                                 QStringLiteral("Telefono non registrato"),
                             testsupport::kConditionWaitMs);
    QVERIFY(prompts.shown.isEmpty());
}

// Someone other than the PBX sends the registered softphone an INVITE, well
// formed or without a Via: it is refused (403, 400) and the window shows no
// ringing call; the PBX's own call rings as always.
void TestSessionSoftphone::strangersCallsDoNotRing()
{
    SessionFixture f;
    QString error;
    QVERIFY2(listenForSoftphones(f, &error), qPrintable(error));
    ScriptedPrompts prompts;
    MPGui w{softphoneConfig(f)};
    w.start();
    PhoneBackends *phones = w.phoneBackends();
    withInstalledSoundsAndDevices(phones);
    QVERIFY(waitForLogin(w));
    QTRY_VERIFY_WITH_TIMEOUT(phones->isSipRegistered(), 10000);
    const QString contact = f.sim->sipContactOf(QStringLiteral("201"));
    const quint16 phonePort = quint16(contact.section(QLatin1Char(':'), -1).section(QLatin1Char(';'), 0, 0).toUInt());
    QVERIFY2(phonePort > 0, qPrintable(contact));

    QUdpSocket stranger;
    QVERIFY(stranger.bind(QHostAddress(QHostAddress::LocalHost), 0));
    const QByteArray sdp = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n"
                           "m=audio 40000 RTP/AVP 8 0\r\n";
    auto invite = [&](bool via) {
        const QByteArray id = QByteArray::number(QRandomGenerator::global()->generate());
        const QByteArray port = QByteArray::number(stranger.localPort());
        return "INVITE sip:201@127.0.0.1 SIP/2.0\r\n" +
               (via ? "Via: SIP/2.0/UDP 127.0.0.1:" + port + ";branch=z9hG4bK" + id + ";rport\r\n" : QByteArray()) +
               "Max-Forwards: 70\r\nFrom: \"Sconosciuto\" <sip:0299999999@127.0.0.1>;tag=" + id +
               "\r\nTo: <sip:201@127.0.0.1>\r\nCall-ID: " + id +
               "@stranger\r\nCSeq: 1 INVITE\r\n"
               "Contact: <sip:0299999999@127.0.0.1:" +
               port + ">\r\nContent-Type: application/sdp\r\nContent-Length: " + QByteArray::number(sdp.size()) +
               "\r\n\r\n" + sdp;
    };
    auto finalAnswer = [&](const QByteArray &message) {
        stranger.writeDatagram(message, QHostAddress::LocalHost, phonePort);
        QByteArray reply;
        (void)QTest::qWaitFor(
            [&] {
                while (stranger.hasPendingDatagrams()) {
                    QByteArray d(int(stranger.pendingDatagramSize()), '\0');
                    stranger.readDatagram(d.data(), d.size());
                    if (d.startsWith("SIP/2.0 ") && !d.startsWith("SIP/2.0 1"))
                        reply = d;
                }
                return !reply.isEmpty();
            },
            10000);
        return reply.left(11);
    };
    QCOMPARE(finalAnswer(invite(true)), QByteArray("SIP/2.0 403"));
    QCOMPARE(finalAnswer(invite(false)), QByteArray("SIP/2.0 400"));
    QVERIFY(w.callLines()->ringingLines().isEmpty());

    // The PBX's call rings, and only it.
    QVERIFY(!f.sim->injectIncomingCall(QStringLiteral("0298765432"), QStringLiteral("201")).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(w.callLines()->ringingLines().size(), 1, 10000);
    QVERIFY(prompts.shown.isEmpty());
}

DESKLINE_TEST_MAIN(TestSessionSoftphone)
#include "tst_session_softphone.moc"
