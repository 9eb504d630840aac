// The gate of the requests that PBX events ask for: at most one on its way,
// at most one waiting (asks fold into it), a lost answer frees it after its
// timeout, a reset forgets everything, and two sendings keep their spacing.
#include "app/requestgate.h"
#include "testmain.h"

#include <QElapsedTimer>
#include <QtTest>

class TestRequestGate : public QObject
{
    Q_OBJECT
private slots:
    void sequences_data();
    void sequences();
    void lostAnswerFreesTheGate();
    void spacingBetweenSendings();
    void hostilePeerSettles();
};

// Steps: r = ask, a = the answer arrives, x = reset (session ended),
// d = the link goes (sending fails), u = the link is back.
void TestRequestGate::sequences_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("sent");
    QTest::addColumn<bool>("inFlight");
    QTest::addColumn<bool>("queued");
    QTest::newRow("one ask") << "r" << 1 << true << false;
    QTest::newRow("ask, answer") << "ra" << 1 << false << false;
    QTest::newRow("two asks: the second waits") << "rr" << 1 << true << true;
    QTest::newRow("a burst folds into one waiting") << "rrrrrr" << 1 << true << true;
    QTest::newRow("the waiting one goes with the answer") << "rrrra" << 2 << true << false;
    QTest::newRow("burst, answer, answer") << "rrrraa" << 2 << false << false;
    QTest::newRow("one at a time") << "rarara" << 3 << false << false;
    QTest::newRow("an answer nobody asked for") << "aar" << 1 << true << false;
    QTest::newRow("a late answer after a reset") << "rxa" << 1 << false << false;
    QTest::newRow("reset drops the waiting one") << "rrx" << 1 << false << false;
    QTest::newRow("after a reset the next ask goes") << "rrxr" << 2 << true << false;
    QTest::newRow("no link: nothing on its way") << "dr" << 0 << false << false;
    QTest::newRow("no link, then back") << "drur" << 1 << true << false;
    QTest::newRow("the waiting one finds no link") << "rrdaur" << 2 << true << false;
}

void TestRequestGate::sequences()
{
    QFETCH(QString, steps);
    QFETCH(int, sent);
    QFETCH(bool, inFlight);
    QFETCH(bool, queued);
    bool linkUp = true;
    int wire = 0;
    RequestGate gate(
        QStringLiteral("test"), [&] { return linkUp && ++wire > 0; }, RequestGate::Timing{60000, 0});
    for (const QChar step : steps) {
        switch (step.toLatin1()) {
        case 'r':
            gate.request();
            break;
        case 'a':
            gate.answered();
            break;
        case 'x':
            gate.reset();
            break;
        case 'd':
            linkUp = false;
            break;
        case 'u':
            linkUp = true;
            break;
        default:
            QFAIL("unknown step");
        }
    }
    QCOMPARE(gate.sentCount(), sent);
    QCOMPARE(wire, sent);
    QCOMPARE(gate.isInFlight(), inFlight);
    QCOMPARE(gate.isQueued(), queued);
}

// An answer that never comes: the waiting ask goes once the timeout passed.
void TestRequestGate::lostAnswerFreesTheGate()
{
    int wire = 0;
    RequestGate gate(
        QStringLiteral("test"), [&] { return ++wire > 0; }, RequestGate::Timing{100, 0});
    gate.request();
    gate.request();
    QCOMPARE(wire, 1);
    QTRY_COMPARE_WITH_TIMEOUT(wire, 2, 10000);
    QVERIFY(gate.isInFlight());
    QVERIFY(!gate.isQueued());
    QTRY_VERIFY_WITH_TIMEOUT(!gate.isInFlight(), 10000);
    QCOMPARE(wire, 2);
}

// An answer that comes at once still leaves the spacing between two sendings.
void TestRequestGate::spacingBetweenSendings()
{
    const int spacing = 300;
    int wire = 0;
    QElapsedTimer since;
    qint64 gap = -1;
    RequestGate gate(
        QStringLiteral("test"),
        [&] {
            if (since.isValid())
                gap = since.elapsed();
            since.start();
            return ++wire > 0;
        },
        RequestGate::Timing{60000, spacing});
    gate.request();
    gate.answered();
    gate.request();
    gate.request();
    QCOMPARE(wire, 1);
    QVERIFY(gate.isQueued());
    QTRY_COMPARE_WITH_TIMEOUT(wire, 2, 10000);
    QVERIFY2(gap >= spacing, qPrintable(QString::number(gap)));
    // A reset forgets the last sending: the next ask goes at once.
    gate.reset();
    gate.request();
    QCOMPARE(wire, 3);
}

// A peer that answers each request with an event asking for it again: the
// gate sends one request per spacing, however fast the peer is.
void TestRequestGate::hostilePeerSettles()
{
    const int spacing = 200;
    int wire = 0;
    RequestGate *gatePtr = nullptr;
    RequestGate gate(
        QStringLiteral("test"),
        [&] {
            ++wire;
            // The answer, and the event that asks again, come at once.
            QTimer::singleShot(0, gatePtr, [&] {
                gatePtr->answered();
                gatePtr->request();
            });
            return true;
        },
        RequestGate::Timing{60000, spacing});
    gatePtr = &gate;
    QElapsedTimer t;
    t.start();
    gate.request();
    while (t.elapsed() < 1000)
        QTest::qWait(20);
    const qint64 elapsed = t.elapsed();
    QVERIFY2(wire <= elapsed / spacing + 1, qPrintable(QStringLiteral("%1 requests in %2 ms").arg(wire).arg(elapsed)));
    QVERIFY(wire >= 2);
}

DESKLINE_TEST_MAIN(TestRequestGate)
#include "tst_requestgate.moc"
