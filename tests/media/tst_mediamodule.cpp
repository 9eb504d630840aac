// The media module's loader: where it looks, that nothing is mapped before
// the first use, and that the module of the build tree is loaded once and
// answers.
#include "media/mediamodule.h"
#include "testmain.h"
#include "vdkqtengine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtTest>

namespace
{
bool mapped(const char *name)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(name);
}
} // namespace

class TestMediaModule : public QObject
{
    Q_OBJECT
private slots:
    void lookedUpBesideTheProgramThenInTheBuildTree();
    void overrideIsTheOnlyCandidate();
    void loadedOnFirstUseOnly();
};

void TestMediaModule::lookedUpBesideTheProgramThenInTheBuildTree()
{
    qunsetenv("DESKLINE_MEDIA_MODULE");
    const QStringList paths = DesklineMedia::candidatePaths();
    QVERIFY(paths.size() >= 1);
    QCOMPARE(paths.first(), QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                            QStringLiteral("/../lib/deskline/libdeskline_media.so")));
    // A test program lives deeper in the build tree: the tree's own module.
    QCOMPARE(paths.last(), QDir::cleanPath(qEnvironmentVariable("DESKLINE_BINARY_DIR") +
                                           QStringLiteral("/lib/deskline/libdeskline_media.so")));
}

void TestMediaModule::overrideIsTheOnlyCandidate()
{
    qputenv("DESKLINE_MEDIA_MODULE", "/opt/other/libdeskline_media.so");
    QCOMPARE(DesklineMedia::candidatePaths(), QStringList{QStringLiteral("/opt/other/libdeskline_media.so")});
    qunsetenv("DESKLINE_MEDIA_MODULE");
}

void TestMediaModule::loadedOnFirstUseOnly()
{
    // A program linked with the client maps none of the module's libraries
    // before it is used.
    for (const char *library : {"/libdeskline_media.so", "/libQt5Multimedia.so", "/libre.so", "/librem.so",
                                "/libspandsp.so", "/libspeexdsp.so", "/libssl.so", "/libpulse.so"})
        QVERIFY2(!mapped(library), library);

    // The first engine opens the module.
    {
        VDKQtEngine engine(VDKLogConfig{});
        QVERIFY(mapped("libdeskline_media.so"));
        QCOMPARE(engine.getVersionInfo().isEmpty(), false);
        QCOMPARE(engine.setSipPort(70000), int(VDK::ErrInvalidArgument));
        QCOMPARE(engine.init(), int(VDK::ErrInvalidArgument)); // no registrar given
    }
    DesklineMedia::Module *module = DesklineMedia::module();
    QVERIFY2(module, qPrintable(DesklineMedia::loadError()));
    QCOMPARE(module->interfaceVersion(), DesklineMedia::kInterfaceVersion);
    QVERIFY(DesklineMedia::loadError().isEmpty());
    QCOMPARE(DesklineMedia::module(), module);
    QVERIFY(!module->openSystemAudioDevice(true, QStringLiteral("no such device \x01")));
}

DESKLINE_TEST_MAIN(TestMediaModule)
#include "tst_mediamodule.moc"
