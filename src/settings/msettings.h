// Where the program keeps its files and what the program is called.
//
// A namespace of free functions over a few process-wide values: the settings
// directory (overridable once at start-up, otherwise the per-user application
// data location), the long application name, the rebranding pack file name and
// the font-size increment the style sheets consult.
#pragma once

#include <QString>

namespace MSETTINGS
{

// Operating mode of the client; stored as an int under "AppMode".
enum AppMode {
    AppModeCtiOnly = 0,   // calls controlled through the CTI server only
    AppModeDeskPhone = 1, // the user's desk telephone driven through the CTI library
    AppModeSoftphone = 2  // the built-in SIP softphone
};

// Settings directory; always ends with "/" once set.
QString getDefaultSettingsDirPath();
QString getSettingsDirPath();
void setSettingsDirPath(const QString &path);
QString getSettingsConfigFile();

// Sub-directories of the settings directory, created on demand.
QString getCertsDirPath();
QString getRebrandingDirPath();
QString getRebrandingPackFile();
QString getRebrandingFilePath(const QString &fileName);

// Sounds shipped with the installation (played through settings/msettingssound.h).
QString getSoundsDirPath();

// Identity.
QString getApplicationType();
QString getApplicationName();
QString getShortApplicationName();
QString getDefaultLongApplicationName();
QString getLongApplicationName();
void setLongApplicationName(const QString &name);
QString getApplicationVersion();

// Font-size increment consulted by the style sheets (> 0: larger fonts).
int getFontSizeIncrement();
void setFontSizeIncrement(int increment);

} // namespace MSETTINGS
