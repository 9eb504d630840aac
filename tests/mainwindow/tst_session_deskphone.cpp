// Desk-phone mode against the simulated PBX: the demo user's Snom (or a
// Yealink) is authorised, its calls become driver signals, do-not-disturb
// follows the phone, and transfers reach the PBX as the brand's commands.
#include "phone/phoneapi.h"
#include "phone/phonebackends.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testmain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

using namespace sessiontest;

namespace
{
PbxSimData dataWithPhone(const QString &userAgent, const QString &vendor)
{
    PbxSimData data = PbxSimData::demo();
    for (auto it = data.users.begin(); it != data.users.end(); ++it) {
        for (IdentityEntry &id : it->identities) {
            id.phoneUserAgent = userAgent;
            id.phoneVendor = vendor;
        }
    }
    return data;
}

MctiConfig deskPhoneConfig(const SessionFixture &f)
{
    MctiConfig c = f.config(QStringLiteral("demo"), QStringLiteral("demo"), 1);
    c.account.set(QStringLiteral("201"));
    return c;
}
} // namespace

class TestSessionDeskPhone : public QObject
{
    Q_OBJECT
private slots:
    void callsAndDnd();
    void transferPerBrand_data();
    void transferPerBrand();
    void refusedPhoneGivesNoDriver();
};

void TestSessionDeskPhone::callsAndDnd()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{deskPhoneConfig(f)};
    QVERIFY(startAndLogin(w));
    PhoneBackends *phones = w.phoneBackends();
    QTRY_VERIFY(phones->deskPhone());
    PhoneApi *api = phones->deskPhone();
    QCOMPARE(api->brand(), int(PhoneApi::BrandSnom));
    QCOMPARE(phones->phoneName(), QStringLiteral("Snom D785"));
    auto *lblAccountInfo = widgetOf<QLabel>(w, QStringLiteral("lblAccountInfo"));
    QCOMPARE(lblAccountInfo->text(), QStringLiteral("Tel. associato: Snom D785"));
    QVERIFY(widgetOf<QPushButton>(w, QStringLiteral("btnDnd"))->isEnabled());

    // An incoming call: rings, is answered from the window's driver, ends.
    QSignalSpy incoming(api, &PhoneApi::sigIncomingCall);
    QSignalSpy connected(api, &PhoneApi::sigConnectedCall);
    QSignalSpy ended(api, &PhoneApi::sigDisconnectedCall);
    f.sim->injectIncomingCall(QStringLiteral("0612345678"), QStringLiteral("201"));
    QTRY_COMPARE(incoming.count(), 1);
    const qlonglong line = incoming.first().at(2).toLongLong();
    QCOMPARE(line, 0);
    QCOMPARE(incoming.first().at(0).toString(), QStringLiteral("0612345678"));
    QVERIFY(api->answerCall(line));
    QTRY_COMPARE(connected.count(), 1);
    QCOMPARE(connected.first().at(2).toLongLong(), line);
    QVERIFY(api->hangupCall(line));
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(ended.first().at(2).toLongLong(), line);
    QVERIFY(api->lineIds().isEmpty());

    // An outgoing call gets the next line id.
    QSignalSpy outgoing(api, &PhoneApi::sigOutgoingCall);
    QVERIFY(api->dialNumber(QStringLiteral("202"), QString()));
    QTRY_COMPARE(outgoing.count(), 1);
    QCOMPARE(outgoing.first().at(2).toLongLong(), 1);

    // Do-not-disturb follows the phone.
    QSignalSpy dnd(api, &PhoneApi::sigDndStatusChanged);
    QVERIFY(api->pressKey(QStringLiteral("DNDOn")));
    QTRY_COMPARE(dnd.count(), 1);
    QCOMPARE(dnd.first().at(0).toBool(), true);
    QVERIFY(api->pressKey(QStringLiteral("DNDOff")));
    QTRY_COMPARE(dnd.count(), 2);
    QCOMPARE(dnd.at(1).at(0).toBool(), false);

    // The end of the session drops the driver.
    QPointer<PhoneApi> driver(api);
    w.disconnectFromM();
    QTRY_VERIFY(!phones->deskPhone());
    QTRY_VERIFY(!driver);
}

void TestSessionDeskPhone::transferPerBrand_data()
{
    QTest::addColumn<QString>("agent");
    QTest::addColumn<QString>("vendor");
    QTest::addColumn<QString>("command");
    QTest::newRow("snom") << "snomD785/10.1.54.13"
                          << "snom"
                          << "phoneTransfer";
    QTest::newRow("yealink") << "Yealink SIP-T46S 66.86.0.15"
                             << "Yealink"
                             << "phonePressKeys";
}

void TestSessionDeskPhone::transferPerBrand()
{
    QFETCH(QString, agent);
    QFETCH(QString, vendor);
    QFETCH(QString, command);
    SessionFixture f(dataWithPhone(agent, vendor));
    const QString trace = f.dir.filePath(QStringLiteral("trace.jsonl"));
    QVERIFY(f.sim->setTraceFile(trace));
    ScriptedPrompts prompts;
    MPGui w{deskPhoneConfig(f)};
    QVERIFY(startAndLogin(w));
    QTRY_VERIFY(w.phoneBackends()->deskPhone());
    PhoneApi *api = w.phoneBackends()->deskPhone();

    QSignalSpy incoming(api, &PhoneApi::sigIncomingCall);
    QSignalSpy ended(api, &PhoneApi::sigDisconnectedCall);
    f.sim->injectIncomingCall(QStringLiteral("0612345678"), QStringLiteral("201"));
    QTRY_COMPARE(incoming.count(), 1);
    const qlonglong line = incoming.first().at(2).toLongLong();
    QVERIFY(api->redirectCall(QStringLiteral("203"), line));
    // The call leaves the desk phone for 203.
    QTRY_COMPARE(ended.count(), 1);

    const QList<QJsonObject> sent = traced(trace, command);
    QCOMPARE(sent.size(), 1);
    if (command == QLatin1String("phoneTransfer")) {
        QCOMPARE(sent.first().value(QStringLiteral("number")).toString(), QStringLiteral("203"));
        QVERIFY(!sent.first().value(QStringLiteral("cstaId")).toString().isEmpty());
    } else {
        QCOMPARE(sent.first().value(QStringLiteral("keys")).toArray().toVariantList(),
                 (QVariantList{"TRANSFER", "", "2", "0", "3", "", "POUND"}));
    }
}

void TestSessionDeskPhone::refusedPhoneGivesNoDriver()
{
    PbxSimData data = PbxSimData::demo();
    for (auto it = data.users.begin(); it != data.users.end(); ++it)
        it->deskPhoneAuthorized = false;
    SessionFixture f(data);
    ScriptedPrompts prompts;
    MPGui w{deskPhoneConfig(f)};
    QVERIFY(startAndLogin(w));
    QTRY_COMPARE(prompts.trayMessages.size() >= 2, true);
    bool told = false;
    for (const auto &m : prompts.trayMessages)
        told = told || m.text.startsWith(QStringLiteral("Errore di autenticazione sul telefono associato."));
    QVERIFY(told);
    QVERIFY(!w.phoneBackends()->deskPhone());
    QVERIFY(widgetOf<QLabel>(w, QStringLiteral("lblAccountInfo"))->isHidden());
}

DESKLINE_TEST_MAIN(TestSessionDeskPhone)
#include "tst_session_deskphone.moc"
