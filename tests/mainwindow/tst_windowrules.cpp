// Rules of the main window's outward look, without a window: tray icon and
// tool tip by state, tool tip and title suffixes, the large-font sizes over
// screen widths and the support e-mail link.
#include "mainwindow/windowrules.h"
#include "testmain.h"

#include <QUrlQuery>

using namespace WindowRules;

Q_DECLARE_METATYPE(WindowRules::TrayIcon)

namespace
{
const QString Title = QStringLiteral("Deskline Softphone");
}

class TestWindowRules : public QObject
{
    Q_OBJECT
private slots:
    void trayLookByState_data();
    void trayLookByState();
    void suffixesStayUniqueOverRepeatedUpdates();
    void pauseSuffixes_data();
    void pauseSuffixes();
    void windowTitleSuffixes_data();
    void windowTitleSuffixes();
    void largeFontTable_data();
    void largeFontTable();
    void largeFontSheetFillsEveryPlaceholder();
    void largeFontMinimumHeight_data();
    void largeFontMinimumHeight();
    void supportMailEncodesItsValues();
};

void TestWindowRules::trayLookByState_data()
{
    QTest::addColumn<bool>("dnd");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<bool>("allPaused");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("engine");
    QTest::addColumn<bool>("registered");
    QTest::addColumn<WindowRules::TrayIcon>("icon");
    QTest::addColumn<QString>("toolTip");

    const QString base = Title + QStringLiteral(" - connesso");
    QTest::newRow("dnd and forward: dnd icon, both suffixes")
        << true << true << false << 0 << true << false << false << TrayIcon::Dnd
        << base + " - Inoltro attivo - DND attivo";
    QTest::newRow("all paused") << false << false << true << 0 << true << false << false << TrayIcon::Paused
                                << base + " - In pausa";
    QTest::newRow("forward") << false << true << false << 1 << true << false << false << TrayIcon::Forward
                             << base + " - Inoltro attivo";
    QTest::newRow("cti connected") << false << false << false << 0 << true << false << false << TrayIcon::Registered
                                   << Title + " - connesso";
    QTest::newRow("cti disconnected") << false << false << false << 1 << false << false << false
                                      << TrayIcon::Disconnected << Title + " - disconnesso";
    QTest::newRow("softphone, connected, no engine") << false << false << false << 2 << true << false << false
                                                     << TrayIcon::Unregistered << Title + " - Phone non registrato";
    QTest::newRow("softphone, no engine, no connection") << false << false << false << 2 << false << false << false
                                                         << TrayIcon::DisconnectedSoftphone << Title + " - disconnesso";
    QTest::newRow("softphone registered") << false << false << false << 2 << true << true << true
                                          << TrayIcon::Registered << Title + " - Phone registrato";
    QTest::newRow("softphone engine not registered") << false << false << false << 2 << false << true << false
                                                     << TrayIcon::Unregistered << Title + " - Phone non registrato";
}

void TestWindowRules::trayLookByState()
{
    QFETCH(bool, dnd);
    QFETCH(bool, forward);
    QFETCH(bool, allPaused);
    QFETCH(int, mode);
    QFETCH(bool, connected);
    QFETCH(bool, engine);
    QFETCH(bool, registered);
    QFETCH(WindowRules::TrayIcon, icon);
    QFETCH(QString, toolTip);

    TrayState state;
    state.dnd = dnd;
    state.forward = forward;
    state.allQueuesPaused = allPaused;
    state.mode = MSETTINGS::AppMode(mode);
    state.ctiConnected = connected;
    state.engineExists = engine;
    state.sipRegistered = registered;
    // The tool tip the tray had before: the connected state of a session.
    const TrayLook look = trayLook(Title + QStringLiteral(" - connesso"), state, Title);
    QCOMPARE(look.icon, icon);
    QCOMPARE(look.toolTip, toolTip);
}

void TestWindowRules::suffixesStayUniqueOverRepeatedUpdates()
{
    TrayState state;
    state.dnd = true;
    state.forward = true;
    QString tip = Title;
    for (int i = 0; i < 4; ++i)
        tip = trayLook(tip, state, Title).toolTip;
    QCOMPARE(tip.count(QStringLiteral(" - DND attivo")), 1);
    QCOMPARE(tip.count(QStringLiteral(" - Inoltro attivo")), 1);

    // Both off again: the next state replaces the whole tool tip.
    state.dnd = false;
    state.forward = false;
    state.ctiConnected = true;
    QCOMPARE(trayLook(tip, state, Title).toolTip, Title + QStringLiteral(" - connesso"));
}

void TestWindowRules::pauseSuffixes_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("all");
    QTest::addColumn<bool>("some");
    QTest::addColumn<QString>("after");
    QTest::newRow("all") << "T" << true << false << "T - In pausa";
    QTest::newRow("some") << "T" << false << true << "T - Parz. In pausa";
    QTest::newRow("none removes both") << "T - Parz. In pausa - In pausa" << false << false << "T";
    QTest::newRow("all keeps a partial suffix")
        << "T - Parz. In pausa" << true << false << "T - Parz. In pausa - In pausa";
    QTest::newRow("some keeps the full suffix") << "T - In pausa" << false << true << "T - In pausa - Parz. In pausa";
    QTest::newRow("all already there") << "T - In pausa" << true << false << "T - In pausa";
}

void TestWindowRules::pauseSuffixes()
{
    QFETCH(QString, before);
    QFETCH(bool, all);
    QFETCH(bool, some);
    QFETCH(QString, after);
    TrayState state;
    state.allQueuesPaused = all;
    state.someQueuesPaused = some;
    QCOMPARE(toolTipWithSuffixes(before, state), after);
}

void TestWindowRules::windowTitleSuffixes_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<bool>("dnd");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << Title << false << false << Title;
    QTest::newRow("forward") << Title << true << false << Title + " - 0612345";
    QTest::newRow("dnd") << Title << false << true << Title + " - DND attivo";
    QTest::newRow("both") << Title << true << true << Title + " - 0612345 - DND attivo";
    QTest::newRow("old suffixes replaced") << Title + " - 201 - DND attivo" << true << false << Title + " - 0612345";
    QTest::newRow("off again") << Title + " - 201 - DND attivo" << false << false << Title;
}

void TestWindowRules::windowTitleSuffixes()
{
    QFETCH(QString, current);
    QFETCH(bool, forward);
    QFETCH(bool, dnd);
    QFETCH(QString, title);
    QString now = windowTitle(current, forward, QStringLiteral("0612345"), dnd);
    QCOMPARE(now, title);
    // Applying the same state again changes nothing.
    QCOMPARE(windowTitle(now, forward, QStringLiteral("0612345"), dnd), title);
}

void TestWindowRules::largeFontTable_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("large");
    QTest::addColumn<QString>("small");
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<int>("numberHeight");
    QTest::newRow("1920") << 1920 << "34pt"
                          << "26pt" << 55 << 90;
    QTest::newRow("1600") << 1600 << "34pt"
                          << "26pt" << 55 << 90;
    QTest::newRow("1599") << 1599 << "26pt"
                          << "24pt" << 42 << 65;
    QTest::newRow("1440") << 1440 << "26pt"
                          << "24pt" << 42 << 65;
    QTest::newRow("1400") << 1400 << "26pt"
                          << "24pt" << 42 << 65;
    QTest::newRow("1399") << 1399 << "24pt"
                          << "20pt" << 40 << 60;
    QTest::newRow("1280") << 1280 << "24pt"
                          << "20pt" << 40 << 60;
    QTest::newRow("1279") << 1279 << "18pt"
                          << "14pt" << 40 << 55;
    QTest::newRow("no screen") << 0 << "18pt"
                               << "14pt" << 40 << 55;
}

void TestWindowRules::largeFontTable()
{
    QFETCH(int, width);
    QFETCH(QString, large);
    QFETCH(QString, small);
    QFETCH(int, rowHeight);
    QFETCH(int, numberHeight);
    const ViewMetrics m = largeFontMetrics(width);
    QCOMPARE(m.largeFont, large);
    QCOMPARE(m.smallFont, small);
    QCOMPARE(m.rowHeight, rowHeight);
    QCOMPARE(m.searchHeight, rowHeight);
    QCOMPARE(m.numberHeight, numberHeight);
}

void TestWindowRules::largeFontMinimumHeight_data()
{
    QTest::addColumn<int>("content");
    QTest::addColumn<int>("available");
    QTest::addColumn<int>("frame");
    QTest::addColumn<int>("expected");
    QTest::newRow("content fits the screen") << 800 << 1000 << 30 << 800;
    QTest::newRow("screen less the frame caps it") << 1200 << 1000 << 30 << 970;
    QTest::newRow("never below the mode's least") << 500 << 1000 << 30 << ExtendedMinimumHeight;
    QTest::newRow("small screen: the mode's least still holds") << 900 << 600 << 30 << ExtendedMinimumHeight;
    QTest::newRow("no screen: the content") << 1200 << 0 << 30 << 1200;
    QTest::newRow("negative frame counts as none") << 1200 << 1000 << -5 << 1000;
}

// The large fonts let the window grow to its content, as far as the screen
// allows, never below the extended mode's least height.
void TestWindowRules::largeFontMinimumHeight()
{
    QFETCH(int, content);
    QFETCH(int, available);
    QFETCH(int, frame);
    QFETCH(int, expected);
    QCOMPARE(WindowRules::largeFontMinimumHeight(content, available, frame, ExtendedMinimumHeight), expected);
}

void TestWindowRules::largeFontSheetFillsEveryPlaceholder()
{
    const QString sheet = fillLargeFontSheet(QStringLiteral("a { font-size: %F; } b { font-size: %S; } c { x: %F; }"),
                                             largeFontMetrics(1440));
    QCOMPARE(sheet, QStringLiteral("a { font-size: 26pt; } b { font-size: 24pt; } c { x: 26pt; }"));
    const ViewMetrics normal = normalMetrics();
    QCOMPARE(normal.rowHeight, 37);
    QCOMPARE(normal.numberHeight, 40);
    QCOMPARE(normal.searchHeight, 25);
}

void TestWindowRules::supportMailEncodesItsValues()
{
    const QString product = QStringLiteral("Desk & Line #1 ?=");
    const QString path = QStringLiteral("/home/a b/x&attachment=/etc/passwd/mphone.log");
    const QUrl url = supportMailUrl(QStringLiteral("help@example.invalid"), product, path);
    QVERIFY(url.isValid());
    QCOMPARE(url.scheme(), QStringLiteral("mailto"));
    QCOMPARE(url.path(), QStringLiteral("help@example.invalid"));
    QVERIFY(!url.hasFragment());
    const QUrlQuery query(url);
    // Exactly three items: nothing in the values adds or splits one.
    QCOMPARE(query.queryItems().size(), 3);
    QCOMPARE(query.queryItemValue("subject", QUrl::FullyDecoded), "Invio log " + product);
    QCOMPARE(query.queryItemValue("body", QUrl::FullyDecoded), QStringLiteral("Log in allegato"));
    QCOMPARE(query.queryItemValue("attachment", QUrl::FullyDecoded), "\"" + path + "\"");
    // The encoded text a mail program receives carries no raw space or quote.
    const QByteArray encoded = url.toEncoded();
    QVERIFY(!encoded.contains(' '));
    QVERIFY(!encoded.contains('"'));
}

DESKLINE_TEST_MAIN(TestWindowRules)
#include "tst_windowrules.moc"
