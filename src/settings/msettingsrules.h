// Read rules of the settings file and the helpers that keep it private.
//
// Every value of "mcti.ini" is untrusted: these functions turn what QSettings
// gives back into a value of the right range, or into the key's default.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

class QSettings;

namespace MSettingsRules
{

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
// permissions and returns whether the write succeeded. A file that did not
// parse when it was read is no write failure.
bool commitPrivate(QSettings &settings);

// A SIP registrar or proxy address as the PBX hands it out: a host name, an
// IPv4 address or a bracketed IPv6 literal, with an optional port 1-65535.
// Blanks, control characters and ports out of range are refused.
bool isAcceptableSipAddress(const QString &value);

// The settings text without the lines whose value is a serialized variant
// ("@Variant(...)"): QSettings would decode any registered type from it, and
// a crafted one claims billions of items. Our file never holds one, so such a
// key reads as its default. `dropped` counts the lines taken out.
QByteArray withoutSerializedVariants(const QByteArray &iniText, int *dropped = nullptr);

// Rewrites the settings file at `path` without serialized variants when it
// holds any, keeping it owner-only. Returns the number of lines dropped.
int scrubSerializedVariants(const QString &path);

} // namespace MSettingsRules
