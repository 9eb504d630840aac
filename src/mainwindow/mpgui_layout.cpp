// The main window's layout: the form turned into the working window, its
// initial state, the product name and title, and the signal wiring of the
// form, the settings dialog, the tray icon and the timers.
#include "mpgui.h"
#include "mpgui_callshost.h"
#include "session/pbxsession.h"

#include "widgets/balloonboard.h"

#include "app/globallogger.h"
#include "calls/callcontrol.h"
#include "calls/callevents.h"
#include "calls/calllines.h"
#include "calls/rapidcall.h"
#include "ctilib.h"
#include "directory/directoryactions.h"
#include "directory/directorycalllookup.h"
#include "directory/directorypanel.h"
#include "framework/clock.h"
#include "mainformtabchain.h"
#include "messaging/messagingpanel.h"
#include "phone/mpengine.h"
#include "phone/phonebackends.h"
#include "queues/queuescontroller.h"
#include "settings/msettings.h"
#include "settings/msettingsdialog.h"
#include "widgets/mpguiassets.h"

#include <QClipboard>
#include <QCompleter>
#include <QGuiApplication>
#include <QMovie>
#include <QScreen>
#include <QTabBar>
#include <QTimer>

namespace
{

QString appModeDisplayName(MSETTINGS::AppMode mode)
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
    // Title bar with close and minimise buttons, no maximise button. Set
    // before the form is built: changing the flags re-parents the window,
    // which would re-apply the style sheet to every widget of the form.
    Qt::WindowFlags windowHints = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint |
                                  Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint;
    windowHints &= ~Qt::WindowMaximizeButtonHint;
    setWindowFlags(windowHints);

    // The form and the background picture.
    setupUi(this);
    relinkMainFormTabArea(*this);
    reloadBackgroundImage();

    // The profile picture, empty, and the presence the user picks on it.
    wdgPicture->setProfilePixmap(QPixmap());
    wdgPicture->setPresenceVisible(false);
    wdgPicture->setText(QStringLiteral("?"));
    wdgPicture->setDirty();
    wdgPicture->update();
    qRegisterMetaType<CTILIB::ChatPresence>("CTILIB::ChatPresence");
    connect(wdgPicture, &wdgProfileImage::sigPresenceChanged, this, &MPGui::setPresence);

    // No sample texts.
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

    // The operating mode (the shortcuts depend on it).
    appMode = settingsStore->getSelectedAppMode();
    updateStrings();

    // Icons, actions, tray and application shortcuts, then the subsystems
    // that drive parts of the form.
    createIcons();
    createActions();
    createTrayIcon();
    createShortcuts();
    createSubsystems();

    // Keypad, function buttons and volumes as last chosen; the volumes
    // always start hidden.
    keypadVisible = settingsStore->isKeyPadVisible();
    updateKeypadVisibility();
    funcButtonsVisible = settingsStore->isFuncButtonsFrameVisible();
    m_actionsShowFunctions->setChecked(funcButtonsVisible);
    buttonsFrame->setVisible(funcButtonsVisible);
    volumesVisible = false;
    updateVolumesVisibility();

    // Window mode.
    if (settingsStore->isSlimMode())
        onSlimModeSelected();
    else
        onExtendedModeSelected();

    // Centred on the primary screen's available area.
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(width() / 2, height() / 2));
    }

    // Disconnected status line.
    lblStatusText->setText(tr("Utente: NON CONNESSO"));
    lblLedStatus->setPixmap(icons.ledGrayIcon.pixmap(MPGUI::LedSize, MPGUI::LedSize));

    // Tray tooltip, window and tray icon.
    trayIcon->setToolTip(MSETTINGS::getLongApplicationName());
    setIcon(icons.appIcon, true);

    // The call-quality bar is not shown; the keys carry no tooltips.
    pbMos->hide();
    lblUpdating->setMovie(loaderMovie);
    resetServiceButtons(false);
    for (QPushButton *key : {bt0, bt1, bt2, bt3, bt4, bt5, bt6, bt7, bt8, bt9, btAst, btPound})
        key->setToolTip(QString());

    // Call handling.
    for (QPushButton *button : {btnLine1, btnLine2, btnLine3, btnLine4})
        connect(button, &QPushButton::clicked, this, &MPGui::onLineButtonClicked);
    connect(vLineLayout, &QStackedWidget::currentChanged, this, &MPGui::onLineStatusChanged, Qt::QueuedConnection);
    for (QPushButton *key : {bt0, bt1, bt2, bt3, bt4, bt5, bt6, bt7, bt8, bt9, btAst, btPound})
        connect(key, &QPushButton::clicked, this, &MPGui::onNumPadClicked);
    connect(edtCallerNumber, &CustomLineEdit::sigEnter, this, &MPGui::phoneTxtEnterKeyClicked);
    connect(edtCallerNumber, &CustomLineEdit::sigClear, this, &MPGui::clearClicked);
    connect(edtCallerNumber, &CustomLineEdit::sigDigitClicked, this, &MPGui::digitClicked);
    connect(edtCallerNumber, &CustomLineEdit::sigShortcutRequested, this, &MPGui::onShortcutRequested);
    connect(btnStartAudioCall, &QPushButton::clicked, this, &MPGui::phoneTxtEnterKeyClicked);
    for (CustomSearchLineEdit *search : {txtExtSearch, txtContactsSearch, txtCdrSearch})
        connect(search, &CustomSearchLineEdit::sigShortcutRequested, this, &MPGui::onShortcutRequested);
    // Transfers of the current call (line -1).
    connect(queuesGui, &wdgQueues::sigTransferToOperator, this,
            [this](const QString &number) { attendedTransferCall(number); });
    connect(queuesGui, &wdgQueues::sigUTransferToOperator, this,
            [this](const QString &number) { unattendedTransferCall(number); });
    connect(this, &MPGui::sigClosingActiveLineWidget, this, &MPGui::onActiveLineClosing);
    connect(calls, &CallLines::clipboardInactive, this, &MPGui::onClipboardInactivity);

    // Directories and call history.
    DirectoryPanel *panel = directory;
    DirectoryActions *actions = dirActions;
    for (CustomTreeView *view : {tvFavourites, tvExtensions}) {
        connect(view, &CustomTreeView::clicked, panel,
                [panel, view](const QModelIndex &index) { panel->onClickedOnExtenTable(view, index); });
        connect(view, &CustomTreeView::customContextMenuRequested, actions,
                [actions, view](const QPoint &pos) { actions->openExtensionMenu(view, pos); });
    }
    for (CustomTreeView *view : {tvFavourites, tvExtensions, tvContacts}) {
        const auto open = [panel, view](const QModelIndex &index) { panel->onDblClickedOnContactsTable(view, index); };
        connect(view, &CustomTreeView::doubleClicked, panel, open);
        connect(view, &CustomTreeView::sigEnterPressed, panel, open);
    }
    connect(tvContacts, &CustomTreeView::customContextMenuRequested, actions,
            [actions, view = tvContacts](const QPoint &pos) { actions->openContactMenu(view, pos); });
    const auto openCdr = [panel, view = tvCdr](const QModelIndex &index) {
        panel->onDblClickedOnCdrTable(view, index);
    };
    connect(tvCdr, &CustomTreeView::doubleClicked, panel, openCdr);
    connect(tvCdr, &CustomTreeView::sigEnterPressed, panel, openCdr);
    connect(tvCdr, &CustomTreeView::customContextMenuRequested, actions,
            [actions, view = tvCdr](const QPoint &pos) { actions->openCdrMenu(view, pos); });
    connect(txtExtSearch, &QLineEdit::textChanged, panel, &DirectoryPanel::updateExtSearchResults);
    connect(txtContactsSearch, &QLineEdit::textChanged, panel, &DirectoryPanel::updateSearchResults);
    connect(txtCdrSearch, &QLineEdit::textChanged, panel, &DirectoryPanel::updateCdrSearchResults);
    connect(btnAddContact, &QPushButton::clicked, actions, [actions] { actions->onAddNewContactRequested(QString()); });
    connect(btnSendSMS, &QPushButton::clicked, actions, [actions] { actions->openSmsWindow(QString()); });
    connect(panel, &DirectoryPanel::cdrDateDue, panel, &DirectoryPanel::onUpdateCdrCurrentDate);
    connect(panel, &DirectoryPanel::contactSearchDue, panel, &DirectoryPanel::triggerContactSearch);
    connect(panel, &DirectoryPanel::extenSearchDue, panel, &DirectoryPanel::triggerExtSearch);
    connect(panel, &DirectoryPanel::cdrSearchDue, panel, &DirectoryPanel::triggerCdrSearch);
    connect(panel, &DirectoryPanel::contactsRefreshDue, panel, &DirectoryPanel::refreshContactsList);
    connect(panel, &DirectoryPanel::cdrFilterChanged, panel, [this](MctiConfig::MCdrFilterFlags flags) {
        directory->onCdrFilterChanged(flags, icons.cdrFilterOnIcon, icons.cdrFilterOffIcon);
    });
    connect(panel, &DirectoryPanel::cdrFilterClosed, panel, &DirectoryPanel::onCdrFilterClosed);
    connect(settingsDialog, &MSettingsDialog::sigCdrSettingsChanged, this, &MPGui::onCdrSettingsChanged,
            Qt::QueuedConnection);

    // Chat, voicemail and PBX services.
    connect(btnDnd, &QPushButton::clicked, this, &MPGui::toggleDnd);
    connect(btnRedirect, &QPushButton::clicked, this, &MPGui::toggleUfwd);
    connect(btnMail, &QPushButton::clicked, this, &MPGui::requestVoiceMail);
    connect(btnConference, &QPushButton::clicked, this, &MPGui::requestConference);
    connect(btnDualRingToggle, &QPushButton::clicked, this, &MPGui::toggleForkMobile);
    connect(chatPanel, &wdgChatPanel::sigSendingMessage, this, &MPGui::sendChatMessage);
    connect(chatPanel, &wdgChatPanel::sigChatOpenConversation, this, &MPGui::sendChatOpenConversation);
    connect(chatPanel, &wdgChatPanel::sigChatCloseConversation, this, &MPGui::sendChatCloseConversation);
    connect(chatPanel, &wdgChatPanel::sigSendIsComposing, this, &MPGui::sendChatIsComposing);
    connect(chatPanel, &wdgChatPanel::sigChatMessageDisplayed, this, &MPGui::sendChatMessageDisplayed);
    connect(chatPanel, &wdgChatPanel::sigUnreadChatMessageCountChanged, this, &MPGui::updateUnreadChatMessageCount);

    // Queues and supervisor panel (the controller connects its own widgets).
    connect(qscrollArea, &queueScrollArea::sigQueueScrollBarResized, queuesGui, &wdgQueues::adjustLayout);
    connect(settingsDialog, &MSettingsDialog::sigChangeThresholds, queues, &QueuesController::onSvpThresholdsChanged);

    // Main window and PBX connection.
    connect(edtCallerNumber, &CustomLineEdit::sigShowCompleter, this, &MPGui::onShowCompleterRequested);
    for (CustomSearchLineEdit *search : {txtExtSearch, txtContactsSearch, txtCdrSearch})
        connect(search, &CustomSearchLineEdit::sigDownArrowClicked, this, &MPGui::setFocusOnTable);
    connect(tabContactsWidget, &QTabWidget::currentChanged, this, &MPGui::onCurrentTabChanged);
    connect(btnInputAudio, &QPushButton::clicked, this, &MPGui::toggleMuteInputAudio);
    connect(btnOutputAudio, &QPushButton::clicked, this, &MPGui::toggleMuteOutputAudio);
    connect(hsldInputAudio, &QSlider::valueChanged, this, &MPGui::setInputAudioValue);
    connect(hsldOutputAudio, &QSlider::valueChanged, this, &MPGui::setOutputAudioValue);
    // A required restart quits without asking; otherwise the user confirms.
    connect(
        settingsDialog, &MSettingsDialog::sigRestartRequested, this, [this](bool restart) { quitApplication(restart); },
        Qt::QueuedConnection);
    connect(settingsDialog, &MSettingsDialog::sigSipSettingsChanged, this, &MPGui::onSelectedAccountChanged,
            Qt::QueuedConnection);
    connect(settingsDialog, &MSettingsDialog::sigMctiServicesChanged, this, &MPGui::onMctiServicesChanged,
            Qt::QueuedConnection);
    connect(settingsDialog, &MSettingsDialog::sigUpdatesSettingsChanged, this, &MPGui::startCheckUpdatesTimer,
            Qt::QueuedConnection);
    connect(settingsDialog, &MSettingsDialog::sigGuiLanguageChanged, this, &MPGui::onLanguageChangeRequested,
            Qt::QueuedConnection);
    connect(settingsDialog, &MSettingsDialog::sigAudioDeviceChanged, this, &MPGui::onAudioDevicesChange,
            Qt::QueuedConnection);
    connect(trayIcon, &QSystemTrayIcon::activated, this, &MPGui::trayIconActivated);
    connect(trayIcon, &QSystemTrayIcon::messageClicked, this, &MPGui::onSystemTrayMessageClicked);
    connect(&tabAnimTimer, &QTimer::timeout, this, &MPGui::updateTabAnimIcon);

    // Call-record dates: "from" never after "to".
    directory->onUpdateCdrCurrentDate();
    cdrDateFrom->setMaximumDate(cdrDateTo->date());
    cdrDateTo->setMinimumDate(cdrDateFrom->date());
    connect(cdrDateFrom, &QDateEdit::dateChanged, directory, &DirectoryPanel::onDateFilterChanged);
    connect(cdrDateTo, &QDateEdit::dateChanged, directory, &DirectoryPanel::onDateFilterChanged);

    stackedContacts->setCurrentWidget(pageContacts);

    // Only the quit path ends the program.
    QGuiApplication::setQuitOnLastWindowClosed(false);

    adjustWindowToTabbarWidth();

    // Started minimised: to the tray once the window has settled.
    if (settingsStore->isStartMinimizedSet())
        QTimer::singleShot(1000, this, &MPGui::moveToTray);
    trayIcon->setVisible(QSystemTrayIcon::isSystemTrayAvailable());

    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Gui setup completed - Connections ready.";

    if (tabNotifications == 0) {
        tabAnimTimer.stop();
        setIcon(currentIconValue, true);
    }
    updateCdrIcon();
    updateChatIcon();
    edtCallerNumber->setFocus(Qt::OtherFocusReason);
}

void MPGui::createSubsystems()
{
    balloons = new BalloonBoard(this);
    createPhoneBackends();

    DirectoryPanel::Widgets directoryWidgets;
    directoryWidgets.window = this;
    directoryWidgets.tvFavourites = tvFavourites;
    directoryWidgets.tvExtensions = tvExtensions;
    directoryWidgets.tvContacts = tvContacts;
    directoryWidgets.tvCdr = tvCdr;
    directoryWidgets.txtExtSearch = txtExtSearch;
    directoryWidgets.txtContactsSearch = txtContactsSearch;
    directoryWidgets.txtCdrSearch = txtCdrSearch;
    directoryWidgets.cdrDateFrom = cdrDateFrom;
    directoryWidgets.cdrDateTo = cdrDateTo;
    directoryWidgets.btnAddContact = btnAddContact;
    directoryWidgets.btnSendSMS = btnSendSMS;
    directoryWidgets.lblContactsUpdating = lblContactsUpdating;
    directoryWidgets.stackedContacts = stackedContacts;
    directoryWidgets.pageContacts = pageContacts;
    directoryWidgets.cdrStckWidget = cdrStckWidget;
    directoryWidgets.pageCdrNoResults = pageCdrNoResults;
    directoryWidgets.pageCdr = pageCdr;
    directoryWidgets.cdrFilterButton = cdrFilterButton;
    directory = new DirectoryPanel(settingsStore, directoryWidgets, *ctiLib, Clock::instance(), this);
    callLookup.reset(new DirectoryCallLookup(directory));
    // The call lines ask the directory about numbers: made once it exists.
    CallLines::Widgets callWidgets;
    callWidgets.edtCallerNumber = edtCallerNumber;
    callWidgets.btnStartAudioCall = btnStartAudioCall;
    callWidgets.lineButtons = {btnLine1, btnLine2, btnLine3, btnLine4};
    callWidgets.wdgLines = wdgLines;
    callWidgets.vLineLayout = vLineLayout;
    callWidgets.lineParent = this;
    callWidgets.balloons = balloons;
    callsHost.reset(new CallsHost(this));
    calls = new CallLines(callWidgets, appMode, *settingsStore, *session, *ctiLib, *phones, *callLookup,
                          session->serviceCodes(), *callsHost, this);
    connect(calls, &CallLines::missedCallNotification, this, &MPGui::displayMissedCallNotification);
    connect(calls, &CallLines::closingIncomingLineWidget, this, &MPGui::sigClosingIncomingLineWidget);
    connect(calls, &CallLines::closingActiveLineWidget, this, &MPGui::sigClosingActiveLineWidget);
    connectCallEvents();
    createDirectoryActions();

    createMessaging();
    connect(messaging, &MessagingPanel::servicesShownChanged, this, &MPGui::updateTrayIcon);

    QueuesController::Widgets queueWidgets;
    queueWidgets.window = this;
    queueWidgets.queuesGui = queuesGui;
    queueWidgets.qscrollArea = qscrollArea;
    queueWidgets.lblQueueCount = lblQueueCount;
    queueWidgets.lblFromPeriod = lblFromPeriod;
    queueWidgets.lblToPeriod = lblToPeriod;
    queueWidgets.btnSVP = btnSVP;
    queueWidgets.btnPauseAll = btnPauseAll;
    queueWidgets.lblQueueStatus = lblQueueStatus;
    queueWidgets.lblLedQueueStatus = lblLedQueueStatus;
    queueWidgets.queuesCountFrame = queuesCountFrame;
    queueWidgets.tabContactsWidget = tabContactsWidget;
    queueWidgets.queueTabWidget = queueTabWidget;
    queueWidgets.reportAction = reportAction;
    queueWidgets.pauseAllAction = pauseAllAction;
    queueWidgets.showQCallsCountAction = m_actionsShowQCallsCount;
    // Room for every tab from the start, the queue tab included, which the
    // controller takes out until a queue member logs in: the window keeps
    // its width when the tab comes back.
    tabContactsWidget->tabBar()->ensurePolished();
    adjustWindowToTabbarWidth();
    // The supervisor panel reads the directory's extension records; the
    // directory tells it what changed.
    queues =
        new QueuesController(*ctiLib, *session, settingsStore, *directory->extensionMap(), queueWidgets, icons, this);
    connect(queues, &QueuesController::pauseStateChanged, this, &MPGui::setQueuePauseState);
    connect(directory, &DirectoryPanel::operatorStatusChanged, queues, &QueuesController::onOperatorStatusChanged);
    // Queued: the supervisor panel's tables are laid out again in an event-loop
    // turn of their own, not in the one that swapped the extension list in.
    connect(directory, &DirectoryPanel::extenListRebuilt, queues, &QueuesController::onExtenListRebuilt,
            Qt::QueuedConnection);

    // Call actions, transfers, rapid call and copy-to-call.
    CallControl::Widgets controlWidgets;
    controlWidgets.edtCallerNumber = edtCallerNumber;
    controlWidgets.window = this;
    control = new CallControl(*calls, *events, controlWidgets, appMode, *ctiLib, *session, *phones, *callLookup,
                              *settingsStore, this);
    connect(phones, &PhoneBackends::phoneEngineReady, control, &CallControl::attachEngine);

    createRapidCall();
    // Numbers dropped on the window as text are dialled.
    setAcceptDrops(true);
    completer->setModel(rapid->recentNumbers());
    edtCallerNumber->setCompleter(completer);

    // The session reaches each of them in this order.
    connect(this, &MPGui::sigSessionStarted, messaging, &MessagingPanel::onSessionStarted);
    connect(this, &MPGui::sigSessionStarted, directory, &DirectoryPanel::onSessionStarted);
    connect(this, &MPGui::sigSessionEnded, directory, &DirectoryPanel::onSessionEnded);
    connect(this, &MPGui::sigSessionEnded, messaging, &MessagingPanel::onSessionEnded);
    // Their dialogs close when the session ends and when the program quits.
    for (auto hubSignal : {&MPGui::sigDisconnected, &MPGui::sigAboutToExit}) {
        connect(this, hubSignal, directory, &DirectoryPanel::closeDialogs);
        connect(this, hubSignal, messaging, &MessagingPanel::closeDialogs);
    }
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

    // The mode in force: a mode chosen in the settings but not yet applied
    // (it needs a restart) does not show.
    windowTitleText = MSETTINGS::getLongApplicationName() + QLatin1Char(' ') + appModeDisplayName(appMode);
    setWindowTitle(windowTitleText);
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
        settingsStore->setPlayTonesEnabled(on);
    edtCallerNumber->onActionNumberToneChanged(on);
}
