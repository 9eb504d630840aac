// Icons made from PNG files once the lazy engine is installed: nothing is
// decoded when they are made, and once used they look exactly like the icons
// of Qt's own pixmap engine.
#include "desklineresources.h"
#include "testmain.h"
#include "widgets/lazyiconengine.h"

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QTemporaryDir>

namespace
{

QString writePng(const QString &dir, const QString &name, const QSize &size, const QColor &color)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    // A corner mark, so that scaling and position differences show.
    QPainter(&image).fillRect(0, 0, size.width() / 2, size.height() / 2, Qt::white);
    const QString path = dir + QLatin1Char('/') + name;
    if (!image.save(path, "PNG"))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// The same files, added the way the forms' generated code adds them.
QIcon makeIcon(const QStringList &files)
{
    QIcon icon;
    icon.addFile(files.at(0), QSize(), QIcon::Normal, QIcon::Off);
    icon.addFile(files.at(1), QSize(), QIcon::Normal, QIcon::Off);
    icon.addFile(files.at(2), QSize(), QIcon::Normal, QIcon::On);
    icon.addFile(files.at(3), QSize(), QIcon::Disabled, QIcon::Off);
    return icon;
}

} // namespace

class TestLazyIconEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameAsQtsEngine_data();
    void sameAsQtsEngine();
    void decodesOnFirstUseOnly();
    void missingAndBrokenFiles();
    void copiesAndLaterAdditions();

private:
    QTemporaryDir dir;
    QStringList files;
    QIcon reference; // made by Qt's engine, before the lazy one is installed
};

void TestLazyIconEngine::initTestCase()
{
    initDesklineResources();
    QVERIFY(dir.isValid());
    files = QStringList{writePng(dir.path(), "red16.png", {16, 16}, Qt::red),
                        writePng(dir.path(), "blue32.png", {32, 32}, Qt::blue),
                        writePng(dir.path(), "green24.png", {24, 24}, Qt::green),
                        writePng(dir.path(), "grey20.png", {20, 20}, Qt::gray)};
    reference = makeIcon(files);
    QVERIFY(!reference.isNull());
    LazyIconEngine::install();
    LazyIconEngine::install(); // once is enough; a second call changes nothing
}

void TestLazyIconEngine::sameAsQtsEngine_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("state");
    const QList<QSize> sizes{{8, 8}, {16, 16}, {20, 20}, {24, 24}, {32, 32}, {64, 64}, {40, 10}};
    const QList<QIcon::Mode> modes{QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected};
    for (const QSize &size : sizes)
        for (QIcon::Mode mode : modes)
            for (QIcon::State state : {QIcon::Off, QIcon::On})
                QTest::addRow("%dx%d mode %d state %d", size.width(), size.height(), int(mode), int(state))
                    << size << int(mode) << int(state);
}

// Best size, mode and state match, scaling down, generated disabled and
// selected pictures: every answer as Qt's own engine gives it.
void TestLazyIconEngine::sameAsQtsEngine()
{
    QFETCH(QSize, size);
    QFETCH(int, mode);
    QFETCH(int, state);
    const QIcon lazy = makeIcon(files);
    const auto m = QIcon::Mode(mode);
    const auto s = QIcon::State(state);
    QCOMPARE(lazy.actualSize(size, m, s), reference.actualSize(size, m, s));
    QCOMPARE(lazy.pixmap(size, m, s).toImage(), reference.pixmap(size, m, s).toImage());
    QCOMPARE(lazy.availableSizes(m, s), reference.availableSizes(m, s));
}

void TestLazyIconEngine::decodesOnFirstUseOnly()
{
    QPixmapCache::clear(); // drawn pictures of earlier cases' icons may still be there
    const int before = LazyIconEngine::decodedFileCount();
    // A file no earlier case drew (button-sized pictures are kept).
    const QString fresh = writePng(dir.path(), "yellow16.png", {16, 16}, Qt::yellow);
    QIcon icon(fresh);
    QIcon fromResource(QStringLiteral(":/images/veloraCTI.png"));
    QVERIFY(!icon.isNull()); // answered without decoding: buttons ask while laying out
    QVERIFY(!fromResource.isNull());
    QCOMPARE(LazyIconEngine::decodedFileCount(), before);

    QCOMPARE(icon.pixmap(16, 16).size(), QSize(16, 16));
    QCOMPARE(LazyIconEngine::decodedFileCount(), before + 1);
    icon.pixmap(8, 8);
    icon.actualSize(QSize(64, 64));
    QCOMPARE(LazyIconEngine::decodedFileCount(), before + 1); // decoded once

    QCOMPARE(fromResource.actualSize(QSize(512, 512)), QSize(256, 256));
    QCOMPARE(LazyIconEngine::decodedFileCount(), before + 2);

    // Another icon of the same file (the window's and the tray's) shares the
    // decoded picture instead of decoding it again.
    {
        QIcon again(QStringLiteral(":/images/veloraCTI.png"));
        QCOMPARE(again.pixmap(256, 256).cacheKey(), fromResource.pixmap(256, 256).cacheKey());
        QCOMPARE(LazyIconEngine::decodedFileCount(), before + 2);
    }
    // A picture no icon holds any more is not kept for later ones.
    fromResource = QIcon();
    QPixmapCache::clear();
    QIcon later(QStringLiteral(":/images/veloraCTI.png"));
    QCOMPARE(later.actualSize(QSize(512, 512)), QSize(256, 256));
    QCOMPARE(LazyIconEngine::decodedFileCount(), before + 3);

    // A button-sized picture is kept when its icons are gone: each call
    // line makes the same ones again.
    icon = QIcon();
    QPixmapCache::clear();
    QIcon nextLine(fresh);
    QCOMPARE(nextLine.pixmap(16, 16).size(), QSize(16, 16));
    QCOMPARE(LazyIconEngine::decodedFileCount(), before + 3);
}

void TestLazyIconEngine::missingAndBrokenFiles()
{
    QVERIFY(QIcon(dir.path() + "/missing.png").isNull());
    QVERIFY(QIcon(QStringLiteral(":/images/missing.png")).isNull());

    // A file that exists but is no picture draws nothing. (Until it is
    // decoded it counts as a picture; Qt's engine would call it null.)
    QFile broken(dir.path() + "/broken.png");
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG\r\n\x1a\n this is not a picture");
    broken.close();
    const QIcon icon(broken.fileName());
    QVERIFY(icon.pixmap(16, 16).isNull());
    QCOMPARE(icon.actualSize(QSize(16, 16)), QSize());
    QVERIFY(icon.availableSizes().isEmpty());
}

void TestLazyIconEngine::copiesAndLaterAdditions()
{
    QIcon first(files.at(0));
    QIcon second = first;
    second.addFile(files.at(1)); // detaches: the first icon keeps one picture
    QPixmap added(48, 48);
    added.fill(Qt::yellow);
    second.addPixmap(added);
    QCOMPARE(first.availableSizes(), (QList<QSize>{{16, 16}}));
    QCOMPARE(second.availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
    QCOMPARE(second.pixmap(48, 48).toImage().pixelColor(40, 40), QColor(Qt::yellow));
    // 30x30: the smallest picture at least as large (blue, 32x32), scaled down.
    QCOMPARE(second.pixmap(30, 30).toImage().pixelColor(28, 28), QColor(Qt::blue));
}

DESKLINE_TEST_MAIN(TestLazyIconEngine)
#include "tst_lazyiconengine.moc"
