#include "testhelpers.h"

#include <cstdio>
#include <cstdlib>

namespace testsupport
{

namespace detail
{

void failLookup(const QObject &parent, const QString &name, const char *typeName, int found)
{
    const QString parentName = parent.objectName().isEmpty() ? QStringLiteral("(no name)") : parent.objectName();
    const QByteArray message =
        QStringLiteral("%1 %2 named \"%3\" under %4 \"%5\"")
            .arg(found == 0 ? QStringLiteral("no") : QString::number(found), QString::fromLatin1(typeName), name,
                 QString::fromLatin1(parent.metaObject()->className()), parentName)
            .toUtf8();
    // qFatal names the running test function; the test cannot go on without
    // the widget it drives.
    qFatal("widget lookup failed: %s", message.constData());
    std::abort();
}

} // namespace detail
} // namespace testsupport
