// One installer file as the update service describes it, and the rules a
// description must meet before anything is fetched, written or started.
#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QtGlobal>

struct DownloadableFileInfo {
    bool valid = false;
    QString fileName;
    QString url;
    QString md5;
    QString sha1;
    qint64 size = 0; // declared size; 0 when the reply gives none
    bool zipped = false;
    QString appVersion;
    QString exe2Start;

    // Equal when the URLs are.
    bool operator==(const DownloadableFileInfo &other) const { return url == other.url; }
    bool operator!=(const DownloadableFileInfo &other) const { return !(*this == other); }

    QString getDumpInfo() const;
    void dump() const;

    // Reads a reply message (one whole QDUPFW element). `valid` is set when
    // the file name and the URL are both present.
    static DownloadableFileInfo fromReplyMessage(const QString &message);

    // Why this description must not be acted on, or an empty text when it
    // may: a file name that is not a plain name, a URL that is not https
    // (plain http only when `allowPlainHttp`), hashes that are not hex of the
    // right length, a negative size or one above `maxBytes`, an executable
    // name that leaves its directory.
    QString rejectionReason(bool allowPlainHttp, qint64 maxBytes) const;
};
Q_DECLARE_METATYPE(DownloadableFileInfo)

namespace UpdaterPaths
{
// A single path component: not empty, not "." or "..", no "/" or "\\", no
// control characters, at most 255 bytes in UTF-8.
bool isPlainFileName(const QString &name);
// A relative path whose every component is a plain file name.
bool isSafeRelativePath(const QString &path);
// True when `path` is `dir` or lies inside it, judged on the absolute,
// cleaned paths (no links are resolved).
bool isInsideDir(const QString &dir, const QString &path);
// Hex text of exactly `length` digits, either case.
bool isHex(const QString &text, int length);
} // namespace UpdaterPaths
