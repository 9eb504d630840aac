// Steps between a verified download and the start of the installer, meant to
// run on a worker thread: they read and write files only, from copies of
// their arguments.
#pragma once

#include "downloadablefileinfo.h"
#include "ext/filecompressor/qdfilecompressor.h"

#include <QString>

namespace UpdaterPaths {
// Makes `path` (and its parents) a directory that only this user can enter:
// created with mode 0700; an existing one must be a real directory (not a
// link) owned by this user and writable by no one else, and is set to 0700.
bool ensurePrivateDir(const QString &path, QString *error = nullptr);
// The user's own update directory: "<cache location>/updates".
QString defaultDownloadDir();
// A regular file (not a link) owned by this user.
bool isOwnRegularFile(const QString &path);
} // namespace UpdaterPaths

namespace UpdaterZip {
// Refuses archives that extraction would have to bend: entries with absolute
// names, ".." parts, links, devices and other special files, encrypted
// entries, two entries landing on the same name, or more entries or bytes
// than `limits` allow. Empty text: acceptable.
QString inspect(const QString &zipPath, const QdZipLimits &limits);
} // namespace UpdaterZip

struct PreparedInstaller {
    bool ok = false;
    QString error;
    QString program;          // absolute path of the file to start
    QString workingDirectory; // the download directory
    QString programSha1;      // hash of `program` when it was prepared
};

namespace UpdaterInstall {
// Name of the directory a zipped download is unpacked into, beside it.
QString unpackDirName(const QString &fileName);
// Checks the downloaded file against `info` again and, for a zipped one,
// inspects it and unpacks it into a fresh directory beside it; then finds the
// file to start: the executable named by the reply, by its file name inside
// that directory (zipped; unpacking drops the archive's folders), or the
// downloaded file itself.
PreparedInstaller prepare(const DownloadableFileInfo &info, const QString &downloadDir,
                          const QdZipLimits &limits = QdZipLimits());
// Right before the start: still an own regular file inside the download
// directory, with the content it had when it was prepared.
bool verifyBeforeLaunch(const PreparedInstaller &prepared, QString *error = nullptr);
} // namespace UpdaterInstall
