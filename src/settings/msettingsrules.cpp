#include "msettingsrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace MSettingsRules {

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
    const bool ok = settings.status() == QSettings::NoError;
    const QString path = settings.fileName();
    QFileInfo info(path);
    if (info.exists() && info.isFile())
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return ok;
}

} // namespace MSettingsRules
