// The main window's layout: the form turned into the working window, its
// initial state, the product name and title, and the signal wiring of the
// form, the settings dialog, the tray icon and the timers.
#include "mpgui.h"

#include "ctilib.h"
#include "dlgcontactedit.h"
#include "dlgredirect.h"
#include "globallogger.h"
#include "mainformtabchain.h"
#include "mpguiassets.h"
#include "msettings.h"
#include "msettingsdialog.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QMovie>
#include <QRegExpValidator>
#include <QScreen>
#include <QTabBar>
#include <QTimer>

namespace
{

QString appModeDisplayName(int mode)
{
    switch (mode) {
    case MSETTINGS::AppModeDeskPhone:
        return MPGui::tr("Telefono fisso");
    case MSETTINGS::AppModeSoftphone:
        return MPGui::tr("Softphone");
    default:
        return MPGui::tr("CTI");
    }
}

} // namespace

void MPGui::setupGuiLayout()
{
    // 1. The form and the background picture.
    setupUi(this);
    relinkMainFormTabArea(*this);
    reloadBackgroundImage();

    // 2-3. The profile picture, empty, and the presence the user picks on it.
    wdgPicture->setProfilePixmap(QPixmap());
    wdgPicture->setPresenceVisible(false);
    wdgPicture->setText(QStringLiteral("?"));
    wdgPicture->setDirty();
    wdgPicture->update();
    qRegisterMetaType<CTILIB::ChatPresence>("CTILIB::ChatPresence");
    connect(wdgPicture, SIGNAL(sigPresenceChanged(CTILIB::ChatPresence, QString)), this,
            SLOT(setPresence(CTILIB::ChatPresence, QString)));

    // 4. No sample texts.
    lblConnectedName->clear();
    lblAccountInfo->clear();
    lblNum->clear();
    lblCompany->clear();
    lblEmpty->clear();
    edtCallerNumber->setTextMargins(5, 0, 0, 0);
    edtCallerNumber->clear();
    txtExtSearch->clear();
    txtContactsSearch->clear();
    txtCdrSearch->clear();

    // 5. Line buttons and the stack of line widgets.
    for (QPushButton *button : {btnLine1, btnLine2, btnLine3, btnLine4})
        connect(button, SIGNAL(clicked()), this, SLOT(onLineButtonClicked()));
    connect(vLineLayout, SIGNAL(currentChanged(int)), this, SLOT(onLineStatusChanged()), Qt::QueuedConnection);
    updateLinesButtonStatus();
    updateStrings();

    // 6. Title bar with close and minimise buttons, no maximise button.
    Qt::WindowFlags windowHints = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint |
                                  Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint;
    windowHints &= ~Qt::WindowMaximizeButtonHint;
    setWindowFlags(windowHints);

    // 7. Volumes and operating mode (the shortcuts depend on the mode).
    settingsDialog->getAudioVolumes(inputVolume, outputVolume);
    appMode = settingsDialog->getSelectedAppMode();

    // 8. The forward-number dialog: digits, "#" and "*" only.
    dlgRedirect = new DlgRedirect(nullptr, Qt::WindowTitleHint | Qt::WindowSystemMenuHint);
    dlgRedirect->numberEdit()->setValidator(
        new QRegExpValidator(QRegExp(QStringLiteral("^[0-9#*]*$"), Qt::CaseSensitive, QRegExp::RegExp), dlgRedirect));
    connect(this, SIGNAL(sigDisconnected()), dlgRedirect, SLOT(reject()));
    connect(this, SIGNAL(sigAboutToExit()), dlgRedirect, SLOT(reject()));

    // 9. Icons, actions, tray and application shortcuts.
    createIcons();
    createActions();
    createTrayIcon();
    createShortcuts();

    // 10. Answer values and the queued-calls counter.
    answerQueueExternal = 0;
    answerDirectExternal = 0;
    answerLocal = 0;
    answerTransferReturn = 0;
    queueCallsCountVisible = false;
    queuesCountFrame->hide();
    m_actionsShowQCallsCount->setEnabled(false);

    // 11. Keypad, function buttons and volumes as last chosen; the volumes
    // always start hidden.
    keypadVisible = settingsDialog->isKeyPadVisible();
    updateKeypadVisibility();
    funcButtonsVisible = settingsDialog->isFuncButtonsFrameVisible();
    m_actionsShowFunctions->setChecked(funcButtonsVisible);
    buttonsFrame->setVisible(funcButtonsVisible);
    volumesVisible = false;
    updateVolumesVisibility();

    // 12. Adding contacts is offered after log-in.
    btnAddContact->hide();
    btnAddContact->setEnabled(false);

    // 13-14. Window mode and list rows.
    if (settingsDialog->isSlimMode())
        onSlimModeSelected();
    else
        onExtendedModeSelected();
    rowHeight = 32;

    // 15. Centred on the primary screen's available area.
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(width() / 2, height() / 2));
    }

    // 16. Disconnected status line.
    lblStatusText->setText(tr("Utente: NON CONNESSO"));
    lblLedStatus->setPixmap(ledGrayIcon.pixmap(18, 18));
    lblQueueStatus->setText(tr("Stato Code: N/D"));
    lblLedQueueStatus->setPixmap(ledGrayIcon.pixmap(18, 18));

    // 17. Tray tooltip, window and tray icon.
    trayIcon->setToolTip(MSETTINGS::getLongApplicationName());
    setIcon(appIcon, true);

    // 18. The contact editor.
    dlgContactEdit = new DlgContactEdit(this);
    connect(this, SIGNAL(sigDisconnected()), dlgContactEdit, SLOT(reject()));
    connect(this, SIGNAL(sigAboutToExit()), dlgContactEdit, SLOT(reject()));

    // 19-20.
    pbMos->hide();
    lblUpdating->setMovie(loaderMovie);
    btnAddContact->hide();
    resetServiceButtons(false);
    for (QPushButton *key : {bt0, bt1, bt2, bt3, bt4, bt5, bt6, bt7, bt8, bt9, btAst, btPound})
        key->setToolTip(QString());
    // In the large-font view the text of the SMS button is wider than the
    // button: widen it to its text, the other function buttons keep their size.
    if (property("incrsize").toInt() > 0) {
        btnSendSMS->ensurePolished();
        const int textWidth = btnSendSMS->fontMetrics().horizontalAdvance(btnSendSMS->text()) + 8;
        if (textWidth > btnSendSMS->width())
            btnSendSMS->setFixedWidth(textWidth);
    }

    // 21. Call handling.
    for (QPushButton *key : {bt0, bt1, bt2, bt3, bt4, bt5, bt6, bt7, bt8, bt9, btAst, btPound})
        connect(key, SIGNAL(clicked()), this, SLOT(onNumPadClicked()));
    connect(edtCallerNumber, SIGNAL(sigEnter()), this, SLOT(phoneTxtEnterKeyClicked()));
    connect(edtCallerNumber, SIGNAL(sigClear()), this, SLOT(clearClicked()));
    connect(edtCallerNumber, SIGNAL(sigDigitClicked(QString, QString)), this, SLOT(digitClicked(QString, QString)));
    connect(edtCallerNumber, SIGNAL(sigShortcutRequested(QString)), this, SLOT(onShortcutRequested(QString)));
    connect(btnStartAudioCall, SIGNAL(clicked()), this, SLOT(phoneTxtEnterKeyClicked()));
    for (CustomSearchLineEdit *search : {txtExtSearch, txtContactsSearch, txtCdrSearch})
        connect(search, SIGNAL(sigShortcutRequested(QString)), this, SLOT(onShortcutRequested(QString)));
    connect(queuesGui, SIGNAL(sigTransferToOperator(QString)), this, SLOT(attendedTransferCall(QString)));
    connect(queuesGui, SIGNAL(sigUTransferToOperator(QString)), this, SLOT(unattendedTransferCall(QString)));
    connect(this, SIGNAL(sigClosingActiveLineWidget(qlonglong)), this, SLOT(onActiveLineClosing(qlonglong)));
    connect(clipboardInactivityTimer, SIGNAL(timeout()), this, SLOT(onClipboardInactivity()));

    // Directories and call history.
    for (CustomTreeView *view : {tvFavourites, tvExtensions, tvContacts, tvCdr})
        view->setContextMenuPolicy(Qt::CustomContextMenu);
    for (CustomTreeView *view : {tvFavourites, tvExtensions}) {
        connect(view, SIGNAL(clicked(QModelIndex)), this, SLOT(onClickedOnExtenTable(QModelIndex)));
        connect(view, SIGNAL(customContextMenuRequested(QPoint)), this, SLOT(ext_cxtMenu(QPoint)));
    }
    for (CustomTreeView *view : {tvFavourites, tvExtensions, tvContacts}) {
        connect(view, SIGNAL(doubleClicked(QModelIndex)), this, SLOT(onDblClickedOnContactsTable(QModelIndex)));
        connect(view, SIGNAL(sigEnterPressed(QModelIndex)), this, SLOT(onDblClickedOnContactsTable(QModelIndex)));
    }
    connect(tvContacts, SIGNAL(customContextMenuRequested(QPoint)), this, SLOT(cont_cxtMenu(QPoint)));
    connect(tvCdr, SIGNAL(doubleClicked(QModelIndex)), this, SLOT(onDblClickedOnCdrTable(QModelIndex)));
    connect(tvCdr, SIGNAL(sigEnterPressed(QModelIndex)), this, SLOT(onDblClickedOnCdrTable(QModelIndex)));
    connect(tvCdr, SIGNAL(customContextMenuRequested(QPoint)), this, SLOT(cdr_cxtMenu(QPoint)));
    connect(txtExtSearch, SIGNAL(textChanged(QString)), this, SLOT(updateExtSearchResults(QString)));
    connect(txtContactsSearch, SIGNAL(textChanged(QString)), this, SLOT(updateSearchResults(QString)));
    connect(txtCdrSearch, SIGNAL(textChanged(QString)), this, SLOT(updateCdrSearchResults(QString)));
    connect(btnAddContact, SIGNAL(clicked()), this, SLOT(onAddNewContactRequested()));
    connect(btnSendSMS, SIGNAL(clicked()), this, SLOT(onSmsSendRequest()));
    connect(cdrDateTimer, SIGNAL(timeout()), this, SLOT(onUpdateCdrCurrentDate()));
    connect(contactSearchTimer, SIGNAL(timeout()), this, SLOT(triggerContactSearch()));
    connect(extenSearchTimer, SIGNAL(timeout()), this, SLOT(triggerExtSearch()));
    connect(cdrSearchTimer, SIGNAL(timeout()), this, SLOT(triggerCdrSearch()));
    connect(contactsRefreshTimer, SIGNAL(timeout()), this, SLOT(refreshContactsList()));
    connect(settingsDialog, SIGNAL(sigCdrSettingsChanged()), this, SLOT(onCdrSettingsChanged()), Qt::QueuedConnection);

    // Chat, voicemail and PBX services.
    connect(btnDnd, SIGNAL(clicked()), this, SLOT(toggleDnd()));
    connect(btnRedirect, SIGNAL(clicked()), this, SLOT(toggleUfwd()));
    connect(btnMail, SIGNAL(clicked()), this, SLOT(requestVoiceMail()));
    connect(btnConference, SIGNAL(clicked()), this, SLOT(requestConference()));
    connect(btnDualRingToggle, SIGNAL(clicked()), this, SLOT(toggleForkMobile()));
    connect(chatPanel, SIGNAL(sigSendingMessage(QString, QString, QString)), this,
            SLOT(sendChatMessage(QString, QString, QString)));
    connect(chatPanel, SIGNAL(sigChatOpenConversation(QString, QString)), this,
            SLOT(sendChatOpenConversation(QString, QString)));
    connect(chatPanel, SIGNAL(sigChatCloseConversation(QString, QString)), this,
            SLOT(sendChatCloseConversation(QString, QString)));
    connect(chatPanel, SIGNAL(sigSendIsComposing(QString, QString, bool)), this,
            SLOT(sendChatIsComposing(QString, QString, bool)));
    connect(chatPanel, SIGNAL(sigChatMessageDisplayed(QString, QString)), this,
            SLOT(sendChatMessageDisplayed(QString, QString)));
    connect(chatPanel, SIGNAL(sigUnreadChatMessageCountChanged(int)), this, SLOT(updateUnreadChatMessageCount(int)));

    // Queues and supervisor panel.
    connect(btnSVP, SIGNAL(clicked()), this, SLOT(onSupervisorPanelTrigger()));
    connect(btnPauseAll, SIGNAL(clicked()), this, SLOT(togglePauseQs()));
    connect(queuesGui, SIGNAL(sigClosed()), this, SLOT(queueTrigger()));
    connect(qscrollArea, SIGNAL(sigQueueScrollBarResized(QSize)), queuesGui, SLOT(adjustLayout(QSize)));
    connect(queuesGui, SIGNAL(sigQueuesCountChanged(int)), this, SLOT(onQueuesCountChanged(int)));
    connect(queuesGui, SIGNAL(sigSetOperatorsPaused(bool, QStringList, QString)), this,
            SLOT(onQueuePauseStatusUpdateRequest(bool, QStringList, QString)));
    connect(settingsDialog, SIGNAL(sigChangeThresholds()), this, SLOT(onSvpThresholdsChanged()));

    // Main window and PBX connection.
    connect(edtCallerNumber, SIGNAL(sigShowCompleter()), this, SLOT(onShowCompleterRequested()));
    for (CustomSearchLineEdit *search : {txtExtSearch, txtContactsSearch, txtCdrSearch})
        connect(search, SIGNAL(sigDownArrowClicked()), this, SLOT(setFocusOnTable()));
    connect(tabContactsWidget, SIGNAL(currentChanged(int)), this, SLOT(onCurrentTabChanged(int)));
    connect(btnInputAudio, SIGNAL(clicked()), this, SLOT(toggleMuteInputAudio()));
    connect(btnOutputAudio, SIGNAL(clicked()), this, SLOT(toggleMuteOutputAudio()));
    connect(hsldInputAudio, SIGNAL(valueChanged(int)), this, SLOT(setInputAudioValue(int)));
    connect(hsldOutputAudio, SIGNAL(valueChanged(int)), this, SLOT(setOutputAudioValue(int)));
    connect(settingsDialog, SIGNAL(sigRestartRequested(bool)), this, SLOT(quitApplication(bool)), Qt::QueuedConnection);
    connect(settingsDialog, SIGNAL(sigSipSettingsChanged()), this, SLOT(onSelectedAccountChanged()),
            Qt::QueuedConnection);
    connect(settingsDialog, SIGNAL(sigMctiServicesChanged()), this, SLOT(onMctiServicesChanged()),
            Qt::QueuedConnection);
    connect(settingsDialog, SIGNAL(sigUpdatesSettingsChanged()), this, SLOT(startCheckUpdatesTimer()),
            Qt::QueuedConnection);
    connect(settingsDialog, SIGNAL(sigGuiLanguageChanged(int)), this, SLOT(onLanguageChangeRequested(int)),
            Qt::QueuedConnection);
    connect(settingsDialog, SIGNAL(sigAudioDeviceChanged()), this, SLOT(onAudioDevicesChange()), Qt::QueuedConnection);
    connect(trayIcon, SIGNAL(activated(QSystemTrayIcon::ActivationReason)), this,
            SLOT(trayIconActivated(QSystemTrayIcon::ActivationReason)));
    connect(trayIcon, SIGNAL(messageClicked()), this, SLOT(onSystemTrayMessageClicked()));
    connect(tabAnimTimer, SIGNAL(timeout()), this, SLOT(updateTabAnimIcon()));
    connect(reconnectTimer, SIGNAL(timeout()), this, SLOT(reconnectToM()));
    connect(periodicDataTimer, SIGNAL(timeout()), this, SLOT(refreshPeriodicData()));
    connect(identitiesTimer, SIGNAL(timeout()), this, SLOT(refreshIdentities()));
    connect(rebrandingTimer, SIGNAL(timeout()), this, SLOT(refreshRebrandingPack()));
    connect(updateCheckTimer, SIGNAL(timeout()), this, SLOT(checkUpdates()));

    // 22. Call-record dates: "from" never after "to".
    onUpdateCdrCurrentDate();
    cdrDateFrom->setMaximumDate(cdrDateTo->date());
    cdrDateTo->setMinimumDate(cdrDateFrom->date());
    connect(cdrDateFrom, SIGNAL(dateChanged(QDate)), this, SLOT(onDateFilterChanged()));
    connect(cdrDateTo, SIGNAL(dateChanged(QDate)), this, SLOT(onDateFilterChanged()));

    // 23-24. The queue tab comes back at log-in for queue members.
    const int queueTab = tabContactsWidget->indexOf(queueTabWidget);
    if (queueTab >= 0)
        tabContactsWidget->removeTab(queueTab);
    stackedContacts->setCurrentWidget(pageContacts);

    // 25. Only the quit path ends the program.
    QGuiApplication::setQuitOnLastWindowClosed(false);

    // 26.
    adjustWindowToTabbarWidth();

    // 27-28.
    if (settingsDialog->isStartMinimizedSet())
        QTimer::singleShot(1000, this, SLOT(moveToTray()));
    trayIcon->setVisible(QSystemTrayIcon::isSystemTrayAvailable());

    // 29.
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Gui setup completed - Connections ready.";

    // 30-32.
    for (CustomTreeView *view : {tvFavourites, tvExtensions, tvContacts, tvCdr})
        view->setAnimated(false);
    if (tabNotifications == 0) {
        tabAnimTimer->stop();
        setIcon(currentIconValue, true);
    }
    updateCdrIcon();
    updateChatIcon();
    edtCallerNumber->setFocus(Qt::OtherFocusReason);
}

void MPGui::adjustWindowToTabbarWidth()
{
    const int wanted = tabContactsWidget->tabBar()->sizeHint().width();
    if (tabContactsWidget->minimumWidth() < wanted)
        tabContactsWidget->setMinimumWidth(wanted);
}

void MPGui::updateStrings()
{
    const QString path = MPGUI::rebrandedFilePath(QStringLiteral("desktopProductName"), QString());
    MSETTINGS::setLongApplicationName(MPGUI::readProductNameFile(path));

    // The layout composes the title before it takes the mode over, so the
    // mode comes from the settings, where it is current from the start.
    const int mode = settingsDialog ? int(settingsDialog->getSelectedAppMode()) : appMode;
    windowTitleText = MSETTINGS::getLongApplicationName() + QLatin1Char(' ') + appModeDisplayName(mode);
    setWindowTitle(windowTitleText);
}

void MPGui::retranslateActions()
{
    if (connectAction)
        connectAction->setText(tr("&Connetti a MCTI"));
    if (disconnectAction)
        disconnectAction->setText(tr("&Disconnetti da MCTI"));
    if (minimizeAction)
        minimizeAction->setText(tr("Mi&nimizza"));
    if (restoreAction)
        restoreAction->setText(tr("&Ripristina"));
    if (settingsAction)
        settingsAction->setText(tr("&Impostazioni"));
    if (quitAction)
        quitAction->setText(tr("&Esci"));
    if (pauseAllAction)
        pauseAllAction->setText(tr("&Pausa sulla coda"));
}

void MPGui::setFocusOnTable()
{
    QObject *source = sender();
    if (source == txtExtSearch)
        tvExtensions->setFocus(Qt::TabFocusReason);
    else if (source == txtContactsSearch)
        tvContacts->setFocus(Qt::TabFocusReason);
    else if (source == txtCdrSearch)
        tvCdr->setFocus(Qt::TabFocusReason);
}

void MPGui::onCurrentTabChanged(int index)
{
    if (index < 0)
        return;
    if (index == tabContactsWidget->indexOf(cdrTabWidget)) {
        tabNotifications &= ~1;
        updateCdrIcon();
    } else if (index == tabContactsWidget->indexOf(chatTabWidget)) {
        updateChatIcon();
    }
}

void MPGui::onActionNumberToneChanged(bool on)
{
    if (settingsDialog)
        settingsDialog->setPlayTonesEnabled(on);
    edtCallerNumber->onActionNumberToneChanged(on);
}
