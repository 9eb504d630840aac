#include "rebrandingpack.h"

#include "app/globallogger.h"
#include "ext/filecompressor/qdfilecompressor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

void RebrandingPack::setRenameFunction(RenameFunction rename)
{
    renameFunction = std::move(rename);
}

bool RebrandingPack::rename(const QString &from, const QString &to) const
{
    return renameFunction ? renameFunction(from, to) : QFile::rename(from, to);
}

RebrandingPack::Outcome RebrandingPack::applyDownload(const QString &downloaded, const QString &pack,
                                                      const QString &dir) const
{
    const bool ownPath = QFileInfo(downloaded).absoluteFilePath() == QFileInfo(pack).absoluteFilePath();
    if (!ownPath) {
        const QFileInfo download(downloaded);
        if (!download.isFile() || download.size() <= 0) {
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO
                                       << "Rebranding download missing or empty, keeping the current pack:"
                                       << downloaded;
            if (download.isFile())
                QFile::remove(downloaded);
            return Outcome::Kept;
        }
        // The current pack steps aside under a spare name and comes back
        // when the new one cannot take its place.
        const QString spare = pack + QStringLiteral(".previous");
        const bool hadPack = QFileInfo::exists(pack);
        if (hadPack) {
            QFile::remove(spare);
            if (!rename(pack, spare)) {
                logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Cannot move the current rebranding pack aside:" << pack;
                QFile::remove(downloaded);
                return Outcome::Kept;
            }
        }
        if (!rename(downloaded, pack)) {
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Cannot put the new rebranding pack in place:" << pack;
            if (hadPack && !rename(spare, pack))
                logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Cannot restore the previous rebranding pack:" << spare;
            QFile::remove(downloaded);
            return Outcome::Kept;
        }
        if (hadPack)
            QFile::remove(spare);
    }

    if (!QFileInfo::exists(pack)) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "The rebranding package has been removed, synchronizing...";
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Dropping old assets...";
        dropAssets(dir);
        return Outcome::Removed;
    }
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Got new rebranding package, unzipping it...";
    if (unpack(pack, dir)) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "The new rebranding package has been unzipped";
        return Outcome::Unzipped;
    }
    logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Failed to unzip" << pack << "into" << dir;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Dropping old assets...";
    dropAssets(dir);
    return Outcome::UnzipFailed;
}

bool RebrandingPack::unpack(const QString &pack, const QString &dir)
{
    // Unpacked beside the directory first: an entry named like the pack
    // must not overwrite the archive while it is being read, nor replace it.
    QTemporaryDir staging(QDir(dir).filePath(QStringLiteral(".unpack-XXXXXX")));
    if (!staging.isValid() || QdFileCompressor::uncompressZipFile(pack, staging.path()) != 0)
        return false;
    const QString packName = QFileInfo(pack).fileName();
    QDir target(dir);
    QDir staged(staging.path());
    const QStringList names = staged.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    bool ok = true;
    for (const QString &name : names) {
        if (name == packName || name == packName + QStringLiteral(".previous")) {
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Rebranding pack entry skipped:" << name;
            continue;
        }
        target.remove(name);
        if (!QFile::rename(staged.filePath(name), target.filePath(name)))
            ok = false;
    }
    return ok;
}

void RebrandingPack::dropAssets(const QString &dir)
{
    QDir d(dir);
    const QStringList files = d.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : files)
        d.remove(name);
}
