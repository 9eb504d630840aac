#include "chattime.h"

#include <QHash>

namespace ChatTime
{

QDateTime utcToLocal(const QDateTime &time)
{
    if (!time.isValid())
        return time;
    static QHash<qint64, int> offsets; // quarter of an hour since the epoch -> offset in seconds
    QDateTime utc = time;
    utc.setTimeSpec(Qt::UTC);
    const qint64 msecs = utc.toMSecsSinceEpoch();
    const qint64 quarter = msecs >= 0 ? msecs / 900000 : (msecs - 899999) / 900000;
    auto it = offsets.constFind(quarter);
    if (it == offsets.cend()) {
        if (offsets.size() > 100000)
            offsets.clear();
        it = offsets.insert(quarter, utc.toLocalTime().offsetFromUtc());
    }
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::OffsetFromUTC, it.value());
}

} // namespace ChatTime
