// The local API server: a TLS server on the local host through which other
// programs of the user ask the client to call, transfer, hang up, record, set
// do-not-disturb and pause the queues. Requests become the signals below; the
// main window carries them out.
#pragma once

#include "sslserver.h"

#include <QString>

class ClientApiServer : public SslServer {
    Q_OBJECT
public:
    // Starts listening as `config` says; the user name and password are the
    // credentials a local client must present.
    ClientApiServer(const QString &user, const QString &password, const QdServerConfig &config,
                    QObject *parent = nullptr);
    ~ClientApiServer() override;


signals:
    void sigHangupCallRequested();
    void sigTriggerRecCallRequested();
    void sigMakeCallRequested(QString number);
    void sigBlindTransferCallRequested(QString number);
    void sigAttendedTransferCallRequested(QString number);
    void sigDNDRequested(bool enable);
    void sigQueuesPauseRequested(bool pause);

private:
    QString apiUser;
    QString apiPassword;
};
