// Starts external programs for the updater. The update client starts its
// installer through a ProgramStarter it is given, so tests see exactly what
// would be run, with which arguments and in which directory, without running it.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

struct LaunchRequest {
    QString program;       // absolute path of the file to run
    QStringList arguments; // passed as a list, never through a shell
    QString workingDirectory;
    QString stdoutFile; // truncated; empty: not redirected
    QString stderrFile;
};

// Starts one request detached.
class ProgramStarter
{
public:
    virtual ~ProgramStarter() = default;
    // False when it did not start; `errorText` (may be null) then says why,
    // otherwise "No Error".
    virtual bool startDetached(const LaunchRequest &request, QString *errorText) = 0;
    // The one that starts a process of the system.
    static ProgramStarter &system();
};

class ProgramLauncher : public QObject
{
    Q_OBJECT
public:
    explicit ProgramLauncher(QObject *parent = nullptr);

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
