#include "downloadablefileinfo.h"

#include "framework/simplexmlparser.h"
#include "qufw.h"

#include <QDebug>
#include <QDir>
#include <QUrl>

namespace
{
QString readTag(const QString &message, QUFW::Tags::Id id)
{
    return SimpleXmlParser::getTagValue(message, QUFW::tagName(id), 0, QString());
}

QString boolText(bool b)
{
    return b ? QStringLiteral("true") : QStringLiteral("false");
}
} // namespace

QString DownloadableFileInfo::getDumpInfo() const
{
    const QStringList items{QStringLiteral("Filename:"),
                            fileName,
                            QStringLiteral("\n"),
                            QStringLiteral("Zipped:"),
                            boolText(zipped),
                            QStringLiteral("\n"),
                            QStringLiteral("Valid:"),
                            boolText(valid),
                            QStringLiteral("\n"),
                            QStringLiteral("APP v.:"),
                            appVersion,
                            QStringLiteral("\n"),
                            QStringLiteral("URL:"),
                            url,
                            QStringLiteral("\n"),
                            QStringLiteral("MD5:"),
                            md5,
                            QStringLiteral("\n"),
                            QStringLiteral("SHA1:"),
                            sha1,
                            QStringLiteral("\n"),
                            QStringLiteral("Size:"),
                            QString::number(size),
                            QStringLiteral("\n"),
                            QStringLiteral("Exe2Start:"),
                            exe2Start};
    return items.join(QLatin1Char(' '));
}

void DownloadableFileInfo::dump() const
{
    qDebug().noquote() << getDumpInfo();
}

DownloadableFileInfo DownloadableFileInfo::fromReplyMessage(const QString &message)
{
    using namespace QUFW::Tags;
    DownloadableFileInfo info;
    info.fileName = readTag(message, FileName);
    const QString sizeText = readTag(message, FileSize).trimmed();
    bool ok = false;
    const qint64 size = sizeText.toLongLong(&ok);
    info.size = ok ? size : 0;
    info.zipped = readTag(message, FileIsZipped).trimmed().toLower() == QLatin1String("true");
    info.appVersion = readTag(message, AppVersion);
    info.url = readTag(message, URL);
    info.md5 = readTag(message, MD5).trimmed();
    info.sha1 = readTag(message, SHA1).trimmed();
    info.exe2Start = readTag(message, AppExecutable);
    info.valid = !info.fileName.isEmpty() && !info.url.isEmpty();
    return info;
}

QString DownloadableFileInfo::rejectionReason(bool allowPlainHttp, qint64 maxBytes) const
{
    if (!valid)
        return QStringLiteral("file name or URL missing");
    if (!UpdaterPaths::isPlainFileName(fileName))
        return QStringLiteral("file name is not a plain file name");
    const QUrl u(url);
    const QString scheme = u.scheme().toLower();
    if (!u.isValid() || u.host().isEmpty())
        return QStringLiteral("URL is not valid");
    if (scheme != QLatin1String("https") && !(allowPlainHttp && scheme == QLatin1String("http")))
        return QStringLiteral("URL is not https");
    if (!UpdaterPaths::isHex(md5, 32))
        return QStringLiteral("MD5 is not 32 hex digits");
    if (!UpdaterPaths::isHex(sha1, 40))
        return QStringLiteral("SHA1 is not 40 hex digits");
    if (size < 0)
        return QStringLiteral("size is negative");
    if (maxBytes > 0 && size > maxBytes)
        return QStringLiteral("size is above the limit");
    if (!exe2Start.isEmpty() && !UpdaterPaths::isSafeRelativePath(exe2Start))
        return QStringLiteral("executable name leaves the download directory");
    return QString();
}

namespace UpdaterPaths
{

bool isPlainFileName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    if (name.toUtf8().size() > 255)
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return true;
}

bool isSafeRelativePath(const QString &path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.contains(QLatin1Char('\\')))
        return false;
    const QStringList parts = path.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (!isPlainFileName(part))
            return false;
    }
    return true;
}

bool isInsideDir(const QString &dir, const QString &path)
{
    if (dir.isEmpty() || path.isEmpty())
        return false;
    const QString d = QDir::cleanPath(QDir(dir).absolutePath());
    const QString p = QDir::cleanPath(QDir(dir).absoluteFilePath(path));
    return p == d || p.startsWith(d.endsWith(QLatin1Char('/')) ? d : d + QLatin1Char('/'));
}

bool isHex(const QString &text, int length)
{
    if (text.size() != length)
        return false;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')))
            return false;
    }
    return true;
}

} // namespace UpdaterPaths
