// Rules of the call-history list that need no window: which rows the filter
// flags and the date window show, the cut-off of old calls, the duration
// text, the call type table and the build of the list model.
#pragma once

#include "app/mcticonfig.h"
#include "ctilibtypes.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <functional>

class CdrModel;

namespace CdrRules
{
// All ten filter bits set: nothing is hidden by type.
constexpr int AllFilterBits = 0x3ff;

bool isIncomingKey(const QString &key);
bool isOutgoingKey(const QString &key);
bool isNotAnsweredKey(const QString &key);

// The three key tests of a call type key as bits.
enum CallClass : int { Incoming = 1, Outgoing = 2, NotAnswered = 4 };
int callClass(const QString &key);

// Whether the filter flags show a row of that call type key and attributes.
bool flagsAccept(int flags, const QString &key, int attributes);
// The same for a key already classed with callClass().
bool flagsAcceptClass(int flags, int callClass, int attributes);

// The date and time of a start text "yyyy-MM-dd hh:mm:ss"; invalid when it
// does not parse.
QDateTime startDateTime(const QString &startText);
QDate startDate(const QString &startText);

// Whether the start text of a row lies in the window [from, to]; invalid
// bounds are open. A start that does not parse is always shown.
bool dateAccepted(const QString &startText, const QDate &from, const QDate &to);
// The same for a start already read (an invalid date always shown).
bool dayAccepted(const QDate &start, const QDate &from, const QDate &to);

// Calls that started before this moment are left out: midnight at the start
// of the day `days` calendar days before `now`, in now's time zone.
QDateTime cutOff(const QDateTime &now, int days);

// "59 sec", "1 min 0 sec", "01:00:00", "1 gg. 01:01:01".
QString durationText(int seconds);

struct CallType {
    QString iconPath; // empty for an unknown key
    QString text;
};
CallType callType(const QString &key);

// Display name of a number, "" when unknown.
using NameResolver = std::function<QString(const QString &number)>;

// The call-history model of a record set: entries before the cut-off and
// entries without direction are skipped; every row decorated (type icon and
// text, resolved name, duration text, search text).
// To build on a worker thread: pass the type icons made on the GUI thread
// (typeIcons()), `notes`, which collects the warnings instead of writing
// them, and `unknownTypes`, which collects the type keys without an icon.
CdrModel *buildModel(const Cdr &cdr, const QDateTime &cutOffTime, const NameResolver &resolve,
                     const QHash<QString, QIcon> &icons = QHash<QString, QIcon>(), QStringList *notes = nullptr,
                     QStringList *unknownTypes = nullptr);
// The icons of the call types by resource path.
QHash<QString, QIcon> typeIcons();
} // namespace CdrRules
