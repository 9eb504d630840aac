// The PBX's certificate authorities for the PBX link, loaded on a worker
// thread or, when nobody started that, by the first waiter; Qt's
// process-wide default stays as it was.
#include "desklineresources.h"
#include "mainwindow/session/pbxtrust.h"
#include "testmain.h"

#include <QSslCertificate>
#include <QSslConfiguration>

class TestPbxTrust : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initDesklineResources(); }
    void ownConfigurationDefaultUntouched();
};

void TestPbxTrust::ownConfigurationDefaultUntouched()
{
    QList<QSslCertificate> authorities;
    for (const QString &file : PbxTrust::authorityFiles())
        authorities += QSslCertificate::fromPath(file, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
    QCOMPARE(authorities.size(), 2);
    const QList<QSslCertificate> defaultBefore = QSslConfiguration::defaultConfiguration().caCertificates();

    // As the main window does: loading starts before the log-in, the first
    // connection waits.
    PbxTrust first;
    first.startLoading();
    first.startLoading(); // once
    QCOMPARE(first.wait(), 2);
    QCOMPARE(first.wait(), 2);
    QCOMPARE(first.authorities(), authorities);

    // Nobody else's trust changes: not the default, so not the updater's or
    // any other component's.
    QCOMPARE(QSslConfiguration::defaultConfiguration().caCertificates(), defaultBefore);
    for (const QSslCertificate &c : authorities)
        QVERIFY(!QSslConfiguration::defaultConfiguration().caCertificates().contains(c));

    // A restart's window, here without the worker: the same authorities.
    PbxTrust second;
    QCOMPARE(second.wait(), 2);
    QCOMPARE(second.authorities(), authorities);
    QCOMPARE(QSslConfiguration::defaultConfiguration().caCertificates(), defaultBefore);
}

DESKLINE_TEST_MAIN(TestPbxTrust)
#include "tst_pbxtrust.moc"
