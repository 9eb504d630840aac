// The join of the CTI server's report with the phone's report of one call, in
// both arrival orders, and two calls from the same number.
#include "calls/pendingcalls.h"
#include "testmain.h"

using Side = PendingCalls::Side;

class TestPendingCalls : public QObject
{
    Q_OBJECT

private slots:
    void joinInBothOrders_data();
    void joinInBothOrders();
    void twoCallsFromOneNumber_data();
    void twoCallsFromOneNumber();
    void takeByUidTakesOneRecordPerCall();
};

namespace
{
MctiCallDetails ctiRecord(const QString &uid)
{
    MctiCallDetails r;
    r.uid = uid;
    r.direction = 1;
    return r;
}
MctiCallDetails phoneRecord(qint64 line)
{
    MctiCallDetails r;
    r.lineId = line;
    return r;
}
} // namespace

void TestPendingCalls::joinInBothOrders_data()
{
    // Incoming, outgoing and answered calls join by the same rule, each kind
    // in its own map.
    QTest::addColumn<bool>("ctiFirst");
    QTest::newRow("CTI first") << true;
    QTest::newRow("phone first") << false;
}

void TestPendingCalls::joinInBothOrders()
{
    QFETCH(bool, ctiFirst);
    for (const char *kind : {"incoming", "outgoing", "answered"}) {
        PendingCalls pending;
        const QString key = QStringLiteral("0612345");
        MctiCallDetails *joined = nullptr;
        if (ctiFirst) {
            QVERIFY(!pending.join(key, Side::Cti));
            pending.store(key, ctiRecord(QStringLiteral("u1")), Side::Cti);
            joined = pending.join(key, Side::Phone);
            QVERIFY2(joined, kind);
            QCOMPARE(joined->uid, QStringLiteral("u1"));
            joined->lineId = 4; // the phone names the line
        } else {
            QVERIFY(!pending.join(key, Side::Phone));
            pending.store(key, phoneRecord(4), Side::Phone);
            joined = pending.join(key, Side::Cti);
            QVERIFY2(joined, kind);
            QCOMPARE(joined->lineId, qint64(4));
            joined->uid = QStringLiteral("u1");
        }
        // A joined record is not joined again; the pipeline step drops it.
        QVERIFY(!pending.join(key, Side::Cti));
        QVERIFY(!pending.join(key, Side::Phone));
        QVERIFY(pending.takeLine(4));
        QVERIFY(pending.isEmpty());
    }
}

void TestPendingCalls::twoCallsFromOneNumber_data()
{
    QTest::addColumn<bool>("ctiFirst");
    QTest::newRow("CTI reports both first") << true;
    QTest::newRow("phone reports both first") << false;
}

void TestPendingCalls::twoCallsFromOneNumber()
{
    // Two withheld callers ring at once: each report joins its own call, in
    // arrival order, instead of the second overwriting the first.
    QFETCH(bool, ctiFirst);
    PendingCalls pending;
    const QString key; // withheld: empty number
    if (ctiFirst) {
        pending.store(key, ctiRecord(QStringLiteral("u1")), Side::Cti);
        QVERIFY(!pending.join(key, Side::Cti)); // a second CTI report does not take the first
        pending.store(key, ctiRecord(QStringLiteral("u2")), Side::Cti);
        QCOMPARE(pending.size(), 2);
        MctiCallDetails *first = pending.join(key, Side::Phone);
        first->lineId = 1;
        MctiCallDetails *second = pending.join(key, Side::Phone);
        second->lineId = 2;
        QCOMPARE(first->uid, QStringLiteral("u1"));
        QCOMPARE(second->uid, QStringLiteral("u2"));
    } else {
        pending.store(key, phoneRecord(1), Side::Phone);
        pending.store(key, phoneRecord(2), Side::Phone);
        QCOMPARE(pending.join(key, Side::Cti)->lineId, qint64(1));
        QCOMPARE(pending.join(key, Side::Cti)->lineId, qint64(2));
    }
    QVERIFY(pending.takeLine(1));
    QCOMPARE(pending.recordsOf(key).size(), 1);
    QCOMPARE(pending.recordsOf(key).first().lineId, qint64(2));
}

void TestPendingCalls::takeByUidTakesOneRecordPerCall()
{
    PendingCalls pending;
    pending.store(QStringLiteral("a"), ctiRecord(QStringLiteral("u1")), Side::Cti);
    pending.store(QStringLiteral("b"), ctiRecord(QStringLiteral("u1")), Side::Cti);
    QVERIFY(pending.takeUid(QStringLiteral("u1")));
    QCOMPARE(pending.size(), 1);
    QVERIFY(pending.recordsOf(QStringLiteral("a")).isEmpty());
    QVERIFY(!pending.takeUid(QStringLiteral("nope")));
}

DESKLINE_TEST_MAIN(TestPendingCalls)
#include "tst_pendingcalls.moc"
