// The built program run as a child process by tests: its standard error goes
// to a file, and it is killed at the end when it is still running.
#pragma once

#include "conditionwait.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace testsupport
{

// The client program of the build tree.
inline QString programPath()
{
    return qEnvironmentVariable("DESKLINE_BINARY_DIR") + QStringLiteral("/src/deskline");
}

// A program and its arguments as posix_spawn takes them.
class SpawnArgv
{
public:
    SpawnArgv(const QString &program, const QStringList &args)
    {
        storage << QFile::encodeName(program);
        for (const QString &a : args)
            storage << a.toUtf8();
        for (QByteArray &b : storage)
            argv.push_back(b.data());
        argv.push_back(nullptr);
    }
    const char *program() const { return argv.front(); }
    char *const *data() { return argv.data(); }

private:
    QList<QByteArray> storage;
    std::vector<char *> argv;
};

// One run of the program, with its raw wait status.
class ProgramChild
{
public:
    ProgramChild(const QStringList &args, const QString &errFile)
    {
        SpawnArgv argv(programPath(), args);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const QByteArray err = QFile::encodeName(errFile);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&m_pid, argv.program(), &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ProgramChild()
    {
        if (m_pid > 0 && !m_done) {
            ::kill(m_pid, SIGKILL);
            waitpid(m_pid, &m_status, 0);
        }
    }
    ProgramChild(const ProgramChild &) = delete;
    ProgramChild &operator=(const ProgramChild &) = delete;

    bool started() const { return m_pid > 0; }
    void signal(int sig) { ::kill(m_pid, sig); }
    // False when the child did not end within the time; events are processed
    // meanwhile, so an in-process simulator goes on serving.
    bool wait(int msecs = kConditionWaitMs)
    {
        QElapsedTimer t;
        t.start();
        while (!m_done && t.elapsed() < msecs) {
            if (waitpid(m_pid, &m_status, WNOHANG) == m_pid)
                m_done = true;
            else
                QTest::qWait(20);
        }
        return m_done;
    }
    bool exited() const { return m_done && WIFEXITED(m_status); }
    int exitCode() const { return WEXITSTATUS(m_status); }
    bool exitedCleanly() const { return exited() && exitCode() == 0; }
    bool killedBySignal() const { return m_done && WIFSIGNALED(m_status); }
    int termSignal() const { return WTERMSIG(m_status); }
    bool killedBy(int sig) const { return killedBySignal() && termSignal() == sig; }

private:
    pid_t m_pid = -1;
    int m_status = 0;
    bool m_done = false;
};

} // namespace testsupport
