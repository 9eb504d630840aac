// The supervisor panel of the queues. So far what the settings and the main
// window need of it: its construction at log-in, its figures' thresholds, its
// logo and the signals the main window listens to.
#pragma once

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "mcticonfig.h"

class CtiLib;
struct MctiExtenDetails;

class MspMainWidget : public QWidget
{
    Q_OBJECT

public:
    explicit MspMainWidget(QWidget *parent = nullptr);
    // The panel of a logged-in operator or supervisor: it asks `ctiLib` for
    // the statistics and reads the extension map of the main window.
    MspMainWidget(CtiLib *ctiLib, QMap<QString, MctiExtenDetails> *extensions, const MctiConfig &config,
                  QWidget *parent = nullptr);

    // Image shown in the panel's header.
    void updateLogoFile(const QString &path);
    QString logoFile() const { return logoPath; }

    // Answer and loss time thresholds, in seconds.
    void updateThresholdLists(const QList<int> &answered, const QList<int> &lost);
    QList<int> answeredThresholds() const { return answeredCallsThresholds; }
    QList<int> lostThresholds() const { return lostCallsThresholds; }

signals:
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

private:
    QPointer<CtiLib> ctiLib;
    QMap<QString, MctiExtenDetails> *extenDetails = nullptr;
    MctiConfig config;
    QString logoPath;
    QList<int> answeredCallsThresholds;
    QList<int> lostCallsThresholds;
};
