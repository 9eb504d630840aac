#include "framework/qdapplication.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestAppBase : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void describesDefaultRecord();
    void fillsEmptyFields();
    void singleAppErrorMessage();
    void removesExtraDumpFiles_data();
    void removesExtraDumpFiles();

private:
    const QString m_appName = QCoreApplication::applicationName();
};

void TestAppBase::cleanup()
{
    QCoreApplication::setApplicationName(m_appName);
}

void TestAppBase::describesDefaultRecord()
{
    const QString text = QdBaseAppConfig().toString();
    QVERIFY(text.startsWith("This QD Application is configured as follows: \nApplication Name:\t\t\n"));
    QVERIFY(text.contains("\nSingleApp Unique KEY: QD_BASE_APP\n"));
    QVERIFY(text.contains("\nSingleApp exit code: 1\n"));
    QVERIFY(text.contains("\nThere can be only one app of this type running:\t\tfalse\n"));
    QVERIFY(text.contains("\nConfirmation when OS is restarting: true\n"));
    QVERIFY(text.endsWith("\nWin Dump MaxFiles:\t\t5\n\n"));
}

void TestAppBase::fillsEmptyFields()
{
    QdBaseAppConfig cfg;
    cfg.appName = QStringLiteral("Tst.exeApp.exe");
    QdBaseApplication base(cfg);
    QCOMPARE(QCoreApplication::applicationName(), QString("Tst.exeApp.exe"));
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCOMPARE(QdBaseApplication::applicationDataPath, dataDir);
    QCOMPARE(base.config().appDataPath, dataDir);
    QCOMPARE(base.config().winDumpFilePath, dataDir);
    QCOMPARE(base.config().winDumpFileName, QString("TstApp"));
    QCOMPARE(QdBaseApplication::winDumpNameWithFullPath, QDir::toNativeSeparators(dataDir + "/TstApp"));
    QVERIFY(!base.singleton()); // no guard unless asked for
}

void TestAppBase::singleAppErrorMessage()
{
    QdBaseAppConfig cfg;
    cfg.singleAppKey = QStringLiteral("MYKEY");
    QdBaseApplication plain(cfg);
    QCOMPARE(plain.getSingleAppErrorMessage(),
             QString("FATAL: There is already an app running with UNIQUE appkey: MYKEY"));
    cfg.singleAppFailMessage = QStringLiteral("custom");
    QdBaseApplication custom(cfg);
    QCOMPARE(custom.getSingleAppErrorMessage(), QString("custom"));
}

void TestAppBase::removesExtraDumpFiles_data()
{
    QTest::addColumn<int>("maxFiles");
    QTest::addColumn<QStringList>("remaining");
    const QStringList others{".hidden.txt", "notes.txt", "other-1.dmp"};
    QTest::newRow("keep 5 of 8") << 5
                                 << (QStringList{"dump-7.dmp", "dump-6.dmp", "dump-5.dmp", "dump-4.dmp", "dump-3.dmp"}
                                     << others);
    QTest::newRow("keep 0") << 0 << others;
    QTest::newRow("keep more than there are") << 20
                                              << (QStringList{"dump-7.dmp", "dump-6.dmp", "dump-5.dmp", "dump-4.dmp",
                                                              "dump-3.dmp", "dump-2.dmp", "dump-1.dmp", ".a.dmp"}
                                                  << others);
}

void TestAppBase::removesExtraDumpFiles()
{
    QFETCH(int, maxFiles);
    QFETCH(QStringList, remaining);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Seven dumps of the stem, one hidden dump (listed and counted with them),
    // and files that are never touched.
    QStringList names{".a.dmp", ".hidden.txt", "notes.txt", "other-1.dmp"};
    for (int i = 1; i <= 7; ++i)
        names << QStringLiteral("dump-%1.dmp").arg(i);
    for (const QString &n : names) {
        QFile f(dir.filePath(n));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    QdBaseAppConfig cfg;
    cfg.winDumpFilePath = dir.path();
    cfg.winDumpFileName = QStringLiteral("dump");
    cfg.winDumpMaxFiles = maxFiles;
    QdBaseApplication base(cfg); // cleans up on construction

    QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    std::sort(left.begin(), left.end());
    std::sort(remaining.begin(), remaining.end());
    QCOMPARE(left, remaining);
}

DESKLINE_TEST_MAIN(TestAppBase)
#include "tst_appbase.moc"
