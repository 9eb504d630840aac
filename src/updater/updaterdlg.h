// The one update object of the program, created by the entry before the main
// window and wired to it with queued connections.
#pragma once

#include "checkupdatedlg.h"

class UpdaterDlg : public CheckUpdateDlg
{
    Q_OBJECT
public:
    UpdaterDlg(const QString &key, QUFW::ProductBranch::ProdBranchType branch, const QString &applicationName,
               const QString &version, const QUrl &server, const QString &downloadDir, const QString &loggerName,
               const QString &logDir, const WriterConfig &writerConfig, ProgramStarter &starter,
               QObject *parent = nullptr);

    // On: a reported version is downloaded at once and an error also counts
    // as a cancel. Acts only when the value changes.
    void setAutoUpdate(bool on);
    bool isAutoUpdate() const { return autoUpdate; }

    // "%1-PORTABLE" when the program file is writable and lies under the
    // user's home directory, otherwise the key unchanged.
    static QString effectiveKey(const QString &key, const QString &programFile, const QString &homeDir);

private:
    bool autoUpdate = false;
};
