// Reading of the configuration file named with -c: a handful of keys of an
// INI file's top level. Kept apart from the rest of the start-up so that it
// can be exercised on its own.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace DesklineStartup
{

// Every start-up line is written as the entry's own, whichever helper writes it.
constexpr const char *MainLogPrefix = "int main(int, char **)";

// A configuration file holds a handful of keys; anything larger is not one.
constexpr qint64 MaxConfigFileBytes = 1024 * 1024;

// Keys of the top level ([General]) of an INI file, read verbatim: split at
// the first "=", blanks trimmed, one pair of enclosing double quotes removed,
// no escapes, no list or comment handling inside values. Only a regular file
// is read (at most MaxConfigFileBytes of it); anything else reads as no keys.
QHash<QString, QString> readConfigFileKeys(const QString &path);
// The same rules applied to the file's content.
QHash<QString, QString> parseConfigFileKeys(QByteArray data);
// Operating mode of the "mode" key: 0..2, anything else 2.
int startupModeFromText(const QString &text);

} // namespace DesklineStartup
