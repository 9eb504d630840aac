#include "voicemailpanel.h"

#include "app/globallogger.h"
#include "ctilib.h"
#include "voicemaillink.h"
#include "wdgvoicemailline.h"

#include <QBoxLayout>
#include <QScrollArea>
#include <QSet>
#include <QStackedWidget>

namespace
{

// The CTI client as the voicemail's way to the PBX: nothing is sent while it
// is missing or not connected.
class CtiVoicemailLink : public VoicemailLink
{
public:
    void setLib(CtiLib *l) { lib = l; }
    void downloadMessage(const QString &id, const QString &uuid, const QString &directory) override
    {
        if (connected())
            lib->downloadVoicemailMessage(id, uuid, directory);
    }
    void markHeard(const QString &id) override
    {
        if (connected())
            lib->markVoicemailMessage(id, 1);
    }
    void deleteMessage(const QString &id) override
    {
        if (connected())
            lib->deleteVoicemailMessage(id);
    }
    void requestList() override
    {
        if (connected())
            lib->getVoicemail(7);
    }

    bool connected() const { return lib && lib->isConnected(); }

private:
    QPointer<CtiLib> lib;
};

} // namespace

// What the rows are given: the way to the PBX, with the list requests
// through the panel's gate. Rows may outlive the panel; then they ask nothing.
class VoicemailPanelLink : public VoicemailLink
{
public:
    explicit VoicemailPanelLink(VoicemailPanel *p) : panel(p) {}
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

private:
    QPointer<VoicemailPanel> panel;
};

VoicemailPanel::VoicemailPanel(const Widgets &widgets, QObject *parent)
    : QObject(parent), ui(widgets), pbx(std::make_shared<CtiVoicemailLink>()),
      link(std::make_shared<VoicemailPanelLink>(this)),
      listGate(
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

void VoicemailPanel::setCtiClient(CtiLib *lib)
{
    ctiLib = lib;
    if (auto *cti = dynamic_cast<CtiVoicemailLink *>(pbx.get()))
        cti->setLib(lib);
}

void VoicemailPanel::setLink(std::shared_ptr<VoicemailLink> l)
{
    pbx = std::move(l);
}

void VoicemailPanel::resetSession()
{
    listGate.reset();
    mailboxKnown = false;
    knownMailbox = MailboxStatus();
}

bool VoicemailPanel::sendListRequest()
{
    if (auto *cti = dynamic_cast<CtiVoicemailLink *>(pbx.get())) {
        if (!cti->connected())
            return false;
    }
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
    if (ctiLib && !ctiLib->isConnected())
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
    if (ctiLib && ctiLib->isConnected() && visualVoicemailAvailable)
        ctiLib->getMailboxStatus();
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
        auto *row = new wdgVoicemailLine(message, link, ui.pageVoicemail);
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
