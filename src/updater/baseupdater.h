// The update client: asks the update service which installer is current,
// decides whether the copy in the download directory is, downloads and
// verifies a new one, prepares it and starts it.
//
// Trust: the service and the downloads are reached over https only, with
// certificate verification always on, through a TLS configuration of the
// updater's own (Qt's process-wide default is neither read for trust nor
// changed). Trusted are the system's certificate store (see SystemTrust,
// which honours SSL_CERT_FILE and SSL_CERT_DIR) plus any certificates given with
// setExtraCaCertificates(); never the PBX's own authorities. Plain http is
// accepted only after setAllowPlainHttp(true), a setting for tests.
#pragma once

#include "downloadablefileinfo.h"
#include "filexfermanager.h"
#include "installerprep.h"
#include "qufwproductbranch.h"

#include <QAbstractSocket>
#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <future>
#include <memory>

class Logger;
class ProgramLauncher;
class ProgramStarter;
class QAuthenticator;
class QNetworkAccessManager;
class QSslSocket;
class QTemporaryDir;
class QTimer;
class UpdateReplyReader;

class BaseUpdater : public QObject
{
    Q_OBJECT
public:
    // `starter`: what starts the installer; it outlives this object.
    BaseUpdater(const QString &productUid, ProgramStarter &starter, QObject *parent = nullptr);
    ~BaseUpdater() override;

    void setAppVersion(const QString &version) { m_appVersion = version; }
    void setProductUid(const QString &uid) { m_productUid = uid; }
    void setProductBranchToQuery(QUFW::ProductBranch::ProdBranchType branch) { m_branch = branch; }
    // Host and port of the TLS socket transport.
    void setServer(const QString &host, int port);
    // The HTTP service: scheme, host, port (default by scheme) and path prefix.
    void setServerUrl(const QUrl &url);
    // Makes `path` the download directory. It must be a directory only this
    // user can enter (see UpdaterPaths::ensurePrivateDir); a path that cannot
    // be made so is refused and the user's own update directory used instead.
    // When that is refused too, downloads go to a temporary directory,
    // removed when the updater goes or the program quits.
    void setDownloadDir(const QString &path);
    void setStage2Arguments(const QStringList &arguments) { m_stage2Arguments = arguments; }
    // false: the TLS socket transport instead of HTTP.
    void setUseHttp(bool useHttp) { m_useHttp = useHttp; }

    void setExtraCaCertificates(const QList<QSslCertificate> &certificates);
    void setAllowPlainHttp(bool allow);
    void setMaxDownloadBytes(qint64 bytes);
    // Bounds of unpacking a zipped installer.
    void setZipLimits(const QdZipLimits &limits) { m_zipLimits = limits; }

    QString getProductUid() const { return m_productUid; }
    QString getAppVersion() const { return m_appVersion; }
    int getBranch() const { return m_branch; }
    int getPlatformString() const { return 1; }
    QString getDownloadDir() const { return m_downloadDir; }
    QStringList getStage2Arguments() const { return m_stage2Arguments; }
    bool usesHttp() const { return m_useHttp; }
    // The URL the version request is posted to.
    QUrl serviceUrl() const;
    // The request document as sent, for `branch`.
    QByteArray requestDocument(int branch) const;
    DownloadableFileInfo latestFileInfo() const { return m_latestInfo; }
    // The TLS settings of the version requests and the downloads. The first
    // call waits for the system's store to be read (see prepareTrust()).
    QSslConfiguration sslConfiguration() const;
    bool isCheckRunning() const { return m_checkRunning; }
    bool isDownloadRunning() const { return m_downloadRunning; }

    // True when the download directory holds the described file with its
    // hashes. Reads the whole file.
    bool compareAppInstallerInfo(const DownloadableFileInfo &info) const;

signals:
    void newVersionFound();
    void noNewVersionFound();
    void versionCheckFailed();
    void downloadFailed();
    void externalProcessLaunched();
    void externalProcessFailed();
    void newVersionDownloaded();
    void newVersionDecompressed();
    void newVersionDecompressFailed();
    void bytesReceived(qint64 received, qint64 total);

public slots:
    void onSocketEncrypted();
    void onSocketError(QAbstractSocket::SocketError error);
    void onSocketSslError(const QList<QSslError> &errors);
    void onSocketConnected() {}
    virtual void onAuthenticationRequest(QNetworkReply *reply, QAuthenticator *authenticator);
    void onNetworkError(QNetworkReply::NetworkError error);
    void onSslError(const QList<QSslError> &errors);
    void onServerDataReceived();
    void onFileReceived(DownloadableFileInfo info);
    void onFileXferError(DownloadableFileInfo info);
    virtual void onProductVersionRequestResponse();
    virtual void onProductVersionRequestTimeout();
    virtual void onUpdaterVersionCheckFailed();
    // Sends a version request. A check still running is replaced: its
    // request is given up and only the new one reports an outcome.
    void checkForNewVersion(int timeoutMillisecs = 5000);
    void downloadNewVersion();
    void cancelDownload();
    // Starts the installer of the last reply already in the download
    // directory, after checking it again.
    void launchStage2Updater();

protected:
    virtual void readSettings();
    // When the trust goes beyond the system's store as Qt loads it on demand
    // (extra certificates, SSL_CERT_FILE or SSL_CERT_DIR), starts reading
    // the whole store on a worker thread, once, so that the check's delay
    // overlaps with it.
    void prepareTrust() const;
    bool needsExplicitTrust() const;
    // Starts `program` detached with `arguments` in the download directory.
    bool launchProgram(const QString &program, const QStringList &arguments);
    // A line for the debug log and, when set, the updater's log.
    void logLine(int priority, const QString &text) const;
    void setUpdaterLog(Logger *log) { m_updaterLog = log; }
    Logger *updaterLog() const { return m_updaterLog; }

    bool launchAfterDownload = true;
    bool decompressZipped = true;

private:
    void startHttpRequest(int timeoutMs);
    void startSocketRequest(int timeoutMs);
    void onCheckReplyFinished(QNetworkReply *reply);
    void onSocketDisconnected();
    void concludeCheck();
    void failCheck(const QString &reason);
    void detachTransport();
    // Prepares the installer on a worker, then calls `done` on this thread.
    void prepareInstaller(const DownloadableFileInfo &info, std::function<void(const PreparedInstaller &)> done);
    void launchPrepared(const PreparedInstaller &prepared);
    // Removes the temporary download directory, if there is one, unless an
    // installer was started from it.
    void dropTemporaryDir();

    QString m_productUid;
    QString m_appVersion;
    int m_branch = 0;
    int m_fileInfoType = 1;
    bool m_useHttp = true;
    QString m_scheme;
    QString m_host;
    int m_port = -1;
    QString m_pathPrefix;
    QString m_servicePath;
    QString m_query;
    QString m_downloadDir;
    std::unique_ptr<QTemporaryDir> m_tempDir;
    DownloadableFileInfo m_latestInfo;
    QStringList m_stage2Arguments;

    QList<QSslCertificate> m_extraCas;
    mutable std::shared_future<QList<QSslCertificate>> m_systemCas; // SystemTrust, read off this thread
    bool m_allowPlainHttp = false;
    QdZipLimits m_zipLimits;

    FileXferManager *m_xfer = nullptr;
    ProgramLauncher *m_launcher = nullptr;
    ProgramStarter &m_starter;
    QTimer *m_requestTimer = nullptr;
    QSslSocket *m_socket = nullptr;
    QNetworkAccessManager *m_nam = nullptr;
    QPointer<QNetworkReply> m_checkReply;
    std::unique_ptr<UpdateReplyReader> m_reader;
    quint64 m_checkGeneration = 0; // the latest check; older ones report nothing
    bool m_installerStartedFromTemp = false;
    bool m_checkRunning = false;  // from the request until its one outcome
    bool m_awaitingReply = false; // the transport may still deliver
    bool m_downloadRunning = false;
    bool m_cancelRequested = false;
    Logger *m_updaterLog = nullptr;
};
