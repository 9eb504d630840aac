#include "wdgqueuestats.h"

#include "queuerules.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVariant>

namespace
{
// A label that shows one of a few texts in turn: it asks for the room of the
// widest of them in its current font, so that no state is clipped and a
// change of state does not move its neighbours.
class StateLabel : public QLabel
{
public:
    StateLabel(const QStringList &texts, QWidget *parent) : QLabel(parent), texts(texts) {}
    QSize sizeHint() const override { return widest(QLabel::sizeHint()); }
    QSize minimumSizeHint() const override { return widest(QLabel::minimumSizeHint()); }

private:
    QSize widest(QSize size) const
    {
        const QFontMetrics metrics(font());
        int text = 0;
        for (const QString &t : texts)
            text = qMax(text, metrics.size(Qt::TextSingleLine, t).width());
        const QMargins m = contentsMargins();
        size.setWidth(qMax(size.width(), text + m.left() + m.right() + 2 * margin() + qMax(0, indent())));
        return size;
    }
    QStringList texts;
};
} // namespace

static const char boxStyle[] =
    "QGroupBox { background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #dff5d8, stop:1 #a8e29a); }\n"
    "QGroupBox[status=\"active\"] { background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #dff5d8, "
    "stop:1 #a8e29a); }\n"
    "QGroupBox[status=\"sv\"] { background-color: #C8C8C8; }\n"
    "QGroupBox[status=\"paused\"] { background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffe0b0, "
    "stop:1 #ffaa33); }\n"
    "#mainLabel, #lblPersStats, #lblPauseAccountStatus { font-weight: bold; }\n"
    "#lblPersStats, #lblPauseAccountStatus { border-top: 1px solid gray; }\n"
    "#currentCallsValue { font-size: 26px; font-weight: bold; }\n";

wdgQueueAccount::wdgQueueAccount(const QString &account, QWidget *parent) : QWidget(parent), m_account(account)
{
    setObjectName(QStringLiteral("wdgQueueAccount"));
    resize(322, 27);
    QFont f = font();
    f.setBold(true);
    setFont(f);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(tr("Account:"), this));
    lblAccount = new QLabel(this);
    lblAccount->setObjectName(QStringLiteral("lblAccount"));
    lblAccount->setTextFormat(Qt::PlainText);
    lblAccount->setText(account);
    row->addWidget(lblAccount);
    auto *state = new QLabel(tr("stato:"), this);
    state->setIndent(20);
    row->addWidget(state);
    lblStatus = new StateLabel({tr("IN PAUSA"), tr("ATTIVO")}, this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setMinimumWidth(60);
    lblStatus->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    QFont normal = font();
    normal.setBold(false);
    lblStatus->setFont(normal);
    row->addWidget(lblStatus);
    btPause = new QPushButton(this);
    btPause->setObjectName(QStringLiteral("btPause"));
    row->addWidget(btPause);
    connect(btPause, &QPushButton::clicked, this, &wdgQueueAccount::triggerPause);
    setPaused(false);
}

void wdgQueueAccount::setPaused(bool p)
{
    paused = p;
    lblStatus->setText(p ? tr("IN PAUSA") : tr("ATTIVO"));
    btPause->setText(p ? tr("Riattiva") : tr("Pausa"));
}

void wdgQueueAccount::triggerPause()
{
    // The row keeps the confirmed state until the PBX reports the change.
    emit sigPauseChanged(!paused);
}

// ---------------------------------------------------------------------------

wdgQueueStats::wdgQueueStats(int, const QString &queueName, const QString &, const QString &queueId, QWidget *parent,
                             Qt::WindowFlags flags)
    : QWidget(parent, flags), m_queueId(queueId), m_queueName(queueName)
{
    setObjectName(QStringLiteral("wdgQueueStats"));
    setFixedWidth(QueueRules::QueueBoxWidth);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    pauseTimer.setObjectName(QStringLiteral("queueBoxPauseTimer"));
    pauseTimer.setInterval(1000);
    connect(&pauseTimer, &QTimer::timeout, this, &wdgQueueStats::updatePauseStatusLastChange);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    gbGroup = new QGroupBox(this);
    gbGroup->setObjectName(QStringLiteral("gbGroup"));
    gbGroup->setTitle(queueName);
    outer->addWidget(gbGroup);
    auto *grid = new QGridLayout(gbGroup);
    auto label = [this](const QString &name, const QString &text) {
        auto *l = new QLabel(text, gbGroup);
        l->setObjectName(name);
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    grid->addWidget(label(QStringLiteral("mainLabel"), tr("Statistiche generali della coda")), 0, 0, 1, 4);
    grid->addWidget(label(QStringLiteral("lblStats1"), tr("Chiamate in coda")), 1, 0);
    grid->addWidget(label(QStringLiteral("lblAbandonedCalls"), tr("Chiamate perse:")), 1, 2);
    abandonedCallsValue = label(QStringLiteral("abandonedCallsValue"), QStringLiteral("-"));
    grid->addWidget(abandonedCallsValue, 1, 3);
    currentCallsValue = label(QStringLiteral("currentCallsValue"), QStringLiteral("0"));
    currentCallsValue->setToolTip(tr("Numero di utenti in coda"));
    currentCallsValue->setAlignment(Qt::AlignCenter);
    grid->addWidget(currentCallsValue, 2, 0, 3, 1);
    grid->addWidget(label(QStringLiteral("lblMCT"), tr("T. m. di convers. (sec):")), 2, 2);
    grid->addWidget(label(QStringLiteral("lblMHT"), tr("T. m. di attesa (sec):")), 3, 2);
    grid->addWidget(label(QStringLiteral("lblCompletedCalls"), tr("Chiamate lavorate:")), 4, 2);
    convTimeValue = label(QStringLiteral("convTimeValue"), QStringLiteral("-"));
    holdTimeValue = label(QStringLiteral("holdTimeValue"), QStringLiteral("-"));
    completedCallsValue = label(QStringLiteral("completedCallsValue"), QStringLiteral("0"));
    grid->addWidget(convTimeValue, 2, 3);
    grid->addWidget(holdTimeValue, 3, 3);
    grid->addWidget(completedCallsValue, 4, 3);
    grid->addWidget(label(QStringLiteral("lblPersStats"), tr("Statistiche personali")), 5, 0, 1, 4);
    lblPauseStatus = new StateLabel(
        {tr("Stato sulla coda: -"), tr("Stato sulla coda: IN PAUSA"), tr("Stato sulla coda: ATTIVO")}, gbGroup);
    lblPauseStatus->setObjectName(QStringLiteral("lblPauseStatus"));
    lblPauseStatus->setTextFormat(Qt::PlainText);
    lblPauseStatus->setText(tr("Stato sulla coda: -"));
    grid->addWidget(lblPauseStatus, 6, 0, 1, 2);
    grid->addWidget(label(QStringLiteral("lblStats2"), tr("Chiamate prese")), 6, 2);
    localCompletedCalls = label(QStringLiteral("localCompletedCalls"), QStringLiteral("0"));
    grid->addWidget(localCompletedCalls, 6, 3);
    btPause = new QPushButton(tr("Pausa"), gbGroup);
    btPause->setObjectName(QStringLiteral("btPause"));
    grid->addWidget(btPause, 7, 0);
    grid->addWidget(label(QStringLiteral("lblStats3"), tr("Ultima chiamata:")), 7, 2);
    lblStateTime = label(QStringLiteral("lblStateTime"), QStringLiteral("-"));
    grid->addWidget(lblStateTime, 8, 0);
    lblLastCall = label(QStringLiteral("lblLastCall"), QStringLiteral("-"));
    grid->addWidget(lblLastCall, 8, 2, 1, 2);
    grid->addWidget(label(QStringLiteral("lblPauseAccountStatus"), tr("Stato pausa per account")), 9, 0, 1, 4);
    accountListLayout = new QVBoxLayout;
    accountListLayout->setObjectName(QStringLiteral("accountListLayout"));
    grid->addLayout(accountListLayout, 10, 0, 1, 4);
    setStyleSheet(QString::fromLatin1(boxStyle));
    connect(btPause, &QPushButton::clicked, this, &wdgQueueStats::onExtenPauseChangeRequest);
    fitWidth();
}

void wdgQueueStats::fitWidth()
{
    // The box's width, or more where the texts in the current fonts (the
    // large-font view's among them) need it.
    const int wanted = qMax(QueueRules::QueueBoxWidth, layout()->totalMinimumSize().width());
    if (minimumWidth() == wanted && maximumWidth() == wanted)
        return;
    setFixedWidth(wanted);
    emit sigWidthChanged();
}

bool wdgQueueStats::event(QEvent *event)
{
    // The layout has taken the new size hints of the texts by now.
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest)
        fitWidth();
    return handled;
}

void wdgQueueStats::setCurrentCalls(int n)
{
    currentCallsValue->setText(QString::number(qMax(0, n)));
}

void wdgQueueStats::setCompletedCalls(int n)
{
    completedCallsValue->setText(QString::number(n));
}

void wdgQueueStats::setLostCalls(int n)
{
    abandonedCallsValue->setText(n < 0 ? QStringLiteral("-") : QString::number(n));
}

void wdgQueueStats::setMWT(double seconds)
{
    holdTimeValue->setText(QueueRules::minSecText(QueueRules::statSeconds(seconds)));
}

void wdgQueueStats::setMCT(double seconds)
{
    convTimeValue->setText(QueueRules::minSecText(QueueRules::statSeconds(seconds)));
}

void wdgQueueStats::setLastCall(const QDateTime &t)
{
    if (!t.isValid())
        return;
    lastCall = lastCall.isValid() ? qMax(lastCall, t) : t;
    const QString text = lastCall.toString(QStringLiteral("dd.MM.yyyy hh:mm"));
    lblLastCall->setText(text);
    lblLastCall->setToolTip(tr("Ultima chiamata servita in data: %1").arg(text));
}

void wdgQueueStats::setLocalCompletedCalls(const QString &operatorNum, int n)
{
    callsPerOperator.insert(operatorNum, n);
    qint64 sum = 0;
    for (int v : qAsConst(callsPerOperator))
        sum += v;
    localCompletedCalls->setText(QString::number(sum));
}

void wdgQueueStats::setPaused(bool paused, const QString &account, const QDateTime &lastChange)
{
    if (lastChange.isValid()) {
        lastPauseChange = lastPauseChange.isValid() ? qMax(lastPauseChange, lastChange) : lastChange;
        updatePauseStatusLastChange();
    }
    wdgQueueAccount *row = accountRows.value(account);
    if (!row) {
        row = new wdgQueueAccount(account, gbGroup);
        accountRows.insert(account, row);
        accountListLayout->addWidget(row);
        connect(row, &wdgQueueAccount::sigPauseChanged, this, &wdgQueueStats::onOperatorPauseChangeRequest);
    }
    row->setPaused(paused);
    m_allPaused = true;
    for (wdgQueueAccount *r : qAsConst(accountRows))
        m_allPaused = m_allPaused && r->isPaused();
    setStatus(m_allPaused ? 2 : 1);
}

void wdgQueueStats::setStatus(int status)
{
    if (status == 2) {
        lblPauseStatus->setEnabled(true);
        lblPauseStatus->setText(tr("Stato sulla coda: IN PAUSA"));
        btPause->setText(tr("Riattiva"));
        gbGroup->setProperty("status", QStringLiteral("paused"));
    } else if (status == 1) {
        lblPauseStatus->setEnabled(true);
        lblPauseStatus->setText(tr("Stato sulla coda: ATTIVO"));
        btPause->setText(tr("Pausa"));
        gbGroup->setProperty("status", QStringLiteral("active"));
    } else {
        lblPauseStatus->setEnabled(false);
        gbGroup->setProperty("status", QStringLiteral("sv"));
    }
    setStyleSheet(QString::fromLatin1(boxStyle));
}

void wdgQueueStats::setlastPauseChange(const QString &text)
{
    lblStateTime->setText(text);
}

void wdgQueueStats::resetStats()
{
    callsPerOperator.clear();
    lastCall = QDateTime();
}

void wdgQueueStats::updatePauseStatusLastChange()
{
    if (!lastPauseChange.isValid()) {
        lblStateTime->setText(QStringLiteral("-"));
        return;
    }
    lblStateTime->setText(QueueRules::pauseAgeText(lastPauseChange.secsTo(QDateTime::currentDateTime())));
}

void wdgQueueStats::onExtenPauseChangeRequest()
{
    emit sigSetOperatorsPaused(!m_allPaused, QStringList(), m_queueId);
}

void wdgQueueStats::onOperatorPauseChangeRequest(bool pause)
{
    auto *row = qobject_cast<wdgQueueAccount *>(sender());
    if (!row || accountRows.value(row->account()) != row)
        return;
    emit sigSetOperatorsPaused(pause, QStringList{row->account()}, m_queueId);
}

void wdgQueueStats::showEvent(QShowEvent *event)
{
    updatePauseStatusLastChange();
    if (!pauseTimer.isActive())
        pauseTimer.start();
    QWidget::showEvent(event);
}

void wdgQueueStats::hideEvent(QHideEvent *event)
{
    pauseTimer.stop();
    QWidget::hideEvent(event);
}
