#include "baseupdater.h"

#include "framework/simplexmlparser.h"
#include "programlauncher.h"
#include "qufw.h"
#include "systemtrust.h"
#include "uniqlogger.h"
#include "updatereplyreader.h"
#include "updaterutils.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtConcurrent>

BaseUpdater::BaseUpdater(const QString &productUid, ProgramStarter &starter, QObject *parent)
    : QObject(parent), m_productUid(productUid), m_xfer(new FileXferManager(this)),
      m_launcher(new ProgramLauncher(this)), m_starter(starter), m_requestTimer(new QTimer(this)),
      m_socket(new QSslSocket(this)), m_nam(new QNetworkAccessManager(this))
{
    qRegisterMetaType<DownloadableFileInfo>("DownloadableFileInfo");
    BaseUpdater::readSettings();
    m_requestTimer->setSingleShot(true);
    connect(m_requestTimer, &QTimer::timeout, this, &BaseUpdater::onProductVersionRequestTimeout);
    connect(m_socket, &QSslSocket::encrypted, this, &BaseUpdater::onSocketEncrypted);
    connect(m_socket, &QIODevice::readyRead, this, &BaseUpdater::onServerDataReceived);
    connect(m_socket, &QAbstractSocket::connected, this, &BaseUpdater::onSocketConnected);
    connect(m_socket, QOverload<const QList<QSslError> &>::of(&QSslSocket::sslErrors), this,
            &BaseUpdater::onSocketSslError);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, &BaseUpdater::onSocketError);
    connect(m_socket, &QAbstractSocket::disconnected, this, &BaseUpdater::onSocketDisconnected);
    connect(m_xfer, &FileXferManager::fileXferSucceed, this, &BaseUpdater::onFileReceived);
    connect(m_xfer, &FileXferManager::bytesReceived, this, &BaseUpdater::bytesReceived);
    connect(m_xfer, &FileXferManager::fileXferFailed, this, &BaseUpdater::onFileXferError);
    connect(m_nam, &QNetworkAccessManager::authenticationRequired, this, &BaseUpdater::onAuthenticationRequest);
    // The program leaves its updater to the end of the process, where no
    // destructor runs: the temporary download directory goes at exit.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &BaseUpdater::dropTemporaryDir);
}

BaseUpdater::~BaseUpdater()
{
    detachTransport();
    dropTemporaryDir();
}

void BaseUpdater::dropTemporaryDir()
{
    if (!m_tempDir)
        return;
    if (m_installerStartedFromTemp) {
        // The installer started from it may still be reading it.
        m_tempDir->setAutoRemove(false);
        logLine(UNQL::LOG_INFO,
                QStringLiteral("Temporary download directory kept for the installer: ") + m_tempDir->path());
    } else {
        logLine(UNQL::LOG_INFO, QStringLiteral("Temporary download directory removed: ") + m_tempDir->path());
    }
    if (m_downloadDir == m_tempDir->path())
        m_downloadDir.clear();
    m_tempDir.reset();
}

void BaseUpdater::readSettings()
{
    m_useHttp = true;
    m_scheme = QStringLiteral("https");
    m_port = 443;
    m_pathPrefix = QStringLiteral("/suf");
    m_servicePath = QStringLiteral("/RestController.php");
    m_query = QStringLiteral("action=getFileInfo");
}

void BaseUpdater::setServer(const QString &host, int port)
{
    m_host = host;
    m_port = port;
}

void BaseUpdater::setServerUrl(const QUrl &url)
{
    m_useHttp = true;
    m_scheme = url.scheme();
    m_host = url.host(QUrl::FullyDecoded);
    m_port = url.port(-1);
    if (m_port == -1) {
        const QString scheme = m_scheme.toLower();
        if (scheme == QLatin1String("http")) {
            m_port = 80;
        } else if (scheme == QLatin1String("https")) {
            m_port = 443;
        } else {
            qWarning() << "Could not find a port in the URL and we do not know how to handle" << m_scheme << "using -1";
        }
    }
    if (!url.path().isEmpty())
        m_pathPrefix = url.path();
}

void BaseUpdater::setDownloadDir(const QString &path)
{
    QString error;
    QString dir = path;
    if (!UpdaterPaths::ensurePrivateDir(dir, &error)) {
        logLine(UNQL::LOG_CRITICAL,
                QStringLiteral("Download directory refused (%1), using the user's own one").arg(error));
        dir = UpdaterPaths::defaultDownloadDir();
        if (!UpdaterPaths::ensurePrivateDir(dir, &error)) {
            logLine(UNQL::LOG_CRITICAL, QStringLiteral("No usable download directory: ") + error);
            dir.clear();
        }
    }
    dropTemporaryDir();
    m_downloadDir = dir.isEmpty() ? QString() : QDir::cleanPath(QDir(dir).absolutePath());
}

void BaseUpdater::setExtraCaCertificates(const QList<QSslCertificate> &certificates)
{
    m_extraCas = certificates;
}

void BaseUpdater::setAllowPlainHttp(bool allow)
{
    m_allowPlainHttp = allow;
    m_xfer->setAllowPlainHttp(allow);
}

void BaseUpdater::setMaxDownloadBytes(qint64 bytes)
{
    m_xfer->setMaxBytes(bytes);
}

bool BaseUpdater::needsExplicitTrust() const
{
    return !m_extraCas.isEmpty() || SystemTrust::hasAdditions();
}

void BaseUpdater::prepareTrust() const
{
    if (!m_systemCas.valid() && needsExplicitTrust())
        m_systemCas = std::async(std::launch::async, [] { return SystemTrust::authorities(); }).share();
}

QSslConfiguration BaseUpdater::sslConfiguration() const
{
    // Protocol versions and ciphers as Qt sets them; peer verification on.
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (needsExplicitTrust()) {
        // The whole store, read once (see prepareTrust()), and the additions.
        prepareTrust();
        m_systemCas.wait();
        config.setCaCertificates(SystemTrust::authoritiesWith(m_extraCas));
    }
    // Otherwise the system's store as Qt loads it on demand.
    return config;
}

QUrl BaseUpdater::serviceUrl() const
{
    QUrl url;
    url.setScheme(m_scheme);
    url.setHost(m_host);
    url.setPort(m_port);
    url.setPath(m_pathPrefix + m_servicePath);
    url.setQuery(m_query);
    return url;
}

QByteArray BaseUpdater::requestDocument(int branch) const
{
    QUFW::XMLMSG::GetFileInfoReqMsg msg;
    msg.productUid = m_productUid;
    msg.appVersion = m_appVersion;
    msg.fileInfoType = m_fileInfoType;
    msg.platform = getPlatformString();
    msg.branch = branch;
    return msg.toBytes();
}

void BaseUpdater::logLine(int priority, const QString &text) const
{
    qDebug().noquote() << text;
    if (m_updaterLog)
        m_updaterLog->log(priority, text);
}

// ---- Version request ---------------------------------------------------------

void BaseUpdater::checkForNewVersion(int timeoutMillisecs)
{
    if (timeoutMillisecs < 0)
        timeoutMillisecs = 5000;
    if (m_checkRunning) {
        // Every call sends its request: the running one is given up without
        // an outcome of its own, so that its late reply cannot mix with the
        // new one; the new request answers for both.
        qDebug() << Q_FUNC_INFO << "a check is running: it is replaced by a new request";
        m_awaitingReply = false;
        detachTransport();
    }
    ++m_checkGeneration;
    m_checkRunning = true;
    m_awaitingReply = true;
    m_reader.reset(new UpdateReplyReader);
    qDebug() << "Connecting to " << m_host << m_port << "with a timeout of " << timeoutMillisecs << "milliseconds";
    if (m_useHttp)
        startHttpRequest(timeoutMillisecs);
    else
        startSocketRequest(timeoutMillisecs);
}

void BaseUpdater::startHttpRequest(int timeoutMs)
{
    const QUrl url = serviceUrl();
    const QString scheme = url.scheme().toLower();
    if (m_host.isEmpty() || !url.isValid()) {
        failCheck(QStringLiteral("No update server configured"));
        return;
    }
    if (scheme != QLatin1String("https") && !(m_allowPlainHttp && scheme == QLatin1String("http"))) {
        failCheck(QStringLiteral("Update server refused: only https is accepted, not ") + url.scheme());
        return;
    }
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    request.setSslConfiguration(sslConfiguration());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply *reply = m_nam->post(request, requestDocument(m_branch));
    m_checkReply = reply;
    connect(reply, &QIODevice::readyRead, this, &BaseUpdater::onServerDataReceived);
    connect(reply, &QNetworkReply::errorOccurred, this, &BaseUpdater::onNetworkError);
    connect(reply, &QNetworkReply::sslErrors, this, &BaseUpdater::onSslError);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onCheckReplyFinished(reply); });
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    m_requestTimer->start(timeoutMs);
}

void BaseUpdater::startSocketRequest(int timeoutMs)
{
    qDebug() << "Using CUSTOM Server";
    if (m_host.isEmpty() || m_port <= 0) {
        failCheck(QStringLiteral("No update server configured"));
        return;
    }
    m_socket->abort();
    m_socket->setSslConfiguration(sslConfiguration());
    m_socket->connectToHostEncrypted(m_host, quint16(m_port));
    m_requestTimer->start(timeoutMs);
}

void BaseUpdater::onSocketEncrypted()
{
    qDebug() << "Encryption started";
    // This transport always asks for the stable branch.
    m_socket->write(requestDocument(QUFW::ProductBranch::StableBranch));
}

void BaseUpdater::onSocketError(QAbstractSocket::SocketError error)
{
    if (!m_awaitingReply)
        return;
    if (error == QAbstractSocket::RemoteHostClosedError) {
        onSocketDisconnected();
        return;
    }
    failCheck(QStringLiteral("Error on socket... %1 peer %2 %3")
                  .arg(m_socket->errorString(), m_socket->peerName(), m_socket->peerAddress().toString()));
}

void BaseUpdater::onSocketSslError(const QList<QSslError> &errors)
{
    // Logged, never ignored: the handshake then fails and so does the check.
    for (const QSslError &e : errors)
        logLine(UNQL::LOG_WARNING, QStringLiteral("TLS error of the update service: ") + e.errorString());
}

void BaseUpdater::onSocketDisconnected()
{
    if (!m_awaitingReply || m_useHttp)
        return;
    onServerDataReceived();
    if (m_awaitingReply && m_reader && m_reader->finish() != UpdateReplyReader::State::NeedMore)
        concludeCheck();
}

void BaseUpdater::onAuthenticationRequest(QNetworkReply *, QAuthenticator *)
{
    logLine(UNQL::LOG_WARNING, QStringLiteral("Authentication required but no username/password pair will be sent"));
}

void BaseUpdater::onNetworkError(QNetworkReply::NetworkError error)
{
    qDebug() << Q_FUNC_INFO << error;
}

void BaseUpdater::onSslError(const QList<QSslError> &errors)
{
    // Logged, never ignored: the reply then fails and so does the check.
    for (const QSslError &e : errors)
        logLine(UNQL::LOG_WARNING, QStringLiteral("TLS error of the update service: ") + e.errorString());
}

void BaseUpdater::onServerDataReceived()
{
    if (!m_awaitingReply || !m_reader)
        return;
    QIODevice *device = m_useHttp ? static_cast<QIODevice *>(m_checkReply.data()) : m_socket;
    if (!device)
        return;
    if (m_useHttp) {
        const QVariant status = m_checkReply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
            logLine(UNQL::LOG_CRITICAL, QStringLiteral("Error on http request... HTTP status %1").arg(status.toInt()));
            failCheck(QStringLiteral("HTTP status %1").arg(status.toInt()));
            return;
        }
    }
    // Read in bounded pieces; the reader refuses more than its limit.
    while (device->bytesAvailable() > 0 && m_reader->state() == UpdateReplyReader::State::NeedMore)
        m_reader->addData(device->read(64 * 1024));
    if (m_reader->state() != UpdateReplyReader::State::NeedMore)
        concludeCheck();
}

void BaseUpdater::onCheckReplyFinished(QNetworkReply *reply)
{
    if (reply != m_checkReply || !m_awaitingReply)
        return;
    if (reply->error() != QNetworkReply::NoError) {
        logLine(UNQL::LOG_CRITICAL, QStringLiteral("Error on http request... ") + reply->errorString());
        failCheck(reply->errorString());
        return;
    }
    onServerDataReceived();
    if (!m_awaitingReply)
        return;
    if (m_reader->finish() != UpdateReplyReader::State::NeedMore)
        concludeCheck();
}

void BaseUpdater::onProductVersionRequestTimeout()
{
    if (!m_awaitingReply)
        return;
    if (m_useHttp) {
        if (m_checkReply)
            m_checkReply->abort(); // finishes with an error: the check fails
        return;
    }
    logLine(UNQL::LOG_CRITICAL, QStringLiteral("COULD NOT RECEIVE DATA FROM SERVER!!!! Timeout!"));
    failCheck(QStringLiteral("timeout"));
}

void BaseUpdater::detachTransport()
{
    m_requestTimer->stop();
    if (m_checkReply) {
        QNetworkReply *reply = m_checkReply;
        m_checkReply = nullptr;
        disconnect(reply, nullptr, this, nullptr);
        // Stop what the service still sends, outside the reply's own handlers.
        QTimer::singleShot(0, reply, [reply] {
            if (reply->isRunning())
                reply->abort();
        });
    }
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
}

void BaseUpdater::failCheck(const QString &reason)
{
    m_awaitingReply = false;
    detachTransport();
    m_checkRunning = false;
    logLine(UNQL::LOG_WARNING, QStringLiteral("Version check failed: ") + reason);
    emit versionCheckFailed();
}

void BaseUpdater::concludeCheck()
{
    m_awaitingReply = false;
    detachTransport();
    for (const QString &unknown : m_reader->unknownMessages())
        logLine(UNQL::LOG_WARNING, QStringLiteral("Unknown message ") + unknown.left(512));
    if (m_reader->state() == UpdateReplyReader::State::Failed) {
        logLine(UNQL::LOG_WARNING, QStringLiteral("Updater received an OK response from server but not a "
                                                  "response (see below) we assume version check failed: ") +
                                       m_reader->failure());
        failCheck(m_reader->failure());
        return;
    }
    const DownloadableFileInfo record = m_reader->record();
    const QString rejection = record.rejectionReason(m_allowPlainHttp, m_xfer->maxBytes());
    if (!rejection.isEmpty()) {
        logLine(UNQL::LOG_CRITICAL,
                QStringLiteral("Invalid DFI downloaded (%1) %2").arg(rejection, record.getDumpInfo()));
        failCheck(rejection);
        return;
    }
    onProductVersionRequestResponse();
    // Hashing a local installer reads the whole file: off the GUI thread.
    const QString dir = m_downloadDir;
    auto *watcher = new QFutureWatcher<bool>(this);
    const quint64 generation = m_checkGeneration;
    connect(watcher, &QFutureWatcher<bool>::finished, this, [this, watcher, record, generation] {
        watcher->deleteLater();
        if (generation != m_checkGeneration)
            return; // a newer check replaced this one
        const bool current = watcher->result();
        m_latestInfo = record;
        m_checkRunning = false;
        if (current)
            emit noNewVersionFound();
        else
            emit newVersionFound();
    });
    watcher->setFuture(QtConcurrent::run([dir, record] {
        if (dir.isEmpty())
            return false;
        const QString path = dir + QLatin1Char('/') + record.fileName;
        if (!UpdaterPaths::isOwnRegularFile(path))
            return false;
        const UpdaterHash::FileHashes h = UpdaterHash::hashFile(path);
        return h.ok && UpdaterHash::sameHex(h.md5, record.md5) && UpdaterHash::sameHex(h.sha1, record.sha1);
    }));
}

bool BaseUpdater::compareAppInstallerInfo(const DownloadableFileInfo &info) const
{
    if (m_downloadDir.isEmpty() || !UpdaterPaths::isPlainFileName(info.fileName))
        return false;
    const QString path = m_downloadDir + QLatin1Char('/') + info.fileName;
    const bool exists = UpdaterPaths::isOwnRegularFile(path);
    qDebug() << "Does the localfile " << path << " exist:" << exists;
    if (!exists)
        return false;
    const bool current = FileXferManager::checkHashes(path, info);
    qDebug() << "Is the hash of localfile " << path << " up-to-date with remote " << info.fileName << ":" << current;
    return current;
}

void BaseUpdater::onProductVersionRequestResponse()
{
    qDebug() << Q_FUNC_INFO;
}

void BaseUpdater::onUpdaterVersionCheckFailed()
{
    qDebug() << Q_FUNC_INFO;
}

// ---- Download and installation -----------------------------------------------

void BaseUpdater::downloadNewVersion()
{
    if (m_downloadRunning) {
        qDebug() << Q_FUNC_INFO << "a download is already running";
        return;
    }
    if (m_downloadDir.isEmpty()) {
        m_tempDir.reset(new QTemporaryDir);
        m_installerStartedFromTemp = false;
        if (m_tempDir->isValid()) {
            m_downloadDir = m_tempDir->path();
            logLine(UNQL::LOG_WARNING,
                    QStringLiteral("Downloading to a temporary directory, removed at exit: ") + m_downloadDir);
        }
    }
    XferConfig job(m_latestInfo);
    job.destinationDir = m_downloadDir;
    qDebug() << "going to download to " << m_downloadDir;
    m_xfer->setSslConfiguration(sslConfiguration());
    m_cancelRequested = false;
    m_downloadRunning = true;
    m_xfer->transfer(job);
}

void BaseUpdater::cancelDownload()
{
    m_cancelRequested = true;
    m_xfer->cancelTransfer();
}

void BaseUpdater::onFileReceived(DownloadableFileInfo info)
{
    logLine(UNQL::LOG_INFO, QStringLiteral("finished receiving file ") + info.fileName);
    if (info.zipped && decompressZipped)
        qDebug() << "File is zipped, uncompressing it...";
    prepareInstaller(info, [this](const PreparedInstaller &prepared) {
        m_downloadRunning = false;
        if (!prepared.ok) {
            logLine(UNQL::LOG_CRITICAL, QStringLiteral("The download cannot be installed: ") + prepared.error);
            emit downloadFailed();
            return;
        }
        emit newVersionDownloaded();
        if (m_cancelRequested) {
            logLine(UNQL::LOG_INFO, QStringLiteral("Update canceled before the installer was started"));
            return;
        }
        if (launchAfterDownload)
            launchPrepared(prepared);
    });
}

void BaseUpdater::onFileXferError(DownloadableFileInfo info)
{
    m_downloadRunning = false;
    logLine(UNQL::LOG_WARNING, QStringLiteral("error receiving file ") + info.fileName);
    // A transfer the user canceled has been reported as a cancel already.
    if (!m_cancelRequested)
        emit downloadFailed();
}

void BaseUpdater::launchStage2Updater()
{
    if (m_downloadRunning)
        return;
    m_cancelRequested = false;
    m_downloadRunning = true;
    prepareInstaller(m_latestInfo, [this](const PreparedInstaller &prepared) {
        m_downloadRunning = false;
        if (!prepared.ok) {
            logLine(UNQL::LOG_CRITICAL, QStringLiteral("The installer cannot be started: ") + prepared.error);
            emit externalProcessFailed();
            return;
        }
        if (!m_cancelRequested)
            launchPrepared(prepared);
    });
}

void BaseUpdater::prepareInstaller(const DownloadableFileInfo &info,
                                   std::function<void(const PreparedInstaller &)> done)
{
    const QString dir = m_downloadDir;
    const QdZipLimits limits = m_zipLimits;
    DownloadableFileInfo job = info;
    job.zipped = info.zipped && decompressZipped;
    auto *watcher = new QFutureWatcher<PreparedInstaller>(this);
    connect(watcher, &QFutureWatcher<PreparedInstaller>::finished, this, [watcher, done] {
        watcher->deleteLater();
        done(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run([job, dir, limits] { return UpdaterInstall::prepare(job, dir, limits); }));
}

void BaseUpdater::launchPrepared(const PreparedInstaller &prepared)
{
    // Checked again on a worker right before the start.
    auto *watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcher<QString>::finished, this, [this, watcher, prepared] {
        watcher->deleteLater();
        const QString error = watcher->result();
        if (!error.isEmpty()) {
            logLine(UNQL::LOG_CRITICAL, QStringLiteral("Unable to launch program! ") + error);
            emit externalProcessFailed();
            return;
        }
        launchProgram(prepared.program, m_stage2Arguments);
    });
    watcher->setFuture(QtConcurrent::run([prepared] {
        QString error;
        return UpdaterInstall::verifyBeforeLaunch(prepared, &error) ? QString() : error;
    }));
}

bool BaseUpdater::launchProgram(const QString &program, const QStringList &arguments)
{
    LaunchRequest request;
    request.program = QDir(m_downloadDir).absoluteFilePath(program);
    request.arguments = arguments;
    request.workingDirectory = m_downloadDir;
    request.stdoutFile = QDir(m_downloadDir).filePath(QStringLiteral("appUpdater.out"));
    request.stderrFile = QDir(m_downloadDir).filePath(QStringLiteral("appUpdater.err"));
    qDebug() << Q_FUNC_INFO << program << "(" << arguments << ")"
             << " - wpath:" << m_downloadDir;
    qDebug() << "file to launch exists: " << QFileInfo::exists(request.program);
    QString errorText;
    const bool started = m_starter.startDetached(request, &errorText);
    logLine(started ? UNQL::LOG_INFO : UNQL::LOG_CRITICAL,
            QStringLiteral("Process was started: %1 %2 (%3 %4)")
                .arg(started ? QStringLiteral("true") : QStringLiteral("false"), errorText, request.program,
                     arguments.join(QLatin1Char(' '))));
    if (started) {
        if (m_tempDir && m_downloadDir == m_tempDir->path())
            m_installerStartedFromTemp = true;
        emit externalProcessLaunched();
    } else {
        logLine(UNQL::LOG_CRITICAL, QStringLiteral("Unable to launch program!"));
        emit externalProcessFailed();
    }
    return started;
}
