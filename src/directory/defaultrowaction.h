// What a double click or Enter on a number row of the directory or call
// history does: call a phone number (extensions without the outside-line
// prefix, other numbers with it), write to an address, or nothing.
#pragma once

#include "ctilibtypes.h"

#include <QString>
#include <QUrl>

namespace DefaultRowAction
{
struct Action {
    enum Kind { None, Call, Mail } kind = None;
    QString number;                                               // Call: the number to dial
    CTILIB::NumberOutgoingPrefix prefix = CTILIB::PrefixExternal; // Call: the prefix rule
    QUrl url;                                                     // Mail: the "mailto:" address
};

// `value` is the row's text, `numberKind` its number kind (0 fixed,
// 1 extension, 2 mobile, 3 e-mail; anything else does nothing).
Action forRow(const QString &value, int numberKind);
} // namespace DefaultRowAction
