// A clock for tests: it follows the wall clock until a time is set, then
// stays at that time until the next one. Installs itself for its lifetime:
// make it before the objects that read the clock.
#pragma once

#include "framework/clock.h"

class ManualClock : public Clock
{
public:
    ManualClock() { Clock::setInstance(this); }
    ~ManualClock() override { Clock::setInstance(nullptr); }
    ManualClock(const ManualClock &) = delete;
    ManualClock &operator=(const ManualClock &) = delete;

    void set(const QDateTime &time) { fixed = time; }
    QDateTime now() const override { return fixed.isValid() ? fixed : QDateTime::currentDateTime(); }

private:
    QDateTime fixed;
};
