#include "crashhandler.h"
#include "desklineresources.h"
#include "desklinestartup.h"
#include "framework/qdapplication.h"
#include "framework/qdparamparser.h"
#include "globallogger.h"
#include "mainwindow/mpgui.h"
#include "memorytuning.h"
#include "openglintegration.h"
#include "settings/msettings.h"
#include "updater/updaterdlg.h"

#include <QApplication>
#include <QDebug>
#include <QDir>

using namespace DesklineStartup;

int main(int argc, char *argv[])
{
    installCrashHandler();
    keepLargeBlocksMapped();
    qputenv("QT_AUTO_SCREEN_SCALE_FACTOR", "1");
    // No OpenGL stack unless the user asked for one (README, "Start-up").
    keepOpenGlIntegrationUnloaded();

    const AppIdentity id = AppIdentity::current();

    const bool hiDpi = probeHighDpi(argc, argv);
    const QdBaseAppConfig appConfig = makeAppConfig(id);
    if (hiDpi) {
        qDebug() << MainLogPrefix << "enabling hi-dpi";
        QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    }
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);

    QdApplication app(argc, argv, appConfig);
    SigTermWatcher sigTermWatcher;

    setLibraryPaths();
    initDesklineResources();
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
        config, updater, &app, [] { return QApplication::exec(); }, makeMainWindow, &window);
    // A quit (the quit action, the window's close, SIGTERM) leaves the last
    // window and the updater to the end of the process: the window's teardown
    // does not run, so a log-out already done is not repeated and an operator
    // paused on the queues stays paused. Only a restart destroys a window.
    leaveToProcessEnd(window);
    leaveToProcessEnd(updater);
    return exitCode;
}
