// What time it is now. The program reads the wall clock; a test installs a
// clock of its own before it builds the objects that read it.
#pragma once

#include <QDateTime>

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;

    // The clock in use; the wall clock when none was installed.
    static const Clock &instance();
    // Installs `clock` (not owned); null restores the wall clock.
    static void setInstance(const Clock *clock);
};
