// Call handling of the main window: what call handling asks of the window,
// the dial field and keypad, the line buttons and the call shortcuts.
#include "mpgui.h"
#include "mpgui_callshost.h"
#include "session/pbxsession.h"

#include "app/globallogger.h"
#include "calls/callcontrol.h"
#include "calls/callcontrolrules.h"
#include "calls/callevents.h"
#include "calls/calllines.h"
#include "calls/rapidcall.h"
#include "customshortcut.h"
#include "framework/promptservice.h"
#include "messaging/messagingpanel.h"
#include "phone/mpengine.h"
#include "phone/phonebackends.h"
#include "queues/queuescontroller.h"
#include "settings/msettings.h"
#include "settings/msettingsdialog.h"
#include "settings/msettingsstore.h"
#include "widgets/wdgactiveline.h"

#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>

class MPGui::RapidCallHost : public RapidCall::Host
{
public:
    explicit RapidCallHost(MPGui *window) : w(window) {}
    bool copyToCallEnabled() const override { return w->settingsStore->isCopyToCallEnabled(); }
    bool systemShortcutsEnabled() const override { return w->settingsStore->isSystemShortcutsEnabled(); }
    bool dialBlocked() const override
    {
        return w->appMode == MSETTINGS::AppModeSoftphone && w->phones->engine() && !w->phones->isSipRegistered();
    }
    void offerCall(const QString &message, const QString &number) override
    {
        w->openBalloon(message, Balloon::OutgoingCallBaloonInfo(Balloon::CopyToCallBalloon, number, QString()));
    }
    void startExternalCall(const QString &number) override { w->startExternalCall(number); }
    void startCallOrTransfer(const QString &number) override { w->startCallOrTransfer(number); }
    void startAudioCall(const QString &number) override { w->startAudioCall(number); }

private:
    MPGui *w;
};

void MPGui::RapidCallHostDeleter::operator()(RapidCallHost *host) const
{
    delete host;
}

QString MPGui::CallsHost::queueName(const QString &queueId) const
{
    return w->queues ? w->queues->resolveQueueName(queueId) : QString();
}

bool MPGui::CallsHost::queuesPausedAny() const
{
    return w->queues && w->queues->isAnyQueuePaused();
}

void MPGui::CallsHost::pauseAllQueues(bool pause, const QString &reason)
{
    w->pauseAllQueues(pause, reason);
}

bool MPGui::CallsHost::mobileNumberKnown() const
{
    return w->messaging && w->messaging->serviceState().isMobileNumberKnown();
}

QWidget *MPGui::CallsHost::dialogParent() const
{
    return w;
}

QString MPGui::CallsHost::windowTitle() const
{
    return w->windowTitleText;
}

QSystemTrayIcon *MPGui::CallsHost::tray() const
{
    return w->trayIcon;
}

void MPGui::CallsHostDeleter::operator()(CallsHost *host) const
{
    delete host;
}

void MPGui::createRapidCall()
{
    rapidHost.reset(new RapidCallHost(this));
    rapid = new RapidCall(edtCallerNumber, *callLookup, session->serviceCodes(), *rapidHost, this);
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
    if (control)
        control->onNumPadClicked(sender());
}

void MPGui::phoneTxtEnterKeyClicked()
{
    if (rapid)
        rapid->phoneTxtEnterKeyClicked();
}

void MPGui::clearClicked()
{
    // Clearing the number field is the field's own business.
}

void MPGui::digitClicked(QString digit, QString)
{
    if (control)
        control->actions().digitClicked(digit);
}

void MPGui::onShortcutRequested(QString key)
{
    // The dial field and the search boxes hand the application's shortcut
    // keys over instead of editing with them.
    if (customShortcut *shortcut = shortcutsMap.value(key))
        emit shortcut->activated();
}

// ---------------------------------------------------------------- call actions

void MPGui::hangupCall(qlonglong lineId)
{
    if (control)
        control->actions().hangupCall(lineId);
}

void MPGui::answerIncomingCall(qlonglong lineId, QString)
{
    if (control)
        control->actions().answerIncomingCall(lineId);
}

void MPGui::refuseIncomingCall(qlonglong lineId, QString)
{
    if (control)
        control->actions().refuseIncomingCall(lineId);
}

void MPGui::ignoreIncomingCall(qlonglong lineId, QString)
{
    if (control)
        control->actions().ignoreIncomingCall(lineId);
}

void MPGui::askForParkCall(qlonglong lineId)
{
    if (control)
        control->actions().askForParkCall(lineId);
}

void MPGui::askForHoldCall(qlonglong lineId)
{
    if (control)
        control->actions().askForHoldCall(lineId);
}

void MPGui::askForRecordCall(qlonglong lineId)
{
    if (control)
        control->actions().askForRecordCall(lineId);
}

// ---------------------------------------------------------------- transfers

void MPGui::attendedTransferCall(const QString &toNum, qlonglong lineId)
{
    if (control)
        control->transfers().attendedTransferCall(toNum, lineId);
}

void MPGui::unattendedTransferCall(const QString &toNum, qlonglong lineId)
{
    if (control)
        control->transfers().unattendedTransferCall(toNum, lineId);
}

void MPGui::requestUnTransferEstablishedCall(qlonglong lineId)
{
    if (control)
        control->transfers().requestUnTransferEstablishedCall(lineId);
}

void MPGui::requestTransferEstablishedCall(qlonglong lineId)
{
    if (control)
        control->transfers().requestTransferEstablishedCall(lineId);
}

void MPGui::askForUnTransferEstablishedCall(qlonglong lineId)
{
    if (control)
        control->transfers().askForUnTransferEstablishedCall(lineId);
}

void MPGui::askForTransferEstablishedCall(qlonglong lineId)
{
    if (control)
        control->transfers().askForTransferEstablishedCall(lineId);
}

void MPGui::triggerATransfer()
{
    if (control)
        control->transfers().triggerATransfer();
}

void MPGui::cancelCallTranfer(qlonglong lineId, bool retrieve)
{
    if (control)
        control->transfers().cancelCallTranfer(lineId, retrieve);
}

void MPGui::transferIncomingCall(qlonglong lineId, QString, QString dstCallee)
{
    if (control)
        control->transfers().transferIncomingCall(lineId, dstCallee);
}

void MPGui::handleFastTransfer()
{
    // The line widget that asked names the line.
    const auto *line = qobject_cast<const wdgActiveLine *>(sender());
    if (control && line)
        control->transfers().handleFastTransfer(line->getLineId());
}

void MPGui::onActiveLineClosing(qlonglong)
{
    // The number dialogs are modal and look their line up again when they
    // close; the line's transfer state is reset by the line's close.
}

// ---------------------------------------------------------------- rapid call, copy-to-call, drops

void MPGui::enableSystemShortcuts(bool enable)
{
    if (enable)
        connect(settingsDialog, &MSettingsDialog::sigRapidCallRequested, this, &MPGui::globalCopyForRapidCall,
                Qt::UniqueConnection);
    else
        disconnect(settingsDialog, &MSettingsDialog::sigRapidCallRequested, this, &MPGui::globalCopyForRapidCall);
    onClipboardInactivity();
}

void MPGui::globalCopyForRapidCall()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "RapidCall requested";
    if (!rapid || !clipboard)
        return;
    rapid->setRapidCallPending(true);
    connect(clipboard, &QClipboard::dataChanged, this, &MPGui::onClipboardChanged, Qt::UniqueConnection);
    // The application in front cannot be asked to copy its selection on this
    // platform: the request fails at once.
    onClipboardInactivity();
    logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "RapidCall request failed";
}

void MPGui::onClipboardInactivity()
{
    // Ends the hot-key watch; the copy-to-call hook, when on, stays.
    if (clipboard && !(settingsStore && settingsStore->isCopyToCallEnabled()))
        disconnect(clipboard, &QClipboard::dataChanged, this, &MPGui::onClipboardChanged);
    if (rapid)
        rapid->setRapidCallPending(false);
}

void MPGui::startRapidCall()
{
    if (rapid)
        rapid->startRapidCall();
}

void MPGui::dragEnterEvent(QDragEnterEvent *event)
{
    // Numbers are dropped on the window as text.
    if (event->mimeData() && event->mimeData()->hasText())
        event->acceptProposedAction();
}

void MPGui::dropEvent(QDropEvent *event)
{
    if (rapid && event->mimeData() && event->mimeData()->hasText())
        rapid->dropText(event->mimeData()->text());
}

void MPGui::onDropCallToCallList(QDropEvent *) {}

void MPGui::onDropCallToContactTable(QDropEvent *) {}

void MPGui::updateLinesButtonStatus()
{
    if (calls)
        calls->updateLinesButtonStatus();
}

void MPGui::hangupActiveCall()
{
    if (control)
        control->actions().hangupActiveCall();
}

void MPGui::holdActiveCall()
{
    if (control)
        control->actions().holdActiveCall();
}

void MPGui::retrieveHoldCall()
{
    if (control)
        control->actions().retrieveHoldCall();
}

void MPGui::requestCancelTransfer()
{
    if (control)
        control->actions().requestCancelTransfer();
}

void MPGui::onUTransferShortcut()
{
    if (control)
        control->transfers().onUTransferShortcut();
}

void MPGui::onUTransferDlgShortcut()
{
    if (control)
        control->transfers().onUTransferDlgShortcut();
}

void MPGui::onATransferShortcut()
{
    if (control)
        control->transfers().onATransferShortcut();
}

void MPGui::onATransferDlgShortcut()
{
    if (control)
        control->transfers().onATransferDlgShortcut();
}

void MPGui::startCall(QString number, CTILIB::NumberOutgoingPrefix type)
{
    if (control)
        control->startCall(number, type);
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
    if (control)
        control->startCallOrTransfer(number);
}

void MPGui::startAudioCall(QString number)
{
    if (control)
        control->startAudioCall(number);
}

void MPGui::triggerRecActiveCall()
{
    if (control)
        control->actions().triggerRecActiveCall();
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
    // With a softphone engine its calls are hung up and the engine is shut
    // down; without one the desk-phone driver goes. Nothing is sent to the
    // desk phone or the PBX.
    if (MPEngine *engine = phones ? phones->engine() : nullptr) {
        // The engine's reports of the calls it hangs up now reach nobody.
        for (QObject *receiver : {static_cast<QObject *>(this), static_cast<QObject *>(events),
                                  static_cast<QObject *>(calls), static_cast<QObject *>(control)}) {
            if (receiver)
                disconnect(engine, nullptr, receiver, nullptr);
        }
        if (calls) {
            for (qint64 line : calls->ringingLines().keys())
                engine->hangupAudioCall(int(line));
            for (qint64 line : calls->activeLines().keys())
                engine->hangupAudioCall(int(line));
        }
        if (engine->isShutdownInProgress())
            logLine(UNQL::LOG_CRITICAL)
                << Q_FUNC_INFO
                << "MPEngine shutdown is in progress, skipping double MPEngine deinitialization "
                   "to avoid crash...";
        else
            phones->releasePhoneEngine();
    } else if (phones) {
        phones->resetPhoneApi();
    }
    removeAllLines();
}
