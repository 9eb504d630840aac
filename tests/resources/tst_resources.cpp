// The embedded resource bundles: every name the program reads is present and
// usable (fonts register the Roboto family, pictures decode, certificates and
// the key parse and belong together, translations translate, the large-font
// style sheet carries its placeholders).
#include "desklineresources.h"
#include "testmain.h"

#include <QDirIterator>
#include <QFile>
#include <QFontDatabase>
#include <QImageReader>
#include <QMovie>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTranslator>

class TestResources : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void fonts_data();
    void fonts();
    void images_data();
    void images();
    void everyImageDecodes();
    void animations_data();
    void animations();
    void brandingSet_data();
    void brandingSet();
    void apiServerPair();
    void apiServerPairHandshake();
    void caCertificatesParse();
    void styleSheets();
    void translations_data();
    void translations();
};

void TestResources::initTestCase()
{
    initDesklineResources();
    initDesklineResources(); // a second call is harmless
}

void TestResources::fonts_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("style");
    QTest::newRow("regular") << ":/fonts/roboto"
                             << "Regular";
    QTest::newRow("light") << ":/fonts/roboto-light"
                           << "Light";
    QTest::newRow("bold") << ":/fonts/roboto-bold"
                          << "Bold";
}

void TestResources::fonts()
{
    QFETCH(QString, path);
    QFETCH(QString, style);
    const int id = QFontDatabase::addApplicationFont(path);
    QVERIFY2(id >= 0, qPrintable(path));
    QCOMPARE(QFontDatabase::applicationFontFamilies(id), QStringList{QStringLiteral("Roboto")});
    QVERIFY(QFontDatabase().styles(QStringLiteral("Roboto")).contains(style));
}

// Every picture name the program loads, with the size it must at least have
// where a widget shows it unscaled.
void TestResources::images_data()
{
    QTest::addColumn<QString>("name");
    const char *const names[] = {"CancelTransferActiveCall.png",
                                 "Flag_of_Spain.png",
                                 "HangupActiveCall.png",
                                 "HoldActiveCallWhite.png",
                                 "IgnoreIncomingCall.png",
                                 "InputAudio.png",
                                 "InputAudioOff.png",
                                 "MissedCall.png",
                                 "OutputAudio.png",
                                 "OutputAudioOff.png",
                                 "ParkActiveCall.png",
                                 "RecActiveCall.png",
                                 "RecActiveCall_off.png",
                                 "StartAudioCallBtn.png",
                                 "TransferActiveCall.png",
                                 "UnattendedTransferActiveCall.png",
                                 "addContactIcon.png",
                                 "addressBook.png",
                                 "addressBookWhite.png",
                                 "answer_in.png",
                                 "answer_local_in.png",
                                 "answer_local_out.png",
                                 "answer_out.png",
                                 "background.jpg",
                                 "baloon.png",
                                 "booking.png",
                                 "bookingcancel.png",
                                 "callPickup.png",
                                 "cancel.png",
                                 "cancel_black.png",
                                 "cancelbooking.png",
                                 "cdrIcon.png",
                                 "cdrIconWhite.png",
                                 "cdr_filter_off.png",
                                 "cdr_filter_on.png",
                                 "cestino.png",
                                 "chatBig.png",
                                 "chatIcon.png",
                                 "chatIconWhite.png",
                                 "conference_on.png",
                                 "contact.png",
                                 "contactEmail.png",
                                 "contactExten.png",
                                 "contactFixed.png",
                                 "contactMobile.png",
                                 "detach_icon.png",
                                 "dnd_off_btn.png",
                                 "dnd_on_btn.png",
                                 "download.png",
                                 "dualRingGreen.png",
                                 "dualRingRed.png",
                                 "email.png",
                                 "extenLine.png",
                                 "extenList.png",
                                 "extenListWhite.png",
                                 "favouriteSelected.png",
                                 "favouriteUnselected.png",
                                 "favouritesIcon.png",
                                 "favouritesIconWhite.png",
                                 "fixedLine.png",
                                 "flags_of_Italy.png",
                                 "flags_of_Uk.png",
                                 "led_gray.png",
                                 "led_green.png",
                                 "led_orange.png",
                                 "led_red.png",
                                 "led_yellow.png",
                                 "loader.gif",
                                 "m_blinking_animation_15.gif",
                                 "mailEmpty.png",
                                 "mailIn.png",
                                 "mctiAway.png",
                                 "mctiBusy.png",
                                 "mctiDisconnected.png",
                                 "mctiDisconnectedIcon.png",
                                 "mctiOffline.png",
                                 "mctiReady.png",
                                 "mctiRegistered.png",
                                 "mctiUnavailable.png",
                                 "mctiUnregisteredIcon.png",
                                 "message_in.png",
                                 "mobilePhone.png",
                                 "msp_on.png",
                                 "no_answer_in.png",
                                 "no_answer_local_in.png",
                                 "no_answer_local_out.png",
                                 "no_answer_out.png",
                                 "notifica_chat.png",
                                 "notifica_chat_tray.png",
                                 "outlook.png",
                                 "pattern_chat.png",
                                 "pausa.png",
                                 "pausa_gray.png",
                                 "pausa_icon.png",
                                 "play.png",
                                 "play_icon.png",
                                 "profile.png",
                                 "queues.png",
                                 "queuesWhite.png",
                                 "redirect_off.png",
                                 "redirect_on.png",
                                 "redirect_on_btn.png",
                                 "save.png",
                                 "send_email.png",
                                 "send_icon.png",
                                 "sharedContact.png",
                                 "stanghetta.png",
                                 "updateContact.png",
                                 "v.png",
                                 "velora-pbx-CCenter.png",
                                 "veloraCTI.png",
                                 "voicemailIcon.png",
                                 "voicemailIconWhite.png"};
    for (const char *n : names)
        QTest::newRow(n) << QString::fromLatin1(n);
}

void TestResources::images()
{
    QFETCH(QString, name);
    // Both spellings used by the program: ":/images/x" and, in style sheets, ":images/x".
    for (const QString &path : {QStringLiteral(":/images/") + name, QStringLiteral(":images/") + name}) {
        QImageReader reader(path);
        const QImage img = reader.read();
        QVERIFY2(!img.isNull(), qPrintable(path + ": " + reader.errorString()));
    }
}

void TestResources::everyImageDecodes()
{
    int count = 0;
    QDirIterator it(QStringLiteral(":/images"), QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        QVERIFY2(!QImage(path).isNull(), qPrintable(path));
        ++count;
    }
    QVERIFY(count >= 113);
}

void TestResources::animations_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("loader") << ":/images/loader.gif" << QSize(32, 32);
    QTest::newRow("ringing lamp") << ":/images/m_blinking_animation_15.gif" << QSize(15, 15);
}

void TestResources::animations()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QMovie movie(path);
    QVERIFY(movie.isValid());
    QVERIFY(movie.frameCount() > 1);
    QVERIFY(movie.jumpToFrame(0));
    QCOMPARE(movie.currentImage().size(), size);
}

void TestResources::brandingSet_data()
{
    QTest::addColumn<QString>("name");
    for (const char *n :
         {"ctiDisconnected.png", "ctiRegistered.png", "ctiUnregistered.png", "background.jpg", "veloraCTI.png"})
        QTest::newRow(n) << QString::fromLatin1(n);
}

void TestResources::brandingSet()
{
    QFETCH(QString, name);
    const QImage alt(QStringLiteral(":/branding/") + name);
    QVERIFY(!alt.isNull());
    // an alternative set: it differs from the main pictures where both exist
    const QImage main(QStringLiteral(":/images/") + name);
    if (!main.isNull())
        QVERIFY(alt != main);
}

void TestResources::apiServerPair()
{
    QFile certFile(QStringLiteral(":/cert/MCTI-Client-Desktop.cert.pem"));
    QFile keyFile(QStringLiteral(":/cert/MCTI-Client-Desktop.key.pem"));
    QVERIFY(certFile.open(QIODevice::ReadOnly));
    QVERIFY(keyFile.open(QIODevice::ReadOnly));
    const QSslCertificate cert(certFile.readAll(), QSsl::Pem);
    const QSslKey key(keyFile.readAll(), QSsl::Rsa, QSsl::Pem, QSsl::PrivateKey);
    QVERIFY(!cert.isNull());
    QVERIFY(!key.isNull());
    QCOMPARE(cert.subjectInfo(QSslCertificate::CommonName), QStringList{QStringLiteral("localhost")});
    QCOMPARE(cert.publicKey().length(), key.length());
    QVERIFY(cert.subjectAlternativeNames().values(QSsl::IpAddressEntry).contains(QStringLiteral("127.0.0.1")));
    QVERIFY(cert.expiryDate() > QDateTime::currentDateTimeUtc());
}

namespace
{
class TlsServer : public QTcpServer
{
public:
    QSslCertificate cert;
    QSslKey key;
    QList<QSslSocket *> sockets;

protected:
    void incomingConnection(qintptr fd) override
    {
        auto *s = new QSslSocket(this);
        s->setSocketDescriptor(fd);
        s->setLocalCertificate(cert);
        s->setPrivateKey(key);
        sockets << s;
        s->startServerEncryption();
    }
};

QByteArray readResource(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

// The pair works as the local API server's: a client that trusts only this
// certificate and verifies the peer as "localhost" completes the handshake,
// which also proves the key belongs to the certificate.
void TestResources::apiServerPairHandshake()
{
    TlsServer server;
    server.cert = QSslCertificate(readResource(QStringLiteral(":/cert/MCTI-Client-Desktop.cert.pem")));
    server.key = QSslKey(readResource(QStringLiteral(":/cert/MCTI-Client-Desktop.key.pem")), QSsl::Rsa);
    QVERIFY(server.listen(QHostAddress::LocalHost));

    QSslSocket client;
    QSslConfiguration conf = client.sslConfiguration();
    conf.setCaCertificates({server.cert});
    conf.setPeerVerifyMode(QSslSocket::VerifyPeer);
    client.setSslConfiguration(conf);
    QList<QSslError> errors;
    connect(&client, qOverload<const QList<QSslError> &>(&QSslSocket::sslErrors), this,
            [&errors](const QList<QSslError> &e) { errors << e; });
    client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), server.serverPort(), QStringLiteral("localhost"));
    QTRY_VERIFY_WITH_TIMEOUT(client.isEncrypted() || !errors.isEmpty(), 10000);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.value(0).errorString()));
    QVERIFY(client.isEncrypted());
    QCOMPARE(client.peerCertificate(), server.cert);
}

void TestResources::caCertificatesParse()
{
    // Whatever certificates are embedded besides the server pair must parse.
    QDirIterator it(QStringLiteral(":/cert"), QDir::Files);
    int count = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith(QLatin1String(".key.pem")))
            continue;
        QVERIFY2(!QSslCertificate::fromPath(path, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString).isEmpty(),
                 qPrintable(path));
        ++count;
    }
    QVERIFY(count >= 1);
}

void TestResources::styleSheets()
{
    QFile normal(QStringLiteral(":/qss/normalStyle.qss"));
    QFile large(QStringLiteral(":/qss/viStyle.qss"));
    QVERIFY(normal.open(QIODevice::ReadOnly));
    QVERIFY(large.open(QIODevice::ReadOnly));
    const QString n = QString::fromUtf8(normal.readAll());
    const QString l = QString::fromUtf8(large.readAll());
    QVERIFY(!n.contains(QLatin1String("%F")) && !n.contains(QLatin1String("%S")));
    QVERIFY(l.contains(QLatin1String("%F")) && l.contains(QLatin1String("%S")));
    // once the sizes are filled in, no placeholder is left
    QString filled = l;
    filled.replace(QLatin1String("%F"), QLatin1String("26pt")).replace(QLatin1String("%S"), QLatin1String("24pt"));
    QVERIFY(!filled.contains(QLatin1Char('%')));
    // the normal sheet is the main window's own look: it styles the same areas
    for (const char *sel :
         {"#topFrame #edtCallerNumber", "#tabContactsWidget QTabBar::tab", "#wdgLines #lblCallTimer"}) {
        QVERIFY2(n.contains(QLatin1String(sel)), sel);
        QVERIFY2(l.contains(QLatin1String(sel)), sel);
    }
}

void TestResources::translations_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");
    QTest::newRow("en tab") << ":/languages/english.qm"
                            << "wdgVeloraPhone"
                            << "Preferiti"
                            << "Favourites";
    QTest::newRow("en status") << ":/languages/english.qm"
                               << "wdgVeloraPhone"
                               << "Stato: NON CONNESSO"
                               << "Status: NOT CONNECTED";
    QTest::newRow("es tab") << ":/languages/spanish.qm"
                            << "wdgVeloraPhone"
                            << "Preferiti"
                            << "Favoritos";
    QTest::newRow("es status") << ":/languages/spanish.qm"
                               << "wdgVeloraPhone"
                               << "Stato: NON CONNESSO"
                               << "Estado: NO CONECTADO";
}

void TestResources::translations()
{
    QFETCH(QString, file);
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, expected);
    QTranslator translator;
    // loaded the way the program loads them: the full resource name, nothing added
    QVERIFY(translator.load(file, QString(), QString(), QString()));
    QCOMPARE(translator.translate(qPrintable(context), qPrintable(source)), expected);
}

DESKLINE_TEST_MAIN(TestResources)
#include "tst_resources.moc"
