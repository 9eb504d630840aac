#include "callrules.h"

#include "messaging/pbxservices.h"

#include <QRegularExpression>
#include <QVersionNumber>

namespace CallRules
{

qint64 computeLineIdFromChannel(const QString &channel)
{
    const QString last = channel.split(QLatin1Char('-')).last();
    const QString hex = last.split(QLatin1Char(';')).first();
    if (hex.isEmpty())
        return -1;
    bool ok = false;
    const qint64 id = hex.toLongLong(&ok, 16);
    // Only plain hexadecimal digits: no sign, no "0x", no blanks.
    static const QRegularExpression hexOnly(QStringLiteral("^[0-9A-Fa-f]+$"));
    if (!ok || !hexOnly.match(hex).hasMatch())
        return -1;
    return id;
}

DialString checkDialString(const QString &raw, bool plusToZeros)
{
    QString number = raw;
    if (plusToZeros)
        number.replace(QLatin1Char('+'), QStringLiteral("00"));
    // Blanks and the usual separators of written numbers.
    static const QRegularExpression separators(QStringLiteral("[ \\-./()]"));
    number.remove(separators);
    DialString result;
    if (number.isEmpty())
        return result;
    static const QRegularExpression dialable(QStringLiteral("^\\+?[0-9*#]+$"));
    if (!dialable.match(number).hasMatch()) {
        result.refused = true;
        return result;
    }
    result.number = number;
    return result;
}

bool isMServiceCode(const QString &number, const ServicesDialCodesMap &serviceCodes)
{
    return PbxServices::isServiceCode(serviceCodes, number);
}

QString lookupNumber(const QString &number, bool isExtension, const QString &outsidePrefix)
{
    if (isExtension || outsidePrefix.isEmpty() || !number.startsWith(outsidePrefix))
        return number;
    return number.mid(outsidePrefix.size());
}

QString shownRemoteName(const QString &remoteName)
{
    static const QRegularExpression returning(QStringLiteral("^R:(?:[^:]+):"));
    if (!returning.match(remoteName).hasMatch())
        return remoteName;
    return remoteName.section(QLatin1Char(':'), 2);
}

bool firmwareOlderThan(const QString &version, const QString &threshold)
{
    const QString trimmed = version.trimmed();
    const QVersionNumber v = QVersionNumber::fromString(trimmed.section(QLatin1Char('-'), 0, 0));
    if (v.isNull())
        return true;
    return QVersionNumber::compare(v, QVersionNumber::fromString(threshold)) < 0;
}

bool needEmulateMissingNotification(const QString &firmware)
{
    return firmwareOlderThan(firmware, QStringLiteral("4.5"));
}

bool recordingControlOffered(const QString &firmware, quint32 capabilities)
{
    if (capabilities & 0x20u)
        return false;
    // Up to and including 4.6: older than 4.6.1 and not 4.6.x with x >= 1.
    const QVersionNumber v = QVersionNumber::fromString(firmware.trimmed().section(QLatin1Char('-'), 0, 0));
    if (v.isNull())
        return true;
    return QVersionNumber::compare(v, QVersionNumber(4, 6)) <= 0;
}

void RingingCounters::notify(qint64 lineId, CTILIB::CallAttributeFlags flags)
{
    if (counted.contains(lineId))
        return;
    counted.insert(lineId, flags);
    apply(flags, +1);
}

void RingingCounters::reset(qint64 lineId)
{
    if (!counted.contains(lineId))
        return;
    apply(counted.take(lineId), -1);
}

void RingingCounters::clear()
{
    counted.clear();
    ret = qExt = dExt = localCalls = 0;
}

void RingingCounters::apply(CTILIB::CallAttributeFlags flags, int delta)
{
    if (flags & CTILIB::CallAttrClickToCall)
        return;
    auto bump = [delta](int &counter) { counter = qMax(0, counter + delta); };
    if (flags & CTILIB::CallAttrTransferReturn)
        bump(ret);
    else if (flags & CTILIB::CallAttrInternal)
        bump(localCalls);
    if (flags & CTILIB::CallAttrExternal)
        bump((flags & CTILIB::CallAttrQueue) ? qExt : dExt);
}

} // namespace CallRules
