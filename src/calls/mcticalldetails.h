// The CTI data of one call, kept per line by call handling and handed to the
// local API server when a local program asks for the current call.
#pragma once

#include "ctilibtypes.h"

#include <QString>
#include <QtGlobal>

struct MctiCallDetails {
    QString localChannel;                // PBX channel of the user's own leg
    QString remoteChannel;               // PBX channel of the other party's leg
    QString remoteNum;                   // the other party's number as the event gave it
    QString remoteName;                  // the other party's name as the event gave it
    QString calledNum;                   // the number that was dialled
    QString uid;                         // the PBX's unique call id
    QString queueName;                   // queue that delivered the call, if any
    QString groupName;                   // ring group that delivered the call, if any
    QString callerAccount;               // the user's account when the user calls
    QString calleeAccount;               // the user's account when the user is called
    qint64 lineId = -1;                  // line of the call; -1: none
    int direction = -1;                  // 1 incoming, 0 outgoing, -1 not known yet
    CTILIB::CallAttributeFlags callType; // call attribute flags from the PBX
    bool answered = false;
};
