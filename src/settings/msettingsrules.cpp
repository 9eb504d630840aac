#include "msettingsrules.h"

#include <QSaveFile>

#include <QHostAddress>
#include <QRegularExpression>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <cctype>

namespace MSettingsRules
{

int intInRange(const QVariant &value, int lo, int hi, int fallback)
{
    bool ok = false;
    const int v = value.toInt(&ok);
    return (ok && v >= lo && v <= hi) ? v : fallback;
}

int clampedInt(const QVariant &value, int lo, int hi, int fallback)
{
    bool ok = false;
    const int v = value.toInt(&ok);
    if (!ok)
        return fallback;
    return qBound(lo, v, hi);
}

int updatePeriod(const QVariant &value, int lo, int hi)
{
    bool ok = false;
    const int v = value.toInt(&ok);
    if (!ok || v < 0)
        return -1;
    return qBound(lo, v, hi);
}

int positiveInt(const QVariant &value, int fallback)
{
    bool ok = false;
    const int v = value.toInt(&ok);
    return (ok && v >= 1) ? v : fallback;
}

quint32 maskedUnsigned(const QVariant &value, quint32 mask, quint32 fallback)
{
    bool ok = false;
    const quint32 v = value.toUInt(&ok);
    return (ok ? v : fallback) & mask;
}

bool switchDefaultOn(const QVariant &value)
{
    return value.toString() != QLatin1String("off");
}

bool switchDefaultOff(const QVariant &value)
{
    return value.toString() == QLatin1String("on");
}

QStringList semicolonList(const QString &text)
{
    if (text.isEmpty())
        return QStringList();
    return text.split(QLatin1Char(';'), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

QStringList numberedSubgroups(QSettings &settings)
{
    QList<QPair<quint64, QString>> numbered;
    const QStringList groups = settings.childGroups();
    for (const QString &name : groups) {
        if (name.isEmpty() || name.size() > 9)
            continue;
        bool digitsOnly = true;
        for (const QChar c : name)
            digitsOnly = digitsOnly && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!digitsOnly)
            continue;
        const quint64 n = name.toULongLong();
        if (n > 0)
            numbered.append(qMakePair(n, name));
    }
    std::sort(numbered.begin(), numbered.end());
    QStringList result;
    for (const auto &entry : numbered)
        result.append(entry.second);
    return result;
}

bool ensurePrivateDir(const QString &dirPath)
{
    if (dirPath.isEmpty())
        return false;
    QDir dir(dirPath);
    if (dir.exists())
        return true;
    if (!QDir().mkpath(dir.absolutePath()))
        return false;
    return QFile::setPermissions(dir.absolutePath(),
                                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

bool commitPrivate(QSettings &settings)
{
    ensurePrivateDir(QFileInfo(settings.fileName()).absolutePath());
    settings.sync();
    // FormatError only says the file read before did not parse; it was written.
    const bool ok = settings.status() != QSettings::AccessError;
    const QString path = settings.fileName();
    QFileInfo info(path);
    if (info.exists() && info.isFile())
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return ok;
}

bool isAcceptableSipAddress(const QString &value)
{
    if (value.trimmed().isEmpty() || value != value.trimmed())
        return false;
    for (const QChar c : value) {
        if (c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return false;
    }
    QString host = value;
    QString port;
    if (value.startsWith(QLatin1Char('['))) {
        const int close = value.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        host = value.mid(1, close - 1);
        const QString rest = value.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return false;
            port = rest.mid(1);
        }
        QHostAddress address;
        if (!address.setAddress(host) || address.protocol() != QAbstractSocket::IPv6Protocol)
            return false;
    } else {
        const int colon = value.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            host = value.left(colon);
            port = value.mid(colon + 1);
        }
        // A host name (letters, digits, '-', '_' and dots) or an IPv4 address.
        static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9_](?:[A-Za-z0-9_.-]*[A-Za-z0-9_.])?$"));
        if (!name.match(host).hasMatch() || host.contains(QLatin1String("..")))
            return false;
    }
    if (value.contains(QLatin1Char(':')) && !value.startsWith(QLatin1Char('[')) && port.isEmpty())
        return false;
    if (!port.isNull()) {
        bool ok = false;
        const int number = port.toInt(&ok);
        if (!ok || number < 1 || number > 65535 || port.startsWith(QLatin1Char('+')))
            return false;
    }
    return true;
}

namespace
{
// QSettings unescapes "\x40" or "\100" to "@" before it looks for a variant;
// its own writer never escapes a leading "@", so such a value is crafted.
bool startsWithEscapedAt(const QByteArray &value)
{
    if (value.size() < 2 || value.at(0) != '\\')
        return false;
    bool ok = false;
    int code = -1;
    if (value.at(1) == 'x' || value.at(1) == 'X') {
        int end = 2;
        while (end < value.size() && isxdigit(static_cast<unsigned char>(value.at(end))))
            ++end;
        code = value.mid(2, end - 2).toInt(&ok, 16);
    } else if (value.at(1) >= '0' && value.at(1) <= '7') {
        int end = 1;
        while (end < value.size() && value.at(end) >= '0' && value.at(end) <= '7')
            ++end;
        code = value.mid(1, end - 1).toInt(&ok, 8);
    }
    return ok && code == '@';
}
} // namespace

QByteArray withoutSerializedVariants(const QByteArray &iniText, int *dropped)
{
    int count = 0;
    QByteArray out;
    out.reserve(iniText.size());
    int start = 0;
    while (start < iniText.size()) {
        int end = iniText.indexOf('\n', start);
        const int next = end < 0 ? iniText.size() : end + 1;
        if (end < 0)
            end = iniText.size();
        const QByteArray line = iniText.mid(start, end - start);
        const int eq = line.indexOf('=');
        bool variant = false;
        if (eq > 0) {
            QByteArray value = line.mid(eq + 1).trimmed();
            if (value.startsWith('"'))
                value = value.mid(1);
            variant = value.startsWith("@Variant(") || startsWithEscapedAt(value);
        }
        if (variant)
            ++count;
        else
            out.append(iniText.constData() + start, next - start);
        start = next;
    }
    if (dropped)
        *dropped = count;
    return out;
}

int scrubSerializedVariants(const QString &path)
{
    QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return 0;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = in.readAll();
    in.close();
    if (!text.contains("@Variant("))
        return 0;
    int dropped = 0;
    const QByteArray clean = withoutSerializedVariants(text, &dropped);
    if (dropped == 0)
        return 0;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(clean) != clean.size() || !out.commit())
        return -1;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return dropped;
}

} // namespace MSettingsRules
