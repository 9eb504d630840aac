// The phones' call reports and what sits beside the call pipeline: the
// softphone engine's and the desk phone's call events (joined with the CTI
// server's reports by the call lines), the engine's SIP errors with their
// texts and tones, the question asked before a new call while another line
// is live, the retrieve request of a held line, and the PBX's channel-status
// and park notices.
#pragma once

#include "ctilibtypes.h"
#include "settings/msettings.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class CallLines;
class CallPhones;
class CtiLib;
class CustomLineEdit;
class MPEngine;
class PhoneApi;
class QSystemTrayIcon;
class QWidget;
class wdgActiveLine;

class CallEvents : public QObject
{
    Q_OBJECT
public:
    // What only the window answers: the parent of the questions and the
    // first part of their titles, and the tray icon notices are shown by.
    class Host
    {
    public:
        virtual ~Host() = default;
        virtual QWidget *dialogParent() const = 0;
        virtual QString windowTitle() const = 0;
        virtual QSystemTrayIcon *tray() const = 0;
    };

    // `mode`: the window's operating mode, fixed for its life. The PBX's
    // channel-status and park notices come from `cti`; each softphone engine
    // and desk-phone driver `phones` makes is handed in by attachEngine() and
    // attachDeskPhone(). `lines`, `cti`, `phones` and `host` outlive this
    // object.
    CallEvents(CallLines &lines, CustomLineEdit *numberField, MSETTINGS::AppMode mode, CtiLib &cti,
               const CallPhones &phones, Host &host, QObject *parent = nullptr);

    // A new softphone engine or desk-phone driver: its call reports, hold
    // confirmations, call durations and microphone levels come here and to
    // the call lines from now on.
    void attachEngine(MPEngine *engine);
    void attachDeskPhone(PhoneApi *api);

    // --- the softphone engine's reports (softphone mode only)
    void onSipIncomingCall(qlonglong lineId, const QString &remoteNum, const QString &remoteName);
    void onSipOutgoingCall(int lineId, const QString &remoteNum);
    void onSipCallEstablished(int lineId);
    void onSipCallFinished(int lineId);
    void onSipCallCanceled(int lineId);
    void onSipChangeOnHoldStatusFailed(qlonglong lineId);
    void onSipError(int lineId, int code, const QString &msg);

    // --- the desk phone's reports (desk-phone mode with a driver only)
    void onPApiIcomingCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId);
    void onPApiOutgoingCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId);
    void onPApiCallEstablished(const QString &remoteNum, const QString &remoteName, qlonglong lineId);
    void onPApiCallFinished(const QString &remoteNum, const QString &remoteName, qlonglong lineId);
    void onPApiMissedCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId);

    // --- hold, retrieve and the lines already live
    void onRestartHoldLineRequested(qlonglong lineId);
    // Before a new or answered call: asks the user (when `askUser`) and puts
    // the live lines on hold, or hangs up one still starting. With
    // `skipTransferring` a line in transfer is left alone. 0 to go on, -1
    // when the user declined.
    int anotherCallAlert(bool askUser, bool skipTransferring);

    // --- notices of the PBX
    void onChannelStatusRecvd(const ChannelStatus &status);
    void recvdParkCallNotify(const QString &party, const QString &room, const QString &timeout);
    void sipEngineErrorMessageReceived(int code);
    void onDisconnectedCall(qlonglong lineId, bool keepActive);

signals:
    // A missed call to announce (the PBX would not announce it itself).
    void missedCallNotification();

private:
    bool softphoneReady(const char *where) const;
    bool deskPhoneReady(const char *where) const;
    MSETTINGS::AppMode mode() const { return appMode; }
    MPEngine *engine() const;
    PhoneApi *deskPhone() const;
    // An active line's timers ask the engine for its duration and level.
    void onActiveLineOpened(wdgActiveLine *line);
    QString dialogTitle(const QString &own) const;
    void emulateMissedCallNotice();
    void clearNumberPlaceholder();
    // The consultation call of an attended transfer under way.
    void noteConsultationCall(qlonglong lineId, const QString &number);

    QPointer<CallLines> lines;
    QPointer<CustomLineEdit> numberField;
    const MSETTINGS::AppMode appMode;
    CtiLib &ctiClient;
    const CallPhones &phones;
    Host &host;
};
