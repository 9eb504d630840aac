// The PBX's certificate authorities in the default TLS configuration, loaded
// on a worker thread or, when nobody started that, by the first waiter.
#include "desklineresources.h"
#include "mainwindow/pbxtrust.h"
#include "testmain.h"

#include <QSslCertificate>
#include <QSslConfiguration>

class TestPbxTrust : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initDesklineResources(); }
    void installedOnceAcrossRestarts();
};

void TestPbxTrust::installedOnceAcrossRestarts()
{
    QList<QSslCertificate> authorities;
    for (const QString &file : PbxTrust::authorityFiles())
        authorities += QSslCertificate::fromPath(file, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
    QCOMPARE(authorities.size(), 2);
    const int systemCount = QSslConfiguration::defaultConfiguration().caCertificates().size();
    for (const QSslCertificate &c : authorities)
        QVERIFY(!QSslConfiguration::defaultConfiguration().caCertificates().contains(c));

    // As the main window does: loading starts at construction, the first
    // connection waits.
    PbxTrust first;
    first.startLoading();
    first.startLoading(); // once
    QCOMPARE(first.wait(), 2);
    QCOMPARE(first.wait(), 2);
    QList<QSslCertificate> trusted = QSslConfiguration::defaultConfiguration().caCertificates();
    for (const QSslCertificate &c : authorities)
        QCOMPARE(trusted.count(c), 1);
    QCOMPARE(trusted.size(), systemCount + 2);

    // A restart's window, here without the worker: nothing is added twice.
    PbxTrust second;
    QCOMPARE(second.wait(), 2);
    trusted = QSslConfiguration::defaultConfiguration().caCertificates();
    QCOMPARE(trusted.size(), systemCount + 2);
}

DESKLINE_TEST_MAIN(TestPbxTrust)
#include "tst_pbxtrust.moc"
