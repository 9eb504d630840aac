// Queues end to end: a main window logged in to the simulated PBX as a queue
// operator pauses and resumes his queues from the queues tab and the pause-all
// button; a supervisor sees the panel's tables fill and follow the PBX.
#include "ctilib.h"
#include "queues/dlgreportthreshold.h"
#include "queues/mspmainwidget.h"
#include "queues/operatorcell.h"
#include "queues/operatorwidgets.h"
#include "queues/queuescontroller.h"
#include "queues/wdgqueues.h"
#include "queues/wdgqueuestats.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testmain.h"
#include "widgets/mainwindowicons.h"
#include "widgets/mpguiassets.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>

using namespace sessiontest;

namespace
{
bool simPaused(const PbxSimulator &sim, const QString &queueId, const QString &account)
{
    for (const QueueStatsMember &m : sim.data().queues.value(queueId).members) {
        if (m.memberId == account)
            return m.paused;
    }
    return false;
}

bool simMember(const PbxSimulator &sim, const QString &queueId, const QString &account)
{
    for (const QueueStatsMember &m : sim.data().queues.value(queueId).members) {
        if (m.memberId == account)
            return true;
    }
    return false;
}

QImage lamp(const QString &resource)
{
    return MPGUI::ledPixmap(QIcon(resource), resource).toImage();
}

QImage shownLamp(const MPGui &w)
{
    return widgetOf<QLabel>(w, QStringLiteral("lblLedQueueStatus"))->pixmap(Qt::ReturnByValue).toImage();
}

QPushButton *boxPauseButton(wdgQueueStats *box)
{
    auto *group = box->findChild<QGroupBox *>(QStringLiteral("gbGroup"));
    return group ? group->findChild<QPushButton *>(QStringLiteral("btPause"), Qt::FindDirectChildrenOnly) : nullptr;
}

bool hasCell(QTableWidget *t, int row, int column)
{
    const QTableWidgetItem *item = t->item(row, column);
    return item && item->data(OperatorRoles::Cell).isValid();
}

OperatorCell cellAt(QTableWidget *t, int row, int column)
{
    return t->item(row, column)->data(OperatorRoles::Cell).value<OperatorCell>();
}

// Clicks the pause button painted in an operator cell, as the user does.
void clickCellPause(QTableWidget *t, int row, int column)
{
    const QModelIndex index = t->model()->index(row, column);
    t->scrollTo(index);
    const QPoint at = OperatorCellDelegate::geometry(t->visualRect(index)).button.center();
    QTest::mouseClick(t->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

int operatorRow(QTableWidget *t, const QString &account)
{
    for (int r = 0; r < t->rowCount(); ++r) {
        if (t->item(r, 0) && t->item(r, 0)->data(Qt::UserRole).toString() == account)
            return r;
    }
    return -1;
}

int headerColumn(QTableWidget *t, const QString &name)
{
    for (int c = 0; c < t->columnCount(); ++c) {
        if (t->horizontalHeaderItem(c) && t->horizontalHeaderItem(c)->text() == name)
            return c;
    }
    return -1;
}

// Right-click on a cell of the operators table, then the menu entry.
bool useMenu(QTableWidget *t, int row, int column, const QString &actionName)
{
    t->setCurrentCell(row, column);
    emit t->customContextMenuRequested(t->visualRect(t->model()->index(row, column)).center());
    // The newest menu (the previous one goes at the next event-loop turn).
    const QList<QMenu *> menus = t->findChildren<QMenu *>(QStringLiteral("operatorsMenu"));
    if (menus.isEmpty())
        return false;
    QMenu *menu = menus.last();
    for (QAction *a : menu->actions()) {
        if (a->objectName() == actionName) {
            a->trigger();
            menu->close();
            return true;
        }
    }
    menu->close();
    return false;
}
} // namespace

class TestSessionQueues : public QObject
{
    Q_OBJECT

private slots:
    void operatorPausesOneQueueAndAll();
    void pauseAllWithoutAnswerGivesControlsBack();
    void supervisorTablesFill();
    void supervisorAddsAndRemovesMembers();
    void supervisorStatisticsForEachPeriod_data();
    void supervisorStatisticsForEachPeriod();
    void disconnectionEmptiesTheQueues();
    void reportSaved_data();
    void reportSaved();
};

void TestSessionQueues::operatorPausesOneQueueAndAll()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config(QStringLiteral("luca"), QStringLiteral("luca"))};
    QVERIFY(startAndLogin(w));
    QCOMPARE(w.currentQueueRole(), 1);
    auto *tab = widgetOf<wdgQueues>(w, QStringLiteral("queuesGui"));
    auto *status = widgetOf<QLabel>(w, QStringLiteral("lblQueueStatus"));
    auto *pauseAll = widgetOf<QPushButton>(w, QStringLiteral("btnPauseAll"));
    auto *tabs = widgetOf<QTabWidget>(w, QStringLiteral("tabContactsWidget"));
    QWidget *queuePage = widgetOf<QWidget>(w, QStringLiteral("queueTabWidget"));

    // Luca (202) belongs to "Supporto" only; the page and the button come.
    QTRY_COMPARE_WITH_TIMEOUT(tab->queueCount(), 1, 10000);
    wdgQueueStats *box = tab->queueBox(QStringLiteral("600"));
    QVERIFY(box);
    QVERIFY(tabs->indexOf(queuePage) >= 0);
    QTRY_COMPARE(status->text(), QStringLiteral("Stato Code: ATTIVE (0/1)"));
    QVERIFY(!pauseAll->isHidden());
    QVERIFY(pauseAll->isEnabled());
    QCOMPARE(shownLamp(w), lamp(QStringLiteral(":/images/led_green.png")));
    // The box is in the grid.
    QVERIFY(tab->gridLayout()->indexOf(box) >= 0);

    // The box's button pauses the queue; the PBX's report changes everything.
    QPushButton *boxButton = boxPauseButton(box);
    QVERIFY(boxButton);
    boxButton->click();
    QTRY_VERIFY(simPaused(*f.sim, QStringLiteral("600"), QStringLiteral("202")));
    QTRY_COMPARE(status->text(), QStringLiteral("Stato Code: IN PAUSA (1/1)"));
    QCOMPARE(shownLamp(w), lamp(QStringLiteral(":/images/led_red.png")));
    QCOMPARE(box->findChild<QLabel *>(QStringLiteral("lblPauseStatus"))->text(),
             QStringLiteral("Stato sulla coda: IN PAUSA"));
    QCOMPARE(boxButton->text(), QStringLiteral("Riattiva"));

    // The account row asks for the opposite of the confirmed state and shows
    // the change only when the PBX reports it.
    wdgQueueAccount *row = box->accountRow(QStringLiteral("202"));
    QVERIFY(row);
    QVERIFY(row->isPaused());
    row->findChild<QPushButton *>(QStringLiteral("btPause"))->click();
    QVERIFY(row->isPaused());
    QTRY_VERIFY(!simPaused(*f.sim, QStringLiteral("600"), QStringLiteral("202")));
    QTRY_VERIFY(!row->isPaused());
    QTRY_COMPARE(status->text(), QStringLiteral("Stato Code: ATTIVE (0/1)"));

    // Pause on all queues, then resume.
    pauseAll->click();
    QTRY_VERIFY(simPaused(*f.sim, QStringLiteral("600"), QStringLiteral("202")));
    QTRY_COMPARE(status->text(), QStringLiteral("Stato Code: IN PAUSA (1/1)"));
    QVERIFY(pauseAll->isEnabled());
    // The tray tells the pause too.
    QVERIFY(w.systemTrayIcon()->toolTip().endsWith(QStringLiteral(" - In pausa")));
    QAction *pauseAllAction = actionNamed(w, QStringLiteral("pauseAllAction"));
    QVERIFY(pauseAllAction->isChecked());
    pauseAllAction->trigger();
    QTRY_VERIFY(!simPaused(*f.sim, QStringLiteral("600"), QStringLiteral("202")));
    QTRY_COMPARE(status->text(), QStringLiteral("Stato Code: ATTIVE (0/1)"));
    QVERIFY(pauseAll->isEnabled());
    QVERIFY(!pauseAllAction->isChecked());
    QCOMPARE(shownLamp(w), lamp(QStringLiteral(":/images/led_green.png")));
    QVERIFY(!w.systemTrayIcon()->toolTip().contains(QStringLiteral("pausa")));
    QVERIFY(prompts.shown.isEmpty());
}

void TestSessionQueues::pauseAllWithoutAnswerGivesControlsBack()
{
    // The PBX does not act on the request: after the wait the controls are
    // usable again instead of staying disabled for good.
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config(QStringLiteral("luca"), QStringLiteral("luca"))};
    QVERIFY(startAndLogin(w));
    auto *tab = widgetOf<wdgQueues>(w, QStringLiteral("queuesGui"));
    QTRY_COMPARE_WITH_TIMEOUT(tab->queueCount(), 1, 10000);
    auto *status = widgetOf<QLabel>(w, QStringLiteral("lblQueueStatus"));
    QTRY_COMPARE(status->text(), QStringLiteral("Stato Code: ATTIVE (0/1)"));
    QueuesController *queues = w.queuesController();
    queues->setPauseAllTimeoutMs(200);
    // Luca's membership leaves the PBX's data: the request changes nothing.
    PbxSimData data = f.sim->data();
    data.queues[QStringLiteral("600")].members.removeAt(1);
    f.sim->setData(data);
    auto *pauseAll = widgetOf<QPushButton>(w, QStringLiteral("btnPauseAll"));
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    pauseAll->click();
    QVERIFY(!pauseAll->isEnabled());
    QTRY_VERIFY(pauseAll->isEnabled());
    QVERIFY(actionNamed(w, QStringLiteral("pauseAllAction"))->isEnabled());
    // The request reached the PBX (on a busy machine, maybe only after the wait).
    QTRY_VERIFY(commands.size() > 0);
}

void TestSessionQueues::supervisorTablesFill()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    QCOMPARE(w.currentQueueRole(), 2);
    MspMainWidget *panel = w.supervisorPanelWidget();
    QVERIFY(panel);
    QVERIFY(panel->isHidden());
    widgetOf<QPushButton>(w, QStringLiteral("btnSVP"))->click();
    QVERIFY(panel->isVisible());
    auto *queuesTable = panel->findChild<QTableWidget *>(QStringLiteral("tbQueues"));
    auto *operators = panel->findChild<QTableWidget *>(QStringLiteral("tbOperators"));
    QAbstractItemModelTester queuesTester(queuesTable->model());
    QAbstractItemModelTester operatorsTester(operators->model());

    QTRY_COMPARE_WITH_TIMEOUT(queuesTable->columnCount(), 2, 10000);
    QCOMPARE(queuesTable->horizontalHeaderItem(0)->text(), QStringLiteral("Supporto"));
    QCOMPARE(queuesTable->horizontalHeaderItem(1)->text(), QStringLiteral("Vendite"));
    // Seven accounts and the add row.
    QTRY_COMPARE(operators->rowCount(), 8);
    QCOMPARE(headerColumn(operators, QStringLiteral("Vendite")), 3);
    const int row202 = operatorRow(operators, QStringLiteral("202"));
    QVERIFY(row202 >= 0);
    QVERIFY(hasCell(operators, row202, 2));
    QVERIFY(!hasCell(operators, row202, 3));
    QVERIFY(qobject_cast<wdgNewOperator *>(operators->cellWidget(7, 2)));
    QCOMPARE(queuesTable->item(0, 0)->text(), QStringLiteral("0"));
    // The supervisor is in both queues: both boxes and both memberships.
    auto *tab = widgetOf<wdgQueues>(w, QStringLiteral("queuesGui"));
    QTRY_COMPARE(tab->queueCount(), 2);
    QTRY_COMPARE(widgetOf<QLabel>(w, QStringLiteral("lblQueueStatus"))->text(),
                 QStringLiteral("Stato Code: ATTIVE (0/2)"));
    // Only the user's own memberships count in the global state.
    QCOMPARE(w.queuesController()->pauseMap().value(QStringLiteral("600")).keys(), QStringList{"201"});

    // Waiting calls reach the table, the total and the main window's counter.
    QVERIFY(f.sim->sendQueueEvent(QStringLiteral("601"), 3));
    QTRY_COMPARE(queuesTable->item(0, 1)->text(), QStringLiteral("3"));
    QCOMPARE(panel->findChild<QLabel *>(QStringLiteral("lblTotCall"))->text(), QStringLiteral("3"));
    QTRY_COMPARE(widgetOf<QLabel>(w, QStringLiteral("lblQueueCount"))->text(), QStringLiteral("3"));
    QTRY_COMPARE(tab->queueBox(QStringLiteral("601"))->findChild<QLabel *>(QStringLiteral("currentCallsValue"))->text(),
                 QStringLiteral("3"));

    // A busy lamp lights up and the operators are counted again.
    f.sim->setBlf(QStringLiteral("202"), 1);
    QTRY_COMPARE(operators->item(row202, 1)->data(1009).toInt(), 1);
    QTRY_VERIFY(queuesTable->item(3, 0)->text().contains(QStringLiteral("/1/")));
    f.sim->setBlf(QStringLiteral("202"), 8);
    QTRY_COMPARE(operators->item(row202, 1)->data(1009).toInt(), 8);
    QCOMPARE(operators->item(row202, 1)->toolTip(), QStringLiteral("L'interno sta squillando"));
    // The lamp follows the ringing animation's frames.
    QSignalSpy frames(panel->findChild<QMovie *>(QStringLiteral("ringingMovie")), &QMovie::frameChanged);
    QVERIFY(frames.wait(2000));
    QVERIFY(operators->item(row202, 1)->data(OperatorRoles::Ringing).toBool());
    f.sim->setBlf(QStringLiteral("202"), 0);
    QTRY_COMPARE(operators->item(row202, 1)->data(1009).toInt(), 0);
    QCOMPARE(operators->item(row202, 1)->toolTip(), QStringLiteral("Interno libero"));

    // A supervisor pauses an operator from his cell.
    QVERIFY(!cellAt(operators, row202, 2).paused);
    clickCellPause(operators, row202, 2);
    QTRY_VERIFY(simPaused(*f.sim, QStringLiteral("600"), QStringLiteral("202")));
    QTRY_VERIFY(cellAt(operators, row202, 2).paused);
    QCOMPARE(cellAt(operators, row202, 2).pauseButtonText(), QStringLiteral("Riattiva"));
    // And resumes him.
    clickCellPause(operators, row202, 2);
    QTRY_VERIFY(!simPaused(*f.sim, QStringLiteral("600"), QStringLiteral("202")));
    QTRY_VERIFY(!cellAt(operators, row202, 2).paused);
    // Someone else's pause does not change the user's global state.
    QCOMPARE(widgetOf<QLabel>(w, QStringLiteral("lblQueueStatus"))->text(), QStringLiteral("Stato Code: ATTIVE (0/2)"));
}

void TestSessionQueues::supervisorAddsAndRemovesMembers()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    MspMainWidget *panel = w.supervisorPanelWidget();
    widgetOf<QPushButton>(w, QStringLiteral("btnSVP"))->click();
    auto *operators = panel->findChild<QTableWidget *>(QStringLiteral("tbOperators"));
    QTRY_COMPARE_WITH_TIMEOUT(operators->rowCount(), 8, 10000);
    const int row = operatorRow(operators, QStringLiteral("202"));
    const int sales = headerColumn(operators, QStringLiteral("Vendite"));
    QSignalSpy added(panel, &MspMainWidget::sigQueueMemberAdded);
    QVERIFY(useMenu(operators, row, sales, QStringLiteral("addQueueMemberAction")));
    QTRY_VERIFY(simMember(*f.sim, QStringLiteral("601"), QStringLiteral("202")));
    QTRY_VERIFY(hasCell(operators, row, sales));
    QCOMPARE(cellAt(operators, row, sales).status, 1);
    QCOMPARE(added.size(), 1);
    QVERIFY(panel->model().memberQueues.value(QStringLiteral("202")).contains(QStringLiteral("601")));
    // Someone else's membership stays out of the user's pause state.
    QVERIFY(!w.queuesController()->pauseMap().value(QStringLiteral("601")).contains(QStringLiteral("202")));

    QVERIFY(useMenu(operators, row, sales, QStringLiteral("removeQueueMemberAction")));
    QTRY_VERIFY(!simMember(*f.sim, QStringLiteral("601"), QStringLiteral("202")));
    QTRY_VERIFY(!hasCell(operators, row, sales));
    QVERIFY(hasCell(operators, row, 2));
    // A static member's cell offers nothing.
    QVERIFY(!useMenu(operators, row, 2, QStringLiteral("removeQueueMemberAction")));
}

void TestSessionQueues::supervisorStatisticsForEachPeriod_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("type");
    const QList<int> types{0, 1, 7, 2, 3, 9, 4, 5, 6};
    for (int i = 0; i < types.size(); ++i)
        QTest::addRow("index %d", i) << i << types.at(i);
}

void TestSessionQueues::supervisorStatisticsForEachPeriod()
{
    QFETCH(int, index);
    QFETCH(int, type);
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    MspMainWidget *panel = w.supervisorPanelWidget();
    auto *queuesTable = panel->findChild<QTableWidget *>(QStringLiteral("tbQueues"));
    QTRY_COMPARE_WITH_TIMEOUT(queuesTable->columnCount(), 2, 10000);
    auto *progress = panel->findChild<QLabel *>(QStringLiteral("lblLoadingProgress"));
    QTRY_COMPARE(progress->text(), QStringLiteral("OK"));
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    QSignalSpy periodShown(panel, &MspMainWidget::sigStatsPeriodChanged);
    auto *combo = panel->findChild<QComboBox *>(QStringLiteral("cbTimeRange"));
    if (combo->currentIndex() == index)
        combo->setCurrentIndex(index == 0 ? 1 : 0);
    commands.clear();
    periodShown.clear();
    combo->setCurrentIndex(index);
    QCOMPARE(periodShown.size(), 1);
    auto asked = [&commands, type]() {
        for (const QList<QVariant> &c : qAsConst(commands)) {
            if (c.at(1).toString() == QLatin1String("getQueuePeriodicStats") &&
                c.at(2).toJsonObject().value(QStringLiteral("period")).toInt() == type)
                return true;
        }
        return false;
    };
    QTRY_VERIFY(asked());
    // Every queue's period rows come in and the loader goes back to idle.
    QTRY_VERIFY(queuesTable->item(5, 0) && queuesTable->item(5, 1));
    QTRY_COMPARE(progress->text(), QStringLiteral("OK"));
    QVERIFY(!queuesTable->item(6, 0)->text().isEmpty());
    QCOMPARE(widgetOf<QLabel>(w, QStringLiteral("lblFromPeriod"))->text(), periodShown.first().at(0).toString());
}

void TestSessionQueues::disconnectionEmptiesTheQueues()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config(QStringLiteral("luca"), QStringLiteral("luca"))};
    QVERIFY(startAndLogin(w));
    auto *tab = widgetOf<wdgQueues>(w, QStringLiteral("queuesGui"));
    QTRY_COMPARE_WITH_TIMEOUT(tab->queueCount(), 1, 10000);
    QSignalSpy count(tab, &wdgQueues::sigQueuesCountChanged);
    f.sim->disconnectClients(QStringLiteral("luca"), QStringLiteral("UserRequest"));
    QTRY_COMPARE(tab->queueCount(), 0);
    QVERIFY(w.queuesController()->pauseMap().isEmpty());
    QVERIFY(!w.supervisorPanelWidget());
    auto *tabs = widgetOf<QTabWidget>(w, QStringLiteral("tabContactsWidget"));
    QCOMPARE(tabs->indexOf(widgetOf<QWidget>(w, QStringLiteral("queueTabWidget"))), -1);
    QVERIFY(widgetOf<QPushButton>(w, QStringLiteral("btnPauseAll"))->isHidden());
}

void TestSessionQueues::reportSaved_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::addColumn<bool>("ok");
    QTest::newRow("extension added") << "report"
                                     << "report.xlsx" << true;
    QTest::newRow("extension kept, capitals") << "REPORT.XLSX"
                                              << "REPORT.XLSX" << true;
    QTest::newRow("directory missing") << "missing/report"
                                       << "missing/report.xlsx" << false;
}

void TestSessionQueues::reportSaved()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QFETCH(bool, ok);
    SessionFixture f;
    ScriptedPrompts prompts;
    QTemporaryDir out;
    prompts.fileNext(out.filePath(chosen));
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    QAction *report = actionWithText(w, QStringLiteral("Crea &Report"));
    QVERIFY(report);
    QTRY_VERIFY(report->isEnabled());
    report->trigger();
    DlgReportThreshold *dialog = w.queuesController()->reportRequestDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    dialog->findChild<QLineEdit *>(QStringLiteral("txtThrAnsw1"))->setText(QStringLiteral("30"));
    dialog->findChild<QLineEdit *>(QStringLiteral("txtThrAnsw2"))->setText(QStringLiteral("10"));
    dialog->findChild<QLineEdit *>(QStringLiteral("txtThrAnsw3"))->setText(QStringLiteral("20"));
    dialog->findChild<QLineEdit *>(QStringLiteral("txtThrLost1"))->setText(QStringLiteral("-5"));
    dialog->findChild<QComboBox *>(QStringLiteral("cbTimeRange"))->setCurrentIndex(2);
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(prompts.fileRequests, QStringList{QStringLiteral("Scegli dove salvare il report")});
    QVERIFY(!report->isEnabled());

    auto sent = [&commands]() -> QJsonObject {
        for (const QList<QVariant> &c : qAsConst(commands)) {
            if (c.at(1).toString() == QLatin1String("getCCReport"))
                return c.at(2).toJsonObject();
        }
        return QJsonObject();
    };
    QTRY_VERIFY(!sent().isEmpty());
    QCOMPARE(sent().value(QStringLiteral("period")).toInt(), 7);
    QCOMPARE(sent().value(QStringLiteral("answered")).toArray(), (QJsonArray{10, 20, 30}));
    QCOMPARE(sent().value(QStringLiteral("lost")).toArray(), QJsonArray());
    QCOMPARE(sent().value(QStringLiteral("language")).toString(), QStringLiteral("IT"));

    QTRY_COMPARE(prompts.shown.size(), 1);
    QVERIFY(report->isEnabled());
    QFile file(out.filePath(written));
    if (ok) {
        QCOMPARE(prompts.shown.first().message.kind, PromptService::Kind::Information);
        QVERIFY(prompts.shown.first().message.text.endsWith(out.filePath(written)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("queue;name;served;lost"));
        // The parameters are remembered for the next report.
        report->trigger();
        DlgReportThreshold *again = w.queuesController()->reportRequestDialog();
        QVERIFY(again);
        QCOMPARE(again->getAnswerThresholdList(), (QList<int>{10, 20, 30}));
        QCOMPARE(again->findChild<QLineEdit *>(QStringLiteral("txtThrAnsw1"))->text(), QStringLiteral("10"));
        again->reject();
    } else {
        // A report that could not be written is not shown as created.
        QCOMPARE(prompts.shown.first().message.kind, PromptService::Kind::Warning);
        QVERIFY(!file.exists());
    }
}

DESKLINE_TEST_MAIN(TestSessionQueues)
#include "tst_session_queues.moc"
