// Crash and termination signals.
//
// sighandler() runs in signal context, so it never touches the logger or Qt:
//  - SIGSEGV writes pre-formatted lines and the back-trace straight to the
//    log file's descriptor, restores the default action and re-raises, so the
//    process dies by the signal;
//  - SIGTERM writes one byte to a self-pipe; a socket notifier on the GUI
//    thread then logs, flushes and quits the event loop (exit code 0).
#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

// Installs sighandler for SIGSEGV and SIGTERM and creates the self-pipe.
void installCrashHandler();
void sighandler(int signal);

namespace CrashHandler
{
// The descriptor of the open log file (-1: none) and the texts that the crash
// lines carry. Called when the main window's logger appears or goes away.
void setLogTarget(int fd, const QString &module, const QString &applicationName, const QString &version);
void clearLogTarget();
// Read end of the SIGTERM self-pipe (-1 before installCrashHandler).
int termPipeReadFd();
} // namespace CrashHandler

// Turns the SIGTERM byte on the self-pipe into an orderly quit.
class SigTermWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SigTermWatcher(QObject *parent = nullptr);

    // True once a SIGTERM has been handled. A quit asked for while a modal
    // dialog of the start-up runs only ends that dialog's loop; the entry
    // reads this before it enters the main loop.
    static bool terminationRequested();

private slots:
    void onSigTerm();

private:
    QSocketNotifier *m_notifier = nullptr;
};
