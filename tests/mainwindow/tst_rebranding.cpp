// The PBX's rebranding pack taking effect: a finished download replaces the
// pack, is unpacked and reloads the window's product name and images. A
// missing or empty download, or a replacement that fails, keeps the pack and
// the assets in use; a hostile pack unpacks flattened inside the directory.
#include "ctilib.h"
#include "desklineresources.h"
#include "mainwindow/mpgui.h"
#include "mainwindow/rebrandingpack.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "testmain.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>
#include <sys/stat.h>
#include <zip.h>

namespace
{

struct ZipEntry {
    QByteArray name;
    QByteArray data;
    quint32 unixMode = 0; // 0: as libzip writes it
};

bool makeZip(const QString &path, const QList<ZipEntry> &entries)
{
    int err = 0;
    zip_t *za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!za)
        return false;
    for (const ZipEntry &e : entries) {
        zip_source_t *src = zip_source_buffer(za, e.data.constData(), zip_uint64_t(e.data.size()), 0);
        const zip_int64_t idx = src ? zip_file_add(za, e.name.constData(), src, ZIP_FL_ENC_UTF_8) : -1;
        if (idx < 0 && src)
            zip_source_free(src);
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
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

QByteArray md5(const QString &path)
{
    return QCryptographicHash::hash(readAll(path), QCryptographicHash::Md5);
}

// Every file and link below `root`, relative to it.
QStringList tree(const QString &root)
{
    QStringList names;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(root).relativeFilePath(it.next());
    names.sort();
    return names;
}

MctiConfig windowConfig()
{
    MctiConfig config;
    config.pbxAddress = QStringLiteral("127.0.0.1:9");
    config.username = QStringLiteral("demo");
    return config;
}

} // namespace

class TestRebranding : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initDesklineResources(); }
    void init();
    void cleanup();

    void goodPackReplacesAndReloads();
    void unusableDownloadKeepsPackAndAssets_data();
    void unusableDownloadKeepsPackAndAssets();
    void failingRenameKeepsPackAndAssets_data();
    void failingRenameKeepsPackAndAssets();
    void hostilePackStaysFlatInsideTheDirectory();
    void removedPackDropsAssets();
    void packThatDoesNotUnzipDropsAssets();
    void downloadIntoThePackPathSkipsTheRename();

private:
    // A started window whose rebranding directory holds an old pack and
    // its unpacked product name.
    std::unique_ptr<MPGui> windowWithOldPack();
    QString dir() const { return MSETTINGS::getRebrandingDirPath(); }
    QString pack() const { return MSETTINGS::getRebrandingPackFile(); }
    QString download() const { return QDir(dir()).filePath(QStringLiteral("rebranding-download.zip")); }
    void finishDownload(MPGui *w, const QString &file) { emit w->ctiClient()->sigRebrandingDownloadCompleted(file); }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    QByteArray m_oldPackMd5;
};

void TestRebranding::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    MSETTINGS::setSettingsDirPath(m_home->path());
    MSETTINGS::setLongApplicationName(QString());
    m_prompts = std::make_unique<ScriptedPrompts>();
}

void TestRebranding::cleanup()
{
    m_prompts.reset();
    m_home.reset();
}

std::unique_ptr<MPGui> TestRebranding::windowWithOldPack()
{
    [&] {
        QVERIFY(makeZip(pack(), {{"desktopProductName", "Old Brand"}, {"logo.png", "old logo"}}));
        QVERIFY(writeAll(QDir(dir()).filePath("desktopProductName"), "Old Brand"));
        QVERIFY(writeAll(QDir(dir()).filePath("logo.png"), "old logo"));
    }();
    m_oldPackMd5 = md5(pack());
    auto w = std::make_unique<MPGui>(windowConfig());
    w->start();
    return w;
}

void TestRebranding::goodPackReplacesAndReloads()
{
    auto w = windowWithOldPack();
    QVERIFY(w->getWindowTitleText().startsWith("Old Brand"));
    QVERIFY(makeZip(download(), {{"desktopProductName", "New Brand"}, {"background.jpg", "pic"}}));
    const QByteArray newMd5 = md5(download());

    finishDownload(w.get(), download());

    QVERIFY(w->getWindowTitleText().startsWith("New Brand"));
    QCOMPARE(md5(pack()), newMd5);
    QVERIFY(!QFileInfo::exists(download()));
    // Files the new pack lacks stay; no spare copy is left behind.
    QCOMPARE(tree(dir()), QStringList({"assets.zip", "background.jpg", "desktopProductName", "logo.png"}));
}

void TestRebranding::unusableDownloadKeepsPackAndAssets_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("empty download") << true;
    QTest::newRow("missing download") << false;
}

void TestRebranding::unusableDownloadKeepsPackAndAssets()
{
    QFETCH(bool, exists);
    auto w = windowWithOldPack();
    if (exists)
        QVERIFY(writeAll(download(), QByteArray()));

    finishDownload(w.get(), download());

    QCOMPARE(md5(pack()), m_oldPackMd5);
    QCOMPARE(readAll(QDir(dir()).filePath("desktopProductName")), QByteArray("Old Brand"));
    QCOMPARE(readAll(QDir(dir()).filePath("logo.png")), QByteArray("old logo"));
    QVERIFY(w->getWindowTitleText().startsWith("Old Brand"));
    QCOMPARE(tree(dir()), QStringList({"assets.zip", "desktopProductName", "logo.png"}));
}

void TestRebranding::failingRenameKeepsPackAndAssets_data()
{
    QTest::addColumn<bool>("failAside"); // moving the current pack aside fails, else putting the new one in place
    QTest::newRow("new pack cannot take its place") << false;
    QTest::newRow("old pack cannot step aside") << true;
}

void TestRebranding::failingRenameKeepsPackAndAssets()
{
    QFETCH(bool, failAside);
    auto w = windowWithOldPack();
    QVERIFY(makeZip(download(), {{"desktopProductName", "New Brand"}}));
    const QString packPath = pack();
    w->rebrandingPack().setRenameFunction([&](const QString &from, const QString &to) {
        if (failAside ? from == packPath : to == packPath && from != packPath + ".previous")
            return false;
        return QFile::rename(from, to);
    });

    finishDownload(w.get(), download());

    QCOMPARE(md5(pack()), m_oldPackMd5);
    QCOMPARE(readAll(QDir(dir()).filePath("desktopProductName")), QByteArray("Old Brand"));
    QVERIFY(w->getWindowTitleText().startsWith("Old Brand"));
    QCOMPARE(tree(dir()), QStringList({"assets.zip", "desktopProductName", "logo.png"}));
}

void TestRebranding::hostilePackStaysFlatInsideTheDirectory()
{
    auto w = windowWithOldPack();
    const QString outside = QDir(m_home->path()).filePath("evil.txt");
    QVERIFY(makeZip(download(), {
                                    {"../evil.txt", "escaped"},
                                    {"../../evil.txt", "escaped"},
                                    {"/tmp/deskline-absolute.txt", "absolute"},
                                    {"deep/nested/desktopProductName", "Flat Brand"},
                                    {"link", QFile::encodeName(outside), S_IFLNK | 0777},
                                    {"assets.zip", "not the pack"},
                                    {"..", "dots"},
                                }));
    const QByteArray newMd5 = md5(download());

    finishDownload(w.get(), download());

    QVERIFY(!QFileInfo::exists(outside));
    QVERIFY(!QFileInfo::exists(QDir(m_home->path()).filePath("../evil.txt")));
    // Flattened: the nested entry lands directly in the directory and takes effect.
    QVERIFY(w->getWindowTitleText().startsWith("Flat Brand"));
    // The entry named like the pack did not overwrite it, and no link exists.
    QCOMPARE(md5(pack()), newMd5);
    for (const QString &name : tree(dir()))
        QVERIFY2(!QFileInfo(QDir(dir()).filePath(name)).isSymLink(), qPrintable(name));
    QVERIFY(!tree(dir()).contains("link"));
    QVERIFY(!tree(dir()).contains("deep"));
}

void TestRebranding::removedPackDropsAssets()
{
    auto w = windowWithOldPack();
    // The PBX has no pack any more: the library reports a download into the
    // pack's own path that left no file there.
    QVERIFY(QFile::remove(pack()));

    finishDownload(w.get(), pack());

    QCOMPARE(tree(dir()), QStringList());
    QVERIFY(!w->getWindowTitleText().startsWith("Old Brand"));
}

void TestRebranding::packThatDoesNotUnzipDropsAssets()
{
    auto w = windowWithOldPack();
    QVERIFY(writeAll(download(), "this is not a zip archive"));

    finishDownload(w.get(), download());

    QCOMPARE(tree(dir()), QStringList());
    QVERIFY(!w->getWindowTitleText().startsWith("Old Brand"));
}

void TestRebranding::downloadIntoThePackPathSkipsTheRename()
{
    auto w = windowWithOldPack();
    QVERIFY(makeZip(pack(), {{"desktopProductName", "Same Path Brand"}}));
    int renames = 0;
    w->rebrandingPack().setRenameFunction([&](const QString &from, const QString &to) {
        ++renames;
        return QFile::rename(from, to);
    });

    finishDownload(w.get(), pack());

    QCOMPARE(renames, 0);
    QVERIFY(w->getWindowTitleText().startsWith("Same Path Brand"));
}

DESKLINE_TEST_MAIN(TestRebranding)
#include "tst_rebranding.moc"
