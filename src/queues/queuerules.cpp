#include "queuerules.h"

#include <QCoreApplication>
#include <QSet>

#include <cmath>
#include <limits>

namespace QueueRules
{

CountClass countClass(bool known, int blfState, bool paused)
{
    if (!known || blfState == CTILIB::BlfUnavailable || blfState == CTILIB::BlfUnknown)
        return Unregistered;
    if (paused)
        return Paused;
    if (blfState == CTILIB::BlfIdle || blfState == CTILIB::BlfRinging)
        return Available;
    return Busy;
}

QString OperatorCounts::text() const
{
    return QStringLiteral("%1/%2/%3/%4").arg(available).arg(busy).arg(paused).arg(unregistered);
}

void addToCounts(OperatorCounts &counts, CountClass c)
{
    switch (c) {
    case Available:
        ++counts.available;
        break;
    case Busy:
        ++counts.busy;
        break;
    case Paused:
        ++counts.paused;
        break;
    case Unregistered:
        ++counts.unregistered;
        break;
    }
}

CountClass classify(const QueueUserStatus &m, const MctiExtenMap *extensions)
{
    if (!extensions)
        return Unregistered;
    const auto it = extensions->constFind(m.extension);
    if (it == extensions->constEnd())
        return Unregistered;
    return countClass(true, it->blfState, m.paused);
}

static int &countOf(QueueStatus &queue, CountClass c)
{
    switch (c) {
    case Available:
        return queue.availableCount;
    case Busy:
        return queue.busyCount;
    case Paused:
        return queue.pausedCount;
    case Unregistered:
        break;
    }
    return queue.unregisteredCount;
}

void moveCount(QueueStatus &queue, const CountClass *from, const CountClass *to)
{
    if (from)
        countOf(queue, *from) = qMax(0, countOf(queue, *from) - 1);
    if (to)
        ++countOf(queue, *to);
}

OperatorCounts countMembers(const QMap<QString, QueueUserStatus> &members, const MctiExtenMap *extensions)
{
    OperatorCounts counts;
    for (const QueueUserStatus &m : members)
        addToCounts(counts, classify(m, extensions));
    return counts;
}

void QueueModel::applyStats(const QueueStatsList &list, int role, const QStringList &ownNames,
                            const QStringList &filter, const MctiExtenMap *extensions)
{
    if (!isQueueRole(role))
        return;
    queueNames.clear();
    memberQueues.clear();
    memberExtension.clear();
    extensionMembers.clear();
    queueMembers.clear();
    ownQueues.clear();
    QSet<QString> seen;
    for (const QueueStats &q : list) {
        bool taken = role == RoleSupervisor;
        if (!taken) {
            for (const QueueStatsMember &m : q.members) {
                if (ownNames.contains(m.memberId)) {
                    taken = true;
                    break;
                }
            }
        }
        if (!taken || (!filter.isEmpty() && !filter.contains(q.queueName)))
            continue;
        QueueStatus &status = queues[q.queueId];
        status.id = q.queueId;
        status.name = q.queueName;
        status.waitingCount = quint32(qMax(0, q.waitingCalls));
        status.oldestCallTime = q.oldestCallTime;
        status.members.clear();
        status.stale = false;
        seen.insert(q.queueId);
        if (!queueNames.contains(q.queueName))
            queueNames << q.queueName;
        OperatorCounts counts;
        for (const QueueStatsMember &m : q.members) {
            const bool own = ownNames.contains(m.memberId);
            if (role != RoleSupervisor && !own)
                continue;
            QueueUserStatus &u = status.members[m.memberId];
            u.memberId = m.memberId;
            u.extension = m.extension;
            u.penalty = m.penalty;
            u.memberType = m.memberType != 0 ? 1 : 0;
            u.lastCall = m.lastCall;
            u.paused = m.paused;
            u.lastPauseChange = m.lastPauseChange;
            u.name =
                extensions ? extensions->value(m.extension, MctiExtenDetails(QString(), QString())).name : QString();
            addToCounts(counts, classify(u, extensions));
            memberExtension[m.memberId] = m.extension;
            extensionMembers[m.extension] << m.memberId;
            queueMembers[q.queueId].insert(m.memberId);
            QStringList &ids = memberQueues[m.memberId];
            if (!ids.contains(q.queueId))
                ids << q.queueId;
            if (own)
                ownQueues[q.queueId] = q.queueName;
        }
        status.availableCount = counts.available;
        status.busyCount = counts.busy;
        status.pausedCount = counts.paused;
        status.unregisteredCount = counts.unregistered;
    }
    for (auto it = queues.begin(); it != queues.end(); ++it) {
        if (!seen.contains(it.key())) {
            it->stale = true;
            it->column = -1;
        }
    }
}

void QueueModel::rebuildOwnQueues(const QStringList &ownNames)
{
    ownQueues.clear();
    for (auto it = memberQueues.cbegin(); it != memberQueues.cend(); ++it) {
        if (!ownNames.contains(it.key()))
            continue;
        for (const QString &qid : it.value()) {
            if (!ownQueues.contains(qid))
                ownQueues.insert(qid, queues.value(qid).name);
        }
    }
}

QString QueueModel::queueIdOf(const QString &name) const
{
    for (auto it = queues.cbegin(); it != queues.cend(); ++it) {
        if (!it->stale && it->name == name)
            return it.key();
    }
    return QString();
}

QStringList QueueModel::liveQueueIds() const
{
    QStringList ids;
    for (auto it = queues.cbegin(); it != queues.cend(); ++it) {
        if (!it->stale)
            ids << it.key();
    }
    return ids;
}

QMap<QString, QStringList> QueueModel::liveQueueMembers() const
{
    QMap<QString, QStringList> out;
    for (auto it = queueMembers.cbegin(); it != queueMembers.cend(); ++it) {
        if (!queues.contains(it.key()) || queues.value(it.key()).stale)
            continue;
        QStringList members = it.value().values();
        members.sort();
        out.insert(it.key(), members);
    }
    return out;
}

int QueueModel::waitingTotal(bool own, const QString &ownExtension) const
{
    qint64 total = 0;
    for (const QueueStatus &q : queues) {
        if (q.stale)
            continue;
        if (own) {
            bool mine = false;
            for (const QueueUserStatus &m : q.members) {
                if (m.extension == ownExtension) {
                    mine = true;
                    break;
                }
            }
            if (!mine)
                continue;
        }
        total += q.waitingCount;
    }
    return int(qMin<qint64>(total, std::numeric_limits<int>::max()));
}

QStringList nameFilter(const QString &configured)
{
    if (configured.isEmpty())
        return QStringList();
    return configured.split(QLatin1Char(';'), Qt::KeepEmptyParts);
}

const QList<PeriodChoice> &periodChoices()
{
    static const QList<PeriodChoice> choices = {
        {QT_TRANSLATE_NOOP("MspMainWidget", "Ultima ora"), CTILIB::PeriodLastHour},
        {QT_TRANSLATE_NOOP("MspMainWidget", "Oggi"), CTILIB::PeriodToday},
        {QT_TRANSLATE_NOOP("MspMainWidget", "Ieri"), CTILIB::PeriodYesterday},
        {QT_TRANSLATE_NOOP("MspMainWidget", "Settimana corrente"), CTILIB::PeriodThisWeek},
        {QT_TRANSLATE_NOOP("MspMainWidget", "Mese corrente"), CTILIB::PeriodThisMonth},
        {QT_TRANSLATE_NOOP("MspMainWidget", "Mese precedente"), CTILIB::PeriodPreviousMonth},
        {QT_TRANSLATE_NOOP("MspMainWidget", "Ultimi 30gg"), CTILIB::PeriodLast30Days},
        {QT_TRANSLATE_NOOP("MspMainWidget", "Ultimi 60gg"), CTILIB::PeriodLast60Days},
        {QT_TRANSLATE_NOOP("MspMainWidget", "Ultimi 90gg"), CTILIB::PeriodLast90Days},
    };
    return choices;
}

QList<PeriodRequest> periodRequests(int role, quint32 capabilities, int selectedType, const QDateTime &from,
                                    const QDateTime &to)
{
    QList<PeriodRequest> out;
    int type = selectedType;
    if (role == RoleOperator)
        type = CTILIB::PeriodToday;
    else if (role != RoleSupervisor)
        return out;
    if (CTILIB::periodTypeFromString(CTILIB::periodTypeToString(type)) == CTILIB::PeriodInvalid)
        return out;
    const bool all = capabilities & CapAllPeriodicStats;
    const PeriodRequest::Kind queuesKind = all ? PeriodRequest::AllQueues : PeriodRequest::Queues;
    const PeriodRequest::Kind operatorsKind = all ? PeriodRequest::AllOperators : PeriodRequest::Operators;
    if (role == RoleOperator) {
        out << PeriodRequest{queuesKind, CTILIB::PeriodToday, QDateTime(), QDateTime()}
            << PeriodRequest{operatorsKind, CTILIB::PeriodToday, QDateTime(), QDateTime()};
        return out;
    }
    out << PeriodRequest{queuesKind, type, from, to} << PeriodRequest{operatorsKind, type, from, to};
    if (type != CTILIB::PeriodLastHour)
        out << PeriodRequest{queuesKind, CTILIB::PeriodLastHour, QDateTime(), QDateTime()};
    return out;
}

int statSeconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    if (seconds >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(seconds);
}

QString minSecText(qint64 seconds)
{
    const qint64 s = qMax<qint64>(0, seconds);
    return QStringLiteral("%1:%2").arg(s / 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString pauseAgeText(qint64 seconds)
{
    const qint64 s = qMax<qint64>(0, seconds);
    const qint64 days = s / 86400;
    const qint64 hours = s / 3600 - days * 24;
    const QString mm = QStringLiteral("%1").arg((s / 60) % 60, 2, 10, QLatin1Char('0'));
    const QString ss = QStringLiteral("%1").arg(s % 60, 2, 10, QLatin1Char('0'));
    if (days < 1)
        return QStringLiteral("%1:%2:%3").arg(hours).arg(mm, ss);
    return QStringLiteral("%1g %2:%3:%4").arg(days).arg(hours).arg(mm, ss);
}

int refreshIntervalSecs(quint16 configured)
{
    if (configured == 0)
        return 300;
    return qMax<int>(10, configured);
}

PauseTotals pauseTotals(const QueuePauseMap &map)
{
    PauseTotals t;
    for (const QMap<QString, bool> &accounts : map) {
        for (bool paused : accounts) {
            ++t.total;
            if (paused)
                ++t.paused;
        }
    }
    return t;
}

GlobalPause globalPause(int paused, int total)
{
    if (paused <= 0)
        return AllActive;
    if (paused < total)
        return PartlyPaused;
    return AllPaused;
}

int pendingChanges(const QueuePauseMap &map, bool target)
{
    int n = 0;
    for (const QMap<QString, bool> &accounts : map) {
        for (bool paused : accounts) {
            if (paused != target)
                ++n;
        }
    }
    return n;
}

int gridColumns(int width, int margin, int horizontalSpacing, int boxWidth)
{
    const int cell = qMax(QueueBoxWidth, boxWidth) + qMax(0, horizontalSpacing);
    return qMax(1, (width - 2 * margin) / cell);
}

int gridRows(int boxes, int columns)
{
    if (columns <= 0 || boxes <= 0)
        return 0;
    return boxes / columns + (boxes % columns ? 1 : 0);
}

bool gridNeedsRebuild(int lastBoxes, int lastColumns, int boxes, int columns)
{
    return lastBoxes != boxes || lastColumns != columns;
}

} // namespace QueueRules
