// The settings dialog's read interface, its immediate writers, the softphone
// page and the rapid-call settings.
#include "ctilib.h"
#include "directory/wdgcdrfilter.h"
#include "queues/mspmainwidget.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "settings/msettingsdialog.h"
#include "settingstestsupport.h"
#include "testmain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <memory>

using settingstest::child;
using settingstest::clickNamed;

namespace
{

QStringList comboItems(QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

} // namespace

class TestMSettingsInterface : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Read interface.
    void gettersReturnValuesInForce();
    void memorySettersReachFileAtNextSave_data();
    void memorySettersReachFileAtNextSave();
    void credentialSettersKeepPrevious();
    void pauseGettersFollowEnabledBoxes();
    void favouritesAddOnceRemoveAll();
    void favouritesSurviveRestart();
    void layoutsAndLockWrittenAtOnce();
    void tableHeadersRestored();
    void reportParametersRoundTrip();
    void cdrFilterWindow();
    void supervisorPanelThresholds();

    // Softphone page.
    void certificateImport_data();
    void certificateImport();
    void certificateChooserCancelled();
    void failedCertificateCopyKeepsOldFile();
    void typedMissingCertificateWarns();
    void sipSettingsFromPbx_data();
    void sipSettingsFromPbx();
    void displayedCodecs_data();
    void displayedCodecs();
    void audioVolumesWrittenAtOnce();
    void audioDeviceLists_data();
    void audioDeviceLists();
    void sipAccountTexts();
    void showPasswordBox();
    void softphonePageTabsFit();

    // Rapid call.
    void copyToCallFollowsFile_data();
    void copyToCallFollowsFile();
    void hotKeyText_data();
    void hotKeyText();
    void rapidCallModifierRestored_data();
    void rapidCallModifierRestored();
    void resetHotKeys_data();
    void resetHotKeys();

private:
    std::unique_ptr<MSettingsDialog> makeDialog(const QByteArray &ini = QByteArray("[CTI]\nuser=alice\n"));
    QString iniPath() const { return MSETTINGS::getSettingsConfigFile(); }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QTemporaryDir> sources;
    std::unique_ptr<ScriptedPrompts> prompts;
};

void TestMSettingsInterface::init()
{
    dir.reset(new QTemporaryDir);
    sources.reset(new QTemporaryDir);
    QVERIFY(dir->isValid() && sources->isValid());
    MSETTINGS::setSettingsDirPath(dir->path());
    prompts.reset(new ScriptedPrompts);
}

void TestMSettingsInterface::cleanup()
{
    prompts.reset();
    sources.reset();
    dir.reset();
}

std::unique_ptr<MSettingsDialog> TestMSettingsInterface::makeDialog(const QByteArray &ini)
{
    writeAll(iniPath(), ini);
    std::unique_ptr<MSettingsDialog> dialog(new MSettingsDialog(MctiConfig(), nullptr, nullptr));
    dialog->init();
    prompts->clear();
    return dialog;
}

// ---------------------------------------------------------------------------
// Read interface

void TestMSettingsInterface::gettersReturnValuesInForce()
{
    auto dialog = makeDialog("[CTI]\nMaddress=pbx.example.com\nuser=alice\nSIPProxyAddress=proxy.example.com\n"
                             "chatKeepAliveSendIntervalSecs=45\ncdrFilterValue=5\nstartMinimized=1\n"
                             "importOutlookContacts=1\ncheckUpdatesAtStartup=0\nPopupCall=0\nactionsToExten=1\n"
                             "outboundActions=1\nactionsOnC2c=1\nPauseOnLogoff=1\nPauseOnIncomingCall=1\n"
                             "[GUI]\nslimMode=1\nkeypad=0\nvolumes=0\nqcallsCount=2\nfuncButtons=0\nlayoutLock=1\n"
                             "visuallyImpaired=3\nplayTones=1\n");
    QCOMPARE(dialog->getMAddress(), QString("pbx.example.com"));
    QCOMPARE(dialog->getMUsername(), QString("alice"));
    QCOMPARE(dialog->getSipRegistrarAddress(), QString("pbx.example.com"));
    // The proxy getter is the start-up record's, not the one read from the file.
    QCOMPARE(dialog->getSipProxyAddress(), QString());
    QCOMPARE(dialog->getClientApiServerLocalPort(), quint16(5039));
    QCOMPARE(dialog->getChatKeepAliveSendIntervalSecs(), 45);
    QCOMPARE(int(dialog->getCdrFilterValue()), 5);
    QVERIFY(dialog->isStartMinimizedSet());
    QVERIFY(dialog->isOutlookImportRequested());
    QVERIFY(!dialog->isCheckUpdatesAtStartupEnabled());
    QVERIFY(!dialog->isPopupCallEnabled());
    QVERIFY(dialog->isExtenActionsEnabled());
    QVERIFY(dialog->isOutboundActionsEnabled());
    QVERIFY(dialog->isC2cActionsEnabled());
    // The pause boxes start disabled: the pauses count once they are offered.
    QVERIFY(!dialog->isPauseOnLogoffRequired());
    dialog->setPauseSettingsEnabled(true);
    QVERIFY(dialog->isPauseOnLogoffRequired());
    QVERIFY(dialog->isPauseOnInQueueCallRequired());
    QVERIFY(dialog->isSlimMode());
    QVERIFY(!dialog->isKeyPadVisible());
    QVERIFY(!dialog->isVolumesFrameVisible());
    QVERIFY(dialog->isQCallsCountVisible());
    QVERIFY(!dialog->isFuncButtonsFrameVisible());
    QVERIFY(dialog->isLayoutLocked());
    QVERIFY(dialog->isVisuallyImpaired());
    QVERIFY(dialog->isPlayTonesEnabled());
    QVERIFY(!dialog->isSystemShortcutsEnabled());

    MctiConfig start;
    start.sipProxyAddress.set("start.proxy.example");
    std::unique_ptr<MSettingsDialog> second(new MSettingsDialog(start, nullptr, nullptr));
    second->init();
    QCOMPARE(second->getSipProxyAddress(), QString("start.proxy.example"));
}

void TestMSettingsInterface::memorySettersReachFileAtNextSave_data()
{
    QTest::addColumn<QString>("setter");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("keypad off") << "keypad"
                                << "GUI/keypad"
                                << "0";
    QTest::newRow("function buttons off") << "funcButtons"
                                          << "GUI/funcButtons"
                                          << "0";
    QTest::newRow("slim mode") << "slim"
                               << "GUI/slimMode"
                               << "1";
    QTest::newRow("volumes off") << "volumes"
                                 << "GUI/volumes"
                                 << "0";
    QTest::newRow("queued calls count") << "qcalls"
                                        << "GUI/qcallsCount"
                                        << "1";
    QTest::newRow("visually impaired") << "impaired"
                                       << "GUI/visuallyImpaired"
                                       << "1";
    QTest::newRow("play tones") << "tones"
                                << "GUI/playTones"
                                << "1";
    QTest::newRow("position") << "pos"
                              << "GUI/x"
                              << "-15";
    QTest::newRow("size") << "dim"
                          << "GUI/height"
                          << "777";
    QTest::newRow("cdr filter") << "cdr"
                                << "CTI/cdrFilterValue"
                                << "768";
    QTest::newRow("user") << "user"
                          << "CTI/user"
                          << "newuser";
}

void TestMSettingsInterface::memorySettersReachFileAtNextSave()
{
    QFETCH(QString, setter);
    QFETCH(QString, key);
    QFETCH(QString, value);
    auto dialog = makeDialog();
    const QByteArray before = readAll(iniPath());
    if (setter == "keypad")
        dialog->setKeyPadVisible(false);
    else if (setter == "funcButtons")
        dialog->setFuncButtonsVisible(false);
    else if (setter == "slim")
        dialog->setSlimMode(true);
    else if (setter == "volumes")
        dialog->setVolumesVisible(false);
    else if (setter == "qcalls")
        dialog->setQCallsCountVisible(true);
    else if (setter == "impaired")
        dialog->setVisuallyImpaired(true);
    else if (setter == "tones")
        dialog->setPlayTonesEnabled(true);
    else if (setter == "pos")
        dialog->savePos(-15, 40);
    else if (setter == "dim")
        dialog->saveDimension(600, 777);
    else if (setter == "cdr")
        dialog->setCdrFilterValue(MctiConfig::CdrAnswered | MctiConfig::CdrNotAnswered);
    else if (setter == "user")
        dialog->setCtiUsername("newuser");
    QCOMPARE(readAll(iniPath()), before); // memory only

    dialog->saveParameters();
    QCOMPARE(QSettings(iniPath(), QSettings::IniFormat).value(key).toString(), value);

    // A new dialog reads the same back.
    std::unique_ptr<MSettingsDialog> again(new MSettingsDialog(MctiConfig(), nullptr, nullptr));
    again->init();
    QCOMPARE(again->isKeyPadVisible(), setter != "keypad");
    QCOMPARE(again->isFuncButtonsFrameVisible(), setter != "funcButtons");
    QCOMPARE(again->isSlimMode(), setter == "slim");
    QCOMPARE(again->isVisuallyImpaired(), setter == "impaired");
    QCOMPARE(again->isPlayTonesEnabled(), setter == "tones");
}

void TestMSettingsInterface::credentialSettersKeepPrevious()
{
    auto dialog = makeDialog("[CTI]\nuser=alice\npassword=\n");
    dialog->setCtiUsername("bob");
    dialog->setCtiPassword("pw2");
    const MctiConfig config = dialog->getConfig();
    QCOMPARE(config.username.value, QString("bob"));
    QCOMPARE(config.username.previous, QString("alice"));
    QCOMPARE(dialog->getMPassword(), QString("pw2"));
    QCOMPARE(config.password.previous, QString());
}

void TestMSettingsInterface::pauseGettersFollowEnabledBoxes()
{
    auto dialog = makeDialog("[CTI]\nPauseOnLogoff=1\nPauseOnIncomingCall=1\n");
    dialog->setPauseSettingsEnabled(true);
    dialog->setPauseSettingsEnabled(false);
    QVERIFY(!dialog->isPauseOnLogoffRequired());
    QVERIFY(!dialog->isPauseOnInQueueCallRequired());
    QVERIFY(!child<QCheckBox>(*dialog, "chkPauseOnLogoff")->isEnabled());
    dialog->setPauseSettingsEnabled(true);
    QVERIFY(dialog->isPauseOnLogoffRequired());
    QVERIFY(dialog->isPauseOnInQueueCallRequired());
}

void TestMSettingsInterface::favouritesAddOnceRemoveAll()
{
    auto dialog = makeDialog();
    dialog->addFavourites("201");
    dialog->addFavourites("Mario Rossi");
    dialog->addFavourites("201"); // already there: nothing changes
    QSettings s(iniPath(), QSettings::IniFormat);
    s.beginGroup("FAVOURITES");
    QCOMPARE(s.childGroups(), QStringList({"1", "2"}));
    QCOMPARE(s.value("1/contact").toString(), QString("201"));
    QCOMPARE(s.value("2/contact").toString(), QString("Mario Rossi"));
    s.endGroup();

    // One removal unstars it, however it was added.
    dialog->removeFavourites("201");
    QVERIFY(!dialog->isContactFavourite("201"));
    QVERIFY(dialog->isContactFavourite("Mario Rossi"));
    s.sync();
    s.beginGroup("FAVOURITES");
    QCOMPARE(s.childGroups(), QStringList({"1"}));
    QCOMPARE(s.value("1/contact").toString(), QString("Mario Rossi"));
    s.endGroup();

    // A file that holds duplicates from older versions loses all of them.
    writeAll(iniPath(), "[FAVOURITES]\n1\\contact=300\n2\\contact=301\n3\\contact=300\n");
    auto reread = makeDialog(readAll(iniPath()));
    reread->removeFavourites("300");
    QVERIFY(!reread->isContactFavourite("300"));

    // Removing a contact that is no favourite rewrites the group unchanged.
    reread->removeFavourites("999");
    QSettings t(iniPath(), QSettings::IniFormat);
    t.beginGroup("FAVOURITES");
    QCOMPARE(t.childGroups(), QStringList({"1"}));
    QCOMPARE(t.value("1/contact").toString(), QString("301"));
}

void TestMSettingsInterface::favouritesSurviveRestart()
{
    auto dialog = makeDialog();
    dialog->addFavourites("a=b;c\\d"); // characters the INI notation must escape
    dialog->addFavourites("");         // an empty contact is no favourite
    auto reread = makeDialog(readAll(iniPath()));
    QVERIFY(reread->isContactFavourite("a=b;c\\d"));
    QVERIFY(!reread->isContactFavourite(""));
}

void TestMSettingsInterface::layoutsAndLockWrittenAtOnce()
{
    auto dialog = makeDialog();
    QSplitter source;
    source.addWidget(new QWidget);
    source.addWidget(new QWidget);
    source.resize(400, 100);
    source.setSizes({100, 300});
    QSplitter lines(Qt::Vertical);
    lines.addWidget(new QWidget);
    lines.addWidget(new QWidget);
    lines.setSizes({70, 30});
    dialog->saveLayouts(source.saveState(), lines.saveState());
    dialog->saveLayoutsLock(true);
    QVERIFY(dialog->isLayoutLocked());
    QSettings s(iniPath(), QSettings::IniFormat);
    QCOMPARE(s.value("GUI/mainSplitterState").toByteArray(), source.saveState());
    QCOMPARE(s.value("GUI/layoutLock").toString(), QString("1"));

    QSplitter mainTarget;
    mainTarget.addWidget(new QWidget);
    mainTarget.addWidget(new QWidget);
    QSplitter linesTarget(Qt::Vertical);
    linesTarget.addWidget(new QWidget);
    linesTarget.addWidget(new QWidget);
    dialog->restoreLayouts(&mainTarget, &linesTarget);
    QCOMPARE(mainTarget.saveState(), source.saveState());
    QCOMPARE(linesTarget.saveState(), lines.saveState());
    dialog->restoreLayouts(nullptr, nullptr); // no splitter: nothing to do

    std::unique_ptr<MSettingsDialog> again(new MSettingsDialog(MctiConfig(), nullptr, nullptr));
    again->init();
    QVERIFY(again->isLayoutLocked());
}

void TestMSettingsInterface::tableHeadersRestored()
{
    auto dialog = makeDialog();
    auto makeView = [](const QString &name, int columns, QObject *owner) {
        auto *view = new QTreeView;
        view->setObjectName(name);
        auto *model = new QStandardItemModel(0, columns, owner);
        view->setModel(model);
        return view;
    };
    QObject owner;
    std::unique_ptr<QTreeView> fav(makeView("tvFavourites", 3, &owner));
    fav->header()->resizeSection(0, 123);
    fav->header()->moveSection(2, 0);
    std::unique_ptr<QTreeView> cdr(makeView("tvCdr", 5, &owner));
    dialog->saveTablesHeaders(fav->header()->saveState(), QByteArray("ext"), QByteArray("cont"),
                              cdr->header()->saveState());

    std::unique_ptr<QTreeView> target(makeView("tvFavourites", 3, &owner));
    QVERIFY(dialog->restoreTableHeaders(target.get()));
    QCOMPARE(target->header()->sectionSize(0), 123);
    QCOMPARE(target->header()->logicalIndex(0), 2);

    // A name without a key, and no view at all.
    std::unique_ptr<QTreeView> other(makeView("tvOther", 3, &owner));
    QVERIFY(!dialog->restoreTableHeaders(other.get()));
    QVERIFY(!dialog->restoreTableHeaders(nullptr));

    // Unusable stored states leave the header as it was (and the revert succeeds).
    std::unique_ptr<QTreeView> ext(makeView("tvExtensions", 4, &owner));
    ext->header()->resizeSection(1, 77);
    const QByteArray kept = ext->header()->saveState();
    QVERIFY(dialog->restoreTableHeaders(ext.get()));
    QCOMPARE(ext->header()->saveState(), kept);
    QCOMPARE(ext->header()->count(), 4);
}

void TestMSettingsInterface::reportParametersRoundTrip()
{
    auto dialog = makeDialog();
    QCOMPARE(dialog->getAnswCallsTimeThresholdList(), QList<int>()); // five unset entries dropped
    dialog->saveReportParameters(CTILIB::PeriodThisMonth, {40, 99999999, 10}, {99999999}, "/tmp/report.csv");
    QCOMPARE(dialog->getAnswCallsTimeThresholdList(), QList<int>({40, 10}));
    QCOMPARE(dialog->getLostCallsTimeThresholdList(), QList<int>());
    QCOMPARE(dialog->getLastReportFileName(), QString("/tmp/report.csv"));
    QCOMPARE(dialog->getLastReportPeriod(), CTILIB::PeriodThisMonth);

    QSettings s(iniPath(), QSettings::IniFormat);
    QCOMPARE(s.value("CCReport/period").toString(), CTILIB::periodTypeToString(CTILIB::PeriodThisMonth));
    QCOMPARE(s.value("AnsweredCallsTimeThreshold/size").toInt(), 3);
    QCOMPARE(s.value("AnsweredCallsTimeThreshold/3/threshold").toInt(), 10);

    // A shorter list replaces the array as a whole.
    dialog->saveReportParameters(CTILIB::PeriodToday, {5}, {7, 8}, "r2");
    std::unique_ptr<MSettingsDialog> again(new MSettingsDialog(MctiConfig(), nullptr, nullptr));
    again->init();
    QCOMPARE(again->getAnswCallsTimeThresholdList(), QList<int>({5}));
    QCOMPARE(again->getLostCallsTimeThresholdList(), QList<int>({7, 8}));
    QCOMPARE(again->getLastReportFileName(), QString("r2"));
    QCOMPARE(again->getLastReportPeriod(), CTILIB::PeriodToday);
}

void TestMSettingsInterface::cdrFilterWindow()
{
    auto dialog = makeDialog("[CTI]\ncdrFilterValue=513\n");
    wdgCdrFilter filter(dialog->store());
    QVERIFY(child<QCheckBox>(filter, "incoming_cB")->isChecked());
    QVERIFY(!child<QCheckBox>(filter, "outcoming_cB")->isChecked());
    QVERIFY(child<QCheckBox>(filter, "notAnswered_cB")->isChecked());
    QCOMPARE(child<QCheckBox>(filter, "notAnswered_cB")->text(), QString("Non risposte"));

    QList<int> announced;
    connect(&filter, &wdgCdrFilter::sigCdrFilterChanged, this,
            [&announced](MctiConfig::MCdrFilterFlags flags) { announced << int(flags); });
    child<QCheckBox>(filter, "incoming_cB")->setChecked(false);
    child<QCheckBox>(filter, "queue_cB")->setChecked(true);
    child<QPushButton>(filter, "okButton")->click();
    const int expected = MctiConfig::CdrThroughQueue | MctiConfig::CdrNotAnswered;
    QCOMPARE(announced, QList<int>({expected}));
    QCOMPARE(int(dialog->getCdrFilterValue()), expected);
    dialog->saveParameters();
    QCOMPARE(QSettings(iniPath(), QSettings::IniFormat).value("CTI/cdrFilterValue").toInt(), expected);
}

void TestMSettingsInterface::supervisorPanelThresholds()
{
    auto dialog = makeDialog();
    dialog->saveReportParameters(CTILIB::PeriodToday, {20, 99999999}, {60}, QString());
    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()};
    MspMainWidget panel(cti, nullptr, MctiConfig());
    panel.updateThresholdLists(dialog->getAnswCallsTimeThresholdList(), dialog->getLostCallsTimeThresholdList());
    QCOMPARE(panel.answeredThresholds(), QList<int>({20}));
    QCOMPARE(panel.lostThresholds(), QList<int>({60}));
}

// ---------------------------------------------------------------------------
// Softphone page

void TestMSettingsInterface::certificateImport_data()
{
    QTest::addColumn<bool>("exists");   // the source file exists
    QTest::addColumn<bool>("previous"); // a copy of the same name is there already
    QTest::newRow("new certificate") << true << false;
    QTest::newRow("replaces previous copy") << true << true;
    QTest::newRow("file does not exist") << false << false;
}

void TestMSettingsInterface::certificateImport()
{
    QFETCH(bool, exists);
    QFETCH(bool, previous);
    auto dialog = makeDialog();
    const QString source = sources->filePath("ca<1>.pem");
    if (exists)
        QVERIFY(writeAll(source, "-----BEGIN CERTIFICATE-----\nnew\n"));
    const QString target = QDir(MSETTINGS::getCertsDirPath()).filePath("ca<1>.pem");
    if (previous)
        QVERIFY(writeAll(target, "old"));
    prompts->fileNext(source);

    clickNamed(*dialog, "btnLoadCertificate");

    QCOMPARE(prompts->fileRequests.size(), 1);
    QCOMPARE(prompts->shown.size(), 1);
    const auto &msg = prompts->shown.first().message;
    QCOMPARE(msg.title, MSETTINGS::getShortApplicationName());
    if (exists) {
        QCOMPARE(msg.kind, PromptService::Kind::Information);
        QCOMPARE(msg.text,
                 QString("Sono stati aggiunti dei nuovi certificati; riavviare l'applicativo per renderli operativi"));
        QCOMPARE(readAll(target), QByteArray("-----BEGIN CERTIFICATE-----\nnew\n"));
    } else {
        QCOMPARE(msg.kind, PromptService::Kind::Warning);
        // The name is shown as text, not as markup.
        QCOMPARE(msg.text, QString("Errore durante la copia dei seguenti certificati:<br>  ca&lt;1&gt;.pem"));
        QVERIFY(!QFile::exists(target));
    }
    // No temporary file is left behind.
    QCOMPARE(QDir(MSETTINGS::getCertsDirPath()).entryList(QDir::Files | QDir::Hidden).size(),
             exists || previous ? 1 : 0);
}

void TestMSettingsInterface::certificateChooserCancelled()
{
    auto dialog = makeDialog();
    prompts->fileNext(QString());
    clickNamed(*dialog, "btnLoadCertificate");
    QVERIFY(prompts->shown.isEmpty());
    QCOMPARE(QDir(MSETTINGS::getCertsDirPath()).entryList(QDir::Files).size(), 0);
}

void TestMSettingsInterface::failedCertificateCopyKeepsOldFile()
{
    auto dialog = makeDialog();
    // A source that cannot be read as a file (a directory of that name).
    QVERIFY(QDir(sources->path()).mkdir("server.crt"));
    const QString target = QDir(MSETTINGS::getCertsDirPath()).filePath("server.crt");
    QVERIFY(writeAll(target, "still good"));
    prompts->fileNext(sources->filePath("server.crt"));

    clickNamed(*dialog, "btnLoadCertificate");

    QCOMPARE(prompts->shown.size(), 1);
    QCOMPARE(prompts->shown.first().message.kind, PromptService::Kind::Warning);
    QCOMPARE(prompts->shown.first().message.text,
             QString("Errore durante la copia dei seguenti certificati:<br>  server.crt"));
    QCOMPARE(readAll(target), QByteArray("still good"));
}

void TestMSettingsInterface::typedMissingCertificateWarns()
{
    auto dialog = makeDialog();
    // The user typed the name of a file that does not exist.
    prompts->fileNext(sources->filePath("typo.pem"));
    clickNamed(*dialog, "btnLoadCertificate");
    QCOMPARE(prompts->shown.size(), 1);
    QCOMPARE(prompts->shown.first().message.kind, PromptService::Kind::Warning);
    QCOMPARE(prompts->shown.first().message.text,
             QString("Errore durante la copia dei seguenti certificati:<br>  typo.pem"));
    QCOMPARE(QDir(MSETTINGS::getCertsDirPath()).entryList(QDir::Files).size(), 0);
}

void TestMSettingsInterface::sipSettingsFromPbx_data()
{
    QTest::addColumn<bool>("localRegistrar");
    QTest::addColumn<QString>("registrar");
    QTest::addColumn<int>("registrarPort");
    QTest::addColumn<QString>("proxy");
    QTest::addColumn<int>("proxyPort");
    QTest::addColumn<QString>("expectedRegistrar");
    QTest::addColumn<QString>("expectedProxy");
    QTest::newRow("address and port") << false << "10.0.0.1" << 5060 << "" << 0 << "10.0.0.1:5060"
                                      << "old.proxy.example";
    QTest::newRow("port 0") << false << "10.0.0.1" << 0 << "" << 0 << "10.0.0.1"
                            << "old.proxy.example";
    QTest::newRow("empty follows PBX") << false << "" << 5060 << "" << 0 << "pbx.example.com"
                                       << "old.proxy.example";
    QTest::newRow("proxy with port") << false << "10.0.0.1" << 5060 << "10.0.0.2" << 5080 << "10.0.0.1:5060"
                                     << "10.0.0.2:5080";
    QTest::newRow("local registrar kept") << true << "10.0.0.1" << 5060 << "10.0.0.2" << 0 << "sip.example.com"
                                          << "10.0.0.2";
    QTest::newRow("garbage from the PBX refused") << false << "a b\nc" << 5060 << "<x>" << 1 << "sip.example.com"
                                                  << "old.proxy.example";
}

void TestMSettingsInterface::sipSettingsFromPbx()
{
    QFETCH(bool, localRegistrar);
    QFETCH(QString, registrar);
    QFETCH(int, registrarPort);
    QFETCH(QString, proxy);
    QFETCH(int, proxyPort);
    QFETCH(QString, expectedRegistrar);
    QFETCH(QString, expectedProxy);
    auto dialog = makeDialog(QByteArray("[CTI]\nMaddress=pbx.example.com\nSIPRegistrarAddress=sip.example.com\n"
                                        "SIPProxyAddress=old.proxy.example\nSIPProtocol=UDP\nuseLocalSipRegistrar=") +
                             (localRegistrar ? "true" : "false") + "\n");
    dialog->setMPhoneSipSettings("TLS", registrar, quint16(registrarPort), proxy, quint16(proxyPort));
    QCOMPARE(dialog->getSipRegistrarAddress(), expectedRegistrar);
    QCOMPARE(child<QLineEdit>(*dialog, "txtSipAddress")->text(), expectedRegistrar);
    QCOMPARE(child<QLineEdit>(*dialog, "txtSipProxyAddress")->text(), expectedProxy);
    // The transport stays the one of the settings file.
    QCOMPARE(dialog->getConfig().sipProtocol.value, QString("UDP"));
    QCOMPARE(child<QComboBox>(*dialog, "cbSipProto")->currentText(), QString("UDP"));
}

void TestMSettingsInterface::displayedCodecs_data()
{
    QTest::addColumn<QStringList>("codecs");
    QTest::addColumn<QString>("text");
    QTest::newRow("two") << QStringList({"PCMA", "PCMU"}) << "1. PCMA | 2. PCMU";
    QTest::newRow("one") << QStringList({"G722"}) << "1. G722";
    QTest::newRow("none") << QStringList() << "";
}

void TestMSettingsInterface::displayedCodecs()
{
    QFETCH(QStringList, codecs);
    QFETCH(QString, text);
    auto dialog = makeDialog();
    dialog->updateDisplayedCodecs({"X"});
    dialog->updateDisplayedCodecs(codecs);
    QCOMPARE(child<QLineEdit>(*dialog, "txtCodec")->text(), text);
}

void TestMSettingsInterface::audioVolumesWrittenAtOnce()
{
    auto dialog = makeDialog();
    dialog->saveAudioVolumes(35, 80);
    int mic = -1, spk = -1;
    dialog->getAudioVolumes(mic, spk);
    QCOMPARE(mic, 35);
    QCOMPARE(spk, 80);
    QSettings s(iniPath(), QSettings::IniFormat);
    QCOMPARE(s.value("CTI/micVol").toInt(), 35);
    QCOMPARE(s.value("CTI/spkVol").toInt(), 80);

    std::unique_ptr<MSettingsDialog> again(new MSettingsDialog(MctiConfig(), nullptr, nullptr));
    again->init();
    again->getAudioVolumes(mic, spk);
    QCOMPARE(mic, 35);
    QCOMPARE(spk, 80);
}

void TestMSettingsInterface::audioDeviceLists_data()
{
    QTest::addColumn<QByteArray>("devices");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QStringList>("outputs");
    QTest::addColumn<QStringList>("current"); // speaker, microphone, ring
    QTest::newRow("saved devices selected")
        << QByteArray("spkdevice=O2\nmicdevice=I2\nringdevice=O1\n") << QStringList({"I1", "I2"})
        << QStringList({"O1", "O2"}) << QStringList({"O2", "I2", "O1"});
    QTest::newRow("none saved: first item")
        << QByteArray() << QStringList({"I1", "I2"}) << QStringList({"O1", "O2"}) << QStringList({"O1", "I1", "O1"});
    QTest::newRow("saved device gone: first item") << QByteArray("spkdevice=Gone\n") << QStringList({"I1"})
                                                   << QStringList({"O1", "O2"}) << QStringList({"O1", "I1", "O1"});
    QTest::newRow("same name twice: last one")
        << QByteArray("spkdevice=O\n") << QStringList() << QStringList({"O", "X", "O"}) << QStringList({"O", "", "O"});
}

void TestMSettingsInterface::audioDeviceLists()
{
    QFETCH(QByteArray, devices);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, outputs);
    QFETCH(QStringList, current);
    auto dialog = makeDialog("[CTI]\n" + devices);
    dialog->populateAudioDevices({"stale"}, {"stale"});
    dialog->populateAudioDevices(inputs, outputs);
    auto *spk = child<QComboBox>(*dialog, "cbSpkDev");
    auto *mic = child<QComboBox>(*dialog, "cbMicDev");
    auto *ring = child<QComboBox>(*dialog, "cbRingDev");
    QCOMPARE(comboItems(spk), outputs);
    QCOMPARE(comboItems(mic), inputs);
    QCOMPARE(comboItems(ring), outputs);
    QCOMPARE(QStringList({spk->currentText(), mic->currentText(), ring->currentText()}), current);
    if (devices.contains("twice"))
        QCOMPARE(spk->currentIndex(), 2);
    if (QTest::currentDataTag() == QLatin1String("same name twice: last one"))
        QCOMPARE(spk->currentIndex(), 2);
    QCOMPARE(mic->currentIndex(), inputs.isEmpty() ? -1 : mic->currentIndex());
}

void TestMSettingsInterface::sipAccountTexts()
{
    auto dialog = makeDialog();
    dialog->setMPhoneSipAccount("client", "sipuser", "sippass");
    const MctiConfig config = dialog->getConfig();
    QCOMPARE(config.sipUser, QString("client"));
    QCOMPARE(config.sipUsername, QString("sipuser"));
    QCOMPARE(config.sipPassword, QString("sippass"));
}

void TestMSettingsInterface::showPasswordBox()
{
    auto dialog = makeDialog();
    auto *box = child<QCheckBox>(*dialog, "chkShowPass");
    auto *pwd = child<QLineEdit>(*dialog, "txtPwd");
    box->setEnabled(false);
    QTest::keyClicks(pwd, "abc");
    QVERIFY(!box->isEnabled());
    pwd->clear();
    QVERIFY(box->isEnabled());
    box->click();
    QCOMPARE(pwd->echoMode(), QLineEdit::Normal);
    box->click();
    QCOMPARE(pwd->echoMode(), QLineEdit::Password);
}

void TestMSettingsInterface::softphonePageTabsFit()
{
    auto dialog = makeDialog();
    dialog->updateAppMode(MSETTINGS::AppModeSoftphone);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    auto *tabs = child<QTabWidget>(*dialog, "tabMctiSettings");
    QCOMPARE(tabs->count(), 5);
    QVERIFY(tabs->tabBar()->width() >= tabs->tabBar()->sizeHint().width());
}

// ---------------------------------------------------------------------------
// Rapid call

void TestMSettingsInterface::copyToCallFollowsFile_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("on") << QByteArray("1") << true;
    QTest::newRow("true") << QByteArray("true") << true;
    QTest::newRow("off") << QByteArray("0") << false;
}

void TestMSettingsInterface::copyToCallFollowsFile()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, enabled);
    auto dialog = makeDialog("[CTI]\nCopyToCall=" + value + "\n");
    QCOMPARE(dialog->isCopyToCallEnabled(), enabled);
    // The hot-key group stays hidden and copy-to-call offered.
    QVERIFY(child<QWidget>(*dialog, "grpShortcuts")->isHidden());
    QVERIFY(!child<QWidget>(*dialog, "chkCopy2CallEnabled")->isHidden());
}

void TestMSettingsInterface::hotKeyText_data()
{
    QTest::addColumn<QString>("modifier");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("capital letter") << "CTRL"
                                    << "A"
                                    << "SHIFT+CTRL+A";
    QTest::newRow("small letter") << "ALT"
                                  << "a"
                                  << "ALT+a";
    QTest::newRow("digit") << "CTRL"
                           << "1"
                           << "CTRL+1";
    QTest::newRow("no key") << "SHIFT"
                            << ""
                            << "SHIFT+";
}

void TestMSettingsInterface::hotKeyText()
{
    QFETCH(QString, modifier);
    QFETCH(QString, key);
    QFETCH(QString, text);
    QCOMPARE(MSettingsDialog::hotKeyText(modifier, key), text);
}

void TestMSettingsInterface::rapidCallModifierRestored_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("written");
    QTest::newRow("ALT") << QByteArray("rapidCallMods=ALT\n") << 1 << "ALT";
    QTest::newRow("alt in lower case") << QByteArray("rapidCallMods=alt\n") << 0 << "alt";
    QTest::newRow("missing") << QByteArray() << 0 << "0";
}

void TestMSettingsInterface::rapidCallModifierRestored()
{
    QFETCH(QByteArray, ini);
    QFETCH(int, index);
    QFETCH(QString, written);
    auto dialog = makeDialog("[CTI]\n" + ini);
    QCOMPARE(child<QComboBox>(*dialog, "cbRapidCallModifier")->currentIndex(), index);
    dialog->saveParameters();
    QCOMPARE(QSettings(iniPath(), QSettings::IniFormat).value("CTI/rapidCallMods").toString(), written);
}

// A key the platform cannot register is refused with a message and the key in
// force comes back; an empty key registers nothing and is taken as it is.
void TestMSettingsInterface::resetHotKeys_data()
{
    QTest::addColumn<int>("modifier");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("storedModifier");
    QTest::addColumn<QString>("storedKey");
    QTest::newRow("key that cannot register") << 0 << "A" << true << "ALT"
                                              << "5";
    QTest::newRow("empty key") << 2 << QString() << false << "SHIFT" << QString();
}

void TestMSettingsInterface::resetHotKeys()
{
    QFETCH(int, modifier);
    QFETCH(QString, key);
    QFETCH(bool, refused);
    QFETCH(QString, storedModifier);
    QFETCH(QString, storedKey);
    auto dialog = makeDialog("[CTI]\nrapidCallMods=ALT\nrapidCallKey=5\n");
    child<QComboBox>(*dialog, "cbRapidCallModifier")->setCurrentIndex(modifier);
    child<QLineEdit>(*dialog, "leRapidCallKey")->setText(key);
    QSignalSpy rapid(dialog.get(), &MSettingsDialog::sigRapidCallRequested);

    dialog->resetHotKeys();

    QCOMPARE(rapid.count(), 0);
    QCOMPARE(prompts->shown.size(), refused ? 1 : 0);
    if (refused) {
        const auto &msg = prompts->shown.first().message;
        QCOMPARE(msg.kind, PromptService::Kind::Information);
        QCOMPARE(msg.title, QString("Tasti di scelta rapida non validi"));
        const QString label = child<QLabel>(*dialog, "lblRapidCall")->text();
        QCOMPARE(msg.text,
                 QString("I seguenti tasti di scelta rapida non sono validi o non è stato possibile registrarli "
                         "sul sistema: \n\n%1\n\nVerranno ripristinati i valori precedenti.")
                     .arg(label));
    }
    QCOMPARE(child<QComboBox>(*dialog, "cbRapidCallModifier")->currentText(), storedModifier);
    QCOMPARE(child<QLineEdit>(*dialog, "leRapidCallKey")->text(), storedKey);
    QCOMPARE(dialog->store()->rapidCallModifier(), storedModifier);
    QCOMPARE(dialog->store()->rapidCallKey(), storedKey);
    dialog->saveParameters();
    QSettings s(iniPath(), QSettings::IniFormat);
    QCOMPARE(s.value("CTI/rapidCallMods").toString(), storedModifier);
    QCOMPARE(s.value("CTI/rapidCallKey").toString(), storedKey);
}

DESKLINE_TEST_MAIN(TestMSettingsInterface)
#include "tst_msettingsinterface.moc"
