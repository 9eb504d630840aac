#include "updaterutils.h"

#include "app/mcticonstants.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegExp>
#include <QRegularExpression>

#include <memory>

QString Utils::md5sum(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
}

QString Utils::md5sum(const QString &text)
{
    return md5sum(text.toUtf8());
}

QString Utils::md5sumFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

QByteArray Utils::dataToBase64Compressed(const QByteArray &data)
{
    return qCompress(data).toBase64();
}

QByteArray Utils::dataFromBase64Compressed(const QByteArray &data)
{
    return qUncompress(QByteArray::fromBase64(data));
}

QDateTime Utils::parseIsoDateTime(const QString &text)
{
    QString t = text;
    if (t.size() > 10 && t.at(10) == QLatin1Char(' '))
        t[10] = QLatin1Char('T');
    QDateTime dt = QDateTime::fromString(t, Qt::ISODateWithMs);
    if (dt.isValid())
        return dt;
    static const QRegularExpression re(QStringLiteral(
        "^(\\d{4}-\\d{2}-\\d{2}[T\\s]\\d{2}:\\d{2}:\\d{2}\\.\\d{3})\\d{0,3}(Z|[+\\-]\\d{2}(:\\d{2})?)?"));
    const QRegularExpressionMatch m = re.match(t);
    if (!m.hasMatch())
        return QDateTime();
    QString main = m.captured(1);
    main[10] = QLatin1Char('T');
    dt = QDateTime::fromString(main, DATETIME_FORMAT);
    if (!dt.isValid())
        return QDateTime();
    const QString zone = m.captured(2);
    if (zone.isEmpty())
        return dt;
    if (zone == QLatin1String("Z")) {
        dt.setTimeSpec(Qt::UTC);
        return dt;
    }
    const int sign = zone.startsWith(QLatin1Char('-')) ? -1 : 1;
    int seconds = zone.mid(1, 2).toInt() * 3600;
    if (zone.size() >= 6)
        seconds += zone.mid(4, 2).toInt() * 60;
    dt.setOffsetFromUtc(sign * seconds);
    return dt;
}

QString Utils::datetimeToIsoString(const QDateTime &dateTime)
{
    if (dateTime.isNull() || !dateTime.isValid())
        return QString();
    const int offset = dateTime.offsetFromUtc();
    const int absMinutes = qAbs(offset) / 60;
    return dateTime.toString(DATETIME_FORMAT) + QStringLiteral("%1%2:%3")
                                                    .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                                                    .arg(absMinutes / 60, 2, 10, QLatin1Char('0'))
                                                    .arg(absMinutes % 60, 2, 10, QLatin1Char('0'));
}

bool BaseUpdaterUtils::copyOverwriteFile(const QString &source, const QString &destination)
{
    qDebug() << "Now copying " << QDir::toNativeSeparators(source) << "to" << QDir::toNativeSeparators(destination);
    if (!QFileInfo::exists(source)) {
        qCritical() << "Src file cannot be accessed" << source;
        return false;
    }
    if (QFileInfo(destination).exists() || QFileInfo(destination).isSymLink()) {
        if (!QFile::remove(destination)) {
            qCritical() << Q_FUNC_INFO << "ERROR: cannot remove file" << destination;
            return false;
        }
    }
    QFile src(source);
    if (!src.copy(destination)) {
        qCritical() << "Copy failed:" << src.errorString();
        return false;
    }
    return true;
}

bool BaseUpdaterUtils::recursiveCopy(const QString &source, const QString &destination,
                                     const QStringList &excludePatterns)
{
    qDebug() << source << "-->" << destination;
    QDir dest(destination);
    if (!dest.exists()) {
        qDebug() << "mkdir" << destination;
        if (!QDir().mkpath(destination))
            return false;
    }
    const QDir src(source);
    const QFileInfoList entries =
        src.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo &entry : entries) {
        const QString target = destination + QLatin1Char('/') + entry.fileName();
        if (entry.isDir() && !entry.isSymLink()) {
            qDebug() << "Copying a dir" << entry.filePath();
            if (!recursiveCopy(entry.filePath(), target, excludePatterns)) {
                qCritical() << "recursive copy of dir failed" << entry.filePath();
                return false;
            }
            continue;
        }
        bool skip = false;
        for (const QString &pattern : excludePatterns) {
            QRegExp wildcard(pattern, Qt::CaseSensitive, QRegExp::Wildcard);
            if (wildcard.exactMatch(entry.fileName())) {
                skip = true;
                break;
            }
        }
        if (skip)
            continue;
        qDebug() << "Copying a file"
                 << "cp " << entry.filePath() << target;
        if (!copyOverwriteFile(entry.filePath(), target)) {
            qCritical() << "overwrite copy of file failed" << entry.filePath();
            return false;
        }
    }
    return true;
}

namespace UpdaterVersion
{

namespace
{
QString digitsOf(const QString &part)
{
    QString out;
    for (const QChar c : part) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            out += c;
    }
    int zeros = 0;
    while (zeros < out.size() - 1 && out.at(zeros) == QLatin1Char('0'))
        ++zeros;
    out.remove(0, zeros);
    return out.isEmpty() ? QStringLiteral("0") : out;
}
} // namespace

int compareParts(const QString &a, const QString &b)
{
    const QString da = digitsOf(a);
    const QString db = digitsOf(b);
    if (da.size() != db.size())
        return da.size() < db.size() ? -1 : 1;
    const int c = QString::compare(da, db);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool isUpToDate(const QString &local, const QString &remote)
{
    if (local == remote)
        return true;
    static const QRegularExpression separators(QStringLiteral("[\\.\\-,]"));
    const QStringList l = local.split(separators);
    const QStringList r = remote.split(separators);
    const int n = qMax(l.size(), r.size());
    for (int i = 0; i < n; ++i) {
        const int c = compareParts(i < l.size() ? l.at(i) : QString(), i < r.size() ? r.at(i) : QString());
        if (c > 0)
            return true;
        if (c < 0)
            return false;
    }
    return true;
}

} // namespace UpdaterVersion

namespace UpdaterHash
{

FileHashes hashFile(const QString &path)
{
    FileHashes out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    QCryptographicHash md5(QCryptographicHash::Md5);
    QCryptographicHash sha1(QCryptographicHash::Sha1);
    const qint64 blockSize = 1 << 20;
    std::unique_ptr<char[]> buffer(new char[blockSize]);
    for (;;) {
        const qint64 n = file.read(buffer.get(), blockSize);
        if (n < 0)
            return out;
        if (n == 0)
            break;
        md5.addData(buffer.get(), int(n));
        sha1.addData(buffer.get(), int(n));
        out.size += n;
    }
    out.md5 = QString::fromLatin1(md5.result().toHex());
    out.sha1 = QString::fromLatin1(sha1.result().toHex());
    out.ok = true;
    return out;
}

bool sameHex(const QString &computed, const QString &expected)
{
    return !expected.isEmpty() && QString::compare(computed, expected.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace UpdaterHash
