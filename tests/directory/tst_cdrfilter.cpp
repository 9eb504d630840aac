// The call-history filter window: quick choices, the incoming box that
// governs the six origin and destination boxes, "Applica" and "Ripristina",
// group and queue filters that the PBX does not offer.
#include "directory/wdgcdrfilter.h"
#include "settings/msettings.h"
#include "settings/msettingsstore.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "testmain.h"

class TestCdrFilter : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void choices_data();
    void choices();
    void incomingGovernsOrigins();
    void restoreDiscardsChanges();
    void queueGroupUnavailable();
    void queueGroupBackWithoutIncoming();
    void loadKeepsIncomingOnlyBits();
    void form();

private:
    QCheckBox *box(const char *name) { return filter->findChild<QCheckBox *>(QLatin1String(name)); }
    void click(const char *name) { filter->findChild<QPushButton *>(QLatin1String(name))->click(); }
    QScopedPointer<QTemporaryDir> dir;
    QScopedPointer<MSettingsStore> store;
    QScopedPointer<wdgCdrFilter> filter;
};

void TestCdrFilter::init()
{
    filter.reset();
    store.reset();
    dir.reset(new QTemporaryDir);
    MSETTINGS::setSettingsDirPath(dir->path());
    store.reset(new MSettingsStore(MctiConfig()));
    store->init();
    store->setCdrFilterValue(MctiConfig::MCdrFilterFlags(0x3ff));
    filter.reset(new wdgCdrFilter(store.data()));
}

void TestCdrFilter::choices_data()
{
    QTest::addColumn<bool>("queueGroup");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("value");
    QTest::newRow("only missed") << true << "missedCallsButton" << 0x2fd;
    QTest::newRow("only missed, no queue and group") << false << "missedCallsButton" << 0x23d;
    QTest::newRow("hide all") << true << "unselectAllButton" << 0;
    QTest::newRow("show all") << true << "selectAllButton" << 0x3ff;
}

void TestCdrFilter::choices()
{
    QFETCH(bool, queueGroup);
    QFETCH(QString, button);
    QFETCH(int, value);
    if (!queueGroup)
        filter->disableQueueGroupCheckboxes();
    filter->putOnTop();
    QList<int> changed;
    connect(filter.data(), &wdgCdrFilter::sigCdrFilterChanged, this,
            [&changed](MctiConfig::MCdrFilterFlags f) { changed << int(f); });
    QSignalSpy closed(filter.data(), &wdgCdrFilter::sigCdrFilterClosed);
    click(button.toLatin1().constData());
    QCOMPARE(changed.count(), 0); // nothing stored before "Applica"
    click("okButton");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first(), value);
    QCOMPARE(int(store->getCdrFilterValue()), value);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!filter->isVisible());
}

void TestCdrFilter::incomingGovernsOrigins()
{
    box("incoming_cB")->click();
    for (const char *name :
         {"int_source_cB", "ext_source_cB", "other_source_cB", "direct_cB", "group_cB", "queue_cB"}) {
        QVERIFY(!box(name)->isChecked());
        QVERIFY(!box(name)->isEnabled());
    }
    click("okButton");
    QCOMPARE(int(store->getCdrFilterValue()) & 0xfd, 0);
    box("incoming_cB")->click();
    QVERIFY(box("queue_cB")->isEnabled());
}

void TestCdrFilter::restoreDiscardsChanges()
{
    box("outcoming_cB")->click();
    box("answered_cB")->click();
    click("restoreButton");
    QCOMPARE(int(filter->checkedFlags()), 0x3ff);
}

void TestCdrFilter::queueGroupUnavailable()
{
    QList<int> changed;
    connect(filter.data(), &wdgCdrFilter::sigCdrFilterChanged, this,
            [&changed](MctiConfig::MCdrFilterFlags f) { changed << int(f); });
    filter->disableQueueGroupCheckboxes();
    QCOMPARE(changed, QList<int>{0x33f});
    QCOMPARE(int(store->getCdrFilterValue()), 0x33f);
    QVERIFY(!box("group_cB")->isEnabled());
    click("selectAllButton");
    QVERIFY(!box("queue_cB")->isChecked());
    filter->enableQueueGroupCheckboxes();
    QVERIFY(box("group_cB")->isEnabled());
    QVERIFY(!box("group_cB")->isChecked());
}

// Back on a newer PBX, "Gruppo" and "Coda" can be used at once, whatever
// "Entranti" shows; their check state and the stored filter stay.
void TestCdrFilter::queueGroupBackWithoutIncoming()
{
    filter->disableQueueGroupCheckboxes();
    box("incoming_cB")->click();
    QVERIFY(!box("incoming_cB")->isChecked());
    QVERIFY(!box("group_cB")->isEnabled());
    filter->enableQueueGroupCheckboxes();
    QVERIFY(filter->queueGroupFiltersAvailable());
    QVERIFY(box("group_cB")->isEnabled());
    QVERIFY(box("queue_cB")->isEnabled());
    QVERIFY(!box("queue_cB")->isChecked());
    QVERIFY(!box("direct_cB")->isEnabled());
    QCOMPARE(int(store->getCdrFilterValue()), 0x33f);
    // "Entranti" checked again enables the other four too.
    box("incoming_cB")->click();
    QVERIFY(box("direct_cB")->isEnabled());
    QVERIFY(box("queue_cB")->isEnabled());
}

// A stored filter without "Entranti" but with an origin bit shows that box
// checked and disabled; "Applica" keeps the bit.
void TestCdrFilter::loadKeepsIncomingOnlyBits()
{
    store->setCdrFilterValue(MctiConfig::MCdrFilterFlags(0x306));
    filter->updateGui();
    QVERIFY(!box("incoming_cB")->isChecked());
    QVERIFY(box("int_source_cB")->isChecked());
    QVERIFY(!box("int_source_cB")->isEnabled());
    QVERIFY(!box("ext_source_cB")->isChecked());
    QVERIFY(box("outcoming_cB")->isChecked());
    QCOMPARE(int(filter->checkedFlags()), 0x306);
    click("okButton");
    QCOMPARE(int(store->getCdrFilterValue()), 0x306);
}

void TestCdrFilter::form()
{
    QCOMPARE(filter->objectName(), QStringLiteral("wdgCdrFilter"));
    QCOMPARE(filter->windowTitle(), QStringLiteral("Filtro Registro"));
    QCOMPARE(filter->minimumSize(), QSize(450, 360));
    QCOMPARE(filter->maximumSize(), QSize(450, 360));
    const QList<QPair<QString, QString>> groups{{"direction_groupBox", "Direzione"},
                                                {"type_groupBox", "Origine (chiamate entranti)"},
                                                {"type_groupBox_2", "Destinazione (chiamate entranti)"},
                                                {"status_groupBox", "Stato"}};
    for (const auto &g : groups)
        QCOMPARE(filter->findChild<QGroupBox *>(g.first)->title(), g.second);
    QCOMPARE(box("group_cB")->parentWidget()->objectName(), QStringLiteral("type_groupBox_2"));
    QCOMPARE(filter->findChild<QPushButton *>("missedCallsButton")->text(), QStringLiteral("Solo Perse"));
    QCOMPARE(filter->findChild<QPushButton *>("okButton")->text(), QStringLiteral("Applica"));
}

DESKLINE_TEST_MAIN(TestCdrFilter)
#include "tst_cdrfilter.moc"
