#include "guiutils.h"

#include <QRandomGenerator>

#include <cstdlib>

int GuiUtils::randomValue(int base, int range)
{
    if (range == 0)
        return base;
    // |INT_MIN| does not fit an int: take the magnitude as unsigned.
    const quint32 magnitude = range < 0 ? quint32(0) - quint32(range) : quint32(range);
    const quint32 offset = QRandomGenerator::global()->bounded(magnitude);
    return int(qint64(base) + qint64(offset));
}
