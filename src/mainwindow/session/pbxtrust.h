#pragma once

#include <QList>
#include <QSslCertificate>
#include <QStringList>

#include <future>

// The PBX presents certificates issued by its own authorities. The PBX link
// trusts them on top of the system's certificate store, on its own
// connections (CtiLib::setExtraCaCertificates): nothing here touches Qt's
// process-wide default, so the other TLS users (the updater, the local API
// server) keep theirs. Loading the TLS library and reading the certificates
// takes a while and several megabytes, so it is left until the first log-in
// and runs on a worker thread while the log-in is prepared; whoever opens
// the first TLS connection waits for it.
class PbxTrust
{
public:
    // The certificate authorities (PEM) the PBX's certificates chain up to.
    static QStringList authorityFiles();
    // The certificates the files hold (none when they cannot be read).
    static QList<QSslCertificate> load();

    // Starts load() on a worker thread, once.
    void startLoading();
    // Waits until the authorities are read (reads them here when loading was
    // never started); returns how many there are.
    int wait();
    // The authorities; wait() first.
    QList<QSslCertificate> authorities() const { return loaded; }

private:
    std::future<QList<QSslCertificate>> pending;
    QList<QSslCertificate> loaded;
    bool done = false;
};
