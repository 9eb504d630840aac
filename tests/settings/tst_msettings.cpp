#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "settings/msettingssound.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestMSettings : public QObject
{
    Q_OBJECT

private slots:
    void defaultIsStoredOnFirstRead(); // must run first: nothing set yet
    void setSettingsDirPath_data();
    void setSettingsDirPath();
    void subDirectoriesOnDemand();
    void subDirectoryOfMissingSettingsDir();
    void identity();
    void longApplicationName();
    void soundsDirectory();
    void fontSizeIncrement();
};

void TestMSettings::defaultIsStoredOnFirstRead()
{
    const QString expected = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QDir::separator();
    QCOMPARE(MSETTINGS::getDefaultSettingsDirPath(), expected);
    QCOMPARE(MSETTINGS::getSettingsDirPath(), expected);
    // Later reads keep the stored text even when the platform location moves.
    const QString oldName = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("SomethingElse"));
    QVERIFY(MSETTINGS::getDefaultSettingsDirPath() != expected);
    QCOMPARE(MSETTINGS::getSettingsDirPath(), expected);
    QCOMPARE(MSETTINGS::getSettingsConfigFile(), expected + "mcti.ini");
    QCoreApplication::setApplicationName(oldName);
    QVERIFY(!QDir(expected).exists()); // nothing is created by reading
}

void TestMSettings::setSettingsDirPath_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("stored");
    QTest::newRow("no trailing slash") << "/tmp/x"
                                       << "/tmp/x/";
    QTest::newRow("trailing slash") << "/tmp/x/"
                                    << "/tmp/x/";
    QTest::newRow("relative stays relative") << "rel/dir"
                                             << "rel/dir/";
    QTest::newRow("empty gives the default")
        << "" << QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QDir::separator();
}

void TestMSettings::setSettingsDirPath()
{
    QFETCH(QString, given);
    QFETCH(QString, stored);
    MSETTINGS::setSettingsDirPath(given);
    QCOMPARE(MSETTINGS::getSettingsDirPath(), stored);
    QCOMPARE(MSETTINGS::getSettingsConfigFile(), stored + "mcti.ini");
}

void TestMSettings::subDirectoriesOnDemand()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    MSETTINGS::setSettingsDirPath(tmp.path());
    const QString base = tmp.path() + "/";

    QCOMPARE(MSETTINGS::getCertsDirPath(), base + "/certs");
    QVERIFY(QDir(tmp.path() + "/certs").exists());

    QVERIFY(!QDir(tmp.path() + "/rebranding").exists());
    QCOMPARE(MSETTINGS::getRebrandingPackFile(), base + "/rebranding/assets.zip");
    QVERIFY(QDir(tmp.path() + "/rebranding").exists());
    QCOMPARE(MSETTINGS::getRebrandingFilePath("logo.png"), base + "/rebranding/logo.png");
    QCOMPARE(MSETTINGS::getRebrandingDirPath(), base + "/rebranding");
}

void TestMSettings::subDirectoryOfMissingSettingsDir()
{
    QTemporaryDir tmp;
    const QString missing = tmp.path() + "/not/there/";
    MSETTINGS::setSettingsDirPath(missing);
    QCOMPARE(MSETTINGS::getCertsDirPath(), missing + "/certs");
    QVERIFY(!QDir(missing).exists()); // one level only: nothing is created
}

void TestMSettings::identity()
{
    QCOMPARE(MSETTINGS::getApplicationType(), QString("MCTI"));
    QCOMPARE(MSETTINGS::getApplicationName(), QString("DESKLINE"));
    QCOMPARE(MSETTINGS::getShortApplicationName(), QString("DESKLINE"));
    QCOMPARE(MSETTINGS::getApplicationVersion(), QString("4.5.23-r331ba3e"));
    QCOMPARE(MSETTINGS::getDefaultLongApplicationName(), QString("DESKLINE EDITION"));
}

void TestMSettings::longApplicationName()
{
    QCOMPARE(MSETTINGS::getLongApplicationName(), QString("DESKLINE EDITION"));
    MSETTINGS::setLongApplicationName("Acme Phone");
    QCOMPARE(MSETTINGS::getLongApplicationName(), QString("Acme Phone"));
    MSETTINGS::setLongApplicationName(QString());
    QCOMPARE(MSETTINGS::getLongApplicationName(), QString("DESKLINE EDITION"));
}

void TestMSettings::soundsDirectory()
{
    const QString dir = MSETTINGS::getSoundsDirPath();
    QCOMPARE(dir, QCoreApplication::applicationDirPath() + "/../Resources/sounds");

    ScriptedPrompts prompts;
    QVERIFY(!MSETTINGS::playSound(QStringLiteral("no-such-sound-%1.wav").arg(QCoreApplication::applicationPid())));
    QVERIFY(prompts.sounds.isEmpty());

    // An absolute name is used as it is.
    QTemporaryDir tmp;
    const QString file = tmp.filePath("ring.wav");
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(MSETTINGS::playSound(file));
    QCOMPARE(prompts.sounds, QStringList{file});
}

void TestMSettings::fontSizeIncrement()
{
    QCOMPARE(MSETTINGS::getFontSizeIncrement(), 0);
    MSETTINGS::setFontSizeIncrement(-3);
    QCOMPARE(MSETTINGS::getFontSizeIncrement(), -3);
    MSETTINGS::setFontSizeIncrement(1);
    QCOMPARE(MSETTINGS::getFontSizeIncrement(), 1);
}

DESKLINE_TEST_MAIN(TestMSettings)
#include "tst_msettings.moc"
