// Version checks against the local test update service.
#include "app/desklinestartup.h"
#include "app/mcticonfig.h"
#include "framework/qdparamparser.h"
#include "testmain.h"
#include "testupdateservice.h"
#include "uniqlogger.h"
#include "updater/checkupdatedlg.h"
#include "updater/programlauncher.h"
#include "updater/updaterdlg.h"

#include <QProgressDialog>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace DesklineStartup;

namespace
{
const QString kMd5(32, 'a');
const QString kSha1(40, 'b');

QByteArray describe(const QString &version, const QString &fileName = "Deskline-setup.bin",
                    const QString &url = "https://127.0.0.1:1/f")
{
    return TestUpdateService::fileInfoReply({{"FileName", fileName},
                                             {"FileSize", "10"},
                                             {"MD5", kMd5},
                                             {"SHA1", kSha1},
                                             {"URL", url},
                                             {"AppVersion", version},
                                             {"FileIsZipped", "false"}});
}
} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void exactRequest();
    void portableKey();
    void outcomes_data();
    void outcomes();
    void untrustedCertificate_data();
    void untrustedCertificate();
    void plainHttpRefused();
    void replySplitIntoPieces();
    void silentServerTimesOut();
    void socketTransport();
    void hiddenCheckShowsNothing();
    void updaterLogLines();
    void noUpdaterWithoutServerAndKey_data();
    void noUpdaterWithoutServerAndKey();

private:
    CheckUpdateDlg *makeUpdater(const QUrl &server, const QString &key = "KEY", const QString &version = "4.5.23");
    // Runs one check; true when an outcome arrived.
    bool runCheck(CheckUpdateDlg *updater);

    QTemporaryDir *m_dir = nullptr;
    TestUpdateService *m_service = nullptr;
    QSignalSpy *m_newSpy = nullptr;
    QSignalSpy *m_noneSpy = nullptr;
    QSignalSpy *m_errorSpy = nullptr;
};

void TestUpdateCheck::init()
{
    m_dir = new QTemporaryDir;
    m_service = new TestUpdateService;
    QVERIFY(m_service->start());
}

void TestUpdateCheck::cleanup()
{
    delete m_newSpy;
    delete m_noneSpy;
    delete m_errorSpy;
    m_newSpy = m_noneSpy = m_errorSpy = nullptr;
    delete m_service;
    delete m_dir;
}

CheckUpdateDlg *TestUpdateCheck::makeUpdater(const QUrl &server, const QString &key, const QString &version)
{
    auto *u =
        new CheckUpdateDlg(key, QUFW::ProductBranch::BetaBranch, "Deskline", version, server, m_dir->filePath("dl"),
                           "UPDTEST", m_dir->path(), WriterConfig(), ProgramStarter::system(), this);
    u->setCheckTiming(0, 10000);
    u->setExtraCaCertificates({TestUpdateService::caCertificate()});
    delete m_newSpy;
    delete m_noneSpy;
    delete m_errorSpy;
    m_newSpy = new QSignalSpy(u, SIGNAL(newVersionAvailable(QString)));
    m_noneSpy = new QSignalSpy(u, SIGNAL(noNewVersionAvailable()));
    m_errorSpy = new QSignalSpy(u, SIGNAL(error(QString)));
    return u;
}

bool TestUpdateCheck::runCheck(CheckUpdateDlg *updater)
{
    updater->checkUpdates();
    return QTest::qWaitFor([&] { return m_newSpy->count() + m_noneSpy->count() > 0; }, testsupport::kConditionWaitMs);
}

void TestUpdateCheck::exactRequest()
{
    m_service->replyBody = describe("4.5.23");
    CheckUpdateDlg *u = makeUpdater(m_service->url("/updates"), "KEY&1", "4.5.23");
    QVERIFY(runCheck(u));
    QCOMPARE(m_service->requests.size(), 1);
    const TestUpdateService::Request r = m_service->requests.first();
    QCOMPARE(r.method, QByteArray("POST"));
    QCOMPARE(r.target, QByteArray("/updates/RestController.php?action=getFileInfo"));
    QCOMPARE(r.headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(r.body, QByteArray("<QDUPFW><API>1.1</API><Request><GetFileInfo><AppUniqueId>KEY&amp;1</AppUniqueId>"
                                "<FileInfoType>1</FileInfoType><Platform>1</Platform><ProductBranch>2"
                                "</ProductBranch><AppVersion>4.5.23</AppVersion></GetFileInfo></Request></QDUPFW>"));
    QVERIFY(!r.headers.contains("authorization"));
    delete u;
}

// A writable program under the user's home asks for the portable build.
void TestUpdateCheck::portableKey()
{
    m_service->replyBody = describe("4.5.23");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFileInfo(QCoreApplication::applicationFilePath()).absolutePath().toLocal8Bit());
    auto *u = new UpdaterDlg("KEY", QUFW::ProductBranch::StableBranch, "Deskline", "4.5.23", m_service->url(),
                             m_dir->filePath("dl"), "UPDTEST", m_dir->path(), WriterConfig(), ProgramStarter::system());
    qputenv("HOME", oldHome);
    QCOMPARE(u->productUid(), QString("KEY-PORTABLE"));
    u->setCheckTiming(0, 10000);
    u->setExtraCaCertificates({TestUpdateService::caCertificate()});
    QSignalSpy none(u, SIGNAL(noNewVersionAvailable()));
    u->checkUpdates();
    QTRY_COMPARE_WITH_TIMEOUT(none.count(), 1, 20000);
    QVERIFY(m_service->requests.first().body.contains("<AppUniqueId>KEY-PORTABLE</AppUniqueId>"));
    delete u;
}

void TestUpdateCheck::outcomes_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("newVersion"); // empty: no new version reported
    QTest::newRow("newer") << describe("4.5.24") << 200 << "4.5.24";
    QTest::newRow("newer build") << describe("4.5.23.1") << 200 << "4.5.23.1";
    QTest::newRow("same") << describe("4.5.23") << 200 << "";
    QTest::newRow("older") << describe("4.5.22") << 200 << "";
    QTest::newRow("garbage") << QByteArray("<html>502 bad gateway</html>") << 200 << "";
    QTest::newRow("empty") << QByteArray() << 200 << "";
    QTest::newRow("no file description") << QByteArray("<QDUPFW><Response/></QDUPFW>") << 200 << "";
    QTest::newRow("no URL") << TestUpdateService::fileInfoReply({{"FileName", "a"}, {"AppVersion", "9"}}) << 200 << "";
    QTest::newRow("hostile file name") << describe("9.0", "../x") << 200 << "";
    QTest::newRow("plain http download") << describe("9.0", "a.bin", "http://127.0.0.1:1/a.bin") << 200 << "";
    QTest::newRow("server error") << describe("9.0") << 500 << "";
    QTest::newRow("upper-case hashes") << TestUpdateService::fileInfoReply({{"FileName", "a.bin"},
                                                                            {"MD5", kMd5.toUpper()},
                                                                            {"SHA1", kSha1.toUpper()},
                                                                            {"URL", "https://127.0.0.1:1/a"},
                                                                            {"AppVersion", "9.0"}})
                                       << 200 << "9.0";
}

// Every reply ends in exactly one outcome; failures are reported as "no new
// version", never as an error.
void TestUpdateCheck::outcomes()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, status);
    QFETCH(QString, newVersion);
    m_service->replyBody = reply;
    m_service->replyStatus = status;
    CheckUpdateDlg *u = makeUpdater(m_service->url("/updates"));
    QVERIFY(runCheck(u));
    QTest::qWait(50);
    QCOMPARE(m_newSpy->count() + m_noneSpy->count(), 1);
    QCOMPARE(m_errorSpy->count(), 0);
    if (newVersion.isEmpty()) {
        QCOMPARE(m_noneSpy->count(), 1);
        QVERIFY(!u->isUpdateAvailable());
    } else {
        QCOMPARE(m_newSpy->count(), 1);
        QCOMPARE(m_newSpy->first().first().toString(), newVersion);
        QVERIFY(u->isUpdateAvailable());
    }
    delete u;
}

void TestUpdateCheck::untrustedCertificate_data()
{
    QTest::addColumn<bool>("foreignServer");
    QTest::addColumn<bool>("trustTestCa");
    QTest::newRow("test CA not configured") << false << false;
    QTest::newRow("certificate of another CA") << true << true;
}

void TestUpdateCheck::untrustedCertificate()
{
    QFETCH(bool, foreignServer);
    QFETCH(bool, trustTestCa);
    TestUpdateService rogue(TestUpdateService::Identity::ForeignCa);
    QVERIFY(rogue.start());
    TestUpdateService *service = foreignServer ? &rogue : m_service;
    service->replyBody = describe("9.9");
    CheckUpdateDlg *u = makeUpdater(service->url("/updates"));
    if (!trustTestCa)
        u->setExtraCaCertificates({});
    QVERIFY(runCheck(u));
    QCOMPARE(m_noneSpy->count(), 1);
    QCOMPARE(m_newSpy->count(), 0);
    QVERIFY(service->requests.isEmpty()); // the request never left the client
    delete u;
}

void TestUpdateCheck::plainHttpRefused()
{
    m_service->replyBody = describe("9.9");
    CheckUpdateDlg *u = makeUpdater(QUrl(QString("http://127.0.0.1:%1/updates").arg(m_service->port())));
    QVERIFY(runCheck(u));
    QCOMPARE(m_noneSpy->count(), 1);
    QVERIFY(m_service->requests.isEmpty());
    delete u;
}

// However the reply is cut, one outcome, from the whole reply.
void TestUpdateCheck::replySplitIntoPieces()
{
    m_service->replyBody = describe("4.6.0");
    m_service->splitAt = {5, 40, 41, 120};
    CheckUpdateDlg *u = makeUpdater(m_service->url("/updates"));
    QVERIFY(runCheck(u));
    QTest::qWait(200);
    QCOMPARE(m_noneSpy->count(), 0);
    QCOMPARE(m_newSpy->count(), 1);
    QCOMPARE(m_newSpy->first().first().toString(), QString("4.6.0"));
    delete u;
}

void TestUpdateCheck::silentServerTimesOut()
{
    m_service->silent = true;
    CheckUpdateDlg *u = makeUpdater(m_service->url("/updates"));
    u->setCheckTiming(0, 300);
    QVERIFY(runCheck(u));
    QCOMPARE(m_noneSpy->count(), 1);
    QVERIFY(!u->isCheckRunning());
    delete u;
}

// The TLS socket transport sends the document itself and always asks for the
// stable branch.
void TestUpdateCheck::socketTransport()
{
    m_service->replyBody = describe("5.0");
    CheckUpdateDlg *u = makeUpdater(m_service->url());
    u->setUseHttp(false);
    u->setServer("127.0.0.1", m_service->port());
    QVERIFY(runCheck(u));
    QCOMPARE(m_newSpy->count(), 1);
    QCOMPARE(m_service->requests.size(), 1);
    QVERIFY(m_service->requests.first().raw);
    QVERIFY(m_service->requests.first().body.contains("<ProductBranch>1</ProductBranch>"));
    delete u;
}

void TestUpdateCheck::hiddenCheckShowsNothing()
{
    m_service->replyBody = describe("5.0");
    m_service->splitAt = {30};
    m_service->pieceDelayMs = 600; // past the dialog's minimum duration
    CheckUpdateDlg *u = makeUpdater(m_service->url("/updates"));
    u->setHiddenCheck(true);
    bool everVisible = false;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, this, [&] { everVisible = everVisible || u->progressDialog()->isVisible(); });
    sampler.start(10);
    QVERIFY(runCheck(u));
    QTest::qWait(100);
    QVERIFY(!everVisible);

    // A visible check shows the dialog.
    u->setHiddenCheck(false);
    u->checkUpdates();
    QVERIFY(u->progressDialog()->isVisible());
    QCOMPARE(u->progressDialog()->labelText(), QString("Recupero lista aggiornamenti..."));
    QTRY_COMPARE_WITH_TIMEOUT(m_newSpy->count(), 2, 20000);
    delete u;
}

void TestUpdateCheck::updaterLogLines()
{
    m_service->replyBody = describe("4.6.0");
    CheckUpdateDlg *u = makeUpdater(m_service->url("/updates"));
    QVERIFY(runCheck(u));
    delete u;
    QFile log(m_dir->filePath("updater.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    const QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    const QRegularExpression shape("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\] \\[UPDATER\\] \\[[A-Z]+\\] ");
    for (const QString &line : lines)
        QVERIFY2(shape.match(line).hasMatch(), qPrintable(line));
    for (const QString &expected :
         {QString("Updater server URL: %1").arg(m_service->url("/updates").toString()), QString("Updater key: KEY"),
          QString("Branch type: 2"), QString("App version: 4.5.23"),
          QString("Download dir: ") + QDir(m_dir->filePath("dl")).absolutePath(), QString("remote app version 4.6.0"),
          QString("Local app version is older than remote one, an update is available."),
          QString("New application version available: 4.6.0")})
        QVERIFY2(text.contains(expected), qPrintable(expected));
}

void TestUpdateCheck::noUpdaterWithoutServerAndKey_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("updater");
    const QString server = "https://127.0.0.1:1/updates";
    QTest::newRow("server and key") << QStringList{"-r", server, "-t", "K"} << true;
    QTest::newRow("-s skips updates") << QStringList{"-s", "-r", server, "-t", "K"} << false;
    QTest::newRow("empty key") << QStringList{"-r", server, "-t", ""} << false;
    QTest::newRow("no server") << QStringList{"-t", "K"} << false;
}

// The program's own "-s" (given to the installer), an empty key or no server
// leave the program without an updater.
void TestUpdateCheck::noUpdaterWithoutServerAndKey()
{
    QFETCH(QStringList, args);
    QFETCH(bool, updater);
    std::vector<QByteArray> storage{QByteArray("deskline")};
    for (const QString &a : args)
        storage.push_back(a.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &b : storage)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    QDParamParser parser;
    UpdateSettings updates;
    MctiConfig config;
    QCOMPARE(processCommandLine(parser, int(storage.size()), argv.data(), AppIdentity::current(), &updates, &config),
             0);
    QCOMPARE(updates.enabled(), updater);
    UpdaterDlg *created = createUpdater(updates, AppIdentity::current());
    QCOMPARE(created != nullptr, updater);
    delete created;
}

DESKLINE_TEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
