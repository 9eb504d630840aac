// The join of the CTI server's report of a call with the phone's report of the
// same call. Each kind of call (incoming, outgoing, answered) has one of
// these: records wait under a number (the remote number, or the dialled one
// for outgoing calls) until the other side reports. Under one number the
// records queue in arrival order, so two calls from the same number (every
// withheld caller) are joined in turn instead of overwriting each other.
#pragma once

#include "mcticalldetails.h"

#include <QList>
#include <QMap>
#include <QSharedPointer>
#include <QString>

class PendingCalls
{
public:
    enum class Side { Cti, Phone };

    // The oldest record under `key` that the other side stored and nobody has
    // joined yet; null when there is none. The record is marked joined: it
    // waits for the pipeline step (or the end of the call) to drop it.
    MctiCallDetails *join(const QString &key, Side arriving);
    // Stores a new record under `key`, after those already there.
    MctiCallDetails *store(const QString &key, const MctiCallDetails &record, Side side);

    // Drops the first record (number order, then arrival order) of the line.
    bool takeLine(qint64 lineId);
    // Drops the first record (number order, then arrival order) of the call.
    bool takeUid(const QString &uid);
    // The first record of the line, null when none.
    MctiCallDetails *findLine(qint64 lineId);
    // The first record under `key`, null when none.
    MctiCallDetails *first(const QString &key);

    void clear() { entries.clear(); }
    bool isEmpty() const { return entries.isEmpty(); }
    int size() const;
    // Records waiting under `key`, oldest first.
    QList<MctiCallDetails> recordsOf(const QString &key) const;

private:
    struct Entry {
        MctiCallDetails record;
        Side side = Side::Cti;
        bool joined = false;
    };
    using Queue = QList<QSharedPointer<Entry>>;
    QMap<QString, Queue> entries;
};
