// What the call actions and the transfers need of the window, the lines and
// the phone back-ends, as one interface: the real one (CallControl) drives the
// line widgets, the softphone engine, the desk-phone driver and the CTI
// library; tests hand in a fake that records what would have been sent.
#pragma once

#include "settings/msettings.h"

#include <QList>
#include <QString>
#include <QtGlobal>

namespace CallControlRules
{

// The back-end an action goes to.
enum class Route { None, Engine, DeskPhone, Cti };

// The operating mode and which phone back-ends exist right now.
struct Backends {
    MSETTINGS::AppMode mode = MSETTINGS::AppModeCtiOnly;
    bool deskPhone = false; // a desk-phone driver exists
    bool engine = false;    // a softphone engine exists

    // The phone owns the lines: softphone mode, or desk-phone mode with a driver.
    bool phonePath() const
    {
        return mode == MSETTINGS::AppModeSoftphone || (mode == MSETTINGS::AppModeDeskPhone && deskPhone);
    }
    bool softphone() const { return mode == MSETTINGS::AppModeSoftphone && engine; }
    bool deskPhoneDriver() const { return mode == MSETTINGS::AppModeDeskPhone && deskPhone; }
};

} // namespace CallControlRules

// The transfer under way: at most one of the two held lines is set.
struct TransferState {
    qint64 blindLine = -1;   // held, waiting for the target of a blind transfer
    qint64 heldLine = -1;    // held line of an attended transfer
    qint64 consultLine = -1; // the consultation call of that transfer
    QString consultNumber;   // the number dialled for it

    bool pending() const { return blindLine != -1 || heldLine != -1; }
    void reset() { *this = TransferState(); }
    bool operator==(const TransferState &o) const
    {
        return blindLine == o.blindLine && heldLine == o.heldLine && consultLine == o.consultLine &&
               consultNumber == o.consultNumber;
    }
};

// One command for a back-end.
struct CallCommand {
    enum Kind {
        Hangup,           // line
        Answer,           // line
        Refuse,           // line (CTI: the ringing line's call)
        StopRinging,      // line
        Park,             // line
        Hold,             // line
        Retrieve,         // line
        Record,           // line
        Dtmf,             // line, number = the digit
        InitAttended,     // line (desk phone: hold for an attended transfer)
        BlindTransfer,    // line, number (CTI: redirect of the remote channel)
        CompleteTransfer, // line = held line, other = consultation line
        SecondCall,       // line = held line, number
        Redirect,         // line (ringing), number
        FastTransfer,     // line
        Join,             // line = held line, other = active line
        Dial,             // number (a new call from the phone)
    };
    Kind kind = Hangup;
    CallControlRules::Route route = CallControlRules::Route::None;
    qint64 line = -1;
    qint64 other = -1;
    QString number;
};

class CallPort
{
public:
    virtual ~CallPort() = default;

    // --- session and back-ends
    virtual CallControlRules::Backends backends() const = 0;
    // A CTI client object exists and is connected.
    virtual bool ctiConnected() const = 0;
    // Sends a command; false when it was not sent or the back-end refused it.
    virtual bool send(const CallCommand &command) = 0;
    // Softphone line state.
    virtual bool engineLineLive(qint64 line) const = 0; // active or in session progress
    virtual bool engineLineActive(qint64 line) const = 0;

    // --- state
    virtual TransferState transferState() const = 0;
    virtual void setTransferState(const TransferState &state) = 0;
    virtual qint64 currentLine() const = 0;

    // --- lines
    virtual QList<qint64> activeLines() const = 0; // ascending ids
    virtual bool hasActiveLine(qint64 line) const = 0;
    virtual int lineStatus(qint64 line) const = 0; // -1 error ... 3 ended; -2 without widget
    virtual void setLineStatus(qint64 line, int status) = 0;
    virtual void setTransferInProgress(qint64 line, const QString &number) = 0;
    // Hides the line's active widget and its held widget, if any.
    virtual void hideLine(qint64 line) = 0;
    virtual QString remoteChannel(qint64 line) const = 0;
    virtual QString callId(qint64 line) const = 0; // of the active widget
    virtual bool hasRingingLine(qint64 line) const = 0;
    virtual QString ringingCallId(qint64 line) const = 0;
    virtual void closeRingingLine(qint64 line) = 0;
    virtual void hideBalloon(qint64 line) = 0;
    // Held lines, in the order they were put on hold.
    virtual QList<qint64> heldLines() const = 0;
    virtual bool isHeld(qint64 line) const = 0;
    // Ends a line at once (phone path) or closes its widget (CTI path).
    virtual void finalizeCall(qint64 line) = 0;
    virtual void closeActiveLine(qint64 line) = 0;
    // No active line is left: the current line and the transfer are cleared.
    virtual void forgetIfNoActiveLine() = 0;
    // Shows the held display without telling the back-end.
    virtual void showAsHeld(qint64 line) = 0;
    // Places the consultation call of an attended transfer.
    virtual void startAudioCall(const QString &number) = 0;
    // 0 go on, non-zero the user declined (another call is live).
    virtual int anotherCallAlert(bool askUser, bool skipTransferring) = 0;

    // --- directory
    virtual bool isExtension(const QString &number) const = 0;
    virtual bool isExtensionBusy(const QString &number) const = 0; // busy-lamp state 2

    // --- the user
    virtual void promptForTarget() = 0; // tool tip, placeholder, focus on the number field
    virtual void clearPlaceholder() = 0;
    virtual void clearNumberField() = 0;
    // The busy prompt: true to go on.
    virtual bool confirmBusyTarget(const QString &number) = 0;
    enum class NumberDialog { BlindTransfer, AttendedTransfer, Forward };
    // One of the number dialogs: false when cancelled.
    virtual bool askNumber(NumberDialog dialog, QString *number) = 0;
    // A notice to the user (desk phone refused, engine refused).
    virtual void showError(qint64 line, const QString &text) = 0;
};
