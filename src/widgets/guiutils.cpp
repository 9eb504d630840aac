#include "guiutils.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>

#include <climits>

int GuiUtils::randomValue(int base, int range)
{
    if (range == 0)
        return base;
    // |INT_MIN| does not fit an int: take the magnitude as unsigned and add in 64 bits.
    const quint32 magnitude = range < 0 ? quint32(0) - quint32(range) : quint32(range);
    const qint64 offset = qint64(QRandomGenerator::global()->bounded(magnitude));
    const qint64 value = range > 0 ? qint64(base) + offset : qint64(base) - offset;
    return int(qBound(qint64(INT_MIN), value, qint64(INT_MAX)));
}

QString GuiUtils::secondToMinSecString(qint64 seconds)
{
    if (seconds < 0)
        seconds = 0;
    const qint64 minutes = seconds / 60;
    const qint64 rest = seconds - 60 * minutes;
    return QStringLiteral("%1:%2").arg(minutes, 2, 10, QLatin1Char('0')).arg(rest, 2, 10, QLatin1Char('0'));
}

bool GuiUtils::datesFromPeriod(CTILIB::PeriodType period, QDateTime *start, QDateTime *end)
{
    return datesFromPeriod(period, start, end, QDateTime::currentDateTime());
}

bool GuiUtils::datesFromPeriod(CTILIB::PeriodType period, QDateTime *start, QDateTime *end, const QDateTime &now)
{
    const QDate date = now.date();
    const auto midnight = [&now](const QDate &d) { return QDateTime(d, QTime(0, 0), now.timeSpec()); };
    const QDate weekStart = date.addDays(-(date.dayOfWeek() - 1));
    const QDate monthStart(date.year(), date.month(), 1);
    QDateTime from, to = now;
    switch (period) {
    case CTILIB::PeriodLastHour:
        from = now.addSecs(-3600);
        break;
    case CTILIB::PeriodToday:
        from = midnight(date);
        break;
    case CTILIB::PeriodThisWeek:
        from = midnight(weekStart);
        break;
    case CTILIB::PeriodThisMonth:
        from = midnight(monthStart);
        break;
    case CTILIB::PeriodLast30Days:
        from = midnight(date.addDays(-29));
        break;
    case CTILIB::PeriodLast60Days:
        from = midnight(date.addDays(-59));
        break;
    case CTILIB::PeriodLast90Days:
        from = midnight(date.addDays(-89));
        break;
    case CTILIB::PeriodYesterday:
        from = midnight(date.addDays(-1));
        to = midnight(date).addMSecs(-1);
        break;
    case CTILIB::PeriodPreviousWeek:
        from = midnight(weekStart.addDays(-7));
        to = midnight(weekStart).addMSecs(-1);
        break;
    case CTILIB::PeriodPreviousMonth:
        from = midnight(monthStart.addMonths(-1));
        to = midnight(monthStart).addMSecs(-1);
        break;
    default:
        return false;
    }
    if (start)
        *start = from;
    if (end)
        *end = to;
    return true;
}

QString GuiUtils::simplifyPhoneNumber(const QString &number)
{
    QString text = number.simplified();
    for (const QChar c : {QChar(' '), QChar('-'), QChar(','), QChar('.'), QChar('\''), QChar('"'), QChar('/'),
                          QChar('\\'), QChar('('), QChar(')')})
        text.remove(c);
    const bool plus = text.startsWith(QLatin1Char('+'));
    text.remove(QLatin1Char('+'));
    // Only ASCII digits make a number: "inf", "nan" or "1e5" are not one.
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(text).hasMatch())
        return QString();
    return QStringLiteral("%1%2").arg(plus ? QStringLiteral("+") : QString(), text);
}

namespace
{
bool phoneOfKind(const ContactEntry &entry, const QStringList &kinds)
{
    return entry.kind == QLatin1String("phone") && kinds.contains(entry.subtype, Qt::CaseSensitive);
}
} // namespace

bool GuiUtils::isMobileContact(const ContactEntry &entry)
{
    static const QStringList kinds{QStringLiteral("mobile"), QStringLiteral("work_mobile")};
    return phoneOfKind(entry, kinds);
}

bool GuiUtils::isFixedContact(const ContactEntry &entry)
{
    static const QStringList kinds{QStringLiteral("main"), QStringLiteral("home"), QStringLiteral("work"),
                                   QStringLiteral("fax")};
    return phoneOfKind(entry, kinds);
}

bool GuiUtils::isExtenContact(const ContactEntry &entry)
{
    static const QStringList kinds{QStringLiteral("exten")};
    return phoneOfKind(entry, kinds);
}

bool GuiUtils::isEmailContact(const ContactEntry &entry)
{
    return entry.kind == QLatin1String("email");
}
