#include "systemtrust.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSslConfiguration>
#include <QStringList>

namespace
{

QList<QSslCertificate> readStore()
{
    QList<QSslCertificate> found = QSslConfiguration::systemCaCertificates();
    const QString file = qEnvironmentVariable("SSL_CERT_FILE");
    if (!file.isEmpty())
        found += QSslCertificate::fromPath(file, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
    const QStringList dirs = qEnvironmentVariable("SSL_CERT_DIR").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &dir : dirs) {
        const QFileInfoList entries = QDir(dir).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
        for (const QFileInfo &entry : entries)
            found +=
                QSslCertificate::fromPath(entry.filePath(), QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
    }
    QList<QSslCertificate> unique;
    QSet<QByteArray> seen;
    for (const QSslCertificate &certificate : qAsConst(found)) {
        if (certificate.isNull())
            continue;
        const QByteArray digest = certificate.digest(QCryptographicHash::Sha256);
        if (!seen.contains(digest)) {
            seen.insert(digest);
            unique.append(certificate);
        }
    }
    return unique;
}

} // namespace

namespace SystemTrust
{

QList<QSslCertificate> authorities()
{
    static const QList<QSslCertificate> store = readStore(); // once, thread-safe
    return store;
}

bool hasAdditions()
{
    return !qEnvironmentVariable("SSL_CERT_FILE").isEmpty() || !qEnvironmentVariable("SSL_CERT_DIR").isEmpty();
}

QList<QSslCertificate> authoritiesWith(const QList<QSslCertificate> &extra)
{
    QList<QSslCertificate> trusted = authorities();
    for (const QSslCertificate &certificate : extra) {
        if (!certificate.isNull() && !trusted.contains(certificate))
            trusted.append(certificate);
    }
    return trusted;
}

} // namespace SystemTrust
