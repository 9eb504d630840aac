#include "updaterdlg.h"

#include "uniqlogger.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

UpdaterDlg::UpdaterDlg(const QString &key, QUFW::ProductBranch::ProdBranchType branch, const QString &applicationName,
                       const QString &version, const QUrl &server, const QString &downloadDir,
                       const QString &loggerName, const QString &logDir, const WriterConfig &writerConfig,
                       ProgramStarter &starter, QObject *parent)
    : CheckUpdateDlg(key, branch, applicationName, version, server, downloadDir, loggerName, logDir, writerConfig,
                     starter, parent)
{
    const QString newKey = effectiveKey(key, QCoreApplication::applicationFilePath(), QDir::homePath());
    if (newKey != key) {
        if (updaterLogger) {
            *updaterLogger << UNQL::LOG_INFO << Q_FUNC_INFO
                           << "Application is installed under user home directory. Switching the Updater key to "
                              "the portable version..."
                           << UNQL::eom;
            *updaterLogger << UNQL::LOG_INFO << Q_FUNC_INFO << "NEW Updater key:" << newKey << UNQL::eom;
        }
        setProductUid(newKey);
    }
    autoUpdate = false;
}

QString UpdaterDlg::effectiveKey(const QString &key, const QString &programFile, const QString &homeDir)
{
    const QFileInfo program(programFile);
    if (!program.exists() || !program.isWritable())
        return key;
    const QString programPath = program.canonicalFilePath();
    const QString homePath = QFileInfo(homeDir).canonicalFilePath();
    if (homePath.isEmpty() || !programPath.startsWith(homePath, Qt::CaseSensitive))
        return key;
    return QStringLiteral("%1-PORTABLE").arg(key);
}

void UpdaterDlg::setAutoUpdate(bool on)
{
    if (on == autoUpdate)
        return;
    autoUpdate = on;
    if (on) {
        connect(this, &CheckUpdateDlg::newVersionAvailable, this, &CheckUpdateDlg::startDownload, Qt::UniqueConnection);
        connect(this, &CheckUpdateDlg::error, this, &CheckUpdateDlg::canceled, Qt::UniqueConnection);
    } else {
        disconnect(this, &CheckUpdateDlg::newVersionAvailable, this, &CheckUpdateDlg::startDownload);
        disconnect(this, &CheckUpdateDlg::error, this, &CheckUpdateDlg::canceled);
    }
}
