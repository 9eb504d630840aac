#include "desklinestartup.h"
#include "fontconfigpreload.h"
#include "memorytuning.h"
#include "openglintegration.h"

#include "updater/installerprep.h"
#include "updater/programlauncher.h"

#include "crashhandler.h"
#include "desklineresources.h"
#include "framework/promptservice.h"
#include "framework/qdparamparser.h"
#include "framework/simpleobfuscator.h"
#include "mainwindow/mpgui.h"
#include "messaging/messagingpanel.h"
#include "passwordpromptdialog.h"
#include "settings/msettings.h"
#include "uniqlogger.h"
#include "updater/updaterdlg.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QResource>
#include <QScreen>
#include <QUrl>

#if defined(__SANITIZE_ADDRESS__)
#define DESKLINE_HAS_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define DESKLINE_HAS_LSAN 1
#endif
#endif
#ifdef DESKLINE_HAS_LSAN
#include <sanitizer/lsan_interface.h>
#endif

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DesklineStartup
{

AppIdentity AppIdentity::current()
{
    AppIdentity id;
    id.longName = MSETTINGS::getLongApplicationName();
    id.shortName = MSETTINGS::getShortApplicationName();
    id.version = MSETTINGS::getApplicationVersion();
    id.singleInstanceKey = QStringLiteral("%1_KEY").arg(id.shortName);
    id.defaultUpdateKey = QStringLiteral("%1").arg(id.shortName);
    id.defaultUpdateServer = QString();
    return id;
}

bool highDpiWanted(qreal logicalDpi, qreal devicePixelRatio)
{
    return logicalDpi > 72.0 && devicePixelRatio > 1.0;
}

bool highDpiWantedFor(const QVector<ScreenMetrics> &screens)
{
    // No screen at all (a headless start): nothing to probe.
    if (screens.isEmpty())
        return false;
    return highDpiWanted(screens.first().logicalDpi, screens.first().devicePixelRatio);
}

bool reportScreenScaling()
{
    QVector<ScreenMetrics> metrics;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens)
        metrics.append({screen->logicalDotsPerInch(), screen->devicePixelRatio()});
    if (!screens.isEmpty()) {
        const QScreen *screen = screens.first();
        qDebug() << MainLogPrefix << screen->physicalDotsPerInch() << screen->logicalDotsPerInch()
                 << screen->devicePixelRatio() << screen->size() << screen->physicalSize();
    }
    if (highDpiWantedFor(metrics)) {
        qDebug() << MainLogPrefix << "enabling hidpi since detected hidpi monitor";
        return true;
    }
    return false;
}

bool singleInstanceEnabled()
{
    bool ok = false;
    const int value = qEnvironmentVariable("QDTEST_DISABLE_SINGLETON", QStringLiteral("0")).toInt(&ok);
    return !ok || value == 0;
}

QdBaseAppConfig makeAppConfig(const AppIdentity &id)
{
    QdBaseAppConfig cfg;
    cfg.appName = id.shortName;
    cfg.confirmOnOsRestart = false;
    cfg.singleInstance = singleInstanceEnabled();
    cfg.singleAppKey = id.singleInstanceKey;
    cfg.singleAppExitCode = SingleInstanceExitCode;
    cfg.singleAppFailMessage =
        QStringLiteral("<html>Attenzione: una copia di %1 &egrave; gi&agrave; in esecuzione</html>").arg(id.longName);
    cfg.winDumpMaxFiles = 5;
    cfg.winDumpFileName = id.shortName.toLower();
    return cfg;
}

void setLibraryPaths()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    const QString first =
        qEnvironmentVariableIsSet("QDTEST_QT_PLUGIN_PATH") ? qEnvironmentVariable("QDTEST_QT_PLUGIN_PATH") : appDir;
    const QString second = QFileInfo(appDir + QStringLiteral("/../PlugIns")).absoluteFilePath();
    QStringList paths{first, second};
    for (const QString &p : QCoreApplication::libraryPaths()) {
        if (!paths.contains(p))
            paths.append(p);
    }
    QCoreApplication::setLibraryPaths(paths);
}

void loadFonts()
{
    for (const QString &name : {QStringLiteral(":/fonts/roboto"), QStringLiteral(":/fonts/roboto-light"),
                                QStringLiteral(":/fonts/roboto-bold")}) {
        // The fonts are stored uncompressed in the program: the font database
        // reads them where they are, without a copy.
        const QResource font(name);
        if (font.isValid() && font.compressionAlgorithm() == QResource::NoCompression)
            QFontDatabase::addApplicationFontFromData(
                QByteArray::fromRawData(reinterpret_cast<const char *>(font.data()), int(font.size())));
        else
            QFontDatabase::addApplicationFont(name);
    }
    QApplication::setFont(QFont(QStringLiteral("Roboto")));
}

QString styleSheetFor(int fontSizeIncrement)
{
    // The font-weight comment is never closed ("* /"), so the rest of each
    // sheet is comment text; it is kept as it is.
    if (fontSizeIncrement > 0)
        return QStringLiteral("QWidget { font-family: \"Roboto\"; font-size: 13pt; /*font-weight: 75;* / } "
                              "QWidget[incrsize=\"1\"], QWidget[incrsize=\"1\"] QWidget { font-size: 13px; }");
    return QStringLiteral("QWidget { font-family: \"Roboto\"; font-size: 9pt; /*font-weight: 75;* / }");
}

void declareOptions(QDParamParser &parser)
{
    parser.acceptParam(QStringLiteral("o"), QStringLiteral("settings-path"), Param::NEEDS_VALUE, Param::OPTIONAL);
    parser.acceptParam(QStringLiteral("a"), QStringLiteral("address"), Param::NEEDS_VALUE, Param::OPTIONAL);
    parser.acceptParam(QStringLiteral("u"), QStringLiteral("username"), Param::NEEDS_VALUE, Param::OPTIONAL);
    parser.acceptParam(QStringLiteral("p"), QStringLiteral("password"), Param::NEEDS_VALUE, Param::OPTIONAL);
    parser.acceptParam(QStringLiteral("c"), QStringLiteral("config"), Param::NEEDS_VALUE, Param::OPTIONAL);
    parser.acceptParam(QStringLiteral("s"), QStringLiteral("skip-updates"), Param::NEEDS_NO_VALUE, Param::OPTIONAL);
    parser.acceptParam(QStringLiteral("r"), QStringLiteral("updates-server"), Param::NEEDS_VALUE, Param::OPTIONAL);
    parser.acceptParam(QStringLiteral("t"), QStringLiteral("updates-key"), Param::NEEDS_VALUE, Param::OPTIONAL);
    parser.acceptParam(QStringLiteral("b"), QStringLiteral("updates-branch"), Param::NEEDS_VALUE, Param::OPTIONAL);
}

void applySettingsPathOption(const QDParamParser &parser)
{
    const QString path = parser.paramValue(QStringLiteral("o")).toString();
    if (path.isEmpty())
        return;
    MSETTINGS::setSettingsDirPath(path);
    qDebug() << MainLogPrefix << "Overriding Settings path:" << MSETTINGS::getSettingsDirPath();
}

UpdateSettings resolveUpdateSettings(const QDParamParser &parser, const AppIdentity &id)
{
    UpdateSettings updates;
    if (parser.isSet(QStringLiteral("s")))
        return updates;
    updates.server = id.defaultUpdateServer;
    updates.key = id.defaultUpdateKey;
    if (parser.isSet(QStringLiteral("r"))) {
        updates.server = parser.paramValue(QStringLiteral("r")).toString();
        qDebug() << MainLogPrefix << "Overriding Updates server:" << updates.server;
    }
    if (parser.isSet(QStringLiteral("t"))) {
        updates.key = parser.paramValue(QStringLiteral("t")).toString();
        qDebug() << MainLogPrefix << "Overriding Updates KEY:" << updates.key;
    }
    if (parser.isSet(QStringLiteral("b"))) {
        const QString text = parser.paramValue(QStringLiteral("b")).toString();
        if (text.isEmpty()) {
            qWarning() << MainLogPrefix << "Got empty Updates BRANCH";
            updates.branch = 1;
        } else {
            bool ok = false;
            const int value = text.toInt(&ok, 10);
            if (!ok || value < 0 || value > 2) {
                qWarning() << MainLogPrefix << "Got invalid Updates BRANCH:" << (ok ? value : 0);
                updates.branch = 1;
            } else {
                updates.branch = value;
            }
        }
        qDebug() << MainLogPrefix << "Overriding Updates BRANCH:" << updates.branch;
    }
    return updates;
}

bool buildStartupConfig(const QDParamParser &parser, MctiConfig *config)
{
    if (parser.isSet(QStringLiteral("a")))
        config->pbxAddress.set(parser.paramValue(QStringLiteral("a")).toString());
    if (parser.isSet(QStringLiteral("u")))
        config->username.set(parser.paramValue(QStringLiteral("u")).toString());
    if (parser.isSet(QStringLiteral("p")))
        config->password.set(SimpleObfuscator::hide(parser.paramValue(QStringLiteral("p")).toString()));

    const QString path = parser.paramValue(QStringLiteral("c")).toString();
    if (path.isEmpty())
        return true;
    if (!QFileInfo::exists(path)) {
        qDebug() << MainLogPrefix << "Config file" << path << "not found!";
        return false;
    }

    const QHash<QString, QString> keys = readConfigFileKeys(path);
    config->account.set(keys.value(QStringLiteral("sipAccount")));
    if (!config->pbxAddress.given)
        config->pbxAddress.set(keys.value(QStringLiteral("ctiServerIp")));
    if (!config->sipRegistrarAddress.given)
        config->sipRegistrarAddress.set(keys.value(QStringLiteral("sipServerIp")));
    if (!config->username.given)
        config->username.set(keys.value(QStringLiteral("username")));
    if (!config->password.given) {
        QString password = keys.value(QStringLiteral("password"));
        QString scrambled = SimpleObfuscator::hide(password);
        if (password.isEmpty()) {
            PasswordPromptDialog dialog;
            // The dialog's result is not consulted: whatever was typed is
            // taken, also when the user pressed Cancel.
            prompts().execDialog(&dialog);
            const QString typed = dialog.getInsertedPassword();
            scrambled = SimpleObfuscator::hide(typed);
            if (typed.isEmpty()) {
                prompts().warning(nullptr, QString(),
                                  QStringLiteral("You inserted a blank password, you'll need to change it in your "
                                                 "settings in order to connect to PBX"));
            }
        }
        config->password.set(scrambled);
    }
    if (config->startupMode < 0)
        config->startupMode = startupModeFromText(keys.value(QStringLiteral("mode"), QStringLiteral("-1")));
    return true;
}

int processCommandLine(QDParamParser &parser, int argc, char **argv, const AppIdentity &id, UpdateSettings *updates,
                       MctiConfig *config)
{
    declareOptions(parser);
    if (!parser.parse(argc, argv)) {
        qDebug() << MainLogPrefix << "Failed to start" << id.longName << ":" << parser.errorText;
        return BadCommandLineExitCode;
    }
    applySettingsPathOption(parser);
    *updates = resolveUpdateSettings(parser, id);
    if (!buildStartupConfig(parser, config))
        return BadCommandLineExitCode;
    return 0;
}

bool ensureSettingsDir(const QString &path, const QString &defaultPath)
{
    if (path.isEmpty())
        return false;
    const QString dirPath = QDir::cleanPath(QDir(path).absolutePath());
    const QByteArray native = QFile::encodeName(dirPath);
    struct stat st;
    if (::stat(native.constData(), &st) != 0) {
        const QString parent = QFileInfo(dirPath).absolutePath();
        if (!QDir().mkpath(parent))
            return false;
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        // Whoever raced us to it, or a umask that took owner bits away: the
        // directory ends up 0700 if it is ours.
        if (::stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return false;
        if (st.st_uid == ::geteuid())
            ::chmod(native.constData(), 0700);
        return true;
    }
    if (!S_ISDIR(st.st_mode))
        return false;
    if (st.st_uid != ::geteuid() || (st.st_mode & 0777) == 0700)
        return true;
    const QDir dir(dirPath);
    const bool ours = dirPath == QDir::cleanPath(QDir(defaultPath).absolutePath()) ||
                      dir.exists(QStringLiteral("mcti.ini")) || dir.exists(QStringLiteral("mphone.log")) ||
                      dir.exists(QStringLiteral("ctilib.log"));
    if (ours)
        ::chmod(native.constData(), 0700);
    return true;
}

UpdaterDlg *createUpdater(const UpdateSettings &updates, const AppIdentity &id)
{
    if (!updates.enabled())
        return nullptr;
    UpdaterDlg *updater =
        new UpdaterDlg(updates.key, QUFW::ProductBranch::ProdBranchType(updates.branch), id.longName, id.version,
                       QUrl(updates.server, QUrl::TolerantMode), UpdaterPaths::defaultDownloadDir(), id.shortName,
                       MSETTINGS::getSettingsDirPath(), WriterConfig(), ProgramStarter::system(), nullptr);
    updater->setAutoUpdate(false);
    updater->setModalDialog(false);
    updater->setHiddenCheck(true);
    return updater;
}

void connectUpdater(MPGui *window, UpdaterDlg *updater, QCoreApplication *app)
{
    if (!window || !updater)
        return;
    QObject::connect(window, &MPGui::sigCheckUpdates, updater, &UpdaterDlg::checkUpdates, Qt::QueuedConnection);
    QObject::connect(window, &MPGui::sigStartUpgrade, updater, &UpdaterDlg::startDownload, Qt::QueuedConnection);
    QObject::connect(updater, &UpdaterDlg::newVersionAvailable, window, &MPGui::onUpdatesAvailable,
                     Qt::QueuedConnection);
    QObject::connect(updater, &UpdaterDlg::noNewVersionAvailable, window, &MPGui::onNoUpdatesFound,
                     Qt::QueuedConnection);
    QObject::connect(updater, &UpdaterDlg::canceled, window, &MPGui::onUpdatesCanceled, Qt::QueuedConnection);
    QObject::connect(updater, &UpdaterDlg::error, window, &MPGui::onUpdatesError, Qt::QueuedConnection);
    if (app) {
        // The updater outlives the windows of a restart: one quit connection
        // however many windows were wired (quit() is static, so the
        // connection cannot be made unique by Qt).
        QObject::disconnect(updater, &UpdaterDlg::upgradeStarted, app, nullptr);
        QObject::connect(updater, &UpdaterDlg::upgradeStarted, app, &QCoreApplication::quit, Qt::QueuedConnection);
    }
}

MPGui *makeMainWindow(const MctiConfig &config)
{
    return new MPGui(config, nullptr, Qt::WindowFlags());
}

int runMainWindowPasses(const MctiConfig &initialConfig, UpdaterDlg *updater, QCoreApplication *app,
                        const EventLoop &exec, const WindowFactory &makeWindow, MPGui **lastWindow)
{
    MctiConfig config = initialConfig;
    MPGui *window = nullptr;
    int rc = 0;
    for (;;) {
        window = makeWindow(config);
        connectUpdater(window, updater, app);
        window->start();
        releaseFreedHeap();
        QGuiApplication::setQuitOnLastWindowClosed(false);
        // A SIGTERM handled during start() (say, in the first-run settings
        // dialog) has already asked to quit: do not wait for another one.
        rc = SigTermWatcher::terminationRequested() ? 0 : exec();
        if (rc != RestartExitCode)
            break;
        config = MctiConfig();
        delete window;
        window = nullptr;
    }
    // The last window ends with the process, its teardown does not run: the
    // chat history still only in memory is written back now, also when
    // SIGTERM ended the loop.
    if (window && window->messagingPanel())
        window->messagingPanel()->closeChatDb();
    if (lastWindow)
        *lastWindow = window;
    return rc;
}

int runDeskline(int argc, char *argv[], const WindowFactory &makeWindow)
{
    installCrashHandler();
    keepLargeBlocksMapped();
    FontConfigPreload fontConfig;
    // Qt scales every window by its screen's pixel density on its own while
    // this is set, exactly as Qt::AA_EnableHighDpiScaling would have it: the
    // attribute adds nothing on top, so the screen is not probed with an
    // application object of its own before the real one.
    qputenv("QT_AUTO_SCREEN_SCALE_FACTOR", "1");
    // No OpenGL stack unless the user asked for one (README, "Start-up").
    keepOpenGlIntegrationUnloaded();

    const AppIdentity id = AppIdentity::current();
    const QdBaseAppConfig appConfig = makeAppConfig(id);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);

    QdApplication app(argc, argv, appConfig);
    SigTermWatcher sigTermWatcher;
    if (reportScreenScaling())
        qDebug() << MainLogPrefix << "enabling hi-dpi";

    setLibraryPaths();
    initDesklineResources();
    fontConfig.wait();
    loadFonts();
    MSETTINGS::setFontSizeIncrement(StartupFontSizeIncrement);
    app.setStyleSheet(styleSheetFor(MSETTINGS::getFontSizeIncrement()));

    QDParamParser parser = QDParamParser::instance();
    UpdateSettings updates;
    MctiConfig config;
    const int rc = processCommandLine(parser, argc, argv, id, &updates, &config);
    if (rc != 0)
        return rc;

    ensureSettingsDir(MSETTINGS::getSettingsDirPath(), MSETTINGS::getDefaultSettingsDirPath());

    UpdaterDlg *updater = createUpdater(updates, id);

    MPGui *window = nullptr;
    const int exitCode = runMainWindowPasses(
        config, updater, &app, [] { return QApplication::exec(); }, makeWindow, &window);
    // A quit (the quit action, the window's close, SIGTERM) leaves the last
    // window and the updater to the end of the process: the window's teardown
    // does not run, so a log-out already done is not repeated and an operator
    // paused on the queues stays paused. Only a restart destroys a window.
    leaveToProcessEnd(window);
    leaveToProcessEnd(updater);
    return exitCode;
}

void leaveToProcessEnd(const void *object)
{
#ifdef DESKLINE_HAS_LSAN
    if (object)
        __lsan_ignore_object(object);
#else
    Q_UNUSED(object)
#endif
}

} // namespace DesklineStartup
