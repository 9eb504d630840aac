// Check layer of the self-update machinery: runs version checks against the
// update server and reports their outcome through its signals.
#pragma once

#include "qufwproductbranch.h"

#include <QObject>
#include <QString>
#include <QUrl>

class Logger;
struct WriterConfig;

class CheckUpdateDlg : public QObject {
    Q_OBJECT
public:
    CheckUpdateDlg(const QString &key, QUFW::ProductBranch::ProdBranchType branch, const QString &labelText,
                   const QString &version, const QUrl &server, const QString &downloadDir,
                   const QString &loggerName, const QString &logDir, const WriterConfig &writerConfig,
                   QObject *parent = nullptr);
    ~CheckUpdateDlg() override;

    void setModalDialog(bool modal);
    void setHiddenCheck(bool hidden);
    bool isModalDialog() const { return modal; }
    bool isHiddenCheck() const { return hiddenCheck; }

    QString productUid() const { return m_productUid; }
    void setProductUid(const QString &uid) { m_productUid = uid; }
    QUrl serverUrl() const { return m_server; }
    int productBranch() const { return m_branch; }
    QString appVersion() const { return m_appVersion; }
    QString downloadDir() const { return m_downloadDir; }

signals:
    void canceled();
    void error(QString errstr);
    void noNewVersionAvailable();
    void newVersionAvailable(QString version);
    void upgradeStarted();

public slots:
    void checkUpdates();
    void startDownload();

protected:
    Logger *updaterLogger = nullptr;
    bool modal = true;
    bool hiddenCheck = false;
    bool updateAvailable = false;
    bool installerOutdated = false;

private:
    QString m_productUid;
    QString m_labelText;
    QString m_appVersion;
    QUrl m_server;
    QString m_downloadDir;
    int m_branch = QUFW::ProductBranch::StableBranch;
};
