// The certificate authorities of the system's store, as OpenSSL finds them,
// for the updater's own TLS configuration (nothing changes Qt's
// process-wide default).
#pragma once

#include <QList>
#include <QSslCertificate>

namespace SystemTrust
{

// Qt's list of the system's certificate files and directories, plus the file
// named by SSL_CERT_FILE and the files in the directories (":" separated)
// named by SSL_CERT_DIR, when those are set; each certificate once. Reading
// them takes a while (hundreds of certificates): it is done once per
// process, by the first caller (any thread), and the others wait for it.
QList<QSslCertificate> authorities();

// Whether SSL_CERT_FILE or SSL_CERT_DIR names something beyond the store
// Qt finds by itself (which a configuration left alone loads on demand).
bool hasAdditions();

// `extra` added to authorities(), each certificate once.
QList<QSslCertificate> authoritiesWith(const QList<QSslCertificate> &extra);

} // namespace SystemTrust
