#include "encryptedsqlitedbhandler.h"

#include "simpleobfuscator.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QUuid>

#include <algorithm>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

const char *const LockSuffix = ".lock";
const char *const WorkingCopySuffix = ".sqlite";
const int UniqueChars = 6;

// Reads until `size` bytes are in `buf` or the source is at its end.
// Returns the bytes read, or -1 on a read error or a source that stops
// delivering data before its end.
qint64 fillBlock(QIODevice &source, char *buf, qint64 size)
{
    qint64 got = 0;
    while (got < size) {
        const qint64 n = source.read(buf + got, size - got);
        if (n < 0)
            return -1;
        if (n == 0) {
            if (source.atEnd())
                break;
            return -1;
        }
        got += n;
    }
    return got;
}

bool isRegularFile(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

int openLockFile(const QString &path)
{
    return ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
}

// Makes `dir` a private directory of ours (0700, owned by the user); false
// when it is something else.
bool makePrivateDirectory(const QString &dir)
{
    const QByteArray native = QFile::encodeName(dir);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st;
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    return (st.st_mode & 07777) == 0700 || ::chmod(native.constData(), 0700) == 0;
}

// The last time anything of a working copy was written: the copy itself or
// the journal SQLite keeps beside it.
QDateTime lastWritten(const QString &copy)
{
    QDateTime newest;
    for (const QString &path : {copy, copy + QStringLiteral("-wal"), copy + QStringLiteral("-journal")}) {
        const QFileInfo info(path);
        if (info.exists() && (!newest.isValid() || info.lastModified() > newest))
            newest = info.lastModified();
    }
    return newest;
}

bool holdsData(const QString &copy)
{
    return QFileInfo(copy).size() > 0 || QFileInfo(copy + QStringLiteral("-wal")).size() > 0;
}

// Scrambles the plain file into a sibling temporary file of `encryptedPath`,
// syncs it, gives it `modified` as its time and moves it over the old file.
bool writeScrambled(const QString &plainPath, const QString &encryptedPath, const QDateTime &modified)
{
    const QFileInfo target(encryptedPath);
    QDir().mkpath(target.absolutePath());
    QFile in(plainPath);
    QTemporaryFile out(target.absoluteFilePath() + QStringLiteral(".XXXXXX"));
    if (!in.open(QIODevice::ReadOnly) || !out.open() || !EncryptedSqliteDbHandler::scrambleCopy(in, out, true) ||
        ::fsync(out.handle()) != 0)
        return false;
    if (modified.isValid())
        out.setFileTime(modified, QFileDevice::FileModificationTime);
    const QString tempName = out.fileName();
    out.close();
    if (out.error() != QFileDevice::NoError || ::rename(QFile::encodeName(tempName).constData(),
                                                        QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
        return false;
    out.setAutoRemove(false);
    const int dirFd = ::open(QFile::encodeName(target.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace

EncryptedSqliteDbHandler::EncryptedSqliteDbHandler(const DbhConfig &cfg, QObject *parent)
    : QdBaseDbHandler(cfg, parent), encryptedFilePath(cfg.hostName + QDir::separator() + cfg.databaseName)
{
    removeStaleWorkingCopies();
    claimWorkingCopyName();
    decryptDb();
    // The working copy keeps one name for the handler's life.
    db.setDatabaseName(m_workingCopyName);
}

EncryptedSqliteDbHandler::~EncryptedSqliteDbHandler()
{
    if (db.isOpen())
        db.close();
    releaseWorkingCopyName();
}

QString EncryptedSqliteDbHandler::workingDirectory()
{
    const QString dir = QDir::tempPath() + QStringLiteral("/qddbh-") + QString::number(::getuid());
    return makePrivateDirectory(dir) ? dir : QString();
}

QString EncryptedSqliteDbHandler::workingDirectoryFor(const QString &encryptedFilePath)
{
    const QString base = workingDirectory();
    if (base.isEmpty())
        return QString();
    // One folder per scrambled file, named after its absolute path (through
    // a canonical directory where it exists, so two spellings of one folder
    // share it).
    const QFileInfo info(encryptedFilePath);
    QString dir = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (dir.isEmpty())
        dir = info.absolutePath();
    const QByteArray key = QFile::encodeName(dir + QLatin1Char('/') + info.fileName());
    const QString folder =
        base + QLatin1Char('/') +
        QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
    return makePrivateDirectory(folder) ? folder : QString();
}

QString EncryptedSqliteDbHandler::snapshotPath() const
{
    return m_workingCopyName.isEmpty() ? QString() : m_workingCopyName + QStringLiteral(".snapshot");
}

bool EncryptedSqliteDbHandler::saveSnapshot(const QString &plainDb, const QString &snapshot,
                                            const QString &encryptedPath, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (plainDb.isEmpty() || snapshot.isEmpty())
        return fail(QStringLiteral("no working copy"));
    // Commits from now on may be missing from the copy: the scrambled file
    // gets this time, so a working copy written later is known to be newer.
    const QDateTime started = QDateTime::currentDateTime();
    removeWorkingCopyFiles(snapshot);
    bool copied = false;
    QString text;
    const QString connection = QStringLiteral("snapshot-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(plainDb);
        if (db.open()) {
            // One read transaction gives a consistent copy while the owner
            // of the working copy goes on committing.
            QSqlQuery query(db);
            if (query.prepare(QStringLiteral("VACUUM INTO :target"))) {
                query.bindValue(QStringLiteral(":target"), snapshot);
                copied = query.exec();
            }
            if (!copied)
                text = query.lastError().text();
            query.finish();
            db.close();
        } else {
            text = db.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!copied) {
        removeWorkingCopyFiles(snapshot);
        return fail(QStringLiteral("copy of %1 failed: %2").arg(plainDb, text));
    }
    const bool saved = QFileInfo(snapshot).size() > 0 && writeScrambled(snapshot, encryptedPath, started);
    removeWorkingCopyFiles(snapshot);
    return saved || fail(QStringLiteral("unable to write %1").arg(encryptedPath));
}

bool EncryptedSqliteDbHandler::recoverWorkingCopy(const QString &copy) const
{
    // Opening the copy rolls back a write the dead process left half done
    // (or replays its committed log); a damaged copy is not taken.
    bool sound = false;
    const QString connection = QStringLiteral("recovery-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(copy);
        if (db.open()) {
            QSqlQuery query(db);
            sound = query.exec(QStringLiteral("PRAGMA quick_check")) && query.next() &&
                    query.value(0).toString() == QLatin1String("ok");
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!sound)
        return false;
    QString error;
    if (!saveSnapshot(copy, copy + QStringLiteral(".snapshot"), encryptedFilePath, &error)) {
        qDebug() << Q_FUNC_INFO << "Unable to recover" << copy << ":" << error;
        return false;
    }
    qDebug() << Q_FUNC_INFO << "Recovered unsaved changes of" << encryptedFilePath << "from" << copy;
    return true;
}

void EncryptedSqliteDbHandler::removeStaleWorkingCopies() const
{
    const QString dirPath = workingDirectoryFor(encryptedFilePath);
    if (dirPath.isEmpty() || config.databaseName.isEmpty())
        return;
    const QString prefix = config.databaseName + QLatin1Char('-');
    const QString suffix = QLatin1String(WorkingCopySuffix);
    struct Leftover {
        QString copy;
        int lockFd;
        QDateTime written;
    };
    QList<Leftover> leftovers;
    QSet<QString> seen;
    const QStringList entries = QDir(dirPath).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        // Every file of a copy starts with its name: the copy itself, its
        // lock, its snapshot and SQLite's journals.
        if (!entry.startsWith(prefix))
            continue;
        const int end = entry.indexOf(suffix, prefix.size());
        if (end != prefix.size() + UniqueChars)
            continue;
        const QString copy = dirPath + QLatin1Char('/') + entry.left(end + suffix.size());
        if (seen.contains(copy))
            continue;
        seen.insert(copy);
        const int fd = openLockFile(copy + QLatin1String(LockSuffix));
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd); // a running handler's copy
            continue;
        }
        leftovers.append({copy, fd, lastWritten(copy)});
    }
    std::sort(leftovers.begin(), leftovers.end(),
              [](const Leftover &a, const Leftover &b) { return a.written > b.written; });

    // The newest leftover holds what its process wrote last; it is taken
    // back when it was written after the scrambled file (each save gives the
    // scrambled file the time its copy was taken).
    const QFileInfo scrambled(encryptedFilePath);
    for (const Leftover &l : qAsConst(leftovers)) {
        if (scrambled.exists() && (!l.written.isValid() || l.written < scrambled.lastModified()))
            break;
        if (holdsData(l.copy) && recoverWorkingCopy(l.copy))
            break;
    }
    for (const Leftover &l : qAsConst(leftovers)) {
        qDebug() << Q_FUNC_INFO << "Removing stale working copy" << l.copy;
        removeWorkingCopyFiles(l.copy);
        QFile::remove(l.copy + QLatin1String(LockSuffix));
        ::close(l.lockFd);
    }
}

bool EncryptedSqliteDbHandler::claimWorkingCopyName()
{
    if (!m_workingCopyName.isEmpty())
        return true;
    const QString dirPath = workingDirectoryFor(encryptedFilePath);
    if (dirPath.isEmpty() || config.databaseName.isEmpty())
        return false;
    for (int attempt = 0; attempt < 5; ++attempt) {
        QTemporaryFile tempFile(dirPath + QLatin1Char('/') + config.databaseName + QStringLiteral("-XXXXXX") +
                                QLatin1String(WorkingCopySuffix));
        tempFile.setAutoRemove(false);
        if (!tempFile.open())
            return false;
        const QString name = tempFile.fileName();
        tempFile.close();
        const int fd = openLockFile(name + QLatin1String(LockSuffix));
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // A cleaner that took the lock before us has removed the copy.
            if (isRegularFile(name)) {
                m_workingCopyName = name;
                m_lockFd = fd;
                return true;
            }
            QFile::remove(name + QLatin1String(LockSuffix));
        }
        if (fd >= 0)
            ::close(fd);
    }
    return false;
}

void EncryptedSqliteDbHandler::releaseWorkingCopyName()
{
    if (m_workingCopyName.isEmpty())
        return;
    removeWorkingCopyFiles(m_workingCopyName);
    QFile::remove(m_workingCopyName + QLatin1String(LockSuffix));
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_lockFd = -1;
    m_workingCopyName.clear();
}

void EncryptedSqliteDbHandler::removeWorkingCopyFiles(const QString &path)
{
    if (path.isEmpty())
        return;
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    QFile::remove(path + QStringLiteral(".snapshot"));
    QFile::remove(path + QStringLiteral(".snapshot-journal"));
}

bool EncryptedSqliteDbHandler::createWorkingCopy()
{
    if (!claimWorkingCopyName())
        return false;
    const QByteArray native = QFile::encodeName(m_workingCopyName);
    if (::unlink(native.constData()) != 0 && errno != ENOENT)
        return false;
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool ok = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    return ok;
}

bool EncryptedSqliteDbHandler::scrambleCopy(QIODevice &source, QIODevice &destination, bool encrypt)
{
    QByteArray block(int(BlockSize), Qt::Uninitialized);
    for (;;) {
        const qint64 n = fillBlock(source, block.data(), BlockSize);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        const QByteArray piece = QByteArray::fromRawData(block.constData(), int(n));
        const QByteArray out = encrypt ? SimpleObfuscator::hide(piece) : SimpleObfuscator::reveal(piece);
        if (!out.isEmpty() && destination.write(out) != out.size())
            return false;
        if (n < BlockSize)
            break;
    }
    if (auto *file = qobject_cast<QFileDevice *>(&destination)) {
        if (!file->flush() || file->error() != QFileDevice::NoError)
            return false;
    }
    return true;
}

bool EncryptedSqliteDbHandler::encryptOrDecryptFile(const QString &source, const QString &destination, bool encrypt)
{
    QFile in(source);
    if (!in.exists() || !in.open(QIODevice::ReadOnly)) {
        qDebug() << Q_FUNC_INFO << "Unable to open " << source;
        return false;
    }
    QFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qDebug() << Q_FUNC_INFO << "Unable to open " << destination;
        return false;
    }
    if (!scrambleCopy(in, out, encrypt)) {
        qDebug() << Q_FUNC_INFO << "Error copying" << source << "to" << destination << ":"
                 << (in.error() != QFileDevice::NoError ? in.errorString() : out.errorString());
        return false;
    }
    return true;
}

bool EncryptedSqliteDbHandler::decryptDb()
{
    if (!workingFilePath.isEmpty() && QFile::exists(workingFilePath)) {
        if (QFileInfo(workingFilePath).size() > 0)
            return true;
        removeWorkingCopyFiles(workingFilePath);
        workingFilePath.clear();
    }

    QFileInfo encrypted(encryptedFilePath);
    if (encrypted.exists() && encrypted.size() == 0) {
        qDebug() << Q_FUNC_INFO << "Empty encrypted db file " << encryptedFilePath << ", let's drop it...";
        QFile::remove(encryptedFilePath);
    }

    if (!createWorkingCopy()) {
        qDebug() << Q_FUNC_INFO << "Error creating a temporary file";
        return false;
    }
    workingFilePath = m_workingCopyName;

    if (!QFile::exists(encryptedFilePath))
        return true;

    if (encryptOrDecryptFile(encryptedFilePath, workingFilePath, false))
        return QFile::exists(workingFilePath);

    qDebug() << Q_FUNC_INFO << "Unable to decrypt " << encryptedFilePath;
    removeWorkingCopyFiles(workingFilePath);
    workingFilePath.clear();
    return false;
}

bool EncryptedSqliteDbHandler::encryptDb()
{
    if (workingFilePath.isEmpty() || !QFile::exists(workingFilePath)) {
        qDebug() << Q_FUNC_INFO << "No database to be encrypted " << workingFilePath
                 << ", the filename is empty or the file doesn't exist!";
        return false;
    }
    if (QFileInfo(workingFilePath).size() == 0) {
        qDebug() << Q_FUNC_INFO << "Empty database file " << workingFilePath << ", let's drop it...";
        removeWorkingCopyFiles(workingFilePath);
        return false;
    }

    if (db.isOpen())
        closeDbConn();

    // Write the new scrambled file beside the old one and move it over it
    // only once it is complete on disk.
    const bool saved = writeScrambled(workingFilePath, encryptedFilePath, QDateTime());

    if (!saved) {
        qDebug() << Q_FUNC_INFO << "Unable to encrypt " << workingFilePath
                 << ", an error occurred while performing encryption! Keeping it and the previous encrypted file...";
        return false;
    }

    QFile::remove(encryptedFilePath + QStringLiteral(".tmp"));
    removeWorkingCopyFiles(workingFilePath);
    return QFile::exists(encryptedFilePath);
}

void EncryptedSqliteDbHandler::deleteFiles()
{
    if (db.isOpen())
        closeDbConn();
    qDebug() << Q_FUNC_INFO << "Removing both original file" << encryptedFilePath << "and database file "
             << workingFilePath << "...";
    const QString aside = encryptedFilePath + QStringLiteral(".tmp");
    QFile::remove(aside);
    QFile::rename(encryptedFilePath, aside);
    removeWorkingCopyFiles(workingFilePath);
}
