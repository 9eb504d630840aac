// The supervisor panel: the live model of the PBX queues, the queue and
// operator tables, the statistics of a period and the operators' pause and
// membership changes. For a queue operator it stays hidden and only feeds the
// queues tab through its signals.
#pragma once

#include "app/mcticonfig.h"
#include "app/requestgate.h"
#include "ctilibtypes.h"
#include "directory/mctiextendetails.h"
#include "operatorcell.h"
#include "queuerules.h"
#include "queuestatus.h"

#include <QDateTime>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QMap>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class CtiLib;
class CustomTableWidget;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QMovie;
class QTableWidget;
class QTableWidgetItem;
class OperatorCellDelegate;
class MPClickableLabel;
class dlgPeriod;

class MspMainWidget : public QWidget
{
    Q_OBJECT

public:
    // The panel of a logged-in operator or supervisor, for the session that
    // is running: it follows the queue reports of `cti`, asks it for the
    // statistics and reads the extension map of the main window. `cti`
    // outlives the panel; close() ends the panel's session.
    MspMainWidget(CtiLib &cti, QMap<QString, MctiExtenDetails> *extensions, const MctiConfig &config,
                  QWidget *parent = nullptr);
    ~MspMainWidget() override;

    void setExtensionsMap(QMap<QString, MctiExtenDetails> *extensions) { extenDetails = extensions; }
    // The facts a client gives at binding, for a panel without one (tools,
    // benchmarks) or to override them.
    void setSessionFacts(int role, quint32 capabilityWord, const QString &extension)
    {
        queueRole = role;
        capabilities = capabilityWord;
        ownExtension = extension;
    }
    void setOwnIdentityNames(const QStringList &names) { ownNames = names; }
    // How long membership events are gathered before one statistics request.
    void setRefreshCoalesceMs(int ms) { refreshCoalesceTimer.setInterval(ms); }

    // Image shown in the panel's header.
    void updateLogoFile(const QString &path);
    QString logoFile() const { return logoPath; }

    // Answer and loss time thresholds, in seconds.
    void updateThresholdLists(const QList<int> &answered, const QList<int> &lost);
    QList<int> answeredThresholds() const { return answeredCallsThresholds; }
    QList<int> lostThresholds() const { return lostCallsThresholds; }

    const QueueRules::QueueModel &model() const { return queueModel; }
    QStringList ownIdentityNames() const { return ownNames; }
    QStringList queueNameFilter() const { return nameFilterList; }
    int refreshIntervalSecs() const { return refreshSecs; }
    QDateTime periodFrom() const { return periodStart; }
    QDateTime periodTo() const { return periodEnd; }

    QString resolveQueueName(const QString &id) const;
    QString resolveQueueId(const QString &name) const;
    QueueStatus getQueueInfo(const QString &name) const;
    // The operators-table item of a member's cell (null when the table has
    // none); row and column of the cell even when it is empty.
    QTableWidgetItem *operatorItem(const QString &queueId, const QString &account, int *row = nullptr,
                                   int *column = nullptr) const;
    std::optional<OperatorCell> operatorCell(const QString &queueId, const QString &account) const;
    QStringList getIdentityNames(const IdentityList &list) const;

    // Closes and empties the panel and ends its session: from then on it
    // neither asks the PBX nor follows its reports.
    bool close();

public slots:
    void refreshQueueStats();
    void refreshStats();
    void onQueueStatsRcvd(const QueueStatsList &list);
    void setIdentities(const IdentityList &list);
    void refreshQueuesView();
    void refreshOperatorsView();
    void updateTotalCallsCount();
    void onQueueEvent(const QueueEvent &event);
    void onQueueOperatorStatusChanged(const QString &extension);
    void onOperatorPausedRequest(const QString &opNum, const QString &queueId, bool pause);
    void onQueueMemberPauseChanged(const QueueMember &member, bool isPaused);
    void onQueueMemberAdded(const QueueMember &member);
    void onQueueMemberRemoved(const QueueMember &member);
    void ops_cxtMenu(const QPoint &point);
    void addQueueMember();
    void removeQueueMember();
    void onPeriodChanged(int index);
    void openChangePeriodDialog();
    void requestPeriodicData();
    void onAllQueuePeriodicStatsRcvd(const QueuePeriodicStatsList &list);
    void onQueuePeriodicStatsRcvd(const QueuePeriodicStats &stats);
    void onAllOperatorPeriodicStatsRcvd(const QueueOperatorPeriodicStatsList &list);
    void onOperatorPeriodicStatsRcvd(const QueueOperatorPeriodicStats &stats);
    void onUpdateDateTime();
    void adjustTbOperatorColumns();
    void resetUpdating();

signals:
    void sigGetAllQueuePeriodicStats(CTILIB::PeriodType period, QDateTime from, QDateTime to);
    void sigGetAllOperatorPeriodicStats(CTILIB::PeriodType period, QDateTime from, QDateTime to);
    void sigGetQueuePeriodicStats(const QStringList &queueIds, CTILIB::PeriodType period, QDateTime from, QDateTime to);
    void sigGetOperatorPeriodicStats(const QMap<QString, QStringList> &queueMembers, CTILIB::PeriodType period,
                                     QDateTime from, QDateTime to);

    void sigStatsPeriodChanged(QString from, QString to);
    void sigQueueMemberAdded(QString queueId, QString account, int penalty);
    void sigQueueMemberRemoved(QString queueId, QString account);
    void sigQueueMemberPauseChange(QString queueId, QString account, QDateTime lastChange, bool paused);
    void sigGlobalAllQueuesCallsCountUpdated(int count);
    void sigLocalAllQueuesCallsCountUpdated(int count);
    void sigUpdatedQueuesList(const QMap<QString, QString> &queues);
    void sigQueuePeriodicStatsUpdated(QString queueId, int servedCallCount, double servedMwt, double servedMct,
                                      int missedCallCount, double missedMwt);
    void sigResetOperatorStats(QString queueId);
    void sigUpdatedOperatorCompletedCalls(QString queueId, QString memberId, int count);
    void sigUpdatedLastCall(QString queueId, QDateTime lastCall);
    void sigQueueCallsStatsUpdated(QString queueId, int callsCount, QDateTime longestHoldTime);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void setupGuiLayout();
    void hoverOperatorCell(const QModelIndex &index);
    void updateVisibleOperatorCells();
    void resetTables();
    void clearOperatorTable();
    void updateDisplayedQueueCallsCountAndLht(const QueueStatus &q);
    void updateDisplayedOperatorsNum(const QueueStatus &q);
    void showCountsSoon(const QString &queueId);
    void recalculateOperatorsNum(const QString &queueId);
    void addOperatorInfoWdg(const QueueUserStatus &member, const QString &queueId);
    void removeOperatorInfoWdg(const QString &queueId, const QString &account);
    void changeOperatorCell(QTableWidgetItem *item, const std::function<void(OperatorCell &)> &change);
    void changeBlfStatusOnItem(QTableWidgetItem *item, int state, QTableWidget *table);
    void requestFullRefresh();
    void requestStatsNow();
    int rowOfAccount(const QString &account) const;
    // Whether requests may go to the PBX: the panel's session runs and the
    // client is logged in.
    bool connected() const;
    // A report of the client reaches `slot` while the panel's session runs.
    template <typename Signal, typename... Args> void follow(Signal signal, void (MspMainWidget::*slot)(Args...));
    int selectedPeriodType() const;
    QTableWidgetItem *queueCell(int row, const QueueStatus &q, bool bold = false);
    void countLoaded(int which);
    void updateOperatorStats(QueueStatus &status, const QString &memberId, int served, int secondCount,
                             const QDateTime &lastCall);
    void resetQueueTablePeriodicStats(bool period, bool lastHour);
    void resetOperatorTablePeriodicStats();

    CtiLib &ctiLib;
    bool sessionRunning = true; // until close()
    QMap<QString, MctiExtenDetails> *extenDetails = nullptr;
    MctiConfig config;
    QString logoPath;
    QList<int> answeredCallsThresholds;
    QList<int> lostCallsThresholds;

    QueueRules::QueueModel queueModel;
    QStringList ownNames;
    QStringList nameFilterList;
    int queueRole = 0;
    quint32 capabilities = 0;
    QString ownExtension;
    int refreshSecs = 300;
    bool firstIdentitiesPending = true;
    bool skipNextPeriodChange = false;
    QDateTime periodStart;
    QDateTime periodEnd;
    int loadCounters[4] = {0, 0, 0, 0};
    bool loadDone[4] = {false, false, false, false};

    QHash<QString, int> accountRows; // row of each account at the last rebuild (checked before use)
    QTimer refreshTimer;
    QTimer refreshCoalesceTimer;
    // Operator counts changed by membership events, shown together a moment
    // later: a burst of events paints the queue table a few times, not once
    // per event.
    QTimer countsDisplayTimer;
    QSet<QString> countsToShow;
    QTimer clockTimer;
    // The statistics request: one on its way until its reply, one waiting.
    bool sendStatsRequest();
    RequestGate statsGate{QStringLiteral("Queue statistics request"), [this] { return sendStatsRequest(); },
                          RequestGate::Timing{20000, 1000}};
    // The peer list has no reply: at most one every 10 s, however often
    // identity lists come.
    bool sendPeerListRequest();
    RequestGate peerListGate{QStringLiteral("Peer list request"), [this] { return sendPeerListRequest(); },
                             RequestGate::Timing{10000, 0, false}};
    QAction *addMemberAction = nullptr;
    QAction *removeMemberAction = nullptr;
    QPointer<QMenu> contextMenu;
    QIcon stateIcons[5];
    QPixmap donePixmap;
    QMovie *ringingMovie = nullptr;
    QMovie *loaderMovie = nullptr;
    OperatorCellDelegate *cellDelegate = nullptr;
    QPersistentModelIndex hoveredCell; // the cell shown by a wdgOperatorInfo

    QLabel *lblLogo = nullptr;
    QLabel *lblClock = nullptr;
    QLabel *lblTotCall = nullptr;
    QLabel *lblLoading = nullptr;
    QLabel *lblLoadingProgress = nullptr;
    QComboBox *cbTimeRange = nullptr;
    MPClickableLabel *lblFromPeriod = nullptr;
    MPClickableLabel *lblToPeriod = nullptr;
    dlgPeriod *periodDialog = nullptr;
    bool customPeriod = false; // the bounds are the user's own, not the combo's period
    CustomTableWidget *tbQueues = nullptr;
    QTableWidget *tbOperators = nullptr;
    QLabel *lblBottomStatus = nullptr;
};
