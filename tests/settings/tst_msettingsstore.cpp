// The settings store without any widget: it runs under a QCoreApplication.
#include "framework/simpleobfuscator.h"
#include "settings/msettings.h"
#include "settings/msettingsstore.h"
#include "settingsentries.h"
#include "testmain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using settingstest::entriesShowing;

namespace
{

// The persisted values as the getters give them, one line each.
QStringList snapshot(MSettingsStore &s)
{
    int mic = 0;
    int spk = 0;
    s.getAudioVolumes(mic, spk);
    const QPoint pos = s.getSavedPosition();
    QStringList lines;
    lines << "address " + s.getMAddress() << "user " + s.getMUsername() << "password " + s.getMPassword()
          << "registrar " + s.getSipRegistrarAddress() << "account " + s.getSelectedAccount()
          << QStringLiteral("mode %1").arg(int(s.getSelectedAppMode()))
          << QStringLiteral("language %1").arg(s.getLanguageId())
          << QStringLiteral("cdrFilter %1").arg(int(s.getCdrFilterValue()))
          << QStringLiteral("startMinimized %1").arg(s.isStartMinimizedSet())
          << QStringLiteral("outlook %1").arg(s.isOutlookImportRequested())
          << QStringLiteral("updatesAtStart %1").arg(s.isCheckUpdatesAtStartupEnabled())
          << QStringLiteral("updateMinutes %1").arg(s.checkUpdatesTimeoutMinutes())
          << QStringLiteral("popup %1").arg(s.isPopupCallEnabled())
          << QStringLiteral("exten %1").arg(s.isExtenActionsEnabled())
          << QStringLiteral("outbound %1").arg(s.isOutboundActionsEnabled())
          << QStringLiteral("c2c %1").arg(s.isC2cActionsEnabled())
          << QStringLiteral("copyToCall %1").arg(s.isCopyToCallEnabled())
          << QStringLiteral("cdrDays %1").arg(s.getMaxCdrViewDays())
          << QStringLiteral("impaired %1").arg(s.isVisuallyImpaired())
          << QStringLiteral("tones %1").arg(s.isPlayTonesEnabled()) << QStringLiteral("slim %1").arg(s.isSlimMode())
          << QStringLiteral("keypad %1").arg(s.isKeyPadVisible())
          << QStringLiteral("volumes %1").arg(s.isVolumesFrameVisible())
          << QStringLiteral("qcalls %1").arg(s.isQCallsCountVisible())
          << QStringLiteral("funcButtons %1").arg(s.isFuncButtonsFrameVisible())
          << QStringLiteral("geometry %1,%2 %3x%4")
                 .arg(pos.x())
                 .arg(pos.y())
                 .arg(s.getSavedWidth())
                 .arg(s.getSavedHeigth())
          << QStringLiteral("locked %1").arg(s.isLayoutLocked())
          << QStringLiteral("favourite 201 %1").arg(s.isContactFavourite("201"))
          << QStringLiteral("audio %1/%2").arg(mic).arg(spk)
          << QStringLiteral("events 0:%1 2:%2").arg(s.isActionRequested(0)).arg(s.isActionRequested(2))
          << QStringLiteral("report %1 %2").arg(int(s.getLastReportPeriod())).arg(s.getLastReportFileName());
    QStringList answered;
    for (int t : s.getAnswCallsTimeThresholdList())
        answered << QString::number(t);
    lines << "answered " + answered.join(',');
    return lines;
}

// A setter and what a getter shows after it.
struct SetterCase {
    std::function<void(MSettingsStore &)> set;
    std::function<bool(MSettingsStore &)> shows;
};

QMap<QString, SetterCase> setterCases()
{
    QMap<QString, SetterCase> m;
    m["savePos"] = {[](MSettingsStore &s) { s.savePos(7, 9); },
                    [](MSettingsStore &s) { return s.getSavedPosition() == QPoint(7, 9); }};
    m["saveDimension"] = {[](MSettingsStore &s) { s.saveDimension(640, 480); },
                          [](MSettingsStore &s) { return s.getSavedWidth() == 640 && s.getSavedHeigth() == 480; }};
    m["setSlimMode"] = {[](MSettingsStore &s) { s.setSlimMode(true); },
                        [](MSettingsStore &s) { return s.isSlimMode(); }};
    m["setKeyPadVisible"] = {[](MSettingsStore &s) { s.setKeyPadVisible(false); },
                             [](MSettingsStore &s) { return !s.isKeyPadVisible(); }};
    m["setVisuallyImpaired"] = {[](MSettingsStore &s) { s.setVisuallyImpaired(true); },
                                [](MSettingsStore &s) { return s.isVisuallyImpaired(); }};
    m["setCdrFilterValue"] = {[](MSettingsStore &s) { s.setCdrFilterValue(MctiConfig::MCdrFilterFlags(0x7FF)); },
                              [](MSettingsStore &s) { return int(s.getCdrFilterValue()) == 1023; }};
    m["setCtiUsername"] = {[](MSettingsStore &s) { s.setCtiUsername("bob"); },
                           [](MSettingsStore &s) { return s.getMUsername() == "bob"; }};
    m["setPauseSettingsEnabled"] = {[](MSettingsStore &s) { s.setPauseSettingsEnabled(true); },
                                    [](MSettingsStore &s) { return s.isPauseSettingsEnabled(); }};
    m["addFavourites"] = {[](MSettingsStore &s) { s.addFavourites("201"); },
                          [](MSettingsStore &s) { return s.isContactFavourite("201"); }};
    m["saveLayoutsLock"] = {[](MSettingsStore &s) { s.saveLayoutsLock(true); },
                            [](MSettingsStore &s) { return s.isLayoutLocked(); }};
    m["saveAudioVolumes"] = {[](MSettingsStore &s) { s.saveAudioVolumes(150, -3); },
                             [](MSettingsStore &s) {
                                 int mic = 0, spk = 0;
                                 s.getAudioVolumes(mic, spk);
                                 return mic == 100 && spk == 0;
                             }};
    m["setSelectedAccount"] = {[](MSettingsStore &s) { s.setSelectedAccount("acc9"); },
                               [](MSettingsStore &s) { return s.getSelectedAccount() == "acc9"; }};
    m["setActions"] = {[](MSettingsStore &s) {
                           MctiActionMap map;
                           MctiActions::insert(map, MctiActions::make(1, 0, "http://x"));
                           s.setActions(map);
                       },
                       [](MSettingsStore &s) { return s.isActionRequested(1); }};
    m["updateAppMode"] = {[](MSettingsStore &s) { s.updateAppMode(MSETTINGS::AppModeDeskPhone); },
                          [](MSettingsStore &s) {
                              return s.appliedAppMode() == 1 && s.getSelectedAppMode() == MSETTINGS::AppModeDeskPhone;
                          }};
    m["setMPhoneSipSettings"] = {[](MSettingsStore &s) { s.setMPhoneSipSettings("UDP", "10.1.1.1", 5070, "", 0); },
                                 [](MSettingsStore &s) { return s.getSipRegistrarAddress() == "10.1.1.1:5070"; }};
    return m;
}

} // namespace

class TestMSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void runsWithoutWidgets();
    void defaultsWithoutFile();
    void roundTrip();
    void seedsGivenStartupValues();
    void settersAnnounceChange_data();
    void settersAnnounceChange();
    void applyChangeSavesAndAnnouncesInOrder();
    void restartChangeAnnouncesOnlyRestart();
    void failedSaveReportedOncePerRun();
    void invalidSipAddressFromPbxKept();
    void sipAddressesFromPbx_data();
    void sipAddressesFromPbx();
    void serializedVariantReadsAsDefault();
    void garbageFileIsNoWriteFailure();
    void actionsKeptAsStored();

private:
    void writeIni(const QByteArray &text)
    {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(text), qint64(text.size()));
    }
    QString iniPath() const { return MSETTINGS::getSettingsConfigFile(); }
    std::unique_ptr<QTemporaryDir> dir;
};

void TestMSettingsStore::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    MSETTINGS::setSettingsDirPath(dir->path());
}

void TestMSettingsStore::cleanup()
{
    dir.reset();
}

void TestMSettingsStore::runsWithoutWidgets()
{
    QVERIFY(!QCoreApplication::instance()->inherits("QGuiApplication"));
    MSettingsStore store{MctiConfig()};
    store.init();
    QVERIFY(!store.inherits("QWidget"));
}

void TestMSettingsStore::defaultsWithoutFile()
{
    MSettingsStore store{MctiConfig()};
    QSignalSpy copy(&store, &MSettingsStore::sigCopy2CallToggled);
    store.init();
    QVERIFY(store.isFirstRun());
    QVERIFY(!QFile::exists(iniPath())); // nothing was given to seed
    QCOMPARE(copy.size(), 1);
    QCOMPARE(copy.first().first().toBool(), false);

    QCOMPARE(store.getSelectedAppMode(), MSETTINGS::AppModeCtiOnly);
    QCOMPARE(store.appliedAppMode(), -1);
    QCOMPARE(store.getLanguageId(), 0);
    QVERIFY(store.isPopupCallEnabled());
    QVERIFY(store.isCheckUpdatesAtStartupEnabled());
    QCOMPARE(store.checkUpdatesTimeoutMinutes(), 60);
    QCOMPARE(store.getMaxCdrViewDays(), 30);
    QVERIFY(!store.isCopyToCallEnabled());
    QVERIFY(!store.isStartMinimizedSet());
    QCOMPARE(store.getSavedPosition(), QPoint(200, 100));
    QCOMPARE(store.getSavedWidth(), 508);
    QCOMPARE(store.getSavedHeigth(), 604);
    QVERIFY(store.isKeyPadVisible() && store.isVolumesFrameVisible() && store.isFuncButtonsFrameVisible());
    QVERIFY(!store.isSlimMode() && !store.isQCallsCountVisible() && !store.isLayoutLocked());
    QCOMPARE(store.getClientApiServerLocalPort(), quint16(5039));
    QCOMPARE(store.getChatKeepAliveSendIntervalSecs(), 120);
    QVERIFY(store.getAnswCallsTimeThresholdList().isEmpty());
    QCOMPARE(store.rapidCallModifier(), QString("CTRL"));
    QCOMPARE(store.rapidCallKey(), QString("1"));
}

// Every persisted value reaches the file and comes back from it unchanged.
void TestMSettingsStore::roundTrip()
{
    QStringList written;
    {
        MSettingsStore store{MctiConfig()};
        store.init();

        // What the settings form takes over on the first run.
        MSettingsEntries entered = entriesShowing(store.valuesInForce());
        entered.pbxAddress = "pbx.example.com";
        entered.username = "alice";
        entered.password = "pä$$=;\\word";
        entered.language = 2;
        entered.appMode = MSETTINGS::AppModeDeskPhone;
        entered.popupCall = false;
        entered.startMinimized = true;
        entered.checkUpdatesTimeoutMins = -1;
        entered.maxCdrViewDays = 7;
        const MSettingsChange change = MSettingsChange::fromEntries(store.valuesInForce(), entered);
        QVERIFY(!change.restart);
        store.applyChange(change);

        store.setSelectedAccount("acc2");
        store.setCdrFilterValue(MctiConfig::MCdrFilterFlags(5));
        store.savePos(10, 20);
        store.saveDimension(800, 600);
        store.setSlimMode(true);
        store.setKeyPadVisible(false);
        store.setQCallsCountVisible(true);
        store.setPlayTonesEnabled(true);
        store.addFavourites("201");
        store.saveLayoutsLock(true);
        store.saveAudioVolumes(40, 60);
        store.saveReportParameters(CTILIB::PeriodThisWeek, {30, 10}, {5}, "report.csv");
        MctiActionMap actions;
        MctiActions::insert(actions, MctiActions::make(2, 1, "/usr/bin/log <uid>"));
        store.setActions(actions);
        store.saveParameters();
        written = snapshot(store);
        QVERIFY(!store.isFirstRun());
    }

    const QSettings file(iniPath(), QSettings::IniFormat);
    QVERIFY(!file.value("CTI/password").toString().contains("word")); // scrambled on disk

    MSettingsStore again{MctiConfig()};
    again.init();
    QVERIFY(!again.isFirstRun());
    QCOMPARE(snapshot(again), written);
    QCOMPARE(again.getMPassword(), QString("pä$$=;\\word"));
    QCOMPARE(again.getSelectedAppMode(), MSETTINGS::AppModeDeskPhone);
    QCOMPARE(again.getLanguageId(), 2);
    QVERIFY(!again.isPopupCallEnabled());
    QCOMPARE(again.checkUpdatesTimeoutMinutes(), -1);
    QCOMPARE(again.getAnswCallsTimeThresholdList(), QList<int>({30, 10}));
}

void TestMSettingsStore::seedsGivenStartupValues()
{
    MctiConfig config;
    config.pbxAddress.set("10.0.0.1");
    config.account.set("acc1");
    MSettingsStore store(config);
    QSettings file(iniPath(), QSettings::IniFormat);
    QCOMPARE(file.value("CTI/Maddress").toString(), QString("10.0.0.1"));
    QCOMPARE(file.value("CTI/account").toString(), QString("acc1"));
    QVERIFY(!file.contains("CTI/user"));
    QCOMPARE(QFile::permissions(iniPath()) & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
             QFileDevice::Permissions());
}

void TestMSettingsStore::settersAnnounceChange_data()
{
    QTest::addColumn<QString>("setter");
    for (const QString &name : setterCases().keys())
        QTest::newRow(qPrintable(name)) << name;
}

void TestMSettingsStore::settersAnnounceChange()
{
    QFETCH(QString, setter);
    const SetterCase c = setterCases().value(setter);
    MSettingsStore store{MctiConfig()};
    store.init();
    QSignalSpy changed(&store, &MSettingsStore::changed);
    c.set(store);
    QVERIFY(changed.size() >= 1);
    QVERIFY(c.shows(store));
}

void TestMSettingsStore::applyChangeSavesAndAnnouncesInOrder()
{
    QFile f(iniPath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[CTI]\nMaddress=pbx.example.com\nuser=alice\nAppMode=2\nmicdevice=Mic A\n");
    f.close();
    MSettingsStore store{MctiConfig()};
    store.init();
    store.updateAppMode(MSETTINGS::AppModeSoftphone);

    QStringList order;
    connect(&store, &MSettingsStore::sigAudioDeviceChanged, this, [&] { order << "audio"; });
    connect(&store, &MSettingsStore::sigMctiServicesChanged, this, [&] { order << "services"; });
    connect(&store, &MSettingsStore::sigCdrSettingsChanged, this, [&] { order << "cdr"; });
    connect(&store, &MSettingsStore::sigCopy2CallToggled, this, [&](bool on) { order << QString("copy:%1").arg(on); });
    connect(&store, &MSettingsStore::changed, this, [&] {
        // The receivers read the new values: the file is written first.
        if (order.isEmpty())
            order << "changed:" + QSettings(iniPath(), QSettings::IniFormat).value("CTI/micdevice").toString();
    });

    MSettingsEntries entered = entriesShowing(store.valuesInForce());
    entered.micDevice = "Mic B";
    entered.copyToCall = true;
    entered.maxCdrViewDays = 3;
    store.applyChange(MSettingsChange::fromEntries(store.valuesInForce(), entered));

    QCOMPARE(order, QStringList({"changed:Mic B", "audio", "services", "cdr", "copy:1"}));
    QCOMPARE(store.getConfig().micDevice.value, QString("Mic B"));
    QVERIFY(store.isCopyToCallEnabled());
    QCOMPARE(store.getMaxCdrViewDays(), 3);
}

void TestMSettingsStore::restartChangeAnnouncesOnlyRestart()
{
    QFile f(iniPath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[CTI]\nMaddress=pbx.example.com\nuser=alice\naccount=acc1\n");
    f.close();
    MSettingsStore store{MctiConfig()};
    store.init();
    QSignalSpy restart(&store, &MSettingsStore::sigRestartRequested);
    QSignalSpy services(&store, &MSettingsStore::sigMctiServicesChanged);

    MSettingsEntries entered = entriesShowing(store.valuesInForce());
    entered.username = "bob";
    entered.popupCall = false;
    store.applyChange(MSettingsChange::fromEntries(store.valuesInForce(), entered));

    QCOMPARE(restart.size(), 1);
    QCOMPARE(restart.first().first().toBool(), true);
    QCOMPARE(services.size(), 0);
    const QSettings file(iniPath(), QSettings::IniFormat);
    QCOMPARE(file.value("CTI/user").toString(), QString("bob"));
    QCOMPARE(file.value("CTI/PopupCall").toString(), QString("0"));
    QCOMPARE(file.value("CTI/account").toString(), QString()); // the account went with the old user
}

void TestMSettingsStore::failedSaveReportedOncePerRun()
{
    // A directory stands where the file should be: nothing can be written.
    QVERIFY(QDir(dir->path()).mkdir("mcti.ini"));
    MSettingsStore store{MctiConfig()};
    store.init();
    QSignalSpy failed(&store, &MSettingsStore::saveFailed);
    store.saveParameters();
    store.saveParameters();
    store.addFavourites("201");
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first().first().toString(), iniPath());

    // Once a write succeeds, the next failure is reported again.
    QVERIFY(QDir(dir->path()).rmdir("mcti.ini"));
    store.saveParameters();
    QVERIFY(QFile::exists(iniPath()));
    QVERIFY(QFile::remove(iniPath()));
    QVERIFY(QDir(dir->path()).mkdir("mcti.ini"));
    store.saveParameters();
    QCOMPARE(failed.size(), 2);
}

void TestMSettingsStore::invalidSipAddressFromPbxKept()
{
    MSettingsStore store{MctiConfig()};
    store.init();
    store.setMPhoneSipSettings("UDP", "sip.example.com", 0, "proxy.example.com", 5080);
    QSignalSpy restored(&store, &MSettingsStore::valuesRestored);
    store.setMPhoneSipSettings("UDP", "bad host;rm -rf", 0, "also bad/", 0);
    QCOMPARE(store.getSipRegistrarAddress(), QString("sip.example.com"));
    QCOMPARE(store.valuesInForce().sipProxyAddress, QString("proxy.example.com:5080"));
    QCOMPARE(restored.size(), 1); // a form showing the values shows them again
}

void TestMSettingsStore::sipAddressesFromPbx_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("inForce"); // empty: refused, the old value stays
    QTest::newRow("name and port") << "pbx" << 5060 << "pbx:5060";
    QTest::newRow("localhost") << "localhost" << 0 << "localhost";
    QTest::newRow("ipv4") << "10.0.0.7" << 5061 << "10.0.0.7:5061";
    QTest::newRow("ipv6 gets brackets") << "fe80::1" << 5060 << "[fe80::1]:5060";
    QTest::newRow("bracketed ipv6") << "[::1]" << 0 << "[::1]";
    QTest::newRow("underscore name") << "sip_gw.local" << 0 << "sip_gw.local";
    QTest::newRow("blank inside") << "pbx host" << 0 << "";
    QTest::newRow("only blanks") << "   " << 0 << "";
    QTest::newRow("control character") << QString("pbx\x01") << 0 << "";
    QTest::newRow("line break") << QString("pbx\nVia: x") << 0 << "";
    QTest::newRow("port out of range") << "pbx:70000" << 0 << "";
    QTest::newRow("port zero") << "pbx:0" << 0 << "";
    QTest::newRow("empty port") << "pbx:" << 0 << "";
    QTest::newRow("bad ipv6") << "[zz::1]" << 0 << "";
}

void TestMSettingsStore::sipAddressesFromPbx()
{
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, inForce);
    MSettingsStore store{MctiConfig()};
    store.init();
    store.setMPhoneSipSettings("UDP", "old.example.com", 0, "", 0);
    store.setMPhoneSipSettings("UDP", host, quint16(port), host, quint16(port));
    const QString expected = inForce.isEmpty() ? QString("old.example.com") : inForce;
    QCOMPARE(store.getSipRegistrarAddress(), expected);
    if (!inForce.isEmpty())
        QCOMPARE(store.valuesInForce().sipProxyAddress, inForce);
}

void TestMSettingsStore::serializedVariantReadsAsDefault()
{
    // A serialized list that claims 2^31-1 items: decoding it would abort.
    QByteArray bomb("@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)");
    writeIni("[CTI]\nuser=alice\nAppMode=" + bomb +
             "\nLanguage=\\x40Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\n"
             "startMinimized=\"" +
             bomb + "\"\n[GUI]\nslimMode=1\n");
    MSettingsStore store{MctiConfig()};
    store.init();
    QCOMPARE(store.getMUsername(), QString("alice"));
    QCOMPARE(int(store.getSelectedAppMode()), 0);
    QCOMPARE(store.getLanguageId(), 0);
    QVERIFY(!store.isStartMinimizedSet());
    QVERIFY(store.isSlimMode());
    // The file keeps everything else and is no longer a trap for the next start.
    QFile f(iniPath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY(!text.contains("Variant"));
    QVERIFY(text.contains("user=alice"));
    QCOMPARE(int(QFile::permissions(iniPath()) & 0x0077), 0);
    store.saveParameters();
    MSettingsStore again{MctiConfig()};
    again.init();
    QCOMPARE(again.getMUsername(), QString("alice"));
}

void TestMSettingsStore::garbageFileIsNoWriteFailure()
{
    writeIni(QByteArray("\x00\x01[[[=\xff\xfe garbage\n=\n[CTI\nuser") + QByteArray(300, '\x02'));
    MSettingsStore store{MctiConfig()};
    store.init();
    QSignalSpy failed(&store, &MSettingsStore::saveFailed);
    store.addFavourites("205");
    store.saveParameters();
    QCOMPARE(failed.size(), 0);
    MSettingsStore again{MctiConfig()};
    again.init();
    QVERIFY(again.isContactFavourite("205"));
}

void TestMSettingsStore::actionsKeptAsStored()
{
    writeIni("[ACTIONS]\n1\\event=7\n1\\actionType=0\n1\\actionText=http://a/%N\n"
             "2\\event=1\n2\\actionType=5\n2\\actionText=/bin/x\n"
             "3\\event=abc\n3\\actionType=xyz\n3\\actionText=http://b\n");
    MSettingsStore store{MctiConfig()};
    store.init();
    QCOMPARE(store.actions().size(), 3);
    // Nothing the file held is lost by the next save.
    store.saveParameters();
    MSettingsStore again{MctiConfig()};
    again.init();
    QStringList seen;
    for (const MctiAction &a : again.actions())
        seen << QStringLiteral("%1/%2/%3").arg(a.event).arg(a.actionType).arg(a.actionText);
    seen.sort();
    QCOMPARE(seen, QStringList({"0/0/http://b", "1/5//bin/x", "7/0/http://a/%N"}));
    // A non-numeric event read as 0; the runtime finds only runnable events.
    QCOMPARE(again.getEventActions(7).size(), 1);
}

int main(int argc, char *argv[])
{
    testsupport::setUpIsolatedEnvironment();
    QCoreApplication app(argc, argv);
    testsupport::installStrictMessageHandler();
    TestMSettingsStore tc;
    QTEST_SET_MAIN_SOURCE_PATH
    const int rc = QTest::qExec(&tc, argc, argv);
    return rc != 0 ? rc : (testsupport::connectionWarningCount() ? 1 : 0);
}

#include "tst_msettingsstore.moc"
