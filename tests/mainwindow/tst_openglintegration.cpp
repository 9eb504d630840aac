// The start-up leaves Qt's OpenGL integration out unless the user chose one in
// QT_XCB_GL_INTEGRATION before starting the client.
#include "app/openglintegration.h"
#include "testmain.h"

class TestOpenGlIntegration : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void environmentAfterStartup_data();
    void environmentAfterStartup();

private:
    static constexpr const char *Variable = "QT_XCB_GL_INTEGRATION";
};

void TestOpenGlIntegration::cleanup()
{
    qunsetenv(Variable);
}

void TestOpenGlIntegration::environmentAfterStartup_data()
{
    QTest::addColumn<bool>("userSet");
    QTest::addColumn<QByteArray>("userValue");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("leftOut");

    QTest::newRow("not set: none") << false << QByteArray() << QByteArray("none") << true;
    QTest::newRow("set empty: none") << true << QByteArray() << QByteArray("none") << true;
    QTest::newRow("blank: none") << true << QByteArray("  ") << QByteArray("none") << true;
    QTest::newRow("GLX asked for") << true << QByteArray("xcb_glx") << QByteArray("xcb_glx") << false;
    QTest::newRow("EGL asked for") << true << QByteArray("xcb_egl") << QByteArray("xcb_egl") << false;
    QTest::newRow("none asked for") << true << QByteArray("none") << QByteArray("none") << true;
}

void TestOpenGlIntegration::environmentAfterStartup()
{
    QFETCH(bool, userSet);
    QFETCH(QByteArray, userValue);
    QFETCH(QByteArray, expected);
    QFETCH(bool, leftOut);

    qunsetenv(Variable);
    if (userSet)
        qputenv(Variable, userValue);
    QCOMPARE(DesklineStartup::keepOpenGlIntegrationUnloaded(), leftOut);
    QCOMPARE(qgetenv(Variable), expected);
    // A second start-up in the same process (a restart) keeps the choice.
    QCOMPARE(DesklineStartup::keepOpenGlIntegrationUnloaded(), leftOut);
    QCOMPARE(qgetenv(Variable), expected);
}

DESKLINE_TEST_MAIN(TestOpenGlIntegration)
#include "tst_openglintegration.moc"
