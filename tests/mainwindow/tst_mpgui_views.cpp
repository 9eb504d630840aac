// The main window's state outside its widgets and the ways the user reshapes
// it, on a started window offscreen: tray tool tip and icon, title, the chat
// badge, tab blinking, tray round trip, always on top and opacity, slim and
// extended mode, the large-font view, the update schedule, balloons and the
// menu actions of the updater and support.
#include "desklineresources.h"
#include "mainwindow/mpgui.h"
#include "mainwindow/session/pbxsession.h"
#include "mainwindow/windowrules.h"
#include "messaging/chatcontroller.h"
#include "messaging/messagingpanel.h"
#include "messaging/wdgchat.h"
#include "messaging/wdgchatpanel.h"
#include "offlinewindow.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "settings/msettingsstore.h"
#include "testmain.h"
#include "updater/updatescheduler.h"
#include "widgets/balloonboard.h"
#include "widgets/wdgballoonmessage.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QUrlQuery>

#include <algorithm>
#include <memory>

namespace
{

QImage image(const QIcon &icon, int side = 64)
{
    return icon.pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

template <typename T> T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qWarning("missing child %s", name);
    return found;
}

} // namespace

class TestMPGuiViews : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initDesklineResources(); }
    void init();
    void cleanup();

    void trayFollowsStateAndPauses_data();
    void trayFollowsStateAndPauses();
    void titleSuffixesFollowServices();
    void chatBadgeOnWindowIcon();
    void tabBlinksUntilNothingIsLeft();
    void trayRoundTripKeepsMaximized();
    void trayIconClicksRestore_data();
    void trayIconClicksRestore();
    void trayMessageOpensTheAnnouncedChat_data();
    void trayMessageOpensTheAnnouncedChat();
    void alwaysOnTopAndOpacity();
    void slimAndExtendedMode();
    void largeFontView();
    void updateSchedule();
    void updateResults();
    void balloonsOnePerKey();
    void supportMailAction();

private:
    static std::unique_ptr<MPGui> startedWindow(int mode = 0) { return OfflineWindowEnv::startedWindow(mode); }
    std::unique_ptr<OfflineWindowEnv> m_env;
};

void TestMPGuiViews::init()
{
    m_env = std::make_unique<OfflineWindowEnv>();
}

void TestMPGuiViews::cleanup()
{
    m_env.reset();
}

void TestMPGuiViews::trayFollowsStateAndPauses_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("allPaused");
    QTest::addColumn<bool>("somePaused");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("iconResource"); // empty: the window's disconnected state icon
    QTest::newRow("cti only, disconnected") << 0 << false << false << " - disconnesso"
                                            << ":/images/mctiDisconnected.png";
    QTest::newRow("softphone, disconnected") << 2 << false << false << " - disconnesso"
                                             << "";
    QTest::newRow("all queues paused") << 0 << true << false << " - In pausa"
                                       << ":/images/pausa.png";
}

void TestMPGuiViews::trayFollowsStateAndPauses()
{
    QFETCH(int, mode);
    QFETCH(bool, allPaused);
    QFETCH(bool, somePaused);
    QFETCH(QString, suffix);
    QFETCH(QString, iconResource);
    auto w = startedWindow(mode);
    QSystemTrayIcon *tray = w->systemTrayIcon();
    QVERIFY(tray);
    w->updateTrayIcon();
    for (int i = 0; i < 3; ++i)
        w->setQueuePauseState(allPaused, somePaused);
    QVERIFY2(tray->toolTip().endsWith(suffix), qPrintable(tray->toolTip()));
    QCOMPARE(tray->toolTip().count(suffix), 1);
    QVERIFY(tray->toolTip().startsWith(w->getWindowTitleText()));
    const QIcon expected = iconResource.isEmpty() ? w->disconnectedStateIcon() : QIcon(iconResource);
    QCOMPARE(image(w->currentIcon()), image(expected));

    // The pause ends: the state's own tool tip comes back whole.
    w->setQueuePauseState(false, false);
    QCOMPARE(tray->toolTip(), w->getWindowTitleText() + QStringLiteral(" - disconnesso"));
}

void TestMPGuiViews::titleSuffixesFollowServices()
{
    auto w = startedWindow();
    const QString plain = w->windowTitle();
    w->setWindowTitle(plain + QStringLiteral(" - 201 - DND attivo"));
    // Neither forward nor do-not-disturb is on without a session.
    w->updateWindowTitle();
    QCOMPARE(w->windowTitle(), plain.section(QStringLiteral(" - "), 0, 0));
}

void TestMPGuiViews::chatBadgeOnWindowIcon()
{
    auto w = startedWindow();
    const QImage plain = image(w->windowIcon(), 500);
    w->setTabNotification(2, true);
    QVERIFY(child<QTimer>(w.get(), "tabAnimTimer")->isActive());
    const QImage decorated =
        w->windowIcon().pixmap(500, 500).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(decorated.size(), QSize(500, 500));

    // The badge sits in the lower right square (216, 216, 280 x 280), the
    // icon in the upper left (5, 5, 380 x 380): probe a badge pixel outside the icon.
    const QImage badge = image(QIcon(":/images/notifica_chat_tray.png"), 280).scaled(280, 280);
    QPoint probe(-1, -1);
    for (int y = 170; y < 280 && probe.x() < 0; ++y)
        for (int x = 180; x < 280; ++x)
            if (qAlpha(badge.pixel(x, y)) == 255) {
                probe = QPoint(x, y);
                break;
            }
    QVERIFY(probe.x() >= 0);
    QCOMPARE(decorated.pixel(probe + QPoint(216, 216)), badge.pixel(probe));
    // Outside both: transparent; the icon's corner at (5, 5) is painted over nothing.
    QCOMPARE(qAlpha(decorated.pixel(498, 2)), 0);
    QCOMPARE(qAlpha(decorated.pixel(2, 498)), 0);

    // The count falls to 0: the next tick stops the blinking and drops the badge.
    w->setTabNotification(2, false);
    w->updateTabAnimIcon();
    QVERIFY(!child<QTimer>(w.get(), "tabAnimTimer")->isActive());
    QCOMPARE(image(w->windowIcon(), 500), plain);
}

void TestMPGuiViews::tabBlinksUntilNothingIsLeft()
{
    auto w = startedWindow();
    auto *tabs = child<QTabWidget>(w.get(), "tabContactsWidget");
    QWidget *cdrTab = child<QWidget>(w.get(), "cdrTabWidget");
    const int index = tabs->indexOf(cdrTab);
    QVERIFY(index >= 0);
    const QImage saved = image(tabs->tabIcon(index));
    const QImage missed = image(QIcon(":/images/MissedCall.png"));
    tabs->setCurrentIndex(index == 0 ? 1 : 0);

    w->setTabNotification(1, true);
    QTimer *timer = child<QTimer>(w.get(), "tabAnimTimer");
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 750);
    w->updateTabAnimIcon();
    QCOMPARE(image(tabs->tabIcon(index)), missed);
    w->updateTabAnimIcon();
    QCOMPARE(image(tabs->tabIcon(index)), saved);
    w->updateTabAnimIcon();
    QCOMPARE(image(tabs->tabIcon(index)), missed);

    // Selecting the call-record tab clears its bit: the next tick shows the
    // saved icon and stops.
    tabs->setCurrentWidget(cdrTab);
    w->updateTabAnimIcon();
    QCOMPARE(image(tabs->tabIcon(index)), saved);
    QVERIFY(!timer->isActive());
}

void TestMPGuiViews::trayRoundTripKeepsMaximized()
{
    auto w = startedWindow();
    auto *minimize = child<QAction>(w.get(), "minimizeAction");
    auto *restore = child<QAction>(w.get(), "restoreAction");
    w->showMaximized();
    QVERIFY(minimize->isEnabled());
    QVERIFY(!restore->isEnabled());

    minimize->trigger();
    QVERIFY(!minimize->isEnabled());
    QVERIFY(restore->isEnabled());
    QVERIFY(w->windowState() & Qt::WindowMinimized);

    restore->trigger();
    QVERIFY(minimize->isEnabled());
    QVERIFY(!restore->isEnabled());
    QVERIFY(!(w->windowState() & Qt::WindowMinimized));
    QVERIFY(w->windowState() & Qt::WindowMaximized);

    // Minimizing by the title bar is a window state change: to the tray.
    w->setWindowState(Qt::WindowMinimized);
    QVERIFY(restore->isEnabled());
}

void TestMPGuiViews::trayIconClicksRestore_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("restores");
    QTest::newRow("click") << int(QSystemTrayIcon::Trigger) << true;
    QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << true;
    QTest::newRow("context menu") << int(QSystemTrayIcon::Context) << false;
    QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << false;
}

void TestMPGuiViews::trayIconClicksRestore()
{
    QFETCH(int, reason);
    QFETCH(bool, restores);
    auto w = startedWindow();
    w->show();
    child<QAction>(w.get(), "minimizeAction")->trigger();
    emit w->systemTrayIcon()->activated(QSystemTrayIcon::ActivationReason(reason));
    QCOMPARE(child<QAction>(w.get(), "restoreAction")->isEnabled(), !restores);
}

void TestMPGuiViews::trayMessageOpensTheAnnouncedChat_data()
{
    QTest::addColumn<QString>("announced"); // the conversation the tray message named
    QTest::addColumn<bool>("opens");
    QTest::newRow("announced chat") << QStringLiteral("203") << true;
    QTest::newRow("no chat message") << QString() << false;
    QTest::newRow("conversation closed since") << QStringLiteral("204") << false;
}

void TestMPGuiViews::trayMessageOpensTheAnnouncedChat()
{
    QFETCH(QString, announced);
    QFETCH(bool, opens);
    auto w = startedWindow();
    w->show();
    MessagingPanel *messaging = w->messagingPanel();
    QVERIFY(messaging && messaging->chat());
    auto *panel = child<wdgChatPanel>(w.get(), "chatPanel");
    auto *tabs = child<QTabWidget>(w.get(), "tabContactsWidget");
    auto *chatTab = child<QWidget>(w.get(), "chatTabWidget");
    QVERIFY(panel->addChatSession(QStringLiteral("202"), QStringLiteral("Luca"), QStringLiteral("default")));
    QVERIFY(panel->addChatSession(QStringLiteral("203"), QStringLiteral("Sara"), QStringLiteral("default")));
    panel->putOnTop(QStringLiteral("202"));
    tabs->setCurrentIndex(tabs->indexOf(chatTab) == 0 ? 1 : 0);
    if (!announced.isEmpty())
        emit messaging->chat()->trayAlertShown(announced);

    // The user has put the window in the tray and clicks the message there.
    child<QAction>(w.get(), "minimizeAction")->trigger();
    QVERIFY(w->windowState() & Qt::WindowMinimized);
    emit w->systemTrayIcon()->messageClicked();

    QCOMPARE(child<QAction>(w.get(), "restoreAction")->isEnabled(), !opens);
    QCOMPARE(child<QAction>(w.get(), "minimizeAction")->isEnabled(), opens);
    QCOMPARE(bool(w->windowState() & Qt::WindowMinimized), !opens);
    QCOMPARE(tabs->currentWidget() == chatTab, opens);
    QWidget *onTop = panel->findChild<QStackedWidget *>()->currentWidget();
    QCOMPARE(onTop, panel->chatFor(opens ? announced : QStringLiteral("202")));

    // The message opens its conversation once; a later click does nothing.
    if (opens) {
        tabs->setCurrentIndex(tabs->indexOf(chatTab) == 0 ? 1 : 0);
        emit w->systemTrayIcon()->messageClicked();
        QVERIFY(tabs->currentWidget() != chatTab);
    }
}

void TestMPGuiViews::alwaysOnTopAndOpacity()
{
    auto w = startedWindow();
    w->show();
    auto *onTop = child<QAction>(w.get(), "m_alwaysOnTopAction");
    auto *menu = child<QMenu>(w.get(), "transparencyMenu");
    auto *none = child<QAction>(w.get(), "m_Layered_0_Action");
    auto *forty = child<QAction>(w.get(), "m_Layered_40_Action");

    onTop->setChecked(true);
    QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(menu->isEnabled());
    forty->trigger();
    QVERIFY(qAbs(w->windowOpacity() - 0.6) < 0.01);
    QVERIFY(forty->isChecked());
    QVERIFY(!none->isChecked());

    // An opacity no entry offers leaves the checks as they are.
    w->setTransparency(0.5);
    QVERIFY(qAbs(w->windowOpacity() - 0.5) < 0.01); // kept in 1/255 steps
    QVERIFY(forty->isChecked());

    onTop->setChecked(false);
    QVERIFY(!(w->windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(!menu->isEnabled());
    QCOMPARE(w->windowOpacity(), 1.0);
    QVERIFY(none->isChecked());
    QVERIFY(!forty->isChecked());
}

void TestMPGuiViews::slimAndExtendedMode()
{
    auto w = startedWindow();
    w->show();
    auto *slim = child<QAction>(w.get(), "m_actionsSlimMode");
    auto *extended = child<QAction>(w.get(), "m_actionExtendedMode");
    auto *tabs = child<QTabWidget>(w.get(), "tabContactsWidget");

    slim->trigger();
    QVERIFY(!tabs->isVisible());
    QCOMPARE(w->minimumHeight(), 391);
    QVERIFY(!slim->isEnabled() && slim->isChecked());
    QVERIFY(extended->isEnabled() && !extended->isChecked());
    QVERIFY(w->store()->isSlimMode());

    extended->trigger();
    QVERIFY(tabs->isVisible());
    QCOMPARE(w->minimumHeight(), 618);
    QVERIFY(slim->isEnabled() && !slim->isChecked());
    QVERIFY(!extended->isEnabled() && extended->isChecked());
    QVERIFY(!w->store()->isSlimMode());
}

void TestMPGuiViews::largeFontView()
{
    auto w = startedWindow();
    const int width = QGuiApplication::primaryScreen()->geometry().width();
    const WindowRules::ViewMetrics metrics = WindowRules::largeFontMetrics(width);
    auto *number = child<QWidget>(w.get(), "edtCallerNumber");
    auto *search = child<QWidget>(w.get(), "txtExtSearch");

    w->onVimpairedViewRequested(true);
    const QString largeSheet = w->styleSheet();
    QVERIFY(w->store()->isVisuallyImpaired());
    QVERIFY(w->styleSheet().contains("font-size: " + metrics.largeFont));
    QVERIFY(w->styleSheet().contains("font-size: " + metrics.smallFont));
    QVERIFY(!w->styleSheet().contains("%F") && !w->styleSheet().contains("%S"));
    QCOMPARE(number->minimumHeight(), metrics.numberHeight);
    QCOMPARE(number->maximumHeight(), metrics.numberHeight);
    QCOMPARE(search->maximumHeight(), metrics.rowHeight);
    QCOMPARE(child<QAbstractItemView>(w.get(), "tvCdr")->iconSize(), QSize(38, 38));
    // The window grows with the font (as far as the screen lets it): the
    // profile picture is not cut by a squeezed top frame.
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const int available = QGuiApplication::primaryScreen()->availableGeometry().height();
    QCOMPARE(w->height(),
             qMax(int(WindowRules::ExtendedMinimumHeight), qMin(available, w->minimumSizeHint().height())));
    auto *picture = child<QWidget>(w.get(), "wdgPicture");
    if (w->minimumSizeHint().height() <= available)
        QCOMPARE(picture->visibleRegion().boundingRect(), picture->rect());
    // The column titles of the four lists fit their larger font.
    for (const char *name : {"tvFavourites", "tvExtensions", "tvContacts", "tvCdr"}) {
        QHeaderView *header = child<QTreeView>(w.get(), name)->header();
        for (int c = 0; c < header->count(); ++c) {
            if (header->isSectionHidden(c) || header->sectionResizeMode(c) != QHeaderView::Interactive)
                continue;
            QVERIFY2(header->sectionSize(c) >= header->sectionSizeHint(c),
                     qPrintable(QStringLiteral("%1 column %2").arg(QLatin1String(name)).arg(c)));
        }
    }

    w->onVimpairedViewRequested(false);
    QCOMPARE(w->minimumHeight(), WindowRules::ExtendedMinimumHeight);
    QVERIFY(!w->store()->isVisuallyImpaired());
    QVERIFY(!w->styleSheet().isEmpty());
    QVERIFY(w->styleSheet() != largeSheet);
    QCOMPARE(number->maximumHeight(), 40);
    QCOMPARE(search->maximumHeight(), 25);
    QCOMPARE(child<QAbstractItemView>(w.get(), "tvCdr")->iconSize(), QSize(30, 30));
}

void TestMPGuiViews::updateSchedule()
{
    // Without settings: no start-up check, the hourly period plus up to five minutes.
    PbxSession session;
    UpdateScheduler bare(session, nullptr);
    bare.setupUpdates();
    QVERIFY(!child<QTimer>(&bare, "startupCheckTimer")->isActive());
    QTimer *bareTimer = child<QTimer>(&bare, "updateCheckTimer");
    QVERIFY(bareTimer->isActive());
    QVERIFY(bareTimer->interval() >= 3600000 && bareTimer->interval() < 3900000);

    // The window checks once soon after start (the default settings ask for it).
    auto w = startedWindow();
    QVERIFY(w->store()->isCheckUpdatesAtStartupEnabled());
    w->setupUpdates();
    QTimer *startup = child<QTimer>(w.get(), "startupCheckTimer");
    QTimer *periodic = child<QTimer>(w.get(), "updateCheckTimer");
    QVERIFY(startup->isActive());
    QVERIFY(startup->isSingleShot());
    QVERIFY(startup->interval() >= 5000 && startup->interval() < 15000);
    QVERIFY(!periodic->isActive());

    // Each check asks the updater and arms the period.
    QSignalSpy asked(w.get(), &MPGui::sigCheckUpdates);
    w->checkUpdates();
    QCOMPARE(asked.count(), 1);
    const int minutes = w->store()->checkUpdatesTimeoutMinutes();
    QVERIFY(periodic->isActive());
    QVERIFY(periodic->interval() >= minutes * 60000 && periodic->interval() < minutes * 60000 + 300000);
}

void TestMPGuiViews::updateResults()
{
    auto w = startedWindow();
    w->onUpdatesError(QStringLiteral("disk full"));
    QCOMPARE(m_env->prompts.shown.size(), 1);
    const PromptService::Message &msg = m_env->prompts.shown.first().message;
    QCOMPARE(msg.kind, PromptService::Kind::Critical);
    QCOMPARE(msg.title, w->getWindowTitleText() + QStringLiteral(" - Aggiornamento fallito"));
    QVERIFY(msg.text.contains(QStringLiteral("Errore: disk full")));
    QVERIFY(msg.text.contains(MSETTINGS::getLongApplicationName()));

    // A new version opens its balloon; its button starts the upgrade.
    QSignalSpy upgrade(w.get(), &MPGui::sigStartUpgrade);
    w->onUpdatesAvailable(QStringLiteral("9.1"));
    QCOMPARE(w->balloonBoard()->balloonsMap().size(), 1);
    wdgBalloonMessage *balloon = w->balloonBoard()->balloonsMap().first();
    emit balloon->sigStartUpgrade(QStringLiteral("9.1"));
    QCOMPARE(upgrade.count(), 1);
}

void TestMPGuiViews::balloonsOnePerKey()
{
    auto w = startedWindow();
    const Balloon::OutgoingCallBaloonInfo first(Balloon::ExtenAvailableBalloon, QStringLiteral("201"));
    wdgBalloonMessage *balloon = w->openBalloon(QStringLiteral("201 è libero"), first);
    QVERIFY(balloon);
    // The same key again: the open balloon is updated, nothing new opens.
    QVERIFY(!w->openBalloon(QStringLiteral("other"), first));
    QCOMPARE(w->balloonBoard()->balloonsMap().size(), 1);
    // Other keys stack above it.
    QVERIFY(w->openBalloon(QStringLiteral("202"),
                           Balloon::OutgoingCallBaloonInfo(Balloon::ExtenAvailableBalloon, QStringLiteral("202"))));
    QVERIFY(w->openBalloon(QStringLiteral("203"),
                           Balloon::OutgoingCallBaloonInfo(Balloon::ExtenAvailableBalloon, QStringLiteral("203"))));
    QList<int> taken = w->balloonBoard()->occupiedSlots();
    std::sort(taken.begin(), taken.end());
    QCOMPARE(taken, QList<int>({0, 1, 2}));
    // The closing notice frees the key.
    emit balloon->sigBaloonMsgClosing(Balloon::keyOf(first));
    QCOMPARE(w->balloonBoard()->balloonsMap().size(), 2);
    QVERIFY(!w->balloonBoard()->balloonsMap().contains(Balloon::keyOf(first)));
}

void TestMPGuiViews::supportMailAction()
{
    auto w = startedWindow();
    child<QAction>(w.get(), "sendLogAction")->trigger();
    QCOMPARE(m_env->prompts.urls.size(), 1);
    const QUrl url = m_env->prompts.urls.first();
    QCOMPARE(url.scheme(), QStringLiteral("mailto"));
    const QUrlQuery query(url);
    QVERIFY(query.queryItemValue("attachment", QUrl::FullyDecoded).endsWith("/mphone.log\""));
    QVERIFY(query.queryItemValue("subject", QUrl::FullyDecoded).startsWith("Invio log "));
}

DESKLINE_TEST_MAIN(TestMPGuiViews)
#include "tst_mpgui_views.moc"
