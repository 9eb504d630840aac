// The operator's queues tab: one box per queue the user belongs to, laid out
// in columns that fit the scroll area; relays the boxes' pause requests.
#pragma once

#include <QDateTime>
#include <QMap>
#include <QSize>
#include <QStringList>
#include <QWidget>

class QGridLayout;
class QSpacerItem;
class wdgQueueStats;

class wdgQueues : public QWidget
{
    Q_OBJECT
public:
    explicit wdgQueues(QWidget *parent = nullptr);

    void setAppMode(int mode) { m_appMode = mode; }
    int appMode() const { return m_appMode; }
    // The logged-in user's own extension number.
    void setUserExtension(const QString &extension) { ownExtension = extension; }
    QString userExtension() const { return ownExtension; }
    void setOwnExtension(const QString &extension) { ownExtension = extension; }

    int queueCount() const { return boxes.size(); }
    wdgQueueStats *queueBox(const QString &queueId) const { return boxes.value(queueId); }
    int laidOutColumns() const { return lastColumns; }
    QGridLayout *gridLayout() const { return grid; }

    void updateQueuesList(const QMap<QString, QString> &queues);
    // Shows an empty queue list.
    void clear();
    void removeQueue(const QString &queueId);

    void updateServedCallsStats(const QString &queueId, int count, double meanWaitSeconds, double meanTalkSeconds);
    void updateMissedCallsStats(const QString &queueId, int count, double meanWaitSeconds);
    void updateOperatorLastCall(const QString &queueId, const QDateTime &lastCall);
    void updateOperatorCompletedCalls(const QString &queueId, const QString &operatorNum, int count);
    void updateOperatorPauseStatus(const QString &queueId, const QString &account, const QDateTime &lastChange,
                                   bool paused);
    void resetOperatorStats(const QString &queueId);
    void updateEnqueuedCalls(const QString &queueId, int count, const QDateTime &longestWait);

signals:
    void sigTransferToOperator(QString number);
    void sigUTransferToOperator(QString number);
    void sigClosed();
    void sigQueuesCountChanged(int count);
    void sigSetOperatorsPaused(bool paused, const QStringList &accounts, const QString &queueId);

public slots:
    void adjustLayout(QSize available);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int m_appMode = 1;
    QString ownExtension;
    QMap<QString, wdgQueueStats *> boxes;
    QGridLayout *grid;
    QSpacerItem *spacer = nullptr;
    int lastBoxes = 0;
    int lastColumns = 0;
    QSize lastAvailable; // the scroll area's size at the last layout
};
