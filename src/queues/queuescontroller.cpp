#include "queuescontroller.h"

#include "ctilib.h"
#include "mainwindowicons.h"
#include "mpguiassets.h"
#include "msettingsstore.h"
#include "mspmainwidget.h"
#include "wdgqueues.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

QueuesController::QueuesController(MSettingsStore *settings, const Widgets &widgets,
                                   const MainWindowIcons &windowIcons, QObject *parent)
    : QObject(parent), settings(settings), ui(widgets), icons(windowIcons)
{
    setObjectName(QStringLiteral("queuesController"));
    ui.queuesCountFrame->hide();
    ui.showQCallsCountAction->setEnabled(false);
    showNoQueueStatus();
    // The queue tab comes back for queue members.
    const int queueTab = ui.tabContactsWidget->indexOf(ui.queueTabWidget);
    if (queueTab >= 0)
        ui.tabContactsWidget->removeTab(queueTab);
}

QueuesController::~QueuesController()
{
    if (supervisorPanel) {
        supervisorPanel->disconnect();
        supervisorPanel->close();
        delete supervisorPanel;
    }
    for (const QPointer<MspMainWidget> &pending : qAsConst(releasedPanels))
        delete pending.data();
}

void QueuesController::setCtiClient(CtiLib *client)
{
    ctiLib = client;
}

void QueuesController::showNoQueueStatus()
{
    ui.lblQueueStatus->setText(tr("Stato Code: N/D"));
    ui.lblLedQueueStatus->setPixmap(MPGUI::ledPixmap(icons.ledGrayIcon, QStringLiteral(":/images/led_gray.png")));
}

bool QueuesController::pauseAllQueues(bool pause, const QString &reason)
{
    if (!PbxSession::isQueueMember(queueRole))
        return false;
    if (!ctiLib || !ctiLib->isConnected())
        return false;
    ctiLib->pauseQueues(pause, QString(), reason, QString());
    return true;
}

bool QueuesController::isPauseOnLogoffDue() const
{
    return settings && settings->isPauseOnLogoffRequired() && PbxSession::isQueueMember(queueRole) &&
           !queuesPausedAny;
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
    supervisorPanel = new MspMainWidget(ctiLib, nullptr, settings->getConfig(), nullptr);
    supervisorPanel->setMinimumSize(950, 650);
    supervisorPanel->resize(1024, 768);
    supervisorPanel->updateLogoFile(QStringLiteral(":/images/velora-pbx-CCenter.png"));
    supervisorPanel->updateThresholdLists(settings->getAnswCallsTimeThresholdList(),
                                          settings->getLostCallsTimeThresholdList());
    if (ui.window)
        supervisorPanel->setWindowIcon(ui.window->windowIcon());
    supervisorPanel->setWindowTitle(QStringLiteral("Supervisor Panel"));
    supervisorPanel->hide();
}

void QueuesController::onSessionStarted(const PbxSession::SessionStart &session)
{
    const PbxSession::SessionFeatures features = PbxSession::sessionFeatures(session);
    queueRole = session.queueRole;
    ui.queuesGui->setAppMode(session.mode);

    if (features.queueStatus) {
        initSupervisorPanel();
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
}

void QueuesController::onSessionEnded(const PbxSession::DisconnectReason &reason)
{
    showNoQueueStatus();
    ui.pauseAllAction->setEnabled(false);
    ui.reportAction->setEnabled(false);
    queueRole = PbxSession::QueueRoleNone;
    queueCallsCountVisible = false;
    releaseSupervisorPanel();
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
}
