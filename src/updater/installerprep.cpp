#include "installerprep.h"

#include "ext/filecompressor/lazyzip.h"
#include "updaterutils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <cerrno>
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
    QSet<QString> names;
    for (zip_int64_t i = 0; problem.isEmpty() && i < count; ++i) {
        zip_stat_t st;
        zip->stat_init(&st);
        if (zip->stat_index(za, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) {
            problem = QStringLiteral("unreadable entry");
            break;
        }
        const QString name = QString::fromUtf8(st.name);
        const QString shown = name.left(200);
        if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\')) ||
            (name.size() > 1 && name.at(1) == QLatin1Char(':'))) {
            problem = QStringLiteral("absolute entry name: ") + shown;
            break;
        }
        const QStringList parts = QString(name).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'));
        if (parts.contains(QStringLiteral(".."))) {
            problem = QStringLiteral("entry name with \"..\": ") + shown;
            break;
        }
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip->file_get_external_attributes(za, zip_uint64_t(i), 0, &opsys, &attributes) == 0 &&
            opsys == ZIP_OPSYS_UNIX) {
            const mode_t type = mode_t(attributes >> 16) & S_IFMT;
            if (type != 0 && type != S_IFREG && type != S_IFDIR) {
                problem =
                    (type == S_IFLNK ? QStringLiteral("link entry: ") : QStringLiteral("special entry: ")) + shown;
                break;
            }
        }
        if (name.endsWith(QLatin1Char('/')))
            continue; // a directory
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
            problem = QStringLiteral("encrypted entry: ") + shown;
            break;
        }
        if (!(st.valid & ZIP_STAT_SIZE)) {
            problem = QStringLiteral("entry without size: ") + shown;
            break;
        }
        total += qint64(st.size);
        if (st.size > zip_uint64_t(limits.maxTotalBytes) || total > limits.maxTotalBytes) {
            problem = QStringLiteral("archive unpacks to more than the limit");
            break;
        }
        const QString base = QdFileCompressor::extractedBaseName(name);
        if (base.isEmpty()) {
            problem = QStringLiteral("entry without a file name: ") + shown;
            break;
        }
        if (names.contains(base)) {
            problem = QStringLiteral("two entries named ") + base;
            break;
        }
        names.insert(base);
    }
    zip->discard(za);
    return problem;
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
    if (QdFileCompressor::uncompressZipFile(file, unpackDir, limits) != 0)
        return fail(QStringLiteral("the archive could not be unpacked"));
    // Unpacking puts every file directly in the directory (archive folders
    // are dropped, and no two entries may share a name), so the executable
    // is found by its file name.
    const QString program =
        QDir::cleanPath(unpackDir + QLatin1Char('/') + QdFileCompressor::extractedBaseName(info.exe2Start));
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
