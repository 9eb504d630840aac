// The supervisor panel and the queues tab without a PBX: replies and events
// handed to the panel's slots as the CTI library would deliver them.
#include "ctilib.h"
#include "queues/dlgperiod.h"
#include "queues/mspmainwidget.h"
#include "queues/operatorcell.h"
#include "queues/operatorwidgets.h"
#include "queues/wdgqueues.h"
#include "queues/wdgqueuestats.h"
#include "scriptedprompts.h"
#include "testmain.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

#include <cmath>

namespace
{
QueueStatsMember member(const QString &id, bool paused = false, int type = 0)
{
    QueueStatsMember m;
    m.memberId = id;
    m.extension = id;
    m.paused = paused;
    m.memberType = type;
    m.completedCalls = 2;
    return m;
}

QueueStats queue(const QString &id, const QString &name, const QList<QueueStatsMember> &members, int waiting)
{
    QueueStats q;
    q.queueId = id;
    q.queueName = name;
    q.members = members;
    q.waitingCalls = waiting;
    return q;
}

QueueStatsList officeReply()
{
    return {queue("600", "Supporto", {member("201"), member("202", true), member("203", false, 1)}, 2),
            queue("601", "Vendite", {member("201", false, 1), member("204")}, 5)};
}

struct Panel {
    // A client never logged in: the replies and events are handed over here.
    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()};
    MctiExtenMap extensions;
    MspMainWidget panel;
    explicit Panel(const MctiConfig &config = MctiConfig()) : panel(cti, &extensions, config)
    {
        for (const char *number : {"201", "202", "203", "204"}) {
            const QString e = QString::fromLatin1(number);
            MctiExtenDetails d(e, QStringLiteral("Name %1").arg(e));
            d.blfState = 0;
            d.accounts = QStringList{e};
            extensions.insert(e, d);
        }
        panel.setSessionFacts(2, 0x80 | 0x400, QStringLiteral("201"));
        panel.setOwnIdentityNames({QStringLiteral("201")});
    }
    QTableWidget *table(const char *name) const { return panel.findChild<QTableWidget *>(QLatin1String(name)); }
};

int topLevelForms()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += qobject_cast<wdgAddDynamicOperator *>(w) ? 1 : 0;
    return n;
}
} // namespace

class TestSupervisorPanel : public QObject
{
    Q_OBJECT

private slots:
    void tablesFromAReply();
    void followsTheClientUntilClosed();
    void rebuildsKeepFormsFlat();
    void queuesMissingFromAReplyLeftOut();
    void notANumberShownAsZero();
    void refreshInterval_data();
    void refreshInterval();
    void newMembershipAppended();
    void lastMembershipLeavesTheRowUntilTheRebuild();
    void operatorGetsNoMenu();
    void gridTakesEveryNewBox();
    void cellPauseButtonAsksAndWaits();
    void customPeriod();
};

void TestSupervisorPanel::tablesFromAReply()
{
    Panel p;
    QAbstractItemModelTester queuesTester(p.table("tbQueues")->model());
    QAbstractItemModelTester operatorsTester(p.table("tbOperators")->model());
    QSignalSpy own(&p.panel, &MspMainWidget::sigUpdatedQueuesList);
    QSignalSpy totals(&p.panel, &MspMainWidget::sigGlobalAllQueuesCallsCountUpdated);
    p.panel.onQueueStatsRcvd(officeReply());
    QCOMPARE(own.size(), 1);
    typedef QMap<QString, QString> NameMap;
    QCOMPARE(own.first().at(0).value<NameMap>().keys(), (QStringList{"600", "601"}));
    QCOMPARE(totals.last().at(0).toInt(), 7);
    QTableWidget *queues = p.table("tbQueues");
    QCOMPARE(queues->columnCount(), 2);
    QCOMPARE(queues->item(0, 1)->text(), QStringLiteral("5"));
    QVERIFY(queues->item(0, 1)->font().bold());
    // 201 and 203 idle, 202 paused: available/busy/paused/unregistered.
    QCOMPARE(queues->item(3, 0)->text(), QStringLiteral("2/0/1/0"));
    QTableWidget *ops = p.table("tbOperators");
    QCOMPARE(ops->rowCount(), 5); // 201, 202, 203, 204 and the add row
    QCOMPARE(ops->item(0, 0)->text(), QStringLiteral("Name 201 (201) \nSIP/201"));
    QCOMPARE(ops->rowHeight(4), 130);
    QCOMPARE(ops->rowHeight(0), 48);
    const std::optional<OperatorCell> cell = p.panel.operatorCell("601", "201");
    QVERIFY(cell);
    QCOMPARE(cell->status, 1);
    QCOMPARE(cell->callsText(), QStringLiteral("0")); // served calls come with the period figures
    QVERIFY(!p.panel.operatorCell("601", "202"));
    QVERIFY(p.panel.operatorCell("600", "202")->paused);
    // The add button opens the queue's form with every extension's account.
    auto *adder = qobject_cast<wdgNewOperator *>(ops->cellWidget(4, 2));
    adder->findChild<QPushButton *>(QStringLiteral("pbAdd"))->click();
    wdgAddDynamicOperator *form = adder->getAddDynamicOperator();
    QVERIFY(form->isVisible());
    QCOMPARE(form->getQueueId(), QStringLiteral("600"));
    auto *extens = form->findChild<QComboBox *>(QStringLiteral("cbExten"));
    QCOMPARE(extens->count(), 4);
    QCOMPARE(extens->itemText(1), QStringLiteral("Name 202 (202)"));
    QSignalSpy request(form, &wdgAddDynamicOperator::sigAddOperatorRequested);
    extens->setEditText(QStringLiteral("Name 202 (202)"));
    auto *accounts = form->findChild<QComboBox *>(QStringLiteral("cbAccount"));
    QCOMPARE(accounts->itemText(0), QStringLiteral("SIP/202"));
    auto *add = form->findChild<QPushButton *>(QStringLiteral("pbAdd"));
    QVERIFY(add->isEnabled());
    add->click();
    QCOMPARE(request.size(), 1);
    QCOMPARE(request.first().at(1).toString(), QStringLiteral("202"));
    QCOMPARE(request.first().at(2).toInt(), 0);
    QVERIFY(!form->isVisible());
}

// The client's reports reach the panel from its construction until it is
// closed; a report still on its way at that moment is dropped.
void TestSupervisorPanel::followsTheClientUntilClosed()
{
    Panel p;
    QSignalSpy own(&p.panel, &MspMainWidget::sigUpdatedQueuesList);
    emit p.cti.sigAllQueuesStatsReceived(officeReply());
    QTRY_COMPARE(own.size(), 1);
    QCOMPARE(p.panel.model().queues.keys(), (QStringList{"600", "601"}));

    emit p.cti.sigAllQueuesStatsReceived(officeReply());
    p.panel.close();
    QCoreApplication::sendPostedEvents();
    QCOMPARE(own.size(), 1);
    QVERIFY(p.panel.model().queues.isEmpty());
}

void TestSupervisorPanel::rebuildsKeepFormsFlat()
{
    Panel p;
    const int before = topLevelForms();
    QTableWidget *ops = p.table("tbOperators");
    for (int i = 0; i < 5; ++i) {
        p.panel.onQueueStatsRcvd(officeReply());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // A form is made when its add button is first used.
        QCOMPARE(topLevelForms() - before, 0);
        for (int c = 2; c < ops->columnCount(); ++c) {
            auto *adder = qobject_cast<wdgNewOperator *>(ops->cellWidget(ops->rowCount() - 1, c));
            QVERIFY(adder);
            adder->findChild<QPushButton *>(QStringLiteral("pbAdd"))->click();
            adder->getAddDynamicOperator()->close();
        }
    }
    // One form per queue column, the earlier ones deleted with their cells.
    QCOMPARE(topLevelForms() - before, 2);
    p.panel.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(topLevelForms(), before);
}

void TestSupervisorPanel::queuesMissingFromAReplyLeftOut()
{
    Panel p;
    p.panel.onQueueStatsRcvd(officeReply());
    QCOMPARE(p.panel.getQueueInfo("Vendite").waitingCount, 5u);
    QSignalSpy totals(&p.panel, &MspMainWidget::sigGlobalAllQueuesCallsCountUpdated);
    p.panel.onQueueStatsRcvd({officeReply().first()});
    QCOMPARE(totals.last().at(0).toInt(), 2);
    const QueueStatus gone = p.panel.getQueueInfo("Vendite");
    QVERIFY(gone.id.isEmpty());
    QCOMPARE(gone.column, -1);
    QCOMPARE(p.table("tbQueues")->columnCount(), 1);
    QCOMPARE(p.panel.model().liveQueueIds(), QStringList{"600"});
    // Its events change nothing shown.
    QueueEvent e;
    e.queueId = "601";
    e.waitingCalls = 9;
    p.panel.onQueueEvent(e);
    QCOMPARE(totals.last().at(0).toInt(), 2);
}

void TestSupervisorPanel::notANumberShownAsZero()
{
    Panel p;
    p.panel.onQueueStatsRcvd(officeReply());
    QSignalSpy figures(&p.panel, &MspMainWidget::sigQueuePeriodicStatsUpdated);
    QueuePeriodicStats s;
    s.queueId = "600";
    s.periodType = 1; // today, the panel's default
    s.servedCalls = -4;
    s.servedMeanWait = std::nan("");
    s.servedMeanConversation = 59.9;
    s.lostCalls = 3;
    s.lostMeanWait = -2;
    p.panel.onQueuePeriodicStatsRcvd(s);
    QCOMPARE(figures.size(), 1);
    QCOMPARE(figures.first().at(1).toInt(), 0);
    QCOMPARE(figures.first().at(2).toDouble(), 0.0);
    QCOMPARE(figures.first().at(3).toDouble(), 59.0);
    QCOMPARE(figures.first().at(5).toDouble(), 0.0);
    QTableWidget *queues = p.table("tbQueues");
    QCOMPARE(queues->item(6, 0)->text(), QStringLiteral("00:00"));
    QCOMPARE(queues->item(7, 0)->text(), QStringLiteral("00:59"));
    QCOMPARE(queues->item(4, 0)->text(), QStringLiteral("3"));
    QVERIFY(queues->item(4, 0)->font().bold());
    QCOMPARE(queues->item(4, 0)->data(Qt::UserRole).toString(), QStringLiteral("00:00"));
}

void TestSupervisorPanel::refreshInterval_data()
{
    QTest::addColumn<int>("configured");
    QTest::addColumn<int>("seconds");
    QTest::newRow("record default 0") << 0 << 300;
    QTest::newRow("below the floor") << 3 << 10;
    QTest::newRow("as configured") << 120 << 120;
}

void TestSupervisorPanel::refreshInterval()
{
    QFETCH(int, configured);
    QFETCH(int, seconds);
    MctiConfig config;
    config.queueStatsRefreshTimeoutSecs = quint16(configured);
    Panel p(config);
    QCOMPARE(p.panel.refreshIntervalSecs(), seconds);
}

void TestSupervisorPanel::newMembershipAppended()
{
    Panel p;
    p.panel.onQueueStatsRcvd({queue("600", "Supporto", {member("202")}, 0), queue("601", "Vendite", {}, 0)});
    QueueMember m;
    m.account = "202";
    m.exten = "202";
    m.queueId = "601";
    m.memberType = 1;
    QSignalSpy added(&p.panel, &MspMainWidget::sigQueueMemberAdded);
    p.panel.onQueueMemberAdded(m);
    QCOMPARE(p.panel.model().memberQueues.value("202"), (QStringList{"600", "601"}));
    QCOMPARE(added.size(), 1);
    QVERIFY(p.panel.operatorCell("601", "202"));
    QCOMPARE(p.panel.model().queues.value("601").availableCount, 1);
    // Removing one of two memberships keeps the row.
    p.panel.onQueueMemberRemoved(m);
    QVERIFY(!p.panel.operatorCell("601", "202"));
    QVERIFY(p.panel.operatorCell("600", "202"));
    QCOMPARE(p.panel.model().memberQueues.value("202"), QStringList{"600"});
}

void TestSupervisorPanel::lastMembershipLeavesTheRowUntilTheRebuild()
{
    Panel p;
    p.panel.onQueueStatsRcvd(officeReply());
    QTableWidget *ops = p.table("tbOperators");
    const int rows = ops->rowCount();
    QueueMember m;
    m.account = "204";
    m.exten = "204";
    m.queueId = "601";
    const auto rowOf = [ops](const QString &account) {
        for (int r = 0; r < ops->rowCount(); ++r) {
            if (ops->item(r, 0) && ops->item(r, 0)->data(Qt::UserRole).toString() == account)
                return r;
        }
        return -1;
    };
    const int row204 = rowOf("204");
    QVERIFY(row204 >= 0);
    // 204's only membership ends: his row stays without cells until the next
    // rebuild, the others keep their places and their cells, the counts follow.
    p.panel.onQueueMemberRemoved(m);
    QCOMPARE(rowOf("204"), row204);
    QVERIFY(!p.panel.operatorCell("601", "204"));
    QCOMPARE(ops->rowCount(), rows);
    QVERIFY(p.panel.operatorCell("600", "203"));
    QCOMPARE(p.panel.model().queues.value("601").availableCount, 1);
    QCOMPARE(p.panel.model().queues.value("601").members.size(), 1);
    // Pauses of the members still there reach their cells and their counts.
    QueueMember op201 = m;
    op201.account = "201";
    op201.exten = "201";
    p.panel.onQueueMemberPauseChanged(op201, true);
    QVERIFY(p.panel.operatorCell("601", "201")->paused);
    QCOMPARE(p.panel.model().queues.value("601").pausedCount, 1);
    // 204 comes back before the next rebuild: his row gets the cell again.
    m.memberType = 1;
    p.panel.onQueueMemberAdded(m);
    QVERIFY(p.panel.operatorCell("601", "204"));
    QCOMPARE(p.panel.model().queues.value("601").availableCount, 1);
    // The rebuild without him leaves the row out.
    p.panel.onQueueMemberRemoved(m);
    QueueStatsList reply = officeReply();
    reply[1].members.removeLast();
    p.panel.onQueueStatsRcvd(reply);
    QCOMPARE(ops->rowCount(), rows - 1);
    QCOMPARE(rowOf("204"), -1);
}

void TestSupervisorPanel::operatorGetsNoMenu()
{
    Panel p;
    p.panel.setSessionFacts(1, 0x80, QStringLiteral("201"));
    p.panel.onQueueStatsRcvd(officeReply());
    QTableWidget *ops = p.table("tbOperators");
    ops->setCurrentCell(2, 2);
    emit ops->customContextMenuRequested(QPoint(-1, -1));
    const QList<QMenu *> menus = ops->findChildren<QMenu *>();
    QVERIFY(menus.isEmpty() || menus.last()->actions().isEmpty());
}

void TestSupervisorPanel::gridTakesEveryNewBox()
{
    wdgQueues tab;
    auto ids = [](int n) {
        QMap<QString, QString> m;
        for (int i = 0; i < n; ++i)
            m.insert(QString::number(600 + i), QStringLiteral("Coda %1").arg(i));
        return m;
    };
    QSignalSpy count(&tab, &wdgQueues::sigQueuesCountChanged);
    tab.updateQueuesList(ids(3));
    // Room for two boxes: 360 wide, or wider where this machine's fonts need it.
    const int box = tab.queueBox(QStringLiteral("600"))->maximumWidth();
    QVERIFY(box >= 360);
    const QSize area(2 * box + 40, 400);
    tab.adjustLayout(area);
    QCOMPARE(tab.laidOutColumns(), 2);
    // A fourth box in two columns keeps the shape's rows: it still gets its place.
    tab.updateQueuesList(ids(4));
    tab.adjustLayout(area);
    for (int i = 0; i < 4; ++i)
        QVERIFY(tab.gridLayout()->indexOf(tab.queueBox(QString::number(600 + i))) >= 0);
    tab.updateQueuesList(ids(5));
    tab.adjustLayout(area);
    int row = -1, column = -1, rs = 0, cs = 0;
    tab.gridLayout()->getItemPosition(tab.gridLayout()->indexOf(tab.queueBox("604")), &row, &column, &rs, &cs);
    QCOMPARE(row, 2);
    QCOMPARE(column, 0);
    // The same list again: nothing created, nothing announced.
    count.clear();
    tab.updateQueuesList(ids(5));
    QCOMPARE(count.size(), 0);
    tab.clear();
    QCOMPARE(count.size(), 1);
    QCOMPARE(count.first().at(0).toInt(), 0);
}

void TestSupervisorPanel::cellPauseButtonAsksAndWaits()
{
    Panel p;
    p.panel.resize(1200, 800);
    p.panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p.panel));
    p.panel.onQueueStatsRcvd(officeReply());
    QTableWidget *ops = p.table("tbOperators");
    auto *delegate = ops->findChild<OperatorCellDelegate *>();
    QVERIFY(delegate);
    QSignalSpy asked(delegate, &OperatorCellDelegate::pauseRequested);
    auto click = [ops](int row, int column, bool onButton) {
        const QModelIndex index = ops->model()->index(row, column);
        ops->scrollTo(index);
        const OperatorCellDelegate::Geometry g = OperatorCellDelegate::geometry(ops->visualRect(index));
        QTest::mouseClick(ops->viewport(), Qt::LeftButton, Qt::NoModifier,
                          onButton ? g.button.center() : g.lastCall.center());
    };
    // 201 in "Vendite" (column 3): active, so the button asks for a pause.
    QCOMPARE(p.panel.operatorCell("601", "201")->pauseButtonText(), QStringLiteral("Pausa"));
    click(0, 3, false);
    QCOMPARE(asked.size(), 0);
    click(0, 3, true);
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.first(), (QList<QVariant>{"201", "601", true}));
    // Nothing changes before the PBX reports it.
    QVERIFY(!p.panel.operatorCell("601", "201")->paused);
    QueueMember m;
    m.account = "201";
    m.exten = "201";
    m.queueId = "601";
    p.panel.onQueueMemberPauseChanged(m, true);
    QVERIFY(p.panel.operatorCell("601", "201")->paused);
    QCOMPARE(p.panel.operatorCell("601", "201")->pauseButtonText(), QStringLiteral("Riattiva"));
    QCOMPARE(p.panel.operatorCell("601", "201")->stateTimeText(QDateTime::currentDateTime().addSecs(65)),
             QStringLiteral("0:01:05"));
    // The other queue's cell of the same account is untouched.
    QVERIFY(!p.panel.operatorCell("600", "201")->paused);
    click(0, 3, true);
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked.last().at(2).toBool(), false);
    // A row's name and lamp cells have no button.
    click(0, 1, true);
    QCOMPARE(asked.size(), 2);

    // Under the mouse the cell is an operator widget with its own button.
    auto hover = [ops](int row, int column) {
        const QPoint at = ops->visualRect(ops->model()->index(row, column)).center();
        QMouseEvent move(QEvent::MouseMove, at, ops->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(ops->viewport(), &move);
    };
    hover(0, 3);
    auto *shown = qobject_cast<wdgOperatorInfo *>(ops->indexWidget(ops->model()->index(0, 3)));
    QVERIFY(shown);
    QVERIFY(shown->isVisible());
    QCOMPARE(shown->getOpNum(), QStringLiteral("201"));
    QVERIFY(shown->isPaused());
    auto *button = shown->findChild<QPushButton *>(QStringLiteral("btPause"));
    QCOMPARE(button->text(), QStringLiteral("Riattiva"));
    button->click();
    QCOMPARE(asked.size(), 3);
    QCOMPARE(asked.last(), (QList<QVariant>{"201", "601", false}));
    // The widget follows the PBX's report like the painted cell.
    p.panel.onQueueMemberPauseChanged(m, false);
    QCOMPARE(button->text(), QStringLiteral("Pausa"));
    QVERIFY(!shown->isPaused());
    // Elsewhere it goes; a rebuild leaves no widget behind.
    hover(0, 1);
    QVERIFY(!ops->indexWidget(ops->model()->index(0, 3)));
    hover(0, 3);
    QVERIFY(ops->indexWidget(ops->model()->index(0, 3)));
    // A membership that ends takes its widget with it.
    p.panel.onQueueMemberRemoved(m);
    QVERIFY(!p.panel.operatorCell("601", "201"));
    QVERIFY(!ops->indexWidget(ops->model()->index(0, 3)));
    hover(0, 2);
    QVERIFY(ops->indexWidget(ops->model()->index(0, 2)));
    p.panel.onQueueStatsRcvd(officeReply());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(ops->findChildren<wdgOperatorInfo *>().isEmpty());
}

void TestSupervisorPanel::customPeriod()
{
    Panel p;
    ScriptedPrompts prompts;
    p.panel.onQueueStatsRcvd(officeReply());
    auto *fromLabel = p.panel.findChild<QLabel *>(QStringLiteral("lblFromPeriod"));
    const QDateTime todayFrom = p.panel.periodFrom();
    QVERIFY(todayFrom.isValid());
    QSignalSpy shown(&p.panel, &MspMainWidget::sigStatsPeriodChanged);
    const QDateTime from(QDate(2026, 3, 1), QTime(8, 0));
    const QDateTime to(QDate(2026, 3, 31), QTime(18, 0));
    // An end before the start is refused and the dialog stays; then the
    // right bounds are saved.
    prompts.dialogNext([&](QDialog *d) {
        QCOMPARE(d->objectName(), QStringLiteral("dlgPeriod"));
        QCOMPARE(d->findChild<QDateTimeEdit *>(QStringLiteral("dateTimeFrom"))->dateTime(), todayFrom);
        d->findChild<QDateTimeEdit *>(QStringLiteral("dateTimeFrom"))->setDateTime(to);
        d->findChild<QDateTimeEdit *>(QStringLiteral("dateTimeTo"))->setDateTime(from);
        d->findChild<QPushButton *>(QStringLiteral("btSave"))->click();
        QVERIFY(d->isVisible());
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown.first().message.title, QStringLiteral("Dati incongruenti"));
        d->findChild<QDateTimeEdit *>(QStringLiteral("dateTimeFrom"))->setDateTime(from);
        d->findChild<QDateTimeEdit *>(QStringLiteral("dateTimeTo"))->setDateTime(to);
        d->findChild<QPushButton *>(QStringLiteral("btSave"))->click();
    });
    QTest::mouseClick(fromLabel, Qt::LeftButton);
    QCOMPARE(prompts.dialogRequests, QStringList{"dlgPeriod"});
    QCOMPARE(p.panel.periodFrom(), from);
    QCOMPARE(p.panel.periodTo(), to);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(fromLabel->text(), from.toString(QStringLiteral("ddd dd/MM/yy hh:mm")));
    // The next live refresh keeps the user's bounds.
    p.panel.onQueueStatsRcvd(officeReply());
    QCOMPARE(p.panel.periodFrom(), from);
    // A cancelled dialog changes nothing.
    prompts.dialogNext([](QDialog *d) { d->findChild<QPushButton *>(QStringLiteral("btCancel"))->click(); });
    QTest::mouseClick(fromLabel, Qt::LeftButton);
    QCOMPARE(p.panel.periodFrom(), from);
    // The user's next choice of a period counts at once.
    auto *combo = p.panel.findChild<QComboBox *>(QStringLiteral("cbTimeRange"));
    combo->setCurrentIndex(0);
    QVERIFY(p.panel.periodFrom() != from);
    QCOMPARE(shown.size(), 2);
}

DESKLINE_TEST_MAIN(TestSupervisorPanel)
#include "tst_supervisorpanel.moc"
