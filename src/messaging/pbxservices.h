// The PBX services of the main window as rules without widgets: the service
// dial-code map, the forward number check, the route of a do-not-disturb
// request by operating mode, and the shown state of the do-not-disturb,
// forward and fork-to-mobile buttons as the phone and the PBX report it.
#pragma once

#include "ctilibtypes.h"

#include <QString>

namespace PbxServices
{

// The PBX sends its own in-call codes (keys 22-30) only with this capability.
constexpr quint32 CapInCallCodes = 0x10;

// The map after a PBX's codes: keys 1-3 and 5-21 from the PBX when not empty;
// keys 22-30 likewise with the in-call capability, else the fixed defaults.
// Nothing already stored is removed.
ServicesDialCodesMap mergeServiceCodes(const ServicesDialCodesMap &current, const ServicesDialCodesMap &fromPbx,
                                       quint32 capabilities);
// True for a number that reaches a service: one starting with the voicemail
// or pick-up code, or equal to another code (the park range excepted).
bool isServiceCode(const ServicesDialCodesMap &codes, const QString &number);
// The voicemail number (code + own extension); empty without a code or extension.
QString voicemailNumber(const ServicesDialCodesMap &codes, const QString &ownExtension);

// A forward target as typed: trimmed, an optional "+" then digits, "*" and
// "#" only. False (and `number` untouched) for anything else.
bool normalizeForwardNumber(const QString &typed, QString *number);

// Where a do-not-disturb request goes in each operating mode.
enum class DndRoute { None, DeskPhoneKey, Softphone, PbxService };
DndRoute dndRoute(int appMode);
// The desk-phone key of a request.
inline QString dndKey(bool on)
{
    return on ? QStringLiteral("DNDOn") : QStringLiteral("DNDOff");
}

// How a service button looks.
struct ButtonLook {
    bool on = false;
    bool enabled = false;
    bool visible = false;
    QString toolTip;
    QString accessibleDescription;
    bool operator==(const ButtonLook &o) const
    {
        return on == o.on && enabled == o.enabled && visible == o.visible && toolTip == o.toolTip &&
               accessibleDescription == o.accessibleDescription;
    }
};

// The shown state of the three switchable services. A request only starts a
// change; the report that comes back sets the state. A request waiting for
// its report keeps its button disabled until the report or a timeout.
class ServiceState
{
public:
    enum Service { Dnd = 1, Forward = 2, Fork = 4 };

    // Log-in: forward shown; DND waits for its first report; fork for a mobile number.
    void loggedIn();
    // Everything back to idle: `partial` (softphone lost its registration)
    // leaves forward and fork as they are.
    void reset(bool partial);

    // Reports. Each returns the services whose look may have changed.
    int setDnd(bool on);
    int setForward(bool on, const QString &number);
    int setFork(bool on);
    int setMobileNumber(const QString &number);
    // A PBX report; `dndFromPbx`: "dnd" reports set the DND state too.
    int applyReport(const ServiceStatus &status, bool dndFromPbx);

    // Requests sent (and the forward number that went with one).
    void dndRequested() { dndPending = true; }
    void forkRequested() { forkPending = true; }
    void forwardRequested(const QString &number);
    // No report came for a request: the button is usable again, state kept.
    int reportTimedOut(Service service);

    bool isDndActive() const { return dnd; }
    bool isForwardActive() const { return forward; }
    bool isForkActive() const { return fork; }
    bool isMobileNumberKnown() const { return !mobile.isEmpty(); }
    QString mobileNumber() const { return mobile; }
    // The last number the PBX reported or the client sent.
    QString forwardNumber() const { return lastForward; }
    bool isDndPending() const { return dndPending; }
    bool isForkPending() const { return forkPending; }

    ButtonLook dndLook() const;
    ButtonLook forwardLook() const;
    ButtonLook forkLook() const;

private:
    bool session = false;
    bool dnd = false;
    bool dndKnown = false;
    bool dndPending = false;
    bool forward = false;
    QString lastForward;
    bool fork = false;
    bool forkPending = false;
    QString mobile;
};

} // namespace PbxServices
