// Rules of the PBX session that need no window: how the user name is split
// into user and tenant, which PBX firmware is accepted, what a log-in enables,
// which keep-alive intervals the library is told, which refresh periods the
// timers run with, and how a disconnection reason is read and answered.
#pragma once

#include "settings/msettings.h"

#include <QMetaType>
#include <QString>

namespace SessionRules
{

// --- log-in

struct UserAndTenant {
    QString user;
    QString tenant;
};
// "user@tenant": the tenant is the text after the last "@", the user the rest
// ("@" included); without "@" the tenant is empty.
UserAndTenant splitUsername(const QString &username);

// Oldest PBX firmware the client works with.
constexpr int MinFirmwareMajor = 4;
constexpr int MinFirmwareMinor = 0;
constexpr int MinFirmwarePatch = 7;
// True for a firmware of 4.0.7 or newer, compared number by number (a "-"
// suffix is ignored, missing parts are refused, "4.10.0" is newer than "4.5.0").
bool isFirmwareSupported(const QString &firmware);
// Firmware-dependent features.
bool firmwareHasVisualVoicemail(const QString &firmware);     // 4.5.9 or newer
bool firmwareHasQueueGroupCdrFilter(const QString &firmware); // 4.7.16 or newer

// --- what a log-in enables

// Bits of the capability word the PBX sends with a log-in.
enum Capability : quint32 {
    CapSms = 1u << 0,              // text messages can be sent
    CapCallCenterReport = 1u << 2, // supervisors can create the call-centre report
    CapRebranding = 1u << 11,      // the PBX offers a rebranding pack
    CapIdentities = 1u << 12,      // identities are refreshed on their own period
    CapAddContact = 1u << 13,      // contacts can be added to the phone book
};

// The user's part in the PBX's queues.
enum QueueRole { QueueRoleNone = 0, QueueRoleOperator = 1, QueueRoleSupervisor = 2 };
// Operators and supervisors.
bool isQueueMember(int role);

// What the PBX allows for this session: what MPGui tells the subsystems when a
// log-in completes.
struct SessionStart {
    quint32 capabilities = 0;
    int queueRole = QueueRoleNone;
    MSETTINGS::AppMode mode = MSETTINGS::AppModeCtiOnly;
    QString firmware;
};

// The features, buttons and tabs a log-in enables.
struct SessionFeatures {
    bool dialFromWindow = false;      // dial field, call button, voicemail and conference buttons
    bool sendSms = false;             // the SMS button
    bool addContact = false;          // the add-contact button is enabled (it is shown in any case)
    bool queueStatus = false;         // queue LED, supervisor panel object, queued-calls counter
    bool supervisorPanel = false;     // the supervisor panel button and the supervisor mode of the settings
    bool callCenterReport = false;    // the "Crea Report" action
    bool visualVoicemail = false;     // the voicemail tab stays
    bool queueGroupCdrFilter = false; // call-history filter for queue and group calls
    bool rebranding = false;          // the rebranding pack is fetched after a while
    bool identitiesPeriod = false;    // identities refresh on their own period (else the codec-order one)
};
SessionFeatures sessionFeatures(const SessionStart &session);

// The library is told the keep-alive interval only from this value on.
constexpr int MinKeepAliveSecs = 60;
bool isKeepAliveIntervalAccepted(int seconds);

// --- refresh periods

enum class RefreshPeriod { Contacts, Cdr, CodecOrder, Identities };
// The period the settings use when none is stored, in seconds.
int defaultRefreshSecs(RefreshPeriod which);
// The stored period, or the default when it is 0 (a repeating 0 ms timer would
// flood the PBX); *replaced tells which happened.
int sanitizedRefreshSecs(RefreshPeriod which, int storedSecs, bool *replaced = nullptr);

// --- disconnection

enum class ReasonKind {
    UserRequest,
    UpgradeNeeded,
    AuthFailed,
    HostNotFound,
    PermissionDenied,
    WrongConfig,
    Other,
};

struct DisconnectReason {
    QString code; // before the first " - " (the whole reason without one)
    QString text; // after it, or the code's default text
    ReasonKind kind = ReasonKind::Other;

    // Only reasons that may pass by themselves lead to a new attempt.
    bool reconnects() const { return kind == ReasonKind::Other; }
    bool isKnown() const { return kind != ReasonKind::Other; }
};
DisconnectReason parseDisconnectReason(const QString &reason);
// "code - text" when there is a text, otherwise the reason as received.
QString shownReason(const DisconnectReason &parsed, const QString &received);

// The tray message a disconnection shows.
enum class DisconnectNotice {
    None,             // nothing: the user asked for it, or an automatic attempt failed again
    CannotConnect,    // "Impossibile connettersi a ..."
    ConnectionClosed, // "La connessione con ... è stata chiusa."
};
// `automaticAttempt`: the attempt that ended was started by the reconnection
// timer; `wasConnected`: a session was up when the connection ended.
DisconnectNotice disconnectNotice(const DisconnectReason &parsed, bool automaticAttempt, bool wasConnected);

// The end of a session or of a failed attempt, as the window answers it.
struct SessionEnd {
    DisconnectReason reason;
    QString received; // the reason text as the library sent it
    DisconnectNotice notice = DisconnectNotice::None;
    bool wasUp = false;            // a session was up when the connection ended
    bool automaticAttempt = false; // the attempt that ended was the reconnection timer's
};

// Delay of the next attempt after a disconnection that allows one: 5000 ms
// plus a random part below 3000 ms.
constexpr int ReconnectBaseMs = 5000;
constexpr int ReconnectRandomMs = 3000;
int reconnectDelayMs();
// Delay while the softphone engine is still shutting down.
constexpr int EngineBusyBaseMs = 2000;
constexpr int EngineBusyRandomMs = 1000;
int engineBusyRetryDelayMs();

} // namespace SessionRules

Q_DECLARE_METATYPE(SessionRules::SessionStart)
Q_DECLARE_METATYPE(SessionRules::DisconnectReason)
Q_DECLARE_METATYPE(SessionRules::SessionEnd)
