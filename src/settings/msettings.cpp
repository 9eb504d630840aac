#include "msettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace
{

const char *const kProgramFileName = "deskline.exe";
const char *const kSettingsFileName = "mcti.ini";

QString g_appSettingsPath;
QString g_longApplicationName = QStringLiteral("DESKLINE EDITION");
const QString g_rebrandingPackFile = QStringLiteral("assets.zip");
int g_fontSizeIncrement = 0;

// Returns "<settings dir>/<name>" (with the settings dir's own trailing
// separator, hence a doubled one) and creates that one directory when the
// settings directory exists and lacks it.
QString subDirectory(const QString &name)
{
    const QString base = MSETTINGS::getSettingsDirPath();
    QDir dir(base);
    if (!dir.exists(name))
        dir.mkdir(name); // result ignored: a missing settings dir makes it fail
    return QStringLiteral("%1/%2").arg(base, name);
}

} // namespace

namespace MSETTINGS
{

QString getDefaultSettingsDirPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QDir::separator();
}

QString getSettingsDirPath()
{
    if (g_appSettingsPath.isEmpty())
        g_appSettingsPath = getDefaultSettingsDirPath();
    return g_appSettingsPath;
}

void setSettingsDirPath(const QString &path)
{
    if (path.isEmpty())
        g_appSettingsPath = getDefaultSettingsDirPath();
    else if (path.endsWith(QLatin1Char('/')))
        g_appSettingsPath = path;
    else
        g_appSettingsPath = path + QLatin1Char('/');
}

QString getSettingsConfigFile()
{
    return getSettingsDirPath() + QLatin1String(kSettingsFileName);
}

QString getCertsDirPath()
{
    return subDirectory(QStringLiteral("certs"));
}

QString getRebrandingDirPath()
{
    return subDirectory(QStringLiteral("rebranding"));
}

QString getRebrandingPackFile()
{
    return QStringLiteral("%1/%2").arg(getRebrandingDirPath(), g_rebrandingPackFile);
}

QString getRebrandingFilePath(const QString &fileName)
{
    return QStringLiteral("%1/%2").arg(getRebrandingDirPath(), fileName);
}

QString getSoundsDirPath()
{
    const QString resources = QStringLiteral("%1/../Resources").arg(QCoreApplication::applicationDirPath());
    return QStringLiteral("%1/%2").arg(resources, QStringLiteral("sounds"));
}

QString getApplicationType()
{
    return QStringLiteral("MCTI");
}

QString getApplicationName()
{
    return QStringLiteral("DESKLINE");
}

QString getShortApplicationName()
{
    QString name = QStringLiteral("%1").arg(QLatin1String(kProgramFileName));
    name.remove(QStringLiteral(".exe"), Qt::CaseSensitive);
    name.remove(QStringLiteral(" "), Qt::CaseSensitive);
    return name.toUpper();
}

QString getDefaultLongApplicationName()
{
    return QStringLiteral("%1").arg(QStringLiteral("DESKLINE EDITION"));
}

QString getLongApplicationName()
{
    return g_longApplicationName;
}

void setLongApplicationName(const QString &name)
{
    g_longApplicationName = name.isEmpty() ? getDefaultLongApplicationName() : name;
}

QString getApplicationVersion()
{
    return QStringLiteral(DESKLINE_APP_VERSION);
}

int getFontSizeIncrement()
{
    return g_fontSizeIncrement;
}

void setFontSizeIncrement(int increment)
{
    g_fontSizeIncrement = increment;
}

} // namespace MSETTINGS
