// The client's own log ("mphone.log") as a test reads it. Only for tests
// linked with the client (deskline_core), which owns the program logger.
//
//     const QByteArray text = testsupport::programLogText(settingsDir);
#pragma once

#include "app/globallogger.h"
#include "testhelpers.h"

#include <QDir>

namespace testsupport
{

// Flushes the program logger, when there is one, and reads the log file it
// writes in `dir`.
inline QByteArray programLogText(const QString &dir)
{
    if (logger)
        logger->flush();
    return logText(QDir(dir).filePath(QStringLiteral("mphone.log")));
}

} // namespace testsupport
