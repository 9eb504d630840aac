// The simulator's own records, shared by its source files: a client's
// session, a call and its two legs, and one request of a client on its way to
// its handler. Nothing outside platform/ctilib/pbxsim*.cpp includes this.
//
//   pbxsimulator.cpp  set-up, trace, the office's own operations, inspection
//   pbxsimprotocol.cpp  the CTI link: sessions, frames, log-in, events sent
//   pbxsimrequests.cpp  the requests of a client: table and handlers
//   pbxsimcalls.cpp   the call model: calls, legs, parking, softphone legs
//   pbxsimcontrol.cpp the control language: command table and handlers
#pragma once

#include "ctiprotocol.h"
#include "pbxsimdata.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

class PbxSimulator;
class QSslSocket;
class QTimer;

struct SimSession {
    enum Kind { Unknown, Cti, Sip };
    quint64 id = 0;
    QSslSocket *socket = nullptr;
    CtiProtocol::FrameReader reader{CtiProtocol::MaxClientFrame};
    Kind kind = Unknown;
    QString userKey;
    bool loggedIn = false;
    int appMode = 0;
    bool phoneAuthorized = false;
    // Frames waiting for the socket: a large delivery is fed to the socket a
    // few megabytes at a time rather than buffered there whole.
    QList<QByteArray> outbox;
};

struct SimLeg {
    QString exten;  // extension number, empty for an outside party
    QString number; // number shown to the other party
    QString name;
    QString channel;
    QString userKey; // owner of the extension, empty when none
    QString account;
    QString cstaId;
    bool held = false;
};

struct SimCall {
    enum State { Ringing, Up };
    QString uid;
    SimLeg legs[2]; // 0 caller, 1 callee
    State state = Ringing;
    int attrs = 0;
    QString queueId;
    QString calledNum;
    QDateTime start;
    QDateTime answered;
    QTimer *timer = nullptr;
    QString behaviour; // "busy", "noanswer" for special outside numbers
    int sipToken = 0;  // the SIP leg of a softphone in this call, 0 none
    int sipLeg = -1;   // which leg the softphone is
    QString endReason;
};

// One request of a logged-in client as its handler sees it.
struct SimRequest {
    SimSession *session;
    const QString &cmd; // the request's name, for handlers shared by several
    const QJsonObject &args;
    QString key;   // the user's key
    SimUser &user; // the user's record
    // For requests on a call of the desk phone: the call named by "cstaId"
    // and the user's leg of it.
    SimCall *call = nullptr;
    int leg = -1;

    QString str(const char *k) const { return args.value(QLatin1String(k)).toString(); }
    int integer(const char *k, int def) const
    {
        const QJsonValue v = args.value(QLatin1String(k));
        return v.isDouble() ? int(v.toDouble()) : def;
    }
};

// A request's entry in the table of requests: its handler, and what the
// request needs before the handler runs (a request that lacks it is refused
// with the error named).
struct SimRequestHandler {
    enum Needs {
        Session,       // a logged-in session
        DeskPhone,     // an authorized desk phone ("PhoneNotAuthorized")
        DeskPhoneCall, // as DeskPhone, and the user's call named by "cstaId" ("NoSuchCall")
    };
    bool (PbxSimulator::*run)(SimRequest &, QString *);
    Needs needs;
};

namespace pbxsim
{
// The counters of a user's mailbox.
MailboxStatus mailboxStatusOf(const PbxSimData &data, const QString &userKey);
} // namespace pbxsim
