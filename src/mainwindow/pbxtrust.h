#pragma once

#include <QSslConfiguration>
#include <QStringList>

#include <future>

// The PBX presents certificates issued by its own authorities. The PBX link
// trusts them on top of the system's certificate store, through a TLS
// configuration of its own: nothing here touches Qt's process-wide default,
// so the other TLS users (the updater, the local API server) keep theirs.
// Loading the TLS library and reading the certificates takes a while and
// several megabytes, so it is left until the first log-in and runs on a
// worker thread while the log-in is prepared; whoever opens the first TLS
// connection waits for it.
class PbxTrust
{
public:
    // The certificate authorities (PEM) the PBX's certificates chain up to.
    static QStringList authorityFiles();
    // The configuration of the PBX link: the default protocol settings, peer
    // verification on, trusting the system's store plus the authorities
    // (each once). `authorityCount` receives how many certificates the files
    // hold (0: none could be read).
    static QSslConfiguration build(int *authorityCount = nullptr);

    // Starts build() on a worker thread, once.
    void startLoading();
    // Waits until the configuration is ready (builds it here when loading
    // was never started); returns how many authorities it holds.
    int wait();
    // The PBX link's configuration; wait() first.
    QSslConfiguration configuration() const { return config; }

private:
    struct Loaded {
        QSslConfiguration config;
        int authorities = 0;
    };
    static Loaded load();

    std::future<Loaded> pending;
    QSslConfiguration config;
    int installed = -1;
};
