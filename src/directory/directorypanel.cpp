#include "directorypanel.h"
#include "app/memorytuning.h"

#include "app/globallogger.h"
#include "cdrfilterproxymodel.h"
#include "cdrmodel.h"
#include "cdrrules.h"
#include "contactfilterproxymodel.h"
#include "contactsmodel.h"
#include "ctilib.h"
#include "customtreeview.h"
#include "directorydelegates.h"
#include "directoryroles.h"
#include "dlgcontactedit.h"
#include "extenfavouritefilterproxymodel.h"
#include "extenfilterproxymodel.h"
#include "extenlist.h"
#include "extensionsmodel.h"
#include "framework/clock.h"
#include "mainwindow/session/pbxsession.h"
#include "settings/msettingsstore.h"
#include "wdgcdrfilter.h"
#include "widgets/customsearchlineedit.h"
#include "widgets/guiutils.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QtConcurrent>
#include <memory>
#include <utility>

namespace
{
const QString PbxName = QStringLiteral("PBX");
} // namespace

DirectoryPanel::DirectoryPanel(MSettingsStore *settings, const Widgets &widgets, CtiLib &cti, const Clock &clock,
                               QObject *parent)
    : QObject(parent), settings(settings), cti(cti), clock(clock), ui(widgets), contactsRefreshTimer(this),
      contactSearchTimer(this), extenSearchTimer(this), cdrSearchTimer(this), cdrDateTimer(this), trimTimer(this),
      installTimer(this)
{
    setObjectName(QStringLiteral("directoryPanel"));
    contactsRefreshTimer.setObjectName(QStringLiteral("contactsRefreshTimer"));
    contactSearchTimer.setObjectName(QStringLiteral("contactSearchTimer"));
    extenSearchTimer.setObjectName(QStringLiteral("extenSearchTimer"));
    cdrSearchTimer.setObjectName(QStringLiteral("cdrSearchTimer"));
    cdrDateTimer.setObjectName(QStringLiteral("cdrDateTimer"));
    cdrDateTimer.setSingleShot(true);
    trimTimer.setObjectName(QStringLiteral("memoryTrimTimer"));
    trimTimer.setSingleShot(true);
    trimTimer.setInterval(1000);
    // A released list, or a search pass over one, leaves tens of megabytes of
    // free blocks in the allocator's pools (the builds run on pool threads,
    // each with pools of its own): the free pages go back to the system once
    // things have settled, or every delivery would add to the program's
    // resident size. On a pool thread: it holds the allocator's locks while
    // it works.
    connect(&trimTimer, &QTimer::timeout, this,
            [] { QtConcurrent::run(QThreadPool::globalInstance(), releaseFreedHeap); });
    installTimer.setObjectName(QStringLiteral("installTimer"));
    installTimer.setSingleShot(true);
    installTimer.setInterval(0);
    connect(&installTimer, &QTimer::timeout, this, &DirectoryPanel::runNextInstall);
    connect(&contactsRefreshTimer, &QTimer::timeout, this, &DirectoryPanel::contactsRefreshDue);
    connect(&contactSearchTimer, &QTimer::timeout, this, &DirectoryPanel::contactSearchDue);
    connect(&extenSearchTimer, &QTimer::timeout, this, &DirectoryPanel::extenSearchDue);
    connect(&cdrSearchTimer, &QTimer::timeout, this, &DirectoryPanel::cdrSearchDue);
    connect(&cdrDateTimer, &QTimer::timeout, this, &DirectoryPanel::cdrDateDue);
    // The PBX's directory deliveries.
    connect(&cti, &CtiLib::sigPhonebookChanged, this, &DirectoryPanel::recvdPhonebook);
    connect(&cti, &CtiLib::sigExtenStatusMapChanged, this, &DirectoryPanel::updateExtenListStatus);
    connect(&cti, &CtiLib::sigExtenStatusChanged, this, &DirectoryPanel::updateExtenStatus);
    connect(&cti, &CtiLib::sigCdrChanged, this, &DirectoryPanel::recvdCdr);

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
    // The double-click handler expands and collapses the contact rows: the
    // view must not toggle them a second time.
    for (CustomTreeView *view : {ui.tvFavourites, ui.tvExtensions, ui.tvContacts})
        view->setExpandsOnDoubleClick(false);
}

DlgContactEdit *DirectoryPanel::contactEditDialog()
{
    // Built when first needed: most sessions never edit a contact.
    if (!dlgContactEdit)
        dlgContactEdit = new DlgContactEdit(ui.window);
    return dlgContactEdit;
}

DirectoryPanel::~DirectoryPanel()
{
    // Builds still running: wait for them and release what they made.
    for (QFutureWatcher<ContactsBuild> *watcher : qAsConst(liveWatchers)) {
        watcher->disconnect(this);
        watcher->waitForFinished();
        releaseBuild(watcher);
        delete watcher;
    }
    liveWatchers.clear();
    // Installs still queued refer to the watchers released here.
    pendingInstalls.clear();
    for (QFutureWatcher<CdrBuild> *watcher : qAsConst(liveCdrWatchers)) {
        watcher->disconnect(this);
        watcher->waitForFinished();
        if (watcher->future().resultCount() > 0)
            delete watcher->result().model;
        delete watcher;
    }
    liveCdrWatchers.clear();
    for (QFutureWatcher<ExtenPrepared> *watcher : qAsConst(liveExtenWatchers)) {
        watcher->disconnect(this);
        watcher->waitForFinished();
        if (watcher->future().resultCount() > 0 && watcher->result())
            delete watcher->result()->model;
        delete watcher;
    }
    liveExtenWatchers.clear();
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

void DirectoryPanel::setListRowHeight(int height)
{
    if (height <= 0 || height == rowHeight)
        return;
    rowHeight = height;
    for (DirectoryItemDelegate *d :
         std::initializer_list<DirectoryItemDelegate *>{extenDelegate, favDelegate, contactDelegate, cdrDelegate}) {
        if (!d)
            continue;
        d->setRowHeight(height);
        emit d->sizeHintChanged(QModelIndex());
    }
}

void DirectoryPanel::fitHeadersToFont()
{
    for (CustomTreeView *view : {ui.tvFavourites, ui.tvExtensions, ui.tvContacts, ui.tvCdr}) {
        QHeaderView *h = view ? view->header() : nullptr;
        if (!h)
            continue;
        h->ensurePolished();
        for (int c = 0; c < h->count(); ++c) {
            if (h->isSectionHidden(c) || h->sectionResizeMode(c) != QHeaderView::Interactive)
                continue;
            const int wanted = h->sectionSizeHint(c);
            if (h->sectionSize(c) < wanted)
                h->resizeSection(c, wanted);
        }
    }
}

void DirectoryPanel::setSearchDebounceMs(int ms)
{
    searchDebounce = qMax(0, ms);
}

void DirectoryPanel::setModels(ContactsModel *contacts, ExtensionsModel *extensions, CdrModel *cdr)
{
    contactsModel = contacts;
    extenModel = extensions;
    cdrModel = cdr;

    contactsProxy = new ContactFilterProxyModel();
    contactsProxy->setSourceModel(contactsModel);
    contactsProxy->setSearchText(ui.txtContactsSearch->text());
    ui.tvContacts->setModel(contactsProxy);

    extenProxy = new ExtenFilterProxyModel();
    extenProxy->setSourceModel(extenModel);
    extenProxy->setSearchText(ui.txtExtSearch->text());
    ui.tvExtensions->setModel(extenProxy);

    favouritesProxy = new ExtenFavouriteFilterProxyModel();
    favouritesProxy->setSourceModel(extenModel);
    favouritesProxy->setFilterFixedString(QStringLiteral("F"));
    ui.tvFavourites->setModel(favouritesProxy);

    cdrProxy = new CdrFilterProxyModel();
    cdrProxy->setSourceModel(cdrModel);
    cdrProxy->setFilterDateRange(ui.cdrDateFrom->date(), ui.cdrDateTo->date());
    cdrProxy->setSearchText(ui.txtCdrSearch->text());
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

void DirectoryPanel::onSessionStarted(const SessionRules::SessionStart &session)
{
    const SessionRules::SessionFeatures features = SessionRules::sessionFeatures(session);
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

    // Favourites: kept by the settings store, not asked of the PBX; the
    // stars of the list follow the store's list.
    getFavoriteList();
    ui.lblContactsUpdating->setText(tr("Importazione contatti in corso..."));
    const int storedSecs = settings ? settings->getConfig().contactsRefreshTimeoutSecs : 0;
    contactsRefreshTimer.start(refreshIntervalMs(SessionRules::RefreshPeriod::Contacts, storedSecs));
}

void DirectoryPanel::onSessionEnded(const SessionRules::DisconnectReason &reason)
{
    contactsRefreshTimer.stop();
    extenStatusGate.reset();
    extenDetails.clear();
    extenNames.clear();
    updateRingingStatus();
    ui.stackedContacts->setCurrentWidget(ui.pageContacts);
    ui.btnAddContact->hide();
    ui.btnAddContact->setEnabled(false);
    if (reason.isKnown()) {
        if (extenModel)
            extenModel->clear();
        if (cdrModel)
            cdrModel->clear();
        if (contactsModel)
            contactsModel->clear();
        contactNumbers = ContactNumberIndex();
        lastCdr.clear();
        // Builds still running belong to the ended session.
        pendingWatcher = nullptr;
        pendingCdrWatcher = nullptr;
        pendingExtenWatcher = nullptr;
        ++sessionRound;
        cdrWaitsForContacts = false;
    }
}

void DirectoryPanel::closeDialogs()
{
    if (dlgContactEdit)
        dlgContactEdit->reject();
}

// ---------------------------------------------------------------- access

QAbstractItemModel *DirectoryPanel::contactsFilter() const
{
    return contactsProxy;
}

QAbstractItemModel *DirectoryPanel::extensionsFilter() const
{
    return extenProxy;
}

QAbstractItemModel *DirectoryPanel::favouritesFilter() const
{
    return favouritesProxy;
}

QString DirectoryPanel::timestamp() const
{
    return now().toString(Qt::ISODateWithMs);
}

QDateTime DirectoryPanel::now() const
{
    return clock.now();
}

QSharedPointer<MctiExtenDetails> DirectoryPanel::resolveContactNumber(const QString &number) const
{
    const QString key = number.trimmed();
    if (key.isEmpty())
        return {};
    const auto ext = extenDetails.constFind(key);
    if (ext != extenDetails.constEnd())
        return QSharedPointer<MctiExtenDetails>::create(ext.value());
    const ContactNumberIndex::Contact contact = contactNumbers.contactOf(key);
    if (contact.name.isEmpty())
        return {};
    auto found = QSharedPointer<MctiExtenDetails>::create(key, contact.name);
    found->company = contact.company;
    found->department = contact.unit;
    return found;
}

QString DirectoryPanel::contactNameOf(const QString &number) const
{
    const QString key = number.trimmed();
    const auto ext = extenDetails.constFind(key);
    if (ext != extenDetails.constEnd())
        return ext->name;
    return contactNumbers.nameOf(key);
}

// ---------------------------------------------------------------- views

template <typename Delegate> Delegate *DirectoryPanel::delegateFor(CustomTreeView *view, Delegate *&slot)
{
    if (!slot)
        slot = new Delegate(view, rowHeight);
    view->setItemDelegate(slot);
    return slot;
}

namespace
{
bool prepareView(CustomTreeView *view, int columns, bool restoreHeaders, MSettingsStore *settings,
                 const QString &stateKey)
{
    if (!view || !view->header() || view->header()->count() != columns)
        return false;
    if (restoreHeaders && settings) {
        const QByteArray state = settings->savedLayoutState(stateKey);
        if (!state.isEmpty())
            view->header()->restoreState(state);
    }
    return true;
}

// The contacts' and the call records' columns: a narrow icon, three that the
// user sizes and the last one stretched.
void sizeFiveColumns(QHeaderView *h)
{
    h->setSectionResizeMode(0, QHeaderView::Fixed);
    for (int c = 1; c <= 3; ++c)
        h->setSectionResizeMode(c, QHeaderView::Interactive);
    h->setSectionResizeMode(4, QHeaderView::Stretch);
    h->resizeSection(0, 26);
}

void finishView(CustomTreeView *view)
{
    view->header()->setStretchLastSection(false);
    view->collapseAll();
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}
} // namespace

void DirectoryPanel::initContactTables(CustomTreeView *view, bool restoreHeaders)
{
    if (!prepareView(view, 5, restoreHeaders, settings, QStringLiteral("contTabState")))
        return;
    sizeFiveColumns(view->header());
    finishView(view);
    if (view == ui.tvContacts)
        delegateFor(view, contactDelegate);
    view->setSortingEnabled(true);
    view->sortByColumn(2, Qt::AscendingOrder);
}

void DirectoryPanel::initExtensionsTables(CustomTreeView *view, bool restoreHeaders)
{
    if (!prepareView(view, 8, restoreHeaders, settings,
                     view == ui.tvFavourites ? QStringLiteral("favTabState") : QStringLiteral("extTabState")))
        return;
    QHeaderView *h = view->header();
    h->setSectionResizeMode(0, QHeaderView::Fixed);
    h->setSectionResizeMode(1, QHeaderView::Fixed);
    for (int c = 2; c <= 4; ++c)
        h->setSectionResizeMode(c, QHeaderView::Interactive);
    h->setSectionResizeMode(5, QHeaderView::Stretch);
    h->setSectionResizeMode(6, QHeaderView::Interactive);
    h->setSectionResizeMode(7, QHeaderView::Fixed);
    h->resizeSection(0, 26);
    h->resizeSection(1, 26);
    h->resizeSection(6, 0);
    h->resizeSection(7, 39);
    h->setSectionHidden(6, true);
    finishView(view);
    if (view == ui.tvExtensions)
        delegateFor(view, extenDelegate);
    else if (view == ui.tvFavourites)
        delegateFor(view, favDelegate);
    view->setSortingEnabled(true);
    view->sortByColumn(2, Qt::AscendingOrder);
}

void DirectoryPanel::initCdrTables(CustomTreeView *view, bool restoreHeaders)
{
    if (!prepareView(view, 5, restoreHeaders, settings, QStringLiteral("cdrTabState")))
        return;
    sizeFiveColumns(view->header());
    finishView(view);
    if (view == ui.tvCdr)
        delegateFor(view, cdrDelegate);
    view->setSortingEnabled(true);
    view->sortByColumn(3, Qt::DescendingOrder);
}

// ---------------------------------------------------------------- phone books

void DirectoryPanel::recvdPhonebook(const PhoneBookList &phonebooks, CTILIB::PhonebookTypeFlags flags)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "recvd PhoneBookList!";
    PhoneBookList contacts, extensions;
    int contactEntries = 0;
    for (const PhoneBook &book : phonebooks) {
        if (book.source == QLatin1String("velora") || book.source == QLatin1String("outlook")) {
            contacts.append(book);
            contactEntries += book.entries.size();
        } else if (book.source == QLatin1String("exten")) {
            extensions.append(book);
        }
    }
    if (flags & (CTILIB::PhonebookPbx | CTILIB::PhonebookExternal)) {
        // The model is built on a worker; its log lines are written here.
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "enter";
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Received a new PhoneBookList w/" << contacts.size() << "phonebooks"
                                << "having" << contactEntries << "total entries";
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Create new PhoneBook model..."
                               << "startTs:" << timestamp();
        auto *watcher = new QFutureWatcher<ContactsBuild>(this);
        connect(watcher, &QFutureWatcherBase::finished, this,
                [this, watcher] { queueInstall([this, watcher] { onContactsModelReady(watcher); }); });
        pendingWatcher = watcher;
        liveWatchers.append(watcher);
        QThread *gui = thread();
        // The rows are put in the list's current order on the worker: the
        // filter then shows them as they stand instead of sorting them here.
        const int column = contactsProxy && contactsProxy->shownSortColumn() >= 0 ? contactsProxy->shownSortColumn()
                                                                                  : int(ContactsModel::LastNameColumn);
        const Qt::SortOrder order = contactsProxy ? contactsProxy->shownSortOrder() : Qt::AscendingOrder;
        watcher->setFuture(QtConcurrent::run(QThreadPool::globalInstance(), [contacts, gui, column, order]() {
            return DirectoryModels::buildContactsModel(contacts, gui, column, order);
        }));
    }
    if (flags & CTILIB::PhonebookExtensions)
        recvdExtenList(extensions);
    ui.lblContactsUpdating->setText(QString());
}

void DirectoryPanel::releaseBuild(QFutureWatcher<ContactsBuild> *watcher)
{
    if (watcher->future().resultCount() > 0) {
        delete watcher->result().model;
    }
}

// A replaced model is released away from the GUI thread: freeing tens of
// thousands of items would stall the window. Nothing refers to it any more.
void DirectoryPanel::releaseModel(QAbstractItemModel *old)
{
    if (!old)
        return;
    old->setParent(nullptr);
    old->moveToThread(nullptr);
    QtConcurrent::run(QThreadPool::globalInstance(), [old]() { delete old; });
    trimTimer.start();
}

void DirectoryPanel::queueInstall(std::function<void()> install, InstallTurn turn)
{
    if (turn == InstallTurn::Next)
        pendingInstalls.push_front(std::move(install));
    else
        pendingInstalls.push_back(std::move(install));
    if (!installTimer.isActive())
        installTimer.start();
}

void DirectoryPanel::runNextInstall()
{
    if (pendingInstalls.empty())
        return;
    const std::function<void()> install = std::move(pendingInstalls.front());
    pendingInstalls.pop_front();
    install();
    // The next one waits for the next turn of the event loop, timed from the
    // end of this one: the loop's other timers due meanwhile come first.
    if (!pendingInstalls.empty())
        installTimer.start();
}

void DirectoryPanel::onContactsModelReady(QFutureWatcher<ContactsBuild> *watcher)
{
    liveWatchers.removeAll(watcher);
    watcher->deleteLater();
    ContactsBuild build = watcher->future().resultCount() > 0 ? watcher->result() : ContactsBuild();
    if (watcher != pendingWatcher) {
        // A later delivery is being built: this result is stale.
        releaseModel(build.model);
        return;
    }
    pendingWatcher = nullptr;
    const bool install = build.model && settings;
    if (install) {
        ContactsModel *old = contactsModel;
        contactsModel = build.model;
        // The previous index goes with the previous model: freeing it would
        // stall the window.
        std::swap(contactNumbers, build.index);
        auto previous = std::make_shared<ContactNumberIndex>(std::move(build.index));
        QtConcurrent::run(QThreadPool::globalInstance(), [previous]() { *previous = ContactNumberIndex(); });
        build.index = ContactNumberIndex();
        contactsProxy->setSourceModel(contactsModel);
        releaseModel(old);
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "New PhoneBook model has" << contactsModel->rowCount() << "rows."
                                << "endTs:" << timestamp();
        ui.stackedContacts->setCurrentWidget(ui.pageContacts);
    } else {
        releaseModel(build.model);
    }
    // The call history names its parties from the new phone book.
    const bool rebuildCdr = (cdrWaitsForContacts || (install && !lastCdr.isEmpty())) && cdrProxy;
    cdrWaitsForContacts = false;
    if (rebuildCdr)
        recvdCdr(lastCdr);
    if (install)
        emit contactsModelInstalled();
}

void DirectoryPanel::recvdExtenList(const PhoneBookList &books)
{
    int entries = 0;
    for (const PhoneBook &book : books)
        entries += book.entries.size();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "enter";
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Received a new ExtenList w/" << books.size() << "phonebooks"
                            << "having" << entries << "total entries";
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Create new ExtenList model..."
                           << "startTs:" << timestamp();
    // The rows are made on a worker; the extension map is reconciled with
    // them on the GUI thread when they are installed, so that the live
    // states received meanwhile are those the new rows show.
    auto *watcher = new QFutureWatcher<ExtenPrepared>(this);
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, watcher] { queueInstall([this, watcher] { onExtenModelReady(watcher); }); });
    pendingExtenWatcher = watcher;
    liveExtenWatchers.append(watcher);
    QThread *gui = thread();
    const QString own = cti.getUserExtension();
    watcher->setFuture(QtConcurrent::run(QThreadPool::globalInstance(), [books, own, gui]() {
        auto prepared = std::make_shared<ExtenList::Prepared>(ExtenList::prepare(books, own));
        prepared->model->moveToThread(gui);
        return prepared;
    }));
}

void DirectoryPanel::onExtenModelReady(QFutureWatcher<ExtenPrepared> *watcher)
{
    liveExtenWatchers.removeAll(watcher);
    watcher->deleteLater();
    if (watcher->future().resultCount() == 0 || !watcher->result())
        return;
    // Taken out of the finished task whole: the delivery's records are freed
    // on a worker once installed, not with the task on the GUI thread.
    auto prepared = std::make_shared<ExtenList::Prepared>(std::move(*watcher->result()));
    const auto releasePrepared = [](std::shared_ptr<ExtenList::Prepared> rest) {
        QtConcurrent::run(QThreadPool::globalInstance(), [rest = std::move(rest)]() mutable { rest.reset(); });
    };
    if (watcher != pendingExtenWatcher || !extenProxy) {
        // A later delivery is being built, or the session ended: stale.
        releaseModel(prepared->model);
        prepared->model = nullptr;
        releasePrepared(std::move(prepared));
        return;
    }
    pendingExtenWatcher = nullptr;
    // The states of the extensions are asked for once there are records
    // to put them in.
    const bool firstList = extenDetails.isEmpty();
    QHash<QString, QString> names = prepared->names;
    MSettingsStore *store = settings;
    const auto isFavourite = [store](const QString &extension) {
        return store && store->isContactFavourite(QStringLiteral("E") + extension);
    };
    // The map first; the rows take their live states from it on the next
    // turn of the event loop (states received meanwhile go to the map), then
    // the views show them.
    const ExtenList::Rebuild result =
        ExtenList::reconcile(*prepared, extenDetails, cti.getUserExtension(), tr("IO"), isFavourite);
    releasePrepared(std::move(prepared));
    // The map holds the listed extensions and the own one.
    const QString own = cti.getUserExtension();
    if (!own.isEmpty())
        names.insert(own, extenDetails.value(own).name);
    extenNames.swap(names);
    auto previous = std::make_shared<QHash<QString, QString>>(std::move(names));
    QtConcurrent::run(QThreadPool::globalInstance(), [previous]() { *previous = QHash<QString, QString>(); });
    // Held by the panel until shown: released with it if it goes first.
    result.model->setParent(this);
    const int round = sessionRound;
    queueInstall(
        [this, result, firstList, isFavourite, round] {
            if (round != sessionRound || !extenProxy) {
                releaseModel(result.model);
                return;
            }
            result.model->setParent(nullptr);
            ExtenList::takeLiveStates(result.model, extenDetails, isFavourite);
            logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "New ExtenList model has" << result.model->rowCount() << "rows."
                                    << "endTs:" << timestamp();
            ExtensionsModel *old = extenModel;
            extenModel = result.model;
            extenProxy->setSourceModel(extenModel);
            favouritesProxy->setSourceModel(extenModel);
            releaseModel(old);
            if (firstList)
                extenStatusGate.request();
            for (const MctiExtenDetails &renamed : qAsConst(result.renamed))
                emit extenNameUpdated(renamed);
            updateRingingStatus();
            if (cdrWaitsForContacts && !pendingWatcher && !pendingExtenWatcher && cdrProxy) {
                cdrWaitsForContacts = false;
                recvdCdr(lastCdr);
            }
            // Its listeners redo their own views: on a turn of their own.
            queueInstall([this] { emit extenListRebuilt(); }, InstallTurn::Next);
        },
        InstallTurn::Next);
}

void DirectoryPanel::getFavoriteList()
{
    if (!extenModel || !settings)
        return;
    for (int row = 0; row < extenModel->rowCount(); ++row) {
        const QString number = extenModel->extensionAt(row);
        const bool favourite = settings->isContactFavourite(QStringLiteral("E") + number);
        if (extenDetails.contains(number))
            extenDetails[number].favourite = favourite;
        extenModel->setFavourite(row, favourite);
    }
}

// ---------------------------------------------------------------- live status

void DirectoryPanel::refreshExtenStatus(const BuddyStatus &status, bool &ringingChanged)
{
    ringingChanged = false;
    if (!extenModel)
        return;
    if (!status.exten.isEmpty() && status.exten == cti.getUserExtension()) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO
                                << "Updating local user status. State:" << CTILIB::blfStatusToString(status.blfStatus);
        emit ownBlfStatusReceived(CTILIB::BlfStatus(status.blfStatus));
    }
    const ExtenList::StatusChange change = ExtenList::applyStatus(extenDetails, extenModel, status);
    if (!change.known)
        return;
    ringingChanged = change.ringingChanged;
    if (change.blfChanged && status.blfStatus == CTILIB::BlfIdle)
        emit extenBecameIdle(status.exten);
    if (change.blfChanged || change.accountsChanged)
        emit operatorStatusChanged(status.exten);
}

bool DirectoryPanel::sendExtenStatusRequest()
{
    if (!cti.isConnected())
        return false;
    cti.getExtenStatus();
    cti.getServiceStatus();
    return true;
}

bool DirectoryPanel::setExtenPresence(const QString &exten, int presence, const QString &message)
{
    const auto it = extenDetails.find(exten);
    if (it == extenDetails.end())
        return false;
    const int old = it->presence;
    it->presence = presence;
    it->presenceText = message;
    if (presence != old && extenModel)
        extenModel->setPresence(extenModel->rowOf(exten), presence);
    return true;
}

void DirectoryPanel::updateExtenListStatus(const BuddyStatusMap &statuses)
{
    extenStatusGate.answered();
    if (!extenModel)
        return;
    bool anyRinging = false;
    for (auto it = statuses.cbegin(); it != statuses.cend(); ++it) {
        bool ringing = false;
        refreshExtenStatus(it.value(), ringing);
        emit extenPresenceUpdated(it.value());
        anyRinging = anyRinging || ringing;
    }
    if (anyRinging)
        updateRingingStatus();
}

void DirectoryPanel::updateExtenStatus(const BuddyStatus &status)
{
    if (!extenModel)
        return;
    bool ringing = false;
    refreshExtenStatus(status, ringing);
    emit extenPresenceUpdated(status);
    if (ringing)
        updateRingingStatus();
}

void DirectoryPanel::updateRingingStatus()
{
    bool ringing = false;
    for (const MctiExtenDetails &d : qAsConst(extenDetails)) {
        if (ExtenList::isRinging(d.blfState)) {
            ringing = true;
            break;
        }
    }
    for (extenItemDelegate *d : {extenDelegate, favDelegate}) {
        if (!d)
            continue;
        if (ringing)
            d->startRinging();
        else
            d->stopRinging();
    }
}

// ---------------------------------------------------------------- clicks

void DirectoryPanel::onClickedOnExtenTable(QObject *sender, const QModelIndex &index)
{
    if (sender != ui.tvExtensions && sender != ui.tvFavourites)
        return;
    auto *proxy = qobject_cast<const QSortFilterProxyModel *>(index.model());
    if (!index.isValid() || !proxy || index.parent().isValid() || !extenModel)
        return;
    const QModelIndex source = proxy->mapToSource(index);
    if (source.column() != 7 || source.model() != extenModel)
        return;
    const QString number = extenModel->extensionAt(source.row());
    const bool wasFavourite = source.data(DirRole::Favourite).toString() == QLatin1String("F");
    if (settings) {
        if (wasFavourite)
            settings->removeFavourites(QStringLiteral("E") + number);
        else
            settings->addFavourites(QStringLiteral("E") + number);
    }
    if (extenDetails.contains(number))
        extenDetails[number].favourite = !wasFavourite;
    extenModel->setFavourite(source.row(), !wasFavourite);
}

void DirectoryPanel::onDblClickedOnContactsTable(QObject *sender, const QModelIndex &index)
{
    auto *view = qobject_cast<CustomTreeView *>(sender);
    if (!view || (view != ui.tvContacts && view != ui.tvExtensions && view != ui.tvFavourites))
        return;
    if (!index.isValid() || !qobject_cast<const QSortFilterProxyModel *>(index.model()))
        return;
    if (index.parent().isValid()) {
        emit defaultRowActionRequested(index.data().toString(), index.data(DirRole::Visibility).toInt());
        return;
    }
    const QModelIndex first = index.sibling(index.row(), 0);
    view->setExpanded(first, !view->isExpanded(first));
}

void DirectoryPanel::onDblClickedOnCdrTable(QObject *sender, const QModelIndex &index)
{
    if (sender != ui.tvCdr || !index.isValid() || index.parent().isValid())
        return;
    auto *proxy = qobject_cast<const QSortFilterProxyModel *>(index.model());
    if (!proxy)
        return;
    const QModelIndex source = proxy->mapToSource(index);
    const QModelIndex number = source.sibling(source.row(), 2);
    emit defaultRowActionRequested(number.data().toString(), number.data(DirRole::Visibility).toInt());
}

// ---------------------------------------------------------------- search

void DirectoryPanel::updateSearchResults()
{
    contactSearchTimer.stop();
    contactSearchTimer.start(searchDebounce);
}

void DirectoryPanel::updateExtSearchResults()
{
    extenSearchTimer.stop();
    extenSearchTimer.start(searchDebounce);
}

void DirectoryPanel::updateCdrSearchResults()
{
    cdrSearchTimer.stop();
    cdrSearchTimer.start(searchDebounce);
}

void DirectoryPanel::triggerContactSearch()
{
    contactSearchTimer.stop();
    if (contactsProxy)
        contactsProxy->setSearchText(ui.txtContactsSearch->text());
    trimTimer.start();
}

bool DirectoryPanel::isContactSearchPending() const
{
    return contactSearchTimer.isActive() || (contactsProxy && contactsProxy->isSearchPending());
}

void DirectoryPanel::triggerExtSearch()
{
    extenSearchTimer.stop();
    if (extenProxy)
        extenProxy->setSearchText(ui.txtExtSearch->text());
    trimTimer.start();
}

void DirectoryPanel::triggerCdrSearch()
{
    cdrSearchTimer.stop();
    if (cdrProxy)
        cdrProxy->setSearchText(ui.txtCdrSearch->text());
    onCdrResultCountChanged();
}

void DirectoryPanel::onCdrResultCountChanged()
{
    QAbstractItemModel *model = ui.tvCdr->model();
    const bool any = model && model->rowCount() > 0;
    if (any && ui.pageCdr)
        ui.cdrStckWidget->setCurrentWidget(ui.pageCdr);
    else
        ui.cdrStckWidget->setCurrentWidget(ui.pageCdrNoResults);
}

void DirectoryPanel::onDateFilterChanged()
{
    ui.cdrDateFrom->setMaximumDate(ui.cdrDateTo->date());
    ui.cdrDateTo->setMinimumDate(ui.cdrDateFrom->date());
    if (cdrProxy)
        cdrProxy->setFilterDateRange(ui.cdrDateFrom->date(), ui.cdrDateTo->date());
    onCdrResultCountChanged();
}

void DirectoryPanel::onUpdateCdrCurrentDate()
{
    const int days = settings ? settings->getMaxCdrViewDays() : 1;
    const QDateTime current = now();
    const QDate today = current.date();
    ui.cdrDateTo->setMaximumDate(today);
    ui.cdrDateFrom->setMinimumDate(today.addDays(-days));
    ui.cdrDateTo->setDate(ui.cdrDateTo->maximumDate());
    ui.cdrDateFrom->setDate(ui.cdrDateFrom->minimumDate());
    QDateTime midnight = current;
    midnight.setDate(today.addDays(1));
    midnight.setTime(QTime(0, 0));
    const qint64 untilMidnight = qMax<qint64>(0, current.msecsTo(midnight));
    cdrDateTimer.start(GuiUtils::randomValue(int(qMin<qint64>(untilMidnight, 86400000)), 300000));
}

void DirectoryPanel::onCdrFilterChanged(MctiConfig::MCdrFilterFlags flags, const QIcon &filterOn,
                                        const QIcon &filterOff)
{
    if (cdrProxy) {
        cdrProxy->setCdrFilter(flags);
        onCdrResultCountChanged();
    }
    if (ui.cdrFilterButton)
        ui.cdrFilterButton->setIcon(int(flags) == CdrRules::AllFilterBits ? filterOff : filterOn);
}

void DirectoryPanel::openCdrFilter()
{
    if (!cdrFilter)
        return;
    cdrFilter->setWindowTitle(tr("Filtro Registro Chiamate"));
    cdrFilter->updateGui();
    cdrFilter->putOnTop();
    if (ui.cdrFilterButton)
        ui.cdrFilterButton->setEnabled(false);
}

void DirectoryPanel::onCdrFilterClosed()
{
    if (ui.cdrFilterButton)
        ui.cdrFilterButton->setEnabled(true);
}

void DirectoryPanel::refreshCdr(bool force)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Asking for CDR refresh";
    if (cti.isConnected())
        cti.getCDR(force, QString());
}

void DirectoryPanel::refreshContactsList()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Asking for contact list refresh";
    if (cti.isConnected())
        cti.getContactsList(false, CTILIB::PhonebookAll);
}

// ---------------------------------------------------------------- call history

void DirectoryPanel::recvdCdr(const Cdr &cdr)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Received a new Cdr w/" << cdr.size() << "entries";
    if (&cdr != &lastCdr) {
        // The previous records are freed on a worker: ten thousand of them
        // take longer than the window may stall.
        // The worker empties the list itself: whichever copy of the task
        // goes last, the records are never freed here.
        auto previous = std::make_shared<Cdr>(std::exchange(lastCdr, cdr));
        if (!previous->isEmpty())
            QtConcurrent::run(QThreadPool::globalInstance(), [previous]() { *previous = Cdr(); });
    }
    // A phone book or an extension list on its way: its names are wanted in
    // the list, and its installation builds the list then. One build instead
    // of two.
    cdrWaitsForContacts = pendingWatcher != nullptr || pendingExtenWatcher != nullptr;
    if (cdrWaitsForContacts) {
        pendingCdrWatcher = nullptr;
        return;
    }
    const int days = settings ? settings->getMaxCdrViewDays() : 1;
    const QDateTime cut = CdrRules::cutOff(now(), days);
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Filtering CDR entries before" << cut.toString(Qt::ISODate) << "(i.e."
                           << days << "days)";
    if (cdrIcons.isEmpty())
        cdrIcons = CdrRules::typeIcons();
    // The worker resolves names from copies of the two indexes as they are now.
    const QHash<QString, QString> extenNames = this->extenNames;
    const ContactNumberIndex contacts = contactNumbers;
    const QHash<QString, QIcon> icons = cdrIcons;
    QThread *gui = thread();
    auto *watcher = new QFutureWatcher<CdrBuild>(this);
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, watcher] { queueInstall([this, watcher] { onCdrModelReady(watcher); }); });
    pendingCdrWatcher = watcher;
    liveCdrWatchers.append(watcher);
    const Cdr entries = lastCdr;
    const int sortColumn = cdrProxy ? cdrProxy->shownSortColumn() : -1;
    const Qt::SortOrder sortOrder = cdrProxy ? cdrProxy->shownSortOrder() : Qt::AscendingOrder;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Update new CDR model entries..."
                           << "startTs:" << timestamp();
    watcher->setFuture(QtConcurrent::run(QThreadPool::globalInstance(), [=]() {
        CdrBuild build;
        const auto resolve = [&](const QString &number) {
            const QString key = number.trimmed();
            const auto ext = extenNames.constFind(key);
            return ext != extenNames.constEnd() ? ext.value() : contacts.nameOf(key);
        };
        build.model = CdrRules::buildModel(entries, cut, resolve, icons, &build.notes, &build.unknownTypes);
        // In the list's current order: the filter shows the rows as they stand.
        build.model->orderRows(sortColumn, sortOrder);
        build.model->moveToThread(gui);
        return build;
    }));
}

void DirectoryPanel::onCdrModelReady(QFutureWatcher<CdrBuild> *watcher)
{
    liveCdrWatchers.removeAll(watcher);
    watcher->deleteLater();
    if (watcher->future().resultCount() == 0)
        return;
    const CdrBuild build = watcher->result();
    if (watcher != pendingCdrWatcher || !cdrProxy) {
        releaseModel(build.model);
        return;
    }
    pendingCdrWatcher = nullptr;
    for (const QString &note : build.notes)
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << note;
    for (const QString &key : build.unknownTypes)
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Unable to find a proper icon for type" << key;
    CdrModel *old = cdrModel;
    cdrModel = build.model;
    cdrProxy->setSourceModel(cdrModel);
    releaseModel(old);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "New CDR model has" << cdrModel->rowCount() << "rows."
                            << "endTs:" << timestamp();
    onCdrResultCountChanged();
}
