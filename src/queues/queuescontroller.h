// The queues of the main window: the user's queue role, the queue status
// line, the supervisor panel and its button, the pause of all queues, the
// queued-calls counter and the operator's queues tab.
#pragma once

#include "ctilibtypes.h"
#include "directory/mctiextendetails.h"
#include "mainwindow/session/sessionrules.h"
#include "queuerules.h"
#include "queuestatus.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class CtiLib;
struct MainWindowIcons;
class MSettingsStore;
class PbxSession;
class MspMainWidget;
class QAction;
class QFrame;
class QLabel;
class QPushButton;
class QScrollArea;
class QTabWidget;
class QWidget;
class wdgQueues;
class DlgReportThreshold;

class QueuesController : public QObject
{
    Q_OBJECT
public:
    // The main form's widgets and the window's actions this object drives.
    struct Widgets {
        QWidget *window = nullptr; // lends its icon to the supervisor panel
        wdgQueues *queuesGui = nullptr;
        QScrollArea *qscrollArea = nullptr;
        QPushButton *btnSVP = nullptr;
        QPushButton *btnPauseAll = nullptr;
        QLabel *lblQueueStatus = nullptr;
        QLabel *lblLedQueueStatus = nullptr;
        QFrame *queuesCountFrame = nullptr;
        QLabel *lblQueueCount = nullptr;
        QLabel *lblFromPeriod = nullptr;
        QLabel *lblToPeriod = nullptr;
        QTabWidget *tabContactsWidget = nullptr;
        QWidget *queueTabWidget = nullptr;
        QAction *reportAction = nullptr;
        QAction *pauseAllAction = nullptr;
        QAction *showQCallsCountAction = nullptr;
    };
    // `cti`: the client queue requests go to and whose call-centre reports
    // arrive here. `session`: its start and end reach this object.
    // `extensions`: the extension records of the directory, which keeps them
    // up to date and reports changes through onOperatorStatusChanged() and
    // onExtenListRebuilt(). `icons`: the window's set. All of them outlive
    // this object. The widgets' and actions' signals are connected here.
    QueuesController(CtiLib &cti, PbxSession &session, MSettingsStore *settings, MctiExtenMap &extensions,
                     const Widgets &widgets, const MainWindowIcons &icons, QObject *parent = nullptr);
    ~QueuesController() override;

    int currentQueueRole() const { return queueRole; }
    MspMainWidget *supervisorPanelWidget() const { return supervisorPanel; }
    bool isQueueCallsCountVisible() const { return queueCallsCountVisible; }
    const QueueRules::QueuePauseMap &pauseMap() const { return queuePauseMap; }
    bool isAnyQueuePaused() const { return anyQueuePaused; }
    bool areAllQueuesPaused() const { return allQueuesPaused; }
    int pendingPauseChangeCount() const { return pendingPauseChanges; }
    DlgReportThreshold *reportRequestDialog() const;
    // The extensions as the PBX last reported them (busy lamps, accounts).
    const MctiExtenMap &extensionMap() const { return extensions; }
    // How long pause-all waits for the PBX before giving its controls back.
    void setPauseAllTimeoutMs(int ms) { pauseAllWatchdog.setInterval(ms); }

    // Asks the PBX to pause or resume the user on every queue; only for queue
    // members with a connected client. True when asked.
    bool pauseAllQueues(bool pause, const QString &reason);
    // A log-out pauses the user first: the settings ask for it, the user is a
    // queue member and paused on no queue yet.
    bool isPauseOnLogoffDue() const;
    // Closes the supervisor panel and releases it on the next event-loop turn.
    void releaseSupervisorPanel();

    QString resolveQueueName(const QString &queueId) const;
    // A copy of a queue's record for the local API; `out` stays as it is
    // while there is no supervisor panel.
    void getQueueInfo(const QString &name, QueueStatus &out) const;

public slots:
    void onSessionStarted(const SessionRules::SessionStart &session);
    void onSessionEnded(const SessionRules::SessionEnd &end);

    // From the supervisor panel.
    void onUpdatedQueuesList(const QMap<QString, QString> &queues);
    void onQueueMemberAdded(const QString &queueId, const QString &account, int penalty);
    void onQueueMemberRemoved(const QString &queueId, const QString &account);
    void onQueuePauseStatusChanged(const QString &queueId, const QString &account, const QDateTime &lastChange,
                                   bool paused);
    void onEnqueuedCallsCountChanged(int count);
    void onStatsPeriodChanged(const QString &from, const QString &to);
    void onUpdatedQueuePeriodicStats(const QString &queueId, int served, double servedMwt, double servedMct, int missed,
                                     double missedMwt);
    void onResetOperatorStats(const QString &queueId);
    void onUpdatedOperatorLastCall(const QString &queueId, const QDateTime &lastCall);
    void onUpdatedOperatorCompletedCalls(const QString &queueId, const QString &operatorNum, int count);
    void onUpdatedQueueCallsStats(const QString &queueId, int count, const QDateTime &longestWait);

    // From the queues tab and the window.
    void onQueuePauseStatusUpdateRequest(bool pause, const QStringList &accounts, const QString &queueId);
    void onQueuesCountChanged(int count);
    void togglePauseQs(const QString &reason = QString());
    void setPaused(int paused, int total);
    void checkGlobalPauseState();
    void onShowQCallsCount();
    void updateQCallsCount();
    void onSupervisorPanelTrigger();
    void onSvpThresholdsChanged();

    // The call-centre report.
    void createCCReport();
    void onCCReportRequested(CTILIB::PeriodType period, const QList<int> &answered, const QList<int> &lost,
                             const QString &file);
    void onCCReportSucceded(const CallCenterReport &report);
    void onCCReportFailed(const QString &error);

    // From the directory, which owns the extension records.
    void onOperatorStatusChanged(const QString &extension);
    void onExtenListRebuilt();

signals:
    // The user's memberships: all paused, some paused (for the tray icon).
    void pauseStateChanged(bool all, bool some);

private slots:
    void onPauseAllTimeout();

private:
    void initSupervisorPanel();
    void showNoQueueStatus();
    bool clientConnected() const;
    bool isOwnAccount(const QString &account) const;
    void setPauseAllControlsEnabled(bool enabled);

    CtiLib &ctiLib;
    QPointer<MSettingsStore> settings;
    MctiExtenMap &extensions;
    Widgets ui;
    const MainWindowIcons &icons;
    int queueRole = SessionRules::QueueRoleNone;
    bool queueCallsCountVisible = false;
    MspMainWidget *supervisorPanel = nullptr;
    // Panels released and not yet deleted by the event loop.
    QList<QPointer<MspMainWidget>> releasedPanels;

    QueueRules::QueuePauseMap queuePauseMap;
    int pendingPauseChanges = 0;
    bool anyQueuePaused = false;
    bool allQueuesPaused = true;
    QTimer pauseAllWatchdog;
    QPointer<DlgReportThreshold> reportDialog;
    QString pendingReportPath; // empty: no report pending
};
