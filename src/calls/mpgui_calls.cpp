// Call handling of the main window: the CTI server's call events, the dial
// field and keypad, the line buttons and the call shortcuts.
#include "mainwindow/mpgui.h"

#include "callevents.h"
#include "calllines.h"
#include "mainwindow/customshortcut.h"
#include "app/globallogger.h"
#include "settings/msettings.h"
#include "phone/phonebackends.h"
#include "framework/promptservice.h"

#include <QPushButton>

void MPGui::onCtisIncomingCall(const IncomingCallEvent &event)
{
    if (calls)
        calls->onCtisIncomingCall(event);
}

void MPGui::onCtisOutgoingCall(const OriginateCallEvent &event)
{
    if (calls)
        calls->onCtisOutgoingCall(event);
}

void MPGui::onCtisCallEstablished(const AnsweredCallEvent &event)
{
    if (calls)
        calls->onCtisCallEstablished(event);
}

void MPGui::onCtisCallFinished(const FinishedCallEvent &event)
{
    if (calls)
        calls->onCtisCallFinished(event);
}

void MPGui::onCtisMissedCall(const MissedCallEvent &event)
{
    if (calls)
        calls->onCtisMissedCall(event);
}

void MPGui::onCtisColpUpdate(const ColpUpdateEvent &event)
{
    if (calls)
        calls->onCtisColpUpdate(event);
}

void MPGui::onCtisCallLocalInfoUpdate(const CallLocalInfoUpdateEvent &event)
{
    if (calls)
        calls->onCtisCallLocalInfoUpdate(event);
}

void MPGui::recvdParkCallNotify(const QString &number, const QString &parkRoom, const QString &timeoutSeconds)
{
    if (events)
        events->recvdParkCallNotify(number, parkRoom, timeoutSeconds);
}

void MPGui::onChannelStatusRecvd(const ChannelStatus &status)
{
    if (events)
        events->onChannelStatusRecvd(status);
}

void MPGui::onLineButtonClicked()
{
    // The button that was clicked names the position to show.
    if (!calls)
        return;
    const int position =
        QList<QPushButton *>{btnLine1, btnLine2, btnLine3, btnLine4}.indexOf(qobject_cast<QPushButton *>(sender()));
    if (vLineLayout->count() > 0)
        vLineLayout->setCurrentIndex(position >= 0 && position < vLineLayout->count() ? position : 0);
}

void MPGui::onLineStatusChanged()
{
    if (calls)
        calls->onLineStatusChanged();
}

void MPGui::onNumPadClicked()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::phoneTxtEnterKeyClicked()
{
    startCallOrTransfer(edtCallerNumber->text());
}

void MPGui::clearClicked()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::digitClicked(QString, QString)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onShortcutRequested(QString key)
{
    // The dial field and the search boxes hand the application's shortcut
    // keys over instead of editing with them.
    if (customShortcut *shortcut = shortcutsMap.value(key))
        emit shortcut->activated();
}

void MPGui::attendedTransferCall(QString)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::unattendedTransferCall(QString)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onActiveLineClosing(qlonglong)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onClipboardInactivity()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::startRapidCall()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::updateLinesButtonStatus()
{
    if (calls)
        calls->updateLinesButtonStatus();
}

void MPGui::hangupActiveCall()
{
    if (calls)
        calls->hangupActiveCall();
}

void MPGui::holdActiveCall()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::retrieveHoldCall()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::requestCancelTransfer()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onUTransferShortcut()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onUTransferDlgShortcut()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onATransferShortcut()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onATransferDlgShortcut()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::startCall(QString number, CTILIB::NumberOutgoingPrefix type)
{
    if (calls)
        calls->startCall(number, type);
}

void MPGui::startExternalCall(QString number)
{
    startCall(number, CTILIB::PrefixExternal);
}

void MPGui::startInternalCall(QString number)
{
    startCall(number, CTILIB::PrefixInternal);
}

void MPGui::startCallOrTransfer(QString number)
{
    if (calls)
        calls->startCallOrTransfer(number);
}

void MPGui::startAudioCall(QString number)
{
    if (calls)
        calls->startAudioCall(number);
}

void MPGui::triggerRecActiveCall()
{
    if (calls)
        calls->triggerRecActiveCall();
}

void MPGui::getActiveCallInfo(MctiCallDetails &details)
{
    if (calls)
        calls->getActiveCallInfo(details);
}

void MPGui::displayMissedCallNotification()
{
    tabNotifications |= 1;
    if (!tabAnimTimer.isActive()) {
        setIcon(currentIconValue, true);
        tabAnimTimer.start();
    }
    prompts().showTrayMessage(trayIcon, MSETTINGS::getLongApplicationName(), tr("Nuove chiamate perse"),
                              QSystemTrayIcon::Information, 4000);
}

void MPGui::removeAllLines()
{
    if (calls)
        calls->removeAllLines();
}

void MPGui::hangupAllCalls(bool)
{
    // The softphone engine hangs up its own calls when it is shut down; in
    // the other modes nothing is sent to the phone or the PBX.
    removeAllLines();
}
