#include "logtext.h"

#include <QFile>

namespace testsupport
{

QByteArray logText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace testsupport
