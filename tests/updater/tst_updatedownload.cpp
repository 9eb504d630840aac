// Download, verification, unpacking and the start of the installer, against
// the local test update service.
#include "testmain.h"
#include "testupdateservice.h"
#include "uniqlogger.h"
#include "updater/filexfermanager.h"
#include "updater/programlauncher.h"
#include "updater/updaterdlg.h"

#include <QAbstractButton>
#include <QCryptographicHash>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>
#include <zip.h>

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

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

struct ZipEntry {
    QByteArray name;
    QByteArray data;
    quint32 mode = 0100755;
};

QByteArray makeZip(const QString &path, const QList<ZipEntry> &entries)
{
    int error = 0;
    zip_t *za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!za)
        return QByteArray();
    for (const ZipEntry &e : entries) {
        zip_source_t *src = zip_source_buffer(za, e.data.constData(), zip_uint64_t(e.data.size()), 0);
        const zip_int64_t index = zip_file_add(za, e.name.constData(), src, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(src);
            zip_discard(za);
            return QByteArray();
        }
        zip_file_set_external_attributes(za, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, zip_uint32_t(e.mode) << 16);
    }
    if (zip_close(za) != 0)
        return QByteArray();
    return readAll(path);
}

const QByteArray kScript =
    "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > \"$DESKLINE_UPDATER_TEST_RECORD\"\n";
} // namespace

Q_DECLARE_METATYPE(ZipEntry)

class TestUpdateDownload : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void downloadVerifyStartAndQuit();
    void verification_data();
    void verification();
    void hostileFileNameWritesNothing();
    void zipped_data();
    void zipped();
    void installerAlreadyCurrent();
    void installerChangedBeforeStart();
    void cancelDuringDownload();
    void transferLimits_data();
    void transferLimits();
    void oversizedBodyStopsEarly_data();
    void oversizedBodyStopsEarly();
    void sameUrlTwice();
    void startFailure();
    void privateDownloadDir();
    void refusedDirsUseATemporaryOne_data();
    void refusedDirsUseATemporaryOne();
    void checkWhileOneRuns();

private:
    // Serves `content` and describes it; `overrides` replace reply elements.
    void serve(const QByteArray &content, const QString &fileName, const QMap<QString, QString> &overrides = {});
    UpdaterDlg *makeUpdater();
    bool checkFindsUpdate();
    // Starts the download and waits for its end: true when the installer was started.
    bool downloadAndWait();
    QString dl(const QString &name = QString()) const
    {
        return m_dir->filePath("dl") + (name.isEmpty() ? "" : "/" + name);
    }

    QTemporaryDir *m_dir = nullptr;
    TestUpdateService *m_service = nullptr;
    UpdaterDlg *m_updater = nullptr;
    // Records what the updater would start, and answers with m_startResult.
    struct RecordingStarter : ProgramStarter {
        TestUpdateDownload *test = nullptr;
        bool startDetached(const LaunchRequest &r, QString *error) override
        {
            test->m_launched << r;
            if (error)
                *error = test->m_startResult ? "No Error" : "refused";
            return test->m_startResult;
        }
    };
    RecordingStarter m_recorder;
    // What the next updater starts its installer with.
    ProgramStarter *m_starter = &m_recorder;
    QList<LaunchRequest> m_launched;
    bool m_startResult = true;
    QSignalSpy *m_new = nullptr;
    QSignalSpy *m_error = nullptr;
    QSignalSpy *m_started = nullptr;
    QSignalSpy *m_canceled = nullptr;
};

void TestUpdateDownload::init()
{
    m_dir = new QTemporaryDir;
    m_service = new TestUpdateService;
    QVERIFY(m_service->start());
    m_launched.clear();
    m_startResult = true;
    m_recorder.test = this;
    m_starter = &m_recorder;
}

void TestUpdateDownload::cleanup()
{
    delete m_new;
    delete m_error;
    delete m_started;
    delete m_canceled;
    m_new = m_error = m_started = m_canceled = nullptr;
    delete m_updater;
    m_updater = nullptr;
    delete m_service;
    delete m_dir;
}

void TestUpdateDownload::serve(const QByteArray &content, const QString &fileName,
                               const QMap<QString, QString> &overrides)
{
    TestUpdateService::File file;
    file.data = content;
    m_service->files.insert("/files/setup", file);
    QMap<QString, QString> e{{"FileName", fileName},
                             {"FileSize", QString::number(content.size())},
                             {"MD5", hex(content, QCryptographicHash::Md5)},
                             {"SHA1", hex(content, QCryptographicHash::Sha1)},
                             {"URL", m_service->url("/files/setup").toString()},
                             {"AppVersion", "5.0.1"},
                             {"FileIsZipped", "false"}};
    for (auto it = overrides.begin(); it != overrides.end(); ++it)
        e.insert(it.key(), it.value());
    m_service->replyBody = TestUpdateService::fileInfoReply(e);
}

UpdaterDlg *TestUpdateDownload::makeUpdater()
{
    m_updater = new UpdaterDlg("KEY", QUFW::ProductBranch::StableBranch, "Deskline", "4.5.23",
                               m_service->url("/updates"), dl(), "UPDTEST", m_dir->path(), WriterConfig(), *m_starter);
    m_updater->setCheckTiming(0, 10000);
    m_updater->setExtraCaCertificates({TestUpdateService::caCertificate()});
    m_updater->setModalDialog(false);
    m_updater->setHiddenCheck(true);
    m_new = new QSignalSpy(m_updater, SIGNAL(newVersionAvailable(QString)));
    m_error = new QSignalSpy(m_updater, SIGNAL(error(QString)));
    m_started = new QSignalSpy(m_updater, SIGNAL(upgradeStarted()));
    m_canceled = new QSignalSpy(m_updater, SIGNAL(canceled()));
    return m_updater;
}

bool TestUpdateDownload::checkFindsUpdate()
{
    m_updater->checkUpdates();
    return QTest::qWaitFor([this] { return m_new->count() > 0; }, testsupport::kConditionWaitMs);
}

bool TestUpdateDownload::downloadAndWait()
{
    m_updater->startDownload();
    const bool ended =
        QTest::qWaitFor([this] { return m_started->count() + m_error->count() + m_canceled->count() > 0; },
                        testsupport::kConditionWaitMs);
    Q_UNUSED(ended)
    QTest::qWait(20);
    return m_started->count() == 1;
}

// The whole path a user takes: the check finds 5.0.1, the download is
// verified and made executable, the installer starts detached in the download
// directory with the program's path and "-s", and the client quits.
void TestUpdateDownload::downloadVerifyStartAndQuit()
{
    m_starter = &ProgramStarter::system(); // the real start
    const QString record = m_dir->filePath("installer-args.txt");
    qputenv("DESKLINE_UPDATER_TEST_RECORD", QFile::encodeName(record));
    serve(kScript, "Deskline-5.0.1.sh");
    makeUpdater();
    QVERIFY(QDir().mkpath(dl()));
    QVERIFY(writeFile(dl("Deskline-5.0.1.sh"), "old installer")); // replaced
    m_updater->setAutoUpdate(true);                               // the reported version is downloaded at once
    connect(m_updater, &CheckUpdateDlg::upgradeStarted, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    QSignalSpy downloaded(m_updater, SIGNAL(newVersionDownloaded()));
    m_updater->checkUpdates();
    QCOMPARE(testsupport::execWithTimeout(30000, -1), 0); // the application quit
    QCOMPARE(m_started->count(), 1);
    QCOMPARE(downloaded.count(), 1);
    QCOMPARE(m_error->count(), 0);

    const QString installer = dl("Deskline-5.0.1.sh");
    QCOMPARE(readAll(installer), kScript);
    QCOMPARE(QFileInfo(installer).permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                              QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                              QFile::ExeOther);
    QVERIFY(!QFile::exists(installer + ".tmp"));
    QTRY_VERIFY_WITH_TIMEOUT(readAll(record).count('\n') >= 3, 10000);
    const QStringList lines = QString::fromLocal8Bit(readAll(record)).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines, (QStringList{QDir(dl()).canonicalPath(), QCoreApplication::applicationFilePath(), "-s"}));
    QCOMPARE(m_service->fileRequests, 1);
}

void TestUpdateDownload::verification_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("started");
    QTest::newRow("good") << "" << true;
    QTest::newRow("upper-case hex") << "upper" << true;
    QTest::newRow("wrong MD5") << "md5" << false;
    QTest::newRow("wrong SHA1") << "sha1" << false;
    QTest::newRow("longer than declared") << "size" << false;
    QTest::newRow("cut short") << "short" << false;
    QTest::newRow("not found") << "404" << false;
    QTest::newRow("stale temporary link") << "link" << true;
    QTest::newRow("untrusted download server") << "tls" << false;
}

void TestUpdateDownload::verification()
{
    QFETCH(QString, fault);
    QFETCH(bool, started);
    const QByteArray content = QByteArray("installer body ").repeated(5000);
    QMap<QString, QString> o;
    if (fault == "upper") {
        o["MD5"] = hex(content, QCryptographicHash::Md5).toUpper();
        o["SHA1"] = hex(content, QCryptographicHash::Sha1).toUpper();
    } else if (fault == "md5") {
        o["MD5"] = hex("other", QCryptographicHash::Md5);
    } else if (fault == "sha1") {
        o["SHA1"] = hex("other", QCryptographicHash::Sha1);
    } else if (fault == "size") {
        o["FileSize"] = QString::number(content.size() - 100);
    } else if (fault == "404") {
        o["URL"] = m_service->url("/files/missing").toString();
    }
    TestUpdateService rogue(TestUpdateService::Identity::ForeignCa);
    if (fault == "tls") {
        QVERIFY(rogue.start());
        TestUpdateService::File copy;
        copy.data = content;
        rogue.files.insert("/files/setup", copy);
        o["URL"] = rogue.url("/files/setup").toString();
    }
    serve(content, "setup.bin", o);
    if (fault == "short")
        m_service->files["/files/setup"].advertisedLength = content.size() + 1000;
    makeUpdater();
    const QString outside = m_dir->filePath("outside.txt");
    QVERIFY(writeFile(outside, "keep me"));
    if (fault == "link")
        QVERIFY(QFile::link(outside, dl("setup.bin.tmp")));
    QVERIFY(checkFindsUpdate());
    QCOMPARE(downloadAndWait(), started);
    QCOMPARE(readAll(outside), QByteArray("keep me"));
    QVERIFY(!QFile::exists(dl("setup.bin.tmp")));
    if (started) {
        QCOMPARE(m_launched.size(), 1);
        QCOMPARE(m_launched.first().program, dl("setup.bin"));
        QCOMPARE(m_launched.first().arguments, (QStringList{QCoreApplication::applicationFilePath(), "-s"}));
        QCOMPARE(m_launched.first().workingDirectory, dl());
        QCOMPARE(readAll(dl("setup.bin")), content);
    } else {
        QCOMPARE(m_error->count(), 1);
        QCOMPARE(m_error->first().first().toString(), QString("download failed"));
        QVERIFY(m_launched.isEmpty());
        QVERIFY(!QFile::exists(dl("setup.bin")));
    }
}

// A name that leaves the directory is refused before anything is written,
// by the check and by the transfer itself.
void TestUpdateDownload::hostileFileNameWritesNothing()
{
    serve("x", "../escaped.bin");
    makeUpdater();
    QSignalSpy none(m_updater, SIGNAL(noNewVersionAvailable()));
    m_updater->checkUpdates();
    QTRY_COMPARE_WITH_TIMEOUT(none.count(), 1, 20000);
    m_updater->startDownload(); // nothing to download
    QTest::qWait(50);
    QCOMPARE(m_service->fileRequests, 0);

    FileXferManager manager;
    manager.setSslConfiguration(m_updater->sslConfiguration());
    QSignalSpy failed(&manager, SIGNAL(fileXferFailed(DownloadableFileInfo)));
    QSignalSpy succeeded(&manager, SIGNAL(fileXferSucceed(DownloadableFileInfo)));
    for (const QString &name : {QString("../escaped.bin"), QString("sub/../../escaped.bin"), QString("/tmp/x")}) {
        DownloadableFileInfo info;
        info.fileName = name;
        info.url = m_service->url("/files/setup").toString();
        info.md5 = hex("x", QCryptographicHash::Md5);
        info.sha1 = hex("x", QCryptographicHash::Sha1);
        info.valid = true;
        XferConfig job(info);
        job.destinationDir = dl();
        manager.transfer(job);
    }
    QTRY_COMPARE(failed.count(), 3);
    QCOMPARE(succeeded.count(), 0);
    QVERIFY(!QFile::exists(m_dir->filePath("escaped.bin")));
    QCOMPARE(m_service->fileRequests, 0);
}

void TestUpdateDownload::zipped_data()
{
    QTest::addColumn<QList<ZipEntry>>("entries");
    QTest::addColumn<QString>("exe");
    QTest::addColumn<bool>("started");
    const ZipEntry setup{"setup.sh", kScript, 0100644};
    const ZipEntry readme{"docs/readme.txt", "read me", 0100644};
    QTest::newRow("good") << QList<ZipEntry>{readme, setup} << "setup.sh" << true;
    QTest::newRow("executable in a folder")
        << QList<ZipEntry>{readme, {"bin/setup.sh", kScript, 0100644}} << "bin/setup.sh" << true;
    QTest::newRow("folders keep same-named files apart") << QList<ZipEntry>{{"a/", "", 040755},
                                                                            {"a/b/setup.sh", kScript, 0100755},
                                                                            {"b/README", "first", 0100644},
                                                                            {"c/README", "second", 0100644},
                                                                            {"setup.sh", "not this one", 0100755}}
                                                         << "a/b/setup.sh" << true;
    QTest::newRow("dot parts") << QList<ZipEntry>{{"./pkg/./setup.sh", kScript, 0100644}} << "pkg/setup.sh" << true;
    QTest::newRow("parent entry") << QList<ZipEntry>{setup, {"../evil.sh", "evil", 0100755}} << "setup.sh" << false;
    QTest::newRow("parent inside a path")
        << QList<ZipEntry>{setup, {"a/../../evil.sh", "evil", 0100755}} << "setup.sh" << false;
    QTest::newRow("absolute entry") << QList<ZipEntry>{setup, {"/tmp/evil.sh", "evil", 0100755}} << "setup.sh" << false;
    QTest::newRow("link entry") << QList<ZipEntry>{setup, {"lnk", "/etc/passwd", 0120777}} << "setup.sh" << false;
    QTest::newRow("link folder") << QList<ZipEntry>{{"out", "..", 0120777}, {"out/evil.sh", "evil", 0100755}, setup}
                                 << "setup.sh" << false;
    QTest::newRow("link as executable") << QList<ZipEntry>{{"setup.sh", "/bin/sh", 0120777}} << "setup.sh" << false;
    QTest::newRow("device entry") << QList<ZipEntry>{setup, {"dev", "", 0020644}} << "setup.sh" << false;
    QTest::newRow("same path twice") << QList<ZipEntry>{setup, {"./setup.sh", "other", 0100755}} << "setup.sh" << false;
    QTest::newRow("too large") << QList<ZipEntry>{setup, {"big", QByteArray(300 * 1024, 'z'), 0100644}} << "setup.sh"
                               << false;
    QTest::newRow("too large in folders") << QList<ZipEntry>{setup,
                                                             {"x/big", QByteArray(200 * 1024, 'z'), 0100644},
                                                             {"y/big", QByteArray(200 * 1024, 'z'), 0100644}}
                                          << "setup.sh" << false;
    QTest::newRow("executable missing") << QList<ZipEntry>{readme} << "setup.sh" << false;
    QTest::newRow("executable only by base name")
        << QList<ZipEntry>{{"bin/setup.sh", kScript, 0100755}} << "setup.sh" << false;
    QTest::newRow("no executable named") << QList<ZipEntry>{setup} << "" << false;
}

// A zipped installer is unpacked, folders and all, into a fresh directory
// beside it and its executable started from there by its path inside the
// archive; any doubt about the archive ends in "download failed" with
// nothing started.
void TestUpdateDownload::zipped()
{
    QFETCH(QList<ZipEntry>, entries);
    QFETCH(QString, exe);
    QFETCH(bool, started);
    const QByteArray zip = makeZip(m_dir->filePath("pack.zip"), entries);
    QVERIFY(!zip.isEmpty());
    serve(zip, "setup.zip", {{"FileIsZipped", "true"}, {"AppExecutable", exe}});
    makeUpdater();
    m_updater->setZipLimits(QdZipLimits{100, 256 * 1024});
    // Left from an earlier run: must not be what is started.
    QVERIFY(QDir().mkpath(dl("setup.zip.unpacked")));
    QVERIFY(writeFile(dl("setup.zip.unpacked/setup.sh"), "stale"));
    QVERIFY(checkFindsUpdate());
    QCOMPARE(downloadAndWait(), started);
    QVERIFY(!QFile::exists(m_dir->filePath("evil.sh")));
    QVERIFY(!QFile::exists(dl("evil.sh")));
    QVERIFY(!QFile::exists("/tmp/evil.sh") ||
            QFileInfo("/tmp/evil.sh").lastModified() < QDateTime::currentDateTime().addSecs(-60));
    if (started) {
        QCOMPARE(m_launched.size(), 1);
        const QString program = dl("setup.zip.unpacked/" + exe);
        QCOMPARE(m_launched.first().program, program);
        QCOMPARE(m_launched.first().workingDirectory, dl());
        QCOMPARE(readAll(program), kScript);
        QVERIFY(QFileInfo(program).permissions() & QFile::ExeOwner);
        QVERIFY(!QFile::exists(dl("setup.zip.unpacked/lnk")));
        // Every file at its own path inside the archive.
        for (const ZipEntry &e : entries) {
            const QString path = QDir::cleanPath(dl("setup.zip.unpacked/") + QString::fromUtf8(e.name));
            if (e.name.endsWith('/'))
                QVERIFY(QFileInfo(path).isDir());
            else
                QCOMPARE(readAll(path), e.data);
        }
    } else {
        QVERIFY(m_launched.isEmpty());
        QCOMPARE(m_error->count(), 1);
        QCOMPARE(m_error->first().first().toString(), QString("download failed"));
        QVERIFY(readAll(dl("setup.zip.unpacked/setup.sh")) != kScript);
    }
}

// An installer already in the directory with the right hashes is started
// without downloading it again.
void TestUpdateDownload::installerAlreadyCurrent()
{
    serve(kScript, "setup.sh");
    makeUpdater();
    QVERIFY(writeFile(dl("setup.sh"), kScript));
    QVERIFY(checkFindsUpdate());
    QVERIFY(!m_updater->isInstallerOutdated());
    QVERIFY(downloadAndWait());
    QCOMPARE(m_service->fileRequests, 0);
    QCOMPARE(m_launched.size(), 1);
    QCOMPARE(m_launched.first().program, dl("setup.sh"));
}

void TestUpdateDownload::installerChangedBeforeStart()
{
    serve(kScript, "setup.sh");
    makeUpdater();
    QVERIFY(writeFile(dl("setup.sh"), kScript));
    QVERIFY(checkFindsUpdate());
    QVERIFY(writeFile(dl("setup.sh"), "#!/bin/sh\necho planted\n"));
    QVERIFY(!downloadAndWait());
    QVERIFY(m_launched.isEmpty());
    QCOMPARE(m_error->count(), 1);
    QCOMPARE(m_error->first().first().toString(), QString("stage2 start failed"));
}

// Cancel in the progress dialog: one cancel, no error, nothing left behind.
void TestUpdateDownload::cancelDuringDownload()
{
    const qint64 size = 64 * 1024 * 1024;
    TestUpdateService::File file;
    file.size = size;
    file.generate = [](qint64, int length) { return QByteArray(length, 'q'); };
    m_service->files.insert("/files/big", file);
    m_service->replyBody = TestUpdateService::fileInfoReply({{"FileName", "big.bin"},
                                                             {"FileSize", QString::number(size)},
                                                             {"MD5", QString(32, 'a')},
                                                             {"SHA1", QString(40, 'b')},
                                                             {"URL", m_service->url("/files/big").toString()},
                                                             {"AppVersion", "6.0"}});
    makeUpdater();
    QVERIFY(checkFindsUpdate());
    bool clicked = false;
    connect(m_updater, &BaseUpdater::bytesReceived, this, [&](qint64 received, qint64) {
        if (clicked || received == 0)
            return;
        clicked = true;
        QProgressDialog *dialog = m_updater->progressDialog();
        for (QAbstractButton *b : dialog->findChildren<QAbstractButton *>()) {
            if (b->text() == "Annulla")
                b->click();
        }
    });
    m_updater->startDownload();
    QTRY_VERIFY_WITH_TIMEOUT(clicked, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_updater->isDownloadRunning(), 20000);
    QTest::qWait(50);
    QCOMPARE(m_canceled->count(), 1);
    QCOMPARE(m_error->count(), 0);
    QVERIFY(m_launched.isEmpty());
    QVERIFY(!QFile::exists(dl("big.bin")));
    QVERIFY(!QFile::exists(dl("big.bin.tmp")));
}

void TestUpdateDownload::transferLimits_data()
{
    QTest::addColumn<qint64>("declared");
    QTest::addColumn<qint64>("max");
    QTest::addColumn<qint64>("limit");
    const qint64 def = FileXferManager::DefaultMaxBytes;
    QTest::newRow("no size: the cap") << qint64(0) << def << qint64(512) * 1024 * 1024;
    QTest::newRow("declared size") << qint64(1000) << def << qint64(1000);
    QTest::newRow("declared above the cap") << qint64(600) * 1024 * 1024 << def << qint64(600) * 1024 * 1024;
    QTest::newRow("no size, smaller maximum") << qint64(0) << qint64(4096) << qint64(4096);
    QTest::newRow("declared, smaller maximum") << qint64(8192) << qint64(4096) << qint64(4096);
}

void TestUpdateDownload::transferLimits()
{
    QFETCH(qint64, declared);
    QFETCH(qint64, max);
    QFETCH(qint64, limit);
    QCOMPARE(FileXferManager::UndeclaredSizeMaxBytes, qint64(512) * 1024 * 1024);
    QCOMPARE(FileXferManager::transferLimit(declared, max), limit);
}

void TestUpdateDownload::oversizedBodyStopsEarly_data()
{
    QTest::addColumn<qint64>("declared"); // 0: no FileSize in the reply
    QTest::addColumn<bool>("contentLength");
    QTest::newRow("no size, no length") << qint64(0) << false;
    QTest::newRow("no size, long length") << qint64(0) << true;
    QTest::newRow("size, no length") << qint64(512 * 1024) << false;
    QTest::newRow("size, long length") << qint64(512 * 1024) << true;
}

// A body beyond what the reply declares (or, without a declared size, beyond
// the cap; here 1 MiB) is stopped as soon as it passes it: the service gets
// to send only a few MiB of its 256, and nothing stays on disk.
void TestUpdateDownload::oversizedBodyStopsEarly()
{
    QFETCH(qint64, declared);
    QFETCH(bool, contentLength);
    const qint64 size = qint64(256) * 1024 * 1024;
    TestUpdateService::File file;
    file.size = size;
    file.generate = [](qint64, int length) { return QByteArray(length, 'q'); };
    file.noLength = !contentLength;
    m_service->files.insert("/files/huge", file);
    QMap<QString, QString> e{{"FileName", "huge.bin"},
                             {"MD5", QString(32, 'a')},
                             {"SHA1", QString(40, 'b')},
                             {"URL", m_service->url("/files/huge").toString()},
                             {"AppVersion", "6.0"}};
    if (declared > 0)
        e.insert("FileSize", QString::number(declared));
    m_service->replyBody = TestUpdateService::fileInfoReply(e);
    makeUpdater();
    m_updater->setMaxDownloadBytes(1024 * 1024);
    QVERIFY(checkFindsUpdate());
    QCOMPARE(m_updater->latestFileInfo().size, declared);
    QVERIFY(!downloadAndWait());
    QCOMPARE(m_error->count(), 1);
    QCOMPARE(m_error->first().first().toString(), QString("download failed"));
    QVERIFY2(m_service->bytesStreamed < 24 * 1024 * 1024, QByteArray::number(m_service->bytesStreamed));
    QVERIFY(!QFile::exists(dl("huge.bin")));
    QVERIFY(!QFile::exists(dl("huge.bin.tmp")));
}

// Two transfers of one URL each end with their own signal.
void TestUpdateDownload::sameUrlTwice()
{
    const QByteArray content = "same content";
    TestUpdateService::File file;
    file.data = content;
    m_service->files.insert("/files/x%20y", file);
    FileXferManager manager;
    BaseUpdater trust("K", ProgramStarter::system());
    trust.setExtraCaCertificates({TestUpdateService::caCertificate()});
    manager.setSslConfiguration(trust.sslConfiguration());
    QSignalSpy succeeded(&manager, SIGNAL(fileXferSucceed(DownloadableFileInfo)));
    QSignalSpy failed(&manager, SIGNAL(fileXferFailed(DownloadableFileInfo)));
    for (const char *sub : {"a", "b"}) {
        QVERIFY(QDir().mkpath(m_dir->filePath(sub)));
        DownloadableFileInfo info;
        info.fileName = "x.bin";
        info.url = m_service->url("/files/x y").toString(); // rendered differently by the request
        info.md5 = hex(content, QCryptographicHash::Md5);
        info.sha1 = hex(content, QCryptographicHash::Sha1);
        info.size = content.size();
        info.valid = true;
        XferConfig job(info);
        job.destinationDir = m_dir->filePath(sub);
        manager.transfer(job);
    }
    QTRY_COMPARE_WITH_TIMEOUT(succeeded.count() + failed.count(), 2, 20000);
    QCOMPARE(succeeded.count(), 2);
    QCOMPARE(manager.runningTransfers(), 0);
    QCOMPARE(readAll(m_dir->filePath("a/x.bin")), content);
    QCOMPARE(readAll(m_dir->filePath("b/x.bin")), content);
}

void TestUpdateDownload::startFailure()
{
    serve(kScript, "setup.sh");
    makeUpdater();
    m_startResult = false;
    QVERIFY(checkFindsUpdate());
    QVERIFY(!downloadAndWait());
    QCOMPARE(m_launched.size(), 1);
    QCOMPARE(m_error->count(), 1);
    QCOMPARE(m_error->first().first().toString(), QString("stage2 start failed"));
}

// The download directory is the user's alone.
void TestUpdateDownload::privateDownloadDir()
{
    makeUpdater();
    QFileInfo created(dl());
    QCOMPARE(int(created.permissions() & 0x0077), 0); // no group or other access
    QCOMPARE(m_updater->downloadDir(), dl());

    const QString shared = m_dir->filePath("shared");
    QVERIFY(QDir().mkpath(shared));
    QVERIFY(::chmod(QFile::encodeName(shared).constData(), 0777) == 0);
    m_updater->setDownloadDir(shared);
    QCOMPARE(m_updater->downloadDir(), UpdaterPaths::defaultDownloadDir());

    const QString link = m_dir->filePath("link");
    QVERIFY(QFile::link(dl(), link));
    m_updater->setDownloadDir(link);
    QCOMPARE(m_updater->downloadDir(), UpdaterPaths::defaultDownloadDir());
    QVERIFY(
        UpdaterPaths::defaultDownloadDir().startsWith(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)));
}

void TestUpdateDownload::refusedDirsUseATemporaryOne_data()
{
    QTest::addColumn<bool>("installerStarts");
    QTest::newRow("installer not started: removed at exit") << false;
    QTest::newRow("installer started from it: kept") << true;
}

// The given directory and the user's own update directory both refused:
// the refusal reaches the updater's log, downloads go to a temporary
// directory, and that goes when the program quits, unless the installer
// started from it may still need it.
void TestUpdateDownload::refusedDirsUseATemporaryOne()
{
    QFETCH(bool, installerStarts);
    const QString own = UpdaterPaths::defaultDownloadDir();
    QVERIFY(QDir().mkpath(QFileInfo(own).path()));
    QDir(own).removeRecursively();
    QFile::remove(own);
    QVERIFY(writeFile(own, "not a directory"));
    const QString shared = m_dir->filePath("shared");
    QVERIFY(QDir().mkpath(shared));
    QVERIFY(::chmod(QFile::encodeName(shared).constData(), 0777) == 0);

    serve(kScript, "setup.sh");
    m_updater =
        new UpdaterDlg("KEY", QUFW::ProductBranch::StableBranch, "Deskline", "4.5.23", m_service->url("/updates"),
                       shared, "UPDTEST", m_dir->path(), WriterConfig(), *m_starter);
    m_updater->setCheckTiming(0, 10000);
    m_updater->setExtraCaCertificates({TestUpdateService::caCertificate()});
    m_updater->setHiddenCheck(true);
    m_new = new QSignalSpy(m_updater, SIGNAL(newVersionAvailable(QString)));
    m_error = new QSignalSpy(m_updater, SIGNAL(error(QString)));
    m_started = new QSignalSpy(m_updater, SIGNAL(upgradeStarted()));
    m_canceled = new QSignalSpy(m_updater, SIGNAL(canceled()));
    QCOMPARE(m_updater->downloadDir(), QString());
    QTRY_VERIFY(readAll(m_dir->filePath("updater.log")).contains("Download directory refused"));

    m_startResult = installerStarts;
    QVERIFY(checkFindsUpdate());
    QCOMPARE(downloadAndWait(), installerStarts);
    QCOMPARE(m_launched.size(), 1);
    const QString temporary = m_launched.first().workingDirectory;
    QVERIFY(!temporary.isEmpty());
    QVERIFY(temporary != shared && temporary != own);
    QCOMPARE(readAll(temporary + "/setup.sh"), kScript);

    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCOMPARE(testsupport::execWithTimeout(10000, -1), 0);
    QCOMPARE(QFileInfo::exists(temporary), installerStarts);
    if (installerStarts)
        QDir(temporary).removeRecursively();
    QFile::remove(own);
}

// A check asked for while one runs sends its own request; only the newest
// reports, once.
void TestUpdateDownload::checkWhileOneRuns()
{
    serve(kScript, "setup.sh");
    makeUpdater();
    m_service->splitAt = {10};
    m_service->pieceDelayMs = 1500; // the first reply is still coming
    QSignalSpy none(m_updater, SIGNAL(noNewVersionAvailable()));
    m_updater->checkForNewVersion(20000);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests.size(), 1, 10000);
    m_updater->checkForNewVersion(20000);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests.size(), 2, 10000);
    // The first reply's rest was due before the second's: by the time the
    // second has reported, the first would have too.
    QTRY_COMPARE_WITH_TIMEOUT(m_new->count(), 1, 20000);
    QCOMPARE(none.count(), 0);
    QVERIFY(!m_updater->isCheckRunning());
}

DESKLINE_TEST_MAIN(TestUpdateDownload)
#include "tst_updatedownload.moc"
