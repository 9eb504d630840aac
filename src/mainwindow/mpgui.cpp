#include "mpgui.h"

#include "crashhandler.h"
#include "globallogger.h"
#include "msettings.h"
#include "promptservice.h"

#include <QApplication>
#include <QDebug>
#include <QRandomGenerator>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTranslator>
#include <QVector>

#include <cstdlib>

MPGui::MPGui(const MctiConfig &config, QWidget *parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    // The record is handed on to the settings dialog; the window keeps no copy.
    Q_UNUSED(config);

    if (MSETTINGS::getFontSizeIncrement() > 0)
        setProperty("incrsize", MSETTINGS::getFontSizeIncrement());

    std::srand(QRandomGenerator::global()->generate());

    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.addCaCertificates(QStringLiteral(":/cert/Quodra s.r.l. Root CA.crt.pem"), QSsl::Pem,
                          QSslCertificate::PatternSyntax::FixedString);
    ssl.addCaCertificates(QStringLiteral(":/cert/VeloraPBX Intermediate CA.crt.pem"), QSsl::Pem,
                          QSslCertificate::PatternSyntax::FixedString);
    QSslConfiguration::setDefaultConfiguration(ssl);

    windowTitleText = MSETTINGS::getLongApplicationName();
    translator = new QTranslator(this);

    qRegisterMetaType<QVector<int>>("QVector<int>");

    initLogger(MSETTINGS::getShortApplicationName(), MSETTINGS::getSettingsDirPath(), nullptr);
}

MPGui::~MPGui()
{
    if (logger) {
        *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "About to destroy MPGUI object..." << UNQL::eom;
        *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "Now destroying logger and exiting." << UNQL::eom;
        logger->flush();
        CrashHandler::clearLogTarget();
        Logger *old = logger;
        logger = nullptr;
        delete old;
    }
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
    // The settings dialog and the CTI client object are what the rest of the
    // start sequence works on; until they exist the window stays hidden and
    // no connection is requested.
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
    if (translator->load(file))
        QCoreApplication::installTranslator(translator);
}

bool MPGui::confirmQuit()
{
    const QString title = MSETTINGS::getLongApplicationName() + tr(" - Chiusura applicazione");
    QString text = QStringLiteral("<p align='center'>") + tr("Sei sicuro di voler chiudere l'applicazione<br>");
    if (appMode == 2)
        text += windowTitleText.toHtmlEscaped() + tr("?<br>Tutte chiamate in corso verranno interrotte.");
    else
        text += MSETTINGS::getLongApplicationName().toHtmlEscaped() + QStringLiteral("?");
    text += QStringLiteral("</p>");

    PromptService::Message msg;
    msg.kind = PromptService::Kind::Question;
    msg.title = title;
    msg.text = text;
    msg.format = Qt::RichText;
    msg.buttons = QMessageBox::Yes | QMessageBox::No;
    msg.defaultButton = QMessageBox::No;
    return prompts().message(nullptr, msg) != QMessageBox::No;
}

bool MPGui::quitApplication(bool isRestartRequired, bool askToUser)
{
    if (askToUser && !isRestartRequired && !confirmQuit()) {
        if (logger)
            *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "Velora CTI closing canceled." << UNQL::eom;
        return false;
    }

    emit sigAboutToExit();
    hide();
    restartRequested = isRestartRequired;

    if (isRestartRequired) {
        if (logger) {
            *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "Restarting Application required" << UNQL::eom;
            logger->flush();
        }
        QCoreApplication::exit(RestartExitCode);
    } else {
        if (logger) {
            *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "Closing Application ..." << UNQL::eom;
            logger->flush();
        }
        QCoreApplication::quit();
    }
    return true;
}

void MPGui::onUpdatesAvailable(const QString &version)
{
    if (logger)
        *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "New version available:" << version << UNQL::eom;
}

void MPGui::onNoUpdatesFound()
{
    if (logger)
        *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "No updates found" << UNQL::eom;
}

void MPGui::onUpdatesCanceled()
{
    if (logger)
        *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "Updates canceled" << UNQL::eom;
}

void MPGui::onUpdatesError(const QString &error)
{
    if (logger)
        *logger << UNQL::LOG_WARNING << Q_FUNC_INFO << "Updates error:" << error << UNQL::eom;
}
