// The main window's icon set, its menu and tray actions, the tray icon and
// the application-wide key shortcuts.
#include "mpgui.h"

#include "customshortcut.h"
#include "globallogger.h"
#include "mpguiassets.h"
#include "msettings.h"

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
        queueTabIcon = tabContactsWidget->tabIcon(queueIndex);
        queueTabText = tabContactsWidget->tabText(queueIndex);
    }
    const int chatIndex = tabContactsWidget->indexOf(chatTabWidget);
    if (chatIndex >= 0) {
        chatTabIcon = tabContactsWidget->tabIcon(chatIndex);
        chatTabText = tabContactsWidget->tabText(chatIndex);
    }
    const int cdrIndex = tabContactsWidget->indexOf(cdrTabWidget);
    if (cdrIndex >= 0) {
        cdrTabIcon = tabContactsWidget->tabIcon(cdrIndex);
        cdrTabText = tabContactsWidget->tabText(cdrIndex);
    }

    appIcon = QIcon(QStringLiteral(":/images/veloraCTI.png"));
    cdrAnswerInIcon = QIcon(QStringLiteral(":/images/answer_in.png"));
    cdrNoAnswerOutIcon = QIcon(QStringLiteral(":/images/no_answer_out.png"));
    cdrAnswerOutIcon = QIcon(QStringLiteral(":/images/answer_out.png"));
    cdrNoAnswerLocalInIcon = QIcon(QStringLiteral(":/images/no_answer_local_in.png"));
    cdrAnswerLocalInIcon = QIcon(QStringLiteral(":/images/answer_local_in.png"));
    cdrNoAnswerLocalOutIcon = QIcon(QStringLiteral(":/images/no_answer_local_out.png"));
    cdrAnswerLocalOutIcon = QIcon(QStringLiteral(":/images/answer_local_out.png"));
    cdrMessageInIcon = QIcon(QStringLiteral(":/images/message_in.png"));
    mctiDisconnectedIcon = QIcon(QStringLiteral(":/images/mctiDisconnected.png"));
    mobilePhoneIcon = QIcon(QStringLiteral(":/images/mobilePhone.png"));
    emailIcon = QIcon(QStringLiteral(":/images/email.png"));
    fixedLineIcon = QIcon(QStringLiteral(":/images/fixedLine.png"));
    extenLineIcon = QIcon(QStringLiteral(":/images/extenLine.png"));
    transferIcon = QIcon(QStringLiteral(":/images/TransferActiveCall.png"));
    unattendedTransferIcon = QIcon(QStringLiteral(":/images/UnattendedTransferActiveCall.png"));
    bookingIcon = QIcon(QStringLiteral(":/images/booking.png"));
    cancelBookingIcon = QIcon(QStringLiteral(":/images/cancelbooking.png"));
    chatBigIcon = QIcon(QStringLiteral(":/images/chatBig.png"));
    callPickupIcon = QIcon(QStringLiteral(":/images/callPickup.png"));
    updateContactIcon = QIcon(QStringLiteral(":/images/updateContact.png"));
    cancelIcon = QIcon(QStringLiteral(":/images/cancel.png"));
    ledGrayIcon = QIcon(QStringLiteral(":/images/led_gray.png"));
    ledGreenIcon = QIcon(QStringLiteral(":/images/led_green.png"));
    ledRedIcon = QIcon(QStringLiteral(":/images/led_red.png"));
    ledOrangeIcon = QIcon(QStringLiteral(":/images/led_orange.png"));
    pauseIcon = QIcon(QStringLiteral(":/images/pausa.png"));
    pauseButtonIcon = QIcon(QStringLiteral(":/images/pausa_icon.png"));
    playButtonIcon = QIcon(QStringLiteral(":/images/play_icon.png"));
    dndOnIcon = QIcon(QStringLiteral(":/images/dnd_on_btn.png"));
    dndOffIcon = QIcon(QStringLiteral(":/images/dnd_off_btn.png"));
    redirectOnIcon = QIcon(QStringLiteral(":/images/redirect_on.png"));
    redirectOnButtonIcon = QIcon(QStringLiteral(":/images/redirect_on_btn.png"));
    redirectOffIcon = QIcon(QStringLiteral(":/images/redirect_off.png"));
    mailInIcon = QIcon(QStringLiteral(":/images/mailIn.png"));
    mailEmptyIcon = QIcon(QStringLiteral(":/images/mailEmpty.png"));
    dualRingRedIcon = QIcon(QStringLiteral(":/images/dualRingRed.png"));
    dualRingOffIcon = dualRingRedIcon; // the same picture
    dualRingGreenIcon = QIcon(QStringLiteral(":/images/dualRingGreen.png"));
    missedCallIcon = QIcon(QStringLiteral(":/images/MissedCall.png"));
    chatNotifyIcon = QIcon(QStringLiteral(":/images/notifica_chat.png"));
    chatNotifyTrayIcon = QIcon(QStringLiteral(":/images/notifica_chat_tray.png"));
    inputAudioIcon = QIcon(QStringLiteral(":/images/InputAudio.png"));
    inputAudioOffIcon = QIcon(QStringLiteral(":/images/InputAudioOff.png"));
    outputAudioIcon = QIcon(QStringLiteral(":/images/OutputAudio.png"));
    outputAudioOffIcon = QIcon(QStringLiteral(":/images/OutputAudioOff.png"));
    queuesIcon = QIcon(QStringLiteral(":/images/queues.png"));
    cdrFilterOnIcon = QIcon(QStringLiteral(":/images/cdr_filter_on.png"));
    cdrFilterOffIcon = QIcon(QStringLiteral(":/images/cdr_filter_off.png"));

    // State icons that the PBX's rebranding pack may replace.
    mctiDisconnectedSoftphoneIcon = QIcon(MPGUI::rebrandedFilePath(
        QStringLiteral("ctiDisconnected.png"), QStringLiteral(":/images/mctiDisconnectedIcon.png")));
    mctiRegisteredIcon = QIcon(
        MPGUI::rebrandedFilePath(QStringLiteral("ctiRegistered.png"), QStringLiteral(":/images/mctiRegistered.png")));
    mctiUnregisteredIcon = QIcon(MPGUI::rebrandedFilePath(QStringLiteral("ctiUnregistered.png"),
                                                          QStringLiteral(":/images/mctiUnregisteredIcon.png")));
}

void MPGui::createActions()
{
    connectAction = new QAction(tr("&Connetti a %1").arg(QStringLiteral("PBX")), this);
    connect(connectAction, SIGNAL(triggered()), this, SLOT(connectToM()));

    disconnectAction = new QAction(tr("&Disconnetti da %1").arg(QStringLiteral("PBX")), this);
    disconnectAction->setEnabled(false);
    connect(disconnectAction, SIGNAL(triggered()), this, SLOT(disconnectFromM()));

    minimizeAction = new QAction(tr(MinimizeText), this);
    connect(minimizeAction, SIGNAL(triggered()), this, SLOT(moveToTray()));

    restoreAction = new QAction(tr(RestoreText), this);
    restoreAction->setEnabled(false);
    connect(restoreAction, SIGNAL(triggered()), this, SLOT(backFromTray()));

    settingsAction = new QAction(tr("Impostazioni"), this);
    connect(settingsAction, SIGNAL(triggered()), this, SLOT(openConfigurationPanel()));

    quitAction = new QAction(tr(QuitText), this);
    quitAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    connect(quitAction, SIGNAL(triggered()), this, SLOT(quitApplication()));
    // Not in the window's menus: added to the window so that its key works.
    addAction(quitAction);

    reportAction = new QAction(tr("Crea &Report"), this);
    reportAction->setEnabled(false);
    connect(reportAction, SIGNAL(triggered()), this, SLOT(createCCReport()));

    pauseAllAction = new QAction(tr("&Pausa su tutte le code"), this);
    pauseAllAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    pauseAllAction->setEnabled(false);
    pauseAllAction->setCheckable(true);
    pauseAllAction->setChecked(false);
    connect(pauseAllAction, SIGNAL(triggered()), this, SLOT(togglePauseQs()));

    sendLogAction = new QAction(tr("Invia &log al supporto tecnico"), this);
    connect(sendLogAction, SIGNAL(triggered()), this, SLOT(sendLogToSupport()));

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
    connect(m_actionExtendedMode, SIGNAL(triggered()), this, SLOT(onExtendedModeSelected()));
    m_actionsSlimMode->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    connect(m_actionsSlimMode, SIGNAL(triggered()), this, SLOT(onSlimModeSelected()));
    connect(m_alwaysOnTopAction, SIGNAL(toggled(bool)), this, SLOT(onAlwaysOnTopRequested(bool)));
    connect(m_actionsShowKeypad, SIGNAL(triggered()), this, SLOT(onShowKeypadTriggered()));
    connect(m_actionsShowFunctions, SIGNAL(triggered()), this, SLOT(onShowFuncButtonsTriggered()));
    connect(m_actionsShowVolumes, SIGNAL(triggered()), this, SLOT(onShowVolumesTriggered()));
    connect(m_actionsShowQCallsCount, SIGNAL(triggered()), this, SLOT(onShowQCallsCount()));

    // Each transparency entry carries the window opacity it selects.
    m_Layered_0_Action->setData(1);
    m_Layered_20_Action->setData(0.8);
    m_Layered_40_Action->setData(0.6);
    m_Layered_60_Action->setData(0.4);
    m_Layered_80_Action->setData(0.2);
    for (QAction *action :
         {m_Layered_0_Action, m_Layered_20_Action, m_Layered_40_Action, m_Layered_60_Action, m_Layered_80_Action})
        connect(action, SIGNAL(triggered()), this, SLOT(onTransparencyChangeRequest()));

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
    trayIcon->setIcon(appIcon);
    // Without a system tray (a bare X session, the offscreen platform) the
    // icon stays hidden.
    trayIcon->setVisible(QSystemTrayIcon::isSystemTrayAvailable());
}

void MPGui::createShortcuts()
{
    struct ShortcutEntry {
        const char *key;
        const char *slot;
        bool phoneModesOnly;
    };
    const ShortcutEntry entries[] = {
        {"F9", SLOT(changeTab()), false},
        {"F10", SLOT(changeTab()), false},
        {"F11", SLOT(changeTab()), false},
        {"F12", SLOT(changeTab()), false},
        {"End", SLOT(hangupActiveCall()), false},
        {"F8", SLOT(setFocusOnMainNumEdit()), false},
        {"F6", SLOT(onUTransferShortcut()), true},
        {"Ctrl+F6", SLOT(onUTransferDlgShortcut()), true},
        {"F7", SLOT(onATransferShortcut()), true},
        {"Ctrl+F7", SLOT(onATransferDlgShortcut()), true},
        {"Del", SLOT(requestCancelTransfer()), true},
        {"F5", SLOT(holdActiveCall()), true},
        {"Ctrl+F5", SLOT(retrieveHoldCall()), true},
    };
    const bool phoneMode = appMode == MSETTINGS::AppModeDeskPhone || appMode == MSETTINGS::AppModeSoftphone;
    for (const ShortcutEntry &entry : entries) {
        const QKeySequence key(QString::fromLatin1(entry.key), QKeySequence::PortableText);
        auto *shortcut = new customShortcut(key, this);
        shortcut->setContext(Qt::ApplicationShortcut);
        shortcutsMap.insert(key.toString(QKeySequence::PortableText), shortcut);
        // In CTI-only mode the call shortcuts exist but do nothing.
        if (!entry.phoneModesOnly || phoneMode)
            connect(shortcut, SIGNAL(activated()), this, entry.slot);
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
