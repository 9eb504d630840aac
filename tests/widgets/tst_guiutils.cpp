// The bounded random value behind every spread-out delay of the main window.
#include "testmain.h"
#include "widgets/guiutils.h"

#include <QSet>

#include <cstdlib>
#include <ctime>

class TestGuiUtils : public QObject
{
    Q_OBJECT

private slots:
    void randomValueBounds_data();
    void randomValueBounds();
    void randomValueUsesTheWholeRange();
    void randomValueIsNotReplayedBySeeding();
    void initTestCase();
    void minSecString_data();
    void minSecString();
    void periods_data();
    void periods();
    void periodOutsideTheTableWritesNothing();
    void periodWithOnlyAStartPointer();
    void simplifyPhoneNumber_data();
    void simplifyPhoneNumber();
    void contactKinds_data();
    void contactKinds();
};

void TestGuiUtils::initTestCase()
{
    // The periods are checked on the days the clocks change in Italy.
    qputenv("TZ", "Europe/Rome");
    tzset();
}

void TestGuiUtils::minSecString_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "00:00";
    QTest::newRow("negative") << qint64(-5) << "00:00";
    QTest::newRow("59") << qint64(59) << "00:59";
    QTest::newRow("75") << qint64(75) << "01:15";
    QTest::newRow("an hour") << qint64(3600) << "60:00";
    QTest::newRow("100 minutes") << qint64(6000) << "100:00";
    // Beyond 32 bits the count must not wrap into a negative or small value.
    QTest::newRow("above 32 bits") << qint64(4294967296LL + 61) << "71582789:17";
}

void TestGuiUtils::minSecString()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(GuiUtils::secondToMinSecString(seconds), text);
}

void TestGuiUtils::periods_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("period");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("end");
    const auto at = [](int y, int m, int d, int h, int min, int s = 0, int ms = 0) {
        return QDateTime(QDate(y, m, d), QTime(h, min, s, ms), Qt::LocalTime);
    };
    // Sunday 31 March 2024: clocks go forward at 02:00. Sunday 27 October 2024: back at 03:00.
    const QDateTime spring = at(2024, 3, 31, 10, 0);
    const QDateTime autumn = at(2024, 10, 27, 10, 0);
    const QDateTime afterSpring = at(2024, 4, 1, 10, 0); // Monday after the change
    QTest::newRow("last hour over the spring gap")
        << at(2024, 3, 31, 3, 30) << 0 << at(2024, 3, 31, 1, 30) << at(2024, 3, 31, 3, 30);
    QTest::newRow("today, spring") << spring << 1 << at(2024, 3, 31, 0, 0) << spring;
    QTest::newRow("this week, spring Sunday") << spring << 2 << at(2024, 3, 25, 0, 0) << spring;
    QTest::newRow("this month, autumn") << autumn << 3 << at(2024, 10, 1, 0, 0) << autumn;
    QTest::newRow("last 30 days across spring") << afterSpring << 4 << at(2024, 3, 3, 0, 0) << afterSpring;
    QTest::newRow("last 60 days across autumn")
        << at(2024, 11, 5, 9, 0) << 5 << at(2024, 9, 7, 0, 0) << at(2024, 11, 5, 9, 0);
    QTest::newRow("last 90 days across spring") << afterSpring << 6 << at(2024, 1, 3, 0, 0) << afterSpring;
    QTest::newRow("yesterday is the short spring day")
        << afterSpring << 7 << at(2024, 3, 31, 0, 0) << at(2024, 3, 31, 23, 59, 59, 999);
    QTest::newRow("yesterday is the long autumn day")
        << at(2024, 10, 28, 10, 0) << 7 << at(2024, 10, 27, 0, 0) << at(2024, 10, 27, 23, 59, 59, 999);
    QTest::newRow("previous week holds the spring change")
        << afterSpring << 8 << at(2024, 3, 25, 0, 0) << at(2024, 3, 31, 23, 59, 59, 999);
    QTest::newRow("previous month in January")
        << at(2025, 1, 15, 8, 0) << 9 << at(2024, 12, 1, 0, 0) << at(2024, 12, 31, 23, 59, 59, 999);
    QTest::newRow("previous month holds the autumn change")
        << at(2024, 11, 2, 8, 0) << 9 << at(2024, 10, 1, 0, 0) << at(2024, 10, 31, 23, 59, 59, 999);
    QTest::newRow("this week on a Monday starts today") << afterSpring << 2 << at(2024, 4, 1, 0, 0) << afterSpring;
}

void TestGuiUtils::periods()
{
    QFETCH(QDateTime, now);
    QFETCH(int, period);
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, end);
    QDateTime from, to;
    QVERIFY(GuiUtils::datesFromPeriod(CTILIB::PeriodType(period), &from, &to, now));
    QCOMPARE(from, start);
    QCOMPARE(to, end);
    // Local midnights stay midnights on the days the clocks change.
    if (period != 0)
        QCOMPARE(from.time(), QTime(0, 0));
}

void TestGuiUtils::periodOutsideTheTableWritesNothing()
{
    const QDateTime mark(QDate(2000, 1, 1), QTime(12, 0));
    QDateTime from = mark, to = mark;
    QVERIFY(!GuiUtils::datesFromPeriod(CTILIB::PeriodType(10), &from, &to));
    QVERIFY(!GuiUtils::datesFromPeriod(CTILIB::PeriodInvalid, &from, &to));
    QCOMPARE(from, mark);
    QCOMPARE(to, mark);
}

void TestGuiUtils::periodWithOnlyAStartPointer()
{
    QDateTime from;
    QVERIFY(GuiUtils::datesFromPeriod(CTILIB::PeriodToday, &from, nullptr));
    QCOMPARE(from, QDateTime(QDate::currentDate(), QTime(0, 0)));
}

void TestGuiUtils::simplifyPhoneNumber_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("simplified");
    QTest::newRow("separators") << "+1 (2) 3-4"
                                << "+1234";
    QTest::newRow("slash and dot") << "0/1.2"
                                   << "012";
    QTest::newRow("quotes and backslash") << "'02'\\\"12\""
                                          << "0212";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("lone plus") << "+"
                               << "";
    QTest::newRow("letters") << "abc"
                             << "";
    QTest::newRow("plus not first") << "3+9"
                                    << "39";
    QTest::newRow("trailing plus") << "12+"
                                   << "12";
    QTest::newRow("blanks around") << "  02 1234  "
                                   << "021234";
    // Texts that parse as floating-point values are not phone numbers.
    QTest::newRow("inf") << "inf"
                         << "";
    QTest::newRow("nan") << "+nan"
                         << "";
    QTest::newRow("exponent") << "1e5"
                              << "";
    QTest::newRow("hexadecimal") << "0x1F"
                                 << "";
    QTest::newRow("star") << "*21"
                          << "";
}

void TestGuiUtils::simplifyPhoneNumber()
{
    QFETCH(QString, number);
    QFETCH(QString, simplified);
    QCOMPARE(GuiUtils::simplifyPhoneNumber(number), simplified);
}

void TestGuiUtils::contactKinds_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("subtype");
    QTest::addColumn<QString>("is"); // m mobile, f fixed, x extension, e e-mail, - none
    QTest::newRow("mobile") << "phone"
                            << "mobile"
                            << "m";
    QTest::newRow("work mobile") << "phone"
                                 << "work_mobile"
                                 << "m";
    QTest::newRow("main") << "phone"
                          << "main"
                          << "f";
    QTest::newRow("home") << "phone"
                          << "home"
                          << "f";
    QTest::newRow("work") << "phone"
                          << "work"
                          << "f";
    QTest::newRow("fax") << "phone"
                         << "fax"
                         << "f";
    QTest::newRow("extension") << "phone"
                               << "exten"
                               << "x";
    QTest::newRow("case matters") << "phone"
                                  << "Mobile"
                                  << "-";
    QTest::newRow("kind case matters") << "Phone"
                                       << "mobile"
                                       << "-";
    QTest::newRow("e-mail whatever its subtype") << "email"
                                                 << "mobile"
                                                 << "e";
    QTest::newRow("im") << "im"
                        << ""
                        << "-";
}

void TestGuiUtils::contactKinds()
{
    QFETCH(QString, kind);
    QFETCH(QString, subtype);
    QFETCH(QString, is);
    ContactEntry entry;
    entry.kind = kind;
    entry.subtype = subtype;
    QCOMPARE(GuiUtils::isMobileContact(entry), is == "m");
    QCOMPARE(GuiUtils::isFixedContact(entry), is == "f");
    QCOMPARE(GuiUtils::isExtenContact(entry), is == "x");
    QCOMPARE(GuiUtils::isEmailContact(entry), is == "e");
}

void TestGuiUtils::randomValueBounds_data()
{
    QTest::addColumn<int>("base");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::newRow("range 0 is the base") << 5000 << 0 << 5000 << 5000;
    QTest::newRow("range 1 is the base") << 7 << 1 << 7 << 7;
    QTest::newRow("reconnection") << 5000 << 3000 << 5000 << 7999;
    QTest::newRow("negative range counts down") << 100 << -10 << 91 << 100;
    QTest::newRow("range -3") << 10 << -3 << 8 << 10;
    QTest::newRow("negative base") << -50 << 20 << -50 << -31;
    QTest::newRow("most negative range") << 0 << INT_MIN << INT_MIN << 0;
    QTest::newRow("most negative range from the lowest base stays in range")
        << INT_MIN << INT_MIN << INT_MIN << INT_MIN;
    QTest::newRow("large base and range stay in range") << INT_MAX << INT_MAX << INT_MAX << INT_MAX;
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
