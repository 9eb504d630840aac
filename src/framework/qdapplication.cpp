#include "qdapplication.h"

#include "processsingleton.h"
#include "promptservice.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSessionManager>
#include <QStandardPaths>

#include <cstdlib>

QString QdBaseApplication::applicationDataPath;
QString QdBaseApplication::winDumpNameWithFullPath;
bool QdApplication::ShutdownInProgress = false;

namespace
{
QString boolText(bool b)
{
    return b ? QStringLiteral("true") : QStringLiteral("false");
}
} // namespace

QString QdBaseAppConfig::toString() const
{
    QString s = QStringLiteral("This QD Application is configured as follows: ");
    s += QStringLiteral("\nApplication Name:\t\t") + appName;
    s += QStringLiteral("\nApplication Display Name:\t\t") + appDisplayName;
    s += QStringLiteral("\nApplication Data Path:\t\t") + appDataPath;
    s += QStringLiteral("\nConfirmation when OS is restarting: ") + boolText(confirmOnOsRestart);
    s += QStringLiteral("\nThere can be only one app of this type running:\t\t") + boolText(singleInstance);
    s += QStringLiteral("\nSingleApp Unique KEY: ") + singleAppKey;
    s += QStringLiteral("\nSingleApp exit code: ") + QString::number(singleAppExitCode);
    s += QStringLiteral("\nSingleApp fail custom msg: ") + singleAppFailMessage;
    s += QStringLiteral("\nWin Dump Type:\t\t") + QString::number(winDumpType);
    s += QStringLiteral("\nWin Dump File Path:\t\t") + winDumpFilePath;
    s += QStringLiteral("\nWin Dump File Name:\t\t") + winDumpFileName;
    s += QStringLiteral("\nWin Dump MaxFiles:\t\t") + QString::number(winDumpMaxFiles);
    s += QStringLiteral("\n\n");
    return s;
}

QdBaseApplication::QdBaseApplication(QdBaseAppConfig config) : m_config(config)
{
    if (!m_config.appName.isEmpty())
        QCoreApplication::setApplicationName(m_config.appName);
    if (m_config.appDataPath.isEmpty())
        m_config.appDataPath = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    applicationDataPath = m_config.appDataPath;
    if (m_config.winDumpFilePath.isEmpty())
        m_config.winDumpFilePath = m_config.appDataPath;
    if (m_config.winDumpFileName.isEmpty())
        m_config.winDumpFileName =
            QCoreApplication::applicationName().remove(QStringLiteral(".exe"), Qt::CaseSensitive);
    winDumpNameWithFullPath =
        QDir::toNativeSeparators(m_config.winDumpFilePath + QStringLiteral("/") + m_config.winDumpFileName);
    m_defaultSingleAppError =
        QStringLiteral("FATAL: There is already an app running with UNIQUE appkey: ") + m_config.singleAppKey;
    qDebug() << Q_FUNC_INFO << config.toString();
    removeExtraDumpFiles();
}

QdBaseApplication::~QdBaseApplication() = default;

QString QdBaseApplication::getSingleAppErrorMessage() const
{
    return m_config.singleAppFailMessage.isEmpty() ? m_defaultSingleAppError : m_config.singleAppFailMessage;
}

void QdBaseApplication::removeExtraDumpFiles()
{
    qDebug() << Q_FUNC_INFO;
    QDir dir(m_config.winDumpFilePath);
    const QStringList files =
        dir.entryList({m_config.winDumpFileName + QStringLiteral("*.dmp"), QStringLiteral(".*.dmp")},
                      QDir::Files | QDir::Hidden, QDir::Name | QDir::Reversed);
    qDebug() << files;
    for (int i = qMax(0, m_config.winDumpMaxFiles); i < files.size(); ++i) {
        if (!dir.remove(files.at(i)))
            qDebug() << "Could not delete old dump file:" << files.at(i);
    }
}

bool QdBaseApplication::installSingleInstanceGuard()
{
    if (!m_config.singleInstance)
        return true;
    try {
        m_singleton = std::make_unique<ProcessSingleton>(m_config.singleAppKey);
    } catch (ProcessSingletonAlreadyInUseException &) {
        return false;
    }
    return true;
}

QdApplication::QdApplication(int &argc, char **argv, QdBaseAppConfig config)
    : QApplication(argc, argv), QdBaseApplication(config)
{
    qDebug() << Q_FUNC_INFO << m_config.toString();
    if (!m_config.appDisplayName.isEmpty())
        QGuiApplication::setApplicationDisplayName(m_config.appDisplayName);
    ShutdownInProgress = false;
    if (!m_config.confirmOnOsRestart)
        connect(this, &QGuiApplication::commitDataRequest, this, &QdApplication::bailout);
    if (!installSingleInstanceGuard()) {
        PromptService::Message msg;
        msg.kind = PromptService::Kind::Critical;
        msg.title = QGuiApplication::applicationDisplayName();
        msg.text = getSingleAppErrorMessage();
        msg.format = Qt::AutoText; // our own text, entities included
        msg.buttons = QMessageBox::Ok;
        msg.defaultButton = QMessageBox::NoButton;
        prompts().message(nullptr, msg);
        std::exit(m_config.singleAppExitCode);
    }
}

QdApplication::~QdApplication() = default;

void QdApplication::setApplicationName(const QString &name)
{
    QGuiApplication::setApplicationDisplayName(name);
}

QString QdApplication::applicationName()
{
    return QGuiApplication::applicationDisplayName();
}

void QdApplication::bailout(QSessionManager &manager)
{
    qDebug() << Q_FUNC_INFO;
    ShutdownInProgress = true;
    manager.release();
}

QdCoreApplication::QdCoreApplication(int &argc, char **argv, QdBaseAppConfig config)
    : QCoreApplication(argc, argv), QdBaseApplication(config)
{
    qDebug() << Q_FUNC_INFO << config.toString();
    if (!installSingleInstanceGuard()) {
        qCritical() << getSingleAppErrorMessage();
        std::exit(m_config.singleAppExitCode);
    }
}

QdCoreApplication::~QdCoreApplication() = default;
