#include "mpgui.h"

#include "messaging/chatextensiondirectory.h"

#include "app/crashhandler.h"
#include "app/globallogger.h"
#include "calls/calllines.h"
#include "cocoawrapper.h"
#include "ctilib.h"
#include "directory/directorypanel.h"
#include "media/mediamodule.h"
#include "messaging/messagingpanel.h"
#include "queues/queuescontroller.h"
#include "session/pbxsession.h"
#include "settings/msettings.h"
#include "settings/msettingsdialog.h"
#include "settings/msettingsstore.h"
#include "updater/updatescheduler.h"
#include "widgets/afterfirstpaint.h"
#include "widgets/lazyiconengine.h"

#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QDebug>

#include <QMovie>
#include <QTranslator>
#include <QVector>

MPGui::MPGui(const MctiConfig &config, QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags), tabAnimTimer(this)
{
    // Icons decode their pictures when first shown (most never are at start).
    LazyIconEngine::install();

    if (MSETTINGS::getFontSizeIncrement() > 0)
        setProperty("incrsize", MSETTINGS::getFontSizeIncrement());

    // The background picture, read beside the construction.
    background.startLoading();

    windowTitleText = MSETTINGS::getLongApplicationName();
    clipboard = QGuiApplication::clipboard();

    translator = new QTranslator(this);
    completer = new QCompleter(this);

    tabAnimTimer.setObjectName(QStringLiteral("tabAnimTimer"));
    tabAnimTimer.setInterval(750);

    loaderMovie = new QMovie(QStringLiteral(":/images/loader.gif"), QByteArray());

    qRegisterMetaType<QVector<int>>("QVector<int>");
    qRegisterMetaType<SessionRules::SessionStart>();
    qRegisterMetaType<SessionRules::DisconnectReason>();

    connect(this, &MPGui::sigWindowStateChanged, this, &MPGui::onWindowStateChanged);

    initLogger(MSETTINGS::getShortApplicationName(), MSETTINGS::getSettingsDirPath(), nullptr);

    // The record seeds the settings store, which every later reader asks; the
    // dialog is only the form over it.
    settingsStore = new MSettingsStore(config, this);
    settingsDialog = new MSettingsDialog(settingsStore, this, nullptr);
    connect(this, &MPGui::sigAboutToExit, settingsDialog, &MSettingsDialog::reject);
    connect(settingsDialog, &MSettingsDialog::sigCopy2CallToggled, this, &MPGui::onCopy2CallToggled,
            Qt::UniqueConnection);

    // The subsystems that need no form.
    session = new PbxSession(this);
    connect(session, &PbxSession::reconnectDue, this, &MPGui::reconnectToM);
    connect(session, &PbxSession::identitiesDue, this, &MPGui::refreshIdentities);
    connect(session, &PbxSession::periodicDataDue, this, &MPGui::refreshPeriodicData);
    connect(session, &PbxSession::started, this, &MPGui::onSessionStarted);
    connect(session, &PbxSession::ended, this, &MPGui::onSessionEnded);
    connect(session, &PbxSession::firmwareRefused, this, &MPGui::onFirmwareRefused);
    updates = new UpdateScheduler(*session, settingsStore, this);
    connect(updates, &UpdateScheduler::checkUpdatesDue, this, &MPGui::checkUpdates);
    connect(updates, &UpdateScheduler::rebrandingDue, this, &MPGui::refreshRebrandingPack);

    cocoaWrapper mac;
    const bool micGranted = mac.isMicrophoneAccessGranted();
    qDebug() << "On mac the mic access is granted: " << (micGranted ? "true" : "false");
    if (!micGranted)
        mac.requestMicrophoneAccess();
}

void MPGui::initLogger(const QString &name, const QString &dir, WriterConfig *config)
{
    if (logger)
        return;

    static WriterConfig builtIn;
    builtIn.maxFileSize = 100000;
    builtIn.maxFileNum = 2;
    builtIn.writerFlushSecs = 10;
    builtIn.maxMessageNum = 3;

    UniqLogger *ul = UniqLogger::instance(name, 0);
    ul->setEncasingChars(QLatin1Char('['), QLatin1Char(']'));
    ul->setSpacingChar(QLatin1Char(' '));
    ul->setTimeStampFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));

    int status = UniqLogger::DEFAULT_OK;
    logger = ul->createFileLogger(QStringLiteral("MPHONE"), dir + QStringLiteral("mphone.log"),
                                  config ? *config : builtIn, status);
    if (!logger) {
        qCritical() << Q_FUNC_INFO << "Failed to create MPGui logger!!!";
        return;
    }
    logger->setVerbosityAcceptedLevel(UNQL::LOG_DBG);
    // The crash handler writes to the log from the moment the log exists.
    CrashHandler::setLogTarget(logger->fileDescriptor(), logger->moduleName(), MSETTINGS::getLongApplicationName(),
                               MSETTINGS::getApplicationVersion());
    // A media module that cannot be opened says why in the log.
    DesklineMedia::setLogSink([](const QString &line) { logLine(UNQL::LOG_CRITICAL) << line; });
    *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "Starting" << MSETTINGS::getLongApplicationName() << "v."
            << MSETTINGS::getApplicationVersion() << " - Logger initialization." << UNQL::eom;
    logger->flush();
}

void MPGui::start()
{
    initMctiLib();
    if (settingsDialog) {
        onLanguageChangeRequested(settingsStore->getLanguageId());
        settingsDialog->init();
    }
    if (!ctiLib || !settingsDialog)
        return;

    setupGuiLayout();

    directory->setModels(initContactsBookModel(), initExtenModel(), initCdrModel());
    initContactTables(tvContacts, true);
    initExtensionsTables(tvExtensions, true);
    initExtensionsTables(tvFavourites, true);
    initCdrTables(tvCdr, true);
    directory->createCdrFilter();

    show();
    if (!isMaximized() && !isMinimized())
        adjustSize();

    setupUpdates();

    // What the first frame does not show waits until the window is on
    // screen, after its first paint: the chat history store, then the log-in
    // with the TLS library and the PBX's certificate authorities it needs
    // (loaded on a worker while the log-in is prepared).
    GuiUtils::runAfterFirstPaint(this, [this] {
        logLine(UNQL::LOG_INFO) << "void MPGui::start()"
                                << QStringLiteral("Open mphone db connection for username %1 and pbx address %2")
                                       .arg(settingsStore->getMUsername(), settingsStore->getMAddress());
        messaging->openChatDb(MSETTINGS::getSettingsDirPath() + QStringLiteral("/chat.db"),
                              settingsStore->getMUsername(), settingsStore->getMAddress());
        session->startTrustLoading();
        connectToM();
    });
}

void MPGui::onLanguageChangeRequested(int language)
{
    if (!translator)
        return;
    QString file;
    if (language == 1)
        file = QStringLiteral(":/languages/english.qm");
    else if (language == 2)
        file = QStringLiteral(":/languages/spanish.qm");
    else
        return;
    if (translator->load(file)) {
        QCoreApplication::installTranslator(translator);
        if (settingsDialog)
            settingsDialog->retranslateUi();
    }
}

// ---------------------------------------------------------------- views of the subsystems

DlgRedirect *MPGui::redirectDialog() const
{
    return messaging ? messaging->redirectDialog() : nullptr;
}

DlgContactEdit *MPGui::contactEditDialog() const
{
    return directory ? directory->contactEditDialog() : nullptr;
}

int MPGui::listRowHeight() const
{
    return directory ? directory->listRowHeight() : 32;
}

bool MPGui::isSessionUp() const
{
    return session->isUp();
}

int MPGui::currentQueueRole() const
{
    return queues ? queues->currentQueueRole() : SessionRules::QueueRoleNone;
}

quint32 MPGui::currentPbxCapabilities() const
{
    return session->capabilities();
}

QString MPGui::currentTenant() const
{
    return session->tenant();
}

MspMainWidget *MPGui::supervisorPanelWidget() const
{
    return queues ? queues->supervisorPanelWidget() : nullptr;
}
