#include "queuescontroller.h"

#include "app/globallogger.h"
#include "ctilib.h"
#include "dlgreportthreshold.h"
#include "framework/promptservice.h"
#include "mainwindow/session/pbxsession.h"
#include "mspmainwidget.h"
#include "settings/msettingsstore.h"
#include "wdgqueues.h"
#include "widgets/mainwindowicons.h"
#include "widgets/mpguiassets.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>

QueuesController::QueuesController(CtiLib &cti, PbxSession &session, MSettingsStore *settings,
                                   MctiExtenMap &extensionRecords, const Widgets &widgets,
                                   const MainWindowIcons &windowIcons, QObject *parent)
    : QObject(parent), ctiLib(cti), settings(settings), extensions(extensionRecords), ui(widgets), icons(windowIcons)
{
    setObjectName(QStringLiteral("queuesController"));
    pauseAllWatchdog.setObjectName(QStringLiteral("pauseAllWatchdogTimer"));
    pauseAllWatchdog.setParent(this);
    pauseAllWatchdog.setSingleShot(true);
    pauseAllWatchdog.setInterval(10000);
    connect(&pauseAllWatchdog, &QTimer::timeout, this, &QueuesController::onPauseAllTimeout);
    ui.queuesCountFrame->hide();
    ui.showQCallsCountAction->setEnabled(false);
    showNoQueueStatus();
    // The queue tab comes back for queue members.
    const int queueTab = ui.tabContactsWidget->indexOf(ui.queueTabWidget);
    if (queueTab >= 0)
        ui.tabContactsWidget->removeTab(queueTab);

    connect(&session, &PbxSession::started, this, &QueuesController::onSessionStarted);
    connect(&session, &PbxSession::ended, this, &QueuesController::onSessionEnded);
    connect(&cti, &CtiLib::sigCCReportSucceded, this, &QueuesController::onCCReportSucceded);
    connect(&cti, &CtiLib::sigCCReportFailure, this, &QueuesController::onCCReportFailed);

    connect(ui.btnSVP, &QPushButton::clicked, this, &QueuesController::onSupervisorPanelTrigger);
    connect(ui.btnPauseAll, &QPushButton::clicked, this, [this] { togglePauseQs(); });
    connect(ui.queuesGui, &wdgQueues::sigQueuesCountChanged, this, &QueuesController::onQueuesCountChanged);
    connect(ui.queuesGui, &wdgQueues::sigSetOperatorsPaused, this, &QueuesController::onQueuePauseStatusUpdateRequest);
    connect(ui.reportAction, &QAction::triggered, this, &QueuesController::createCCReport);
    connect(ui.pauseAllAction, &QAction::triggered, this, [this] { togglePauseQs(); });
    connect(ui.showQCallsCountAction, &QAction::triggered, this, &QueuesController::onShowQCallsCount);
}

QueuesController::~QueuesController()
{
    delete reportDialog.data();
    if (supervisorPanel) {
        supervisorPanel->disconnect();
        supervisorPanel->close();
        delete supervisorPanel;
    }
    for (const QPointer<MspMainWidget> &pending : qAsConst(releasedPanels))
        delete pending.data();
}

void QueuesController::onOperatorStatusChanged(const QString &extension)
{
    if (supervisorPanel)
        supervisorPanel->onQueueOperatorStatusChanged(extension);
}

void QueuesController::onExtenListRebuilt()
{
    if (supervisorPanel && SessionRules::isQueueMember(queueRole))
        supervisorPanel->refreshOperatorsView();
}

bool QueuesController::clientConnected() const
{
    return ctiLib.isConnected();
}

void QueuesController::showNoQueueStatus()
{
    ui.lblQueueStatus->setText(tr("Stato Code: N/D"));
    ui.lblLedQueueStatus->setPixmap(MPGUI::ledPixmap(icons.ledGrayIcon, QStringLiteral(":/images/led_gray.png")));
}

bool QueuesController::pauseAllQueues(bool pause, const QString &reason)
{
    if (!SessionRules::isQueueMember(queueRole))
        return false;
    if (!clientConnected())
        return false;
    ctiLib.pauseQueues(pause, QString(), reason, QString());
    return true;
}

bool QueuesController::isPauseOnLogoffDue() const
{
    return settings && settings->isPauseOnLogoffRequired() && SessionRules::isQueueMember(queueRole) && !anyQueuePaused;
}

void QueuesController::releaseSupervisorPanel()
{
    if (!supervisorPanel)
        return;
    MspMainWidget *old = supervisorPanel;
    supervisorPanel = nullptr;
    old->disconnect();
    old->close();
    old->deleteLater();
    releasedPanels << QPointer<MspMainWidget>(old);
}

void QueuesController::initSupervisorPanel()
{
    releaseSupervisorPanel();
    if (!settings)
        return;
    supervisorPanel = new MspMainWidget(ctiLib, &extensions, settings->getConfig(), nullptr);
    supervisorPanel->setMinimumSize(950, 650);
    supervisorPanel->resize(1024, 768);
    supervisorPanel->updateLogoFile(QStringLiteral(":/images/velora-pbx-CCenter.png"));
    supervisorPanel->updateThresholdLists(settings->getAnswCallsTimeThresholdList(),
                                          settings->getLostCallsTimeThresholdList());
    if (ui.window)
        supervisorPanel->setWindowIcon(ui.window->windowIcon());
    supervisorPanel->setWindowTitle(QStringLiteral("Supervisor Panel"));
    supervisorPanel->hide();

    MspMainWidget *p = supervisorPanel;
    connect(p, &MspMainWidget::sigUpdatedQueuesList, this, &QueuesController::onUpdatedQueuesList);
    connect(p, &MspMainWidget::sigQueueMemberAdded, this, &QueuesController::onQueueMemberAdded);
    connect(p, &MspMainWidget::sigQueueMemberRemoved, this, &QueuesController::onQueueMemberRemoved);
    connect(p, &MspMainWidget::sigQueueMemberPauseChange, this, &QueuesController::onQueuePauseStatusChanged);
    connect(p, &MspMainWidget::sigGlobalAllQueuesCallsCountUpdated, this,
            &QueuesController::onEnqueuedCallsCountChanged);
    connect(p, &MspMainWidget::sigStatsPeriodChanged, this, &QueuesController::onStatsPeriodChanged);
    connect(p, &MspMainWidget::sigQueuePeriodicStatsUpdated, this, &QueuesController::onUpdatedQueuePeriodicStats);
    connect(p, &MspMainWidget::sigResetOperatorStats, this, &QueuesController::onResetOperatorStats);
    connect(p, &MspMainWidget::sigUpdatedLastCall, this, &QueuesController::onUpdatedOperatorLastCall);
    connect(p, &MspMainWidget::sigUpdatedOperatorCompletedCalls, this,
            &QueuesController::onUpdatedOperatorCompletedCalls);
    connect(p, &MspMainWidget::sigQueueCallsStatsUpdated, this, &QueuesController::onUpdatedQueueCallsStats);
}

void QueuesController::onSessionStarted(const SessionRules::SessionStart &session)
{
    const SessionRules::SessionFeatures features = SessionRules::sessionFeatures(session);
    queueRole = session.queueRole;
    ui.queuesGui->setAppMode(session.mode);
    ui.queuesGui->setOwnExtension(ctiLib.getUserExtension());

    if (features.queueStatus) {
        initSupervisorPanel();
        ui.lblQueueStatus->show();
        ui.lblLedQueueStatus->show();
        if (settings) {
            queueCallsCountVisible = settings->isQCallsCountVisible();
            settings->setSupervisorMode(features.supervisorPanel);
        }
        ui.btnSVP->setEnabled(features.supervisorPanel);
        ui.btnSVP->setVisible(features.supervisorPanel);
        ui.btnSVP->setToolTip(features.supervisorPanel ? tr("Pannello supervisore")
                                                       : tr("Pannello supervisore non disponibile"));
    } else {
        ui.lblQueueStatus->hide();
        ui.lblLedQueueStatus->hide();
        ui.btnSVP->setEnabled(false);
        ui.btnSVP->hide();
    }
    ui.reportAction->setEnabled(features.callCenterReport);
    ui.btnPauseAll->setEnabled(false);
    ui.btnPauseAll->hide();
    ui.pauseAllAction->setEnabled(false);
    showNoQueueStatus();
    updateQCallsCount();
}

void QueuesController::onSessionEnded(const SessionRules::SessionEnd &end)
{
    const SessionRules::DisconnectReason &reason = end.reason;
    showNoQueueStatus();
    pauseAllWatchdog.stop();
    ui.pauseAllAction->setEnabled(false);
    ui.reportAction->setEnabled(false);
    ui.btnPauseAll->hide();
    queueRole = SessionRules::QueueRoleNone;
    queueCallsCountVisible = false;
    releaseSupervisorPanel();
    queuePauseMap.clear();
    pendingPauseChanges = 0;
    anyQueuePaused = false;
    allQueuesPaused = false;
    emit pauseStateChanged(false, false);
    // A report that was pending will not come any more.
    pendingReportPath.clear();
    if (reportDialog)
        reportDialog->reject();
    if (reason.isKnown()) {
        const int index = ui.tabContactsWidget->indexOf(ui.queueTabWidget);
        if (index >= 0) {
            ui.tabContactsWidget->removeTab(index);
            const int wanted = ui.tabContactsWidget->tabBar()->sizeHint().width();
            if (ui.tabContactsWidget->minimumWidth() < wanted)
                ui.tabContactsWidget->setMinimumWidth(wanted);
        }
    }
    ui.queuesGui->clear();
    updateQCallsCount();
    checkGlobalPauseState();
}

QString QueuesController::resolveQueueName(const QString &queueId) const
{
    return supervisorPanel ? supervisorPanel->resolveQueueName(queueId) : QString();
}

void QueuesController::getQueueInfo(const QString &name, QueueStatus &out) const
{
    if (!supervisorPanel) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Requested q info for q " << name << " but MSP is not ready yet!";
        return;
    }
    out = supervisorPanel->getQueueInfo(name);
}

// --- memberships and the global pause state ------------------------------------

bool QueuesController::isOwnAccount(const QString &account) const
{
    return supervisorPanel && supervisorPanel->ownIdentityNames().contains(account);
}

void QueuesController::onUpdatedQueuesList(const QMap<QString, QString> &queues)
{
    if (queues.isEmpty()) {
        queuePauseMap.clear();
        ui.queuesGui->clear();
        return;
    }
    for (auto it = queuePauseMap.begin(); it != queuePauseMap.end();) {
        if (!queues.contains(it.key()))
            it = queuePauseMap.erase(it);
        else
            ++it;
    }
    ui.queuesGui->updateQueuesList(queues);
}

void QueuesController::onQueueMemberAdded(const QString &queueId, const QString &account, int)
{
    // Only the user's own memberships make the global queue state.
    if (!isOwnAccount(account))
        return;
    queuePauseMap[queueId][account] = false;
    checkGlobalPauseState();
}

void QueuesController::onQueueMemberRemoved(const QString &queueId, const QString &account)
{
    auto it = queuePauseMap.find(queueId);
    if (it != queuePauseMap.end())
        it->remove(account);
    checkGlobalPauseState();
}

void QueuesController::onQueuePauseStatusChanged(const QString &queueId, const QString &account,
                                                 const QDateTime &lastChange, bool paused)
{
    queuePauseMap[queueId][account] = paused;
    ui.queuesGui->updateOperatorPauseStatus(queueId, account, lastChange, paused);
    checkGlobalPauseState();
}

void QueuesController::checkGlobalPauseState()
{
    if (!clientConnected())
        return;
    const QueueRules::PauseTotals totals = QueueRules::pauseTotals(queuePauseMap);
    setPaused(totals.paused, totals.total);
}

void QueuesController::setPauseAllControlsEnabled(bool enabled)
{
    ui.pauseAllAction->setEnabled(enabled);
    ui.btnPauseAll->setEnabled(enabled);
    if (enabled)
        pauseAllWatchdog.stop();
}

void QueuesController::setPaused(int paused, int total)
{
    allQueuesPaused = paused == total;
    anyQueuePaused = paused > 0;
    const QString counts = QStringLiteral(" (%1/%2)").arg(paused).arg(total);
    const QString pausedTip = tr("Annulla pausa su tutte le code");
    switch (QueueRules::globalPause(paused, total)) {
    case QueueRules::AllActive:
        ui.lblQueueStatus->setText(tr("Stato Code: ATTIVE") + counts);
        ui.pauseAllAction->setChecked(false);
        setPauseAllControlsEnabled(true);
        ui.btnPauseAll->setIcon(QIcon(QStringLiteral(":/images/pausa_icon.png")));
        ui.btnPauseAll->setToolTip(tr("Metti in pausa su tutte le code"));
        ui.btnPauseAll->setAccessibleDescription(tr("Metti in pausa su tutte le code"));
        ui.lblLedQueueStatus->setPixmap(MPGUI::ledPixmap(icons.ledGreenIcon, QStringLiteral(":/images/led_green.png")));
        pendingPauseChanges = 0;
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Pause on queues disabled";
        break;
    case QueueRules::PartlyPaused:
        ui.lblQueueStatus->setText(tr("Stato Code: PARZ.IN PAUSA") + counts);
        ui.pauseAllAction->setChecked(true);
        if (pendingPauseChanges-- <= 1) {
            pendingPauseChanges = qMax(0, pendingPauseChanges);
            setPauseAllControlsEnabled(true);
        }
        ui.btnPauseAll->setIcon(QIcon(QStringLiteral(":/images/play_icon.png")));
        ui.btnPauseAll->setToolTip(pausedTip);
        ui.btnPauseAll->setAccessibleDescription(pausedTip);
        ui.lblLedQueueStatus->setPixmap(
            MPGUI::ledPixmap(icons.ledOrangeIcon, QStringLiteral(":/images/led_orange.png")));
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Pause on queues partially enabled";
        break;
    case QueueRules::AllPaused:
        ui.lblQueueStatus->setText(tr("Stato Code: IN PAUSA") + counts);
        ui.pauseAllAction->setChecked(true);
        setPauseAllControlsEnabled(true);
        ui.btnPauseAll->setIcon(QIcon(QStringLiteral(":/images/play_icon.png")));
        ui.btnPauseAll->setToolTip(pausedTip);
        ui.btnPauseAll->setAccessibleDescription(pausedTip);
        ui.lblLedQueueStatus->setPixmap(MPGUI::ledPixmap(icons.ledRedIcon, QStringLiteral(":/images/led_red.png")));
        pendingPauseChanges = 0;
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Pause on queues enabled";
        break;
    }
    emit pauseStateChanged(allQueuesPaused, anyQueuePaused);
}

void QueuesController::togglePauseQs(const QString &reason)
{
    const bool target = !anyQueuePaused;
    const int pending = QueueRules::pendingChanges(queuePauseMap, target);
    if (!pauseAllQueues(target, reason))
        return; // nothing went out: the controls stay as they are
    pendingPauseChanges = pending;
    if (pending > 0) {
        setPauseAllControlsEnabled(false);
        pauseAllWatchdog.start();
    }
}

void QueuesController::onPauseAllTimeout()
{
    logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "No answer to the pause request on all queues:" << pendingPauseChanges
                               << "changes still pending";
    pendingPauseChanges = 0;
    setPauseAllControlsEnabled(true);
}

void QueuesController::onQueuePauseStatusUpdateRequest(bool pause, const QStringList &accounts, const QString &queueId)
{
    if (!clientConnected())
        return;
    if (!accounts.isEmpty())
        ctiLib.pauseOperators(pause, accounts, QStringLiteral("OperatorRequest"), queueId);
    else
        ctiLib.pauseQueues(pause, QString(), QStringLiteral("OperatorRequest"), queueId);
}

void QueuesController::onQueuesCountChanged(int count)
{
    if (ui.qscrollArea)
        ui.queuesGui->adjustLayout(ui.qscrollArea->viewport()->size());
    checkGlobalPauseState();
    bool changed = false;
    const int index = ui.tabContactsWidget->indexOf(ui.queueTabWidget);
    if (count <= 0) {
        ui.btnPauseAll->setEnabled(false);
        ui.btnPauseAll->hide();
        ui.pauseAllAction->setEnabled(false);
        if (settings)
            settings->setPauseSettingsEnabled(false);
        if (index >= 0) {
            ui.tabContactsWidget->removeTab(index);
            changed = true;
        }
    } else if (QueueRules::isQueueRole(queueRole)) {
        if (ui.btnPauseAll->isHidden()) {
            ui.btnPauseAll->setEnabled(true);
            ui.btnPauseAll->show();
            ui.pauseAllAction->setEnabled(true);
        }
        if (settings)
            settings->setPauseSettingsEnabled(true);
        if (index < 0) {
            ui.tabContactsWidget->addTab(ui.queueTabWidget, icons.queueTabIcon, icons.queueTabText);
            changed = true;
        }
    }
    if (changed) {
        const int wanted = ui.tabContactsWidget->tabBar()->sizeHint().width();
        if (ui.tabContactsWidget->minimumWidth() < wanted)
            ui.tabContactsWidget->setMinimumWidth(wanted);
    }
}

// --- relays to the queues tab ----------------------------------------------------

void QueuesController::onEnqueuedCallsCountChanged(int count)
{
    if (ui.lblQueueCount)
        ui.lblQueueCount->setText(QString::number(count));
}

void QueuesController::onStatsPeriodChanged(const QString &from, const QString &to)
{
    if (ui.lblFromPeriod)
        ui.lblFromPeriod->setText(from);
    if (ui.lblToPeriod)
        ui.lblToPeriod->setText(to);
}

void QueuesController::onUpdatedQueuePeriodicStats(const QString &queueId, int served, double servedMwt,
                                                   double servedMct, int missed, double missedMwt)
{
    ui.queuesGui->updateServedCallsStats(queueId, served, servedMwt, servedMct);
    ui.queuesGui->updateMissedCallsStats(queueId, missed, missedMwt);
}

void QueuesController::onResetOperatorStats(const QString &queueId)
{
    ui.queuesGui->resetOperatorStats(queueId);
}

void QueuesController::onUpdatedOperatorLastCall(const QString &queueId, const QDateTime &lastCall)
{
    ui.queuesGui->updateOperatorLastCall(queueId, lastCall);
}

void QueuesController::onUpdatedOperatorCompletedCalls(const QString &queueId, const QString &operatorNum, int count)
{
    ui.queuesGui->updateOperatorCompletedCalls(queueId, operatorNum, count);
}

void QueuesController::onUpdatedQueueCallsStats(const QString &queueId, int count, const QDateTime &longestWait)
{
    ui.queuesGui->updateEnqueuedCalls(queueId, count, longestWait);
}

// --- counter, panel window, thresholds ----------------------------------------------

void QueuesController::onShowQCallsCount()
{
    queueCallsCountVisible = !queueCallsCountVisible;
    if (settings)
        settings->setQCallsCountVisible(queueCallsCountVisible);
    updateQCallsCount();
}

void QueuesController::updateQCallsCount()
{
    if (QueueRules::isQueueRole(queueRole)) {
        ui.showQCallsCountAction->setEnabled(true);
        ui.showQCallsCountAction->setChecked(queueCallsCountVisible);
    } else {
        ui.showQCallsCountAction->setEnabled(false);
        queueCallsCountVisible = false;
        ui.showQCallsCountAction->setChecked(false);
    }
    ui.queuesCountFrame->setVisible(queueCallsCountVisible);
}

void QueuesController::onSupervisorPanelTrigger()
{
    if (!supervisorPanel)
        return;
    supervisorPanel->show();
    supervisorPanel->setWindowState((supervisorPanel->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    supervisorPanel->raise();
    supervisorPanel->activateWindow();
}

void QueuesController::onSvpThresholdsChanged()
{
    if (!supervisorPanel || !settings)
        return;
    supervisorPanel->updateThresholdLists(settings->getAnswCallsTimeThresholdList(),
                                          settings->getLostCallsTimeThresholdList());
}

// --- the call-centre report --------------------------------------------------------

void QueuesController::createCCReport()
{
    if (!settings)
        return;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Opening dialog to request CallCenter report";
    if (reportDialog) {
        reportDialog->raise();
        reportDialog->activateWindow();
        return;
    }
    auto *dialog = new DlgReportThreshold(nullptr);
    reportDialog = dialog;
    dialog->setDefaultValues(settings->getLastReportPeriod(), settings->getAnswCallsTimeThresholdList(),
                             settings->getLostCallsTimeThresholdList(), settings->getLastReportFileName());
    connect(dialog, &DlgReportThreshold::sigCCReportRequested, this, &QueuesController::onCCReportRequested);
    connect(dialog, &QDialog::accepted, dialog, &QObject::deleteLater);
    connect(dialog, &QDialog::rejected, dialog, &QObject::deleteLater);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->open();
}

void QueuesController::onCCReportRequested(CTILIB::PeriodType period, const QList<int> &answered,
                                           const QList<int> &lost, const QString &file)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "CallCenter report requested";
    QString language = QStringLiteral("EN");
    if (settings) {
        const int id = settings->getLanguageId();
        if (id == 0)
            language = QStringLiteral("IT");
        else if (id == 2)
            language = QStringLiteral("ES");
        settings->saveReportParameters(period, answered, lost, file);
    }
    ui.reportAction->setEnabled(false);
    pendingReportPath = file;
    ctiLib.requestCCReport(period, answered, lost, language, QDateTime(), QDateTime());
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Waiting for CallCenter report...";
}

void QueuesController::onCCReportSucceded(const CallCenterReport &report)
{
    if (pendingReportPath.isEmpty()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "CallCenter report received but none was requested";
        return;
    }
    const QString path = pendingReportPath;
    pendingReportPath.clear();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "CallCenter report succeded, store it at" << path;
    ui.reportAction->setEnabled(true);
    // Written whole or not at all: an existing file is replaced only once
    // every byte is on disk.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        onCCReportFailed(out.errorString());
        return;
    }
    if (out.write(report.data) != report.data.size()) {
        const QString error = out.errorString();
        out.cancelWriting();
        onCCReportFailed(error);
        return;
    }
    if (!out.commit()) {
        onCCReportFailed(out.errorString());
        return;
    }
    prompts().information(ui.window, tr("CallCenter report"),
                          tr("Il report CallCenter richiesto è stato creato in\n%1").arg(path));
}

void QueuesController::onCCReportFailed(const QString &error)
{
    logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "CallCenter report creation failed:" << error;
    pendingReportPath.clear();
    if (ui.reportAction)
        ui.reportAction->setEnabled(true);
    prompts().warning(
        ui.window, tr("CallCenter report"),
        tr("Si è verificato un errore durante la creazione del report CallCenter.\nErrore: %1").arg(error));
}

DlgReportThreshold *QueuesController::reportRequestDialog() const
{
    return reportDialog.data();
}
