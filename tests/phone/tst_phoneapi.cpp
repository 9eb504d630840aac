// Desk-phone driver: line ids, phone events, the per-brand commands and the
// paced DTMF queue. The CTI library object is never connected; its phone
// events are emitted by hand and the driver's commands are caught.
#include "ctilib.h"
#include "phone/phoneapi.h"
#include "testmain.h"

#include <QSignalSpy>
#include <QTimer>

Q_DECLARE_METATYPE(PhoneCommand)

namespace
{
const QString Empty;

PhoneCommand cmd(const QString &name, const QString &csta = {}, const QString &number = {}, const QString &account = {},
                 const QStringList &list = {})
{
    return PhoneCommand{name, csta, number, account, list};
}

// One driver over an unconnected CTI object, with its commands recorded.
struct Fixture {
    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()};
    ServicesDialCodesMap codes;
    QList<PhoneCommand> sent;
    std::unique_ptr<PhoneApi> api;

    explicit Fixture(int brand = PhoneApi::BrandSnom)
    {
        api.reset(new PhoneApi(&cti, QStringLiteral("201"), QStringLiteral("127.0.0.1"), QString(), brand, codes));
        QObject::connect(api.get(), &PhoneApi::commandSent, [this](const PhoneCommand &c) { sent.append(c); });
    }
    qlonglong incoming(const QString &csta, const QString &num = QStringLiteral("0612345"))
    {
        QSignalSpy spy(api.get(), &PhoneApi::sigIncomingCall);
        emit cti.phoneEventIncomingCall(num, QStringLiteral("Mario"), csta);
        return spy.count() == 1 ? spy.first().at(2).toLongLong() : -2;
    }
    QTimer *dtmfTimer() const { return api->dtmfTimer(); }
};

// Lets the DTMF timer fire once, as its timeout would.
void fireDtmfTimer(PhoneApi &api)
{
    QMetaObject::invokeMethod(&api, "processNextDtmfSequence");
}
} // namespace

class TestPhoneApi : public QObject
{
    Q_OBJECT
private slots:
    void construction();
    void lineIdsNeverReused();
    void incomingEstablishedEnded();
    void establishedWithoutIncoming();
    void repeatedCstaIdEndsEveryLine_data();
    void repeatedCstaIdEndsEveryLine();
    void parkingSlotNameSwap_data();
    void parkingSlotNameSwap();
    void holdUnholdAndDnd();
    void lookupsAndLineMaintenance();
    void setDisconnectedStopsEventsAndCommands();
    void lineCommands();
    void brandCommands_data();
    void brandCommands();
    void unknownLineSendsNothing();
    void serviceCodeCommands_data();
    void serviceCodeCommands();
    void dtmfPacing_data();
    void dtmfPacing();
    void dtmfSecondRequestWaits();
    void dtmfEndedLineIsDropped();
    void dtmfIgnoresEmptyRequests();
};

void TestPhoneApi::construction()
{
    Fixture f;
    QVERIFY(f.api->isInitialized());
    QVERIFY(f.dtmfTimer());

    ServicesDialCodesMap codes;
    PhoneApi unbound(nullptr, QString(), QString(), QString(), PhoneApi::BrandSnom, codes);
    QVERIFY(!unbound.isInitialized());
    QVERIFY(!unbound.dialNumber(QStringLiteral("201"), QString()));
}

void TestPhoneApi::lineIdsNeverReused()
{
    Fixture f;
    QCOMPARE(f.incoming(QStringLiteral("a")), 0);
    QCOMPARE(f.incoming(QStringLiteral("b")), 1);
    emit f.cti.phoneEventEndedCall(QString(), QString(), QStringLiteral("a"));
    emit f.cti.phoneEventEndedCall(QString(), QString(), QStringLiteral("b"));
    QVERIFY(f.api->lineIds().isEmpty());
    QSignalSpy out(f.api.get(), &PhoneApi::sigOutgoingCall);
    emit f.cti.phoneEventOutgoingCall(QStringLiteral("202"), QString(), QStringLiteral("c"));
    QCOMPARE(out.first().at(2).toLongLong(), 2);

    // A new driver object starts again at 0.
    Fixture g;
    QCOMPARE(g.incoming(QStringLiteral("x")), 0);
}

void TestPhoneApi::incomingEstablishedEnded()
{
    Fixture f;
    QSignalSpy connected(f.api.get(), &PhoneApi::sigConnectedCall);
    QSignalSpy ended(f.api.get(), &PhoneApi::sigDisconnectedCall);
    const qlonglong id = f.incoming(QStringLiteral("c1"), QStringLiteral("0612345"));
    emit f.cti.phoneEventEstablishedCall(QStringLiteral("0612345"), QStringLiteral("Mario"), QStringLiteral("c1"));
    QCOMPARE(connected.count(), 1);
    QCOMPARE(connected.first(), (QList<QVariant>{QStringLiteral("0612345"), QStringLiteral("Mario"), id}));
    emit f.cti.phoneEventEndedCall(QStringLiteral("0612345"), QStringLiteral("Mario"), QStringLiteral("c1"));
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().at(2).toLongLong(), id);
    QCOMPARE(f.api->getLineIdFromCstaId(QStringLiteral("c1")), -1);

    // Ended and missed events of an unknown call change nothing.
    QSignalSpy missed(f.api.get(), &PhoneApi::sigMissedCall);
    emit f.cti.phoneEventEndedCall(QString(), QString(), QStringLiteral("c1"));
    emit f.cti.phoneEventMissedCall(QString(), QString(), QStringLiteral("zz"));
    QCOMPARE(ended.count(), 1);
    QCOMPARE(missed.count(), 0);

    const qlonglong m = f.incoming(QStringLiteral("c2"));
    emit f.cti.phoneEventMissedCall(QStringLiteral("0612345"), QString(), QStringLiteral("c2"));
    QCOMPARE(missed.count(), 1);
    QCOMPARE(missed.first().at(2).toLongLong(), m);
    QVERIFY(f.api->lineIds().isEmpty());
}

void TestPhoneApi::establishedWithoutIncoming()
{
    Fixture f;
    QSignalSpy connected(f.api.get(), &PhoneApi::sigConnectedCall);
    emit f.cti.phoneEventEstablishedCall(QStringLiteral("203"), QString(), QStringLiteral("new"));
    QCOMPARE(connected.count(), 1);
    QCOMPARE(connected.first().at(2).toLongLong(), 0);
    QCOMPARE(f.api->getLineIdFromCstaId(QStringLiteral("new")), 0);
    QCOMPARE(f.api->getLineIdFromCaller(QStringLiteral("203")), 0);
}

void TestPhoneApi::repeatedCstaIdEndsEveryLine_data()
{
    QTest::addColumn<bool>("missed");
    QTest::newRow("ended") << false;
    QTest::newRow("missed") << true;
}

void TestPhoneApi::repeatedCstaIdEndsEveryLine()
{
    // Two incoming events with the same call id make two lines; the end of
    // that call must end both, or the second would stay for ever.
    QFETCH(bool, missed);
    Fixture f;
    const qlonglong first = f.incoming(QStringLiteral("dup"));
    const qlonglong second = f.incoming(QStringLiteral("dup"));
    const qlonglong other = f.incoming(QStringLiteral("other"));
    QCOMPARE(f.api->getLineIdFromCstaId(QStringLiteral("dup")), first);
    QSignalSpy ended(f.api.get(), missed ? &PhoneApi::sigMissedCall : &PhoneApi::sigDisconnectedCall);
    if (missed)
        emit f.cti.phoneEventMissedCall(QStringLiteral("0612345"), QString(), QStringLiteral("dup"));
    else
        emit f.cti.phoneEventEndedCall(QStringLiteral("0612345"), QString(), QStringLiteral("dup"));
    QCOMPARE(ended.count(), 2);
    QCOMPARE(ended.at(0).at(2).toLongLong(), first);
    QCOMPARE(ended.at(1).at(2).toLongLong(), second);
    QCOMPARE(f.api->lineIds(), QList<qlonglong>{other});
}

void TestPhoneApi::parkingSlotNameSwap_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("swapped");
    QTest::newRow("inside") << "701"
                            << "720"
                            << "705" << true;
    QTest::newRow("first slot") << "701"
                                << "720"
                                << "701" << true;
    QTest::newRow("last slot") << "701"
                               << "720"
                               << "720" << true;
    QTest::newRow("above") << "701"
                           << "720"
                           << "721" << false;
    QTest::newRow("not a number") << "701"
                                  << "720"
                                  << "abc" << false;
    QTest::newRow("no last") << "701"
                             << ""
                             << "705" << false;
    QTest::newRow("last not above first") << "701"
                                          << "701"
                                          << "701" << false;
    QTest::newRow("first zero") << "0"
                                << "720"
                                << "705" << false;
    QTest::newRow("first not numeric") << "x"
                                       << "720"
                                       << "705" << false;
}

void TestPhoneApi::parkingSlotNameSwap()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, number);
    QFETCH(bool, swapped);
    Fixture f;
    f.codes.insert(CTILIB::ServiceDialCodeType(7), first);
    if (!last.isEmpty())
        f.codes.insert(CTILIB::ServiceDialCodeType(8), last);
    QSignalSpy connected(f.api.get(), &PhoneApi::sigConnectedCall);
    emit f.cti.phoneEventEstablishedCall(number, QStringLiteral("0298765"), QStringLiteral("p"));
    QCOMPARE(connected.count(), 1);
    QCOMPARE(connected.first().at(0).toString(), swapped ? QStringLiteral("0298765") : number);
    QCOMPARE(connected.first().at(1).toString(), swapped ? QString() : QStringLiteral("0298765"));
}

void TestPhoneApi::holdUnholdAndDnd()
{
    Fixture f;
    QSignalSpy hold(f.api.get(), &PhoneApi::sigHoldCall);
    QSignalSpy dnd(f.api.get(), &PhoneApi::sigDndStatusChanged);
    const qlonglong id = f.incoming(QStringLiteral("h"));
    emit f.cti.phoneEventHoldCall(QString(), QString(), QStringLiteral("h"));
    emit f.cti.phoneEventUnholdCall(QString(), QString(), QStringLiteral("h"));
    emit f.cti.phoneEventHoldCall(QString(), QString(), QStringLiteral("unknown"));
    QCOMPARE(hold.count(), 2);
    QCOMPARE(hold.at(0), (QList<QVariant>{id, false}));
    QCOMPARE(hold.at(1), (QList<QVariant>{id, true}));
    emit f.cti.phoneEventDnd(true);
    emit f.cti.phoneEventDnd(false);
    QCOMPARE(dnd.count(), 2);
    QCOMPARE(dnd.at(0).at(0).toBool(), true);
    QCOMPARE(dnd.at(1).at(0).toBool(), false);
}

void TestPhoneApi::lookupsAndLineMaintenance()
{
    Fixture f;
    const qlonglong id = f.incoming(QStringLiteral("L"), QStringLiteral("111"));
    QCOMPARE(f.api->getCstaIdFromLineId(id), QStringLiteral("L"));
    QCOMPARE(f.api->getCstaIdFromLineId(99), QString());
    QCOMPARE(f.api->getLineIdFromCstaId(QStringLiteral("l")), -1); // case-sensitive
    QVERIFY(!f.api->updateLineRemote(99, QStringLiteral("222"), QString()));
    QCOMPARE(f.api->getLineIdFromCaller(QStringLiteral("111")), id);
    QVERIFY(f.api->updateLineRemote(id, QStringLiteral("222"), QString()));
    QCOMPARE(f.api->getLineIdFromCaller(QStringLiteral("111")), -1);
    QCOMPARE(f.api->getLineIdFromCaller(QStringLiteral("222")), id);
    f.api->setFinishedCall(id);
    f.api->setFinishedCall(id);
    QVERIFY(f.api->lineIds().isEmpty());
}

void TestPhoneApi::setDisconnectedStopsEventsAndCommands()
{
    Fixture f;
    const qlonglong id = f.incoming(QStringLiteral("d"));
    f.api->setDisconnected();
    QSignalSpy incoming(f.api.get(), &PhoneApi::sigIncomingCall);
    QSignalSpy ended(f.api.get(), &PhoneApi::sigDisconnectedCall);
    emit f.cti.phoneEventIncomingCall(QString(), QString(), QStringLiteral("e"));
    emit f.cti.phoneEventEndedCall(QString(), QString(), QStringLiteral("d"));
    QCOMPARE(incoming.count(), 0);
    QCOMPARE(ended.count(), 0);
    QVERIFY(!f.api->hangupCall(id));
    QVERIFY(!f.api->dialNumber(QStringLiteral("202"), QString()));
    QVERIFY(!f.api->pressKey(QStringLiteral("DNDOn")));
    QVERIFY(f.sent.isEmpty());
}

void TestPhoneApi::lineCommands()
{
    Fixture f;
    const qlonglong a = f.incoming(QStringLiteral("A"));
    const qlonglong b = f.incoming(QStringLiteral("B"));
    QVERIFY(f.api->answerCall(a));
    QVERIFY(f.api->hangupCall(a));
    QVERIFY(f.api->putCallOnHold(a));
    QVERIFY(f.api->retrieveCall(b));
    QVERIFY(f.api->unattendedTransfer(QStringLiteral("203"), b));
    QVERIFY(f.api->completeTransfer(a, b));
    QVERIFY(f.api->dialNumber(QStringLiteral("204"), QStringLiteral("acc")));
    QVERIFY(f.api->pressKey(QStringLiteral("DNDOff")));
    const QList<PhoneCommand> expected{cmd("answer", "A"),
                                       cmd("hangup", "A"),
                                       cmd("hold", "A"),
                                       cmd("resume", "B"),
                                       cmd("transfer", "B", "203"),
                                       cmd("pressKeys", {}, {}, {}, {"TRANSFER"}),
                                       cmd("makeCall", {}, "204", "acc"),
                                       cmd("pressKeys", {}, {}, {}, {"DNDOff"})};
    QCOMPARE(f.sent, expected);
}

void TestPhoneApi::brandCommands_data()
{
    QTest::addColumn<int>("brand");
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QList<PhoneCommand>>("expected");
    const QStringList keys{"TRANSFER", "", "1", "2", "3", "", "POUND"};
    QTest::newRow("snom redirect") << 1 << "redirect" << true << QList<PhoneCommand>{cmd("transfer", "C", "123")};
    QTest::newRow("yealink redirect") << 2 << "redirect" << true
                                      << QList<PhoneCommand>{cmd("pressKeys", {}, {}, {}, keys)};
    QTest::newRow("grandstream redirect") << 4 << "redirect" << false << QList<PhoneCommand>{};
    QTest::newRow("snom second call") << 1 << "second" << true
                                      << QList<PhoneCommand>{cmd("makeCall", {}, "123", "acc")};
    QTest::newRow("yealink second call") << 2 << "second" << true
                                         << QList<PhoneCommand>{cmd("pressKeys", {}, {}, {}, keys)};
    QTest::newRow("grandstream second call") << 4 << "second" << false << QList<PhoneCommand>{};
    QTest::newRow("snom attended start") << 1 << "atxfer" << true << QList<PhoneCommand>{cmd("hold", "C")};
    QTest::newRow("yealink attended start")
        << 2 << "atxfer" << true << QList<PhoneCommand>{cmd("pressKeys", {}, {}, {}, {"TRANSFER"})};
    QTest::newRow("grandstream attended start") << 4 << "atxfer" << false << QList<PhoneCommand>{};
    QTest::newRow("no brand redirect") << 0 << "redirect" << false << QList<PhoneCommand>{};
}

void TestPhoneApi::brandCommands()
{
    QFETCH(int, brand);
    QFETCH(QString, command);
    QFETCH(bool, result);
    QFETCH(QList<PhoneCommand>, expected);
    Fixture f(brand);
    const qlonglong id = f.incoming(QStringLiteral("C"));
    bool ok = false;
    if (command == QLatin1String("redirect"))
        ok = f.api->redirectCall(QStringLiteral("123"), id);
    else if (command == QLatin1String("second"))
        ok = f.api->startSecondCall(QStringLiteral("123"), id, QStringLiteral("acc"));
    else
        ok = f.api->initAttendedTransfer(id);
    QCOMPARE(ok, result);
    QCOMPARE(f.sent, expected);
}

void TestPhoneApi::unknownLineSendsNothing()
{
    Fixture f;
    const qlonglong a = f.incoming(QStringLiteral("A"));
    QVERIFY(!f.api->answerCall(7));
    QVERIFY(!f.api->hangupCall(7));
    QVERIFY(!f.api->redirectCall(QStringLiteral("1"), 7));
    QVERIFY(!f.api->startSecondCall(QStringLiteral("1"), 7, QString()));
    QVERIFY(!f.api->completeTransfer(a, 7));
    QVERIFY(!f.api->completeTransfer(7, a));
    QCOMPARE(f.api->sendDtmfCode(QStringLiteral("5"), 7), 0);
    QVERIFY(f.sent.isEmpty());
}

void TestPhoneApi::serviceCodeCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("parts"); // DTMF texts sent, one character per step
    QTest::newRow("park") << "park" << 29 << "*9" << QStringList{"*", "9"};
    QTest::newRow("park missing") << "park" << 29 << "" << QStringList{};
    QTest::newRow("fast transfer") << "fast" << 27 << "#7" << QStringList{"#", "7"};
    QTest::newRow("record") << "record" << 28 << "*1" << QStringList{"*", "1"};
    QTest::newRow("record missing") << "record" << 28 << "" << QStringList{};
    QTest::newRow("cancel atxfer") << "cancel" << 23 << "*3" << QStringList{"*", "3"};
    QTest::newRow("atxfer dtmf") << "atxfer" << 22 << "*2" << QStringList{"*", "2", "2", "0", "1", "#"};
    QTest::newRow("atxfer dtmf missing") << "atxfer" << 22 << "" << QStringList{};
}

void TestPhoneApi::serviceCodeCommands()
{
    QFETCH(QString, command);
    QFETCH(int, key);
    QFETCH(QString, code);
    QFETCH(QStringList, parts);
    Fixture f;
    if (!code.isEmpty())
        f.codes.insert(CTILIB::ServiceDialCodeType(key), code);
    else
        f.codes.insert(CTILIB::ServiceDialCodeType(key), QString()); // present but empty counts as missing
    const qlonglong id = f.incoming(QStringLiteral("S"));
    bool ok = false;
    if (command == QLatin1String("park"))
        ok = f.api->parkCall(id);
    else if (command == QLatin1String("fast"))
        ok = f.api->fastTransferCall(id);
    else if (command == QLatin1String("record"))
        ok = f.api->recordCall(id);
    else if (command == QLatin1String("cancel"))
        ok = f.api->cancelAtxferCallDtmf(id);
    else
        ok = f.api->attendedTransferCallDtmf(QStringLiteral("201"), id);
    QCOMPARE(ok, !parts.isEmpty());
    while (!f.api->isDtmfQueueIdle())
        fireDtmfTimer(*f.api);
    QStringList got;
    for (const PhoneCommand &c : f.sent) {
        QCOMPARE(c.name, QStringLiteral("sendDtmfs"));
        QCOMPARE(c.cstaId, QStringLiteral("S"));
        QCOMPARE(c.list.size(), 3);
        got << c.list.at(1);
    }
    QCOMPARE(got, parts);
}

void TestPhoneApi::dtmfPacing_data()
{
    QTest::addColumn<bool>("oneChar");
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<QList<int>>("intervals"); // the timer's interval after each part
    QTest::newRow("one character") << true << QStringList{"*", "4", "1", "2", "3", "#"}
                                   << QList<int>{300, 300, 300, 300, 300, 300};
    QTest::newRow("whole string") << false << QStringList{"*4", "123#"} << QList<int>{600, 1200};
}

void TestPhoneApi::dtmfPacing()
{
    QFETCH(bool, oneChar);
    QFETCH(QStringList, parts);
    QFETCH(QList<int>, intervals);
    Fixture f;
    f.api->m_dtmfOneCharPerStep = oneChar;
    const qlonglong id = f.incoming(QStringLiteral("D"));
    f.api->processDtmfSequence(id, {QStringLiteral("*4"), QStringLiteral("123#")});
    // The first part goes out at once, each further part when the pause of
    // 300 ms per character sent has run out.
    for (int i = 0; i < parts.size(); ++i) {
        QCOMPARE(f.sent.size(), i + 1);
        const PhoneCommand &c = f.sent.last();
        QCOMPARE(c.name, QStringLiteral("sendDtmfs"));
        QCOMPARE(c.cstaId, QStringLiteral("D"));
        QCOMPARE(c.list, QStringList() << QString() << parts.at(i).split(QString(), Qt::SkipEmptyParts) << QString());
        QVERIFY(f.dtmfTimer()->isActive());
        QCOMPARE(f.dtmfTimer()->interval(), intervals.at(i));
        fireDtmfTimer(*f.api);
    }
    QCOMPARE(f.sent.size(), parts.size());
    QVERIFY(f.api->isDtmfQueueIdle());
}

void TestPhoneApi::dtmfSecondRequestWaits()
{
    Fixture f;
    const qlonglong a = f.incoming(QStringLiteral("A"));
    const qlonglong b = f.incoming(QStringLiteral("B"));
    f.api->processDtmfSequence(a, {QStringLiteral("12")});
    f.api->processDtmfSequence(b, {QStringLiteral("9")});
    QCOMPARE(f.sent.size(), 1);
    fireDtmfTimer(*f.api); // "2" on A
    QCOMPARE(f.sent.size(), 2);
    QCOMPARE(f.sent.last().cstaId, QStringLiteral("A"));
    fireDtmfTimer(*f.api); // "9" on B, only after A's pause
    QCOMPARE(f.sent.size(), 3);
    QCOMPARE(f.sent.last().cstaId, QStringLiteral("B"));
    fireDtmfTimer(*f.api);
    QVERIFY(f.api->isDtmfQueueIdle());
}

void TestPhoneApi::dtmfEndedLineIsDropped()
{
    Fixture f;
    const qlonglong a = f.incoming(QStringLiteral("A"));
    const qlonglong b = f.incoming(QStringLiteral("B"));
    f.api->processDtmfSequence(a, {QStringLiteral("12"), QStringLiteral("34")});
    f.api->processDtmfSequence(b, {QStringLiteral("9")});
    QCOMPARE(f.sent.size(), 1);
    emit f.cti.phoneEventEndedCall(QString(), QString(), QStringLiteral("A"));
    // The rest of A's strings fail and go at once; B's digit follows.
    fireDtmfTimer(*f.api);
    QCOMPARE(f.sent.size(), 2);
    QCOMPARE(f.sent.last().cstaId, QStringLiteral("B"));
    fireDtmfTimer(*f.api);
    QVERIFY(f.api->isDtmfQueueIdle());
}

void TestPhoneApi::dtmfIgnoresEmptyRequests()
{
    Fixture f;
    const qlonglong a = f.incoming(QStringLiteral("A"));
    f.api->processDtmfSequence(-1, {QStringLiteral("1")});
    f.api->processDtmfSequence(a, {});
    QVERIFY(f.api->isDtmfQueueIdle());
    f.api->processDtmfSequence(a, {QString(), QString(), QStringLiteral("5")});
    QCOMPARE(f.sent.size(), 1); // empty strings skipped without delay
    QCOMPARE(f.sent.first().list, (QStringList{QString(), QStringLiteral("5"), QString()}));
}

DESKLINE_TEST_MAIN(TestPhoneApi)
#include "tst_phoneapi.moc"
