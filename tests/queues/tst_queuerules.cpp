// The queue rules without a window: counting operators, the live model built
// from a statistics reply, period bounds, the requests a role sends, the
// global pause state, the queue tab's grid and the figures' texts.
#include "queues/queuerules.h"
#include "testmain.h"
#include "widgets/guiutils.h"

#include <cmath>
#include <limits>
#include <time.h>

using namespace QueueRules;

Q_DECLARE_METATYPE(QueueRules::CountClass)

namespace
{
QueueStatsMember member(const QString &id, const QString &exten, bool paused = false, int type = 0)
{
    QueueStatsMember m;
    m.memberId = id;
    m.extension = exten;
    m.paused = paused;
    m.memberType = type;
    return m;
}

QueueStats queue(const QString &id, const QString &name, const QList<QueueStatsMember> &members, int waiting = 0)
{
    QueueStats q;
    q.queueId = id;
    q.queueName = name;
    q.members = members;
    q.waitingCalls = waiting;
    return q;
}

MctiExtenMap extensions(const QMap<QString, int> &states)
{
    MctiExtenMap map;
    for (auto it = states.cbegin(); it != states.cend(); ++it) {
        MctiExtenDetails d(it.key(), QStringLiteral("Name %1").arg(it.key()));
        d.blfState = it.value();
        map.insert(it.key(), d);
    }
    return map;
}

QDateTime local(const QString &text)
{
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString requestsText(const QList<PeriodRequest> &requests)
{
    static const char *kinds[] = {"AQ", "AO", "Q", "O"};
    QStringList out;
    for (const PeriodRequest &r : requests) {
        out << QStringLiteral("%1%2%3")
                   .arg(QLatin1String(kinds[r.kind]))
                   .arg(r.type)
                   .arg(r.from.isNull() && r.to.isNull() ? QStringLiteral("n") : QStringLiteral("b"));
    }
    return out.join(QLatin1Char(','));
}
} // namespace

class TestQueueRules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void countClasses_data();
    void countClasses();
    void membersCounted_data();
    void membersCounted();
    void countsFollowOneMember_data();
    void countsFollowOneMember();
    void modelTakesQueuesByRole_data();
    void modelTakesQueuesByRole();
    void modelMarksMissingQueuesStale();
    void modelKeepsMembershipsOnce();
    void nameFilterKeepsEmptyPieces();
    void periodBounds_data();
    void periodBounds();
    void periodChoicesInOrder();
    void requestsByRoleAndCapability_data();
    void requestsByRoleAndCapability();
    void pauseAggregation_data();
    void pauseAggregation();
    void grid_data();
    void grid();
    void gridOfWiderBoxes();
    void figures();
};

void TestQueueRules::initTestCase()
{
    // Period bounds are checked on the days the clocks change in Italy.
    qputenv("TZ", "Europe/Rome");
    tzset();
}

void TestQueueRules::countClasses_data()
{
    QTest::addColumn<bool>("known");
    QTest::addColumn<int>("blf");
    QTest::addColumn<bool>("paused");
    QTest::addColumn<CountClass>("expected");
    QTest::newRow("not in the map, paused") << false << 0 << true << Unregistered;
    QTest::newRow("unregistered, paused") << true << 4 << true << Unregistered;
    QTest::newRow("no state yet") << true << -1 << false << Unregistered;
    QTest::newRow("idle") << true << 0 << false << Available;
    QTest::newRow("ringing") << true << 8 << false << Available;
    QTest::newRow("ringing, paused") << true << 8 << true << Paused;
    QTest::newRow("idle, paused") << true << 0 << true << Paused;
    QTest::newRow("in use") << true << 1 << false << Busy;
    QTest::newRow("busy") << true << 2 << false << Busy;
    QTest::newRow("ringing in use") << true << 9 << false << Busy;
    QTest::newRow("on hold") << true << 16 << false << Busy;
    QTest::newRow("in use on hold") << true << 17 << false << Busy;
}

void TestQueueRules::countClasses()
{
    QFETCH(bool, known);
    QFETCH(int, blf);
    QFETCH(bool, paused);
    QFETCH(CountClass, expected);
    QCOMPARE(countClass(known, blf, paused), expected);
}

void TestQueueRules::membersCounted_data()
{
    QTest::addColumn<bool>("withMap");
    QTest::addColumn<QString>("expected");
    QTest::newRow("states 0, 8 paused, 2") << true << "1/1/1/0";
    QTest::newRow("no extension map") << false << "0/0/0/3";
}

void TestQueueRules::membersCounted()
{
    QFETCH(bool, withMap);
    QFETCH(QString, expected);
    const MctiExtenMap map = extensions({{"201", 0}, {"202", 8}, {"203", 2}});
    QMap<QString, QueueUserStatus> members;
    for (const auto &m : {std::make_pair("201", false), std::make_pair("202", true), std::make_pair("203", false)}) {
        QueueUserStatus u;
        u.memberId = QString::fromLatin1(m.first);
        u.extension = u.memberId;
        u.paused = m.second;
        members.insert(u.memberId, u);
    }
    const OperatorCounts counts = countMembers(members, withMap ? &map : nullptr);
    QCOMPARE(counts.text(), expected);
    QCOMPARE(counts.total(), 3);
}

void TestQueueRules::countsFollowOneMember_data()
{
    // Steps on member 202 (extension idle) of a queue that also holds 203
    // (busy): "+" joins, "-" leaves, "p" pauses, "r" resumes.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("expected");
    QTest::newRow("joins") << "+"
                           << "1/1/0/0";
    QTest::newRow("joins and pauses") << "+p"
                                      << "0/1/1/0";
    QTest::newRow("pauses and resumes") << "+pr"
                                        << "1/1/0/0";
    QTest::newRow("leaves while paused") << "+p-"
                                         << "0/1/0/0";
    QTest::newRow("joins twice") << "++"
                                 << "1/1/0/0";
    QTest::newRow("leaves and joins again") << "+-+"
                                            << "1/1/0/0";
}

void TestQueueRules::countsFollowOneMember()
{
    QFETCH(QString, steps);
    QFETCH(QString, expected);
    const MctiExtenMap map = extensions({{"202", 0}, {"203", 1}});
    QueueModel model;
    model.applyStats({queue("600", "Supporto", {member("203", "203")})}, 2, {}, {}, &map);
    QueueStatus &q = model.queues["600"];
    for (const QChar step : steps) {
        const bool known = q.members.contains("202");
        const CountClass before = known ? classify(q.members.value("202"), &map) : Unregistered;
        if (step == QLatin1Char('-')) {
            q.members.remove("202");
            moveCount(q, known ? &before : nullptr, nullptr);
            continue;
        }
        QueueUserStatus &u = q.members["202"];
        u.memberId = "202";
        u.extension = "202";
        if (step == QLatin1Char('p'))
            u.paused = true;
        else if (step == QLatin1Char('r'))
            u.paused = false;
        const CountClass after = classify(u, &map);
        moveCount(q, known ? &before : nullptr, &after);
    }
    const QString counts = QStringLiteral("%1/%2/%3/%4")
                               .arg(q.availableCount)
                               .arg(q.busyCount)
                               .arg(q.pausedCount)
                               .arg(q.unregisteredCount);
    QCOMPARE(counts, expected);
    // The same as counting every member again.
    QCOMPARE(countMembers(q.members, &map).text(), expected);
}

void TestQueueRules::modelTakesQueuesByRole_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("members600");
    QTest::addColumn<QStringList>("ownQueues");
    QTest::addColumn<QString>("counts600");
    QTest::newRow("supervisor sees every queue and member")
        << 2 << "" << QStringList{"Supporto", "Vendite"} << QStringList{"202", "203"} << QStringList{"600"}
        << "1/0/0/1";
    QTest::newRow("operator sees only his queues and himself")
        << 1 << "" << QStringList{"Supporto"} << QStringList{"202"} << QStringList{"600"} << "1/0/0/0";
    QTest::newRow("operator: a filter does not bring other queues")
        << 1 << "Vendite" << QStringList{} << QStringList{} << QStringList{} << "";
    QTest::newRow("supervisor with a filter")
        << 2 << "Vendite" << QStringList{"Vendite"} << QStringList{} << QStringList{} << "";
    QTest::newRow("no queue role: nothing") << 0 << "" << QStringList{} << QStringList{} << QStringList{} << "";
}

void TestQueueRules::modelTakesQueuesByRole()
{
    QFETCH(int, role);
    QFETCH(QString, filter);
    QFETCH(QStringList, names);
    QFETCH(QStringList, members600);
    QFETCH(QStringList, ownQueues);
    QFETCH(QString, counts600);
    const QueueStatsList reply{queue("600", "Supporto", {member("202", "202"), member("203", "203")}, 2),
                               queue("601", "Vendite", {member("204", "204", true)})};
    const MctiExtenMap map = extensions({{"202", 0}, {"203", 4}, {"204", 0}});
    QueueModel model;
    model.applyStats(reply, role, {"202"}, nameFilter(filter), &map);
    QCOMPARE(model.queueNames, names);
    QCOMPARE(model.queues.value("600").members.keys(), members600);
    QCOMPARE(model.ownQueues.keys(), ownQueues);
    if (!counts600.isEmpty()) {
        const QueueStatus q = model.queues.value("600");
        QCOMPARE(QStringLiteral("%1/%2/%3/%4")
                     .arg(q.availableCount)
                     .arg(q.busyCount)
                     .arg(q.pausedCount)
                     .arg(q.unregisteredCount),
                 counts600);
        QCOMPARE(q.waitingCount, 2u);
        QCOMPARE(q.members.value("202").name, QStringLiteral("Name 202"));
    }
}

void TestQueueRules::modelMarksMissingQueuesStale()
{
    QueueModel model;
    model.applyStats({queue("600", "Supporto", {member("201", "201")}, 3), queue("601", "Vendite", {}, 4)}, 2, {}, {},
                     nullptr);
    model.queues["601"].column = 1;
    QCOMPARE(model.waitingTotal(false, QString()), 7);
    model.applyStats({queue("600", "Supporto", {member("201", "201")}, 3)}, 2, {}, {}, nullptr);
    // The entry stays with its last figures but counts nowhere any more.
    QVERIFY(model.queues.contains("601"));
    QVERIFY(model.queues.value("601").stale);
    QCOMPARE(model.queues.value("601").column, -1);
    QCOMPARE(model.queueNames, QStringList{"Supporto"});
    QCOMPARE(model.waitingTotal(false, QString()), 3);
    QCOMPARE(model.liveQueueIds(), QStringList{"600"});
    QCOMPARE(model.queueIdOf("Vendite"), QString());
    // Back in a later reply, it is live again.
    model.applyStats({queue("601", "Vendite", {}, 1)}, 2, {}, {}, nullptr);
    QVERIFY(!model.queues.value("601").stale);
    QCOMPARE(model.queueIdOf("Vendite"), QStringLiteral("601"));
}

void TestQueueRules::modelKeepsMembershipsOnce()
{
    QueueModel model;
    model.applyStats({queue("600", "Supporto", {member("201", "201")}),
                      queue("601", "Supporto", {member("201", "201")}),
                      queue("602", "Vendite", {member("201", "201")})},
                     2, {"201"}, {}, nullptr);
    QCOMPARE(model.memberQueues.value("201"), (QStringList{"600", "601", "602"}));
    QCOMPARE(model.queueNames, (QStringList{"Supporto", "Vendite"}));
    QCOMPARE(model.extensionMembers.value("201").size(), 3);
    // Two queues with one name: the first id answers for the name.
    QCOMPARE(model.queueIdOf("Supporto"), QStringLiteral("600"));
    // New accounts of the user: own queues follow the memberships known.
    model.rebuildOwnQueues({"999"});
    QVERIFY(model.ownQueues.isEmpty());
    model.rebuildOwnQueues({"201"});
    QCOMPARE(model.ownQueues.keys(), (QStringList{"600", "601", "602"}));
}

void TestQueueRules::nameFilterKeepsEmptyPieces()
{
    QCOMPARE(nameFilter(QString()), QStringList());
    QCOMPARE(nameFilter("A;;B"), (QStringList{"A", "", "B"}));
    QueueModel model;
    model.applyStats({queue("600", "", {}), queue("601", "C", {})}, 2, {}, nameFilter("A;;B"), nullptr);
    QCOMPARE(model.queueNames, QStringList{""});
}

void TestQueueRules::periodBounds_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("now");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<qint64>("seconds");
    QTest::newRow("last hour across the spring change") << 0 << "2026-03-29 03:30:00"
                                                        << "2026-03-29 01:30:00.000"
                                                        << "2026-03-29 03:30:00.000" << qint64(3600);
    QTest::newRow("today, the spring change day") << 1 << "2026-03-29 12:00:00"
                                                  << "2026-03-29 00:00:00.000"
                                                  << "2026-03-29 12:00:00.000" << qint64(11 * 3600);
    QTest::newRow("yesterday, the spring change day") << 7 << "2026-03-30 10:00:00"
                                                      << "2026-03-29 00:00:00.000"
                                                      << "2026-03-29 23:59:59.999" << qint64(23 * 3600 - 1);
    QTest::newRow("yesterday, the autumn change day") << 7 << "2026-10-26 08:00:00"
                                                      << "2026-10-25 00:00:00.000"
                                                      << "2026-10-25 23:59:59.999" << qint64(25 * 3600 - 1);
    QTest::newRow("this week on a Wednesday") << 2 << "2026-12-09 15:00:00"
                                              << "2026-12-07 00:00:00.000"
                                              << "2026-12-09 15:00:00.000" << qint64(-1);
    QTest::newRow("this week on a Monday") << 2 << "2026-12-07 08:00:00"
                                           << "2026-12-07 00:00:00.000"
                                           << "2026-12-07 08:00:00.000" << qint64(8 * 3600);
    QTest::newRow("this week on a Sunday") << 2 << "2026-12-13 23:00:00"
                                           << "2026-12-07 00:00:00.000"
                                           << "2026-12-13 23:00:00.000" << qint64(-1);
    QTest::newRow("this month") << 3 << "2026-12-10 10:00:00"
                                << "2026-12-01 00:00:00.000"
                                << "2026-12-10 10:00:00.000" << qint64(-1);
    QTest::newRow("previous month, February") << 9 << "2026-03-31 10:00:00"
                                              << "2026-02-01 00:00:00.000"
                                              << "2026-02-28 23:59:59.999" << qint64(28 * 86400 - 1);
    QTest::newRow("previous month across the year") << 9 << "2026-01-15 10:00:00"
                                                    << "2025-12-01 00:00:00.000"
                                                    << "2025-12-31 23:59:59.999" << qint64(-1);
    QTest::newRow("last 30 days") << 4 << "2026-12-10 10:00:00"
                                  << "2026-11-11 00:00:00.000"
                                  << "2026-12-10 10:00:00.000" << qint64(-1);
    QTest::newRow("last 60 days") << 5 << "2026-12-10 10:00:00"
                                  << "2026-10-12 00:00:00.000"
                                  << "2026-12-10 10:00:00.000" << qint64(-1);
    QTest::newRow("last 90 days") << 6 << "2026-12-10 10:00:00"
                                  << "2026-09-12 00:00:00.000"
                                  << "2026-12-10 10:00:00.000" << qint64(-1);
    QTest::newRow("previous week") << 8 << "2026-12-09 10:00:00"
                                   << "2026-11-30 00:00:00.000"
                                   << "2026-12-06 23:59:59.999" << qint64(7 * 86400 - 1);
    QTest::newRow("type 10 has no bounds") << 10 << "2026-12-09 10:00:00"
                                           << ""
                                           << "" << qint64(-1);
    QTest::newRow("invalid type") << -1 << "2026-12-09 10:00:00"
                                  << ""
                                  << "" << qint64(-1);
}

void TestQueueRules::periodBounds()
{
    QFETCH(int, type);
    QFETCH(QString, now);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(qint64, seconds);
    QDateTime f;
    QDateTime t;
    // The supervisor panel's periods are the program's one period rule.
    const bool ok = GuiUtils::datesFromPeriod(CTILIB::PeriodType(type), &f, &t, local(now));
    QCOMPARE(ok, !from.isEmpty());
    if (!ok)
        return;
    QCOMPARE(f.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")), from);
    QCOMPARE(t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")), to);
    if (seconds >= 0)
        QCOMPARE(f.secsTo(t), seconds);
}

void TestQueueRules::periodChoicesInOrder()
{
    QList<int> types;
    for (const PeriodChoice &c : periodChoices())
        types << c.type;
    QCOMPARE(types, (QList<int>{0, 1, 7, 2, 3, 9, 4, 5, 6}));
    QCOMPARE(QString::fromLatin1(periodChoices().at(1).text), QStringLiteral("Oggi"));
}

void TestQueueRules::requestsByRoleAndCapability_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<quint32>("caps");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("expected");
    QTest::newRow("supervisor, all-queue requests, today") << 2 << 0x80u << 1 << "AQ1b,AO1b,AQ0n";
    QTest::newRow("supervisor, all-queue requests, last hour") << 2 << 0x80u << 0 << "AQ0b,AO0b";
    QTest::newRow("supervisor, per-queue requests, this month") << 2 << 0u << 3 << "Q3b,O3b,Q0n";
    QTest::newRow("supervisor, per-queue requests, last hour") << 2 << 0u << 0 << "Q0b,O0b";
    QTest::newRow("operator, all-queue requests: always today") << 1 << 0x80u << 5 << "AQ1n,AO1n";
    QTest::newRow("operator, per-queue requests: always today") << 1 << 0u << 7 << "Q1n,O1n";
    QTest::newRow("no queue role") << 0 << 0x80u << 1 << "";
    QTest::newRow("supervisor, invalid period") << 2 << 0x80u << -1 << "";
    QTest::newRow("supervisor, unknown period") << 2 << 0x80u << 42 << "";
}

void TestQueueRules::requestsByRoleAndCapability()
{
    QFETCH(int, role);
    QFETCH(quint32, caps);
    QFETCH(int, type);
    QFETCH(QString, expected);
    const QDateTime from = local("2026-12-10 00:00:00");
    const QDateTime to = local("2026-12-10 10:00:00");
    QCOMPARE(requestsText(periodRequests(role, caps, type, from, to)), expected);
}

void TestQueueRules::pauseAggregation_data()
{
    QTest::addColumn<QString>("memberships"); // queue:account=0|1 ...
    QTest::addColumn<int>("paused");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("pendingForPause");
    QTest::newRow("none") << "" << 0 << 0 << int(AllActive) << 0;
    QTest::newRow("one of two paused") << "600:201=1 601:201=0" << 1 << 2 << int(PartlyPaused) << 1;
    QTest::newRow("all paused") << "600:201=1 601:201=1" << 2 << 2 << int(AllPaused) << 0;
    QTest::newRow("three active") << "600:201=0 600:301=0 601:201=0" << 0 << 3 << int(AllActive) << 3;
}

void TestQueueRules::pauseAggregation()
{
    QFETCH(QString, memberships);
    QFETCH(int, paused);
    QFETCH(int, total);
    QFETCH(int, state);
    QFETCH(int, pendingForPause);
    QueuePauseMap map;
    for (const QString &m : memberships.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList qa = m.split(QLatin1Char(':'));
        const QStringList av = qa.at(1).split(QLatin1Char('='));
        map[qa.at(0)][av.at(0)] = av.at(1) == QLatin1String("1");
    }
    const PauseTotals t = pauseTotals(map);
    QCOMPARE(t.paused, paused);
    QCOMPARE(t.total, total);
    QCOMPARE(int(globalPause(t.paused, t.total)), state);
    QCOMPARE(pendingChanges(map, true), pendingForPause);
    QCOMPARE(pendingChanges(map, false), paused);
}

void TestQueueRules::grid_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::newRow("800 px: two columns") << 800 << 4 << 2 << 2;
    QTest::newRow("narrower than a box: one column") << 200 << 3 << 1 << 3;
    QTest::newRow("five boxes in two columns") << 800 << 5 << 2 << 3;
    QTest::newRow("1200 px: three columns") << 1200 << 4 << 3 << 2;
    QTest::newRow("no boxes") << 800 << 0 << 2 << 0;
}

void TestQueueRules::grid()
{
    QFETCH(int, width);
    QFETCH(int, boxes);
    QFETCH(int, columns);
    QFETCH(int, rows);
    QCOMPARE(gridColumns(width, 9, 1), columns);
    QCOMPARE(gridRows(boxes, columns), rows);
    // Any change of the number of boxes or of columns lays the grid out again
    // (a fourth box in two columns does not change the rows' shape).
    QVERIFY(gridNeedsRebuild(3, 2, 4, 2));
    QVERIFY(gridNeedsRebuild(4, 2, 4, 3));
    QVERIFY(!gridNeedsRebuild(4, 2, 4, 2));
}

// Boxes grown for larger fonts take fewer columns; never less than one, and a
// narrower width than a box's own counts as a box's.
void TestQueueRules::gridOfWiderBoxes()
{
    QCOMPARE(gridColumns(800, 9, 1, 500), 1);
    QCOMPARE(gridColumns(1100, 9, 1, 500), 2);
    QCOMPARE(gridColumns(300, 9, 1, 500), 1);
    QCOMPARE(gridColumns(800, 9, 1, 100), gridColumns(800, 9, 1));
}

void TestQueueRules::figures()
{
    QCOMPARE(statSeconds(std::nan("")), 0);
    QCOMPARE(statSeconds(std::numeric_limits<double>::infinity()), 0);
    QCOMPARE(statSeconds(-3.5), 0);
    QCOMPARE(statSeconds(59.9), 59);
    QCOMPARE(statSeconds(1e12), std::numeric_limits<int>::max());
    QCOMPARE(minSecText(59), QStringLiteral("00:59"));
    QCOMPARE(minSecText(3600), QStringLiteral("60:00"));
    QCOMPARE(minSecText(75 * 60 + 5), QStringLiteral("75:05"));
    QCOMPARE(minSecText(-10), QStringLiteral("00:00"));
    QCOMPARE(pauseAgeText(86400 + 3600 + 61), QStringLiteral("1g 1:01:01"));
    QCOMPARE(pauseAgeText(86400 + 2 * 3600 + 3 * 60 + 4), QStringLiteral("1g 2:03:04"));
    QCOMPARE(pauseAgeText(3600 + 125), QStringLiteral("1:02:05"));
    QCOMPARE(pauseAgeText(59), QStringLiteral("0:00:59"));
    QCOMPARE(pauseAgeText(-5), QStringLiteral("0:00:00"));
    // The refresh never floods the PBX: 0 is the default, 10 s at least.
    QCOMPARE(refreshIntervalSecs(0), 300);
    QCOMPARE(refreshIntervalSecs(1), 10);
    QCOMPARE(refreshIntervalSecs(60), 60);
    QCOMPARE(refreshIntervalSecs(65535), 65535);
}

DESKLINE_TEST_MAIN(TestQueueRules)
#include "tst_queuerules.moc"
