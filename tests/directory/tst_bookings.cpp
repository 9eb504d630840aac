// Booked calls in the stack of call lines: a booking joins the stack without
// taking the display, its cancel button and the cancel request remove it,
// and the line shown afterwards is the one the user expects.
#include "directory/bookedcalls.h"
#include "testhelpers.h"
#include "testmain.h"
#include "widgets/wdgbookedline.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>

class TestBookings : public QObject
{
    Q_OBJECT
private slots:
    void bookingDoesNotTakeTheDisplay();
    void bookingInAnEmptyStackIsShown();
    void cancelKeepsTheRightLineCurrent_data();
    void cancelKeepsTheRightLineCurrent();
    void cancelButtonAsksForTheCancel();
    void twiceOrUnknownIsIgnored();
};

namespace
{
// A stack of `lines` plain line widgets named "line0"...
struct Stack {
    QStackedWidget stack;
    BookedCalls booked{stack};
    explicit Stack(int lines)
    {
        for (int i = 0; i < lines; ++i) {
            auto *w = new QWidget;
            w->setObjectName(QStringLiteral("line%1").arg(i));
            stack.addWidget(w);
        }
    }
    // The current line: a booking as "booked <number>", a plain line by name.
    QString current() const { return nameOf(stack.currentWidget()); }
    static QString nameOf(QWidget *w)
    {
        if (auto *b = qobject_cast<wdgBookedLine *>(w))
            return QStringLiteral("booked ") + b->getRemoteNum();
        return w ? w->objectName() : QString();
    }
    QWidget *lineNamed(const QString &name) const
    {
        for (int i = 0; i < stack.count(); ++i) {
            if (nameOf(stack.widget(i)) == name)
                return stack.widget(i);
        }
        return nullptr;
    }
};
} // namespace

void TestBookings::bookingDoesNotTakeTheDisplay()
{
    Stack s(2);
    s.stack.setCurrentIndex(1);
    QSignalSpy changed(&s.booked, &BookedCalls::linesChanged);
    QVERIFY(s.booked.book(QStringLiteral("203"), QStringLiteral("Sara Verdi")));
    QCOMPARE(s.stack.count(), 3);
    QCOMPARE(s.current(), QStringLiteral("line1"));
    QCOMPARE(changed.count(), 1);
    wdgBookedLine *line = s.booked.lineOf(QStringLiteral("203"));
    QCOMPARE(s.stack.indexOf(line), 2);
    QCOMPARE(line->getRemoteNum(), QStringLiteral("203"));
    QCOMPARE(line->getRemoteName(), QStringLiteral("Sara Verdi"));
}

void TestBookings::bookingInAnEmptyStackIsShown()
{
    Stack s(0);
    QVERIFY(s.booked.book(QStringLiteral("203"), QString()));
    QCOMPARE(s.stack.currentWidget(), s.booked.lineOf(QStringLiteral("203")));
}

void TestBookings::cancelKeepsTheRightLineCurrent_data()
{
    QTest::addColumn<int>("others"); // plain lines before the bookings
    QTest::addColumn<QStringList>("bookings");
    QTest::addColumn<QString>("shown"); // the current line before the cancel
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<QString>("expected");
    QTest::newRow("current booking first: the next becomes current") << 0 << QStringList{"201", "202"} << "booked 201"
                                                                     << "201"
                                                                     << "booked 202";
    QTest::newRow("current booking at index 2: index 1 becomes current") << 2 << QStringList{"203"} << "booked 203"
                                                                         << "203"
                                                                         << "line1";
    QTest::newRow("booking before the current line: it stays") << 0 << QStringList{"201", "202"} << "booked 202"
                                                               << "201"
                                                               << "booked 202";
    QTest::newRow("booking after the current line: it stays") << 2 << QStringList{"203"} << "line0"
                                                              << "203"
                                                              << "line0";
    QTest::newRow("the only line") << 0 << QStringList{"201"} << "booked 201"
                                   << "201"
                                   << "";
}

void TestBookings::cancelKeepsTheRightLineCurrent()
{
    QFETCH(int, others);
    QFETCH(QStringList, bookings);
    QFETCH(QString, shown);
    QFETCH(QString, cancel);
    QFETCH(QString, expected);
    Stack s(others);
    for (const QString &n : bookings)
        QVERIFY(s.booked.book(n, QString()));
    s.stack.setCurrentWidget(s.lineNamed(shown));
    QCOMPARE(s.current(), shown);
    QPointer<wdgBookedLine> line = s.booked.lineOf(cancel);
    QVERIFY(s.booked.cancel(cancel));
    QVERIFY(!s.booked.isBooked(cancel));
    QCOMPARE(s.stack.count(), others + bookings.size() - 1);
    QCOMPARE(s.current(), expected);
    QTRY_VERIFY(line.isNull()); // deleted later
}

void TestBookings::cancelButtonAsksForTheCancel()
{
    Stack s(1);
    QVERIFY(s.booked.book(QStringLiteral("203"), QString()));
    s.stack.setCurrentWidget(s.booked.lineOf(QStringLiteral("203")));
    s.stack.show();
    QSignalSpy asked(&s.booked, &BookedCalls::cancelRequested);
    testsupport::clickButton(*s.booked.lineOf(QStringLiteral("203")), QStringLiteral("btBookingCancel"));
    QCOMPARE(asked.count(), 1);
    QCOMPARE(asked.first().first().toString(), QStringLiteral("203"));
}

void TestBookings::twiceOrUnknownIsIgnored()
{
    Stack s(1);
    QVERIFY(s.booked.book(QStringLiteral("203"), QString()));
    QVERIFY(!s.booked.book(QStringLiteral("203"), QString()));
    QCOMPARE(s.stack.count(), 2);
    QVERIFY(!s.booked.cancel(QStringLiteral("209")));
    QVERIFY(!s.booked.book(QString(), QString()));
    QCOMPARE(s.stack.count(), 2);
}

DESKLINE_TEST_MAIN(TestBookings)
#include "tst_bookings.moc"
