#include "filexfermanager.h"

#include "updaterutils.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaEnum>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace
{
constexpr qint64 ReadChunk = 256 * 1024;
constexpr qint64 ReplyBufferBytes = 1024 * 1024;
constexpr int MaxBlocks = 16; // blocks of ReadChunk in flight per transfer

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

// What the I/O thread owns of a transfer: the temporary file and the hashes.
// Tasks for one sink run in order on the manager's single I/O thread.
struct FileXferManager::Sink {
    int fd = -1;
    QCryptographicHash md5{QCryptographicHash::Md5};
    QCryptographicHash sha1{QCryptographicHash::Sha1};
    QString error; // first write error (I/O thread)
    // Reusable blocks handed from the GUI thread to the I/O thread: the
    // memory of a transfer stays fixed however long it runs.
    QMutex mutex;
    std::vector<std::unique_ptr<char[]>> blocks;
    std::vector<int> freeBlocks;

    // A free block, or -1 when all MaxBlocks are in flight.
    int acquire()
    {
        QMutexLocker lock(&mutex);
        if (!freeBlocks.empty()) {
            const int index = freeBlocks.back();
            freeBlocks.pop_back();
            return index;
        }
        if (int(blocks.size()) >= MaxBlocks)
            return -1;
        blocks.emplace_back(new char[ReadChunk]);
        return int(blocks.size()) - 1;
    }
    char *block(int index)
    {
        QMutexLocker lock(&mutex);
        return blocks[size_t(index)].get();
    }
    void release(int index)
    {
        QMutexLocker lock(&mutex);
        freeBlocks.push_back(index);
    }
    // Each block is used by two tasks: writing plus SHA-1 on the I/O
    // thread, MD5 on the hash thread; the second one to end frees it.
    std::atomic<int> uses[MaxBlocks];

    void write(const char *data, qint64 size)
    {
        if (!error.isEmpty())
            return;
        if (!writeAll(data, size))
            error = QStringLiteral("cannot write the temporary file: ") + QString::fromLocal8Bit(std::strerror(errno));
        sha1.addData(data, int(size));
    }
    void done(int index)
    {
        if (--uses[index] == 0)
            release(index);
    }
    // Results of the final task.
    QString md5Hex;
    QString sha1Hex;

    ~Sink() { close(); }
    bool writeAll(const char *p, qint64 left)
    {
        while (left > 0) {
            const ssize_t n = ::write(fd, p, size_t(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            p += n;
            left -= n;
        }
        return true;
    }
    bool close()
    {
        if (fd < 0)
            return true;
        const int rc = ::close(fd);
        fd = -1;
        return rc == 0;
    }
};

struct FileXferManager::Job {
    XferConfig config;
    std::shared_ptr<Sink> sink;
    qint64 received = 0;
    qint64 limit = 0;
    QString failure;
    bool retryScheduled = false;
    bool finishing = false;
};

FileXferManager::FileXferManager(QObject *parent) : QObject(parent), m_nam(new QNetworkAccessManager)
{
    qRegisterMetaType<DownloadableFileInfo>("DownloadableFileInfo");
    qRegisterMetaType<XferConfig>("XferConfig");
    // One thread each; tasks posted to a thread's context object run in the
    // order they were posted.
    m_ioContext = new QObject;
    m_hashContext = new QObject;
    m_ioContext->moveToThread(&m_ioThread);
    m_hashContext->moveToThread(&m_hashThread);
    m_ioThread.setObjectName(QStringLiteral("updater-io"));
    m_hashThread.setObjectName(QStringLiteral("updater-md5"));
}

template <typename F> void FileXferManager::post(QObject *context, F task)
{
    QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
}

FileXferManager::~FileXferManager()
{
    for (auto it = m_jobs.begin(); it != m_jobs.end(); ++it) {
        QNetworkReply *reply = it.key();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    // Stop the threads; tasks not run yet are dropped with their contexts.
    m_ioThread.quit();
    m_hashThread.quit();
    m_ioThread.wait();
    m_hashThread.wait();
    delete m_ioContext;
    delete m_hashContext;
    for (Job *job : qAsConst(m_jobs)) {
        job->sink->close();
        QFile::remove(job->config.tempPath());
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

    if (!m_ioThread.isRunning()) { // started with the first transfer
        m_ioThread.start();
        m_hashThread.start();
    }
    auto *job = new Job;
    job->config = config;
    job->limit = transferLimit(info.size, m_maxBytes);
    job->sink = std::make_shared<Sink>();
    // A left-over temporary file of an earlier run goes; the new one is
    // created exclusively, so nothing else can be written through it.
    const QFileInfo stale(config.tempPath());
    if (stale.exists() || stale.isSymLink())
        QFile::remove(config.tempPath());
    job->sink->fd = ::open(QFile::encodeName(config.tempPath()).constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (job->sink->fd < 0) {
        delete job;
        failLater(info, QStringLiteral("cannot create the temporary file"));
        return;
    }

    QNetworkRequest request{QUrl(info.url)};
    QSslConfiguration ssl = m_sslSet ? m_ssl : QSslConfiguration::defaultConfiguration();
    ssl.setPeerVerifyMode(QSslSocket::VerifyPeer);
    request.setSslConfiguration(ssl);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    qDebug() << "Downloading file " << info.url;
    QNetworkReply *reply = m_nam->get(request);
    reply->setReadBufferSize(ReplyBufferBytes);
    m_jobs.insert(reply, job);
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        // A length announced beyond the limit: stop before the body comes.
        Job *j = m_jobs.value(reply);
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (j && j->failure.isEmpty() && length.isValid() && length.toLongLong() > j->limit) {
            j->failure = QStringLiteral("the server announces %1 bytes, more than the %2 expected")
                             .arg(length.toLongLong())
                             .arg(j->limit);
            reply->abort();
        }
    });
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

qint64 FileXferManager::transferLimit(qint64 declaredSize, qint64 maxBytes)
{
    return qMin(declaredSize > 0 ? declaredSize : UndeclaredSizeMaxBytes, maxBytes);
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
    const std::shared_ptr<Sink> sink = job->sink;
    // Data goes to the I/O thread in reusable blocks; while all are in
    // flight, reading waits (the reply's bounded buffer then holds the
    // network back).
    auto account = [job, reply](qint64 n) {
        if (job->received + n > job->limit) {
            job->failure = QStringLiteral("more data than the declared size or the limit");
            reply->abort();
            return false;
        }
        job->received += n;
        return true;
    };
    while (reply->bytesAvailable() > 0) {
        const int index = sink->acquire();
        if (index < 0) {
            if (!job->finishing)
                break;
            // The reply is done: take the rest of its bounded buffer at once.
            const QByteArray rest = reply->readAll();
            if (!account(rest.size()))
                return;
            post(m_ioContext, [sink, rest] { sink->write(rest.constData(), rest.size()); });
            post(m_hashContext, [sink, rest] { sink->md5.addData(rest); });
            break;
        }
        const qint64 n = reply->read(sink->block(index), ReadChunk);
        if (n <= 0 || !account(n)) {
            sink->release(index);
            if (n <= 0)
                break;
            return;
        }
        sink->uses[index] = 2;
        post(m_ioContext, [sink, index, n] {
            sink->write(sink->block(index), n);
            sink->done(index);
        });
        post(m_hashContext, [sink, index, n] {
            sink->md5.addData(sink->block(index), int(n));
            sink->done(index);
        });
    }
    if (!job->finishing && reply->bytesAvailable() > 0 && !job->retryScheduled) {
        job->retryScheduled = true;
        QTimer::singleShot(5, this, [this, reply] {
            Job *j = m_jobs.value(reply);
            if (!j)
                return;
            j->retryScheduled = false;
            onReadyRead(reply);
        });
    }
}

void FileXferManager::onXferFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    disconnect(this, &FileXferManager::sigCancelRequested_private, reply, nullptr);
    Job *job = m_jobs.value(reply);
    if (!job)
        return;
    job->finishing = true;
    onReadyRead(reply); // what is left in the reply's buffer
    m_jobs.remove(reply);

    QString failure = job->failure;
    if (failure.isEmpty() && reply->error() != QNetworkReply::NoError)
        failure = QStringLiteral("network error: ") + reply->errorString();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (failure.isEmpty() && (status < 200 || status > 299))
        failure = QStringLiteral("HTTP status %1").arg(status);
    const DownloadableFileInfo info = job->config.info;
    if (failure.isEmpty() && info.size > 0 && job->received != info.size)
        failure = QStringLiteral("received %1 bytes, %2 declared").arg(job->received).arg(info.size);

    // The last task of the sink closes the file and takes the hashes; the
    // verdict is made here when it has run.
    const std::shared_ptr<Sink> sink = job->sink;
    const XferConfig config = job->config;
    delete job;
    auto verdict = [this, sink, config, failure]() mutable {
        const DownloadableFileInfo &info = config.info;
        if (failure.isEmpty() && !sink->error.isEmpty())
            failure = sink->error;
        if (failure.isEmpty() && config.verifyHashes) {
            qDebug() << "Comparing hashes from info and donwloaded files for integrity";
            if (!UpdaterHash::sameHex(sink->md5Hex, info.md5) || !UpdaterHash::sameHex(sink->sha1Hex, info.sha1))
                failure = QStringLiteral("CRITICAL - Hashes do not match: MD5(%1 %2) - SHA1(%3 %4)")
                              .arg(sink->md5Hex, info.md5, sink->sha1Hex, info.sha1);
            else
                qDebug() << "Hashes match!";
        }
        if (failure.isEmpty() && !moveTempFile2Final(config))
            failure = QStringLiteral("cannot put the file in place");
        if (failure.isEmpty()) {
            emit fileXferSucceed(info);
        } else {
            qWarning() << "FileXferManager: transfer of" << info.fileName << "failed:" << failure;
            QFile::remove(config.tempPath());
            emit fileXferFailed(info);
        }
    };
    // The last task on each thread takes its hash (and closes the file); the
    // second to end hands the verdict back to this thread. The manager stops
    // both threads before it goes, so it is there to receive it.
    auto finals = std::make_shared<std::atomic<int>>(2);
    post(m_hashContext, [this, sink, finals, verdict] {
        sink->md5Hex = QString::fromLatin1(sink->md5.result().toHex());
        if (--*finals == 0)
            QMetaObject::invokeMethod(this, verdict, Qt::QueuedConnection);
    });
    post(m_ioContext, [this, sink, finals, verdict] {
        if (!sink->close() && sink->error.isEmpty())
            sink->error = QStringLiteral("cannot write the temporary file");
        sink->sha1Hex = QString::fromLatin1(sink->sha1.result().toHex());
        if (--*finals == 0)
            QMetaObject::invokeMethod(this, verdict, Qt::QueuedConnection);
    });
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
