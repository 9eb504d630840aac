// The bounded random value behind every spread-out delay of the main window.
#include "guiutils.h"
#include "testmain.h"

#include <QSet>

#include <cstdlib>

class TestGuiUtils : public QObject {
    Q_OBJECT

private slots:
    void randomValueBounds_data();
    void randomValueBounds();
    void randomValueUsesTheWholeRange();
    void randomValueIsNotReplayedBySeeding();
};

void TestGuiUtils::randomValueBounds_data()
{
    QTest::addColumn<int>("base");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::newRow("range 0 is the base") << 5000 << 0 << 5000 << 5000;
    QTest::newRow("range 1 is the base") << 7 << 1 << 7 << 7;
    QTest::newRow("reconnection") << 5000 << 3000 << 5000 << 7999;
    QTest::newRow("negative range uses its magnitude") << 100 << -10 << 100 << 109;
    QTest::newRow("negative base") << -50 << 20 << -50 << -31;
    QTest::newRow("most negative range") << 0 << INT_MIN << 0 << INT_MAX;
}

void TestGuiUtils::randomValueBounds()
{
    QFETCH(int, base);
    QFETCH(int, range);
    QFETCH(int, low);
    QFETCH(int, high);
    for (int i = 0; i < 2000; ++i) {
        const int v = GuiUtils::randomValue(base, range);
        QVERIFY2(v >= low && v <= high, qPrintable(QString::number(v)));
    }
}

void TestGuiUtils::randomValueUsesTheWholeRange()
{
    QSet<int> seen;
    for (int i = 0; i < 2000 && seen.size() < 4; ++i)
        seen.insert(GuiUtils::randomValue(10, 4));
    QCOMPARE(seen, (QSet<int>{10, 11, 12, 13}));
}

void TestGuiUtils::randomValueIsNotReplayedBySeeding()
{
    // Every client used to draw the same delays after the same seed; the
    // values must not follow the C library's or Qt's seedable generators.
    auto draw = [] {
        QList<int> values;
        for (int i = 0; i < 16; ++i)
            values << GuiUtils::randomValue(5000, 3000);
        return values;
    };
    std::srand(1);
    const QList<int> first = draw();
    std::srand(1);
    const QList<int> second = draw();
    QVERIFY(first != second);
}

DESKLINE_TEST_MAIN(TestGuiUtils)
#include "tst_guiutils.moc"
