// A whole update in the running program: a main window logged in to the
// simulated PBX (so the PBX link has its own trust in place) and the updater
// made and wired by the program's start-up code. The update service is a
// local HTTPS server whose certificate authority the test adds the way one is
// added to the system's store for OpenSSL (SSL_CERT_FILE); the updater is
// told nothing about it. The user accepts the balloon, the zipped installer
// is downloaded, verified, unpacked with its folders and started, and the
// program quits.
#include "app/desklinestartup.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testmain.h"
#include "testupdateservice.h"
#include "updater/installerprep.h"
#include "updater/updaterdlg.h"
#include "widgets/balloonboard.h"
#include "widgets/wdgballoonmessage.h"

#include <QCryptographicHash>
#include <QPushButton>
#include <QSslConfiguration>

#include <zip.h>

using namespace sessiontest;
using namespace DesklineStartup;

namespace
{

QString hex(const QByteArray &data, QCryptographicHash::Algorithm a)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, a).toHex());
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An archive of `entries` (name, content, mode), as the update service ships it.
QByteArray makeZip(const QString &path, const QList<std::tuple<QByteArray, QByteArray, quint32>> &entries)
{
    int error = 0;
    zip_t *za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!za)
        return QByteArray();
    for (const auto &[name, data, mode] : entries) {
        zip_source_t *src = zip_source_buffer(za, data.constData(), zip_uint64_t(data.size()), 0);
        const zip_int64_t index = zip_file_add(za, name.constData(), src, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(src);
            zip_discard(za);
            return QByteArray();
        }
        zip_file_set_external_attributes(za, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, zip_uint32_t(mode) << 16);
    }
    if (zip_close(za) != 0)
        return QByteArray();
    return readAll(path);
}

// Writes where it was started and its arguments, then reads a file of its
// own package by its path relative to the installer.
const QByteArray kInstaller = "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; done; "
                              "cat \"$(dirname \"$0\")/../../b/README\"; } > \"$DESKLINE_UPDATER_TEST_RECORD\"\n";

} // namespace

class TestSessionUpdate : public QObject
{
    Q_OBJECT
private slots:
    void updateAfterPbxLogin();
};

void TestSessionUpdate::updateAfterPbxLogin()
{
    QTemporaryDir scratch;
    // The update service's CA, known to the system's store as OpenSSL reads
    // it; not to Qt's default configuration, and never handed to the updater.
    qputenv("SSL_CERT_FILE", QFile::encodeName(TestUpdateService::dataPath(QStringLiteral("testca.pem"))));
    const QList<QSslCertificate> defaultBefore = QSslConfiguration::defaultConfiguration().caCertificates();
    QVERIFY(!defaultBefore.contains(TestUpdateService::caCertificate()));

    TestUpdateService service;
    QVERIFY(service.start());
    const QByteArray zip =
        makeZip(scratch.filePath(QStringLiteral("pack.zip")), {{"a/b/setup.sh", kInstaller, 0100755},
                                                               {"b/README", "first readme\n", 0100644},
                                                               {"c/README", "second readme\n", 0100644}});
    QVERIFY(!zip.isEmpty());
    TestUpdateService::File file;
    file.data = zip;
    service.files.insert(QStringLiteral("/files/setup.zip"), file);
    service.replyBody = TestUpdateService::fileInfoReply({{"FileName", "Deskline-99.0.zip"},
                                                          {"FileSize", QString::number(zip.size())},
                                                          {"MD5", hex(zip, QCryptographicHash::Md5)},
                                                          {"SHA1", hex(zip, QCryptographicHash::Sha1)},
                                                          {"URL", service.url("/files/setup.zip").toString()},
                                                          {"AppVersion", "99.0"},
                                                          {"FileIsZipped", "true"},
                                                          {"AppExecutable", "a/b/setup.sh"}});
    const QString record = scratch.filePath(QStringLiteral("installer-record.txt"));
    qputenv("DESKLINE_UPDATER_TEST_RECORD", QFile::encodeName(record));

    SessionFixture f;
    ScriptedPrompts prompts;
    // As the program's entry: the updater first, then the window, wired.
    UpdateSettings updates;
    updates.server = service.url(QStringLiteral("/updates")).toString();
    updates.key = QStringLiteral("DESKLINE");
    std::unique_ptr<UpdaterDlg> updater(createUpdater(updates, AppIdentity::current()));
    QVERIFY(updater);
    MPGui w{f.config()};
    connectUpdater(&w, updater.get(), qApp);
    QVERIFY(startAndLogin(w));
    // The PBX link trusts the PBX's authorities through its own settings:
    // Qt's process-wide default is as it was.
    QCOMPARE(QSslConfiguration::defaultConfiguration().caCertificates(), defaultBefore);

    // The window's update timer asks; the answer becomes the balloon.
    w.checkUpdates();
    QTRY_VERIFY_WITH_TIMEOUT(!w.balloonBoard()->balloonsMap().isEmpty(), 30000);
    wdgBalloonMessage *balloon = w.balloonBoard()->balloonsMap().first();
    QVERIFY2(prompts.texts().isEmpty(), qPrintable(prompts.texts().join('\n')));
    QCOMPARE(balloon->message(), QStringLiteral("Nuova versione disponibile: 99.0\nAggiornare ora?"));
    QCOMPARE(service.requests.size(), 1);

    // The user accepts: download, verification, unpacking, start; the
    // program quits.
    auto *accept = balloon->findChild<QPushButton *>(QStringLiteral("btnAccept"));
    QVERIFY(accept);
    QVERIFY(accept->isEnabled());
    accept->click();
    QCOMPARE(testsupport::execWithTimeout(60000, -1), 0);
    QVERIFY2(prompts.texts().isEmpty(), qPrintable(prompts.texts().join('\n')));
    QCOMPARE(service.fileRequests, 1);

    const QString unpacked = UpdaterPaths::defaultDownloadDir() + QStringLiteral("/Deskline-99.0.zip.unpacked");
    QCOMPARE(readAll(unpacked + QStringLiteral("/b/README")), QByteArray("first readme\n"));
    QCOMPARE(readAll(unpacked + QStringLiteral("/c/README")), QByteArray("second readme\n"));
    QTRY_VERIFY_WITH_TIMEOUT(readAll(record).contains("first readme"), 20000);
    const QStringList lines = QString::fromLocal8Bit(readAll(record)).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines, (QStringList{QDir(UpdaterPaths::defaultDownloadDir()).canonicalPath(),
                                 QCoreApplication::applicationFilePath(), QStringLiteral("-s"),
                                 QStringLiteral("first readme")}));
    qunsetenv("SSL_CERT_FILE");
}

DESKLINE_TEST_MAIN(TestSessionUpdate)
#include "tst_session_update.moc"
