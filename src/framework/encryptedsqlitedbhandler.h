// SQLite database kept scrambled at rest.
//
// The scrambled file (`hostName` + separator + `databaseName` of the
// configuration) holds the whole plain database rotated and Base64-encoded as
// one run of text without padding (see SimpleObfuscator). SQLite works on a
// plain working copy: decryptDb() reveals the scrambled file into it,
// encryptDb() hides it back and deletes it.
//
// The working copy lives in a private directory of the temporary directory
// (mode 0700, owned by the user), in a folder of its own for each scrambled
// file, and is created owner-only (0600) every time. Each handler holds a
// lock on its working copy, so copies left behind by a handler that no longer
// runs (a crash, a kill) are recognised at construction: the newest one, when
// it is newer than the scrambled file and a sound database, is written back
// into the scrambled file, then they are removed. Copies of other scrambled
// files (another settings directory) are never touched.
// Saving writes a sibling temporary file, syncs it and renames it over the
// old scrambled file: a failed save leaves the old file and the working copy.
#pragma once

#include "qdbasedbhandler.h"

#include <QString>

class QIODevice;

class EncryptedSqliteDbHandler : public QdBaseDbHandler
{
    Q_OBJECT

public:
    // Plain bytes are hidden, and Base64 text revealed, in blocks of this size:
    // a multiple of 3 and of 4, so block outputs join into one Base64 run.
    static constexpr qint64 BlockSize = 12288;

    explicit EncryptedSqliteDbHandler(const DbhConfig &config, QObject *parent = nullptr);
    ~EncryptedSqliteDbHandler() override;

    bool decryptDb();
    bool encryptDb();
    void deleteFiles();

    // Hides (encrypt true) or reveals the source file into the destination,
    // which is created or truncated. False when a file cannot be opened, read
    // or written.
    static bool encryptOrDecryptFile(const QString &source, const QString &destination, bool encrypt);

    // The block copy behind encryptOrDecryptFile() on open devices: false on
    // a read error, a source that stops delivering before its end, or a short
    // or failed write (including the final flush of a file).
    static bool scrambleCopy(QIODevice &source, QIODevice &destination, bool encrypt);

    // The private directory that holds the working copies, created when
    // missing; empty when it cannot be made safe (not a directory of ours).
    static QString workingDirectory();
    // The folder of workingDirectory() that holds the working copies of one
    // scrambled file, created when missing; empty when it cannot be made safe.
    static QString workingDirectoryFor(const QString &encryptedFilePath);

    // Writes a consistent copy of the plain database `plainDb` (which another
    // connection may go on writing) into the scrambled file, replacing it
    // only once the new one is complete on disk. Usable from any thread: it
    // opens a connection of its own. `snapshotPath` is the plain scratch file
    // it uses and removes.
    static bool saveSnapshot(const QString &plainDb, const QString &snapshotPath, const QString &encryptedPath,
                             QString *error = nullptr);
    // The scratch file saveSnapshot() uses for this handler's working copy.
    QString snapshotPath() const;

protected:
    QString encryptedFilePath;
    QString workingFilePath;

private:
    bool claimWorkingCopyName();
    bool createWorkingCopy();
    void removeStaleWorkingCopies() const;
    bool recoverWorkingCopy(const QString &copy) const;
    void releaseWorkingCopyName();
    static void removeWorkingCopyFiles(const QString &path);

    QString m_workingCopyName; // fixed for the handler's life once claimed
    int m_lockFd = -1;         // held lock on m_workingCopyName + ".lock"
};
