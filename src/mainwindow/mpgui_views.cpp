// How the main window shows its state outside its widgets and how the user
// reshapes it: window and tray icon, tray, window state, always on top and
// transparency, slim and extended mode, panels, background, tab blinking,
// copy-to-call and the dial field's completer.
#include "mpgui.h"

#include "app/globallogger.h"
#include "calls/calllines.h"
#include "ctilib.h"
#include "directory/directorypanel.h"
#include "framework/qdapplication.h"
#include "messaging/messagingpanel.h"
#include "phone/phonebackends.h"
#include "settings/msettings.h"
#include "settings/msettingsdialog.h"
#include "widgets/mpguiassets.h"
#include "windowrules.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QCompleter>
#include <QDebug>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTabBar>
#include <QTimer>

namespace
{
QString readStyleSheet(const QString &resource)
{
    QFile file(resource);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
} // namespace

void MPGui::setIcon(const QIcon &icon, bool decorate)
{
    currentIconValue = icon;
    QIcon shown = icon;
    if (decorate && (tabNotifications & 2)) {
        QImage image(500, 500, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(image.rect(), Qt::transparent);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        const QPixmap base = icon.pixmap(380, 380).scaled(380, 380, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        painter.drawPixmap(QRect(5, 5, 380, 380), base);
        const QPixmap badge =
            icons.chatNotifyTrayIcon.pixmap(280, 280).scaled(280, 280, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        painter.drawPixmap(QRect(216, 216, 280, 280), badge);
        painter.end();
        shown = QIcon(QPixmap::fromImage(image));
    }
    if (trayIcon)
        trayIcon->setIcon(shown);
    setWindowIcon(shown);
}

void MPGui::updateTrayIcon()
{
    updateTrayIconToolTip();
    WindowRules::TrayState state;
    state.dnd = messaging && messaging->isDndActive();
    state.forward = messaging && messaging->isUfwdActive();
    state.allQueuesPaused = queuesPausedAll;
    state.someQueuesPaused = queuesPausedSome;
    state.mode = appMode;
    state.ctiConnected = ctiLib && ctiLib->isConnected();
    state.engineExists = phones && phones->engine();
    state.sipRegistered = phones && phones->isSipRegistered();
    const WindowRules::TrayLook look =
        WindowRules::trayLook(trayIcon ? trayIcon->toolTip() : QString(), state, windowTitleText);
    if (trayIcon)
        trayIcon->setToolTip(look.toolTip);
    switch (look.icon) {
    case WindowRules::TrayIcon::Dnd:
        setIcon(icons.dndOnIcon, true);
        break;
    case WindowRules::TrayIcon::Paused:
        setIcon(icons.pauseIcon, true);
        break;
    case WindowRules::TrayIcon::Forward:
        setIcon(icons.redirectOnIcon, true);
        break;
    case WindowRules::TrayIcon::Registered:
        setIcon(icons.mctiRegisteredIcon, true);
        break;
    case WindowRules::TrayIcon::Unregistered:
        setIcon(icons.mctiUnregisteredIcon, true);
        break;
    case WindowRules::TrayIcon::DisconnectedSoftphone:
        setIcon(icons.mctiDisconnectedSoftphoneIcon, true);
        break;
    case WindowRules::TrayIcon::Disconnected:
        setIcon(icons.mctiDisconnectedIcon, true);
        break;
    }
}

void MPGui::updateTrayIconToolTip()
{
    if (!trayIcon)
        return;
    WindowRules::TrayState state;
    state.dnd = messaging && messaging->isDndActive();
    state.forward = messaging && messaging->isUfwdActive();
    state.allQueuesPaused = queuesPausedAll;
    state.someQueuesPaused = queuesPausedSome;
    trayIcon->setToolTip(WindowRules::toolTipWithSuffixes(trayIcon->toolTip(), state));
}

void MPGui::updateWindowTitle()
{
    const bool forward = messaging && messaging->isUfwdActive();
    const bool dnd = messaging && messaging->isDndActive();
    setWindowTitle(WindowRules::windowTitle(windowTitle(), forward, btnRedirect->toolTip(), dnd));
}

void MPGui::setQueuePauseState(bool all, bool some)
{
    queuesPausedAll = all;
    queuesPausedSome = some;
    updateTrayIcon();
}

void MPGui::setTabNotification(int bit, bool on)
{
    if (on) {
        tabNotifications |= bit;
        if (!tabAnimTimer.isActive()) {
            setIcon(currentIconValue, true);
            tabAnimTimer.start();
        }
    } else {
        tabNotifications &= ~bit;
    }
}

void MPGui::bringToFront(QWidget *w)
{
    w->show();
    w->showNormal();
    w->activateWindow();
    w->setFocus(Qt::OtherFocusReason);
    w->setWindowState(w->windowState() | Qt::WindowActive);
}

void MPGui::putOnTop()
{
    bringToFront(this);
}

void MPGui::putWindowOnTop(QWidget *w)
{
    if (w)
        bringToFront(w);
}

void MPGui::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void MPGui::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
}

void MPGui::onVimpairedViewRequested(bool on)
{
    if (settingsStore)
        settingsStore->setVisuallyImpaired(on);
    WindowRules::ViewMetrics metrics = WindowRules::normalMetrics();
    QString sheet;
    if (on) {
        QScreen *screen = QGuiApplication::primaryScreen();
        metrics = WindowRules::largeFontMetrics(screen ? screen->geometry().width() : 0);
        sheet = WindowRules::fillLargeFontSheet(readStyleSheet(QStringLiteral(":/qss/viStyle.qss")), metrics);
    } else {
        sheet = readStyleSheet(QStringLiteral(":/qss/normalStyle.qss"));
    }
    setStyleSheet(sheet);
    // The form sizes a few widgets for the normal fonts; the large fonts need
    // them free.
    QList<QWidget *> fitted = {wdgStatusLine, edtCallerNumber->parentWidget(), btnSendSMS};
    for (QLabel *label : wdgStatusLine->findChildren<QLabel *>())
        fitted << label;
    formFit.apply(fitted, btnSendSMS, on);
    for (QWidget *box : {static_cast<QWidget *>(txtExtSearch), static_cast<QWidget *>(txtContactsSearch),
                         static_cast<QWidget *>(txtCdrSearch)}) {
        box->setMinimumHeight(metrics.searchHeight);
        box->setMaximumHeight(metrics.searchHeight);
    }
    if (directory) {
        directory->setListRowHeight(on ? metrics.rowHeight : DirectoryPanel::NormalRowHeight);
        directory->fitHeadersToFont();
    }
    edtCallerNumber->setMinimumHeight(metrics.numberHeight);
    edtCallerNumber->setMaximumHeight(metrics.numberHeight);
    const struct {
        QAbstractItemView *view;
        int large;
        int normal;
    } views[] = {{tvExtensions, 32, 26}, {tvFavourites, 32, 26}, {tvContacts, 34, 28}, {tvCdr, 38, 30}};
    for (const auto &v : views) {
        const int side = on ? v.large : v.normal;
        v.view->setIconSize(QSize(side, side));
        v.view->viewport()->update();
    }
    // The tabs' names grow with the font: the window widens to show them all.
    tabContactsWidget->tabBar()->ensurePolished();
    adjustWindowToTabbarWidth();

    // The larger fonts need more height than the mode's least: the window
    // grows, as far as the screen allows, so that the profile picture and
    // the texts are shown whole; back to the normal view the mode's least
    // height holds again.
    const int modeMinimum = slimMode ? WindowRules::SlimMinimumHeight : WindowRules::ExtendedMinimumHeight;
    if (!on) {
        setMinimumHeight(modeMinimum);
        return;
    }
    QScreen *screen = QGuiApplication::primaryScreen();
    const int wanted = WindowRules::largeFontMinimumHeight(minimumSizeHint().height(),
                                                           screen ? screen->availableGeometry().height() : 0,
                                                           frameGeometry().height() - geometry().height(), modeMinimum);
    setMinimumHeight(wanted);
    if (height() < wanted)
        resize(width(), wanted);
}

void MPGui::trayIconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
        backFromTray();
}

void MPGui::onSystemTrayMessageClicked()
{
    // The chat remembers the conversation it last announced in the tray; a
    // click on that message brings the window (out of the tray, if it is
    // there) and the conversation to the front. Other tray messages open
    // nothing.
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "tray message clicked";
    if (!messaging || !messaging->onTrayMessageClicked())
        return;
    if (minimizeAction && !minimizeAction->isEnabled())
        backFromTray();
    else
        bringToFront(this);
}

void MPGui::moveToTray()
{
    if (!restoreAction || restoreAction->isEnabled())
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "moving to tray";
    minimizeAction->setEnabled(false);
    restoreAction->setEnabled(true);
    maximizedBeforeTray = isMaximized();
    showMinimized();
}

void MPGui::backFromTray()
{
    if (!minimizeAction || minimizeAction->isEnabled())
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "back from tray";
    restoreAction->setEnabled(false);
    minimizeAction->setEnabled(true);
    bringToFront(this);
    if (maximizedBeforeTray)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MPGui::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        emit sigWindowStateChanged(static_cast<QWindowStateChangeEvent *>(event)->oldState());
}

void MPGui::onWindowStateChanged(Qt::WindowStates oldState)
{
    logLine(UNQL::LOG_DBG_ALL) << Q_FUNC_INFO << "window state changed:" << int(oldState) << int(windowState());
    const Qt::WindowStates now = windowState() & ~Qt::WindowActive;
    if ((oldState & Qt::WindowMinimized) && now == Qt::WindowNoState) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "restoring window";
        backFromTray();
    } else if (!(oldState & Qt::WindowMinimized) && (now & Qt::WindowMinimized)) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "minimizing window";
        moveToTray();
    }
}

void MPGui::closeEvent(QCloseEvent *event)
{
    if (QdApplication::ShutdownInProgress) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "OS shutdown";
        // A log-out does not cut a softphone call in progress: the close is
        // refused and the program goes on.
        if (appMode == MSETTINGS::AppModeSoftphone && phones && phones->engine() && calls &&
            !calls->activeLines().isEmpty()) {
            logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "active softphone call: not closing";
            event->ignore();
            return;
        }
        quitApplication(false, false);
        event->accept();
        return;
    }
    if (quitApplication(false, true))
        event->accept();
    else
        event->ignore();
}

void MPGui::onAlwaysOnTopRequested(bool on)
{
    transparencyMenu->setEnabled(on);
    if (on) {
        setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    } else {
        setWindowFlags(windowFlags() & ~Qt::WindowStaysOnTopHint);
        setTransparency(1.0);
    }
    show();
}

void MPGui::setTransparency(double opacity)
{
    setWindowOpacity(opacity);
    const QList<QAction *> actions = {m_Layered_0_Action, m_Layered_20_Action, m_Layered_40_Action, m_Layered_60_Action,
                                      m_Layered_80_Action};
    QAction *match = nullptr;
    for (QAction *action : actions)
        if (qFuzzyCompare(action->data().toDouble(), opacity))
            match = action;
    if (!match)
        return;
    for (QAction *action : actions) {
        action->setChecked(action == match);
    }
}

void MPGui::onTransparencyChangeRequest()
{
    if (auto *action = qobject_cast<QAction *>(sender()))
        setTransparency(action->data().toDouble());
}

void MPGui::onSlimModeSelected()
{
    const QPoint position = pos();
    slimMode = true;
    extendedMode = false;
    m_actionExtendedMode->setEnabled(true);
    m_actionExtendedMode->setChecked(false);
    m_actionsSlimMode->setEnabled(false);
    m_actionsSlimMode->setChecked(true);
    if (settingsDialog)
        settingsStore->setSlimMode(true);
    tabContactsWidget->hide();
    gridLayout_7->removeWidget(tabContactsWidget);
    setMinimumHeight(WindowRules::SlimMinimumHeight);
    if (!isMaximized() && !isMinimized()) {
        centralwidget->adjustSize();
        adjustSize();
    }
    if (isVisible()) {
        show();
        showNormal();
        activateWindow();
    }
    move(position);
}

void MPGui::onExtendedModeSelected()
{
    const QPoint position = pos();
    extendedMode = true;
    slimMode = false;
    m_actionExtendedMode->setEnabled(false);
    m_actionExtendedMode->setChecked(true);
    m_actionsSlimMode->setEnabled(true);
    m_actionsSlimMode->setChecked(false);
    if (settingsDialog)
        settingsStore->setSlimMode(false);
    gridLayout_7->addWidget(tabContactsWidget, 5, 0, 1, 3);
    tabContactsWidget->show();
    setMinimumHeight(WindowRules::ExtendedMinimumHeight);
    if (isVisible()) {
        show();
        showNormal();
        activateWindow();
    }
    move(position);
}

void MPGui::updateKeypadVisibility()
{
    m_actionsShowKeypad->setChecked(keypadVisible);
    gbKeyPad->setVisible(keypadVisible);
    if (keypadVisible)
        gridLayout->addWidget(gbKeyPad, 0, 1, gridLayout->rowCount(), 1);
    else
        gridLayout->removeWidget(gbKeyPad);
}

void MPGui::updateFuncButtonsVisibility()
{
    m_actionsShowFunctions->setChecked(funcButtonsVisible);
    buttonsFrame->setVisible(funcButtonsVisible);
}

void MPGui::updateVolumesVisibility()
{
    if (appMode != MSETTINGS::AppModeSoftphone) {
        m_actionsShowVolumes->setEnabled(false);
        volumesVisible = false;
    } else {
        m_actionsShowVolumes->setEnabled(true);
        m_actionsShowVolumes->setChecked(volumesVisible);
    }
    volumesFrame->setVisible(volumesVisible);
    if (volumesVisible)
        gridLayout->addWidget(volumesFrame, 0, gridLayout->count(), gridLayout->rowCount(), 1);
    else
        gridLayout->removeWidget(volumesFrame);
}

void MPGui::onShowKeypadTriggered()
{
    keypadVisible = !keypadVisible;
    if (settingsDialog)
        settingsStore->setKeyPadVisible(keypadVisible);
    updateKeypadVisibility();
}

void MPGui::onShowFuncButtonsTriggered()
{
    funcButtonsVisible = !funcButtonsVisible;
    if (settingsDialog)
        settingsStore->setFuncButtonsVisible(funcButtonsVisible);
    updateFuncButtonsVisibility();
}

void MPGui::onShowVolumesTriggered()
{
    volumesVisible = !volumesVisible;
    if (settingsDialog)
        settingsStore->setVolumesVisible(volumesVisible);
    updateVolumesVisibility();
}

void MPGui::reloadBackgroundImage()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    background.reload(screen ? screen->availableGeometry().size() : QSize());
    resizeBackgroundImage();
}

void MPGui::resizeBackgroundImage()
{
    // Scaling is costly, and the window is often resized several times in a
    // row (start-up resizes it three times before it is first painted): the
    // picture is laid once, on the next turn of the event loop, which runs
    // before the window's pending paint.
    if (backgroundLayPending)
        return;
    backgroundLayPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            backgroundLayPending = false;
            layBackgroundImage();
        },
        Qt::QueuedConnection);
}

void MPGui::layBackgroundImage()
{
    if (background.isNull() || !wdgStatusLine)
        return;
    int height = this->height() - wdgStatusLine->height();
    if (tabContactsWidget->isVisible())
        height -= tabContactsWidget->height() - tabContactsWidget->tabBar()->height();
    const QSize target(width(), qMax(1, height));

    QPalette pal = palette();
    pal.setBrush(QPalette::All, QPalette::Window, QBrush(background.cover(target)));
    setPalette(pal);
}

void MPGui::resizeEvent(QResizeEvent *event)
{
    resizeBackgroundImage();
    QMainWindow::resizeEvent(event);
}

void MPGui::updateTabAnimIcon()
{
    if (tabNotifications == 0) {
        tabAnimTimer.stop();
        setIcon(currentIconValue, true);
    }
    updateCdrIcon();
    updateChatIcon();
}

void MPGui::updateCdrIcon()
{
    const int index = tabContactsWidget->indexOf(cdrTabWidget);
    if (index < 0)
        return;
    if ((tabNotifications & 1) && tabContactsWidget->currentWidget() != cdrTabWidget) {
        const bool wasOn = cdrBlinkPhase;
        cdrBlinkPhase = !cdrBlinkPhase;
        tabContactsWidget->setTabIcon(index, wasOn ? icons.cdrTabIcon : icons.missedCallIcon);
    } else {
        cdrBlinkPhase = false;
        tabContactsWidget->setTabIcon(index, icons.cdrTabIcon);
    }
}

void MPGui::updateChatIcon()
{
    const int index = tabContactsWidget->indexOf(chatTabWidget);
    if (index < 0)
        return;
    if ((tabNotifications & 2) && tabContactsWidget->currentWidget() != chatTabWidget) {
        const bool wasOn = chatBlinkPhase;
        chatBlinkPhase = !chatBlinkPhase;
        tabContactsWidget->setTabIcon(index, wasOn ? icons.chatTabIcon : icons.chatNotifyIcon);
    } else {
        chatBlinkPhase = false;
        tabContactsWidget->setTabIcon(index, icons.chatTabIcon);
    }
}

void MPGui::onCopy2CallToggled(bool on)
{
    if (!clipboard)
        return;
    if (on)
        connect(clipboard, &QClipboard::dataChanged, this, &MPGui::onClipboardChanged, Qt::UniqueConnection);
    else
        disconnect(clipboard, &QClipboard::dataChanged, this, &MPGui::onClipboardChanged);
}

void MPGui::onClipboardChanged()
{
    if (settingsDialog)
        QTimer::singleShot(500, this, &MPGui::startRapidCall);
}

void MPGui::onShowCompleterRequested()
{
    QCompleter *c = edtCallerNumber->completer();
    if (!c || !c->model() || c->model()->rowCount() < 1)
        return;
    c->popup()->move(edtCallerNumber->mapToGlobal(QPoint(0, edtCallerNumber->height() - 1)));
    c->popup()->show();
}
