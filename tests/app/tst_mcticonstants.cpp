#include "app/mcticonstants.h"
#include "testmain.h"

#include <QDateTime>
#include <QtTest>

class TestMctiConstants : public QObject
{
    Q_OBJECT

private slots:
    void stripPattern_data();
    void stripPattern();
    void dateTimeFormat();
    void emptyTexts();
    void keyNames();
};

void TestMctiConstants::stripPattern_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("clean");
    QTest::newRow("every separator") << "+39 (02) 1234-567,8.9/0\\1"
                                     << "+390212345678901";
    QTest::newRow("tabs and newlines") << "02\t12\n34"
                                       << "021234";
    QTest::newRow("letters and other signs stay") << "*31#x+1"
                                                  << "*31#x+1";
    QTest::newRow("nothing to strip") << "0212345"
                                      << "0212345";
}

void TestMctiConstants::stripPattern()
{
    QFETCH(QString, number);
    QFETCH(QString, clean);
    QString n = number;
    n.remove(PHONE_NUMBER_STRIP_PATTERN);
    QCOMPARE(n, clean);
    QVERIFY(PHONE_NUMBER_STRIP_PATTERN.isValid());
}

void TestMctiConstants::dateTimeFormat()
{
    const QDateTime t(QDate(2024, 3, 7), QTime(21, 5, 9, 42));
    QCOMPARE(t.toString(DATETIME_FORMAT), QString("2024-03-07T21:05:09.042"));
    QCOMPARE(QDateTime::fromString("2024-03-07T21:05:09.042", DATETIME_FORMAT), t);
}

void TestMctiConstants::emptyTexts()
{
    QVERIFY(CALL_DIR_NONE.isEmpty());
    QCOMPARE(CALL_DIR_NONE, QUEUE_MEMBER_NONE);
    QCOMPARE(CALL_DIR_NONE, QString(""));
}

void TestMctiConstants::keyNames()
{
    const QStringList keys{
        PHONE_KEY_OK,       PHONE_KEY_ENTER,   PHONE_KEY_MUTE,   PHONE_KEY_X,       PHONE_KEY_CANCEL,
        PHONE_KEY_ANSWER,   PHONE_KEY_CALLEND, PHONE_KEY_ONHOOK, PHONE_KEY_OFFHOOK, PHONE_KEY_REDIAL,
        PHONE_KEY_DND_ON,   PHONE_KEY_DND_OFF, PHONE_KEY_REC,    PHONE_KEY_SPEAKER, PHONE_KEY_HEADSET,
        PHONE_KEY_TRANSFER, PHONE_KEY_HOLD,    PHONE_KEY_0,      PHONE_KEY_1,       PHONE_KEY_2,
        PHONE_KEY_3,        PHONE_KEY_4,       PHONE_KEY_5,      PHONE_KEY_6,       PHONE_KEY_7,
        PHONE_KEY_8,        PHONE_KEY_9,       PHONE_KEY_POUND,  PHONE_KEY_STAR};
    QCOMPARE(keys.join(','), QString("OK,ENTER,MUTE,X,CANCEL,ANSWER,CALLEND,ONHOOK,OFFHOOK,REDIAL,DNDOn,DNDOff,"
                                     "REC,SPEAKER,HEADSET,TRANSFER,HOLD,0,1,2,3,4,5,6,7,8,9,POUND,STAR"));
}

DESKLINE_TEST_MAIN(TestMctiConstants)
#include "tst_mcticonstants.moc"
