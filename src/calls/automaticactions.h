// The user's automatic actions on call events: the call data filled into an
// action's URL or command line, and the gates that decide whether an event
// runs its actions at all.
#pragma once

#include "ctilibtypes.h"

#include <QString>
#include <QStringList>
#include <QUrl>

namespace AutomaticActions
{

// The call data an action can name.
struct CallValues {
    QString callerNum;        // <callernum>, trimmed
    QString callerName;       // <callername>, trimmed
    QString company;          // <callercompany>, trimmed
    QString unit;             // <callerunit>, trimmed
    QString calledNum;        // <callednum>, trimmed
    QString extenNum;         // <extenNum>
    bool hasExtenNum = false; // false: <extenNum> stays in the text
    QString queueName;        // <queueName>
    QString groupName;        // <groupName>
    QString uid;              // <uid>; empty gives the "unknown" text
};

// Fills every placeholder of `text` in one pass: a value is never scanned
// again, so a caller name that holds "<uid>" stays as it is. `encode` is
// applied to each value (CR, LF and NUL are always removed first).
QString fillPlaceholders(const QString &text, const CallValues &values, QString (*encode)(const QString &) = nullptr);

// A URL action: the template filled with each value percent-encoded. Refused
// (invalid URL returned) when the template has no literal scheme or the
// filled URL's scheme differs from it.
QUrl fillUrlAction(const QString &urlTemplate, const CallValues &values);

// A program action: the configured command line split into program and
// arguments first, then each argument filled, so that a value fills exactly
// one argument and never adds another.
struct ProgramCommand {
    QString program;
    QStringList arguments;
    QString workingDirectory; // the program's directory, empty for a bare name
    bool isValid() const { return !program.isEmpty(); }
};
ProgramCommand fillProgramAction(const QString &commandTemplate, const CallValues &values);

// --- gates

// The settings that gate the actions.
struct Gates {
    bool c2cActions = false;      // actions also for click-to-call calls
    bool extenActions = false;    // actions also for calls with an extension
    bool outboundActions = false; // actions also for calls the user placed
    bool actionRequested = false; // at least one action for the event
};

// Ringing: a click-to-call needs the click-to-call setting (and, from an
// extension, the extension setting); another call from an extension needs the
// extension setting.
bool incomingAllowed(CTILIB::CallAttributeFlags flags, bool fromExtension, const Gates &gates);
// Answered and finished calls: an outgoing call (direction 0) needs the
// outbound setting, a service code never runs one, an extension needs the
// extension setting.
bool answeredOrFinishedAllowed(int direction, bool isServiceCode, bool isExtension, const Gates &gates);

} // namespace AutomaticActions
