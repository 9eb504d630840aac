// Read rules of the settings file and the helpers that keep it private.
//
// Every value of "mcti.ini" is untrusted: these functions turn what QSettings
// gives back into a value of the right range, or into the key's default.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

class QSettings;

namespace MSettingsRules {

// The value as an int when it converts and lies in [lo, hi]; otherwise `fallback`.
int intInRange(const QVariant &value, int lo, int hi, int fallback);

// The value as an int clamped to [lo, hi]; `fallback` when it does not convert.
int clampedInt(const QVariant &value, int lo, int hi, int fallback);

// Periodic update check in minutes: a negative value, or one that does not
// convert, gives -1 (no periodic check); otherwise clamped to [lo, hi].
int updatePeriod(const QVariant &value, int lo, int hi);

// A positive int, or `fallback` for a value below 1 or one that does not convert.
int positiveInt(const QVariant &value, int fallback);

// An unsigned value with only the bits of `mask` kept; `fallback` (masked)
// when it does not convert.
quint32 maskedUnsigned(const QVariant &value, quint32 mask, quint32 fallback);

// "on"/"off" switches, case-sensitive: exactly "off" is off, anything else on.
bool switchDefaultOn(const QVariant &value);
// Exactly "on" is on, anything else off.
bool switchDefaultOff(const QVariant &value);

// ";"-separated list; empty text gives an empty list, empty parts are kept.
QStringList semicolonList(const QString &text);

// Child groups of the settings' current group whose names are positive decimal
// numbers, in ascending numeric order (gaps in the numbering are fine).
QStringList numberedSubgroups(QSettings &settings);

// Creates the settings directory readable by its owner only. An existing
// directory is left as it is. Returns false when it cannot be created.
bool ensurePrivateDir(const QString &dirPath);

// Writes the pending changes of `settings` to disk, gives the file owner-only
// permissions and returns whether the write succeeded.
bool commitPrivate(QSettings &settings);

} // namespace MSettingsRules
