// Starts external programs for the updater. Every start goes through one
// replaceable starter, so tests see exactly what would be run, with which
// arguments and in which directory, without running it.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

struct LaunchRequest {
    QString program;       // absolute path of the file to run
    QStringList arguments; // passed as a list, never through a shell
    QString workingDirectory;
    QString stdoutFile; // truncated; empty: not redirected
    QString stderrFile;
};

class ProgramLauncher : public QObject
{
    Q_OBJECT
public:
    using Starter = std::function<bool(const LaunchRequest &request, QString *errorText)>;

    explicit ProgramLauncher(QObject *parent = nullptr);

    // Replaces the starter of every launcher (null: the real one). For tests.
    static void setStarter(Starter starter);
    // Starts the request detached through the current starter.
    static bool start(const LaunchRequest &request, QString *errorText = nullptr);

    // Starts `program` (in `workingDir`, absolute or relative to it) detached,
    // with no arguments; its output goes to "appUpdater.out" / "appUpdater.err"
    // in that directory. Emits externalProcessLaunched or externalProcessFailed.
    bool launchProgramDetached(const QString &program, const QString &workingDir);
    // Runs the current directory's `program` and waits for it; exit code 0
    // emits externalProcessLaunched, anything else externalProcessFailed.
    void launchProgram(const QString &program, const QString &unused = QString());

signals:
    void externalProcessFailed();
    void externalProcessLaunched();
    void externalProcessCrashed();
};
