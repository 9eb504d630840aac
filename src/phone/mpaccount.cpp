#include "mpaccount.h"

#include <QFile>
#include <QSettings>

int MPAccount::refreshIntervalMs(int expirationSecs)
{
    const qint64 ms = qint64((2 * qint64(expirationSecs)) / 3) * 1000;
    return int(qBound<qint64>(kMinRefreshMs, ms, 24 * 3600 * 1000));
}

MPAccount::MPAccount()
{
    m_refreshTimer.setObjectName(QStringLiteral("sipRegisterRefreshTimer"));
    m_refreshTimer.setSingleShot(true);
    connect(&m_refreshTimer, &QTimer::timeout, this, &MPAccount::refreshSipRegister);
    m_refreshTimer.setInterval(refreshIntervalMs(m_registerExpirationSecs));
}

MPAccount::~MPAccount()
{
    m_refreshTimer.disconnect();
    m_refreshTimer.stop();
    m_registered = false;
}

void MPAccount::setRegisterExpirationSecs(int secs)
{
    m_registerExpirationSecs = secs;
    m_refreshTimer.setInterval(refreshIntervalMs(secs));
}

bool MPAccount::readSettings(const QString &fileName, int index)
{
    if (!QFile::exists(fileName))
        return false;
    QSettings s(fileName, QSettings::IniFormat);
    s.beginReadArray(QStringLiteral("SIP_ACCOUNTS"));
    s.setArrayIndex(index);
    const QString user = s.value(QStringLiteral("User")).toString();
    if (!user.isEmpty()) {
        m_displayUser = user;
        m_sipUser = user;
    }
    const QString authUser = s.value(QStringLiteral("Username")).toString();
    if (!authUser.isEmpty())
        m_authUsername = authUser;
    const QString password = s.value(QStringLiteral("Password")).toString();
    if (!password.isEmpty())
        m_password = password;
    s.endArray();

    s.beginGroup(QStringLiteral("SIP_DEFAULTS"));
    m_registrarAddress = s.value(QStringLiteral("RegistrarIp")).toString();
    const int port = s.value(QStringLiteral("RegistrarPort")).toInt();
    if (port > 0)
        m_registrarPort = port;
    const int expiration = s.value(QStringLiteral("RegisterExpiration")).toInt();
    if (expiration > 0)
        setRegisterExpirationSecs(expiration);
    s.beginGroup(QStringLiteral("NETWORK"));
    const QString localIp = s.value(QStringLiteral("LocalIP")).toString();
    if (!localIp.isEmpty())
        m_localIp = localIp;
    s.endGroup();
    s.endGroup();
    return true;
}

void MPAccount::sipRegister()
{
    m_registered = true;
    m_refreshTimer.start();
}

void MPAccount::sipUnregister()
{
    m_refreshTimer.stop();
    m_registered = false;
}

void MPAccount::refreshSipRegister()
{
    if (m_registered)
        emit sigRegisterRefreshNeeded();
}
