#include "pendingcalls.h"

MctiCallDetails *PendingCalls::join(const QString &key, Side arriving)
{
    auto it = entries.find(key);
    if (it == entries.end())
        return nullptr;
    for (const QSharedPointer<Entry> &e : qAsConst(it.value())) {
        if (!e->joined && e->side != arriving) {
            e->joined = true;
            return &e->record;
        }
    }
    return nullptr;
}

MctiCallDetails *PendingCalls::store(const QString &key, const MctiCallDetails &record, Side side)
{
    QSharedPointer<Entry> e(new Entry);
    e->record = record;
    e->side = side;
    entries[key].append(e);
    return &e->record;
}

bool PendingCalls::takeLine(qint64 lineId)
{
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        Queue &queue = it.value();
        for (int i = 0; i < queue.size(); ++i) {
            if (queue.at(i)->record.lineId == lineId) {
                queue.removeAt(i);
                if (queue.isEmpty())
                    entries.erase(it);
                return true;
            }
        }
    }
    return false;
}

bool PendingCalls::takeUid(const QString &uid)
{
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        Queue &queue = it.value();
        for (int i = 0; i < queue.size(); ++i) {
            if (queue.at(i)->record.uid == uid) {
                queue.removeAt(i);
                if (queue.isEmpty())
                    entries.erase(it);
                return true;
            }
        }
    }
    return false;
}

MctiCallDetails *PendingCalls::findLine(qint64 lineId)
{
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        for (const QSharedPointer<Entry> &e : qAsConst(it.value())) {
            if (e->record.lineId == lineId)
                return &e->record;
        }
    }
    return nullptr;
}

MctiCallDetails *PendingCalls::first(const QString &key)
{
    auto it = entries.find(key);
    if (it == entries.end() || it.value().isEmpty())
        return nullptr;
    return &it.value().first()->record;
}

int PendingCalls::size() const
{
    int n = 0;
    for (const Queue &queue : entries)
        n += queue.size();
    return n;
}

QList<MctiCallDetails> PendingCalls::recordsOf(const QString &key) const
{
    QList<MctiCallDetails> list;
    for (const QSharedPointer<Entry> &e : entries.value(key))
        list << e->record;
    return list;
}
