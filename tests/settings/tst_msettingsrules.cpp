// Read rules of the settings file, its private permissions and the automatic
// action map.
#include "settings/mctiaction.h"
#include "settings/msettingsrules.h"
#include "testmain.h"

#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestMSettingsRules : public QObject
{
    Q_OBJECT

private slots:
    void intRules_data();
    void intRules();
    void maskedUnsigned_data();
    void maskedUnsigned();
    void switches_data();
    void switches();
    void semicolonList();
    void numberedSubgroupsSkipGapsAndNames();
    void privateDirAndFile();
    void commitReportsUnwritableFile();
    void actionKeyHashesEventTypeAndTemplate();
    void equalActionsShareOneEntry();
    void collidingKeyTakesNextFreeKey();
    void actionsForEventInKeyOrder();
};

void TestMSettingsRules::intRules_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("expected");

    // AppMode / Language: 0..2, otherwise 0.
    QTest::newRow("range in") << "range" << QVariant("2") << 2;
    QTest::newRow("range above") << "range" << QVariant("3") << 0;
    QTest::newRow("range negative") << "range" << QVariant("-1") << 0;
    QTest::newRow("range text") << "range" << QVariant("x") << 0;
    QTest::newRow("range empty") << "range" << QVariant("") << 0;
    // maxCdrViewDays: clamped to 1..30, the field's value (17) when not a number.
    QTest::newRow("clamp low") << "clamp" << QVariant("0") << 1;
    QTest::newRow("clamp high") << "clamp" << QVariant("45") << 30;
    QTest::newRow("clamp text") << "clamp" << QVariant("x") << 17;
    QTest::newRow("clamp in") << "clamp" << QVariant("12") << 12;
    // checkUpdatesTimeoutMins: negative or text -1, otherwise 10..1440.
    QTest::newRow("period negative") << "period" << QVariant("-5") << -1;
    QTest::newRow("period text") << "period" << QVariant("x") << -1;
    QTest::newRow("period zero") << "period" << QVariant("0") << 10;
    QTest::newRow("period small") << "period" << QVariant("5") << 10;
    QTest::newRow("period large") << "period" << QVariant("2000") << 1440;
    QTest::newRow("period in") << "period" << QVariant("90") << 90;
    // SIPRegisterExpiration: below 1 or text gives 300.
    QTest::newRow("positive zero") << "positive" << QVariant("0") << 300;
    QTest::newRow("positive text") << "positive" << QVariant("abc") << 300;
    QTest::newRow("positive ok") << "positive" << QVariant("60") << 60;
}

void TestMSettingsRules::intRules()
{
    QFETCH(QString, rule);
    QFETCH(QVariant, value);
    QFETCH(int, expected);
    int actual = 0;
    if (rule == "range")
        actual = MSettingsRules::intInRange(value, 0, 2, 0);
    else if (rule == "clamp")
        actual = MSettingsRules::clampedInt(value, 1, 30, 17);
    else if (rule == "period")
        actual = MSettingsRules::updatePeriod(value, 10, 1440);
    else
        actual = MSettingsRules::positiveInt(value, 300);
    QCOMPARE(actual, expected);
}

void TestMSettingsRules::maskedUnsigned_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<uint>("mask");
    QTest::addColumn<uint>("fallback");
    QTest::addColumn<uint>("expected");
    QTest::newRow("tos 300 keeps low byte") << QVariant("300") << 0xFFu << 0u << 44u;
    QTest::newRow("cdr 4095 keeps ten bits") << QVariant("4095") << 1023u << 1023u << 1023u;
    QTest::newRow("cdr text gives default") << QVariant("x") << 1023u << 1023u << 1023u;
    QTest::newRow("negative gives default") << QVariant("-1") << 0xFFFFu << 600u << 600u;
    QTest::newRow("16-bit wrap") << QVariant("65537") << 0xFFFFu << 0u << 1u;
}

void TestMSettingsRules::maskedUnsigned()
{
    QFETCH(QVariant, value);
    QFETCH(uint, mask);
    QFETCH(uint, fallback);
    QFETCH(uint, expected);
    QCOMPARE(MSettingsRules::maskedUnsigned(value, mask, fallback), quint32(expected));
}

void TestMSettingsRules::switches_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("defaultOn");
    QTest::addColumn<bool>("defaultOff");
    QTest::newRow("on") << QVariant("on") << true << true;
    QTest::newRow("off") << QVariant("off") << false << false;
    QTest::newRow("ON upper case") << QVariant("ON") << true << false;
    QTest::newRow("OFF upper case") << QVariant("OFF") << true << false;
    QTest::newRow("empty") << QVariant("") << true << false;
    QTest::newRow("missing") << QVariant() << true << false;
}

void TestMSettingsRules::switches()
{
    QFETCH(QVariant, value);
    QFETCH(bool, defaultOn);
    QFETCH(bool, defaultOff);
    QCOMPARE(MSettingsRules::switchDefaultOn(value), defaultOn);
    QCOMPARE(MSettingsRules::switchDefaultOff(value), defaultOff);
}

void TestMSettingsRules::semicolonList()
{
    QCOMPARE(MSettingsRules::semicolonList(QString()), QStringList());
    QCOMPARE(MSettingsRules::semicolonList("a;;b"), QStringList({"a", "", "b"}));
    QCOMPARE(MSettingsRules::semicolonList("Inbox"), QStringList({"Inbox"}));
}

void TestMSettingsRules::numberedSubgroupsSkipGapsAndNames()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("s.ini");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[ACTIONS]\n10\\actionText=ten\n2\\actionText=two\n3\\actionText=three\n"
                "abc\\actionText=x\n0\\actionText=zero\n-1\\actionText=neg\n");
    }
    QSettings s(path, QSettings::IniFormat);
    s.beginGroup("ACTIONS");
    QCOMPARE(MSettingsRules::numberedSubgroups(s), QStringList({"2", "3", "10"}));
}

void TestMSettingsRules::privateDirAndFile()
{
    QTemporaryDir dir;
    const QString settingsDir = dir.filePath("a/b/");
    QVERIFY(MSettingsRules::ensurePrivateDir(settingsDir));
    struct stat st {
    };
    QCOMPARE(::stat(QFile::encodeName(dir.filePath("a/b")).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0700);

    const QString file = settingsDir + "mcti.ini";
    {
        QSettings s(file, QSettings::IniFormat);
        s.setValue("CTI/user", "u");
        QVERIFY(MSettingsRules::commitPrivate(s));
    }
    QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);

    // A file widened by someone else is narrowed again on the next write.
    QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
    {
        QSettings s(file, QSettings::IniFormat);
        s.setValue("CTI/user", "v");
        QVERIFY(MSettingsRules::commitPrivate(s));
    }
    QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);
}

void TestMSettingsRules::commitReportsUnwritableFile()
{
    QTemporaryDir dir;
    // A directory where the file should be: nothing can be written there.
    QVERIFY(QDir(dir.path()).mkdir("mcti.ini"));
    QSettings s(dir.filePath("mcti.ini"), QSettings::IniFormat);
    s.setValue("CTI/user", "u");
    QVERIFY(!MSettingsRules::commitPrivate(s));
}

void TestMSettingsRules::actionKeyHashesEventTypeAndTemplate()
{
    MctiAction a;
    a.event = 1;
    a.actionType = 0;
    a.actionText = "x";
    QCOMPARE(MctiActions::hashKey(a), quint32(qHash(QStringLiteral("10x"), 0)));
    // A template with "%" markers is hashed as typed.
    a.actionText = "http://h/?n=%1";
    QCOMPARE(MctiActions::hashKey(a), quint32(qHash(QStringLiteral("10http://h/?n=%1"), 0)));
}

void TestMSettingsRules::equalActionsShareOneEntry()
{
    MctiActionMap map;
    MctiAction a;
    a.actionText = "http://crm/<callernum>";
    const quint32 k1 = MctiActions::insert(map, a);
    const quint32 k2 = MctiActions::insert(map, a);
    QCOMPARE(k1, k2);
    QCOMPARE(map.size(), 1);
}

void TestMSettingsRules::collidingKeyTakesNextFreeKey()
{
    MctiAction stored;
    stored.actionText = "already there";
    MctiAction fresh;
    fresh.event = 2;
    fresh.actionText = "new one";
    const quint32 key = MctiActions::hashKey(fresh);

    // Another action already holds the new one's key, and the next key too.
    MctiActionMap map;
    map.insert(key, stored);
    map.insert(key + 1, stored);
    const quint32 used = MctiActions::insert(map, fresh);
    QCOMPARE(used, key + 2);
    QCOMPARE(map.size(), 3);
    QCOMPARE(map.value(key), stored);
    QCOMPARE(map.value(used), fresh);
}

void TestMSettingsRules::actionsForEventInKeyOrder()
{
    MctiActionMap map;
    MctiAction a;
    a.event = 1;
    a.actionText = "a";
    MctiAction b = a;
    b.actionText = "b";
    MctiAction c = a;
    c.event = 0;
    c.actionText = "c";
    map.insert(17, a);
    map.insert(5, b);
    map.insert(9, c);
    QCOMPARE(MctiActions::forEvent(map, 1), QList<MctiAction>({b, a}));
    QCOMPARE(MctiActions::forEvent(map, 0), QList<MctiAction>({c}));
    QVERIFY(MctiActions::forEvent(map, 2).isEmpty());
}

DESKLINE_TEST_MAIN(TestMSettingsRules)
#include "tst_msettingsrules.moc"
