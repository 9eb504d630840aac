// Check layer of the self-update machinery: runs version checks against the
// update service, compares the application's version with the one offered,
// shows progress, and reports every outcome through one of its five signals.
#pragma once

#include "baseupdater.h"
#include "qufwproductbranch.h"

#include <QPointer>
#include <QString>
#include <QUrl>

class Logger;
#include <QProgressDialog>
struct WriterConfig;

class CheckUpdateDlg : public BaseUpdater
{
    Q_OBJECT
public:
    CheckUpdateDlg(const QString &key, QUFW::ProductBranch::ProdBranchType branch, const QString &labelText,
                   const QString &version, const QUrl &server, const QString &downloadDir, const QString &loggerName,
                   const QString &logDir, const WriterConfig &writerConfig, ProgramStarter &starter,
                   QObject *parent = nullptr);
    CheckUpdateDlg(const QString &key, QUFW::ProductBranch::ProdBranchType branch, const QString &labelText,
                   const QString &version, const QUrl &server, const QString &downloadDir, const QString &loggerName,
                   const QString &logDir, ProgramStarter &starter, QObject *parent = nullptr);
    ~CheckUpdateDlg() override;

    void setModalDialog(bool modal);
    void setHiddenCheck(bool hidden);
    bool isModalDialog() const { return modal; }
    bool isHiddenCheck() const { return hiddenCheck; }
    bool isUpdateAvailable() const { return updateAvailable; }
    bool isInstallerOutdated() const { return installerOutdated; }

    QString productUid() const { return getProductUid(); }
    QUrl serverUrl() const { return m_server; }
    int productBranch() const { return getBranch(); }
    QString appVersion() const { return getAppVersion(); }
    QString downloadDir() const { return getDownloadDir(); }
    QProgressDialog *progressDialog() const { return m_progress; }

    // Delay between checkUpdates() and the request, and the request's
    // timeout (500 and 5000 ms unless changed, for tests).
    void setCheckTiming(int delayMs, int timeoutMs);

    // Starts the installer already in the download directory. Not used by
    // the program.
    void startDownloadApp() { launchStage2Updater(); }
    bool copyLibrariesToTemp() { return true; }

signals:
    void canceled();
    void error(QString errstr);
    void noNewVersionAvailable();
    void newVersionAvailable(QString version);
    void upgradeStarted();

public slots:
    void checkUpdates();
    void startDownload();
    // True when `info` offers no newer application version.
    bool compareAppVersion(const DownloadableFileInfo &info);
    void onCanceled();
    void onDownloadProgress(qint64 recvd, qint64 total);
    void onDownloadFinished();
    void onDownloadFailed();
    void onNewVersion();
    void onUpdaterVersionCheckFailed() override;
    void onUpdaterVersionIsUpToDate();
    void onS2Launched();
    void onS2Failed();

protected:
    Logger *updaterLogger = nullptr;
    bool modal = true;
    bool hiddenCheck = false;
    bool updateAvailable = false;
    bool installerOutdated = false;

private:
    void createLogger(const QString &loggerName, const QString &logDir, const WriterConfig &writerConfig);
    void setUp(const QString &labelText);
    void log(int priority, const QString &text);
    void resetProgress();
    void reportNewVersion();

    QUrl m_server;
    QString m_labelText;
    QPointer<QProgressDialog> m_progress;
    int m_checkDelayMs = 500;
    int m_checkTimeoutMs = 5000;
};
