// The supervisor panel's operator cells: one member in one queue
// (wdgOperatorInfo), the add-member form of a queue (wdgAddDynamicOperator)
// and the add row's button that opens it (wdgNewOperator).
#pragma once

#include "directory/mctiextendetails.h"
#include "operatorcell.h"

#include <QDateTime>
#include <QMap>
#include <QPointer>
#include <QWidget>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QSpinBox;

class wdgOperatorInfo : public QWidget
{
    Q_OBJECT
public:
    wdgOperatorInfo(const QString &opNum, const QString &queueId, int penalty, QWidget *parent = nullptr);
    static const char *styleSheetText();
    // Shows a cell of the operators table.
    void showCell(const OperatorCell &cell);
    // The fonts of the form's parts as its style gives them, for drawing
    // cells that look like it.
    struct Fonts {
        QFont pause, calls, stateTime, text;
    };
    Fonts fonts();

    QString getOpNum() const { return opNum; }
    QString getQueueId() const { return queueId; }
    int getCalls() const { return calls; }
    float getMwtStats() const { return mwt; }
    float getMctStats() const { return mct; }
    int operatorStatus() const { return status; }
    bool isPaused() const { return paused; }

public slots:
    void updatePauseStatusLastChange();
    // The panel's one-second clock: only a cell on screen is redrawn; a
    // hidden one catches up when it shows.
    void onClockTick();
    void setOpNum(const QString &value) { opNum = value; }
    void setQueueId(const QString &value) { queueId = value; }
    void setStats(int calls, const QDateTime &lastCall, int convTime, int waitTime);
    void resetStats();
    void setLastCall(const QDateTime &lastCall);
    void setCalls(int calls);
    void setWaitTime(int waitTime);
    void setConvTime(int convTime);
    void setLastPauseChange(const QString &text);
    void setPaused(bool isPaused, const QDateTime &timestamp);
    void setOperatorStatus(int status);
    void setPenalty(int penalty);
    void onPauseChangeRequest();

signals:
    void sigPauseTrigger(QString opNum, QString queueId, bool pauseRequest);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QFrame *mainFrame;
    QPushButton *btPause;
    QLabel *lblCalls;
    QLabel *lblMembership;
    QLabel *lblPenalty;
    QLabel *lblStateTime;
    QLabel *lblLastCall;
    bool paused = false;
    QString opNum;
    QString queueId;
    int status = 0;
    int penalty = 0;
    QDateTime lastPauseChangeTime;
    int calls = 0;
    float mct = 0;
    float mwt = 0;
    QDateTime lastCall;
};

class wdgAddDynamicOperator : public QWidget
{
    Q_OBJECT
public:
    wdgAddDynamicOperator(const QString &queueId, bool penaltyVisible, QWidget *parent = nullptr);

    void reset();
    void setQueueId(const QString &id) { queueId = id; }
    QString getQueueId() const { return queueId; }
    void addOperatorForExten(const MctiExtenDetails &record, const QString &extension, const QString &account);
    void removeExten(const QString &extension);
    // The extensions the form offers, read when it is first shown (a table
    // rebuild makes one form per queue; most are never opened).
    void setExtensionSource(const MctiExtenMap *extensions);
    int extensionCount() const { return extenAccounts.size(); }

public slots:
    void onAddOperatorRequested();
    void onExtenSelected(int index);
    void onExtenFilterChanged(const QString &text);
    void onAccountSelected(int index);

signals:
    void sigAddOperatorRequested(QString queueId, QString opNum, int penalty);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void clearChoice();
    void fillFromSource();
    const MctiExtenMap *source = nullptr;
    bool sourcePending = false;
    QString queueId;
    QMap<QString, QStringList> extenAccounts;
    QComboBox *cbExten;
    QComboBox *cbAccount;
    QLabel *lblPenalty;
    QSpinBox *spinPenalty;
    QPushButton *pbAdd;
};

// The add row's cell. It owns its form, a top-level window, and deletes it
// with itself; the form's requests leave through sigAddOperatorRequested().
class wdgNewOperator : public QWidget
{
    Q_OBJECT
public:
    wdgNewOperator(wdgAddDynamicOperator *form, QWidget *parent = nullptr);
    // The form of queue `queueId` (with the penalty field when `penalty`),
    // offering the extensions of `extensions` (which outlive the cell; may be
    // null), is made when the button is first used: a table has one add cell
    // per queue and most are never opened.
    wdgNewOperator(const QString &queueId, bool penalty, const MctiExtenMap *extensions, QWidget *parent = nullptr);
    ~wdgNewOperator() override;
    // The form; null while a deferred one has not been made yet.
    wdgAddDynamicOperator *getAddDynamicOperator() const { return form; }

public slots:
    void onNewOperatorRequested();

signals:
    void sigAddOperatorRequested(QString queueId, QString opNum, int penalty);

private:
    void setupForm();
    void forwardRequests();
    QPointer<wdgAddDynamicOperator> form;
    // What a deferred form is made from.
    bool formDeferred = false;
    QString deferredQueueId;
    bool deferredPenalty = false;
    const MctiExtenMap *deferredExtensions = nullptr;
    QPushButton *pbAdd;
};
