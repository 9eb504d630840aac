// Single-instance guard: a named shared-memory segment whose first 8 bytes
// record the process id of the running copy (0: no owner).
#pragma once

#include <QSharedMemory>
#include <QString>
#include <QtGlobal>

#include <memory>

// Thrown by the ProcessSingleton constructor when a live copy owns the key.
class ProcessSingletonAlreadyInUseException
{
};

// Platform-specific answer to "is this process id a live copy of us?".
class OsalProcessLivenessImpl
{
public:
    virtual ~OsalProcessLivenessImpl() = default;
    virtual bool isAlive(qint64 pid) = 0;
};

class OsalProcessLiveness
{
public:
    OsalProcessLiveness();
    ~OsalProcessLiveness();
    OsalProcessLiveness(const OsalProcessLiveness &) = delete;
    OsalProcessLiveness &operator=(const OsalProcessLiveness &) = delete;

    // False when the platform has no implementation.
    bool isAlive(qint64 pid);

private:
    std::unique_ptr<OsalProcessLivenessImpl> m_impl;
};

class ProcessSingleton
{
public:
    static constexpr int SegmentSize = 1024;

    // Creates or attaches the segment and claims it; throws
    // ProcessSingletonAlreadyInUseException when a live copy holds it.
    explicit ProcessSingleton(const QString &key);
    ~ProcessSingleton();
    ProcessSingleton(const ProcessSingleton &) = delete;
    ProcessSingleton &operator=(const ProcessSingleton &) = delete;

    // True when a live copy is recorded; otherwise records this process as
    // the owner. The test and the record are one locked section.
    bool alreadyInUse();
    qint64 readProcessPidFromShMem();
    void writeProcessPidToShMem(qint64 pid);

    bool isUsable() const { return m_usable; }
    bool isInUse() const { return m_inUse; }

private:
    QString m_key;
    std::unique_ptr<QSharedMemory> m_shm;
    bool m_usable = false;
    bool m_inUse = false;
};
