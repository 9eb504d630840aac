// The directories and call history of the main window: the phone book, the
// extensions and favourites, the call records, their models, filters, search
// timers and the contact editor.
#pragma once

#include "mcticonfig.h"
#include "pbxsessionrules.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class CdrFilterProxyModel;
class ContactFilterProxyModel;
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
    };
    DirectoryPanel(MSettingsStore *settings, const Widgets &widgets, QObject *parent = nullptr);
    ~DirectoryPanel() override;

    // Takes the three models over, puts a filter proxy over each and shows
    // them in the four views.
    void setModels(QStandardItemModel *contacts, QStandardItemModel *extensions, QStandardItemModel *cdr);
    // The call-history filter widget, made once for the settings.
    void createCdrFilter();

    QStandardItemModel *contactsBookModel() const { return contactsModel; }
    QStandardItemModel *extensionsModel() const { return extenModel; }
    QStandardItemModel *callHistoryModel() const { return cdrModel; }
    DlgContactEdit *contactEditDialog() const { return dlgContactEdit; }
    wdgCdrFilter *cdrFilterWidget() const { return cdrFilter; }
    int listRowHeight() const { return rowHeight; }

    // The pause in typing after which a search runs, in ms (250); tests shorten it.
    int searchDebounceMs() const { return searchDebounce; }
    void setSearchDebounceMs(int ms);

public slots:
    void onSessionStarted(const PbxSession::SessionStart &session);
    void onSessionEnded(const PbxSession::DisconnectReason &reason);
    void closeDialogs();

signals:
    void contactsRefreshDue();
    void contactSearchDue();
    void extenSearchDue();
    void cdrSearchDue();
    void cdrDateDue();
    void cdrFilterChanged(MctiConfig::MCdrFilterFlags flags);
    void cdrFilterClosed();

private:
    QPointer<MSettingsStore> settings;
    Widgets ui;
    int rowHeight = 32;
    int searchDebounce = 250;
    QStandardItemModel *contactsModel = nullptr;
    QStandardItemModel *cdrModel = nullptr;
    QStandardItemModel *extenModel = nullptr;
    ContactFilterProxyModel *contactsProxy = nullptr;
    CdrFilterProxyModel *cdrProxy = nullptr;
    ExtenFilterProxyModel *extenProxy = nullptr;
    ExtenFavouriteFilterProxyModel *favouritesProxy = nullptr;
    wdgCdrFilter *cdrFilter = nullptr;
    DlgContactEdit *dlgContactEdit = nullptr;
    QTimer contactsRefreshTimer;
    QTimer contactSearchTimer;
    QTimer extenSearchTimer;
    QTimer cdrSearchTimer;
    QTimer cdrDateTimer;
};
