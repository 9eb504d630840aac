// Small helpers of the update framework: hashing, compressed Base64, ISO
// date-times, file copies and the version comparison.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

class Utils
{
public:
    // MD5 as 32 lower-case hex digits.
    static QString md5sum(const QByteArray &data);
    static QString md5sum(const QString &text);
    // MD5 of a file's content, read in blocks; a null text when the file
    // cannot be opened for reading (the MD5 of an empty file is not null).
    static QString md5sumFile(const QString &path);

    // Qt's compressed format (zlib behind a 4-byte big-endian length), then Base64.
    static QByteArray dataToBase64Compressed(const QByteArray &data);
    static QByteArray dataFromBase64Compressed(const QByteArray &data);

    // ISO 8601 reading; a blank between date and time counts as "T", and up
    // to six fraction digits and a "Z" / "+hh" / "+hh:mm" zone are taken.
    static QDateTime parseIsoDateTime(const QString &text);
    // "yyyy-MM-ddThh:mm:ss.zzz+hh:mm": the date-time's own wall time with its
    // own offset from UTC; empty for a null date-time.
    static QString datetimeToIsoString(const QDateTime &dateTime);
};

class BaseUpdaterUtils
{
public:
    // Copies, replacing an existing destination.
    static bool copyOverwriteFile(const QString &source, const QString &destination);
    // Copies a directory tree; files whose whole name matches one of the
    // wildcard patterns are skipped.
    static bool recursiveCopy(const QString &source, const QString &destination,
                              const QStringList &excludePatterns = QStringList());
};

namespace UpdaterVersion
{
// True when `remote` offers no update over `local`. Both texts are split at
// ".", "-" and ","; each part counts by its digits (none: 0), a missing part
// counts as 0, and parts are compared left to right. Equal texts: true.
bool isUpToDate(const QString &local, const QString &remote);
// -1, 0, 1 for the digits of two parts compared as unbounded numbers.
int compareParts(const QString &a, const QString &b);
} // namespace UpdaterVersion

namespace UpdaterHash
{
struct FileHashes {
    bool ok = false; // the file was read whole
    QString md5;     // lower-case hex
    QString sha1;    // lower-case hex
    qint64 size = 0;
};
// Hashes a file in fixed-size blocks (bounded memory).
FileHashes hashFile(const QString &path);
// Hex texts compared without regard to case; an empty expectation never matches.
bool sameHex(const QString &computed, const QString &expected);
} // namespace UpdaterHash
