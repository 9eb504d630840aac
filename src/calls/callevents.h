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

#include <functional>
#include <utility>

class CallLines;
class CtiLib;
class CustomLineEdit;
class MPEngine;
class PhoneApi;
class QSystemTrayIcon;
class QWidget;

class CallEvents : public QObject
{
    Q_OBJECT
public:
    // What the events read of the rest of the window when they arrive.
    // Unset hooks answer "absent".
    struct Hooks {
        std::function<MSETTINGS::AppMode()> mode;
        std::function<MPEngine *()> engine;
        std::function<PhoneApi *()> deskPhone;
        std::function<CtiLib *()> cti;
        std::function<QWidget *()> window;       // parent of the questions
        std::function<QString()> windowTitle;    // first part of their titles
        std::function<QSystemTrayIcon *()> tray; // where notices are shown
        // The names of the hooks left unset; the window sets every one.
        QStringList unset() const
        {
            const std::pair<bool, const char *> all[] = {
                {bool(mode), "mode"}, {bool(engine), "engine"}, {bool(deskPhone), "deskPhone"},
                {bool(cti), "cti"},   {bool(window), "window"}, {bool(windowTitle), "windowTitle"},
                {bool(tray), "tray"}};
            QStringList names;
            for (const auto &h : all) {
                if (!h.first)
                    names << QLatin1String(h.second);
            }
            return names;
        }
    };

    CallEvents(CallLines *lines, CustomLineEdit *numberField, QObject *parent = nullptr);

    void setHooks(const Hooks &hooks) { env = hooks; }
    const Hooks &hooks() const { return env; }

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
    MSETTINGS::AppMode mode() const;
    MPEngine *engine() const;
    PhoneApi *deskPhone() const;
    QString dialogTitle(const QString &own) const;
    void emulateMissedCallNotice();
    void clearNumberPlaceholder();
    // The consultation call of an attended transfer under way.
    void noteConsultationCall(qlonglong lineId, const QString &number);

    QPointer<CallLines> lines;
    QPointer<CustomLineEdit> numberField;
    Hooks env;
};
