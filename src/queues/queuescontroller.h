// The queues of the main window: the user's queue role, the queue status
// line, the supervisor panel and its button, the pause of all queues and the
// queued-calls counter.
#pragma once

#include "pbxsessionrules.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class CtiLib;
struct MainWindowIcons;
class MSettingsStore;
class MspMainWidget;
class QAction;
class QFrame;
class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;
class wdgQueues;

class QueuesController : public QObject
{
    Q_OBJECT
public:
    // The main form's widgets and the window's actions this object drives.
    struct Widgets {
        QWidget *window = nullptr; // lends its icon to the supervisor panel
        wdgQueues *queuesGui = nullptr;
        QPushButton *btnSVP = nullptr;
        QPushButton *btnPauseAll = nullptr;
        QLabel *lblQueueStatus = nullptr;
        QLabel *lblLedQueueStatus = nullptr;
        QFrame *queuesCountFrame = nullptr;
        QTabWidget *tabContactsWidget = nullptr;
        QWidget *queueTabWidget = nullptr;
        QAction *reportAction = nullptr;
        QAction *pauseAllAction = nullptr;
        QAction *showQCallsCountAction = nullptr;
    };
    // `icons`: the window's set, which outlives this object.
    QueuesController(MSettingsStore *settings, const Widgets &widgets, const MainWindowIcons &icons,
                     QObject *parent = nullptr);
    ~QueuesController() override;

    // The CTI client that queue requests go to (none while there is none).
    void setCtiClient(CtiLib *client);

    int currentQueueRole() const { return queueRole; }
    MspMainWidget *supervisorPanelWidget() const { return supervisorPanel; }
    bool isQueueCallsCountVisible() const { return queueCallsCountVisible; }

    // Asks the PBX to pause or resume the user on every queue; only for queue
    // members with a connected client. True when asked.
    bool pauseAllQueues(bool pause, const QString &reason);
    // A log-out pauses the user first: the settings ask for it, the user is a
    // queue member and paused on no queue yet.
    bool isPauseOnLogoffDue() const;
    // Closes the supervisor panel and releases it on the next event-loop turn.
    void releaseSupervisorPanel();

public slots:
    void onSessionStarted(const PbxSession::SessionStart &session);
    void onSessionEnded(const PbxSession::DisconnectReason &reason);

private:
    void initSupervisorPanel();
    void showNoQueueStatus();

    QPointer<MSettingsStore> settings;
    Widgets ui;
    const MainWindowIcons &icons;
    QPointer<CtiLib> ctiLib;
    int queueRole = PbxSession::QueueRoleNone;
    bool queueCallsCountVisible = false;
    bool queuesPausedAny = false; // the user is paused on at least one queue
    MspMainWidget *supervisorPanel = nullptr;
    // Panels released and not yet deleted by the event loop.
    QList<QPointer<MspMainWidget>> releasedPanels;
};
