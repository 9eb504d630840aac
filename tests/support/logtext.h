// Reading a program's log in a test, without widgets (testhelpers.h includes
// it for the tests that drive widgets too).
#pragma once

#include <QByteArray>
#include <QString>

namespace testsupport
{

// The whole content of a (log) file; empty when it is missing or unreadable.
// Programs that buffer their log must flush it first (see programlog.h for
// the client's own log).
QByteArray logText(const QString &path);

} // namespace testsupport
