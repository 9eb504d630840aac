#include "messagingpanel.h"

#include "dlgredirect.h"
#include "mainwindowicons.h"
#include "mpchatsqlite.h"
#include "wdgchatpanel.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegExpValidator>
#include <QTabBar>
#include <QTabWidget>

MessagingPanel::MessagingPanel(const Widgets &widgets, const MainWindowIcons &windowIcons, QObject *parent)
    : QObject(parent), ui(widgets), icons(windowIcons)
{
    setObjectName(QStringLiteral("messagingPanel"));
    // The forward-number dialog: digits, "#" and "*" only.
    dlgRedirect = new DlgRedirect(nullptr, Qt::WindowTitleHint | Qt::WindowSystemMenuHint);
    dlgRedirect->numberEdit()->setValidator(
        new QRegExpValidator(QRegExp(QStringLiteral("^[0-9#*]*$"), Qt::CaseSensitive, QRegExp::RegExp), dlgRedirect));
}

MessagingPanel::~MessagingPanel()
{
    delete chatCtl;
    chatCtl = nullptr;
    if (dlgRedirect) {
        dlgRedirect->disconnect();
        dlgRedirect->close();
        delete dlgRedirect;
    }
    delete chatDb;
}

void MessagingPanel::openChatDb(const QString &file, const QString &user, const QString &pbxAddress)
{
    if (chatCtl)
        chatCtl->setStore(nullptr);
    delete chatDb;
    chatDb = new MPChatSqlite(file, user, pbxAddress);
    if (chatCtl)
        chatCtl->setStore(chatDb);
}

// Deleting the store writes its pending rows into the file.
void MessagingPanel::closeChatDb()
{
    if (chatCtl)
        chatCtl->setStore(nullptr);
    delete chatDb;
    chatDb = nullptr;
}

void MessagingPanel::initChat(std::unique_ptr<ChatHost> host, PromptService &prompts)
{
    if (chatCtl)
        return;
    chatHost = std::move(host);
    chatCtl = new ChatController(&chatLink, chatDb, ui.chatPanel, chatHost.get(), prompts, this);
    chatCtl->setObjectName(QStringLiteral("chatController"));
    connect(chatCtl, &ChatController::trayAlertShown, this, [this](const QString &exten) { lastTrayExten = exten; });
}

void MessagingPanel::setCtiClient(CtiLib *lib)
{
    chatLink.setLib(lib);
}

void MessagingPanel::onTrayMessageClicked()
{
    const QString exten = lastTrayExten;
    lastTrayExten.clear();
    if (exten.isEmpty() || !ui.chatPanel->hasChatSession(exten))
        return;
    if (chatHost)
        chatHost->showChatTab();
    ui.chatPanel->putOnTop(exten);
}

void MessagingPanel::onSessionStarted(const PbxSession::SessionStart &session)
{
    const PbxSession::SessionFeatures features = PbxSession::sessionFeatures(session);
    if (!features.visualVoicemail) {
        const int index = ui.tabContactsWidget->indexOf(ui.voiceMailTabWidget);
        if (index >= 0) {
            ui.tabContactsWidget->removeTab(index);
            const int wanted = ui.tabContactsWidget->tabBar()->sizeHint().width();
            if (ui.tabContactsWidget->minimumWidth() < wanted)
                ui.tabContactsWidget->setMinimumWidth(wanted);
        }
    }

    // Service buttons back to their reset state.
    ui.btnDualRingToggle->setToolTip(tr("Servizio Fork To Mobile non configurato"));
    ui.btnDualRingToggle->setAccessibleDescription(tr("Servizio Fork To Mobile non configurato"));
    ui.btnDualRingToggle->setIcon(icons.dualRingOffIcon);
    ui.btnDualRingToggle->setEnabled(false);
    ui.btnDualRingToggle->hide();
    forkToMobileActive = false;
    ui.btnDnd->setEnabled(false);
    ui.btnDnd->hide();
    ui.btnDnd->setIcon(icons.dndOffIcon);
    ui.btnDnd->setToolTip(tr("Do Not Disturb non attivo"));
    ui.btnDnd->setAccessibleDescription(tr("Do Not Disturb non attivo"));
    ui.btnRedirect->setEnabled(true);
    ui.btnRedirect->show();

    if (features.dialFromWindow) {
        ui.btnMail->setEnabled(true);
        ui.btnMail->show();
        ui.btnConference->setEnabled(true);
        ui.btnConference->show();
    }
    if (chatCtl)
        chatCtl->onLoggedIn();
    else
        ui.chatPanel->enableChatWindows(true);
}

void MessagingPanel::onSessionEnded(const PbxSession::DisconnectReason &reason)
{
    lastTrayExten.clear();
    if (chatCtl) {
        chatCtl->onLoggedOut();
        return;
    }
    ui.chatPanel->enableChatWindows(false);
    ui.chatPanel->deleteAllChatSession();
    if (reason.isKnown())
        ui.chatPanel->closeAllDetachedWindows();
}

void MessagingPanel::closeDialogs()
{
    if (dlgRedirect)
        dlgRedirect->reject();
}
