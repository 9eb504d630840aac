#include "msettingsdialog.h"
#include "ui_msettingsdialog.h"

#include "app/globallogger.h"
#include "framework/promptservice.h"
#include "framework/systemshortcut.h"
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
#include <QSplitter>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTreeView>
#include <QValidator>

namespace
{

constexpr int kRoleActionValue = 1001; // event or action type of a row
constexpr int kRoleActionKey = 1102;   // key of the row's action in the map

const char *const kCopy2CallToolTip = QT_TRANSLATE_NOOP(
    "MSettingsDialog",
    "Se abilitato è possibile richiedere l'avvio di una chiamata\nsemplicemente selezionando la stringa "
    "contenente il numero\ne copiandola nella clipboard.\nUna volta copiata la stringa l'applicazione "
    "provvede in automatico\na rimuovere spazi e altri caratteri speciali\ne chiede all'utente conferma "
    "prima di avviare la chiamata.");

const char *const kPlaceHolderTokens[] = {"<callernum>", "<callername>", "<callercompany>", "<callerunit>",
                                          "<extenNum>",  "<queueName>",  "<uid>",           "<callednum>"};

} // namespace

MSettingsDialog::MSettingsDialog(const MctiConfig &config, QWidget *shortcutWidget, QWidget *parent) : QDialog(parent)
{
    ownedStore = new MSettingsStore(config, this);
    settings = ownedStore;
    setUpStore(shortcutWidget);
}

MSettingsDialog::MSettingsDialog(MSettingsStore *store, QWidget *shortcutWidget, QWidget *parent)
    : QDialog(parent), settings(store)
{
    Q_ASSERT(store);
    setUpStore(shortcutWidget);
}

void MSettingsDialog::setUpStore(QWidget *shortcutWidget)
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

    actionModel = new QStandardItemModel(this);
    initActionModel(actionModel);

    rapidCallShortcut = new SystemShortcut(shortcutWidget, this);
    rapidCallShortcut->logger = logger;
    connect(rapidCallShortcut, &SystemShortcut::triggered, this, &MSettingsDialog::sigRapidCallRequested);

    // The store's announcements are the dialog's too.
    connect(settings, &MSettingsStore::sigRestartRequested, this, &MSettingsDialog::sigRestartRequested);
    connect(settings, &MSettingsStore::sigSipSettingsChanged, this, &MSettingsDialog::sigSipSettingsChanged);
    connect(settings, &MSettingsStore::sigGuiLanguageChanged, this, &MSettingsDialog::sigGuiLanguageChanged);
    connect(settings, &MSettingsStore::sigAudioDeviceChanged, this, &MSettingsDialog::sigAudioDeviceChanged);
    connect(settings, &MSettingsStore::sigMctiServicesChanged, this, &MSettingsDialog::sigMctiServicesChanged);
    connect(settings, &MSettingsStore::sigUpdatesSettingsChanged, this, &MSettingsDialog::sigUpdatesSettingsChanged);
    connect(settings, &MSettingsStore::sigCdrSettingsChanged, this, &MSettingsDialog::sigCdrSettingsChanged);
    connect(settings, &MSettingsStore::sigChangeThresholds, this, &MSettingsDialog::sigChangeThresholds);
    connect(settings, &MSettingsStore::sigCopy2CallToggled, this, &MSettingsDialog::sigCopy2CallToggled);

    // The form follows the values whoever changes them.
    connect(settings, &MSettingsStore::valuesRestored, this, &MSettingsDialog::showValuesInForce);
    connect(settings, &MSettingsStore::actionsChanged, this, &MSettingsDialog::refreshActionsTable);
    connect(settings, &MSettingsStore::selectedAccountChanged, this, [this] {
        if (ui)
            showSelectedAccount();
    });
    connect(settings, &MSettingsStore::accountListChanged, this, [this] {
        if (ui)
            showAccountList();
    });
    connect(settings, &MSettingsStore::appModeApplied, this, [this] {
        if (ui)
            applyAppModeToForm();
    });
    connect(settings, &MSettingsStore::audioDevicesChanged, this, [this] {
        if (ui)
            showAudioDevices();
    });
    connect(settings, &MSettingsStore::codecsChanged, this, [this] {
        if (ui)
            ui->txtCodec->setText(codecsText(settings->getDisplayedCodecs()));
    });
    connect(settings, &MSettingsStore::pauseSettingsEnabledChanged, this, [this] {
        if (ui)
            applyPauseSettingsEnabled();
    });
    connect(settings, &MSettingsStore::saveFailed, this, [this](const QString &fileName) {
        prompts().warning(
            this, MSETTINGS::getLongApplicationName(),
            tr("Non è stato possibile salvare le impostazioni nel file:\n%1").arg(QDir::toNativeSeparators(fileName)));
    });
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
    if (settings->isSystemShortcutsEnabled()) {
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
    if (settings->appliedAppMode() >= 0)
        applyAppModeToForm();
    restoreParameters();
    applyPauseSettingsEnabled();
    if (settings->areCodecsKnown())
        ui->txtCodec->setText(codecsText(settings->getDisplayedCodecs()));
    if (settings->areAudioDevicesKnown())
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
    return MSettingsStore::hostAddressPattern();
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
    openOnAccountList();
    exec();
}

void MSettingsDialog::openOnAccountList()
{
    form()->tabMctiSettings->setCurrentWidget(form()->tabAccounts);
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
    const QString account = settings->getSelectedAccount();
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
    return MSettingsStore::convert_cdr_value_into_flags(value);
}

int MSettingsDialog::updatePeriodFromWidgets()
{
    return form()->chkCheckUpdatesAtTimer->isChecked() ? form()->spinCheckUpdatesMinutes->value() : -1;
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

void MSettingsDialog::init()
{
    restoreParameters();

    if (!settings->readFile()) {
        const QString appName = MSETTINGS::getLongApplicationName();
        prompts().information(this, appName,
                              tr("Sembra che sia la prima volta che si esegue %1.\nPrego inserire i dati di "
                                 "connessione a %2.")
                                  .arg(appName, QStringLiteral("PBX")));
        exec();
    }

    restoreParameters();
    if (ui) {
        ui->buttonBox->button(QDialogButtonBox::Ok)->setText(tr("Salva"));
        ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(tr("Annulla"));
        ui->chkCopy2CallEnabled->setToolTip(tr(kCopy2CallToolTip));
    }

    settings->announceCopyToCall(); // what the check box shows
}

void MSettingsDialog::restoreParameters()
{
    settings->restoreParameters(); // the form follows through showValuesInForce()
}

// Puts the values in force into the widgets.
void MSettingsDialog::showValuesInForce()
{
    refreshActionsTable();
    if (!ui)
        return; // the form shows these values when it is built

    const MSettingsValues &v = settings->valuesInForce();
    const MctiConfig &config = v.config;
    showSelectedAccount();
    ui->txtUsername->setText(config.username.value);
    ui->txtPwd->clear();
    if (config.password.given)
        ui->txtPwd->setPlaceholderText(tr("Inserire password solo per cambiare la precedente"));
    ui->txtMAddress->setText(config.pbxAddress.value);

    ui->cbStartMinimized->setChecked(v.startMinimized);
    ui->chkPauseOnQueueAnswer->setChecked(v.pauseOnQueueAnswer);
    ui->chkPauseOnLogoff->setChecked(v.pauseOnLogoff);
    ui->cbOutlookImport->setChecked(v.outlookImport);
    ui->cbExtenAction->setChecked(v.actionsToExten);
    ui->cbOutboundAction->setChecked(v.outboundActions);
    ui->cbC2cAction->setChecked(v.actionsOnC2c);
    ui->chkPopup->setChecked(v.popupCall);
    ui->cbLanguage->setCurrentIndex(config.language.value);
    ui->cbAppMode->setCurrentIndex(v.selectedAppMode);
    ui->chkCopy2CallEnabled->setChecked(v.copyToCall);
    ui->cbUseLocalSIPRegistrar->setChecked(v.useLocalSipRegistrar);
    ui->chkCheckUpdatesAtStartup->setChecked(v.checkUpdatesAtStartup);
    ui->chkCheckUpdatesAtTimer->setChecked(v.checkUpdatesTimeoutMins > 0);
    ui->spinCheckUpdatesMinutes->setValue(v.checkUpdatesTimeoutMins > 0 ? v.checkUpdatesTimeoutMins : 60);
    ui->spinMaxCdrViewDays->setValue(v.maxCdrViewDays);

    showRapidCallKeyInForce();

    ui->txtSipAddress->setText(config.sipRegistrarAddress.value);
    ui->txtSipProxyAddress->setText(v.sipProxyAddress);

    selectExactText(ui->cbSipProto, config.sipProtocol.value);
    selectExactText(ui->cbMicDev, config.micDevice.value);
    selectExactText(ui->cbSpkDev, config.spkDevice.value);
    selectExactText(ui->cbRingDev, config.ringDevice.value);
}

void MSettingsDialog::saveParameters()
{
    settings->saveParameters();
}

// ---------------------------------------------------------------------------
// Operating mode and account list

MSETTINGS::AppMode MSettingsDialog::getSelectedAppMode() const
{
    return settings->getSelectedAppMode();
}

void MSettingsDialog::updateAppMode(MSETTINGS::AppMode mode)
{
    settings->updateAppMode(mode);
}

// The pages and choices of the operating mode in force.
void MSettingsDialog::applyAppModeToForm()
{
    const int mode = settings->appliedAppMode();
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
    settings->setAccountList(list);
}

void MSettingsDialog::showAccountList()
{
    ui->lstAccounts->clear();
    const QString previous = settings->valuesInForce().config.account.previous;
    for (const IdentityEntry &entry : settings->getAccountList()) {
        auto *row = new wdgAccountItem(entry, ui->lstAccounts);
        auto *item = new QListWidgetItem();
        item->setSizeHint(row->sizeHint());
        ui->lstAccounts->addItem(item);
        ui->lstAccounts->setItemWidget(item, row);
        if (wdgAccountItem::accountName(entry) == previous)
            ui->lstAccounts->setCurrentItem(item);
    }
}

const IdentityList &MSettingsDialog::getAccountList() const
{
    return settings->getAccountList();
}

void MSettingsDialog::setSelectedAccount(QString name)
{
    settings->setSelectedAccount(name);
}

void MSettingsDialog::showSelectedAccount()
{
    const IdentityList &identities = settings->getAccountList();
    const QString account = settings->getSelectedAccount();
    ui->lstAccounts->setCurrentRow(-1);
    for (int i = 0; i < identities.size(); ++i) {
        if (wdgAccountItem::accountName(identities.at(i)) == account)
            ui->lstAccounts->setCurrentRow(i);
    }
}

QString MSettingsDialog::getSelectedAccount() const
{
    return settings->getSelectedAccount();
}

// ---------------------------------------------------------------------------
// Automatic actions

quint32 MSettingsDialog::getActionKey(MctiAction *action) const
{
    return settings->getActionKey(action);
}

bool MSettingsDialog::isActionRequested(int event) const
{
    return settings->isActionRequested(event);
}

QList<MctiAction> MSettingsDialog::getEventActions(int event) const
{
    return settings->getEventActions(event);
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
    const MctiActionMap &actions = settings->actions();
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

    MctiActionMap actions = settings->actions();
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
        MctiActions::insert(actions,
                            MctiActions::make(form()->cbActionEvent->currentIndex(),
                                              form()->cbActionType->currentIndex(), form()->txtAction->text()));
    }

    form()->gbSetAction->setEnabled(false);
    editActionMode = false;
    settings->setActions(actions); // the table follows
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
        if (key.isValid()) {
            MctiActionMap actions = settings->actions();
            actions.remove(key.toUInt());
            settings->setActions(actions);
        }
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

MSettingsEntries MSettingsDialog::enteredValues()
{
    Ui::MSettingsDialog *f = form();
    MSettingsEntries e;
    e.pbxAddress = f->txtMAddress->text();
    e.username = f->txtUsername->text();
    e.password = f->txtPwd->text();
    e.sipProtocol = f->cbSipProto->currentText();
    e.appMode = f->cbAppMode->currentIndex();
    e.language = f->cbLanguage->currentIndex();
    e.ignoreSsl = f->chkIgnoreSsl->isChecked();

    e.sipRegistrarAddress = f->txtSipAddress->text();
    e.audioDevicesListed = f->cbMicDev->count() > 0 || f->cbSpkDev->count() > 0 || f->cbRingDev->count() > 0;
    e.micDevice = f->cbMicDev->currentText();
    e.spkDevice = f->cbSpkDev->currentText();
    e.ringDevice = f->cbRingDev->currentText();

    const IdentityList &identities = settings->getAccountList();
    const int row = f->lstAccounts->currentRow();
    if (row >= 0 && row < identities.size()) {
        const IdentityEntry &identity = identities.at(row);
        e.accountChosen = true;
        e.accountName = wdgAccountItem::accountName(identity);
        e.accountInUse = wdgAccountItem::isInUse(identity);
        e.accountUserAgent = identity.phoneUserAgent;
    }

    e.useLocalSipRegistrar = f->cbUseLocalSIPRegistrar->isChecked();

    e.copyToCall = f->chkCopy2CallEnabled->isChecked();
    e.startMinimized = f->cbStartMinimized->isChecked();
    e.actionsToExten = f->cbExtenAction->isChecked();
    e.outboundActions = f->cbOutboundAction->isChecked();
    e.actionsOnC2c = f->cbC2cAction->isChecked();
    e.outlookImport = f->cbOutlookImport->isChecked();
    e.popupCall = f->chkPopup->isChecked();
    e.pauseOnLogoff = f->chkPauseOnLogoff->isChecked();
    e.pauseOnQueueAnswer = f->chkPauseOnQueueAnswer->isChecked();

    e.checkUpdatesAtStartup = f->chkCheckUpdatesAtStartup->isChecked();
    e.checkUpdatesTimeoutMins = updatePeriodFromWidgets();
    e.maxCdrViewDays = f->spinMaxCdrViewDays->value();
    return e;
}

void MSettingsDialog::onChangeSettings()
{
    const MSettingsValues &inForce = settings->valuesInForce();

    // Addresses the validators refuse go back to the values in force.
    if (!holdsAcceptableAddress(form()->txtMAddress)) {
        prompts().warning(this, tr("Errore di indirizzamento"),
                          tr("L'indirizzo IP fornito per %1 non è in un formato valido.").arg(QStringLiteral("PBX")));
        form()->txtMAddress->setText(inForce.config.pbxAddress.value);
        return;
    }
    if (inForce.appMode == MSETTINGS::AppModeSoftphone && !holdsAcceptableAddress(form()->txtSipAddress)) {
        prompts().warning(this, tr("Errore di indirizzamento"),
                          tr("L'indirizzo IP fornito per il server SIP non è in un formato valido."));
        form()->txtSipAddress->setText(inForce.config.sipRegistrarAddress.value);
        return;
    }

    const MSettingsChange change = MSettingsChange::fromEntries(inForce, enteredValues());

    // Nothing is taken over when the user answers no: the entries stay on screen.
    if (change.accountQuestion != MSettingsChange::AccountQuestion::None) {
        PromptService::Message question;
        question.kind = PromptService::Kind::Warning;
        question.buttons = QMessageBox::Yes | QMessageBox::No;
        if (change.accountQuestion == MSettingsChange::AccountQuestion::NotInUse) {
            question.title = tr("Account non in uso");
            question.text = tr("L'account selezionato non e' utilizzato da nessun terminale.\nSei sicuro di volerlo "
                               "utilizzare?");
        } else {
            question.title = tr("Account gia' in uso");
            question.text = tr("L'account selezionato e' gia' utilizzato dal terminale:\n%1.\nSei sicuro di volerlo "
                               "utilizzare?")
                                .arg(change.accountUserAgent);
        }
        if (prompts().message(this, question) != QMessageBox::Yes)
            return;
    }

    if (change.restartQuestion != MSettingsChange::RestartQuestion::None) {
        PromptService::Message question;
        question.kind = PromptService::Kind::Question;
        question.title = tr("Modificati i parametri principali del MCTI");
        question.text = change.restartQuestion == MSettingsChange::RestartQuestion::Softphone
                            ? tr("Cambiare i parametri del softphone richiede la chiusura di eventuali chiamate "
                                 "telefoniche in corso. Si è sicuri di voler applicare immediatamente le modifiche?")
                            : tr("I cambiamenti relativi alla tipologia di applicazione o alla lingua dell'interfaccia "
                                 "saranno operativi al prossimo riavvio dell'applicazione stessa. Si è sicuri di "
                                 "volere applicare immediatamente le modifiche e riavviare l'applicazione?");
        question.buttons = QMessageBox::Yes | QMessageBox::No;
        question.buttonTexts.insert(QMessageBox::Yes, tr("Salva e riavvia"));
        question.buttonTexts.insert(QMessageBox::No, tr("Annulla"));
        if (prompts().message(this, question) != QMessageBox::Yes)
            return;
    }

    settings->applyChange(change);
    if (change.restart) {
        hide();
        return;
    }
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
    settings->checkThresholds();
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
    const QString chosen =
        prompts().getTypedOpenFileName(this, QString(), certificateChooser->directory().path(), filter);
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
    settings->populateAudioDevices(inputDevices, outputDevices); // the form follows
}

void MSettingsDialog::showAudioDevices()
{
    const QStringList inputDevices = settings->getAudioInputDevices();
    const QStringList outputDevices = settings->getAudioOutputDevices();
    const struct {
        QComboBox *box;
        const QStringList *names;
        QString inForce;
    } lists[] = {
        {ui->cbSpkDev, &outputDevices, settings->valuesInForce().config.spkDevice.value},
        {ui->cbMicDev, &inputDevices, settings->valuesInForce().config.micDevice.value},
        {ui->cbRingDev, &outputDevices, settings->valuesInForce().config.ringDevice.value},
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
    settings->setMPhoneSipSettings(transport, registrar, registrarPort, proxy, proxyPort);
}

void MSettingsDialog::setMPhoneSipAccount(QString a, QString b, QString c)
{
    settings->setMPhoneSipAccount(a, b, c);
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
    settings->updateDisplayedCodecs(codecs); // the form follows
}

void MSettingsDialog::saveAudioVolumes(int mic, int spk)
{
    settings->saveAudioVolumes(mic, spk);
}

void MSettingsDialog::getAudioVolumes(int &mic, int &spk) const
{
    settings->getAudioVolumes(mic, spk);
}

// ---------------------------------------------------------------------------
// Rapid-call hot key and copy-to-call

bool MSettingsDialog::isCopyToCallEnabled() const
{
    return settings->isCopyToCallEnabled();
}

bool MSettingsDialog::isSystemShortcutsEnabled() const
{
    return settings->isSystemShortcutsEnabled();
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
    const QString oldText = hotKeyText(settings->rapidCallModifier(), settings->rapidCallKey());
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

    settings->setRapidCallHotKey(form()->cbRapidCallModifier->currentText(), form()->leRapidCallKey->text());
}

// ---------------------------------------------------------------------------
// Values in force and setters: the store's

MctiConfig MSettingsDialog::getConfig() const
{
    return settings->getConfig();
}

int MSettingsDialog::getLanguageId() const
{
    return settings->getLanguageId();
}

QString MSettingsDialog::getMUsername() const
{
    return settings->getMUsername();
}

QString MSettingsDialog::getMPassword() const
{
    return settings->getMPassword();
}

QString MSettingsDialog::getMAddress() const
{
    return settings->getMAddress();
}

QString MSettingsDialog::getSipRegistrarAddress() const
{
    return settings->getSipRegistrarAddress();
}

QString MSettingsDialog::getSipProxyAddress() const
{
    return settings->getSipProxyAddress();
}

quint16 MSettingsDialog::getClientApiServerLocalPort() const
{
    return settings->getClientApiServerLocalPort();
}

int MSettingsDialog::getChatKeepAliveSendIntervalSecs() const
{
    return settings->getChatKeepAliveSendIntervalSecs();
}

MctiConfig::MCdrFilterFlags MSettingsDialog::getCdrFilterValue() const
{
    return settings->getCdrFilterValue();
}

bool MSettingsDialog::isStartMinimizedSet() const
{
    return settings->isStartMinimizedSet();
}

bool MSettingsDialog::isOutlookImportRequested() const
{
    return settings->isOutlookImportRequested();
}

bool MSettingsDialog::isCheckUpdatesAtStartupEnabled() const
{
    return settings->isCheckUpdatesAtStartupEnabled();
}

bool MSettingsDialog::isPopupCallEnabled() const
{
    return settings->isPopupCallEnabled();
}

bool MSettingsDialog::isExtenActionsEnabled() const
{
    return settings->isExtenActionsEnabled();
}

bool MSettingsDialog::isOutboundActionsEnabled() const
{
    return settings->isOutboundActionsEnabled();
}

bool MSettingsDialog::isC2cActionsEnabled() const
{
    return settings->isC2cActionsEnabled();
}

bool MSettingsDialog::isPauseOnLogoffRequired() const
{
    return settings->isPauseOnLogoffRequired();
}

bool MSettingsDialog::isPauseOnInQueueCallRequired() const
{
    return settings->isPauseOnInQueueCallRequired();
}

int MSettingsDialog::checkUpdatesTimeoutMinutes() const
{
    return settings->checkUpdatesTimeoutMinutes();
}

int MSettingsDialog::getMaxCdrViewDays() const
{
    return settings->getMaxCdrViewDays();
}

bool MSettingsDialog::isCtilibMessagesDumpEnabled() const
{
    return settings->isCtilibMessagesDumpEnabled();
}

bool MSettingsDialog::isVisuallyImpaired() const
{
    return settings->isVisuallyImpaired();
}

bool MSettingsDialog::isPlayTonesEnabled() const
{
    return settings->isPlayTonesEnabled();
}

bool MSettingsDialog::isSlimMode() const
{
    return settings->isSlimMode();
}

bool MSettingsDialog::isKeyPadVisible() const
{
    return settings->isKeyPadVisible();
}

bool MSettingsDialog::isVolumesFrameVisible() const
{
    return settings->isVolumesFrameVisible();
}

bool MSettingsDialog::isQCallsCountVisible() const
{
    return settings->isQCallsCountVisible();
}

bool MSettingsDialog::isFuncButtonsFrameVisible() const
{
    return settings->isFuncButtonsFrameVisible();
}

QPoint MSettingsDialog::getSavedPosition() const
{
    return settings->getSavedPosition();
}

int MSettingsDialog::getSavedWidth() const
{
    return settings->getSavedWidth();
}

int MSettingsDialog::getSavedHeigth() const
{
    return settings->getSavedHeigth();
}

bool MSettingsDialog::isLayoutLocked() const
{
    return settings->isLayoutLocked();
}

bool MSettingsDialog::isContactFavourite(const QString &contact) const
{
    return settings->isContactFavourite(contact);
}

QList<int> MSettingsDialog::getAnswCallsTimeThresholdList()
{
    return settings->getAnswCallsTimeThresholdList();
}

QList<int> MSettingsDialog::getLostCallsTimeThresholdList()
{
    return settings->getLostCallsTimeThresholdList();
}

QString MSettingsDialog::getLastReportFileName() const
{
    return settings->getLastReportFileName();
}

CTILIB::PeriodType MSettingsDialog::getLastReportPeriod() const
{
    return settings->getLastReportPeriod();
}

void MSettingsDialog::savePos(int x, int y)
{
    settings->savePos(x, y);
}

void MSettingsDialog::saveDimension(int w, int h)
{
    settings->saveDimension(w, h);
}

void MSettingsDialog::setSlimMode(bool on)
{
    settings->setSlimMode(on);
}

void MSettingsDialog::setKeyPadVisible(bool on)
{
    settings->setKeyPadVisible(on);
}

void MSettingsDialog::setVolumesVisible(bool on)
{
    settings->setVolumesVisible(on);
}

void MSettingsDialog::setQCallsCountVisible(bool on)
{
    settings->setQCallsCountVisible(on);
}

void MSettingsDialog::setFuncButtonsVisible(bool on)
{
    settings->setFuncButtonsVisible(on);
}

void MSettingsDialog::setVisuallyImpaired(bool on)
{
    settings->setVisuallyImpaired(on);
}

void MSettingsDialog::setPlayTonesEnabled(bool on)
{
    settings->setPlayTonesEnabled(on);
}

void MSettingsDialog::setCdrFilterValue(MctiConfig::MCdrFilterFlags flags)
{
    settings->setCdrFilterValue(flags);
}

void MSettingsDialog::setCtiUsername(QString username)
{
    settings->setCtiUsername(username);
}

void MSettingsDialog::setCtiPassword(QString password)
{
    settings->setCtiPassword(password);
}

void MSettingsDialog::setSupervisorMode(bool on)
{
    settings->setSupervisorMode(on);
}

void MSettingsDialog::setPauseSettingsEnabled(bool on)
{
    settings->setPauseSettingsEnabled(on);
}

void MSettingsDialog::addFavourites(QString contact)
{
    settings->addFavourites(contact);
}

void MSettingsDialog::removeFavourites(QString contact)
{
    settings->removeFavourites(contact);
}

void MSettingsDialog::updateFavouritesList()
{
    settings->updateFavouritesList();
}

void MSettingsDialog::saveLayouts(QByteArray mainState, QByteArray linesState)
{
    settings->saveLayouts(mainState, linesState);
}

void MSettingsDialog::saveTablesHeaders(QByteArray fav, QByteArray ext, QByteArray cont, QByteArray cdr)
{
    settings->saveTablesHeaders(fav, ext, cont, cdr);
}

void MSettingsDialog::saveLayoutsLock(bool locked)
{
    settings->saveLayoutsLock(locked);
}

void MSettingsDialog::saveReportParameters(CTILIB::PeriodType period, QList<int> answered, QList<int> lost,
                                           QString file)
{
    settings->saveReportParameters(period, answered, lost, file);
}

// ---------------------------------------------------------------------------
// Layouts of the main window

void MSettingsDialog::restoreLayouts(QSplitter *mainSplitter, QSplitter *linesSplitter)
{
    const QByteArray mainState = settings->savedLayoutState(QStringLiteral("mainSplitterState"));
    const QByteArray linesState = settings->savedLayoutState(QStringLiteral("linesSplitterState"));
    if (mainSplitter)
        mainSplitter->restoreState(mainState);
    if (linesSplitter)
        linesSplitter->restoreState(linesState);
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

    const QByteArray state = settings->savedLayoutState(key);

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

void MSettingsDialog::applyPauseSettingsEnabled()
{
    ui->chkPauseOnLogoff->setEnabled(settings->isPauseSettingsEnabled());
    ui->chkPauseOnQueueAnswer->setEnabled(settings->isPauseSettingsEnabled());
}

// Shows the rapid-call modifier and key in force (the first modifier when the
// stored one is not offered).
void MSettingsDialog::showRapidCallKeyInForce()
{
    const int modifier = form()->cbRapidCallModifier->findText(settings->rapidCallModifier());
    form()->cbRapidCallModifier->setCurrentIndex(modifier < 0 ? 0 : modifier);
    form()->leRapidCallKey->setText(settings->rapidCallKey());
}
