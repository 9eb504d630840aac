#include "checkupdatedlg.h"

#include "uniqlogger.h"
#include "updaterutils.h"

#include <QCoreApplication>
#include <QDebug>
#include <QProgressDialog>
#include <QTimer>

#include <climits>

CheckUpdateDlg::CheckUpdateDlg(const QString &key, QUFW::ProductBranch::ProdBranchType branch, const QString &labelText,
                               const QString &version, const QUrl &server, const QString &downloadDir,
                               const QString &loggerName, const QString &logDir, const WriterConfig &writerConfig,
                               ProgramStarter &starter, QObject *parent)
    : BaseUpdater(key, starter, parent), m_server(server), m_labelText(labelText)
{
    // The logger first, so that what the settings report reaches its file.
    createLogger(loggerName, logDir, writerConfig);
    setServerUrl(server);
    setProductBranchToQuery(branch);
    setAppVersion(version);
    setDownloadDir(downloadDir);
    setUp(labelText);
}

CheckUpdateDlg::CheckUpdateDlg(const QString &key, QUFW::ProductBranch::ProdBranchType branch, const QString &labelText,
                               const QString &version, const QUrl &server, const QString &downloadDir,
                               const QString &loggerName, const QString &logDir, ProgramStarter &starter,
                               QObject *parent)
    : CheckUpdateDlg(key, branch, labelText, version, server, downloadDir, loggerName, logDir, WriterConfig(), starter,
                     parent)
{
}

void CheckUpdateDlg::createLogger(const QString &loggerName, const QString &logDir, const WriterConfig &writerConfig)
{
    if (!updaterLogger) {
        UniqLogger *ul = UniqLogger::instance(loggerName, 0);
        ul->setEncasingChars(QLatin1Char('['), QLatin1Char(']'));
        ul->setSpacingChar(QLatin1Char(' '));
        ul->setTimeStampFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        updaterLogger =
            ul->createFileLogger(QStringLiteral("UPDATER"), logDir + QStringLiteral("/updater.log"), writerConfig);
        setUpdaterLog(updaterLogger);
    }
}

void CheckUpdateDlg::setUp(const QString &labelText)
{
    setStage2Arguments({QCoreApplication::applicationFilePath(), QStringLiteral("-s")});
    log(UNQL::LOG_INFO, QStringLiteral("Updater server URL: ") + m_server.toString());
    log(UNQL::LOG_INFO, QStringLiteral("Updater key: ") + getProductUid());
    log(UNQL::LOG_INFO, QStringLiteral("Branch type: ") + QString::number(getBranch()));
    log(UNQL::LOG_INFO, QStringLiteral("App version: ") + getAppVersion());
    log(UNQL::LOG_INFO, QStringLiteral("Download dir: ") + getDownloadDir());

    m_progress = new QProgressDialog(labelText, tr("Annulla"), 0, 0, nullptr);
    m_progress->setObjectName(QStringLiteral("updateProgressDialog"));
    m_progress->setLabelText(tr("Recupero lista aggiornamenti..."));
    m_progress->setMinimumDuration(500);
    m_progress->setMinimumWidth(400);
    m_progress->setAutoClose(true);
    m_progress->setAutoReset(false);
    m_progress->setModal(modal);
    // Nothing is shown until a check or a download asks for it.
    m_progress->reset();

    connect(this, &BaseUpdater::newVersionFound, this, &CheckUpdateDlg::onNewVersion);
    connect(this, &BaseUpdater::versionCheckFailed, this, &CheckUpdateDlg::onUpdaterVersionCheckFailed);
    connect(this, &BaseUpdater::noNewVersionFound, this, &CheckUpdateDlg::onUpdaterVersionIsUpToDate);
    connect(this, &BaseUpdater::externalProcessFailed, this, &CheckUpdateDlg::onS2Failed);
    connect(this, &BaseUpdater::externalProcessLaunched, this, &CheckUpdateDlg::onS2Launched);
    connect(m_progress, &QProgressDialog::canceled, this, &CheckUpdateDlg::onCanceled);
    connect(this, &BaseUpdater::bytesReceived, this, &CheckUpdateDlg::onDownloadProgress);
    connect(this, &BaseUpdater::newVersionDownloaded, this, &CheckUpdateDlg::onDownloadFinished);
    connect(this, &BaseUpdater::downloadFailed, this, &CheckUpdateDlg::onDownloadFailed);
}

CheckUpdateDlg::~CheckUpdateDlg()
{
    if (m_progress) {
        m_progress->disconnect(this);
        m_progress->close();
        m_progress->deleteLater();
    }
    setUpdaterLog(nullptr);
    delete updaterLogger;
    updaterLogger = nullptr;
}

void CheckUpdateDlg::log(int priority, const QString &text)
{
    logLine(priority, text);
}

void CheckUpdateDlg::setCheckTiming(int delayMs, int timeoutMs)
{
    m_checkDelayMs = qMax(0, delayMs);
    m_checkTimeoutMs = timeoutMs;
}

void CheckUpdateDlg::setModalDialog(bool isModal)
{
    modal = isModal;
    if (m_progress)
        m_progress->setModal(isModal);
}

void CheckUpdateDlg::setHiddenCheck(bool hidden)
{
    hiddenCheck = hidden;
    if (hidden && m_progress && m_progress->isVisible())
        m_progress->hide();
}

void CheckUpdateDlg::resetProgress()
{
    if (m_progress)
        m_progress->reset();
}

void CheckUpdateDlg::checkUpdates()
{
    prepareTrust();
    if (m_progress) {
        if (hiddenCheck)
            m_progress->hide();
        else
            m_progress->show();
    }
    QTimer::singleShot(m_checkDelayMs, this, [this] { checkForNewVersion(m_checkTimeoutMs); });
}

void CheckUpdateDlg::startDownload()
{
    if (!updateAvailable)
        return;
    if (!installerOutdated) {
        launchStage2Updater();
        return;
    }
    if (m_progress)
        m_progress->setLabelText(tr("Scaricamento componenti aggiuntivi..."));
    downloadNewVersion();
}

bool CheckUpdateDlg::compareAppVersion(const DownloadableFileInfo &info)
{
    log(UNQL::LOG_INFO, QStringLiteral("local app version: ") + getAppVersion());
    log(UNQL::LOG_INFO, QStringLiteral("remote app version ") + info.appVersion);
    const bool upToDate = UpdaterVersion::isUpToDate(getAppVersion(), info.appVersion);
    if (getAppVersion() != info.appVersion) {
        if (upToDate)
            log(UNQL::LOG_WARNING,
                QStringLiteral("Local app version is newer(?) than remote one, no update was found."));
        else
            log(UNQL::LOG_INFO, QStringLiteral("Local app version is older than remote one, an update is available."));
    }
    return upToDate;
}

void CheckUpdateDlg::reportNewVersion()
{
    const QString version = latestFileInfo().appVersion;
    log(UNQL::LOG_INFO, QStringLiteral("New application version available: ") + version);
    updateAvailable = true;
    emit newVersionAvailable(version);
}

void CheckUpdateDlg::onNewVersion()
{
    log(UNQL::LOG_DBG, QStringLiteral("New updater version available!"));
    installerOutdated = true;
    if (compareAppVersion(latestFileInfo())) {
        log(UNQL::LOG_INFO, QStringLiteral("New updater version available, but application version is "
                                           "up-to-date... Nothing to do..."));
        resetProgress();
        emit noNewVersionAvailable();
        return;
    }
    reportNewVersion();
}

void CheckUpdateDlg::onUpdaterVersionIsUpToDate()
{
    log(UNQL::LOG_DBG, QStringLiteral("Updater version is already up-to-date. Checking for app version..."));
    if (!compareAppVersion(latestFileInfo())) {
        reportNewVersion();
        return;
    }
    log(UNQL::LOG_INFO, QStringLiteral("Both updater and application version are up-to-date... Nothing to do..."));
    resetProgress();
    emit noNewVersionAvailable();
}

void CheckUpdateDlg::onUpdaterVersionCheckFailed()
{
    log(UNQL::LOG_INFO, QStringLiteral("Version check failed. Nothing to do..."));
    resetProgress();
    emit noNewVersionAvailable();
}

void CheckUpdateDlg::onCanceled()
{
    log(UNQL::LOG_INFO, QStringLiteral("Update has been canceled by user"));
    cancelDownload();
    resetProgress();
    emit canceled();
}

void CheckUpdateDlg::onDownloadProgress(qint64 recvd, qint64 total)
{
    if (!m_progress)
        return;
    // The bar counts in int: large files are shown in KiB.
    while (total > INT_MAX || recvd > INT_MAX) {
        total /= 1024;
        recvd /= 1024;
    }
    m_progress->setRange(0, int(qMax<qint64>(total, 0)));
    m_progress->setValue(int(qMax<qint64>(recvd, 0)));
}

void CheckUpdateDlg::onDownloadFinished()
{
    if (!m_progress)
        return;
    m_progress->setLabelText(tr("Aggiornamento componenti in corso..."));
    m_progress->setRange(0, 0);
    m_progress->reset();
}

void CheckUpdateDlg::onDownloadFailed()
{
    log(UNQL::LOG_CRITICAL, QStringLiteral("An error occurred while downloading the file... Nothing to do..."));
    resetProgress();
    emit error(QStringLiteral("download failed"));
}

void CheckUpdateDlg::onS2Launched()
{
    log(UNQL::LOG_INFO, QStringLiteral("Success launching stage2!"));
    if (updaterLogger)
        updaterLogger->flush();
    resetProgress();
    emit upgradeStarted();
}

void CheckUpdateDlg::onS2Failed()
{
    qDebug() << "An error occurred... Nothing to do...";
    if (updaterLogger)
        updaterLogger->log(UNQL::LOG_CRITICAL, QStringLiteral("An error occurred during Stage2: Nothing to do..."));
    resetProgress();
    emit error(QStringLiteral("stage2 start failed"));
}
