// The queues of a main window logged in to the PBX simulator: a queue the PBX
// has no period figures for shows zero counts and zero times in the
// supervisor's queue table; memberships added and removed reach the main
// window only for known extensions and for an account's last queue; the
// pause texts of the operator's queue box are whole, in the normal and in the
// large-font view.
#include "ctilib.h"
#include "queues/mspmainwidget.h"
#include "queues/operatorcell.h"
#include "queues/queuescontroller.h"
#include "queues/wdgqueues.h"
#include "queues/wdgqueuestats.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testmain.h"

#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>

using namespace sessiontest;

namespace
{
int headerColumn(QTableWidget *t, const QString &name)
{
    for (int c = 0; c < t->columnCount(); ++c) {
        if (t->horizontalHeaderItem(c) && t->horizontalHeaderItem(c)->text() == name)
            return c;
    }
    return -1;
}

int operatorRow(QTableWidget *t, const QString &account)
{
    for (int r = 0; r < t->rowCount(); ++r) {
        if (t->item(r, 0) && t->item(r, 0)->data(Qt::UserRole).toString() == account)
            return r;
    }
    return -1;
}

bool hasCell(QTableWidget *t, int row, int column)
{
    const QTableWidgetItem *item = t->item(row, column);
    return item && item->data(OperatorRoles::Cell).isValid();
}

QString cellText(QTableWidget *t, int row, int column)
{
    const QTableWidgetItem *item = t->item(row, column);
    return item ? item->text() : QStringLiteral("(none)");
}

// The label shows its whole text, inside the box it is drawn in.
bool wholeText(const QLabel *label, const QWidget *box)
{
    const int needed = label->fontMetrics().size(Qt::TextSingleLine, label->text()).width();
    const QRect inBox(label->mapTo(box, QPoint(0, 0)), label->size());
    return label->isVisible() && label->contentsRect().width() >= needed && inBox.right() < box->width();
}

// Right-click on a cell of the operators table, then the menu entry.
bool useMenu(QTableWidget *t, int row, int column, const QString &actionName)
{
    t->setCurrentCell(row, column);
    emit t->customContextMenuRequested(t->visualRect(t->model()->index(row, column)).center());
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

class TestSessionSupervisor : public QObject
{
    Q_OBJECT
private slots:
    void queueWithoutFiguresShowsZeros();
    void membershipReachesTheWindow();
    void pauseTextsFitTheQueueBox();
};

void TestSessionSupervisor::queueWithoutFiguresShowsZeros()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    MspMainWidget *panel = w.supervisorPanelWidget();
    QVERIFY(panel);
    widgetOf<QPushButton>(w, QStringLiteral("btnSVP"))->click();
    auto *queues = panel->findChild<QTableWidget *>(QStringLiteral("tbQueues"));
    QTRY_COMPARE_WITH_TIMEOUT(queues->columnCount(), 2, 10000);
    const int support = headerColumn(queues, QStringLiteral("Supporto"));
    const int sales = headerColumn(queues, QStringLiteral("Vendite"));
    // Both queues have their figures first.
    QTRY_VERIFY_WITH_TIMEOUT(cellText(queues, 5, sales) != QLatin1String("(none)"), 10000);
    QTRY_VERIFY(cellText(queues, 5, sales) != QLatin1String("0"));

    // The PBX has none for "Vendite" any more: its period and last-hour rows
    // go back to zero counts and zero times at the next choice of period.
    QCOMPARE(f.sim->executeControl(QStringLiteral("periodstats 601 off")), QStringLiteral("OK"));
    auto *combo = panel->findChild<QComboBox *>(QStringLiteral("cbTimeRange"));
    combo->setCurrentIndex(3); // "Settimana corrente"
    QTRY_COMPARE_WITH_TIMEOUT(cellText(queues, 5, sales), QStringLiteral("0"), 10000);
    QTRY_COMPARE(cellText(queues, 2, sales), QStringLiteral("00:00"));
    QCOMPARE(cellText(queues, 4, sales), QStringLiteral("0"));
    QCOMPARE(queues->item(4, sales)->data(Qt::UserRole).toString(), QStringLiteral("00:00"));
    QCOMPARE(cellText(queues, 6, sales), QStringLiteral("00:00"));
    QCOMPARE(cellText(queues, 7, sales), QStringLiteral("00:00"));
    // "Supporto" keeps coming with its figures, as minutes and seconds.
    QVERIFY(cellText(queues, 5, support) != QLatin1String("0"));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d+:\\d\\d$")).match(cellText(queues, 6, support)).hasMatch());
    QVERIFY(cellText(queues, 6, support) != QLatin1String("00:00"));
}

void TestSessionSupervisor::membershipReachesTheWindow()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    MspMainWidget *panel = w.supervisorPanelWidget();
    widgetOf<QPushButton>(w, QStringLiteral("btnSVP"))->click();
    auto *operators = panel->findChild<QTableWidget *>(QStringLiteral("tbOperators"));
    QTRY_COMPARE_WITH_TIMEOUT(operators->rowCount(), 8, 10000);
    const int sales = headerColumn(operators, QStringLiteral("Vendite"));
    const int support = headerColumn(operators, QStringLiteral("Supporto"));
    QSignalSpy added(panel, &MspMainWidget::sigQueueMemberAdded);
    QSignalSpy removed(panel, &MspMainWidget::sigQueueMemberRemoved);

    // 202 joins "Vendite" too, then leaves it: still a member of "Supporto".
    const int row202 = operatorRow(operators, QStringLiteral("202"));
    QVERIFY(useMenu(operators, row202, sales, QStringLiteral("addQueueMemberAction")));
    QTRY_VERIFY(hasCell(operators, row202, sales));
    QCOMPARE(added.size(), 1);
    QVERIFY(useMenu(operators, row202, sales, QStringLiteral("removeQueueMemberAction")));
    QTRY_VERIFY(!hasCell(operators, row202, sales));
    QVERIFY(hasCell(operators, row202, support));
    QCOMPARE(removed.size(), 0);

    // 203 leaves "Supporto", its only queue.
    const int row203 = operatorRow(operators, QStringLiteral("203"));
    QVERIFY(row203 >= 0);
    QVERIFY(useMenu(operators, row203, support, QStringLiteral("removeQueueMemberAction")));
    QTRY_COMPARE(removed.size(), 1);
    QCOMPARE(removed.first().at(0).toString(), QStringLiteral("600"));
    QCOMPARE(removed.first().at(1).toString(), QStringLiteral("203"));

    // An account of no known extension, added by another supervisor, counts
    // in the queue but is not announced.
    const int unregistered = panel->model().queues.value(QStringLiteral("601")).unregisteredCount;
    w.ctiClient()->addQueueDynamicMember(QStringLiteral("601"), QStringLiteral("7777"), -1);
    QTRY_COMPARE(panel->model().queues.value(QStringLiteral("601")).unregisteredCount, unregistered + 1);
    QCOMPARE(added.size(), 1);
    // The user's own state is untouched by all of it.
    QCOMPARE(widgetOf<QLabel>(w, QStringLiteral("lblQueueStatus"))->text(), QStringLiteral("Stato Code: ATTIVE (0/2)"));
}

void TestSessionSupervisor::pauseTextsFitTheQueueBox()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config(QStringLiteral("luca"), QStringLiteral("luca"))};
    QVERIFY(startAndLogin(w));
    w.show();
    auto *tab = widgetOf<wdgQueues>(w, QStringLiteral("queuesGui"));
    QTRY_COMPARE_WITH_TIMEOUT(tab->queueCount(), 1, 10000);
    auto *tabs = widgetOf<QTabWidget>(w, QStringLiteral("tabContactsWidget"));
    tabs->setCurrentWidget(widgetOf<QWidget>(w, QStringLiteral("queueTabWidget")));
    wdgQueueStats *box = tab->queueBox(QStringLiteral("600"));
    QTRY_VERIFY(box->isVisible());

    // Paused from the box's button: the queue's and the account's state.
    auto *group = box->findChild<QGroupBox *>(QStringLiteral("gbGroup"));
    group->findChild<QPushButton *>(QStringLiteral("btPause"), Qt::FindDirectChildrenOnly)->click();
    QTRY_VERIFY(box->accountRow(QStringLiteral("202")) && box->accountRow(QStringLiteral("202"))->isPaused());
    auto *queueState = box->findChild<QLabel *>(QStringLiteral("lblPauseStatus"));
    auto *accountState = box->accountRow(QStringLiteral("202"))->findChild<QLabel *>(QStringLiteral("lblStatus"));
    QCOMPARE(queueState->text(), QStringLiteral("Stato sulla coda: IN PAUSA"));
    QCOMPARE(accountState->text(), QStringLiteral("IN PAUSA"));
    QTRY_VERIFY2(wholeText(queueState, box), qPrintable(QString::number(queueState->width())));
    QTRY_VERIFY2(wholeText(accountState, box), qPrintable(QString::number(accountState->width())));
    QCOMPARE(box->width(), 360);

    // The large-font view: larger texts, still whole; the box grows for them.
    const int normalPixels = QFontInfo(queueState->font()).pixelSize();
    w.onVimpairedViewRequested(true);
    QTRY_VERIFY(QFontInfo(queueState->font()).pixelSize() > normalPixels + 4);
    QTRY_VERIFY2(wholeText(queueState, box), qPrintable(QString::number(queueState->width())));
    QTRY_VERIFY2(wholeText(accountState, box), qPrintable(QString::number(accountState->width())));
    for (QLabel *label : group->findChildren<QLabel *>())
        // A ticking time is laid out on the turn after its new text.
        QTRY_VERIFY2(wholeText(label, box) || !label->isVisible(),
                     qPrintable(label->objectName() + QLatin1Char(' ') + label->text()));
    QVERIFY(box->width() > 360);

    // And back to the normal view.
    w.onVimpairedViewRequested(false);
    QTRY_COMPARE(box->width(), 360);
    QVERIFY(wholeText(queueState, box));
}

DESKLINE_TEST_MAIN(TestSessionSupervisor)
#include "tst_session_supervisor.moc"
