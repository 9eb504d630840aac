#include "msettingsdialog.h"
#include "ui_msettingsdialog.h"

#include "globallogger.h"
#include "msettingsrules.h"
#include "promptservice.h"
#include "simpleobfuscator.h"
#include "systemshortcut.h"
#include "wdgaccountitem.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLayout>
#include <QListWidgetItem>
#include <QPushButton>
#include <QRegExp>
#include <QRegExpValidator>
#include <QSaveFile>
#include <QSettings>
#include <QSplitter>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTreeView>
#include <QValidator>

#include <algorithm>
#include <climits>

namespace
{

const char *const kGroupCti = "CTI";
const char *const kGroupDebug = "DEBUG";
const char *const kGroupFavourites = "FAVOURITES";
const char *const kGroupActions = "ACTIONS";
const char *const kGroupGui = "GUI";
const char *const kGroupReport = "CCReport";
const char *const kAnsweredThresholds = "AnsweredCallsTimeThreshold";
const char *const kLostThresholds = "LostCallsTimeThreshold";

constexpr int kThresholdNotSet = 99999999;
constexpr int kThresholdCount = 5;

// What the form offers (the widgets' ranges and item counts).
constexpr int kAppModeCount = 3;
constexpr int kLanguageCount = 3;
constexpr int kMinUpdateMinutes = 10;
constexpr int kMaxUpdateMinutes = 1440;
constexpr int kDefaultUpdateMinutes = 60;
constexpr int kMaxCdrViewDays = 30;
const char *const kRapidCallModifiers[] = {"CTRL", "ALT", "SHIFT"};

// Position of a rapid-call modifier among the form's choices, 0 when unknown.
int rapidCallModifierIndex(const QString &modifier)
{
    for (int i = 0; i < int(sizeof kRapidCallModifiers / sizeof *kRapidCallModifiers); ++i) {
        if (modifier == QLatin1String(kRapidCallModifiers[i]))
            return i;
    }
    return 0;
}

constexpr int kRoleActionValue = 1001; // event or action type of a row
constexpr int kRoleActionKey = 1102;   // key of the row's action in the map

// First-start geometry of the main window.
constexpr int kDefaultX = 200;
constexpr int kDefaultY = 100;
constexpr int kDefaultWidth = 508;
constexpr int kDefaultHeight = 604;

const char *const kCopy2CallToolTip = QT_TRANSLATE_NOOP(
    "MSettingsDialog",
    "Se abilitato è possibile richiedere l'avvio di una chiamata\nsemplicemente selezionando la stringa "
    "contenente il numero\ne copiandola nella clipboard.\nUna volta copiata la stringa l'applicazione "
    "provvede in automatico\na rimuovere spazi e altri caratteri speciali\ne chiede all'utente conferma "
    "prima di avviare la chiamata.");

const char *const kPlaceHolderTokens[] = {"<callernum>", "<callername>", "<callercompany>", "<callerunit>",
                                          "<extenNum>",  "<queueName>",  "<uid>",           "<callednum>"};

QSettings::Format iniFormat()
{
    return QSettings::IniFormat;
}

} // namespace

MSettingsDialog::MSettingsDialog(const MctiConfig &startConfig, QWidget *shortcutWidget, QWidget *parent)
    : QDialog(parent), config(startConfig), reportPeriod(CTILIB::PeriodToday)
{
    if (MSETTINGS::getFontSizeIncrement() > 0)
        setProperty("incrsize", MSETTINGS::getFontSizeIncrement());

    // Title bar only: no close, minimise or maximise buttons. Set before the
    // form is built: changing the flags re-parents the window, which would
    // re-apply the style sheet to every widget of the form.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    // The form itself is built when first needed (buildForm()): at start-up
    // only the values are read, and building the pages was the largest part
    // of the main window's start. The certificate chooser (a QFileDialog,
    // costly to build and never shown itself) is made on the first request.

    presetAppMode = (config.startupMode >= 0 && config.startupMode < kAppModeCount) ? config.startupMode : -1;
    supervisorMode = false;
    visuallyImpaired = false;
    systemShortcutsEnabled = false;

    actionModel = new QStandardItemModel(this);
    initActionModel(actionModel);

    // Baseline values: what the form shows before any setting is read.
    selectedAppMode.inForce = 0;
    ignoreSsl.inForce = false;
    startMinimized.inForce = false;
    outlookImport.inForce = false;
    checkUpdatesAtStartup.inForce = true;
    checkUpdatesTimeoutMins.inForce = kDefaultUpdateMinutes;
    maxCdrViewDays.inForce = kMaxCdrViewDays;
    copyToCall.inForce = false;
    actionsToExten.inForce = false;
    outboundActions.inForce = false;
    actionsOnC2c.inForce = false;
    pauseOnQueueAnswer.inForce = false;
    useLocalSipRegistrar = false;
    pauseOnLogoff.inForce = false;
    popupCall.inForce = true;
    rapidCallMods.inForce = QStringLiteral("CTRL");
    rapidCallKey.inForce = QStringLiteral("1");
    restoreOptionPairs();

    config.sipTos.set(0);
    config.audioTos.set(0);

    clientApiServerLocalPort = 5039;
    answeredCallsThresholds.clear();
    lostCallsThresholds.clear();
    for (int i = 0; i < kThresholdCount; ++i) {
        answeredCallsThresholds.append(kThresholdNotSet);
        lostCallsThresholds.append(kThresholdNotSet);
    }
    savedX = kDefaultX;
    savedY = kDefaultY;
    savedWidth = kDefaultWidth;
    savedHeight = kDefaultHeight;
    slimMode = 0;
    funcButtons = 1;
    keypad = 1;
    qcallsCount = 0;
    volumes = 1;

    rapidCallShortcut = new SystemShortcut(shortcutWidget, this);
    rapidCallShortcut->logger = logger;
    connect(rapidCallShortcut, &SystemShortcut::triggered, this, &MSettingsDialog::sigRapidCallRequested);

    {
        QSettings settings(MSETTINGS::getSettingsConfigFile(), iniFormat());
        settings.beginGroup(kGroupCti);
        const struct {
            const char *key;
            bool given;
            QVariant value;
        } startupValues[] = {
            {"Maddress", config.pbxAddress.given, config.pbxAddress.value},
            {"user", config.username.given, config.username.value},
            {"password", config.password.given, config.password.value},
            {"AppMode", config.appMode.given, config.appMode.value},
            {"SIPProxyAddress", config.sipProxyAddress.given, config.sipProxyAddress.value},
            {"SIPRegistrarAddress", config.sipRegistrarAddress.given, config.sipRegistrarAddress.value},
            {"account", config.account.given, config.account.value},
        };
        bool written = false;
        for (const auto &entry : startupValues) {
            if (entry.given) {
                settings.setValue(QLatin1String(entry.key), entry.value);
                written = true;
            }
        }
        settings.endGroup();
        if (written)
            finishWrite(settings);
    }

    int language = 0;
    const QString file = MSETTINGS::getSettingsConfigFile();
    if (QFile::exists(file)) {
        QSettings settings(file, iniFormat());
        settings.beginGroup(kGroupCti);
        language = MSettingsRules::intInRange(settings.value(QStringLiteral("Language"), 0), 0, kLanguageCount - 1, 0);
        settings.endGroup();
    }
    config.language.set(language);
}

Ui::MSettingsDialog *MSettingsDialog::form()
{
    if (!ui)
        buildForm();
    return ui;
}

void MSettingsDialog::ensureFormBuilt()
{
    form();
}

void MSettingsDialog::setVisible(bool visible)
{
    if (visible)
        form();
    QDialog::setVisible(visible);
}

// Builds the pages and shows in them every value the dialog holds, as if the
// form had been there from the start.
void MSettingsDialog::buildForm()
{
    ui = new Ui::MSettingsDialog;
    ui->setupUi(this);

    ui->cbRapidCallModifier->setCurrentIndex(0);
    ui->leRapidCallKey->setText(QStringLiteral("1"));
    ui->pbSaveAction->hide();

    ui->tbEventsAction->setModel(actionModel);
    ui->tbEventsAction->setEditTriggers(QAbstractItemView::NoEditTriggers);

    ui->chkIgnoreSsl->hide();
    ui->chkIgnoreSsl->setCheckable(false);
    ui->chkIgnoreSsl->setChecked(false);
    ui->cbOutlookImport->hide();
    ui->cbOutlookImport->setChecked(false);
    if (systemShortcutsEnabled) {
        ui->chkCopy2CallEnabled->hide();
        ui->chkCopy2CallEnabled->setChecked(false);
    } else {
        ui->grpShortcuts->hide();
    }

    const QRegExp addressRx(hostAddressPattern(), Qt::CaseSensitive);
    pbxAddressValidator = new QRegExpValidator(addressRx, this);
    sipAddressValidator = new QRegExpValidator(addressRx, this);
    sipProxyValidator = new QRegExpValidator(addressRx, this);
    ui->txtMAddress->setValidator(pbxAddressValidator);
    ui->txtSipAddress->setValidator(sipAddressValidator);
    ui->txtSipProxyAddress->setValidator(sipProxyValidator);

    ui->lblSipProxyAddress->hide();
    ui->txtSipProxyAddress->hide();

    ui->tabMctiSettings->removeTab(ui->tabMctiSettings->indexOf(ui->tabAccounts));
    ui->tabAccounts->hide();

    ui->cbSipProto->addItem(QStringLiteral("UDP"));
    ui->cbSipProto->addItem(QStringLiteral("TLS"));

    connect(ui->chkShowPass, &QCheckBox::clicked, this, &MSettingsDialog::showPassChars);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &MSettingsDialog::onChangeSettings);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &MSettingsDialog::onCancelRequested);
    connect(ui->pbPlaceHolder, &QPushButton::clicked, this, &MSettingsDialog::addPlaceHolder);
    connect(ui->tbEventsAction, &QAbstractItemView::clicked, this, &MSettingsDialog::onNewActionSelected);
    connect(ui->pbEditAction, &QPushButton::clicked, this, &MSettingsDialog::onActionEditRequest);
    connect(ui->pbDeleteAction, &QPushButton::clicked, this, &MSettingsDialog::onActionDeleteRequest);
    connect(ui->pbAddAction, &QPushButton::clicked, this, &MSettingsDialog::onActionAddRequest);
    connect(ui->pbSaveAction, &QPushButton::clicked, this, &MSettingsDialog::onUpdateActionRequest);
    connect(ui->txtPwd, &QLineEdit::textChanged, this, &MSettingsDialog::enableShowPassCheckbox);
    connect(ui->chkCheckUpdatesAtTimer, &QCheckBox::toggled, ui->spinCheckUpdatesMinutes, &QWidget::setEnabled);
    connect(ui->btnLoadCertificate, &QPushButton::clicked, this, &MSettingsDialog::onCertificateLoadRequest);

    // The texts the form's own translation does not set.
    retranslateUi();

    // The values held so far, in the order the program sets them: mode and
    // values in force at log-in, then what the phone and the PBX report.
    if (appMode >= 0)
        applyAppModeToForm();
    restoreParameters();
    ui->chkPauseOnLogoff->setEnabled(pauseSettingsEnabled);
    ui->chkPauseOnQueueAnswer->setEnabled(pauseSettingsEnabled);
    if (codecsKnown)
        ui->txtCodec->setText(codecsText(shownCodecs));
    if (audioDevicesKnown)
        showAudioDevices();
    showAccountList();
}

MSettingsDialog::~MSettingsDialog()
{
    delete rapidCallShortcut;
    rapidCallShortcut = nullptr;
    delete ui;
}

// ---------------------------------------------------------------------------
// Construction and pages

QString MSettingsDialog::hostAddressPattern()
{
    return QStringLiteral("^((?:(?:[0-9]|[1-9][0-9]|1[0-9]{2}|2[0-4][0-9]|25[0-5])\\.){3}"
                          "(?:[0-9]|[1-9][0-9]|1[0-9]{2}|2[0-4][0-9]|25[0-5])"
                          "|(?:(?:[a-zA-Z]|[a-zA-Z][a-zA-Z0-9\\-]*[a-zA-Z0-9])\\.)+"
                          "(?:[A-Za-z]|[A-Za-z][A-Za-z0-9\\-]*[A-Za-z0-9]))(:\\d+)?$");
}

bool MSettingsDialog::isCapitalLetter(const QString &text)
{
    if (text.size() != 1)
        return false;
    static const QRegExp capital(QStringLiteral("^[A-Z]$"), Qt::CaseSensitive);
    return capital.exactMatch(text);
}

void MSettingsDialog::retranslateUi()
{
    if (!ui)
        return; // a form built later is built in the language in force
    ui->retranslateUi(this);
    ui->lblVers->setText(tr("%1 vers. %2").arg(MSETTINGS::getApplicationName(), MSETTINGS::getApplicationVersion()));
    ui->buttonBox->button(QDialogButtonBox::Ok)->setText(tr("Salva"));
    ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(tr("Annulla"));
    ui->chkCopy2CallEnabled->setToolTip(tr(kCopy2CallToolTip));
}

int MSettingsDialog::openDialog()
{
    form()->tabMctiSettings->setCurrentIndex(0);
    return exec();
}

void MSettingsDialog::chooseAccount()
{
    form()->tabMctiSettings->setCurrentIndex(1);
    exec();
}

void MSettingsDialog::showEvent(QShowEvent *event)
{
    // Never open narrower than the pages need (larger fonts widen them).
    // Measured here rather than when built: measuring polishes every widget
    // of the form, which a dialog that is never opened need not pay for.
    resize(size().expandedTo(minimumSizeHint()));
    QDialog::showEvent(event);
}

int MSettingsDialog::exec()
{
    form()->chkShowPass->setChecked(false);
    form()->chkShowPass->setEnabled(false);
    const QString account = config.account.value;
    setSelectedAccount(account);
    return QDialog::exec();
}

void MSettingsDialog::addPlaceHolder()
{
    const int index = form()->cbPlaceHolder->currentIndex();
    if (index < 0 || index >= int(sizeof(kPlaceHolderTokens) / sizeof(kPlaceHolderTokens[0])))
        return;
    form()->txtAction->insert(QString::fromLatin1(kPlaceHolderTokens[index]));
}

// ---------------------------------------------------------------------------
// Settings file

MctiConfig::MCdrFilterFlags MSettingsDialog::convert_cdr_value_into_flags(const unsigned &value)
{
    return MctiConfig::MCdrFilterFlags(int(value & 1023u));
}

int MSettingsDialog::updatePeriodFromWidgets()
{
    return form()->chkCheckUpdatesAtTimer->isChecked() ? form()->spinCheckUpdatesMinutes->value() : -1;
}

void MSettingsDialog::restoreOptionPairs()
{
    selectedAppMode.restore();
    actionsToExten.restore();
    outboundActions.restore();
    actionsOnC2c.restore();
    copyToCall.restore();
    startMinimized.restore();
    popupCall.restore();
    outlookImport.restore();
    checkUpdatesAtStartup.restore();
    checkUpdatesTimeoutMins.restore();
    maxCdrViewDays.restore();
    rapidCallMods.restore();
    rapidCallKey.restore();
    pauseOnLogoff.restore();
    pauseOnQueueAnswer.restore();
    sipProxyAddress.restore();
    ignoreSsl.restore();
}

void MSettingsDialog::commitOptionPairs()
{
    selectedAppMode.commit();
    actionsToExten.commit();
    outboundActions.commit();
    actionsOnC2c.commit();
    copyToCall.commit();
    startMinimized.commit();
    popupCall.commit();
    outlookImport.commit();
    checkUpdatesAtStartup.commit();
    checkUpdatesTimeoutMins.commit();
    maxCdrViewDays.commit();
    rapidCallMods.commit();
    rapidCallKey.commit();
    pauseOnLogoff.commit();
    pauseOnQueueAnswer.commit();
    sipProxyAddress.commit();
    ignoreSsl.commit();
}

void MSettingsDialog::selectExactText(QComboBox *box, const QString &text)
{
    box->setCurrentIndex(-1);
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i) == text) {
            box->setCurrentIndex(i);
            return;
        }
    }
}

void MSettingsDialog::finishWrite(QSettings &settings)
{
    if (MSettingsRules::commitPrivate(settings)) {
        saveFailureReported = false;
        return;
    }
    ::logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to write the settings file" << settings.fileName() << "status"
                                << int(settings.status());
    if (saveFailureReported)
        return;
    saveFailureReported = true;
    prompts().warning(this, MSETTINGS::getLongApplicationName(),
                      tr("Non è stato possibile salvare le impostazioni nel file:\n%1")
                          .arg(QDir::toNativeSeparators(settings.fileName())));
}

void MSettingsDialog::init()
{
    restoreParameters();

    const QString file = MSETTINGS::getSettingsConfigFile();
    if (!QFile::exists(file)) {
        firstRun = true;
        const QString appName = MSETTINGS::getLongApplicationName();
        prompts().information(this, appName,
                              tr("Sembra che sia la prima volta che si esegue %1.\nPrego inserire i dati di "
                                 "connessione a %2.")
                                  .arg(appName, QStringLiteral("PBX")));
        exec();
    } else {
        QSettings settings(file, iniFormat());
        legacyMigrated = false;
        readCtiGroup(settings);

        settings.beginGroup(kGroupDebug);
        dumpCtilibMessages = settings.value(QStringLiteral("dumpCtilibMessages"), false).toBool();
        settings.endGroup();

        // Entries are read by the subgroups that exist, in numeric order, so a
        // gap in the numbering loses nothing; empty entries are dropped.
        settings.beginGroup(kGroupFavourites);
        for (const QString &group : MSettingsRules::numberedSubgroups(settings)) {
            settings.beginGroup(group);
            const QString contact = settings.value(QStringLiteral("contact")).toString();
            settings.endGroup();
            if (!contact.isEmpty())
                favourites.append(contact);
        }
        settings.endGroup();

        settings.beginGroup(kGroupActions);
        for (const QString &group : MSettingsRules::numberedSubgroups(settings)) {
            settings.beginGroup(group);
            MctiAction action;
            action.event = MSettingsRules::intInRange(settings.value(QStringLiteral("event"), 0), 0, 2, -1);
            action.actionType = MSettingsRules::intInRange(settings.value(QStringLiteral("actionType"), 0), 0, 1, -1);
            action.actionText = settings.value(QStringLiteral("actionText")).toString();
            settings.endGroup();
            if (action.actionText.isEmpty() || action.event < 0 || action.actionType < 0)
                continue;
            MctiActions::insert(actions, action);
        }
        settings.endGroup();

        readGuiGroup(settings);

        const struct {
            const char *array;
            QList<int> *list;
        } thresholdArrays[] = {{kAnsweredThresholds, &answeredCallsThresholds},
                               {kLostThresholds, &lostCallsThresholds}};
        for (const auto &entry : thresholdArrays) {
            entry.list->clear();
            settings.beginReadArray(QLatin1String(entry.array));
            for (int i = 0; i < kThresholdCount; ++i) {
                settings.setArrayIndex(i);
                entry.list->append(MSettingsRules::intInRange(
                    settings.value(QStringLiteral("threshold"), kThresholdNotSet), INT_MIN, INT_MAX, kThresholdNotSet));
            }
            settings.endArray();
        }

        settings.beginGroup(kGroupReport);
        reportPeriod = CTILIB::periodTypeFromString(
            settings.value(QStringLiteral("period"), CTILIB::periodTypeToString(CTILIB::PeriodType(1))).toString());
        reportFileName = settings.value(QStringLiteral("outputFileName")).toString();
        settings.endGroup();

        // The legacy registrar migration writes to the file while reading it.
        if (legacyMigrated)
            finishWrite(settings);
    }

    restoreParameters();
    if (ui) {
        ui->buttonBox->button(QDialogButtonBox::Ok)->setText(tr("Salva"));
        ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(tr("Annulla"));
        ui->chkCopy2CallEnabled->setToolTip(tr(kCopy2CallToolTip));
    }

    emit sigCopy2CallToggled(copyToCall.inForce); // what the check box shows
}

void MSettingsDialog::readCtiGroup(QSettings &s)
{
    using namespace MSettingsRules;
    s.beginGroup(kGroupCti);

    config.pbxAddress.set(s.value(QStringLiteral("Maddress")).toString());
    config.username.set(s.value(QStringLiteral("user")).toString());
    config.password.set(SimpleObfuscator::reveal(s.value(QStringLiteral("password")).toString()));
    config.account.set(s.value(QStringLiteral("account")).toString());
    selectedAppMode.inForce =
        intInRange(s.value(QStringLiteral("AppMode"), selectedAppMode.inForce), 0, kAppModeCount - 1, 0);

    if (!s.contains(QStringLiteral("SIPRegistrarAddress")) && s.contains(QStringLiteral("SIPaddress"))) {
        const QString legacy = s.value(QStringLiteral("SIPaddress")).toString();
        s.remove(QStringLiteral("SIPaddress"));
        if (!legacy.isEmpty())
            s.setValue(QStringLiteral("SIPRegistrarAddress"), legacy);
        legacyMigrated = true;
    }
    config.sipProtocol.set(s.value(QStringLiteral("SIPProtocol"), QStringLiteral("UDP")).toString());
    const QString registrar = s.value(QStringLiteral("SIPRegistrarAddress")).toString();
    config.sipRegistrarAddress.set(registrar.isEmpty() ? config.pbxAddress.value : registrar);
    sipProxyAddress.inForce = s.value(QStringLiteral("SIPProxyAddress")).toString();
    sipRegisterExpiration = positiveInt(s.value(QStringLiteral("SIPRegisterExpiration"), 300), 300);

    config.spkDevice.set(s.value(QStringLiteral("spkdevice")).toString());
    config.ringDevice.set(s.value(QStringLiteral("ringdevice")).toString());
    config.micDevice.set(s.value(QStringLiteral("micdevice")).toString());
    config.micVol.set(intInRange(s.value(QStringLiteral("micVol"), 100), 0, 100, 100));
    config.spkVol.set(intInRange(s.value(QStringLiteral("spkVol"), 100), 0, 100, 100));
    config.sipTos.set(quint8(maskedUnsigned(s.value(QStringLiteral("SipTos"), 0), 0xFF, 0)));
    config.audioTos.set(quint8(maskedUnsigned(s.value(QStringLiteral("AudioTos"), 0), 0xFF, 0)));
    config.cdrFilter =
        convert_cdr_value_into_flags(maskedUnsigned(s.value(QStringLiteral("cdrFilterValue"), 1023), 1023, 1023));
    config.minJitterBufferMillis =
        quint16(maskedUnsigned(s.value(QStringLiteral("MinJitterBufferMillis"), 0), 0xFFFF, 0));
    config.maxJitterBufferMillis =
        quint16(maskedUnsigned(s.value(QStringLiteral("MaxJitterBufferMillis"), 0), 0xFFFF, 0));
    config.secondsWithoutMediaBeforeHangup =
        quint8(maskedUnsigned(s.value(QStringLiteral("SecondsWithoutMediaBeforeHangup"), 0), 0xFF, 0));

    startMinimized.inForce = s.value(QStringLiteral("startMinimized"), startMinimized.inForce).toBool();
    outlookImport.inForce = s.value(QStringLiteral("importOutlookContacts"), outlookImport.inForce).toBool();
    actionsToExten.inForce = s.value(QStringLiteral("actionsToExten"), actionsToExten.inForce).toBool();
    outboundActions.inForce = s.value(QStringLiteral("outboundActions"), outboundActions.inForce).toBool();
    actionsOnC2c.inForce = s.value(QStringLiteral("actionsOnC2c"), actionsOnC2c.inForce).toBool();
    copyToCall.inForce = s.value(QStringLiteral("CopyToCall"), copyToCall.inForce).toBool();
    popupCall.inForce = s.value(QStringLiteral("PopupCall"), popupCall.inForce).toBool();
    checkUpdatesAtStartup.inForce =
        s.value(QStringLiteral("checkUpdatesAtStartup"), checkUpdatesAtStartup.inForce).toBool();
    checkUpdatesTimeoutMins.inForce =
        updatePeriod(s.value(QStringLiteral("checkUpdatesTimeoutMins"),
                             checkUpdatesTimeoutMins.inForce > 0 ? checkUpdatesTimeoutMins.inForce : -1),
                     kMinUpdateMinutes, kMaxUpdateMinutes);
    maxCdrViewDays.inForce = clampedInt(s.value(QStringLiteral("maxCdrViewDays"), maxCdrViewDays.inForce), 1,
                                        kMaxCdrViewDays, maxCdrViewDays.inForce);
    config.language.set(
        intInRange(s.value(QStringLiteral("Language"), config.language.value), 0, kLanguageCount - 1, 0));
    pauseOnLogoff.inForce = s.value(QStringLiteral("PauseOnLogoff"), pauseOnLogoff.inForce).toBool();
    pauseOnQueueAnswer.inForce = s.value(QStringLiteral("PauseOnIncomingCall"), pauseOnQueueAnswer.inForce).toBool();
    rapidCallMods.inForce =
        s.value(QStringLiteral("rapidCallMods"), QString::number(rapidCallModifierIndex(rapidCallMods.inForce)))
            .toString();
    rapidCallKey.inForce = s.value(QStringLiteral("rapidCallKey"), rapidCallKey.inForce).toString();
    useLocalSipRegistrar = s.value(QStringLiteral("useLocalSipRegistrar"), useLocalSipRegistrar).toBool();

    config.queueNames = s.value(QStringLiteral("queueNames")).toString();
    config.contactsRefreshTimeoutSecs =
        quint16(maskedUnsigned(s.value(QStringLiteral("contactsRefreshTimeoutSecs"), 600), 0xFFFF, 600));
    config.cdrRefreshTimeoutSecs =
        quint16(maskedUnsigned(s.value(QStringLiteral("cdrRefreshTimeoutSecs"), 90), 0xFFFF, 90));
    config.codecOrderRefreshTimeoutSecs =
        quint16(maskedUnsigned(s.value(QStringLiteral("codecOrderRefreshTimeoutSecs"), 30), 0xFFFF, 30));
    config.identitiesRefreshTimeoutSecs =
        quint16(maskedUnsigned(s.value(QStringLiteral("identitiesRefreshTimeoutSecs"), 300), 0xFFFF, 300));
    config.queueStatsRefreshTimeoutSecs =
        quint16(maskedUnsigned(s.value(QStringLiteral("queueStatsRefreshTimeoutSecs"), 300), 0xFFFF, 300));
    config.excludedOutlookFolders = semicolonList(s.value(QStringLiteral("excludedOutlookFolders")).toString());
    config.chatKeepAliveSendIntervalSecs =
        intInRange(s.value(QStringLiteral("chatKeepAliveSendIntervalSecs"), 120), INT_MIN, INT_MAX, 120);
    config.echoCanceller = switchDefaultOn(s.value(QStringLiteral("echoCanceller")));
    config.echoCancellerLmsFilter = switchDefaultOff(s.value(QStringLiteral("echoCancellerLmsFilter")));
    config.echoSuppressor = switchDefaultOn(s.value(QStringLiteral("echoSuppressor")));

    bool ok = false;
    double real = s.value(QStringLiteral("suppressorLowerThreshold"), 10.0).toDouble(&ok);
    config.suppressorLowerThreshold = ok ? real : 10.0;
    real = s.value(QStringLiteral("suppressorUpperThreshold"), 40.0).toDouble(&ok);
    config.suppressorUpperThreshold = ok ? real : 40.0;
    config.suppressorDivider = intInRange(s.value(QStringLiteral("suppressorDivider"), 15), INT_MIN, INT_MAX, 15);
    config.suppressorConvergenceMillis =
        intInRange(s.value(QStringLiteral("suppressorConvergenceMillis"), 4000), INT_MIN, INT_MAX, 4000);

    s.endGroup();
}

void MSettingsDialog::readGuiGroup(QSettings &s)
{
    using namespace MSettingsRules;
    s.beginGroup(kGroupGui);

    // A file without a usable geometry keeps the first-start geometry, so the
    // main window never opens at 0,0 with no size.
    bool geometryOk = true;
    int geometry[4] = {0, 0, 0, 0};
    const char *const geometryKeys[4] = {"x", "y", "width", "height"};
    for (int i = 0; i < 4; ++i) {
        const QVariant v = s.value(QLatin1String(geometryKeys[i]));
        bool ok = false;
        geometry[i] = v.toInt(&ok);
        geometryOk = geometryOk && v.isValid() && ok;
    }
    if (geometryOk && geometry[2] > 0 && geometry[3] > 0) {
        savedX = geometry[0];
        savedY = geometry[1];
        savedWidth = geometry[2];
        savedHeight = geometry[3];
    } else {
        savedX = kDefaultX;
        savedY = kDefaultY;
        savedWidth = kDefaultWidth;
        savedHeight = kDefaultHeight;
    }

    slimMode = intInRange(s.value(QStringLiteral("slimMode"), 0), INT_MIN, INT_MAX, 0);
    keypad = intInRange(s.value(QStringLiteral("keypad"), 1), INT_MIN, INT_MAX, 1);
    volumes = intInRange(s.value(QStringLiteral("volumes"), 1), INT_MIN, INT_MAX, 1);
    qcallsCount = intInRange(s.value(QStringLiteral("qcallsCount"), 0), INT_MIN, INT_MAX, 0);
    funcButtons = intInRange(s.value(QStringLiteral("funcButtons"), 1), INT_MIN, INT_MAX, 1);
    layoutLock = s.value(QStringLiteral("layoutLock"), false).toBool();
    visuallyImpaired = s.value(QStringLiteral("visuallyImpaired"), 0).toInt() != 0;
    playTones = s.value(QStringLiteral("playTones"), 0).toInt() != 0;

    s.endGroup();
}

void MSettingsDialog::restoreParameters()
{
    restoreOptionPairs();
    setSelectedAccount(config.account.given ? config.account.value : QString());
    refreshActionsTable();
    if (!ui)
        return; // the form shows these values when it is built

    ui->txtUsername->setText(config.username.value);
    ui->txtPwd->clear();
    if (config.password.given)
        ui->txtPwd->setPlaceholderText(tr("Inserire password solo per cambiare la precedente"));
    ui->txtMAddress->setText(config.pbxAddress.value);

    ui->cbStartMinimized->setChecked(startMinimized.inForce);
    ui->chkPauseOnQueueAnswer->setChecked(pauseOnQueueAnswer.inForce);
    ui->chkPauseOnLogoff->setChecked(pauseOnLogoff.inForce);
    ui->cbOutlookImport->setChecked(outlookImport.inForce);
    ui->cbExtenAction->setChecked(actionsToExten.inForce);
    ui->cbOutboundAction->setChecked(outboundActions.inForce);
    ui->cbC2cAction->setChecked(actionsOnC2c.inForce);
    ui->chkPopup->setChecked(popupCall.inForce);
    ui->cbLanguage->setCurrentIndex(config.language.value);
    ui->cbAppMode->setCurrentIndex(selectedAppMode.inForce);
    ui->chkCopy2CallEnabled->setChecked(copyToCall.inForce);
    ui->cbUseLocalSIPRegistrar->setChecked(useLocalSipRegistrar);
    ui->chkCheckUpdatesAtStartup->setChecked(checkUpdatesAtStartup.inForce);
    ui->chkCheckUpdatesAtTimer->setChecked(checkUpdatesTimeoutMins.inForce > 0);
    ui->spinCheckUpdatesMinutes->setValue(checkUpdatesTimeoutMins.inForce > 0 ? checkUpdatesTimeoutMins.inForce : 60);
    ui->spinMaxCdrViewDays->setValue(maxCdrViewDays.inForce);

    showRapidCallKeyInForce();

    ui->txtSipAddress->setText(config.sipRegistrarAddress.value);
    ui->txtSipProxyAddress->setText(sipProxyAddress.inForce);

    selectExactText(ui->cbSipProto, config.sipProtocol.value);
    selectExactText(ui->cbMicDev, config.micDevice.value);
    selectExactText(ui->cbSpkDev, config.spkDevice.value);
    selectExactText(ui->cbRingDev, config.ringDevice.value);
}

void MSettingsDialog::saveParameters()
{
    commitOptionPairs();

    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupCti);
    s.setValue(QStringLiteral("Maddress"), config.pbxAddress.value);
    s.setValue(QStringLiteral("user"), config.username.value);
    s.setValue(QStringLiteral("utf8pwd"), true);
    s.setValue(QStringLiteral("password"), SimpleObfuscator::hide(config.password.value));
    s.setValue(QStringLiteral("account"), config.account.value);
    s.setValue(QStringLiteral("AppMode"), selectedAppMode.inForce);
    s.setValue(QStringLiteral("SIPRegistrarAddress"), config.sipRegistrarAddress.value);
    s.setValue(QStringLiteral("SIPProxyAddress"), config.sipProxyAddress.value);
    s.setValue(QStringLiteral("SIPProtocol"), config.sipProtocol.value);
    s.setValue(QStringLiteral("spkdevice"), config.spkDevice.value);
    s.setValue(QStringLiteral("micdevice"), config.micDevice.value);
    s.setValue(QStringLiteral("ringdevice"), config.ringDevice.value);
    s.setValue(QStringLiteral("cdrFilterValue"), uint(int(config.cdrFilter)));
    s.setValue(QStringLiteral("startMinimized"), int(startMinimized.inForce));
    s.setValue(QStringLiteral("PauseOnLogoff"), int(pauseOnLogoff.inForce));
    s.setValue(QStringLiteral("PauseOnIncomingCall"), int(pauseOnQueueAnswer.inForce));
    s.setValue(QStringLiteral("CopyToCall"), int(copyToCall.inForce));
    s.setValue(QStringLiteral("PopupCall"), int(popupCall.inForce));
    s.setValue(QStringLiteral("Language"), config.language.value);
    s.setValue(QStringLiteral("actionsToExten"), int(actionsToExten.inForce));
    s.setValue(QStringLiteral("outboundActions"), int(outboundActions.inForce));
    s.setValue(QStringLiteral("actionsOnC2c"), int(actionsOnC2c.inForce));
    s.setValue(QStringLiteral("importOutlookContacts"), int(outlookImport.inForce));
    s.setValue(QStringLiteral("checkUpdatesAtStartup"), int(checkUpdatesAtStartup.inForce));
    s.setValue(QStringLiteral("checkUpdatesTimeoutMins"), checkUpdatesTimeoutMins.inForce);
    s.setValue(QStringLiteral("maxCdrViewDays"), maxCdrViewDays.inForce);
    s.setValue(QStringLiteral("rapidCallMods"), rapidCallMods.inForce);
    s.setValue(QStringLiteral("rapidCallKey"), rapidCallKey.inForce);
    s.setValue(QStringLiteral("useLocalSipRegistrar"), useLocalSipRegistrar);
    s.setValue(QStringLiteral("MinJitterBufferMillis"), int(config.minJitterBufferMillis));
    s.setValue(QStringLiteral("MaxJitterBufferMillis"), int(config.maxJitterBufferMillis));
    s.setValue(QStringLiteral("SecondsWithoutMediaBeforeHangup"), int(config.secondsWithoutMediaBeforeHangup));
    if (!config.queueNames.isEmpty())
        s.setValue(QStringLiteral("queueNames"), config.queueNames);
    if (config.contactsRefreshTimeoutSecs != 600)
        s.setValue(QStringLiteral("contactsRefreshTimeoutSecs"), int(config.contactsRefreshTimeoutSecs));
    if (config.cdrRefreshTimeoutSecs != 90)
        s.setValue(QStringLiteral("cdrRefreshTimeoutSecs"), int(config.cdrRefreshTimeoutSecs));
    if (config.codecOrderRefreshTimeoutSecs != 30)
        s.setValue(QStringLiteral("codecOrderRefreshTimeoutSecs"), int(config.codecOrderRefreshTimeoutSecs));
    if (config.identitiesRefreshTimeoutSecs != 300)
        s.setValue(QStringLiteral("identitiesRefreshTimeoutSecs"), int(config.identitiesRefreshTimeoutSecs));
    if (config.queueStatsRefreshTimeoutSecs != 300)
        s.setValue(QStringLiteral("queueStatsRefreshTimeoutSecs"), int(config.queueStatsRefreshTimeoutSecs));
    if (!config.excludedOutlookFolders.isEmpty())
        s.setValue(QStringLiteral("excludedOutlookFolders"), config.excludedOutlookFolders.join(QLatin1Char(';')));
    s.endGroup();

    s.beginGroup(kGroupDebug);
    s.setValue(QStringLiteral("dumpCtilibMessages"), int(dumpCtilibMessages));
    s.endGroup();

    s.beginGroup(kGroupActions);
    s.remove(QString());
    int number = 1;
    for (const MctiAction &action : qAsConst(actions)) {
        s.beginGroup(QString::number(number++));
        s.setValue(QStringLiteral("event"), action.event);
        s.setValue(QStringLiteral("actionType"), action.actionType);
        s.setValue(QStringLiteral("actionText"), action.actionText);
        s.endGroup();
    }
    s.endGroup();

    s.beginGroup(kGroupGui);
    s.setValue(QStringLiteral("x"), savedX);
    s.setValue(QStringLiteral("y"), savedY);
    s.setValue(QStringLiteral("width"), savedWidth);
    s.setValue(QStringLiteral("height"), savedHeight);
    s.setValue(QStringLiteral("slimMode"), slimMode);
    s.setValue(QStringLiteral("keypad"), keypad);
    s.setValue(QStringLiteral("volumes"), volumes);
    s.setValue(QStringLiteral("qcallsCount"), qcallsCount);
    s.setValue(QStringLiteral("funcButtons"), funcButtons);
    s.setValue(QStringLiteral("visuallyImpaired"), int(visuallyImpaired));
    s.setValue(QStringLiteral("playTones"), int(playTones));
    s.endGroup();

    finishWrite(s);
}

// ---------------------------------------------------------------------------
// Operating mode and account list

MSETTINGS::AppMode MSettingsDialog::getSelectedAppMode() const
{
    if (presetAppMode >= 0 && presetAppMode < kAppModeCount)
        return MSETTINGS::AppMode(presetAppMode);
    return MSETTINGS::AppMode(selectedAppMode.inForce);
}

void MSettingsDialog::updateAppMode(MSETTINGS::AppMode mode)
{
    appMode = mode;
    selectedAppMode.inForce = mode;
    if (ui)
        applyAppModeToForm();
    restoreParameters();
}

// The pages and choices of the operating mode in force.
void MSettingsDialog::applyAppModeToForm()
{
    const int mode = appMode;
    ui->cbAppMode->setCurrentIndex(mode);
    ui->chkCopy2CallEnabled->setEnabled(true);

    QTabWidget *tabs = ui->tabMctiSettings;
    switch (mode) {
    case MSETTINGS::AppModeSoftphone:
        if (tabs->indexOf(ui->tabAudio) < 0)
            tabs->addTab(ui->tabAudio, tr("Impostazioni Softphone"));
        if (tabs->indexOf(ui->tabAccounts) < 0)
            tabs->insertTab(1, ui->tabAccounts, QIcon(), tr("Lista account"));
        ui->cbOutlookImport->setEnabled(true);
        break;
    case MSETTINGS::AppModeDeskPhone:
        if (tabs->indexOf(ui->tabAudio) >= 0)
            tabs->removeTab(tabs->indexOf(ui->tabAudio));
        if (tabs->indexOf(ui->tabAccounts) < 0)
            tabs->insertTab(1, ui->tabAccounts, QIcon(), tr("Lista account"));
        ui->cbOutlookImport->setEnabled(true);
        break;
    case MSETTINGS::AppModeCtiOnly:
        if (tabs->indexOf(ui->tabAudio) >= 0)
            tabs->removeTab(tabs->indexOf(ui->tabAudio));
        ui->tabAudio->hide();
        if (tabs->indexOf(ui->tabAccounts) >= 0)
            tabs->removeTab(tabs->indexOf(ui->tabAccounts));
        ui->tabAccounts->hide();
        ui->cbOutlookImport->setEnabled(true);
        break;
    }

    // Wide enough to show every page's tab without scrolling the tab bar.
    const QMargins margins = layout() ? layout()->contentsMargins() : QMargins();
    const int wanted = tabs->tabBar()->sizeHint().width() + margins.left() + margins.right() + 8;
    if (width() < wanted)
        resize(wanted, height());
}

void MSettingsDialog::setAccountList(IdentityList list)
{
    if (!(identities == list))
        identities = list;
    if (ui)
        showAccountList();
}

void MSettingsDialog::showAccountList()
{
    ui->lstAccounts->clear();
    for (const IdentityEntry &entry : qAsConst(identities)) {
        auto *row = new wdgAccountItem(entry, ui->lstAccounts);
        auto *item = new QListWidgetItem();
        item->setSizeHint(row->sizeHint());
        ui->lstAccounts->addItem(item);
        ui->lstAccounts->setItemWidget(item, row);
        if (wdgAccountItem::accountName(entry) == config.account.previous)
            ui->lstAccounts->setCurrentItem(item);
    }
}

const IdentityList &MSettingsDialog::getAccountList() const
{
    return identities;
}

void MSettingsDialog::setSelectedAccount(QString name)
{
    config.account.set(name);
    if (!ui)
        return;
    ui->lstAccounts->setCurrentRow(-1);
    for (int i = 0; i < identities.size(); ++i) {
        if (wdgAccountItem::accountName(identities.at(i)) == config.account.value)
            ui->lstAccounts->setCurrentRow(i);
    }
}

QString MSettingsDialog::getSelectedAccount() const
{
    return config.account.value;
}

// ---------------------------------------------------------------------------
// Automatic actions

quint32 MSettingsDialog::getActionKey(MctiAction *action) const
{
    return action ? MctiActions::hashKey(*action) : 0;
}

bool MSettingsDialog::isActionRequested(int event) const
{
    for (const MctiAction &action : actions) {
        if (action.event == event)
            return true;
    }
    return false;
}

QList<MctiAction> MSettingsDialog::getEventActions(int event) const
{
    return MctiActions::forEvent(actions, event);
}

void MSettingsDialog::initActionModel(QStandardItemModel *model)
{
    if (!model)
        return;
    model->clear();
    model->setColumnCount(4);
    const struct {
        const char *text;
        const char *toolTip;
    } headers[] = {
        {"E", QT_TR_NOOP("Evento a cui collegare l'azione")},
        {"T.A.", QT_TR_NOOP("Tipologia di azione da avviare")},
        {QT_TR_NOOP("Azione"), QT_TR_NOOP("Dettaglio azione")},
        {"Hash", nullptr},
    };
    for (int column = 0; column < 4; ++column) {
        auto *item =
            new QStandardItem(column == 2 ? tr(headers[column].text) : QString::fromLatin1(headers[column].text));
        if (headers[column].toolTip)
            item->setToolTip(tr(headers[column].toolTip));
        model->setHorizontalHeaderItem(column, item);
    }
}

void MSettingsDialog::resetActionsTable()
{
    QTableView *view = form()->tbEventsAction;
    view->setModel(actionModel);
    QHeaderView *header = view->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    header->setSectionResizeMode(1, QHeaderView::Fixed);
    header->setSectionResizeMode(2, QHeaderView::Stretch);
    header->resizeSection(0, 30);
    header->resizeSection(1, 35);
    header->setStretchLastSection(true);
    view->setColumnHidden(3, true);
}

void MSettingsDialog::refreshActionsTable()
{
    initActionModel(actionModel);
    if (ui)
        resetActionsTable();
    actionModel->setRowCount(actions.size());
    int row = 0;
    for (auto it = actions.constBegin(); it != actions.constEnd(); ++it, ++row) {
        const MctiAction &action = it.value();
        auto *eventItem = new QStandardItem(MctiActions::eventShortText(action.event));
        eventItem->setToolTip(MctiActions::eventToolTip(action.event));
        eventItem->setData(action.event, kRoleActionValue);
        eventItem->setData(it.key(), kRoleActionKey);
        auto *typeItem = new QStandardItem(MctiActions::typeShortText(action.actionType));
        typeItem->setToolTip(MctiActions::typeToolTip(action.actionType));
        typeItem->setData(action.actionType, kRoleActionValue);
        auto *textItem = new QStandardItem(action.actionText);
        actionModel->setItem(row, 0, eventItem);
        actionModel->setItem(row, 1, typeItem);
        actionModel->setItem(row, 2, textItem);
        actionModel->setItem(row, 3, new QStandardItem());
    }
}

void MSettingsDialog::onNewActionSelected(QModelIndex index)
{
    if (index.isValid()) {
        form()->pbEditAction->setEnabled(true);
        form()->pbDeleteAction->setEnabled(true);
        const QAbstractItemModel *model = index.model();
        form()->cbActionEvent->setCurrentIndex(model->index(index.row(), 0).data(kRoleActionValue).toInt());
        form()->cbActionType->setCurrentIndex(model->index(index.row(), 1).data(kRoleActionValue).toInt());
        form()->txtAction->setText(model->index(index.row(), 2).data(Qt::DisplayRole).toString());
    } else {
        form()->pbEditAction->setEnabled(false);
        form()->pbDeleteAction->setEnabled(false);
        form()->cbActionEvent->setCurrentIndex(0);
        form()->cbActionType->setCurrentIndex(0);
        form()->txtAction->clear();
    }
    form()->gbSetAction->setEnabled(false);
}

void MSettingsDialog::onActionAddRequest()
{
    editActionMode = false;
    form()->cbActionEvent->setCurrentIndex(0);
    form()->cbActionType->setCurrentIndex(0);
    form()->txtAction->clear();
    form()->gbSetAction->setEnabled(true);
    form()->pbEditAction->setEnabled(false);
    form()->pbDeleteAction->setEnabled(false);
    form()->pbSaveAction->show();
}

void MSettingsDialog::onActionEditRequest()
{
    editActionMode = true;
    form()->gbSetAction->setEnabled(true);
    form()->pbEditAction->setEnabled(false);
    form()->pbDeleteAction->setEnabled(false);
    form()->pbSaveAction->show();
}

void MSettingsDialog::onUpdateActionRequest()
{
    if (form()->txtAction->text().isEmpty()) {
        prompts().warning(this, tr("Errore"), tr("Il campo \"Azione\" non può essere vuoto"));
        return;
    }

    if (editActionMode) {
        const QModelIndex current = form()->tbEventsAction->currentIndex();
        if (current.isValid()) {
            const quint32 key = actionModel->index(current.row(), 0).data(kRoleActionKey).toUInt();
            auto it = actions.find(key);
            if (it != actions.end()) {
                it->event = form()->cbActionEvent->currentIndex();
                it->actionType = form()->cbActionType->currentIndex();
                it->actionText = form()->txtAction->text();
            }
        }
    } else {
        MctiAction action;
        action.event = form()->cbActionEvent->currentIndex();
        action.actionType = form()->cbActionType->currentIndex();
        action.actionText = form()->txtAction->text();
        MctiActions::insert(actions, action);
    }

    form()->gbSetAction->setEnabled(false);
    refreshActionsTable();
    editActionMode = false;
}

void MSettingsDialog::onActionDeleteRequest()
{
    const QMessageBox::StandardButton answer = prompts().question(
        this, tr("Conferma cancellazione azione"), tr("Si è sicuri di voler cancellare questa azione?"),
        QMessageBox::Ok | QMessageBox::No, QMessageBox::NoButton);
    if (answer != QMessageBox::Ok)
        return;
    form()->gbSetAction->setEnabled(false);
    form()->pbSaveAction->hide();
    const QModelIndex current = form()->tbEventsAction->currentIndex();
    if (current.isValid()) {
        const QVariant key = actionModel->index(current.row(), 0).data(kRoleActionKey);
        if (key.isValid())
            actions.remove(key.toUInt());
    }
    refreshActionsTable();
}

// ---------------------------------------------------------------------------
// Password field, OK and Cancel

void MSettingsDialog::enableShowPassCheckbox(QString text)
{
    if (text.isEmpty())
        form()->chkShowPass->setEnabled(true);
}

void MSettingsDialog::showPassChars()
{
    form()->txtPwd->setEchoMode(form()->chkShowPass->isChecked() ? QLineEdit::Normal : QLineEdit::Password);
}

bool MSettingsDialog::holdsAcceptableAddress(QLineEdit *edit)
{
    const QValidator *validator = edit->validator();
    if (!validator)
        return true;
    QString text = edit->text();
    int pos = 0;
    return validator->validate(text, pos) == QValidator::Acceptable;
}

void MSettingsDialog::onChangeSettings()
{
    // 1. The PBX address.
    if (!holdsAcceptableAddress(form()->txtMAddress)) {
        prompts().warning(this, tr("Errore di indirizzamento"),
                          tr("L'indirizzo IP fornito per %1 non è in un formato valido.").arg(QStringLiteral("PBX")));
        form()->txtMAddress->setText(config.pbxAddress.value);
        return;
    }

    // Every change is worked out on a scratch copy of the values in force and
    // taken over only when the handler goes on to save, so that a refused
    // confirmation leaves the values in force untouched.
    MctiConfig next = config;
    bool nextUseLocalSipRegistrar = useLocalSipRegistrar;
    bool sipChanged = false;
    bool audioChanged = false;
    bool servicesChanged = false;
    bool updatesChanged = false;
    bool cdrChanged = false;

    // 2. The softphone page, only while the softphone is in use.
    if (appMode == MSETTINGS::AppModeSoftphone) {
        if (!holdsAcceptableAddress(form()->txtSipAddress)) {
            prompts().warning(this, tr("Errore di indirizzamento"),
                              tr("L'indirizzo IP fornito per il server SIP non è in un formato valido."));
            form()->txtSipAddress->setText(config.sipRegistrarAddress.value);
            return;
        }
        if (form()->txtSipAddress->text() != config.sipRegistrarAddress.value) {
            next.sipRegistrarAddress.set(form()->txtSipAddress->text());
            sipChanged = true;
        }
        if (form()->cbMicDev->count() > 0 || form()->cbSpkDev->count() > 0 || form()->cbRingDev->count() > 0) {
            if (form()->cbMicDev->currentText() != config.micDevice.value ||
                form()->cbSpkDev->currentText() != config.spkDevice.value ||
                form()->cbRingDev->currentText() != config.ringDevice.value) {
                next.micDevice.set(form()->cbMicDev->currentText());
                next.spkDevice.set(form()->cbSpkDev->currentText());
                next.ringDevice.set(form()->cbRingDev->currentText());
                audioChanged = true;
            }
        }
    }

    // 3. The account chosen on the account page.
    const int row = form()->lstAccounts->currentRow();
    if (row >= 0 && row < identities.size() && form()->cbAppMode->currentIndex() == selectedAppMode.inForce) {
        const IdentityEntry &identity = identities.at(row);
        const QString name = wdgAccountItem::accountName(identity);
        if (name != config.account.value) {
            const bool inUse = wdgAccountItem::isInUse(identity);
            PromptService::Message question;
            question.kind = PromptService::Kind::Warning;
            question.buttons = QMessageBox::Yes | QMessageBox::No;
            bool ask = false;
            if (appMode == MSETTINGS::AppModeDeskPhone && !inUse) {
                question.title = tr("Account non in uso");
                question.text =
                    tr("L'account selezionato non e' utilizzato da nessun terminale.\nSei sicuro di volerlo "
                       "utilizzare?");
                ask = true;
            } else if (appMode == MSETTINGS::AppModeSoftphone && inUse) {
                question.title = tr("Account gia' in uso");
                question.text =
                    tr("L'account selezionato e' gia' utilizzato dal terminale:\n%1.\nSei sicuro di volerlo "
                       "utilizzare?")
                        .arg(identity.phoneUserAgent);
                ask = true;
            }
            if (ask && prompts().message(this, question) != QMessageBox::Yes)
                return;
            next.account.set(name);
            sipChanged = true;
        }
    }

    // 4. The local SIP registrar.
    if (form()->cbUseLocalSIPRegistrar->isChecked() != useLocalSipRegistrar) {
        nextUseLocalSipRegistrar = form()->cbUseLocalSIPRegistrar->isChecked();
        sipChanged = true;
    }

    // 5. The services group. Pending values are dropped again below when the
    // handler does not go on to save.
    const struct {
        QCheckBox *box;
        OptionPair<bool> *pair;
    } services[] = {
        {form()->chkCopy2CallEnabled, &copyToCall},
        {form()->cbStartMinimized, &startMinimized},
        {form()->cbExtenAction, &actionsToExten},
        {form()->cbOutboundAction, &outboundActions},
        {form()->cbC2cAction, &actionsOnC2c},
        {form()->cbOutlookImport, &outlookImport},
        {form()->chkPopup, &popupCall},
        {form()->chkPauseOnLogoff, &pauseOnLogoff},
        {form()->chkPauseOnQueueAnswer, &pauseOnQueueAnswer},
    };
    for (const auto &service : services)
        servicesChanged = servicesChanged || service.box->isChecked() != service.pair->inForce;
    if (servicesChanged) {
        for (const auto &service : services)
            service.pair->pending = service.box->isChecked();
    }

    // 6. The update checks.
    const int wantedPeriod = updatePeriodFromWidgets();
    if (form()->chkCheckUpdatesAtStartup->isChecked() != checkUpdatesAtStartup.inForce ||
        wantedPeriod != checkUpdatesTimeoutMins.inForce) {
        checkUpdatesAtStartup.pending = form()->chkCheckUpdatesAtStartup->isChecked();
        checkUpdatesTimeoutMins.pending = wantedPeriod;
        updatesChanged = true;
    }

    // 7. The call history.
    if (form()->spinMaxCdrViewDays->value() != maxCdrViewDays.inForce) {
        maxCdrViewDays.pending = form()->spinMaxCdrViewDays->value();
        cdrChanged = true;
    }

    // 8. The main parameters, against the values in force.
    const QString addressText = form()->txtMAddress->text();
    const QString userText = form()->txtUsername->text();
    const QString passwordText = form()->txtPwd->text();
    const QString protocolText = form()->cbSipProto->currentText();
    const int modeIndex = form()->cbAppMode->currentIndex();
    const int languageIndex = form()->cbLanguage->currentIndex();
    const bool addressEdited = addressText != config.pbxAddress.value;
    const bool userEdited = userText != config.username.value;
    const bool passwordEdited = !passwordText.isEmpty() && passwordText != config.password.value;
    const bool protocolEdited = protocolText != config.sipProtocol.value;
    const bool modeEdited = modeIndex != selectedAppMode.inForce;
    const bool languageEdited = languageIndex != config.language.value;
    const bool mainChanged =
        addressEdited || userEdited || passwordEdited || protocolEdited || modeEdited || languageEdited;

    bool restart = false;
    if (mainChanged) {
        if (firstRun) {
            firstRun = false;
        } else {
            PromptService::Message question;
            question.kind = PromptService::Kind::Question;
            question.title = tr("Modificati i parametri principali del MCTI");
            question.text =
                (!modeEdited && !languageEdited)
                    ? tr("Cambiare i parametri del softphone richiede la chiusura di eventuali chiamate "
                         "telefoniche in corso. Si è sicuri di voler applicare immediatamente le modifiche?")
                    : tr("I cambiamenti relativi alla tipologia di applicazione o alla lingua dell'interfaccia "
                         "saranno operativi al prossimo riavvio dell'applicazione stessa. Si è sicuri di "
                         "volere applicare immediatamente le modifiche e riavviare l'applicazione?");
            question.buttons = QMessageBox::Yes | QMessageBox::No;
            question.buttonTexts.insert(QMessageBox::Yes, tr("Salva e riavvia"));
            question.buttonTexts.insert(QMessageBox::No, tr("Annulla"));
            if (prompts().message(this, question) != QMessageBox::Yes) {
                // "Annulla": nothing is taken over, the entries stay on screen.
                restoreOptionPairs();
                return;
            }
            restart = true;
        }

        // 9. Take the main values.
        next.username.set(userText);
        if (!passwordText.isEmpty())
            next.password.set(passwordText);
        next.pbxAddress.set(addressText);
        next.sipProtocol.set(protocolText);
        selectedAppMode.pending = modeIndex;
        next.language.set(languageIndex);
        ignoreSsl.pending = form()->chkIgnoreSsl->isChecked();
    }

    // 10. The registrar follows a PBX address changed by this OK.
    if (next.pbxAddress.value != config.pbxAddress.value && !sipChanged) {
        const QString registrar = CTILIB::getIpPort(next.pbxAddress.value);
        next.sipRegistrarAddress.set(registrar);
        sipProxyAddress.pending.clear();
        if (!(registrar == config.sipRegistrarAddress.value && sipProxyAddress.inForce.isEmpty()))
            sipChanged = true;
    }

    // 11. A restart: the account goes with the connection it belonged to.
    if (restart) {
        if (addressEdited || userEdited || protocolEdited || modeEdited)
            next.account.set(QString());
        config = next;
        useLocalSipRegistrar = nextUseLocalSipRegistrar;
        saveParameters();
        emit sigRestartRequested(true);
        hide();
        return;
    }

    // 12. Save and announce each group that changed.
    const bool copyToCallToggled = form()->chkCopy2CallEnabled->isChecked() != copyToCall.inForce;
    config = next;
    useLocalSipRegistrar = nextUseLocalSipRegistrar;
    saveParameters();
    if (audioChanged)
        emit sigAudioDeviceChanged();
    if (servicesChanged)
        emit sigMctiServicesChanged();
    if (updatesChanged)
        emit sigUpdatesSettingsChanged();
    if (cdrChanged)
        emit sigCdrSettingsChanged();
    if (sipChanged)
        emit sigSipSettingsChanged();
    if (copyToCallToggled)
        emit sigCopy2CallToggled(form()->chkCopy2CallEnabled->isChecked());
    form()->gbSetAction->setEnabled(false);
    accept();
}

void MSettingsDialog::onCancelRequested()
{
    restoreParameters();
    form()->gbSetAction->setEnabled(false);
    reject();
}

void MSettingsDialog::checkThresholds()
{
    std::sort(answeredCallsThresholds.begin(), answeredCallsThresholds.end());
    std::sort(lostCallsThresholds.begin(), lostCallsThresholds.end());
    emit sigChangeThresholds();
}

// ---------------------------------------------------------------------------
// Softphone page

void MSettingsDialog::logLine(UNQL::LogMessagePriorityType priority, const char *function, const QString &text) const
{
    if (logger)
        *logger << priority << function << text << UNQL::eom;
}

bool MSettingsDialog::copyCertificate(const QString &source, const QString &target)
{
    // The new copy is written under a temporary name beside the target and
    // renamed over it only once complete: a failed copy keeps the old file.
    QFile in(source);
    if (!QFileInfo(source).isFile() || !in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    char buffer[16384];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof(buffer));
        if (n < 0) {
            out.cancelWriting();
            break;
        }
        if (n == 0)
            break;
        if (out.write(buffer, n) != n) {
            out.cancelWriting();
            break;
        }
    }
    return out.commit();
}

void MSettingsDialog::onCertificateLoadRequest()
{
    if (!certificateChooser) {
        certificateChooser = new QFileDialog(this, QString(), QString(), QString());
        certificateChooser->setNameFilter(QStringLiteral("*.pem *.crt"));
    }
    const QString filter = certificateChooser->nameFilters().join(QStringLiteral(";;"));
    const QString chosen = prompts().getOpenFileName(this, QString(), certificateChooser->directory().path(), filter);
    if (chosen.isEmpty())
        return;

    QStringList copied;
    QStringList failed;
    const QStringList files{chosen};
    for (const QString &file : files) {
        const QString certsDir = MSETTINGS::getCertsDirPath();
        qDebug() << "Copying " << file << " to " << certsDir;
        logLine(UNQL::LOG_INFO, Q_FUNC_INFO, QStringLiteral("Copying %1 to %2").arg(file, certsDir));
        const QString name = QFileInfo(file).fileName();
        const QString target = QDir::cleanPath(certsDir + QDir::separator() + name);
        if (!name.isEmpty() && QFileInfo::exists(target))
            logLine(UNQL::LOG_WARNING, Q_FUNC_INFO,
                    QStringLiteral("Updating previous copy of certificate %1").arg(name));
        if (!name.isEmpty() && copyCertificate(file, target))
            copied << name;
        else
            failed << (name.isEmpty() ? file : name);
    }

    const QString title = MSETTINGS::getShortApplicationName();
    if (!failed.isEmpty()) {
        QStringList escaped;
        for (const QString &name : qAsConst(failed))
            escaped << name.toHtmlEscaped();
        PromptService::Message warning;
        warning.kind = PromptService::Kind::Warning;
        warning.title = title;
        warning.text =
            QCoreApplication::translate("QDialog", "Errore durante la copia dei seguenti certificati:<br>  ") +
            escaped.join(QStringLiteral("<br>  "));
        warning.format = Qt::RichText;
        prompts().message(this, warning);
    }
    if (!copied.isEmpty()) {
        prompts().information(this, title,
                              QCoreApplication::translate(
                                  "QDialog", "Sono stati aggiunti dei nuovi certificati; riavviare l'applicativo per "
                                             "renderli operativi"));
    }
}

void MSettingsDialog::populateAudioDevices(QStringList inputDevices, QStringList outputDevices)
{
    audioInputDevices = inputDevices;
    audioOutputDevices = outputDevices;
    audioDevicesKnown = true;
    if (ui)
        showAudioDevices();
}

void MSettingsDialog::showAudioDevices()
{
    const QStringList &inputDevices = audioInputDevices;
    const QStringList &outputDevices = audioOutputDevices;
    const struct {
        QComboBox *box;
        const QStringList *names;
        QString inForce;
    } lists[] = {
        {ui->cbSpkDev, &outputDevices, config.spkDevice.value},
        {ui->cbMicDev, &inputDevices, config.micDevice.value},
        {ui->cbRingDev, &outputDevices, config.ringDevice.value},
    };
    for (const auto &list : lists) {
        list.box->clear();
        for (const QString &name : *list.names) {
            list.box->addItem(name);
            if (name == list.inForce)
                list.box->setCurrentIndex(list.box->count() - 1);
        }
    }
}

void MSettingsDialog::setMPhoneSipSettings(QString transport, QString registrar, quint16 registrarPort, QString proxy,
                                           quint16 proxyPort)
{
    Q_UNUSED(transport)
    logLine(UNQL::LOG_INFO, Q_FUNC_INFO,
            QStringLiteral("Received Sip Settings with Registrar IP:%1 and Proxy IP:%2").arg(registrar, proxy));

    // The addresses come from the PBX: one that is not a host name or an
    // IPv4 address is refused and the value in force kept.
    const QRegExp hostOnly(hostAddressPattern(), Qt::CaseSensitive);
    auto withPort = [](const QString &host, quint16 port) {
        return port != 0 ? QStringLiteral("%1:%2").arg(host).arg(port) : host;
    };

    if (!useLocalSipRegistrar) {
        if (registrar.isEmpty()) {
            config.sipRegistrarAddress = config.pbxAddress;
        } else {
            const QString value = withPort(registrar, registrarPort);
            if (hostOnly.exactMatch(value))
                config.sipRegistrarAddress.set(value);
            else
                logLine(UNQL::LOG_WARNING, Q_FUNC_INFO, QStringLiteral("Ignoring invalid SIP registrar address"));
        }
    }
    if (!proxy.isEmpty()) {
        const QString value = withPort(proxy, proxyPort);
        if (hostOnly.exactMatch(value))
            sipProxyAddress.inForce = value;
        else
            logLine(UNQL::LOG_WARNING, Q_FUNC_INFO, QStringLiteral("Ignoring invalid SIP proxy address"));
    }

    restoreParameters();
}

void MSettingsDialog::setMPhoneSipAccount(QString a, QString b, QString c)
{
    config.sipUsername = b;
    config.sipPassword = c;
    config.sipUser = a;
}

QString MSettingsDialog::codecsText(const QStringList &codecs)
{
    QStringList parts;
    for (int i = 0; i < codecs.size(); ++i)
        parts << QStringLiteral("%1. %2").arg(i + 1).arg(codecs.at(i));
    return parts.join(QStringLiteral(" | "));
}

void MSettingsDialog::updateDisplayedCodecs(const QStringList &codecs)
{
    shownCodecs = codecs;
    codecsKnown = true;
    if (ui)
        ui->txtCodec->setText(codecsText(codecs));
}

void MSettingsDialog::saveAudioVolumes(int mic, int spk)
{
    // The read rule keeps 0 to 100 only; memory holds what the file will give back.
    mic = qBound(0, mic, 100);
    spk = qBound(0, spk, 100);
    config.micVol.set(mic);
    config.spkVol.set(spk);
    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupCti);
    s.setValue(QStringLiteral("micVol"), mic);
    s.setValue(QStringLiteral("spkVol"), spk);
    s.endGroup();
    finishWrite(s);
}

void MSettingsDialog::getAudioVolumes(int &mic, int &spk) const
{
    mic = config.micVol.value;
    spk = config.spkVol.value;
}

// ---------------------------------------------------------------------------
// Rapid-call hot key and copy-to-call

bool MSettingsDialog::isCopyToCallEnabled() const
{
    return !systemShortcutsEnabled && copyToCall.inForce;
}

bool MSettingsDialog::isSystemShortcutsEnabled() const
{
    return systemShortcutsEnabled;
}

QString MSettingsDialog::hotKeyText(const QString &modifier, const QString &key)
{
    QString text = modifier + QLatin1Char('+') + key;
    if (isCapitalLetter(key))
        text.prepend(QStringLiteral("SHIFT+"));
    return text;
}

void MSettingsDialog::resetHotKeys()
{
    const QString oldText = hotKeyText(rapidCallMods.inForce, rapidCallKey.inForce);
    const QString newText = hotKeyText(form()->cbRapidCallModifier->currentText(), form()->leRapidCallKey->text());

    logLine(UNQL::LOG_INFO, Q_FUNC_INFO, QStringLiteral("Unregistering rapid CALL shortcut..."));
    const bool unregistered = rapidCallShortcut->unregister();
    logLine(UNQL::LOG_INFO, Q_FUNC_INFO,
            QStringLiteral("Rapid CALL shortcut unregistration %1").arg(unregistered ? "succeded" : "failed"));
    logLine(UNQL::LOG_INFO, Q_FUNC_INFO, QStringLiteral("Updating rapid CALL shortcut to %1").arg(newText));
    rapidCallShortcut->setShortcut(QKeySequence(newText, QKeySequence::NativeText));

    QString invalid;
    if (!form()->leRapidCallKey->text().isEmpty() && rapidCallShortcut->shortcut().isEmpty())
        invalid += form()->lblRapidCall->text() + QLatin1Char('\n');

    if (!invalid.isEmpty()) {
        logLine(UNQL::LOG_WARNING, Q_FUNC_INFO,
                QStringLiteral("Cannot change settings due to these invalid shortcuts: %1").arg(invalid));
        prompts().information(
            nullptr, tr("Tasti di scelta rapida non validi"),
            tr("I seguenti tasti di scelta rapida non sono validi o non è stato possibile registrarli "
               "sul sistema: \n\n%1\nVerranno ripristinati i valori precedenti.")
                .arg(invalid));
        showRapidCallKeyInForce();
        rapidCallShortcut->setShortcut(QKeySequence(oldText, QKeySequence::NativeText));
    }

    rapidCallMods.pending = form()->cbRapidCallModifier->currentText();
    rapidCallKey.pending = form()->leRapidCallKey->text();
    rapidCallMods.commit();
    rapidCallKey.commit();
}

// ---------------------------------------------------------------------------
// Values in force

MctiConfig MSettingsDialog::getConfig() const
{
    return config;
}
int MSettingsDialog::getLanguageId() const
{
    return config.language.value;
}
QString MSettingsDialog::getMUsername() const
{
    return config.username.value;
}
QString MSettingsDialog::getMPassword() const
{
    return config.password.value;
}
QString MSettingsDialog::getMAddress() const
{
    return config.pbxAddress.value;
}
QString MSettingsDialog::getSipRegistrarAddress() const
{
    return config.sipRegistrarAddress.value;
}
QString MSettingsDialog::getSipProxyAddress() const
{
    return config.sipProxyAddress.value;
}
quint16 MSettingsDialog::getClientApiServerLocalPort() const
{
    return quint16(clientApiServerLocalPort);
}
int MSettingsDialog::getChatKeepAliveSendIntervalSecs() const
{
    return config.chatKeepAliveSendIntervalSecs;
}
MctiConfig::MCdrFilterFlags MSettingsDialog::getCdrFilterValue() const
{
    return config.cdrFilter;
}
bool MSettingsDialog::isStartMinimizedSet() const
{
    return startMinimized.inForce;
}
bool MSettingsDialog::isOutlookImportRequested() const
{
    return outlookImport.inForce;
}
bool MSettingsDialog::isCheckUpdatesAtStartupEnabled() const
{
    return checkUpdatesAtStartup.inForce;
}
bool MSettingsDialog::isPopupCallEnabled() const
{
    return popupCall.inForce;
}
bool MSettingsDialog::isExtenActionsEnabled() const
{
    return actionsToExten.inForce;
}
bool MSettingsDialog::isOutboundActionsEnabled() const
{
    return outboundActions.inForce;
}
bool MSettingsDialog::isC2cActionsEnabled() const
{
    return actionsOnC2c.inForce;
}

bool MSettingsDialog::isPauseOnLogoffRequired() const
{
    return pauseSettingsEnabled && pauseOnLogoff.inForce;
}

bool MSettingsDialog::isPauseOnInQueueCallRequired() const
{
    return pauseSettingsEnabled && pauseOnQueueAnswer.inForce;
}

int MSettingsDialog::checkUpdatesTimeoutMinutes() const
{
    return checkUpdatesTimeoutMins.inForce;
}
int MSettingsDialog::getMaxCdrViewDays() const
{
    return maxCdrViewDays.inForce;
}
bool MSettingsDialog::isCtilibMessagesDumpEnabled() const
{
    return dumpCtilibMessages;
}
bool MSettingsDialog::isVisuallyImpaired() const
{
    return visuallyImpaired;
}
bool MSettingsDialog::isPlayTonesEnabled() const
{
    return playTones;
}
bool MSettingsDialog::isSlimMode() const
{
    return slimMode != 0;
}
bool MSettingsDialog::isKeyPadVisible() const
{
    return keypad != 0;
}
bool MSettingsDialog::isVolumesFrameVisible() const
{
    return volumes != 0;
}
bool MSettingsDialog::isQCallsCountVisible() const
{
    return qcallsCount != 0;
}
bool MSettingsDialog::isFuncButtonsFrameVisible() const
{
    return funcButtons != 0;
}
QPoint MSettingsDialog::getSavedPosition() const
{
    return QPoint(savedX, savedY);
}
int MSettingsDialog::getSavedWidth() const
{
    return savedWidth;
}
int MSettingsDialog::getSavedHeigth() const
{
    return savedHeight;
}
bool MSettingsDialog::isLayoutLocked() const
{
    return layoutLock;
}
bool MSettingsDialog::isContactFavourite(const QString &contact) const
{
    return favourites.contains(contact);
}

QList<int> MSettingsDialog::getAnswCallsTimeThresholdList()
{
    answeredCallsThresholds.removeAll(kThresholdNotSet);
    return answeredCallsThresholds;
}

QList<int> MSettingsDialog::getLostCallsTimeThresholdList()
{
    lostCallsThresholds.removeAll(kThresholdNotSet);
    return lostCallsThresholds;
}

QString MSettingsDialog::getLastReportFileName() const
{
    return reportFileName;
}
CTILIB::PeriodType MSettingsDialog::getLastReportPeriod() const
{
    return reportPeriod;
}

// ---------------------------------------------------------------------------
// Setters kept in memory

void MSettingsDialog::savePos(int x, int y)
{
    savedX = x;
    savedY = y;
}

void MSettingsDialog::saveDimension(int w, int h)
{
    savedWidth = w;
    savedHeight = h;
}

void MSettingsDialog::setSlimMode(bool on)
{
    slimMode = on ? 1 : 0;
}
void MSettingsDialog::setKeyPadVisible(bool on)
{
    keypad = on ? 1 : 0;
}
void MSettingsDialog::setVolumesVisible(bool on)
{
    volumes = on ? 1 : 0;
}
void MSettingsDialog::setQCallsCountVisible(bool on)
{
    qcallsCount = on ? 1 : 0;
}
void MSettingsDialog::setFuncButtonsVisible(bool on)
{
    funcButtons = on ? 1 : 0;
}
void MSettingsDialog::setVisuallyImpaired(bool on)
{
    visuallyImpaired = on;
}
void MSettingsDialog::setPlayTonesEnabled(bool on)
{
    playTones = on;
}

void MSettingsDialog::setCdrFilterValue(MctiConfig::MCdrFilterFlags flags)
{
    config.cdrFilter = convert_cdr_value_into_flags(unsigned(int(flags)));
}

void MSettingsDialog::setCtiUsername(QString username)
{
    config.username.set(username);
}
void MSettingsDialog::setCtiPassword(QString password)
{
    config.password.set(password);
}
void MSettingsDialog::setSupervisorMode(bool on)
{
    supervisorMode = on;
}

void MSettingsDialog::setPauseSettingsEnabled(bool on)
{
    pauseSettingsEnabled = on;
    if (ui) {
        ui->chkPauseOnLogoff->setEnabled(on);
        ui->chkPauseOnQueueAnswer->setEnabled(on);
    }
}

// ---------------------------------------------------------------------------
// Setters that write the file at once

void MSettingsDialog::addFavourites(QString contact)
{
    // A contact is a favourite once: adding it again changes nothing.
    if (contact.isEmpty() || favourites.contains(contact))
        return;
    favourites.append(contact);
    updateFavouritesList();
}

void MSettingsDialog::removeFavourites(QString contact)
{
    // Every equal entry goes, so that a contact is never left starred.
    favourites.removeAll(contact);
    updateFavouritesList();
}

void MSettingsDialog::updateFavouritesList()
{
    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupFavourites);
    s.remove(QString());
    for (int i = 0; i < favourites.size(); ++i) {
        s.beginGroup(QString::number(i + 1));
        s.setValue(QStringLiteral("contact"), favourites.at(i));
        s.endGroup();
    }
    s.endGroup();
    finishWrite(s);
}

void MSettingsDialog::saveLayouts(QByteArray mainState, QByteArray linesState)
{
    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupGui);
    s.setValue(QStringLiteral("mainSplitterState"), mainState);
    s.setValue(QStringLiteral("linesSplitterState"), linesState);
    s.endGroup();
    finishWrite(s);
}

void MSettingsDialog::restoreLayouts(QSplitter *mainSplitter, QSplitter *linesSplitter)
{
    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupGui);
    const QByteArray mainState = s.value(QStringLiteral("mainSplitterState")).toByteArray();
    const QByteArray linesState = s.value(QStringLiteral("linesSplitterState")).toByteArray();
    s.endGroup();
    if (mainSplitter)
        mainSplitter->restoreState(mainState);
    if (linesSplitter)
        linesSplitter->restoreState(linesState);
}

void MSettingsDialog::saveTablesHeaders(QByteArray fav, QByteArray ext, QByteArray cont, QByteArray cdr)
{
    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupGui);
    s.setValue(QStringLiteral("favTabState"), fav);
    s.setValue(QStringLiteral("extTabState"), ext);
    s.setValue(QStringLiteral("contTabState"), cont);
    s.setValue(QStringLiteral("cdrTabState"), cdr);
    s.endGroup();
    finishWrite(s);
}

bool MSettingsDialog::restoreTableHeaders(QTreeView *view)
{
    if (!view)
        return false;
    static const struct {
        const char *view;
        const char *key;
    } keys[] = {{"tvFavourites", "favTabState"},
                {"tvExtensions", "extTabState"},
                {"tvContacts", "contTabState"},
                {"tvCdr", "cdrTabState"}};
    QString key;
    for (const auto &entry : keys) {
        if (view->objectName() == QLatin1String(entry.view))
            key = QLatin1String(entry.key);
    }
    if (key.isEmpty())
        return false;

    QByteArray state;
    {
        QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
        s.beginGroup(kGroupGui);
        state = s.value(key).toByteArray();
        s.endGroup();
    }

    QHeaderView *header = view->header();
    const int columns = header->count();
    qDebug() << "table col count:" << columns;
    const QByteArray kept = header->saveState();
    const bool restored = header->restoreState(state);
    qDebug() << "restored table col count:" << header->count();
    if (restored && header->count() == columns) {
        qDebug() << "Tab Header restored";
        return true;
    }

    logLine(UNQL::LOG_WARNING, Q_FUNC_INFO,
            QStringLiteral("Failed to restore %1 header, reverting changes...").arg(key));
    const bool reverted = header->restoreState(kept);
    if (!reverted)
        logLine(UNQL::LOG_CRITICAL, Q_FUNC_INFO,
                QStringLiteral("Unable to revert %1 header state, bad things can happen...").arg(key));
    return reverted;
}

void MSettingsDialog::saveLayoutsLock(bool locked)
{
    layoutLock = locked;
    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupGui);
    s.setValue(QStringLiteral("layoutLock"), int(locked));
    s.endGroup();
    finishWrite(s);
}

void MSettingsDialog::saveReportParameters(CTILIB::PeriodType period, QList<int> answered, QList<int> lost,
                                           QString file)
{
    answeredCallsThresholds = answered;
    lostCallsThresholds = lost;
    reportFileName = file;
    reportPeriod = period;

    QSettings s(MSETTINGS::getSettingsConfigFile(), iniFormat());
    s.beginGroup(kGroupReport);
    s.setValue(QStringLiteral("period"), CTILIB::periodTypeToString(period));
    s.setValue(QStringLiteral("outputFileName"), file);
    s.endGroup();
    const struct {
        const char *array;
        const QList<int> *list;
    } arrays[] = {{kAnsweredThresholds, &answered}, {kLostThresholds, &lost}};
    for (const auto &entry : arrays) {
        s.remove(QLatin1String(entry.array));
        s.beginWriteArray(QLatin1String(entry.array), entry.list->size());
        for (int i = 0; i < entry.list->size(); ++i) {
            s.setArrayIndex(i);
            s.setValue(QStringLiteral("threshold"), entry.list->at(i));
        }
        s.endArray();
    }
    finishWrite(s);
}

// Shows the rapid-call modifier and key in force (the first modifier when the
// stored one is not offered).
void MSettingsDialog::showRapidCallKeyInForce()
{
    const int modifier = form()->cbRapidCallModifier->findText(rapidCallMods.inForce);
    form()->cbRapidCallModifier->setCurrentIndex(modifier < 0 ? 0 : modifier);
    form()->leRapidCallKey->setText(rapidCallKey.inForce);
}
