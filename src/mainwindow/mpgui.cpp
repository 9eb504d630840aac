#include "mpgui.h"

#include "cdrfilterproxymodel.h"
#include "cocoawrapper.h"
#include "contactfilterproxymodel.h"
#include "crashhandler.h"
#include "ctilib.h"
#include "customshortcut.h"
#include "dlgcontactedit.h"
#include "dlgredirect.h"
#include "extenfavouritefilterproxymodel.h"
#include "extenfilterproxymodel.h"
#include "globallogger.h"
#include "lazyiconengine.h"
#include "mpchatsqlite.h"
#include "msettings.h"
#include "msettingsdialog.h"
#include "promptservice.h"
#include "wdgcdrfilter.h"

#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QDebug>
#include <QMovie>
#include <QRandomGenerator>
#include <QStandardItemModel>
#include <QTimer>
#include <QTranslator>
#include <QVector>

#include <cstdlib>

MPGui::MPGui(const MctiConfig &config, QWidget *parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    // Icons decode their pictures when first shown (most never are at start).
    LazyIconEngine::install();

    if (MSETTINGS::getFontSizeIncrement() > 0)
        setProperty("incrsize", MSETTINGS::getFontSizeIncrement());

    std::srand(QRandomGenerator::global()->generate());

    // The PBX's certificate authorities, loaded beside the construction.
    pbxTrust.startLoading();
    startBackgroundImageLoading();

    windowTitleText = MSETTINGS::getLongApplicationName();
    clipboard = QGuiApplication::clipboard();

    translator = new QTranslator(this);
    completer = new QCompleter(this);

    periodicDataTimer = new QTimer();
    identitiesTimer = new QTimer();
    contactsRefreshTimer = new QTimer();
    rebrandingTimer = new QTimer();
    rebrandingTimer->setSingleShot(true);
    reconnectTimer = new QTimer();
    reconnectTimer->setSingleShot(true);
    contactSearchTimer = new QTimer();
    extenSearchTimer = new QTimer();
    cdrSearchTimer = new QTimer();
    cdrDateTimer = new QTimer();
    cdrDateTimer->setSingleShot(true);
    updateCheckTimer = new QTimer();
    updateCheckTimer->setSingleShot(true);
    tabAnimTimer = new QTimer();
    tabAnimTimer->setInterval(750);
    clipboardInactivityTimer = new QTimer();
    clipboardInactivityTimer->setSingleShot(true);
    clipboardInactivityTimer->setInterval(1500);

    loaderMovie = new QMovie(QStringLiteral(":/images/loader.gif"), QByteArray());

    qRegisterMetaType<QVector<int>>("QVector<int>");

    connect(this, SIGNAL(sigWindowStateChanged(Qt::WindowStates)), this, SLOT(onWindowStateChanged(Qt::WindowStates)));

    initLogger(MSETTINGS::getShortApplicationName(), MSETTINGS::getSettingsDirPath(), nullptr);

    // The record goes to the settings dialog; every later reader asks it.
    settingsDialog = new MSettingsDialog(config, this, nullptr);
    connect(this, SIGNAL(sigAboutToExit()), settingsDialog, SLOT(reject()));
    connect(settingsDialog, SIGNAL(sigCopy2CallToggled(bool)), this, SLOT(onCopy2CallToggled(bool)),
            Qt::UniqueConnection);

    cocoaWrapper mac;
    const bool micGranted = mac.isMicrophoneAccessGranted();
    qDebug() << "On mac the mic access is granted: " << (micGranted ? "true" : "false");
    if (!micGranted)
        mac.requestMicrophoneAccess();
}

QList<QPair<QString, QTimer *>> MPGui::ownedTimers() const
{
    return {{QStringLiteral("periodicDataTimer"), periodicDataTimer},
            {QStringLiteral("identitiesTimer"), identitiesTimer},
            {QStringLiteral("contactsRefreshTimer"), contactsRefreshTimer},
            {QStringLiteral("rebrandingTimer"), rebrandingTimer},
            {QStringLiteral("reconnectTimer"), reconnectTimer},
            {QStringLiteral("contactSearchTimer"), contactSearchTimer},
            {QStringLiteral("extenSearchTimer"), extenSearchTimer},
            {QStringLiteral("cdrSearchTimer"), cdrSearchTimer},
            {QStringLiteral("cdrDateTimer"), cdrDateTimer},
            {QStringLiteral("updateCheckTimer"), updateCheckTimer},
            {QStringLiteral("tabAnimTimer"), tabAnimTimer},
            {QStringLiteral("clipboardInactivityTimer"), clipboardInactivityTimer}};
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
    *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "Starting" << MSETTINGS::getLongApplicationName() << "v."
            << MSETTINGS::getApplicationVersion() << " - Logger initialization." << UNQL::eom;
    logger->flush();
    CrashHandler::setLogTarget(logger->fileDescriptor(), logger->moduleName(), MSETTINGS::getLongApplicationName(),
                               MSETTINGS::getApplicationVersion());
}

void MPGui::start()
{
    initMctiLib();
    if (settingsDialog) {
        onLanguageChangeRequested(settingsDialog->getLanguageId());
        settingsDialog->init();
    }
    if (!ctiLib || !settingsDialog)
        return;

    setupGuiLayout();

    contactsModel = initContactsBookModel();
    extenModel = initExtenModel();
    cdrModel = initCdrModel();

    contactsProxy = new ContactFilterProxyModel();
    contactsProxy->setSourceModel(contactsModel);
    contactsProxy->setFilterRegExp(QRegExp(txtContactsSearch->text(), Qt::CaseInsensitive, QRegExp::RegExp));
    tvContacts->setModel(contactsProxy);
    initContactTables(tvContacts, true);

    extenProxy = new ExtenFilterProxyModel();
    extenProxy->setSourceModel(extenModel);
    extenProxy->setFilterRegExp(QRegExp(txtExtSearch->text(), Qt::CaseInsensitive, QRegExp::RegExp));
    tvExtensions->setModel(extenProxy);
    initExtensionsTables(tvExtensions, true);

    favouritesProxy = new ExtenFavouriteFilterProxyModel();
    favouritesProxy->setSourceModel(extenModel);
    favouritesProxy->setFilterFixedString(QStringLiteral("F"));
    tvFavourites->setModel(favouritesProxy);
    initExtensionsTables(tvFavourites, true);

    cdrProxy = new CdrFilterProxyModel();
    cdrProxy->setSourceModel(cdrModel);
    cdrProxy->setFilterDateRange(cdrDateFrom->date(), cdrDateTo->date());
    cdrProxy->setFilterRegExp(QRegExp(txtCdrSearch->text(), Qt::CaseInsensitive, QRegExp::RegExp));
    tvCdr->setModel(cdrProxy);
    initCdrTables(tvCdr, true);

    cdrFilter = new wdgCdrFilter(settingsDialog, nullptr);
    connect(cdrFilter, SIGNAL(sigCdrFilterChanged(MctiConfig::MCdrFilterFlags)), this,
            SLOT(onCdrFilterChanged(MctiConfig::MCdrFilterFlags)));
    connect(cdrFilter, SIGNAL(sigCdrFilterClosed()), this, SLOT(onCdrFilterClosed()));

    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO
                            << QStringLiteral("Open mphone db connection for username %1 and pbx address %2")
                                   .arg(settingsDialog->getMUsername(), settingsDialog->getMAddress());
    chatDb = new MPChatSqlite(MSETTINGS::getSettingsDirPath() + QStringLiteral("/chat.db"),
                              settingsDialog->getMUsername(), settingsDialog->getMAddress());

    show();
    if (!isMaximized() && !isMinimized())
        adjustSize();

    setupUpdates();

    // The log-in starts once the window is on screen.
    QTimer::singleShot(0, this, SLOT(connectToM()));
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

void MPGui::onUpdatesAvailable(const QString &version)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "New version available:" << version;
}

void MPGui::onNoUpdatesFound()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "No updates found";
}

void MPGui::onUpdatesCanceled()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Updates canceled";
}

void MPGui::onUpdatesError(const QString &error)
{
    logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Updates error:" << error;
}
