#include "checkupdatedlg.h"

#include "uniqlogger.h"

#include <QDebug>

CheckUpdateDlg::CheckUpdateDlg(const QString &key, QUFW::ProductBranch::ProdBranchType branch,
                               const QString &labelText, const QString &version, const QUrl &server,
                               const QString &downloadDir, const QString &loggerName, const QString &logDir,
                               const WriterConfig &writerConfig, QObject *parent)
    : QObject(parent), m_productUid(key), m_labelText(labelText), m_appVersion(version), m_server(server),
      m_downloadDir(downloadDir), m_branch(branch)
{
    UniqLogger *ul = UniqLogger::instance(loggerName, 0);
    ul->setEncasingChars(QLatin1Char('['), QLatin1Char(']'));
    ul->setSpacingChar(QLatin1Char(' '));
    ul->setTimeStampFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    updaterLogger = ul->createFileLogger(QStringLiteral("UPDATER"), logDir + QStringLiteral("/updater.log"),
                                         writerConfig);
    if (updaterLogger) {
        *updaterLogger << UNQL::LOG_INFO << Q_FUNC_INFO << "Updater server URL:" << m_server.toString()
                       << UNQL::eom;
        *updaterLogger << UNQL::LOG_INFO << Q_FUNC_INFO << "Updater key:" << m_productUid << UNQL::eom;
        *updaterLogger << UNQL::LOG_INFO << Q_FUNC_INFO << "Branch type:" << m_branch << UNQL::eom;
        *updaterLogger << UNQL::LOG_INFO << Q_FUNC_INFO << "App version:" << m_appVersion << UNQL::eom;
        *updaterLogger << UNQL::LOG_INFO << Q_FUNC_INFO << "Download dir:" << m_downloadDir << UNQL::eom;
    }
}

CheckUpdateDlg::~CheckUpdateDlg()
{
    delete updaterLogger;
}

void CheckUpdateDlg::setModalDialog(bool isModal)
{
    modal = isModal;
}

void CheckUpdateDlg::setHiddenCheck(bool hidden)
{
    hiddenCheck = hidden;
}

void CheckUpdateDlg::checkUpdates()
{
    qDebug() << Q_FUNC_INFO;
    if (updaterLogger)
        *updaterLogger << UNQL::LOG_DBG << Q_FUNC_INFO << "Version check requested" << UNQL::eom;
}

void CheckUpdateDlg::startDownload()
{
    qDebug() << Q_FUNC_INFO;
    if (!updateAvailable)
        return;
}
