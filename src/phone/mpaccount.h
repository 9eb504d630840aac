// The softphone's one SIP account: credentials, registrar and the timer that
// asks for a new registration at two thirds of the expiry.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class MPAccount : public QObject
{
    Q_OBJECT
public:
    // The shortest re-registration period: an expiry of a few seconds would
    // otherwise send REGISTER in a tight loop.
    static constexpr int kMinRefreshMs = 30000;
    // ((2 * secs) / 3) * 1000 ms, at least kMinRefreshMs.
    static int refreshIntervalMs(int expirationSecs);

    MPAccount();
    ~MPAccount() override;

    void setRegisterExpirationSecs(int secs);
    // Reads the account from an INI file (array SIP_ACCOUNTS, group
    // SIP_DEFAULTS); false when the file does not exist.
    bool readSettings(const QString &fileName, int index);

    // A confirmed registration: marks it and (re)starts the refresh timer.
    void sipRegister();
    // Stops the refresh timer and clears the registered mark.
    void sipUnregister();

    bool isRegistered() const { return m_registered; }
    QTimer *refreshTimer() { return &m_refreshTimer; }

    bool m_registered = false;
    QString m_displayUser;
    QTimer m_refreshTimer;
    int m_registerExpirationSecs = 3600;
    QString m_localIp;
    QString m_authUsername;
    QString m_password;
    QString m_sipUser;
    QString m_registrarAddress;
    int m_registrarPort = 5060;

public slots:
    void refreshSipRegister();

signals:
    void sigRegisterRefreshNeeded();
};
