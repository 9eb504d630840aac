// Local time of the chat's UTC times, for showing and storing them.
//
// Turning a time into local time asks the C library for the time zone, which
// looks at the zone file on disk each time; a flood of messages or a month of
// history would spend most of its time there. The offset from UTC is asked
// once for each quarter of an hour (zones change their offset only on one)
// and the results carry it: the same instants, the same wall-clock fields as
// local times.
#pragma once

#include <QDateTime>

namespace ChatTime
{

// `time` read as UTC (whatever zone it is marked with), in local time; an invalid time
// stays invalid. GUI thread only.
QDateTime utcToLocal(const QDateTime &time);

} // namespace ChatTime
