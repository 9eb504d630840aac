// Application base classes: a Qt application configured by a value record,
// which names the application, settles its data directory, removes old crash
// dumps, optionally gives way at once when the session ends, and optionally
// refuses to run beside another copy of itself.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QString>

#include <memory>

class ProcessSingleton;
class QSessionManager;

struct QdBaseAppConfig {
    QString appName;
    QString appDisplayName;
    QString appDataPath;
    bool confirmOnOsRestart = true;
    bool singleInstance = false;
    QString singleAppKey = QStringLiteral("QD_BASE_APP");
    QString singleAppFailMessage;
    int singleAppExitCode = 1;
    int winDumpType = 0;
    int winDumpMaxFiles = 5;
    QString winDumpFilePath;
    QString winDumpFileName;

    QString toString() const;
};

class QdBaseApplication
{
public:
    explicit QdBaseApplication(QdBaseAppConfig config);
    virtual ~QdBaseApplication();
    QdBaseApplication(const QdBaseApplication &) = delete;
    QdBaseApplication &operator=(const QdBaseApplication &) = delete;

    QString getSingleAppErrorMessage() const;
    void removeExtraDumpFiles();

    const QdBaseAppConfig &config() const { return m_config; }
    ProcessSingleton *singleton() const { return m_singleton.get(); }

    static QString applicationDataPath;
    static QString winDumpNameWithFullPath;

protected:
    // Installs the guard; false when a live copy holds the key.
    bool installSingleInstanceGuard();

    QdBaseAppConfig m_config;
    QString m_defaultSingleAppError;
    std::unique_ptr<ProcessSingleton> m_singleton;
};

class QdApplication : public QApplication, public QdBaseApplication
{
    Q_OBJECT
public:
    QdApplication(int &argc, char **argv, QdBaseAppConfig config);
    ~QdApplication() override;

    static void setApplicationName(const QString &name);
    static QString applicationName();

    static bool ShutdownInProgress;

public slots:
    void bailout(QSessionManager &manager);
};

class QdCoreApplication : public QCoreApplication, public QdBaseApplication
{
public:
    QdCoreApplication(int &argc, char **argv, QdBaseAppConfig config);
    ~QdCoreApplication() override;
};
