// Call actions of a main window in the two phone modes, logged in to the
// simulated PBX: the desk phone (the simulator plays the user's Snom) and the
// softphone (its engine registered on the simulator's SIP side). The user
// answers from the ringing line, holds and retrieves with F5 and Ctrl+F5,
// transfers blind (the line button, then the target typed in the number
// field) and attended (F7, the target, F7 again); the simulator's trace shows
// what reached the phone.
#include "../apiserver/apiclient.h"
#include "apiserver/clientapiserver.h"
#include "calls/calllines.h"
#include "mainwindow/customshortcut.h"
#include "phone/mpengine.h"
#include "phone/phoneapi.h"
#include "phone/phonebackends.h"
#include "phonewindow.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testhelpers.h"
#include "testmain.h"
#include "widgets/customlineedit.h"
#include "widgets/wdgactiveline.h"
#include "widgets/wdgballoonmessage.h"
#include "widgets/wdgincomingcallline.h"
#include "widgets/wdgonholdline.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSignalSpy>

using namespace sessiontest;

class TestSessionPhoneControl : public QObject
{
    Q_OBJECT
private slots:
    void answerHoldRetrieve_data();
    void answerHoldRetrieve();
    void blindTransfer_data();
    void blindTransfer();
    void attendedTransfer_data();
    void attendedTransfer();
    void softphoneForwardsFromTheBalloon();
    void attendedTransferFromALocalProgram();
    void hangupAllCallsShutsTheEngineDown();
    void keypadDigitsReachTheCall();
    void headsetHangsUp();
};

void TestSessionPhoneControl::answerHoldRetrieve_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("desk phone") << 1;
    QTest::newRow("softphone") << 2;
}

void TestSessionPhoneControl::answerHoldRetrieve()
{
    QFETCH(int, mode);
    PhoneWindow p;
    QVERIFY(p.start(mode));
    const qint64 line = p.answeredCall(QStringLiteral("00612345678"));
    QVERIFY(line != -1);
    if (mode == 1)
        QTRY_COMPARE(traced(p.trace, QStringLiteral("phoneAnswer")).size(), 1);

    // F5 holds the current line; the held widget follows the confirmation.
    p.key("F5");
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->heldLines().contains(line), 10000);
    QCOMPARE(p.calls()->heldOrder(), QList<qint64>{line});
    if (mode == 1)
        QCOMPARE(traced(p.trace, QStringLiteral("phoneHold")).size(), 1);

    // Ctrl+F5 takes back the line held longest.
    p.key("Ctrl+F5");
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->heldLines().isEmpty(), 10000);
    QTRY_COMPARE(p.calls()->activeLines().value(line)->getCallStatus(), 1);
    if (mode == 1)
        QCOMPARE(traced(p.trace, QStringLiteral("phoneResume")).size(), 1);

    // End hangs it up.
    p.key("End");
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->activeLines().isEmpty(), 10000);
    QTRY_COMPARE(p.f.sim->activeCallCount(), 0);
}

void TestSessionPhoneControl::blindTransfer_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("desk phone") << 1;
    QTest::newRow("softphone") << 2;
}

void TestSessionPhoneControl::blindTransfer()
{
    QFETCH(int, mode);
    PhoneWindow p;
    QVERIFY(p.start(mode));
    const qint64 line = p.answeredCall(QStringLiteral("00612345678"));
    QVERIFY(line != -1);
    wdgActiveLine *active = p.calls()->activeLines().value(line);

    // The line's blind-transfer button holds the call and asks for the target
    // in the number field.
    QAbstractButton *blind = testsupport::child<QAbstractButton>(*active, QStringLiteral("btnUnattendTransfer"));
    QVERIFY(blind->isVisibleTo(active) && blind->isEnabled());
    QTest::mouseClick(blind, Qt::LeftButton);
    QTRY_COMPARE(p.calls()->blindTransferLine(), line);
    QCOMPARE(p.field()->placeholderText(), QStringLiteral("Digita il numero a cui trasferire"));
    QCOMPARE(active->getCallStatus(), 2);
    // No new call can start meanwhile: Enter gives the number to the transfer.
    p.typeAndEnter(QStringLiteral("203"));
    if (mode == 1) {
        QTRY_COMPARE(traced(p.trace, QStringLiteral("phoneTransfer")).size(), 1);
        QCOMPARE(traced(p.trace, QStringLiteral("phoneTransfer")).first().value(QStringLiteral("number")).toString(),
                 QStringLiteral("203"));
        QCOMPARE(traced(p.trace, QStringLiteral("phoneHold")).size(), 1);
    }
    QVERIFY(p.field()->placeholderText().isEmpty());
    // The caller goes on to 203; the user's line ends.
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->activeLines().isEmpty() && p.calls()->heldLines().isEmpty(), 10000);
    QCOMPARE(p.calls()->blindTransferLine(), qint64(-1));
    QTRY_COMPARE(p.f.sim->activeCallCount(), 1);
    QVERIFY(traced(p.trace, QStringLiteral("phoneMakeCall")).isEmpty());
    QVERIFY(traced(p.trace, QStringLiteral("newCall")).isEmpty());
}

void TestSessionPhoneControl::attendedTransfer_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("desk phone") << 1;
    QTest::newRow("softphone") << 2;
}

void TestSessionPhoneControl::attendedTransfer()
{
    QFETCH(int, mode);
    PhoneWindow p;
    QVERIFY(p.start(mode));
    const qint64 line = p.answeredCall(QStringLiteral("00612345678"));
    QVERIFY(line != -1);

    // F7 holds the line and asks for the target; the consultation call goes
    // out on Enter.
    p.key("F7");
    QTRY_COMPARE(p.calls()->attendedTransferLine(), line);
    QCOMPARE(p.calls()->activeLines().value(line)->getCallStatus(), 2);
    p.typeAndEnter(QStringLiteral("203"));
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->consultationLine() != -1, 10000);
    const qint64 consultation = p.calls()->consultationLine();
    QVERIFY(consultation != line);
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->activeLines().value(consultation) &&
                                 p.calls()->activeLines().value(consultation)->getCallStatus() == 1,
                             10000);
    if (mode == 1) {
        QCOMPARE(traced(p.trace, QStringLiteral("phoneMakeCall")).size(), 1);
        QCOMPARE(traced(p.trace, QStringLiteral("phoneMakeCall")).first().value(QStringLiteral("number")).toString(),
                 QStringLiteral("203"));
    } else {
        QTRY_COMPARE(traced(p.trace, QStringLiteral("sipInvite")).size(), 1);
        QCOMPARE(traced(p.trace, QStringLiteral("sipInvite")).first().value(QStringLiteral("target")).toString(),
                 QStringLiteral("203"));
    }

    // F7 again completes: the desk phone by its transfer key, the softphone
    // by joining the two calls.
    p.key("F7");
    if (mode == 1) {
        QTRY_VERIFY(!traced(p.trace, QStringLiteral("phonePressKeys")).isEmpty());
        QCOMPARE(traced(p.trace, QStringLiteral("phonePressKeys"))
                     .last()
                     .value(QStringLiteral("keys"))
                     .toArray()
                     .last()
                     .toString(),
                 QStringLiteral("TRANSFER"));
        return;
    }
    // The two far ends are joined (a transfer with Replaces, which the
    // simulator ends as transferred on both calls); no hang-up was asked.
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->activeLines().isEmpty() && p.calls()->heldLines().isEmpty(), 10000);
    QTRY_COMPARE(p.f.sim->activeCallCount(), 0);
    QVERIFY(traced(p.trace, QStringLiteral("hangupCall")).isEmpty());
    QCOMPARE(p.calls()->attendedTransferLine(), qint64(-1));
}

void TestSessionPhoneControl::softphoneForwardsFromTheBalloon()
{
    PhoneWindow p;
    QVERIFY(p.start(2));
    p.f.sim->injectIncomingCall(QStringLiteral("00612345678"), QStringLiteral("201"));
    QTRY_COMPARE_WITH_TIMEOUT(p.calls()->ringingLines().size(), 1, 10000);
    const qint64 line = p.calls()->ringingLines().firstKey();
    QTRY_VERIFY(p.calls()->balloon(Balloon::IncomingCallBalloon, line));
    p.prompts.textNext(QStringLiteral("203"));
    wdgBalloonMessage *balloon = p.calls()->balloon(Balloon::IncomingCallBalloon, line);
    QVERIFY(testsupport::child<QAbstractButton>(*balloon, QStringLiteral("btnTransferCall"))->isVisibleTo(balloon));
    testsupport::clickButton(*balloon, QStringLiteral("btnTransferCall"));
    QCOMPARE(p.prompts.textRequests.size(), 1);
    // The engine sends the call on; the ringing line goes, the caller now
    // rings 203.
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->ringingLines().isEmpty(), 10000);
    QVERIFY(p.calls()->activeLines().isEmpty());
    QTRY_COMPARE(p.f.sim->activeCallCount(), 1);
}

void TestSessionPhoneControl::attendedTransferFromALocalProgram()
{
    PhoneWindow p;
    QVERIFY(p.start(2));
    ClientApiServer *server = p.w->localApiServer();
    QVERIFY(server);
    server->close();
    QVERIFY(server->listen(QHostAddress::LocalHost, 0));
    const qint64 line = p.answeredCall(QStringLiteral("00612345678"));
    QVERIFY(line != -1);
    apitest::ApiClient client;
    client.exchange(server->serverPort(),
                    apitest::httpPost(apitest::apiBody(
                        QStringLiteral("<attendedTransferCall><xferTo>203</xferTo></attendedTransferCall>"),
                        QStringLiteral("demo"), apitest::md5("demo"))));
    // The current line is held and the consultation call goes out.
    QTRY_COMPARE(p.calls()->attendedTransferLine(), line);
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->consultationLine() != -1, 10000);
    QTRY_COMPARE(traced(p.trace, QStringLiteral("sipInvite")).size(), 1);
    QCOMPARE(p.calls()->activeLines().value(line)->getCallStatus(), 2);
    // Delete cancels: the consultation call ends, the line comes back.
    p.key("Del");
    QTRY_COMPARE_WITH_TIMEOUT(p.calls()->activeLines().keys(), QList<qint64>{line}, 10000);
    QVERIFY(p.calls()->heldLines().isEmpty());
    QCOMPARE(p.calls()->activeLines().value(line)->getCallStatus(), 1);
    QCOMPARE(p.calls()->attendedTransferLine(), qint64(-1));
}

void TestSessionPhoneControl::hangupAllCallsShutsTheEngineDown()
{
    PhoneWindow p;
    QVERIFY(p.start(2));
    QVERIFY(p.answeredCall(QStringLiteral("00612345678")) != -1);
    QPointer<MPEngine> engine(p.w->phoneBackends()->engine());
    p.w->hangupAllCalls(false);
    // Every line goes, the engine with its calls.
    QVERIFY(p.calls()->activeLines().isEmpty());
    QVERIFY(!p.w->phoneBackends()->engine());
    QTRY_VERIFY(!engine);
    QTRY_COMPARE_WITH_TIMEOUT(p.f.sim->activeCallCount(), 0, 10000);
}

void TestSessionPhoneControl::keypadDigitsReachTheCall()
{
    PhoneWindow p;
    QVERIFY(p.start(2));
    QSignalSpy digits(p.f.sim.get(), &PbxSimulator::sipDigitReceived);
    QVERIFY(p.answeredCall(QStringLiteral("00612345678")) != -1);
    for (const char *key : {"bt4", "btPound"})
        testsupport::clickButton(*p.w, QString::fromLatin1(key));
    QTRY_COMPARE_WITH_TIMEOUT(digits.count(), 2, 10000);
    QCOMPARE(digits.at(0).at(1).value<QChar>(), QChar('4'));
    QCOMPARE(digits.at(1).at(1).value<QChar>(), QChar('#'));
}

void TestSessionPhoneControl::headsetHangsUp()
{
    PhoneWindow p;
    QVERIFY(p.start(2));
    const qint64 line = p.answeredCall(QStringLiteral("00612345678"));
    QVERIFY(line != -1);
    emit p.w->phoneBackends()->engine()->sigPlantronicsHangupRequest(line);
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->activeLines().isEmpty(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(p.f.sim->activeCallCount(), 0, 10000);
}

DESKLINE_TEST_MAIN(TestSessionPhoneControl)
#include "tst_session_phonecontrol.moc"
