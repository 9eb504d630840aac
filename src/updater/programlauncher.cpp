#include "programlauncher.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace
{
class SystemStarter final : public ProgramStarter
{
public:
    bool startDetached(const LaunchRequest &request, QString *errorText) override;
};

bool SystemStarter::startDetached(const LaunchRequest &request, QString *errorText)
{
    QProcess process;
    process.setProgram(request.program);
    process.setArguments(request.arguments);
    process.setWorkingDirectory(request.workingDirectory);
    if (!request.stdoutFile.isEmpty())
        process.setStandardOutputFile(request.stdoutFile, QIODevice::Truncate);
    if (!request.stderrFile.isEmpty())
        process.setStandardErrorFile(request.stderrFile, QIODevice::Truncate);
    qint64 pid = 0;
    const bool started = process.startDetached(&pid);
    if (errorText)
        *errorText = started ? QStringLiteral("No Error") : process.errorString();
    return started;
}
} // namespace

ProgramStarter &ProgramStarter::system()
{
    static SystemStarter starter;
    return starter;
}

ProgramLauncher::ProgramLauncher(QObject *parent) : QObject(parent) {}

bool ProgramLauncher::launchProgramDetached(const QString &program, const QString &workingDir)
{
    const QString path = QDir(workingDir).absoluteFilePath(program);
    qDebug() << Q_FUNC_INFO << program << workingDir;
    qDebug() << "file to launch exists: " << QFileInfo::exists(path);
    LaunchRequest request;
    request.program = path;
    request.workingDirectory = workingDir;
    request.stdoutFile = QDir(workingDir).filePath(QStringLiteral("appUpdater.out"));
    request.stderrFile = QDir(workingDir).filePath(QStringLiteral("appUpdater.err"));
    QString errorText;
    const bool started = ProgramStarter::system().startDetached(request, &errorText);
    qDebug() << "The process launched has workdir:" << workingDir;
    qDebug() << "Process was started: " << started << errorText;
    if (started) {
        emit externalProcessLaunched();
    } else {
        qCritical() << "Unable to launch program!";
        emit externalProcessFailed();
    }
    return started;
}

void ProgramLauncher::launchProgram(const QString &program, const QString &)
{
    const QString command = QDir::currentPath() + QLatin1Char('/') + program;
    qDebug() << "about to execute" << command;
    QProcess process;
    process.start(command, QStringList());
    process.waitForFinished(-1);
    const int code = process.exitStatus() == QProcess::NormalExit && process.error() != QProcess::FailedToStart
                         ? process.exitCode()
                         : -1;
    qDebug() << "Process started and finished with code:" << code;
    if (code != 0) {
        qCritical() << Q_FUNC_INFO << "Updating process failed: exited with error code" << code;
        emit externalProcessFailed();
    } else {
        emit externalProcessLaunched();
    }
}
