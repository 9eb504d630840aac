// The main window's icon set, its menu and tray actions, the tray icon and
// the application-wide key shortcuts.
#include "mpgui.h"

#include "app/globallogger.h"
#include "customshortcut.h"
#include "settings/msettings.h"
#include "widgets/mpguiassets.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

namespace
{
// Texts that the actions get when made and again when retranslated.
const char *const MinimizeText = QT_TRANSLATE_NOOP("MPGui", "Mi&nimizza");
const char *const RestoreText = QT_TRANSLATE_NOOP("MPGui", "&Ripristina");
const char *const QuitText = QT_TRANSLATE_NOOP("MPGui", "&Esci");
} // namespace

void MPGui::createIcons()
{
    // The faces the form gives three tabs; a tab that is not in the tab
    // widget now keeps the face saved before.
    const int queueIndex = tabContactsWidget->indexOf(queueTabWidget);
    if (queueIndex >= 0) {
        icons.queueTabIcon = tabContactsWidget->tabIcon(queueIndex);
        icons.queueTabText = tabContactsWidget->tabText(queueIndex);
    }
    const int chatIndex = tabContactsWidget->indexOf(chatTabWidget);
    if (chatIndex >= 0) {
        icons.chatTabIcon = tabContactsWidget->tabIcon(chatIndex);
        icons.chatTabText = tabContactsWidget->tabText(chatIndex);
    }
    const int cdrIndex = tabContactsWidget->indexOf(cdrTabWidget);
    if (cdrIndex >= 0) {
        icons.cdrTabIcon = tabContactsWidget->tabIcon(cdrIndex);
        icons.cdrTabText = tabContactsWidget->tabText(cdrIndex);
    }

    icons.load();
}

void MPGui::createActions()
{
    connectAction = new QAction(tr("&Connetti a %1").arg(QStringLiteral("PBX")), this);
    connect(connectAction, &QAction::triggered, this, &MPGui::connectToM);

    disconnectAction = new QAction(tr("&Disconnetti da %1").arg(QStringLiteral("PBX")), this);
    disconnectAction->setEnabled(false);
    connect(disconnectAction, &QAction::triggered, this, &MPGui::disconnectFromM);

    minimizeAction = new QAction(tr(MinimizeText), this);
    connect(minimizeAction, &QAction::triggered, this, &MPGui::moveToTray);

    restoreAction = new QAction(tr(RestoreText), this);
    restoreAction->setEnabled(false);
    connect(restoreAction, &QAction::triggered, this, &MPGui::backFromTray);

    settingsAction = new QAction(tr("Impostazioni"), this);
    connect(settingsAction, &QAction::triggered, this, &MPGui::openConfigurationPanel);

    quitAction = new QAction(tr(QuitText), this);
    quitAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    connect(quitAction, &QAction::triggered, this, [this] { quitApplication(); });
    // Not in the window's menus: added to the window so that its key works.
    addAction(quitAction);

    reportAction = new QAction(tr("Crea &Report"), this);
    reportAction->setEnabled(false);

    pauseAllAction = new QAction(tr("&Pausa su tutte le code"), this);
    pauseAllAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    pauseAllAction->setEnabled(false);
    pauseAllAction->setCheckable(true);
    pauseAllAction->setChecked(false);

    sendLogAction = new QAction(tr("Invia &log al supporto tecnico"), this);
    connect(sendLogAction, &QAction::triggered, this, &MPGui::sendLogToSupport);

    // Found by these names by whoever drives the window (the local API, tests).
    connectAction->setObjectName(QStringLiteral("connectAction"));
    disconnectAction->setObjectName(QStringLiteral("disconnectAction"));
    minimizeAction->setObjectName(QStringLiteral("minimizeAction"));
    restoreAction->setObjectName(QStringLiteral("restoreAction"));
    settingsAction->setObjectName(QStringLiteral("settingsAction"));
    quitAction->setObjectName(QStringLiteral("quitAction"));
    reportAction->setObjectName(QStringLiteral("reportAction"));
    pauseAllAction->setObjectName(QStringLiteral("pauseAllAction"));
    sendLogAction->setObjectName(QStringLiteral("sendLogAction"));

    m_actionExtendedMode->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    connect(m_actionExtendedMode, &QAction::triggered, this, &MPGui::onExtendedModeSelected);
    m_actionsSlimMode->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    connect(m_actionsSlimMode, &QAction::triggered, this, &MPGui::onSlimModeSelected);
    connect(m_alwaysOnTopAction, &QAction::toggled, this, &MPGui::onAlwaysOnTopRequested);
    connect(m_actionsShowKeypad, &QAction::triggered, this, &MPGui::onShowKeypadTriggered);
    connect(m_actionsShowFunctions, &QAction::triggered, this, &MPGui::onShowFuncButtonsTriggered);
    connect(m_actionsShowVolumes, &QAction::triggered, this, &MPGui::onShowVolumesTriggered);

    // Each transparency entry carries the window opacity it selects.
    m_Layered_0_Action->setData(1);
    m_Layered_20_Action->setData(0.8);
    m_Layered_40_Action->setData(0.6);
    m_Layered_60_Action->setData(0.4);
    m_Layered_80_Action->setData(0.2);
    for (QAction *action :
         {m_Layered_0_Action, m_Layered_20_Action, m_Layered_40_Action, m_Layered_60_Action, m_Layered_80_Action}) {
        // The entry in use carries the check.
        action->setCheckable(true);
        action->setChecked(action == m_Layered_0_Action);
        connect(action, &QAction::triggered, this, &MPGui::onTransparencyChangeRequest);
    }

    menuImpostazioni->addAction(connectAction);
    menuImpostazioni->addAction(disconnectAction);
    menuImpostazioni->addSeparator();
    menuImpostazioni->addAction(pauseAllAction);
    menuImpostazioni->addAction(reportAction);
    menuImpostazioni->addSeparator();
    menuImpostazioni->addAction(settingsAction);
}

void MPGui::createTrayIcon()
{
    trayIconMenu = new QMenu(this);
    trayIconMenu->addAction(connectAction);
    trayIconMenu->addAction(disconnectAction);
    trayIconMenu->addSeparator();
    trayIconMenu->addAction(pauseAllAction);
    trayIconMenu->addAction(settingsAction);
    trayIconMenu->addSeparator();
    trayIconMenu->addAction(minimizeAction);
    trayIconMenu->addAction(restoreAction);
    trayIconMenu->addAction(quitAction);

    trayIcon = new QSystemTrayIcon();
    trayIcon->setContextMenu(trayIconMenu);
    trayIcon->setIcon(icons.appIcon);
    // Without a system tray (a bare X session, the offscreen platform) the
    // icon stays hidden.
    trayIcon->setVisible(QSystemTrayIcon::isSystemTrayAvailable());
}

void MPGui::createShortcuts()
{
    struct ShortcutEntry {
        const char *key;
        void (MPGui::*slot)();
        bool phoneModesOnly;
    };
    const ShortcutEntry entries[] = {
        {"F9", &MPGui::changeTab, false},
        {"F10", &MPGui::changeTab, false},
        {"F11", &MPGui::changeTab, false},
        {"F12", &MPGui::changeTab, false},
        {"End", &MPGui::hangupActiveCall, false},
        {"F8", &MPGui::setFocusOnMainNumEdit, false},
        {"F6", &MPGui::onUTransferShortcut, true},
        {"Ctrl+F6", &MPGui::onUTransferDlgShortcut, true},
        {"F7", &MPGui::onATransferShortcut, true},
        {"Ctrl+F7", &MPGui::onATransferDlgShortcut, true},
        {"Del", &MPGui::requestCancelTransfer, true},
        {"F5", &MPGui::holdActiveCall, true},
        {"Ctrl+F5", &MPGui::retrieveHoldCall, true},
    };
    const bool phoneMode = appMode == MSETTINGS::AppModeDeskPhone || appMode == MSETTINGS::AppModeSoftphone;
    for (const ShortcutEntry &entry : entries) {
        const QKeySequence key(QString::fromLatin1(entry.key), QKeySequence::PortableText);
        auto *shortcut = new customShortcut(key, this);
        shortcut->setContext(Qt::ApplicationShortcut);
        shortcutsMap.insert(key.toString(QKeySequence::PortableText), shortcut);
        // In CTI-only mode the call shortcuts exist but do nothing.
        if (!entry.phoneModesOnly || phoneMode)
            connect(shortcut, &QShortcut::activated, this, entry.slot);
    }

    const QStringList keys = shortcutsMap.keys();
    txtExtSearch->setShortcutsList(keys);
    txtContactsSearch->setShortcutsList(keys);
    txtCdrSearch->setShortcutsList(keys);
    edtCallerNumber->setShortcutsList(keys);
}

void MPGui::changeTab()
{
    auto *shortcut = qobject_cast<customShortcut *>(sender());
    if (!shortcut)
        return;
    const QString key = shortcut->key().toString(QKeySequence::PortableText);
    if (key == QLatin1String("F9")) {
        tabContactsWidget->setCurrentWidget(favouritesTabWidget);
        tvFavourites->setFocus(Qt::TabFocusReason);
    } else if (key == QLatin1String("F10")) {
        tabContactsWidget->setCurrentWidget(extTabWidget);
        txtExtSearch->setFocus(Qt::TabFocusReason);
    } else if (key == QLatin1String("F11")) {
        tabContactsWidget->setCurrentWidget(contactsTabWidget);
        txtContactsSearch->setFocus(Qt::TabFocusReason);
    } else if (key == QLatin1String("F12")) {
        tabContactsWidget->setCurrentWidget(cdrTabWidget);
        txtCdrSearch->setFocus(Qt::TabFocusReason);
    }
}

void MPGui::setFocusOnMainNumEdit()
{
    edtCallerNumber->setFocus(Qt::OtherFocusReason);
}

void MPGui::retranslateActions()
{
    if (connectAction)
        connectAction->setText(tr("&Connetti a MCTI"));
    if (disconnectAction)
        disconnectAction->setText(tr("&Disconnetti da MCTI"));
    if (minimizeAction)
        minimizeAction->setText(tr(MinimizeText));
    if (restoreAction)
        restoreAction->setText(tr(RestoreText));
    if (settingsAction)
        settingsAction->setText(tr("&Impostazioni"));
    if (quitAction)
        quitAction->setText(tr(QuitText));
    if (pauseAllAction)
        pauseAllAction->setText(tr("&Pausa sulla coda"));
}
