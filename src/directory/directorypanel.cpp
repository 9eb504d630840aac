#include "directorypanel.h"

#include "cdrfilterproxymodel.h"
#include "contactfilterproxymodel.h"
#include "customsearchlineedit.h"
#include "customtreeview.h"
#include "dlgcontactedit.h"
#include "extenfavouritefilterproxymodel.h"
#include "extenfilterproxymodel.h"
#include "msettingsstore.h"
#include "sessioncontroller.h"
#include "wdgcdrfilter.h"

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>

namespace
{
const QString PbxName = QStringLiteral("PBX");

QRegExp searchFilter(const QString &text)
{
    return QRegExp(text, Qt::CaseInsensitive, QRegExp::RegExp);
}
} // namespace

DirectoryPanel::DirectoryPanel(MSettingsStore *settings, const Widgets &widgets, QObject *parent)
    : QObject(parent), settings(settings), ui(widgets), contactsRefreshTimer(this), contactSearchTimer(this),
      extenSearchTimer(this), cdrSearchTimer(this), cdrDateTimer(this)
{
    setObjectName(QStringLiteral("directoryPanel"));
    contactsRefreshTimer.setObjectName(QStringLiteral("contactsRefreshTimer"));
    contactSearchTimer.setObjectName(QStringLiteral("contactSearchTimer"));
    extenSearchTimer.setObjectName(QStringLiteral("extenSearchTimer"));
    cdrSearchTimer.setObjectName(QStringLiteral("cdrSearchTimer"));
    cdrDateTimer.setObjectName(QStringLiteral("cdrDateTimer"));
    cdrDateTimer.setSingleShot(true);
    connect(&contactsRefreshTimer, &QTimer::timeout, this, &DirectoryPanel::contactsRefreshDue);
    connect(&contactSearchTimer, &QTimer::timeout, this, &DirectoryPanel::contactSearchDue);
    connect(&extenSearchTimer, &QTimer::timeout, this, &DirectoryPanel::extenSearchDue);
    connect(&cdrSearchTimer, &QTimer::timeout, this, &DirectoryPanel::cdrSearchDue);
    connect(&cdrDateTimer, &QTimer::timeout, this, &DirectoryPanel::cdrDateDue);

    // Adding contacts is offered after log-in.
    ui.btnAddContact->hide();
    ui.btnAddContact->setEnabled(false);
    // In the large-font view the text of the SMS button is wider than the
    // button: widen it to its text, the other function buttons keep their size.
    if (ui.window && ui.window->property("incrsize").toInt() > 0) {
        ui.btnSendSMS->ensurePolished();
        const int textWidth = ui.btnSendSMS->fontMetrics().horizontalAdvance(ui.btnSendSMS->text()) + 8;
        if (textWidth > ui.btnSendSMS->width())
            ui.btnSendSMS->setFixedWidth(textWidth);
    }
    for (CustomTreeView *view : {ui.tvFavourites, ui.tvExtensions, ui.tvContacts, ui.tvCdr}) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->setAnimated(false);
    }

    dlgContactEdit = new DlgContactEdit(ui.window);
}

DirectoryPanel::~DirectoryPanel()
{
    if (dlgContactEdit) {
        dlgContactEdit->disconnect();
        dlgContactEdit->close();
        delete dlgContactEdit;
    }
    delete contactsProxy;
    delete contactsModel;
    delete extenModel;
    delete extenProxy;
    delete favouritesProxy;
    delete cdrProxy;
    delete cdrModel;
    delete cdrFilter;
}

void DirectoryPanel::setSearchDebounceMs(int ms)
{
    searchDebounce = qMax(0, ms);
}

void DirectoryPanel::setModels(QStandardItemModel *contacts, QStandardItemModel *extensions, QStandardItemModel *cdr)
{
    contactsModel = contacts;
    extenModel = extensions;
    cdrModel = cdr;

    contactsProxy = new ContactFilterProxyModel();
    contactsProxy->setSourceModel(contactsModel);
    contactsProxy->setFilterRegExp(searchFilter(ui.txtContactsSearch->text()));
    ui.tvContacts->setModel(contactsProxy);

    extenProxy = new ExtenFilterProxyModel();
    extenProxy->setSourceModel(extenModel);
    extenProxy->setFilterRegExp(searchFilter(ui.txtExtSearch->text()));
    ui.tvExtensions->setModel(extenProxy);

    favouritesProxy = new ExtenFavouriteFilterProxyModel();
    favouritesProxy->setSourceModel(extenModel);
    favouritesProxy->setFilterFixedString(QStringLiteral("F"));
    ui.tvFavourites->setModel(favouritesProxy);

    cdrProxy = new CdrFilterProxyModel();
    cdrProxy->setSourceModel(cdrModel);
    cdrProxy->setFilterDateRange(ui.cdrDateFrom->date(), ui.cdrDateTo->date());
    cdrProxy->setFilterRegExp(searchFilter(ui.txtCdrSearch->text()));
    ui.tvCdr->setModel(cdrProxy);
}

void DirectoryPanel::createCdrFilter()
{
    if (cdrFilter || !settings)
        return;
    cdrFilter = new wdgCdrFilter(settings, nullptr);
    connect(cdrFilter, &wdgCdrFilter::sigCdrFilterChanged, this, &DirectoryPanel::cdrFilterChanged);
    connect(cdrFilter, &wdgCdrFilter::sigCdrFilterClosed, this, &DirectoryPanel::cdrFilterClosed);
}

void DirectoryPanel::onSessionStarted(const PbxSession::SessionStart &session)
{
    const PbxSession::SessionFeatures features = PbxSession::sessionFeatures(session);
    if (features.sendSms) {
        ui.btnSendSMS->setEnabled(true);
        ui.btnSendSMS->show();
        ui.btnSendSMS->setToolTip(tr("Invia SMS"));
    } else {
        ui.btnSendSMS->setEnabled(false);
        ui.btnSendSMS->hide();
        ui.btnSendSMS->setToolTip(tr("Servizio Invia SMS non disponibile"));
    }
    ui.cdrStckWidget->setCurrentWidget(ui.pageCdrNoResults);

    ui.btnAddContact->show();
    if (features.addContact) {
        ui.btnAddContact->setEnabled(true);
        ui.btnAddContact->setToolTip(tr("Aggiungi contatto"));
    } else {
        ui.btnAddContact->setEnabled(false);
        ui.btnAddContact->setToolTip(
            tr("Aggiunta contatto non supportata dalla versione di %1 a cui si è attualmente connessi.").arg(PbxName));
    }

    ui.lblContactsUpdating->setText(tr("Importazione contatti in corso..."));
    const int storedSecs = settings ? settings->getConfig().contactsRefreshTimeoutSecs : 0;
    contactsRefreshTimer.start(refreshIntervalMs(PbxSession::RefreshPeriod::Contacts, storedSecs));
}

void DirectoryPanel::onSessionEnded(const PbxSession::DisconnectReason &reason)
{
    contactsRefreshTimer.stop();
    ui.stackedContacts->setCurrentWidget(ui.pageContacts);
    ui.btnAddContact->hide();
    ui.btnAddContact->setEnabled(false);
    if (reason.isKnown()) {
        for (QStandardItemModel *m : {extenModel, contactsModel, cdrModel}) {
            if (m)
                m->setRowCount(0);
        }
    }
}

void DirectoryPanel::closeDialogs()
{
    if (dlgContactEdit)
        dlgContactEdit->reject();
}
