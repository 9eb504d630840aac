// The call-history search panel: starts on the message page with today in
// both dates, relays its inputs, switches pages.
#include "directory/wdgcdr.h"
#include "widgets/customsearchlineedit.h"

#include <QDateEdit>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTreeView>
#include <QtTest>

#include "testmain.h"

class TestWdgCdr : public QObject
{
    Q_OBJECT
private slots:
    void freshPanel();
    void relaysInputs();
};

void TestWdgCdr::freshPanel()
{
    wdgCdr panel;
    auto *stack = panel.findChild<QStackedWidget *>("stackedWidget");
    QCOMPARE(stack->currentWidget(), panel.findChild<QWidget *>("emptyCdrTxt"));
    QCOMPARE(panel.getFromDate(), QDate::currentDate());
    QCOMPARE(panel.getToDate(), QDate::currentDate());
    QCOMPARE(panel.findChild<QTextEdit *>("emptyCdrTxt")->toPlainText(),
             QStringLiteral("Non sono presenti chiamate nell'intervallo temporale selezionato."));
    panel.changeTableView(0);
    QCOMPARE(stack->currentWidget(), panel.getCdrTable());
    panel.changeTableView(7); // not a page: nothing changes
    QCOMPARE(stack->currentWidget(), panel.getCdrTable());
}

void TestWdgCdr::relaysInputs()
{
    wdgCdr panel;
    QSignalSpy from(&panel, &wdgCdr::sigDateFromChanged);
    QSignalSpy to(&panel, &wdgCdr::sigDateToChanged);
    QSignalSpy text(&panel, &wdgCdr::sigTextChanged);
    const QDate yesterday = QDate::currentDate().addDays(-1);
    panel.findChild<QDateEdit *>("dateFrom")->setDate(yesterday);
    panel.findChild<QDateEdit *>("dateTo")->setDate(yesterday);
    QTest::keyClicks(panel.findChild<CustomSearchLineEdit *>("txtCaller"), "ro");
    QCOMPARE(from.count(), 1);
    QCOMPARE(from.first().first().toDate(), yesterday);
    QCOMPARE(to.count(), 1);
    QCOMPARE(text.count(), 2);
    QCOMPARE(text.last().first().toString(), QStringLiteral("ro"));
}

DESKLINE_TEST_MAIN(TestWdgCdr)
#include "tst_wdgcdr.moc"
