// One box of the operator's queues tab: the queue's figures, the user's own
// figures and the pause state of each of the user's accounts in the queue
// (wdgQueueAccount), with the buttons that ask to pause or resume.
#pragma once

#include <QDateTime>
#include <QMap>
#include <QTimer>
#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

class wdgQueueAccount : public QWidget
{
    Q_OBJECT
public:
    explicit wdgQueueAccount(const QString &account, QWidget *parent = nullptr);
    QString account() const { return m_account; }
    bool isPaused() const { return paused; }
    void setPaused(bool paused);

public slots:
    void triggerPause();

signals:
    // Asks for the opposite of the confirmed state.
    void sigPauseChanged(bool pause);

private:
    QString m_account;
    bool paused = false;
    QLabel *lblAccount;
    QLabel *lblStatus;
    QPushButton *btPause;
};

class wdgQueueStats : public QWidget
{
    Q_OBJECT
public:
    wdgQueueStats(int appMode, const QString &queueName, const QString &ownExtension, const QString &queueId,
                  QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    QString queueId() const { return m_queueId; }
    bool allPaused() const { return m_allPaused; }
    wdgQueueAccount *accountRow(const QString &account) const { return accountRows.value(account); }

    void setCurrentCalls(int n);
    void setCompletedCalls(int n);
    void setLostCalls(int n);
    void setMWT(double seconds);
    void setMCT(double seconds);
    void setLastCall(const QDateTime &t);
    void setLocalCompletedCalls(const QString &operatorNum, int n);
    void setPaused(bool paused, const QString &account, const QDateTime &lastChange);
    void setStatus(int status);
    void setlastPauseChange(const QString &text);
    void resetStats();

public slots:
    void updatePauseStatusLastChange();
    void onExtenPauseChangeRequest();
    void onOperatorPauseChangeRequest(bool pause);

signals:
    void sigSetOperatorsPaused(bool paused, const QStringList &accounts, const QString &queueId);
    // The box took another width to fit its texts (another font).
    void sigWidthChanged();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void fitWidth();

    QString m_queueId;
    QString m_queueName;
    QTimer pauseTimer;
    QDateTime lastPauseChange;
    QMap<QString, wdgQueueAccount *> accountRows;
    bool m_allPaused = false;
    QDateTime lastCall;
    QMap<QString, int> callsPerOperator;
    QGroupBox *gbGroup;
    QLabel *currentCallsValue;
    QLabel *abandonedCallsValue;
    QLabel *convTimeValue;
    QLabel *holdTimeValue;
    QLabel *completedCallsValue;
    QLabel *lblPauseStatus;
    QLabel *localCompletedCalls;
    QLabel *lblStateTime;
    QLabel *lblLastCall;
    QPushButton *btPause;
    QVBoxLayout *accountListLayout;
};
