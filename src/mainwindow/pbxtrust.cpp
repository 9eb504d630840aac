#include "pbxtrust.h"

#include <QMutex>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>

QStringList PbxTrust::authorityFiles()
{
    return {QStringLiteral(":/cert/Quodra s.r.l. Root CA.crt.pem"),
            QStringLiteral(":/cert/VeloraPBX Intermediate CA.crt.pem")};
}

int PbxTrust::install()
{
    QList<QSslCertificate> authorities;
    for (const QString &file : authorityFiles())
        authorities += QSslCertificate::fromPath(file, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
    // A restart builds a new main window: the authorities are added once.
    // Read, add and store as one step against other installs.
    static QMutex installing;
    const QMutexLocker lock(&installing);
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    const QList<QSslCertificate> present = ssl.caCertificates();
    QList<QSslCertificate> added;
    for (const QSslCertificate &certificate : qAsConst(authorities)) {
        if (!present.contains(certificate) && !added.contains(certificate))
            added.append(certificate);
    }
    if (!added.isEmpty()) {
        ssl.addCaCertificates(added);
        QSslConfiguration::setDefaultConfiguration(ssl);
    }
    return authorities.size();
}

void PbxTrust::startLoading()
{
    if (pending.valid() || installed >= 0)
        return;
    pending = std::async(std::launch::async, [] {
        QSslSocket::supportsSsl(); // loads and initialises the library
        return install();
    });
}

int PbxTrust::wait()
{
    if (installed < 0)
        installed = pending.valid() ? pending.get() : install();
    return installed;
}
