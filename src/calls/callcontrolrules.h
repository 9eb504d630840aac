// Rules of the call actions that need no window: which back-end each action
// takes in each operating mode, which line a keypad digit goes to, which held
// line comes back first, and the numbers read from the clipboard, from a drop
// and kept in the dial field's recent list.
#pragma once

#include "callport.h"

#include <QList>
#include <QString>

class QStandardItemModel;

namespace CallControlRules
{

enum class Action { Hangup, Answer, Refuse, Ignore, Park, Hold, Retrieve, Record, Dtmf };

// The back-end of an action: the softphone engine in softphone mode, the
// desk-phone driver in desk-phone mode, the CTI library where the PBX owns
// the lines (only hang-up, refuse and park exist there); None when the mode's
// back-end is missing or the action does not exist on the path. Ignoring a
// call sends nothing but stops the engine's ringing when an engine exists.
Route route(Action action, const Backends &backends);

// A keypad digit: exactly one of 0-9, "*" and "#".
bool isDtmfDigit(const QString &digit);

// A line that could receive a keypad digit.
struct DtmfCandidate {
    qint64 line = -1;
    int status = 0;          // the active widget's status
    bool held = false;       // also shown as held
    bool engineLive = false; // softphone: active or in session progress
};
// The first line (in the order given, ascending ids) that is starting or in
// conversation, not held, and in softphone mode live in the engine; -1 when
// none or the route sends no digits.
qint64 dtmfTarget(const QList<DtmfCandidate> &lines, Route route);

// The held line to take back: the one held longest, none while a transfer
// waits for its target.
qint64 lineToRetrieve(const QList<qint64> &heldInOrder, const TransferState &transfer);

// --- numbers that were not typed

// True when the whole text is an optional "+" and one or more digits.
bool isPhoneNumber(const QString &text);
// The number in copied text: only "+" and digits are kept, and a "+" only in
// front ("Tel. +3 9-1" is "+391"). Check it with isPhoneNumber().
QString clipboardNumber(const QString &text);
// The number in dropped text: blanks collapsed, "+" as "00", the separators
// " -,'./\()" removed; empty when what is left is no number. Numbers that are
// not extensions get the outside-line prefix unless they start with it.
QString droppedNumber(const QString &text, bool isExtension, const QString &outsidePrefix);
// Puts `number` at the top of the recent numbers (once) and keeps at most
// `limit` of them.
void rememberNumber(QStandardItemModel *model, const QString &number, int limit = 10);

} // namespace CallControlRules
