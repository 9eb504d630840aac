#include "clientapiserver.h"

#include "globallogger.h"

namespace {
// The server is for the programs of this computer only.
QdServerConfig loopbackOnly(QdServerConfig config)
{
    if (!config.address.isLoopback())
        config.address = QHostAddress::LocalHost;
    return config;
}
} // namespace

ClientApiServer::ClientApiServer(const QString &user, const QString &password, const QdServerConfig &config,
                                 QObject *parent)
    : SslServer(loopbackOnly(config), parent), apiUser(user), apiPassword(password)
{
    const bool ok = listen();
    if (logger) {
        if (ok)
            *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "Local API server listening on port" << int(serverPort())
                    << UNQL::eom;
        else
            *logger << UNQL::LOG_WARNING << Q_FUNC_INFO << "Local API server cannot listen on port" << config.port
                    << "-" << errorString() << UNQL::eom;
    }
}

ClientApiServer::~ClientApiServer() = default;
