// Call handling of the main window: the CTI server's call events, the dial
// field and keypad, the line buttons and the call shortcuts.
#include "mpgui.h"

#include "calllines.h"
#include "customshortcut.h"
#include "globallogger.h"

void MPGui::onCtisIncomingCall(const IncomingCallEvent &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onCtisOutgoingCall(const OriginateCallEvent &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onCtisCallEstablished(const AnsweredCallEvent &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onCtisCallFinished(const FinishedCallEvent &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onCtisMissedCall(const MissedCallEvent &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onCtisColpUpdate(const ColpUpdateEvent &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onCtisCallLocalInfoUpdate(const CallLocalInfoUpdateEvent &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::recvdParkCallNotify(const QString &, const QString &, const QString &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onChannelStatusRecvd(const ChannelStatus &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onLineButtonClicked()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onLineStatusChanged()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onNumPadClicked()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::phoneTxtEnterKeyClicked()
{
    logNotYetHandled(Q_FUNC_INFO);
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
    logNotYetHandled(Q_FUNC_INFO);
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
