// Pure rules of the updater: the request document, reading replies, the
// version comparison, file-name rules and the small utilities.
#include "testmain.h"
#include "updater/baseupdater.h"
#include "updater/downloadablefileinfo.h"
#include "updater/programlauncher.h"
#include "updater/qufw.h"
#include "updater/updatereplyreader.h"
#include "updater/updaterutils.h"

#include <QCryptographicHash>
#include <QTemporaryDir>

class TestUpdateProtocol : public QObject
{
    Q_OBJECT
private slots:
    void requestDocument_data();
    void requestDocument();
    void elementTable();
    void replyRecord_data();
    void replyRecord();
    void replyInPieces();
    void replyLimits();
    void replyRejections_data();
    void replyRejections();
    void versionComparison_data();
    void versionComparison();
    void fileNames_data();
    void fileNames();
    void hashes();
    void base64Compressed();
    void isoDateTimes();
    void recursiveCopySkipsWholeNameMatches();
    void serviceUrl_data();
    void serviceUrl();
};

void TestUpdateProtocol::requestDocument_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("branch");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray head = "<QDUPFW><API>1.1</API><Request><GetFileInfo>";
    const QByteArray tail = "</GetFileInfo></Request></QDUPFW>";
    QTest::newRow("plain") << "KEY-1"
                           << "4.5.23" << 1
                           << head +
                                  "<AppUniqueId>KEY-1</AppUniqueId><FileInfoType>1</FileInfoType><Platform>1"
                                  "</Platform><ProductBranch>1</ProductBranch><AppVersion>4.5.23</AppVersion>" +
                                  tail;
    QTest::newRow("no version, empty key") << ""
                                           << "" << 2
                                           << head +
                                                  "<AppUniqueId></AppUniqueId><FileInfoType>1</FileInfoType>"
                                                  "<Platform>1</Platform><ProductBranch>2</ProductBranch>" +
                                                  tail;
    QTest::newRow("escaped") << "a<b>&\"c'"
                             << "1.0&x" << 0
                             << head +
                                    "<AppUniqueId>a&lt;b&gt;&amp;&quot;c&apos;</AppUniqueId><FileInfoType>1"
                                    "</FileInfoType><Platform>1</Platform><ProductBranch>0</ProductBranch>"
                                    "<AppVersion>1.0&amp;x</AppVersion>" +
                                    tail;
    QTest::newRow("non-latin key") << QString::fromUtf8("κλειδί") << "1" << 1
                                   << head +
                                          "<AppUniqueId>&#x3ba;&#x3bb;&#x3b5;&#x3b9;&#x3b4;&#x3af;</AppUniqueId>"
                                          "<FileInfoType>1</FileInfoType><Platform>1</Platform><ProductBranch>1"
                                          "</ProductBranch><AppVersion>1</AppVersion>" +
                                          tail;
}

void TestUpdateProtocol::requestDocument()
{
    QFETCH(QString, key);
    QFETCH(QString, version);
    QFETCH(int, branch);
    QFETCH(QByteArray, expected);
    BaseUpdater updater(key, ProgramStarter::system());
    updater.setAppVersion(version);
    QCOMPARE(updater.requestDocument(branch), expected);
}

void TestUpdateProtocol::elementTable()
{
    QCOMPARE(QUFW::tagName(QUFW::Tags::SUFKEY), QString("SUFKEY"));
    QCOMPARE(QUFW::tagName(QUFW::Tags::Platform), QString("Platform"));
    QCOMPARE(QUFW::tagName(QUFW::Tags::FileInfoRoot), QString("FileInfoRoot"));
    QCOMPARE(QUFW::tagName(QUFW::Tags::ProductBranch), QString("ProductBranch"));
    QCOMPARE(QUFW::tagName(QUFW::Tags::Login), QString("Login"));
    QCOMPARE(int(QUFW::Tags::Count), 37);
    QVERIFY(QUFW::tagName(QUFW::Tags::Count).isEmpty());
}

void TestUpdateProtocol::replyRecord_data()
{
    QTest::addColumn<QString>("sizeText");
    QTest::addColumn<QString>("zippedText");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("zipped");
    QTest::newRow("small") << "1024"
                           << "false" << qint64(1024) << false;
    QTest::newRow("beyond 32 bits") << "6442450944"
                                    << " TRUE " << qint64(6442450944LL) << true;
    QTest::newRow("not a number") << "12kB"
                                  << "yes" << qint64(0) << false;
    QTest::newRow("one is not true") << "7"
                                     << "1" << qint64(7) << false;
}

void TestUpdateProtocol::replyRecord()
{
    QFETCH(QString, sizeText);
    QFETCH(QString, zippedText);
    QFETCH(qint64, size);
    QFETCH(bool, zipped);
    const QString message =
        QString::fromLatin1(
            "<QDUPFW><FileInfoRoot><FileName>inst.bin</FileName><FileSize>%1</FileSize><FileIsZipped>%2</FileIsZipped>"
            "<AppVersion>5.0</AppVersion><URL>https://h/x</URL><MD5>AB</MD5><SHA1>cd</SHA1><AppExecutable>run"
            "</AppExecutable></FileInfoRoot></QDUPFW>")
            .arg(sizeText, zippedText);
    const DownloadableFileInfo info = DownloadableFileInfo::fromReplyMessage(message);
    QVERIFY(info.valid);
    QCOMPARE(info.size, size);
    QCOMPARE(info.zipped, zipped);
    QCOMPARE(info.fileName, QString("inst.bin"));
    QCOMPARE(info.md5, QString("AB"));
    QCOMPARE(info.exe2Start, QString("run"));
    QVERIFY(!DownloadableFileInfo::fromReplyMessage("<QDUPFW><FileInfoRoot><FileName>a</FileName></FileInfoRoot>"
                                                    "</QDUPFW>")
                 .valid);
}

// However the reply is cut, it gives one outcome, read once.
void TestUpdateProtocol::replyInPieces()
{
    const QByteArray reply = "<QDUPFW><API>1.1</API><Response><FileInfoRoot><FileName>f</FileName><URL>https://h/f"
                             "</URL></FileInfoRoot></Response></QDUPFW>";
    for (int cut = 1; cut < reply.size(); cut += 7) {
        UpdateReplyReader reader;
        QCOMPARE(reader.addData(reply.left(cut)), UpdateReplyReader::State::NeedMore);
        QCOMPARE(reader.addData(reply.mid(cut)), UpdateReplyReader::State::Record);
        QCOMPARE(reader.record().fileName, QString("f"));
        // Later data changes nothing.
        QCOMPARE(reader.addData("<QDUPFW><FileInfoRoot><FileName>g</FileName></FileInfoRoot></QDUPFW>"),
                 UpdateReplyReader::State::Record);
        QCOMPARE(reader.record().fileName, QString("f"));
    }
    // An unknown message first, the description after it.
    UpdateReplyReader reader;
    QCOMPARE(reader.addData("<QDUPFW><Other/></QDUPFW>" + reply), UpdateReplyReader::State::Record);
    QCOMPARE(reader.unknownMessages().size(), 1);
    // Incomplete at the end: one failure.
    UpdateReplyReader cut;
    QCOMPARE(cut.addData(reply.left(40)), UpdateReplyReader::State::NeedMore);
    QCOMPARE(cut.finish(), UpdateReplyReader::State::Failed);
    // Nothing at all.
    UpdateReplyReader empty;
    QCOMPARE(empty.finish(), UpdateReplyReader::State::Failed);
}

void TestUpdateProtocol::replyLimits()
{
    UpdateReplyReader reader;
    const QByteArray filler(64 * 1024, 'x');
    UpdateReplyReader::State state = reader.addData("<QDUPFW><FileInfoRoot>");
    for (int i = 0; i < 20 && state == UpdateReplyReader::State::NeedMore; ++i)
        state = reader.addData(filler);
    QCOMPARE(state, UpdateReplyReader::State::Failed);
    QVERIFY(reader.failure().contains("larger"));

    // Text after a NUL byte is not read.
    UpdateReplyReader nul;
    static const char withNul[] = "<QDUPFW><FileInfoRoot><FileName>f</FileName>\0<URL>https://h/f</URL>"
                                  "</FileInfoRoot></QDUPFW>";
    QCOMPARE(nul.addData(QByteArray(withNul, int(sizeof(withNul)) - 1)), UpdateReplyReader::State::NeedMore);
    QCOMPARE(nul.finish(), UpdateReplyReader::State::Failed);
}

void TestUpdateProtocol::replyRejections_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("md5");
    QTest::addColumn<QString>("exe");
    QTest::addColumn<bool>("accepted");
    const QString md5(32, 'a');
    QTest::newRow("good") << "setup.bin"
                          << "https://h/x" << md5 << "" << true;
    QTest::newRow("upper-case hex") << "setup.bin"
                                    << "https://h/x" << QString(32, 'A') << "" << true;
    QTest::newRow("parent dir") << "../x"
                                << "https://h/x" << md5 << "" << false;
    QTest::newRow("deep parent") << "../../x"
                                 << "https://h/x" << md5 << "" << false;
    QTest::newRow("absolute") << "/tmp/x"
                              << "https://h/x" << md5 << "" << false;
    QTest::newRow("dot dot") << ".."
                             << "https://h/x" << md5 << "" << false;
    QTest::newRow("backslash") << "..\\x"
                               << "https://h/x" << md5 << "" << false;
    QTest::newRow("plain http") << "setup.bin"
                                << "http://h/x" << md5 << "" << false;
    QTest::newRow("file url") << "setup.bin"
                              << "file:///etc/passwd" << md5 << "" << false;
    QTest::newRow("short md5") << "setup.bin"
                               << "https://h/x"
                               << "abc"
                               << "" << false;
    QTest::newRow("exe leaves") << "setup.zip"
                                << "https://h/x" << md5 << "../../bin/sh" << false;
    QTest::newRow("exe absolute") << "setup.zip"
                                  << "https://h/x" << md5 << "/bin/sh" << false;
    QTest::newRow("exe in subdir") << "setup.zip"
                                   << "https://h/x" << md5 << "bin/setup" << true;
}

void TestUpdateProtocol::replyRejections()
{
    QFETCH(QString, fileName);
    QFETCH(QString, url);
    QFETCH(QString, md5);
    QFETCH(QString, exe);
    QFETCH(bool, accepted);
    DownloadableFileInfo info;
    info.fileName = fileName;
    info.url = url;
    info.md5 = md5;
    info.sha1 = QString(40, 'b');
    info.exe2Start = exe;
    info.valid = true;
    QCOMPARE(info.rejectionReason(false, 1 << 20).isEmpty(), accepted);
}

void TestUpdateProtocol::versionComparison_data()
{
    QTest::addColumn<QString>("local");
    QTest::addColumn<QString>("remote");
    QTest::addColumn<bool>("upToDate");
    QTest::newRow("third part newer") << "4.5.23-r331ba3e"
                                      << "4.5.24" << false;
    QTest::newRow("same text") << "4.5.23-r331ba3e"
                               << "4.5.23-r331ba3e" << true;
    QTest::newRow("older build") << "4.5.23-r500"
                                 << "4.5.23-r400" << true;
    QTest::newRow("newer build") << "4.5.23-r400"
                                 << "4.5.23-r500" << false;
    QTest::newRow("extra remote part") << "4.5.23"
                                       << "4.5.23.1" << false;
    QTest::newRow("extra zero part") << "4.5.23"
                                     << "4.5.23.0" << true;
    QTest::newRow("extra local part") << "4.5.23.1"
                                      << "4.5.23" << true;
    QTest::newRow("major older remote") << "5.0"
                                        << "4.9" << true;
    QTest::newRow("major newer remote") << "4.9"
                                        << "5.0" << false;
    QTest::newRow("numeric not text") << "4.10"
                                      << "4.9" << true;
    QTest::newRow("comma separated") << "4,5,1"
                                     << "4.5.2" << false;
    QTest::newRow("garbage remote") << "4.5.23"
                                    << "garbage" << true;
    QTest::newRow("empty remote") << "4.5.23"
                                  << "" << true;
    QTest::newRow("huge numbers") << "4.99999999999999999999"
                                  << "4.100000000000000000000" << false;
    QTest::newRow("leading zeros") << "4.05"
                                   << "4.5" << true;
}

void TestUpdateProtocol::versionComparison()
{
    QFETCH(QString, local);
    QFETCH(QString, remote);
    QFETCH(bool, upToDate);
    QCOMPARE(UpdaterVersion::isUpToDate(local, remote), upToDate);
}

void TestUpdateProtocol::fileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("plain");
    QTest::newRow("name") << "Deskline-5.0.bin" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("slash") << "a/b" << false;
    QTest::newRow("newline") << "a\nb" << false;
    QTest::newRow("too long") << QString(256, 'a') << false;
}

void TestUpdateProtocol::fileNames()
{
    QFETCH(QString, name);
    QFETCH(bool, plain);
    QCOMPARE(UpdaterPaths::isPlainFileName(name), plain);
}

void TestUpdateProtocol::hashes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("f");
    QCOMPARE(Utils::md5sumFile(path), QString()); // missing: null
    QVERIFY(Utils::md5sumFile(path).isNull());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QCOMPARE(Utils::md5sumFile(path), QString("d41d8cd98f00b204e9800998ecf8427e"));
    QVERIFY(!Utils::md5sumFile(path).isNull());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("The quick brown fox jumps over the lazy dog");
    f.close();
    QCOMPARE(Utils::md5sumFile(path), QString("9e107d9d372bb6826bd81d3542a419d6"));
    QCOMPARE(Utils::md5sum(QString("The quick brown fox jumps over the lazy dog")),
             QString("9e107d9d372bb6826bd81d3542a419d6"));
    const UpdaterHash::FileHashes h = UpdaterHash::hashFile(path);
    QVERIFY(h.ok);
    QCOMPARE(h.sha1, QString("2fd4e1c67a2d28fced849ee1bb76e7391b93eb12"));
    QVERIFY(UpdaterHash::sameHex(h.sha1, "2FD4E1C67A2D28FCED849EE1BB76E7391B93EB12"));
    QVERIFY(!UpdaterHash::sameHex(h.sha1, ""));
}

void TestUpdateProtocol::base64Compressed()
{
    const QByteArray data = QByteArray("chiamata interno coda ").repeated(100) + QByteArray(1, '\0');
    const QByteArray packed = Utils::dataToBase64Compressed(data);
    QCOMPARE(QByteArray::fromBase64(packed), qCompress(data));
    QCOMPARE(Utils::dataFromBase64Compressed(packed), data);
}

void TestUpdateProtocol::isoDateTimes()
{
    // Written with its own wall time and offset, read back as the same instant.
    const QDateTime local(QDate(2026, 7, 1), QTime(10, 20, 30, 400), Qt::LocalTime);
    const QString text = Utils::datetimeToIsoString(local);
    QVERIFY(text.startsWith("2026-07-01T10:20:30.400"));
    QCOMPARE(Utils::parseIsoDateTime(text).toMSecsSinceEpoch(), local.toMSecsSinceEpoch());
    const QDateTime plus2(QDate(2026, 7, 1), QTime(10, 20, 30, 400), Qt::OffsetFromUTC, 2 * 3600);
    QCOMPARE(Utils::datetimeToIsoString(plus2), QString("2026-07-01T10:20:30.400+02:00"));
    const QDateTime minus(QDate(2026, 1, 5), QTime(1, 2, 3, 4), Qt::OffsetFromUTC, -(5 * 3600 + 30 * 60));
    QCOMPARE(Utils::datetimeToIsoString(minus), QString("2026-01-05T01:02:03.004-05:30"));
    const QDateTime utc(QDate(2026, 1, 5), QTime(1, 2, 3, 4), Qt::UTC);
    QCOMPARE(Utils::datetimeToIsoString(utc), QString("2026-01-05T01:02:03.004+00:00"));
    QVERIFY(Utils::datetimeToIsoString(QDateTime()).isEmpty());

    QCOMPARE(Utils::parseIsoDateTime("2026-01-05 01:02:03.004Z"), utc);
    QCOMPARE(Utils::parseIsoDateTime("2026-01-05T01:02:03.004123+02").toMSecsSinceEpoch(),
             utc.toMSecsSinceEpoch() - 2 * 3600 * 1000);
    QCOMPARE(Utils::parseIsoDateTime("2026-01-05T01:02:03.004-05:30").toMSecsSinceEpoch(), minus.toMSecsSinceEpoch());
    QVERIFY(!Utils::parseIsoDateTime("yesterday").isValid());
}

void TestUpdateProtocol::recursiveCopySkipsWholeNameMatches()
{
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("src/sub")));
    for (const char *name : {"src/a.log", "src/a.log.bak", "src/sub/b.txt"}) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(name);
    }
    QVERIFY(BaseUpdaterUtils::recursiveCopy(dir.filePath("src"), dir.filePath("dst"), {"*.log"}));
    QVERIFY(!QFile::exists(dir.filePath("dst/a.log")));
    QVERIFY(QFile::exists(dir.filePath("dst/a.log.bak")));
    QVERIFY(QFile::exists(dir.filePath("dst/sub/b.txt")));
    QVERIFY(!BaseUpdaterUtils::copyOverwriteFile(dir.filePath("missing"), dir.filePath("dst/x")));
    QVERIFY(BaseUpdaterUtils::copyOverwriteFile(dir.filePath("src/sub/b.txt"), dir.filePath("dst/a.log.bak")));
    QFile copied(dir.filePath("dst/a.log.bak"));
    QVERIFY(copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), QByteArray("src/sub/b.txt"));
}

void TestUpdateProtocol::serviceUrl_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("expected");
    QTest::newRow("https with path") << "https://u.example/updates"
                                     << "https://u.example:443/updates/RestController.php?action=getFileInfo";
    QTest::newRow("port kept") << "https://u.example:8443"
                               << "https://u.example:8443/suf/RestController.php?action=getFileInfo";
    QTest::newRow("http default port") << "http://u.example/x"
                                       << "http://u.example:80/x/RestController.php?action=getFileInfo";
}

void TestUpdateProtocol::serviceUrl()
{
    QFETCH(QString, server);
    QFETCH(QString, expected);
    BaseUpdater updater("K", ProgramStarter::system());
    updater.setServerUrl(QUrl(server));
    QCOMPARE(updater.serviceUrl().toString(), expected);
}

DESKLINE_TEST_MAIN(TestUpdateProtocol)
#include "tst_updateprotocol.moc"
