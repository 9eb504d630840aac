#include "pbxtrust.h"

#include <QSslSocket>

QStringList PbxTrust::authorityFiles()
{
    return {QStringLiteral(":/cert/Quodra s.r.l. Root CA.crt.pem"),
            QStringLiteral(":/cert/VeloraPBX Intermediate CA.crt.pem")};
}

QList<QSslCertificate> PbxTrust::load()
{
    QList<QSslCertificate> authorities;
    for (const QString &file : authorityFiles())
        authorities += QSslCertificate::fromPath(file, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
    return authorities;
}

void PbxTrust::startLoading()
{
    if (pending.valid() || done)
        return;
    pending = std::async(std::launch::async, [] {
        QSslSocket::supportsSsl(); // loads and initialises the library
        return load();
    });
}

int PbxTrust::wait()
{
    if (!done) {
        loaded = pending.valid() ? pending.get() : load();
        done = true;
    }
    return loaded.size();
}
