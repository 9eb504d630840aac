// Texts of busy-lamp and presence states, and the files taken from the
// rebranding directory: the product name (size limit, control characters,
// truncation) and pictures (pixel format, size limit).
#include "desklineresources.h"
#include "mainwindow/windowbackground.h"
#include "settings/msettings.h"
#include "testmain.h"
#include "widgets/mpguiassets.h"
#include "widgets/mpguilabels.h"

#include <QDataStream>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QTemporaryDir>

#include <zlib.h>

class TestMPGuiLabels : public QObject
{
    Q_OBJECT
private slots:
    void blfStatus_data();
    void blfStatus();
    void presence_data();
    void presence();
    void productName_data();
    void productName();
    void productNameFile();
    void pictures();
    void pictureClaimingAHugeSizeIsRefused();
    void coverPixmap_data();
    void coverPixmap();
    void readCover_data() { coverPixmap_data(); }
    void readCover();
    void backgroundLetsGoOfTheDecodedPicture();
    void backgroundNeverBeyondTheScreen();
};

void TestMPGuiLabels::blfStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("below the table") << -2 << "Offline";
    QTest::newRow("unknown") << -1 << "Stato Interno non disponibile";
    QTest::newRow("idle") << 0 << "Interno libero";
    QTest::newRow("in use") << 1 << "Interno in conversazione";
    QTest::newRow("busy") << 2 << "Interno occupato";
    QTest::newRow("invalid") << 3 << "Offline";
    QTest::newRow("unavailable") << 4 << "Stato Interno non disponibile";
    QTest::newRow("gap 7") << 7 << "Offline";
    QTest::newRow("ringing") << 8 << "L'interno sta squillando";
    QTest::newRow("ring in use") << 9 << "L'interno sta squillando";
    QTest::newRow("gap 15") << 15 << "Offline";
    QTest::newRow("on hold") << 16 << "Interno in attesa";
    QTest::newRow("in use on hold") << 17 << "Interno in conversazione";
    QTest::newRow("above the table") << 18 << "Offline";
    QTest::newRow("far above") << 1000 << "Offline";
}

void TestMPGuiLabels::blfStatus()
{
    QFETCH(int, status);
    QFETCH(QString, text);
    QCOMPARE(MPGUI::translateBlfStatus(CTILIB::BlfStatus(status)), text);
}

void TestMPGuiLabels::presence_data()
{
    QTest::addColumn<int>("presence");
    QTest::addColumn<QString>("text");
    QTest::newRow("negative") << -1 << "Offline";
    QTest::newRow("online") << 0 << "Online";
    QTest::newRow("available") << 1 << "Disponibile";
    QTest::newRow("away") << 2 << "Fuori";
    QTest::newRow("busy") << 3 << "Occupato";
    QTest::newRow("not available") << 4 << "Non disponibile";
    QTest::newRow("offline") << 5 << "Offline";
    QTest::newRow("above") << 6 << "Offline";
}

void TestMPGuiLabels::presence()
{
    QFETCH(int, presence);
    QFETCH(QString, text);
    QCOMPARE(MPGUI::translatePresenceStatus(CTILIB::ChatPresence(presence)), text);
}

void TestMPGuiLabels::productName_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << QByteArray("Acme Phone") << "Acme Phone";
    QTest::newRow("utf-8") << QByteArray("Telefonia Citt\xc3\xa0") << QString::fromUtf8("Telefonia Citt\xc3\xa0");
    QTest::newRow("up to the first NUL") << QByteArray("Acme\0Hidden", 11) << "Acme";
    QTest::newRow("trailing line break") << QByteArray("Acme Phone\r\n") << "Acme Phone";
    QTest::newRow("line breaks and controls inside") << QByteArray("Ac\nme\x07 Ph\tone\x1b") << "Acme Phone";
    QTest::newRow("unicode line separator") << QByteArray("Acme\xe2\x80\xa8Phone") << "AcmePhone";
    QTest::newRow("direction override") << QByteArray("Acme\xe2\x80\xae"
                                                      "enohP")
                                        << "AcmeenohP";
    QTest::newRow("markup kept as text") << QByteArray("<b>Acme</b>") << "<b>Acme</b>";
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("only controls") << QByteArray("\n\r\t") << QString();
    QTest::newRow("exactly the limit") << QByteArray(256, 'A') << QString(256, QLatin1Char('A'));
    QTest::newRow("over the limit") << (QByteArray(256, 'A') + "BBBB") << QString(256, QLatin1Char('A'));
    // A two-byte character cut by the limit is dropped, not shown broken.
    QTest::newRow("character cut by the limit")
        << (QByteArray(255, 'A') + "\xc3\xa0" + "B") << QString(255, QLatin1Char('A'));
    QTest::newRow("character ending at the limit")
        << (QByteArray(254, 'A') + "\xc3\xa0" + "B") << QString(254, QLatin1Char('A')) + QChar(0xe0);
}

void TestMPGuiLabels::productName()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, name);
    QCOMPARE(MPGUI::productNameFromBytes(raw), name);
}

void TestMPGuiLabels::productNameFile()
{
    QTemporaryDir dir;
    QVERIFY(MPGUI::readProductNameFile(QString()).isEmpty());
    QVERIFY(MPGUI::readProductNameFile(dir.filePath("missing")).isEmpty());
    QVERIFY(MPGUI::readProductNameFile(dir.path()).isEmpty()); // a directory does not read

    // A huge file: only the start is read, the name stays within the limit.
    QFile big(dir.filePath("big"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(4 * 1024 * 1024, 'Z'));
    big.close();
    QCOMPARE(MPGUI::readProductNameFile(big.fileName()), QString(256, QLatin1Char('Z')));

    QFile unreadable(dir.filePath("locked"));
    QVERIFY(unreadable.open(QIODevice::WriteOnly));
    unreadable.write("Locked");
    unreadable.close();
    unreadable.setPermissions(QFileDevice::WriteOwner);
    if (!unreadable.open(QIODevice::ReadOnly)) // root reads anything
        QVERIFY(MPGUI::readProductNameFile(unreadable.fileName()).isEmpty());
}

// Pictures come in the pixel format window pixmaps use, so that making the
// pixmap copies nothing.
void TestMPGuiLabels::pictures()
{
    QTemporaryDir dir;
    QImage opaque(40, 30, QImage::Format_RGB888);
    opaque.fill(Qt::darkCyan);
    QVERIFY(opaque.save(dir.filePath("background.jpg"), "JPEG"));
    QImage translucent(10, 10, QImage::Format_ARGB32);
    translucent.fill(QColor(255, 0, 0, 100));
    QVERIFY(translucent.save(dir.filePath("badge.png"), "PNG"));

    const QImage jpeg = MPGUI::readPicture(dir.filePath("background.jpg"));
    QCOMPARE(jpeg.size(), QSize(40, 30));
    QCOMPARE(jpeg.format(), QImage::Format_RGB32);
    const QImage png = MPGUI::readPicture(dir.filePath("badge.png"));
    QCOMPARE(png.format(), QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(png.pixelColor(5, 5).alpha(), 100);
    QVERIFY(MPGUI::readPicture(dir.filePath("missing.jpg")).isNull());
    QVERIFY(MPGUI::readPicture(dir.path()).isNull());
}

// A rebranding pack is the PBX's: a few bytes claiming a 20000 x 20000 picture
// (1.6 GB decoded) are refused from the header, before anything is allocated.
void TestMPGuiLabels::pictureClaimingAHugeSizeIsRefused()
{
    const auto chunk = [](const QByteArray &type, const QByteArray &data) {
        QByteArray out;
        QDataStream s(&out, QIODevice::WriteOnly);
        s << quint32(data.size());
        out += type + data;
        const QByteArray crcInput = type + data;
        const quint32 crc = quint32(crc32(0L, reinterpret_cast<const Bytef *>(crcInput.constData()), crcInput.size()));
        QDataStream t(&out, QIODevice::Append);
        t << crc;
        return out;
    };
    QByteArray ihdr;
    QDataStream h(&ihdr, QIODevice::WriteOnly);
    h << quint32(20000) << quint32(20000) << quint8(8) << quint8(6) << quint8(0) << quint8(0) << quint8(0);
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) +
                           chunk("IDAT", qCompress(QByteArray(64, '\0')).mid(4)) + chunk("IEND", QByteArray());

    QTemporaryDir dir;
    QFile file(dir.filePath("background.jpg")); // the name does not matter, the contents do
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(png);
    file.close();
    QCOMPARE(QImageReader(file.fileName()).size(), QSize(20000, 20000));
    QVERIFY(MPGUI::readPicture(file.fileName()).isNull());
}

namespace
{
// 800 x 900: red left half, blue right half, a green band across the middle.
QImage halvesAndBand()
{
    QImage picture(800, 900, QImage::Format_RGB32);
    picture.fill(Qt::red);
    for (int y = 0; y < 900; ++y)
        for (int x = 400; x < 800; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 255));
    for (int y = 440; y < 460; ++y)
        for (int x = 0; x < 800; ++x)
            picture.setPixel(x, y, qRgb(0, 255, 0));
    return picture;
}

// The picture above, scaled and cut centred to the size of `shown`.
bool coversCentred(const QImage &shown)
{
    const int w = shown.width(), h = shown.height();
    return QColor(shown.pixel(w / 4, h / 4)) == QColor(Qt::red) &&
           QColor(shown.pixel(3 * w / 4, h / 4)) == QColor(Qt::blue) &&
           QColor(shown.pixel(w / 4, h / 2)) == QColor(Qt::green) && QColor(shown.pixel(0, 0)) == QColor(Qt::red) &&
           QColor(shown.pixel(w - 1, h - 1)) == QColor(Qt::blue);
}
} // namespace

void TestMPGuiLabels::coverPixmap_data()
{
    QTest::addColumn<QSize>("target");
    QTest::newRow("wider than the picture's shape") << QSize(560, 387);
    QTest::newRow("taller") << QSize(200, 600);
    QTest::newRow("same shape, smaller") << QSize(40, 45);
    QTest::newRow("larger") << QSize(1600, 1800);
}

// The background covers the window: scaled keeping its shape until both
// sides reach the target, centred, the excess cut equally on both sides.
void TestMPGuiLabels::coverPixmap()
{
    QFETCH(QSize, target);
    const QImage picture = halvesAndBand();

    const QImage shown = MPGUI::coverPixmap(QPixmap::fromImage(picture), target).toImage();
    QCOMPARE(shown.size(), target);
    // Centred: the halves meet in the middle and the band crosses the middle.
    QVERIFY(coversCentred(shown));
}

// A later size of the window reads the picture again, decoded straight at
// the size shown: the same cut as the whole picture's cover, and nothing for
// a missing file.
void TestMPGuiLabels::readCover()
{
    QFETCH(QSize, target);
    const QImage picture = halvesAndBand();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("background.png"));
    QVERIFY(picture.save(file, "PNG"));

    const QImage shown = MPGUI::readCover(file, picture.size(), target).toImage();
    QCOMPARE(shown.size(), target);
    QVERIFY(coversCentred(shown));

    QVERIFY(MPGUI::readCover(dir.filePath(QStringLiteral("missing.png")), picture.size(), target).isNull());
}

// The built-in background: the decoded picture serves the first cover only;
// every later size is read again and still covers the window.
void TestMPGuiLabels::backgroundLetsGoOfTheDecodedPicture()
{
    initDesklineResources();
    QTemporaryDir dir;
    MSETTINGS::setSettingsDirPath(dir.path()); // no rebranded picture here
    WindowBackground background;
    background.startLoading();
    background.reload(QSize(1600, 1000));
    QVERIFY(!background.isNull());
    QVERIFY(background.holdsDecodedPicture());
    QCOMPARE(background.cover(QSize(400, 500)).size(), QSize(400, 500));
    QVERIFY(!background.holdsDecodedPicture());
    for (const QSize &target : {QSize(520, 500), QSize(400, 500), QSize(1200, 300)}) {
        const QImage shown = background.cover(target).toImage();
        QCOMPARE(shown.size(), target);
        QVERIFY(!shown.isNull());
    }
}

// A window wider than the screen (as overlong texts once made it) gets a
// cover no larger than the screen: the brush repeats it.
void TestMPGuiLabels::backgroundNeverBeyondTheScreen()
{
    initDesklineResources();
    QTemporaryDir dir;
    MSETTINGS::setSettingsDirPath(dir.path());
    WindowBackground background;
    background.startLoading();
    background.reload(QSize(1600, 1000));
    QCOMPARE(background.cover(QSize(40816, 600)).size(), QSize(1600, 600));
    QCOMPARE(background.cover(QSize(524287, 2000)).size(), QSize(1600, 1000));
    QCOMPARE(background.cover(QSize(800, 600)).size(), QSize(800, 600));
}

DESKLINE_TEST_MAIN(TestMPGuiLabels)
#include "tst_mpgui_labels.moc"
