#include "installerprep.h"

#include "ext/filecompressor/lazyzip.h"
#include "updaterutils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace UpdaterPaths
{

bool ensurePrivateDir(const QString &path, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (path.isEmpty())
        return fail(QStringLiteral("no directory"));
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    const QString parent = QFileInfo(clean).path();
    if (!QDir().mkpath(parent))
        return fail(QStringLiteral("cannot create ") + parent);
    const QByteArray native = QFile::encodeName(clean);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return fail(QStringLiteral("cannot create ") + clean);
    struct stat st;
    if (::lstat(native.constData(), &st) != 0)
        return fail(QStringLiteral("cannot read ") + clean);
    if (!S_ISDIR(st.st_mode))
        return fail(clean + QStringLiteral(" is not a directory"));
    if (st.st_uid != ::geteuid())
        return fail(clean + QStringLiteral(" belongs to another user"));
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return fail(clean + QStringLiteral(" is writable by other users"));
    if ((st.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        return fail(QStringLiteral("cannot restrict ") + clean);
    return true;
}

QString defaultDownloadDir()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/updates");
}

bool isOwnRegularFile(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

} // namespace UpdaterPaths

namespace UpdaterZip
{

namespace
{

struct Entry {
    QStringList parts; // folders and name inside the archive, without "." parts
    bool directory = false;
    bool executable = false;
    qint64 size = 0;
};

// Reads entry `index`; an empty text when it may be unpacked (a directory
// entry, or a regular file with its size), else why not.
QString readEntry(const LazyZip::Api *zip, zip_t *za, zip_int64_t index, Entry *entry)
{
    zip_stat_t st;
    zip->stat_init(&st);
    if (zip->stat_index(za, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
        return QStringLiteral("unreadable entry");
    const QString name = QString::fromUtf8(st.name);
    const QString shown = name.left(200);
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || (path.size() > 1 && path.at(1) == QLatin1Char(':')))
        return QStringLiteral("absolute entry name: ") + shown;
    entry->parts.clear();
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (part == QLatin1String(".."))
            return QStringLiteral("entry name with \"..\": ") + shown;
        if (part == QLatin1String("."))
            continue;
        if (!UpdaterPaths::isPlainFileName(part))
            return QStringLiteral("entry name that cannot be a path: ") + shown;
        entry->parts << part;
    }
    entry->directory = path.endsWith(QLatin1Char('/'));
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip->file_get_external_attributes(za, zip_uint64_t(index), 0, &opsys, &attributes) == 0) {
        if (opsys == ZIP_OPSYS_UNIX) {
            const mode_t mode = mode_t(attributes >> 16);
            const mode_t type = mode & S_IFMT;
            if (type != 0 && type != S_IFREG && type != S_IFDIR)
                return (type == S_IFLNK ? QStringLiteral("link entry: ") : QStringLiteral("special entry: ")) + shown;
            entry->directory = entry->directory || type == S_IFDIR;
            entry->executable = (mode & 0111) != 0;
        } else if (opsys == ZIP_OPSYS_DOS && (attributes & 0x10)) {
            entry->directory = true;
        }
    }
    if (entry->directory)
        return QString();
    if (entry->parts.isEmpty())
        return QStringLiteral("entry without a file name: ") + shown;
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
        return QStringLiteral("encrypted entry: ") + shown;
    if (!(st.valid & ZIP_STAT_SIZE))
        return QStringLiteral("entry without size: ") + shown;
    entry->size = st.size > zip_uint64_t(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max()
                                                                             : qint64(st.size);
    return QString();
}

// Creates the folders of `parts` under `root` (which exists), never through
// a link; the directory path, or an empty text with `error` set.
QString makeFolders(const QString &root, const QStringList &parts, QString *error)
{
    QString dir = root;
    for (const QString &part : parts) {
        dir += QLatin1Char('/') + part;
        const QByteArray native = QFile::encodeName(dir);
        if (::mkdir(native.constData(), 0755) != 0 && errno != EEXIST) {
            *error = QStringLiteral("cannot create ") + dir;
            return QString();
        }
        struct stat st;
        if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            *error = dir + QStringLiteral(" is not a folder");
            return QString();
        }
    }
    return dir;
}

bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

// Copies entry `index` into a new file at `target`; counts its real bytes
// against `budget`.
QString extractFile(const LazyZip::Api *zip, zip_t *za, zip_int64_t index, const QString &target, bool executable,
                    qint64 &budget)
{
    zip_file_t *zf = zip->fopen_index(za, zip_uint64_t(index), 0);
    if (!zf)
        return QStringLiteral("cannot read an entry: ") + QString::fromLocal8Bit(zip->strerror(za));
    const QByteArray native = QFile::encodeName(target);
    const int fd =
        ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, executable ? 0755 : 0644);
    if (fd < 0) {
        zip->fclose(zf);
        return QStringLiteral("cannot create ") + target;
    }
    constexpr zip_uint64_t BufferSize = 256 * 1024;
    std::unique_ptr<char[]> buffer(new char[BufferSize]);
    QString error;
    for (;;) {
        const zip_int64_t n = zip->fread(zf, buffer.get(), BufferSize);
        if (n < 0) {
            error = QStringLiteral("cannot read an entry: ") + QString::fromLocal8Bit(zip->file_strerror(zf));
            break;
        }
        if (n == 0)
            break;
        if (n > budget) {
            error = QStringLiteral("archive unpacks to more than the limit");
            break;
        }
        budget -= n;
        if (!writeAll(fd, buffer.get(), n)) {
            error = QStringLiteral("cannot write ") + target;
            break;
        }
    }
    if (::close(fd) != 0 && error.isEmpty())
        error = QStringLiteral("cannot write ") + target;
    zip->fclose(zf);
    if (!error.isEmpty())
        ::unlink(native.constData());
    return error;
}

} // namespace

QString inspect(const QString &zipPath, const QdZipLimits &limits)
{
    const LazyZip::Api *zip = LazyZip::api();
    if (!zip)
        return QStringLiteral("zip archives cannot be read here: ") + LazyZip::loadError();
    int openError = 0;
    zip_t *za = zip->open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY, &openError);
    if (!za)
        return QStringLiteral("not a readable zip archive");
    QString problem;
    const zip_int64_t count = zip->get_num_entries(za, 0);
    if (count < 0 || count > limits.maxEntries)
        problem = QStringLiteral("too many entries");
    qint64 total = 0;
    QSet<QString> files;
    for (zip_int64_t i = 0; problem.isEmpty() && i < count; ++i) {
        Entry entry;
        problem = readEntry(zip, za, i, &entry);
        if (!problem.isEmpty() || entry.directory)
            continue;
        total += qMin(entry.size, limits.maxTotalBytes + 1);
        if (entry.size > limits.maxTotalBytes || total > limits.maxTotalBytes) {
            problem = QStringLiteral("archive unpacks to more than the limit");
            break;
        }
        const QString path = entry.parts.join(QLatin1Char('/'));
        if (files.contains(path)) {
            problem = QStringLiteral("two entries for ") + path.left(200);
            break;
        }
        files.insert(path);
    }
    zip->discard(za);
    return problem;
}

QString extract(const QString &zipPath, const QString &destDir, const QdZipLimits &limits)
{
    const QString problem = inspect(zipPath, limits);
    if (!problem.isEmpty())
        return problem;
    const LazyZip::Api *zip = LazyZip::api();
    int openError = 0;
    zip_t *za = zip->open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY, &openError);
    if (!za)
        return QStringLiteral("not a readable zip archive");
    const QString root = QDir::cleanPath(destDir);
    qint64 budget = limits.maxTotalBytes;
    QString error;
    const zip_int64_t count = zip->get_num_entries(za, 0);
    for (zip_int64_t i = 0; error.isEmpty() && i < count; ++i) {
        Entry entry;
        error = readEntry(zip, za, i, &entry);
        if (!error.isEmpty())
            break;
        if (entry.directory) {
            makeFolders(root, entry.parts, &error);
            continue;
        }
        const QString name = entry.parts.takeLast();
        const QString dir = makeFolders(root, entry.parts, &error);
        if (dir.isEmpty())
            break;
        error = extractFile(zip, za, i, dir + QLatin1Char('/') + name, entry.executable, budget);
    }
    zip->discard(za);
    return error;
}

} // namespace UpdaterZip

namespace UpdaterInstall
{

QString unpackDirName(const QString &fileName)
{
    return fileName + QStringLiteral(".unpacked");
}

PreparedInstaller prepare(const DownloadableFileInfo &info, const QString &downloadDir, const QdZipLimits &limits)
{
    PreparedInstaller out;
    auto fail = [&out](const QString &text) {
        out.ok = false;
        out.error = text;
        return out;
    };
    if (downloadDir.isEmpty() || !UpdaterPaths::isPlainFileName(info.fileName))
        return fail(QStringLiteral("no valid file to install"));
    const QString dir = QDir::cleanPath(QDir(downloadDir).absolutePath());
    const QString file = dir + QLatin1Char('/') + info.fileName;
    if (!UpdaterPaths::isOwnRegularFile(file))
        return fail(QStringLiteral("the downloaded file is missing or not a regular file"));
    const UpdaterHash::FileHashes hashes = UpdaterHash::hashFile(file);
    if (!hashes.ok || !UpdaterHash::sameHex(hashes.md5, info.md5) || !UpdaterHash::sameHex(hashes.sha1, info.sha1))
        return fail(QStringLiteral("the downloaded file does not match its hashes"));
    out.workingDirectory = dir;

    if (!info.zipped) {
        if (!info.exe2Start.isEmpty() && info.exe2Start != info.fileName)
            return fail(QStringLiteral("the executable of an unzipped download must be the download itself"));
        out.program = file;
        out.programSha1 = hashes.sha1;
        out.ok = true;
        return out;
    }

    if (!UpdaterPaths::isSafeRelativePath(info.exe2Start))
        return fail(QStringLiteral("no safe executable name for the zipped download"));
    const QString problem = UpdaterZip::inspect(file, limits);
    if (!problem.isEmpty())
        return fail(QStringLiteral("archive refused: ") + problem);
    const QString unpackDir = dir + QLatin1Char('/') + unpackDirName(info.fileName);
    const QFileInfo existing(unpackDir);
    if (existing.isSymLink() || existing.isFile()) {
        if (!QFile::remove(unpackDir))
            return fail(QStringLiteral("cannot clear ") + unpackDir);
    } else if (existing.isDir() && !QDir(unpackDir).removeRecursively()) {
        return fail(QStringLiteral("cannot clear ") + unpackDir);
    }
    if (::mkdir(QFile::encodeName(unpackDir).constData(), 0700) != 0)
        return fail(QStringLiteral("cannot create ") + unpackDir);
    const QString unpackError = UpdaterZip::extract(file, unpackDir, limits);
    if (!unpackError.isEmpty())
        return fail(QStringLiteral("the archive could not be unpacked: ") + unpackError);
    // The archive's folders are kept: the executable is found by its path
    // inside the archive.
    const QString program = QDir::cleanPath(unpackDir + QLatin1Char('/') + info.exe2Start);
    if (!UpdaterPaths::isInsideDir(unpackDir, program) || program == unpackDir)
        return fail(QStringLiteral("the executable lies outside the unpacked directory"));
    if (!UpdaterPaths::isOwnRegularFile(program))
        return fail(QStringLiteral("the archive holds no regular file ") + info.exe2Start);
    const QString canonicalDir = QFileInfo(unpackDir).canonicalFilePath();
    const QString canonicalProgram = QFileInfo(program).canonicalFilePath();
    if (canonicalDir.isEmpty() || !canonicalProgram.startsWith(canonicalDir + QLatin1Char('/')))
        return fail(QStringLiteral("the executable lies outside the unpacked directory"));
    if (!QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                            QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther))
        return fail(QStringLiteral("cannot make the executable runnable"));
    const UpdaterHash::FileHashes programHashes = UpdaterHash::hashFile(program);
    if (!programHashes.ok)
        return fail(QStringLiteral("cannot read the executable"));
    out.program = program;
    out.programSha1 = programHashes.sha1;
    out.ok = true;
    return out;
}

bool verifyBeforeLaunch(const PreparedInstaller &prepared, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (!prepared.ok || prepared.program.isEmpty())
        return fail(QStringLiteral("nothing prepared"));
    if (!UpdaterPaths::isInsideDir(prepared.workingDirectory, prepared.program))
        return fail(QStringLiteral("the executable lies outside the download directory"));
    if (!UpdaterPaths::isOwnRegularFile(prepared.program))
        return fail(QStringLiteral("the executable is no longer an own regular file"));
    const UpdaterHash::FileHashes hashes = UpdaterHash::hashFile(prepared.program);
    if (!hashes.ok || !UpdaterHash::sameHex(hashes.sha1, prepared.programSha1))
        return fail(QStringLiteral("the executable changed after it was verified"));
    return true;
}

} // namespace UpdaterInstall
