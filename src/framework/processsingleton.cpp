#include "processsingleton.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/types.h>
#include <unistd.h>

namespace
{

#ifdef Q_OS_LINUX
// A process counts as alive when it exists and runs the same program file as
// this process, so a pid reused by an unrelated program does not block us.
class LinuxProcessLiveness : public OsalProcessLivenessImpl
{
public:
    bool isAlive(qint64 pid) override
    {
        if (pid <= 0 || pid != qint64(pid_t(pid)))
            return false;
        if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
            return false;
        const QString other = exePath(QStringLiteral("/proc/%1/exe").arg(pid));
        const QString self = exePath(QStringLiteral("/proc/self/exe"));
        return !other.isEmpty() && other == self;
    }

private:
    static QString exePath(const QString &link)
    {
        QString target = QFile::symLinkTarget(link);
        // A program file replaced while running (an update) still counts.
        const QString deleted = QStringLiteral(" (deleted)");
        if (target.endsWith(deleted))
            target.chop(deleted.size());
        return target;
    }
};
#endif

} // namespace

OsalProcessLiveness::OsalProcessLiveness()
{
#ifdef Q_OS_LINUX
    m_impl = std::make_unique<LinuxProcessLiveness>();
#endif
}

OsalProcessLiveness::~OsalProcessLiveness() = default;

bool OsalProcessLiveness::isAlive(qint64 pid)
{
    return m_impl ? m_impl->isAlive(pid) : false;
}

ProcessSingleton::ProcessSingleton(const QString &key) : m_key(key), m_shm(std::make_unique<QSharedMemory>(key))
{
    if (m_shm->create(SegmentSize, QSharedMemory::ReadWrite)) {
        m_usable = true;
    } else if (m_shm->error() == QSharedMemory::AlreadyExists) {
        qDebug() << Q_FUNC_INFO << "Shmem segment already exists, attaching to it";
        m_usable = m_shm->attach(QSharedMemory::ReadWrite);
        qDebug() << Q_FUNC_INFO << "Shmem attach succeded:" << m_usable;
    }
    if (m_usable && m_shm->size() < int(sizeof(qint64)))
        m_usable = false;
    m_inUse = alreadyInUse();
    if (m_inUse)
        throw ProcessSingletonAlreadyInUseException();
}

ProcessSingleton::~ProcessSingleton()
{
    if (m_usable && !m_inUse && m_shm->lock()) {
        // Only our own record is cleared: a later copy may have taken over.
        qint64 recorded = 0;
        std::memcpy(&recorded, m_shm->constData(), sizeof recorded);
        if (recorded == QCoreApplication::applicationPid()) {
            const qint64 none = 0;
            std::memcpy(m_shm->data(), &none, sizeof none);
        }
        m_shm->unlock();
    }
    if (m_shm->isAttached())
        m_shm->detach();
}

bool ProcessSingleton::alreadyInUse()
{
    const qint64 self = QCoreApplication::applicationPid();
    if (!m_usable || !m_shm->lock()) {
        qDebug() << Q_FUNC_INFO << "Read pid: " << 0;
        return false;
    }
    qint64 recorded = 0;
    std::memcpy(&recorded, m_shm->constData(), sizeof recorded);
    qDebug() << Q_FUNC_INFO << "Read pid: " << recorded;
    bool inUse = false;
    if (recorded != 0 && OsalProcessLiveness().isAlive(recorded))
        inUse = true;
    else
        std::memcpy(m_shm->data(), &self, sizeof self);
    m_shm->unlock();
    return inUse;
}

qint64 ProcessSingleton::readProcessPidFromShMem()
{
    if (!m_usable || !m_shm->lock())
        return 0;
    qint64 pid = 0;
    if (m_shm->constData())
        std::memcpy(&pid, m_shm->constData(), sizeof pid);
    m_shm->unlock();
    return pid;
}

void ProcessSingleton::writeProcessPidToShMem(qint64 pid)
{
    if (!m_usable || !m_shm->lock())
        return;
    if (m_shm->data())
        std::memcpy(m_shm->data(), &pid, sizeof pid);
    m_shm->unlock();
}
