#include "filexfermanager.h"

#include "updaterutils.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {
constexpr qint64 ReadChunk = 256 * 1024;
constexpr qint64 ReplyBufferBytes = 1024 * 1024;

QString joined(const QString &dir, const QString &name)
{
    return dir.isEmpty() ? name : dir + QLatin1Char('/') + name;
}
} // namespace

QString XferConfig::tempPath() const
{
    return joined(destinationDir, tempFileName);
}

QString XferConfig::finalPath() const
{
    return joined(destinationDir, info.fileName);
}

struct FileXferManager::Job {
    XferConfig config;
    QFile file;
    QCryptographicHash md5{QCryptographicHash::Md5};
    QCryptographicHash sha1{QCryptographicHash::Sha1};
    qint64 received = 0;
    qint64 limit = 0;
    QString failure;
    QByteArray chunk;
};

FileXferManager::FileXferManager(QObject *parent) : QObject(parent), m_nam(new QNetworkAccessManager)
{
    qRegisterMetaType<DownloadableFileInfo>("DownloadableFileInfo");
    qRegisterMetaType<XferConfig>("XferConfig");
}

FileXferManager::~FileXferManager()
{
    for (auto it = m_jobs.begin(); it != m_jobs.end(); ++it) {
        QNetworkReply *reply = it.key();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
        Job *job = it.value();
        job->file.close();
        job->file.remove();
        delete job;
    }
    m_jobs.clear();
    m_nam->deleteLater();
}

void FileXferManager::failLater(const DownloadableFileInfo &info, const QString &reason)
{
    qWarning() << Q_FUNC_INFO << "download refused:" << reason;
    QTimer::singleShot(0, this, [this, info] { emit fileXferFailed(info); });
}

void FileXferManager::transfer(XferConfig config)
{
    const DownloadableFileInfo &info = config.info;
    const QString reason = info.rejectionReason(m_allowPlainHttp, m_maxBytes);
    if (!reason.isEmpty()) {
        failLater(info, reason);
        return;
    }
    if (config.destinationDir.isEmpty() || !QFileInfo(config.destinationDir).isDir()) {
        failLater(info, QStringLiteral("no destination directory"));
        return;
    }
    config.tempFileName = info.fileName + QStringLiteral(".tmp");
    if (!UpdaterPaths::isInsideDir(config.destinationDir, config.tempPath()) ||
        !UpdaterPaths::isInsideDir(config.destinationDir, config.finalPath())) {
        failLater(info, QStringLiteral("target outside the destination directory"));
        return;
    }

    auto *job = new Job;
    job->config = config;
    job->limit = info.size > 0 ? qMin(info.size, m_maxBytes) : m_maxBytes;
    // A left-over temporary file of an earlier run goes; the new one is
    // created exclusively, so nothing else can be written through it.
    const QFileInfo stale(config.tempPath());
    if (stale.exists() || stale.isSymLink())
        QFile::remove(config.tempPath());
    job->file.setFileName(config.tempPath());
    if (!job->file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        delete job;
        failLater(info, QStringLiteral("cannot create the temporary file"));
        return;
    }

    QNetworkRequest request{QUrl(info.url)};
    request.setSslConfiguration(m_ssl);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    qDebug() << "Downloading file " << info.url;
    QNetworkReply *reply = m_nam->get(request);
    reply->setReadBufferSize(ReplyBufferBytes);
    m_jobs.insert(reply, job);
    connect(reply, &QIODevice::readyRead, this, [this, reply] { onReadyRead(reply); });
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 r, qint64 t) {
        const Job *j = m_jobs.value(reply);
        const qint64 total = t > 0 ? t : (j ? j->config.info.size : 0);
        emit bytesReceived(r, total);
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onXferFinished(reply); });
    connect(reply, &QNetworkReply::errorOccurred, this, [](QNetworkReply::NetworkError e) {
        qDebug() << "an error happened while transfering the file:"
                 << QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(e);
    });
    connect(reply, &QNetworkReply::sslErrors, this, [](const QList<QSslError> &errors) {
        // Logged, never ignored: the transfer then fails.
        for (const QSslError &e : errors)
            qWarning() << "TLS error on download:" << e.errorString();
    });
    connect(this, &FileXferManager::sigCancelRequested_private, reply, &QNetworkReply::abort);
}

void FileXferManager::cancelTransfer()
{
    emit sigCancelRequested_private();
}

void FileXferManager::onReadyRead(QNetworkReply *reply)
{
    Job *job = m_jobs.value(reply);
    if (!job || !job->failure.isEmpty() || !reply->isReadable())
        return;
    job->chunk.resize(int(ReadChunk));
    for (;;) {
        const qint64 n = reply->read(job->chunk.data(), ReadChunk);
        if (n <= 0)
            break;
        if (job->received + n > job->limit) {
            job->failure = QStringLiteral("more data than the declared size or the limit");
            reply->abort();
            return;
        }
        if (job->file.write(job->chunk.constData(), n) != n) {
            job->failure = QStringLiteral("cannot write the temporary file: ") + job->file.errorString();
            reply->abort();
            return;
        }
        job->md5.addData(job->chunk.constData(), int(n));
        job->sha1.addData(job->chunk.constData(), int(n));
        job->received += n;
    }
}

void FileXferManager::onXferFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    disconnect(this, &FileXferManager::sigCancelRequested_private, reply, nullptr);
    onReadyRead(reply);
    Job *job = m_jobs.take(reply);
    if (!job)
        return;
    const DownloadableFileInfo info = job->config.info;
    QString failure = job->failure;
    if (failure.isEmpty() && reply->error() != QNetworkReply::NoError)
        failure = QStringLiteral("network error: ") + reply->errorString();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (failure.isEmpty() && (status < 200 || status > 299))
        failure = QStringLiteral("HTTP status %1").arg(status);
    if (failure.isEmpty() && info.size > 0 && job->received != info.size)
        failure = QStringLiteral("received %1 bytes, %2 declared").arg(job->received).arg(info.size);
    if (failure.isEmpty() && !job->file.flush())
        failure = QStringLiteral("cannot write the temporary file");
    job->file.close();
    if (failure.isEmpty() && job->config.verifyHashes) {
        qDebug() << "Comparing hashes from info and donwloaded files for integrity";
        const QString md5 = QString::fromLatin1(job->md5.result().toHex());
        const QString sha1 = QString::fromLatin1(job->sha1.result().toHex());
        if (!UpdaterHash::sameHex(md5, info.md5) || !UpdaterHash::sameHex(sha1, info.sha1))
            failure = QStringLiteral("CRITICAL - Hashes do not match: MD5(%1 %2) - SHA1(%3 %4)")
                          .arg(md5, info.md5, sha1, info.sha1);
        else
            qDebug() << "Hashes match!";
    }
    if (failure.isEmpty() && !moveTempFile2Final(job->config))
        failure = QStringLiteral("cannot put the file in place");
    const XferConfig config = job->config;
    delete job;
    if (failure.isEmpty()) {
        emit fileXferSucceed(info);
    } else {
        qWarning() << Q_FUNC_INFO << info.fileName << failure;
        QFile::remove(config.tempPath());
        emit fileXferFailed(info);
    }
}

bool FileXferManager::checkHashes(const QString &path, const DownloadableFileInfo &info)
{
    const UpdaterHash::FileHashes hashes = UpdaterHash::hashFile(path);
    if (!hashes.ok) {
        qDebug() << Q_FUNC_INFO << "Cannot open file" << path;
        return false;
    }
    if (UpdaterHash::sameHex(hashes.md5, info.md5) && UpdaterHash::sameHex(hashes.sha1, info.sha1)) {
        qDebug() << "Hashes match!";
        return true;
    }
    qDebug() << "CRITICAL - Hashes do not match: MD5(" << hashes.md5 << info.md5 << ") - SHA1(" << hashes.sha1
             << info.sha1 << ")";
    return false;
}

bool FileXferManager::moveTempFile2Final(const XferConfig &config)
{
    const QString temp = config.tempPath();
    const QString final = config.finalPath();
    if (!QFile::setPermissions(temp, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                         QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther)) {
        qCritical() << "Failed to set file permissions";
        return false;
    }
    const QFileInfo existing(final);
    if ((existing.exists() || existing.isSymLink()) && !QFile::remove(final)) {
        qCritical() << "A file with the same name existed and could not be deleted: " << final;
        return false;
    }
    if (!QFile::rename(temp, final)) {
        qCritical() << "failed to rename file" << temp << "to" << final;
        return false;
    }
    return true;
}
