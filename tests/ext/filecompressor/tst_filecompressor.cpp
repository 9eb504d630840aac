#include "ext/filecompressor/qdfilecompressor.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <sys/stat.h>
#include <zip.h>

namespace
{

struct ZipEntry {
    QByteArray name;
    QByteArray data;
    zip_flags_t nameFlags = ZIP_FL_ENC_UTF_8;
    quint32 unixMode = 0; // 0: left as libzip writes it
    bool directory = false;
};

bool makeZip(const QString &path, const QList<ZipEntry> &entries)
{
    int err = 0;
    zip_t *za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!za)
        return false;
    for (const ZipEntry &e : entries) {
        zip_int64_t idx;
        if (e.directory) {
            idx = zip_dir_add(za, e.name.constData(), e.nameFlags);
        } else {
            zip_source_t *src = zip_source_buffer(za, e.data.constData(), zip_uint64_t(e.data.size()), 0);
            idx = src ? zip_file_add(za, e.name.constData(), src, e.nameFlags) : -1;
            if (idx < 0 && src)
                zip_source_free(src);
        }
        if (idx < 0 || (e.unixMode && zip_file_set_external_attributes(za, zip_uint64_t(idx), 0, ZIP_OPSYS_UNIX,
                                                                       zip_uint32_t(e.unixMode) << 16) != 0)) {
            zip_discard(za);
            return false;
        }
    }
    return zip_close(za) == 0;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size() && f.flush();
}

// Runs a tool and returns its exit code (-1 when it does not start), with
// its standard output in `out`.
int run(const QString &program, const QStringList &args, QByteArray *out = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted() || !p.waitForFinished(60000))
        return -1;
    if (out)
        *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QByteArray randomText(int n)
{
    // Compressible but not trivial: words drawn at random.
    static const char *const words[] = {"chiamata ", "interno ", "coda ", "operatore ", "0123456789 ", "\n"};
    QByteArray out;
    out.reserve(n + 16);
    while (out.size() < n)
        out += words[QRandomGenerator::global()->bounded(6)];
    out.truncate(n);
    return out;
}

} // namespace

class TestFileCompressor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void helpers_data();
    void helpers();
    void gzipIsValid_data();
    void gzipIsValid();
    void gzipMissingInputKeepsOldOutput();
    void gzipWriteFailure();
    void zipRoundTrip();
    void extractFlattens();
    void extractIntoCurrentDirectory();
    void extractUnsafeEntries();
    void extractReplacesSymlinkAtTarget();
    void extractLimits_data();
    void extractLimits();
    void extractEntryLargerThanDeclared();
    void extractNames();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QStringList extracted() const
    {
        return QDir(path(QStringLiteral("out")))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFileCompressor::initTestCase()
{
    for (const char *tool : {"gzip", "unzip"})
        QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(),
                 qPrintable(QStringLiteral("%1 is needed (scripts/install-deps.sh)").arg(QLatin1String(tool))));
}

void TestFileCompressor::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(path(QStringLiteral("out"))));
}

void TestFileCompressor::helpers_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("gzip keeps the path") << "/tmp/a:b.txt" << 1 << "/tmp/a:b.txt.gz";
    QTest::newRow("zip flattens") << "/tmp/a:b.txt" << 2 << "_tmp_a_b.txt.zip";
    QTest::newRow("zip backslashes") << "C:\\dir\\f" << 2 << "C__dir_f.zip";
    QTest::newRow("other format") << "/tmp/x" << 7 << "/tmp/x";
}

void TestFileCompressor::helpers()
{
    QFETCH(QString, input);
    QFETCH(int, format);
    QFETCH(QString, expected);
    QCOMPARE(QdFileCompressor::getCompressedFilename(input, QdFileCompressor::compressedFileFormatEnum(format)),
             expected);
    QCOMPARE(QdFileCompressor::getByte(0x11223344u, 0), quint8(0x44));
    QCOMPARE(QdFileCompressor::getByte(0x11223344u, 3), quint8(0x11));
    QCOMPARE(QdFileCompressor::getByte(0x11223344u, 4), quint8(0x44));
    QCOMPARE(QdFileCompressor::extractedBaseName(QStringLiteral("a\\b/c")), QStringLiteral("c"));
    QCOMPARE(QdFileCompressor::extractedBaseName(QStringLiteral("a/..")), QString());
}

void TestFileCompressor::gzipIsValid_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("level");
    QTest::newRow("empty") << 0 << 6;
    QTest::newRow("3 bytes") << 3 << 6;
    QTest::newRow("3 bytes stored") << 3 << 0;
    // Spans several 1 MiB input and output buffers.
    QTest::newRow("3 MiB + 5, fastest") << 3 * 1024 * 1024 + 5 << 1;
    QTest::newRow("1 MiB + 1, best") << 1024 * 1024 + 1 << 9;
}

void TestFileCompressor::gzipIsValid()
{
    QFETCH(int, size);
    QFETCH(int, level);
    const QString input = path(QStringLiteral("data.bin"));
    const QByteArray data = size == 3 ? QByteArray("abc") : randomText(size);
    QVERIFY(writeAll(input, data));
    QCOMPARE(QdFileCompressor::fileCompress(input, QdFileCompressor::FORMAT_GZIP, level), 0);

    const QByteArray gz = readAll(input + QStringLiteral(".gz"));
    QVERIFY(gz.size() >= 18);
    QCOMPARE(gz.left(4), QByteArray("\x1f\x8b\x08\x00", 4));
    QCOMPARE(gz.mid(8, 2), QByteArray("\x00\x03", 2));
    const qint64 mtime = QFileInfo(input).lastModified().toMSecsSinceEpoch() / 1000;
    QCOMPARE(qFromLittleEndian<quint32>(gz.constData() + 4), quint32(mtime));
    QCOMPARE(qFromLittleEndian<quint32>(gz.constData() + gz.size() - 4), quint32(size));

    QCOMPARE(run(QStringLiteral("gzip"), {QStringLiteral("-t"), input + QStringLiteral(".gz")}), 0);
    QByteArray unpacked;
    QCOMPARE(run(QStringLiteral("gzip"), {QStringLiteral("-dc"), input + QStringLiteral(".gz")}, &unpacked), 0);
    QCOMPARE(unpacked, data);
}

void TestFileCompressor::gzipMissingInputKeepsOldOutput()
{
    const QString input = path(QStringLiteral("gone.txt"));
    QVERIFY(writeAll(input + QStringLiteral(".gz"), QByteArray("earlier archive")));
    QCOMPARE(QdFileCompressor::compressGzipFile(input, 6), -1);
    QCOMPARE(readAll(input + QStringLiteral(".gz")), QByteArray("earlier archive"));
}

void TestFileCompressor::gzipWriteFailure()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    // The output is a link to a device that refuses every write.
    const QString input = path(QStringLiteral("in.txt"));
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), input + QStringLiteral(".gz")));
    for (int size : {3, 2 * 1024 * 1024}) {
        QVERIFY(writeAll(input, randomText(size)));
        QCOMPARE(QdFileCompressor::compressGzipFile(input, 6), -3);
    }
}

void TestFileCompressor::zipRoundTrip()
{
    const QString input = path(QStringLiteral("report:1.txt"));
    const QByteArray data = randomText(200000);
    QVERIFY(writeAll(input, data));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const int rc = QdFileCompressor::fileCompress(input, QdFileCompressor::FORMAT_ZIP, 6);
    QDir::setCurrent(previous);
    QCOMPARE(rc, 0);

    const QString archive = path(calculateNameCompliantWithZipAlgoMiniZ(input) + QStringLiteral(".zip"));
    QVERIFY2(QFile::exists(archive), qPrintable(archive));
    QCOMPARE(run(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive}), 0);
    int err = 0;
    zip_t *za = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &err);
    QVERIFY(za);
    QCOMPARE(zip_get_num_entries(za, 0), zip_int64_t(1));
    QCOMPARE(QString::fromUtf8(zip_get_name(za, 0, 0)), QFileInfo(archive).fileName());
    zip_uint32_t commentLength = 0;
    const QByteArray comment(zip_file_get_comment(za, 0, &commentLength, 0));
    zip_discard(za);
    QCOMPARE(comment, QByteArray("Zipped with QdFileCompressor! Invalid chars replaced with _"));
    QCOMPARE(commentLength, zip_uint32_t(59));

    QCOMPARE(QdFileCompressor::uncompressZipFile(archive, path(QStringLiteral("out"))), 0);
    QCOMPARE(extracted(), QStringList{QFileInfo(archive).fileName()});
    QCOMPARE(readAll(path(QStringLiteral("out/")) + QFileInfo(archive).fileName()), data);

    // A missing input fails and leaves no archive behind.
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const int missing = QdFileCompressor::compressZipFile(path(QStringLiteral("missing")), 6);
    QDir::setCurrent(previous);
    QCOMPARE(missing, 1);
    QVERIFY(!QFile::exists(
        path(calculateNameCompliantWithZipAlgoMiniZ(path(QStringLiteral("missing"))) + QStringLiteral(".zip"))));
}

void TestFileCompressor::extractFlattens()
{
    const QString zip = path(QStringLiteral("a.zip"));
    QVERIFY(makeZip(
        zip, {{"dir1/", {}, ZIP_FL_ENC_UTF_8, 0, true}, {"dir1/x", "first"}, {"dir2/x", "second"}, {"top", "top"}}));
    QVERIFY(writeAll(path(QStringLiteral("out/x")), "older file"));
    QCOMPARE(QdFileCompressor::uncompressZipFile(zip, path(QStringLiteral("out"))), 0);
    QCOMPARE(extracted(), (QStringList{QStringLiteral("top"), QStringLiteral("x")}));
    QCOMPARE(readAll(path(QStringLiteral("out/x"))), QByteArray("second"));

    const QString empty = path(QStringLiteral("empty.zip"));
    // An archive without entries: libzip writes nothing, so build it by hand.
    QVERIFY(writeAll(empty, QByteArray("PK\x05\x06\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22)));
    QCOMPARE(QdFileCompressor::uncompressZipFile(empty, path(QStringLiteral("out"))), 0);
    QCOMPARE(QdFileCompressor::uncompressZipFile(path(QStringLiteral("none.zip")), path(QStringLiteral("out"))), 1);
    QVERIFY(writeAll(path(QStringLiteral("junk.zip")), "not an archive"));
    QCOMPARE(QdFileCompressor::uncompressZipFile(path(QStringLiteral("junk.zip")), path(QStringLiteral("out"))), 1);
}

void TestFileCompressor::extractIntoCurrentDirectory()
{
    const QString zip = path(QStringLiteral("a.zip"));
    QVERIFY(makeZip(zip, {{"sub/here.txt", "here"}}));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(path(QStringLiteral("out"))));
    const int rc = QdFileCompressor::uncompressZipFile(zip, QString());
    QDir::setCurrent(previous);
    QCOMPARE(rc, 0);
    QCOMPARE(readAll(path(QStringLiteral("out/here.txt"))), QByteArray("here"));
}

void TestFileCompressor::extractUnsafeEntries()
{
    QVERIFY(QDir().mkpath(path(QStringLiteral("out/inner"))));
    const QString zip = path(QStringLiteral("evil.zip"));
    QVERIFY(makeZip(zip, {{"../evil", "parent"},
                          {"/tmp/absolute-evil", "absolute"},
                          {"..\\..\\win-evil", "backslashes"},
                          {"inner/..", "dot-dot base"},
                          {"inner/.", "dot base"},
                          {"link", "../../outside-target", ZIP_FL_ENC_UTF_8, S_IFLNK | 0777},
                          {"fifo", "", ZIP_FL_ENC_UTF_8, S_IFIFO | 0644}}));
    QCOMPARE(QdFileCompressor::uncompressZipFile(zip, path(QStringLiteral("out/inner"))), 0);
    // Everything lands flat inside the target directory, nothing else.
    QCOMPARE(QDir(path(QStringLiteral("out/inner")))
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden),
             (QStringList{QStringLiteral("absolute-evil"), QStringLiteral("evil"), QStringLiteral("win-evil")}));
    QCOMPARE(extracted(), QStringList{QStringLiteral("inner")});
    QVERIFY(!QFile::exists(path(QStringLiteral("evil"))));
    QVERIFY(QFileInfo(path(QStringLiteral("out/inner/evil"))).isFile());
    QCOMPARE(readAll(path(QStringLiteral("out/inner/evil"))), QByteArray("parent"));
}

void TestFileCompressor::extractReplacesSymlinkAtTarget()
{
    const QString outside = path(QStringLiteral("precious"));
    QVERIFY(writeAll(outside, "do not touch"));
    QVERIFY(QFile::link(outside, path(QStringLiteral("out/x"))));
    const QString zip = path(QStringLiteral("a.zip"));
    QVERIFY(makeZip(zip, {{"x", "new content"}}));
    QCOMPARE(QdFileCompressor::uncompressZipFile(zip, path(QStringLiteral("out"))), 0);
    QCOMPARE(readAll(outside), QByteArray("do not touch"));
    QFileInfo target(path(QStringLiteral("out/x")));
    QVERIFY(!target.isSymLink());
    QCOMPARE(readAll(target.filePath()), QByteArray("new content"));
}

void TestFileCompressor::extractLimits_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("entrySize");
    QTest::addColumn<qint64>("maxEntries");
    QTest::addColumn<qint64>("maxBytes");
    QTest::addColumn<int>("rc");
    QTest::newRow("within bounds") << 4 << 1000 << qint64(4) << qint64(4000) << 0;
    QTest::newRow("too many entries") << 5 << 10 << qint64(4) << qint64(1 << 20) << 1;
    QTest::newRow("bomb: 8 MiB of zeros over 1 MiB") << 2 << 4 * 1024 * 1024 << qint64(100) << qint64(1 << 20) << 1;
}

void TestFileCompressor::extractLimits()
{
    QFETCH(int, entries);
    QFETCH(int, entrySize);
    QFETCH(qint64, maxEntries);
    QFETCH(qint64, maxBytes);
    QFETCH(int, rc);
    QList<ZipEntry> list;
    for (int i = 0; i < entries; ++i)
        list.append({QByteArray("e") + QByteArray::number(i), QByteArray(entrySize, '\0')});
    const QString zip = path(QStringLiteral("limits.zip"));
    QVERIFY(makeZip(zip, list));
    QdZipLimits limits;
    limits.maxEntries = maxEntries;
    limits.maxTotalBytes = maxBytes;
    QCOMPARE(QdFileCompressor::uncompressZipFile(zip, path(QStringLiteral("out")), limits), rc);
    // A refused archive extracts nothing at all.
    QCOMPARE(extracted().size(), rc == 0 ? entries : 0);
}

void TestFileCompressor::extractEntryLargerThanDeclared()
{
    // An entry that declares 10 bytes and inflates to 2 MiB.
    const QString zip = path(QStringLiteral("liar.zip"));
    QVERIFY(makeZip(zip, {{"big", QByteArray(2 * 1024 * 1024, 'z')}}));
    QByteArray bytes = readAll(zip);
    const int local = bytes.indexOf(QByteArray("PK\x03\x04", 4));
    const int central = bytes.indexOf(QByteArray("PK\x01\x02", 4));
    QVERIFY(local >= 0 && central > local);
    qToLittleEndian<quint32>(10, bytes.data() + local + 22);
    qToLittleEndian<quint32>(10, bytes.data() + central + 24);
    QVERIFY(writeAll(zip, bytes));
    QdZipLimits limits;
    limits.maxTotalBytes = 1 << 20;
    QCOMPARE(QdFileCompressor::uncompressZipFile(zip, path(QStringLiteral("out")), limits), 1);
    QVERIFY(!QFile::exists(path(QStringLiteral("out/big"))));
}

void TestFileCompressor::extractNames()
{
    const QString zip = path(QStringLiteral("names.zip"));
    QVERIFY(makeZip(zip, {{"dir/perch\xc3\xa9.txt", "utf8"}, {"caf\xe9.txt", "latin1", ZIP_FL_ENC_RAW}}));
    QCOMPARE(QdFileCompressor::uncompressZipFile(zip, path(QStringLiteral("out"))), 0);
    QCOMPARE(readAll(path(QStringLiteral("out/")) + QString::fromUtf8("perch\xc3\xa9.txt")), QByteArray("utf8"));
    QCOMPARE(readAll(path(QStringLiteral("out/")) + QStringLiteral("caf") + QChar(0xe9) + QStringLiteral(".txt")),
             QByteArray("latin1"));
}

DESKLINE_TEST_MAIN(TestFileCompressor)
#include "tst_filecompressor.moc"
