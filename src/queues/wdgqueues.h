// The operator's queues: one entry per queue the user belongs to, with its
// counters and pause state. This holds the interface the main window uses.
#pragma once

#include <QSize>
#include <QStringList>
#include <QWidget>

class wdgQueues : public QWidget
{
    Q_OBJECT
public:
    explicit wdgQueues(QWidget *parent = nullptr);

    void setAppMode(int mode) { m_appMode = mode; }
    int appMode() const { return m_appMode; }
    // The logged-in user's own extension number.
    void setUserExtension(const QString &extension) { m_userExtension = extension; }
    QString userExtension() const { return m_userExtension; }
    // Shows an empty queue list.
    void clear();

signals:
    void sigTransferToOperator(QString number);
    void sigUTransferToOperator(QString number);
    void sigClosed();
    void sigQueuesCountChanged(int count);
    void sigSetOperatorsPaused(bool paused, const QStringList &queues, const QString &reason);

public slots:
    void adjustLayout(QSize available);

private:
    int m_appMode = 0;
    QString m_userExtension;
};
