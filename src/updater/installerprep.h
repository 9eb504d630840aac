// Steps between a verified download and the start of the installer, meant to
// run on a worker thread: they read and write files only, from copies of
// their arguments.
#pragma once

#include "downloadablefileinfo.h"
#include "ext/filecompressor/qdfilecompressor.h"

#include <QString>

namespace UpdaterPaths
{
// Makes `path` (and its parents) a directory that only this user can enter:
// created with mode 0700; an existing one must be a real directory (not a
// link) owned by this user and writable by no one else, and is set to 0700.
bool ensurePrivateDir(const QString &path, QString *error = nullptr);
// The user's own update directory: "<cache location>/updates".
QString defaultDownloadDir();
// A regular file (not a link) owned by this user.
bool isOwnRegularFile(const QString &path);
} // namespace UpdaterPaths

namespace UpdaterZip
{
// Refuses archives that extraction would have to bend: entries with absolute
// names, ".." parts, links, devices and other special files, encrypted
// entries, two entries for the same path, or more entries or bytes than
// `limits` allow. Empty text: acceptable.
QString inspect(const QString &zipPath, const QdZipLimits &limits);
// Unpacks an archive that inspect() accepts into `destDir` (an existing,
// private directory) with its folder layout: every file at its path inside
// the archive, created anew (never through a link), executable when the
// archive marks it so; the bytes really unpacked count against the limit.
// Empty text: done; else why not (what was unpacked so far stays).
QString extract(const QString &zipPath, const QString &destDir, const QdZipLimits &limits);
} // namespace UpdaterZip

struct PreparedInstaller {
    bool ok = false;
    QString error;
    QString program;          // absolute path of the file to start
    QString workingDirectory; // the download directory
    QString programSha1;      // hash of `program` when it was prepared
};

namespace UpdaterInstall
{
// Name of the directory a zipped download is unpacked into, beside it.
QString unpackDirName(const QString &fileName);
// Checks the downloaded file against `info` again and, for a zipped one,
// inspects it and unpacks it, folders and all, into a fresh directory beside
// it; then finds the file to start: the executable named by the reply, by
// its path inside the archive (zipped), or the downloaded file itself.
PreparedInstaller prepare(const DownloadableFileInfo &info, const QString &downloadDir,
                          const QdZipLimits &limits = QdZipLimits());
// Right before the start: still an own regular file inside the download
// directory, with the content it had when it was prepared.
bool verifyBeforeLaunch(const PreparedInstaller &prepared, QString *error = nullptr);
} // namespace UpdaterInstall
