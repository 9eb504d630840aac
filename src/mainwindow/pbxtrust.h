#pragma once

#include <QStringList>

#include <future>

// The PBX presents certificates issued by its own authorities, which are
// added to the process's default TLS configuration. Loading the TLS library
// and reading the certificates takes a while and several megabytes, so it
// is left until the first log-in and runs on a worker thread while the
// log-in is prepared; whoever opens the first TLS connection waits for it.
class PbxTrust
{
public:
    // The certificate authorities (PEM) the PBX's certificates chain up to.
    static QStringList authorityFiles();
    // Adds the authorities to the default configuration (those not there
    // yet), now, on the calling thread; returns how many certificates the
    // files hold (0: none could be read).
    static int install();

    // Starts install() on a worker thread, once.
    void startLoading();
    // Waits until the authorities are in place (installs them here when
    // loading was never started); returns what install() returned.
    int wait();

private:
    std::future<int> pending;
    int installed = -1;
};
