// Downloads installer files: each transfer streams into an exclusive
// temporary file beside its destination while MD5 and SHA-1 are computed
// (writing with SHA-1 on one I/O thread, MD5 beside it on another, so neither
// a slow disk nor the hashing holds up the GUI thread),
// is checked against the description's size and hashes, made executable and
// renamed into place. Every transfer ends in exactly one of fileXferSucceed
// and fileXferFailed.
#pragma once

#include "downloadablefileinfo.h"

#include <QHash>
#include <QNetworkReply>
#include <QObject>
#include <QSslConfiguration>
#include <QSslError>
#include <QThread>

class QNetworkAccessManager;

struct XferConfig {
    DownloadableFileInfo info;
    QString destinationDir;
    QString tempFileName;
    bool verifyHashes = true;

    XferConfig() = default;
    explicit XferConfig(const DownloadableFileInfo &fileInfo)
        : info(fileInfo), tempFileName(fileInfo.fileName + QStringLiteral(".tmp"))
    {
    }
    QString tempPath() const;
    QString finalPath() const;
};
Q_DECLARE_METATYPE(XferConfig)

class FileXferManager : public QObject
{
    Q_OBJECT
public:
    // Largest download accepted by default, whatever the description says.
    static constexpr qint64 DefaultMaxBytes = qint64(4) * 1024 * 1024 * 1024;
    // Largest download accepted when the description declares no size.
    static constexpr qint64 UndeclaredSizeMaxBytes = qint64(512) * 1024 * 1024;
    // The most a transfer may receive: the declared size when there is one
    // (a transfer stops as soon as it passes it), else the cap above; never
    // more than `maxBytes`.
    static qint64 transferLimit(qint64 declaredSize, qint64 maxBytes);

    explicit FileXferManager(QObject *parent = nullptr);
    ~FileXferManager() override;

    // TLS settings of the next requests (the trusted certificates); the
    // owner sets them before each transfer. Until set, Qt's default at the
    // time of the request. Verification is always on.
    void setSslConfiguration(const QSslConfiguration &config)
    {
        m_ssl = config;
        m_sslSet = true;
    }
    // Accept "http" URLs too. Only for tests against a local service.
    void setAllowPlainHttp(bool allow) { m_allowPlainHttp = allow; }
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }
    qint64 maxBytes() const { return m_maxBytes; }
    int runningTransfers() const { return m_jobs.size(); }

    // MD5 and SHA-1 of the file against the description's, hex compared
    // without regard to case.
    static bool checkHashes(const QString &path, const DownloadableFileInfo &info);
    // 0755 on the temporary file, then rename over the final path.
    static bool moveTempFile2Final(const XferConfig &config);

signals:
    void fileXferSucceed(DownloadableFileInfo info);
    void fileXferFailed(DownloadableFileInfo info);
    void bytesReceived(qint64 received, qint64 total);
    void XferError();
    void sigCancelRequested_private();

public slots:
    void transfer(XferConfig config);
    void cancelTransfer();

private:
    struct Job;
    struct Sink;
    void onReadyRead(QNetworkReply *reply);
    void onXferFinished(QNetworkReply *reply);
    void failLater(const DownloadableFileInfo &info, const QString &reason);
    template <typename F> static void post(QObject *context, F task);

    QNetworkAccessManager *m_nam = nullptr;
    QHash<QNetworkReply *, Job *> m_jobs;
    QThread m_ioThread;   // writes and SHA-1
    QThread m_hashThread; // MD5
    QObject *m_ioContext = nullptr;
    QObject *m_hashContext = nullptr;
    QSslConfiguration m_ssl;
    bool m_sslSet = false;
    bool m_allowPlainHttp = false;
    qint64 m_maxBytes = DefaultMaxBytes;
};
