// Small stateless helpers shared by the main window and its panels.
#pragma once

#include "ctilibtypes.h"

#include <QDateTime>
#include <QString>

class GuiUtils
{
public:
    // base when range is 0; otherwise base plus a value from 0 to range - 1
    // (range > 0) or base minus a value from 0 to |range| - 1 (range < 0),
    // drawn from the process-wide, system-seeded generator (so clients that
    // lose the PBX together do not all come back at the same moment). Results
    // beyond the int range are clamped.
    static int randomValue(int base, int range);
    // "mm:ss" with as many minutes as needed; negative counts are 0.
    static QString secondToMinSecString(qint64 seconds);
    // Start and end of a statistics period from the local clock; false (and
    // nothing written) for a value outside the ten periods.
    static bool datesFromPeriod(CTILIB::PeriodType period, QDateTime *start, QDateTime *end);
    // The same from a given "now".
    static bool datesFromPeriod(CTILIB::PeriodType period, QDateTime *start, QDateTime *end, const QDateTime &now);
    // A typed or pasted number without separators; a leading "+" kept; empty
    // when what is left is not a run of digits.
    static QString simplifyPhoneNumber(const QString &number);
    static bool isMobileContact(const ContactEntry &entry);
    static bool isFixedContact(const ContactEntry &entry);
    static bool isExtenContact(const ContactEntry &entry);
    static bool isEmailContact(const ContactEntry &entry);
};
