#include "pbxtrust.h"

#include <QSslCertificate>
#include <QSslSocket>

QStringList PbxTrust::authorityFiles()
{
    return {QStringLiteral(":/cert/Quodra s.r.l. Root CA.crt.pem"),
            QStringLiteral(":/cert/VeloraPBX Intermediate CA.crt.pem")};
}

QSslConfiguration PbxTrust::build(int *authorityCount)
{
    QList<QSslCertificate> authorities;
    for (const QString &file : authorityFiles())
        authorities += QSslCertificate::fromPath(file, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
    if (authorityCount)
        *authorityCount = authorities.size();
    QList<QSslCertificate> trusted = QSslConfiguration::systemCaCertificates();
    for (const QSslCertificate &certificate : qAsConst(authorities)) {
        if (!trusted.contains(certificate))
            trusted.append(certificate);
    }
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setCaCertificates(trusted);
    ssl.setPeerVerifyMode(QSslSocket::VerifyPeer);
    return ssl;
}

PbxTrust::Loaded PbxTrust::load()
{
    Loaded loaded;
    loaded.config = build(&loaded.authorities);
    return loaded;
}

void PbxTrust::startLoading()
{
    if (pending.valid() || installed >= 0)
        return;
    pending = std::async(std::launch::async, [] {
        QSslSocket::supportsSsl(); // loads and initialises the library
        return load();
    });
}

int PbxTrust::wait()
{
    if (installed < 0) {
        const Loaded loaded = pending.valid() ? pending.get() : load();
        config = loaded.config;
        installed = loaded.authorities;
    }
    return installed;
}
