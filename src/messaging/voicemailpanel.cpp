#include "voicemailpanel.h"

#include "app/globallogger.h"
#include "ctilib.h"
#include "voicemaillink.h"
#include "wdgvoicemailline.h"

#include <QBoxLayout>
#include <QPointer>
#include <QScrollArea>
#include <QSet>
#include <QStackedWidget>

bool CtiVoicemailLink::isConnected() const
{
    return lib.isConnected();
}

void CtiVoicemailLink::downloadMessage(const QString &id, const QString &uuid, const QString &directory)
{
    if (isConnected())
        lib.downloadVoicemailMessage(id, uuid, directory);
}

void CtiVoicemailLink::markHeard(const QString &id)
{
    if (isConnected())
        lib.markVoicemailMessage(id, 1);
}

void CtiVoicemailLink::deleteMessage(const QString &id)
{
    if (isConnected())
        lib.deleteVoicemailMessage(id);
}

void CtiVoicemailLink::requestList()
{
    if (isConnected())
        lib.getVoicemail(7);
}

void CtiVoicemailLink::requestMailboxStatus()
{
    if (isConnected())
        lib.getMailboxStatus();
}

// What the rows are given: the way to the PBX, with the list requests
// through the panel's gate. Rows may outlive the panel; then they ask nothing.
class VoicemailPanelLink : public VoicemailLink
{
public:
    explicit VoicemailPanelLink(VoicemailPanel *p) : panel(p) {}
    bool isConnected() const override { return panel && panel->pbx->isConnected(); }
    void downloadMessage(const QString &id, const QString &uuid, const QString &directory) override
    {
        if (panel)
            panel->pbx->downloadMessage(id, uuid, directory);
    }
    void markHeard(const QString &id) override
    {
        if (panel)
            panel->pbx->markHeard(id);
    }
    void deleteMessage(const QString &id) override
    {
        if (panel)
            panel->pbx->deleteMessage(id);
    }
    void requestList() override
    {
        if (panel)
            panel->requestList();
    }
    void requestMailboxStatus() override
    {
        if (panel)
            panel->pbx->requestMailboxStatus();
    }

private:
    QPointer<VoicemailPanel> panel;
};

VoicemailPanel::VoicemailPanel(const Widgets &widgets, std::shared_ptr<VoicemailLink> pbxLink,
                               VoicemailPlayer::Maker &playerMaker, QObject *parent)
    : QObject(parent), ui(widgets), pbx(std::move(pbxLink)), link(std::make_shared<VoicemailPanelLink>(this)),
      players(playerMaker), listGate(
                                QStringLiteral("Voicemail list request"), [this] { return sendListRequest(); },
                                RequestGate::Timing{ListAnswerTimeoutMs, ListSpacingMs})
{
    setObjectName(QStringLiteral("voicemailPanel"));
    // The rows' page scrolls: a long mailbox does not stretch the window.
    if (ui.voicemailStckWidget && ui.pageVoicemail && ui.voicemailStckWidget->indexOf(ui.pageVoicemail) >= 0) {
        const int index = ui.voicemailStckWidget->indexOf(ui.pageVoicemail);
        ui.voicemailStckWidget->removeWidget(ui.pageVoicemail);
        scrollArea = new QScrollArea;
        scrollArea->setObjectName(QStringLiteral("voicemailScrollArea"));
        scrollArea->setFrameShape(QFrame::NoFrame);
        scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scrollArea->setWidgetResizable(true);
        scrollArea->setStyleSheet(QStringLiteral("#voicemailScrollArea, #voicemailScrollArea > QWidget > QWidget "
                                                 "{ background: transparent; }"));
        scrollArea->setWidget(ui.pageVoicemail);
        ui.voicemailStckWidget->insertWidget(index, scrollArea);
    }
}

QWidget *VoicemailPanel::listPage() const
{
    return scrollArea ? static_cast<QWidget *>(scrollArea) : ui.pageVoicemail;
}

VoicemailPanel::~VoicemailPanel() = default;

void VoicemailPanel::resetSession()
{
    listGate.reset();
    mailboxKnown = false;
    knownMailbox = MailboxStatus();
}

bool VoicemailPanel::sendListRequest()
{
    if (!pbx->isConnected())
        return false;
    pbx->requestList();
    return true;
}

void VoicemailPanel::requestList()
{
    listGate.request();
}

bool VoicemailPanel::onMailboxStatusChanged(const MailboxStatus &status)
{
    if (!visualVoicemailAvailable || (mailboxKnown && status == knownMailbox))
        return false;
    if (!pbx->isConnected())
        return false;
    mailboxKnown = true;
    knownMailbox = status;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Mailbox changed:" << status.newMessages << "new," << status.oldMessages
                           << "old; asking for the list";
    requestList();
    return true;
}

void VoicemailPanel::refreshVoicemailStatus()
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Asking for voicemail status refresh";
    if (pbx->isConnected() && visualVoicemailAvailable)
        pbx->requestMailboxStatus();
}

void VoicemailPanel::onVoicemailMsgListReceived(const VoicemailMessageList &list)
{
    listGate.answered();
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "onVoicemailMsgListReceived called" << list.size();
    if (list.size() > MaxRows)
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Voicemail list of" << list.size() << "messages: the first"
                                   << MaxRows << "shown";
    const VoicemailMessageList messages = list.mid(0, MaxRows);
    clearVoiceMailMap(messages);
    int inserted = 0;
    for (const VoicemailMessage &message : messages) {
        // A row already shown stays as it is (its audio too).
        if (voicemailRows.contains(message.uuid))
            continue;
        if (!ui.VoicemailLayout || !ui.pageVoicemail)
            continue;
        auto *row = new wdgVoicemailLine(message, link, players, ui.pageVoicemail);
        row->setObjectName(QStringLiteral("voicemailLine_") + message.uuid);
        ui.VoicemailLayout->insertWidget(inserted++, row);
        voicemailRows.insert(message.uuid, row);
    }
    if (ui.voicemailStckWidget)
        ui.voicemailStckWidget->setCurrentWidget(voicemailRows.isEmpty() ? ui.pageVoicemailNoResults : listPage());
}

void VoicemailPanel::clearVoiceMailMap(const QList<VoicemailMessage> &messages)
{
    QSet<QString> listed;
    for (const VoicemailMessage &message : messages)
        listed.insert(message.uuid);
    for (auto it = voicemailRows.begin(); it != voicemailRows.end();) {
        if (listed.contains(it.key())) {
            ++it;
            continue;
        }
        removeRow(it.value());
        it = voicemailRows.erase(it);
    }
}

void VoicemailPanel::onVoicemailDownloadCompleted(const QString &id, const QString &uuid, const QString &filePath)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Received voicemail download " << id << uuid;
    wdgVoicemailLine *row = voicemailRows.value(uuid);
    if (!row) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Received signal for a voice mail message that we don't know!";
        requestList();
        return;
    }
    row->onVoiceMailDownloaded(filePath);
}

void VoicemailPanel::onVoicemailDeletion(const QString &uuid)
{
    wdgVoicemailLine *row = voicemailRows.take(uuid);
    if (!row)
        return;
    removeRow(row);
    if (voicemailRows.isEmpty() && ui.voicemailStckWidget)
        ui.voicemailStckWidget->setCurrentWidget(ui.pageVoicemailNoResults);
}

// Out of sight at once; the row, its player and its audio go on the next turn.
void VoicemailPanel::removeRow(wdgVoicemailLine *row)
{
    if (ui.VoicemailLayout)
        ui.VoicemailLayout->removeWidget(row);
    row->hide();
    row->deleteLater();
}
