// Chat, voicemail and the PBX services of the main window: the chat panel and
// its history store, the service buttons (do not disturb, forward, voicemail,
// conference, fork to mobile), the forward-number dialog and the services'
// state.
#pragma once

#include "pbxsessionrules.h"

#include <QMap>
#include <QObject>
#include <QString>

class DlgRedirect;
struct MainWindowIcons;
class MPChatSqlite;
class QPushButton;
class QTabWidget;
class QWidget;
class wdgChatPanel;

class MessagingPanel : public QObject
{
    Q_OBJECT
public:
    // The main form's widgets this object drives.
    struct Widgets {
        wdgChatPanel *chatPanel = nullptr;
        QPushButton *btnDnd = nullptr;
        QPushButton *btnRedirect = nullptr;
        QPushButton *btnMail = nullptr;
        QPushButton *btnConference = nullptr;
        QPushButton *btnDualRingToggle = nullptr;
        QTabWidget *tabContactsWidget = nullptr;
        QWidget *voiceMailTabWidget = nullptr;
    };
    // `icons`: the window's set, which outlives this object.
    MessagingPanel(const Widgets &widgets, const MainWindowIcons &icons, QObject *parent = nullptr);
    ~MessagingPanel() override;

    // Opens the chat history store of this user on this PBX.
    void openChatDb(const QString &file, const QString &user, const QString &pbxAddress);
    void closeChatDb();

    DlgRedirect *redirectDialog() const { return dlgRedirect; }
    MPChatSqlite *chatStore() const { return chatDb; }
    bool isDndActive() const { return dndActive; }
    bool isUfwdActive() const { return ufwdActive; }
    bool isChatConnected() const { return chatConnected; }
    bool isForkToMobileActive() const { return forkToMobileActive; }
    const QMap<int, QString> &serviceCodes() const { return servicesCodes; }

public slots:
    void onSessionStarted(const PbxSession::SessionStart &session);
    void onSessionEnded(const PbxSession::DisconnectReason &reason);
    void closeDialogs();

private:
    Widgets ui;
    const MainWindowIcons &icons;
    MPChatSqlite *chatDb = nullptr;
    DlgRedirect *dlgRedirect = nullptr;
    bool chatConnected = false;
    bool dndActive = false;
    bool ufwdActive = false;
    bool forkToMobileActive = false;
    QMap<int, QString> servicesCodes;
};
