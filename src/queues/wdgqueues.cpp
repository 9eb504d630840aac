#include "wdgqueues.h"

#include "app/globallogger.h"
#include "queuerules.h"
#include "wdgqueuestats.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QIcon>
#include <QSpacerItem>

wdgQueues::wdgQueues(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("wdgQueues"));
    setMinimumSize(480, 250);
    setWindowIcon(QIcon(QStringLiteral(":/images/veloraCTI.png")));
    setWindowTitle(tr("Code d'attesa"));
    setStyleSheet(QStringLiteral(
        "#wdgQueues\n{\n    background-color: qlineargradient(spread:pad, x1:0.5, y1:0, x2:0.5, y2:1, stop:0 "
        "#353434, stop:1 #0b0b0b);\n    border: 1px solid #333;\n    font-family: \"Trebuchet MS\", Sans-serif;\n "
        "border-radius: 10px;\n}"));
    grid = new QGridLayout(this);
    grid->setVerticalSpacing(2);
    grid->setHorizontalSpacing(1);
    grid->setSizeConstraint(QLayout::SetMinimumSize);
}

void wdgQueues::updateQueuesList(const QMap<QString, QString> &queues)
{
    const int before = boxes.size();
    for (auto it = queues.cbegin(); it != queues.cend(); ++it) {
        if (boxes.contains(it.key()))
            continue;
        auto *box = new wdgQueueStats(m_appMode, it.value(), ownExtension, it.key(), this);
        boxes.insert(it.key(), box);
        connect(box, &wdgQueueStats::sigSetOperatorsPaused, this, &wdgQueues::sigSetOperatorsPaused);
        // A box grown for its texts may need fewer columns.
        connect(box, &wdgQueueStats::sigWidthChanged, this, [this] {
            if (lastAvailable.isValid())
                adjustLayout(lastAvailable);
        });
    }
    QStringList gone;
    for (auto it = boxes.cbegin(); it != boxes.cend(); ++it) {
        if (!queues.contains(it.key()))
            gone << it.key();
    }
    for (const QString &id : qAsConst(gone))
        removeQueue(id);
    if (boxes.size() != before)
        emit sigQueuesCountChanged(boxes.size());
}

void wdgQueues::clear()
{
    updateQueuesList(QMap<QString, QString>());
}

void wdgQueues::removeQueue(const QString &queueId)
{
    wdgQueueStats *box = boxes.take(queueId);
    if (!box)
        return;
    grid->removeWidget(box);
    box->hide();
    box->deleteLater();
}

void wdgQueues::adjustLayout(QSize available)
{
    lastAvailable = available;
    const int margin = grid->contentsMargins().left();
    int boxWidth = QueueRules::QueueBoxWidth;
    for (const wdgQueueStats *box : qAsConst(boxes))
        boxWidth = qMax(boxWidth, box->maximumWidth());
    const int columns = QueueRules::gridColumns(available.width(), margin, grid->horizontalSpacing(), boxWidth);
    const int rows = QueueRules::gridRows(boxes.size(), columns);
    if (QueueRules::gridNeedsRebuild(lastBoxes, lastColumns, boxes.size(), columns)) {
        lastBoxes = boxes.size();
        lastColumns = columns;
        for (wdgQueueStats *box : qAsConst(boxes))
            grid->removeWidget(box);
        if (spacer) {
            grid->removeItem(spacer);
            delete spacer;
            spacer = nullptr;
        }
        int i = 0;
        for (wdgQueueStats *box : qAsConst(boxes)) {
            grid->addWidget(box, i / columns, i % columns);
            box->show();
            ++i;
        }
        spacer = new QSpacerItem(20, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
        grid->addItem(spacer, rows, 0);
    }
    int height = 0;
    for (int r = 0; r < rows; ++r) {
        QLayoutItem *item = grid->itemAtPosition(r, 0);
        if (item && item->widget())
            height += item->widget()->sizeHint().height();
    }
    resize(available.width(), qMax(available.height(), height));
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "available" << available.width() << available.height() << "columns"
                           << columns << "rows" << rows << "height" << height;
}

void wdgQueues::updateServedCallsStats(const QString &queueId, int count, double meanWait, double meanTalk)
{
    if (wdgQueueStats *box = boxes.value(queueId)) {
        box->setCompletedCalls(count);
        box->setMWT(meanWait);
        box->setMCT(meanTalk);
    }
}

void wdgQueues::updateMissedCallsStats(const QString &queueId, int count, double)
{
    if (wdgQueueStats *box = boxes.value(queueId))
        box->setLostCalls(count);
}

void wdgQueues::updateOperatorLastCall(const QString &queueId, const QDateTime &lastCall)
{
    if (wdgQueueStats *box = boxes.value(queueId))
        box->setLastCall(lastCall);
}

void wdgQueues::updateOperatorCompletedCalls(const QString &queueId, const QString &operatorNum, int count)
{
    if (wdgQueueStats *box = boxes.value(queueId))
        box->setLocalCompletedCalls(operatorNum, count);
}

void wdgQueues::updateOperatorPauseStatus(const QString &queueId, const QString &account, const QDateTime &lastChange,
                                          bool paused)
{
    if (wdgQueueStats *box = boxes.value(queueId))
        box->setPaused(paused, account, lastChange);
}

void wdgQueues::resetOperatorStats(const QString &queueId)
{
    if (wdgQueueStats *box = boxes.value(queueId))
        box->resetStats();
}

void wdgQueues::updateEnqueuedCalls(const QString &queueId, int count, const QDateTime &)
{
    if (wdgQueueStats *box = boxes.value(queueId))
        box->setCurrentCalls(qMax(0, count));
}

void wdgQueues::closeEvent(QCloseEvent *event)
{
    hide();
    emit sigClosed();
    event->accept();
}

void wdgQueues::resizeEvent(QResizeEvent *event)
{
    event->ignore();
}
