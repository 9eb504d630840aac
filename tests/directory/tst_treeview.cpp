// The list view of the directories: Enter reports the current row, keys on
// a top-level row move the current index to column 0, drops are relayed.
#include "directory/customtreeview.h"

#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

#include "testmain.h"

class TestCustomTreeView : public QObject
{
    Q_OBJECT
private slots:
    void keys_data();
    void keys();
};

void TestCustomTreeView::keys_data()
{
    QTest::addColumn<bool>("onChild");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("enterCount");
    QTest::addColumn<int>("currentColumn");
    QTest::newRow("enter on a child row") << true << 0 << int(Qt::Key_Return) << 1 << 0;
    QTest::newRow("enter on column 3") << false << 3 << int(Qt::Key_Enter) << 1 << 0;
    QTest::newRow("other key on column 3") << false << 3 << int(Qt::Key_Space) << 0 << 0;
}

void TestCustomTreeView::keys()
{
    QFETCH(bool, onChild);
    QFETCH(int, column);
    QFETCH(int, key);
    QFETCH(int, enterCount);
    QFETCH(int, currentColumn);
    QStandardItemModel model(2, 4);
    auto *child = new QStandardItem(QStringLiteral("201"));
    model.setItem(0, 0, new QStandardItem(QStringLiteral("Mario")));
    model.item(0, 0)->appendRow(child);
    CustomTreeView view;
    view.setModel(&model);
    view.expandAll();
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QModelIndex start = onChild ? model.indexFromItem(child) : model.index(1, column);
    view.setCurrentIndex(start);
    QSignalSpy enter(&view, &CustomTreeView::sigEnterPressed);
    QTest::keyClick(&view, Qt::Key(key));
    QCOMPARE(enter.count(), enterCount);
    if (enterCount)
        QCOMPARE(enter.first().first().toModelIndex(), onChild ? start : model.index(1, 0));
    if (!onChild)
        QCOMPARE(view.currentIndex().column(), currentColumn);
}

DESKLINE_TEST_MAIN(TestCustomTreeView)
#include "tst_treeview.moc"
