#include "clock.h"

namespace
{
class WallClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

const WallClock wallClock;
const Clock *installed = nullptr;
} // namespace

const Clock &Clock::instance()
{
    return installed ? *installed : wallClock;
}

void Clock::setInstance(const Clock *clock)
{
    installed = clock;
}
