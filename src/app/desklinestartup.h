// The steps of the program's start-up, one function each, so that the entry
// (main.cpp) is a plain sequence and every rule here can be tested without
// starting the program.
#pragma once

#include <QVector>

#include "configfilereader.h"
#include "framework/qdapplication.h"
#include "mcticonfig.h"

#include <QHash>
#include <QString>

#include <functional>

class MPGui;
class QCoreApplication;
class QDParamParser;
class UpdaterDlg;

namespace DesklineStartup
{

constexpr int RestartExitCode = -123456789;
constexpr int BadCommandLineExitCode = 100;
constexpr int SingleInstanceExitCode = 1;
constexpr int StartupFontSizeIncrement = 1;

// Names, keys and paths formed before anything else.
struct AppIdentity {
    QString longName;
    QString shortName;
    QString version;
    QString singleInstanceKey;   // "<short>_KEY"
    QString defaultUpdateKey;    // the short name
    QString defaultUpdateServer; // none: updates only with -r

    static AppIdentity current();
};

// Update settings resolved from the command line.
struct UpdateSettings {
    QString server;
    QString key;
    int branch = 1;
    bool enabled() const { return !server.isEmpty() && !key.isEmpty(); }
};

// High-DPI rule: logical DPI above 72 and device pixel ratio above 1.
bool highDpiWanted(qreal logicalDpi, qreal devicePixelRatio);

struct ScreenMetrics {
    qreal logicalDpi = 0;
    qreal devicePixelRatio = 1;
};
// The rule applied to the first screen; false when there is no screen.
bool highDpiWantedFor(const QVector<ScreenMetrics> &screens);
// Writes the primary screen's metrics (physical and logical DPI, device pixel
// ratio, size, physical size) to the debug output and applies the rule to it,
// with the line "enabling hidpi since detected hidpi monitor" when it holds;
// false when there is no screen. Needs the application object.
bool reportScreenScaling();

// True unless QDTEST_DISABLE_SINGLETON holds a non-zero integer.
bool singleInstanceEnabled();
QdBaseAppConfig makeAppConfig(const AppIdentity &id);

// Plug-in paths: QDTEST_QT_PLUGIN_PATH (or the application directory), then
// "<appdir>/../PlugIns", then the paths Qt already had (its own plug-in
// directory among them, which holds the SQL and multimedia plug-ins).
void setLibraryPaths();
void loadFonts();
QString styleSheetFor(int fontSizeIncrement);

// Declares the nine options on `parser`.
void declareOptions(QDParamParser &parser);
// -o: stores a non-empty settings path.
void applySettingsPathOption(const QDParamParser &parser);
UpdateSettings resolveUpdateSettings(const QDParamParser &parser, const AppIdentity &id);

// Fills `config` from -a, -u, -p and the -c file. False when the -c file does
// not exist (the caller ends the process with exit code 100).
bool buildStartupConfig(const QDParamParser &parser, MctiConfig *config);

// Steps 11 to 14 of the start-up: parse the command line into `parser`, apply
// -o, resolve the update settings and build the configuration record. Returns
// 0 to go on, or the exit code the process must end with.
int processCommandLine(QDParamParser &parser, int argc, char **argv, const AppIdentity &id, UpdateSettings *updates,
                       MctiConfig *config);

// Step 15: creates the settings directory (with its missing parents) readable
// by the owner only. An existing one is tightened to 0700 when it is ours: the
// default location, or a directory of the current user that already holds the
// program's settings file or logs. Any other existing directory (one the user
// named with -o for other uses) is left as it is. False when it cannot be
// created.
bool ensureSettingsDir(const QString &path, const QString &defaultPath);

// The updater, only when server and key are both set; null otherwise.
UpdaterDlg *createUpdater(const UpdateSettings &updates, const AppIdentity &id);
// The seven queued connections between a main window, the updater and the
// application object.
void connectUpdater(MPGui *window, UpdaterDlg *updater, QCoreApplication *app);

using WindowFactory = std::function<MPGui *(const MctiConfig &)>;
using EventLoop = std::function<int()>;
// Main-window passes: build, wire and start a window, run the loop; on the
// restart code delete the window and go again with a fresh record. Returns
// the final exit code and hands the last window to `lastWindow`.
int runMainWindowPasses(const MctiConfig &config, UpdaterDlg *updater, QCoreApplication *app, const EventLoop &exec,
                        const WindowFactory &makeWindow, MPGui **lastWindow);
MPGui *makeMainWindow(const MctiConfig &config);

// The whole program as its entry runs it, from the process set-up to the end
// of the last main-window pass; main windows come from `makeWindow`. Returns
// the process's exit code.
int runDeskline(int argc, char *argv[], const WindowFactory &makeWindow);

// Leaves an object to the end of the process: it is never deleted, and the
// leak checker of a sanitized build is told so (no effect otherwise).
void leaveToProcessEnd(const void *object);

} // namespace DesklineStartup
