#include "app/desklinestartup.h"
#include "app/globallogger.h"
#include "argvbuilder.h"
#include "framework/qdparamparser.h"
#include "mainwindow/mpgui.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "testmain.h"
#include "updater/installerprep.h"
#include "updater/programlauncher.h"
#include "updater/updaterdlg.h"

#include <QDir>
#include <QLibraryInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace DesklineStartup;

namespace
{

AppIdentity testIdentity()
{
    return AppIdentity::current();
}

// Counts the queued calls posted to the application object and holds them
// back, so a quit asked for in a test never ends the test's event loops.
class AppCallCatcher : public QObject
{
public:
    int calls = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != qApp || event->type() != QEvent::MetaCall)
            return false;
        ++calls;
        return true;
    }
};

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void identity();
    void commandLine_data();
    void commandLine();
    void settingsPathOption();
    void updateSettings_data();
    void updateSettings();
    void appConfig();
    void highDpiRule_data();
    void highDpiRule();
    void noScreenSkipsTheProbe();
    void screenScalingReadFromTheApplication();
    void libraryPathsKeepQtPlugins();
    void styleSheet();
    void updaterOnlyWithServerAndKey();
    void portableUpdaterKey();
    void autoUpdateSwitch();
    void restartLoop();
    void updaterConnectionsPerWindow();
    void upgradeQuitsOnceWhenWiredAgain();

private:
    QTemporaryDir m_dir;
};

void TestStartup::identity()
{
    const AppIdentity id = testIdentity();
    QCOMPARE(id.longName, QString("DESKLINE EDITION"));
    QCOMPARE(id.shortName, QString("DESKLINE"));
    QCOMPARE(id.singleInstanceKey, QString("DESKLINE_KEY"));
    QCOMPARE(id.defaultUpdateKey, QString("DESKLINE"));
    QVERIFY(id.defaultUpdateServer.isEmpty());
}

// Every command line that ends the process, and some that do not.
void TestStartup::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("no options") << QStringList() << 0 << QString();
    QTest::newRow("unknown token") << QStringList{"stray"} << 100 << "Unknown Token on cmdline: stray";
    QTest::newRow("unknown option") << QStringList{"--verbose"} << 100 << "Unknown Parameter: verbose";
    QTest::newRow("option twice") << QStringList{"-u", "a", "--username", "b"} << 100
                                  << "Parameter already parsed: username";
    QTest::newRow("value missing") << QStringList{"-s", "-c"} << 100 << "Missing parameter value: c";
    QTest::newRow("missing config file") << QStringList{"-c", "/nonexistent/deskline.ini"} << 100
                                         << "Config file \"/nonexistent/deskline.ini\" not found!";
    QTest::newRow("everything valid") << QStringList{"-a", "pbx", "-u", "me", "-p", "pw", "-s", "-b", "x"} << 0
                                      << QString();
}

void TestStartup::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    if (message.startsWith("Config file"))
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("^" + QRegularExpression::escape(
                                                          QStringLiteral("int main(int, char **)") + " " + message)));
    else if (!message.isEmpty())
        QTest::ignoreMessage(
            QtDebugMsg, QRegularExpression("^" + QRegularExpression::escape(QStringLiteral("int main(int, char **)")) +
                                           " Failed to start \"DESKLINE EDITION\" : \"" +
                                           QRegularExpression::escape(message) + "\""));
    QDParamParser parser;
    UpdateSettings updates;
    MctiConfig config;
    ArgvBuilder argv(args);
    QCOMPARE(processCommandLine(parser, argv.argc(), argv.argv(), testIdentity(), &updates, &config), exitCode);
}

void TestStartup::settingsPathOption()
{
    const QString before = MSETTINGS::getSettingsDirPath();
    {
        // An empty -o changes nothing and writes no override line.
        QDParamParser parser;
        UpdateSettings updates;
        MctiConfig config;
        ArgvBuilder argv(QStringList{"-o", "", "-s"});
        QCOMPARE(processCommandLine(parser, argv.argc(), argv.argv(), testIdentity(), &updates, &config), 0);
        QCOMPARE(MSETTINGS::getSettingsDirPath(), before);
    }
    const QString dir = m_dir.filePath("settings/D");
    QTest::ignoreMessage(
        QtDebugMsg, QRegularExpression("^" + QRegularExpression::escape(QStringLiteral("int main(int, char **)")) +
                                       " Overriding Settings path: \"" + QRegularExpression::escape(dir + "/") + "\""));
    QDParamParser parser;
    UpdateSettings updates;
    MctiConfig config;
    ArgvBuilder argv(QStringList{"-o", dir, "-s"});
    QCOMPARE(processCommandLine(parser, argv.argc(), argv.argv(), testIdentity(), &updates, &config), 0);
    QCOMPARE(MSETTINGS::getSettingsDirPath(), dir + "/");
    QCOMPARE(MSETTINGS::getSettingsConfigFile(), dir + "/mcti.ini");
    MSETTINGS::setSettingsDirPath(before);
}

void TestStartup::updateSettings_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("branch");
    QTest::addColumn<QStringList>("warnings");

    QTest::newRow("defaults: no server") << QStringList() << ""
                                         << "DESKLINE" << 1 << QStringList();
    QTest::newRow("-s ignores the rest") << QStringList{"-s", "-r", "https://u.example", "-t", "K", "-b", "x"} << ""
                                         << "" << 1 << QStringList();
    QTest::newRow("-r and -t") << QStringList{"-r", "https://u.example/updates", "-t", "K"}
                               << "https://u.example/updates"
                               << "K" << 1 << QStringList();
    QTest::newRow("-r, -t and -b in order")
        << QStringList{"-b", "2", "-t", "K", "-r", "https://u.example"} << "https://u.example"
        << "K" << 2 << QStringList();
    QTest::newRow("-r empty") << QStringList{"-r", ""} << ""
                              << "DESKLINE" << 1 << QStringList();
    QTest::newRow("branch 0") << QStringList{"-b", "0"} << ""
                              << "DESKLINE" << 0 << QStringList();
    QTest::newRow("branch 2") << QStringList{"-b", "2"} << ""
                              << "DESKLINE" << 2 << QStringList();
    QTest::newRow("branch 3") << QStringList{"-b", "3"} << ""
                              << "DESKLINE" << 1 << QStringList{"Got invalid Updates BRANCH: 3"};
    QTest::newRow("branch -1") << QStringList{"-b", "-1"} << ""
                               << "DESKLINE" << 1 << QStringList{"Got invalid Updates BRANCH: -1"};
    QTest::newRow("branch x") << QStringList{"-b", "x"} << ""
                              << "DESKLINE" << 1 << QStringList{"Got invalid Updates BRANCH: 0"};
    QTest::newRow("branch empty") << QStringList{"-b", ""} << ""
                                  << "DESKLINE" << 1 << QStringList{"Got empty Updates BRANCH"};
}

void TestStartup::updateSettings()
{
    QFETCH(QStringList, args);
    QFETCH(QString, server);
    QFETCH(QString, key);
    QFETCH(int, branch);
    QFETCH(QStringList, warnings);
    for (const QString &w : warnings)
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression("^" + QRegularExpression::escape(QStringLiteral("int main(int, char **)") + " " + w) +
                               "$"));
    // Each override is announced, server, key and branch in this order.
    if (!args.contains("-s")) {
        if (args.contains("-r"))
            QTest::ignoreMessage(
                QtDebugMsg,
                QRegularExpression("^" + QRegularExpression::escape(QStringLiteral("int main(int, char **)")) +
                                   " Overriding Updates server: \"" + QRegularExpression::escape(server) + "\"$"));
        if (args.contains("-t"))
            QTest::ignoreMessage(
                QtDebugMsg,
                QRegularExpression("^" + QRegularExpression::escape(QStringLiteral("int main(int, char **)")) +
                                   " Overriding Updates KEY: \"" + QRegularExpression::escape(key) + "\"$"));
        if (args.contains("-b"))
            QTest::ignoreMessage(
                QtDebugMsg,
                QRegularExpression("^" + QRegularExpression::escape(QStringLiteral("int main(int, char **)")) +
                                   " Overriding Updates BRANCH: " + QString::number(branch) + "$"));
    }

    QDParamParser parser;
    declareOptions(parser);
    ArgvBuilder argv(args);
    QVERIFY(parser.parse(argv.argc(), argv.argv()));
    const UpdateSettings u = resolveUpdateSettings(parser, testIdentity());
    QCOMPARE(u.server, server);
    QCOMPARE(u.key, key);
    QCOMPARE(u.branch, branch);
    QCOMPARE(u.enabled(), !server.isEmpty() && !key.isEmpty());
}

void TestStartup::appConfig()
{
    const AppIdentity id = testIdentity();
    qputenv("QDTEST_DISABLE_SINGLETON", "0");
    QdBaseAppConfig cfg = makeAppConfig(id);
    QCOMPARE(cfg.appName, QString("DESKLINE"));
    QVERIFY(!cfg.confirmOnOsRestart);
    QVERIFY(cfg.singleInstance);
    QCOMPARE(cfg.singleAppKey, QString("DESKLINE_KEY"));
    QCOMPARE(cfg.singleAppExitCode, 1);
    QCOMPARE(cfg.singleAppFailMessage,
             QString("<html>Attenzione: una copia di DESKLINE EDITION &egrave; gi&agrave; in esecuzione</html>"));
    QCOMPARE(cfg.winDumpMaxFiles, 5);
    QCOMPARE(cfg.winDumpFileName, QString("deskline"));
    QVERIFY(cfg.appDisplayName.isEmpty() && cfg.appDataPath.isEmpty());

    qputenv("QDTEST_DISABLE_SINGLETON", "abc");
    QVERIFY(singleInstanceEnabled());
    qputenv("QDTEST_DISABLE_SINGLETON", "2");
    QVERIFY(!singleInstanceEnabled());
    qunsetenv("QDTEST_DISABLE_SINGLETON");
    QVERIFY(singleInstanceEnabled());
    qputenv("QDTEST_DISABLE_SINGLETON", "1");
    QVERIFY(!makeAppConfig(id).singleInstance);
}

void TestStartup::highDpiRule_data()
{
    QTest::addColumn<qreal>("dpi");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<bool>("wanted");
    QTest::newRow("retina") << qreal(144) << qreal(2) << true;
    QTest::newRow("dpi exactly 72") << qreal(72) << qreal(2) << false;
    QTest::newRow("ratio exactly 1") << qreal(144) << qreal(1) << false;
    QTest::newRow("plain") << qreal(96) << qreal(1) << false;
}

void TestStartup::highDpiRule()
{
    QFETCH(qreal, dpi);
    QFETCH(qreal, ratio);
    QFETCH(bool, wanted);
    QCOMPARE(highDpiWanted(dpi, ratio), wanted);
    // The first screen decides; the others do not matter.
    QCOMPARE(highDpiWantedFor({{dpi, ratio}, {144, 2}}), wanted);
}

void TestStartup::noScreenSkipsTheProbe()
{
    QVERIFY(!highDpiWantedFor({}));
}

// The rule is applied to the primary screen of the application object that
// exists, with the screen's figures written first; no second application
// object is made for it.
void TestStartup::screenScalingReadFromTheApplication()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    QVERIFY(screen);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^int main\\(int, char \\*\\*\\) ")));
    const bool wanted = highDpiWanted(screen->logicalDotsPerInch(), screen->devicePixelRatio());
    if (wanted)
        QTest::ignoreMessage(QtDebugMsg, "int main(int, char **) enabling hidpi since detected hidpi monitor");
    const QCoreApplication *before = QCoreApplication::instance();
    QCOMPARE(reportScreenScaling(), wanted);
    QCOMPARE(QCoreApplication::instance(), before);
}

void TestStartup::libraryPathsKeepQtPlugins()
{
    const QStringList before = QCoreApplication::libraryPaths();
    qputenv("QDTEST_QT_PLUGIN_PATH", QFile::encodeName(m_dir.path()));
    setLibraryPaths();
    const QStringList paths = QCoreApplication::libraryPaths();
    QVERIFY(paths.size() >= 2);
    QCOMPARE(paths.at(0), m_dir.path());
    QCOMPARE(paths.at(1), QFileInfo(QCoreApplication::applicationDirPath() + "/../PlugIns").absoluteFilePath());
    QVERIFY(paths.contains(QLibraryInfo::location(QLibraryInfo::PluginsPath)));
    // The SQLite driver is a plug-in of Qt's own directory.
    QVERIFY(QSqlDatabase::drivers().contains("QSQLITE"));

    qunsetenv("QDTEST_QT_PLUGIN_PATH");
    setLibraryPaths();
    QCOMPARE(QCoreApplication::libraryPaths().at(0), QCoreApplication::applicationDirPath());
    QCoreApplication::setLibraryPaths(before);
}

void TestStartup::styleSheet()
{
    QCOMPARE(styleSheetFor(1),
             QString("QWidget { font-family: \"Roboto\"; font-size: 13pt; /*font-weight: 75;* / } "
                     "QWidget[incrsize=\"1\"], QWidget[incrsize=\"1\"] QWidget { font-size: 13px; }"));
    QCOMPARE(styleSheetFor(0), QString("QWidget { font-family: \"Roboto\"; font-size: 9pt; /*font-weight: 75;* / }"));
    QCOMPARE(styleSheetFor(-1), styleSheetFor(0));
}

void TestStartup::updaterOnlyWithServerAndKey()
{
    const AppIdentity id = testIdentity();
    UpdateSettings u;
    QVERIFY(!createUpdater(u, id));
    u.server = "https://u.example/updates";
    QVERIFY(!createUpdater(u, id));
    u.server.clear();
    u.key = "K";
    QVERIFY(!createUpdater(u, id));

    u.server = "https://u.example/updates";
    u.branch = 2;
    MSETTINGS::setSettingsDirPath(m_dir.path());
    UpdaterDlg *updater = createUpdater(u, id);
    QVERIFY(updater);
    QCOMPARE(updater->serverUrl(), QUrl("https://u.example/updates"));
    QCOMPARE(updater->productBranch(), 2);
    QCOMPARE(updater->appVersion(), id.version);
    // Updates land in a private per-user directory, never a shared temporary one.
    QCOMPARE(updater->downloadDir(), UpdaterPaths::defaultDownloadDir());
    QVERIFY(!updater->isAutoUpdate());
    QVERIFY(!updater->isModalDialog());
    QVERIFY(updater->isHiddenCheck());
    QVERIFY(QFile::exists(m_dir.filePath("updater.log")));
    delete updater;
}

void TestStartup::portableUpdaterKey()
{
    QTemporaryDir home;
    const QString program = home.filePath("bin/deskline");
    QVERIFY(QDir().mkpath(home.filePath("bin")));
    QFile f(program);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QCOMPARE(UpdaterDlg::effectiveKey("K", program, home.path()), QString("K-PORTABLE"));
    QCOMPARE(UpdaterDlg::effectiveKey("K", program, m_dir.path()), QString("K"));
    QCOMPARE(UpdaterDlg::effectiveKey("K", home.filePath("bin/missing"), home.path()), QString("K"));
    // Reached through a link outside home: judged by the canonical path.
    const QString link = m_dir.filePath("deskline-link");
    QVERIFY(QFile::link(program, link));
    QCOMPARE(UpdaterDlg::effectiveKey("K", link, home.path()), QString("K-PORTABLE"));
    // Not writable: plain key.
    QVERIFY(QFile::setPermissions(program, QFileDevice::ReadOwner));
    if (!QFileInfo(program).isWritable()) // root may write anyway
        QCOMPARE(UpdaterDlg::effectiveKey("K", program, home.path()), QString("K"));
}

void TestStartup::autoUpdateSwitch()
{
    MSETTINGS::setSettingsDirPath(m_dir.path());
    UpdaterDlg updater("K", QUFW::ProductBranch::StableBranch, "App", "1.0", QUrl("https://u.example"),
                       m_dir.filePath("dl"), "TSTUPD", m_dir.path(), WriterConfig(), ProgramStarter::system());
    QSignalSpy canceled(&updater, SIGNAL(canceled()));
    updater.setAutoUpdate(true);
    updater.setAutoUpdate(true); // connects once
    emit updater.error("boom");
    QCOMPARE(canceled.count(), 1);
    updater.setAutoUpdate(false);
    emit updater.error("boom");
    QCOMPARE(canceled.count(), 1);
}

// The loop builds a new window, from a fresh record, for every restart code
// and returns any other code.
void TestStartup::restartLoop()
{
    MSETTINGS::setSettingsDirPath(m_dir.path());
    QList<MctiConfig> records;
    QList<QPointer<MPGui>> windows;
    QList<int> aliveAtCreation;
    const QList<QPair<bool, bool>> quits{{true, false}, {true, true}, {false, false}};

    auto make = [&](const MctiConfig &config) {
        int alive = 0;
        for (const QPointer<MPGui> &w : windows)
            alive += w ? 1 : 0;
        aliveAtCreation << alive;
        records << config;
        MPGui *w = makeMainWindow(config);
        windows << w;
        const QPair<bool, bool> q = quits.value(windows.size() - 1, {false, false});
        QTimer::singleShot(0, w, [w, q] { w->quitApplication(q.first, q.second); });
        return w;
    };

    MctiConfig first;
    first.pbxAddress.set("pbx.example");
    first.startupMode = 1;
    MPGui *last = nullptr;
    const int rc = runMainWindowPasses(
        first, nullptr, qApp, [] { return QCoreApplication::exec(); }, make, &last);

    QCOMPARE(rc, 0);
    QCOMPARE(windows.size(), 3);
    QCOMPARE(aliveAtCreation, (QList<int>{0, 0, 0})); // the old window is gone before the new one
    QCOMPARE(records.at(0).pbxAddress.value, QString("pbx.example"));
    for (int i = 1; i < 3; ++i) {
        QVERIFY(!records.at(i).pbxAddress.given);
        QCOMPARE(records.at(i).startupMode, -1);
    }
    QVERIFY(last);
    QCOMPARE(last, windows.last().data());
    QVERIFY(windows.at(0).isNull() && windows.at(1).isNull());
    QVERIFY(!QGuiApplication::quitOnLastWindowClosed());
    delete last;
    QVERIFY(!logger);

    // Any other code also ends the loop at once.
    int passes = 0;
    const int other = runMainWindowPasses(
        MctiConfig(), nullptr, qApp, [] { return 7; },
        [&](const MctiConfig &c) {
            ++passes;
            return makeMainWindow(c);
        },
        &last);
    QCOMPARE(other, 7);
    QCOMPARE(passes, 1);
    delete last;
}

void TestStartup::updaterConnectionsPerWindow()
{
    MSETTINGS::setSettingsDirPath(m_dir.path());
    UpdaterDlg updater("K", QUFW::ProductBranch::StableBranch, "App", "1.0", QUrl("https://u.example"),
                       m_dir.filePath("dl"), "TSTUPD2", m_dir.path(), WriterConfig(), ProgramStarter::system());
    ScriptedPrompts prompts; // the update error is shown in a message box
    MPGui window{MctiConfig()};
    connectUpdater(&window, &updater, qApp);
    QSignalSpy aboutToQuit(qApp, SIGNAL(aboutToQuit()));

    // Queued: nothing arrives before the event loop turns.
    QVERIFY(logger);
    QFile log(m_dir.filePath("mphone.log"));
    emit updater.newVersionAvailable("9.9.9");
    emit updater.noNewVersionAvailable();
    emit updater.canceled();
    emit updater.error("broken");
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(!log.readAll().contains("9.9.9"));
    QCoreApplication::processEvents();
    logger->flush();
    log.seek(0);
    const QByteArray text = log.readAll();
    QVERIFY(text.contains("An update is available, new version is: 9.9.9"));
    QVERIFY(text.contains("No updates found"));
    QVERIFY(text.contains("Update has been canceled by user"));
    QVERIFY(text.contains("Got error during update: broken"));
    QCOMPARE(prompts.shown.size(), 1);
    QVERIFY(prompts.shown.first().message.text.contains("Errore: broken"));

    QSignalSpy check(&window, SIGNAL(sigCheckUpdates()));
    emit window.sigCheckUpdates();
    QCOMPARE(check.count(), 1);
}

// A restart wires the same updater to each new window; an upgrade still asks
// the application to quit once.
void TestStartup::upgradeQuitsOnceWhenWiredAgain()
{
    MSETTINGS::setSettingsDirPath(m_dir.path());
    UpdaterDlg updater("K", QUFW::ProductBranch::StableBranch, "App", "1.0", QUrl("https://u.example"),
                       m_dir.filePath("dl"), "TSTUPD3", m_dir.path(), WriterConfig(), ProgramStarter::system());
    MPGui window{MctiConfig()};
    connectUpdater(&window, &updater, qApp);
    connectUpdater(&window, &updater, qApp);
    QCoreApplication::processEvents(); // whatever the window queued on its own

    AppCallCatcher catcher;
    qApp->installEventFilter(&catcher);
    emit updater.upgradeStarted();
    QCOMPARE(catcher.calls, 0); // queued
    QCoreApplication::processEvents();
    qApp->removeEventFilter(&catcher);
    QCOMPARE(catcher.calls, 1);
}

DESKLINE_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
