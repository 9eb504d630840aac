// The call lines of the main window: the dial field and call button, the four
// line buttons, the stack of line widgets, the per-call records, the join of
// the CTI server's reports with the phone's, and the call pipeline (incoming,
// outgoing, answered, finished) with its balloons and automatic actions.
#pragma once

#include "automaticactions.h"
#include "callport.h"
#include "callrules.h"
#include "ctilibtypes.h"
#include "mainwindow/session/sessionrules.h"
#include "mcticalldetails.h"
#include "pendingcalls.h"
#include "settings/mctiaction.h"
#include "settings/msettings.h"
#include "widgets/balloon.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSharedPointer>
#include <QStringList>
#include <QTimer>

#include <map>

class BalloonBoard;
class CallPhones;
class CtiLib;
class CustomLineEdit;
class MSettingsStore;
class PbxSession;
class QPushButton;
class QStackedWidget;
class QWidget;
class wdgActiveLine;
class wdgBalloonMessage;
class wdgIncomingCallLine;
class wdgOnHoldLine;

// The contact found for a number.
struct ContactDetails {
    QString name;
    QString company;
    QString unit;
};

// What call handling asks of the directories: whether a number is one of the
// PBX's extensions, and the contact of a number (null when none knows it).
class CallDirectory
{
public:
    virtual ~CallDirectory() = default;
    virtual bool isExtension(const QString &number) const = 0;
    virtual QSharedPointer<ContactDetails> resolveContactNumber(const QString &number) const = 0;
    // The busy-lamp state of an extension; -1 when unknown.
    virtual int blfState(const QString &number) const = 0;
};

class CallLines : public QObject
{
    Q_OBJECT
public:
    using RingingLine = wdgIncomingCallLine;
    using ActiveLine = wdgActiveLine;
    using BalloonWidget = wdgBalloonMessage;
    using HeldLine = wdgOnHoldLine;

    // The main form's widgets this object drives.
    struct Widgets {
        CustomLineEdit *edtCallerNumber = nullptr;
        QPushButton *btnStartAudioCall = nullptr;
        QList<QPushButton *> lineButtons;      // btnLine1 to btnLine4
        QWidget *wdgLines = nullptr;           // their container, restyled on change
        QStackedWidget *vLineLayout = nullptr; // the stack of line widgets
        QWidget *lineParent = nullptr;         // parent of new line widgets (the window)
        BalloonBoard *balloons = nullptr;      // the window's open balloons
    };
    // What only the window answers when an event or action arrives: the
    // queues' names and pause state (the supervisor panel and the queues are
    // made after the call lines), and whether the PBX knows the user's
    // mobile number.
    class Host
    {
    public:
        virtual ~Host() = default;
        // The name of a queue by its id; empty when unknown.
        virtual QString queueName(const QString &queueId) const = 0;
        virtual bool queuesPausedAny() const = 0;
        virtual void pauseAllQueues(bool pause, const QString &reason) = 0;
        virtual bool mobileNumberKnown() const = 0;
    };

    // `mode`: the window's operating mode, fixed for its life. `session`
    // tells whether the user is logged in and what the PBX allows; `cti` is
    // the CTI client whose call reports this object handles; `phones` the
    // phone back-end in use; `directory` tells extensions and contacts
    // apart; `serviceCodes` are the session's service dial codes. All of
    // them and `host` outlive this object.
    CallLines(const Widgets &widgets, MSETTINGS::AppMode mode, MSettingsStore &settings, const PbxSession &session,
              CtiLib &cti, const CallPhones &phones, const CallDirectory &directory,
              const ServicesDialCodesMap &serviceCodes, Host &host, QObject *parent = nullptr);
    ~CallLines() override;

    // --- state (diagnostics and tests)
    const QMap<qint64, RingingLine *> &ringingLines() const { return incomingLinesMap; }
    const QMap<qint64, ActiveLine *> &activeLines() const { return activeLinesMap; }
    const QMap<qint64, MctiCallDetails> &callRecords() const { return callDetailsMap; }
    PendingCalls &pendingIncoming() { return pendingIncomingCalls; }
    PendingCalls &pendingOutgoing() { return pendingOutgoingCalls; }
    PendingCalls &pendingAnswered() { return pendingAnsweredCalls; }
    const CallRules::RingingCounters &ringingCounters() const { return counters; }
    qint64 currentLine() const { return m_currentCallLine; }
    // Held lines by line id, and their ids in the order they were held.
    const QMap<qint64, HeldLine *> &heldLines() const { return onHoldLinesMap; }
    const QList<qint64> &heldOrder() const { return onHoldLinesList; }
    qint64 blindTransferLine() const { return m_utransferline; }
    BalloonWidget *balloon(Balloon::BalloonType type, qint64 lineId) const;
    int balloonCount() const;
    // The stack shows at most one line widget per line button, and at most
    // as many call balloons are open at once. A ringing call that finds every
    // place taken keeps its record and its count but gets no widget and no
    // balloon; it is shown, oldest first, once a place frees up.
    static constexpr int MaxShownLines = 4;
    static constexpr int MaxCallBalloons = 4;
    // Ringing calls waiting for a place in the stack.
    int waitingRingingCount() const { return int(waitingRinging.size()); }
    bool isRingingWaiting(qint64 lineId) const { return waitingRinging.contains(lineId); }
    bool hasQueuePauseFor(qint64 lineId) const { return queuePausedLines.contains(lineId); }

    // The attended transfer under way, as the transfer actions set it: the
    // held line and the consultation call (-1 for none) with its number.
    void setAttendedTransfer(qint64 heldLine, qint64 consultationLine, const QString &number = QString())
    {
        m_atransferline = heldLine;
        m_lineToTransferTo = consultationLine;
        m_numToTransferTo = number;
    }
    qint64 attendedTransferLine() const { return m_atransferline; }
    qint64 unattendedTransferLine() const { return m_utransferline; }
    // The stack of line widgets (booked lines are added to it from outside).
    QStackedWidget *lineStack() const { return ui.vLineLayout; }
    qint64 consultationLine() const { return m_lineToTransferTo; }
    // The whole transfer state, as the transfer actions read and set it.
    TransferState transferState() const;
    void setTransferState(const TransferState &state);

    // --- line ids and the line stack
    qint64 getLineIdFromChannel(const QString &channel) const;
    qint64 getLineIdFromLocalChannel(const QString &channel) const;
    qint64 findLineIdForChannel(const QString &channel, bool local, bool remote) const;
    bool isCtiOwned() const;
    bool isExtenNum(const QString &number) const;
    bool isMServiceCode(const QString &number) const;
    QStringList getAccountNames() const;

    // --- the pipeline
    void processIncomingCall(qlonglong lineId, const QString &uid, const QString &remoteNum, const QString &remoteName,
                             const QString &remoteChannel, const QString &calledNum, const QString &localChannel,
                             CTILIB::CallAttributeFlags flags, const QString &queueName, const QString &groupName);
    void processOutgoingCall(qlonglong lineId, const QString &uid, const QString &remoteNum, const QString &remoteName,
                             const QString &calledNum, const QString &localChannel, int status);
    void processAnsweredCall(qlonglong lineId, const QString &uid, const QString &callerAccount,
                             const QString &calleeAccount, const QString &remoteNum, const QString &remoteName,
                             const QString &remoteChannel, const QString &calledNum, const QString &localChannel,
                             bool isCallee);
    void finalizeCall(qlonglong lineId);
    void closeWdgIncomingLine(qlonglong lineId);
    void closeWdgActiveLine(qlonglong lineId, bool removeActiveWdg);
    void removeAllLines();
    void updateLineLocalInfo(qlonglong lineId, const QString &localChannel);
    void updateLineRemoteInfo(qlonglong lineId, const QString &remoteNum, const QString &remoteName,
                              const QString &remoteChannel = QString());
    QPair<QString, QString> getRemoteNumNameFromLineId(qlonglong lineId) const;
    // The balloon of a ringing call a phone reported before the CTI server.
    void processIncomingCallForBalloon(qlonglong lineId, const QString &remoteNum, const QString &remoteName,
                                       CTILIB::CallAttributeFlags flags);
    // The headset asks to answer a ringing line.
    void answerIncomingCallRequested(qlonglong lineId);
    // True while an active line exists; otherwise the current line and the
    // transfer state are cleared.
    bool checkForActiveCalls();

    // --- the CTI server's call reports
    void onCtisIncomingCall(const IncomingCallEvent &event);
    void onCtisOutgoingCall(const OriginateCallEvent &event);
    void onCtisCallEstablished(const AnsweredCallEvent &event);
    void onCtisCallFinished(const FinishedCallEvent &event);
    void onCtisMissedCall(const MissedCallEvent &event);
    void onCtisColpUpdate(const ColpUpdateEvent &event);
    void onCtisCallLocalInfoUpdate(const CallLocalInfoUpdateEvent &event);

    // --- the phone's call reports (softphone engine, desk-phone driver):
    // each joins the CTI server's report of the same call, or waits for it
    // and shows the line with the phone's data meanwhile.
    // `balloon`: the softphone shows its balloon at once, the desk phone
    // waits for the CTI server's report.
    void phoneIncomingCall(qlonglong lineId, const QString &remoteNum, const QString &remoteName, bool balloon = true);
    void phoneOutgoingCall(qlonglong lineId, const QString &number, const QString &remoteName = QString());
    void phoneCallEstablished(qlonglong lineId, const QString &remoteNum, const QString &remoteName);

    // --- actions on the current call
    void getActiveCallInfo(MctiCallDetails &details) const;

    // --- automatic actions
    void triggerAutomaticActions(MctiAction::MEvent event, const QString &callerNum, const QString &callerName,
                                 const QString &uid, const QString &companyName, const QString &unitName,
                                 const QString &calledNum, const QString &queueName, const QString &groupName);

    // The engine's report of a line's call duration, shown by its active
    // widget and by its held widget; its microphone level, shown by the
    // active widget. A line without widgets shows nothing.
    void showCallDuration(qlonglong lineId, int seconds);
    void showOutgoingPeakLevel(qlonglong lineId, int level);

    // Refreshes the properties of the four line buttons.
    void updateLinesButtonStatus();

    // --- hold and retrieve, as the phone confirms them: `active` true, the
    // line is in conversation again; false, it is on hold. The held widget
    // and the active one swap places in the stack.
    void onLineOnHoldChanged(qlonglong lineId, bool active);
    // Takes a line widget out of the stack; its position, -1 when absent.
    int removeLineWdg(QWidget *w);
    // Puts a line widget at `index` of the stack (at the end for -1) and
    // shows it.
    void addLineWdg(QWidget *w, int index);

public slots:
    void onSessionStarted(const SessionRules::SessionStart &session);
    void onSessionEnded();
    void onLineStatusChanged();
    void hideBaloon(qlonglong lineId);
    // An active line's error display is over: its widget goes.
    void onErrorCallTimerElapsed();

signals:
    // The retrieve button of a held line.
    void retrieveRequested(qlonglong lineId);
    // The clipboard has not changed for a while (copy-to-call).
    void clipboardInactive();
    // New missed calls to announce.
    void missedCallNotification();
    // A line widget is closing.
    void closingIncomingLineWidget(qlonglong lineId);
    void closingActiveLineWidget(qlonglong lineId);
    // A line widget or a call balloon was made, for the call actions to
    // connect its buttons.
    void activeLineOpened(wdgActiveLine *line);
    void ringingLineOpened(wdgIncomingCallLine *line);
    void balloonOpened(wdgBalloonMessage *balloon);
    // The headset asks to answer a ringing call that waits for a place in
    // the stack (one shown is answered by its widget).
    void answerRequested(qlonglong lineId);
    // A line's connected party changed (the desk phone's driver follows it).
    void lineRemoteChanged(qlonglong lineId, const QString &remoteNum, const QString &remoteName);

private:
    struct Party {
        bool isExtension = false;
        QString lookupNumber;
        QString displayName;
        QString company;
        QString unit;
    };
    Party resolveParty(const QString &remoteNum, const QString &remoteName) const;
    // The caller of a ringing call: display number (outside prefix gone for
    // callers that are no extension), shown name, company and unit.
    struct Caller {
        bool fromExtension = false;
        QString displayNum;
        QString shownName;
        QString company;
        QString unit;
    };
    Caller presentCaller(const QString &remoteNum, const QString &remoteName, CTILIB::CallAttributeFlags flags) const;
    QSharedPointer<ContactDetails> resolveContactNumber(const QString &number) const;
    MSETTINGS::AppMode mode() const { return appMode; }
    bool hasDeskPhone() const;
    bool hasEngine() const;
    QString outsidePrefix() const;
    QString maskedName(const QString &name, const QString &number) const;
    bool accountAccepted(const QString &account, bool strictMembership) const;
    // The same, logging the refusal (what the report was) at `where`.
    bool accountAccepted(const QString &account, bool strictMembership, const char *where, const char *refusal) const;

    // Null when the call waits for a place in the stack.
    RingingLine *openIncomingLineWdg(qlonglong lineId, const QString &callId, const QString &remoteName,
                                     const QString &remoteNum, CTILIB::CallAttributeFlags flags,
                                     const QString &remoteChannel, const QString &localChannel,
                                     const QString &queueName, const QString &groupName);
    void displayIncomingCallBalloon(qlonglong lineId, const QString &remoteNum, const QString &callerName,
                                    const QString &displayNum, bool isClickToCall, const QString &additionalLabel,
                                    const QString &additionalInfo);
    BalloonWidget *openBalloon(const QString &message, const Balloon::IncomingCallBaloonInfo &info);
    ActiveLine *openActiveLineWdg(qlonglong lineId, const QString &callId, const QString &remoteNum,
                                  const QString &remoteName, int status, const QString &remoteChannel,
                                  const QString &localChannel, const QString &queueName, const QString &groupName);
    void setupActiveLine(ActiveLine *line, int index);
    // True while the stack has no place for a new ringing line.
    bool stackFull() const;
    int openCallBalloons() const;
    // Forgets a waiting ringing call; false when it was not waiting.
    bool dropWaitingRinging(qint64 lineId);
    // Shows waiting ringing calls in the places freed since, a moment later
    // (a burst of calls that end frees and fills places once, not per call).
    void schedulePromotion();
    void promoteWaitingRinging();
    // The line buttons' text and hint for the waiting calls.
    void showWaitingCount();
    int takeOutOfStack(QWidget *w);
    void activateLineWdg(QWidget *w);
    void resetTransferFlags(qlonglong lineId);
    void resetAllTransferFlags();
    void lineEnded(qlonglong lineId);
    void closeHeldLine(qlonglong lineId);
    AutomaticActions::Gates gates(int event) const;

    Widgets ui;
    const MSETTINGS::AppMode appMode;
    QPointer<MSettingsStore> settings;
    const PbxSession &session;
    CtiLib &ctiClient;
    const CallPhones &phones;
    const CallDirectory &dir;
    const ServicesDialCodesMap &serviceCodes;
    Host &host;

    QMap<qint64, ActiveLine *> activeLinesMap;
    QMap<qint64, RingingLine *> incomingLinesMap;
    QMap<qint64, HeldLine *> onHoldLinesMap;
    QList<qint64> onHoldLinesList;
    QMap<qint64, MctiCallDetails> callDetailsMap;
    PendingCalls pendingIncomingCalls;
    PendingCalls pendingAnsweredCalls;
    PendingCalls pendingOutgoingCalls;
    qint64 m_currentCallLine = -1;
    qint64 m_utransferline = -1;
    qint64 m_atransferline = -1;
    qint64 m_lineToTransferTo = -1;
    QString m_numToTransferTo;
    CallRules::RingingCounters counters;
    // Lines for which call handling paused the queues.
    QList<qint64> queuePausedLines;
    QTimer clipboardInactivityTimer;
    // A ringing call waiting for a place: what its widget will be built from.
    struct WaitingRinging {
        quint64 order = 0;
        QString callId;
        QString remoteName;
        QString remoteNum;
        CTILIB::CallAttributeFlags flags;
        QString remoteChannel;
        QString localChannel;
        QString queueName;
        QString groupName;
    };
    QHash<qint64, WaitingRinging> waitingRinging;
    std::map<quint64, qint64> waitingOrder; // arrival order -> line id
    quint64 nextWaitingOrder = 0;
    QTimer promotionTimer;
};
