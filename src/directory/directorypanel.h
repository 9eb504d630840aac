// The directories and call history of the main window: the phone book, the
// extensions and favourites, the call records, their models, filters, search
// timers and the contact editor.
#pragma once

#include "app/mcticonfig.h"
#include "app/requestgate.h"
#include "contactrows.h"
#include "ctilibtypes.h"
#include "extenlist.h"
#include "mainwindow/session/sessionrules.h"
#include "mctiextendetails.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

class CdrFilterProxyModel;
class Clock;
class QAbstractItemModel;
class CtiLib;
class cdrItemDelegate;
class contactItemDelegate;
class extenItemDelegate;
class QModelIndex;
class ContactFilterProxyModel;
class CdrModel;
class ContactsModel;
class ExtensionsModel;
class CustomSearchLineEdit;
class CustomTreeView;
class DlgContactEdit;
class ExtenFavouriteFilterProxyModel;
class ExtenFilterProxyModel;
class MSettingsStore;
class QDateEdit;
class QLabel;
class QPushButton;
class QStackedWidget;
class QStandardItemModel;
class QWidget;
class wdgCdrFilter;

class DirectoryPanel : public QObject
{
    Q_OBJECT
public:
    // The main form's widgets this object drives.
    struct Widgets {
        QWidget *window = nullptr; // parent of the contact editor
        CustomTreeView *tvFavourites = nullptr;
        CustomTreeView *tvExtensions = nullptr;
        CustomTreeView *tvContacts = nullptr;
        CustomTreeView *tvCdr = nullptr;
        CustomSearchLineEdit *txtExtSearch = nullptr;
        CustomSearchLineEdit *txtContactsSearch = nullptr;
        CustomSearchLineEdit *txtCdrSearch = nullptr;
        QDateEdit *cdrDateFrom = nullptr;
        QDateEdit *cdrDateTo = nullptr;
        QPushButton *btnAddContact = nullptr;
        QPushButton *btnSendSMS = nullptr;
        QLabel *lblContactsUpdating = nullptr;
        QStackedWidget *stackedContacts = nullptr;
        QWidget *pageContacts = nullptr;
        QStackedWidget *cdrStckWidget = nullptr;
        QWidget *pageCdrNoResults = nullptr;
        QWidget *pageCdr = nullptr;
        QPushButton *cdrFilterButton = nullptr;
    };
    // Takes the CTI client's directory deliveries; `cti` and `clock` (the
    // call history's cut-off and date limits) outlive this object.
    DirectoryPanel(MSettingsStore *settings, const Widgets &widgets, CtiLib &cti, const Clock &clock,
                   QObject *parent = nullptr);
    ~DirectoryPanel() override;

    // Takes the three models over, puts a filter proxy over each and shows
    // them in the four views.
    void setModels(ContactsModel *contacts, ExtensionsModel *extensions, CdrModel *cdr);
    // The call-history filter widget, made once for the settings.
    void createCdrFilter();

    ContactsModel *contactsBookModel() const { return contactsModel; }
    ExtensionsModel *extensionsModel() const { return extenModel; }
    CdrModel *callHistoryModel() const { return cdrModel; }
    // The contact editor, built on first use.
    DlgContactEdit *contactEditDialog();
    wdgCdrFilter *cdrFilterWidget() const { return cdrFilter; }
    int listRowHeight() const { return rowHeight; }
    // The row height of the four lists (the large-font view has taller rows);
    // the delegates follow and the views lay their rows out again.
    void setListRowHeight(int height);
    // Widens the sections of the four lists that the user sizes where their
    // title no longer fits (after a change of font); never narrows one.
    void fitHeadersToFont();
    static constexpr int NormalRowHeight = 32;
    QAbstractItemModel *contactsFilter() const;
    QAbstractItemModel *extensionsFilter() const;
    QAbstractItemModel *favouritesFilter() const;
    CdrFilterProxyModel *callHistoryFilter() const { return cdrProxy; }
    extenItemDelegate *extensionsDelegate() const { return extenDelegate; }
    extenItemDelegate *favouritesDelegate() const { return favDelegate; }

    // --- for call handling, chat and the supervisor panel
    // The extension map, keyed by extension number (lives as long as this object).
    MctiExtenMap *extensionMap() { return &extenDetails; }
    const MctiExtenMap &extensions() const { return extenDetails; }
    // The details of the party with that number: its extension record when it
    // is an extension, else a record with the phone-book contact's name.
    // Null when the number is neither. Answered from indexes, not by scanning.
    QSharedPointer<MctiExtenDetails> resolveContactNumber(const QString &number) const;
    // Stores a colleague's chat presence in its record and, when it changed,
    // shows it in the extensions and favourites lists. False for a number
    // that is no extension.
    bool setExtenPresence(const QString &exten, int presence, const QString &message);
    // The name resolveContactNumber() gives, "" when unknown.
    QString contactNameOf(const QString &number) const;

    // --- the models and views
    void initContactTables(CustomTreeView *view, bool restoreHeaders);
    void initExtensionsTables(CustomTreeView *view, bool restoreHeaders);
    void initCdrTables(CustomTreeView *view, bool restoreHeaders);

    // --- deliveries of the PBX
    void recvdPhonebook(const PhoneBookList &phonebooks, CTILIB::PhonebookTypeFlags flags);
    void recvdExtenList(const PhoneBookList &books);
    void updateExtenListStatus(const BuddyStatusMap &statuses);
    void updateExtenStatus(const BuddyStatus &status);
    void recvdCdr(const Cdr &cdr);
    bool isContactsBuildPending() const { return pendingWatcher != nullptr; }
    // An extension list is being built on a worker.
    bool isExtenBuildPending() const { return pendingExtenWatcher != nullptr; }
    // A call-history build is running, or waits for the phone book's or the
    // extension list's (whose names it shows).
    bool isCdrBuildPending() const { return pendingCdrWatcher != nullptr || cdrWaitsForContacts; }

    // --- user input
    void onClickedOnExtenTable(QObject *sender, const QModelIndex &index);
    void onDblClickedOnContactsTable(QObject *sender, const QModelIndex &index);
    void onDblClickedOnCdrTable(QObject *sender, const QModelIndex &index);
    void updateSearchResults();
    void updateExtSearchResults();
    void updateCdrSearchResults();
    void triggerContactSearch();
    // A phone-book search waits for the pause in typing or runs on a worker.
    bool isContactSearchPending() const;
    void triggerExtSearch();
    void triggerCdrSearch();
    void onDateFilterChanged();
    void onUpdateCdrCurrentDate();
    void onCdrResultCountChanged();
    void onCdrFilterChanged(MctiConfig::MCdrFilterFlags flags, const QIcon &filterOn, const QIcon &filterOff);
    void openCdrFilter();
    void onCdrFilterClosed();
    void refreshCdr(bool force);
    void refreshContactsList();

    // Puts the stars of the settings store's favourites on the extension list.
    void getFavoriteList();

    // The pause in typing after which a search runs, in ms (250); tests shorten it.
    int searchDebounceMs() const { return searchDebounce; }
    void setSearchDebounceMs(int ms);

public slots:
    void onSessionStarted(const SessionRules::SessionStart &session);
    void onSessionEnded(const SessionRules::DisconnectReason &reason);
    void closeDialogs();

signals:
    // A child row or a call-history row asks for its default action (call the number).
    void defaultRowActionRequested(const QString &number, int kind);
    // An extension's record was (re)named: chat and the supervisor panel follow.
    void extenNameUpdated(const MctiExtenDetails &details);
    void extenPresenceUpdated(const BuddyStatus &status);
    // The busy-lamp state of the user's own extension, on each status of it.
    void ownBlfStatusReceived(CTILIB::BlfStatus state);
    // A BLF state or account list changed: the supervisor panel recounts.
    void operatorStatusChanged(const QString &extension);
    void extenListRebuilt();
    // An extension became idle (a booked call on it may be placed now).
    void extenBecameIdle(const QString &extension);
    void contactsModelInstalled();
    void contactsRefreshDue();
    void contactSearchDue();
    void extenSearchDue();
    void cdrSearchDue();
    void cdrDateDue();
    void cdrFilterChanged(MctiConfig::MCdrFilterFlags flags);
    void cdrFilterClosed();

private:
    struct CdrBuild {
        CdrModel *model = nullptr;
        QStringList notes;
        QStringList unknownTypes; // call type keys without an icon
    };
    // A prepared extension list, held once: what its install leaves is freed
    // away from the GUI thread, not with the finished task.
    using ExtenPrepared = std::shared_ptr<ExtenList::Prepared>;
    void onContactsModelReady(QFutureWatcher<ContactsBuild> *watcher);
    void onCdrModelReady(QFutureWatcher<CdrBuild> *watcher);
    void onExtenModelReady(QFutureWatcher<ExtenPrepared> *watcher);
    // Installing a finished build takes the GUI thread several milliseconds
    // (the views lay out their new rows): the installs of one delivery run
    // one per turn of the event loop, in the order their builds finished.
    enum class InstallTurn { Last, Next };
    void queueInstall(std::function<void()> install, InstallTurn turn = InstallTurn::Last);
    void runNextInstall();
    void updateRingingStatus();
    void refreshExtenStatus(const BuddyStatus &status, bool &ringingChanged);
    void releaseBuild(QFutureWatcher<ContactsBuild> *watcher);
    template <typename Delegate> Delegate *delegateFor(CustomTreeView *view, Delegate *&slot);
    QDateTime now() const;
    // The current time as the build log lines show it.
    QString timestamp() const;

    QPointer<MSettingsStore> settings;
    CtiLib &cti;
    const Clock &clock;
    MctiExtenMap extenDetails;
    // The names of extenDetails by number, made with each extension list:
    // what the call history's builds resolve extensions with.
    QHash<QString, QString> extenNames;
    Cdr lastCdr; // names are resolved again when a new phone book arrives
    ContactNumberIndex contactNumbers;
    QFutureWatcher<ContactsBuild> *pendingWatcher = nullptr;
    QList<QFutureWatcher<ContactsBuild> *> liveWatchers;
    QFutureWatcher<ExtenPrepared> *pendingExtenWatcher = nullptr;
    QList<QFutureWatcher<ExtenPrepared> *> liveExtenWatchers;
    QFutureWatcher<CdrBuild> *pendingCdrWatcher = nullptr;
    QList<QFutureWatcher<CdrBuild> *> liveCdrWatchers;
    QHash<QString, QIcon> cdrIcons;
    void releaseModel(QAbstractItemModel *old);
    extenItemDelegate *extenDelegate = nullptr;
    extenItemDelegate *favDelegate = nullptr;
    contactItemDelegate *contactDelegate = nullptr;
    cdrItemDelegate *cdrDelegate = nullptr;
    Widgets ui;
    int rowHeight = NormalRowHeight;
    int searchDebounce = 250;
    ContactsModel *contactsModel = nullptr;
    CdrModel *cdrModel = nullptr;
    bool cdrWaitsForContacts = false;
    ExtensionsModel *extenModel = nullptr;
    ContactFilterProxyModel *contactsProxy = nullptr;
    CdrFilterProxyModel *cdrProxy = nullptr;
    ExtenFilterProxyModel *extenProxy = nullptr;
    ExtenFavouriteFilterProxyModel *favouritesProxy = nullptr;
    wdgCdrFilter *cdrFilter = nullptr;
    DlgContactEdit *dlgContactEdit = nullptr;
    // The extensions' and services' states, asked for when a phone book of
    // extensions finds the map empty: one request on its way until the
    // status map arrives.
    bool sendExtenStatusRequest();
    RequestGate extenStatusGate{QStringLiteral("Extension status request"), [this] { return sendExtenStatusRequest(); },
                                RequestGate::Timing{20000, 1000}};
    QTimer contactsRefreshTimer;
    QTimer contactSearchTimer;
    QTimer extenSearchTimer;
    QTimer cdrSearchTimer;
    QTimer cdrDateTimer;
    QTimer trimTimer; // hands freed memory back once releases have settled
    std::deque<std::function<void()>> pendingInstalls;
    int sessionRound = 0; // counts the sessions ended: a queued install of an ended one is stale
    QTimer installTimer;  // runs the next of pendingInstalls
};
